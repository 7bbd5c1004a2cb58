// The colour dialogs: what they show, what they store, what they refuse, and Cancel.
#include "dialogs/colors_dlg.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include "dialogs/spin_edit.h"
#include "storage/map_fixture.h"
#include "storage/symbol_derived.h"
#include "test_support.h"

using namespace zelk;

namespace {
// A map whose three colours have CMYK values and one separation "Gold" in two of them.
struct ColorMap : MapFixture {
  ColorMap() {
    SymbolHeader& h = store.MutableColors();
    h.colors[0].cmyk = {0, 0, 0, 200};
    h.colors[1].cmyk = {200, 100, 0, 0};
    h.separationCount = 1;
    h.separations[0].name = "Gold";
    h.colors[0].separations[0] = 25;
    h.colors[1].separations[0] = 80;
    store.ColorTableChanged();
  }
  std::vector<int> Numbers() {
    std::vector<int> out;
    for (int i = 0; i < store.Colors().colorCount; ++i)
      out.push_back(store.Colors().colors[static_cast<size_t>(i)].colorNumber);
    return out;
  }
};
}  // namespace

class ColorsDlgTest : public QObject {
  Q_OBJECT

 private slots:
  void gridShowsTable();
  void gridEditsAreStoredOnOk_data();
  void gridEditsAreStoredOnOk();
  void moveKeepsSelectionAndRedraws();
  void cancelPutsTableBack();
  void renumberedColoursTakeTheirSymbols();
  void badNumbersAreRefused_data();
  void badNumbersAreRefused();
  void defineColorKeepsRgbInStep();
  void defineColorStoresRoundedValues();
  void defineColorNewDeleteAndRange();
  void separationDialogRules();
};

void ColorsDlgTest::gridShowsTable() {
  ColorMap m;
  TColorsDlg dlg(m.store, m.sink, nullptr);
  QCOMPARE(dlg.windowTitle(), QString("Colors"));
  QCOMPARE(dlg.HelpContext(), 169);
  QCOMPARE(dlg.ColorB->rowCount(), 3);
  QCOMPARE(dlg.ColorB->columnCount(), 4);
  QCOMPARE(dlg.ColorB->horizontalHeaderItem(0)->text(), QString("No."));
  QCOMPARE(dlg.ColorB->horizontalHeaderItem(3)->text(), QString("Gold"));
  QCOMPARE(dlg.ColorB->item(0, 0)->text(), QString("2"));
  QCOMPARE(dlg.ColorB->item(0, 1)->text(), QString("Black"));
  QCOMPARE(dlg.ColorB->item(0, 3)->text(), QString("12.5"));
  QCOMPARE(dlg.ColorB->item(1, 3)->text(), QString("40"));
  QCOMPARE(dlg.ColorB->item(2, 3)->text(), QString(""));
  QCOMPARE(dlg.ColorB->item(0, 2)->background().color(), QColor(0, 0, 0));
  QCOMPARE(dlg.ColorB->item(1, 2)->background().color(), QColor(0, 127, 255));
  QVERIFY(!(dlg.ColorB->item(0, 2)->flags() & Qt::ItemIsSelectable));
  for (auto* b : {dlg.ColorBtn, dlg.SepBtn, dlg.MoveUpBtn, dlg.MoveDnBtn})
    QVERIFY(!b->text().isEmpty());
  QCOMPARE(dlg.MoveUpBtn->text(), QString("Move &up"));
  QVERIFY(!dlg.MoveUpBtn->isEnabled());
}

void ColorsDlgTest::gridEditsAreStoredOnOk_data() {
  QTest::addColumn<QString>("cell");
  QTest::addColumn<int>("stored");  // -1: refused
  QTest::addColumn<QString>("message");
  QTest::newRow("half") << "12.5" << 25 << "";
  QTest::newRow("whole") << "40" << 80 << "";
  QTest::newRow("empty") << "" << 255 << "";
  QTest::newRow("text") << "x" << -1 << "Color separation must be a number.";
  QTest::newRow("range") << "100.5" << -1 << "Color separation must be between 0 and 100 %";
}

void ColorsDlgTest::gridEditsAreStoredOnOk() {
  QFETCH(QString, cell);
  QFETCH(int, stored);
  QFETCH(QString, message);
  ColorMap m;
  TColorsDlg dlg(m.store, m.sink, nullptr);
  dlg.ColorB->item(2, 3)->setText(cell);
  dlg.ColorB->item(2, 1)->setText("Renamed yellow");
  QCOMPARE(dlg.OkBtnClick(), stored >= 0);
  if (stored < 0) {
    QCOMPARE(QString::fromStdString(m.sink.errors.back()), message);
    QCOMPARE(dlg.ColorB->currentRow(), 2);
    QCOMPARE(dlg.ColorB->currentColumn(), 3);
    QCOMPARE(m.store.Colors().colors[2].name, std::string("Yellow"));
    return;
  }
  QCOMPARE(int{m.store.Colors().colors[2].separations[0]}, stored);
  QCOMPARE(m.store.Colors().colors[2].name, std::string("Renamed yellow"));
  QVERIFY(dlg.RedrawNeeded());
  QVERIFY(m.Reopen());
  QCOMPARE(int{m.store.Colors().colors[2].separations[0]}, stored);
}

void ColorsDlgTest::moveKeepsSelectionAndRedraws() {
  ColorMap m;
  TColorsDlg dlg(m.store, m.sink, nullptr);
  dlg.SetCurrent(0);
  dlg.MoveDnBtnClick();
  QCOMPARE(dlg.Current(), 1);
  QCOMPARE(m.Numbers(), std::vector<int>({0, 2, 1}));
  dlg.MoveDnBtnClick();
  QCOMPARE(m.Numbers(), std::vector<int>({0, 1, 2}));
  QVERIFY(!dlg.MoveDnBtn->isEnabled());
  dlg.MoveDnBtnClick();  // the last colour cannot move down
  QCOMPARE(m.Numbers(), std::vector<int>({0, 1, 2}));
  QCOMPARE(dlg.ColorB->currentRow(), 2);
  QVERIFY(dlg.OkBtnClick());
  QVERIFY(m.store.Placeholder().Colors().Has(0));
  QVERIFY(m.Reopen());
  QCOMPARE(m.Numbers(), std::vector<int>({0, 1, 2}));
}

void ColorsDlgTest::cancelPutsTableBack() {
  ColorMap m;
  TColorsDlg dlg(m.store, m.sink, nullptr);
  dlg.MoveDnBtnClick();
  m.store.MutableColors().colorCount = 1;
  dlg.reject();
  QCOMPARE(m.Numbers(), std::vector<int>({2, 0, 1}));
}

void ColorsDlgTest::renumberedColoursTakeTheirSymbols() {
  ColorMap m;
  // A line in Black (2) with a Blue (0) end symbol; an object of it in the map.
  LineSymbol f;
  f.LineColor = 2;
  f.LineWidth = 30;
  const ElementList end = test::EncodeElements({{kElementDot, 0, 0, 0, 50, {test::U(0, 0)}}});
  const std::array<ElementList, 5> lists = {ElementList{}, {}, {}, {}, end};
  SymbolRecord line = FinishLineSymbol(m.store.Symbol(0), f, lists, {false, false, false, true});
  QVERIFY(m.store.ReplaceSymbol(0, line));
  ObjectRecord o = MakeLine(1010, 0, 0, 100, 0);
  QVERIFY(m.store.AddObject(o));
  TColorsDlg dlg(m.store, m.sink, nullptr);
  dlg.ColorB->item(0, 0)->setText("7");  // Black 2 -> 7
  dlg.ColorB->item(1, 0)->setText("1");  // Blue and Yellow swap 0 and 1
  dlg.ColorB->item(2, 0)->setText("0");
  QVERIFY(dlg.OkBtnClick());
  QCOMPARE(m.Numbers(), std::vector<int>({7, 1, 0}));
  const LineSymbol back = *LineSymbol::Decode(m.store.Symbol(0));
  QCOMPARE(int{back.LineColor}, 7);
  const ElementList kept(back.EndList.begin(), back.EndList.end());
  QCOMPARE(int{SymbolElementHead::Decode(kept.data()).color}, 1);
  QVERIFY(m.store.Symbol(0).Colors().Has(7));
  QVERIFY(m.store.Symbol(0).Colors().Has(1));
  QVERIFY(!m.store.Symbol(0).Colors().Has(2));
  // The area symbol drew in Yellow (1): now 0.
  QVERIFY(m.store.Symbol(1).Colors().Has(0));
  // The objects are found in their new colours, not in the old ones.
  QVERIFY(m.store.Block(0).colors.Has(7));
  QVERIFY(!m.store.Block(0).colors.Has(2));
  QVERIFY(m.Reopen());
  QCOMPARE(int{LineSymbol::Decode(m.store.Symbol(0))->LineColor}, 7);
}

void ColorsDlgTest::badNumbersAreRefused_data() {
  QTest::addColumn<QString>("number");
  QTest::addColumn<QString>("message");
  QTest::newRow("text") << "x"
                        << "No. must be a number.";
  QTest::newRow("range") << "256"
                         << "No. must be between 0 and 255";
  QTest::newRow("taken") << "0"
                         << "Color number already exists.";
}

void ColorsDlgTest::badNumbersAreRefused() {
  QFETCH(QString, number);
  QFETCH(QString, message);
  ColorMap m;
  TColorsDlg dlg(m.store, m.sink, nullptr);
  dlg.ColorB->item(2, 0)->setText(number);
  QVERIFY(!dlg.OkBtnClick());
  QCOMPARE(QString::fromStdString(m.sink.errors.back()), message);
  QCOMPARE(dlg.ColorB->currentRow(), 2);
  QCOMPARE(m.Numbers(), std::vector<int>({2, 0, 1}));
}

void ColorsDlgTest::defineColorKeepsRgbInStep() {
  ColorMap m;
  SymbolHeader& h = m.store.MutableColors();
  TDefColorDlg dlg(h, 1, {}, m.sink, nullptr);
  QCOMPARE(dlg.windowTitle(), QString("Define Color"));
  QCOMPARE(dlg.CyanB->text(), QString("100.0"));
  QCOMPARE(dlg.MagentaB->text(), QString("50.0"));
  QCOMPARE(dlg.RedB->text(), QString("0.0"));
  QCOMPARE(dlg.GreenB->text(), QString("50.0"));
  QCOMPARE(dlg.BlueB->text(), QString("100.0"));
  dlg.RedB->setText("100");
  dlg.GreenB->setText("50");
  dlg.BlueB->setText("0");
  QCOMPARE(dlg.CyanB->text(), QString("0.0"));
  QCOMPARE(dlg.MagentaB->text(), QString("50.0"));
  QCOMPARE(dlg.YellowB->text(), QString("100.0"));
  QCOMPARE(dlg.BlackB->text(), QString("0.0"));
  QCOMPARE(dlg.PreviewB->Shown(), QColor(255, 127, 0));
  dlg.BlackB->setText("10");
  QCOMPARE(dlg.RedB->text(), QString("90.0"));
}

void ColorsDlgTest::defineColorStoresRoundedValues() {
  ColorMap m;
  SymbolHeader& h = m.store.MutableColors();
  TDefColorDlg dlg(h, 2, {}, m.sink, nullptr);
  dlg.NameB->setText("Brown");
  dlg.CyanB->setText("12.25");  // 24.5 -> 24, halves to even
  dlg.MagentaB->setText("12.75");
  dlg.YellowB->setText("0");
  dlg.BlackB->setText("0.5");
  dlg.ColSepB->item(1, 0)->setText("33.3");
  QVERIFY(dlg.OkBtnClick());
  QCOMPARE(h.colors[2].name, std::string("Brown"));
  QCOMPARE(std::vector<int>(h.colors[2].cmyk.begin(), h.colors[2].cmyk.end()),
           std::vector<int>({24, 26, 0, 1}));
  QCOMPARE(int{h.colors[2].separations[0]}, 67);
}

void ColorsDlgTest::defineColorNewDeleteAndRange() {
  ColorMap m;
  SymbolHeader& h = m.store.MutableColors();
  ColorSet used;
  used.Add(3);  // a symbol still draws with colour 3
  TDefColorDlg dlg(h, 0, used, m.sink, nullptr);
  dlg.NameB->setText("Black 2");
  dlg.NewBtnClick();
  QCOMPARE(dlg.Current(), 1);
  QCOMPARE(h.colorCount, 4);
  QCOMPARE(h.colors[0].name, std::string("Black 2"));
  QCOMPARE(int{h.colors[1].colorNumber}, 4);
  QCOMPARE(dlg.NameB->text(), QString(""));
  dlg.CyanB->setText("120");
  dlg.NextBtnClick();
  QCOMPARE(dlg.Current(), 1);
  QCOMPARE(QString::fromStdString(m.sink.errors.back()),
           QString("Cyan must be between 0.0 and 100.0"));
  dlg.CyanB->setText("10");
  dlg.DeleteBtnClick();
  QCOMPARE(dlg.Current(), 0);
  QCOMPARE(h.colorCount, 3);
  dlg.PreviousBtnClick();
  QVERIFY(!dlg.PreviousBtn->isEnabled());
  h.colorCount = 1;
  TDefColorDlg single(h, 0, {}, m.sink, nullptr);
  QVERIFY(!single.DeleteBtn->isEnabled());
}

void ColorsDlgTest::separationDialogRules() {
  ColorMap m;
  SymbolHeader& h = m.store.MutableColors();
  h.separationCount = 0;
  {
    TColorSepDlg dlg(h, m.sink, nullptr);
    QCOMPARE(h.separationCount, 1);  // made at once
    QCOMPARE(dlg.FreqB->text(), QString("150.0"));
    QCOMPARE(dlg.AngleB->text(), QString("45.0"));
    dlg.reject();
    QCOMPARE(h.separationCount, 0);  // taken back by Cancel
  }
  {
    TColorSepDlg dlg(h, m.sink, nullptr);
    dlg.NameB->setText("  ");
    QVERIFY(!dlg.OkBtnClick());
    QCOMPARE(QString::fromStdString(m.sink.errors.back()), QString("Separation name is empty."));
    dlg.NameB->setText("BLUE pla");
    dlg.AngleB->setText("-12.34");
    dlg.NewBtnClick();
    QCOMPARE(h.separationCount, 2);
    QCOMPARE(h.separations[0].name, std::string("Blue pla"));
    QCOMPARE(int{h.separations[0].angle}, -123);
    QCOMPARE(int{h.colors[0].separations[1]}, 255);
    dlg.NameB->setText("red");
    dlg.FreqB->setText("5");
    dlg.PreviousBtnClick();
    QCOMPARE(QString::fromStdString(m.sink.errors.back()),
             QString("Halftone frequency must be between 10.0 and 1000.0 DPI"));
    dlg.FreqB->setText("60");
    dlg.PreviousBtnClick();  // leaves the new one: Cancel keeps it
    dlg.reject();
    QCOMPARE(h.separationCount, 2);
    QCOMPARE(h.separations[1].name, std::string("Red"));
    QCOMPARE(int{h.separations[1].frequency}, 600);
  }
  {
    TColorSepDlg dlg(h, m.sink, nullptr);
    dlg.DeleteBtnClick();
    dlg.DeleteBtnClick();
    QCOMPARE(h.separationCount, 1);  // a fresh default one
    QCOMPARE(h.separations[0].name, std::string(""));
  }
}

QTEST_MAIN(ColorsDlgTest)
#include "colors_dlg_test.moc"
