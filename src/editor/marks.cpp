// Selection marks and handles, made in window pixels and painted by exclusive-or.
#include "editor/marks.h"

#include <QPainter>
#include <algorithm>
#include <tuple>

#include "editor/outline.h"

namespace zelk {

namespace {

struct Window {
  int width;
  int height;
  bool Shows(PixelPos p) const {
    return p.x >= -kMarkMargin && p.y >= -kMarkMargin && p.x <= width + kMarkMargin &&
           p.y <= height + kMarkMargin;
  }
};

void ObjectMarks(const ObjectRecord& obj, bool handles, const ToolView& view, const Window& w,
                 std::vector<SelectionMark>& out) {
  const std::vector<Coord>& c = obj.coords;
  const int n = obj.PointCount();
  if (obj.type == ObjectType::Rectangle && n >= 4) {
    for (int i = 0; i < 4; ++i) {
      const Coord a = PosOnly(c[static_cast<size_t>(i)]);
      const PixelPos p = view.MapToDevice(a);
      if (w.Shows(p)) out.push_back({SelectionMark::Kind::Corner, p, p});
      if (!handles) continue;
      const PixelPos m =
          view.MapToDevice(MidPoint(a, PosOnly(c[static_cast<size_t>((i + 1) % 4)])));
      if (w.Shows(m)) out.push_back({SelectionMark::Kind::Anchor, m, m});
    }
    return;
  }
  for (int i = 0; i < n; ++i) {
    const Coord& pt = c[static_cast<size_t>(i)];
    const PixelPos p = view.MapToDevice(PosOnly(pt));
    if (!IsControlPoint(pt)) {
      if (w.Shows(p))
        out.push_back(
            {(pt.y & kCornerPoint) ? SelectionMark::Kind::Corner : SelectionMark::Kind::Anchor, p,
             p});
      continue;
    }
    if (!handles) continue;
    // A handle belongs to the anchor before it (first control point) or after it (second).
    const int anchor = (pt.x & kSecondCurvePoint) ? i + 1 : i - 1;
    if (anchor < 0 || anchor >= n) continue;
    const PixelPos a = view.MapToDevice(PosOnly(c[static_cast<size_t>(anchor)]));
    if (!w.Shows(p) && !w.Shows(a)) continue;
    out.push_back({SelectionMark::Kind::HandleLine, a, p});
    out.push_back({SelectionMark::Kind::Handle, p, p});
  }
}

}  // namespace

// Exclusive-or drawing would wipe out a mark drawn twice on one spot (the closing point of a
// ring on its first point, a copy lying on its original): each mark is made once.
void DropRepeated(std::vector<SelectionMark>& marks) {
  const auto key = [](const SelectionMark& m) {
    return std::tuple(static_cast<int>(m.kind), m.a.x, m.a.y, m.b.x, m.b.y);
  };
  std::sort(marks.begin(), marks.end(),
            [&](const SelectionMark& l, const SelectionMark& r) { return key(l) < key(r); });
  marks.erase(
      std::unique(marks.begin(), marks.end(),
                  [&](const SelectionMark& l, const SelectionMark& r) { return key(l) == key(r); }),
      marks.end());
}

std::vector<SelectionMark> SelectionMarks(const EditorState& state, MapStore& store,
                                          const ToolView& view) {
  std::vector<SelectionMark> marks;
  if (!state.MapOpen || !store.IsOpen()) return marks;
  const ViewTransform& t = view.View();
  const Window w{t.clientWidth, t.clientHeight};
  const int32_t count = store.ObjectCount();
  IndexEntry e;
  const int32_t n = state.SelectedObject;
  if (n > 0 && n <= count && store.ReadEntry(n, &e) && e.Live()) {
    ObjectRecord obj;
    if (store.ReadObject(n, &obj))
      ObjectMarks(obj, state.ToolMode != Mode::EditObject, view, w, marks);
    DropRepeated(marks);
    return marks;
  }
  const MarkedObjects& group = state.MultipleSelection;
  if (!group.Shown) return marks;
  size_t shown = 0;
  for (int32_t m : group.Objects()) {
    if (m > count || !store.ReadEntry(m, &e) || !e.Live() || !e.box.Meets(t.visible)) continue;
    const PixelPos a = view.MapToDevice({e.box.left, e.box.top});
    const PixelPos b = view.MapToDevice({e.box.right, e.box.bottom});
    marks.push_back({SelectionMark::Kind::Box, a, b});
    if (++shown >= kMaxGroupMarks) break;
  }
  DropRepeated(marks);
  return marks;
}

void PaintSelectionMarks(QPainter& p, const std::vector<SelectionMark>& marks) {
  if (marks.empty()) return;
  p.save();
  p.setRenderHint(QPainter::Antialiasing, false);
  p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
  p.setPen(QPen(Qt::white, 1));
  p.setBrush(Qt::NoBrush);
  for (const SelectionMark& m : marks) {
    switch (m.kind) {
      case SelectionMark::Kind::Anchor:
        p.drawRect(m.a.x - 2, m.a.y - 2, 4, 4);
        break;
      case SelectionMark::Kind::Corner:
        p.fillRect(m.a.x - 2, m.a.y - 2, 5, 5, Qt::white);
        break;
      case SelectionMark::Kind::Handle:
        p.drawEllipse(QPoint(m.a.x, m.a.y), 2, 2);
        break;
      case SelectionMark::Kind::HandleLine:
        p.drawLine(m.a.x, m.a.y, m.b.x, m.b.y);
        break;
      case SelectionMark::Kind::Box:
        p.drawRect(QRect(QPoint(m.a.x, m.a.y), QPoint(m.b.x, m.b.y)).normalized());
        break;
    }
  }
  p.restore();
}

std::function<void(QPainter&)> MakeMarksPainter(ToolContext& ctx) {
  return [&ctx](QPainter& p) {
    PaintSelectionMarks(p, SelectionMarks(ctx.state, ctx.store, ctx.view));
  };
}

}  // namespace zelk
