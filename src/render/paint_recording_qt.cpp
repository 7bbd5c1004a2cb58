// Recording the calls a QPainter hands its paint engine, and replaying them.
#include <QPixmap>
#include <cmath>

#include "render/paint_recording.h"

namespace zelk {

// Declares every feature, so that the painter hands each call over as it was made instead of
// breaking it into simpler ones.
class RecordingEngine : public QPaintEngine {
 public:
  explicit RecordingEngine(PainterRecording* recording)
      : QPaintEngine(QPaintEngine::AllFeatures), r_(*recording) {}

  void HandOffEvery(size_t calls, std::function<void(PainterRecording&)> handOff) {
    pieceCalls_ = calls;
    handOff_ = std::move(handOff);
  }

  bool begin(QPaintDevice*) override { return true; }
  bool end() override { return true; }
  Type type() const override { return QPaintEngine::User; }

  void updateState(const QPaintEngineState& st) override {
    const DirtyFlags f = st.state();
    // The transform first: a clip takes the transform in force when it is set.
    if (f & DirtyTransform) Push(Kind::Transform, 0, r_.transforms_, st.transform());
    if (f & DirtyClipRegion)
      Push(Kind::ClipRegion, st.clipOperation(), r_.regions_, st.clipRegion());
    if (f & DirtyClipPath) Push(Kind::ClipPath, st.clipOperation(), r_.paths_, st.clipPath());
    if (f & DirtyClipEnabled) r_.ops_.push_back({Kind::ClipEnabled, st.isClipEnabled(), 0, 0});
    if (f & DirtyPen) Push(Kind::Pen, 0, r_.pens_, st.pen());
    if (f & DirtyBrush) Push(Kind::Brush, 0, r_.brushes_, st.brush());
    if (f & DirtyBrushOrigin) Push(Kind::BrushOrigin, 0, r_.origins_, st.brushOrigin());
    if (f & DirtyBackground) Push(Kind::Background, 0, r_.brushes_, st.backgroundBrush());
    if (f & DirtyBackgroundMode)
      r_.ops_.push_back({Kind::BackgroundMode, st.backgroundMode(), 0, 0});
    if (f & DirtyHints) r_.ops_.push_back({Kind::Hints, int(st.renderHints().toInt()), 0, 0});
    if (f & DirtyCompositionMode)
      r_.ops_.push_back({Kind::Composition, st.compositionMode(), 0, 0});
    if (f & DirtyOpacity) Push(Kind::Opacity, 0, r_.opacities_, st.opacity());
    if (f & DirtyFont) Push(Kind::Font, 0, r_.fonts_, st.font());
  }

  void drawRects(const QRect* rects, int n) override {
    Many(Kind::Rects, 0, r_.rects_, rects, n);
    Drawn();
  }
  void drawRects(const QRectF* rects, int n) override {
    Many(Kind::RectsF, 0, r_.rectsF_, rects, n);
    Drawn();
  }
  void drawLines(const QLine* lines, int n) override {
    Many(Kind::Lines, 0, r_.lines_, lines, n);
    Drawn();
  }
  void drawLines(const QLineF* lines, int n) override {
    Many(Kind::LinesF, 0, r_.linesF_, lines, n);
    Drawn();
  }
  void drawEllipse(const QRect& r) override {
    Push(Kind::Ellipse, 0, r_.rects_, r);
    Drawn();
  }
  void drawEllipse(const QRectF& r) override {
    Push(Kind::EllipseF, 0, r_.rectsF_, r);
    Drawn();
  }
  void drawPath(const QPainterPath& path) override {
    Push(Kind::Path, 0, r_.paths_, path);
    Drawn();
  }
  void drawPoints(const QPoint* p, int n) override {
    Many(Kind::Points, 0, r_.points_, p, n);
    Drawn();
  }
  void drawPoints(const QPointF* p, int n) override {
    Many(Kind::PointsF, 0, r_.pointsF_, p, n);
    Drawn();
  }
  void drawPolygon(const QPoint* p, int n, PolygonDrawMode mode) override {
    Many(Kind::Polygon, mode, r_.points_, p, n);
    Drawn();
  }
  void drawPolygon(const QPointF* p, int n, PolygonDrawMode mode) override {
    Many(Kind::PolygonF, mode, r_.pointsF_, p, n);
    Drawn();
  }
  void drawImage(const QRectF& r, const QImage& image, const QRectF& sr,
                 Qt::ImageConversionFlags flags) override {
    Push(Kind::Image, int(flags.toInt()), r_.images_, image);
    r_.imageRects_.push_back(r);
    r_.imageRects_.push_back(sr);
    Drawn();
  }
  void drawPixmap(const QRectF& r, const QPixmap& pixmap, const QRectF& sr) override {
    drawImage(r, pixmap.toImage(), sr, Qt::AutoColor);
  }
  void drawTextItem(const QPointF&, const QTextItem&) override { ++r_.unsupported_; }
  void drawTiledPixmap(const QRectF&, const QPixmap&, const QPointF&) override {
    ++r_.unsupported_;
  }

 private:
  using Kind = PainterRecording::Kind;

  template <typename T>
  void Push(Kind kind, int mode, std::vector<T>& store, const T& value) {
    r_.ops_.push_back({kind, mode, static_cast<uint32_t>(store.size()), 1});
    store.push_back(value);
  }
  template <typename T>
  void Many(Kind kind, int mode, std::vector<T>& store, const T* values, int n) {
    if (n <= 0) return;
    r_.ops_.push_back({kind, mode, static_cast<uint32_t>(store.size()), static_cast<uint32_t>(n)});
    store.insert(store.end(), values, values + n);
  }

  // A piece ends after a drawing call, so that the state it was drawn with goes with it.
  void Drawn() {
    if (handOff_ && r_.ops_.size() >= pieceCalls_) handOff_(r_);
  }

  PainterRecording& r_;
  size_t pieceCalls_ = 0;
  std::function<void(PainterRecording&)> handOff_;
};

void PainterRecording::Clear() {
  ops_.clear();
  pens_.clear();
  brushes_.clear();
  origins_.clear();
  transforms_.clear();
  regions_.clear();
  paths_.clear();
  opacities_.clear();
  fonts_.clear();
  rects_.clear();
  rectsF_.clear();
  lines_.clear();
  linesF_.clear();
  points_.clear();
  pointsF_.clear();
  images_.clear();
  imageRects_.clear();
  unsupported_ = 0;
}

void PainterRecording::Swap(PainterRecording& other) noexcept {
  std::swap(*this, other);
}

void PainterRecording::Replay(QPainter& p) const {
  for (const Op& op : ops_) {
    const uint32_t i = op.index;
    const int n = static_cast<int>(op.count);
    switch (op.kind) {
      case Kind::Pen:
        p.setPen(pens_[i]);
        break;
      case Kind::Brush:
        p.setBrush(brushes_[i]);
        break;
      case Kind::BrushOrigin:
        p.setBrushOrigin(origins_[i]);
        break;
      case Kind::BackgroundMode:
        p.setBackgroundMode(static_cast<Qt::BGMode>(op.mode));
        break;
      case Kind::Background:
        p.setBackground(brushes_[i]);
        break;
      case Kind::Hints: {
        const auto hints = QPainter::RenderHints::fromInt(op.mode);
        p.setRenderHints(~hints, false);
        p.setRenderHints(hints, true);
        break;
      }
      case Kind::Transform:
        p.setTransform(transforms_[i]);
        break;
      case Kind::ClipEnabled:
        p.setClipping(op.mode != 0);
        break;
      case Kind::ClipPath:
        p.setClipPath(paths_[i], static_cast<Qt::ClipOperation>(op.mode));
        break;
      case Kind::ClipRegion:
        p.setClipRegion(regions_[i], static_cast<Qt::ClipOperation>(op.mode));
        break;
      case Kind::Composition:
        p.setCompositionMode(static_cast<QPainter::CompositionMode>(op.mode));
        break;
      case Kind::Opacity:
        p.setOpacity(opacities_[i]);
        break;
      case Kind::Font:
        p.setFont(fonts_[i]);
        break;
      case Kind::Rects:
        p.drawRects(&rects_[i], n);
        break;
      case Kind::RectsF:
        p.drawRects(&rectsF_[i], n);
        break;
      case Kind::Lines:
        p.drawLines(&lines_[i], n);
        break;
      case Kind::LinesF:
        p.drawLines(&linesF_[i], n);
        break;
      case Kind::Points:
        p.drawPoints(&points_[i], n);
        break;
      case Kind::PointsF:
        p.drawPoints(&pointsF_[i], n);
        break;
      case Kind::Polygon:
      case Kind::PolygonF: {
        const bool f = op.kind == Kind::PolygonF;
        switch (static_cast<QPaintEngine::PolygonDrawMode>(op.mode)) {
          case QPaintEngine::PolylineMode:
            f ? p.drawPolyline(&pointsF_[i], n) : p.drawPolyline(&points_[i], n);
            break;
          case QPaintEngine::ConvexMode:
            f ? p.drawConvexPolygon(&pointsF_[i], n) : p.drawConvexPolygon(&points_[i], n);
            break;
          case QPaintEngine::WindingMode:
            f ? p.drawPolygon(&pointsF_[i], n, Qt::WindingFill)
              : p.drawPolygon(&points_[i], n, Qt::WindingFill);
            break;
          case QPaintEngine::OddEvenMode:
            f ? p.drawPolygon(&pointsF_[i], n, Qt::OddEvenFill)
              : p.drawPolygon(&points_[i], n, Qt::OddEvenFill);
            break;
        }
        break;
      }
      case Kind::Ellipse:
        p.drawEllipse(rects_[i]);
        break;
      case Kind::EllipseF:
        p.drawEllipse(rectsF_[i]);
        break;
      case Kind::Path:
        p.drawPath(paths_[i]);
        break;
      case Kind::Image: {
        const QImage& image = images_[i];
        const QRectF& target = imageRects_[2 * i];
        const QRectF& source = imageRects_[2 * i + 1];
        // A whole image at its own size: the painter's cheapest form of the call.
        if (source == QRectF(image.rect()) && target.size() == source.size()) {
          p.drawImage(target.topLeft(), image);
        } else {
          p.drawImage(target, image, source, Qt::ImageConversionFlags::fromInt(op.mode));
        }
        break;
      }
    }
  }
}

PaintRecordingDevice::PaintRecordingDevice(const QImage& like, PainterRecording* recording)
    : size_(like.size()),
      dotsPerMeterX_(like.dotsPerMeterX()),
      dotsPerMeterY_(like.dotsPerMeterY()),
      engine_(std::make_unique<RecordingEngine>(recording)) {}

PaintRecordingDevice::PaintRecordingDevice(QSize size, int dotsPerMeterX, int dotsPerMeterY,
                                           PainterRecording* recording)
    : size_(size),
      dotsPerMeterX_(dotsPerMeterX),
      dotsPerMeterY_(dotsPerMeterY),
      engine_(std::make_unique<RecordingEngine>(recording)) {}

PaintRecordingDevice::~PaintRecordingDevice() = default;

void PaintRecordingDevice::HandOffEvery(size_t calls,
                                        std::function<void(PainterRecording&)> handOff) {
  static_cast<RecordingEngine*>(engine_.get())->HandOffEvery(calls, std::move(handOff));
}

QPaintEngine* PaintRecordingDevice::paintEngine() const {
  return engine_.get();
}

int PaintRecordingDevice::metric(PaintDeviceMetric m) const {
  switch (m) {
    case PdmWidth:
      return size_.width();
    case PdmHeight:
      return size_.height();
    case PdmWidthMM:
      return qRound(size_.width() * 1000.0 / dotsPerMeterX_);
    case PdmHeightMM:
      return qRound(size_.height() * 1000.0 / dotsPerMeterY_);
    case PdmDepth:
      return 32;
    case PdmDpiX:
    case PdmPhysicalDpiX:
      return qRound(dotsPerMeterX_ * 0.0254);
    case PdmDpiY:
    case PdmPhysicalDpiY:
      return qRound(dotsPerMeterY_ * 0.0254);
    case PdmDevicePixelRatio:
      return 1;
    case PdmDevicePixelRatioScaled:
      return static_cast<int>(QPaintDevice::devicePixelRatioFScale());
    default:
      return QPaintDevice::metric(m);
  }
}

}  // namespace zelk
