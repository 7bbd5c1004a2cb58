// The Backup and Restore dialogs.
#include "dialogs/backup_dlgs.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <filesystem>

#include "storage/messages.h"

namespace zelk {

namespace {

constexpr int kBackupHelp = 127;
constexpr int kRestoreHelp = 135;

QLabel* Label(QWidget* parent, const QString& text, const char* name) {
  auto* l = new QLabel(text, parent);
  l->setObjectName(name);
  return l;
}

QComboBox* DriveBox(QWidget* parent, const std::vector<BackupDrive>& drives, int index) {
  auto* b = new QComboBox(parent);
  b->setObjectName("DriveB");
  for (const BackupDrive& d : drives) b->addItem(QString::fromStdString(d.label));
  b->setCurrentIndex(std::clamp(index, 0, std::max(0, static_cast<int>(drives.size()) - 1)));
  b->setMinimumWidth(220);
  return b;
}

}  // namespace

TBackupDlg::TBackupDlg(int64_t fileSize, const std::vector<BackupDrive>& drives, int driveIndex,
                       MessageSink& sink, HelpRequester* help, QWidget* parent)
    : TZelkDlg(sink, help, "Backup", kBackupHelp, parent) {
  auto* g = new QGridLayout;
  Body()->addLayout(g);
  FileSizeL = Label(this, "File size:", "FileSizeL");
  FileSizeB = Label(this, QString::number(fileSize) + " Bytes", "FileSizeB");
  DriveL = Label(this, "Drive:", "DriveL");
  DriveB = DriveBox(this, drives, driveIndex);
  DriveL->setBuddy(DriveB);
  g->addWidget(FileSizeL, 0, 0);
  g->addWidget(FileSizeB, 0, 1);
  g->addWidget(DriveL, 1, 0);
  g->addWidget(DriveB, 1, 1);
  InsertL = Label(this, "Insert disk and click Start.", "InsertL");
  Body()->addWidget(InsertL);
  OkBtn->setText("&Start");
}

bool TBackupDlg::TakeOver() {
  driveIndex_ = DriveB->currentIndex();
  return driveIndex_ >= 0;
}

TRestoreDlg::TRestoreDlg(const std::vector<BackupDrive>& drives, int driveIndex, MessageSink& sink,
                         HelpRequester* help, QWidget* parent)
    : TZelkDlg(sink, help, "Restore", kRestoreHelp, parent), drives_(drives) {
  auto* g = new QGridLayout;
  Body()->addLayout(g);
  DriveL = Label(this, "Drive:", "DriveL");
  DriveB = DriveBox(this, drives, driveIndex);
  DriveL->setBuddy(DriveB);
  g->addWidget(DriveL, 0, 0);
  g->addWidget(DriveB, 0, 1);
  FileL = Label(this, "File:", "FileL");
  DateL = Label(this, "Date:", "DateL");
  TimeL = Label(this, "Time:", "TimeL");
  DiskL = Label(this, "Disk:", "DiskL");
  FileB = Label(this, "", "FileB");
  DateB = Label(this, "", "DateB");
  TimeB = Label(this, "", "TimeB");
  DiskB = Label(this, "", "DiskB");
  int row = 1;
  for (auto [l, v] : {std::pair{FileL, FileB}, {DateL, DateB}, {TimeL, TimeB}, {DiskL, DiskB}}) {
    g->addWidget(l, row, 0);
    g->addWidget(v, row, 1);
    ++row;
  }
  InsertL = Label(this, "Insert first disk and click Start", "InsertL");
  Body()->addWidget(InsertL);
  OkBtn->setText("&Start");
  InfoBtn = new QPushButton("&Info", this);
  InfoBtn->setObjectName("InfoBtn");
  InfoBtn->setAutoDefault(false);
  // Between Cancel and Help, as the row reads.
  if (auto* row2 =
          qobject_cast<QBoxLayout*>(HelpBtn->parentWidget()->layout()->itemAt(1)->layout()))
    row2->insertWidget(row2->indexOf(HelpBtn), InfoBtn);
  connect(InfoBtn, &QPushButton::clicked, this, &TRestoreDlg::InfoBtnClick);
}

void TRestoreDlg::InfoBtnClick() {
  const int i = DriveB->currentIndex();
  if (i < 0 || i >= static_cast<int>(drives_.size())) return;
  const BackupDrive& d = drives_[static_cast<size_t>(i)];
  std::error_code ec;
  if (!std::filesystem::is_directory(d.root, ec)) {
    Sink().Error(ComposeMessage("Cannot read disk in drive", d.label));
    DriveB->setFocus();
    return;
  }
  const std::optional<BackInfo> info = ReadDiskInfo(d);
  if (!info) {
    FileB->setText("no file found");
    DateB->clear();
    TimeB->clear();
    DiskB->clear();
    return;
  }
  FileB->setText(QString::fromStdString(info->file));
  DateB->setText(QString::fromStdString(info->date));
  TimeB->setText(QString::fromStdString(info->time));
  DiskB->setText(QString::number(info->disk) + (info->last ? " - Last" : ""));
}

bool TRestoreDlg::TakeOver() {
  driveIndex_ = DriveB->currentIndex();
  return driveIndex_ >= 0;
}

}  // namespace zelk
