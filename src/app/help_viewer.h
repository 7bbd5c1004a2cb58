// The help window: HTML topics keyed by help context, and F1 for the context in force.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include "dialogs/dialog_base.h"

class QTextBrowser;
class QWidget;

namespace zelk {

// Topics are files "<context>.html" in one folder beside "index.html". A context without a
// topic shows the index, so F1 always leads somewhere.
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
  int shownContext_ = -1;
};

}  // namespace zelk
