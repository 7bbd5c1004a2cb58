// The single-instance check over a local socket.
#include "app/single_instance.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QWidget>

namespace zelk {

namespace {
constexpr int kTimeoutMs = 2000;
// A file name ends at the line feed; the longest path a message may carry.
constexpr qint64 kMaxMessage = 64 * 1024;
// Socket names become file names under the temporary folder, whose paths are short.
constexpr qsizetype kMaxPart = 32;

// Letters, digits, '.', '_' and '-' only; a long part is cut and told apart by a hash.
QString NamePart(const QString& text) {
  QString part;
  for (const QChar c : text) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       c == '.' || c == '_' || c == '-';
    part += plain ? c : QChar('_');
  }
  if (part.size() <= kMaxPart) return part;
  const QByteArray hash = QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Sha1).toHex();
  return part.left(kMaxPart - 9) + '-' + QString::fromLatin1(hash.left(8));
}
}  // namespace

SingleInstance::SingleInstance(QString serverName, QObject* parent)
    : QObject(parent), serverName_(std::move(serverName)) {}

SingleInstance::~SingleInstance() {
  if (server_) server_->close();
}

QString SingleInstance::DefaultServerName() {
  QString user = qEnvironmentVariable("USER");
  if (user.isEmpty()) user = qEnvironmentVariable("USERNAME");
  if (user.isEmpty()) user = QString::number(qHash(QDir::homePath()));
  const QString display =
      DisplayName(QGuiApplication::platformName(), qEnvironmentVariable("DISPLAY"),
                  qEnvironmentVariable("WAYLAND_DISPLAY"));
  return ServerName(user, display);
}

QString SingleInstance::ServerName(const QString& user, const QString& display) {
  return "ZELKFileMap-" + NamePart(user) + "-" + NamePart(display);
}

QString SingleInstance::DisplayName(const QString& platform, const QString& x11Display,
                                    const QString& waylandDisplay) {
  if (platform.startsWith("wayland"))
    return waylandDisplay.isEmpty() ? QString("wayland-0") : waylandDisplay;
  if (!x11Display.isEmpty()) return x11Display;
  if (!waylandDisplay.isEmpty()) return waylandDisplay;
  return platform.isEmpty() ? QString("default") : platform;
}

QString SingleInstance::FileNameFromArguments(const QStringList& arguments) {
  return arguments.mid(1).join(' ');
}

bool SingleInstance::Start(const QString& fileName) {
  if (HandOver(fileName)) return false;
  server_ = new QLocalServer(this);
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  if (!server_->listen(serverName_)) {
    // A socket left behind by an editor that did not end normally.
    QLocalServer::removeServer(serverName_);
    if (!server_->listen(serverName_)) {
      // Without the socket this editor still runs; later starts simply run beside it.
      delete server_;
      server_ = nullptr;
      return true;
    }
  }
  connect(server_, &QLocalServer::newConnection, this, &SingleInstance::Accept);
  return true;
}

bool SingleInstance::HandOver(const QString& fileName) {
  QLocalSocket socket;
  socket.connectToServer(serverName_);
  if (!socket.waitForConnected(kTimeoutMs)) return false;
  socket.write(fileName.toUtf8() + '\n');
  if (!socket.waitForBytesWritten(kTimeoutMs)) return false;
  socket.disconnectFromServer();
  if (socket.state() != QLocalSocket::UnconnectedState) socket.waitForDisconnected(kTimeoutMs);
  return true;
}

void SingleInstance::Accept() {
  while (QLocalSocket* socket = server_->nextPendingConnection()) {
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] { Collect(socket, false); });
    connect(socket, &QLocalSocket::disconnected, this, [this, socket] { Collect(socket, true); });
    Collect(socket, socket->state() != QLocalSocket::ConnectedState);
  }
}

void SingleInstance::Collect(QLocalSocket* socket, bool finished) {
  if (socket->property("handled").toBool()) return;
  QByteArray data = socket->property("data").toByteArray() + socket->readAll();
  const qsizetype end = data.indexOf('\n');
  if (end < 0 && !finished && data.size() < kMaxMessage) {
    socket->setProperty("data", data);
    return;
  }
  socket->setProperty("handled", true);
  if (end >= 0) data.truncate(end);
  data.truncate(std::min<qsizetype>(data.size(), kMaxMessage));
  socket->disconnectFromServer();
  socket->deleteLater();
  emit OpenRequested(QString::fromUtf8(data));
}

HandOverQueue::HandOverQueue(std::function<bool()> busy, QObject* parent)
    : QObject(parent), busy_(std::move(busy)) {
  retry_.setSingleShot(true);
  retry_.setInterval(kRetryMs);
  connect(&retry_, &QTimer::timeout, this, &HandOverQueue::TryOpen);
}

void HandOverQueue::Request(const QString& fileName) {
  if (fileName.isEmpty()) return;
  pending_ = fileName;
  TryOpen();
}

bool HandOverQueue::Idle() const {
  return !QApplication::activeModalWidget() && !QApplication::activePopupWidget() &&
         !(busy_ && busy_());
}

void HandOverQueue::TryOpen() {
  if (pending_.isEmpty()) return;
  if (!Idle()) {
    retry_.start();
    return;
  }
  // Taken before opening: the opening may ask questions, during which new requests queue.
  const QString name = pending_;
  pending_.clear();
  emit OpenNow(name);
}

void SingleInstance::BringToFront(QWidget* window) {
  if (!window) return;
  if (window->isMinimized()) window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
  window->show();
  window->raise();
  window->activateWindow();
}

}  // namespace zelk
