// A PDF page content stream as another output surface: paths, fills, clips, dots, rings and
// glyph outlines in CMYK (the colour map) or grey (a plate), and the file around the pages.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "render/font_service.h"
#include "render/object_renderer.h"
#include "render/output_device.h"

namespace zelk {

// Draws into `content` in 0.01 mm units from the output state's origin (y up); the page's
// transform to points is the file's.
class PdfDevice : public OutputDevice {
 public:
  PdfDevice(std::string& content, const OutputState& state, bool separation, FontService* fonts);
  ~PdfDevice() override;

 protected:
  void DoStroke(std::span<const Coord> path, int32_t width, int style) override;
  bool DoFill(std::span<const Coord> path, int style) override;
  ClipResult DoClip(std::span<const Coord> path) override;
  void DoEndClip() override;
  void DoDot(const Coord& centre, int32_t diameter) override;
  void DoRing(const Coord& centre, int32_t lineWidth, int32_t diameter) override;
  void DoDrawCharacter(const CharacterSpec& character) override;

 private:
  double X(int32_t x) const;
  double Y(int32_t y) const;
  void Num(double v);
  void SetFillColor();
  void SetStrokeColor();
  void SetPen(int32_t width, int style);
  void WritePath(std::span<const Coord> path);
  void Circle(const Coord& centre, double radius);

  std::string& out_;
  bool separation_;
  FontService* fonts_;
  int64_t fillColor_ = -1, strokeColor_ = -1;
  int32_t width_ = -1;
  int join_ = -1;
  std::unique_ptr<RenderScratch> scratch_;
};

// One page of a PDF: its size in points, its content and its label (empty: none).
struct PdfPage {
  double widthPt = 0, heightPt = 0;
  std::string content;
  std::string label;
};

// The whole file: header, the pages, their labels, the information and the cross-reference.
std::string PdfFile(const std::vector<PdfPage>& pages, const std::string& title,
                    const std::string& creator);

}  // namespace zelk
