#include "platform/gdi/color.h"

#include <gtest/gtest.h>

#include "platform/rtl/exceptions.h"

namespace gdi {
namespace {

TEST(Color, SystemColoursResolveThroughTheTable) {
  EXPECT_EQ(ColorToRGB(clRed), COLORREF(0x0000FF));
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  EXPECT_EQ(ColorToRGB(clBtnFace), face);
  const int idx = COLOR_BTNFACE;
  const COLORREF pink = RGB(255, 0, 255);
  SetSysColors(1, &idx, &pink);
  EXPECT_EQ(ColorToRGB(clBtnFace), pink);
  ResetSysColors();
  EXPECT_EQ(ColorToRGB(clBtnFace), face);
}

TEST(Color, NamesRoundTrip) {
  EXPECT_EQ(ColorToString(clBlack), "clBlack");
  EXPECT_EQ(ColorToString(clSilver), "clSilver");  // first name of C0C0C0
  EXPECT_EQ(ColorToString(clBtnFace), "clBtnFace");
  EXPECT_EQ(ColorToString(0x00123456), "$00123456");
  EXPECT_EQ(StringToColor("clNavy"), clNavy);
  EXPECT_EQ(StringToColor("CLLTGRAY"), clLtGray);
  EXPECT_EQ(StringToColor("$00123456"), 0x00123456);
  EXPECT_EQ(StringToColor("255"), 255);
  EXPECT_EQ(StringToColor("$8000000F"), clBtnFace);
  EXPECT_THROW(StringToColor("clNoSuchColour"), rtl::EConvertError);
  EXPECT_THROW(StringToColor("$"), rtl::EConvertError);
  EXPECT_THROW(StringToColor("$1FFFFFFFF"), rtl::EConvertError);
}

TEST(Color, NativeValuesSwapRedAndBlue) {
  EXPECT_EQ(ColorToNative(RGB(1, 2, 3)), 0x010203u);
  EXPECT_EQ(NativeToColor(0x010203u), RGB(1, 2, 3));
  EXPECT_EQ(GetRValue(RGB(10, 20, 30)), 10);
  EXPECT_EQ(GetBValue(RGB(10, 20, 30)), 30);
}

}  // namespace
}  // namespace gdi
