// A GPS receiver read poll by poll: the port's bytes gathered into lines, NMEA GGA and RMC
// sentences judged for quality, positions averaged, and the status text of the status bar.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "gps/gps_fit.h"

namespace zelk {

// Kept by the preferences under "Gps".
struct GpsSettings {
  std::string port = "COM1";
  bool filter = false;
  bool min4 = false;
  bool dgps = false;
};

enum GpsStatus : int32_t { kGpsValid = 0, kGpsNoFix = 1, kGpsFewSatellites = 2, kGpsNoDgps = 3 };

// The serial port's line buffer: at most 255 characters, at most one line delivered per poll.
class NmeaLineBuffer {
 public:
  static constexpr size_t kSize = 255;
  // One poll: `queued` holds what the port has queued (what earlier polls left plus what came
  // since); as much as fits is taken from its front. `overrun`: the port lost bytes, so what
  // is queued and buffered is thrown away. Returns the line delivered in this poll, if any.
  std::optional<std::string> Poll(std::string* queued, bool overrun = false);
  const std::string& Buffer() const { return buffer_; }
  void Clear() { buffer_.clear(); }

 private:
  std::string buffer_;
};

class GpsReceiver {
 public:
  explicit GpsReceiver(const GpsSettings& settings = {}) : settings_(settings) { Reset(); }

  void SetSettings(const GpsSettings& s) { settings_ = s; }
  const GpsSettings& Settings() const { return settings_; }
  // Opening: no position, no fix, nothing in the history.
  void Reset();

  // One line from the port. Returns true when it was a GGA or RMC sentence that set the
  // state (the position was handed on), false when it was ignored.
  bool HandleLine(std::string_view line);

  int32_t Status() const { return status_; }
  int32_t Satellites() const { return satellites_; }
  bool Dgps() const { return dgps_; }
  double DgpsAge() const { return dgpsAge_; }
  bool GgaSeen() const { return ggaSeen_; }
  // The last sentence's own position, whatever its quality.
  double Latitude() const { return latitude_; }
  double Longitude() const { return longitude_; }
  // The mean of the valid positions (one without the filter); count 0: no position.
  int MeanCount() const { return meanCount_; }
  double MeanLatitude() const { return meanLatitude_; }
  double MeanLongitude() const { return meanLongitude_; }
  // The status bar's text for the present state.
  std::string StatusText() const;
  // The test dialog's mode text.
  std::string ModeText() const;

 private:
  bool Gga(const std::string_view* fields, size_t count);
  bool Rmc(const std::string_view* fields, size_t count);
  void PositionReceived();

  GpsSettings settings_;
  int32_t status_ = kGpsNoFix;
  int32_t satellites_ = 0;
  bool dgps_ = false;
  double dgpsAge_ = 0;
  bool ggaSeen_ = false;
  double latitude_ = 0, longitude_ = 0;
  struct Entry {
    double latitude = 0, longitude = 0;
    bool valid = false;
  };
  std::array<Entry, 10> history_{};
  double meanLatitude_ = 0, meanLongitude_ = 0;
  int meanCount_ = 0;
};

// What the dialog's 100 ms timer does: take what the port queued, deliver at most one line, let
// the receiver judge it.
class GpsSession {
 public:
  explicit GpsSession(const GpsSettings& settings = {}) : receiver_(settings) {}
  // One poll with the bytes that arrived since the last; returns the line delivered, if any.
  std::optional<std::string> Poll(std::string_view arrived, bool overrun = false);
  GpsReceiver& Receiver() { return receiver_; }
  const GpsReceiver& Receiver() const { return receiver_; }
  // Bytes still queued at the port (more than one poll's worth arrived).
  size_t Queued() const { return queued_.size(); }

 private:
  std::string queued_;
  NmeaLineBuffer lines_;
  GpsReceiver receiver_;
};

// "ddmm.mmmm" (or "dddmm.mmmm") to degrees; nothing when the point comes before the fifth
// character, the digits are not digits, the minutes reach 60 or the degrees `maxDegrees`.
std::optional<double> ParseNmeaAngle(std::string_view field, int maxDegrees);
// Degrees as the test dialog shows them: whole degrees, the degree sign, a blank, minutes with
// four decimals and "'" (Windows-1252 text).
std::string FormatDegreesMinutes(double degrees);

}  // namespace zelk
