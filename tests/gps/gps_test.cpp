// The GPS receiver against values worked out by hand: polls and lines, NMEA sentences, quality
// rules, the filter and the fit of adjustment points.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "gps/gps_receiver.h"

namespace zelk {
namespace {

// The example sentences of the NMEA standard, with their checksums.
constexpr const char* kGga = "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47";
constexpr const char* kRmc = "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A";
constexpr double kLat = 48 + 7.038 / 60, kLon = 11 + 31.0 / 60;

TEST(NmeaAngle, DegreesBeforeTheLastTwoDigitsOfThePoint) {
  struct Case {
    const char* field;
    int max;
    double want;  // NAN: refused
  } cases[] = {
      {"4717.1234", 90, 47 + 17.1234 / 60},
      {"00833.9150", 180, 8 + 33.915 / 60},
      {"0000.0000", 90, 0},
      {"517.1", 90, NAN},
      {"4760.0000", 90, NAN},
      {"9100.0000", 90, NAN},
      {"18100.0000", 180, NAN},
      {"47a7.1", 90, NAN},
      {"", 90, NAN},
      {"4717", 90, NAN},
      {"-4717.1", 90, NAN},
  };
  for (const Case& c : cases) {
    const std::optional<double> v = ParseNmeaAngle(c.field, c.max);
    if (std::isnan(c.want))
      EXPECT_FALSE(v.has_value()) << c.field;
    else
      EXPECT_NEAR(v.value_or(-1), c.want, 1e-12) << c.field;
  }
  EXPECT_EQ(FormatDegreesMinutes(47 + 17.1234 / 60), "47\xb0 17.1234'");
}

TEST(NmeaLineBuffer, OneLinePerPollAndTheBufferKeptSmall) {
  GpsSession s;
  // Two lines in one poll: delivered on two consecutive polls.
  EXPECT_EQ(s.Poll("$A,1\r\n$B,2\r\n").value_or(""), "$A,1");
  EXPECT_EQ(s.Poll("").value_or(""), "$B,2");
  EXPECT_FALSE(s.Poll("").has_value());
  // A line split across polls.
  EXPECT_FALSE(s.Poll("$C,3").has_value());
  EXPECT_EQ(s.Poll(",4\n").value_or(""), "$C,3,4");
  // A line end as the first character delivers nothing.
  EXPECT_FALSE(s.Poll("\r\n").has_value());
  // 255 characters without a line end are thrown away; what follows reads cleanly.
  EXPECT_FALSE(s.Poll(std::string(300, 'x')).has_value());
  EXPECT_FALSE(s.Poll("").has_value());  // the 45 left over, then
  EXPECT_EQ(s.Poll("\n$D\n").value_or(""), std::string(45, 'x'));
  EXPECT_EQ(s.Poll("").value_or(""), "$D");
  // An overrun throws away what is buffered and queued.
  s.Poll("$E,partial");
  EXPECT_FALSE(s.Poll("more\n", true).has_value());
  EXPECT_FALSE(s.Poll("").has_value());
}

struct Expect {
  int status;
  const char* text;
  int satellites;
  bool dgps;
  int meanCount;
};

void Check(const GpsReceiver& r, const Expect& e, const std::string& what) {
  EXPECT_EQ(r.Status(), e.status) << what;
  EXPECT_EQ(r.StatusText(), e.text) << what;
  EXPECT_EQ(r.Satellites(), e.satellites) << what;
  EXPECT_EQ(r.Dgps(), e.dgps) << what;
  EXPECT_EQ(r.MeanCount(), e.meanCount) << what;
}

TEST(GpsReceiver, QualityRulesOfGga) {
  struct Case {
    GpsSettings settings;
    std::string line;
    Expect want;
  } cases[] = {
      {{}, kGga, {0, "GPS 8 sat.", 8, false, 1}},
      {{}, "$GPGGA,1,4807.038,S,01131.000,W,2,0,,,,,,1.5", {0, "DGPS", 0, true, 1}},
      {{"", false, false, true},
       "$GPGGA,1,4807.038,N,01131.000,E,1,08,,,,,,",
       {3, "No DGPS", 8, false, 0}},
      {{"", false, false, true},
       "$GPGGA,1,4807.038,N,01131.000,E,2,08,,,,,,5",
       {3, "No DGPS", 8, true, 0}},
      {{"", false, false, true},
       "$GPGGA,1,4807.038,N,01131.000,E,2,08,,,,,,2.5",
       {0, "DGPS 8 sat.", 8, true, 1}},
      {{"", false, true, false},
       "$GPGGA,1,4807.038,N,01131.000,E,1,03,,,,,,",
       {2, "GPS only 3 sat.", 3, false, 0}},
      {{}, "$GPGGA,1,4807.038,N,01131.000,E,0,08,,,,,,", {1, "GPS no fix", 8, false, 0}},
      {{}, "$GPGGA,1,517.1,N,01131.000,E,1,08,,,,,,", {1, "GPS no fix", 8, false, 0}},
      // A sentence cut short: the missing fields are empty, no fix.
      {{}, "$GPGGA,123519,4807.0", {1, "GPS no fix", 0, false, 0}},
  };
  for (const Case& c : cases) {
    GpsReceiver r(c.settings);
    EXPECT_TRUE(r.HandleLine(c.line)) << c.line;
    Check(r, c.want, c.line);
  }
  GpsReceiver r;
  ASSERT_TRUE(r.HandleLine("$GPGGA,1,4807.038,S,01131.000,W,1,08,,,,,,"));
  EXPECT_NEAR(r.MeanLatitude(), -kLat, 1e-12);
  EXPECT_NEAR(r.MeanLongitude(), -kLon, 1e-12);
}

TEST(GpsReceiver, SentencesIgnoredAndRmcUntilTheFirstGga) {
  GpsReceiver r;
  for (const char* ignored :
       {"$GPGSV,1,1,08", "GPGGA,123519,4807.038,N", "$GPGGA", "$GPGGA,1,4807.038,N*00",
        "$GPGGA,1*4", "$GPGGA,1*ZZ", "\x01\xff\x80garbage"})
    EXPECT_FALSE(r.HandleLine(ignored)) << ignored;
  EXPECT_EQ(r.MeanCount(), 0);
  ASSERT_TRUE(r.HandleLine(kRmc));
  Check(r, {0, "GPS", 0, false, 1}, "RMC");
  EXPECT_NEAR(r.MeanLatitude(), kLat, 1e-12);
  ASSERT_TRUE(r.HandleLine("$GPRMC,1,V,,,,,,,,,"));
  EXPECT_EQ(r.Status(), kGpsNoFix);
  ASSERT_TRUE(r.HandleLine(kGga));
  // After a GGA, RMC no longer changes anything.
  EXPECT_FALSE(r.HandleLine("$GPRMC,1,A,1000.000,N,01000.000,E,,,,,"));
  EXPECT_NEAR(r.MeanLatitude(), kLat, 1e-12);
  EXPECT_EQ(r.ModeText(), "8 sat.");
}

TEST(GpsReceiver, TheFilterAveragesTheLastTenValidPositions) {
  GpsReceiver r({"", true, true, false});
  auto gga = [&](double minutes, int sats) {
    char line[96];
    std::snprintf(line, sizeof line, "$GPGGA,1,48%07.4f,N,01100.000,E,1,%02d,,,,,,", minutes, sats);
    ASSERT_TRUE(r.HandleLine(line));
  };
  gga(1, 5);
  gga(3, 5);
  EXPECT_EQ(r.MeanCount(), 2);
  EXPECT_NEAR(r.MeanLatitude(), 48 + 2.0 / 60, 1e-12);
  // A fix with too few satellites does not count, the earlier ones stay.
  gga(30, 3);
  EXPECT_EQ(r.MeanCount(), 2);
  EXPECT_NEAR(r.MeanLatitude(), 48 + 2.0 / 60, 1e-12);
  for (int i = 0; i < 10; ++i) gga(10, 6);
  EXPECT_EQ(r.MeanCount(), 10);
  EXPECT_NEAR(r.MeanLatitude(), 48 + 10.0 / 60, 1e-12);
}

TEST(GpsTransform, FitsAKnownSimilarityWithItsOwnYScale) {
  // Map = a*u - b*v + X0, (b*u + a*v) / r + Y0 in 0.01 mm, u and v as the fit defines them.
  const double a = 3.0e6, b = 1.0e6, r = 1.25, lat0 = 47.5, lon0 = 8.25;
  const double f = std::cos(lat0 * std::numbers::pi / 180);
  std::vector<GpsAdjustmentPoint> points;
  for (auto [du, dv] : {std::pair{-0.01, -0.01}, {0.02, -0.005}, {-0.01, 0.015}}) {
    const double u = du, v = dv;
    GpsAdjustmentPoint p;
    p.longitude = lon0 + u / f;
    p.latitude = lat0 + v;
    p.mapX = static_cast<int32_t>(std::lround(a * u - b * v + 10000)) * 256;
    p.mapY = static_cast<int32_t>(std::lround((b * u + a * v) / r - 5000)) * 256;
    points.push_back(p);
  }
  GpsTransform t;
  ASSERT_EQ(t.Fit(points, 15000), GpsTransform::FitResult::Fitted);
  EXPECT_NEAR(t.ScaleX() / t.ScaleY(), r, 1e-3);
  EXPECT_NEAR(t.AngleDegrees(), std::atan2(b, a) * 180 / std::numbers::pi, 1e-3);
  for (const GpsAdjustmentPoint& p : points) {
    int32_t x, y;
    t.ToMap(p.latitude, p.longitude, &x, &y);
    EXPECT_NEAR(x / 256, p.mapX / 256, 2);
    EXPECT_NEAR(y / 256, p.mapY / 256, 2);
  }
  // One point: the earth's radius at the map scale, turned by the angle of the dialog.
  GpsTransform one;
  ASSERT_EQ(one.Fit({points[0]}, 10000), GpsTransform::FitResult::Fitted);
  EXPECT_NEAR(one.ScaleX(), 6.37816e11 / 10000 * std::numbers::pi / 180, 1e-3);
  int32_t x, y;
  one.ToMap(points[0].latitude + 0.001, points[0].longitude, &x, &y);
  EXPECT_EQ(x, points[0].mapX);
  EXPECT_NEAR((y - points[0].mapY) / 256, 0.001 * one.ScaleY(), 1);
  // Points at one GPS position, or at one map position, are too close; so is no point at all.
  std::vector<GpsAdjustmentPoint> same = points;
  for (GpsAdjustmentPoint& p : same)
    p.latitude = points[0].latitude, p.longitude = points[0].longitude;
  EXPECT_EQ(GpsTransform().Fit(same, 15000), GpsTransform::FitResult::TooClose);
  same = points;
  for (GpsAdjustmentPoint& p : same) p.mapX = points[0].mapX, p.mapY = points[0].mapY;
  EXPECT_EQ(GpsTransform().Fit(same, 15000), GpsTransform::FitResult::TooClose);
  EXPECT_EQ(GpsTransform().Fit({}, 15000), GpsTransform::FitResult::NoPoints);
}

}  // namespace
}  // namespace zelk
