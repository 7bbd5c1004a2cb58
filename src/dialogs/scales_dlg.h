// The Scales dialog: map scale, draft scales, grids and real-world coordinates of the open map.
#pragma once

#include "dialogs/dialog_base.h"

class QComboBox;
class QLabel;

namespace zelk {

class MapStore;
class TRealSpin;

class TScalesDlg : public TZelkDlg {
  Q_OBJECT

 public:
  TScalesDlg(MapStore& store, MessageSink& sink, HelpRequester* help, QWidget* parent = nullptr);

  // True after OK: the new settings are in the map and the drawing window must be repainted.
  bool RepaintNeeded() const { return repaintNeeded_; }

  // Bounds of the map scale's free entry: those a map file keeps when it is opened again.
  static constexpr double kMinMapScale = 1;
  static constexpr double kMaxMapScale = 10000000;

  QLabel* MapScaleL;
  QComboBox* MapScaleB;
  QLabel* DraftHorL;
  TRealSpin* DraftHorB;
  QLabel* DraftVerL;
  TRealSpin* DraftVerB;
  QLabel* PaperGridL;
  TRealSpin* PaperGridB;
  QLabel* PaperGridUnitL;
  QLabel* RealHorL;
  TRealSpin* RealHorB;
  QLabel* RealHorUnitL;
  QLabel* RealVerL;
  TRealSpin* RealVerB;
  QLabel* RealVerUnitL;
  QLabel* RealAngleL;
  TRealSpin* RealAngleB;
  QLabel* RealAngleUnitL;
  QLabel* RealGridL;
  TRealSpin* RealGridB;
  QLabel* RealGridUnitL;

 protected:
  void FormShow() override;
  bool TakeOver() override;

 private:
  // The draft scales may lie between a tenth and ten times the map scale.
  void MapScaleChanged(const QString& text);

  MapStore& store_;
  bool repaintNeeded_ = false;
};

}  // namespace zelk
