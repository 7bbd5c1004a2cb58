// The dialogs of printing and export.
#include "dialogs/output_dlgs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <filesystem>

#include "dialogs/number_text.h"
#include "dialogs/spin_edit.h"
#include "output/bitmap_export.h"
#include "storage/document.h"
#include "storage/messages.h"
#include "storage/text_format.h"

namespace zelk {

namespace {

QLabel* Label(QWidget* parent, const char* caption, const char* name, QWidget* buddy = nullptr) {
  auto* l = new QLabel(caption, parent);
  l->setObjectName(name);
  if (buddy) l->setBuddy(buddy);
  return l;
}

TRealSpin* RealSpin(QWidget* parent, const char* name, double lo, double hi, double step,
                    int decimals) {
  auto* f = new TRealSpin(parent);
  f->setObjectName(name);
  f->SetRange(lo, hi);
  f->SetIncrement(step);
  f->SetDecimals(decimals);
  return f;
}

TIntSpin* IntSpin(QWidget* parent, const char* name, int lo, int hi, int step) {
  auto* f = new TIntSpin(parent);
  f->setObjectName(name);
  f->SetRange(lo, hi);
  f->SetIncrement(step);
  return f;
}

QPushButton* Button(QWidget* parent, const char* caption, const char* name) {
  auto* b = new QPushButton(caption, parent);
  b->setObjectName(name);
  b->setAutoDefault(false);
  return b;
}

double Mm(int32_t word) {
  return double(word) / kWordsPerMm;
}
int32_t Word(double mm) {
  return static_cast<int32_t>(std::nearbyint(mm * kWordsPerMm)) & kPosMask;
}

// The pages of the window in the preview: the window in grey, each page framed.
class PagePreview : public QWidget {
 public:
  PagePreview(TPrintWinDlg* dlg, QWidget* parent) : QWidget(parent), dlg_(dlg) {
    setMinimumSize(220, 160);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    const Box w = dlg_->FieldWindow();
    if (w.right <= w.left || w.top <= w.bottom) return;
    const PageLayout l = dlg_->FieldLayout();
    const std::vector<PrintPage> pages = LayoutPages(w, l);
    Box all = w;
    for (const PrintPage& pg : pages) all.Unite(pg.box);
    const double sx = (width() - 8) / (double(all.right) - all.left);
    const double sy = (height() - 8) / (double(all.top) - all.bottom);
    const double s = std::min(sx, sy);
    auto pt = [&](int32_t x, int32_t y) {
      return QPointF(4 + (double(x) - all.left) * s, 4 + (double(all.top) - y) * s);
    };
    p.fillRect(QRectF(pt(w.left, w.top), pt(w.right, w.bottom)), QColor(200, 200, 200));
    p.setPen(Qt::black);
    for (const PrintPage& pg : pages) {
      p.drawRect(QRectF(pt(pg.box.left, pg.box.top), pt(pg.box.right, pg.box.bottom)));
      p.drawText(QRectF(pt(pg.box.left, pg.box.top), pt(pg.box.right, pg.box.bottom)),
                 Qt::AlignCenter, QString::number(pg.number));
    }
  }

 private:
  TPrintWinDlg* dlg_;
};

}  // namespace

// --- EPS Properties ----------------------------------------------------------------------------

TEpsStpDlg::TEpsStpDlg(bool standardFonts, MessageSink& sink, HelpRequester* help, QWidget* parent)
    : TZelkDlg(sink, help, "EPS Properties", help::kEpsProperties, parent),
      standardFonts_(standardFonts) {
  StdFontB = new QCheckBox("Standard fonts as PostScript fonts", this);
  StdFontB->setObjectName("StdFontB");
  StdFontB->setChecked(standardFonts);
  Body()->addWidget(StdFontB);
}

bool TEpsStpDlg::TakeOver() {
  standardFonts_ = StdFontB->isChecked();
  return true;
}

// --- Export BMP File ---------------------------------------------------------------------------

TExpBmpDlg::TExpBmpDlg(FileChooser* chooser, MessageSink& sink, HelpRequester* help,
                       QWidget* parent)
    : TZelkDlg(sink, help, "Export BMP File", help::kExportBmp, parent), chooser_(chooser) {
  auto* grid = new QGridLayout;
  FilenameB = new QLineEdit(this);
  FilenameB->setObjectName("FilenameB");
  FolderB = new QLineEdit(this);
  FolderB->setObjectName("FolderB");
  BrowseBtn = Button(this, "&Browse...", "BrowseBtn");
  ResolB = new QLineEdit(QString::number(kDefaultExportResolution), this);
  ResolB->setObjectName("ResolB");
  ResolB->setMaxLength(6);
  grid->addWidget(Label(this, "File name:", "FilenameL", FilenameB), 0, 0);
  grid->addWidget(FilenameB, 0, 1);
  grid->addWidget(BrowseBtn, 0, 2);
  grid->addWidget(Label(this, "Folder:", "FolderL", FolderB), 1, 0);
  grid->addWidget(FolderB, 1, 1, 1, 2);
  grid->addWidget(Label(this, "Resolution:", "ResolL", ResolB), 2, 0);
  auto* resolRow = new QHBoxLayout;
  resolRow->addWidget(ResolB);
  resolRow->addWidget(Label(this, "DPI", "ResolUnitL"));
  resolRow->addStretch();
  grid->addLayout(resolRow, 2, 1, 1, 2);
  Body()->addLayout(grid);
  connect(BrowseBtn, &QPushButton::clicked, this, [this] { BrowseBtnClick(); });
}

void TExpBmpDlg::Propose(const std::string& mapPath, const std::string& folder) {
  namespace fs = std::filesystem;
  if (mapPath.empty()) {
    FilenameB->setText("Untitled.bmp");
    FolderB->setText(QString::fromStdString(folder));
    return;
  }
  const fs::path p(mapPath);
  FilenameB->setText(QString::fromStdString(p.stem().string() + ".bmp"));
  FolderB->setText(QString::fromStdString(p.parent_path().string()));
}

void TExpBmpDlg::BrowseBtnClick() {
  if (!chooser_) return;
  namespace fs = std::filesystem;
  const fs::path start = fs::path(FolderB->text().toStdString()) / FilenameB->text().toStdString();
  const std::optional<std::string> chosen =
      chooser_->ChooseFile("Export BMP File;BMP files (*.bmp)|*.bmp|All files (*.*)|*.*", "bmp",
                           start.string(), help::kExportBmp, true);
  if (!chosen) return;
  const fs::path p(*chosen);
  FilenameB->setText(QString::fromStdString(p.filename().string()));
  FolderB->setText(QString::fromStdString(p.parent_path().string()));
}

bool TExpBmpDlg::TakeOver() {
  const std::string name = FilenameB->text().trimmed().toStdString();
  if (name.empty()) {
    Sink().Error(ComposeMessage("File name;must not be empty."));
    FilenameB->setFocus();
    return false;
  }
  int resolution = 0;
  if (const std::string problem = CheckResolution(ResolB->text().toStdString(), &resolution);
      !problem.empty()) {
    Sink().Error(problem);
    ResolB->setFocus();
    ResolB->selectAll();
    return false;
  }
  resolution_ = resolution;
  path_ = (std::filesystem::path(FolderB->text().trimmed().toStdString()) / name).string();
  return true;
}

// --- Printing Options --------------------------------------------------------------------------

TPrOptDlg::TPrOptDlg(PrintSettings& settings, const MapStore& store, MessageSink& sink,
                     HelpRequester* help, QWidget* parent)
    : TZelkDlg(sink, help, "Printing Options", help::kPrintOptions, parent), settings_(settings) {
  auto* grid = new QGridLayout;
  IntensityB = IntSpin(this, "IntensityB", 10, 100, 5);
  LineWidthB = IntSpin(this, "LineWidthB", 10, 100, 5);
  intensityL_ = Label(this, "Intensity:", "IntensityL", IntensityB);
  lineWidthL_ = Label(this, "Line width:", "LineWidthL", LineWidthB);
  grid->addWidget(intensityL_, 0, 0);
  grid->addWidget(IntensityB, 0, 1);
  grid->addWidget(Label(this, "%", "IntensityUnitL"), 0, 2);
  grid->addWidget(lineWidthL_, 1, 0);
  grid->addWidget(LineWidthB, 1, 1);
  grid->addWidget(Label(this, "%", "LineWidthUnitL"), 1, 2);
  Body()->addLayout(grid);
  auto* gridGrp = new QGroupBox("Grid", this);
  auto* g = new QGridLayout(gridGrp);
  GridB = new QCheckBox("Print grid", gridGrp);
  GridB->setObjectName("GridB");
  GridColorB = new QComboBox(gridGrp);
  GridColorB->setObjectName("GridColorB");
  const SymbolHeader& t = store.Colors();
  for (int i = 0; i < std::clamp<int>(t.colorCount, 0, kMaxColors); ++i) {
    GridColorB->addItem(QString::fromStdString(Cp1252ToUtf8(t.colors[size_t(i)].name)));
    colorNumbers_.push_back(t.colors[size_t(i)].colorNumber);
  }
  g->addWidget(GridB, 0, 0, 1, 2);
  g->addWidget(Label(gridGrp, "Grid color:", "GridColorL", GridColorB), 1, 0);
  g->addWidget(GridColorB, 1, 1);
  Body()->addWidget(gridGrp);
  IntensityB->SetValue(settings.intensity == 0 ? 100 : settings.intensity);
  LineWidthB->SetValue(settings.lineWidthPercentage == 0 ? 100 : settings.lineWidthPercentage);
  GridB->setChecked(settings.printGrid);
  const auto it = std::find(colorNumbers_.begin(), colorNumbers_.end(), settings.gridColor);
  if (it != colorNumbers_.end()) GridColorB->setCurrentIndex(int(it - colorNumbers_.begin()));
  // The grid is a printer's: an EPS file has none.
  gridGrp->setEnabled(!settings.toEpsFile);
}

bool TPrOptDlg::TakeOver() {
  if (!Validate(IntensityB, intensityL_, Sink()) || !Validate(LineWidthB, lineWidthL_, Sink()))
    return false;
  settings_.intensity = IntensityB->Value();
  settings_.lineWidthPercentage = LineWidthB->Value();
  settings_.printGrid = GridB->isChecked();
  const int i = GridColorB->currentIndex();
  if (i >= 0 && i < int(colorNumbers_.size())) settings_.gridColor = colorNumbers_[size_t(i)];
  return true;
}

// --- CMYK Separations --------------------------------------------------------------------------

TCmykSepDlg::TCmykSepDlg(SymbolHeader& colors, MessageSink& sink, HelpRequester* help,
                         QWidget* parent)
    : TZelkDlg(sink, help, "CMYK Separations", help::kCmykSeparations, parent), colors_(colors) {
  auto* grid = new QGridLayout;
  grid->addWidget(Label(this, "Frequency", "FreqHeadL"), 0, 1);
  grid->addWidget(Label(this, "Angle", "AngleHeadL"), 0, 3);
  static const char* kFreq[4] = {"CyanFreqB", "MagentaFreqB", "YellowFreqB", "BlackFreqB"};
  static const char* kAngle[4] = {"CyanAngleB", "MagentaAngleB", "YellowAngleB", "BlackAngleB"};
  for (int i = 0; i < 4; ++i) {
    // The map keeps frequencies of 10 to 1000 lines per inch.
    FreqB[i] = RealSpin(this, kFreq[i], 10, 1000, 1, 1);
    AngleB[i] = RealSpin(this, kAngle[i], -360, 360, 1, 1);
    freqL_[i] = new QLabel(QString(ProcessColorName(i)) + ":", this);
    // Names the angle field in messages; the column heading shows it.
    angleL_[i] = new QLabel(QString(ProcessColorName(i)) + " angle:", this);
    angleL_[i]->setVisible(false);
    grid->addWidget(freqL_[i], i + 1, 0);
    grid->addWidget(FreqB[i], i + 1, 1);
    grid->addWidget(new QLabel("DPI", this), i + 1, 2);
    grid->addWidget(AngleB[i], i + 1, 3);
    grid->addWidget(new QLabel("deg", this), i + 1, 4);
    FreqB[i]->SetValue(colors.halftoneFrequency[size_t(i)] * 0.1);
    AngleB[i]->SetValue(colors.halftoneAngle[size_t(i)] * 0.1);
  }
  Body()->addLayout(grid);
  StandardBtn = Button(this, "&Standard", "StandardBtn");
  Body()->addWidget(StandardBtn, 0, Qt::AlignLeft);
  connect(StandardBtn, &QPushButton::clicked, this, [this] { StandardBtnClick(); });
}

void TCmykSepDlg::StandardBtnClick() {
  static constexpr double kAngles[4] = {15, 75, 0, 45};
  for (int i = 0; i < 4; ++i) {
    FreqB[i]->SetValue(150);
    AngleB[i]->SetValue(kAngles[i]);
  }
  OkBtnClick();
}

bool TCmykSepDlg::TakeOver() {
  for (int i = 0; i < 4; ++i) {
    if (!Validate(FreqB[i], freqL_[i], nullptr, Sink()) ||
        !Validate(AngleB[i], angleL_[i], nullptr, Sink()))
      return false;
  }
  for (int i = 0; i < 4; ++i) {
    colors_.halftoneFrequency[size_t(i)] =
        static_cast<int16_t>(std::lround(FreqB[i]->Value() * 10));
    colors_.halftoneAngle[size_t(i)] = static_cast<int16_t>(std::lround(AngleB[i]->Value() * 10));
  }
  return true;
}

// --- Print Window ------------------------------------------------------------------------------

TPrintWinDlg::TPrintWinDlg(PrintSettings& settings, const std::string& printer, int pageWidthMm,
                           int pageHeightMm, double k, const Box& extent, MessageSink& sink,
                           HelpRequester* help, QWidget* parent)
    : TZelkDlg(sink, help, "Print Window", help::kPrintWindow, parent),
      settings_(settings),
      pageW_(pageWidthMm),
      pageH_(pageHeightMm),
      k_(k > 0 ? k : 1),
      extent_(extent) {
  auto* info = new QGridLayout;
  PrinterL = Label(this, "", "PrinterL");
  PageSizeL = Label(this, "", "PageSizeL");
  PrintSizeL = Label(this, "", "PrintSizeL");
  info->addWidget(Label(this, "Printer:", "PrinterCapL"), 0, 0);
  info->addWidget(PrinterL, 0, 1);
  info->addWidget(Label(this, "Page size:", "PageSizeCapL"), 1, 0);
  info->addWidget(PageSizeL, 1, 1);
  info->addWidget(Label(this, "Print size:", "PrintSizeCapL"), 2, 0);
  info->addWidget(PrintSizeL, 2, 1);
  Body()->addLayout(info);
  PrinterL->setText(QString::fromStdString(printer));
  PageSizeL->setText(QString("%1 x %2 mm").arg(pageWidthMm).arg(pageHeightMm));

  auto* row = new QHBoxLayout;
  auto* fields = new QGridLayout;
  LeftB = RealSpin(this, "LeftB", -2000, 2000, 5, 2);
  RightB = RealSpin(this, "RightB", -2000, 2000, 5, 2);
  BottomB = RealSpin(this, "BottomB", -2000, 2000, 5, 2);
  TopB = RealSpin(this, "TopB", -2000, 2000, 5, 2);
  HorOvlB = IntSpin(this, "HorOvlB", 0, 100, 1);
  VerOvlB = IntSpin(this, "VerOvlB", 0, 100, 1);
  const std::pair<const char*, QWidget*> rows[] = {{"Left:", LeftB},
                                                   {"Right:", RightB},
                                                   {"Bottom:", BottomB},
                                                   {"Top:", TopB},
                                                   {"Horizontal overlap:", HorOvlB},
                                                   {"Vertical overlap:", VerOvlB}};
  int r = 0;
  for (const auto& [caption, field] : rows) {
    fields->addWidget(Label(this, caption, "", field), r, 0);
    fields->addWidget(field, r, 1);
    fields->addWidget(new QLabel("mm", this), r, 2);
    ++r;
  }
  PageSizeBtn = Button(this, "To page size", "PageSizeBtn");
  MapSizeBtn = Button(this, "To map size", "MapSizeBtn");
  fields->addWidget(PageSizeBtn, r, 0, 1, 3);
  fields->addWidget(MapSizeBtn, r + 1, 0, 1, 3);
  row->addLayout(fields);
  PreviewB = new PagePreview(this, this);
  PreviewB->setObjectName("PreviewB");
  row->addWidget(PreviewB, 1);
  Body()->addLayout(row);

  Box w = settings.window;
  if (w.right <= w.left || w.top <= w.bottom) w = extent;
  LeftB->SetValue(Mm(w.left));
  RightB->SetValue(Mm(w.right));
  BottomB->SetValue(Mm(w.bottom));
  TopB->SetValue(Mm(w.top));
  HorOvlB->SetValue(settings.horizontalOverlap);
  VerOvlB->SetValue(settings.verticalOverlap);
  for (SpinField* f :
       std::initializer_list<SpinField*>{LeftB, RightB, BottomB, TopB, HorOvlB, VerOvlB})
    connect(f, &QLineEdit::textChanged, this, [this] { Refresh(); });
  connect(PageSizeBtn, &QPushButton::clicked, this, [this] { PageSizeBtnClick(); });
  connect(MapSizeBtn, &QPushButton::clicked, this, [this] { MapSizeBtnClick(); });
  Refresh();
}

Box TPrintWinDlg::FieldWindow() const {
  return Box{Word(LeftB->Value()), Word(BottomB->Value()), Word(RightB->Value()),
             Word(TopB->Value())};
}

PageLayout TPrintWinDlg::FieldLayout() const {
  return ComputePageLayout(FieldWindow(), k_, pageW_, pageH_, HorOvlB->Value(), VerOvlB->Value());
}

void TPrintWinDlg::Refresh() {
  const Box w = FieldWindow();
  const double wMm = (RightB->Value() - LeftB->Value()) * k_;
  const double hMm = (TopB->Value() - BottomB->Value()) * k_;
  if (w.right > w.left && w.top > w.bottom) {
    const PageLayout l = FieldLayout();
    PrintSizeL->setText(QString("%1 x %2 mm, %3 x %4 pages")
                            .arg(QString::fromStdString(FormatNumber(wMm, 1)))
                            .arg(QString::fromStdString(FormatNumber(hMm, 1)))
                            .arg(l.across)
                            .arg(l.down));
  } else {
    PrintSizeL->setText("");
  }
  PreviewB->update();
}

void TPrintWinDlg::PageSizeBtnClick() {
  // One page, about the window's centre.
  const double cx = (LeftB->Value() + RightB->Value()) / 2;
  const double cy = (BottomB->Value() + TopB->Value()) / 2;
  const double w = pageW_ / k_, h = pageH_ / k_;
  LeftB->SetValue(cx - w / 2);
  RightB->SetValue(cx + w / 2);
  BottomB->SetValue(cy - h / 2);
  TopB->SetValue(cy + h / 2);
}

void TPrintWinDlg::MapSizeBtnClick() {
  LeftB->SetValue(Mm(extent_.left));
  RightB->SetValue(Mm(extent_.right));
  BottomB->SetValue(Mm(extent_.bottom));
  TopB->SetValue(Mm(extent_.top));
}

bool TPrintWinDlg::TakeOver() {
  for (SpinField* f : std::initializer_list<SpinField*>{LeftB, RightB, BottomB, TopB}) {
    if (!Validate(static_cast<TRealSpin*>(f), nullptr, nullptr, Sink())) return false;
  }
  if (!Validate(HorOvlB, nullptr, Sink()) || !Validate(VerOvlB, nullptr, Sink())) return false;
  if (RightB->Value() <= LeftB->Value()) {
    Sink().Error("Right boundary must be greater than left boundary.");
    RightB->setFocus();
    return false;
  }
  if (TopB->Value() <= BottomB->Value()) {
    Sink().Error("Top boundary must be greater than bottom boundary.");
    TopB->setFocus();
    return false;
  }
  settings_.window = FieldWindow();
  settings_.horizontalOverlap = HorOvlB->Value();
  settings_.verticalOverlap = VerOvlB->Value();
  return true;
}

// --- Abort -------------------------------------------------------------------------------------

TAbortPrintDlg::TAbortPrintDlg(const std::string& document, QWidget* parent) : QDialog(parent) {
  setWindowTitle("ZELK");
  auto* v = new QVBoxLayout(this);
  v->addWidget(new QLabel("Printing:", this));
  NameL = new QLabel(QString::fromStdString(document), this);
  NameL->setObjectName("NameL");
  v->addWidget(NameL);
  CancelBtn = new QPushButton("Cancel", this);
  CancelBtn->setObjectName("CancelBtn");
  v->addWidget(CancelBtn, 0, Qt::AlignHCenter);
  connect(CancelBtn, &QPushButton::clicked, this, [this] { aborted_ = true; });
}

// --- Print -------------------------------------------------------------------------------------

TPrintDlg::TPrintDlg(PrintSettings& settings, MapStore& store, PrintDialogServices* services,
                     MessageSink& sink, HelpRequester* help, QWidget* parent)
    : TZelkDlg(sink, help, "Print", 0, parent),
      settings_(settings),
      store_(store),
      services_(services) {
  auto* top = new QGridLayout;
  PrinterB = new QComboBox(this);
  PrinterB->setObjectName("PrinterB");
  if (services_)
    for (const std::string& p : services_->Printers()) PrinterB->addItem(QString::fromStdString(p));
  PropertiesBtn = Button(this, "Properties...", "PropertiesBtn");
  top->addWidget(Label(this, "Printer:", "PrinterL", PrinterB), 0, 0);
  top->addWidget(PrinterB, 0, 1);
  top->addWidget(PropertiesBtn, 0, 2);
  Body()->addLayout(top);

  auto* groups = new QHBoxLayout;
  PrintGrp = new QGroupBox("Print", this);
  PrintGrp->setObjectName("PrintGrp");
  auto* pv = new QVBoxLayout(PrintGrp);
  ColorMapRb = new QRadioButton("Color map", PrintGrp);
  CmykRb = new QRadioButton("CMYK separations", PrintGrp);
  SpotRb = new QRadioButton("Spot color separations", PrintGrp);
  for (QRadioButton* b : {ColorMapRb, CmykRb, SpotRb}) pv->addWidget(b);
  PrinterGrp = new QGroupBox("Print to", this);
  PrinterGrp->setObjectName("PrinterGrp");
  auto* dv = new QVBoxLayout(PrinterGrp);
  PrinterRb = new QRadioButton("Printer", PrinterGrp);
  EpsRb = new QRadioButton("EPS file", PrinterGrp);
  dv->addWidget(PrinterRb);
  dv->addWidget(EpsRb);
  groups->addWidget(PrintGrp);
  groups->addWidget(PrinterGrp);
  Body()->addLayout(groups);

  auto* scales = new QGridLayout;
  MapScaleL = Label(this, "", "MapScaleL");
  MapScaleL->setText(QString::fromStdString("1:" + FormatNumber(store.Setup().MapScale(), 2)));
  PrintScaleB = new QComboBox(this);
  PrintScaleB->setObjectName("PrintScaleB");
  PrintScaleB->setEditable(true);
  PrintScaleB->setInsertPolicy(QComboBox::NoInsert);
  for (const char* s : {"5000", "7500", "10000", "12500", "15000", "20000", "25000", "50000"})
    PrintScaleB->addItem(s);
  CopiesB = IntSpin(this, "CopiesB", 1, kMaxCopies, 1);
  copiesL_ = Label(this, "Copies:", "CopiesL", CopiesB);
  ToFileB = new QCheckBox("Print to file", this);
  ToFileB->setObjectName("ToFileB");
  scales->addWidget(Label(this, "Map scale:", "MapScaleCapL"), 0, 0);
  scales->addWidget(MapScaleL, 0, 1);
  scales->addWidget(Label(this, "Print scale:", "PrintScaleL", PrintScaleB), 1, 0);
  scales->addWidget(PrintScaleB, 1, 1);
  scales->addWidget(copiesL_, 2, 0);
  scales->addWidget(CopiesB, 2, 1);
  scales->addWidget(ToFileB, 3, 0, 1, 2);
  auto* seps = new QVBoxLayout;
  SeparationB = new QListWidget(this);
  SeparationB->setObjectName("SeparationB");
  SeparationB->setSelectionMode(QAbstractItemView::MultiSelection);
  seps->addWidget(Label(this, "Color separations:", "SeparationL", SeparationB));
  seps->addWidget(SeparationB);
  auto* mid = new QHBoxLayout;
  mid->addLayout(scales);
  mid->addLayout(seps);
  Body()->addLayout(mid);

  auto* buttons = new QHBoxLayout;
  WindowBtn = Button(this, "Window...", "WindowBtn");
  OptionsBtn = Button(this, "Options...", "OptionsBtn");
  CmykBtn = Button(this, "CM&YK...", "CmykBtn");
  buttons->addWidget(WindowBtn);
  buttons->addWidget(OptionsBtn);
  buttons->addWidget(CmykBtn);
  buttons->addStretch();
  Body()->addLayout(buttons);

  (settings.kind == PrintKind::CmykSeparations   ? CmykRb
   : settings.kind == PrintKind::SpotSeparations ? SpotRb
                                                 : ColorMapRb)
      ->setChecked(true);
  (settings.toEpsFile ? EpsRb : PrinterRb)->setChecked(true);
  const double scale = settings.printScale > 0 ? settings.printScale : store.Setup().MapScale();
  PrintScaleB->setEditText(QString::fromStdString(FormatNumber(scale, 2)));
  CopiesB->SetValue(std::clamp(settings.copies, 1, kMaxCopies));
  ToFileB->setChecked(settings.toFile || PrinterB->count() == 0);
  KindChanged();
  DeviceChanged();
  for (QRadioButton* b : {ColorMapRb, CmykRb, SpotRb})
    connect(b, &QRadioButton::toggled, this, [this] { KindChanged(); });
  for (QRadioButton* b : {PrinterRb, EpsRb})
    connect(b, &QRadioButton::toggled, this, [this] { DeviceChanged(); });
  connect(PropertiesBtn, &QPushButton::clicked, this, [this] { PropertiesBtnClick(); });
  connect(WindowBtn, &QPushButton::clicked, this, [this] { WindowBtnClick(); });
  connect(OptionsBtn, &QPushButton::clicked, this, [this] {
    PrintSettings copy = settings_;
    copy.toEpsFile = EpsRb->isChecked();
    TPrOptDlg dlg(copy, store_, Sink(), Help(), this);
    if (dlg.exec() == QDialog::Accepted) settings_ = copy;
  });
  connect(CmykBtn, &QPushButton::clicked, this, [this] {
    SymbolHeader copy = store_.Colors();
    TCmykSepDlg dlg(copy, Sink(), Help(), this);
    if (dlg.exec() != QDialog::Accepted) return;
    SymbolHeader& colors = store_.MutableColors();
    colors.halftoneFrequency = copy.halftoneFrequency;
    colors.halftoneAngle = copy.halftoneAngle;
    store_.WriteSymbolHeader();
    store_.SetModified(true);
  });
}

std::string TPrintDlg::Printer() const {
  return PrinterB->currentText().toStdString();
}

void TPrintDlg::KindChanged() {
  SeparationB->clear();
  if (CmykRb->isChecked()) {
    for (int i = 0; i < 4; ++i) SeparationB->addItem(ProcessColorName(i));
  } else if (SpotRb->isChecked()) {
    const SymbolHeader& t = store_.Colors();
    for (int i = 0; i < std::clamp<int>(t.separationCount, 0, kMaxSeparations); ++i)
      SeparationB->addItem(QString::fromStdString(Cp1252ToUtf8(t.separations[size_t(i)].name)));
  }
  const bool kindMatches = (CmykRb->isChecked() && settings_.kind == PrintKind::CmykSeparations) ||
                           (SpotRb->isChecked() && settings_.kind == PrintKind::SpotSeparations);
  for (int i = 0; i < SeparationB->count(); ++i) {
    const bool chosen =
        !kindMatches || std::find(settings_.separations.begin(), settings_.separations.end(), i) !=
                            settings_.separations.end();
    SeparationB->item(i)->setSelected(chosen);
  }
  SeparationB->setEnabled(!ColorMapRb->isChecked());
}

void TPrintDlg::DeviceChanged() {
  const bool eps = EpsRb->isChecked();
  PrinterB->setEnabled(!eps && PrinterB->count() > 0);
  CopiesB->setEnabled(!eps);
  ToFileB->setEnabled(!eps && PrinterB->count() > 0);
  PropertiesBtn->setEnabled(eps || PrinterB->count() > 0);
}

void TPrintDlg::PropertiesBtnClick() {
  if (EpsRb->isChecked()) {
    TEpsStpDlg dlg(settings_.standardFonts, Sink(), Help(), this);
    if (dlg.exec() == QDialog::Accepted) settings_.standardFonts = dlg.StandardFonts();
    return;
  }
  if (services_) services_->PrinterProperties(Printer(), this);
}

double TPrintDlg::FieldScale() const {
  const RealText t = ReadRealText(PrintScaleB->currentText().toStdString());
  return t.isNumber ? t.value : 0;
}

void TPrintDlg::WindowBtnClick() {
  int w = 200, h = 287;
  if (services_ && !EpsRb->isChecked())
    services_->PrintableArea(ToFileB->isChecked() ? std::string() : Printer(), &w, &h);
  const double scale = FieldScale();
  const double k = scale >= 1 ? store_.Setup().MapScale() / scale : 1.0;
  Box extent{-1280000, -1280000, 1280000, 1280000};
  store_.MapExtent(&extent);
  TPrintWinDlg dlg(settings_, Printer(), w, h, k, extent, Sink(), Help(), this);
  dlg.exec();
}

bool TPrintDlg::TakeOver() {
  const double scale = FieldScale();
  if (scale < 1 || scale > 1e9) {
    Sink().Error(ComposeMessage(";must be between;and", "Print scale;1;1000000000"));
    PrintScaleB->setFocus();
    return false;
  }
  if (!Validate(CopiesB, copiesL_, Sink())) return false;
  settings_.kind = CmykRb->isChecked()   ? PrintKind::CmykSeparations
                   : SpotRb->isChecked() ? PrintKind::SpotSeparations
                                         : PrintKind::ColorMap;
  settings_.toEpsFile = EpsRb->isChecked();
  settings_.printScale = scale;
  settings_.copies = CopiesB->Value();
  settings_.toFile = ToFileB->isChecked();
  settings_.separations.clear();
  for (int i = 0; i < SeparationB->count(); ++i)
    if (SeparationB->item(i)->isSelected()) settings_.separations.push_back(i);
  return true;
}

}  // namespace zelk
