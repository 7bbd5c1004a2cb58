// The Backup and Restore dialogs: the drive, the file size, and the information of a disk.
#pragma once

#include <string>
#include <vector>

#include "dialogs/dialog_base.h"
#include "storage/backup.h"

class QComboBox;
class QLabel;

namespace zelk {

class TBackupDlg : public TZelkDlg {
  Q_OBJECT
 public:
  TBackupDlg(int64_t fileSize, const std::vector<BackupDrive>& drives, int driveIndex,
             MessageSink& sink, HelpRequester* help, QWidget* parent = nullptr);
  int DriveIndex() const { return driveIndex_; }

  QLabel* FileSizeL;
  QLabel* FileSizeB;
  QLabel* DriveL;
  QComboBox* DriveB;
  QLabel* InsertL;

 protected:
  bool TakeOver() override;

 private:
  int driveIndex_ = 0;
};

class TRestoreDlg : public TZelkDlg {
  Q_OBJECT
 public:
  TRestoreDlg(const std::vector<BackupDrive>& drives, int driveIndex, MessageSink& sink,
              HelpRequester* help, QWidget* parent = nullptr);
  int DriveIndex() const { return driveIndex_; }
  // Reads the disk of the chosen drive and shows what its information file says.
  void InfoBtnClick();

  QLabel* DriveL;
  QComboBox* DriveB;
  QLabel *FileL, *DateL, *TimeL, *DiskL;
  QLabel *FileB, *DateB, *TimeB, *DiskB;
  QLabel* InsertL;
  QPushButton* InfoBtn;

 protected:
  bool TakeOver() override;

 private:
  std::vector<BackupDrive> drives_;
  int driveIndex_ = 0;
};

}  // namespace zelk
