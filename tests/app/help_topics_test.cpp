// The help viewer: topics by context, the index as fallback, F1, and the shipped topics.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QRegularExpression>
#include <QTest>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "app/help_viewer.h"
#include "dialogs/dialog_base.h"
#include "storage/document.h"
#include "test_support.h"

using namespace zelk;

namespace {
const QString kShipped = QString(ZELK_SHIPPED_DATA_DIR) + "/help";

void WriteText(const std::string& path, const std::string& text) {
  WriteFileBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
}

QString ReadAll(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}
}  // namespace

class HelpTopicsTest : public QObject {
  Q_OBJECT

 private slots:
  void topicsAreFoundByContext();
  void showingOpensTheTopicInTheWindow();
  void f1OpensTheContextOfTheFocusedWidget();
  void everyNamedContextHasAShippedTopic();
  void shippedLinksResolve();
  void searchListsTheTopicsWithAllWords();
  void aClickedResultOpensItsTopic();
  void escClosesTheHelpWindow();
  void f1InAnOpenMenuOpensTheMenusContext();
};

void HelpTopicsTest::topicsAreFoundByContext() {
  TempDir dir;
  WriteText(dir.Path("index.html"), "<html><title>Contents</title></html>");
  WriteText(dir.Path("188.html"), "<html><title>Preferences</title></html>");
  HelpViewer viewer(QString::fromStdString(dir.Path()));
  QVERIFY(viewer.HasTopic(188));
  QVERIFY(!viewer.HasTopic(189));
  QVERIFY(!viewer.HasTopic(0));
  QCOMPARE(viewer.TopicFile(188), QString::fromStdString(dir.Path("188.html")));
  QCOMPARE(viewer.TopicFile(189), QString::fromStdString(dir.Path("index.html")));
  QCOMPARE(viewer.TopicFile(-1), QString::fromStdString(dir.Path("index.html")));

  HelpViewer empty(QString::fromStdString(dir.Path("missing")));
  QCOMPARE(empty.TopicFile(188), QString());
  empty.ShowHelp(188);  // says so instead of failing
  QVERIFY(empty.Browser()->toPlainText().contains("No help"));
}

void HelpTopicsTest::showingOpensTheTopicInTheWindow() {
  HelpViewer viewer(kShipped);
  QVERIFY(!viewer.Window());
  viewer.ShowHelp(help::kPreferences);
  QVERIFY(viewer.Window() && viewer.Window()->isVisible());
  QCOMPARE(viewer.ShownContext(), 188);
  QVERIFY(viewer.Browser()->toPlainText().contains("Hatched areas"));
  QVERIFY(viewer.Window()->windowTitle().contains("Preferences"));
  viewer.ShowHelp(9999);
  QCOMPARE(viewer.ShownContext(), 0);
  QVERIFY(viewer.Browser()->toPlainText().contains("Choose a topic"));
}

void HelpTopicsTest::f1OpensTheContextOfTheFocusedWidget() {
  HelpViewer viewer(kShipped);
  viewer.InstallF1();
  QWidget window;
  auto* layout = new QVBoxLayout(&window);
  auto* panel = new QWidget(&window);
  auto* inner = new QVBoxLayout(panel);
  auto* field = new QLineEdit(panel);
  inner->addWidget(field);
  layout->addWidget(panel);
  HelpViewer::SetContext(&window, help::kMainWindow);
  HelpViewer::SetContext(panel, help::kScales);
  window.show();
  QApplication::setActiveWindow(&window);
  QVERIFY(QTest::qWaitForWindowActive(&window));
  field->setFocus();
  QCOMPARE(HelpViewer::CurrentContext(), help::kScales);
  QTest::keyClick(field, Qt::Key_F1);
  QCOMPARE(viewer.ShownContext(), help::kScales);
  QVERIFY(field->text().isEmpty());
  // The tool's context replaces the window's as the tool changes.
  HelpViewer::SetContext(panel, 0);
  QCOMPARE(HelpViewer::ContextOf(field), help::kMainWindow);
  HelpViewer::SetContext(panel, 226);
  QCOMPARE(HelpViewer::ContextOf(field), 226);
}

void HelpTopicsTest::everyNamedContextHasAShippedTopic() {
  HelpViewer viewer(kShipped);
  const int contexts[] = {help::kFileNotFound,
                          help::kFormatNotCorrect,
                          help::kConvertZelk3,
                          help::kConvertZelk4,
                          help::kConvertZelk5,
                          help::kNoSymbolFile,
                          help::kAbortedSession,
                          help::kNewMap,
                          help::kOpen,
                          help::kSaveAs,
                          help::kSaveQuestion,
                          help::kLoadSymbols,
                          help::kMainWindow,
                          help::kProcedures,
                          help::kMenu,
                          help::kToolbar,
                          help::kPreferences,
                          help::kScales,
                          help::kNumberFields,
                          100,
                          162,
                          224,
                          225,
                          226};
  const QString index = ReadAll(viewer.IndexFile());
  QVERIFY(!index.isEmpty());
  for (int c : contexts) {
    QVERIFY2(viewer.HasTopic(c), qPrintable(QString::number(c)));
    const QString text = ReadAll(viewer.TopicFile(c));
    QVERIFY2(QRegularExpression("<title>[^<]+</title>").match(text).hasMatch(),
             qPrintable(QString::number(c)));
    QVERIFY2(index.contains(QString("href=\"%1.html\"").arg(c)), qPrintable(QString::number(c)));
  }
}

void HelpTopicsTest::shippedLinksResolve() {
  const QDir dir(kShipped);
  static const QRegularExpression link("href=\"([^\"#]+)\"");
  int links = 0;
  for (const QString& file : dir.entryList({"*.html"})) {
    auto it = link.globalMatch(ReadAll(dir.filePath(file)));
    while (it.hasNext()) {
      const QString target = it.next().captured(1);
      QVERIFY2(dir.exists(target), qPrintable(file + " -> " + target));
      ++links;
    }
  }
  QVERIFY(links > 20);
}

void HelpTopicsTest::searchListsTheTopicsWithAllWords() {
  TempDir dir;
  WriteText(dir.Path("index.html"), "<html><title>Contents</title><body>zoom grid</body></html>");
  WriteText(dir.Path("5.html"),
            "<html><title>Grid</title><body>The <b>grid</b> and a grid again; zoom.</body></html>");
  WriteText(dir.Path("6.html"),
            "<html><title>Zooming</title><body>Zoom in, zoom OUT, the Grid.</body></html>");
  WriteText(dir.Path("7.html"),
            "<html><title>Colours</title><body>Nothing of the kind.</body></html>");
  HelpViewer viewer(QString::fromStdString(dir.Path()));
  // Every word must occur, case ignored, markup not counted; most hits first; no contents page.
  const QList<HelpMatch> both = viewer.Search("  Grid ZOOM ");
  QCOMPARE(both.size(), 2);
  QCOMPARE(both[0].title, QString("Grid"));  // grid 3 times with its title, zoom once
  QCOMPARE(both[0].file, QString("5.html"));
  QCOMPARE(both[1].title, QString("Zooming"));
  QCOMPARE(viewer.Search("out").size(), 1);
  QVERIFY(viewer.Search("body").isEmpty());  // markup is not text
  QVERIFY(viewer.Search("colours kind")[0].file == "7.html");
  QVERIFY(viewer.Search("nowhere").isEmpty());
  QVERIFY(viewer.Search("   ").isEmpty());
}

void HelpTopicsTest::aClickedResultOpensItsTopic() {
  HelpViewer viewer(kShipped);
  viewer.ShowSearch();
  QVERIFY(viewer.Window()->isVisible());
  QVERIFY(viewer.SearchEdit() != nullptr);
  QTest::keyClicks(viewer.SearchEdit(), "print window");
  QTest::keyClick(viewer.SearchEdit(), Qt::Key_Return);
  QListWidget* results = viewer.Results();
  QVERIFY(results->isVisibleTo(viewer.Window()));
  QVERIFY(results->count() >= 2);
  QStringList titles;
  for (int i = 0; i < results->count(); ++i) titles << results->item(i)->text();
  QVERIFY2(titles.contains("Procedures"), qPrintable(titles.join(", ")));
  QVERIFY2(titles.contains("Menu"), qPrintable(titles.join(", ")));
  const int row = static_cast<int>(titles.indexOf("Menu"));
  const QRect r = results->visualItemRect(results->item(row));
  QTest::mouseClick(results->viewport(), Qt::LeftButton, {}, r.center());
  QCOMPARE(viewer.ShownContext(), help::kMenu);
  QVERIFY(viewer.Browser()->toPlainText().contains("Shift+F5"));

  viewer.RunSearch("xyzzy plugh");
  QCOMPARE(results->count(), 1);
  QVERIFY(results->item(0)->text().contains("No topic"));
}

void HelpTopicsTest::escClosesTheHelpWindow() {
  HelpViewer viewer(kShipped);
  viewer.ShowHelp(help::kToolbar);
  QCOMPARE(viewer.ShownContext(), help::kToolbar);
  QWidget* w = viewer.Window();
  QApplication::setActiveWindow(w);
  QVERIFY(QTest::qWaitForWindowActive(w));
  viewer.Browser()->setFocus();
  QTest::keyClick(viewer.Browser(), Qt::Key_Escape);
  QVERIFY(!w->isVisible());
  // It comes back on the next request.
  viewer.ShowHelp(help::kProcedures);
  QVERIFY(w->isVisible());
  QVERIFY(viewer.Browser()->toPlainText().contains("Step by step"));
}

void HelpTopicsTest::f1InAnOpenMenuOpensTheMenusContext() {
  HelpViewer viewer(kShipped);
  viewer.InstallF1();
  QWidget window;
  HelpViewer::SetContext(&window, help::kMainWindow);
  auto* field = new QLineEdit(&window);
  window.show();
  field->setFocus();
  QMenu menu(&window);
  menu.addAction("Open...");
  HelpViewer::SetContext(&menu, help::kOpen);
  menu.popup(window.mapToGlobal(QPoint(0, 0)));
  QTest::keyClick(&menu, Qt::Key_F1);
  QCOMPARE(viewer.ShownContext(), help::kOpen);
  menu.close();
}

QTEST_MAIN(HelpTopicsTest)
#include "help_topics_test.moc"
