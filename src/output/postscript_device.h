// The PostScript mode of the output primitives: every primitive becomes text lines of the
// PostScript stream of an EPS file or of a printer page.
#pragma once

#include <bitset>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "render/font_service.h"
#include "render/object_renderer.h"
#include "render/output_device.h"

namespace zelk {

// The eight standard Windows fonts and the PostScript fonts that stand for them.
constexpr int kStandardFontFamilies = 8;
// Index of the family whose Windows name is exactly `name`, or -1.
int StandardFontFamily(std::string_view name);
// PostScript name of font index 4 * family + style (style: 1 bold, 2 italic).
const char* StandardPostScriptFont(int index);

// The code page byte of a character, or -1 when the code page has none for it.
int CodePageByte(char32_t c);

// One line of a character: "(a) show" or "(\050) show".
std::string PostScriptShowLine(uint8_t byte);

// Where the lines go: appended to a buffer that the owner empties from time to time.
class PostScriptLines {
 public:
  // Called with the text gathered so far whenever it grows past a block, and on Flush.
  // Returns false on a write error; the error sticks and further lines are dropped.
  using Writer = std::function<bool(std::string_view)>;
  explicit PostScriptLines(Writer writer = {}) : writer_(std::move(writer)) {}
  // Text and CR LF.
  void Line(std::string_view text);
  bool Flush();
  bool Failed() const { return failed_; }
  // Without a writer everything stays here.
  const std::string& Text() const { return text_; }

 private:
  Writer writer_;
  std::string text_;
  bool failed_ = false;
};

struct PostScriptOptions {
  bool passthrough = false;  // a printer page rather than an EPS file
  bool separation = false;   // colours as "K gray" instead of "C M Y K cmyk"
  // "Standard fonts as PostScript fonts" (EPS files only).
  bool standardFonts = false;
};

class PostScriptDevice : public OutputDevice {
 public:
  // Texts drawn as outlines take their glyphs from `fonts` (may be null: no outlines).
  PostScriptDevice(PostScriptLines& out, const OutputState& state, const PostScriptOptions& options,
                   FontService* fonts);
  ~PostScriptDevice() override;

  // The begin-output step: colour, width, join and font caches unknown, no fonts used.
  void ResetCaches();
  // `last written colour` only, as each stream's colour loop begins.
  void ForgetColor() { lastColor_ = -1; }
  // Bit n: the font resource "font" n was defined in this output.
  const std::bitset<32>& FontsUsed() const { return fontsUsed_; }
  PostScriptLines& Lines() { return out_; }

  // format point and format relative point, with their trailing blank.
  std::string FormatPoint(const Coord& p) const;
  std::string FormatLength(int64_t v) const;

 protected:
  void DoStroke(std::span<const Coord> path, int32_t width, int style) override;
  bool DoFill(std::span<const Coord> path, int style) override;
  ClipResult DoClip(std::span<const Coord> path) override;
  void DoEndClip() override;
  void DoDot(const Coord& centre, int32_t diameter) override;
  void DoRing(const Coord& centre, int32_t lineWidth, int32_t diameter) override;
  void DoDrawCharacter(const CharacterSpec& character) override;

 private:
  int64_t DeviceX(int32_t x) const;
  int64_t DeviceY(int32_t y) const;
  void SetColor();
  void WriteColor();
  void SetPen(int32_t width, int join);
  void WriteWidth();
  void WriteJoin();
  void WritePath(std::span<const Coord> path);
  // Selects the font of a character; true when it is drawn with a PostScript font.
  bool SelectFont(const CharacterSpec& ch);
  void DrawOutline(const CharacterSpec& ch);

  PostScriptLines& out_;
  PostScriptOptions options_;
  FontService* fonts_;
  int64_t lastColor_ = -1;
  int32_t lastWidth_ = -1;
  int lastJoin_ = -1;
  std::bitset<32> fontsUsed_;
  struct FontCache {
    std::string name;
    int size = 0;
    int weight = 0;
    bool italic = false;
    bool valid = false;
  } font_;
  bool outlineText_ = false;
  int cachedAngle_ = 0;
  double cos_ = 1.0, sin_ = 0.0;
  std::string line_;
  std::unique_ptr<RenderScratch> scratch_;
};

}  // namespace zelk
