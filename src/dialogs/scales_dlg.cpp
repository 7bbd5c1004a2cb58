// The Scales dialog.
#include "dialogs/scales_dlg.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "dialogs/number_text.h"
#include "dialogs/spin_edit.h"
#include "storage/map_store.h"
#include "storage/messages.h"
#include "storage/text_format.h"

namespace zelk {

namespace {
struct FieldLimits {
  double lo, hi, increment;
  int decimals, maxLength;
};

TRealSpin* MakeSpin(QWidget* parent, const char* name, const FieldLimits& s) {
  auto* f = new TRealSpin(parent);
  f->setObjectName(name);
  f->SetRange(s.lo, s.hi);
  f->SetIncrement(s.increment);
  f->SetDecimals(s.decimals);
  f->setMaxLength(s.maxLength);
  return f;
}

QLabel* MakeLabel(QWidget* parent, const char* caption, const char* name, QWidget* buddy) {
  auto* l = new QLabel(caption, parent);
  l->setObjectName(name);
  if (buddy) l->setBuddy(buddy);
  return l;
}

// One row of a group: label, field, unit.
void AddRow(QGridLayout* grid, int row, QLabel* label, QWidget* field, QLabel* unit) {
  grid->addWidget(label, row, 0);
  grid->addWidget(field, row, 1);
  if (unit) grid->addWidget(unit, row, 2);
}

constexpr FieldLimits kDraft{1, 100000000, 500, 1, 11};
constexpr FieldLimits kPaperGrid{0.05, 100, 0.5, 2, 6};
constexpr FieldLimits kOffset{-10000000, 10000000, 100, 1, 11};
constexpr FieldLimits kAngle{-360, 360, 1, 2, 7};
constexpr FieldLimits kRealGrid{10, 100000, 100, 0, 6};
constexpr int kMapScaleDecimals = 0;
}  // namespace

TScalesDlg::TScalesDlg(MapStore& store, MessageSink& sink, HelpRequester* help, QWidget* parent)
    : TZelkDlg(sink, help, "Scales", help::kScales, parent), store_(store) {
  auto* top = new QGridLayout;
  MapScaleB = new QComboBox(this);
  MapScaleB->setObjectName("MapScaleB");
  MapScaleB->setEditable(true);
  MapScaleB->setInsertPolicy(QComboBox::NoInsert);
  for (const char* s : {"5000", "7500", "10000", "12500", "15000", "20000", "25000", "50000"})
    MapScaleB->addItem(s);
  MapScaleB->lineEdit()->setMaxLength(11);
  MapScaleB->setMinimumWidth(110);
  MapScaleL = MakeLabel(this, "Map scale:", "MapScaleL", MapScaleB);
  AddRow(top, 0, MapScaleL, MapScaleB, nullptr);
  top->setColumnStretch(3, 1);
  Body()->addLayout(top);

  auto* draft = new QGroupBox("Draft", this);
  auto* draftGrid = new QGridLayout(draft);
  DraftHorB = MakeSpin(draft, "DraftHorB", kDraft);
  DraftVerB = MakeSpin(draft, "DraftVerB", kDraft);
  DraftHorL = MakeLabel(draft, "Horizontal scale:", "DraftHorL", DraftHorB);
  DraftVerL = MakeLabel(draft, "Vertical scale:", "DraftVerL", DraftVerB);
  AddRow(draftGrid, 0, DraftHorL, DraftHorB, nullptr);
  AddRow(draftGrid, 1, DraftVerL, DraftVerB, nullptr);
  draftGrid->setColumnStretch(3, 1);
  Body()->addWidget(draft);

  auto* paper = new QGroupBox("Paper coordinates", this);
  auto* paperGrid = new QGridLayout(paper);
  PaperGridB = MakeSpin(paper, "PaperGridB", kPaperGrid);
  PaperGridL = MakeLabel(paper, "Grid distance:", "PaperGridL", PaperGridB);
  PaperGridUnitL = MakeLabel(paper, "mm", "PaperGridUnitL", nullptr);
  AddRow(paperGrid, 0, PaperGridL, PaperGridB, PaperGridUnitL);
  paperGrid->setColumnStretch(3, 1);
  Body()->addWidget(paper);

  auto* real = new QGroupBox("Real world coordinates", this);
  auto* realGrid = new QGridLayout(real);
  RealHorB = MakeSpin(real, "RealHorB", kOffset);
  RealVerB = MakeSpin(real, "RealVerB", kOffset);
  RealAngleB = MakeSpin(real, "RealAngleB", kAngle);
  RealGridB = MakeSpin(real, "RealGridB", kRealGrid);
  RealHorL = MakeLabel(real, "Horizontal offset:", "RealHorL", RealHorB);
  RealVerL = MakeLabel(real, "Vertical offset:", "RealVerL", RealVerB);
  RealAngleL = MakeLabel(real, "Angle:", "RealAngleL", RealAngleB);
  RealGridL = MakeLabel(real, "Grid distance:", "RealGridL", RealGridB);
  RealHorUnitL = MakeLabel(real, "m", "RealHorUnitL", nullptr);
  RealVerUnitL = MakeLabel(real, "m", "RealVerUnitL", nullptr);
  RealAngleUnitL = MakeLabel(real, "deg", "RealAngleUnitL", nullptr);
  RealGridUnitL = MakeLabel(real, "m", "RealGridUnitL", nullptr);
  AddRow(realGrid, 0, RealHorL, RealHorB, RealHorUnitL);
  AddRow(realGrid, 1, RealVerL, RealVerB, RealVerUnitL);
  AddRow(realGrid, 2, RealAngleL, RealAngleB, RealAngleUnitL);
  AddRow(realGrid, 3, RealGridL, RealGridB, RealGridUnitL);
  realGrid->setColumnStretch(3, 1);
  Body()->addWidget(real);

  connect(MapScaleB, &QComboBox::editTextChanged, this, &TScalesDlg::MapScaleChanged);
  FormShow();
}

void TScalesDlg::MapScaleChanged(const QString& text) {
  const RealText t = ReadRealText(text.toStdString());
  if (!t.isNumber || t.value < kMinMapScale || t.value > kMaxMapScale) return;
  for (TRealSpin* f : {DraftHorB, DraftVerB}) f->SetRange(t.value * 0.1, t.value * 10);
}

void TScalesDlg::FormShow() {
  const SetupBlock& s = store_.Setup();
  MapScaleB->setEditText(QString::fromStdString(FormatNumber(s.MapScale(), 6)));
  MapScaleChanged(MapScaleB->currentText());
  DraftHorB->SetValue(s.DraftScaleX());
  DraftVerB->SetValue(s.DraftScaleY());
  PaperGridB->SetValue(s.PaperGrid());
  RealHorB->SetValue(s.RealWorldX());
  RealVerB->SetValue(s.RealWorldY());
  RealAngleB->SetValue(s.RealWorldAngle());
  RealGridB->SetValue(s.RealWorldGrid());
}

bool TScalesDlg::TakeOver() {
  const std::string scaleText = MapScaleB->currentText().toStdString();
  if (auto problem = RealFieldProblem(scaleText, kMinMapScale, kMaxMapScale, kMapScaleDecimals,
                                      FieldName(MapScaleL->text().toStdString()))) {
    Sink().Error(*problem);
    MapScaleB->setFocus(Qt::OtherFocusReason);
    MapScaleB->lineEdit()->selectAll();
    return false;
  }
  MapScaleChanged(MapScaleB->currentText());
  if (!Validate(DraftHorB, DraftHorL, nullptr, Sink()) ||
      !Validate(DraftVerB, DraftVerL, nullptr, Sink()) ||
      !Validate(PaperGridB, PaperGridL, PaperGridUnitL, Sink()) ||
      !Validate(RealHorB, RealHorL, RealHorUnitL, Sink()) ||
      !Validate(RealVerB, RealVerL, RealVerUnitL, Sink()) ||
      !Validate(RealAngleB, RealAngleL, RealAngleUnitL, Sink()) ||
      !Validate(RealGridB, RealGridL, RealGridUnitL, Sink()))
    return false;
  SetupBlock& s = store_.MutableSetup();
  s.SetMapScale(ReadRealText(scaleText).value);
  s.SetDraftScaleX(DraftHorB->Value());
  s.SetDraftScaleY(DraftVerB->Value());
  s.SetPaperGrid(PaperGridB->Value());
  s.SetRealWorldX(RealHorB->Value());
  s.SetRealWorldY(RealVerB->Value());
  s.SetRealWorldAngle(RealAngleB->Value());
  s.SetRealWorldGrid(RealGridB->Value());
  // A failed write has shown the file's message; the settings stay in force in memory.
  if (store_.IsOpen()) store_.WriteSettings();
  repaintNeeded_ = true;
  return true;
}

}  // namespace zelk
