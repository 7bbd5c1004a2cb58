// Feeds arbitrary bytes to the GPS receiver as the port's polls, split where the bytes say, with
// every setting, and fits adjustment points made of the same bytes.
#include <cstdint>
#include <cstring>
#include <string>

#include "gps/gps_receiver.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  zelk::GpsSettings settings;
  settings.filter = data[0] & 1;
  settings.min4 = data[0] & 2;
  settings.dgps = data[0] & 4;
  zelk::GpsSession session(settings);
  const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  size_t at = 0;
  while (at < bytes.size()) {
    const size_t n = 1 + static_cast<unsigned char>(bytes[at]) % 97;
    session.Poll(bytes.substr(at, n), bytes[at] == '\x7f');
    at += n;
  }
  for (int i = 0; i < 4; ++i) session.Poll("");
  const zelk::GpsReceiver& r = session.Receiver();
  if (r.MeanCount() < 0 || r.MeanCount() > 10) __builtin_trap();
  (void)r.StatusText();
  std::vector<zelk::GpsAdjustmentPoint> points;
  for (size_t i = 0; i + 24 <= bytes.size() && points.size() < 13; i += 24) {
    zelk::GpsAdjustmentPoint p;
    std::memcpy(&p.mapX, bytes.data() + i, 4);
    std::memcpy(&p.mapY, bytes.data() + i + 4, 4);
    std::memcpy(&p.latitude, bytes.data() + i + 8, 8);
    std::memcpy(&p.longitude, bytes.data() + i + 16, 8);
    points.push_back(p);
  }
  zelk::GpsTransform t;
  t.Fit(points, 15000);
  int32_t x, y;
  t.ToMap(r.MeanLatitude(), r.MeanLongitude(), &x, &y);
  return 0;
}
