// The symbol editors.
#include "dialogs/symbol_dlgs.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "dialogs/colors_dlg.h"
#include "dialogs/icon_dlg.h"
#include "dialogs/number_text.h"
#include "dialogs/spin_edit.h"
#include "dialogs/symbol_number.h"
#include "storage/map_store.h"
#include "storage/messages.h"

namespace zelk {

namespace {
QString Text(const std::string& s) {
  return QString::fromLatin1(s.data(), static_cast<int>(s.size()));
}
std::string Latin1(const QString& s) {
  return s.toLatin1().toStdString();
}

QLabel* Label(QWidget* parent, const QString& caption, QWidget* buddy = nullptr) {
  auto* l = new QLabel(caption, parent);
  if (buddy) l->setBuddy(buddy);
  return l;
}

QCheckBox* Check(QWidget* parent, const char* caption, const char* name, bool on) {
  auto* c = new QCheckBox(caption, parent);
  c->setObjectName(name);
  c->setChecked(on);
  return c;
}

QRadioButton* Radio(QWidget* parent, const char* caption, const char* name) {
  auto* r = new QRadioButton(caption, parent);
  r->setObjectName(name);
  return r;
}

QPushButton* Button(QWidget* parent, const char* caption, const char* name) {
  auto* b = new QPushButton(caption, parent);
  b->setObjectName(name);
  b->setAutoDefault(false);
  return b;
}

// A page of a notebook with a grid for its rows.
QGridLayout* Page(QTabWidget* tabs, const char* caption) {
  auto* page = new QWidget(tabs);
  auto* grid = new QGridLayout(page);
  tabs->addTab(page, caption);
  return grid;
}

double Mm(int stored) {
  return stored * 0.01;
}
}  // namespace

// --- New Symbol -----------------------------------------------------------------------------

TNewSymDlg::TNewSymDlg(MessageSink& sink, HelpRequester* help, QWidget* parent)
    : TZelkDlg(sink, help, "New Symbol", help::kNewSymbol, parent) {
  auto* group = new QGroupBox("Symbol type", this);
  auto* col = new QVBoxLayout(group);
  const char* captions[6] = {"&Point symbol", "&Line symbol",      "&Area symbol",
                             "&Text symbol",  "Li&ne text symbol", "&Rectangle symbol"};
  const char* names[6] = {"PointB", "LineB", "AreaB", "TextB", "LineTextB", "RectangleB"};
  for (int i = 0; i < 6; ++i) {
    TypeB[static_cast<size_t>(i)] = Radio(group, captions[i], names[i]);
    col->addWidget(TypeB[static_cast<size_t>(i)]);
  }
  TypeB[0]->setChecked(true);
  Body()->addWidget(group);
}

SymbolType TNewSymDlg::Type() const {
  static constexpr SymbolType kTypes[6] = {SymbolType::Point, SymbolType::Line,
                                           SymbolType::Area,  SymbolType::Text,
                                           SymbolType::Line,  SymbolType::Rectangle};
  for (size_t i = 0; i < 6; ++i)
    if (TypeB[i]->isChecked()) return kTypes[i];
  return SymbolType::Point;
}

int TNewSymDlg::Subtype() const {
  return TypeB[4]->isChecked() ? kSubtypeLineText : 0;
}

// --- Font preview ---------------------------------------------------------------------------

FontPreview::FontPreview(QWidget* parent) : QWidget(parent) {
  setMinimumSize(220, 70);
  setAutoFillBackground(true);
  QPalette p = palette();
  p.setColor(QPalette::Window, Qt::white);
  setPalette(p);
}

void FontPreview::SetSample(const QString& text, const QString& family, double pointSize, bool bold,
                            bool italic, const QColor& color) {
  text_ = text;
  font_ = QFont(family);
  font_.setPointSizeF(std::clamp(pointSize, 1.0, 128.0));
  font_.setBold(bold);
  font_.setItalic(italic);
  color_ = color;
  update();
}

void FontPreview::SetParagraph(double lineSpacePercent, double indentFirstMm,
                               double indentOtherMm) {
  paragraph_ = true;
  lineSpace_ = lineSpacePercent;
  indentFirst_ = indentFirstMm;
  indentOther_ = indentOtherMm;
  update();
}

void FontPreview::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setClipRect(rect());
  p.setFont(font_);
  p.setPen(color_);
  const QFontMetricsF m(font_);
  if (!paragraph_) {
    p.drawText(QPointF(4, (height() + m.ascent() - m.descent()) / 2), text_);
    return;
  }
  // Millimetres at the screen's density.
  const double pxPerMm = logicalDpiX() / 25.4;
  const double step = std::max(1.0, m.height() * lineSpace_ / 100.0);
  double y = 2 + m.ascent();
  for (int line = 0; y < height() + m.ascent(); ++line, y += step)
    p.drawText(QPointF(4 + (line == 0 ? indentFirst_ : indentOther_) * pxPerMm, y), text_);
}

// --- Shared editor frame --------------------------------------------------------------------

TSymbolDlg::TSymbolDlg(MapStore& store, const SymbolRecord& rec, int place, const QString& caption,
                       int helpContext, MessageSink& sink, HelpRequester* help, QWidget* parent)
    : TZelkDlg(sink, help, caption, helpContext, parent), store_(store), rec_(rec), place_(place) {
  head_ = new QGridLayout;
  SymNumB = new QLineEdit(this);
  SymNumB->setObjectName("SymNumB");
  SymNumB->setMaxLength(6);
  // A new symbol has no number yet.
  if (rec.Number() > 0)
    SymNumB->setText(QString::fromStdString(FormatFixed(rec.Number() / 10.0, 1)));
  DescriptionB = new QLineEdit(this);
  DescriptionB->setObjectName("DescriptionB");
  DescriptionB->setMaxLength(31);
  DescriptionB->setText(Text(rec.Description()));
  IconBtn = Button(this, "&Icon...", "IconBtn");
  head_->addWidget(Label(this, "Symbol &no:", SymNumB), 0, 0);
  head_->addWidget(SymNumB, 0, 1);
  head_->addWidget(IconBtn, 0, 3);
  head_->addWidget(Label(this, "&Description:", DescriptionB), 1, 0);
  head_->addWidget(DescriptionB, 1, 1, 1, 3);
  head_->setColumnStretch(2, 1);
  Body()->addLayout(head_);
  connect(IconBtn, &QPushButton::clicked, this, &TSymbolDlg::IconBtnClick);
}

void TSymbolDlg::FormShow() {
  SymNumB->setFocus(Qt::OtherFocusReason);
  SymNumB->selectAll();
}

void TSymbolDlg::IconBtnClick() {
  TEditIconDlg dlg(rec_.Icon(), Sink(), nullptr, this);
  if (dlg.exec() == QDialog::Accepted)
    std::copy(dlg.Icon().begin(), dlg.Icon().end(), rec_.MutableIcon());
}

void TSymbolDlg::RequestEdit(int list) {
  if (!TakeOver()) return;
  editRequest_ = list;
  accept();
}

int TSymbolDlg::ColorOf(const QComboBox* list) {
  return list->currentData().toInt();
}

int16_t TSymbolDlg::Stored(double value, double factor) {
  return static_cast<int16_t>(std::clamp(std::nearbyint(value * factor), -32768.0, 32767.0));
}

QColor TSymbolDlg::ScreenColorOf(int number) const {
  const int i = store_.Colors().FindColor(number);
  if (i < 0) return QColor(192, 192, 192);
  return ScreenQColor(store_.Colors().colors[static_cast<size_t>(i)].cmyk);
}

QComboBox* TSymbolDlg::ColorList(QWidget* parent, const char* name, int number) {
  auto* list = new QComboBox(parent);
  list->setObjectName(name);
  const SymbolHeader& h = store_.Colors();
  const int count = std::clamp<int>(h.colorCount, 1, kMaxColors);
  for (int i = 0; i < count; ++i) {
    const ColorRecord& c = h.colors[static_cast<size_t>(i)];
    QPixmap swatch(12, 12);
    swatch.fill(ScreenQColor(c.cmyk));
    list->addItem(QIcon(swatch), Text(c.name), int{c.colorNumber});
  }
  int at = list->findData(number);
  // A number the table no longer has is kept while the list is not changed; a number that
  // cannot be a colour at all is replaced by the first colour.
  if (at < 0 && number >= 0 && number < 256) {
    list->addItem(QString("(%1)").arg(number), number);
    at = list->count() - 1;
  }
  list->setCurrentIndex(std::max(at, 0));
  return list;
}

QComboBox* TSymbolDlg::LabeledColor(QWidget* parent, QGridLayout* grid, int row,
                                    const char* caption, const char* name, int number, int column) {
  QComboBox* list = ColorList(parent, name, number);
  grid->addWidget(Label(parent, caption, list), row, column);
  grid->addWidget(list, row, column + 1);
  return list;
}

TRealSpin* TSymbolDlg::Real(QWidget* parent, QGridLayout* grid, int row, const char* caption,
                            const char* name, double lo, double hi, int decimals, const char* unit,
                            int column) {
  auto* f = new TRealSpin(parent);
  f->setObjectName(name);
  f->SetRange(lo, hi);
  f->SetDecimals(decimals);
  f->SetIncrement(decimals >= 2 ? 0.1 : 1);
  f->setMaxLength(7);
  QLabel* label = Label(parent, caption, f);
  QLabel* unitLabel = unit && *unit ? Label(parent, unit) : nullptr;
  grid->addWidget(label, row, column);
  grid->addWidget(f, row, column + 1);
  if (unitLabel) grid->addWidget(unitLabel, row, column + 2);
  checked_.push_back({f, nullptr, label, unitLabel});
  return f;
}

TIntSpin* TSymbolDlg::Int(QWidget* parent, QGridLayout* grid, int row, const char* caption,
                          const char* name, int lo, int hi, const char* unit, int column) {
  auto* f = new TIntSpin(parent);
  f->setObjectName(name);
  f->SetRange(lo, hi);
  QLabel* label = Label(parent, caption, f);
  QLabel* unitLabel = unit && *unit ? Label(parent, unit) : nullptr;
  grid->addWidget(label, row, column);
  grid->addWidget(f, row, column + 1);
  if (unitLabel) grid->addWidget(unitLabel, row, column + 2);
  checked_.push_back({nullptr, f, label, unitLabel});
  return f;
}

bool TSymbolDlg::TakeOver() {
  const std::optional<int> number = ValidateSymbolNumber(SymNumB, Sink(), &store_, place_);
  if (!number) return false;
  for (const Checked& c : checked_) {
    if (c.real && !Validate(c.real, c.label, c.unit, Sink())) {
      if (auto* tabs = findChild<QTabWidget*>())
        for (int i = 0; i < tabs->count(); ++i)
          if (tabs->widget(i)->isAncestorOf(c.real)) tabs->setCurrentIndex(i);
      c.real->setFocus(Qt::OtherFocusReason);
      return false;
    }
    if (c.integer && !Validate(c.integer, c.label, Sink(), c.unit)) {
      if (auto* tabs = findChild<QTabWidget*>())
        for (int i = 0; i < tabs->count(); ++i)
          if (tabs->widget(i)->isAncestorOf(c.integer)) tabs->setCurrentIndex(i);
      c.integer->setFocus(Qt::OtherFocusReason);
      return false;
    }
  }
  SymbolRecord common = CommonPart(rec_);
  common.SetNumber(*number);
  common.SetDescription(Latin1(DescriptionB->text()).substr(0, 31));
  result_ = Build(common);
  return true;
}

// --- Point symbol ---------------------------------------------------------------------------

TPointSymDlg::TPointSymDlg(MapStore& store, const SymbolRecord& rec, int place, MessageSink& sink,
                           HelpRequester* help, QWidget* parent)
    : TSymbolDlg(store, rec, place, "Point Symbol", help::kPointSymbol, sink, help, parent),
      elements_(ReadPointElements(rec)) {
  EditBtn = Button(this, "&Edit...", "EditBtn");
  HeadGrid()->addWidget(EditBtn, 1, 4);
  connect(EditBtn, &QPushButton::clicked, this, [this] { RequestEdit(0); });
}

SymbolRecord TPointSymDlg::Build(const SymbolRecord& common) {
  return FinishPointSymbol(common, elements_);
}

// --- Line symbol ----------------------------------------------------------------------------

TLineSymDlg::TLineSymDlg(MapStore& store, const SymbolRecord& rec, int place, MessageSink& sink,
                         HelpRequester* help, QWidget* parent)
    : TSymbolDlg(store, rec, place, "Line Symbol", help::kLineSymbol, sink, help, parent) {
  const LineSymbolFields read = ReadLineFields(rec);
  fields_ = read.fields;
  lists_ = read.lists;
  const LineSymbol& f = fields_;
  TabbedB = new QTabWidget(this);
  TabbedB->setObjectName("TabbedB");
  TabbedB->setMinimumWidth(480);  // all five page tabs in view
  Body()->addWidget(TabbedB);

  QGridLayout* g = Page(TabbedB, "Main Line");
  QWidget* p = g->parentWidget();
  LineColorB = LabeledColor(p, g, 0, "Line &color:", "LineColorB", f.LineColor);
  LineWidthB = Real(p, g, 1, "Line &width:", "LineWidthB", 0, 20, 2);
  LineEndsB = Check(p, "&Round line ends", "LineEndsB", (f.LineEnds & 1) != 0);
  PointedB = Check(p, "&Pointed ends", "PointedB", (f.LineEnds & 2) != 0);
  g->addWidget(LineEndsB, 2, 0, 1, 2);
  g->addWidget(PointedB, 3, 0, 1, 2);
  auto* length = new QGroupBox("Line length", p);
  auto* lg = new QGridLayout(length);
  DistFromStartB = Real(length, lg, 0, "Distance from the &start:", "DistFromStartB", 0, 50, 2);
  DistToEndB = Real(length, lg, 1, "Distance to the &end:", "DistToEndB", 0, 50, 2);
  g->addWidget(length, 4, 0, 1, 3);
  g->setRowStretch(5, 1);

  g = Page(TabbedB, "Distances");
  p = g->parentWidget();
  MainLengthB = Real(p, g, 0, "Main length &a:", "MainLengthB", 0, 50, 2);
  EndLengthB = Real(p, g, 1, "End length &b:", "EndLengthB", 0, 50, 2);
  MainGapB = Real(p, g, 2, "Main gap &C:", "MainGapB", 0, 20, 2);
  SecGapB = Real(p, g, 3, "Gap &D:", "SecGapB", 0, 20, 2);
  EndGapB = Real(p, g, 4, "Gap &E:", "EndGapB", 0, 20, 2);
  MinGapB = Check(p, "&min. 2 Gaps/Symbols", "MinGapB", f.MinTwoGaps());
  g->addWidget(MinGapB, 5, 0, 1, 2);
  g->setRowStretch(6, 1);

  g = Page(TabbedB, "Symbols");
  p = g->parentWidget();
  auto* main = new QGroupBox("Main Symbol A", p);
  auto* mg = new QGridLayout(main);
  NPrimSymB = Int(main, mg, 0, "No. of &symbols:", "NPrimSymB", 0, 5);
  PrimSymDistB = Real(main, mg, 1, "D&istance:", "PrimSymDistB", 0, 50, 2);
  PrimEditBtn = Button(main, "&Edit...", "PrimEditBtn");
  mg->addWidget(PrimEditBtn, 0, 3);
  g->addWidget(main, 0, 0, 1, 3);
  const char* captions[4] = {"Secondary symbol &B", "C&orner symbol", "S&tart symbol C",
                             "E&nd symbol D"};
  const char* names[4] = {"SecSymB", "CornerSymB", "StartSymB", "EndSymB"};
  const char* editNames[4] = {"SecEditBtn", "CornerEditBtn", "StartEditBtn", "EndEditBtn"};
  QCheckBox** checks[4] = {&SecSymB, &CornerSymB, &StartSymB, &EndSymB};
  for (int k = 0; k < 4; ++k) {
    *checks[k] = Check(p, captions[k], names[k], !lists_[static_cast<size_t>(k + 1)].empty());
    SymEditBtn[static_cast<size_t>(k)] = Button(p, "Edit...", editNames[k]);
    g->addWidget(*checks[k], 1 + k, 0);
    g->addWidget(SymEditBtn[static_cast<size_t>(k)], 1 + k, 1);
    connect(SymEditBtn[static_cast<size_t>(k)], &QPushButton::clicked, this,
            [this, k] { RequestEdit(k + 1); });
  }
  connect(PrimEditBtn, &QPushButton::clicked, this, [this] { RequestEdit(0); });
  g->setRowStretch(5, 1);

  g = Page(TabbedB, "Double Line");
  p = g->parentWidget();
  DblModeB = new QComboBox(p);
  DblModeB->setObjectName("DblModeB");
  DblModeB->addItems({"Off", "Full lines", "Left line dashed", "Both lines dashed"});
  DblModeB->setCurrentIndex(f.DblMode <= 3 ? f.DblMode : 0);
  g->addWidget(Label(p, "&Mode:", DblModeB), 0, 0);
  g->addWidget(DblModeB, 0, 1);
  DblFillB = Check(p, "&Fill", "DblFillB", f.DblFill());
  g->addWidget(DblFillB, 1, 0);
  DblFillColorB = LabeledColor(p, g, 2, "Fill c&olor:", "DblFillColorB", f.DblFillColor);
  DblWidthB = Real(p, g, 3, "&Width:", "DblWidthB", 0, 20, 2);
  auto* left = new QGroupBox("Left line", p);
  auto* leftG = new QGridLayout(left);
  DblLeftWidthB = Real(left, leftG, 0, "Width:", "DblLeftWidthB", 0, 20, 2);
  DblLeftColorB = LabeledColor(left, leftG, 1, "Color:", "DblLeftColorB", f.DblLeftColor);
  auto* right = new QGroupBox("Right line", p);
  auto* rightG = new QGridLayout(right);
  DblRightWidthB = Real(right, rightG, 0, "Width:", "DblRightWidthB", 0, 20, 2);
  DblRightColorB = LabeledColor(right, rightG, 1, "Color:", "DblRightColorB", f.DblRightColor);
  auto* dashed = new QGroupBox("Dashed", p);
  auto* dashG = new QGridLayout(dashed);
  DblLengthB = Real(dashed, dashG, 0, "&Length a:", "DblLengthB", 0, 50, 2);
  DblGapB = Real(dashed, dashG, 1, "&Gap:", "DblGapB", 0, 50, 2);
  g->addWidget(left, 4, 0, 1, 3);
  g->addWidget(right, 5, 0, 1, 3);
  g->addWidget(dashed, 6, 0, 1, 3);

  g = Page(TabbedB, "Decrease");
  p = g->parentWidget();
  DecOffB = Radio(p, "Off", "DecOffB");
  DecSingleB = Radio(p, "Towards the end", "DecSingleB");
  DecDoubleB = Radio(p, "Towards both ends", "DecDoubleB");
  (f.DecMode == 1 ? DecSingleB : f.DecMode == 2 ? DecDoubleB : DecOffB)->setChecked(true);
  g->addWidget(DecOffB, 0, 0, 1, 2);
  g->addWidget(DecSingleB, 1, 0, 1, 2);
  g->addWidget(DecDoubleB, 2, 0, 1, 2);
  DecLastB = Int(p, g, 3, "&Last symbol:", "DecLastB", 0, 100, "%");
  g->addWidget(Label(p, "of normal size"), 3, 3);
  g->setRowStretch(4, 1);

  LineWidthB->SetValue(Mm(f.LineWidth));
  DistFromStartB->SetValue(Mm(f.DistFromStart));
  DistToEndB->SetValue(Mm(f.DistToEnd));
  MainLengthB->SetValue(Mm(f.MainLength));
  EndLengthB->SetValue(Mm(f.EndLength));
  MainGapB->SetValue(Mm(f.MainGap));
  SecGapB->SetValue(Mm(f.SecGap));
  EndGapB->SetValue(Mm(f.EndGap));
  NPrimSymB->SetValue(std::clamp<int>(f.NPrimSym, 0, 5));
  PrimSymDistB->SetValue(Mm(f.PrimSymDist));
  DblWidthB->SetValue(Mm(f.DblWidth));
  DblLeftWidthB->SetValue(Mm(f.DblLeftWidth));
  DblRightWidthB->SetValue(Mm(f.DblRightWidth));
  DblLengthB->SetValue(Mm(f.DblLength));
  DblGapB->SetValue(Mm(f.DblGap));
  DecLastB->SetValue(std::clamp<int>(f.DecLast, 0, 100));
}

SymbolRecord TLineSymDlg::Build(const SymbolRecord& common) {
  LineSymbol f = fields_;
  f.LineColor = static_cast<int16_t>(ColorOf(LineColorB));
  f.LineWidth = Stored(LineWidthB->Value(), 100);
  f.LineEnds = static_cast<uint16_t>((f.LineEnds & ~3u) | (LineEndsB->isChecked() ? 1u : 0u) |
                                     (PointedB->isChecked() ? 2u : 0u));
  f.DistFromStart = Stored(DistFromStartB->Value(), 100);
  f.DistToEnd = Stored(DistToEndB->Value(), 100);
  f.MainLength = Stored(MainLengthB->Value(), 100);
  f.EndLength = Stored(EndLengthB->Value(), 100);
  f.MainGap = Stored(MainGapB->Value(), 100);
  f.SecGap = Stored(SecGapB->Value(), 100);
  f.EndGap = Stored(EndGapB->Value(), 100);
  f.MinGap = MinGapB->isChecked() ? 1 : 0;
  f.NPrimSym = static_cast<int16_t>(NPrimSymB->Value());
  f.PrimSymDist = Stored(PrimSymDistB->Value(), 100);
  f.DblMode = static_cast<uint16_t>(DblModeB->currentIndex());
  f.DblFlags = static_cast<uint16_t>((f.DblFlags & ~1u) | (DblFillB->isChecked() ? 1u : 0u));
  f.DblFillColor = static_cast<int16_t>(ColorOf(DblFillColorB));
  f.DblWidth = Stored(DblWidthB->Value(), 100);
  f.DblLeftWidth = Stored(DblLeftWidthB->Value(), 100);
  f.DblLeftColor = static_cast<int16_t>(ColorOf(DblLeftColorB));
  f.DblRightWidth = Stored(DblRightWidthB->Value(), 100);
  f.DblRightColor = static_cast<int16_t>(ColorOf(DblRightColorB));
  f.DblLength = Stored(DblLengthB->Value(), 100);
  f.DblGap = Stored(DblGapB->Value(), 100);
  f.DecMode = DecSingleB->isChecked() ? 1 : DecDoubleB->isChecked() ? 2 : 0;
  f.DecLast = static_cast<int16_t>(DecLastB->Value());
  return FinishLineSymbol(common, f, lists_,
                          {SecSymB->isChecked(), CornerSymB->isChecked(), StartSymB->isChecked(),
                           EndSymB->isChecked()});
}

// --- Area symbol ----------------------------------------------------------------------------

TAreaSymDlg::TAreaSymDlg(MapStore& store, const SymbolRecord& rec, int place, MessageSink& sink,
                         HelpRequester* help, QWidget* parent)
    : TSymbolDlg(store, rec, place, "Area Symbol", help::kAreaSymbol, sink, help, parent) {
  const AreaSymbolFields read = ReadAreaFields(rec);
  fields_ = read.fields;
  structure_ = read.structure;
  const AreaSymbol& f = fields_;
  TabbedB = new QTabWidget(this);
  TabbedB->setObjectName("TabbedB");
  Body()->addWidget(TabbedB);

  QGridLayout* g = Page(TabbedB, "General");
  QWidget* p = g->parentWidget();
  FillColorB = LabeledColor(p, g, 0, "&Fill color:", "FillColorB", f.FillColor);
  FillOnB = Check(p, "Fill &background", "FillOnB", f.FillOn != 0);
  g->addWidget(FillOnB, 1, 0, 1, 2);
  g->setRowStretch(2, 1);

  g = Page(TabbedB, "Hatch");
  p = g->parentWidget();
  HatchNoneB = Radio(p, "&None", "HatchNoneB");
  HatchSingleB = Radio(p, "&Single", "HatchSingleB");
  HatchCrossB = Radio(p, "C&ross", "HatchCrossB");
  (f.HatchMode == 1 ? HatchSingleB : f.HatchMode == 2 ? HatchCrossB : HatchNoneB)->setChecked(true);
  auto* hatchRow = new QHBoxLayout;
  for (QRadioButton* r : {HatchNoneB, HatchSingleB, HatchCrossB}) hatchRow->addWidget(r);
  // The pictures of the two hatches choose them as well.
  for (int cross = 0; cross < 2; ++cross) {
    QPixmap picture(40, 40);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    painter.setPen(QPen(Qt::black, 2));
    for (int i = -40; i < 40; i += 8) {
      painter.drawLine(i, 40, i + 40, 0);
      if (cross) painter.drawLine(i, 0, i + 40, 40);
    }
    painter.end();
    auto* b = new QToolButton(p);
    b->setObjectName(cross ? "HatchCrossPictureB" : "HatchSinglePictureB");
    b->setIcon(QIcon(picture));
    b->setIconSize(picture.size());
    b->setAutoRaise(true);
    QRadioButton* chosen = cross ? HatchCrossB : HatchSingleB;
    connect(b, &QToolButton::clicked, chosen, [chosen] { chosen->setChecked(true); });
    hatchRow->addWidget(b);
  }
  g->addLayout(hatchRow, 0, 0, 1, 3);
  HatchLineWidthB = Real(p, g, 1, "&Line width:", "HatchLineWidthB", 0, 20, 2);
  HatchDistB = Real(p, g, 2, "&Distance:", "HatchDistB", 0, 50, 2);
  HatchAngle1B = Real(p, g, 3, "Angle &1:", "HatchAngle1B", -360, 360, 1, "deg");
  HatchAngle2B = Real(p, g, 4, "Angle &2:", "HatchAngle2B", -360, 360, 1, "deg");
  HatchColorB = LabeledColor(p, g, 5, "&Color:", "HatchColorB", f.HatchColor);
  g->setRowStretch(6, 1);

  g = Page(TabbedB, "Structure");
  p = g->parentWidget();
  StructNoneB = Radio(p, "N&one", "StructNoneB");
  RectB = Radio(p, "&Rectangular", "RectB");
  OffsetB = Radio(p, "O&ffset rows", "OffsetB");
  (f.StructMode == 1 ? RectB : f.StructMode == 2 ? OffsetB : StructNoneB)->setChecked(true);
  auto* structRow = new QHBoxLayout;
  for (QRadioButton* r : {StructNoneB, RectB, OffsetB}) structRow->addWidget(r);
  g->addLayout(structRow, 0, 0, 1, 3);
  StructWidthB = Real(p, g, 1, "&Width:", "StructWidthB", 0, 50, 2);
  StructHeightB = Real(p, g, 2, "&Height:", "StructHeightB", 0, 50, 2);
  StructAngleB = Real(p, g, 3, "&Angle:", "StructAngleB", -360, 360, 1, "deg");
  EditBtn = Button(p, "&Edit", "EditBtn");
  g->addWidget(EditBtn, 4, 1);
  g->setRowStretch(5, 1);
  connect(EditBtn, &QPushButton::clicked, this, [this] { RequestEdit(0); });

  HatchLineWidthB->SetValue(Mm(f.HatchLineWidth));
  HatchDistB->SetValue(Mm(f.HatchDist));
  HatchAngle1B->SetValue(f.HatchAngle1 * 0.1);
  HatchAngle2B->SetValue(f.HatchAngle2 * 0.1);
  StructWidthB->SetValue(Mm(f.StructWidth));
  StructHeightB->SetValue(Mm(f.StructHeight));
  StructAngleB->SetValue(f.StructAngle * 0.1);
}

SymbolRecord TAreaSymDlg::Build(const SymbolRecord& common) {
  AreaSymbol f = fields_;
  f.FillColor = static_cast<int16_t>(ColorOf(FillColorB));
  f.FillOn = FillOnB->isChecked() ? 1 : 0;
  f.HatchMode = HatchSingleB->isChecked() ? 1 : HatchCrossB->isChecked() ? 2 : 0;
  f.HatchLineWidth = Stored(HatchLineWidthB->Value(), 100);
  f.HatchDist = Stored(HatchDistB->Value(), 100);
  f.HatchAngle1 = Stored(HatchAngle1B->Value(), 10);
  f.HatchAngle2 = Stored(HatchAngle2B->Value(), 10);
  f.HatchColor = static_cast<int16_t>(ColorOf(HatchColorB));
  f.StructMode = RectB->isChecked() ? 1 : OffsetB->isChecked() ? 2 : 0;
  f.StructWidth = Stored(StructWidthB->Value(), 100);
  f.StructHeight = Stored(StructHeightB->Value(), 100);
  f.StructAngle = Stored(StructAngleB->Value(), 10);
  return FinishAreaSymbol(common, f, structure_);
}

// --- Text and line text symbols -------------------------------------------------------------

namespace {
// Point sizes and character heights: a height of h mm is a size of h x 72 / 25.4 points.
constexpr double kMmPerPoint = 25.4 / 72.0;
}  // namespace

TTextSymDlgBase::TTextSymDlgBase(bool lineText, MapStore& store, const SymbolRecord& rec, int place,
                                 MessageSink& sink, HelpRequester* help, QWidget* parent)
    : TSymbolDlg(store, rec, place, lineText ? "Line Text Symbol" : "Text Symbol",
                 lineText ? help::kLineTextSymbol : help::kTextSymbol, sink, help, parent),
      lineText_(lineText) {
  const std::optional<TextSymbolFields> read =
      lineText ? ReadLineTextSymbol(rec) : ReadTextSymbol(rec);
  fields_ = read.value_or(DefaultTextSymbol());
  TabbedB = new QTabWidget(this);
  TabbedB->setObjectName("TabbedB");
  Body()->addWidget(TabbedB);
}

QComboBox* TTextSymDlgBase::FontList(QWidget* parent, const char* name,
                                     const std::string& current) {
  auto* list = new QComboBox(parent);
  list->setObjectName(name);
  QStringList families = QFontDatabase::families();
  families.sort(Qt::CaseInsensitive);
  list->addItems(families);
  // A font the system lacks stays named, so that OK does not lose it.
  list->setEditable(true);
  list->setInsertPolicy(QComboBox::NoInsert);
  list->lineEdit()->setMaxLength(31);
  const QString name8 = QString::fromLatin1(current.data(), static_cast<int>(current.size()));
  list->setEditText(name8.isEmpty() ? QString("Arial") : name8);
  return list;
}

void TTextSymDlgBase::BuildFontPages(const TextSymbolFields& f, const char* sample,
                                     const QStringList& alignments,
                                     const std::function<void()>& middlePages) {
  QGridLayout* g = Page(TabbedB, "General");
  QWidget* p = g->parentWidget();
  F.FontNameB = FontList(p, "FontNameB", f.font.name);
  g->addWidget(Label(p, "&TrueType font:", F.FontNameB), 0, 0);
  g->addWidget(F.FontNameB, 0, 1, 1, 3);
  F.FontSizeB = Real(p, g, 1, "&Size:", "FontSizeB", 1, 128, 1, "pt");
  F.CharHeightB = Real(p, g, 2, "C&haracter height:", "CharHeightB", 0, 50, 2);
  F.BoldB = Check(p, "&Bold", "BoldB", f.font.weight > 550);
  F.ItalicB = Check(p, "&Italic", "ItalicB", f.font.italic != 0);
  g->addWidget(F.BoldB, 3, 0);
  g->addWidget(F.ItalicB, 3, 1);
  F.FontColorB = LabeledColor(p, g, 4, "&Color:", "FontColorB", f.font.color);
  F.CharSpaceB = Int(p, g, 5, "Char. s&pacing:", "CharSpaceB", 0, 9999, "% of space character");
  F.WordSpaceB = Int(p, g, 6, "&Word spacing:", "WordSpaceB", 0, 9999, "% of space character");
  F.AlignmentB = new QComboBox(p);
  F.AlignmentB->setObjectName("AlignmentB");
  F.AlignmentB->addItems(alignments);
  F.AlignmentB->setCurrentIndex(std::clamp<int>(f.alignment, 0, 3));
  g->addWidget(Label(p, "&Alignment:", F.AlignmentB), 7, 0);
  g->addWidget(F.AlignmentB, 7, 1);
  F.PreviewB = new FontPreview(p);
  F.PreviewB->setObjectName("PreviewB");
  F.PreviewB->SetSample(sample, {}, 10, false, false, Qt::black);
  g->addWidget(F.PreviewB, 8, 0, 1, 4);

  F.FontSizeB->SetValue(std::clamp(f.font.size * 0.1, 1.0, 128.0));
  F.CharHeightB->SetValue(F.FontSizeB->Value() * kMmPerPoint);
  F.CharSpaceB->SetValue(std::clamp<int>(f.charSpace, 0, 9999));
  F.WordSpaceB->SetValue(std::clamp<int>(f.wordSpace, 0, 9999));
  connect(F.FontSizeB, &QLineEdit::textChanged, this, [this] {
    if (inStep_) return;
    inStep_ = true;
    F.CharHeightB->SetValue(F.FontSizeB->Value() * kMmPerPoint);
    inStep_ = false;
  });
  connect(F.CharHeightB, &QLineEdit::textChanged, this, [this] {
    if (inStep_) return;
    inStep_ = true;
    F.FontSizeB->SetValue(F.CharHeightB->Value() / kMmPerPoint);
    inStep_ = false;
  });

  if (middlePages) middlePages();
  g = Page(TabbedB, "Second Font");
  p = g->parentWidget();
  F.SFOnB = Check(p, "&On", "SFOnB", f.sfOn != 0);
  g->addWidget(F.SFOnB, 0, 0);
  F.SFNameB = FontList(p, "SFNameB", f.secondFont.name);
  g->addWidget(Label(p, "&TrueType font:", F.SFNameB), 1, 0);
  g->addWidget(F.SFNameB, 1, 1, 1, 3);
  F.SFColorB = LabeledColor(p, g, 2, "&Color:", "SFColorB", f.secondFont.color);
  F.SFSizeB = Real(p, g, 3, "&Size:", "SFSizeB", 1, 128, 1, "pt");
  F.SFOfxB = Real(p, g, 4, "&Horizontal offset:", "SFOfxB", -20, 20, 2);
  F.SFOfyB = Real(p, g, 5, "&Vertical offset:", "SFOfyB", -20, 20, 2);
  F.SFBoldB = Check(p, "&bold", "SFBoldB", f.secondFont.weight > 550);
  F.SFItalicB = Check(p, "&italic", "SFItalicB", f.secondFont.italic != 0);
  g->addWidget(F.SFBoldB, 6, 0);
  g->addWidget(F.SFItalicB, 6, 1);
  F.SFPreviewB = new FontPreview(p);
  F.SFPreviewB->setObjectName("SFPreviewB");
  F.SFPreviewB->SetSample(sample, {}, 10, false, false, Qt::black);
  g->addWidget(F.SFPreviewB, 7, 0, 1, 4);
  F.SFSizeB->SetValue(std::clamp(f.secondFont.size * 0.1, 1.0, 128.0));
  F.SFOfxB->SetValue(Mm(f.sfOfx));
  F.SFOfyB->SetValue(Mm(f.sfOfy));

  for (QComboBox* c : {F.FontNameB, F.SFNameB})
    connect(c, &QComboBox::currentTextChanged, this, [this] { UpdatePreviews(); });
  for (QComboBox* c : {F.FontColorB, F.SFColorB, F.AlignmentB})
    connect(c, &QComboBox::currentIndexChanged, this, [this] { UpdatePreviews(); });
  for (QCheckBox* c : {F.BoldB, F.ItalicB, F.SFBoldB, F.SFItalicB, F.SFOnB})
    connect(c, &QCheckBox::toggled, this, [this] { UpdatePreviews(); });
  for (QLineEdit* e : std::initializer_list<QLineEdit*>{F.FontSizeB, F.CharHeightB, F.SFSizeB})
    connect(e, &QLineEdit::textChanged, this, [this] { UpdatePreviews(); });
}

void TTextSymDlgBase::UpdatePreviews() {
  const QString sample = lineText_ ? "AaBbCc DdEdFf" : "AaBbCc DdEeFf";
  F.PreviewB->SetSample(sample, F.FontNameB->currentText(), F.FontSizeB->Value(),
                        F.BoldB->isChecked(), F.ItalicB->isChecked(),
                        ScreenColorOf(ColorOf(F.FontColorB)));
  F.SFPreviewB->SetSample(sample, F.SFNameB->currentText(), F.SFSizeB->Value(),
                          F.SFBoldB->isChecked(), F.SFItalicB->isChecked(),
                          ScreenColorOf(ColorOf(F.SFColorB)));
  UpdateOwnPreviews();
}

void TTextSymDlgBase::ReadFontFields(TextSymbolFields& f) const {
  f.font.name = Latin1(F.FontNameB->currentText()).substr(0, 31);
  f.font.size = Stored(F.FontSizeB->Value(), 10);
  f.font.weight = F.BoldB->isChecked() ? 700 : 400;
  f.font.italic = F.ItalicB->isChecked() ? 1 : 0;
  f.font.color = static_cast<int16_t>(ColorOf(F.FontColorB));
  f.charSpace = static_cast<int16_t>(F.CharSpaceB->Value());
  f.wordSpace = static_cast<int16_t>(F.WordSpaceB->Value());
  f.alignment = static_cast<int16_t>(F.AlignmentB->currentIndex());
  f.sfOn = F.SFOnB->isChecked() ? 1 : 0;
  f.secondFont.name = Latin1(F.SFNameB->currentText()).substr(0, 31);
  f.secondFont.color = static_cast<int16_t>(ColorOf(F.SFColorB));
  f.secondFont.size = Stored(F.SFSizeB->Value(), 10);
  f.secondFont.weight = F.SFBoldB->isChecked() ? 700 : 400;
  f.secondFont.italic = F.SFItalicB->isChecked() ? 1 : 0;
  f.sfOfx = Stored(F.SFOfxB->Value(), 100);
  f.sfOfy = Stored(F.SFOfyB->Value(), 100);
}

TTextSymDlg::TTextSymDlg(MapStore& store, const SymbolRecord& rec, int place, MessageSink& sink,
                         HelpRequester* help, QWidget* parent)
    : TTextSymDlgBase(false, store, rec, place, sink, help, parent) {
  const TextSymbolFields& f = fields_;
  BuildFontPages(f, "AaBbCc DdEeFf", {"Left", "Center", "Right", "Justified"},
                 [this] { BuildOwnPages(); });
  UpdatePreviews();
}

void TTextSymDlg::BuildOwnPages() {
  const TextSymbolFields& f = fields_;
  QGridLayout* g = Page(TabbedB, "Paragraph");
  QWidget* p = g->parentWidget();
  LineSpaceB = Int(p, g, 0, "&Line spacing:", "LineSpaceB", 20, 1000, "% of font size");
  ParaSpaceB = Real(p, g, 1, "&Space after Paragraph:", "ParaSpaceB", -5, 50, 2);
  IndentFirstB = Real(p, g, 2, "Indent &first line:", "IndentFirstB", 0, 50, 2);
  IndentOtherB = Real(p, g, 3, "Indent &other lines:", "IndentOtherB", 0, 50, 2);
  ParaPreviewB = new FontPreview(p);
  ParaPreviewB->setObjectName("ParaPreviewB");
  g->addWidget(ParaPreviewB, 4, 0, 1, 4);
  LineSpaceB->SetValue(std::clamp<int>(f.lineSpace, 20, 1000));
  ParaSpaceB->SetValue(Mm(f.paraSpace));
  IndentFirstB->SetValue(Mm(f.indentFirst));
  IndentOtherB->SetValue(Mm(f.indentOther));

  g = Page(TabbedB, "Tabulator");
  p = g->parentWidget();
  // The position is checked when it is added, not on OK.
  TabPosB = new TRealSpin(p);
  TabPosB->setObjectName("TabPosB");
  TabPosB->SetRange(0, 500);
  TabPosB->SetDecimals(1);
  TabPosB->SetIncrement(1);
  TabPosL = Label(p, "&Position:", TabPosB);
  TabPosUnitL = Label(p, "mm");
  g->addWidget(TabPosL, 0, 0);
  g->addWidget(TabPosB, 0, 1);
  g->addWidget(TabPosUnitL, 0, 2);
  TabAddBtn = Button(p, "&Add", "TabAddBtn");
  TabDeleteBtn = Button(p, "De&lete", "TabDeleteBtn");
  g->addWidget(TabAddBtn, 1, 1);
  g->addWidget(TabDeleteBtn, 2, 1);
  TabListB = new QListWidget(p);
  TabListB->setObjectName("TabListB");
  g->addWidget(TabListB, 0, 3, 4, 1);
  connect(TabAddBtn, &QPushButton::clicked, this, &TTextSymDlg::TabAddBtnClick);
  connect(TabDeleteBtn, &QPushButton::clicked, this, &TTextSymDlg::TabDeleteBtnClick);
  ShowTabs(std::vector<int32_t>(f.tabs.begin(),
                                f.tabs.begin() + std::clamp<int>(f.tabCount, 0, kMaxTabs)));

  g = Page(TabbedB, "Line Below");
  p = g->parentWidget();
  LBOnB = Check(p, "&On", "LBOnB", f.lbOn != 0);
  g->addWidget(LBOnB, 0, 0);
  LBColorB = LabeledColor(p, g, 1, "Line &color:", "LBColorB", f.lbColor);
  LBWidthB = Real(p, g, 2, "Line &width:", "LBWidthB", 0, 20, 2);
  LBDistB = Real(p, g, 3, "&Distance from text:", "LBDistB", 0, 50, 2);
  g->setRowStretch(4, 1);
  LBWidthB->SetValue(Mm(f.lbWidth));
  LBDistB->SetValue(Mm(f.lbDist));
  for (QLineEdit* e : std::initializer_list<QLineEdit*>{LineSpaceB, IndentFirstB, IndentOtherB})
    connect(e, &QLineEdit::textChanged, this, [this] { UpdatePreviews(); });
}

void TTextSymDlg::UpdateOwnPreviews() {
  if (!ParaPreviewB) return;
  ParaPreviewB->SetSample("AaBbCcDd", F.FontNameB->currentText(), F.FontSizeB->Value(),
                          F.BoldB->isChecked(), F.ItalicB->isChecked(),
                          ScreenColorOf(ColorOf(F.FontColorB)));
  ParaPreviewB->SetParagraph(LineSpaceB->Value(), IndentFirstB->Value(), IndentOtherB->Value());
}

void TTextSymDlg::ShowTabs(std::vector<int32_t> tabs) {
  std::sort(tabs.begin(), tabs.end());
  tabs.erase(std::unique(tabs.begin(), tabs.end()), tabs.end());
  if (tabs.size() > static_cast<size_t>(kMaxTabs)) tabs.resize(kMaxTabs);
  TabListB->clear();
  for (int32_t t : tabs) {
    auto* item = new QListWidgetItem(QString::fromStdString(FormatFixed(t * 0.01, 1)) + " mm");
    item->setData(Qt::UserRole, t);
    TabListB->addItem(item);
  }
  TabAddBtn->setEnabled(TabListB->count() < kMaxTabs);
}

std::vector<int32_t> TTextSymDlg::Tabs() const {
  std::vector<int32_t> out;
  for (int i = 0; i < TabListB->count(); ++i)
    out.push_back(TabListB->item(i)->data(Qt::UserRole).toInt());
  return out;
}

void TTextSymDlg::TabAddBtnClick() {
  if (!Validate(TabPosB, TabPosL, TabPosUnitL, Sink())) return;
  std::vector<int32_t> tabs = Tabs();
  if (static_cast<int>(tabs.size()) >= kMaxTabs) return;
  tabs.push_back(static_cast<int32_t>(std::nearbyint(TabPosB->Value() * 100)));
  ShowTabs(tabs);
}

void TTextSymDlg::TabDeleteBtnClick() {
  const int row = TabListB->currentRow();
  if (row < 0) return;
  std::vector<int32_t> tabs = Tabs();
  tabs.erase(tabs.begin() + row);
  ShowTabs(tabs);
}

SymbolRecord TTextSymDlg::Build(const SymbolRecord& common) {
  TextSymbolFields f = fields_;
  ReadFontFields(f);
  f.lineSpace = static_cast<int16_t>(LineSpaceB->Value());
  f.paraSpace = Stored(ParaSpaceB->Value(), 100);
  f.indentFirst = Stored(IndentFirstB->Value(), 100);
  f.indentOther = Stored(IndentOtherB->Value(), 100);
  const std::vector<int32_t> tabs = Tabs();
  f.tabs.fill(0);
  f.tabCount = static_cast<int16_t>(std::min<size_t>(tabs.size(), kMaxTabs));
  std::copy(tabs.begin(), tabs.begin() + f.tabCount, f.tabs.begin());
  f.lbOn = LBOnB->isChecked() ? 1 : 0;
  f.lbColor = static_cast<int16_t>(ColorOf(LBColorB));
  f.lbWidth = Stored(LBWidthB->Value(), 100);
  f.lbDist = Stored(LBDistB->Value(), 100);
  SymbolRecord r = MakeTextSymbol(common.Number(), f, common);
  r.SetLength(r.Size());
  return r;
}

TLTextSymDlg::TLTextSymDlg(MapStore& store, const SymbolRecord& rec, int place, MessageSink& sink,
                           HelpRequester* help, QWidget* parent)
    : TTextSymDlgBase(true, store, rec, place, sink, help, parent) {
  BuildFontPages(fields_, "AaBbCc DdEdFf", {"Left", "Center", "Right", "All line"});
  UpdatePreviews();
}

SymbolRecord TLTextSymDlg::Build(const SymbolRecord& common) {
  TextSymbolFields f = fields_;
  ReadFontFields(f);
  SymbolRecord r = MakeLineTextSymbol(common.Number(), f, common);
  r.SetLength(r.Size());
  return r;
}

// --- Rectangle symbol -----------------------------------------------------------------------

TRectSymDlg::TRectSymDlg(MapStore& store, const SymbolRecord& rec, int place, MessageSink& sink,
                         HelpRequester* help, QWidget* parent)
    : TSymbolDlg(store, rec, place, "Rectangle symbol", help::kRectangleSymbol, sink, help, parent),
      fields_(ReadRectangleFields(rec)) {
  const RectangleSymbol& f = fields_;
  auto* g = new QGridLayout;
  LineColorB = LabeledColor(this, g, 0, "Line &color:", "LineColorB", f.LineColor);
  LineWidthB = Real(this, g, 1, "Line &width:", "LineWidthB", 0, 20, 2);
  RadiusB = Real(this, g, 2, "Corner &radius:", "RadiusB", 0, 50, 2);
  Body()->addLayout(g);
  auto* grid = new QGroupBox("Grid", this);
  auto* gg = new QGridLayout(grid);
  GridOnB = Check(grid, "&On", "GridOnB", (f.GridFlags & 1) != 0);
  gg->addWidget(GridOnB, 0, 0);
  CellWidthB = Real(grid, gg, 1, "Cell w&idth:", "CellWidthB", 0, 50, 1);
  CellHeightB = Real(grid, gg, 2, "Cell &height:", "CellHeightB", 0, 50, 1);
  NumBottomB = Check(grid, "Numbered from the &bottom", "NumBottomB", (f.GridFlags & 4) != 0);
  gg->addWidget(NumBottomB, 3, 0, 1, 3);
  Body()->addWidget(grid);
  auto* unnum = new QGroupBox("Unnumbered Cells", this);
  auto* ug = new QGridLayout(unnum);
  NumberB = Int(unnum, ug, 0, "N&umber:", "NumberB", 0, 100);
  TextB = new QLineEdit(unnum);
  TextB->setObjectName("TextB");
  TextB->setMaxLength(3);
  TextB->setText(Text(f.UnnumText.substr(0, 3)));
  ug->addWidget(Label(unnum, "&Text:", TextB), 1, 0);
  ug->addWidget(TextB, 1, 1);
  Body()->addWidget(unnum);
  LineWidthB->SetValue(Mm(f.LineWidth));
  RadiusB->SetValue(Mm(f.Radius));
  CellWidthB->SetValue(Mm(f.CellWidth));
  CellHeightB->SetValue(Mm(f.CellHeight));
  NumberB->SetValue(std::clamp<int>(f.UnnumCells, 0, 100));
}

SymbolRecord TRectSymDlg::Build(const SymbolRecord& common) {
  RectangleSymbol f = fields_;
  f.LineColor = static_cast<int16_t>(ColorOf(LineColorB));
  f.LineWidth = Stored(LineWidthB->Value(), 100);
  f.Radius = Stored(RadiusB->Value(), 100);
  f.GridFlags = static_cast<uint16_t>((f.GridFlags & ~5u) | (GridOnB->isChecked() ? 1u : 0u) |
                                      (NumBottomB->isChecked() ? 4u : 0u));
  f.CellWidth = Stored(CellWidthB->Value(), 100);
  f.CellHeight = Stored(CellHeightB->Value(), 100);
  f.UnnumCells = static_cast<int16_t>(NumberB->Value());
  f.UnnumText = Latin1(TextB->text()).substr(0, 3);
  return FinishRectangleSymbol(common, f);
}

std::unique_ptr<TSymbolDlg> MakeSymbolDialog(MapStore& store, const SymbolRecord& rec, int place,
                                             MessageSink& sink, HelpRequester* help,
                                             QWidget* parent) {
  switch (rec.Type()) {
    case SymbolType::Point:
      return std::make_unique<TPointSymDlg>(store, rec, place, sink, help, parent);
    case SymbolType::Line:
      if (rec.IsLineText())
        return std::make_unique<TLTextSymDlg>(store, rec, place, sink, help, parent);
      return std::make_unique<TLineSymDlg>(store, rec, place, sink, help, parent);
    case SymbolType::Area:
      return std::make_unique<TAreaSymDlg>(store, rec, place, sink, help, parent);
    case SymbolType::Text:
      return std::make_unique<TTextSymDlg>(store, rec, place, sink, help, parent);
    case SymbolType::Rectangle:
      return std::make_unique<TRectSymDlg>(store, rec, place, sink, help, parent);
  }
  return nullptr;
}

SymbolRecord EmptySymbol(SymbolType type, int subtype) {
  SymbolRecord base;
  std::fill(base.MutableIcon(), base.MutableIcon() + SymbolRecord::kIconSize, uint8_t{255});
  SymbolRecord r;
  if (type == SymbolType::Text) {
    r = MakeTextSymbol(0, DefaultTextSymbol(), base);
  } else if (type == SymbolType::Line && subtype == kSubtypeLineText) {
    r = MakeLineTextSymbol(0, DefaultTextSymbol(), base);
  } else {
    r = NewSymbolRecord(type);
  }
  r.SetLength(r.Size());
  return r;
}

}  // namespace zelk
