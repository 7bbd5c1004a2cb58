#include <QFile>
#include <QSerialPort>
#include <QSerialPortInfo>
#include <QTcpSocket>
#include <algorithm>

#include "gps/gps_port.h"

namespace zelk {

namespace {

constexpr qint64 kMaxReplayFile = qint64{64} << 20;

class SerialPort : public GpsPort {
 public:
  bool Open(const std::string& device) {
    port_.setPortName(QString::fromStdString(device));
    if (!port_.open(QIODevice::ReadWrite)) return false;
    port_.setBaudRate(QSerialPort::Baud4800);
    port_.setDataBits(QSerialPort::Data8);
    port_.setParity(QSerialPort::NoParity);
    port_.setStopBits(QSerialPort::OneStop);
    port_.setFlowControl(QSerialPort::NoFlowControl);
    return true;
  }
  std::string Read(bool* overrun) override {
    *overrun = false;
    if (!port_.isOpen()) return {};
    // Bytes that came while the window was busy are waiting in the device.
    port_.waitForReadyRead(0);
    const QByteArray bytes = port_.readAll();
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
  }
  bool Alive() const override {
    const QSerialPort::SerialPortError e = port_.error();
    return port_.isOpen() && e != QSerialPort::ResourceError && e != QSerialPort::ReadError;
  }

 private:
  QSerialPort port_;
};

class GpsdPort : public GpsPort {
 public:
  bool Open(const QString& host, quint16 port) {
    socket_.connectToHost(host, port);
    if (!socket_.waitForConnected(2000)) return false;
    // The daemon sends its sentences as they came from the receiver.
    socket_.write("?WATCH={\"enable\":true,\"nmea\":true}\n");
    socket_.flush();
    return true;
  }
  std::string Read(bool* overrun) override {
    *overrun = false;
    socket_.waitForReadyRead(0);
    const QByteArray bytes = socket_.readAll();
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
  }
  bool Alive() const override { return socket_.state() == QAbstractSocket::ConnectedState; }

 private:
  QTcpSocket socket_;
};

class ReplayPort : public GpsPort {
 public:
  bool Open(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly) || f.size() > kMaxReplayFile) return false;
    const QByteArray all = f.readAll();
    bytes_.assign(all.constData(), static_cast<size_t>(all.size()));
    return true;
  }
  std::string Read(bool* overrun) override {
    *overrun = false;
    const size_t n = std::min(kReplayBytesPerPoll, bytes_.size() - at_);
    std::string out = bytes_.substr(at_, n);
    at_ += n;
    return out;
  }
  bool Alive() const override { return true; }

 private:
  std::string bytes_;
  size_t at_ = 0;
};

bool StartsWith(const std::string& s, const char* prefix) {
  return s.rfind(prefix, 0) == 0;
}

}  // namespace

std::vector<std::string> GpsPortChoices() {
  std::vector<std::string> names = {"COM1", "COM2", "COM3", "COM4"};
  for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
    const std::string location = info.systemLocation().toStdString();
    if (std::find(names.begin(), names.end(), location) == names.end()) names.push_back(location);
  }
  names.push_back("gpsd");
  return names;
}

std::string SystemPortName(const std::string& name) {
  if (name.size() == 4 && StartsWith(name, "COM") && name[3] >= '1' && name[3] <= '9') {
#ifdef _WIN32
    return name;
#else
    return "/dev/ttyS" + std::to_string(name[3] - '1');
#endif
  }
  return name;
}

std::unique_ptr<GpsPort> OpenGpsPort(const std::string& name, std::string* error) {
  *error = name;
  if (StartsWith(name, "file:")) {
    auto port = std::make_unique<ReplayPort>();
    if (!port->Open(QString::fromStdString(name.substr(5)))) return nullptr;
    return port;
  }
  if (name == "gpsd" || StartsWith(name, "gpsd:")) {
    QString host = "localhost";
    quint16 tcp = 2947;
    if (name.size() > 5) {
      const QString rest = QString::fromStdString(name.substr(5));
      const qsizetype colon = rest.lastIndexOf(':');
      host = colon >= 0 ? rest.left(colon) : rest;
      if (colon >= 0) {
        bool ok = false;
        const uint p = rest.mid(colon + 1).toUInt(&ok);
        if (!ok || p == 0 || p > 65535) return nullptr;
        tcp = static_cast<quint16>(p);
      }
    }
    auto port = std::make_unique<GpsdPort>();
    if (!port->Open(host, tcp)) return nullptr;
    return port;
  }
  auto port = std::make_unique<SerialPort>();
  if (!port->Open(SystemPortName(name))) return nullptr;
  return port;
}

}  // namespace zelk
