// Shared functions: the menu delay and its fallbacks, accelerator text, monitors, sounds and the
// halftone outline.
#include "docking/dkcommon.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <set>

#include "platform/gdi/dc.h"
#include "platform/gdi/shapes.h"
#include "platform/gdi/text.h"
#include "platform/rtl/registry.h"
#include "platform/vcl/bitmap.h"
#include "platform/vcl/forms.h"
#include "platform/win/paint.h"
#include "platform/win/sinks.h"
#include "tests/platform/vcl/vcltest.h"

namespace {

using namespace docking;

class Common : public vcltest::VclTest {
 protected:
  void SetUp() override {
    VclTest::SetUp();
    char pattern[] = "/tmp/dkcommon-XXXXXX";
    dir_ = mkdtemp(pattern);
    saved_ = rtl::RegistryFileName();
    rtl::SetRegistryFileName(dir_ + "/registry.ini");
    detail::ForgetMenuShowDelay();
  }
  void TearDown() override {
    rtl::SetRegistryFileName(saved_);
    std::filesystem::remove_all(dir_);
    detail::ForgetMenuShowDelay();
    VclTest::TearDown();
  }
  void WriteUserValue(const std::string& key, const std::string& name, const std::string& value,
                      bool asNumber = false) {
    rtl::TRegistry reg;
    reg.SetRootKey(rtl::HKEY_CURRENT_USER);
    ASSERT_TRUE(reg.OpenKey(key, true));
    asNumber ? reg.WriteInteger(name, std::stoi(value)) : reg.WriteString(name, value);
  }
  int DelayWithValue(const std::string& value, bool asNumber = false) {
    WriteUserValue("\\Control Panel\\Desktop", "MenuShowDelay", value, asNumber);
    detail::ForgetMenuShowDelay();
    return GetMenuShowDelay();
  }
  std::string dir_;
  std::string saved_;
};

TEST_F(Common, MenuDelayComesFromTheSystemThenTheRegistryThen400) {
  win::GetSettings().menuShowDelay = 250;
  EXPECT_EQ(GetMenuShowDelay(), 250);
  win::GetSettings().failing.insert(win::SPI_GETMENUSHOWDELAY);
  EXPECT_EQ(GetMenuShowDelay(), 400);  // no value anywhere
  EXPECT_EQ(DelayWithValue("120"), 120);
  EXPECT_EQ(DelayWithValue("abc"), 0);
  EXPECT_EQ(DelayWithValue("-5"), 0);
  EXPECT_EQ(DelayWithValue("120", true), 0);  // stored as a number, not as text
  // The registry value is read once and remembered.
  WriteUserValue("\\Control Panel\\Desktop", "MenuShowDelay", "99");
  EXPECT_EQ(GetMenuShowDelay(), 0);
  // An old platform has no such setting at all.
  win::GetSettings().version.major = 3;
  EXPECT_EQ(GetMenuShowDelay(), 400);
}

TEST_F(Common, AccelCharsAreStrippedAndEscaped) {
  EXPECT_EQ(StripAccelChars("&File"), "File");
  EXPECT_EQ(StripAccelChars("Save &As"), "Save As");
  EXPECT_EQ(StripAccelChars("Fish && Chips"), "Fish & Chips");
  EXPECT_EQ(StripAccelChars("end&"), "end");
  EXPECT_EQ(EscapeAmpersands("R&D & more"), "R&&D && more");
  EXPECT_EQ(FindAccelChar("E&xit"), 'x');
  EXPECT_EQ(FindAccelChar("&a&b"), 'b');
  EXPECT_EQ(FindAccelChar("A&&B"), 0);
  EXPECT_EQ(StripTrailingPunctuation("Save as..."), "Save as");
  EXPECT_EQ(StripTrailingPunctuation("Name:"), "Name");
  EXPECT_EQ(StripTrailingPunctuation("Wait...:"), "Wait...");
  EXPECT_EQ(StripTrailingPunctuation("Plain"), "Plain");
}

TEST_F(Common, EscapingThenStrippingGivesAnyUtf8TextBack) {
  std::mt19937 rng(24);
  std::uniform_int_distribution<int> len(0, 40);
  std::uniform_int_distribution<int> kind(0, 4);
  for (int round = 0; round < 2000; ++round) {
    std::string s;
    for (int i = len(rng); i > 0; --i) {
      uint32_t cp;
      switch (kind(rng)) {
        case 0:
          cp = '&';
          break;
        case 1:
          cp = 0x20 + rng() % 0x5F;
          break;
        case 2:
          cp = 0x80 + rng() % 0x780;
          break;
        case 3:
          cp = 0x800 + rng() % 0xD000;
          break;
        default:
          cp = 0x10000 + rng() % 0xFFFFF;
          break;
      }
      if (cp < 0x80) {
        s += char(cp);
      } else if (cp < 0x800) {
        s += char(0xC0 | (cp >> 6));
        s += char(0x80 | (cp & 0x3F));
      } else if (cp < 0x10000) {
        s += char(0xE0 | (cp >> 12));
        s += char(0x80 | ((cp >> 6) & 0x3F));
        s += char(0x80 | (cp & 0x3F));
      } else {
        s += char(0xF0 | (cp >> 18));
        s += char(0x80 | ((cp >> 12) & 0x3F));
        s += char(0x80 | ((cp >> 6) & 0x3F));
        s += char(0x80 | (cp & 0x3F));
      }
    }
    ASSERT_EQ(StripAccelChars(EscapeAmpersands(s)), s);
  }
}

TEST_F(Common, AHalftoneOutlinePairDrawnTwiceLeavesTheScreenAsItWas) {
  auto screen = win::ScreenSurface();
  HDC dc = win::GetDC(nullptr);
  RECT stripes{0, 0, 400, 300};
  gdi::FillRect(dc, &stripes, gdi::GetSysColorBrush(gdi::COLOR_HIGHLIGHT));
  RECT band{0, 100, 400, 130};
  gdi::FillRect(dc, &band, gdi::GetSysColorBrush(gdi::COLOR_WINDOW));
  const std::vector<uint8_t> before(screen->Bits(), screen->Bits() + screen->ByteSize());
  const RECT a{20, 20, 220, 120}, b{60, 80, 300, 260};
  DrawHalftoneInvertRect(dc, &a, &b, win::SIZE{4, 4}, win::SIZE{1, 1});
  EXPECT_NE(std::vector<uint8_t>(screen->Bits(), screen->Bits() + screen->ByteSize()), before);
  // Inside the thick frame every other pixel is inverted; the middle is untouched.
  EXPECT_NE(gdi::GetPixel(dc, 20, 20) == gdi::GetPixel(dc, 21, 20), true);
  EXPECT_EQ(gdi::GetPixel(dc, 120, 60), gdi::GetSysColor(gdi::COLOR_HIGHLIGHT));
  DrawHalftoneInvertRect(dc, &a, &b, win::SIZE{4, 4}, win::SIZE{1, 1});
  EXPECT_EQ(std::vector<uint8_t>(screen->Bits(), screen->Bits() + screen->ByteSize()), before);
  // Moved onto a place whose frame crosses its own, and erased: nothing left.
  DrawHalftoneInvertRect(dc, &a, nullptr, win::SIZE{4, 4}, win::SIZE{4, 4});
  DrawHalftoneInvertRect(dc, &b, &a, win::SIZE{4, 4}, win::SIZE{4, 4});
  DrawHalftoneInvertRect(dc, nullptr, &b, win::SIZE{4, 4}, win::SIZE{4, 4});
  EXPECT_EQ(std::vector<uint8_t>(screen->Bits(), screen->Bits() + screen->ByteSize()), before);
  // An empty rectangle has no frame.
  const RECT empty{50, 50, 50, 90};
  DrawHalftoneInvertRect(dc, &empty, nullptr, win::SIZE{1, 1}, win::SIZE{1, 1});
  EXPECT_EQ(std::vector<uint8_t>(screen->Bits(), screen->Bits() + screen->ByteSize()), before);
  win::ReleaseDC(nullptr, dc);
}

TEST_F(Common, MonitorsFallBackToThePrimaryWhenTheFunctionsAreMissing) {
  auto& s = win::GetSettings();
  s.monitors = {win::Monitor{RECT{0, 0, 1280, 800}, RECT{0, 0, 1280, 770}},
                win::Monitor{RECT{1280, 0, 2304, 768}, RECT{1280, 30, 2304, 768}}};
  EXPECT_TRUE(UsingMultipleMonitors());
  EXPECT_EQ(GetRectOfMonitorContainingPoint(POINT{2000, 10}, true), (RECT{1280, 30, 2304, 768}));
  EXPECT_EQ(GetRectOfMonitorContainingPoint(POINT{3000, 10}, false), (RECT{1280, 0, 2304, 768}));
  EXPECT_EQ(GetRectOfMonitorContainingRect(RECT{100, 100, 200, 200}, true),
            (RECT{0, 0, 1280, 770}));
  s.missingEntryPoints = {"MonitorFromRect", "MonitorFromPoint", "MonitorFromWindow",
                          "GetMonitorInfoA"};
  EXPECT_FALSE(UsingMultipleMonitors());
  EXPECT_EQ(GetRectOfMonitorContainingPoint(POINT{2000, 10}, true), (RECT{0, 0, 1280, 770}));
  s.failing.insert(win::SPI_GETWORKAREA);
  EXPECT_EQ(GetRectOfPrimaryMonitor(true), (RECT{0, 0, 1280, 800}));
}

TEST_F(Common, SoundsArePlayedWhereTheSchemeHasThem) {
  auto& v = win::GetSettings().version;
  EXPECT_FALSE(NeedToPlaySound("MenuPopup"));
  WriteUserValue("\\AppEvents\\Schemes\\Apps\\.Default\\MenuPopup\\.Current", "", "1", true);
  EXPECT_TRUE(NeedToPlaySound("MenuPopup")) << "a number is not empty";
  WriteUserValue("\\AppEvents\\Schemes\\Apps\\.Default\\MenuPopup\\.Current", "", "popup.wav");
  EXPECT_TRUE(NeedToPlaySound("MenuPopup"));
  v.major = 4;
  EXPECT_TRUE(NeedToPlaySound("MenuCommand"));
  v.major = 6;
  win::ClearSinks();
  PlaySystemSound("MenuCommand");
  ASSERT_EQ(win::SoundLog().size(), 1u);
  EXPECT_EQ(win::SoundLog()[0].alias, "MenuCommand");
  EXPECT_EQ(win::SoundLog()[0].flags,
            win::SND_ALIAS | win::SND_ASYNC | win::SND_NODEFAULT | win::SND_SYSTEM);
}

TEST_F(Common, OptionalFunctionsAreUsedOnlyWhenPresent) {
  auto& s = win::GetSettings();
  HDC dc = win::GetDC(nullptr);
  const RECT r{0, 0, 100, 10};
  FillRectWithGradient(dc, r, gdi::RGB(0, 0, 0), gdi::RGB(255, 255, 255), true);
  EXPECT_EQ(gdi::GetPixel(dc, 0, 5), gdi::RGB(0, 0, 0));
  EXPECT_GT(gdi::GetRValue(gdi::GetPixel(dc, 99, 5)), 240);
  gdi::FillRect(dc, &r, gdi::GetSysColorBrush(gdi::COLOR_WINDOW));
  s.missingEntryPoints.insert("GradientFill");
  EXPECT_FALSE(IsFillRectWithGradientAvailable());
  FillRectWithGradient(dc, r, gdi::RGB(0, 0, 0), gdi::RGB(255, 255, 255), true);
  EXPECT_EQ(gdi::GetPixel(dc, 0, 5), gdi::GetSysColor(gdi::COLOR_WINDOW));
  win::ReleaseDC(nullptr, dc);
  EXPECT_TRUE(CallTrackMouseEvent(app->Handle(), win::TME_LEAVE));
  s.missingEntryPoints.insert("TrackMouseEvent");
  s.missingEntryPoints.insert("_TrackMouseEvent");
  EXPECT_FALSE(CallTrackMouseEvent(app->Handle(), win::TME_LEAVE));
  CallLockSetForegroundWindow(true);
  EXPECT_TRUE(win::IsForegroundLocked());
  CallLockSetForegroundWindow(false);
  s.missingEntryPoints.insert("LockSetForegroundWindow");
  CallLockSetForegroundWindow(true);
  EXPECT_FALSE(win::IsForegroundLocked());
  s.keyboardCodePage = 0;
  EXPECT_EQ(GetInputLocaleCodePage(), 0u);
}

TEST_F(Common, BeforeVersion6TheSmallCaptionIsThePlatformsWithTheWindowsText) {
  vcl::TForm* form = nullptr;
  app->CreateForm(form);
  form->SetCaption("Mainsail");
  auto picture = [&](const std::string& caption) {
    vcl::TBitmap bmp;
    bmp.SetSize(120, 18);
    DrawSmallWindowCaption(form->Handle(), bmp.Canvas()->Handle(), RECT{0, 0, 120, 18}, caption,
                           true);
    std::vector<win::COLORREF> pixels;
    for (int y = 0; y < 18; ++y)
      for (int x = 0; x < 120; ++x) pixels.push_back(gdi::GetPixel(bmp.Canvas()->Handle(), x, y));
    return pixels;
  };
  const win::COLORREF text = gdi::GetSysColor(gdi::COLOR_CAPTIONTEXT);
  auto inked = [&](const std::vector<win::COLORREF>& p) { return std::count(p.begin(), p.end(), text); };
  ASSERT_EQ(win::GetSettings().version.major, 5);
  const auto platform = picture("");
  EXPECT_GT(inked(platform), 10);
  // From version 6 it is drawn by hand with the caption given, and looks the same.
  win::GetSettings().version.major = 6;
  EXPECT_EQ(inked(picture("")), 0);
  EXPECT_EQ(picture("Mainsail"), platform);
}

// The ink of a 200 x 300 white picture with S drawn by DrawRotatedText in (60, 40)-(100, 260).
struct Ink {
  std::vector<bool> dark;
  int minX = 1 << 30, minY = 1 << 30, maxX = -1, maxY = -1;
};
Ink RotatedInk(const std::string& s, unsigned format) {
  vcl::TBitmap bmp;
  bmp.SetSize(200, 300);
  bmp.Canvas()->Brush()->SetColor(gdi::clWhite);
  bmp.Canvas()->FillRect(vcl::TRect{0, 0, 200, 300});
  HDC dc = bmp.Canvas()->Handle();
  gdi::LOGFONT lf;
  lf.lfHeight = -13;
  lf.lfFaceName = "Arial";
  gdi::HFONT f = gdi::CreateFontIndirect(&lf);
  gdi::HGDIOBJ old = gdi::SelectObject(dc, f);
  gdi::SetTextColor(dc, gdi::RGB(0, 0, 0));
  gdi::SetBkMode(dc, gdi::TRANSPARENT);
  DrawRotatedText(dc, s, RECT{60, 40, 100, 260}, format);
  Ink ink;
  for (int y = 0; y < 300; ++y)
    for (int x = 0; x < 200; ++x) {
      const bool d = gdi::GetRValue(gdi::GetPixel(dc, x, y)) < 128;
      ink.dark.push_back(d);
      if (!d) continue;
      ink.minX = std::min(ink.minX, x), ink.maxX = std::max(ink.maxX, x);
      ink.minY = std::min(ink.minY, y), ink.maxY = std::max(ink.maxY, y);
    }
  gdi::SelectObject(dc, old);
  gdi::DeleteObject(f);
  return ink;
}

TEST_F(Common, RotatedTextRunsDownwardsCentredWithItsAcceleratorUnderlined) {
  const Ink plain = RotatedInk("&Wind speed", gdi::DT_HIDEPREFIX);
  ASSERT_GE(plain.maxX, 0);
  // Running downwards: taller than wide, centred on (80, 150).
  EXPECT_GT(plain.maxY - plain.minY, 3 * (plain.maxX - plain.minX));
  EXPECT_NEAR((plain.minX + plain.maxX) / 2.0, 80, 4);
  EXPECT_NEAR((plain.minY + plain.maxY) / 2.0, 150, 4);
  // The underline is the only difference: one column of pixels beside the first letter, at
  // the start of the text.
  const Ink marked = RotatedInk("&Wind speed", 0);
  std::set<int> columns;
  int firstY = 1 << 30, lastY = -1;
  for (int i = 0; i < 200 * 300; ++i)
    if (marked.dark[i] != plain.dark[i]) {
      columns.insert(i % 200);
      firstY = std::min(firstY, i / 200), lastY = std::max(lastY, i / 200);
    }
  ASSERT_EQ(columns.size(), 1u);
  // Just past the baseline of the "W": left of its ink, running down.
  int wLeft = 1 << 30;
  for (int y = firstY; y <= lastY; ++y)
    for (int x = 0; x < 200; ++x)
      if (plain.dark[y * 200 + x]) wLeft = std::min(wLeft, x);
  EXPECT_LT(*columns.begin(), wLeft);
  EXPECT_GE(*columns.begin(), wLeft - 2);
  EXPECT_NEAR(firstY, plain.minY, 2);
  EXPECT_GT(lastY - firstY, 5);  // as long as the "W"
  EXPECT_LT(lastY - firstY, 20);
}

TEST_F(Common, ARotatedFontReplacesARasterFace) {
  vcl::TBitmap bmp;
  bmp.SetSize(10, 10);
  HDC dc = bmp.Canvas()->Handle();
  gdi::LOGFONT lf;
  lf.lfHeight = 16;
  lf.lfFaceName = "MS Sans Serif";
  gdi::HFONT f = gdi::CreateFontIndirect(&lf);
  gdi::HGDIOBJ old = gdi::SelectObject(dc, f);
  auto rotated = [&] {
    gdi::HFONT r = CreateRotatedFont(dc);
    gdi::LOGFONT out;
    gdi::GetObject(r, sizeof out, &out);
    gdi::DeleteObject(r);
    return out;
  };
  gdi::LOGFONT r = rotated();
  EXPECT_EQ(r.lfFaceName, "Tahoma");
  EXPECT_EQ(r.lfEscapement, 2700);
  EXPECT_EQ(r.lfOrientation, 2700);
  EXPECT_LT(r.lfHeight, 0);  // a character height now
  EXPECT_GE(r.lfHeight, -16);
  win::GetSettings().version.major = 4;
  EXPECT_EQ(rotated().lfFaceName, "Arial");
  gdi::SelectObject(dc, old);
  gdi::DeleteObject(f);
  EXPECT_EQ(GetTextWidth(dc, "&&A&b", true), GetTextWidth(dc, "&Ab", false));
  EXPECT_EQ(CharToLower('Q'), 'q');
  EXPECT_EQ(CharToLower('7'), '7');
}

}  // namespace
