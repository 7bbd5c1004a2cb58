// The GPS dialogs: "Open GPS" with its settings, "Test GPS" showing what arrives, "Adjust GPS"
// with the adjustment points, and "Rename Adjustment Point".
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "dialogs/dialog_base.h"
#include "gps/gps_fit.h"
#include "gps/gps_receiver.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QListWidget;

namespace zelk {

class TOpenGpsDlg : public TZelkDlg {
  Q_OBJECT

 public:
  TOpenGpsDlg(MessageSink& sink, HelpRequester* help, QWidget* parent = nullptr);
  // The settings shown, and after OK (or Test) the settings given.
  void SetSettings(const GpsSettings& s);
  const GpsSettings& Settings() const { return settings_; }
  // "&Test...": the settings are taken over and the test runs with them.
  std::function<void(const GpsSettings&)> test;
  // "&File...": a recorded NMEA file to play back instead of a port; its path, or nothing.
  std::function<std::optional<std::string>()> chooseFile;

  QComboBox* PortB;
  QCheckBox* FilterB;
  QCheckBox* Min4SatB;
  QCheckBox* DgpsB;
  QPushButton* TestBtn;
  QPushButton* FileBtn;

  void TestBtnClick();
  void FileBtnClick();

 protected:
  bool TakeOver() override;

 private:
  GpsSettings settings_;
};

// Shows each line that arrives and the position it gave while it is open.
class TTestGpsDlg : public TZelkDlg {
  Q_OBJECT

 public:
  TTestGpsDlg(MessageSink& sink, HelpRequester* help, QWidget* parent = nullptr);
  void ShowLine(const std::string& line, const GpsReceiver& receiver, bool positionGiven);

  QLineEdit* SDataB;
  QLineEdit* LatB;
  QLineEdit* LongB;
  QLineEdit* ModeB;

 protected:
  bool TakeOver() override { return true; }
};

class TRnGpsDlg : public TZelkDlg {
  Q_OBJECT

 public:
  TRnGpsDlg(MessageSink& sink, HelpRequester* help, QWidget* parent = nullptr);
  void SetName(const std::string& name);
  const std::string& Name() const { return name_; }

  QLineEdit* NameB;

 protected:
  bool TakeOver() override;

 private:
  std::string name_;
};

// The adjustment points of the map and the angle. "&New" closes the dialog with `NewPoint` so
// that the point is marked on the map; "&Close" keeps the angle.
class TAdjustGpsDlg : public TZelkDlg {
  Q_OBJECT

 public:
  enum Result { Closed = 1, NewPoint = 2 };
  TAdjustGpsDlg(std::vector<GpsAdjustmentPoint>& points, double angle, bool gpsOpen,
                MessageSink& sink, HelpRequester* help, QWidget* parent = nullptr);
  double Angle() const { return angle_; }
  // The points were renamed or deleted.
  bool PointsChanged() const { return pointsChanged_; }

  QListWidget* AdjPtB;
  QLineEdit* AngleB;
  QPushButton* NewBtn;
  QPushButton* RenameBtn;
  QPushButton* DeleteBtn;
  QPushButton* CloseBtn;

  void NewBtnClick();
  void RenameBtnClick();
  void DeleteBtnClick();

 protected:
  bool TakeOver() override;

 private:
  void Fill();
  void UpdateButtons();

  std::vector<GpsAdjustmentPoint>& points_;
  double angle_;
  bool gpsOpen_;
  bool pointsChanged_ = false;
};

}  // namespace zelk
