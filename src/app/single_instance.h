// One running editor per user: a second start hands its file name to the first and exits.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

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

  // Per user, so that two users of one machine each have their editor.
  static QString DefaultServerName();
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

}  // namespace zelk
