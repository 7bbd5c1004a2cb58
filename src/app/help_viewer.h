// The help window: HTML topics keyed by help context, and F1 for the context in force.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include "dialogs/dialog_base.h"

class QLineEdit;
class QListWidget;
class QTextBrowser;
class QWidget;

namespace zelk {

// A topic that contains the words searched for.
struct HelpMatch {
  QString file;   // the topic's file name in the help folder
  QString title;  // its <title>
  int hits = 0;   // how often the words occur in it
};

// Topics are files "<context>.html" in one folder beside "index.html". A context without a
// topic shows the index, so F1 always leads somewhere. The window has a search field above the
// topic; Esc closes it.
class HelpViewer : public QObject, public HelpRequester {
  Q_OBJECT

 public:
  explicit HelpViewer(QString folder = DefaultFolder(), QObject* parent = nullptr);
  ~HelpViewer() override;

  // "help" in the shipped data folder.
  static QString DefaultFolder();

  bool HasTopic(int context) const;
  // The file shown for a context: its topic, else the index; empty when neither exists.
  QString TopicFile(int context) const;
  QString IndexFile() const;

  void ShowHelp(int context) override;
  void ShowIndex();
  // Opens the window with the search field ready.
  void ShowSearch() override;
  // Topics whose text holds every word of `words` (case ignored), most hits first; the
  // contents page is not a topic of its own.
  QList<HelpMatch> Search(const QString& words) const;
  // Runs a search in the window and lists the matching topics; a click on one opens it.
  void RunSearch(const QString& words);
  QLineEdit* SearchEdit() const;
  QListWidget* Results() const;
  // The context last shown (0 for the index).
  int ShownContext() const { return shownContext_; }
  QWidget* Window() const;
  QTextBrowser* Browser() const;

  // Help contexts live in a widget property; the one in force is that of the widget with the
  // focus or its nearest ancestor that has one.
  static void SetContext(QWidget* widget, int context);
  static int ContextOf(const QWidget* widget);
  static int CurrentContext();

  // Makes F1 open the current context's topic anywhere in the application.
  void InstallF1();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void EnsureWindow();
  void Open(const QString& file, int context);

  QString folder_;
  QPointer<QWidget> window_;
  QTextBrowser* browser_ = nullptr;
  QLineEdit* searchEdit_ = nullptr;
  QListWidget* results_ = nullptr;
  int shownContext_ = -1;
};

}  // namespace zelk
