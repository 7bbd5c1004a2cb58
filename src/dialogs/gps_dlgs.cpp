#include "dialogs/gps_dlgs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "dialogs/map_text.h"
#include "dialogs/number_text.h"
#include "gps/gps_port.h"
#include "storage/messages.h"

namespace zelk {

namespace {

constexpr int kHelpOpenGps = 54, kHelpTestGps = 55, kHelpAdjustGps = 22;
constexpr int kMaxPointName = 15;

QLineEdit* ShowField(QWidget* parent, QGridLayout* grid, int row, const char* name,
                     const char* caption) {
  auto* field = new QLineEdit(parent);
  field->setObjectName(name);
  field->setReadOnly(true);
  field->setMinimumWidth(300);
  auto* label = new QLabel(caption, parent);
  label->setBuddy(field);
  grid->addWidget(label, row, 0);
  grid->addWidget(field, row, 1);
  return field;
}

}  // namespace

// --- Open GPS ----------------------------------------------------------------------------------

TOpenGpsDlg::TOpenGpsDlg(MessageSink& sink, HelpRequester* help, QWidget* parent)
    : TZelkDlg(sink, help, "Open GPS", kHelpOpenGps, parent) {
  auto* grid = new QGridLayout;
  PortB = new QComboBox(this);
  PortB->setObjectName("PortB");
  // A device path, "gpsd:HOST:PORT" or "file:PATH" may be typed in.
  PortB->setEditable(true);
  for (const std::string& name : GpsPortChoices()) PortB->addItem(QString::fromStdString(name));
  auto* portLabel = new QLabel("&Port:", this);
  portLabel->setBuddy(PortB);
  grid->addWidget(portLabel, 0, 0);
  grid->addWidget(PortB, 0, 1);
  FileBtn = new QPushButton("&File...", this);
  FileBtn->setObjectName("FileBtn");
  grid->addWidget(FileBtn, 0, 2);
  FilterB = new QCheckBox("&Filter", this);
  FilterB->setObjectName("FilterB");
  Min4SatB = new QCheckBox("&Min. 4 satellites", this);
  Min4SatB->setObjectName("Min4SatB");
  DgpsB = new QCheckBox("&DGPS required", this);
  DgpsB->setObjectName("DgpsB");
  grid->addWidget(FilterB, 1, 1);
  grid->addWidget(Min4SatB, 2, 1);
  grid->addWidget(DgpsB, 3, 1);
  TestBtn = new QPushButton("&Test...", this);
  TestBtn->setObjectName("TestBtn");
  grid->addWidget(TestBtn, 4, 1, Qt::AlignLeft);
  Body()->addLayout(grid);
  connect(TestBtn, &QPushButton::clicked, this, &TOpenGpsDlg::TestBtnClick);
  connect(FileBtn, &QPushButton::clicked, this, &TOpenGpsDlg::FileBtnClick);
}

void TOpenGpsDlg::SetSettings(const GpsSettings& s) {
  settings_ = s;
  const int i = PortB->findText(QString::fromStdString(s.port));
  if (i >= 0)
    PortB->setCurrentIndex(i);
  else if (s.port.find('/') != std::string::npos || s.port.rfind("gpsd", 0) == 0 ||
           s.port.rfind("file:", 0) == 0)
    PortB->setEditText(QString::fromStdString(s.port));  // what was typed last time
  else
    PortB->setCurrentIndex(0);
  FilterB->setChecked(s.filter);
  Min4SatB->setChecked(s.min4);
  DgpsB->setChecked(s.dgps);
}

bool TOpenGpsDlg::TakeOver() {
  const std::string port = PortB->currentText().trimmed().toStdString();
  if (port.empty()) {
    Sink().Error(ComposeMessage("Cannot open", port));
    PortB->setFocus();
    return false;
  }
  settings_.port = port;
  settings_.filter = FilterB->isChecked();
  settings_.min4 = Min4SatB->isChecked();
  settings_.dgps = DgpsB->isChecked();
  return true;
}

void TOpenGpsDlg::FileBtnClick() {
  if (!chooseFile) return;
  if (const std::optional<std::string> path = chooseFile())
    PortB->setEditText(QString::fromStdString("file:" + *path));
}

void TOpenGpsDlg::TestBtnClick() {
  if (!TakeOver()) return;
  if (test) test(settings_);
}

// --- Test GPS ----------------------------------------------------------------------------------

TTestGpsDlg::TTestGpsDlg(MessageSink& sink, HelpRequester* help, QWidget* parent)
    : TZelkDlg(sink, help, "Test GPS", kHelpTestGps, parent) {
  auto* grid = new QGridLayout;
  SDataB = ShowField(this, grid, 0, "SDataB", "&Serial data:");
  LatB = ShowField(this, grid, 1, "LatB", "&Latitude:");
  LongB = ShowField(this, grid, 2, "LongB", "L&ongitude:");
  ModeB = ShowField(this, grid, 3, "ModeB", "&Mode:");
  Body()->addLayout(grid);
  CancelBtn->hide();
}

void TTestGpsDlg::ShowLine(const std::string& line, const GpsReceiver& receiver,
                           bool positionGiven) {
  SDataB->setText(MapTextToQt(line));
  if (!positionGiven) return;
  if (receiver.Status() != kGpsNoFix) {
    LatB->setText(MapTextToQt(FormatDegreesMinutes(receiver.Latitude())));
    LongB->setText(MapTextToQt(FormatDegreesMinutes(receiver.Longitude())));
  }
  ModeB->setText(MapTextToQt(receiver.ModeText()));
}

// --- Rename ------------------------------------------------------------------------------------

TRnGpsDlg::TRnGpsDlg(MessageSink& sink, HelpRequester* help, QWidget* parent)
    : TZelkDlg(sink, help, "Rename Adjustment Point", kHelpAdjustGps, parent) {
  auto* grid = new QGridLayout;
  NameB = new QLineEdit(this);
  NameB->setObjectName("NameB");
  NameB->setMaxLength(kMaxPointName);
  auto* label = new QLabel("&Name:", this);
  label->setBuddy(NameB);
  grid->addWidget(label, 0, 0);
  grid->addWidget(NameB, 0, 1);
  Body()->addLayout(grid);
}

void TRnGpsDlg::SetName(const std::string& name) {
  name_ = name;
  NameB->setText(MapTextToQt(name));
  NameB->selectAll();
}

bool TRnGpsDlg::TakeOver() {
  std::string name = QtToMapText(NameB->text());
  if (name.size() > kMaxPointName) name.resize(kMaxPointName);
  name_ = name;
  return true;
}

// --- Adjust GPS --------------------------------------------------------------------------------

TAdjustGpsDlg::TAdjustGpsDlg(std::vector<GpsAdjustmentPoint>& points, double angle, bool gpsOpen,
                             MessageSink& sink, HelpRequester* help, QWidget* parent)
    : TZelkDlg(sink, help, "Adjust GPS", kHelpAdjustGps, parent),
      points_(points),
      angle_(angle),
      gpsOpen_(gpsOpen) {
  auto* row = new QHBoxLayout;
  auto* left = new QVBoxLayout;
  AdjPtB = new QListWidget(this);
  AdjPtB->setObjectName("AdjPtB");
  auto* listLabel = new QLabel("&Adjustment points:", this);
  listLabel->setBuddy(AdjPtB);
  left->addWidget(listLabel);
  left->addWidget(AdjPtB);
  AngleB = new QLineEdit(this);
  AngleB->setObjectName("AngleB");
  AngleB->setText(QString::fromStdString(FormatFixed(angle, 2)));
  auto* angleLabel = new QLabel("A&ngle:", this);
  angleLabel->setBuddy(AngleB);
  auto* angleRow = new QHBoxLayout;
  angleRow->addWidget(angleLabel);
  angleRow->addWidget(AngleB);
  left->addLayout(angleRow);
  row->addLayout(left);
  auto* buttons = new QVBoxLayout;
  NewBtn = new QPushButton("&New", this);
  NewBtn->setObjectName("NewBtn");
  RenameBtn = new QPushButton("Rename...", this);
  RenameBtn->setObjectName("RenameBtn");
  DeleteBtn = new QPushButton("De&lete", this);
  DeleteBtn->setObjectName("DeleteBtn");
  for (QPushButton* b : {NewBtn, RenameBtn, DeleteBtn}) buttons->addWidget(b);
  buttons->addStretch();
  row->addLayout(buttons);
  Body()->addLayout(row);
  // "&Close" takes the place of OK; there is nothing to cancel.
  CloseBtn = OkBtn;
  CloseBtn->setText("&Close");
  CloseBtn->setObjectName("CloseBtn");
  CancelBtn->hide();
  connect(NewBtn, &QPushButton::clicked, this, &TAdjustGpsDlg::NewBtnClick);
  connect(RenameBtn, &QPushButton::clicked, this, &TAdjustGpsDlg::RenameBtnClick);
  connect(DeleteBtn, &QPushButton::clicked, this, &TAdjustGpsDlg::DeleteBtnClick);
  connect(AdjPtB, &QListWidget::currentRowChanged, this, [this] { UpdateButtons(); });
  Fill();
}

void TAdjustGpsDlg::Fill() {
  AdjPtB->clear();
  for (const GpsAdjustmentPoint& p : points_) AdjPtB->addItem(MapTextToQt(p.name));
  if (!points_.empty()) AdjPtB->setCurrentRow(static_cast<int>(points_.size()) - 1);
  UpdateButtons();
}

void TAdjustGpsDlg::UpdateButtons() {
  NewBtn->setEnabled(gpsOpen_ && points_.size() < GpsTransform::kMaxPoints);
  const bool chosen = AdjPtB->currentRow() >= 0;
  RenameBtn->setEnabled(chosen);
  DeleteBtn->setEnabled(chosen);
}

bool TAdjustGpsDlg::TakeOver() {
  const RealText t = ReadRealText(AngleB->text().toStdString());
  if (!t.isNumber) {
    Sink().Error(ComposeMessage(";must be a number.", "Angle"));
    AngleB->setFocus();
    return false;
  }
  if (t.value < -360 || t.value > 360) {
    Sink().Error(ComposeMessage(";must be between;and", "Angle;-360;360"));
    AngleB->setFocus();
    return false;
  }
  angle_ = t.value;
  return true;
}

void TAdjustGpsDlg::NewBtnClick() {
  if (!NewBtn->isEnabled() || !TakeOver()) return;
  done(NewPoint);
}

void TAdjustGpsDlg::RenameBtnClick() {
  const int i = AdjPtB->currentRow();
  if (i < 0 || i >= static_cast<int>(points_.size())) return;
  TRnGpsDlg dlg(Sink(), Help(), this);
  dlg.SetName(points_[static_cast<size_t>(i)].name);
  if (dlg.exec() != QDialog::Accepted) return;
  points_[static_cast<size_t>(i)].name = dlg.Name();
  pointsChanged_ = true;
  Fill();
  AdjPtB->setCurrentRow(i);
}

void TAdjustGpsDlg::DeleteBtnClick() {
  const int i = AdjPtB->currentRow();
  if (i < 0 || i >= static_cast<int>(points_.size())) return;
  if (!Sink().Confirm("Delete adjustment point?", kHelpAdjustGps)) return;
  points_.erase(points_.begin() + i);
  pointsChanged_ = true;
  Fill();
}

}  // namespace zelk
