// One poll of the GPS receiver: the bytes 4800 baud bring in 100 ms taken into the line
// buffer, a GGA sentence judged, averaged with the filter and placed on the map by a fit of
// three adjustment points.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "gps/gps_receiver.h"

namespace zelk {
namespace {

std::string Gga(int i) {
  char body[128];
  std::snprintf(body, sizeof body,
                "GPGGA,1200%02d,4730.%04d,N,00830.%04d,E,2,09,0.9,545.4,M,46.9,M,1,", i % 60,
                1000 + i % 9000, 2000 + i % 7000);
  unsigned sum = 0;
  for (const char* c = body; *c; ++c) sum ^= static_cast<unsigned char>(*c);
  char line[160];
  std::snprintf(line, sizeof line, "$%s*%02X\r\n", body, sum);
  return line;
}

void BM_OnePollOfNmeaData(benchmark::State& state) {
  GpsSession session({"COM1", true, true, true});
  GpsTransform fit;
  const std::vector<GpsAdjustmentPoint> points = {{0, 0, 47.50, 8.50, "Point 1"},
                                                  {256000, 0, 47.50, 8.52, "Point 2"},
                                                  {0, 256000, 47.52, 8.50, "Point 3"}};
  if (fit.Fit(points, 15000) != GpsTransform::FitResult::Fitted) std::abort();
  // A stream of sentences cut into 48-byte polls, as the port delivers them.
  std::string stream;
  for (int i = 0; i < 2000; ++i) stream += Gga(i);
  size_t at = 0;
  int32_t x = 0, y = 0;
  int64_t lines = 0;
  for (auto _ : state) {
    if (at + 48 > stream.size()) at = 0;
    if (session.Poll(std::string_view(stream).substr(at, 48))) {
      ++lines;
      const GpsReceiver& r = session.Receiver();
      if (r.MeanCount() > 0) fit.ToMap(r.MeanLatitude(), r.MeanLongitude(), &x, &y);
    }
    at += 48;
    benchmark::DoNotOptimize(x);
  }
  state.counters["lines"] = static_cast<double>(lines);
}
BENCHMARK(BM_OnePollOfNmeaData)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace zelk

BENCHMARK_MAIN();
