// One running editor per user and display: a second start hands its file name to the first
// and exits; the first opens it once it is free to.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <functional>

class QLocalServer;
class QLocalSocket;
class QWidget;

namespace zelk {

class SingleInstance : public QObject {
  Q_OBJECT

 public:
  // Tests pass their own name so that they never meet a running editor.
  explicit SingleInstance(QString serverName = DefaultServerName(), QObject* parent = nullptr);
  ~SingleInstance() override;

  // Per user and display, so that two users of one machine, or one user on two displays, each
  // have their editor.
  static QString DefaultServerName();
  static QString ServerName(const QString& user, const QString& display);
  // The display the windows go to: the Wayland socket on Wayland, else the X display; the
  // platform's name (offscreen, ...) when there is neither.
  static QString DisplayName(const QString& platform, const QString& x11Display,
                             const QString& waylandDisplay);
  // All arguments after the program name joined with blanks.
  static QString FileNameFromArguments(const QStringList& arguments);

  // True when this is the first instance, which now listens for later ones. Otherwise hands
  // `fileName` (possibly empty) to the running instance and returns false: the caller exits.
  bool Start(const QString& fileName);
  bool IsPrimary() const { return server_ != nullptr; }

  // Restores a minimised window and brings it to the front.
  static void BringToFront(QWidget* window);

 signals:
  // A later start asked for this file (empty: just come to the front).
  void OpenRequested(const QString& fileName);

 private:
  bool HandOver(const QString& fileName);
  void Accept();
  void Collect(QLocalSocket* socket, bool finished);

  QString serverName_;
  QLocalServer* server_ = nullptr;
};

// Holds the map a later start asked for until the program is free to open it: no modal dialog
// or pop-up menu is open, whose OK would otherwise act on the new map, and no long operation
// runs. Of several requests made meanwhile only the latest is opened.
class HandOverQueue : public QObject {
  Q_OBJECT

 public:
  static constexpr int kRetryMs = 200;
  // `busy`: the main window's long-operation check.
  explicit HandOverQueue(std::function<bool()> busy, QObject* parent = nullptr);

  void Request(const QString& fileName);
  bool Waiting() const { return !pending_.isEmpty(); }
  bool Idle() const;

 signals:
  void OpenNow(const QString& fileName);

 private:
  void TryOpen();

  std::function<bool()> busy_;
  QString pending_;
  QTimer retry_;
};

}  // namespace zelk
