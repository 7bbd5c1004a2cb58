// The import and export dialogs.
#include "dialogs/dxf_dlgs.h"

#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <cmath>
#include <filesystem>

#include "dialogs/spin_edit.h"
#include "storage/document.h"
#include "storage/map_store.h"
#include "storage/messages.h"
#include "storage/text_format.h"

namespace zelk {

namespace {

// A number as the dialogs read it: a point or a comma as decimal separator, blanks around it.
bool ReadNumber(const QString& text, double* v) {
  QString t = text.trimmed();
  t.replace(',', '.');
  bool ok = false;
  *v = t.toDouble(&ok);
  return ok && std::isfinite(*v);
}

QString Fixed(double v, int decimals) {
  return QString::fromStdString(FormatNumber(v, decimals, decimals));
}

}  // namespace

TImportDlg::TImportDlg(MessageSink& sink, HelpRequester* help, QWidget* parent)
    : TZelkDlg(sink, help, "Import ZELK Map", help::kImportMap, parent) {
  auto* grid = new QGridLayout;
  HorOfsB = new TRealSpin(this);
  VerOfsB = new TRealSpin(this);
  HorOfsB->setObjectName("HorOfsB");
  VerOfsB->setObjectName("VerOfsB");
  int row = 0;
  for (auto [field, caption] :
       {std::pair{HorOfsB, "&Horizontal offset:"}, std::pair{VerOfsB, "&Vertical offset:"}}) {
    field->SetRange(-2000, 2000);
    field->SetDecimals(2);
    field->SetIncrement(0.1);
    auto* label = new QLabel(caption, this);
    label->setBuddy(field);
    grid->addWidget(label, row, 0);
    grid->addWidget(field, row, 1);
    grid->addWidget(new QLabel("mm", this), row, 2);
    ++row;
  }
  Body()->addLayout(grid);
}

void TImportDlg::SetOffsets(int32_t dx, int32_t dy) {
  dx_ = dx;
  dy_ = dy;
  HorOfsB->SetValue(dx / static_cast<double>(kWordsPerMm));
  VerOfsB->SetValue(dy / static_cast<double>(kWordsPerMm));
}

bool TImportDlg::TakeOver() {
  dx_ = static_cast<int32_t>(std::lround(HorOfsB->Value() * kWordsPerMm));
  dy_ = static_cast<int32_t>(std::lround(VerOfsB->Value() * kWordsPerMm));
  return true;
}

bool LoadCrossRefFile(FileChooser* chooser, MessageSink& sink, const MapStore& store,
                      CrossRefTable* table) {
  if (!chooser) return false;
  const std::optional<std::string> path = chooser->ChooseFile(
      "Load Cross Reference Table;Cross reference files (*.crt)|*.crt|All files (*.*)|*.*", "crt",
      "", 0, false);
  if (!path) return false;
  std::string error;
  if (!table->Load(*path, CrossRefTable::TypesOf(store), &error)) {
    sink.Error(error);
    return false;
  }
  return true;
}

TImpDxfDlg::TImpDxfDlg(MapStore& store, FileChooser* chooser, MessageSink& sink,
                       HelpRequester* help, QWidget* parent)
    : TZelkDlg(sink, help, "Import DXF File", help::kImportDxf, parent),
      store_(store),
      chooser_(chooser) {
  auto* size = new QGroupBox("DXF size", this);
  auto* sizeGrid = new QGridLayout(size);
  HorSizeL = new QLabel(size);
  VerSizeL = new QLabel(size);
  sizeGrid->addWidget(new QLabel("Horizontally:", size), 0, 0);
  sizeGrid->addWidget(HorSizeL, 0, 1);
  sizeGrid->addWidget(new QLabel("Vertically:", size), 1, 0);
  sizeGrid->addWidget(VerSizeL, 1, 1);
  auto* offset = new QGroupBox("Offset", this);
  auto* offsetGrid = new QGridLayout(offset);
  HorOfsB = new QLineEdit("0.0", offset);
  VerOfsB = new QLineEdit("0.0", offset);
  HorOfsB->setObjectName("HorOfsB");
  VerOfsB->setObjectName("VerOfsB");
  auto* horL = new QLabel("&Horizontal:", offset);
  horL->setBuddy(HorOfsB);
  auto* verL = new QLabel("&Vertical:", offset);
  verL->setBuddy(VerOfsB);
  offsetGrid->addWidget(horL, 0, 0);
  offsetGrid->addWidget(HorOfsB, 0, 1);
  offsetGrid->addWidget(verL, 1, 0);
  offsetGrid->addWidget(VerOfsB, 1, 1);
  auto* cords = new QGroupBox("Coordinates", this);
  auto* cordGrid = new QGridLayout(cords);
  GisB = new QRadioButton("&GIS (1 meter/unit)", cords);
  GisB->setObjectName("GisB");
  OtherB = new QRadioButton("&Other", cords);
  OtherB->setObjectName("OtherB");
  OtherCordB = new QLineEdit("1.0", cords);
  OtherCordB->setObjectName("OtherCordB");
  OtherCordB->installEventFilter(this);
  cordGrid->addWidget(GisB, 0, 0, 1, 3);
  cordGrid->addWidget(OtherB, 1, 0);
  cordGrid->addWidget(OtherCordB, 1, 1);
  cordGrid->addWidget(new QLabel("mm/unit", cords), 1, 2);
  ImpCordB = new QCheckBox("&Import coordinates", this);
  ImpCordB->setObjectName("ImpCordB");
  ImpCordB->setChecked(true);
  CrtBtn = new QPushButton("&CRT...", this);
  CrtBtn->setObjectName("CrtBtn");
  connect(CrtBtn, &QPushButton::clicked, this,
          [this] { LoadCrossRefFile(chooser_, Sink(), store_, &table_); });
  Body()->addWidget(size);
  Body()->addWidget(offset);
  Body()->addWidget(cords);
  auto* row = new QHBoxLayout;
  row->addWidget(ImpCordB);
  row->addStretch();
  row->addWidget(CrtBtn);
  Body()->addLayout(row);
}

void TImpDxfDlg::SetExtent(const DxfExtent& extent) {
  if (extent.found) {
    HorSizeL->setText(Fixed(extent.minX, 0) + " .. " + Fixed(extent.maxX, 0));
    VerSizeL->setText(Fixed(extent.minY, 0) + " .. " + Fixed(extent.maxY, 0));
  } else {
    HorSizeL->setText("no information");
    VerSizeL->setText("no information");
  }
  HorOfsB->setText(Fixed(extent.offsetX, 0));
  VerOfsB->setText(Fixed(extent.offsetY, 0));
}

void TImpDxfDlg::FormShow() {
  GisB->setChecked(true);
}

bool TImpDxfDlg::eventFilter(QObject* watched, QEvent* event) {
  // Clicking into the "Other" edit chooses it.
  if (watched == OtherCordB &&
      (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::FocusIn))
    OtherB->setChecked(true);
  return TZelkDlg::eventFilter(watched, event);
}

bool TImpDxfDlg::TakeOver() {
  DxfImportParams p;
  const struct {
    QLineEdit* field;
    double* value;
    const char* name;
    bool wanted;
  } fields[] = {{HorOfsB, &p.offsetX, "Horizontal offset", true},
                {VerOfsB, &p.offsetY, "Vertical offset", true},
                {OtherCordB, &p.factor, "Factor", OtherB->isChecked()}};
  for (const auto& f : fields) {
    if (!f.wanted) continue;
    if (!ReadNumber(f.field->text(), f.value)) {
      Sink().Error(ComposeMessage(std::string(f.name) + ";must be a number."));
      f.field->setFocus();
      f.field->selectAll();
      return false;
    }
  }
  p.gis = GisB->isChecked();
  p.factor = p.gis ? GisFactor(store_.Setup().MapScale()) : MillimetreFactor(p.factor);
  if (!(p.factor > 0) || !std::isfinite(p.factor)) {
    Sink().Error(ComposeMessage("Factor;must be a number."));
    OtherCordB->setFocus();
    return false;
  }
  p.importCoordinates = ImpCordB->isChecked();
  params_ = p;
  return true;
}

TExpDxfDlg::TExpDxfDlg(MapStore& store, FileChooser* chooser, MessageSink& sink,
                       HelpRequester* help, QWidget* parent)
    : TZelkDlg(sink, help, "Export DXF File", help::kExportDxf, parent),
      store_(store),
      chooser_(chooser) {
  auto* grid = new QGridLayout;
  FilenameB = new QLineEdit(this);
  FilenameB->setObjectName("FilenameB");
  FolderB = new QLineEdit(this);
  FolderB->setObjectName("FolderB");
  BrowseBtn = new QPushButton("&Browse...", this);
  BrowseBtn->setObjectName("BrowseBtn");
  auto* fileL = new QLabel("&File name:", this);
  fileL->setBuddy(FilenameB);
  auto* folderL = new QLabel("F&older:", this);
  folderL->setBuddy(FolderB);
  grid->addWidget(fileL, 0, 0);
  grid->addWidget(FilenameB, 0, 1);
  grid->addWidget(BrowseBtn, 0, 2);
  grid->addWidget(folderL, 1, 0);
  grid->addWidget(FolderB, 1, 1, 1, 2);
  Body()->addLayout(grid);
  CordB = new QGroupBox("Coordinates", this);
  CordB->setObjectName("CordB");
  auto* cords = new QVBoxLayout(CordB);
  CordGisB = new QRadioButton("&GIS (1 meter/unit)", CordB);
  CordMmB = new QRadioButton("&mm", CordB);
  CordGisB->setChecked(true);
  cords->addWidget(CordGisB);
  cords->addWidget(CordMmB);
  CrtBtn = new QPushButton("&CRT...", this);
  CrtBtn->setObjectName("CrtBtn");
  auto* row = new QHBoxLayout;
  row->addWidget(CordB);
  row->addStretch();
  row->addWidget(CrtBtn);
  Body()->addLayout(row);
  connect(BrowseBtn, &QPushButton::clicked, this, [this] { BrowseBtnClick(); });
  connect(CrtBtn, &QPushButton::clicked, this,
          [this] { LoadCrossRefFile(chooser_, Sink(), store_, &table_); });
}

void TExpDxfDlg::Propose(const std::string& mapPath, const std::string& folder) {
  namespace fs = std::filesystem;
  if (mapPath.empty()) {
    FilenameB->setText("Untitled.dxf");
    FolderB->setText(QString::fromStdString(folder));
    return;
  }
  fs::path p(mapPath);
  FilenameB->setText(QString::fromStdString(p.stem().string() + ".dxf"));
  FolderB->setText(QString::fromStdString(p.parent_path().string()));
}

void TExpDxfDlg::BrowseBtnClick() {
  if (!chooser_) return;
  namespace fs = std::filesystem;
  const fs::path start = fs::path(FolderB->text().toStdString()) / FilenameB->text().toStdString();
  const std::optional<std::string> chosen =
      chooser_->ChooseFile("Export DXF File;DXF files (*.dxf)|*.dxf|All files (*.*)|*.*", "dxf",
                           start.string(), help::kExportDxf, true);
  if (!chosen) return;
  const fs::path p(*chosen);
  FilenameB->setText(QString::fromStdString(p.filename().string()));
  FolderB->setText(QString::fromStdString(p.parent_path().string()));
}

bool TExpDxfDlg::TakeOver() {
  namespace fs = std::filesystem;
  const std::string name = FilenameB->text().trimmed().toStdString();
  if (name.empty()) {
    Sink().Error(ComposeMessage("File name;must not be empty."));
    FilenameB->setFocus();
    return false;
  }
  path_ = (fs::path(FolderB->text().trimmed().toStdString()) / name).string();
  gis_ = CordGisB->isChecked();
  return true;
}

}  // namespace zelk
