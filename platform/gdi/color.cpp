#include "platform/gdi/color.h"

#include <array>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <mutex>

#include "platform/rtl/exceptions.h"

namespace gdi {

namespace {

constexpr std::array<COLORREF, COLOR_COUNT> kClassicScheme = {
    RGB(212, 208, 200), RGB(58, 110, 165),  RGB(10, 36, 106),   RGB(128, 128, 128),
    RGB(212, 208, 200), RGB(255, 255, 255), RGB(0, 0, 0),       RGB(0, 0, 0),
    RGB(0, 0, 0),       RGB(255, 255, 255), RGB(212, 208, 200), RGB(212, 208, 200),
    RGB(128, 128, 128), RGB(10, 36, 106),   RGB(255, 255, 255), RGB(212, 208, 200),
    RGB(128, 128, 128), RGB(128, 128, 128), RGB(0, 0, 0),       RGB(212, 208, 200),
    RGB(255, 255, 255), RGB(64, 64, 64),    RGB(212, 208, 200), RGB(0, 0, 0),
    RGB(255, 255, 225), RGB(181, 181, 181), RGB(0, 0, 128),     RGB(166, 202, 240),
    RGB(192, 192, 192), RGB(49, 106, 197),  RGB(236, 233, 216)};

struct SysColorTable {
  std::mutex lock;
  std::array<COLORREF, COLOR_COUNT> colors = kClassicScheme;
};

SysColorTable& sysColors() {
  static SysColorTable table;
  return table;
}

struct NamedColor {
  TColor color;
  const char* name;
};

// First match wins when a colour has two names (clSilver before clLtGray).
constexpr NamedColor kNames[] = {
    {clBlack, "clBlack"},
    {clMaroon, "clMaroon"},
    {clGreen, "clGreen"},
    {clOlive, "clOlive"},
    {clNavy, "clNavy"},
    {clPurple, "clPurple"},
    {clTeal, "clTeal"},
    {clGray, "clGray"},
    {clSilver, "clSilver"},
    {clRed, "clRed"},
    {clLime, "clLime"},
    {clYellow, "clYellow"},
    {clBlue, "clBlue"},
    {clFuchsia, "clFuchsia"},
    {clAqua, "clAqua"},
    {clWhite, "clWhite"},
    {clMoneyGreen, "clMoneyGreen"},
    {clSkyBlue, "clSkyBlue"},
    {clCream, "clCream"},
    {clMedGray, "clMedGray"},
    {clLtGray, "clLtGray"},
    {clDkGray, "clDkGray"},
    {clActiveBorder, "clActiveBorder"},
    {clActiveCaption, "clActiveCaption"},
    {clAppWorkSpace, "clAppWorkSpace"},
    {clBackground, "clBackground"},
    {clBtnFace, "clBtnFace"},
    {clBtnHighlight, "clBtnHighlight"},
    {clBtnShadow, "clBtnShadow"},
    {clBtnText, "clBtnText"},
    {clCaptionText, "clCaptionText"},
    {clDefault, "clDefault"},
    {clGradientActiveCaption, "clGradientActiveCaption"},
    {clGradientInactiveCaption, "clGradientInactiveCaption"},
    {clGrayText, "clGrayText"},
    {clHighlight, "clHighlight"},
    {clHighlightText, "clHighlightText"},
    {clHotLight, "clHotLight"},
    {clInactiveBorder, "clInactiveBorder"},
    {clInactiveCaption, "clInactiveCaption"},
    {clInactiveCaptionText, "clInactiveCaptionText"},
    {clInfoBk, "clInfoBk"},
    {clInfoText, "clInfoText"},
    {clMenu, "clMenu"},
    {clMenuBar, "clMenuBar"},
    {clMenuHighlight, "clMenuHighlight"},
    {clMenuText, "clMenuText"},
    {clNone, "clNone"},
    {clScrollBar, "clScrollBar"},
    {cl3DDkShadow, "cl3DDkShadow"},
    {cl3DLight, "cl3DLight"},
    {clWindow, "clWindow"},
    {clWindowFrame, "clWindowFrame"},
    {clWindowText, "clWindowText"},
};

bool sameText(const std::string& a, const char* b) {
  size_t i = 0;
  for (; i < a.size() && b[i]; ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return i == a.size() && b[i] == 0;
}

}  // namespace

COLORREF GetSysColor(int index) {
  if (index < 0 || index >= COLOR_COUNT) return 0;
  auto& t = sysColors();
  std::lock_guard guard(t.lock);
  return t.colors[index];
}

BOOL SetSysColors(int count, const int* indices, const COLORREF* values) {
  if (count < 0 || (count > 0 && (!indices || !values))) return FALSE;
  auto& t = sysColors();
  std::lock_guard guard(t.lock);
  for (int i = 0; i < count; ++i) {
    if (indices[i] >= 0 && indices[i] < COLOR_COUNT) t.colors[indices[i]] = values[i] & 0xFFFFFF;
  }
  return TRUE;
}

void ResetSysColors() {
  auto& t = sysColors();
  std::lock_guard guard(t.lock);
  t.colors = kClassicScheme;
}

COLORREF ColorToRGB(TColor color) {
  if (color < 0) return GetSysColor(color & 0xFF);
  return COLORREF(color);
}

std::optional<std::string> ColorToIdent(TColor color) {
  for (const auto& n : kNames) {
    if (n.color == color) return std::string(n.name);
  }
  return std::nullopt;
}

std::optional<TColor> IdentToColor(const std::string& name) {
  for (const auto& n : kNames) {
    if (sameText(name, n.name)) return n.color;
  }
  return std::nullopt;
}

std::string ColorToString(TColor color) {
  if (auto name = ColorToIdent(color)) return *name;
  char buf[16];
  std::snprintf(buf, sizeof buf, "$%.8X", static_cast<unsigned>(color));
  return buf;
}

TColor StringToColor(const std::string& text) {
  if (auto c = IdentToColor(text)) return *c;
  std::string s = text;
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.erase(s.begin());
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.pop_back();
  bool negative = false;
  size_t pos = 0;
  if (pos < s.size() && (s[pos] == '-' || s[pos] == '+')) negative = s[pos++] == '-';
  int base = 10;
  if (pos < s.size() && s[pos] == '$') {
    base = 16;
    ++pos;
  } else if (pos + 1 < s.size() && s[pos] == '0' && (s[pos + 1] == 'x' || s[pos + 1] == 'X')) {
    base = 16;
    pos += 2;
  }
  uint64_t value = 0;
  const char* first = s.data() + pos;
  const char* last = s.data() + s.size();
  auto [ptr, ec] = std::from_chars(first, last, value, base);
  const uint64_t limit = base == 16 ? 0xFFFFFFFFull : 0x80000000ull;
  if (first == last || ec != std::errc() || ptr != last || value > limit ||
      (base == 10 && !negative && value == limit)) {
    throw rtl::EConvertError("'" + text + "' is not a valid integer value");
  }
  const uint32_t bits = static_cast<uint32_t>(value);
  return static_cast<TColor>(negative ? 0u - bits : bits);
}

}  // namespace gdi
