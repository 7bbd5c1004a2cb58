// Document lifecycle: how a map is made, opened, saved, closed and recovered.
#include "storage/document.h"

#include <algorithm>
#include <cstring>
#include <filesystem>

namespace zelk {

namespace fs = std::filesystem;

namespace {
std::string Counted(int n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

bool SameFile(const std::string& a, const std::string& b) {
  std::error_code ec;
  if (a == b) return true;
  return fs::exists(a, ec) && fs::exists(b, ec) && fs::equivalent(a, b, ec);
}

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
  return s;
}

// The header's first bytes, or nothing when the file is shorter than asked.
std::optional<std::vector<uint8_t>> ReadFirstBytes(const std::string& path, int n,
                                                   MessageSink* sink, FileSystem* files) {
  BufferedFile f(sink, files);
  try {
    f.OpenForReading(path);
    std::vector<uint8_t> bytes(static_cast<size_t>(n));
    const int64_t got = f.ReadUpTo(bytes.data(), n);
    f.Close();
    if (got < n) bytes.clear();
    return bytes;
  } catch (const FileError&) {
    return std::nullopt;
  }
}
}  // namespace

std::string SymbolSetInformation(const std::string& path) {
  BufferedFile f(nullptr);
  try {
    f.OpenForReading(path);
    uint8_t raw[MapFileHeader::kSize];
    if (f.ReadUpTo(raw, sizeof raw) != sizeof raw) return {};
    const MapFileHeader h = MapFileHeader::Decode(raw);
    if (h.mark != kMapMark || h.fileKind != 0 || h.version != kMapVersion || h.infoSize < 1 ||
        h.infoSize > kMaxInfoSize || h.infoPos <= 0)
      return {};
    std::string text(static_cast<size_t>(h.infoSize), '\0');
    f.Seek(h.infoPos);
    text.resize(static_cast<size_t>(f.ReadUpTo(text.data(), h.infoSize)));
    text.resize(std::strlen(text.c_str()));
    return text;
  } catch (const FileError&) {
    return {};
  }
}

std::vector<std::string> ListSymbolSets(const std::string& folder) {
  std::vector<std::string> sets;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(folder, ec)) {
    if (entry.is_regular_file(ec) && Lower(entry.path().extension().string()) == ".zkm")
      sets.push_back(entry.path().string());
  }
  std::sort(sets.begin(), sets.end());
  return sets;
}

Document::Document(MessageSink* sink, Preferences* prefs, RegistryStore* registry,
                   std::string tempPath, FileSystem* files)
    : sink_(sink),
      files_(files ? files : &SystemFiles()),
      prefs_(prefs),
      registry_(registry),
      tempPath_(std::move(tempPath)),
      store_(sink, files_) {}

Document::~Document() {
  store_.CloseWorkingFile();
}

bool Document::WorkingOnCopy() const {
  return !SameFile(store_.WorkingFile().Path(), name_);
}

bool Document::WorkingIsTemp() const {
  return store_.WorkingFile().IsOpen() && SameFile(store_.WorkingFile().Path(), tempPath_);
}

std::string Document::Caption() const {
  if (!open_) return "ZELK";
  return "ZELK - " + (name_.empty() ? std::string("Untitled") : name_);
}

void Document::NotifyCaption() {
  observer_->CaptionChanged(Caption());
}

void Document::Error(const std::string& templ, const std::string& path, int helpContext) {
  if (sink_) sink_->Error(ComposeMessage(templ, ArgumentOf(path)), helpContext);
}

void Document::WritePreferences() {
  prefs_->file = name_;
  if (!registry_) return;
  prefs_->Write(*registry_);
  registry_->Save();
}

// --- The working copy and the name it belongs to ----------------------------------------------

void Document::WriteOwner(const std::string& name) {
  // Written whole under another name and renamed, so a crash leaves the old name or the new.
  // It is not synced: the working copy it names is not either (only saving makes a map
  // durable), and a name that never reached the disk reads as none, so the copy is then
  // recovered as Untitled, never under a wrong name.
  const std::string owner = OwnerPath();
  const std::string part = owner + ".~tmp";
  BufferedFile f(nullptr, files_);
  try {
    f.Create(part);
    const std::string line = name + "\n";
    f.Write(line.data(), static_cast<int64_t>(line.size()));
    f.Close();
    if (files_->Rename(part, owner)) return;
  } catch (const FileError&) {
    f.Close();
  }
  // Without the name the copy is recovered as Untitled: never under a wrong name.
  files_->Remove(part);
  files_->Remove(owner);
}

std::string Document::ReadOwner() const {
  BufferedFile f(nullptr, files_);
  try {
    f.OpenForReading(OwnerPath());
    std::string text(4096, '\0');
    text.resize(static_cast<size_t>(f.ReadUpTo(text.data(), static_cast<int64_t>(text.size()))));
    // A name without its line end was cut off while written.
    if (text.empty() || text.back() != '\n' || text.find('\n') != text.size() - 1) return {};
    text.pop_back();
    return text;
  } catch (const FileError&) {
    return {};
  }
}

void Document::RemoveWorkingCopy() {
  files_->Remove(OwnerPath());
  files_->Remove(tempPath_);
}

bool Document::ClaimWorkingCopy() {
  if (!recoveryPending_) return true;
  if (!FileExists(tempPath_)) {
    recoveryPending_ = false;
    return true;
  }
  const Answer a =
      sink_ ? sink_->Ask("Last session was aborted. Continue session?", help::kAbortedSession)
            : Answer::Cancel;
  if (a == Answer::Yes) {
    Recover();
    return false;  // the recovered map is open instead
  }
  if (a == Answer::Cancel) return false;
  RemoveWorkingCopy();
  recoveryPending_ = false;
  return true;
}

bool Document::Recover() {
  // Until the copy is open as the map, it stays protected from being overwritten.
  recoveryPending_ = true;
  try {
    store_.WorkingFile().OpenExisting(tempPath_, true);
  } catch (const FileError&) {
    return false;
  }
  if (!LoadMap(ReadOwner())) return false;
  recoveryPending_ = false;
  store_.SetModified(true);
  return true;
}

void Document::ReopenWorkingFile(const std::string& path) {
  try {
    store_.WorkingFile().OpenExisting(path, true);
  } catch (const FileError&) {
    // The message is shown; the map stays in memory but cannot be changed until reopened.
  }
}

bool Document::SwitchWorkingFile(const std::string& path) {
  const std::string old = store_.WorkingFile().Path();
  try {
    store_.WorkingFile().OpenExisting(path, true);
    return true;
  } catch (const FileError&) {
    ReopenWorkingFile(old);
    return false;
  }
}

void Document::ReportDamage(const std::string& path) {
  const DamageReport& d = store_.Damage();
  if (!d.Any() || !sink_) return;
  std::string parts;
  const auto add = [&parts](int n, const char* one, const char* many) {
    if (n > 0) parts += (parts.empty() ? "" : ", ") + Counted(n, one, many);
  };
  add(d.indexBlocks, "index block", "index blocks");
  add(d.symbolBlocks, "block of the symbol table", "blocks of the symbol table");
  add(d.symbols, "symbol", "symbols");
  add(d.objects, "object", "objects");
  parts += ".";
  sink_->Error(ComposeMessage(";is damaged. What could not be read was left out:;",
                              ArgumentOf(path) + ";" + parts),
               help::kFormatNotCorrect);
}

// --- Commands -----------------------------------------------------------------------------------

bool Document::Close() {
  if (!open_) return true;
  if (store_.Modified()) {
    store_.WriteSettings();
    if (WorkingOnCopy()) {
      const std::string shown = name_.empty() ? std::string("Untitled") : name_;
      const Answer a =
          sink_ ? sink_->Ask(ComposeMessage(";has been modified. Save?", ArgumentOf(shown)),
                             help::kSaveQuestion)
                : Answer::No;
      if (a == Answer::Cancel) return false;
      if (a == Answer::Yes && !Save()) return false;
    }
  }
  const bool temp = WorkingIsTemp();
  store_.CloseWorkingFile();
  // A closed map has no working copy: a copy found later can only come from a crash.
  if (temp) RemoveWorkingCopy();
  prefs_->PutRecentOnTop(name_);
  open_ = false;
  observer_->MapChanged();
  observer_->RecentFilesChanged();
  observer_->StatusText("");
  NotifyCaption();
  WritePreferences();
  return true;
}

bool Document::Open(const std::string& path) {
  if (!Close()) return false;
  return OpenByName(path);
}

bool Document::OpenRecent(int n) {
  if (n < 1 || n > Preferences::kRecentCount) return false;
  const std::string path = prefs_->recentFiles[static_cast<size_t>(n - 1)];
  if (path.empty()) return false;
  return Open(path);
}

bool Document::OpenByName(const std::string& path) {
  std::error_code ec;
  const fs::file_status status = fs::status(path, ec);
  if (status.type() == fs::file_type::not_found || (ec && !fs::exists(status))) {
    Error(";File not found.", path, help::kFileNotFound);
    return false;
  }
  if (status.type() == fs::file_type::directory) {
    if (sink_) sink_->Error(ComposeMessage("Cannot open", path));
    return false;
  }
  // Devices, pipes and sockets are no maps; opening a pipe would wait for a writer.
  if (status.type() != fs::file_type::regular) {
    Error(";Format not correct.", path, help::kFormatNotCorrect);
    return false;
  }
  const auto head = ReadFirstBytes(path, 24, sink_, files_);
  if (!head) return false;
  if (head->empty() || GetI16(head->data()) != kMapMark) {
    Error(";Format not correct.", path, help::kFormatNotCorrect);
    return false;
  }
  const int16_t kind = GetI16(head->data() + 2);
  if (kind != kFileKindCurrent) {
    const bool elt = Lower(fs::path(path).extension().string()) == ".elt";
    std::string question;
    int context = 0;
    if (kind == kFileKindZelk5) {
      question = ";in ZELK 5 format. Convert?";
      context = help::kConvertZelk5;
    } else if (kind == kFileKindZelk4) {
      question = ";in ZELK 4 format. Convert?";
      context = help::kConvertZelk4;
    } else if (kind == kFileKindZelk3 && elt) {
      question = ";in ZELK 3 format. Convert?";
      context = help::kConvertZelk3;
    } else {
      Error(";Format not correct.", path, help::kFormatNotCorrect);
      return false;
    }
    if (!sink_ || sink_->Ask(ComposeMessage(question, ArgumentOf(path)), context) != Answer::Yes)
      return false;
    if (kind == kFileKindZelk3) {
      std::string idx = fs::path(path).replace_extension(".IDX").string();
      if (!FileExists(idx) && FileExists(fs::path(path).replace_extension(".idx").string()))
        idx = fs::path(path).replace_extension(".idx").string();
      if (!FileExists(idx)) {
        Error(";File not found.", idx, help::kFileNotFound);
        return false;
      }
      const auto idxHead = ReadFirstBytes(idx, 24, sink_, files_);
      if (!idxHead) return false;
      if (idxHead->empty() || GetI16(idxHead->data() + 2) != 221) {
        Error(";Format not correct.", idx, help::kFormatNotCorrect);
        return false;
      }
    }
    if (!convertOlderFormat) {
      if (sink_) sink_->Error("Conversion of older map formats is not available.", context);
      return false;
    }
    return convertOlderFormat(path, kind);
  }

  const bool useCopy = !prefs_->autoSave && !SameFile(path, tempPath_);
  if (useCopy && !ClaimWorkingCopy()) return open_;
  observer_->StatusText("Loading...");
  std::string working = path;
  if (useCopy) {
    files_->Remove(OwnerPath());
    if (!CopyFile(path, tempPath_, sink_, files_)) {
      observer_->StatusText("");
      return false;
    }
    WriteOwner(path);
    working = tempPath_;
  }
  try {
    store_.WorkingFile().OpenExisting(working, true);
  } catch (const FileError&) {
    if (useCopy) RemoveWorkingCopy();
    observer_->StatusText("");
    return false;
  }
  const bool ok = LoadMap(path);
  if (!ok && useCopy) RemoveWorkingCopy();
  observer_->StatusText("");
  return ok;
}

bool Document::LoadMap(const std::string& name) {
  // Errors while reading name the map the user chose, not the private copy.
  store_.WorkingFile().SetShownName(name.empty() ? store_.WorkingFile().Path() : name);
  const bool ok = store_.LoadFromWorkingFile();
  store_.WorkingFile().SetShownName({});
  if (ok) {
    SetupBlock& setup = store_.MutableSetup();
    setup.SetCurrentSymbolIndex(
        std::clamp<int>(setup.CurrentSymbolIndex(), 0, std::max(0, store_.SymbolCount() - 1)));
    store_.SetModified(false);
    open_ = true;
    name_ = name;
    prefs_->RemoveRecent(name);
  } else {
    open_ = false;
  }
  observer_->MapChanged();
  observer_->RecentFilesChanged();
  WritePreferences();
  NotifyCaption();
  if (ok) ReportDamage(name.empty() ? std::string("Untitled") : name);
  return ok;
}

bool Document::Save() {
  if (!open_) return false;
  if (name_.empty()) return SaveAs();
  store_.WriteSettings();
  const std::string working = store_.WorkingFile().Path();
  bool ok = true;
  if (SameFile(working, name_)) {
    try {
      store_.WorkingFile().SyncToDisk();
    } catch (const FileError&) {
      ok = false;
    }
  } else {
    // The working copy stays open (and held) while it is copied over the map.
    ok = SaveCopy(working, name_, sink_, files_);
  }
  if (!ok) return false;
  store_.SetModified(false);
  NotifyCaption();
  WritePreferences();
  return true;
}

bool Document::SaveAs() {
  if (!open_ || !chooser_) return false;
  const auto chosen = chooser_->ChooseFile(kSaveAsFilter, "zkm", name_, help::kSaveAs, true);
  if (!chosen) return false;
  return SaveAs(*chosen);
}

bool Document::SaveAs(const std::string& name) {
  if (!open_ || name.empty()) return false;
  store_.WriteSettings();
  prefs_->PutRecentOnTop(name_);
  observer_->RecentFilesChanged();
  const std::string working = store_.WorkingFile().Path();
  const bool temp = WorkingIsTemp();
  if (!SameFile(working, name) && !SaveCopy(working, name, sink_, files_)) return false;
  if (!temp) {
    // The old map was edited in place: from now on the new one is, never the old one.
    if (!SameFile(working, name) && !SwitchWorkingFile(name)) return false;
  } else if (prefs_->autoSave) {
    if (!SwitchWorkingFile(name)) return false;
    RemoveWorkingCopy();
  } else {
    WriteOwner(name);
  }
  // The map only takes the new name once it is there.
  name_ = name;
  store_.SetModified(false);
  NotifyCaption();
  WritePreferences();
  return true;
}

bool Document::NewMap(const std::string& symbolSetPath) {
  if (!Close()) return false;
  if (!ClaimWorkingCopy()) return open_;
  name_.clear();
  WritePreferences();
  files_->Remove(OwnerPath());
  // Whatever fails from here leaves no working copy behind to be offered after a crash.
  const auto giveUp = [this] {
    const bool ours = store_.WorkingFile().Path() == tempPath_;
    store_.CloseWorkingFile();
    open_ = false;
    if (ours && !LockedByOther(tempPath_, files_)) RemoveWorkingCopy();
    NotifyCaption();
    return false;
  };
  if (!store_.CreateEmptyMap(tempPath_, true)) return giveUp();
  open_ = true;
  if (!LoadSymbolsFrom(symbolSetPath)) return giveUp();
  // The settings of the symbol set, with view, real-world position and print state reset.
  SetupBlock setup = SetupBlock::Defaults();
  try {
    BufferedFile src(sink_, files_);
    src.OpenForReading(symbolSetPath);
    uint8_t raw[MapFileHeader::kSize];
    src.Read(raw, sizeof raw);
    const MapFileHeader h = MapFileHeader::Decode(raw);
    const int64_t size = std::clamp<int64_t>(h.setupSize, 0, SetupBlock::kSize);
    if (h.setupPos > 0 && size > 0 && int64_t{h.setupPos} + size <= src.Size()) {
      src.Seek(h.setupPos);
      src.Read(setup.raw.data(), size);
    }
  } catch (const FileError&) {
    return giveUp();
  }
  setup.Correct();
  setup.ResetPrintState();
  setup.SetViewX(0);
  setup.SetViewY(0);
  setup.SetRealWorldX(0);
  setup.SetRealWorldY(0);
  setup.SetRealWorldAngle(0);
  setup.SetDraftScaleX(setup.MapScale());
  setup.SetDraftScaleY(setup.MapScale());
  setup.SetPrintMapScale(setup.MapScale());
  setup.SetZoom(4.0);
  store_.MutableSetup() = setup;
  if (!store_.WriteSettings()) return giveUp();
  // Load the map from the working file under no name, modified.
  if (!LoadMap("")) return giveUp();
  store_.SetModified(true);
  return true;
}

bool Document::LoadSymbols() {
  if (!open_ || !sink_ || !chooser_) return false;
  if (!sink_->Confirm("All symbols will be deleted and replaced by the new symbols.\r\nContinue?",
                      help::kLoadSymbols))
    return false;
  const auto chosen =
      chooser_->ChooseFile(kLoadSymbolsFilter, "zkm", name_, help::kLoadSymbols, false);
  if (!chosen) return false;
  return LoadSymbolsFrom(*chosen);
}

bool Document::LoadSymbolsFrom(const std::string& path) {
  if (!open_) return false;
  SymbolHeader colors;
  std::vector<SymbolRecord> symbols;
  try {
    BufferedFile src(sink_, files_);
    src.OpenForReading(path);
    const int64_t size = src.Size();
    std::vector<uint8_t> raw(MapFileHeader::kSize + SymbolHeader::kSize, 0);
    if (src.ReadUpTo(raw.data(), static_cast<int64_t>(raw.size())) < MapFileHeader::kSize) {
      Error(";Format not correct.", path, help::kFormatNotCorrect);
      return false;
    }
    const MapFileHeader h = MapFileHeader::Decode(raw.data());
    if (h.mark != kMapMark || h.version != kMapVersion) {
      // Nothing is changed; saying so beats a silent refusal.
      Error(";Format not correct.", path, help::kFormatNotCorrect);
      return false;
    }
    colors = SymbolHeader::Decode(raw.data() + MapFileHeader::kSize);
    colors.Validate();
    MapStore::ReadSymbolTable(src, size, h.firstSymbolBlock, &symbols, nullptr);
  } catch (const FileError&) {
    return false;
  }
  if (!store_.ReplaceAllSymbols(colors, symbols)) return false;
  store_.MutableSetup().SetCurrentSymbolIndex(0);
  store_.UpdateObjects(1, 9999);
  store_.SetModified(true);
  observer_->MapChanged();
  return true;
}

bool Document::SetInfoText(const std::string& text) {
  if (!open_) return false;
  return store_.WriteInfoText(text);
}

void Document::Start(const std::vector<std::string>& arguments) {
  // A copy another running program holds is its working copy, not one left by a crash.
  if (!open_ && FileExists(tempPath_) && !LockedByOther(tempPath_, files_)) {
    const auto head = ReadFirstBytes(tempPath_, MapFileHeader::kSize, sink_, files_);
    if (!head) {
      // The copy could not be read just now (the message is shown): it is kept, not replaced.
      recoveryPending_ = true;
      observer_->RecentFilesChanged();
      return;
    }
    const bool valid = head && !head->empty() && GetI16(head->data()) == kMapMark &&
                       GetI16(head->data() + 2) == 0 && GetI16(head->data() + 4) == kMapVersion;
    if (valid && sink_) {
      const Answer a =
          sink_->Ask("Last session was aborted. Continue session?", help::kAbortedSession);
      if (a == Answer::Yes) {
        // A copy that could not be read is kept for another try; no other map replaces it.
        if (!Recover()) {
          observer_->RecentFilesChanged();
          return;
        }
      } else if (a == Answer::No) {
        WritePreferences();
        RemoveWorkingCopy();
      } else {
        // Put off: the copy stays as it is, no map is opened, and the question comes again.
        recoveryPending_ = true;
        observer_->RecentFilesChanged();
        return;
      }
    }
  }
  if (!open_) {
    std::string name;
    for (const auto& a : arguments) name += (name.empty() ? "" : " ") + a;
    if (name.empty() && prefs_->autoLoad) name = prefs_->file;
    if (!name.empty()) OpenByName(name);
  }
  observer_->RecentFilesChanged();
}

bool Document::Exit() {
  if (!Close()) return false;
  WritePreferences();
  store_.CloseWorkingFile();
  if (!recoveryPending_ && !LockedByOther(tempPath_, files_)) RemoveWorkingCopy();
  return true;
}

}  // namespace zelk
