// The open map as a document: new, open, save, close, recovery, symbols from another map.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "storage/help_contexts.h"
#include "storage/map_store.h"
#include "storage/preferences.h"
#include "storage/registry_store.h"

namespace zelk {

// File name questions (the common file dialogs in the editor, fixed answers elsewhere).
class FileChooser {
 public:
  virtual ~FileChooser() = default;
  // `titleAndFilter` is the title, a ';' and a filter such as "Map files (*.zkm)|*.zkm".
  // Returns the full path, or nothing when cancelled.
  virtual std::optional<std::string> ChooseFile(const std::string& titleAndFilter,
                                                const std::string& defaultExtension,
                                                const std::string& startPath, int helpContext,
                                                bool forSaving) = 0;
};

// What the windows around a document show; every call has a default that does nothing.
class DocumentObserver {
 public:
  virtual ~DocumentObserver() = default;
  virtual void CaptionChanged(const std::string& caption) {}
  virtual void StatusText(const std::string& text) {}
  // A map was loaded, closed, or its symbols replaced: repaint drawing and symbol box.
  virtual void MapChanged() {}
  virtual void RecentFilesChanged() {}
};

constexpr const char* kOpenFilter =
    "Open;Map files (*.zkm)|*.zkm|ZELK 3 files (*.elt)|*.elt|All files (*.*)|*.*";
constexpr const char* kSaveAsFilter = "Save As;Map files (*.zkm)|*.zkm|All files (*.*)|*.*";
constexpr const char* kLoadSymbolsFilter =
    "Load Symbols from;Map files (*.zkm)|*.zkm|All files (*.*)|*.*";

// Information text of a symbol set as the New Map dialog shows it (empty when not a current map).
std::string SymbolSetInformation(const std::string& path);
// The symbol sets offered for new maps: the "*.zkm" files of a folder, sorted by name.
std::vector<std::string> ListSymbolSets(const std::string& folder);

class Document {
 public:
  // `registry` may be null: preferences are then kept in memory only (batch tools). `files`
  // defaults to the real file system.
  Document(MessageSink* sink, Preferences* prefs, RegistryStore* registry, std::string tempPath,
           FileSystem* files = nullptr);
  ~Document();

  MapStore& Store() { return store_; }
  const MapStore& Store() const { return store_; }
  void SetObserver(DocumentObserver* o) { observer_ = o ? o : &nullObserver_; }
  void SetFileChooser(FileChooser* c) { chooser_ = c; }
  // Converts a map of an older format; without one, the conversion is reported unavailable.
  std::function<bool(const std::string& path, int16_t fileKind)> convertOlderFormat;

  bool IsOpen() const { return open_; }
  const std::string& Name() const { return name_; }
  bool Modified() const { return open_ && store_.Modified(); }
  bool WorkingOnCopy() const;
  std::string Caption() const;
  const std::string& TempPath() const { return tempPath_; }
  // Beside the working copy: the name of the map it was made from, so that a copy left by a
  // crash is recovered under that name and no other.
  std::string OwnerPath() const { return tempPath_ + ".owner"; }
  // The user put off the question about a copy left by a crash; it is kept until answered.
  bool RecoveryPending() const { return recoveryPending_; }

  // Each returns whether it completed.
  bool Close();
  bool Open(const std::string& path);  // closes the current map first
  bool OpenRecent(int n);              // 1..5
  bool OpenByName(const std::string& path);
  bool NewMap(const std::string& symbolSetPath);
  bool Save();
  bool SaveAs();
  bool SaveAs(const std::string& name);
  // Asks, picks the file, then replaces colours, separations and symbols.
  bool LoadSymbols();
  bool LoadSymbolsFrom(const std::string& path);
  std::string InfoText() { return open_ ? store_.ReadInfoText() : std::string(); }
  bool SetInfoText(const std::string& text);
  // At start: recovery of an aborted session, then the map of the command line or the last one.
  void Start(const std::vector<std::string>& arguments);
  // At exit: false when the user cancelled.
  bool Exit();

  void WritePreferences();

 private:
  bool LoadMap(const std::string& name);
  void ReopenWorkingFile(const std::string& path);
  bool SwitchWorkingFile(const std::string& path);
  bool WorkingIsTemp() const;
  // Asks about a working copy the user put off; false when the command must not go on.
  bool ClaimWorkingCopy();
  bool Recover();
  void RemoveWorkingCopy();
  void WriteOwner(const std::string& name);
  std::string ReadOwner() const;
  void ReportDamage(const std::string& path);
  std::string ArgumentOf(const std::string& path) const { return path + "\r\n"; }
  void Error(const std::string& templ, const std::string& path, int helpContext);
  void NotifyCaption();

  MessageSink* sink_;
  FileSystem* files_;
  Preferences* prefs_;
  RegistryStore* registry_;
  std::string tempPath_;
  MapStore store_;
  DocumentObserver nullObserver_;
  DocumentObserver* observer_ = &nullObserver_;
  FileChooser* chooser_ = nullptr;
  bool open_ = false;
  bool recoveryPending_ = false;
  std::string name_;
};

}  // namespace zelk
