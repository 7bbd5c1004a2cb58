// The message form and its sink, the single-instance hand-over, file dialog filters, splash.
#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSplashScreen>
#include <QTest>
#include <QTimer>

#include "app/file_chooser_qt.h"
#include "app/message_form.h"
#include "app/single_instance.h"
#include "app/splash.h"
#include "dialogs/dialog_base.h"
#include "test_support.h"

using namespace zelk;

namespace {
class CountingHelp : public HelpRequester {
 public:
  std::vector<int> shown;
  void ShowHelp(int context) override { shown.push_back(context); }
};

// Clicks a button of the next modal dialog once it runs.
void ClickWhenModal(const char* buttonName) {
  QTimer::singleShot(0, [buttonName] {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal) return ClickWhenModal(buttonName);
    auto* b = modal->findChild<QPushButton*>(buttonName);
    if (b) b->click();
  });
}

QString UniqueServerName() {
  return QString("zelk-test-%1-%2").arg(QCoreApplication::applicationPid()).arg(std::rand());
}
}  // namespace

class AppTest : public QObject {
  Q_OBJECT

 private slots:
  void errorFormHasOnlyOk();
  void confirmationFormHasOkAndCancel();
  void questionFormHasYesNoCancel();
  void helpButtonOnlyWithContext();
  void escapeChoosesTheCancelButton();
  void enterChoosesTheDefaultButton();
  void messageTextIsPlainAndLinesAreTidy();
  void sinkReturnsTheChosenButton();

  void secondInstanceHandsOverItsFileName();
  void staleSocketDoesNotBlockTheFirstInstance();
  void argumentsAreJoinedWithBlanks();
  void channelIsPerUserAndDisplay();
  void handOverWaitsUntilTheProgramIsIdle();
  void handOverWaitsForAModalDialogToClose();

  void filtersAreConverted();
  void fileDialogIsPrepared();

  void splashPictureIsDrawn();
};

void AppTest::errorFormHasOnlyOk() {
  TMessageForm form(MessageKind::Error, "Disk full.", 0, nullptr);
  QCOMPARE(form.windowTitle(), QString("ZELK"));
  QVERIFY(form.OkBtn && !form.CancelBtn && !form.YesBtn && !form.NoBtn && !form.HelpBtn);
  QCOMPARE(form.DefaultButton(), form.OkBtn);
  QCOMPARE(form.CancelButton(), form.OkBtn);
  QVERIFY(form.OkBtn->isDefault());
  QCOMPARE(form.findChildren<QPushButton*>().size(), 1);
}

void AppTest::confirmationFormHasOkAndCancel() {
  TMessageForm form(MessageKind::Confirmation, "Delete selected symbol(s)?", 0, nullptr);
  QVERIFY(form.OkBtn && form.CancelBtn && !form.YesBtn && !form.NoBtn);
  QCOMPARE(form.DefaultButton(), form.OkBtn);
  QCOMPARE(form.CancelButton(), form.CancelBtn);
  QVERIFY(form.OkBtn->isDefault() && !form.CancelBtn->isDefault());
  form.show();
  form.CancelBtn->click();
  QCOMPARE(form.Result(), MessageResult::Cancel);
}

void AppTest::questionFormHasYesNoCancel() {
  TMessageForm form(MessageKind::Question, "Save?", 0, nullptr);
  QVERIFY(!form.OkBtn && form.YesBtn && form.NoBtn && form.CancelBtn);
  QCOMPARE(form.DefaultButton(), form.YesBtn);
  QCOMPARE(form.CancelButton(), form.CancelBtn);
  QVERIFY(form.YesBtn->isDefault());
  form.show();
  form.NoBtn->click();
  QCOMPARE(form.Result(), MessageResult::No);
  QVERIFY(!form.isVisible());
}

void AppTest::helpButtonOnlyWithContext() {
  CountingHelp help;
  TMessageForm with(MessageKind::Question, "Save?", 146, &help);
  QVERIFY(with.HelpBtn);
  QCOMPARE(with.HelpBtn->text(), QString("&Help"));
  with.show();
  with.HelpBtn->click();
  QCOMPARE(help.shown, std::vector<int>{146});
  QVERIFY(with.isVisible());  // help leaves the question open
  TMessageForm without(MessageKind::Question, "Save?", 0, &help);
  QVERIFY(!without.HelpBtn);
  TMessageForm negative(MessageKind::Error, "x", -3, &help);
  QVERIFY(!negative.HelpBtn);
}

void AppTest::escapeChoosesTheCancelButton() {
  struct Case {
    MessageKind kind;
    MessageResult expected;
  };
  for (const Case c : {Case{MessageKind::Error, MessageResult::Ok},
                       Case{MessageKind::Confirmation, MessageResult::Cancel},
                       Case{MessageKind::Question, MessageResult::Cancel}}) {
    TMessageForm form(c.kind, "text", 0, nullptr);
    form.show();
    QTest::keyClick(&form, Qt::Key_Escape);
    QCOMPARE(form.Result(), c.expected);
    QVERIFY(!form.isVisible());
  }
}

void AppTest::enterChoosesTheDefaultButton() {
  TMessageForm question(MessageKind::Question, "text", 0, nullptr);
  question.show();
  QTest::keyClick(&question, Qt::Key_Return);
  QCOMPARE(question.Result(), MessageResult::Yes);
  TMessageForm confirm(MessageKind::Confirmation, "text", 0, nullptr);
  confirm.show();
  QTest::keyClick(&confirm, Qt::Key_Enter);
  QCOMPARE(confirm.Result(), MessageResult::Ok);
}

void AppTest::messageTextIsPlainAndLinesAreTidy() {
  const std::string composed = ComposeMessage(";File not found.", "/maps/<b>river</b>.zkm\r\n");
  QCOMPARE(MessageDisplayText(composed), QString("/maps/<b>river</b>.zkm\nFile not found."));
  TMessageForm form(MessageKind::Error, MessageDisplayText(composed), 0, nullptr);
  QCOMPARE(form.MessageL->textFormat(), Qt::PlainText);
  QCOMPARE(form.Message(), QString("/maps/<b>river</b>.zkm\nFile not found."));
  QCOMPARE(MessageDisplayText("All symbols will be deleted.\r\nContinue?"),
           QString("All symbols will be deleted.\nContinue?"));
}

void AppTest::sinkReturnsTheChosenButton() {
  DialogMessageSink sink;
  ClickWhenModal("YesBtn");
  QCOMPARE(sink.Ask("Save?", 146), Answer::Yes);
  ClickWhenModal("NoBtn");
  QCOMPARE(sink.Ask("Save?"), Answer::No);
  ClickWhenModal("CancelBtn");
  QCOMPARE(sink.Ask("Save?"), Answer::Cancel);
  ClickWhenModal("OkBtn");
  QVERIFY(sink.Confirm("Continue?"));
  ClickWhenModal("CancelBtn");
  QVERIFY(!sink.Confirm("Continue?"));
  ClickWhenModal("OkBtn");
  sink.Error("Cannot open x");
  QVERIFY(!QApplication::activeModalWidget());
}

void AppTest::secondInstanceHandsOverItsFileName() {
  const QString name = UniqueServerName();
  SingleInstance first(name);
  QVERIFY(first.Start(""));
  QVERIFY(first.IsPrimary());
  QSignalSpy requests(&first, &SingleInstance::OpenRequested);

  SingleInstance second(name);
  QVERIFY(!second.Start("/maps/north forest.zkm"));
  QVERIFY(!second.IsPrimary());
  QVERIFY(requests.wait(3000));
  QCOMPARE(requests.at(0).at(0).toString(), QString("/maps/north forest.zkm"));

  // A start without a file only brings the first one to the front.
  SingleInstance third(name);
  QVERIFY(!third.Start(""));
  QTRY_COMPARE(requests.count(), 2);
  QCOMPARE(requests.at(1).at(0).toString(), QString());
}

void AppTest::staleSocketDoesNotBlockTheFirstInstance() {
  const QString name = UniqueServerName();
  {
    SingleInstance gone(name);
    QVERIFY(gone.Start(""));
  }
  SingleInstance next(name);
  QVERIFY(next.Start("a.zkm"));
  QVERIFY(next.IsPrimary());
}

void AppTest::argumentsAreJoinedWithBlanks() {
  QCOMPARE(SingleInstance::FileNameFromArguments({"zelk", "/maps/north", "forest.zkm"}),
           QString("/maps/north forest.zkm"));
  QCOMPARE(SingleInstance::FileNameFromArguments({"zelk"}), QString());
  QVERIFY(SingleInstance::DefaultServerName().startsWith("ZELKFileMap"));
}

void AppTest::channelIsPerUserAndDisplay() {
  struct Display {
    const char* platform;
    const char* x11;
    const char* wayland;
    const char* expected;
  };
  for (const Display& d :
       {Display{"xcb", ":0", "", ":0"}, Display{"xcb", "localhost:10.0", "", "localhost:10.0"},
        Display{"wayland", ":0", "wayland-1", "wayland-1"}, Display{"wayland", "", "", "wayland-0"},
        Display{"offscreen", "", "", "offscreen"},
        Display{"offscreen", "", "wayland-2", "wayland-2"}, Display{"", "", "", "default"}})
    QCOMPARE(SingleInstance::DisplayName(d.platform, d.x11, d.wayland), QString(d.expected));

  // Every user and display has a channel of its own, named with characters a socket name may hold.
  const QString names[] = {
      SingleInstance::ServerName("anna", ":0"),
      SingleInstance::ServerName("anna", ":1"),
      SingleInstance::ServerName("ben", ":0"),
      SingleInstance::ServerName("anna", "/run/user/1000/wayland-0"),
      SingleInstance::ServerName("anna", "offscreen"),
      SingleInstance::ServerName("a b/c", QString(200, 'x')),
      SingleInstance::ServerName("a b/c", QString(200, 'x') + "y"),
  };
  QCOMPARE(names[0], QString("ZELKFileMap-anna-_0"));
  const QRegularExpression valid("^[A-Za-z0-9._-]+$");
  for (size_t i = 0; i < std::size(names); ++i) {
    QVERIFY2(valid.match(names[i]).hasMatch(), qPrintable(names[i]));
    QVERIFY(names[i].size() <= 80);
    for (size_t k = 0; k < i; ++k) QVERIFY(names[i] != names[k]);
  }

  // The running program's name follows its display.
  const QByteArray x11 = qgetenv("DISPLAY"), wayland = qgetenv("WAYLAND_DISPLAY");
  qunsetenv("WAYLAND_DISPLAY");
  qputenv("DISPLAY", ":5");
  const QString onFive = SingleInstance::DefaultServerName();
  qputenv("DISPLAY", ":6");
  const QString onSix = SingleInstance::DefaultServerName();
  qunsetenv("DISPLAY");
  const QString withoutDisplay = SingleInstance::DefaultServerName();
  x11.isNull() ? qunsetenv("DISPLAY") : qputenv("DISPLAY", x11);
  if (!wayland.isNull()) qputenv("WAYLAND_DISPLAY", wayland);
  QVERIFY(onFive.endsWith("-_5"));
  QVERIFY(onFive != onSix);
  QVERIFY(withoutDisplay.endsWith("-" + QGuiApplication::platformName()));
}

void AppTest::handOverWaitsUntilTheProgramIsIdle() {
  bool busy = true;
  HandOverQueue queue([&busy] { return busy; });
  QSignalSpy opened(&queue, &HandOverQueue::OpenNow);
  queue.Request("/maps/first.zkm");
  queue.Request("/maps/second.zkm");
  // It keeps trying while the main window is busy ...
  QVERIFY(!opened.wait(3 * HandOverQueue::kRetryMs));
  QVERIFY(queue.Waiting());
  // ... and opens only the latest request once it is not.
  busy = false;
  QVERIFY(opened.wait(3000));
  QCOMPARE(opened.count(), 1);
  QCOMPARE(opened.at(0).at(0).toString(), QString("/maps/second.zkm"));
  QVERIFY(!queue.Waiting());
  QTest::qWait(2 * HandOverQueue::kRetryMs);
  QCOMPARE(opened.count(), 1);

  // When idle the map opens at once; a start without a name opens nothing.
  queue.Request("/maps/third.zkm");
  QCOMPARE(opened.count(), 2);
  queue.Request("");
  QCOMPARE(opened.count(), 2);

  // An open pop-up menu is not idle either.
  QMenu menu;
  menu.addAction("Item");
  menu.popup(QPoint(10, 10));
  QTRY_VERIFY(QApplication::activePopupWidget());
  queue.Request("/maps/fourth.zkm");
  QCOMPARE(opened.count(), 2);
  menu.close();
  QVERIFY(opened.wait(3000));
  QCOMPARE(opened.at(2).at(0).toString(), QString("/maps/fourth.zkm"));
}

void AppTest::handOverWaitsForAModalDialogToClose() {
  const QString name = UniqueServerName();
  SingleInstance first(name);
  QVERIFY(first.Start(""));
  HandOverQueue queue([] { return false; });
  connect(&first, &SingleInstance::OpenRequested, &queue, &HandOverQueue::Request);
  QStringList opened;
  bool modalWhileOpening = false;
  connect(&queue, &HandOverQueue::OpenNow, this, [&](const QString& file) {
    opened << file;
    modalWhileOpening = QApplication::activeModalWidget() != nullptr;
  });

  QDialog dialog;
  qsizetype openedWhileShown = -1;
  bool waitingWhileShown = false;
  bool handedOver = false;
  QTimer::singleShot(0, &dialog, [&] {
    SingleInstance second(name);
    handedOver = !second.Start("/maps/second start.zkm");
    // Time for the request to arrive and be retried while the dialog stays open.
    QTimer::singleShot(5 * HandOverQueue::kRetryMs, &dialog, [&] {
      openedWhileShown = opened.size();
      waitingWhileShown = queue.Waiting();
      dialog.accept();
    });
  });
  dialog.exec();
  QVERIFY(handedOver);
  QCOMPARE(openedWhileShown, 0);
  QVERIFY(waitingWhileShown);
  QTRY_COMPARE(opened.size(), 1);
  QCOMPARE(opened.at(0), QString("/maps/second start.zkm"));
  QVERIFY(!modalWhileOpening);
}

void AppTest::filtersAreConverted() {
  const DialogFilter open = ConvertFilter(kOpenFilter);
  QCOMPARE(open.title, QString("Open"));
  QCOMPARE(open.filters,
           QStringList({"Map files (*.zkm)", "ZELK 3 files (*.elt)", "All files (*)"}));
  const DialogFilter bmp = ConvertFilter("Export BMP File;BMP files (*.bmp)|*.bmp;*.dib");
  QCOMPARE(bmp.title, QString("Export BMP File"));
  QCOMPARE(bmp.filters, QStringList({"BMP files (*.bmp *.dib)"}));
  const DialogFilter untitled = ConvertFilter("DXF files (*.dxf)|*.dxf");
  QCOMPARE(untitled.title, QString());
  QCOMPARE(untitled.filters, QStringList({"DXF files (*.dxf)"}));
  // Broken strings still give a usable dialog.
  QCOMPARE(ConvertFilter("Title;").filters, QStringList({"All files (*)"}));
  QCOMPARE(ConvertFilter("T;Maps|").filters, QStringList({"Maps (*)"}));
}

void AppTest::fileDialogIsPrepared() {
  TempDir dir;
  WriteFileBytes(dir.Path("river.zkm"), {1, 2, 3});
  QFileDialog open;
  open.setOption(QFileDialog::DontUseNativeDialog);
  QtFileChooser::Prepare(open, kOpenFilter, "zkm", dir.Path("river.zkm"), 113, false);
  QCOMPARE(open.windowTitle(), QString("Open"));
  QCOMPARE(open.nameFilters().size(), 3);
  QCOMPARE(open.defaultSuffix(), QString("zkm"));
  QCOMPARE(open.acceptMode(), QFileDialog::AcceptOpen);
  QCOMPARE(open.fileMode(), QFileDialog::ExistingFile);
  QCOMPARE(open.directory().absolutePath(),
           QDir(QString::fromStdString(dir.Path())).absolutePath());
  QCOMPARE(open.selectedFiles().value(0), QString::fromStdString(dir.Path("river.zkm")));
  QCOMPARE(open.property("helpContext").toInt(), 113);

  QFileDialog save;
  save.setOption(QFileDialog::DontUseNativeDialog);
  QtFileChooser::Prepare(save, kSaveAsFilter, "zkm", "/no/such/folder/x.zkm", 115, true);
  QCOMPARE(save.windowTitle(), QString("Save As"));
  QCOMPARE(save.acceptMode(), QFileDialog::AcceptSave);
}

void AppTest::splashPictureIsDrawn() {
  const QPixmap picture = MakeSplashPicture("0.1");
  QVERIFY(!picture.isNull());
  QVERIFY(picture.width() >= 300 && picture.height() >= 200);
  const QImage image = picture.toImage();
  // Not a blank picture: the corner frame and the paper differ.
  QVERIFY(image.pixelColor(0, 0) != image.pixelColor(image.width() / 2, image.height() - 5));
  QSplashScreen* splash = ShowSplash("0.1");
  QVERIFY(splash->isVisible());
  delete splash;
}

QTEST_MAIN(AppTest)
#include "app_test.moc"
