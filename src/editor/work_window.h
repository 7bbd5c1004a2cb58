// The work window: the map at the current zoom and position, redrawn colour by colour.
#pragma once

#include <QImage>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "editor/editor_state.h"
#include "editor/tool.h"
#include "render/font_service.h"
#include "render/object_renderer.h"
#include "render/view_transform.h"
#include "storage/map_store.h"
#include "storage/preferences.h"

namespace zelk {

class InputGate;
class QtFontService;

// Owns the view transform and a picture of the map (a backing image). Requests to show a part
// of the map anew collect into one paint; the paint redraws at once unless the mouse is held in
// the window or a dialog is open. A redraw stops as soon as a key or a button press waits and
// leaves its rectangle pending; the input is handled afterwards and the redraw resumes (unless
// the key was Esc). Rubber bands, the screen grid and the tools' marks lie on top of the
// picture and never disturb it.
class TWorkWin : public QWidget {
 public:
  TWorkWin(EditorState& state, InputGate& gate, QWidget* parent = nullptr);

  void SetStore(MapStore* store) { store_ = store; }
  void SetPreferences(const Preferences* prefs) { prefs_ = prefs; }
  void SetFonts(FontService* fonts) { fonts_ = fonts; }

  const ViewTransform& View() const { return view_; }
  // Recomputes the transform after a change of zoom, centre or size and tells the window around.
  void SetViewTransform();
  // Takes a new zoom and centre and shows the whole window anew.
  void SetView(double zoom, int32_t centreX, int32_t centreY);

  Coord DeviceToMap(PixelPos p) const;
  PixelPos MapToDevice(const Coord& c) const;
  QRect DeviceRect(const Box& box) const;
  Box MapBox(const QRect& rect) const;

  // --- Paint handling ------------------------------------------------------------------
  void Invalidate(const QRect& rect);
  void InvalidateAll() { Invalidate(rect()); }
  void InvalidateBox(const Box& box) { Invalidate(DeviceRect(box).adjusted(-2, -2, 2, 2)); }
  // Handles the collected requests now instead of from the event loop.
  void DeliverPaint();
  // The full redraw of a rectangle; false when input interrupted it.
  bool RedrawWindow(const QRect& rect);
  // Draws the object at once in all its colours, without clearing anything.
  void DrawObjectNow(const ObjectRecord& obj);
  bool RedrawRunning() const { return redrawRunning_; }
  const QRect& PendingRect() const { return pending_; }
  int64_t LastObjectsDrawn() const { return lastObjectsDrawn_; }
  int RedrawCount() const { return redrawCount_; }
  const QImage& Picture() const { return image_; }

  // --- Overlay ---------------------------------------------------------------------------
  void SetRubberBand(std::vector<RubberShape> shapes);
  const std::vector<RubberShape>& RubberBand() const { return rubber_; }
  void SetPanOffset(PixelPos offset);
  // Grid lines in map units (0.01 mm), or 0 for none.
  int32_t GridSpacing() const;
  // The real-world grid: lines at whole multiples of the grid distance in real-world metres,
  // turned by the map's real-world angle, as (start, end) pairs in coordinate words covering
  // `visible`. Empty when the settings make no sensible grid.
  static std::vector<std::pair<Coord, Coord>> RealWorldGridLines(const SetupBlock& setup,
                                                                 const Box& visible);

  // --- The window around --------------------------------------------------------------
  std::function<void()> viewChanged;
  std::function<void(const std::string& left, const std::string& centre)> redrawStatus;
  // The end-of-command step after a redraw while no interaction runs.
  std::function<void()> redrawEnded;
  // While an area structure is edited: the shifts at which the drawing is repeated.
  std::function<std::vector<Coord>()> structureShifts;
  // False while the main window may not redraw now (a dialog is open).
  std::function<bool()> mayPaintNow;
  // The template image under the map (templates are drawn by their own part).
  std::function<void(QPainter&, const QRect&)> drawTemplate;
  // Selection marks and handles of the editing tools.
  std::function<void(QPainter&)> drawMarks;
  // The GPS position mark (a cross with 15-pixel arms and a small circle); none removes it.
  void SetGpsMark(std::optional<Coord> at);
  std::function<void(QMouseEvent*)> mousePressed, mouseMoved, mouseReleased;
  std::function<void(QWheelEvent*)> wheelTurned;

 protected:
  void paintEvent(QPaintEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void wheelEvent(QWheelEvent* e) override;

 private:
  void PaintGpsMark(QPainter& p) const;
  std::optional<Coord> gpsMark_;
  bool MapShown() const { return store_ && state_.MapOpen && store_->IsOpen(); }
  void SchedulePaint();
  void PaintMessage();
  void EnsurePicture();
  void PaintGrid(QPainter& p) const;
  void PaintRubberBand(QPainter& p) const;

  EditorState& state_;
  InputGate& gate_;
  MapStore* store_ = nullptr;
  const Preferences* prefs_ = nullptr;
  FontService* fonts_ = nullptr;
  std::unique_ptr<QtFontService> ownFonts_;  // the system's fonts, when none were handed in
  FontService& Fonts();
  RenderScratch scratch_;
  ViewTransform view_;
  QImage image_;
  bool paletteDisplay_ = false;

  QRect dirty_;    // collected requests not yet handled
  QRect pending_;  // the rectangle of the paint begun and not finished
  bool paintScheduled_ = false;
  bool redrawRunning_ = false;
  bool interrupt_ = false;  // the window changed size in the middle of a redraw
  bool mouseCaptured_ = false;
  bool deferredByMouse_ = false;
  QTimer retryTimer_;
  int64_t lastObjectsDrawn_ = 0;
  int redrawCount_ = 0;

  std::vector<RubberShape> rubber_;
  PixelPos panOffset_;
};

}  // namespace zelk
