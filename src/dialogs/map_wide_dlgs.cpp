// The dialogs of the map-wide operations.
#include "dialogs/map_wide_dlgs.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "dialogs/spin_edit.h"
#include "dialogs/symbol_number.h"
#include "storage/map_store.h"
#include "storage/messages.h"
#include "storage/text_format.h"

namespace zelk {

namespace {

TRealSpin* Spin(QWidget* parent, const char* name, double lo, double hi, double step, int decimals,
                double value) {
  auto* f = new TRealSpin(parent);
  f->setObjectName(name);
  f->SetRange(lo, hi);
  f->SetIncrement(step);
  f->SetDecimals(decimals);
  f->setMaxLength(12);
  f->SetValue(value);
  return f;
}

QLabel* Label(QWidget* parent, const QString& caption, const char* name, QWidget* buddy) {
  auto* l = new QLabel(caption, parent);
  l->setObjectName(name);
  if (buddy) l->setBuddy(buddy);
  return l;
}

QCheckBox* Check(QWidget* parent, const QString& caption, const char* name) {
  auto* b = new QCheckBox(caption, parent);
  b->setObjectName(name);
  return b;
}

// A grid of label, field, unit rows added to the dialog's body.
QGridLayout* Rows(QVBoxLayout* body) {
  auto* g = new QGridLayout;
  g->setColumnStretch(3, 1);
  body->addLayout(g);
  return g;
}

void Row(QGridLayout* g, QLabel* label, QWidget* field, QLabel* unit) {
  const int r = g->rowCount();
  g->addWidget(label, r, 0);
  g->addWidget(field, r, 1);
  if (unit) g->addWidget(unit, r, 2);
}

constexpr int kMapWideHelp = 50;

}  // namespace

TMoveMapDlg::TMoveMapDlg(MessageSink& sink, HelpRequester* help, QWidget* parent)
    : TZelkDlg(sink, help, "Move Map", kMapWideHelp, parent) {
  auto* g = Rows(Body());
  HorB = Spin(this, "HorB", -4000, 4000, 1, 2, 0);
  VerB = Spin(this, "VerB", -4000, 4000, 1, 2, 0);
  HorL = Label(this, "Horizontal move:", "HorL", HorB);
  VerL = Label(this, "Vertical move:", "VerL", VerB);
  auto* hu = Label(this, "mm", "HorUnitL", nullptr);
  auto* vu = Label(this, "mm", "VerUnitL", nullptr);
  Row(g, HorL, HorB, hu);
  Row(g, VerL, VerB, vu);
}

bool TMoveMapDlg::TakeOver() {
  if (!Validate(HorB, HorL, nullptr, Sink()) || !Validate(VerB, VerL, nullptr, Sink()))
    return false;
  dxMm = HorB->Value();
  dyMm = VerB->Value();
  return true;
}

TStretchMapDlg::TStretchMapDlg(MessageSink& sink, HelpRequester* help, QWidget* parent)
    : TZelkDlg(sink, help, "Stretch Map", kMapWideHelp, parent) {
  auto* g = Rows(Body());
  HorB = Spin(this, "HorB", 1, 10000, 10, 2, 100);
  VerB = Spin(this, "VerB", 1, 10000, 10, 2, 100);
  HorL = Label(this, "Horizontal stretch:", "HorL", HorB);
  VerL = Label(this, "Vertical stretch:", "VerL", VerB);
  Row(g, HorL, HorB, Label(this, "%", "HorUnitL", nullptr));
  Row(g, VerL, VerB, Label(this, "%", "VerUnitL", nullptr));
  MirrorXB = Check(this, "mirror horizontally", "MirrorXB");
  MirrorYB = Check(this, "mirror vertically", "MirrorYB");
  Body()->addWidget(MirrorXB);
  Body()->addWidget(MirrorYB);
}

bool TStretchMapDlg::TakeOver() {
  if (!Validate(HorB, HorL, nullptr, Sink()) || !Validate(VerB, VerL, nullptr, Sink()))
    return false;
  hPercent = HorB->Value();
  vPercent = VerB->Value();
  mirrorX = MirrorXB->isChecked();
  mirrorY = MirrorYB->isChecked();
  return true;
}

TRotateMapDlg::TRotateMapDlg(MessageSink& sink, HelpRequester* help, QWidget* parent)
    : TZelkDlg(sink, help, "Rotate Map", kMapWideHelp, parent) {
  auto* g = Rows(Body());
  AngleB = Spin(this, "AngleB", -360, 360, 1, 2, 0);
  AngleL = Label(this, "Angle:", "AngleL", AngleB);
  Row(g, AngleL, AngleB, Label(this, "deg CCW", "AngleUnitL", nullptr));
  RotSymB = Check(this, "Rotate symbols", "RotSymB");
  Body()->addWidget(RotSymB);
}

bool TRotateMapDlg::TakeOver() {
  if (!Validate(AngleB, AngleL, nullptr, Sink())) return false;
  degrees = AngleB->Value();
  rotateSymbols = RotSymB->isChecked();
  return true;
}

TChangeScaleDlg::TChangeScaleDlg(double actualScale, MessageSink& sink, HelpRequester* help,
                                 QWidget* parent)
    : TZelkDlg(sink, help, "Change Scale", kMapWideHelp, parent) {
  auto* g = Rows(Body());
  auto* actual =
      Label(this, QString::fromStdString(FormatNumber(actualScale, 0)), "ActualB", nullptr);
  ActualL = Label(this, "Actual scale:", "ActualL", nullptr);
  Row(g, ActualL, actual, nullptr);
  // A scale of 0 or less has no meaning: the field starts at 1.
  NewB = Spin(this, "NewB", 1, 10000000, 1000, 0, actualScale);
  NewL = Label(this, "New scale:", "NewL", NewB);
  Row(g, NewL, NewB, nullptr);
  ScaleSymB = Check(this, "Enlarge/reduce symbols", "ScaleSymB");
  Body()->addWidget(ScaleSymB);
}

bool TChangeScaleDlg::TakeOver() {
  if (!Validate(NewB, NewL, nullptr, Sink())) return false;
  newScale = NewB->Value();
  scaleSymbols = ScaleSymB->isChecked();
  return true;
}

TEnlargeSymDlg::TEnlargeSymDlg(MessageSink& sink, HelpRequester* help, QWidget* parent)
    : TZelkDlg(sink, help, "Enlarge Symbol", kMapWideHelp, parent) {
  auto* g = Rows(Body());
  // 1 % to 1000 %: beyond that the sizes a symbol keeps in its 16-bit fields overflow.
  FactorB = Spin(this, "FactorB", 1, 1000, 10, 1, 100);
  FactorL = Label(this, "Factor:", "FactorL", FactorB);
  Row(g, FactorL, FactorB, Label(this, "%", "FactorUnitL", nullptr));
  AllB = Check(this, "All symbols", "AllB");
  Body()->addWidget(AllB);
}

bool TEnlargeSymDlg::TakeOver() {
  if (!Validate(FactorB, FactorL, nullptr, Sink())) return false;
  percent = FactorB->Value();
  allSymbols = AllB->isChecked();
  return true;
}

TChangeSymDlg::TChangeSymDlg(MapStore& store, MessageSink& sink, HelpRequester* help,
                             QWidget* parent)
    : TZelkDlg(sink, help, "Change Symbols", kMapWideHelp, parent), store_(store) {
  Body()->addWidget(Label(this, "Change all objects with", "WithL", nullptr));
  auto* g = new QGridLayout;
  Body()->addLayout(g);
  BySymB = new QRadioButton("Symbol no:", this);
  BySymB->setObjectName("BySymB");
  ByLayerB = new QRadioButton("DXF layer:", this);
  ByLayerB->setObjectName("ByLayerB");
  BySymB->setChecked(true);
  FromB = new QLineEdit(this);
  FromB->setObjectName("FromB");
  FromB->setMaxLength(5);
  LayerB = new QLineEdit(this);
  LayerB->setObjectName("LayerB");
  LayerB->setMaxLength(15);
  ToB = new QLineEdit(this);
  ToB->setObjectName("ToB");
  ToB->setMaxLength(5);
  g->addWidget(BySymB, 0, 0);
  g->addWidget(FromB, 0, 1);
  g->addWidget(ByLayerB, 1, 0);
  g->addWidget(LayerB, 1, 1);
  g->addWidget(Label(this, "To symbol no:", "ToL", ToB), 2, 0);
  g->addWidget(ToB, 2, 1);
}

bool TChangeSymDlg::TakeOver() {
  layer.clear();
  if (BySymB->isChecked()) {
    const auto f = ValidateSymbolNumber(FromB, Sink());
    if (!f) return false;
    from = *f;
  } else {
    layer = LayerB->text().toStdString();
    if (layer.empty()) {
      Sink().Error("Enter the name of a DXF layer.");
      LayerB->setFocus();
      return false;
    }
  }
  const auto t = ValidateSymbolNumber(ToB, Sink());
  if (!t) return false;
  if (store_.SymbolPlace(*t) < 0) {
    Sink().Error("Symbol does not exist.");
    ToB->setFocus();
    return false;
  }
  to = *t;
  return true;
}

TOptimizeDlg::TOptimizeDlg(MessageSink& sink, HelpRequester* help, QWidget* parent)
    : TZelkDlg(sink, help, "Optimize/Repair File", kMapWideHelp, parent) {
  DelUndefB = Check(this, "Delete objects with undefined symbol", "DelUndefB");
  Body()->addWidget(DelUndefB);
}

bool TOptimizeDlg::TakeOver() {
  deleteUndefined = DelUndefB->isChecked();
  return true;
}

TGridLinesDlg::TGridLinesDlg(MessageSink& sink, HelpRequester* help, QWidget* parent)
    : TZelkDlg(sink, help, "Grid Lines", kMapWideHelp, parent) {
  Body()->addWidget(
      Label(this, "The selected line symbol is used for the grid lines.", "InfoL", nullptr));
  PaperB = new QRadioButton("Paper grid", this);
  PaperB->setObjectName("PaperB");
  RealB = new QRadioButton("Real world grid", this);
  RealB->setObjectName("RealB");
  RealB->setChecked(true);
  Body()->addWidget(PaperB);
  Body()->addWidget(RealB);
}

bool TGridLinesDlg::TakeOver() {
  realWorld = RealB->isChecked();
  return true;
}

TOptResultDlg::TOptResultDlg(const std::vector<std::string>& lines, MessageSink& sink,
                             HelpRequester* help, QWidget* parent)
    : TZelkDlg(sink, help, "Optimization Result", 0, parent) {
  ResultM = new QPlainTextEdit(this);
  ResultM->setObjectName("ResultM");
  ResultM->setReadOnly(true);
  QString text;
  for (const std::string& l : lines) text += QString::fromStdString(l) + "\n";
  ResultM->setPlainText(text);
  ResultM->setMinimumSize(380, 220);
  Body()->addWidget(ResultM);
  CancelBtn->hide();
}

}  // namespace zelk
