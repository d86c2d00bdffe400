// The map control's painting: the back buffer, the window background and globe surface, the
// graticule, the layer passes, the drawing primitives and drawing onto another canvas.
#include <algorithm>
#include <cmath>
#include <utility>

#include "map/earthclasses_layer.h"
#include "map/earthmap.h"
#include "platform/gdi/blit.h"
#include "platform/gdi/dc.h"
#include "platform/vcl/printers.h"
#include "platform/win/paint.h"

namespace {

int32_t ScaledPart(int32_t from, int64_t delta, int32_t i, int32_t n) {
  return static_cast<int32_t>(from + std::llround(static_cast<double>(delta) * i / n));
}

}  // namespace

void TEarthMap::FireCanvasEvent(const rtl::TNotifyEvent& event) {
  if (!event) return;
  canvas_->RefreshDC();
  event(this);
  canvas_->RefreshDC();
}

void TEarthMap::Paint() {
  if (vcl::Printer()->Printing() || inPaint_) return;
  inPaint_ = true;
  AbortRender = false;
  const bool buffered = earthOptions_.Contains(goDoubleBuffered);
  vcl::TCanvas* window = Canvas();
  if (Parent()) {
    if (buffered)
      canvas_->SelectBMP(window);
    else
      canvas_->SetDC(window->Handle());
  }
  canvas_->RefreshDC();
  if (redrawPending_ || !buffered) {
    // The bars show the view drawn now, however it changed.
    UpdateScrollBars();
    PaintWindowBackground();
    RenderLayers();
    if (!AbortRender) FireCanvasEvent(OnRender);
  }
  if (Parent() && buffered) {
    gdi::BitBlt(window->Handle(), 0, 0, canvas_->Width(), canvas_->Height(), canvas_->Handle(), 0,
                0, gdi::SRCCOPY);
    canvas_->ReleaseBMP(window->Handle());
    canvas_->RefreshDC();
  }
  if (zoomBoxOpen_) DrawZoomBox();
  layerStore_->Render(true);
  if (!AbortRender) FireCanvasEvent(OnPaint);
  redrawPending_ = false;
  inPaint_ = false;
  if (!AbortRender)
    UpdateTotalMemoryInUse();
  else
    RedrawLayers();  // the interrupted render is done again at the next paint
}

void TEarthMap::RenderLayers() {
  TEarthProjection* p = projection_.get();
  if (earthOptions_.Contains(goTransparentGlobe)) {
    p->BackFacePass = true;
    layerStore_->Render(false);
    if (graticuleDrawMode_ != gdNone) PaintGraticule();
    p->BackFacePass = false;
  }
  if (graticuleDrawMode_ == gdBehind) PaintGraticule();
  layerStore_->Render(false);
  if (graticuleDrawMode_ == gdInFront) PaintGraticule();
}

void TEarthMap::PaintWindowBackground() {
  vcl::TBrush* brush = canvas_->Brush();
  brush->SetColor(color_);
  brush->SetStyle(vcl::bsSolid);
  if (backgroundImage_->Empty()) {
    canvas_->FillRect({0, 0, canvas_->Width(), canvas_->Height()});
  } else {
    const int32_t w = backgroundImage_->Width(), h = backgroundImage_->Height();
    for (int32_t x = 0; x <= canvas_->Width() / w * w; x += w)
      for (int32_t y = 0; y <= canvas_->Height() / h * h; y += h)
        canvas_->Draw(x, y, backgroundImage_.get());
  }
  if (earthOptions_.Contains(goTransparentGlobe)) return;
  internalPen_->Define(surfaceColor_, psSolid, 1, TEarthUnitTypes::Pixel);
  internalPen_->RenderAttribute(canvas_.get(), false);
  surfaceBrush_->Define(surfaceColor_, surfaceBrush_->BrushStyle());
  surfaceBrush_->RenderAttribute(canvas_.get(), false);
  projection_->Model()->PaintSurface();
}

void TEarthMap::PaintGraticule() {
  (projection_->BackFacePass ? transparentPen_ : graticulePen_)
      ->RenderAttribute(canvas_.get(), false);
  gdi::SetBkMode(canvas_->Handle(), gdi::TRANSPARENT);
  if (OnPaintGraticule)
    FireCanvasEvent(OnPaintGraticule);
  else
    projection_->Model()->PaintGraticule();
}

void TEarthMap::RenderPoints(const TPointLL* points, int32_t high, TEarthObjectStateSet state) {
  TChainStore chains;
  chains.SetStoreHeight(true);
  TPointStore* chain = chains.GetChain(0);
  for (int32_t i = 0; i <= high; ++i) chain->Add(points[i]);
  canvas_->RenderChainStore(chains, state, canvas_->Pen()->Width());
}

void TEarthMap::RenderPolygon(const TPointLL* points, int32_t high) {
  RenderPoints(points, high, {osClosed, osClipLeft, osClipTop, osClipRight, osClipBottom});
}

void TEarthMap::RenderPolyLine(const TPointLL* points, int32_t high) {
  RenderPoints(points, high, {osClipLeft, osClipTop, osClipRight, osClipBottom});
}

void TEarthMap::RenderLine(const TPointLL& from, const TPointLL& to, int32_t steps) {
  const int32_t n = std::max(steps, 1);
  const int64_t dLat = int64_t{to.iLatY} - from.iLatY;
  int64_t dLong = int64_t{to.iLongX} - from.iLongX;
  // Ends beyond 90 degrees on either side: the line crosses the 180th meridian.
  const int32_t q = from.iLongX / GU_90DEGREE;
  if (q != 0 && to.iLongX / GU_90DEGREE + q == 0) dLong = (GU_360DEGREE - std::llabs(dLong)) * q;
  const bool heights = from.iHeightZ != 0 || to.iHeightZ != 0;
  std::vector<TPointLL> points;
  for (int32_t i = 0; i <= n; ++i) {
    TPointLL p = PointLL(ScaledPart(from.iLongX, dLong, i, n), ScaledPart(from.iLatY, dLat, i, n));
    p.iLongX = Mod180(p.iLongX);
    p.iHeightZ = i == n ? to.iHeightZ : from.iHeightZ;
    points.push_back(p);
  }
  TChainStore chains;
  chains.SetStoreHeight(heights);
  SplitAtHorizon(points, chains, heights);
  if (chains.GetCount() == 0) return;
  TEarthObjectStateSet state{osBackFace, osFace};
  if (!projection_->Model()->VisibleMER(chains.ChainStoreMER(), state)) return;
  canvas_->RenderChainStore(chains, state, canvas_->Pen()->Width());
}

void TEarthMap::SplitAtHorizon(const std::vector<TPointLL>& points, TChainStore& chains,
                               bool heights) {
  // On the globe each stretch on the side being drawn is a line of its own, from the point
  // before it to the point after it (which the model turns into the crossings of the horizon):
  // one line through the other side would be drawn as a chord across the disc.
  TCustomProjectionModel* model = projection_->Model();
  const bool globe = projection_->Flags.Contains(pfContinuous);
  const auto drawn = [&](size_t i) { return !globe || model->PointLLToXY(points[i], 0); };
  TPointStore* chain = nullptr;
  bool previousDrawn = false;
  for (size_t i = 0; i < points.size(); ++i) {
    const bool now = drawn(i);
    if (now && !chain) {
      chain = chains.GetChain(chains.GetCount());
      chain->SetHeightFlag(heights);
      if (i > 0) chain->Add(points[i - 1]);
    }
    if (chain) chain->Add(points[i]);
    if (!now && previousDrawn) chain = nullptr;
    previousDrawn = now;
  }
}

void TEarthMap::RenderCircle(const TPointLL& centre, int32_t radius, int32_t steps) {
  if (steps < 3 || steps > 360) steps = 36;
  const TMatrix m = QuatToMatrix(AxisAngleToQuat(PointLLToV3D(centre), rtl::TwoPi / steps));
  TPointLL start = centre;
  start.iLatY = centre.iLatY + radius;
  canvas_->DrawVectorMatrixLine(PointLLToV3D(start), m, steps, centre.iHeightZ);
}

void TEarthMap::RenderGreatCircleLine(const TPointLL& from, const TPointLL& to, TGreatCircle kind) {
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
  canvas_->DrawVectorMatrixLine(kind == gcLongest ? b : a, m, steps, 0);
}

void TEarthMap::RenderTextOut(int32_t longitude, int32_t latitude, const std::string& text,
                              TEarthUnitTypes unit) {
  if (!projection_->Model()->LLToXY(longitude, latitude, 0)) return;
  vcl::TFont* f = canvas_->Font();
  textFont_->Define(f->Name(), f->Color(), f->Size(), unit, 0, {});
  textFont_->RenderAttribute(canvas_.get(), false);
  if (canvas_->FontRenderHeight(f->Size(), unit) < GetMinTextHeight()) return;
  gdi::SetBkMode(canvas_->Handle(), gdi::TRANSPARENT);
  canvas_->TextOut(gaPoints[0].X, gaPoints[0].Y, text);
}

void TEarthMap::DrawZoomBox() {
  const gdi::RECT r{zoomBox_.Left, zoomBox_.Top, zoomBox_.Right, zoomBox_.Bottom};
  if (inPaint_ && Canvas()->HandleAllocated()) {
    gdi::DrawFocusRect(Canvas()->Handle(), &r);
  } else if (HandleAllocated()) {
    // Between paints (the mouse moving) straight onto the window.
    const gdi::HDC dc = win::GetDC(Handle());
    gdi::DrawFocusRect(dc, &r);
    win::ReleaseDC(Handle(), dc);
  }
}

void TEarthMap::RenderToCanvas(vcl::TCanvas* target, const TEarthDeviceRect& rect, bool useBitmap) {
  if (suspended_ || !target) return;
  suspended_ = true;
  // The clones are made while the control's own are in place (a canvas sizes the projection
  // it finds); the view rectangle is the window's and comes back with them.
  std::unique_ptr<TEarthProjection> ownProjection = std::move(projection_);
  projection_ = ownProjection->Clone();
  std::unique_ptr<TEarthCanvas> clone = canvas_->Clone();
  std::unique_ptr<TEarthCanvas> ownCanvas = std::exchange(canvas_, std::move(clone));
  const TEarthDeviceRect ownView = viewRect_;
  const TEarthOptionsSet saved = earthOptions_;
  earthOptions_.Exclude(goInterruptable);
  const gdi::HDC dc = target->Handle();
  const int32_t ppi = std::max(gdi::GetDeviceCaps(dc, gdi::LOGPIXELSY), 1);
  gdi::POINT oldOrigin{};
  gdi::SetViewportOrgEx(dc, rect.Left, rect.Top, &oldOrigin);
  const int32_t w = rect.Right - rect.Left, h = rect.Bottom - rect.Top;
  if (useBitmap) {
    earthOptions_.Include(goDoubleBuffered);
    canvas_->SizeBMP(w, h, ppi);
    canvas_->SelectBMP(target);
  } else {
    earthOptions_.Exclude(goDoubleBuffered);
    canvas_->SetDC(dc);
    projection_->ResizeProjection(w, h);
    canvas_->SetSize(w, h);
  }
  canvas_->RefreshDC();
  PaintWindowBackground();
  RenderLayers();
  FireCanvasEvent(OnRender);
  layerStore_->Render(true);
  FireCanvasEvent(OnPaint);
  if (useBitmap) {
    gdi::BitBlt(dc, 0, 0, w, h, canvas_->Handle(), 0, 0, gdi::SRCCOPY);
    canvas_->ReleaseBMP({});
  }
  gdi::SetViewportOrgEx(dc, oldOrigin.x, oldOrigin.y, nullptr);
  canvas_ = std::move(ownCanvas);
  projection_ = std::move(ownProjection);
  viewRect_ = ownView;
  earthOptions_ = saved;
  suspended_ = false;
  // The back buffer shows the window's view again at the next paint.
  RedrawLayers();
}

std::unique_ptr<vcl::TBitmap> TEarthMap::GetBitmap(int32_t width, int32_t height) {
  auto bitmap = std::make_unique<vcl::TBitmap>();
  bitmap->SetPixelFormat(vcl::pf24bit);
  bitmap->SetSize(width, height);
  RenderToCanvas(bitmap->Canvas(), {0, 0, width, height}, true);
  return bitmap;
}

std::unique_ptr<vcl::TMetafile> TEarthMap::GetMetaFile(int32_t width, int32_t height,
                                                       bool enhanced) {
  auto metafile = std::make_unique<vcl::TMetafile>();
  metafile->SetSize(width, height);
  metafile->SetMMWidth(width * 26);
  metafile->SetMMHeight(height * 26);
  metafile->SetEnhanced(enhanced);
  const gdi::HDC reference = HandleAllocated() ? win::GetDC(Handle()) : gdi::HDC{};
  {
    vcl::TMetafileCanvas canvas(metafile.get(), reference, "TEarthMap");
    RenderToCanvas(&canvas, {0, 0, width, height}, false);
  }
  if (reference) win::ReleaseDC(Handle(), reference);
  return metafile;
}

std::unique_ptr<vcl::TMetafile> TEarthMap::GetMetaFileMM(int32_t widthMM, int32_t heightMM,
                                                         bool enhanced) {
  return GetMetaFile(widthMM * 100 / 26, heightMM * 100 / 26, enhanced);
}
