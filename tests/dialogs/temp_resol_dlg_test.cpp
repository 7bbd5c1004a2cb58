// "Template Resolution": its text, the value it shows, and the values OK refuses.
#include "dialogs/temp_resol_dlg.h"

#include <QLabel>
#include <QTest>

#include "dialogs/spin_edit.h"
#include "test_support.h"

using namespace zelk;

class TempResolDlgTest : public QObject {
  Q_OBJECT

 private slots:
  void showsCaptionTextAndRememberedValue() {
    RecordingSink sink;
    TTempResolDlg dlg(sink, nullptr);
    dlg.SetResolution(400);
    QCOMPARE(dlg.windowTitle(), QString("Template Resolution"));
    bool textFound = false;
    for (QLabel* l : dlg.findChildren<QLabel*>())
      textFound |=
          l->text() == "Template file has no resolution information. Enter the scanner resolution.";
    QVERIFY(textFound);
    QCOMPARE(dlg.ResolutionL->text(), QString("Resolution:"));
    QCOMPARE(dlg.DpiL->text(), QString("DPI"));
    QCOMPARE(dlg.ResolutionB->Value(), 400);
  }

  void okTakesValuesInRangeOnly() {
    struct Case {
      const char* text;
      bool accepted;
      int value;
    } cases[] = {{"300", true, 300},   {"50", true, 50}, {"2000", true, 2000}, {"49", false, 300},
                 {"2001", false, 300}, {"", false, 300}, {"abc", false, 300}};
    for (const Case& c : cases) {
      RecordingSink sink;
      TTempResolDlg dlg(sink, nullptr);
      dlg.SetResolution(300);
      dlg.ResolutionB->setText(c.text);
      QCOMPARE(dlg.OkBtnClick(), c.accepted);
      QCOMPARE(dlg.Resolution(), c.value);
      QCOMPARE(sink.errors.empty(), c.accepted);
      if (!c.accepted && std::string(c.text) != "" && std::string(c.text) != "abc")
        QVERIFY(sink.errors[0].find("between 50 and 2000") != std::string::npos);
    }
  }
};

QTEST_MAIN(TempResolDlgTest)
#include "temp_resol_dlg_test.moc"
