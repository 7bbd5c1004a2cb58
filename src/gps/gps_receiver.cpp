#include "gps/gps_receiver.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "storage/messages.h"

namespace zelk {

namespace {

std::optional<double> Number(std::string_view s) {
  if (s.empty()) return std::nullopt;
  if (s.front() == '+') s.remove_prefix(1);
  double v = 0;
  const auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc() || ptr != s.data() + s.size() || !std::isfinite(v)) return std::nullopt;
  return v;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

std::optional<std::string> NmeaLineBuffer::Poll(std::string* queued, bool overrun) {
  if (overrun) {
    queued->clear();
    buffer_.clear();
    return std::nullopt;
  }
  const size_t take = std::min(kSize - buffer_.size(), queued->size());
  buffer_.append(*queued, 0, take);
  queued->erase(0, take);
  size_t end = buffer_.find('\r');
  if (end == std::string::npos) end = buffer_.find('\n');
  std::optional<std::string> line;
  if (end != std::string::npos) {
    // A line end as the very first character delivers nothing; it is skipped with the rest.
    if (end > 0) line = buffer_.substr(0, end);
    size_t last = end;
    while (last + 1 < buffer_.size() && (buffer_[last + 1] == '\r' || buffer_[last + 1] == '\n'))
      ++last;
    buffer_.erase(0, last + 1);
  } else if (buffer_.size() >= kSize) {
    buffer_.clear();
  }
  return line;
}

std::optional<std::string> GpsSession::Poll(std::string_view arrived, bool overrun) {
  // A port that keeps receiving while nobody polls would grow without end: what a poll could
  // never take within a second of polls is dropped, as the port's own buffer would.
  constexpr size_t kPortQueue = 4096;
  queued_.append(arrived);
  if (queued_.size() > kPortQueue) {
    queued_.clear();
    overrun = true;
  }
  std::optional<std::string> line = lines_.Poll(&queued_, overrun);
  if (line) receiver_.HandleLine(*line);
  return line;
}

void GpsReceiver::Reset() {
  status_ = kGpsNoFix;
  satellites_ = 0;
  dgps_ = false;
  dgpsAge_ = 0;
  ggaSeen_ = false;
  history_ = {};
  meanLatitude_ = meanLongitude_ = 0;
  meanCount_ = 0;
}

std::optional<double> ParseNmeaAngle(std::string_view field, int maxDegrees) {
  const size_t point = field.find('.');
  // The point comes after at least two digits of degrees and two of minutes.
  if (point == std::string_view::npos || point < 4) return std::nullopt;
  for (size_t i = 0; i < field.size(); ++i)
    if (i != point && (field[i] < '0' || field[i] > '9')) return std::nullopt;
  const std::optional<double> degrees = Number(field.substr(0, point - 2));
  const std::optional<double> minutes = Number(field.substr(point - 2));
  if (!degrees || !minutes || *minutes >= 60 || *degrees > maxDegrees) return std::nullopt;
  const double value = *degrees + *minutes / 60;
  if (value > maxDegrees) return std::nullopt;
  return value;
}

std::string FormatDegreesMinutes(double degrees) {
  const bool negative = degrees < 0;
  const double a = std::abs(degrees);
  int whole = static_cast<int>(a);
  double minutes = (a - whole) * 60;
  if (std::round(minutes * 10000) >= 600000) {
    ++whole;
    minutes = 0;
  }
  char text[48];
  std::snprintf(text, sizeof text, "%s%d\xb0 %.4f'", negative ? "-" : "", whole, minutes);
  return text;
}

bool GpsReceiver::HandleLine(std::string_view line) {
  // "$" and the talker, three letters of sentence, a comma: "$GPGGA,".
  while (!line.empty() && (line.back() == ' ' || line.back() == '\r' || line.back() == '\n'))
    line.remove_suffix(1);
  if (line.size() < 7 || line[0] != '$' || line[6] != ',') return false;
  // A checksum, when there is one, must be right: a line garbled on the wire is ignored.
  if (const size_t star = line.rfind('*'); star != std::string_view::npos) {
    if (star + 3 != line.size()) return false;
    const int hi = HexDigit(line[star + 1]), lo = HexDigit(line[star + 2]);
    if (hi < 0 || lo < 0) return false;
    unsigned sum = 0;
    for (size_t i = 1; i < star; ++i) sum ^= static_cast<unsigned char>(line[i]);
    if (sum != static_cast<unsigned>(hi * 16 + lo)) return false;
    line = line.substr(0, star);
  }
  const std::string_view name = line.substr(3, 3);
  if (name != "GGA" && name != "RMC") return false;
  // Fields in order from the eighth character; those a short sentence lacks are empty.
  constexpr size_t kFields = 16;
  std::string_view fields[kFields];
  std::string_view rest = line.substr(7);
  size_t count = 0;
  while (count < kFields) {
    const size_t comma = rest.find(',');
    fields[count++] = rest.substr(0, comma);
    if (comma == std::string_view::npos) break;
    rest.remove_prefix(comma + 1);
  }
  return name == "GGA" ? Gga(fields, kFields) : Rmc(fields, kFields);
}

bool GpsReceiver::Gga(const std::string_view* f, size_t) {
  ggaSeen_ = true;
  status_ = kGpsValid;
  const std::optional<double> lat = ParseNmeaAngle(f[1], 90);
  if (!lat) status_ = kGpsNoFix;
  if (status_ == kGpsValid) latitude_ = f[2] == "S" ? -*lat : *lat;
  const std::optional<double> lon = ParseNmeaAngle(f[3], 180);
  if (!lon) status_ = kGpsNoFix;
  if (status_ == kGpsValid) longitude_ = f[4] == "W" ? -*lon : *lon;
  if (f[5] == "0" || f[5].empty()) status_ = kGpsNoFix;
  dgps_ = f[5] == "2";
  const std::optional<double> sats = Number(f[6]);
  satellites_ = sats && *sats >= 0 && *sats < 100 ? static_cast<int32_t>(*sats) : 0;
  const std::optional<double> age = Number(f[12]);
  dgpsAge_ = age && *age >= 0 ? *age : 0;
  if (status_ == kGpsValid && settings_.dgps && (!dgps_ || dgpsAge_ > 3)) status_ = kGpsNoDgps;
  if (status_ == kGpsValid && settings_.min4 && satellites_ < 4) status_ = kGpsFewSatellites;
  PositionReceived();
  return true;
}

bool GpsReceiver::Rmc(const std::string_view* f, size_t) {
  if (ggaSeen_) return false;
  if (f[1] == "V") {
    status_ = kGpsNoFix;
  } else {
    status_ = kGpsValid;
    const std::optional<double> lat = ParseNmeaAngle(f[2], 90);
    if (!lat) status_ = kGpsNoFix;
    if (status_ == kGpsValid) latitude_ = f[3] == "S" ? -*lat : *lat;
    const std::optional<double> lon = ParseNmeaAngle(f[4], 180);
    if (!lon) status_ = kGpsNoFix;
    if (status_ == kGpsValid) longitude_ = f[5] == "W" ? -*lon : *lon;
  }
  PositionReceived();
  return true;
}

void GpsReceiver::PositionReceived() {
  const bool valid = status_ == kGpsValid;
  if (settings_.filter) {
    for (size_t i = history_.size() - 1; i > 0; --i) history_[i] = history_[i - 1];
    history_[0] = {latitude_, longitude_, valid};
    double lat = 0, lon = 0;
    int n = 0;
    for (const Entry& e : history_)
      if (e.valid) {
        lat += e.latitude;
        lon += e.longitude;
        ++n;
      }
    meanCount_ = n;
    if (n > 0) {
      meanLatitude_ = lat / n;
      meanLongitude_ = lon / n;
    }
  } else {
    meanCount_ = valid ? 1 : 0;
    if (valid) {
      meanLatitude_ = latitude_;
      meanLongitude_ = longitude_;
    }
  }
}

std::string GpsReceiver::StatusText() const {
  switch (status_) {
    case kGpsValid: {
      std::string text = dgps_ ? "DGPS" : "GPS";
      if (satellites_ >= 1) text += " " + std::to_string(satellites_) + " sat.";
      return text;
    }
    case kGpsFewSatellites:
      return ComposeMessage("GPS only;sat.", std::to_string(satellites_));
    case kGpsNoDgps:
      return "No DGPS";
    default:
      return "GPS no fix";
  }
}

std::string GpsReceiver::ModeText() const {
  if (status_ == kGpsNoFix) return "GPS no fix";
  std::string text = dgps_ ? "DGPS" : "";
  if (satellites_ > 0) text += (text.empty() ? "" : " ") + std::to_string(satellites_) + " sat.";
  return text;
}

}  // namespace zelk
