// The Preferences dialog.
#include "dialogs/prefs_dlg.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QRadioButton>
#include <QVBoxLayout>

#include "storage/messages.h"
#include "storage/preferences.h"
#include "storage/registry_store.h"

namespace zelk {

namespace {
QRadioButton* AddRadio(QGroupBox* group, const char* caption, const char* name) {
  auto* b = new QRadioButton(caption, group);
  b->setObjectName(name);
  group->layout()->addWidget(b);
  return b;
}
}  // namespace

TPrefsDlg::TPrefsDlg(Preferences& prefs, RegistryStore* registry, MessageSink& sink,
                     HelpRequester* help, QWidget* parent)
    : TZelkDlg(sink, help, "Preferences", help::kPreferences, parent),
      prefs_(prefs),
      registry_(registry) {
  auto* columns = new QHBoxLayout;
  auto* checks = new QVBoxLayout;
  auto addCheck = [&](const char* caption, const char* name) {
    auto* b = new QCheckBox(caption, this);
    b->setObjectName(name);
    checks->addWidget(b);
    return b;
  };
  LineUpdateB = addCheck("Delayed redraw of lines", "LineUpdateB");
  AreaUpdateB = addCheck("Delayed redraw of areas", "AreaUpdateB");
  HatchAreasB = addCheck("Hatched areas", "HatchAreasB");
  DimTemplateB = addCheck("Di&m template", "DimTemplateB");
  RealWorldB = addCheck("Real world coordinates", "RealWorldB");
  FreehandCurveB = addCheck("Freehand to cur&ve", "FreehandCurveB");
  AntialiasedB = addCheck("Antialiased drawing", "AntialiasedB");
  AutoLoadB = addCheck("&Auto file load", "AutoLoadB");
  AutoSaveB = addCheck("Auto &file save", "AutoSaveB");
  checks->addStretch(1);

  auto* groups = new QVBoxLayout;
  SelectModeG = new QGroupBox("Selecting objects", this);
  SelectModeG->setObjectName("SelectModeG");
  SelectModeG->setLayout(new QVBoxLayout);
  SelPartialB = AddRadio(SelectModeG, "All objects &partially in the rectangle", "SelPartialB");
  SelEntireB = AddRadio(SelectModeG, "Only objects &entirely in the rectangle", "SelEntireB");
  CurveModeG = new QGroupBox("Drawing curves", this);
  CurveModeG->setObjectName("CurveModeG");
  CurveModeG->setLayout(new QVBoxLayout);
  CurveZelkB = AddRadio(CurveModeG, "ZELK mode", "CurveZelkB");
  CurveIllustratorB = AddRadio(CurveModeG, "Adobe &Illustrator mode", "CurveIllustratorB");
  groups->addWidget(SelectModeG);
  groups->addWidget(CurveModeG);
  groups->addStretch(1);

  columns->addLayout(checks);
  columns->addSpacing(12);
  columns->addLayout(groups);
  Body()->addLayout(columns);
  FormShow();
}

void TPrefsDlg::FormShow() {
  LineUpdateB->setChecked(prefs_.lineUpdate);
  AreaUpdateB->setChecked(prefs_.areaUpdate);
  HatchAreasB->setChecked(prefs_.hatchAreas);
  DimTemplateB->setChecked(prefs_.dimTemplate);
  RealWorldB->setChecked(prefs_.realWorldCord);
  FreehandCurveB->setChecked(prefs_.freehandToCurve);
  AntialiasedB->setChecked(prefs_.antialiased);
  AutoLoadB->setChecked(prefs_.autoLoad);
  AutoSaveB->setChecked(prefs_.autoSave);
  (prefs_.selectMode == 1 ? SelEntireB : SelPartialB)->setChecked(true);
  (prefs_.curveMode == 1 ? CurveIllustratorB : CurveZelkB)->setChecked(true);
}

bool TPrefsDlg::TakeOver() {
  repaintNeeded_ = HatchAreasB->isChecked() != prefs_.hatchAreas ||
                   DimTemplateB->isChecked() != prefs_.dimTemplate ||
                   RealWorldB->isChecked() != prefs_.realWorldCord ||
                   AntialiasedB->isChecked() != prefs_.antialiased;
  prefs_.lineUpdate = LineUpdateB->isChecked();
  prefs_.areaUpdate = AreaUpdateB->isChecked();
  prefs_.hatchAreas = HatchAreasB->isChecked();
  prefs_.dimTemplate = DimTemplateB->isChecked();
  prefs_.realWorldCord = RealWorldB->isChecked();
  prefs_.freehandToCurve = FreehandCurveB->isChecked();
  prefs_.antialiased = AntialiasedB->isChecked();
  prefs_.autoLoad = AutoLoadB->isChecked();
  prefs_.autoSave = AutoSaveB->isChecked();
  prefs_.selectMode = SelEntireB->isChecked() ? 1 : 0;
  prefs_.curveMode = CurveIllustratorB->isChecked() ? 1 : 0;
  if (registry_) {
    prefs_.Write(*registry_);
    // The values stay in force for this session even when the file cannot be written.
    if (!registry_->Save()) Sink().Error(ComposeMessage("Cannot write to", registry_->Path()));
  }
  return true;
}

}  // namespace zelk
