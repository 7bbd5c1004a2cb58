// The user's preferences: their values, defaults and ranges, and the recent files list.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "storage/registry_store.h"

namespace zelk {

struct Preferences {
  static constexpr const char* kStartupKey = "Software\\Zelk\\Zelk\\Startup";
  static constexpr const char* kPreferencesKey = "Software\\Zelk\\Zelk\\Preferences";
  static constexpr const char* kGpsKey = "Software\\Zelk\\Zelk\\Gps";
  // A remembered map name must be shorter than this; a longer one is not reopened.
  static constexpr size_t kMaxFileLength = 80;
  static constexpr int kRecentCount = 5;

  // Startup
  std::string file;
  std::array<std::string, kRecentCount> recentFiles;  // most recent first; empty = unused
  int backupDrive = 0;
  bool autoLoad = true;
  bool autoSave = false;
  // Preferences
  bool autoJoin = true;
  int smoothing = 1;
  bool lineUpdate = false;
  bool areaUpdate = false;
  bool hatchAreas = false;
  bool dimTemplate = false;
  bool screenGrid = true;
  int selectMode = 0;  // 0 partially in the rectangle, 1 entirely in it
  int curveMode = 0;
  bool realWorldCord = false;
  bool freehandToCurve = false;
  // Smooth edges on the screen and in PNG export; BMP export keeps exact pixels.
  bool antialiased = true;
  // Gps
  bool gpsEnabled = false;
  std::string gpsPort = "COM1";
  bool gpsFilter = false;
  bool gpsMin4Sat = false;
  bool gpsDgpsRequired = false;

  // Starts from the defaults; a missing value or one of the wrong type keeps its default.
  void Read(const RegistryStore& store);
  void Write(RegistryStore& store) const;

  // Closing a map puts its name on top; the fifth entry falls off. Empty names are not added.
  void PutRecentOnTop(const std::string& name);
  // Opening a map takes its name out of the list; the entries below move up.
  void RemoveRecent(const std::string& name);
  // "&n path" for each used entry n, numbered by its place in the list.
  std::vector<std::string> RecentMenuItems() const;

  bool operator==(const Preferences&) const = default;
};

}  // namespace zelk
