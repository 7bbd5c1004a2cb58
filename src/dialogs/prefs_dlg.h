// The Preferences dialog: the user's drawing and start-up choices.
#pragma once

#include "dialogs/dialog_base.h"

class QCheckBox;
class QGroupBox;
class QRadioButton;

namespace zelk {

struct Preferences;
class RegistryStore;

class TPrefsDlg : public TZelkDlg {
  Q_OBJECT

 public:
  // `registry` may be null: the values are then only taken over.
  TPrefsDlg(Preferences& prefs, RegistryStore* registry, MessageSink& sink, HelpRequester* help,
            QWidget* parent = nullptr);

  // Whether the last OK changed something the drawing window shows (hatching, dimmed
  // templates, real-world coordinates, smooth edges), so that it must be repainted.
  bool RepaintNeeded() const { return repaintNeeded_; }

  QCheckBox* LineUpdateB;
  QCheckBox* AreaUpdateB;
  QCheckBox* HatchAreasB;
  QCheckBox* DimTemplateB;
  QCheckBox* RealWorldB;
  QCheckBox* FreehandCurveB;
  QCheckBox* AntialiasedB;
  QCheckBox* AutoLoadB;
  QCheckBox* AutoSaveB;
  QGroupBox* SelectModeG;
  QRadioButton* SelPartialB;
  QRadioButton* SelEntireB;
  QGroupBox* CurveModeG;
  QRadioButton* CurveZelkB;
  QRadioButton* CurveIllustratorB;

 protected:
  void FormShow() override;
  bool TakeOver() override;

 private:
  Preferences& prefs_;
  RegistryStore* registry_;
  bool repaintNeeded_ = false;
};

}  // namespace zelk
