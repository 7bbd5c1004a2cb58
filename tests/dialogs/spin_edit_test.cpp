// The numeric fields: keys, stepping, reading and writing, validation, symbol numbers.
#include "dialogs/spin_edit.h"

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>

#include "dialogs/number_text.h"
#include "dialogs/symbol_number.h"
#include "storage/map_fixture.h"
#include "test_support.h"

using namespace zelk;

class SpinEditTest : public QObject {
  Q_OBJECT

 private slots:
  void numberTextIsReadWithoutLocale();
  void fixedNotationKeepsElevenDigits();
  void fieldNameDropsColonAndAccelerators();

  void integerReadsBadTextAsNearestAllowedToZero();
  void integerStepsAndStopsAtBounds();
  void integerArrowKeysAndButtonsStep();

  void realReadsClampedAndEmptyAsZero();
  void realWritesClampedWithDecimals();
  void realWithEqualBoundsIsNotClamped();
  void realStepsToNeighbouringMultiples();
  void realStepStopsAtBounds();

  void keyFilterTakesOnlyNumberCharacters();
  void enterConfirmsTheDialog();
  void disabledEditorOnlySteps();
  void readOnlyFieldBeepsOnStep();
  void pasteOnlyWhenEditable();
  void valuesLongerThanTypingAreShownInFull();
  void heightFollowsTheFont();

  void validationMessages();
  void validateWidgetsGiveFocusAndKeepText();

  void symbolNumberChecks();
  void symbolNumberMustBeUniqueInTheMap();

 private:
  // A shown window holding the field, so focus can be observed.
  struct Host {
    QWidget window;
    QVBoxLayout layout{&window};
  };
};

void SpinEditTest::numberTextIsReadWithoutLocale() {
  QVERIFY(ReadIntegerText(" +42 ").isNumber);
  QCOMPARE(ReadIntegerText("-17").value, -17);
  QVERIFY(!ReadIntegerText("4.2").isNumber);
  QVERIFY(!ReadIntegerText("12a").isNumber);
  QVERIFY(ReadIntegerText("").empty);
  // Far too large is still a number, saturated, so that it is reported out of range.
  const IntegerText huge = ReadIntegerText("99999999999999999999999");
  QVERIFY(huge.isNumber);
  QCOMPARE(huge.value, std::numeric_limits<int64_t>::max());

  QCOMPARE(ReadRealText("0.37").value, 0.37);
  QCOMPARE(ReadRealText("-.5").value, -0.5);
  QCOMPARE(ReadRealText("1e3").value, 1000.0);
  QVERIFY(!ReadRealText("0,5").isNumber);
  QVERIFY(!ReadRealText("inf").isNumber);
  QVERIFY(!ReadRealText("nan").isNumber);
  QVERIFY(!ReadRealText("0x10").isNumber);
  QVERIFY(!ReadRealText("-").isNumber);
  QVERIFY(ReadRealText("1e999").isNumber);
  QVERIFY(ReadRealText("1e999").value > 1e300);
}

void SpinEditTest::fixedNotationKeepsElevenDigits() {
  QCOMPARE(FormatFixed(0.4, 2), std::string("0.40"));
  QCOMPARE(FormatFixed(10, 2), std::string("10.00"));
  QCOMPARE(FormatFixed(-0.001, 2), std::string("0.00"));
  QCOMPARE(FormatFixed(2.5, 0), std::string("2"));
  QCOMPARE(FormatFixed(123456789.126, 4), std::string("123456789.13"));
  QCOMPARE(FormatFixed(1234567890123.0, 2), std::string("1234567890123"));
}

void SpinEditTest::fieldNameDropsColonAndAccelerators() {
  QCOMPARE(FieldName("Line width:"), std::string("Line width"));
  QCOMPARE(FieldName("&Grid distance: "), std::string("Grid distance"));
  QCOMPARE(FieldName("Black && white:"), std::string("Black & white"));
}

void SpinEditTest::integerReadsBadTextAsNearestAllowedToZero() {
  TIntSpin f;
  QCOMPARE(f.text(), QString("0"));
  f.SetRange(5, 20);
  f.setText("x");
  QCOMPARE(f.Value(), 5);
  f.SetRange(-5, 20);
  QCOMPARE(f.Value(), 0);
  f.SetRange(-20, -5);
  QCOMPARE(f.Value(), -5);
  // Reading does not clamp an integer field; validation reports it.
  f.SetRange(0, 10);
  f.setText("15");
  QCOMPARE(f.Value(), 15);
  f.setMaxLength(20);
  f.setText("99999999999");
  QCOMPARE(f.Value(), 0);
}

void SpinEditTest::integerStepsAndStopsAtBounds() {
  TIntSpin f;
  f.SetRange(0, 10);
  f.SetIncrement(4);
  f.SetValue(0);
  f.Up();
  QCOMPARE(f.text(), QString("4"));
  f.Up();
  f.Up();
  QCOMPARE(f.text(), QString("10"));  // not 12: the step stops at the bound
  f.Up();
  QCOMPARE(f.text(), QString("10"));
  f.Down();
  QCOMPARE(f.text(), QString("6"));
  f.Down();
  f.Down();
  QCOMPARE(f.text(), QString("0"));
  f.Down();
  QCOMPARE(f.text(), QString("0"));
}

void SpinEditTest::integerArrowKeysAndButtonsStep() {
  TIntSpin f;
  f.SetRange(0, 100);
  f.SetValue(7);
  QTest::keyClick(&f, Qt::Key_Up);
  QCOMPARE(f.Value(), 8);
  QTest::keyClick(&f, Qt::Key_Down);
  QTest::keyClick(&f, Qt::Key_Down);
  QCOMPARE(f.Value(), 6);
  f.UpButton()->click();
  QCOMPARE(f.Value(), 7);
  f.DownButton()->click();
  QCOMPARE(f.Value(), 6);
  QCOMPARE(f.UpButton()->focusPolicy(), Qt::NoFocus);
}

void SpinEditTest::realReadsClampedAndEmptyAsZero() {
  TRealSpin f;
  QCOMPARE(f.MinValue(), 0.0);
  QCOMPARE(f.MaxValue(), 50.0);
  QCOMPARE(f.Increment(), 0.1);
  QCOMPARE(f.Decimals(), 2);
  f.setText("");
  QCOMPARE(f.Value(), 0.0);
  f.setText("75");
  QCOMPARE(f.Value(), 50.0);
  f.SetRange(2, 5);
  f.setText("abc");
  QCOMPARE(f.Value(), 2.0);
  f.setText("1");
  QCOMPARE(f.Value(), 2.0);
  f.SetRange(-5, 5);
  f.setText("");
  QCOMPARE(f.Value(), 0.0);
  f.SetRange(-9, -3);
  f.setText("-");
  QCOMPARE(f.Value(), -3.0);
}

void SpinEditTest::realWritesClampedWithDecimals() {
  TRealSpin f;
  f.SetRange(0, 10);
  f.SetValue(3.14159);
  QCOMPARE(f.text(), QString("3.14"));
  f.SetValue(12);
  QCOMPARE(f.text(), QString("10.00"));
  f.SetValue(-1);
  QCOMPARE(f.text(), QString("0.00"));
  f.SetDecimals(0);
  f.SetValue(2.5);  // halves to even
  QCOMPARE(f.text(), QString("2"));
}

void SpinEditTest::realWithEqualBoundsIsNotClamped() {
  TRealSpin f;
  f.SetRange(0, 0);
  f.SetValue(1234.5);
  QCOMPARE(f.text(), QString("1234.50"));
  QCOMPARE(f.Value(), 1234.5);  // reads back what it shows
  QVERIFY(!RealFieldProblem("1234.5", 0, 0, 2, "Width"));
}

void SpinEditTest::realStepsToNeighbouringMultiples() {
  TRealSpin f;
  f.setText("0.37");
  f.Up();
  QCOMPARE(f.text(), QString("0.40"));
  f.setText("0.37");
  f.Down();
  QCOMPARE(f.text(), QString("0.30"));
  f.setText("0.40");
  f.Up();
  QCOMPARE(f.text(), QString("0.50"));
  f.setText("0.40");
  f.Down();
  QCOMPARE(f.text(), QString("0.30"));
  // Between two multiples the upper one is never skipped.
  f.SetIncrement(0.5);
  f.setText("1.01");
  f.Up();
  QCOMPARE(f.text(), QString("1.50"));
  f.setText("1.49");
  f.Up();
  QCOMPARE(f.text(), QString("1.50"));
}

void SpinEditTest::realStepStopsAtBounds() {
  TRealSpin f;
  f.SetRange(0, 1);
  f.setText("1.00");
  f.Up();
  QCOMPARE(f.text(), QString("1.00"));
  f.setText("0.95");
  f.Up();
  QCOMPARE(f.text(), QString("1.00"));
  f.setText("0");
  f.Down();
  QCOMPARE(f.text(), QString("0"));
  f.SetIncrement(0);
  f.setText("0.5");
  f.Up();
  QCOMPARE(f.text(), QString("0.5"));
}

void SpinEditTest::keyFilterTakesOnlyNumberCharacters() {
  TIntSpin i;
  QSignalSpy beeps(&i, &SpinField::Beeped);
  i.clear();
  QTest::keyClicks(&i, "1a.2");
  QCOMPARE(i.text(), QString("12"));
  QCOMPARE(beeps.count(), 2);
  QTest::keyClick(&i, Qt::Key_Backspace);
  QCOMPARE(i.text(), QString("1"));
  i.clear();
  QTest::keyClicks(&i, "-+5");
  QCOMPARE(i.text(), QString("-+5"));

  TRealSpin r;
  r.clear();
  QTest::keyClicks(&r, "-1.5e");
  QCOMPARE(r.text(), QString("-1.5"));
  QTest::keyClicks(&r, "777");  // six characters at most
  QCOMPARE(r.text(), QString("-1.577"));
}

void SpinEditTest::enterConfirmsTheDialog() {
  QDialog dialog;
  auto* layout = new QVBoxLayout(&dialog);
  auto* field = new TIntSpin(&dialog);
  auto* ok = new QPushButton("OK", &dialog);
  layout->addWidget(field);
  layout->addWidget(ok);
  ok->setDefault(true);
  QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
  dialog.show();
  field->setFocus();
  QSignalSpy accepted(&dialog, &QDialog::accepted);
  QTest::keyClick(field, Qt::Key_Return);
  QCOMPARE(accepted.count(), 1);
  QCOMPARE(field->text(), QString("0"));
}

void SpinEditTest::disabledEditorOnlySteps() {
  TIntSpin f;
  f.SetRange(0, 50);
  f.SetEditorEnabled(false);
  f.SetValue(12);
  QSignalSpy beeps(&f, &SpinField::Beeped);
  QTest::keyClicks(&f, "34");
  QTest::keyClick(&f, Qt::Key_End);
  QTest::keyClick(&f, Qt::Key_Backspace);
  QTest::keyClick(&f, Qt::Key_Home);
  QTest::keyClick(&f, Qt::Key_Delete);
  QCOMPARE(f.text(), QString("12"));
  QCOMPARE(beeps.count(), 4);
  QTest::keyClick(&f, Qt::Key_Up);
  QCOMPARE(f.text(), QString("13"));
  QVERIFY(!f.acceptDrops());
}

void SpinEditTest::readOnlyFieldBeepsOnStep() {
  TRealSpin f;
  f.SetReadOnly(true);
  f.SetValue(1);
  QSignalSpy beeps(&f, &SpinField::Beeped);
  f.Up();
  QTest::keyClick(&f, Qt::Key_Down);
  QCOMPARE(f.text(), QString("1.00"));
  QCOMPARE(beeps.count(), 2);
}

void SpinEditTest::pasteOnlyWhenEditable() {
  QApplication::clipboard()->setText("42");
  if (QApplication::clipboard()->text() != "42") QSKIP("no clipboard on this platform");
  TIntSpin f;
  f.clear();
  f.SetEditorEnabled(false);
  QTest::keyClick(&f, Qt::Key_V, Qt::ControlModifier);
  QCOMPARE(f.text(), QString());
  f.SetEditorEnabled(true);
  QTest::keyClick(&f, Qt::Key_V, Qt::ControlModifier);
  QCOMPARE(f.text(), QString("42"));
  f.SetReadOnly(true);
  f.selectAll();
  QTest::keyClick(&f, Qt::Key_X, Qt::ControlModifier);
  QCOMPARE(f.text(), QString("42"));
}

void SpinEditTest::valuesLongerThanTypingAreShownInFull() {
  TIntSpin f;
  QCOMPARE(f.maxLength(), 4);
  f.SetValue(123456);
  QCOMPARE(f.text(), QString("123456"));
  TRealSpin r;
  r.SetRange(0, 0);
  r.SetValue(-98765.25);
  QCOMPARE(r.text(), QString("-98765.25"));
}

void SpinEditTest::heightFollowsTheFont() {
  TRealSpin f;
  const int small = f.minimumHeight();
  QVERIFY(small >= f.FontHeightRule());
  QFont big = f.font();
  big.setPointSize(big.pointSize() * 3);
  f.setFont(big);
  QVERIFY(f.minimumHeight() > small);
  QCOMPARE(f.minimumHeight(), f.FontHeightRule());
  QCOMPARE(TIntSpin().sizeHint().width(), 65);
  QCOMPARE(TRealSpin().sizeHint().width(), 81);
}

void SpinEditTest::validationMessages() {
  QCOMPARE(*RealFieldProblem("12", 0, 10, 2, "Line width", "mm"),
           std::string("Line width must be between 0.00 and 10.00 mm"));
  QCOMPARE(*RealFieldProblem("1..2", 0, 10, 2, "Line width", "mm"),
           std::string("Line width must be a number."));
  QVERIFY(!RealFieldProblem("", 0, 10, 2, "Line width", "mm"));
  QVERIFY(RealFieldProblem("", 1, 10, 2, "Line width", "mm"));  // empty counts as 0
  QVERIFY(!RealFieldProblem("10", 0, 10, 2, "Line width", "mm"));
  QCOMPARE(*RealFieldProblem("-1", -0.5, 0.5, 1, "Angle"),
           std::string("Angle must be between -0.5 and 0.5"));
  QCOMPARE(*IntegerFieldProblem("300", 1, 255, "Count", "pcs"),
           std::string("Count must be between 1 and 255 pcs"));
  QCOMPARE(*IntegerFieldProblem("300", 1, 255, "Count"),
           std::string("Count must be between 1 and 255"));
  QCOMPARE(*IntegerFieldProblem("3.5", 1, 255, "Count"), std::string("Count must be a number."));
  QCOMPARE(*IntegerFieldProblem("12345678901234567890123", 1, 255, "Count"),
           std::string("Count must be between 1 and 255"));
  QVERIFY(!IntegerFieldProblem(" 255 ", 1, 255, "Count"));
}

void SpinEditTest::validateWidgetsGiveFocusAndKeepText() {
  Host host;
  auto* other = new QLineEdit(&host.window);
  auto* name = new QLabel("&Line width:", &host.window);
  auto* unit = new QLabel("mm", &host.window);
  auto* field = new TRealSpin(&host.window);
  auto* count = new TIntSpin(&host.window);
  auto* countName = new QLabel("Count:", &host.window);
  for (QWidget* w : std::initializer_list<QWidget*>{other, name, field, unit, countName, count})
    host.layout.addWidget(w);
  field->SetRange(0, 10);
  count->SetRange(1, 9);
  host.window.show();
  QApplication::setActiveWindow(&host.window);
  QVERIFY(QTest::qWaitForWindowActive(&host.window));
  other->setFocus();
  RecordingSink sink;
  field->setText("12.5");
  QVERIFY(!Validate(field, name, unit, sink));
  QCOMPARE(sink.errors.size(), size_t(1));
  QCOMPARE(sink.errors[0], std::string("Line width must be between 0.00 and 10.00 mm"));
  QTRY_VERIFY(field->hasFocus());
  QCOMPARE(field->text(), QString("12.5"));
  field->setText("7");
  QVERIFY(Validate(field, name, unit, sink));
  count->setText("0");
  QVERIFY(!Validate(count, countName, sink));
  QCOMPARE(sink.errors.back(), std::string("Count must be between 1 and 9"));
  QTRY_VERIFY(count->hasFocus());
  QCOMPARE(sink.errors.size(), size_t(2));
}

void SpinEditTest::symbolNumberChecks() {
  RecordingSink sink;
  QCOMPARE(CheckSymbolNumber("101.5", sink).value(), 1015);
  QCOMPARE(CheckSymbolNumber("0.1", sink).value(), 1);
  QCOMPARE(CheckSymbolNumber("999.9", sink).value(), 9999);
  QCOMPARE(CheckSymbolNumber("12,3", sink).value(), 123);
  QCOMPARE(CheckSymbolNumber("7", sink).value(), 70);
  QVERIFY(sink.errors.empty());
  QVERIFY(!CheckSymbolNumber("abc", sink));
  QVERIFY(!CheckSymbolNumber("", sink));
  QVERIFY(!CheckSymbolNumber("0.09", sink));
  QVERIFY(!CheckSymbolNumber("999.91", sink));
  QVERIFY(!CheckSymbolNumber("-5", sink));
  QVERIFY(!CheckSymbolNumber("1e9", sink));
  const std::vector<std::string> expected = {"Symbol number not correct.",
                                             "Symbol number not correct.",
                                             "Symbol no. must be between 0.1 and 999.9",
                                             "Symbol no. must be between 0.1 and 999.9",
                                             "Symbol no. must be between 0.1 and 999.9",
                                             "Symbol no. must be between 0.1 and 999.9"};
  QCOMPARE(sink.errors, expected);
  QVERIFY(!CheckSymbolNumber("101.0", sink, [](int n) { return n == 1010; }));
  QCOMPARE(sink.errors.back(), std::string("Symbol number already exists."));
}

void SpinEditTest::symbolNumberMustBeUniqueInTheMap() {
  MapFixture map;  // symbols 101.0, 201.0, 301.0 at places 0, 1, 2
  RecordingSink sink;
  QLineEdit field;
  field.setText("201.0");
  QVERIFY(!ValidateSymbolNumber(&field, sink, &map.store, 0));
  QCOMPARE(sink.errors.back(), std::string("Symbol number already exists."));
  // The symbol being edited may keep its own number.
  QCOMPARE(ValidateSymbolNumber(&field, sink, &map.store, 1).value(), 2010);
  field.setText("201.1");
  QCOMPARE(ValidateSymbolNumber(&field, sink, &map.store, -1).value(), 2011);
  QCOMPARE(sink.errors.size(), size_t(1));
}

QTEST_MAIN(SpinEditTest)
#include "spin_edit_test.moc"
