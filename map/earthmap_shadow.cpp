// Day and night on the map: the side of the globe away from the sun darkened, with a twilight
// band of twelve degrees below the horizon.
#include <cmath>

#include "map/earthmap.h"
#include "platform/gdi/dc.h"
#include "platform/gdi/shapes.h"
#include "platform/rtl/datetime.h"
#include "platform/rtl/rtlmath.h"

namespace {

// Twelve degrees below the horizon, in globe units along the sun's direction.
constexpr Extended kTwilight = 64'800'000;

// The point the sun stands over at time, as a unit vector.
TV3D SubsolarVector(double time) {
  int year = 0, month = 0, day = 0;
  rtl::DecodeDate(time, year, month, day);
  const double solstice = rtl::EncodeDate(year - 1, 12, 21);
  const double days = std::floor(time - solstice);
  // The days count from 21 December, when the sun stands over the Tropic of Capricorn, 23.44 S
  // (0.4333823 = tan 23.44 degrees): its declination is lowest at day 0, nothing at the
  // equinoxes and highest half a year on, over the Tropic of Cancer, which is -cos of the year's
  // angle (a sine would keep the sun over the equator at both solstices).
  const Extended declination =
      std::atan(0.4333823L * -std::cos(rtl::TwoPi * days / 365.24225L)) * 180 / rtl::Pi;
  const int64_t seconds = std::llround((time - std::floor(time)) * 86400);
  const int64_t minutes = std::llround(seconds * 0.25);  // minutes of arc
  const auto longitude = static_cast<int32_t>(-((minutes % 21600) - 10800) * 90000);
  // North is positive in globe units as in the declination: the point lies at +declination.
  const auto latitude = static_cast<int32_t>(std::llround(declination * GU_DEGREE));
  const TPoint3D p = Point3D(longitude, latitude, 0);
  return V3D(p.X / EARTHRADIUS, p.Y / EARTHRADIUS, p.Z / EARTHRADIUS);
}

uint8_t Towards(uint8_t channel, uint8_t target, int divisor) {
  return static_cast<uint8_t>(channel + (int(target) - int(channel)) / divisor);
}

}  // namespace

void TEarthMap::ApplyShadow(double time, gdi::TColor twilight, gdi::TColor night, int32_t spacing,
                            bool direct) {
  const TV3D sun = SubsolarVector(time);
  const gdi::COLORREF t = gdi::ColorToRGB(twilight), n = gdi::ColorToRGB(night);
  const int32_t step = std::max(spacing, 1);
  const int32_t w = earthCanvas_->Width(), h = earthCanvas_->Height();
  if (direct && !earthCanvas_->Bits()) return;
  for (int32_t y = 0; y < h; y += step) {
    for (int32_t x = 0; x < w; x += step) {
      if (!projection_->Model()->XYToLL(x, y, 0)) continue;
      const TPoint3D p = Point3D(gaPoints[0].X, gaPoints[0].Y, 0);
      const Extended dot = p.X * sun.X + p.Y * sun.Y + p.Z * sun.Z;
      if (dot > 0) continue;
      const gdi::COLORREF towards = dot >= -kTwilight ? t : n;
      const int divisor = dot >= -kTwilight ? 4 : 2;
      for (int32_t by = y; by < std::min(y + step, h); ++by) {
        for (int32_t bx = x; bx < std::min(x + step, w); ++bx) {
          if (direct) {
            // 24-bit rows, bottom row first, blue green red.
            uint8_t* px = earthCanvas_->Bits() + int64_t{h - 1 - by} * earthCanvas_->Stride() + bx * 3;
            px[0] = Towards(px[0], gdi::GetBValue(towards), divisor);
            px[1] = Towards(px[1], gdi::GetGValue(towards), divisor);
            px[2] = Towards(px[2], gdi::GetRValue(towards), divisor);
          } else {
            const gdi::COLORREF c = gdi::GetPixel(earthCanvas_->Handle(), bx, by);
            gdi::SetPixel(earthCanvas_->Handle(), bx, by,
                          gdi::RGB(Towards(gdi::GetRValue(c), gdi::GetRValue(towards), divisor),
                                   Towards(gdi::GetGValue(c), gdi::GetGValue(towards), divisor),
                                   Towards(gdi::GetBValue(c), gdi::GetBValue(towards), divisor)));
          }
        }
      }
    }
  }
}

void TEarthMap::Shade(double time, gdi::TColor twilight, gdi::TColor night, int32_t spacing,
                      bool direct) {
  // Drawing for a render (OnRender, a render onto another canvas, a paint without a back
  // buffer): into what the canvas draws into.
  if (suspended_ || (inPaint_ && !imageShown_)) {
    ApplyShadow(time, twilight, night, spacing, direct);
    return;
  }
  // Between paints, or in OnPaint after the window was given its image, the canvas holds the
  // window's DC: the shading goes to the back buffer all the same, or the next paint, which
  // makes what it shows from the back buffer, would show the map unshaded.
  if (!earthCanvas_->BackBuffer()) return;
  const gdi::HDC previous = earthCanvas_->HandleAllocated() ? earthCanvas_->Handle() : gdi::HDC{};
  earthCanvas_->SelectBMP(nullptr);
  ApplyShadow(time, twilight, night, spacing, direct);
  if (imageShown_) ShowImageWhole();
  earthCanvas_->ReleaseBMP(previous);
  earthCanvas_->RefreshDC();
}

void TEarthMap::RenderShadow(double time, gdi::TColor twilight, gdi::TColor night,
                             int32_t spacing) {
  Shade(time, twilight, night, spacing, false);
}

void TEarthMap::RenderDIBShadow(double time, gdi::TColor twilight, gdi::TColor night,
                                int32_t spacing) {
  Shade(time, twilight, night, spacing, true);
}
