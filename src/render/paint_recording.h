// The calls a QPainter hands its paint engine, recorded and replayed on another painter. The
// map is drawn on two threads this way: one works the objects out and records, the other
// paints; and the same recording, replayed, is what the drawing figures are measured against.
#pragma once

#include <QBrush>
#include <QFont>
#include <QImage>
#include <QLine>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QRect>
#include <QRegion>
#include <QSize>
#include <QTransform>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace zelk {

// The recorded calls, each with its data held in memory as the painter takes it, so that a
// replay costs the painter's work and nothing for decoding (unlike QPicture, which reads a
// data stream and stores every image it is given).
class PainterRecording {
 public:
  // Repeats every call on `painter`, which must be open on a device of the recorded size.
  void Replay(QPainter& painter) const;
  size_t CallCount() const { return ops_.size(); }
  // Calls the recording does not keep (text items and pixmaps); a replay of a recording with
  // any of them is not the same picture.
  int Unsupported() const { return unsupported_; }
  // Empties the recording and keeps its memory for the next calls.
  void Clear();
  void Swap(PainterRecording& other) noexcept;

 private:
  friend class RecordingEngine;
  enum class Kind : uint8_t {
    Pen,
    Brush,
    BrushOrigin,
    BackgroundMode,
    Background,
    Hints,
    Transform,
    ClipEnabled,
    ClipPath,
    ClipRegion,
    Composition,
    Opacity,
    Font,
    Rects,
    RectsF,
    Lines,
    LinesF,
    Points,
    PointsF,
    Polygon,
    PolygonF,
    Ellipse,
    EllipseF,
    Path,
    Image,
  };
  struct Op {
    Kind kind;
    int mode;        // polygon draw mode, clip operation, composition mode, hints, flags
    uint32_t index;  // into the array of its kind
    uint32_t count;
  };

  std::vector<Op> ops_;
  std::vector<QPen> pens_;
  std::vector<QBrush> brushes_;
  std::vector<QPointF> origins_;
  std::vector<QTransform> transforms_;
  std::vector<QRegion> regions_;
  std::vector<QPainterPath> paths_;  // fills, strokes and clips
  std::vector<qreal> opacities_;
  std::vector<QFont> fonts_;
  std::vector<QRect> rects_;
  std::vector<QRectF> rectsF_;
  std::vector<QLine> lines_;
  std::vector<QLineF> linesF_;
  std::vector<QPoint> points_;
  std::vector<QPointF> pointsF_;
  std::vector<QImage> images_;      // implicitly shared: a stamped image is kept once
  std::vector<QRectF> imageRects_;  // target and source of each image, one after the other
  int unsupported_ = 0;
};

// A paint device of a given size and resolution whose painter records into a recording.
// Paint on it exactly as on the target image; then replay onto that image.
class PaintRecordingDevice : public QPaintDevice {
 public:
  // Takes size and resolution from `like`.
  PaintRecordingDevice(const QImage& like, PainterRecording* recording);
  PaintRecordingDevice(QSize size, int dotsPerMeterX, int dotsPerMeterY,
                       PainterRecording* recording);
  // Once the recording holds `calls` calls, the next drawing call is followed by `handOff`,
  // which takes the calls and must leave the recording empty: the calls go on in pieces.
  void HandOffEvery(size_t calls, std::function<void(PainterRecording&)> handOff);
  ~PaintRecordingDevice() override;
  QPaintEngine* paintEngine() const override;

 protected:
  int metric(PaintDeviceMetric metric) const override;

 private:
  QSize size_;
  int dotsPerMeterX_;
  int dotsPerMeterY_;
  std::unique_ptr<QPaintEngine> engine_;
};

}  // namespace zelk
