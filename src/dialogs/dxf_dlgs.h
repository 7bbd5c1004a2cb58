// The import and export dialogs: "Import ZELK Map", "Import DXF File" and "Export DXF File".
#pragma once

#include <functional>
#include <string>

#include "dialogs/dialog_base.h"
#include "exchange/crt_table.h"
#include "exchange/dxf_import.h"

class QLabel;
class QLineEdit;
class QRadioButton;
class QCheckBox;
class QGroupBox;

namespace zelk {

class FileChooser;
class MapStore;
class TRealSpin;

// The offsets of a map import, in mm; kept between imports by the caller.
class TImportDlg : public TZelkDlg {
  Q_OBJECT

 public:
  TImportDlg(MessageSink& sink, HelpRequester* help, QWidget* parent = nullptr);
  // In coordinate words (1/256 of 0.01 mm).
  void SetOffsets(int32_t dx, int32_t dy);
  int32_t OffsetX() const { return dx_; }
  int32_t OffsetY() const { return dy_; }

  TRealSpin* HorOfsB;
  TRealSpin* VerOfsB;

 protected:
  bool TakeOver() override;

 private:
  int32_t dx_ = 0, dy_ = 0;
};

// Loads a cross-reference file chosen by the user into a table (the "CRT..." button).
bool LoadCrossRefFile(FileChooser* chooser, MessageSink& sink, const MapStore& store,
                      CrossRefTable* table);

class TImpDxfDlg : public TZelkDlg {
  Q_OBJECT

 public:
  TImpDxfDlg(MapStore& store, FileChooser* chooser, MessageSink& sink, HelpRequester* help,
             QWidget* parent = nullptr);
  // The drawing's extent and proposed offsets, shown when the dialog opens.
  void SetExtent(const DxfExtent& extent);
  const DxfImportParams& Params() const { return params_; }
  const CrossRefTable& Table() const { return table_; }

  QLabel* HorSizeL;
  QLabel* VerSizeL;
  QLineEdit* HorOfsB;
  QLineEdit* VerOfsB;
  QRadioButton* GisB;
  QRadioButton* OtherB;
  QLineEdit* OtherCordB;
  QCheckBox* ImpCordB;
  QPushButton* CrtBtn;

 protected:
  void FormShow() override;
  bool TakeOver() override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  MapStore& store_;
  FileChooser* chooser_;
  DxfImportParams params_;
  CrossRefTable table_;
};

class TExpDxfDlg : public TZelkDlg {
  Q_OBJECT

 public:
  TExpDxfDlg(MapStore& store, FileChooser* chooser, MessageSink& sink, HelpRequester* help,
             QWidget* parent = nullptr);
  // The proposed file: the map's name with ".dxf", or "Untitled.dxf" in `folder`.
  void Propose(const std::string& mapPath, const std::string& folder);
  std::string Path() const { return path_; }
  bool Gis() const { return gis_; }
  const CrossRefTable& Table() const { return table_; }

  QLineEdit* FilenameB;
  QLineEdit* FolderB;
  QPushButton* BrowseBtn;
  QGroupBox* CordB;  // "GIS (1 meter/unit)" or "mm"
  QRadioButton* CordGisB;
  QRadioButton* CordMmB;
  QPushButton* CrtBtn;

 protected:
  bool TakeOver() override;

 private:
  void BrowseBtnClick();

  MapStore& store_;
  FileChooser* chooser_;
  CrossRefTable table_;
  std::string path_;
  bool gis_ = true;
};

}  // namespace zelk
