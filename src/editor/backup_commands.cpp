// File > Backup... and File > Restore...
#include "editor/backup_commands.h"

#include <QMessageBox>
#include <QPushButton>

#include "dialogs/backup_dlgs.h"
#include "storage/backup.h"

namespace zelk {

namespace {

constexpr int kNextDiskBackupHelp = 133;
constexpr int kNextDiskRestoreHelp = 141;
constexpr const char* kRestoreFilter = "Restore to;Map files (*.zkm)|*.zkm|All files (*.*)|*.*";

// The questions between disks, asked with the program's message dialog; the disk changes in
// the same folder (the drive's mount point).
class EditorDisks : public BackupUi {
 public:
  EditorDisks(CommandContext& c, Progress& progress, int nextHelp)
      : c_(c), progress_(progress), nextHelp_(nextHelp) {}
  bool NextDisk(int number, BackupDrive&) override {
    return c_.sink->Confirm(ComposeMessage("Insert disk;and click OK.", std::to_string(number)),
                            nextHelp_);
  }
  NextOrDone NextDiskOrDone(int number, BackupDrive&) override {
    QMessageBox box(
        QMessageBox::Question, "ZELK",
        QString::fromStdString(ComposeMessage(
            "Insert disk;and click OK or click All Done when finished.", std::to_string(number))),
        QMessageBox::NoButton, c_.window.DialogParent());
    QPushButton* ok = box.addButton("OK", QMessageBox::AcceptRole);
    QPushButton* done = box.addButton("&All Done", QMessageBox::YesRole);
    box.addButton("Cancel", QMessageBox::RejectRole);
    box.exec();
    if (box.clickedButton() == ok) return NextOrDone::Ok;
    if (box.clickedButton() == done) return NextOrDone::AllDone;
    return NextOrDone::Cancel;
  }
  NotEmpty DiskNotEmpty(const std::vector<std::string>& names) override {
    std::string files;
    for (const std::string& n : names) files += (files.empty() ? "" : " ") + n;
    QMessageBox box(QMessageBox::Warning, "Disk not Empty",
                    QString::fromStdString("Files: " + files +
                                           "\n\nInsert an empty disk and click OK or click "
                                           "Overwrite."),
                    QMessageBox::NoButton, c_.window.DialogParent());
    QPushButton* ok = box.addButton("OK", QMessageBox::AcceptRole);
    box.addButton("Cancel", QMessageBox::RejectRole);
    QPushButton* over = box.addButton("Over&write", QMessageBox::DestructiveRole);
    box.exec();
    if (box.clickedButton() == ok) return NotEmpty::Ok;
    if (box.clickedButton() == over) return NotEmpty::Overwrite;
    return NotEmpty::Cancel;
  }
  bool DiskError(const std::string& message, int help) override {
    return c_.sink->Confirm(message, help);
  }
  void Error(const std::string& message, int help) override { c_.sink->Error(message, help); }
  bool AbortRequested() override { return progress_.AbortRequested(); }

 private:
  CommandContext& c_;
  Progress& progress_;
  int nextHelp_;
};

std::vector<BackupDrive> DrivesOrSay(CommandContext& c) {
  std::vector<BackupDrive> drives = ListBackupDrives();
  if (drives.empty())
    c.sink->Error(
        "No removable drive is mounted. Name a folder to back up into with ZELK_BACKUP_DRIVE.");
  return drives;
}

}  // namespace

void BackupCommand(CommandContext& c, Progress& progress) {
  if (!c.doc.IsOpen() || !c.sink) return;
  MapStore& store = c.Store();
  const std::vector<BackupDrive> drives = DrivesOrSay(c);
  if (drives.empty()) return;
  int64_t size = 0;
  try {
    size = store.WorkingFile().Size();
  } catch (const FileError&) {
    return;
  }
  TBackupDlg dlg(size, drives, c.prefs.backupDrive, *c.sink, c.help, c.window.DialogParent());
  if (dlg.exec() != QDialog::Accepted) {
    c.sink->Error("Backup aborted.");
    return;
  }
  c.prefs.backupDrive = dlg.DriveIndex();
  c.doc.WritePreferences();
  BackupDrive drive = drives[static_cast<size_t>(dlg.DriveIndex())];
  EditorDisks ui(c, progress, kNextDiskBackupHelp);
  const BackupOutcome r = Backup(store.WorkingFile().Path(), c.doc.Name(), drive, ui, progress,
                                 store.WorkingFile().Files());
  if (r == BackupOutcome::Done) {
    QMessageBox::information(c.window.DialogParent(), "Backup", "Backup successfully completed.");
  } else {
    c.sink->Error("Backup aborted.");
  }
}

void RestoreCommand(CommandContext& c, Progress& progress) {
  if (!c.sink || !c.doc.Close()) return;
  const std::vector<BackupDrive> drives = DrivesOrSay(c);
  if (drives.empty()) return;
  TRestoreDlg dlg(drives, c.prefs.backupDrive, *c.sink, c.help, c.window.DialogParent());
  if (dlg.exec() != QDialog::Accepted) return;
  c.prefs.backupDrive = dlg.DriveIndex();
  BackupDrive drive = drives[static_cast<size_t>(dlg.DriveIndex())];
  EditorDisks ui(c, progress, kNextDiskRestoreHelp);
  std::string restored;
  const BackupOutcome r = Restore(
      drive, ui,
      [&](const std::string& name) -> std::optional<std::string> {
        if (!c.chooser) return std::nullopt;
        return c.chooser->ChooseFile(kRestoreFilter, "zkm", name, 135, true);
      },
      progress, SystemFiles(), &restored);
  if (r != BackupOutcome::Done) {
    c.sink->Error("Restore aborted.");
    return;
  }
  c.doc.Open(restored);
  c.window.SymbolTableChanged();
  c.window.RedrawAll();
}

}  // namespace zelk
