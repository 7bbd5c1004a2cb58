// The Options menu's GPS commands: opening the receiver (with its test), closing it, the
// adjustment points that fit GPS positions to the map, the position mark and status text, and
// drawing at the GPS position.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "editor/command_context.h"
#include "editor/tool.h"
#include "editor/tool_context.h"
#include "gps/gps_fit.h"
#include "gps/gps_port.h"
#include "gps/gps_receiver.h"

class QTimer;

namespace zelk {

class TTestGpsDlg;

class GpsCommands {
 public:
  GpsCommands(CommandContext& c, ToolContext* tools);
  ~GpsCommands();

  // "Open &GPS...": the dialog, then the receiver with the settings given.
  void Open();
  // "C&lose GPS".
  void Close();
  // "Adjust GPS...": the adjustment points and the angle; "&New" marks a point on the map.
  void Adjust();
  // The running drawing tool takes a click at the GPS position.
  void DrawAtPosition();

  bool IsOpen() const { return port_ != nullptr; }
  bool HasPosition() const { return position_.has_value(); }

  // Without the dialog: opens the receiver; false (with "Cannot open") when the port cannot be
  // opened. The settings are kept in the preferences.
  bool OpenWith(const GpsSettings& settings);
  // One poll of the port, as the 100 ms timer does it.
  void Tick();
  // A click in the adjustment interaction: a new point at the GPS position.
  bool AddPointAt(const Coord& map);
  // A map was opened or closed: its adjustment points are read; with the receiver enabled in
  // the preferences it starts.
  void MapOpened();
  void MapClosed();

  // The tool of the adjustment interaction (state 18).
  Tool* AdjustTool() { return adjustTool_.get(); }
  const GpsReceiver& Receiver() const { return session_.Receiver(); }
  const GpsTransform& Transform() const { return transform_; }
  std::optional<Coord> Position() const { return position_; }
  const std::vector<GpsAdjustmentPoint>& Points() const { return points_; }
  // Sets the adjustment points and angle as the dialog would, storing them in the map.
  void SetPoints(const std::vector<GpsAdjustmentPoint>& points, double angle);

 private:
  void ReadPoints();
  void StorePoints();
  void Refit();
  void PositionToMap();
  void ShowState();
  void RunTest(const GpsSettings& settings);
  void ClosePort();
  // The GPS settings and whether the receiver is used, kept for the next start.
  void SaveSettings();

  CommandContext& c_;
  ToolContext* tools_;
  std::unique_ptr<GpsPort> port_;
  GpsSession session_;
  GpsTransform transform_;
  std::vector<GpsAdjustmentPoint> points_;
  double angle_ = 0;
  std::optional<Coord> position_;
  std::unique_ptr<QTimer> timer_;
  TTestGpsDlg* test_ = nullptr;
  std::unique_ptr<Tool> adjustTool_;
};

}  // namespace zelk
