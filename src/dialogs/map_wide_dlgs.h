// The dialogs of the map-wide operations: move, stretch, rotate, change of scale, enlarging
// symbols, changing symbols, optimizing and its result.
#pragma once

#include <string>
#include <vector>

#include "dialogs/dialog_base.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QPlainTextEdit;

namespace zelk {

class MapStore;
class TRealSpin;

class TMoveMapDlg : public TZelkDlg {
  Q_OBJECT
 public:
  TMoveMapDlg(MessageSink& sink, HelpRequester* help, QWidget* parent = nullptr);
  double dxMm = 0, dyMm = 0;
  QLabel *HorL, *VerL;
  TRealSpin *HorB, *VerB;

 protected:
  bool TakeOver() override;
};

class TStretchMapDlg : public TZelkDlg {
  Q_OBJECT
 public:
  TStretchMapDlg(MessageSink& sink, HelpRequester* help, QWidget* parent = nullptr);
  double hPercent = 100, vPercent = 100;
  bool mirrorX = false, mirrorY = false;
  QLabel *HorL, *VerL;
  TRealSpin *HorB, *VerB;
  QCheckBox *MirrorXB, *MirrorYB;

 protected:
  bool TakeOver() override;
};

class TRotateMapDlg : public TZelkDlg {
  Q_OBJECT
 public:
  TRotateMapDlg(MessageSink& sink, HelpRequester* help, QWidget* parent = nullptr);
  double degrees = 0;
  bool rotateSymbols = false;
  QLabel* AngleL;
  TRealSpin* AngleB;
  QCheckBox* RotSymB;

 protected:
  bool TakeOver() override;
};

class TChangeScaleDlg : public TZelkDlg {
  Q_OBJECT
 public:
  TChangeScaleDlg(double actualScale, MessageSink& sink, HelpRequester* help,
                  QWidget* parent = nullptr);
  double newScale = 0;
  bool scaleSymbols = false;
  QLabel *ActualL, *NewL;
  TRealSpin* NewB;
  QCheckBox* ScaleSymB;

 protected:
  bool TakeOver() override;
};

class TEnlargeSymDlg : public TZelkDlg {
  Q_OBJECT
 public:
  TEnlargeSymDlg(MessageSink& sink, HelpRequester* help, QWidget* parent = nullptr);
  double percent = 100;
  bool allSymbols = false;
  QLabel* FactorL;
  TRealSpin* FactorB;
  QCheckBox* AllB;

 protected:
  bool TakeOver() override;
};

class TChangeSymDlg : public TZelkDlg {
  Q_OBJECT
 public:
  TChangeSymDlg(MapStore& store, MessageSink& sink, HelpRequester* help, QWidget* parent = nullptr);
  int from = 0, to = 0;  // stored numbers
  std::string layer;     // when "DXF layer:" is chosen
  QRadioButton *BySymB, *ByLayerB;
  QLineEdit *FromB, *LayerB, *ToB;

 protected:
  bool TakeOver() override;

 private:
  MapStore& store_;
};

class TOptimizeDlg : public TZelkDlg {
  Q_OBJECT
 public:
  TOptimizeDlg(MessageSink& sink, HelpRequester* help, QWidget* parent = nullptr);
  bool deleteUndefined = false;
  QCheckBox* DelUndefB;

 protected:
  bool TakeOver() override;
};

// "Grid Lines": lines at the paper grid or at the real-world grid.
class TGridLinesDlg : public TZelkDlg {
  Q_OBJECT
 public:
  TGridLinesDlg(MessageSink& sink, HelpRequester* help, QWidget* parent = nullptr);
  bool realWorld = true;
  QRadioButton *PaperB, *RealB;

 protected:
  bool TakeOver() override;
};

// "Optimization Result": the counts and the list of objects with unknown symbol.
class TOptResultDlg : public TZelkDlg {
  Q_OBJECT
 public:
  TOptResultDlg(const std::vector<std::string>& lines, MessageSink& sink, HelpRequester* help,
                QWidget* parent = nullptr);
  QPlainTextEdit* ResultM;

 protected:
  bool TakeOver() override { return true; }
};

}  // namespace zelk
