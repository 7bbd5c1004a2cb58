// The Preferences and Scales dialogs: what they show, what OK stores, what they refuse.
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "dialogs/prefs_dlg.h"
#include "dialogs/scales_dlg.h"
#include "dialogs/spin_edit.h"
#include "storage/map_fixture.h"
#include "storage/preferences.h"
#include "storage/registry_store.h"
#include "test_support.h"

using namespace zelk;

namespace {
class CountingHelp : public HelpRequester {
 public:
  std::vector<int> shown;
  void ShowHelp(int context) override { shown.push_back(context); }
};

QStringList Captions(const QList<QCheckBox*>& boxes) {
  QStringList out;
  for (auto* b : boxes) out << b->text();
  return out;
}
}  // namespace

class SettingsDialogsTest : public QObject {
  Q_OBJECT

 private slots:
  void preferencesShowCaptionsInOrder();
  void preferencesShowStoredValues();
  void preferencesOkWritesRegistry();
  void preferencesRepaintOnlyForDrawingChanges();
  void preferencesCancelKeepsValues();
  void preferencesUnwritableRegistryIsReported();
  void preferencesHelpButtonOpensTopic();

  void scalesShowMapSettings();
  void scalesRefuseInvalidFields_data();
  void scalesRefuseInvalidFields();
  void scalesDraftBoundsFollowMapScale();
  void scalesOkWritesMap();
};

void SettingsDialogsTest::preferencesShowCaptionsInOrder() {
  Preferences prefs;
  RecordingSink sink;
  TPrefsDlg dlg(prefs, nullptr, sink, nullptr);
  QCOMPARE(dlg.windowTitle(), QString("Preferences"));
  QCOMPARE(dlg.HelpContext(), 188);
  const QStringList expected = {
      "Delayed redraw of lines", "Delayed redraw of areas", "Hatched areas",
      "Di&m template",           "Real world coordinates",  "Freehand to cur&ve",
      "Antialiased drawing",     "&Auto file load",         "Auto &file save"};
  QCOMPARE(Captions(dlg.findChildren<QCheckBox*>()), expected);
  QCOMPARE(dlg.SelectModeG->title(), QString("Selecting objects"));
  QCOMPARE(dlg.SelPartialB->text(), QString("All objects &partially in the rectangle"));
  QCOMPARE(dlg.SelEntireB->text(), QString("Only objects &entirely in the rectangle"));
  QCOMPARE(dlg.CurveModeG->title(), QString("Drawing curves"));
  QCOMPARE(dlg.CurveZelkB->text(), QString("ZELK mode"));
  QCOMPARE(dlg.CurveIllustratorB->text(), QString("Adobe &Illustrator mode"));
}

void SettingsDialogsTest::preferencesShowStoredValues() {
  Preferences prefs;
  prefs.areaUpdate = true;
  prefs.dimTemplate = true;
  prefs.autoLoad = false;
  prefs.selectMode = 1;
  prefs.curveMode = 1;
  RecordingSink sink;
  TPrefsDlg dlg(prefs, nullptr, sink, nullptr);
  dlg.show();
  QVERIFY(!dlg.LineUpdateB->isChecked());
  QVERIFY(dlg.AreaUpdateB->isChecked());
  QVERIFY(dlg.DimTemplateB->isChecked());
  QVERIFY(!dlg.AutoLoadB->isChecked());
  QVERIFY(dlg.SelEntireB->isChecked() && !dlg.SelPartialB->isChecked());
  QVERIFY(dlg.CurveIllustratorB->isChecked() && !dlg.CurveZelkB->isChecked());
  // Shown again after the values changed elsewhere, it shows the new ones.
  dlg.hide();
  prefs.selectMode = 0;
  dlg.show();
  QVERIFY(dlg.SelPartialB->isChecked());
}

void SettingsDialogsTest::preferencesOkWritesRegistry() {
  TempDir dir;
  RegistryStore registry(dir.Path("registry.reg"));
  Preferences prefs;
  RecordingSink sink;
  TPrefsDlg dlg(prefs, &registry, sink, nullptr);
  dlg.show();
  dlg.LineUpdateB->setChecked(true);
  dlg.AutoSaveB->setChecked(true);
  dlg.AutoLoadB->setChecked(false);
  dlg.SelEntireB->setChecked(true);
  dlg.CurveIllustratorB->setChecked(true);
  QVERIFY(dlg.AntialiasedB->isChecked());  // on unless the user turned it off
  dlg.AntialiasedB->setChecked(false);
  QTest::mouseClick(dlg.OkBtn, Qt::LeftButton);
  QCOMPARE(dlg.result(), int(QDialog::Accepted));
  QVERIFY(prefs.lineUpdate && prefs.autoSave && !prefs.autoLoad && !prefs.antialiased);
  QCOMPARE(prefs.selectMode, 1);
  QCOMPARE(prefs.curveMode, 1);

  RegistryStore reread(dir.Path("registry.reg"));
  QVERIFY(reread.Load());
  Preferences back;
  back.Read(reread);
  QCOMPARE(back, prefs);
  QVERIFY(sink.errors.empty());
}

void SettingsDialogsTest::preferencesRepaintOnlyForDrawingChanges() {
  Preferences prefs;
  RecordingSink sink;
  {
    TPrefsDlg dlg(prefs, nullptr, sink, nullptr);
    dlg.show();
    dlg.LineUpdateB->setChecked(true);
    dlg.AutoSaveB->setChecked(true);
    dlg.SelEntireB->setChecked(true);
    QVERIFY(dlg.OkBtnClick());
    QVERIFY(!dlg.RepaintNeeded());
  }
  for (auto pick : {&TPrefsDlg::HatchAreasB, &TPrefsDlg::DimTemplateB, &TPrefsDlg::RealWorldB,
                    &TPrefsDlg::AntialiasedB}) {
    TPrefsDlg dlg(prefs, nullptr, sink, nullptr);
    dlg.show();
    QCheckBox* box = dlg.*pick;
    box->setChecked(!box->isChecked());
    QVERIFY(dlg.OkBtnClick());
    QVERIFY(dlg.RepaintNeeded());
  }
  QVERIFY(prefs.hatchAreas && prefs.dimTemplate && prefs.realWorldCord && !prefs.antialiased);
  // Toggled twice in the dialog is no change.
  TPrefsDlg dlg(prefs, nullptr, sink, nullptr);
  dlg.show();
  dlg.HatchAreasB->setChecked(false);
  dlg.HatchAreasB->setChecked(true);
  QVERIFY(dlg.OkBtnClick());
  QVERIFY(!dlg.RepaintNeeded());
}

void SettingsDialogsTest::preferencesCancelKeepsValues() {
  TempDir dir;
  RegistryStore registry(dir.Path("registry.reg"));
  Preferences prefs;
  const Preferences before = prefs;
  RecordingSink sink;
  TPrefsDlg dlg(prefs, &registry, sink, nullptr);
  dlg.show();
  dlg.HatchAreasB->setChecked(true);
  QTest::keyClick(&dlg, Qt::Key_Escape);
  QCOMPARE(dlg.result(), int(QDialog::Rejected));
  QCOMPARE(prefs, before);
  QVERIFY(!std::filesystem::exists(dir.Path("registry.reg")));
}

void SettingsDialogsTest::preferencesUnwritableRegistryIsReported() {
  TempDir dir;
  WriteFileBytes(dir.Path("file"), {1});
  // A folder that cannot be created: its parent is a file.
  RegistryStore registry(dir.Path("file/sub/registry.reg"));
  Preferences prefs;
  RecordingSink sink;
  TPrefsDlg dlg(prefs, &registry, sink, nullptr);
  dlg.show();
  dlg.AreaUpdateB->setChecked(true);
  QVERIFY(dlg.OkBtnClick());
  QVERIFY(prefs.areaUpdate);
  QCOMPARE(sink.errors.size(), size_t(1));
  QCOMPARE(QString::fromStdString(sink.errors[0]),
           QString::fromStdString("Cannot write to " + dir.Path("file/sub/registry.reg")));
}

void SettingsDialogsTest::preferencesHelpButtonOpensTopic() {
  Preferences prefs;
  RecordingSink sink;
  CountingHelp help;
  TPrefsDlg dlg(prefs, nullptr, sink, &help);
  dlg.show();
  QVERIFY(dlg.HelpBtn->isVisible());
  QTest::mouseClick(dlg.HelpBtn, Qt::LeftButton);
  QCOMPARE(help.shown, std::vector<int>{188});
  QVERIFY(dlg.isVisible());
}

void SettingsDialogsTest::scalesShowMapSettings() {
  MapFixture map;
  SetupBlock& s = map.store.MutableSetup();
  s.SetMapScale(10000);
  s.SetDraftScaleX(12000);
  s.SetDraftScaleY(9000);
  s.SetPaperGrid(12.5);
  s.SetRealWorldX(601234.5);
  s.SetRealWorldY(-200);
  s.SetRealWorldAngle(-3.25);
  s.SetRealWorldGrid(500);
  RecordingSink sink;
  TScalesDlg dlg(map.store, sink, nullptr);
  dlg.show();
  QCOMPARE(dlg.windowTitle(), QString("Scales"));
  QCOMPARE(dlg.MapScaleB->currentText(), QString("10000"));
  QCOMPARE(dlg.MapScaleB->count(), 8);
  QCOMPARE(dlg.MapScaleB->itemText(0), QString("5000"));
  QCOMPARE(dlg.MapScaleB->itemText(7), QString("50000"));
  QVERIFY(dlg.MapScaleB->isEditable());
  QCOMPARE(dlg.DraftHorB->text(), QString("12000.0"));
  QCOMPARE(dlg.DraftVerB->text(), QString("9000.0"));
  QCOMPARE(dlg.PaperGridB->text(), QString("12.50"));
  QCOMPARE(dlg.PaperGridUnitL->text(), QString("mm"));
  QCOMPARE(dlg.RealHorB->text(), QString("601234.5"));
  QCOMPARE(dlg.RealVerB->text(), QString("-200.0"));
  QCOMPARE(dlg.RealAngleB->text(), QString("-3.25"));
  QCOMPARE(dlg.RealAngleUnitL->text(), QString("deg"));
  QCOMPARE(dlg.RealGridB->text(), QString("500"));
  QCOMPARE(dlg.RealGridUnitL->text(), QString("m"));
}

void SettingsDialogsTest::scalesRefuseInvalidFields_data() {
  QTest::addColumn<QString>("field");
  QTest::addColumn<QString>("text");
  QTest::addColumn<QString>("message");
  QTest::newRow("scale text") << "MapScaleB"
                              << "1:15000"
                              << "Map scale must be a number.";
  QTest::newRow("scale empty") << "MapScaleB"
                               << ""
                               << "Map scale must be between 1 and 10000000";
  QTest::newRow("scale huge") << "MapScaleB"
                              << "99999999999"
                              << "Map scale must be between 1 and 10000000";
  QTest::newRow("draft") << "DraftHorB"
                         << "200000"
                         << "Horizontal scale must be between 1500.0 and 150000.0";
  QTest::newRow("draft text") << "DraftVerB"
                              << "1.2.3"
                              << "Vertical scale must be a number.";
  QTest::newRow("paper grid") << "PaperGridB"
                              << "0.01"
                              << "Grid distance must be between 0.05 and 100.00 mm";
  QTest::newRow("offset") << "RealHorB"
                          << "-20000000"
                          << "Horizontal offset must be between -10000000.0 and 10000000.0 m";
  QTest::newRow("angle") << "RealAngleB"
                         << "361"
                         << "Angle must be between -360.00 and 360.00 deg";
  QTest::newRow("grid") << "RealGridB"
                        << "5"
                        << "Grid distance must be between 10 and 100000 m";
}

void SettingsDialogsTest::scalesRefuseInvalidFields() {
  QFETCH(QString, field);
  QFETCH(QString, text);
  QFETCH(QString, message);
  MapFixture map;
  const auto before = map.store.Setup().raw;
  RecordingSink sink;
  TScalesDlg dlg(map.store, sink, nullptr);
  dlg.show();
  if (field == "MapScaleB")
    dlg.MapScaleB->setEditText(text);
  else
    dlg.findChild<QLineEdit*>(field)->setText(text);
  QTest::mouseClick(dlg.OkBtn, Qt::LeftButton);
  QVERIFY(dlg.isVisible());
  QVERIFY(!dlg.RepaintNeeded());
  QCOMPARE(sink.errors.size(), size_t(1));
  QCOMPARE(QString::fromStdString(sink.errors[0]), message);
  QVERIFY(map.store.Setup().raw == before);
}

void SettingsDialogsTest::scalesDraftBoundsFollowMapScale() {
  MapFixture map;
  RecordingSink sink;
  TScalesDlg dlg(map.store, sink, nullptr);
  dlg.show();
  dlg.MapScaleB->setEditText("5000");
  QCOMPARE(dlg.DraftHorB->MinValue(), 500.0);
  QCOMPARE(dlg.DraftHorB->MaxValue(), 50000.0);
  dlg.DraftHorB->setText("60000");
  QVERIFY(!dlg.OkBtnClick());
  QCOMPARE(sink.errors.back(), std::string("Horizontal scale must be between 500.0 and 50000.0"));
  dlg.MapScaleB->setCurrentIndex(7);  // 50000
  QVERIFY(dlg.OkBtnClick());
}

void SettingsDialogsTest::scalesOkWritesMap() {
  MapFixture map;
  RecordingSink sink;
  TScalesDlg dlg(map.store, sink, nullptr);
  dlg.show();
  dlg.MapScaleB->setEditText("25000");
  dlg.DraftHorB->setText("20000");
  dlg.DraftVerB->setText("30000");
  dlg.PaperGridB->setText("");  // empty reads as 0, out of range
  QVERIFY(!dlg.OkBtnClick());
  dlg.PaperGridB->setText("20");
  dlg.RealHorB->setText("2600000");
  dlg.RealVerB->setText("1200000.5");
  dlg.RealAngleB->setText("-12.5");
  dlg.RealGridB->setText("250");
  QTest::keyClick(dlg.RealGridB, Qt::Key_Return);
  QCOMPARE(dlg.result(), int(QDialog::Accepted));
  QVERIFY(dlg.RepaintNeeded());
  QVERIFY(map.Reopen());
  const SetupBlock& s = map.store.Setup();
  QCOMPARE(s.MapScale(), 25000.0);
  QCOMPARE(s.DraftScaleX(), 20000.0);
  QCOMPARE(s.DraftScaleY(), 30000.0);
  QCOMPARE(s.PaperGrid(), 20.0);
  QCOMPARE(s.RealWorldX(), 2600000.0);
  QCOMPARE(s.RealWorldY(), 1200000.5);
  QCOMPARE(s.RealWorldAngle(), -12.5);
  QCOMPARE(s.RealWorldGrid(), 250.0);
  QCOMPARE(sink.errors.size(), size_t(1));
}

QTEST_MAIN(SettingsDialogsTest)
#include "settings_dialogs_test.moc"
