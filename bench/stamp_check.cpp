// stamp_check: compares stamped discs and circle lines with drawn ones at every whole pixel
// position of the device range, along x and along y. Run by hand after a change of the stamps
// or of Qt; prints the shapes that differ and fails when a shape the stamps take is among them.
//
//   stamp_check [--smooth] [--pen N] [SIZE...]   (default: aliased discs of 3..48 pixels)
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "render/dot_stamps.h"
#include "render/output_device.h"

namespace zelk {
namespace {

constexpr int kRange = 32800;  // the device range and a little more on either side of 0

void DrawShape(QPainter& p, const QRect& rect, int pen, const QColor& color) {
  if (pen == 0) {
    PaintDisc(p, rect, color);
    return;
  }
  p.setPen(DevicePen(pen, kStyleFlatBevel, color));
  p.setBrush(Qt::NoBrush);
  PaintCircleLine(p, rect, pen, color);
}

int64_t Differing(const QImage& a, const QImage& b) {
  int64_t n = 0;
  for (int y = 0; y < a.height(); ++y) {
    const auto* p = reinterpret_cast<const QRgb*>(a.constScanLine(y));
    const auto* q = reinterpret_cast<const QRgb*>(b.constScanLine(y));
    for (int x = 0; x < a.width(); ++x) n += p[x] != q[x];
  }
  return n;
}

// Shapes a few pixels apart in a band as long as the device range; shifting the row one pixel
// at a time until it repeats puts a shape at every position, some reaching off either end.
int64_t Check(int size, int pen, bool smooth) {
  const int height = size + (size % 3 == 0 ? 1 : 0);  // round and not quite round
  const StampShape shape{size, height, pen, qRgb(30, 140, 200), smooth};
  const QColor color = QColor::fromRgb(shape.color);
  DotStamps stamps;
  const Stamp& stamp = stamps.Get(shape);
  const int band = std::max(size, height) + 16, step = size + 6;
  int64_t differing = 0;
  for (int axis = 0; axis < 2; ++axis) {
    const QSize imageSize = axis == 0 ? QSize(kRange, band) : QSize(band, kRange);
    QImage drawn(imageSize, QImage::Format_RGB32), stamped(imageSize, QImage::Format_RGB32);
    for (int shift = 0; shift < step; ++shift) {
      drawn.fill(Qt::white);
      stamped.fill(Qt::white);
      QPainter a(&drawn), b(&stamped);
      a.setRenderHint(QPainter::Antialiasing, smooth);
      for (int t = shift - step; t < kRange; t += step) {
        const QPoint at =
            axis == 0 ? QPoint(t, band / 2 - height / 2) : QPoint(band / 2 - size / 2, t);
        DrawShape(a, QRect(at, QSize(size, height)), pen, color);
        if (!stamp.image.isNull()) b.drawImage(at + stamp.offset, stamp.image);
      }
      a.end();
      b.end();
      differing += Differing(drawn, stamped);
    }
  }
  return differing;
}

}  // namespace
}  // namespace zelk

int main(int argc, char** argv) {
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QGuiApplication app(argc, argv);
  bool smooth = false;
  int pen = 0;
  std::vector<int> sizes;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--smooth") == 0) {
      smooth = true;
    } else if (std::strcmp(argv[i], "--pen") == 0 && i + 1 < argc) {
      pen = std::atoi(argv[++i]);
    } else {
      sizes.push_back(std::atoi(argv[i]));
    }
  }
  if (sizes.empty())
    for (int s = 3; s <= 48; ++s) sizes.push_back(s);
  int failed = 0;
  for (int size : sizes) {
    if (pen > 0 && 2 * pen >= size) continue;
    const int64_t d = zelk::Check(size, pen, smooth);
    const bool stampable = zelk::DotStamps::Stampable({size, size, pen, 0, smooth});
    std::printf("%3d pixels, pen %d, %s: %lld differing pixels%s\n", size, pen,
                smooth ? "smooth" : "aliased", static_cast<long long>(d),
                stampable ? "" : " (drawn, not stamped)");
    if (d != 0 && stampable) failed = 1;
  }
  return failed;
}
