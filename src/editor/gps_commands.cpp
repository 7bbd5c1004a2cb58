#include "editor/gps_commands.h"

#include <QTimer>
#include <cmath>

#include "dialogs/gps_dlgs.h"
#include "storage/messages.h"
#include "storage/registry_store.h"

namespace zelk {

namespace {

constexpr int kHelpAdjustGps = 22;

// State 18: a click on the map adds an adjustment point at the present GPS position.
class GpsAdjustTool : public Tool {
 public:
  GpsAdjustTool(GpsCommands& gps, ToolContext& ctx) : gps_(gps), ctx_(ctx) {}
  void Start(ToolPurpose) override {
    ctx_.state.InteractionState = Interaction::Gps;
    ctx_.state.CursorName = "AdjGps";
    ctx_.view.SetCursorShape("AdjGps");
    ctx_.view.SetPrompt("Adjust GPS");
    ctx_.view.SetRightStatus("Press F1 for help.");
    ctx_.view.SetWorkHelpContext(kHelpAdjustGps);
  }
  void Down(const ToolEvent& e) override {
    if (gps_.AddPointAt(e.map)) Finish();
  }
  void Key(char32_t c) override {
    if (c == 27) Finish();  // Esc leaves the adjustment
  }
  void Finish() override {
    ctx_.view.SetPrompt("");
    ctx_.state.InteractionState = Interaction::Idle;
  }

 private:
  GpsCommands& gps_;
  ToolContext& ctx_;
};

GpsSettings SettingsOf(const Preferences& p) {
  return {p.gpsPort, p.gpsFilter, p.gpsMin4Sat, p.gpsDgpsRequired};
}

}  // namespace

void GpsCommands::SaveSettings() {
  if (!c_.registry) return;
  c_.prefs.Write(*c_.registry);
  c_.registry->Save();
}

GpsCommands::GpsCommands(CommandContext& c, ToolContext* tools) : c_(c), tools_(tools) {
  if (tools_) adjustTool_ = std::make_unique<GpsAdjustTool>(*this, *tools_);
}

GpsCommands::~GpsCommands() {
  timer_.reset();
  port_.reset();
}

void GpsCommands::Open() {
  if (!c_.sink) return;
  TOpenGpsDlg dlg(*c_.sink, c_.help, c_.window.DialogParent());
  dlg.SetSettings(SettingsOf(c_.prefs));
  dlg.test = [this](const GpsSettings& s) { RunTest(s); };
  dlg.chooseFile = [this]() -> std::optional<std::string> {
    if (!c_.chooser) return std::nullopt;
    return c_.chooser->ChooseFile(
        "Recorded GPS data;NMEA files (*.nmea;*.txt;*.log)|*.nmea;*.txt;*.log|All files (*.*)|*.*",
        "nmea", "", 54, false);
  };
  if (dlg.exec() != QDialog::Accepted) return;
  OpenWith(dlg.Settings());
}

bool GpsCommands::OpenWith(const GpsSettings& settings) {
  ClosePort();
  c_.prefs.gpsPort = settings.port;
  c_.prefs.gpsFilter = settings.filter;
  c_.prefs.gpsMin4Sat = settings.min4;
  c_.prefs.gpsDgpsRequired = settings.dgps;
  session_ = GpsSession(settings);
  position_.reset();
  std::string error;
  port_ = OpenGpsPort(settings.port, &error);
  if (!port_) {
    if (c_.sink) c_.sink->Error(ComposeMessage("Cannot open", error));
    c_.prefs.gpsEnabled = false;
    SaveSettings();
    return false;
  }
  c_.prefs.gpsEnabled = true;
  SaveSettings();
  ReadPoints();
  Refit();
  if (!timer_) {
    timer_ = std::make_unique<QTimer>();
    timer_->setInterval(100);
    QObject::connect(timer_.get(), &QTimer::timeout, [this] { Tick(); });
  }
  timer_->start();
  ShowState();
  return true;
}

void GpsCommands::ClosePort() {
  if (timer_) timer_->stop();
  port_.reset();
  position_.reset();
}

void GpsCommands::Close() {
  if (!IsOpen()) return;
  ClosePort();
  c_.prefs.gpsEnabled = false;
  SaveSettings();
  c_.window.ShowGpsPosition(std::nullopt, "");
}

void GpsCommands::MapOpened() {
  ReadPoints();
  if (c_.prefs.gpsEnabled && !IsOpen()) {
    OpenWith(SettingsOf(c_.prefs));
  } else if (IsOpen()) {
    Refit();
    ShowState();
  }
}

void GpsCommands::MapClosed() {
  points_.clear();
  transform_ = GpsTransform();
  position_.reset();
  if (IsOpen()) ShowState();
}

void GpsCommands::ReadPoints() {
  points_.clear();
  angle_ = 0;
  if (!c_.doc.IsOpen()) return;
  const SetupBlock& setup = c_.Store().Setup();
  // Whatever the file says, at most twelve points.
  const int count = std::clamp<int>(setup.GpsPointCount(), 0, SetupBlock::kGpsPointCount);
  for (int i = 0; i < count; ++i) {
    const SetupBlock::GpsPoint p = setup.GpsPointAt(i);
    if (!std::isfinite(p.latitude) || !std::isfinite(p.longitude) || std::fabs(p.latitude) > 90 ||
        std::fabs(p.longitude) > 180)
      continue;
    points_.push_back({p.mapX, p.mapY, p.latitude, p.longitude, p.name.substr(0, 15)});
  }
  const double angle = setup.GpsAngle();
  angle_ = std::isfinite(angle) && std::fabs(angle) <= 360 ? angle : 0;
}

void GpsCommands::StorePoints() {
  if (!c_.doc.IsOpen()) return;
  SetupBlock& setup = c_.Store().MutableSetup();
  setup.SetGpsPointCount(static_cast<int32_t>(points_.size()));
  for (size_t i = 0; i < points_.size(); ++i) {
    const GpsAdjustmentPoint& p = points_[i];
    setup.SetGpsPoint(static_cast<int>(i), {p.mapX, p.mapY, p.latitude, p.longitude, p.name});
  }
  setup.SetGpsAngle(angle_);
  c_.Store().SetModified(true);
}

void GpsCommands::Refit() {
  transform_ = GpsTransform();
  if (points_.empty() || !c_.doc.IsOpen()) return;
  transform_.SetAngleDegrees(angle_);
  const double scale = c_.Store().Setup().MapScale();
  if (transform_.Fit(points_, scale) == GpsTransform::FitResult::TooClose && c_.sink)
    c_.sink->Error("Adjustment points are too close.", 51);
  angle_ = transform_.AngleDegrees();
}

void GpsCommands::SetPoints(const std::vector<GpsAdjustmentPoint>& points, double angle) {
  points_ = points;
  if (points_.size() > GpsTransform::kMaxPoints) points_.resize(GpsTransform::kMaxPoints);
  angle_ = angle;
  // With one point the angle is the user's; with more the fit finds it.
  Refit();
  if (points_.size() <= 1) {
    angle_ = angle;
    transform_.SetAngleDegrees(angle);
  }
  StorePoints();
  PositionToMap();
  ShowState();
}

void GpsCommands::Tick() {
  if (!port_) return;
  if (!port_->Alive()) {
    // The device went away: the receiver closes, but stays chosen for the next start.
    ClosePort();
    c_.window.ShowGpsPosition(std::nullopt, "");
    if (c_.sink) c_.sink->Error(ComposeMessage("Cannot open", c_.prefs.gpsPort));
    return;
  }
  bool overrun = false;
  const std::string arrived = port_->Read(&overrun);
  const std::optional<std::string> line = session_.Poll(arrived, overrun);
  if (!line) return;
  if (test_) {
    test_->ShowLine(*line, session_.Receiver(), true);
    return;
  }
  PositionToMap();
  ShowState();
}

void GpsCommands::PositionToMap() {
  const GpsReceiver& r = session_.Receiver();
  if (!transform_.Valid() || r.MeanCount() < 1) return;
  int32_t x = 0, y = 0;
  transform_.ToMap(r.MeanLatitude(), r.MeanLongitude(), &x, &y);
  position_ = Coord{x, y};
}

void GpsCommands::ShowState() {
  if (!IsOpen()) return;
  c_.window.ShowGpsPosition(position_, session_.Receiver().StatusText());
}

bool GpsCommands::AddPointAt(const Coord& map) {
  const GpsReceiver& r = session_.Receiver();
  if (!IsOpen() || r.MeanCount() < 1) {
    if (c_.sink) c_.sink->Error("No valid GPS position");
    return false;
  }
  if (points_.size() >= GpsTransform::kMaxPoints) return false;
  std::vector<GpsAdjustmentPoint> points = points_;
  points.push_back({map.x & ~kFlagMask, map.y & ~kFlagMask, r.MeanLatitude(), r.MeanLongitude(),
                    "Point " + std::to_string(points.size() + 1)});
  SetPoints(points, angle_);
  return true;
}

void GpsCommands::Adjust() {
  if (!c_.doc.IsOpen() || !c_.sink) return;
  std::vector<GpsAdjustmentPoint> points = points_;
  TAdjustGpsDlg dlg(points, angle_, IsOpen(), *c_.sink, c_.help, c_.window.DialogParent());
  const int result = dlg.exec();
  if (result == QDialog::Rejected) return;
  const bool angleChanged = dlg.Angle() != angle_;
  if (dlg.PointsChanged() || angleChanged) SetPoints(points, dlg.Angle());
  if (result == TAdjustGpsDlg::NewPoint) c_.window.StartInteraction(Interaction::Gps);
}

void GpsCommands::DrawAtPosition() {
  if (!IsOpen() || !position_) return;
  c_.window.AddPointAt(*position_);
}

void GpsCommands::RunTest(const GpsSettings& settings) {
  if (!c_.sink) return;
  // The test reads from the port with the settings given; the map gets nothing meanwhile.
  const bool wasOpen = IsOpen();
  if (!OpenWith(settings)) return;
  TTestGpsDlg dlg(*c_.sink, c_.help, c_.window.DialogParent());
  test_ = &dlg;
  dlg.exec();
  test_ = nullptr;
  if (!wasOpen) {
    ClosePort();
    c_.prefs.gpsEnabled = false;
    SaveSettings();
    c_.window.ShowGpsPosition(std::nullopt, "");
  }
}

}  // namespace zelk
