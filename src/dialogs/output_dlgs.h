// The dialogs of printing and export: Print, Print Window, Printing Options, CMYK Separations,
// the abort dialog, EPS Properties and Export BMP File.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

#include "dialogs/dialog_base.h"
#include "output/print_job.h"
#include "storage/map_store.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace zelk {

class FileChooser;
class TIntSpin;
class TRealSpin;

// "EPS Properties": whether the standard fonts are written as PostScript fonts.
class TEpsStpDlg : public TZelkDlg {
  Q_OBJECT

 public:
  TEpsStpDlg(bool standardFonts, MessageSink& sink, HelpRequester* help, QWidget* parent = nullptr);
  bool StandardFonts() const { return standardFonts_; }
  QCheckBox* StdFontB;

 protected:
  bool TakeOver() override;

 private:
  bool standardFonts_;
};

// "Export BMP File": the file and the resolution.
class TExpBmpDlg : public TZelkDlg {
  Q_OBJECT

 public:
  TExpBmpDlg(FileChooser* chooser, MessageSink& sink, HelpRequester* help,
             QWidget* parent = nullptr);
  // The map's name with ".bmp", or "Untitled.bmp" in `folder`.
  void Propose(const std::string& mapPath, const std::string& folder);
  std::string Path() const { return path_; }
  int Resolution() const { return resolution_; }

  QLineEdit* FilenameB;
  QLineEdit* FolderB;
  QPushButton* BrowseBtn;
  QLineEdit* ResolB;

 protected:
  bool TakeOver() override;

 private:
  void BrowseBtnClick();
  FileChooser* chooser_;
  std::string path_;
  int resolution_ = 300;
};

// "Printing Options": intensity, line width and the grid.
class TPrOptDlg : public TZelkDlg {
  Q_OBJECT

 public:
  TPrOptDlg(PrintSettings& settings, const MapStore& store, MessageSink& sink, HelpRequester* help,
            QWidget* parent = nullptr);
  TIntSpin* IntensityB;
  TIntSpin* LineWidthB;
  QCheckBox* GridB;
  QComboBox* GridColorB;

 protected:
  bool TakeOver() override;

 private:
  PrintSettings& settings_;
  std::vector<int> colorNumbers_;
  QLabel* intensityL_;
  QLabel* lineWidthL_;
};

// "CMYK Separations": the halftone screens of the process colours, kept in the colour table.
class TCmykSepDlg : public TZelkDlg {
  Q_OBJECT

 public:
  TCmykSepDlg(SymbolHeader& colors, MessageSink& sink, HelpRequester* help,
              QWidget* parent = nullptr);
  TRealSpin* FreqB[4];
  TRealSpin* AngleB[4];
  QPushButton* StandardBtn;

 protected:
  bool TakeOver() override;

 private:
  void StandardBtnClick();
  SymbolHeader& colors_;
  QLabel* freqL_[4];
  QLabel* angleL_[4];
};

// "Print Window": the window in mm, the overlaps and a preview of the pages.
class TPrintWinDlg : public TZelkDlg {
  Q_OBJECT

 public:
  // `pageWidthMm` x `pageHeightMm`: the printable area of the printer's paper; k = map scale /
  // print scale; `extent`: the map's extent (coordinate words).
  TPrintWinDlg(PrintSettings& settings, const std::string& printer, int pageWidthMm,
               int pageHeightMm, double k, const Box& extent, MessageSink& sink,
               HelpRequester* help, QWidget* parent = nullptr);
  QLabel* PrinterL;
  QLabel* PageSizeL;
  QLabel* PrintSizeL;
  TRealSpin* LeftB;
  TRealSpin* RightB;
  TRealSpin* BottomB;
  TRealSpin* TopB;
  TIntSpin* HorOvlB;
  TIntSpin* VerOvlB;
  QPushButton* PageSizeBtn;
  QPushButton* MapSizeBtn;
  QWidget* PreviewB;

  // The window and layout as the fields show them now.
  Box FieldWindow() const;
  PageLayout FieldLayout() const;

 protected:
  bool TakeOver() override;

 private:
  void Refresh();
  void PageSizeBtnClick();
  void MapSizeBtnClick();
  PrintSettings& settings_;
  int pageW_, pageH_;
  double k_;
  Box extent_;
};

// The dialog shown while printing: "Printing:" and the document; Cancel sets the abort flag.
class TAbortPrintDlg : public QDialog {
  Q_OBJECT

 public:
  explicit TAbortPrintDlg(const std::string& document, QWidget* parent = nullptr);
  bool Aborted() const { return aborted_; }
  QLabel* NameL;
  QPushButton* CancelBtn;

 protected:
  void reject() override { aborted_ = true; }

 private:
  bool aborted_ = false;
};

// What the Print dialog asks of the program around it.
class PrintDialogServices {
 public:
  virtual ~PrintDialogServices() = default;
  virtual std::vector<std::string> Printers() = 0;
  // The printer driver's own properties dialog.
  virtual void PrinterProperties(const std::string& printer, QWidget* parent) = 0;
  // The printable area of the printer's paper in whole mm.
  virtual void PrintableArea(const std::string& printer, int* widthMm, int* heightMm) = 0;
};

// "Print": printer, kind, device, scale, copies, print to file and separations.
class TPrintDlg : public TZelkDlg {
  Q_OBJECT

 public:
  TPrintDlg(PrintSettings& settings, MapStore& store, PrintDialogServices* services,
            MessageSink& sink, HelpRequester* help, QWidget* parent = nullptr);
  std::string Printer() const;

  QComboBox* PrinterB;
  QPushButton* PropertiesBtn;
  QPushButton* WindowBtn;
  QPushButton* OptionsBtn;
  QPushButton* CmykBtn;
  QGroupBox* PrintGrp;
  QRadioButton* ColorMapRb;
  QRadioButton* CmykRb;
  QRadioButton* SpotRb;
  QGroupBox* PrinterGrp;
  QRadioButton* PrinterRb;
  QRadioButton* EpsRb;
  QLabel* MapScaleL;
  QComboBox* PrintScaleB;
  TIntSpin* CopiesB;
  QCheckBox* ToFileB;
  QListWidget* SeparationB;

 protected:
  bool TakeOver() override;

 private:
  void KindChanged();
  void DeviceChanged();
  void PropertiesBtnClick();
  void WindowBtnClick();
  // The print scale the field shows, or 0 when it is no number.
  double FieldScale() const;
  PrintSettings& settings_;
  MapStore& store_;
  PrintDialogServices* services_;
  QLabel* copiesL_;
};

}  // namespace zelk
