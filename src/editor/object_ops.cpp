#include "editor/object_ops.h"

#include <algorithm>
#include <optional>

#include "editor/draw_support.h"

namespace zelk {

std::optional<ObjectRecord> FillOrBorder(const ObjectRecord& obj, int hole,
                                         const SymbolRecord& symbol) {
  const auto type = static_cast<ObjectType>(symbol.Type());
  const bool area = obj.type == ObjectType::Area;
  const bool fits = type == obj.type || (area && type == ObjectType::Line) ||
                    (obj.type == ObjectType::Line && type == ObjectType::Area);
  if (!fits || obj.PointCount() < 1) return std::nullopt;
  ObjectRecord made;
  made.symbol = static_cast<int16_t>(symbol.Number());
  made.type = type;
  made.angle = obj.angle;
  made.layer = obj.layer;
  if (area && hole > 0 && hole < obj.PointCount()) {
    size_t end = static_cast<size_t>(hole) + 1;
    while (end < obj.coords.size() && !(obj.coords[end].y & kHoleStart)) ++end;
    made.coords.assign(obj.coords.begin() + hole, obj.coords.begin() + static_cast<ptrdiff_t>(end));
    made.coords.front().y &= ~kHoleStart;
  } else if (area && type == ObjectType::Line) {
    made.coords.assign(obj.coords.begin(), obj.coords.begin() + OuterRingEnd(obj.coords));
  } else {
    made.coords = obj.coords;
    if (type == obj.type) {
      made.textUnits = obj.textUnits;
      made.textArea = obj.textArea;
    }
  }
  if (type == ObjectType::Area && made.PointCount() < 3) return std::nullopt;
  return made;
}

MergeResult MergeObjects(const std::vector<ObjectRecord>& objects, ObjectRecord* out) {
  if (objects.size() < 2) return MergeResult::NotMergeable;
  const ObjectRecord& first = objects.front();
  const bool texts = first.type == ObjectType::Text;
  for (const ObjectRecord& o : objects) {
    const bool text = o.type == ObjectType::Text && !o.Text().empty();
    const bool line = o.type == ObjectType::Line && o.textUnits <= 0 && o.PointCount() >= 2;
    if (o.symbol != first.symbol || (texts ? !text : !line)) return MergeResult::NotMergeable;
  }
  if (texts) {
    std::string text = first.Text();
    for (size_t i = 1; i < objects.size(); ++i) text += "\r\n" + objects[i].Text();
    // What a text object holds.
    if (text.size() > 8191) return MergeResult::TooManyPoints;
    *out = first;
    out->SetText(text);
    return MergeResult::Merged;
  }
  std::vector<Coord> seed = first.coords;
  std::vector<bool> attached(objects.size(), false);
  attached[0] = true;
  size_t left = objects.size() - 1;
  for (bool progress = true; left > 0 && progress;) {
    progress = false;
    for (size_t i = 1; i < objects.size(); ++i) {
      if (attached[i]) continue;
      std::vector<Coord> other = objects[i].coords;
      const bool endToStart = Near(seed.back(), other.front(), kJoinDistance);
      const bool startToEnd = Near(seed.front(), other.back(), kJoinDistance);
      const bool endToEnd = Near(seed.back(), other.back(), kJoinDistance);
      const bool startToStart = Near(seed.front(), other.front(), kJoinDistance);
      if (!endToStart && !startToEnd && !endToEnd && !startToStart) continue;
      // The shared point is kept once, so the limit counts what is stored.
      if (seed.size() + other.size() - 1 > static_cast<size_t>(kMaxPoints))
        return MergeResult::TooManyPoints;
      if (endToStart || endToEnd) {
        if (!endToStart) ReverseLine(other);
        const Coord joint = seed.back();
        seed.pop_back();
        seed.insert(seed.end(), other.begin(), other.end());
        // The seed's end stays where it was, with the flags of the attached line's start.
        seed[seed.size() - other.size()] = {(joint.x & kPosMask) | (other.front().x & kFlagMask),
                                            (joint.y & kPosMask) | (other.front().y & kFlagMask)};
      } else {
        if (!startToEnd) ReverseLine(other);
        const Coord joint = seed.front();
        other.back() = {(joint.x & kPosMask) | (other.back().x & kFlagMask),
                        (joint.y & kPosMask) | (other.back().y & kFlagMask)};
        seed.erase(seed.begin());
        other.insert(other.end(), seed.begin(), seed.end());
        seed = std::move(other);
      }
      attached[i] = true;
      --left;
      progress = true;
    }
  }
  if (left > 0) return MergeResult::NotAllTouch;
  *out = first;
  out->coords = std::move(seed);
  return MergeResult::Merged;
}

bool SmoothOuterRing(ObjectRecord& obj, int level) {
  if ((obj.type != ObjectType::Line && obj.type != ObjectType::Area) || obj.PointCount() < 3)
    return false;
  const int end = OuterRingEnd(obj.coords) - 1;
  if (end < 2) return false;
  // The text of a line text stays behind the points, whatever their number becomes.
  SmoothStretch(obj.coords, 0, end, std::clamp(level, 0, 2));
  return true;
}

bool SetLineText(ObjectRecord& line, const std::string& mapText) {
  if (mapText.size() > 511) return false;
  const int units = mapText.empty() ? 0 : TextUnitsFor(static_cast<int>(mapText.size()));
  if (line.PointCount() + units > kMaxPoints) return false;
  if (mapText.empty()) {
    line.textUnits = 0;
    line.textArea.clear();
  } else {
    line.SetText(mapText);
  }
  return true;
}

bool JoinLineEnds(MapStore& store, int32_t self, ObjectRecord& line) {
  if (line.type != ObjectType::Line || line.PointCount() < 2) return false;
  auto nearest = [&](const Coord& end, const Coord* own) -> std::optional<Coord> {
    std::optional<Coord> best;
    double bestDist = 0;
    auto consider = [&](const Coord& c) {
      if (!Near(c, end, kJoinDistance)) return;
      const double d = Dist(c, end);
      if (!best || d < bestDist) best = c, bestDist = d;
    };
    if (own) consider(*own);
    const Box box{end.x - kJoinDistance, end.y - kJoinDistance, end.x + kJoinDistance,
                  end.y + kJoinDistance};
    std::vector<int32_t> near;
    store.ObjectsInRegion(box, &near);
    ObjectRecord o;
    for (const int32_t n : near) {
      if (n == self || !store.ReadObject(n, &o) || o.symbol != line.symbol ||
          o.type != ObjectType::Line || o.PointCount() < 1)
        continue;
      consider(o.coords.front());
      consider(o.coords.back());
    }
    return best;
  };
  bool moved = false;
  auto moveTo = [&](Coord& end, const std::optional<Coord>& to) {
    if (!to || end.SamePlace(*to)) return;
    end = {(to->x & kPosMask) | (end.x & kFlagMask), (to->y & kPosMask) | (end.y & kFlagMask)};
    moved = true;
  };
  const Coord first = line.coords.front();
  moveTo(line.coords.back(),
         nearest(line.coords.back(), line.PointCount() >= 4 ? &first : nullptr));
  // A line closed on itself keeps its start.
  if (!line.coords.back().SamePlace(line.coords.front()))
    moveTo(line.coords.front(), nearest(line.coords.front(), nullptr));
  return moved;
}

}  // namespace zelk
