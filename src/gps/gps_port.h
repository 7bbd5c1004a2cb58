// Where the GPS receiver's bytes come from: a serial port (4800 baud, 8 data bits, no parity,
// one stop bit), a gpsd daemon's NMEA stream, or a recorded NMEA file played back at the
// receiver's speed. Each is polled by the 100 ms timer of the window that owns it.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace zelk {

class GpsPort {
 public:
  virtual ~GpsPort() = default;
  // The bytes that arrived since the last read. `overrun` is set when the port lost bytes.
  virtual std::string Read(bool* overrun) = 0;
  // False once the source is gone (a device unplugged, the daemon hung up).
  virtual bool Alive() const = 0;
};

// The names the "Open GPS" dialog offers: "COM1" to "COM4" (the system's first four serial
// ports), the serial ports the system reports, "gpsd" (a daemon on this computer) and, as
// typed by the user, a device path, "gpsd:HOST:PORT" or "file:PATH".
std::vector<std::string> GpsPortChoices();
// The device a port name stands for: "COM1" is the first serial port of the system.
std::string SystemPortName(const std::string& name);
// Opens the source a name stands for; null with `error` set (the port's name for "Cannot open")
// when it cannot be opened.
std::unique_ptr<GpsPort> OpenGpsPort(const std::string& name, std::string* error);

// Bytes a recorded file gives per poll: what 4800 baud brings in 100 ms.
inline constexpr size_t kReplayBytesPerPoll = 48;

}  // namespace zelk
