// The colour table dialogs: "Colors" (the table in drawing order), "Define Color" (one colour)
// and "Color Separation" (the spot-colour separations).
#pragma once

#include "dialogs/dialog_base.h"
#include "storage/records.h"
#include "storage/symbol_derived.h"

class QLabel;
class QLineEdit;
class QTableWidget;

namespace zelk {

class MapStore;
class TRealSpin;

// A swatch of a map colour, as the screen shows it.
class ColorSwatch : public QWidget {
 public:
  explicit ColorSwatch(QWidget* parent = nullptr);
  void SetCmyk(const std::array<uint8_t, 4>& cmyk);
  QColor Shown() const { return color_; }

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  QColor color_ = Qt::white;
};

QColor ScreenQColor(const std::array<uint8_t, 4>& cmyk);

// "Define Color": works on the table it is given; `current` is the colour shown.
class TDefColorDlg : public TZelkDlg {
  Q_OBJECT

 public:
  TDefColorDlg(SymbolHeader& table, int current, const ColorSet& symbolColors, MessageSink& sink,
               HelpRequester* help, QWidget* parent = nullptr);
  int Current() const { return current_; }

  QLineEdit* NameB;
  TRealSpin* CyanB;
  TRealSpin* MagentaB;
  TRealSpin* YellowB;
  TRealSpin* BlackB;
  TRealSpin* RedB;
  TRealSpin* GreenB;
  TRealSpin* BlueB;
  QTableWidget* ColSepB;
  ColorSwatch* PreviewB;
  QPushButton* NewBtn;
  QPushButton* DeleteBtn;
  QPushButton* PreviousBtn;
  QPushButton* NextBtn;

  void NewBtnClick();
  void DeleteBtnClick();
  void PreviousBtnClick();
  void NextBtnClick();

 protected:
  bool TakeOver() override;

 private:
  void ShowColor();
  // Checks and stores the colour shown; false (with the message shown) when a field is wrong.
  bool StoreColor();
  void CmykChanged();
  void RgbChanged();
  void UpdateButtons();

  SymbolHeader& table_;
  ColorSet symbolColors_;
  int current_;
  bool inStep_ = false;
  QLabel* cmykLabels_[4];
  QLabel* rgbLabels_[3];
};

// "Color Separation": the spot-colour separations of the table.
class TColorSepDlg : public TZelkDlg {
  Q_OBJECT

 public:
  TColorSepDlg(SymbolHeader& table, MessageSink& sink, HelpRequester* help,
               QWidget* parent = nullptr);
  int Current() const { return current_; }

  QLineEdit* NameB;
  TRealSpin* FreqB;
  TRealSpin* AngleB;
  QPushButton* NewBtn;
  QPushButton* DeleteBtn;
  QPushButton* PreviousBtn;
  QPushButton* NextBtn;

  void NewBtnClick();
  void DeleteBtnClick();
  void PreviousBtnClick();
  void NextBtnClick();
  void reject() override;

 protected:
  bool TakeOver() override;

 private:
  void ShowSeparation();
  bool StoreSeparation();
  void UpdateButtons();

  SymbolHeader& table_;
  int current_ = 0;
  // The last separation was made by opening or by New and not left since: Cancel removes it.
  bool freshLast_ = false;
  QLabel* FreqL;
  QLabel* FreqUnitL;
  QLabel* AngleL;
  QLabel* AngleUnitL;
};

// "Colors": the whole table. The table is copied when the dialog opens and put back on Cancel;
// OK brings the map up to date with the new table.
class TColorsDlg : public TZelkDlg {
  Q_OBJECT

 public:
  TColorsDlg(MapStore& store, MessageSink& sink, HelpRequester* help, QWidget* parent = nullptr);
  bool RedrawNeeded() const { return redrawNeeded_; }
  int Current() const { return current_; }

  QTableWidget* ColorB;
  QPushButton* ColorBtn;
  QPushButton* SepBtn;
  QPushButton* MoveUpBtn;
  QPushButton* MoveDnBtn;

  void ColorBtnClick();
  void SepBtnClick();
  void MoveUpBtnClick();
  void MoveDnBtnClick();
  void reject() override;
  // Makes a row current (as a click on it does).
  void SetCurrent(int index);

  // The colours any symbol of the map draws with: new colours do not take these numbers.
  static ColorSet SymbolColors(const MapStore& store);

  static constexpr int kNumberColumn = 0;
  static constexpr int kNameColumn = 1;
  static constexpr int kSwatchColumn = 2;
  static constexpr int kFirstSeparationColumn = 3;

 protected:
  bool TakeOver() override;

 private:
  void FillGrid();
  // Stores the edited names and separation shares; false after showing the first problem.
  bool StoreGrid();
  void Move(int direction);

  MapStore& store_;
  SymbolHeader saved_;
  int current_ = 0;
  bool redrawNeeded_ = false;
  // The colours renumbered in the grid: the number each number of the table as opened has now.
  ColorNumberMap renumbered_ = IdentityColorMap();
};

}  // namespace zelk
