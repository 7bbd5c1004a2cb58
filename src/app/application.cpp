// The program's start-up and shut-down: one instance, splash, preferences, main window, session.
#include "app/application.h"

#include <QApplication>
#include <QFileInfo>
#include <QScreen>
#include <QSessionManager>
#include <QSplashScreen>
#include <QTimer>

#include "app/file_chooser_qt.h"
#include "app/help_viewer.h"
#include "app/message_form.h"
#include "app/single_instance.h"
#include "app/splash.h"
#include "editor/document_dialogs.h"
#include "editor/main_form.h"
#include "render/font_service_qt.h"
#include "storage/preferences.h"
#include "storage/program_folder.h"
#include "storage/registry_store.h"

namespace zelk {

int RunApplication(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("ZELK");
  QApplication::setApplicationVersion("6.0");

  // A relative name would mean another map once the current folder changes.
  QString fileName = SingleInstance::FileNameFromArguments(QApplication::arguments());
  if (!fileName.isEmpty()) fileName = QFileInfo(fileName).absoluteFilePath();
  SingleInstance single;
  if (!single.Start(fileName)) return 0;

  QSplashScreen* splash = ShowSplash(QApplication::applicationVersion());

  RegistryStore registry(ProgramFolder::RegistryFile());
  registry.Load();
  Preferences prefs;
  HelpViewer help;
  help.InstallF1();
  DialogMessageSink sink(nullptr, &help);
  QtFileChooser chooser(nullptr);
  QtFontService fonts;
  QtDocumentDialogs dialogs(nullptr, sink, &chooser, &help, ProgramFolder::SymbolSetFolder());

  MainFormServices services;
  services.sink = &sink;
  services.chooser = &chooser;
  services.dialogs = &dialogs;
  services.help = &help;
  services.fonts = &fonts;
  services.prefs = &prefs;
  services.registry = &registry;
  services.tempPath = ProgramFolder::TempMapPath();
  TMainFm form(services);
  sink.SetParent(&form);

  HandOverQueue handOver([&form] { return form.IsBusy(); });
  QObject::connect(&single, &SingleInstance::OpenRequested, &form,
                   [&form, &handOver](const QString& name) {
                     SingleInstance::BringToFront(&form);
                     handOver.Request(name);
                   });
  QObject::connect(&handOver, &HandOverQueue::OpenNow, &form,
                   [&form](const QString& name) { form.OpenRequested(name.toStdString()); });
  QObject::connect(&app, &QGuiApplication::commitDataRequest, &form,
                   [&form](QSessionManager& manager) {
                     QStringList command;
                     for (const std::string& s :
                          form.SessionEnding(QApplication::applicationFilePath().toStdString()))
                       command << QString::fromStdString(s);
                     manager.setRestartCommand(command);
                     manager.setRestartHint(QSessionManager::RestartIfRunning);
                   });

  // Without a window manager "maximised" means nothing; the screen's free area is the same wish.
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    form.setGeometry(screen->availableGeometry());
  form.showMaximized();
  if (splash) splash->finish(&form);

  // The start-up work runs once the window is on the screen.
  std::vector<std::string> arguments;
  if (!fileName.isEmpty()) arguments.push_back(fileName.toStdString());
  QTimer::singleShot(0, &form, [&form, arguments] { form.StartUp(arguments); });
  const int rc = app.exec();
  delete splash;
  return rc;
}

}  // namespace zelk
