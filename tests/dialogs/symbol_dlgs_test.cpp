// The symbol editors: fields filled as a user would, the stored record checked byte for byte.
#include "dialogs/symbol_dlgs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

#include "dialogs/icon_dlg.h"
#include "dialogs/spin_edit.h"
#include "storage/map_fixture.h"
#include "test_support.h"

using namespace zelk;
using test::Element;
using test::EncodeElements;
using test::U;

namespace {
const std::vector<Element> kCross = {
    {kElementLine, 0, 1, 20, 0, {U(-100, 0), U(100, 0)}},
    {kElementDot, 0, 0, 0, 300, {U(0, 0)}},
};

void Type(QWidget* dlg, const char* name, const QString& text) {
  auto* e = dlg->findChild<QLineEdit*>(name);
  QVERIFY2(e, name);
  e->setText(text);
}

void ChooseColor(QWidget* dlg, const char* name, int number) {
  auto* c = dlg->findChild<QComboBox*>(name);
  QVERIFY2(c, name);
  c->setCurrentIndex(c->findData(number));
}

std::vector<int> Members(const ColorSet& s) {
  std::vector<int> out;
  for (int n = 0; n < 256; ++n)
    if (s.Has(n)) out.push_back(n);
  return out;
}
}  // namespace

class SymbolDlgsTest : public QObject {
  Q_OBJECT

 private slots:
  void newSymbolDialogTypes();
  void symbolNumberChecks_data();
  void symbolNumberChecks();
  void lineSymbolStoresFields();
  void lineSymbolDropsUnusedLists();
  void lineSymbolRangeMessage();
  void areaSymbolStoresFields();
  void pointSymbolKeepsElements();
  void textSymbolStoresFields();
  void textSymbolTabs();
  void lineTextSymbolStoresFields();
  void rectangleSymbolStoresFields();
  void damagedRecordsOpen();
  void unknownColourKeptWhenUnchanged();
  void iconTools();
};

void SymbolDlgsTest::newSymbolDialogTypes() {
  RecordingSink sink;
  TNewSymDlg dlg(sink, nullptr);
  QCOMPARE(dlg.windowTitle(), QString("New Symbol"));
  QVERIFY(dlg.TypeB[0]->isChecked());
  const SymbolType types[6] = {SymbolType::Point, SymbolType::Line, SymbolType::Area,
                               SymbolType::Text,  SymbolType::Line, SymbolType::Rectangle};
  for (int i = 0; i < 6; ++i) {
    dlg.TypeB[static_cast<size_t>(i)]->setChecked(true);
    QCOMPARE(dlg.Type(), types[i]);
    QCOMPARE(dlg.Subtype(), i == 4 ? 1 : 0);
    const SymbolRecord empty = EmptySymbol(dlg.Type(), dlg.Subtype());
    QVERIFY(empty.IsConsistent());
    QCOMPARE(int{empty.Icon()[0]}, 255);
  }
  QCOMPARE(dlg.TypeB[4]->text(), QString("Li&ne text symbol"));
}

void SymbolDlgsTest::symbolNumberChecks_data() {
  QTest::addColumn<QString>("typed");
  QTest::addColumn<int>("stored");
  QTest::addColumn<QString>("message");
  QTest::newRow("rounded to even") << "101.55" << 1016 << "";
  QTest::newRow("plain") << "5" << 50 << "";
  QTest::newRow("too small") << "0.05" << 0 << "Symbol no. must be between 0.1 and 999.9";
  QTest::newRow("too big") << "1000" << 0 << "Symbol no. must be between 0.1 and 999.9";
  QTest::newRow("text") << "1x" << 0 << "Symbol number not correct.";
  QTest::newRow("taken") << "201" << 0 << "Symbol number already exists.";
  QTest::newRow("own number") << "101" << 1010 << "";
}

void SymbolDlgsTest::symbolNumberChecks() {
  QFETCH(QString, typed);
  QFETCH(int, stored);
  QFETCH(QString, message);
  MapFixture m;
  TLineSymDlg dlg(m.store, m.store.Symbol(0), 0, m.sink, nullptr);
  dlg.SymNumB->setText(typed);
  QCOMPARE(dlg.OkBtnClick(), stored > 0);
  if (stored > 0)
    QCOMPARE(int{dlg.Result().Number()}, stored);
  else
    QCOMPARE(QString::fromStdString(m.sink.errors.back()), message);
}

void SymbolDlgsTest::lineSymbolStoresFields() {
  MapFixture m;
  TLineSymDlg dlg(m.store, EmptySymbol(SymbolType::Line, 0), -1, m.sink, nullptr);
  QCOMPARE(dlg.windowTitle(), QString("Line Symbol"));
  QStringList pages;
  for (int i = 0; i < dlg.TabbedB->count(); ++i) pages << dlg.TabbedB->tabText(i);
  QCOMPARE(pages, QStringList({"Main Line", "Distances", "Symbols", "Double Line", "Decrease"}));
  dlg.SymNumB->setText("102.3");
  dlg.DescriptionB->setText("Path");
  ChooseColor(&dlg, "LineColorB", 1);
  Type(&dlg, "LineWidthB", "0.125");  // 12.5 -> 12, halves to even
  dlg.LineEndsB->setChecked(true);
  Type(&dlg, "MainLengthB", "4");
  Type(&dlg, "MainGapB", "0.5");
  dlg.MinGapB->setChecked(true);
  dlg.DblModeB->setCurrentIndex(1);
  Type(&dlg, "DblWidthB", "1");
  Type(&dlg, "DblLeftWidthB", "0.3");
  ChooseColor(&dlg, "DblLeftColorB", 2);
  dlg.DecDoubleB->setChecked(true);
  Type(&dlg, "DecLastB", "40");
  QVERIFY(dlg.OkBtnClick());
  const SymbolRecord& r = dlg.Result();
  QVERIFY(r.IsConsistent());
  QCOMPARE(r.Size(), 424);
  QCOMPARE(int{r.Number()}, 1023);
  QCOMPARE(r.Description(), std::string("Path"));
  QCOMPARE(int{r.Extent()}, 80);  // double width 1.00 / 2 + left 0.30
  QCOMPARE(Members(r.Colors()),
           std::vector<int>({0, 1, 2}));  // line, fill (colour 0) and left line
  const LineSymbol f = *LineSymbol::Decode(r);
  QCOMPARE(int{f.LineColor}, 1);
  QCOMPARE(int{f.LineWidth}, 12);
  QCOMPARE(int{f.LineEnds}, 1);
  QCOMPARE(int{f.MainLength}, 400);
  QCOMPARE(int{f.MainGap}, 50);
  QCOMPARE(int{f.MinGap}, 1);
  QCOMPARE(int{f.DblMode}, 1);
  QCOMPARE(int{f.DblWidth}, 100);
  QCOMPARE(int{f.DblLeftWidth}, 30);
  QCOMPARE(int{f.DecMode}, 2);
  QCOMPARE(int{f.DecLast}, 40);
}

void SymbolDlgsTest::lineSymbolDropsUnusedLists() {
  MapFixture m;
  LineSymbol f;
  f.LineWidth = 10;
  const ElementList cross = EncodeElements(kCross);
  SymbolRecord rec = FinishLineSymbol(EmptySymbol(SymbolType::Line, 0), f,
                                      {cross, cross, {}, {}, cross}, {true, false, false, true});
  rec.SetNumber(1100);
  TLineSymDlg dlg(m.store, rec, -1, m.sink, nullptr);
  QVERIFY(dlg.SecSymB->isChecked());
  QVERIFY(!dlg.CornerSymB->isChecked());
  QVERIFY(dlg.EndSymB->isChecked());
  QCOMPARE(dlg.NPrimSymB->Value(), 0);
  dlg.SecSymB->setChecked(false);
  QVERIFY(dlg.OkBtnClick());
  const SymbolRecord& r = dlg.Result();
  QVERIFY(r.IsConsistent());
  QCOMPARE(r.Size(), 424 + static_cast<int>(cross.size()));  // only the end symbol is kept
  const LineSymbol back = *LineSymbol::Decode(r);
  QCOMPARE(int{back.PrimDSize}, 0);
  QCOMPARE(int{back.SecDSize}, 0);
  QCOMPARE(int{back.EndDSize}, static_cast<int>(cross.size() / 8));
  QCOMPARE(int{r.Extent()}, 150);  // the dot's reach
  QCOMPARE(Members(r.Colors()), std::vector<int>({0, 1}));
}

void SymbolDlgsTest::lineSymbolRangeMessage() {
  MapFixture m;
  TLineSymDlg dlg(m.store, m.store.Symbol(0), 0, m.sink, nullptr);
  Type(&dlg, "DblGapB", "51");
  QVERIFY(!dlg.OkBtnClick());
  QCOMPARE(QString::fromStdString(m.sink.errors.back()),
           QString("Gap must be between 0.00 and 50.00 mm"));
  QCOMPARE(dlg.TabbedB->currentIndex(), 3);
}

void SymbolDlgsTest::areaSymbolStoresFields() {
  MapFixture m;
  TAreaSymDlg dlg(m.store, m.store.Symbol(1), 1, m.sink, nullptr);
  ChooseColor(&dlg, "FillColorB", 0);
  dlg.FillOnB->setChecked(true);
  QTest::mouseClick(dlg.findChild<QToolButton*>("HatchSinglePictureB"), Qt::LeftButton);
  QVERIFY(dlg.HatchSingleB->isChecked());
  QTest::mouseClick(dlg.findChild<QToolButton*>("HatchCrossPictureB"), Qt::LeftButton);
  QVERIFY(dlg.HatchCrossB->isChecked());
  Type(&dlg, "HatchLineWidthB", "0.1");
  Type(&dlg, "HatchDistB", "1.5");
  Type(&dlg, "HatchAngle1B", "45");
  Type(&dlg, "HatchAngle2B", "-22.25");  // -222.5 -> -222
  ChooseColor(&dlg, "HatchColorB", 2);
  dlg.RectB->setChecked(true);  // no structure drawn yet
  Type(&dlg, "StructWidthB", "3");
  QVERIFY(dlg.OkBtnClick());
  const SymbolRecord& r = dlg.Result();
  QVERIFY(r.IsConsistent());
  QCOMPARE(int{r.Number()}, 2010);
  const AreaSymbol f = *AreaSymbol::Decode(r);
  QCOMPARE(int{f.FillOn}, 1);
  QCOMPARE(int{f.HatchMode}, 2);
  QCOMPARE(int{f.HatchLineWidth}, 10);
  QCOMPARE(int{f.HatchDist}, 150);
  QCOMPARE(int{f.HatchAngle1}, 450);
  QCOMPARE(int{f.HatchAngle2}, -222);
  QCOMPARE(int{f.StructMode}, 1);
  QCOMPARE(int{f.StructWidth}, 300);
  QCOMPARE(Members(r.Colors()), std::vector<int>({0, 2}));
}

void SymbolDlgsTest::pointSymbolKeepsElements() {
  MapFixture m;
  SymbolRecord rec = test::MakePointSymbol(kCross, 3010);
  rec.SetExtent(0);  // derived again on OK
  TPointSymDlg dlg(m.store, rec, 2, m.sink, nullptr);
  QCOMPARE(dlg.EditBtn->text(), QString("&Edit..."));
  dlg.DescriptionB->setText("A description longer than thirty-one characters");
  QVERIFY(dlg.OkBtnClick());
  const SymbolRecord& r = dlg.Result();
  QVERIFY(r.IsConsistent());
  QCOMPARE(r.Size(), 352 + static_cast<int>(EncodeElements(kCross).size()));
  QCOMPARE(int{r.Extent()}, 150);
  QCOMPARE(Members(r.Colors()), std::vector<int>({0, 1}));
  QCOMPARE(r.Description(), std::string("A description longer than thirt"));
  QVERIFY(std::equal(r.Bytes().begin() + 352, r.Bytes().end(), EncodeElements(kCross).begin()));
}

void SymbolDlgsTest::textSymbolStoresFields() {
  MapFixture m;
  TTextSymDlg dlg(m.store, EmptySymbol(SymbolType::Text, 0), -1, m.sink, nullptr);
  QStringList pages;
  for (int i = 0; i < dlg.TabbedB->count(); ++i) pages << dlg.TabbedB->tabText(i);
  QCOMPARE(pages, QStringList({"General", "Paragraph", "Tabulator", "Line Below", "Second Font"}));
  dlg.SymNumB->setText("700");
  dlg.F.FontNameB->setEditText("Liberation Serif");
  Type(&dlg, "FontSizeB", "12.5");
  QTest::keyClick(dlg.F.FontSizeB, Qt::Key_Up);  // 13.0, height follows
  QCOMPARE(dlg.F.CharHeightB->text(), QString("4.59"));
  dlg.F.BoldB->setChecked(true);
  ChooseColor(&dlg, "FontColorB", 1);
  Type(&dlg, "CharSpaceB", "10");
  dlg.F.AlignmentB->setCurrentIndex(3);
  Type(&dlg, "LineSpaceB", "150");
  Type(&dlg, "ParaSpaceB", "-1");
  dlg.LBOnB->setChecked(true);
  ChooseColor(&dlg, "LBColorB", 2);
  Type(&dlg, "LBWidthB", "0.2");
  Type(&dlg, "LBDistB", "0.5");
  QVERIFY(dlg.OkBtnClick());
  const SymbolRecord& r = dlg.Result();
  QVERIFY(r.IsConsistent());
  QCOMPARE(r.Size(), 588);
  const TextSymbol t = *TextSymbol::Decode(r);
  QCOMPARE(t.FontName, std::string("Liberation Serif"));
  QCOMPARE(int{t.FontSize}, 130);
  QCOMPARE(int{t.FontWeight}, 700);
  QCOMPARE(int{t.FontColor}, 1);
  QCOMPARE(int{t.CharSpace}, 10);
  QCOMPARE(int{t.Alignment}, 3);
  QCOMPARE(int{t.LineSpace}, 150);
  QCOMPARE(int{t.ParaSpace}, -100);
  QCOMPARE(int{t.LBOn}, 1);
  QCOMPARE(int{t.LBWidth}, 20);
  QCOMPARE(int{t.LBDist}, 50);
  QCOMPARE(Members(r.Colors()), std::vector<int>({1, 2}));
}

void SymbolDlgsTest::textSymbolTabs() {
  MapFixture m;
  TTextSymDlg dlg(m.store, EmptySymbol(SymbolType::Text, 0), -1, m.sink, nullptr);
  for (const char* pos : {"30", "10.5", "20", "10.5"}) {
    dlg.TabPosB->setText(pos);
    dlg.TabAddBtnClick();
  }
  QCOMPARE(dlg.Tabs(), std::vector<int32_t>({1050, 2000, 3000}));  // sorted, no repeats
  dlg.TabPosB->setText("600");
  dlg.TabAddBtnClick();
  QCOMPARE(QString::fromStdString(m.sink.errors.back()),
           QString("Position must be between 0.0 and 500.0 mm"));
  for (int i = 0; i < 40; ++i) {
    dlg.TabPosB->setText(QString::number(100 + i));
    dlg.TabAddBtnClick();
  }
  QCOMPARE(dlg.TabListB->count(), 32);
  QVERIFY(!dlg.TabAddBtn->isEnabled());
  dlg.TabListB->setCurrentRow(0);
  dlg.TabDeleteBtnClick();
  QCOMPARE(dlg.Tabs().front(), 2000);
  dlg.SymNumB->setText("701");
  QVERIFY(dlg.OkBtnClick());
  const TextSymbol t = *TextSymbol::Decode(dlg.Result());
  QCOMPARE(int{t.TabCount}, 31);
  QVERIFY(std::is_sorted(t.Tabs.begin(), t.Tabs.begin() + t.TabCount));
  QCOMPARE(t.Tabs[31], 0);
}

void SymbolDlgsTest::lineTextSymbolStoresFields() {
  MapFixture m;
  TLTextSymDlg dlg(m.store, EmptySymbol(SymbolType::Line, kSubtypeLineText), -1, m.sink, nullptr);
  QCOMPARE(dlg.windowTitle(), QString("Line Text Symbol"));
  QCOMPARE(dlg.TabbedB->count(), 2);
  QCOMPARE(dlg.F.AlignmentB->itemText(3), QString("All line"));
  dlg.SymNumB->setText("800");
  dlg.F.AlignmentB->setCurrentIndex(3);
  dlg.F.SFOnB->setChecked(true);
  ChooseColor(&dlg, "SFColorB", 2);
  Type(&dlg, "SFOfxB", "-1.5");
  Type(&dlg, "SFSizeB", "8");
  QVERIFY(dlg.OkBtnClick());
  const SymbolRecord& r = dlg.Result();
  QVERIFY(r.IsConsistent());
  QVERIFY(r.IsLineText());
  const LineTextSymbol t = *LineTextSymbol::Decode(r);
  QCOMPARE(int{t.Alignment}, 3);
  QCOMPARE(int{t.SFOn}, 1);
  QCOMPARE(int{t.SFOfx}, -150);
  QCOMPARE(int{t.SFSize}, 80);
  QCOMPARE(Members(r.Colors()), std::vector<int>({0, 2}));
  QVERIFY(r.Extent() > 0);
}

void SymbolDlgsTest::rectangleSymbolStoresFields() {
  MapFixture m;
  TRectSymDlg dlg(m.store, EmptySymbol(SymbolType::Rectangle, 0), -1, m.sink, nullptr);
  QCOMPARE(dlg.windowTitle(), QString("Rectangle symbol"));
  dlg.SymNumB->setText("900");
  ChooseColor(&dlg, "LineColorB", 1);
  Type(&dlg, "LineWidthB", "0.35");
  Type(&dlg, "RadiusB", "2");
  dlg.GridOnB->setChecked(true);
  dlg.NumBottomB->setChecked(true);
  Type(&dlg, "CellWidthB", "10");
  Type(&dlg, "NumberB", "3");
  dlg.TextB->setText("ABCD");
  QVERIFY(dlg.OkBtnClick());
  const SymbolRecord& r = dlg.Result();
  QVERIFY(r.IsConsistent());
  const RectangleSymbol f = *RectangleSymbol::Decode(r);
  QCOMPARE(int{f.LineWidth}, 35);
  QCOMPARE(int{f.Radius}, 200);
  QCOMPARE(int{f.GridFlags}, 5);
  QCOMPARE(int{f.CellWidth}, 1000);
  QCOMPARE(int{f.UnnumCells}, 3);
  QCOMPARE(f.UnnumText, std::string("ABC"));
  QCOMPARE(int{r.Extent()}, 25);
  QCOMPARE(Members(r.Colors()), std::vector<int>({1}));
}

void SymbolDlgsTest::damagedRecordsOpen() {
  MapFixture m;
  const SymbolType types[] = {SymbolType::Point, SymbolType::Line, SymbolType::Area,
                              SymbolType::Text,  SymbolType::Line, SymbolType::Rectangle};
  for (int i = 0; i < 6; ++i) {
    SymbolRecord rec = EmptySymbol(types[i], i == 4 ? kSubtypeLineText : 0);
    // Counts beyond the record, a damaged length, a short record, colours beyond the table.
    for (int at = 348; at < rec.Size(); at += 2) PutI16(&rec.MutableBytes()[at], 30000);
    rec.SetLength(-5);
    if (i % 2) rec.Resize(360);
    rec.SetNumber(1500 + i);
    std::unique_ptr<TSymbolDlg> dlg = MakeSymbolDialog(m.store, rec, -1, m.sink, nullptr);
    QVERIFY(dlg);
    QVERIFY2(dlg->OkBtnClick(), m.sink.errors.empty() ? "" : m.sink.errors.back().c_str());
    QVERIFY(dlg->Result().IsConsistent());
    QCOMPARE(int{dlg->Result().Number()}, 1500 + i);
  }
}

void SymbolDlgsTest::unknownColourKeptWhenUnchanged() {
  MapFixture m;
  RectangleSymbol f;
  f.LineColor = 77;  // not in the table
  SymbolRecord rec = FinishRectangleSymbol(EmptySymbol(SymbolType::Rectangle, 0), f);
  rec.SetNumber(901);
  TRectSymDlg dlg(m.store, rec, -1, m.sink, nullptr);
  QVERIFY(dlg.OkBtnClick());
  QCOMPARE(int{RectangleSymbol::Decode(dlg.Result())->LineColor}, 77);
  PutI16(&rec.MutableBytes()[348], 4000);  // cannot be a colour at all
  TRectSymDlg damaged(m.store, rec, -1, m.sink, nullptr);
  QVERIFY(damaged.OkBtnClick());
  QCOMPARE(int{RectangleSymbol::Decode(damaged.Result())->LineColor}, 2);  // the first colour
}

void SymbolDlgsTest::iconTools() {
  RecordingSink sink;
  SymbolRecord rec = EmptySymbol(SymbolType::Point, 0);
  TEditIconDlg dlg(rec.Icon(), sink, nullptr);
  IconEditor& e = dlg.Editor();
  e.color = 9;
  e.tool = IconTool::Pen;
  e.Press(0, 0);
  e.Move(1, 0);
  e.Move(40, 40);  // outside: nothing
  e.Release(1, 0);
  QCOMPARE(e.Image().Get(0, 0), 9);
  QCOMPARE(e.Image().Get(1, 0), 9);
  // The top-left pixel is the high half of the first byte of the last row.
  QCOMPARE(int{dlg.Icon()[21 * 12]}, 0x99);
  e.tool = IconTool::FullRect;
  e.color = 12;
  e.Press(20, 20);
  e.Move(10, 10);
  QCOMPARE(e.Image().Get(10, 10), 12);
  e.Move(21, 21);  // the preview follows, the earlier one is gone
  QCOMPARE(e.Image().Get(10, 10), 15);
  e.Release(30, 30);  // clipped to the icon
  QCOMPARE(e.Image().Get(21, 21), 12);
  QCOMPARE(e.Image().Get(19, 19), 15);
  e.Press(-1, 5);  // outside: ignored
  QCOMPARE(e.Step(), IconStep::Idle);
  e.tool = IconTool::Line;
  e.color = 0;
  e.Press(0, 5);
  e.Release(21, 5);
  for (int x = 0; x < 22; ++x) QCOMPARE(e.Image().Get(x, 5), 0);
  e.tool = IconTool::Circle;
  e.Press(2, 8);
  e.Release(12, 18);
  QCOMPARE(e.Image().Get(7, 8), 0);
  QCOMPARE(e.Image().Get(7, 13), 15);  // hollow
  // The enlarged view takes the mouse: a pen stroke at pixel (3, 4), and a click outside.
  e.tool = IconTool::Pen;
  e.color = 13;
  const int k = dlg.EnlargedB->Scale();
  QTest::mouseClick(dlg.EnlargedB, Qt::LeftButton, {},
                    QPoint(1 + 3 * k + k / 2, 1 + 4 * k + k / 2));
  QCOMPARE(e.Image().Get(3, 4), 13);
  const IconImage before = e.Image();
  QTest::mouseClick(dlg.EnlargedB, Qt::LeftButton, {}, QPoint(dlg.EnlargedB->width() - 1, 0));
  QVERIFY(e.Image() == before);
  // The row padding byte is never drawn into.
  for (int row = 0; row < 22; ++row)
    QCOMPARE(int{dlg.Icon()[static_cast<size_t>(row * 12 + 11)]}, 255);
}

QTEST_MAIN(SymbolDlgsTest)
#include "symbol_dlgs_test.moc"
