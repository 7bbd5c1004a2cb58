// The work window: view transform, paint handling, interruptible redraw, overlay.
#include "editor/work_window.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <cmath>

#include "editor/input_gate.h"
#include "editor/screen_palette.h"
#include "render/font_service_qt.h"
#include "render/map_drawing.h"
#include "render/map_painting.h"
#include "render/object_renderer.h"
#include "render/painter_device.h"
#include "render/real_world.h"

namespace zelk {

TWorkWin::TWorkWin(EditorState& state, InputGate& gate, QWidget* parent)
    : QWidget(parent), state_(state), gate_(gate) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);
  setMinimumSize(32, 32);
  const QScreen* screen = QGuiApplication::primaryScreen();
  paletteDisplay_ = screen && screen->depth() <= 8;
  view_.logPixelsX = logicalDpiX();
  view_.logPixelsY = logicalDpiY();
  retryTimer_.setSingleShot(true);
  retryTimer_.setInterval(100);
  connect(&retryTimer_, &QTimer::timeout, this, [this] { Invalidate(pending_); });
}

// --- View transform ------------------------------------------------------------------------

void TWorkWin::SetViewTransform() {
  view_.clientWidth = width();
  view_.clientHeight = height();
  view_.SetViewTransform();
  state_.PickTolerance = view_.pickTolerance;
  if (viewChanged) viewChanged();
}

void TWorkWin::SetView(double zoom, int32_t centreX, int32_t centreY) {
  view_.zoom = zoom;
  view_.centreX = centreX & kPosMask;
  view_.centreY = centreY & kPosMask;
  SetViewTransform();
  InvalidateAll();
}

Coord TWorkWin::DeviceToMap(PixelPos p) const {
  return view_.DeviceToMap(p);
}

PixelPos TWorkWin::MapToDevice(const Coord& c) const {
  return view_.MapToDevice(c);
}

QRect TWorkWin::DeviceRect(const Box& box) const {
  const PixelPos a = MapToDevice({box.left, box.top});
  const PixelPos b = MapToDevice({box.right, box.bottom});
  return QRect(QPoint(a.x, a.y), QPoint(b.x, b.y)).normalized();
}

Box TWorkWin::MapBox(const QRect& r) const {
  const Coord a = DeviceToMap({r.left() - 1, r.top() - 1});
  const Coord b = DeviceToMap({r.right() + 2, r.bottom() + 2});
  return {std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
}

// --- Paint handling --------------------------------------------------------------------------

void TWorkWin::Invalidate(const QRect& r) {
  const QRect clipped = r.intersected(rect());
  if (clipped.isEmpty()) return;
  dirty_ = dirty_.united(clipped);
  SchedulePaint();
}

void TWorkWin::SchedulePaint() {
  if (paintScheduled_) return;
  paintScheduled_ = true;
  QMetaObject::invokeMethod(
      this,
      [this] {
        paintScheduled_ = false;
        PaintMessage();
      },
      Qt::QueuedConnection);
}

void TWorkWin::DeliverPaint() {
  paintScheduled_ = false;
  PaintMessage();
}

void TWorkWin::PaintMessage() {
  // A request that arrives while drawing is taken up when the drawing has ended.
  if (redrawRunning_ || dirty_.isEmpty()) return;
  const QRect r = dirty_;
  dirty_ = QRect();
  if (!MapShown()) {
    EnsurePicture();
    image_.fill(Qt::white);
    pending_ = QRect();
    state_.PaintPending = false;
    update();
    return;
  }
  if (!state_.PaintPending || r.contains(pending_)) {
    pending_ = r;
    state_.PaintPending = true;
    if (mouseCaptured_) {
      deferredByMouse_ = true;  // taken up when the button is released
    } else if (mayPaintNow && !mayPaintNow()) {
      retryTimer_.start();
    } else {
      RedrawWindow(r);
    }
  } else {
    pending_ = pending_.united(r);
    Invalidate(pending_);
  }
}

void TWorkWin::EnsurePicture() {
  const QSize size = this->size().expandedTo(QSize(1, 1));
  if (image_.size() == size) return;
  image_ = QImage(size, QImage::Format_RGB32);
  image_.fill(Qt::white);
}

bool TWorkWin::RedrawWindow(const QRect& paintRect) {
  if (redrawRunning_) return false;
  EnsurePicture();
  if (!MapShown()) {
    image_.fill(Qt::white);
    state_.PaintPending = false;
    pending_ = QRect();
    update();
    return true;
  }
  const QRect r = paintRect.intersected(rect());
  redrawRunning_ = true;
  interrupt_ = false;
  ++redrawCount_;
  state_.PaintPending = true;
  pending_ = r;

  QPainter painter(&image_);
  painter.fillRect(r.adjusted(-1, -1, 1, 1), Qt::white);
  // The pixel cleared around the rectangle is drawn again too, or it stays a white seam.
  painter.setClipRect(r.adjusted(-1, -1, 1, 1));
  SetViewTransform();

  OutputState out;
  view_.ApplyTo(out);
  out.screen = true;
  out.clipRectangle = MapBox(r);
  out.hatchAreas = prefs_ && prefs_->hatchAreas;
  if (redrawStatus) redrawStatus("Redrawing screen...", "Press Esc to Abort");
  if (drawTemplate) drawTemplate(painter, r);

  gate_.BeginCapture();
  MapPainting how;
  how.state = out;
  how.antialiased = !prefs_ || prefs_->antialiased;
  // The glyphs drawn before, by any redraw, are kept by the shared service.
  how.fonts = &Fonts();
  how.symbolEditing = state_.SymbolEditing;
  how.inputWaiting = [this] { return interrupt_ || gate_.InputWaiting(); };
  MapDrawingOptions options;
  if (paletteDisplay_) {
    options.selectColor = [](OutputDevice& d, const ColorRecord& c) {
      const Cmyk cmyk{c.cmyk[0], c.cmyk[1], c.cmyk[2], c.cmyk[3]};
      d.SelectColorPass(c.colorNumber, cmyk, PaletteColor(ScreenColor(cmyk)));
    };
  }
  MapDrawingResult result =
      PaintMapRegion(*store_, painter, how, out.clipRectangle, scratch_, options);
  // An edited structure element is drawn again at each neighbouring cell.
  const std::vector<Coord> shifts = structureShifts ? structureShifts() : std::vector<Coord>{};
  for (const Coord& s : shifts) {
    if (!result.completed) break;
    OutputState shifted = out;
    shifted.originX -= s.x;
    shifted.originY -= s.y;
    const Box clip{out.clipRectangle.left - s.x, out.clipRectangle.bottom - s.y,
                   out.clipRectangle.right - s.x, out.clipRectangle.top - s.y};
    shifted.clipRectangle = clip;
    PainterDevice copy(painter, shifted);
    copy.SetAntialiasing(!prefs_ || prefs_->antialiased);
    copy.SetFontService(&Fonts());
    RenderContext copyCtx{copy, Fonts(), scratch_};
    copyCtx.symbolEditing = true;
    copyCtx.inputWaiting = how.inputWaiting;
    const MapDrawingResult r = DrawMapRegion(*store_, copyCtx, clip, options);
    result.completed = r.completed;
    copy.FlushLines();
  }
  gate_.EndCapture();
  painter.end();

  lastObjectsDrawn_ = result.objectsDrawn;
  redrawRunning_ = false;
  if (redrawStatus) redrawStatus("", "");
  const bool completed = result.completed && !interrupt_;
  if (completed) {
    state_.PaintPending = false;
    pending_ = QRect();
  }
  update();
  if (interrupt_) {
    // The size changed meanwhile: everything is drawn anew at the new size.
    interrupt_ = false;
    EnsurePicture();
    SetViewTransform();
    Invalidate(rect());
  } else if (!completed && !gate_.EscapeHeld()) {
    // Resumes after the input that stopped it, which the event loop delivers first.
    Invalidate(pending_);
  } else if (!dirty_.isEmpty()) {
    SchedulePaint();
  }
  if (state_.InteractionState == Interaction::Idle && redrawEnded) redrawEnded();
  return completed;
}

FontService& TWorkWin::Fonts() {
  if (fonts_) return *fonts_;
  if (!ownFonts_) ownFonts_ = std::make_unique<QtFontService>();
  return *ownFonts_;
}

void TWorkWin::DrawObjectNow(const ObjectRecord& obj) {
  if (!MapShown() || redrawRunning_ || obj.PointCount() == 0) return;
  EnsurePicture();
  const SymbolRecord& symbol = store_->SymbolFor(obj.symbol);
  if (!state_.SymbolEditing && symbol.Status() == kStatusHidden) return;
  QPainter painter(&image_);
  OutputState out;
  view_.ApplyTo(out);
  out.hatchAreas = prefs_ && prefs_->hatchAreas;
  PainterDevice device(painter, out);
  device.SetAntialiasing(!prefs_ || prefs_->antialiased);
  device.SetFontService(&Fonts());
  RenderContext ctx{device, Fonts(), scratch_};
  ctx.symbolEditing = state_.SymbolEditing;
  // An element of an edited point symbol carries its colour in the angle word.
  ColorSet colors = symbol.Colors();
  if (state_.SymbolEditing) {
    colors.Clear();
    colors.Add(obj.angle);
  }
  const SymbolHeader& table = store_->Colors();
  for (int place = std::clamp<int>(table.colorCount, 0, kMaxColors) - 1; place >= 0; --place) {
    const ColorRecord& c = table.colors[static_cast<size_t>(place)];
    if (!colors.Has(c.colorNumber)) continue;
    const Cmyk cmyk{c.cmyk[0], c.cmyk[1], c.cmyk[2], c.cmyk[3]};
    if (paletteDisplay_)
      device.SelectColorPass(c.colorNumber, cmyk, PaletteColor(ScreenColor(cmyk)));
    else
      device.SelectColorPass(c.colorNumber, cmyk);
    DrawObject(ctx, obj, symbol);
  }
  device.FlushLines();
  // An edited structure element is previewed at its neighbouring cells in the light grey
  // alternative colour until the next full redraw.
  const std::vector<Coord> shifts = structureShifts ? structureShifts() : std::vector<Coord>{};
  for (const Coord& s : shifts) {
    OutputState shifted = out;
    shifted.originX -= s.x;
    shifted.originY -= s.y;
    PainterDevice copy(painter, shifted);
    copy.SetAntialiasing(!prefs_ || prefs_->antialiased);
    copy.SetFontService(&Fonts());
    RenderContext copyCtx{copy, Fonts(), scratch_};
    copyCtx.symbolEditing = state_.SymbolEditing;
    copy.SelectColorPass(obj.angle, Cmyk{}, Rgb{192, 192, 192});
    DrawObject(copyCtx, obj, symbol);
    copy.FlushLines();
  }
  painter.end();
  update();
}

// --- Overlay -------------------------------------------------------------------------------

void TWorkWin::SetRubberBand(std::vector<RubberShape> shapes) {
  // The same band again (a tool showing its state on every move) costs no repaint.
  if (shapes == rubber_) return;
  rubber_ = std::move(shapes);
  update();
}

void TWorkWin::SetPanOffset(PixelPos offset) {
  if (offset == panOffset_) return;
  panOffset_ = offset;
  update();
}

int32_t TWorkWin::GridSpacing() const {
  if (!MapShown() || !prefs_ || !prefs_->screenGrid) return 0;
  const SetupBlock& setup = store_->Setup();
  double mm = setup.PaperGrid();
  if (prefs_->realWorldCord && setup.MapScale() > 0)
    mm = setup.RealWorldGrid() * 1000.0 / setup.MapScale();
  if (!(mm > 0) || !std::isfinite(mm)) return 0;
  return static_cast<int32_t>(std::lround(std::clamp(mm * 100.0, 1.0, 1e7)));
}

std::vector<std::pair<Coord, Coord>> TWorkWin::RealWorldGridLines(const SetupBlock& setup,
                                                                  const Box& visible) {
  std::vector<std::pair<Coord, Coord>> lines;
  const double grid = setup.RealWorldGrid();
  const RealWorldTransform world(setup);
  if (!world.Valid() || !(grid > 0)) return lines;
  double emin = 1e300, emax = -1e300, nmin = 1e300, nmax = -1e300;
  for (const auto& [x, y] : {std::pair<double, double>{visible.left, visible.bottom},
                             {visible.right, visible.bottom},
                             {visible.left, visible.top},
                             {visible.right, visible.top}}) {
    const auto [e, n] = world.ToWorld(x, y);
    emin = std::min(emin, e);
    emax = std::max(emax, e);
    nmin = std::min(nmin, n);
    nmax = std::max(nmax, n);
  }
  // More lines than a window can show only means the grid is too dense to draw.
  if ((emax - emin) / grid > 2000 || (nmax - nmin) / grid > 2000) return lines;
  for (double e = std::ceil(emin / grid) * grid; e <= emax; e += grid)
    lines.push_back({world.ToMap(e, nmin), world.ToMap(e, nmax)});
  for (double n = std::ceil(nmin / grid) * grid; n <= nmax; n += grid)
    lines.push_back({world.ToMap(emin, n), world.ToMap(emax, n)});
  return lines;
}

void TWorkWin::PaintGrid(QPainter& p) const {
  const int32_t spacing = GridSpacing();
  if (spacing <= 0) return;
  const double step = spacing * 256.0 * view_.scaleX;  // pixels between lines
  if (step < 6) return;                                // a grid denser than this hides the map
  p.setPen(QPen(QColor(150, 150, 255), 1, Qt::DotLine));
  if (prefs_->realWorldCord) {
    for (const auto& [a, b] : RealWorldGridLines(store_->Setup(), view_.visible)) {
      const PixelPos pa = MapToDevice(a), pb = MapToDevice(b);
      p.drawLine(pa.x + panOffset_.x, pa.y + panOffset_.y, pb.x + panOffset_.x,
                 pb.y + panOffset_.y);
    }
    return;
  }
  const double unit = spacing * 256.0;
  const double x0 = std::ceil(view_.visible.left / unit) * unit;
  for (double x = x0; x <= view_.visible.right; x += unit) {
    const int px = RoundToDevice(view_.DeviceX(x)) + panOffset_.x;
    p.drawLine(px, 0, px, height());
  }
  const double y0 = std::ceil(view_.visible.bottom / unit) * unit;
  for (double y = y0; y <= view_.visible.top; y += unit) {
    const int py = RoundToDevice(view_.DeviceY(y)) + panOffset_.y;
    p.drawLine(0, py, width(), py);
  }
}

namespace {

// A line as stored, its Bezier segments as curves; a control point without its segment is left
// out.
QPainterPath RubberPath(const std::vector<Coord>& points, const std::vector<QPoint>& pts) {
  QPainterPath path;
  const size_t n = pts.size();
  size_t i = 0;
  while (i < n && (points[i].x & (kFirstCurvePoint | kSecondCurvePoint))) ++i;
  if (i >= n) return path;
  path.moveTo(pts[i]);
  while (i + 1 < n) {
    const bool curve =
        (points[i + 1].x & kFirstCurvePoint) && i + 3 < n && (points[i + 2].x & kSecondCurvePoint);
    if (curve) {
      path.cubicTo(pts[i + 1], pts[i + 2], pts[i + 3]);
      i += 3;
    } else if (points[i + 1].x & (kFirstCurvePoint | kSecondCurvePoint)) {
      break;
    } else {
      path.lineTo(pts[i + 1]);
      ++i;
    }
  }
  return path;
}

}  // namespace

void TWorkWin::SetGpsMark(std::optional<Coord> at) {
  if (at == gpsMark_) return;
  gpsMark_ = at;
  update();
}

void TWorkWin::PaintGpsMark(QPainter& p) const {
  if (!gpsMark_) return;
  const PixelPos c = MapToDevice(*gpsMark_);
  // Drawn inverting, so that it shows on any colour of the map.
  p.save();
  p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
  p.setPen(QPen(Qt::white, 1));
  p.drawLine(c.x - 15, c.y, c.x - 4, c.y);
  p.drawLine(c.x + 4, c.y, c.x + 15, c.y);
  p.drawLine(c.x, c.y - 15, c.x, c.y - 4);
  p.drawLine(c.x, c.y + 4, c.x, c.y + 15);
  p.drawEllipse(QPoint(c.x, c.y), 4, 4);
  p.restore();
}

void TWorkWin::PaintRubberBand(QPainter& p) const {
  for (const RubberShape& s : rubber_) {
    std::vector<QPoint> pts;
    for (const Coord& c : s.points) {
      const PixelPos d = MapToDevice(c);
      pts.emplace_back(d.x, d.y);
    }
    // Drawn twice, white under black dots, so that it shows on any colour.
    for (int pass = 0; pass < 2; ++pass) {
      QPen pen(pass == 0 ? Qt::white : Qt::black, s.solid && pass == 1 ? 1 : 1,
               pass == 0 || s.solid ? Qt::SolidLine : Qt::DotLine);
      p.setPen(pen);
      p.setBrush(Qt::NoBrush);
      if (s.kind == RubberShape::Kind::Polyline) {
        if (pts.size() >= 2) p.drawPolyline(pts.data(), static_cast<int>(pts.size()));
      } else if (s.kind == RubberShape::Kind::Path) {
        p.drawPath(RubberPath(s.points, pts));
      } else if (s.kind == RubberShape::Kind::Handles) {
        for (size_t i = 0; i + 1 < pts.size(); i += 2) {
          p.drawLine(pts[i], pts[i + 1]);
          p.drawRect(pts[i + 1].x() - 2, pts[i + 1].y() - 2, 4, 4);
        }
      } else if (pts.size() >= 2) {
        const QRect r = QRect(pts[0], pts[1]).normalized();
        if (s.kind == RubberShape::Kind::Rectangle)
          p.drawRect(r);
        else
          p.drawEllipse(r);
      }
    }
    if (s.solid && s.kind == RubberShape::Kind::Rectangle && pts.size() >= 2) {
      // Grips at the corners and in the middle of each side.
      const QRect r = QRect(pts[0], pts[1]).normalized();
      p.setPen(Qt::black);
      p.setBrush(Qt::white);
      for (QPoint g : {r.topLeft(), r.topRight(), r.bottomLeft(), r.bottomRight(),
                       QPoint(r.center().x(), r.top()), QPoint(r.center().x(), r.bottom()),
                       QPoint(r.left(), r.center().y()), QPoint(r.right(), r.center().y())})
        p.drawRect(g.x() - 2, g.y() - 2, 4, 4);
    }
  }
}

// --- Events --------------------------------------------------------------------------------

void TWorkWin::paintEvent(QPaintEvent*) {
  QPainter p(this);
  if (panOffset_.x != 0 || panOffset_.y != 0) p.fillRect(rect(), Qt::white);
  if (!image_.isNull()) p.drawImage(QPoint(panOffset_.x, panOffset_.y), image_);
  if (image_.width() < width() || image_.height() < height()) {
    p.fillRect(QRect(image_.width(), 0, width() - image_.width(), height()), Qt::white);
    p.fillRect(QRect(0, image_.height(), width(), height() - image_.height()), Qt::white);
  }
  if (MapShown()) {
    PaintGrid(p);
    if (drawMarks) drawMarks(p);
    PaintRubberBand(p);
    PaintGpsMark(p);
  }
}

void TWorkWin::resizeEvent(QResizeEvent*) {
  if (redrawRunning_) {
    interrupt_ = true;
    return;
  }
  EnsurePicture();
  SetViewTransform();
  InvalidateAll();
}

void TWorkWin::mousePressEvent(QMouseEvent* e) {
  mouseCaptured_ = true;
  if (mousePressed) mousePressed(e);
}

void TWorkWin::mouseMoveEvent(QMouseEvent* e) {
  if (mouseMoved) mouseMoved(e);
}

void TWorkWin::mouseReleaseEvent(QMouseEvent* e) {
  mouseCaptured_ = e->buttons() != Qt::NoButton;
  if (mouseReleased) mouseReleased(e);
  if (!mouseCaptured_ && deferredByMouse_ && !redrawRunning_) {
    deferredByMouse_ = false;
    Invalidate(pending_);
  }
}

void TWorkWin::wheelEvent(QWheelEvent* e) {
  if (wheelTurned) wheelTurned(e);
}

}  // namespace zelk
