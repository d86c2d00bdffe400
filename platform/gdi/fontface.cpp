#include "platform/gdi/fontface.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H
#include FT_GLYPH_H
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <numbers>
#include <set>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define GDI_LSAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define GDI_LSAN 1
#endif
#ifdef GDI_LSAN
#include <sanitizer/lsan_interface.h>
#endif

namespace gdi {

namespace {

std::string lower(std::string s) {
  for (auto& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

struct FontSystem {
  FT_Library lib = nullptr;
  std::map<std::string, std::string> substitutes;                      // lower-case face -> family
  std::map<std::string, int> appFonts;                                 // path -> faces
  std::list<std::pair<std::string, std::shared_ptr<FontFace>>> cache;  // most recent first
  unsigned generation = 0;

  FontSystem() {
    FT_Init_FreeType(&lib);
#ifdef GDI_LSAN
    __lsan_disable();  // the configuration parser keeps a few blocks for the process' life
#endif
    FcInit();
#ifdef GDI_LSAN
    __lsan_enable();
#endif
    // The interface faces: forms were laid out for a narrow 8-point sans face (about 6 pixels a
    // letter at 96 dpi); Liberation Sans keeps Arial's widths, DejaVu Sans runs a tenth wider
    // and cuts captions at their designed bounds.
    for (const char* f : {"arial", "ms sans serif", "microsoft sans serif", "tahoma",
                          "ms shell dlg", "ms shell dlg 2", "segoe ui", "system", "helvetica",
                          "ms ui gothic"})
      substitutes[f] = "Liberation Sans";
    for (const char* f : {"verdana", "wingdings", "symbol", "webdings", "marlett"})
      substitutes[f] = "DejaVu Sans";
    substitutes["impact"] = "DejaVu Sans Condensed";
    for (const char* f : {"courier new", "courier", "fixedsys", "terminal", "lucida console"})
      substitutes[f] = "DejaVu Sans Mono";
    for (const char* f : {"times new roman", "times", "ms serif", "georgia"})
      substitutes[f] = "DejaVu Serif";
    substitutes["lcd"] = "DSEG7 Classic";
  }
};

FontSystem& fonts() {
  static FontSystem* s = new FontSystem;  // fonts stay until the process ends
  return *s;
}

bool isSymbolFace(const std::string& face) {
  const std::string f = lower(face);
  return f == "wingdings" || f == "webdings" || f == "marlett";
}

std::string keyOf(const LOGFONT& lf) {
  char buf[160];
  std::snprintf(buf, sizeof buf, "%d/%d/%d/%d/%d/%d/%d/%d|", lf.lfHeight, lf.lfWidth,
                lf.lfEscapement, lf.lfWeight >= 600 ? 700 : 400, lf.lfItalic != 0,
                lf.lfUnderline != 0, lf.lfStrikeOut != 0, lf.lfCharSet);
  return buf + lower(lf.lfFaceName);
}

struct Match {
  std::string file;
  int index = 0;
  std::string family;
  int weight = FC_WEIGHT_REGULAR;
  int slant = FC_SLANT_ROMAN;
};

bool matchFont(const std::string& family, bool bold, bool italic, char32_t mustHave, Match& m) {
  FcPattern* p = FcPatternCreate();
  if (!family.empty())
    FcPatternAddString(p, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  FcPatternAddInteger(p, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(p, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(p, FC_SCALABLE, FcTrue);
  if (mustHave) {
    FcCharSet* cs = FcCharSetCreate();
    FcCharSetAddChar(cs, mustHave);
    FcPatternAddCharSet(p, FC_CHARSET, cs);
    FcCharSetDestroy(cs);
  }
  FcConfigSubstitute(nullptr, p, FcMatchPattern);
  FcDefaultSubstitute(p);
  FcResult result;
  FcPattern* found = FcFontMatch(nullptr, p, &result);
  FcPatternDestroy(p);
  if (!found) return false;
  FcChar8* file = nullptr;
  FcChar8* fam = nullptr;
  bool ok = FcPatternGetString(found, FC_FILE, 0, &file) == FcResultMatch;
  if (ok) {
    m.file = reinterpret_cast<const char*>(file);
    FcPatternGetInteger(found, FC_INDEX, 0, &m.index);
    if (FcPatternGetString(found, FC_FAMILY, 0, &fam) == FcResultMatch)
      m.family = reinterpret_cast<const char*>(fam);
    FcPatternGetInteger(found, FC_WEIGHT, 0, &m.weight);
    FcPatternGetInteger(found, FC_SLANT, 0, &m.slant);
  }
  FcPatternDestroy(found);
  return ok;
}

std::string substitute(const std::string& face) {
  std::string f = face;
  if (!f.empty() && f[0] == '@') f.erase(0, 1);  // vertical variants: the plain face
  auto& fs = fonts();
  auto it = fs.substitutes.find(lower(f));
  return it == fs.substitutes.end() ? f : it->second;
}

}  // namespace

std::mutex& FontFace::Lock() {
  static std::mutex* m = new std::mutex;
  return *m;
}

FontFace::~FontFace() {
  if (face_) FT_Done_Face(static_cast<FT_Face>(face_));
}

void FontFace::Invalidate() {
  auto& fs = fonts();
  fs.cache.clear();
  ++fs.generation;
}

std::shared_ptr<FontFace> FontFace::Of(Font* font) {
  // A font object keeps its realisation until the installed fonts change.
  if (!font->face || font->face->generation_ != fonts().generation)
    font->face = Realise(font->logfont);
  return font->face;
}

std::shared_ptr<FontFace> FontFace::Realise(const LOGFONT& lf) {
  auto& fs = fonts();
  const std::string key = keyOf(lf);
  for (auto it = fs.cache.begin(); it != fs.cache.end(); ++it) {
    if (it->first == key) {
      fs.cache.splice(fs.cache.begin(), fs.cache, it);
      return it->second;
    }
  }
  const bool bold = lf.lfWeight >= 600;
  const bool italic = lf.lfItalic != 0;
  std::string family = substitute(lf.lfFaceName);
  Match m;
  if (!matchFont(family, bold, italic, 0, m) && !matchFont("DejaVu Sans", bold, italic, 0, m))
    return nullptr;
  std::shared_ptr<FontFace> f(new FontFace);
  f->symbol_ = isSymbolFace(lf.lfFaceName) || lf.lfCharSet == SYMBOL_CHARSET;
  if (!f->Open(lf, m.file, m.index, bold, italic, m.weight >= FC_WEIGHT_DEMIBOLD,
               m.slant != FC_SLANT_ROMAN))
    return nullptr;
  f->family = m.family;
  f->generation_ = fs.generation;
  fs.cache.emplace_front(key, f);
  if (fs.cache.size() > 64) fs.cache.pop_back();
  return f;
}

bool FontFace::Open(const LOGFONT& lf, const std::string& file, int index, bool wantBold,
                    bool wantItalic, bool haveBold, bool haveItalic) {
  lf_ = lf;
  FT_Face face = nullptr;
  if (FT_New_Face(fonts().lib, file.c_str(), index, &face) != 0) return false;
  face_ = face;
  synthBold_ = wantBold && !haveBold;
  synthItalic_ = wantItalic && !haveItalic;
  if (symbol_ && FT_Select_Charmap(face, FT_ENCODING_UNICODE) != 0) {
    // keep whatever charmap the face has
  }
  const TT_OS2* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  const double upem = face->units_per_EM ? face->units_per_EM : 2048;
  double asc = os2 && os2->usWinAscent ? os2->usWinAscent : face->ascender;
  double desc = os2 && os2->usWinDescent ? os2->usWinDescent : -face->descender;
  if (asc + desc <= 0) {
    asc = upem * 0.8;
    desc = upem * 0.2;
  }
  double ppem;
  if (lf.lfHeight < 0)
    ppem = -double(lf.lfHeight);
  else if (lf.lfHeight > 0)
    ppem = lf.lfHeight * upem / (asc + desc);
  else
    ppem = 16;
  ppem = std::max(ppem, 1.0);
  FT_F26Dot6 size = static_cast<FT_F26Dot6>(std::lround(ppem * 64));
  FT_Set_Char_Size(face, 0, size, 72, 72);
  if (lf.lfWidth > 0) {
    // Scale the width so that the average character is lfWidth pixels.
    const double avg = os2 && os2->xAvgCharWidth > 0 ? os2->xAvgCharWidth * ppem / upem : ppem / 2;
    FT_Set_Char_Size(face, static_cast<FT_F26Dot6>(std::lround(ppem * 64 * lf.lfWidth / avg)), size,
                     72, 72);
  }
  const double scale = ppem / upem;
  tm.tmAscent = static_cast<LONG>(std::lround(asc * scale));
  tm.tmDescent = static_cast<LONG>(std::lround(desc * scale));
  tm.tmHeight = tm.tmAscent + tm.tmDescent;
  tm.tmInternalLeading = std::max<LONG>(0, tm.tmHeight - static_cast<LONG>(std::lround(ppem)));
  const double lineGap = os2 ? std::max<double>(0, os2->sTypoLineGap + os2->sTypoAscender -
                                                       os2->sTypoDescender - asc - desc)
                             : 0;
  tm.tmExternalLeading = static_cast<LONG>(std::lround(lineGap * scale));
  tm.tmWeight = wantBold ? FW_BOLD : FW_NORMAL;
  tm.tmItalic = BYTE(wantItalic);
  tm.tmUnderlined = BYTE(lf.lfUnderline != 0);
  tm.tmStruckOut = BYTE(lf.lfStrikeOut != 0);
  tm.tmCharSet = symbol_ ? BYTE(SYMBOL_CHARSET) : lf.lfCharSet;
  tm.tmPitchAndFamily = BYTE((FT_IS_FIXED_WIDTH(face) ? 0 : 1) | 0x06);  // TMPF_VECTOR|TRUETYPE
  tm.tmMaxCharWidth = static_cast<LONG>(std::lround((face->bbox.xMax - face->bbox.xMin) * scale));
  tm.tmAveCharWidth = os2 && os2->xAvgCharWidth > 0
                          ? static_cast<LONG>(std::lround(os2->xAvgCharWidth * scale))
                          : static_cast<LONG>(std::lround(ppem / 2));
  if (lf.lfWidth > 0) tm.tmAveCharWidth = lf.lfWidth;
  underlineSize = std::max(1, static_cast<int>(std::lround(face->underline_thickness * scale)));
  underlinePos = std::max(1, static_cast<int>(std::lround(-face->underline_position * scale)));
  if (os2 && os2->yStrikeoutSize > 0) {
    strikeSize = std::max(1, static_cast<int>(std::lround(os2->yStrikeoutSize * scale)));
    strikePos = static_cast<int>(std::lround(os2->yStrikeoutPosition * scale));
  } else {
    strikeSize = underlineSize;
    strikePos = static_cast<int>(std::lround(tm.tmAscent * 0.3));
  }
  angle = lf.lfEscapement / 10.0 * std::numbers::pi / 180.0;
  return true;
}

bool FontFace::Render(char32_t c, Glyph& g) {
  FT_Face face = static_cast<FT_Face>(face_);
  char32_t cp = symbol_ ? WingdingsToUnicode(c) : c;
  FT_UInt gi = FT_Get_Char_Index(face, cp);
  if (gi == 0 && symbol_) gi = FT_Get_Char_Index(face, 0xF000 + (c & 0xFF));
  if (gi == 0 && cp > 0x20) {
    if (!fallbackTried_ ||
        (fallback_ && !FT_Get_Char_Index(static_cast<FT_Face>(fallback_->face_), cp))) {
      fallbackTried_ = true;
      Match m;
      if (matchFont("", lf_.lfWeight >= 600, lf_.lfItalic != 0, cp, m)) {
        std::shared_ptr<FontFace> f(new FontFace);
        if (f->Open(lf_, m.file, m.index, lf_.lfWeight >= 600, lf_.lfItalic != 0,
                    m.weight >= FC_WEIGHT_DEMIBOLD, m.slant != FC_SLANT_ROMAN) &&
            FT_Get_Char_Index(static_cast<FT_Face>(f->face_), cp)) {
          fallback_ = f;
        }
      }
    }
    if (fallback_ && FT_Get_Char_Index(static_cast<FT_Face>(fallback_->face_), cp)) {
      g = fallback_->Get(cp);
      return true;
    }
  }
  // The advance: hinted, unrotated.
  FT_Matrix shear{0x10000, synthItalic_ ? 0x3333 : 0, 0, 0x10000};  // 0.2 slant
  FT_Set_Transform(face, synthItalic_ ? &shear : nullptr, nullptr);
  if (FT_Load_Glyph(face, gi, FT_LOAD_TARGET_MONO | FT_LOAD_NO_BITMAP) != 0) return false;
  FT_Pos advance = face->glyph->metrics.horiAdvance;
  const FT_Pos boldExtra =
      synthBold_
          ? std::max<FT_Pos>(64, FT_MulFix(face->units_per_EM, face->size->metrics.y_scale) / 24)
          : 0;
  g.advance = static_cast<int>((advance + boldExtra + 32) >> 6);
  if (angle != 0) {
    const double ca = std::cos(angle), sa = std::sin(angle);
    FT_Matrix rot{static_cast<FT_Fixed>(std::lround(ca * 65536)),
                  static_cast<FT_Fixed>(std::lround(-sa * 65536)),
                  static_cast<FT_Fixed>(std::lround(sa * 65536)),
                  static_cast<FT_Fixed>(std::lround(ca * 65536))};
    FT_Matrix m = rot;
    if (synthItalic_) {
      m = shear;
      FT_Matrix_Multiply(&rot, &m);  // slant first, then turn
    }
    FT_Set_Transform(face, &m, nullptr);
    if (FT_Load_Glyph(face, gi, FT_LOAD_TARGET_MONO | FT_LOAD_NO_BITMAP | FT_LOAD_NO_HINTING) != 0)
      return false;
  }
  FT_GlyphSlot slot = face->glyph;
  if (synthBold_ && slot->format == FT_GLYPH_FORMAT_OUTLINE)
    FT_Outline_Embolden(&slot->outline, boldExtra);
  if (FT_Render_Glyph(slot, FT_RENDER_MODE_MONO) != 0) return false;
  const FT_Bitmap& bm = slot->bitmap;
  g.left = slot->bitmap_left;
  g.top = slot->bitmap_top;
  g.width = static_cast<int>(bm.width);
  g.height = static_cast<int>(bm.rows);
  g.pitch = (g.width + 7) / 8;
  g.bits.assign(static_cast<size_t>(g.pitch) * static_cast<size_t>(g.height), 0);
  if (bm.pixel_mode == FT_PIXEL_MODE_MONO) {
    for (int y = 0; y < g.height; ++y) {
      const uint8_t* src = bm.buffer + static_cast<ptrdiff_t>(y) * bm.pitch;
      std::memcpy(g.bits.data() + size_t(y) * size_t(g.pitch), src, size_t(g.pitch));
    }
  }
  return true;
}

const FontFace::Glyph& FontFace::Get(char32_t c) {
  auto it = glyphs_.find(c);
  if (it != glyphs_.end()) return it->second;
  Glyph g;
  if (!Render(c, g)) g = Glyph{};
  return glyphs_.emplace(c, std::move(g)).first->second;
}

// Font files and names.

namespace {

// At exit the registered files are taken out of fontconfig again, which frees what it keeps for
// them (in a form a leak check cannot follow). A thread still drawing then keeps them to the end.
void RemoveFontResourcesAtExit() {
  std::unique_lock guard(FontFace::Lock(), std::try_to_lock);
  if (!guard) return;
  FcConfigAppFontClear(nullptr);
  fonts().appFonts.clear();
  FontFace::Invalidate();
}

}  // namespace

int AddFontResource(const std::string& path) {
  std::lock_guard guard(FontFace::Lock());
  auto& fs = fonts();
  FT_Face face = nullptr;
  if (FT_New_Face(fs.lib, path.c_str(), 0, &face) != 0) return 0;
  const int faces = static_cast<int>(face->num_faces);
  FT_Done_Face(face);
  if (!FcConfigAppFontAddFile(nullptr, reinterpret_cast<const FcChar8*>(path.c_str()))) return 0;
  [[maybe_unused]] static const bool removedAtExit = std::atexit(RemoveFontResourcesAtExit) == 0;
  fs.appFonts[path] = faces;
  FontFace::Invalidate();
  return faces;
}

BOOL RemoveFontResource(const std::string& path) {
  std::lock_guard guard(FontFace::Lock());
  auto& fs = fonts();
  if (!fs.appFonts.erase(path)) return FALSE;
  FcConfigAppFontClear(nullptr);
  for (const auto& [p, n] : fs.appFonts)
    FcConfigAppFontAddFile(nullptr, reinterpret_cast<const FcChar8*>(p.c_str()));
  FontFace::Invalidate();
  return TRUE;
}

void SetFontSubstitute(const std::string& face, const std::string& family) {
  std::lock_guard guard(FontFace::Lock());
  fonts().substitutes[lower(face)] = family;
  FontFace::Invalidate();
}

std::vector<std::string> EnumFontFamilies() {
  std::lock_guard guard(FontFace::Lock());
  fonts();  // fontconfig initialised
  std::set<std::string> names;
  FcPattern* p = FcPatternCreate();
  FcObjectSet* os = FcObjectSetBuild(FC_FAMILY, nullptr);
  FcFontSet* set = FcFontList(nullptr, p, os);
  if (set) {
    for (int i = 0; i < set->nfont; ++i) {
      FcChar8* fam = nullptr;
      if (FcPatternGetString(set->fonts[i], FC_FAMILY, 0, &fam) == FcResultMatch)
        names.insert(reinterpret_cast<const char*>(fam));
    }
    FcFontSetDestroy(set);
  }
  FcObjectSetDestroy(os);
  FcPatternDestroy(p);
  static const char* kShown[] = {"Arial",       "MS Sans Serif",   "Tahoma",    "Impact",
                                 "Courier New", "Times New Roman", "WingDings", "System"};
  for (const char* s : kShown) names.insert(s);
  return {names.begin(), names.end()};
}

bool FontFamilyExists(const std::string& face) {
  const std::string want = lower(face);
  for (const auto& f : EnumFontFamilies())
    if (lower(f) == want) return true;
  return false;
}

}  // namespace gdi
