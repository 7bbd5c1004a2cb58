// The printing and export dialogs: what they show, what OK stores and what they refuse.
#include "dialogs/output_dlgs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "dialogs/spin_edit.h"
#include "storage/map_fixture.h"
#include "test_support.h"

using namespace zelk;

namespace {

// A map with two named spot separations and one unnamed one.
struct SepMap : MapFixture {
  SepMap() {
    SymbolHeader& h = store.MutableColors();
    h.separationCount = 3;
    h.separations[0].name = "Black";
    h.separations[1].name = "";
    h.separations[2].name = "Blue";
    h.halftoneFrequency = {1500, 1500, 1500, 1500};
    h.halftoneAngle = {0, 0, 0, 0};
    store.MutableSetup().SetMapScale(15000);
  }
};

class FakeServices : public PrintDialogServices {
 public:
  std::vector<std::string> Printers() override { return {"Laser", "PDF file"}; }
  void PrinterProperties(const std::string& p, QWidget*) override { asked.push_back(p); }
  void PrintableArea(const std::string&, int* w, int* h) override {
    *w = 190;
    *h = 277;
  }
  std::vector<std::string> asked;
};

}  // namespace

class OutputDlgsTest : public QObject {
  Q_OBJECT

 private slots:
  void epsPropertiesTakesTheOption();
  void bmpProposesTheMapNameAndChecksTheResolution_data();
  void bmpProposesTheMapNameAndChecksTheResolution();
  void cmykStandardSetsTheScreensAndCloses();
  void cmykOkStoresTenthsAndKeepsFrequenciesInRange();
  void printWindowRefusesEmptyWindows_data();
  void printWindowRefusesEmptyWindows();
  void printWindowButtons();
  void printOptionsStoreIntensityLineWidthAndGrid();
  void printDialogListsSeparationsOfTheKind();
  void printDialogRefusesBadScales_data();
  void printDialogRefusesBadScales();
  void abortDialogCancelSetsTheFlag();
};

void OutputDlgsTest::epsPropertiesTakesTheOption() {
  RecordingSink sink;
  TEpsStpDlg dlg(false, sink, nullptr);
  QCOMPARE(dlg.windowTitle(), QString("EPS Properties"));
  QCOMPARE(dlg.HelpContext(), 13);
  QCOMPARE(dlg.StdFontB->text(), QString("Standard fonts as PostScript fonts"));
  QVERIFY(!dlg.StdFontB->isChecked());
  dlg.StdFontB->setChecked(true);
  QVERIFY(dlg.OkBtnClick());
  QVERIFY(dlg.StandardFonts());
}

void OutputDlgsTest::bmpProposesTheMapNameAndChecksTheResolution_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<QString>("message");
  QTest::addColumn<int>("resolution");
  QTest::newRow("default") << "300"
                           << "" << 300;
  QTest::newRow("lowest") << "50"
                          << "" << 50;
  QTest::newRow("highest") << "2540"
                           << "" << 2540;
  QTest::newRow("above") << "2541"
                         << "Resolution must be between 50 and 2540 DPI" << 0;
  QTest::newRow("below") << "49"
                         << "Resolution must be between 50 and 2540 DPI" << 0;
  QTest::newRow("text") << "abc"
                        << "Resolution must be a number." << 0;
  QTest::newRow("decimal") << "300.5"
                           << "Resolution must be a number." << 0;
}

void OutputDlgsTest::bmpProposesTheMapNameAndChecksTheResolution() {
  QFETCH(QString, text);
  QFETCH(QString, message);
  QFETCH(int, resolution);
  RecordingSink sink;
  TExpBmpDlg dlg(nullptr, sink, nullptr);
  QCOMPARE(dlg.windowTitle(), QString("Export BMP File"));
  QCOMPARE(dlg.HelpContext(), 25);
  QCOMPARE(dlg.ResolB->text(), QString("300"));
  dlg.Propose("/maps/valley.zkm", "/elsewhere");
  QCOMPARE(dlg.FilenameB->text(), QString("valley.bmp"));
  QCOMPARE(dlg.FolderB->text(), QString("/maps"));
  dlg.Propose("", "/current");
  QCOMPARE(dlg.FilenameB->text(), QString("Untitled.bmp"));
  QCOMPARE(dlg.FolderB->text(), QString("/current"));
  dlg.ResolB->setText(text);
  QCOMPARE(dlg.OkBtnClick(), message.isEmpty());
  if (message.isEmpty()) {
    QCOMPARE(dlg.Resolution(), resolution);
    QCOMPARE(QString::fromStdString(dlg.Path()), QString("/current/Untitled.bmp"));
    QVERIFY(sink.errors.empty());
  } else {
    QCOMPARE(sink.errors.size(), size_t(1));
    QCOMPARE(QString::fromStdString(sink.errors[0]), message);
  }
}

void OutputDlgsTest::cmykStandardSetsTheScreensAndCloses() {
  SepMap f;
  RecordingSink sink;
  SymbolHeader colors = f.store.Colors();
  TCmykSepDlg dlg(colors, sink, nullptr);
  QCOMPARE(dlg.windowTitle(), QString("CMYK Separations"));
  QCOMPARE(dlg.HelpContext(), 14);
  QCOMPARE(dlg.StandardBtn->text(), QString("&Standard"));
  dlg.show();
  QTest::mouseClick(dlg.StandardBtn, Qt::LeftButton);
  QCOMPARE(dlg.result(), int(QDialog::Accepted));
  QCOMPARE(colors.halftoneFrequency, (std::array<int16_t, 4>{1500, 1500, 1500, 1500}));
  QCOMPARE(colors.halftoneAngle, (std::array<int16_t, 4>{150, 750, 0, 450}));
}

void OutputDlgsTest::cmykOkStoresTenthsAndKeepsFrequenciesInRange() {
  SepMap f;
  RecordingSink sink;
  SymbolHeader colors = f.store.Colors();
  TCmykSepDlg dlg(colors, sink, nullptr);
  dlg.FreqB[1]->setText("133.3");
  dlg.AngleB[1]->setText("-22.5");
  QVERIFY(dlg.OkBtnClick());
  QCOMPARE(colors.halftoneFrequency[1], int16_t(1333));
  QCOMPARE(colors.halftoneAngle[1], int16_t(-225));
  // Frequencies the map cannot keep are refused, not stored.
  dlg.FreqB[2]->setText("2000");
  QVERIFY(!dlg.OkBtnClick());
  QCOMPARE(sink.errors.size(), size_t(1));
  QCOMPARE(colors.halftoneFrequency[2], int16_t(1500));
}

void OutputDlgsTest::printWindowRefusesEmptyWindows_data() {
  QTest::addColumn<double>("left");
  QTest::addColumn<double>("right");
  QTest::addColumn<double>("bottom");
  QTest::addColumn<double>("top");
  QTest::addColumn<QString>("message");
  QTest::newRow("fine") << 0.0 << 100.0 << 0.0 << 50.0 << "";
  QTest::newRow("right = left") << 10.0 << 10.0 << 0.0 << 50.0
                                << "Right boundary must be greater than left boundary.";
  QTest::newRow("right < left") << 10.0 << 5.0 << 0.0 << 50.0
                                << "Right boundary must be greater than left boundary.";
  QTest::newRow("top = bottom") << 0.0 << 100.0 << 20.0 << 20.0
                                << "Top boundary must be greater than bottom boundary.";
}

void OutputDlgsTest::printWindowRefusesEmptyWindows() {
  QFETCH(double, left);
  QFETCH(double, right);
  QFETCH(double, bottom);
  QFETCH(double, top);
  QFETCH(QString, message);
  PrintSettings s;
  RecordingSink sink;
  TPrintWinDlg dlg(s, "Laser", 200, 287, 1.0, UnitsBox(0, 0, 30000, 20000), sink, nullptr);
  QCOMPARE(dlg.windowTitle(), QString("Print Window"));
  QCOMPARE(dlg.PageSizeL->text(), QString("200 x 287 mm"));
  // Without a window of its own the print window is the map's extent.
  QCOMPARE(dlg.RightB->Value(), 300.0);
  dlg.LeftB->SetValue(left);
  dlg.RightB->SetValue(right);
  dlg.BottomB->SetValue(bottom);
  dlg.TopB->SetValue(top);
  QCOMPARE(dlg.OkBtnClick(), message.isEmpty());
  if (message.isEmpty()) {
    QCOMPARE(s.window, UnitsBox(0, 0, 10000, 5000));
  } else {
    QCOMPARE(QString::fromStdString(sink.errors.at(0)), message);
    QVERIFY(s.window.right <= s.window.left);  // nothing stored
  }
}

void OutputDlgsTest::printWindowButtons() {
  PrintSettings s;
  RecordingSink sink;
  // Printed at 1.5 times the map scale's size: a page holds 133.33 x 191.33 mm of the map.
  TPrintWinDlg dlg(s, "Laser", 200, 287, 1.5, UnitsBox(-1000, 0, 29000, 20000), sink, nullptr);
  QCOMPARE(dlg.FieldLayout().across, 3);
  QCOMPARE(dlg.FieldLayout().down, 2);
  QTest::mouseClick(dlg.PageSizeBtn, Qt::LeftButton);
  QCOMPARE(dlg.FieldLayout().across, 1);
  QCOMPARE(dlg.FieldLayout().down, 1);
  QVERIFY(std::abs((dlg.RightB->Value() - dlg.LeftB->Value()) - 133.33) < 0.01);
  QTest::mouseClick(dlg.MapSizeBtn, Qt::LeftButton);
  QCOMPARE(dlg.LeftB->Value(), -10.0);
  QCOMPARE(dlg.TopB->Value(), 200.0);
  dlg.HorOvlB->SetValue(10);
  QVERIFY(dlg.OkBtnClick());
  QCOMPARE(s.horizontalOverlap, 10);
  QCOMPARE(s.window, UnitsBox(-1000, 0, 29000, 20000));
}

void OutputDlgsTest::printOptionsStoreIntensityLineWidthAndGrid() {
  SepMap f;
  PrintSettings s;
  s.intensity = 0;  // reads as 100
  RecordingSink sink;
  TPrOptDlg dlg(s, f.store, sink, nullptr);
  QCOMPARE(dlg.windowTitle(), QString("Printing Options"));
  QCOMPARE(dlg.HelpContext(), 12);
  QCOMPARE(dlg.IntensityB->Value(), 100);
  QCOMPARE(dlg.GridColorB->count(), 3);
  dlg.IntensityB->SetValue(55);
  dlg.LineWidthB->SetValue(80);
  dlg.GridB->setChecked(true);
  dlg.GridColorB->setCurrentIndex(2);  // "Yellow", number 1
  QVERIFY(dlg.OkBtnClick());
  QCOMPARE(s.intensity, 55);
  QCOMPARE(s.lineWidthPercentage, 80);
  QVERIFY(s.printGrid);
  QCOMPARE(s.gridColor, 1);
  dlg.IntensityB->setText("5");
  QVERIFY(!dlg.OkBtnClick());
  QCOMPARE(sink.errors.size(), size_t(1));
  // An EPS file has no grid.
  PrintSettings eps;
  eps.toEpsFile = true;
  TPrOptDlg epsDlg(eps, f.store, sink, nullptr);
  QVERIFY(!epsDlg.GridB->isEnabled());
}

void OutputDlgsTest::printDialogListsSeparationsOfTheKind() {
  SepMap f;
  PrintSettings s;
  RecordingSink sink;
  FakeServices services;
  TPrintDlg dlg(s, f.store, &services, sink, nullptr);
  QCOMPARE(dlg.PrinterB->count(), 2);
  QCOMPARE(dlg.ColorMapRb->text(), QString("Color map"));
  QCOMPARE(dlg.CmykRb->text(), QString("CMYK separations"));
  QCOMPARE(dlg.SpotRb->text(), QString("Spot color separations"));
  QCOMPARE(dlg.PrinterRb->text(), QString("Printer"));
  QCOMPARE(dlg.EpsRb->text(), QString("EPS file"));
  QCOMPARE(dlg.SeparationB->count(), 0);
  dlg.CmykRb->setChecked(true);
  QCOMPARE(dlg.SeparationB->count(), 4);
  QCOMPARE(dlg.SeparationB->item(3)->text(), QString("Black"));
  dlg.SpotRb->setChecked(true);
  QCOMPARE(dlg.SeparationB->count(), 3);
  QCOMPARE(dlg.SeparationB->item(2)->text(), QString("Blue"));
  dlg.SeparationB->item(0)->setSelected(false);
  dlg.EpsRb->setChecked(true);
  QVERIFY(!dlg.CopiesB->isEnabled());
  dlg.PrintScaleB->setEditText("10000");
  QVERIFY(dlg.OkBtnClick());
  QCOMPARE(int(s.kind), int(PrintKind::SpotSeparations));
  QVERIFY(s.toEpsFile);
  QCOMPARE(s.printScale, 10000.0);
  QCOMPARE(s.separations, (std::vector<int>{1, 2}));
  // The unnamed separation gives no output.
  const std::vector<PlateOutput> plates = PlatesOf(f.store, s);
  QCOMPARE(plates.size(), size_t(1));
  QCOMPARE(QString::fromStdString(plates[0].name), QString("Blue"));
  // Properties of an EPS file are the EPS Properties; of a printer, the driver's.
  dlg.PrinterRb->setChecked(true);
  QTest::mouseClick(dlg.PropertiesBtn, Qt::LeftButton);
  QCOMPARE(services.asked, std::vector<std::string>{"Laser"});
}

void OutputDlgsTest::printDialogRefusesBadScales_data() {
  QTest::addColumn<QString>("scale");
  QTest::addColumn<bool>("accepted");
  QTest::newRow("map scale") << "15000" << true;
  QTest::newRow("one") << "1" << true;
  QTest::newRow("zero") << "0" << false;
  QTest::newRow("negative") << "-5000" << false;
  QTest::newRow("text") << "large" << false;
}

void OutputDlgsTest::printDialogRefusesBadScales() {
  QFETCH(QString, scale);
  QFETCH(bool, accepted);
  SepMap f;
  PrintSettings s;
  RecordingSink sink;
  TPrintDlg dlg(s, f.store, nullptr, sink, nullptr);
  dlg.PrintScaleB->setEditText(scale);
  QCOMPARE(dlg.OkBtnClick(), accepted);
  QCOMPARE(sink.errors.empty(), accepted);
  if (!accepted) {
    QCOMPARE(QString::fromStdString(sink.errors[0]),
             QString("Print scale must be between 1 and 1000000000"));
    QCOMPARE(s.printScale, 0.0);
  }
}

void OutputDlgsTest::abortDialogCancelSetsTheFlag() {
  TAbortPrintDlg dlg("valley.zkm");
  QCOMPARE(dlg.NameL->text(), QString("valley.zkm"));
  QVERIFY(!dlg.Aborted());
  dlg.show();
  QTest::mouseClick(dlg.CancelBtn, Qt::LeftButton);
  QVERIFY(dlg.Aborted());
  QVERIFY(dlg.isVisible());  // it stays until the printing has stopped
}

QTEST_MAIN(OutputDlgsTest)
#include "output_dlgs_test.moc"
