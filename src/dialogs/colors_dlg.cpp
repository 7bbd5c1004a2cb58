// The colour table dialogs.
#include "dialogs/colors_dlg.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QTableWidget>
#include <cmath>

#include "dialogs/number_text.h"
#include "dialogs/spin_edit.h"
#include "render/screen_color.h"
#include "storage/color_table.h"
#include "storage/map_store.h"
#include "storage/messages.h"

namespace zelk {

namespace {
TRealSpin* PercentSpin(QWidget* parent, const char* name) {
  auto* f = new TRealSpin(parent);
  f->setObjectName(name);
  f->SetRange(0, 100);
  f->SetDecimals(1);
  f->SetIncrement(1);
  return f;
}

QLabel* Label(QWidget* parent, const char* caption, const char* name, QWidget* buddy = nullptr) {
  auto* l = new QLabel(caption, parent);
  l->setObjectName(name);
  if (buddy) l->setBuddy(buddy);
  return l;
}

QPushButton* Button(QWidget* parent, const char* caption, const char* name) {
  auto* b = new QPushButton(caption, parent);
  b->setObjectName(name);
  b->setAutoDefault(false);
  return b;
}

QString Text(const std::string& s) {
  return QString::fromLatin1(s.data(), static_cast<int>(s.size()));
}
std::string Latin1(const QString& s) {
  return s.toLatin1().toStdString();
}

// A grid cell that is read and written as text.
void SetCell(QTableWidget* grid, int row, int col, const QString& text, bool editable) {
  auto* item = new QTableWidgetItem(text);
  Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  if (editable) flags |= Qt::ItemIsEditable;
  item->setFlags(flags);
  grid->setItem(row, col, item);
}

QString CellText(const QTableWidget* grid, int row, int col) {
  const QTableWidgetItem* item = grid->item(row, col);
  return item ? item->text() : QString();
}

// Checks the separation cells of one grid row; stores them into `shares` when all are good.
bool ReadShares(QTableWidget* grid, int row, int firstColumn, int count, MessageSink& sink,
                std::array<uint8_t, kColorSeparationShares>* shares) {
  std::array<uint8_t, kColorSeparationShares> out = *shares;
  for (int s = 0; s < count; ++s) {
    const ShareCell cell = ReadSeparationShare(Latin1(CellText(grid, row, firstColumn + s)));
    if (!cell.value) {
      grid->setCurrentCell(row, firstColumn + s);
      grid->setFocus(Qt::OtherFocusReason);
      sink.Error(cell.problem);
      return false;
    }
    out[static_cast<size_t>(s)] = *cell.value;
  }
  *shares = out;
  return true;
}
}  // namespace

QColor ScreenQColor(const std::array<uint8_t, 4>& cmyk) {
  const Rgb rgb = ScreenColor({cmyk[0], cmyk[1], cmyk[2], cmyk[3]});
  return QColor(rgb.r, rgb.g, rgb.b);
}

ColorSwatch::ColorSwatch(QWidget* parent) : QWidget(parent) {
  setMinimumSize(60, 40);
}

void ColorSwatch::SetCmyk(const std::array<uint8_t, 4>& cmyk) {
  color_ = ScreenQColor(cmyk);
  update();
}

void ColorSwatch::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), color_);
  p.setPen(Qt::black);
  p.drawRect(rect().adjusted(0, 0, -1, -1));
}

// --- Define Color ---------------------------------------------------------------------------

TDefColorDlg::TDefColorDlg(SymbolHeader& table, int current, const ColorSet& symbolColors,
                           MessageSink& sink, HelpRequester* help, QWidget* parent)
    : TZelkDlg(sink, help, "Define Color", help::kDefineColor, parent),
      table_(table),
      symbolColors_(symbolColors),
      current_(current) {
  NormalizeCounts(table_);
  current_ = std::clamp(current_, 0, table_.colorCount - 1);
  auto* grid = new QGridLayout;
  NameB = new QLineEdit(this);
  NameB->setObjectName("NameB");
  NameB->setMaxLength(31);
  grid->addWidget(Label(this, "&Name:", "NameL", NameB), 0, 0);
  grid->addWidget(NameB, 0, 1, 1, 4);
  CyanB = PercentSpin(this, "CyanB");
  MagentaB = PercentSpin(this, "MagentaB");
  YellowB = PercentSpin(this, "YellowB");
  BlackB = PercentSpin(this, "BlackB");
  RedB = PercentSpin(this, "RedB");
  GreenB = PercentSpin(this, "GreenB");
  BlueB = PercentSpin(this, "BlueB");
  const char* cmykNames[4] = {"&Cyan:", "&Magenta:", "&Yellow:", "Blac&k:"};
  const char* cmykLabelNames[4] = {"CyanL", "MagentaL", "YellowL", "BlackL"};
  TRealSpin* cmyk[4] = {CyanB, MagentaB, YellowB, BlackB};
  for (int i = 0; i < 4; ++i) {
    cmykLabels_[i] = Label(this, cmykNames[i], cmykLabelNames[i], cmyk[i]);
    grid->addWidget(cmykLabels_[i], 1 + i, 0);
    grid->addWidget(cmyk[i], 1 + i, 1);
    grid->addWidget(new QLabel("%", this), 1 + i, 2);
    connect(cmyk[i], &QLineEdit::textChanged, this, [this] { CmykChanged(); });
  }
  const char* rgbNames[3] = {"&Red:", "&Green:", "&Blue:"};
  const char* rgbLabelNames[3] = {"RedL", "GreenL", "BlueL"};
  TRealSpin* rgb[3] = {RedB, GreenB, BlueB};
  for (int i = 0; i < 3; ++i) {
    rgbLabels_[i] = Label(this, rgbNames[i], rgbLabelNames[i], rgb[i]);
    grid->addWidget(rgbLabels_[i], 1 + i, 3);
    grid->addWidget(rgb[i], 1 + i, 4);
    grid->addWidget(new QLabel("%", this), 1 + i, 5);
    connect(rgb[i], &QLineEdit::textChanged, this, [this] { RgbChanged(); });
  }
  PreviewB = new ColorSwatch(this);
  PreviewB->setObjectName("PreviewB");
  grid->addWidget(PreviewB, 4, 3, 1, 3);
  Body()->addLayout(grid);
  ColSepB = new QTableWidget(2, std::max<int>(table_.separationCount, 1), this);
  ColSepB->setObjectName("ColSepB");
  ColSepB->horizontalHeader()->hide();
  ColSepB->verticalHeader()->hide();
  ColSepB->setMaximumHeight(70);
  Body()->addWidget(Label(this, "Color &separations:", "ColSepL", ColSepB));
  Body()->addWidget(ColSepB);
  auto* buttons = new QHBoxLayout;
  NewBtn = Button(this, "&New", "NewBtn");
  DeleteBtn = Button(this, "De&lete", "DeleteBtn");
  PreviousBtn = Button(this, "&Previous", "PreviousBtn");
  NextBtn = Button(this, "Ne&xt", "NextBtn");
  for (QPushButton* b : {NewBtn, DeleteBtn, PreviousBtn, NextBtn}) buttons->addWidget(b);
  Body()->addLayout(buttons);
  connect(NewBtn, &QPushButton::clicked, this, &TDefColorDlg::NewBtnClick);
  connect(DeleteBtn, &QPushButton::clicked, this, &TDefColorDlg::DeleteBtnClick);
  connect(PreviousBtn, &QPushButton::clicked, this, &TDefColorDlg::PreviousBtnClick);
  connect(NextBtn, &QPushButton::clicked, this, &TDefColorDlg::NextBtnClick);
  setTabOrder(NameB, CyanB);
  setTabOrder(CyanB, MagentaB);
  setTabOrder(MagentaB, YellowB);
  setTabOrder(YellowB, BlackB);
  setTabOrder(BlackB, RedB);
  setTabOrder(RedB, GreenB);
  setTabOrder(GreenB, BlueB);
  setTabOrder(BlueB, ColSepB);
  ShowColor();
}

void TDefColorDlg::ShowColor() {
  const ColorRecord& c = table_.colors[static_cast<size_t>(current_)];
  NameB->setText(Text(c.name));
  inStep_ = true;
  CyanB->SetValue(c.cmyk[0] * 0.5);
  MagentaB->SetValue(c.cmyk[1] * 0.5);
  YellowB->SetValue(c.cmyk[2] * 0.5);
  BlackB->SetValue(c.cmyk[3] * 0.5);
  inStep_ = false;
  CmykChanged();
  const int n = table_.separationCount;
  ColSepB->setColumnCount(std::max(n, 0));
  for (int s = 0; s < n; ++s) {
    SetCell(ColSepB, 0, s, Text(table_.separations[static_cast<size_t>(s)].name), false);
    SetCell(ColSepB, 1, s, Text(SeparationShareText(c.separations[static_cast<size_t>(s)])), true);
  }
  UpdateButtons();
}

void TDefColorDlg::UpdateButtons() {
  NewBtn->setEnabled(table_.colorCount < kMaxColors);
  DeleteBtn->setEnabled(table_.colorCount > 1);
  PreviousBtn->setEnabled(current_ > 0);
  NextBtn->setEnabled(current_ + 1 < table_.colorCount);
}

void TDefColorDlg::CmykChanged() {
  if (!inStep_) {
    inStep_ = true;
    const RgbPercent rgb =
        CmykToRgb({CyanB->Value(), MagentaB->Value(), YellowB->Value(), BlackB->Value()});
    RedB->SetValue(rgb.r);
    GreenB->SetValue(rgb.g);
    BlueB->SetValue(rgb.b);
    inStep_ = false;
  }
  PreviewB->SetCmyk({PercentToByte(CyanB->Value()), PercentToByte(MagentaB->Value()),
                     PercentToByte(YellowB->Value()), PercentToByte(BlackB->Value())});
}

void TDefColorDlg::RgbChanged() {
  if (inStep_) return;
  inStep_ = true;
  const CmykPercent c = RgbToCmyk({RedB->Value(), GreenB->Value(), BlueB->Value()});
  CyanB->SetValue(c.c);
  MagentaB->SetValue(c.m);
  YellowB->SetValue(c.y);
  BlackB->SetValue(c.k);
  inStep_ = false;
  CmykChanged();
}

bool TDefColorDlg::StoreColor() {
  TRealSpin* cmyk[4] = {CyanB, MagentaB, YellowB, BlackB};
  for (int i = 0; i < 4; ++i)
    if (!Validate(cmyk[i], cmykLabels_[i], nullptr, Sink())) return false;
  TRealSpin* rgb[3] = {RedB, GreenB, BlueB};
  for (int i = 0; i < 3; ++i)
    if (!Validate(rgb[i], rgbLabels_[i], nullptr, Sink())) return false;
  ColorRecord& c = table_.colors[static_cast<size_t>(current_)];
  std::array<uint8_t, kColorSeparationShares> shares = c.separations;
  if (!ReadShares(ColSepB, 1, 0, table_.separationCount, Sink(), &shares)) return false;
  c.name = Latin1(NameB->text()).substr(0, 31);
  for (int i = 0; i < 4; ++i) c.cmyk[static_cast<size_t>(i)] = PercentToByte(cmyk[i]->Value());
  c.separations = shares;
  return true;
}

void TDefColorDlg::NewBtnClick() {
  if (!StoreColor()) return;
  const int at = InsertColor(table_, current_, symbolColors_);
  if (at >= 0) current_ = at;
  ShowColor();
}

void TDefColorDlg::DeleteBtnClick() {
  if (DeleteColor(table_, &current_)) ShowColor();
}

void TDefColorDlg::PreviousBtnClick() {
  if (current_ <= 0 || !StoreColor()) return;
  --current_;
  ShowColor();
}

void TDefColorDlg::NextBtnClick() {
  if (current_ + 1 >= table_.colorCount || !StoreColor()) return;
  ++current_;
  ShowColor();
}

bool TDefColorDlg::TakeOver() {
  return StoreColor();
}

// --- Color Separation -----------------------------------------------------------------------

TColorSepDlg::TColorSepDlg(SymbolHeader& table, MessageSink& sink, HelpRequester* help,
                           QWidget* parent)
    : TZelkDlg(sink, help, "Color Separation", help::kColorSeparation, parent), table_(table) {
  NormalizeCounts(table_);
  if (table_.separationCount == 0) {
    current_ = AppendSeparation(table_);
    freshLast_ = true;
  }
  auto* grid = new QGridLayout;
  NameB = new QLineEdit(this);
  NameB->setObjectName("NameB");
  NameB->setMaxLength(8);
  FreqB = new TRealSpin(this);
  FreqB->setObjectName("FreqB");
  FreqB->SetRange(10, 1000);
  FreqB->SetDecimals(1);
  FreqB->SetIncrement(1);
  AngleB = new TRealSpin(this);
  AngleB->setObjectName("AngleB");
  AngleB->SetRange(-360, 360);
  AngleB->SetDecimals(1);
  AngleB->SetIncrement(1);
  FreqL = Label(this, "Halftone &frequency:", "FreqL", FreqB);
  FreqUnitL = Label(this, "DPI", "FreqUnitL");
  AngleL = Label(this, "Halftone &angle:", "AngleL", AngleB);
  AngleUnitL = Label(this, "deg", "AngleUnitL");
  grid->addWidget(Label(this, "&Name:", "NameL", NameB), 0, 0);
  grid->addWidget(NameB, 0, 1);
  grid->addWidget(FreqL, 1, 0);
  grid->addWidget(FreqB, 1, 1);
  grid->addWidget(FreqUnitL, 1, 2);
  grid->addWidget(AngleL, 2, 0);
  grid->addWidget(AngleB, 2, 1);
  grid->addWidget(AngleUnitL, 2, 2);
  Body()->addLayout(grid);
  auto* buttons = new QHBoxLayout;
  NewBtn = Button(this, "&New", "NewBtn");
  DeleteBtn = Button(this, "De&lete", "DeleteBtn");
  PreviousBtn = Button(this, "&Previous", "PreviousBtn");
  NextBtn = Button(this, "Ne&xt", "NextBtn");
  for (QPushButton* b : {NewBtn, DeleteBtn, PreviousBtn, NextBtn}) buttons->addWidget(b);
  Body()->addLayout(buttons);
  connect(NewBtn, &QPushButton::clicked, this, &TColorSepDlg::NewBtnClick);
  connect(DeleteBtn, &QPushButton::clicked, this, &TColorSepDlg::DeleteBtnClick);
  connect(PreviousBtn, &QPushButton::clicked, this, &TColorSepDlg::PreviousBtnClick);
  connect(NextBtn, &QPushButton::clicked, this, &TColorSepDlg::NextBtnClick);
  ShowSeparation();
}

void TColorSepDlg::ShowSeparation() {
  const SeparationRecord& s = table_.separations[static_cast<size_t>(current_)];
  NameB->setText(Text(s.name));
  FreqB->SetValue(s.frequency * 0.1);
  AngleB->SetValue(s.angle * 0.1);
  UpdateButtons();
}

void TColorSepDlg::UpdateButtons() {
  NewBtn->setEnabled(table_.separationCount < kMaxSeparations);
  DeleteBtn->setEnabled(table_.separationCount > 0);
  PreviousBtn->setEnabled(current_ > 0);
  NextBtn->setEnabled(current_ + 1 < table_.separationCount);
}

bool TColorSepDlg::StoreSeparation() {
  const std::string name = SeparationName(Latin1(NameB->text()));
  if (name.empty()) {
    Sink().Error("Separation name is empty.");
    NameB->setFocus(Qt::OtherFocusReason);
    return false;
  }
  if (!Validate(FreqB, FreqL, FreqUnitL, Sink()) || !Validate(AngleB, AngleL, AngleUnitL, Sink()))
    return false;
  SeparationRecord& s = table_.separations[static_cast<size_t>(current_)];
  s.name = name;
  s.frequency = static_cast<int16_t>(std::nearbyint(FreqB->Value() * 10));
  s.angle = static_cast<int16_t>(std::nearbyint(AngleB->Value() * 10));
  return true;
}

void TColorSepDlg::NewBtnClick() {
  if (table_.separationCount >= kMaxSeparations || !StoreSeparation()) return;
  current_ = AppendSeparation(table_);
  freshLast_ = true;
  ShowSeparation();
}

void TColorSepDlg::DeleteBtnClick() {
  DeleteSeparation(table_, &current_);
  freshLast_ = false;
  ShowSeparation();
}

void TColorSepDlg::PreviousBtnClick() {
  if (current_ <= 0 || !StoreSeparation()) return;
  --current_;
  freshLast_ = false;
  ShowSeparation();
}

void TColorSepDlg::NextBtnClick() {
  if (current_ + 1 >= table_.separationCount || !StoreSeparation()) return;
  ++current_;
  freshLast_ = false;
  ShowSeparation();
}

void TColorSepDlg::reject() {
  if (freshLast_ && table_.separationCount > 0) {
    const int last = table_.separationCount - 1;
    table_.separations[static_cast<size_t>(last)] = SeparationRecord{};
    for (ColorRecord& c : table_.colors) c.separations[static_cast<size_t>(last)] = 255;
    --table_.separationCount;
    freshLast_ = false;
  }
  TZelkDlg::reject();
}

bool TColorSepDlg::TakeOver() {
  return StoreSeparation();
}

// --- Colors ---------------------------------------------------------------------------------

TColorsDlg::TColorsDlg(MapStore& store, MessageSink& sink, HelpRequester* help, QWidget* parent)
    : TZelkDlg(sink, help, "Colors", help::kColors, parent), store_(store) {
  saved_ = store_.Colors();
  NormalizeCounts(store_.MutableColors());
  ColorB = new QTableWidget(this);
  ColorB->setObjectName("ColorB");
  ColorB->verticalHeader()->hide();
  ColorB->setSelectionMode(QAbstractItemView::SingleSelection);
  ColorB->setMinimumSize(520, 320);
  Body()->addWidget(ColorB);
  auto* buttons = new QHBoxLayout;
  ColorBtn = Button(this, "C&olor...", "ColorBtn");
  SepBtn = Button(this, "&Separation...", "SepBtn");
  MoveUpBtn = Button(this, "Move &up", "MoveUpBtn");
  MoveDnBtn = Button(this, "Move &down", "MoveDnBtn");
  for (QPushButton* b : {ColorBtn, SepBtn, MoveUpBtn, MoveDnBtn}) buttons->addWidget(b);
  buttons->addStretch(1);
  Body()->addLayout(buttons);
  connect(ColorBtn, &QPushButton::clicked, this, &TColorsDlg::ColorBtnClick);
  connect(SepBtn, &QPushButton::clicked, this, &TColorsDlg::SepBtnClick);
  connect(MoveUpBtn, &QPushButton::clicked, this, &TColorsDlg::MoveUpBtnClick);
  connect(MoveDnBtn, &QPushButton::clicked, this, &TColorsDlg::MoveDnBtnClick);
  connect(ColorB, &QTableWidget::cellClicked, this, [this](int row, int) { SetCurrent(row); });
  connect(ColorB, &QTableWidget::currentCellChanged, this, [this](int row, int, int, int) {
    if (row >= 0) current_ = row;
  });
  FillGrid();
}

ColorSet TColorsDlg::SymbolColors(const MapStore& store) {
  ColorSet s;
  for (int i = 0; i < store.SymbolCount(); ++i) s.Unite(store.Symbol(i).Colors());
  return s;
}

void TColorsDlg::FillGrid() {
  const SymbolHeader& h = store_.Colors();
  const int seps = h.separationCount;
  ColorB->blockSignals(true);
  ColorB->clear();
  ColorB->setRowCount(h.colorCount);
  ColorB->setColumnCount(kFirstSeparationColumn + seps);
  QStringList headers = {"No.", "Name", ""};
  for (int s = 0; s < seps; ++s) headers << Text(h.separations[static_cast<size_t>(s)].name);
  ColorB->setHorizontalHeaderLabels(headers);
  for (int i = 0; i < h.colorCount; ++i) {
    const ColorRecord& c = h.colors[static_cast<size_t>(i)];
    // A renumbered colour takes its symbols along on OK.
    SetCell(ColorB, i, kNumberColumn, QString::number(c.colorNumber), true);
    SetCell(ColorB, i, kNameColumn, Text(c.name), true);
    auto* swatch = new QTableWidgetItem;
    swatch->setFlags(Qt::ItemIsEnabled);
    swatch->setBackground(ScreenQColor(c.cmyk));
    ColorB->setItem(i, kSwatchColumn, swatch);
    for (int s = 0; s < seps; ++s)
      SetCell(ColorB, i, kFirstSeparationColumn + s,
              Text(SeparationShareText(c.separations[static_cast<size_t>(s)])), true);
  }
  ColorB->setColumnWidth(kNumberColumn, 40);
  ColorB->setColumnWidth(kNameColumn, 160);
  ColorB->setColumnWidth(kSwatchColumn, 40);
  ColorB->blockSignals(false);
  SetCurrent(std::clamp(current_, 0, h.colorCount - 1));
}

void TColorsDlg::SetCurrent(int index) {
  if (index < 0 || index >= store_.Colors().colorCount) return;
  current_ = index;
  const int col = std::max(ColorB->currentColumn(), kNameColumn);
  ColorB->setCurrentCell(index, col == kSwatchColumn ? kNameColumn : col);
  if (ColorB->item(index, kNumberColumn)) ColorB->scrollToItem(ColorB->item(index, kNumberColumn));
  MoveUpBtn->setEnabled(index > 0);
  MoveDnBtn->setEnabled(index + 1 < store_.Colors().colorCount);
}

bool TColorsDlg::StoreGrid() {
  SymbolHeader& h = store_.MutableColors();
  // A cell being typed into is committed first.
  if (QWidget* editor = ColorB->focusWidget(); editor && editor != ColorB)
    ColorB->setFocus(Qt::OtherFocusReason);
  // Numbers first: whole numbers 0..255, each used once.
  std::vector<int16_t> numbers;
  for (int i = 0; i < h.colorCount; ++i) {
    const std::string text = Latin1(CellText(ColorB, i, kNumberColumn));
    const IntegerText t = ReadIntegerText(text);
    std::string problem;
    if (!t.isNumber || t.empty)
      problem = ComposeMessage(";must be a number.", "No.");
    else if (t.value < 0 || t.value > 255)
      problem = ComposeMessage(";must be between;and", "No.;0;255");
    else if (std::find(numbers.begin(), numbers.end(), t.value) != numbers.end())
      problem = "Color number already exists.";
    if (!problem.empty()) {
      ColorB->setCurrentCell(i, kNumberColumn);
      ColorB->setFocus(Qt::OtherFocusReason);
      Sink().Error(problem);
      return false;
    }
    numbers.push_back(static_cast<int16_t>(t.value));
  }
  std::vector<std::array<uint8_t, kColorSeparationShares>> shares;
  for (int i = 0; i < h.colorCount; ++i) {
    auto s = h.colors[static_cast<size_t>(i)].separations;
    if (!ReadShares(ColorB, i, kFirstSeparationColumn, h.separationCount, Sink(), &s)) return false;
    shares.push_back(s);
  }
  // Every change of number at once, so that two colours can swap their numbers.
  ColorNumberMap step = IdentityColorMap();
  for (int i = 0; i < h.colorCount; ++i)
    step[static_cast<size_t>(h.colors[static_cast<size_t>(i)].colorNumber & 255)] =
        numbers[static_cast<size_t>(i)];
  for (int16_t& n : renumbered_) n = step[static_cast<size_t>(n & 255)];
  for (int i = 0; i < h.colorCount; ++i) {
    ColorRecord& c = h.colors[static_cast<size_t>(i)];
    c.colorNumber = numbers[static_cast<size_t>(i)];
    c.name = Latin1(CellText(ColorB, i, kNameColumn)).substr(0, 31);
    c.separations = shares[static_cast<size_t>(i)];
  }
  return true;
}

void TColorsDlg::ColorBtnClick() {
  if (!StoreGrid()) return;
  TDefColorDlg dlg(store_.MutableColors(), current_, SymbolColors(store_), Sink(), Help(), this);
  const int result = dlg.exec();
  (void)result;
  current_ = dlg.Current();
  FillGrid();
}

void TColorsDlg::SepBtnClick() {
  if (!StoreGrid()) return;
  TColorSepDlg dlg(store_.MutableColors(), Sink(), Help(), this);
  dlg.exec();
  FillGrid();
}

void TColorsDlg::Move(int direction) {
  if (!StoreGrid()) return;
  if (!MoveColor(store_.MutableColors(), current_, direction)) return;
  current_ += direction;
  FillGrid();
}

void TColorsDlg::MoveUpBtnClick() {
  Move(-1);
}
void TColorsDlg::MoveDnBtnClick() {
  Move(+1);
}

bool TColorsDlg::TakeOver() {
  if (!StoreGrid()) return false;
  if (renumbered_ != IdentityColorMap()) {
    for (int place = 0; place < store_.SymbolCount(); ++place) {
      const SymbolRecord r = RenumberColors(store_.Symbol(place), renumbered_);
      if (r.Bytes() != store_.Symbol(place).Bytes()) store_.ReplaceSymbol(place, r);
    }
  }
  store_.ColorTableChanged();
  redrawNeeded_ = true;
  return true;
}

void TColorsDlg::reject() {
  store_.MutableColors() = saved_;
  TZelkDlg::reject();
}

}  // namespace zelk
