// Template images: reading BMP, PNG, JPEG and TIFF scans, the pyramid of halved copies, and
// drawing under the map.
#include <QImageReader>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstring>

#include "render/template_bmp.h"
#include "render/template_image.h"
#include "storage/buffered_file.h"
#include "storage/messages.h"

namespace zelk {

namespace {

bool IsBmpFile(BufferedFile& f) {
  uint8_t magic[2] = {0, 0};
  return f.ReadUpToAt(0, magic, 2) == 2 && magic[0] == 'B' && magic[1] == 'M';
}

// Images through Qt's readers may take this many megabytes.
constexpr int kReaderAllocationLimitMb = 4096;

BmpReadAt ReaderOf(BufferedFile& f) {
  return [&f](int64_t pos, uint8_t* buf, int64_t n) -> int64_t {
    try {
      return f.ReadUpToAt(pos, buf, n);
    } catch (const FileError&) {
      return -1;
    }
  };
}

}  // namespace

std::optional<TemplateProbe> TemplateImage::Probe(const std::string& path, MessageSink& sink) {
  TemplateProbe probe;
  try {
    BufferedFile f(&sink);
    f.OpenForReading(path);
    if (IsBmpFile(f)) {
      BmpTemplateInfo info;
      const BmpTemplateError e = ReadBmpTemplateInfo(ReaderOf(f), f.Size(), &info);
      if (e != BmpTemplateError::None) {
        sink.Error(BmpTemplateMessage(e));
        return std::nullopt;
      }
      probe.bmp = true;
      probe.width = info.width;
      probe.height = info.height;
      probe.bitCount = info.bitCount;
      probe.pelsPerMeterX = info.xPelsPerMeter;
      probe.pelsPerMeterY = info.yPelsPerMeter;
      return probe;
    }
  } catch (const FileError&) {
    return std::nullopt;
  }
  QImageReader reader(QString::fromStdString(path));
  const QSize size = reader.size();
  if (!reader.canRead() || !size.isValid() || size.isEmpty()) {
    sink.Error(BmpTemplateMessage(BmpTemplateError::NotBmp));
    return std::nullopt;
  }
  if (int64_t{size.width()} * size.height() > kMaxTemplatePixels) {
    sink.Error(BmpTemplateMessage(BmpTemplateError::TooLarge));
    return std::nullopt;
  }
  probe.width = size.width();
  probe.height = size.height();
  return probe;
}

struct TemplateImage::RowSource {
  BufferedFile file;
  BmpTemplateInfo info;
  BmpReadAt read;
};

TemplateImage::TemplateImage() = default;
TemplateImage::~TemplateImage() = default;

bool TemplateImage::Load(const std::string& path, const TemplateProbe& probe, int32_t pelsX,
                         int32_t pelsY, MessageSink& sink) {
  levels_.clear();
  pending_ = QImage();
  source_.reset();
  QImage image;
  if (probe.bmp) {
    // Only the header is read now; the rows follow as views need them.
    auto source = std::make_unique<RowSource>();
    try {
      source->file.SetSink(&sink);
      source->file.OpenForReading(path);
      source->file.SetSink(nullptr);
      source->read = ReaderOf(source->file);
      const BmpTemplateError e =
          ReadBmpTemplateInfo(source->read, source->file.Size(), &source->info);
      if (e != BmpTemplateError::None) {
        sink.Error(BmpTemplateMessage(e));
        return false;
      }
    } catch (const FileError&) {
      return false;
    }
    image = QImage(source->info.width, source->info.height, QImage::Format_RGB32);
    if (image.isNull()) {
      sink.Error(BmpTemplateMessage(BmpTemplateError::TooLarge));
      return false;
    }
    SetImage(std::move(image), pelsX, pelsY);
    rowRead_.assign(static_cast<size_t>(source->info.height), 0);
    rowsRead_ = 0;
    readCursor_ = 0;
    source_ = std::move(source);
    return true;
  } else {
    QImageReader reader(QString::fromStdString(path));
    reader.setAllocationLimit(kReaderAllocationLimitMb);
    QImage read;
    if (!reader.read(&read) || read.isNull()) {
      sink.Error(BmpTemplateMessage(BmpTemplateError::ReadFailed));
      return false;
    }
    if (read.hasAlphaChannel()) {
      // Transparent parts show the paper.
      image = QImage(read.size(), QImage::Format_RGB32);
      image.fill(Qt::white);
      QPainter p(&image);
      p.drawImage(0, 0, read);
    } else {
      image = read.convertToFormat(QImage::Format_RGB32);
    }
  }
  SetImage(std::move(image), pelsX, pelsY);
  return true;
}

void TemplateImage::SetImage(QImage image, int32_t pelsX, int32_t pelsY) {
  levels_.clear();
  pending_ = QImage();
  source_.reset();
  if (image.isNull()) return;
  if (image.format() != QImage::Format_RGB32) image = image.convertToFormat(QImage::Format_RGB32);
  levels_.push_back(std::move(image));
  pelsX_ = pelsX > 0 ? pelsX : 11811;  // 300 DPI
  pelsY_ = pelsY > 0 ? pelsY : 11811;
}

namespace {

// Rows [first, last) of the halved copy of `src` into `out`.
void HalveRows(const QImage& src, QImage& out, int first, int last) {
  const int w = src.width(), h = src.height();
  const int hw = out.width();
  for (int y = first; y < last; ++y) {
    const auto* r0 = reinterpret_cast<const uint32_t*>(src.constScanLine(2 * y));
    const auto* r1 =
        reinterpret_cast<const uint32_t*>(src.constScanLine(std::min(2 * y + 1, h - 1)));
    auto* d = reinterpret_cast<uint32_t*>(out.scanLine(y));
    for (int x = 0; x < hw; ++x) {
      const int x0 = 2 * x, x1 = std::min(2 * x + 1, w - 1);
      const uint32_t a = r0[x0], b = r0[x1], c = r1[x0], e = r1[x1];
      // Two channels at a time: red and blue, then green.
      const uint32_t rb =
          ((a & 0xff00ff) + (b & 0xff00ff) + (c & 0xff00ff) + (e & 0xff00ff) + 0x020002) >> 2 &
          0xff00ff;
      const uint32_t g =
          ((a & 0xff00) + (b & 0xff00) + (c & 0xff00) + (e & 0xff00) + 0x200) >> 2 & 0xff00;
      d[x] = 0xff000000u | rb | g;
    }
  }
}

int LevelsWanted(int side) {
  int n = 0;
  for (int w = side; w > 256; w = (w + 1) / 2) ++n;
  return n;
}

}  // namespace

QImage HalveImage(const QImage& src) {
  QImage out((src.width() + 1) / 2, (src.height() + 1) / 2, QImage::Format_RGB32);
  if (!out.isNull()) HalveRows(src, out, 0, out.height());
  return out;
}

void TemplateImage::EnsureRows(int top, int bottom) {
  if (!source_ || levels_.empty()) return;
  QImage& image = levels_[0];
  const int h = image.height();
  top = std::clamp(top, 0, h);
  bottom = std::clamp(bottom, top, h);
  const size_t rowBytes = static_cast<size_t>(image.width()) * 4;
  int y = top;
  while (y < bottom) {
    if (rowRead_[static_cast<size_t>(y)]) {
      ++y;
      continue;
    }
    int end = y;
    while (end < bottom && !rowRead_[static_cast<size_t>(end)]) ++end;
    const BmpTemplateError e = ReadBmpTemplateRowRange(
        source_->read, source_->info, y, end, [&](int row, const uint32_t* rgb) {
          std::memcpy(image.scanLine(row), rgb, rowBytes);
          rowRead_[static_cast<size_t>(row)] = 1;
          ++rowsRead_;
          return true;
        });
    // Rows the file no longer holds show the paper.
    for (int r = y; r < end; ++r) {
      if (rowRead_[static_cast<size_t>(r)]) continue;
      std::memset(image.scanLine(r), 0xff, rowBytes);
      rowRead_[static_cast<size_t>(r)] = 1;
      ++rowsRead_;
    }
    (void)e;
    y = end;
  }
  if (rowsRead_ >= h) {
    source_.reset();
    rowRead_.clear();
  }
}

const QImage& TemplateImage::Level(int n) {
  if (n <= 0 && !levels_.empty()) EnsureRows(0, levels_[0].height());
  return EnsureLevel(n);
}

bool TemplateImage::GrowLevel(int rows) {
  if (pending_.isNull()) {
    const QImage& last = levels_.back();
    if (last.width() <= 1 && last.height() <= 1) return false;
    pending_ = QImage((last.width() + 1) / 2, (last.height() + 1) / 2, QImage::Format_RGB32);
    pendingRow_ = 0;
    if (pending_.isNull()) return false;
  }
  const int last =
      static_cast<int>(std::min<int64_t>(int64_t{pendingRow_} + rows, pending_.height()));
  // The first copy needs the rows of the scan under it.
  if (levels_.size() == 1) EnsureRows(2 * pendingRow_, 2 * last + 1);
  HalveRows(levels_.back(), pending_, pendingRow_, last);
  pendingRow_ = last;
  if (pendingRow_ == pending_.height()) {
    levels_.push_back(std::move(pending_));
    pending_ = QImage();
  }
  return true;
}

const QImage& TemplateImage::EnsureLevel(int n) {
  static const QImage kNone;
  if (levels_.empty()) return kNone;
  n = std::max(n, 0);
  while (static_cast<int>(levels_.size()) <= n)
    if (!GrowLevel(INT32_MAX)) return levels_.back();
  return levels_[static_cast<size_t>(n)];
}

void TemplateImage::BuildAllLevels() {
  if (levels_.empty()) return;
  EnsureLevel(LevelsWanted(std::max(Width(), Height())));
}

bool TemplateImage::BuildNextLevel() {
  return BuildRows(INT32_MAX);
}

bool TemplateImage::BuildRows(int rows) {
  if (levels_.empty()) return false;
  if (source_) {
    // The scan's rows first, in the order of the file.
    const int64_t next = std::min<int64_t>(int64_t{readCursor_} + 2 * int64_t{rows}, Height());
    EnsureRows(readCursor_, static_cast<int>(next));
    readCursor_ = static_cast<int>(next);
    return true;
  }
  const int wanted = LevelsWanted(std::max(Width(), Height()));
  if (static_cast<int>(levels_.size()) > wanted) return false;
  if (!GrowLevel(rows)) return false;
  return static_cast<int>(levels_.size()) <= wanted;
}

QTransform TemplateImage::PixelToDevice(const ViewTransform& v, const TemplatePlacement& pl,
                                        double mapScale) const {
  const double kx = pl.WordsPerPixelX(mapScale, pelsX_);
  const double ky = pl.WordsPerPixelY(mapScale, pelsY_);
  const double c = std::cos(pl.angle), s = std::sin(pl.angle);
  const double w = Width(), h = Height();
  // Map words of pixel (px, py): centre + R(angle) (kx (px - w/2), ky (h/2 - py)).
  const double cx = pl.x - c * kx * w / 2 - s * ky * h / 2;
  const double cy = pl.y - s * kx * w / 2 + c * ky * h / 2;
  const double sx = v.scaleX, sy = v.scaleY;
  return QTransform(sx * c * kx, sy * s * kx, sx * s * ky, -sy * c * ky, (cx - v.originX) * sx,
                    (cy - v.originY) * sy);
}

int TemplateImage::LevelFor(const QTransform& t) const {
  const double devicePerPixel = std::sqrt(std::abs(t.determinant()));
  int level = 0;
  for (double size = devicePerPixel * 2; size <= 1.0 && level < 24; size *= 2) ++level;
  return level;
}

void TemplateImage::Draw(QPainter& painter, const ViewTransform& view,
                         const TemplatePlacement& placement, double mapScale,
                         const QRect& paintRect, bool dimmed) {
  if (levels_.empty() || !(mapScale > 0)) return;
  const QTransform base = PixelToDevice(view, placement, mapScale);
  if (!base.isInvertible()) return;
  const int wanted = LevelFor(base);
  const QImage& image = EnsureLevel(wanted);
  const int level = static_cast<int>(&image - levels_.data());
  const double f = std::ldexp(1.0, level);
  // A pixel of the copy covers f x f pixels of the scan.
  const QTransform t = QTransform::fromScale(f, f) * base;
  bool invertible = false;
  const QTransform back = t.inverted(&invertible);
  if (!invertible) return;
  const QRectF wanted_part =
      back.map(QPolygonF(QRectF(paintRect.adjusted(-2, -2, 2, 2)))).boundingRect();
  const QRect part = wanted_part.toAlignedRect().adjusted(-1, -1, 1, 1).intersected(image.rect());
  if (part.isEmpty()) return;
  if (level == 0) EnsureRows(part.top(), part.bottom() + 1);
  painter.save();
  painter.setClipRect(paintRect, Qt::IntersectClip);
  painter.setTransform(t);
  // Enlarged pixels stay sharp; reduced and turned ones are smoothed.
  const double devicePerPixel = std::sqrt(std::abs(t.determinant()));
  const bool axisAligned = std::abs(t.m12()) < 1e-12 && std::abs(t.m21()) < 1e-12;
  painter.setRenderHint(QPainter::SmoothPixmapTransform, !(axisAligned && devicePerPixel >= 2));
  if (dimmed) painter.setOpacity(kDimOpacity);
  painter.drawImage(part.topLeft(), image, part);
  painter.restore();
}

}  // namespace zelk
