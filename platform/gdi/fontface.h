#pragma once
// A realised font: a FreeType face at one size and angle, with its metrics and a glyph cache.
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/gdi/objects.h"
#include "platform/gdi/text.h"

namespace gdi {

class FontFace {
 public:
  struct Glyph {
    int advance = 0;  // pixels along the baseline (hinted, unrotated)
    int left = 0;     // bitmap position relative to the pen, y up
    int top = 0;
    int width = 0;
    int height = 0;
    int pitch = 0;
    std::vector<uint8_t> bits;  // 1 bit a pixel, most significant first
  };

  ~FontFace();
  // Realises a LOGFONT (cached process-wide); never fails while any font is installed.
  static std::shared_ptr<FontFace> Realise(const LOGFONT& lf);
  // The realised font of a font object (made once per object).
  static std::shared_ptr<FontFace> Of(Font* font);
  // Fonts that were realised before the installed fonts changed are made again.
  static void Invalidate();

  const Glyph& Get(char32_t c);
  int Advance(char32_t c) { return Get(c).advance; }

  TEXTMETRIC tm;
  std::string family;
  double angle = 0;  // radians, counter-clockwise
  int underlinePos = 0, underlineSize = 1, strikePos = 0, strikeSize = 1;

  static std::mutex& Lock();

 private:
  FontFace() = default;
  bool Open(const LOGFONT& lf, const std::string& file, int index, bool wantBold, bool wantItalic,
            bool haveBold, bool haveItalic);
  bool Render(char32_t c, Glyph& g);

  void* face_ = nullptr;  // FT_Face
  bool symbol_ = false;
  bool synthBold_ = false;
  bool synthItalic_ = false;
  LOGFONT lf_;
  std::unordered_map<char32_t, Glyph> glyphs_;
  std::shared_ptr<FontFace> fallback_;
  bool fallbackTried_ = false;
  unsigned generation_ = 0;
};

}  // namespace gdi
