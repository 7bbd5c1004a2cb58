// Shows the splash, the message forms and the settings dialogs one after another, for a look.
// Usage: zelk-dialog-preview [splash|error|confirm|question|prefs|scales]; each window stays
// open until it is closed.
#include <QApplication>
#include <QSplashScreen>

#include "app/help_viewer.h"
#include "app/message_form.h"
#include "app/splash.h"
#include "dialogs/prefs_dlg.h"
#include "dialogs/scales_dlg.h"
#include "storage/map_store.h"
#include "storage/preferences.h"

using namespace zelk;

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const QString what = argc > 1 ? argv[1] : "prefs";
  HelpViewer help;
  help.InstallF1();
  DialogMessageSink sink(nullptr, &help);
  if (what == "splash") {
    QSplashScreen* s = ShowSplash("0.1");
    s->showMessage("Loading...", Qt::AlignBottom | Qt::AlignRight);
    return app.exec();
  }
  if (what == "error") {
    sink.Error(ComposeMessage(";File not found.", "/home/user/maps/north forest.zkm\r\n"), 26);
    return 0;
  }
  if (what == "confirm") {
    sink.Confirm("All symbols will be deleted and replaced by the new symbols.\r\nContinue?", 172);
    return 0;
  }
  if (what == "question") {
    sink.Ask(ComposeMessage(";has been modified. Save?", "Untitled"), 146);
    return 0;
  }
  if (what == "prefs") {
    Preferences prefs;
    prefs.hatchAreas = true;
    TPrefsDlg dlg(prefs, nullptr, sink, &help);
    return dlg.exec() == QDialog::Accepted ? 0 : 1;
  }
  MapStore store(&sink);
  TScalesDlg dlg(store, sink, &help);
  return dlg.exec() == QDialog::Accepted ? 0 : 1;
}
