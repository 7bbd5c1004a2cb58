// The GPS in the main window end to end: a pseudo-terminal stands for the receiver's serial port,
// a real serial port object reads it, adjustment points fit it to the map, the mark and the
// status text follow, and a line is drawn at GPS positions.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numbers>

#include "editing_fixture.h"
#include "editor/gps_commands.h"
#include "editor/main_form.h"
#include "editor/status_panes.h"
#include "storage/registry_store.h"

namespace zelk {
namespace {

// A GGA sentence for a position, with its checksum.
std::string Gga(double lat, double lon, int quality = 1, int satellites = 8) {
  char body[160];
  const auto dm = [](double v, int degDigits) {
    const double a = std::fabs(v);
    const int deg = static_cast<int>(a);
    char out[32];
    std::snprintf(out, sizeof out, "%0*d%07.4f", degDigits, deg, (a - deg) * 60);
    return std::string(out);
  };
  std::snprintf(body, sizeof body, "GPGGA,120000,%s,%c,%s,%c,%d,%02d,0.9,100.0,M,46.9,M,,",
                dm(lat, 2).c_str(), lat < 0 ? 'S' : 'N', dm(lon, 3).c_str(), lon < 0 ? 'W' : 'E',
                quality, satellites);
  unsigned sum = 0;
  for (const char* c = body; *c; ++c) sum ^= static_cast<unsigned char>(*c);
  char line[200];
  std::snprintf(line, sizeof line, "$%s*%02X\r\n", body, sum);
  return line;
}

struct Pty {
  int master = -1;
  std::string slave;
  Pty() {
    master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0) slave = ptsname(master);
  }
  ~Pty() {
    if (master >= 0) close(master);
  }
  void Send(const std::string& s) const {
    ASSERT_EQ(write(master, s.data(), s.size()), static_cast<ssize_t>(s.size()));
  }
};

struct GpsWindow : ::testing::Test {
  EditorFixture f{true};
  Pty pty;
  void SetUp() override {
    ASSERT_FALSE(pty.slave.empty());
    ASSERT_TRUE(f.OpenMap(WriteEditingMap(f.dir)));
  }
  GpsCommands& Gps() { return f.form->Gps(); }
  // Polls as the timer does until a line was handled or a second passed.
  void PollUntil(const std::function<bool()>& done) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < 2000) {
      QCoreApplication::processEvents();
      Gps().Tick();
    }
  }
  std::string Centre() { return f.form->Status->CenterStatus->text().toStdString(); }
};

TEST_F(GpsWindow, APseudoTerminalFeedsTheReceiverAndTheMarkFollowsTheFit) {
  ASSERT_TRUE(Gps().OpenWith({pty.slave, false, true, false}));
  EXPECT_EQ(Centre(), "GPS no fix");
  EXPECT_TRUE(f.prefs.gpsEnabled);
  // Kept for the next start of the program.
  {
    RegistryStore saved(f.dir.Path("registry.reg"));
    ASSERT_TRUE(saved.Load());
    Preferences next;
    next.Read(saved);
    EXPECT_TRUE(next.gpsEnabled);
    EXPECT_EQ(next.gpsPort, pty.slave);
    EXPECT_TRUE(next.gpsMin4Sat);
  }

  // Three satellites with "Min. 4 satellites": no position.
  pty.Send(Gga(47.5, 8.5, 1, 3));
  PollUntil([&] { return Gps().Receiver().Status() == kGpsFewSatellites; });
  EXPECT_EQ(Centre(), "GPS only 3 sat.");
  EXPECT_FALSE(Gps().HasPosition());

  // A good fix, but no adjustment point yet: the state shows, the mark does not.
  pty.Send(Gga(47.5, 8.5));
  PollUntil([&] { return Gps().Receiver().MeanCount() == 1; });
  EXPECT_EQ(Centre(), "GPS 8 sat.");
  EXPECT_FALSE(Gps().HasPosition());

  // One adjustment point puts the present position where it was clicked.
  f.form->StartInteraction(Interaction::Gps);
  EXPECT_EQ(f.State().InteractionState, Interaction::Gps);
  f.Work().setFocus();
  const PixelPos at = f.form->MapToDevice(P(1000, 2000));
  f.form->WorkMouseDown(Qt::LeftButton, at, {});
  f.form->WorkMouseUp(Qt::LeftButton, at, {});
  ASSERT_EQ(Gps().Points().size(), 1u);
  EXPECT_EQ(Gps().Points()[0].name, "Point 1");
  ASSERT_TRUE(Gps().HasPosition());
  const Coord p0 = *Gps().Position();
  EXPECT_NEAR(p0.PosX(), f.form->DeviceToMap(at).PosX(), 1);

  // 0.001 degrees north moves the mark by the earth's radius over the map's scale.
  pty.Send(Gga(47.501, 8.5));
  PollUntil([&] { return Gps().Position() && Gps().Position()->PosY() != p0.PosY(); });
  const double scale = f.form->Doc().Store().Setup().MapScale();
  const double north = 0.001 * std::numbers::pi / 180 * 6.37816e11 / scale;  // 0.01 mm
  ASSERT_TRUE(Gps().HasPosition());
  EXPECT_NEAR(Gps().Position()->PosY() - p0.PosY(), north, 1.0);
  EXPECT_EQ(Gps().Position()->PosX(), p0.PosX());

  // The points are kept with the map.
  EXPECT_EQ(f.form->Doc().Store().Setup().GpsPointCount(), 1);
  // Drawing at GPS positions: the straight tool takes each as the next corner.
  MapStore& store = f.form->Doc().Store();
  const int32_t before = store.ObjectCount();
  f.form->SymbolBoxClick(store.SymbolPlace(kLine), false, false);
  f.ChooseMode(Mode::Straight);
  f.form->UpdateMenuStates();
  ASSERT_TRUE(f.form->Action("OptionsGpsPoint")->isEnabled());
  f.form->Trigger("OptionsGpsPoint");
  const Coord p1 = *Gps().Position();
  pty.Send(Gga(47.502, 8.501));
  PollUntil([&] { return Gps().Position()->PosY() != p1.PosY(); });
  const Coord p2 = *Gps().Position();
  f.form->Trigger("OptionsGpsPoint");
  f.ChooseMode(Mode::EditPoint);  // ends the line
  ASSERT_EQ(store.ObjectCount(), before + 1);
  ObjectRecord line;
  ASSERT_TRUE(store.ReadObject(before + 1, &line));
  ASSERT_EQ(line.PointCount(), 2);
  EXPECT_TRUE(line.coords[0].SamePlace(p1));
  EXPECT_TRUE(line.coords[1].SamePlace(p2));
  f.form->Trigger("OptionsCloseGps");
  EXPECT_FALSE(Gps().IsOpen());
  EXPECT_FALSE(f.prefs.gpsEnabled);
  EXPECT_NE(Centre(), "GPS 8 sat.");
}

TEST_F(GpsWindow, APortThatGoesAwayClosesTheReceiverWithTheMessage) {
  ASSERT_TRUE(Gps().OpenWith({pty.slave, false, false, false}));
  close(pty.master);
  pty.master = -1;
  PollUntil([&] { return !Gps().IsOpen(); });
  EXPECT_FALSE(Gps().IsOpen());
  ASSERT_FALSE(f.sink.errors.empty());
  EXPECT_EQ(f.sink.errors.back(), "Cannot open " + pty.slave);
  EXPECT_TRUE(f.prefs.gpsEnabled);  // the user did not close it
  // A port that is not there is refused at once, and the receiver stays closed.
  EXPECT_FALSE(Gps().OpenWith({"/dev/zelk-no-such-port", false, false, false}));
  EXPECT_EQ(f.sink.errors.back(), "Cannot open /dev/zelk-no-such-port");
}

TEST(GpsSettings, StoredPointsAreCheckedWhenTheMapOpens) {
  EditorFixture f;
  const std::string path = WriteEditingMapWith(f.dir, [](MapStore& store) {
    SetupBlock& s = store.MutableSetup();
    for (int i = 0; i < SetupBlock::kGpsPointCount; ++i)
      s.SetGpsPoint(i, {i * 256, i * 256, 47.0 + i * 0.01, 8.0, "P" + std::to_string(i)});
    s.SetGpsPoint(3, {0, 0, NAN, 8.0, "bad"});
    s.SetGpsPoint(4, {0, 0, 95.0, 8.0, "off the earth"});
    s.SetGpsPointCount(99);
    s.SetGpsAngle(1e300);
  });
  ASSERT_TRUE(f.OpenMap(path));
  const std::vector<GpsAdjustmentPoint>& points = f.form->Gps().Points();
  EXPECT_EQ(points.size(), 10u);  // twelve at most, two of them unusable
  EXPECT_EQ(points[3].name, "P5");
}

}  // namespace
}  // namespace zelk

namespace zelk {
namespace {

TEST_F(GpsWindow, ARecordedFilePlaysBackAtTheReceiversSpeed) {
  const std::string path = f.dir.Path("walk.nmea");
  const std::string text = Gga(47.5, 8.5) + "noise\r\n" + Gga(47.6, 8.5);
  WriteFileBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
  ASSERT_TRUE(Gps().OpenWith({"file:" + path, false, false, false}));
  // 4800 baud bring 48 bytes in a poll: the first sentence takes two polls.
  Gps().Tick();
  EXPECT_EQ(Gps().Receiver().MeanCount(), 0);
  Gps().Tick();
  EXPECT_EQ(Gps().Receiver().MeanCount(), 1);
  EXPECT_NEAR(Gps().Receiver().MeanLatitude(), 47.5, 1e-6);
  for (int i = 0; i < 8; ++i) Gps().Tick();
  EXPECT_NEAR(Gps().Receiver().MeanLatitude(), 47.6, 1e-6);
  EXPECT_FALSE(Gps().OpenWith({"file:" + f.dir.Path("none.nmea"), false, false, false}));
}

}  // namespace
}  // namespace zelk

namespace zelk {
namespace {

TEST_F(GpsWindow, AGpsdDaemonIsAskedForItsSentences) {
  QTcpServer daemon;
  ASSERT_TRUE(daemon.listen(QHostAddress::LocalHost));
  const std::string name = "gpsd:127.0.0.1:" + std::to_string(daemon.serverPort());
  ASSERT_TRUE(Gps().OpenWith({name, false, false, false}));
  ASSERT_TRUE(daemon.waitForNewConnection(2000));
  QTcpSocket* client = daemon.nextPendingConnection();
  ASSERT_NE(client, nullptr);
  // The daemon hears the watch request, then sends its reports and the receiver's sentences.
  std::string request;
  QElapsedTimer t;
  t.start();
  while (request.find('\n') == std::string::npos && t.elapsed() < 2000) {
    client->waitForReadyRead(50);
    request += client->readAll().toStdString();
  }
  EXPECT_EQ(request, "?WATCH={\"enable\":true,\"nmea\":true}\n");
  client->write("{\"class\":\"VERSION\",\"release\":\"3.22\"}\r\n");
  client->write(Gga(46.25, 7.125).c_str());
  client->flush();
  PollUntil([&] { return Gps().Receiver().MeanCount() == 1; });
  EXPECT_NEAR(Gps().Receiver().MeanLongitude(), 7.125, 1e-6);
  // The daemon going away closes the receiver with the message.
  client->disconnectFromHost();
  daemon.close();
  PollUntil([&] { return !Gps().IsOpen(); });
  EXPECT_FALSE(Gps().IsOpen());
  EXPECT_EQ(f.sink.errors.back(), "Cannot open " + name);
}

}  // namespace
}  // namespace zelk
