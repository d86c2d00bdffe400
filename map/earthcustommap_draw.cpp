// The drawing primitives of every map: polygons, lines, circles, great circles and text through
// the canvas, in the projection the map has.
#include <algorithm>
#include <cmath>

#include "map/earthcanvas.h"
#include "map/earthcustommap.h"

namespace {

int32_t ScaledPart(int32_t from, int64_t delta, int32_t i, int32_t n) {
  return static_cast<int32_t>(from + std::llround(static_cast<double>(delta) * i / n));
}

}  // namespace

void TCustomEarthMap::RenderPoints(const TPointLL* points, int32_t high,
                                   TEarthObjectStateSet state) {
  TChainStore chains;
  chains.SetStoreHeight(true);
  TPointStore* chain = chains.GetChain(0);
  for (int32_t i = 0; i <= high; ++i) chain->Add(points[i]);
  earthCanvas_->RenderChainStore(chains, state, earthCanvas_->Pen()->Width());
}

void TCustomEarthMap::RenderPolygon(const TPointLL* points, int32_t high) {
  RenderPoints(points, high, {osClosed, osClipLeft, osClipTop, osClipRight, osClipBottom});
}

void TCustomEarthMap::RenderPolyLine(const TPointLL* points, int32_t high) {
  RenderPoints(points, high, {osClipLeft, osClipTop, osClipRight, osClipBottom});
}

void TCustomEarthMap::RenderLine(const TPointLL& from, const TPointLL& to, int32_t steps) {
  const int32_t n = std::max(steps, 1);
  const int64_t dLat = int64_t{to.iLatY} - from.iLatY;
  // Ends beyond 90 degrees on either side: the line crosses the 180th meridian, as the canvas
  // and the line's extent take such a step.
  const int64_t dLong = LongStep(from.iLongX, to.iLongX);
  const bool heights = from.iHeightZ != 0 || to.iHeightZ != 0;
  TChainStore chains;
  chains.SetStoreHeight(heights);
  TPointStore* chain = chains.GetChain(0);
  chain->SetHeightFlag(heights);
  for (int32_t i = 0; i <= n; ++i) {
    TPointLL p = PointLL(ScaledPart(from.iLongX, dLong, i, n), ScaledPart(from.iLatY, dLat, i, n));
    p.iLongX = Mod180(p.iLongX);
    p.iHeightZ = i == n ? to.iHeightZ : from.iHeightZ;
    chain->Add(p);
  }
  TEarthObjectStateSet state{osBackFace, osFace};
  if (!projection_->Model()->VisibleMER(chains.ChainStoreMER(), state)) return;
  earthCanvas_->RenderChainStore(chains, state, earthCanvas_->Pen()->Width());
}

void TCustomEarthMap::RenderCircle(const TPointLL& centre, int32_t radius, int32_t steps) {
  if (steps < 3 || steps > 360) steps = 36;
  const TMatrix m = QuatToMatrix(AxisAngleToQuat(PointLLToV3D(centre), rtl::TwoPi / steps));
  TPointLL start = centre;
  // Along the meridian, past the pole and on round: a whole turn is no further.
  start.iLatY =
      Mod180(static_cast<int32_t>((int64_t{centre.iLatY} + radius) % GU_360DEGREE));
  earthCanvas_->DrawVectorMatrixLine(PointLLToV3D(start), m, steps, centre.iHeightZ);
}

void TCustomEarthMap::RenderGreatCircleLine(const TPointLL& from, const TPointLL& to,
                                            TGreatCircle kind) {
  const TV3D a = PointLLToV3D(from), b = PointLLToV3D(to);
  const Extended between = std::acos(std::clamp<Extended>(V3DDot(a, b), -1, 1));
  const Extended angle = kind == gcShortest  ? between
                         : kind == gcLongest ? rtl::TwoPi - between
                                             : rtl::TwoPi;
  const auto steps = static_cast<int32_t>(angle / (rtl::Pi / 180));
  if (steps == 0) {
    RenderLine(from, to, 1);
    return;
  }
  // a x b has the length of the sine of the angle: a unit axis keeps the quaternion a rotation.
  TV3D axis = V3DCross(a, b);
  if (V3DDot(axis, axis) < 1e-24L) {
    // Ends on one line through the centre: any axis at right angles to a.
    axis = std::fabs(a.X) < 0.9L ? V3DCross(a, V3D(1, 0, 0)) : V3DCross(a, V3D(0, 1, 0));
  }
  V3DNormalize(axis);
  const TMatrix m = QuatToMatrix(AxisAngleToQuat(axis, -angle / steps));
  earthCanvas_->DrawVectorMatrixLine(kind == gcLongest ? b : a, m, steps, 0);
}

void TCustomEarthMap::RenderTextOut(int32_t longitude, int32_t latitude, const std::string& text,
                                    TEarthUnitTypes unit) {
  if (!projection_->Model()->LLToXY(longitude, latitude, 0)) return;
  vcl::TFont* f = earthCanvas_->Font();
  textFont_->Define(f->Name(), f->Color(), f->Size(), unit, 0, {});
  textFont_->RenderAttribute(earthCanvas_.get(), false);
  if (earthCanvas_->FontRenderHeight(f->Size(), unit) < GetMinTextHeight()) return;
  gdi::SetBkMode(earthCanvas_->Handle(), gdi::TRANSPARENT);
  earthCanvas_->TextOut(gaPoints[0].X, gaPoints[0].Y, text);
}
