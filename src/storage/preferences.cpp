// Reading the preferences with defaults and ranges, writing them, and keeping the recent files.
#include "storage/preferences.h"

#include <cstdint>
#include <optional>
#include <utility>

namespace zelk {
namespace {

void ReadString(const RegistryStore& store, const char* key, const char* name, std::string& out) {
  const std::optional<RegValue> v = store.Get(key, name);
  if (v && v->type == RegType::String) out = v->text;
}

void ReadFlag(const RegistryStore& store, const char* key, const char* name, bool& out) {
  const std::optional<RegValue> v = store.Get(key, name);
  if (v && v->type == RegType::Dword) out = v->dword != 0;
}

// Numbers outside first..last fall back to the value given, not to what was read before.
void ReadChoice(const RegistryStore& store, const char* key, const char* name, int last,
                int fallback, int& out) {
  const std::optional<RegValue> v = store.Get(key, name);
  if (!v || v->type != RegType::Dword) return;
  out = v->dword <= static_cast<uint32_t>(last) ? static_cast<int>(v->dword) : fallback;
}

uint32_t Flag(bool b) {
  return b ? 1u : 0u;
}

// Negative numbers have no DWORD form; 0 is the first choice of every range.
uint32_t Choice(int v) {
  return v < 0 ? 0u : static_cast<uint32_t>(v);
}

std::string RecentName(int n) {
  return "File" + std::to_string(n + 1);
}

}  // namespace

void Preferences::Read(const RegistryStore& store) {
  *this = Preferences();

  ReadString(store, kStartupKey, "File", file);
  for (int i = 0; i < kRecentCount; ++i) {
    ReadString(store, kStartupKey, RecentName(i).c_str(), recentFiles[i]);
  }
  ReadChoice(store, kStartupKey, "BackupDrive", 1, 0, backupDrive);
  ReadFlag(store, kStartupKey, "AutoLoad", autoLoad);
  ReadFlag(store, kStartupKey, "AutoSave", autoSave);

  ReadFlag(store, kPreferencesKey, "AutoJoin", autoJoin);
  ReadChoice(store, kPreferencesKey, "Smoothing", 2, 1, smoothing);
  ReadFlag(store, kPreferencesKey, "LineUpdate", lineUpdate);
  ReadFlag(store, kPreferencesKey, "AreaUpdate", areaUpdate);
  ReadFlag(store, kPreferencesKey, "HatchAreas", hatchAreas);
  ReadFlag(store, kPreferencesKey, "DimTemplate", dimTemplate);
  ReadFlag(store, kPreferencesKey, "ScreenGrid", screenGrid);
  ReadChoice(store, kPreferencesKey, "SelectMode", 1, 0, selectMode);
  ReadChoice(store, kPreferencesKey, "CurveMode", 1, 0, curveMode);
  ReadFlag(store, kPreferencesKey, "RealWorldCord", realWorldCord);
  ReadFlag(store, kPreferencesKey, "FreehandToCurve", freehandToCurve);
  ReadFlag(store, kPreferencesKey, "Antialiased", antialiased);

  ReadFlag(store, kGpsKey, "Enabled", gpsEnabled);
  ReadString(store, kGpsKey, "Port", gpsPort);
  ReadFlag(store, kGpsKey, "Filter", gpsFilter);
  ReadFlag(store, kGpsKey, "Min4Sat", gpsMin4Sat);
  ReadFlag(store, kGpsKey, "DgpsRequired", gpsDgpsRequired);

  if (file.size() >= kMaxFileLength) file.clear();
}

void Preferences::Write(RegistryStore& store) const {
  store.SetString(kStartupKey, "File", file);
  for (int i = 0; i < kRecentCount; ++i) {
    store.SetString(kStartupKey, RecentName(i), recentFiles[i]);
  }
  store.SetDword(kStartupKey, "BackupDrive", Choice(backupDrive));
  store.SetDword(kStartupKey, "AutoLoad", Flag(autoLoad));
  store.SetDword(kStartupKey, "AutoSave", Flag(autoSave));

  store.SetDword(kPreferencesKey, "AutoJoin", Flag(autoJoin));
  store.SetDword(kPreferencesKey, "Smoothing", Choice(smoothing));
  store.SetDword(kPreferencesKey, "LineUpdate", Flag(lineUpdate));
  store.SetDword(kPreferencesKey, "AreaUpdate", Flag(areaUpdate));
  store.SetDword(kPreferencesKey, "HatchAreas", Flag(hatchAreas));
  store.SetDword(kPreferencesKey, "DimTemplate", Flag(dimTemplate));
  store.SetDword(kPreferencesKey, "ScreenGrid", Flag(screenGrid));
  store.SetDword(kPreferencesKey, "SelectMode", Choice(selectMode));
  store.SetDword(kPreferencesKey, "CurveMode", Choice(curveMode));
  store.SetDword(kPreferencesKey, "RealWorldCord", Flag(realWorldCord));
  store.SetDword(kPreferencesKey, "FreehandToCurve", Flag(freehandToCurve));
  store.SetDword(kPreferencesKey, "Antialiased", Flag(antialiased));

  store.SetDword(kGpsKey, "Enabled", Flag(gpsEnabled));
  store.SetString(kGpsKey, "Port", gpsPort);
  store.SetDword(kGpsKey, "Filter", Flag(gpsFilter));
  store.SetDword(kGpsKey, "Min4Sat", Flag(gpsMin4Sat));
  store.SetDword(kGpsKey, "DgpsRequired", Flag(gpsDgpsRequired));
}

void Preferences::RemoveRecent(const std::string& name) {
  // An empty name would match the unused entries and move nothing worth moving.
  if (name.empty()) return;
  int i = 0;
  while (i < kRecentCount) {
    if (recentFiles[i] != name) {
      ++i;
      continue;
    }
    for (int j = i; j + 1 < kRecentCount; ++j) recentFiles[j] = recentFiles[j + 1];
    recentFiles[kRecentCount - 1].clear();
  }
}

void Preferences::PutRecentOnTop(const std::string& name) {
  // Closing an untitled map must not push a real entry off the end for a blank one.
  if (name.empty()) return;
  RemoveRecent(name);
  for (int j = kRecentCount - 1; j > 0; --j) recentFiles[j] = recentFiles[j - 1];
  recentFiles[0] = name;
}

std::vector<std::string> Preferences::RecentMenuItems() const {
  std::vector<std::string> items;
  for (int i = 0; i < kRecentCount; ++i) {
    if (recentFiles[i].empty()) continue;
    // A menu text takes "&" as the mnemonic mark; a path's own ampersands must be doubled.
    std::string item = "&" + std::to_string(i + 1) + " ";
    for (const char c : recentFiles[i]) {
      item += c;
      if (c == '&') item += '&';
    }
    items.push_back(std::move(item));
  }
  return items;
}

}  // namespace zelk
