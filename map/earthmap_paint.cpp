// The map control's painting: the back buffer, the window background and globe surface, the
// graticule, the layer passes and drawing onto another canvas.
#include <algorithm>
#include <cmath>
#include <utility>

#include "map/earthlayer.h"
#include "map/earthmap.h"
#include "platform/gdi/blit.h"
#include "platform/gdi/dc.h"
#include "platform/vcl/printers.h"
#include "platform/win/paint.h"

void TEarthMap::FireCanvasEvent(const rtl::TNotifyEvent& event) {
  if (!event) return;
  earthCanvas_->RefreshDC();
  event(this);
  earthCanvas_->RefreshDC();
}

void TEarthMap::Paint() {
  if (vcl::Printer()->Printing() || inPaint_) return;
  inPaint_ = true;
  bool drew = false;
  try {
    drew = PaintPasses();
  } catch (...) {
    // A layer, presenter or handler that raised leaves a control that paints again: the next
    // paint draws everything anew, the globe's near side first.
    inPaint_ = imageShown_ = false;
    redrawPending_ = true;
    projection_->SetBackFacePass(false);
    throw;
  }
  redrawPending_ = false;
  inPaint_ = imageShown_ = false;
  if (AbortRender)
    RedrawLayers();  // the interrupted render is done again at the next paint
  else if (drew)
    UpdateTotalMemoryInUse();  // only drawing loads objects
}

bool TEarthMap::PaintPasses() {
  AbortRender = false;
  const bool buffered = earthOptions_.Contains(goDoubleBuffered);
  vcl::TCanvas* window = Canvas();
  if (Parent()) {
    if (buffered)
      earthCanvas_->SelectBMP(window);
    else
      earthCanvas_->SetDC(window->Handle());
  }
  earthCanvas_->RefreshDC();
  const bool full = redrawPending_ || !buffered;
  if (full) {
    // The bars show the view drawn now, however it changed.
    UpdateScrollBars();
    PaintWindowBackground();
    RenderLayers();
    if (!AbortRender) FireCanvasEvent(OnRender);
  }
  if (Parent() && buffered) {
    // What the window is to show again is made from the back buffer and the animated layers in
    // the window's image and copied from it: the window's paint is clipped to that.
    gdi::RECT box{};
    gdi::GetClipBox(window->Handle(), &box);
    const bool drew = ComposeWindowImage(full, box);
    gdi::BitBlt(window->Handle(), 0, 0, earthCanvas_->Width(), earthCanvas_->Height(),
                earthCanvas_->Handle(), 0, 0, gdi::SRCCOPY);
    earthCanvas_->ReleaseBMP(window->Handle());
    earthCanvas_->RefreshDC();
    if (zoomBoxOpen_) DrawZoomBox();
    imageShown_ = true;
    if (!AbortRender) FireCanvasEvent(OnPaint);
    return drew;
  }
  if (zoomBoxOpen_) DrawZoomBox();
  layerStore_->Render(true);
  if (!AbortRender) FireCanvasEvent(OnPaint);
  return true;
}

namespace {

// Whether inner, when it holds anything, lies within outer.
bool Within(const gdi::RECT& inner, const gdi::RECT& outer) {
  return gdi::IsRectEmpty(&inner) || (inner.left >= outer.left && inner.top >= outer.top &&
                                      inner.right <= outer.right && inner.bottom <= outer.bottom);
}

}  // namespace

bool TEarthMap::ComposeWindowImage(bool whole, const gdi::RECT& box) {
  TEarthCanvas& c = *earthCanvas_;
  // Made by the paint before, which asked for this one to show it.
  const gdi::RECT made = std::exchange(madeForNextPaint_, gdi::RECT{});
  if (c.SelectFrontBuffer(true)) whole = true;
  const gdi::HDC dc = c.Handle();
  if (!whole && !imageStale_) {
    if (Within(box, made)) return false;
    // The animated layers are as drawn, the back buffer may have been drawn on since: the box is
    // made anew from it, the layers drawn again within the box alone (beyond it they are there).
    c.CopyBackToFront(&box);
    gdi::IntersectClipRect(dc, box.left, box.top, box.right, box.bottom);
    c.RefreshDC();
    layerStore_->Render(true);
    gdi::SelectClipRgn(dc, {});
    return true;
  }
  // Where the animated layers drew last goes back to the back buffer's pixels with the box.
  gdi::RECT area{};
  gdi::UnionRect(&area, &animatedBounds_, &box);
  c.CopyBackToFront(whole ? nullptr : &area);
  // Cleared first: a change while the layers draw asks for another paint.
  imageStale_ = false;
  gdi::SetBoundsRect(dc, nullptr, gdi::DCB_ENABLE | gdi::DCB_RESET);
  c.RefreshDC();
  layerStore_->Render(true);
  gdi::GetBoundsRect(dc, &animatedBounds_, gdi::DCB_RESET);
  gdi::SetBoundsRect(dc, nullptr, gdi::DCB_DISABLE);
  // This paint shows what was invalidated; where the layers drew beyond it is shown by the next.
  if (!whole && !Within(animatedBounds_, area) && HandleAllocated()) {
    madeForNextPaint_ = animatedBounds_;
    win::InvalidateRect(Handle(), &animatedBounds_, win::FALSE);
  }
  return true;
}

void TEarthMap::ShowImageWhole() {
  ComposeWindowImage(true, {});
  // Beyond the paint's clip too: the window shows the image the next paints make theirs from.
  const gdi::HDC dc = win::GetDC(Handle());
  gdi::BitBlt(dc, 0, 0, earthCanvas_->Width(), earthCanvas_->Height(), earthCanvas_->Handle(), 0, 0,
              gdi::SRCCOPY);
  if (zoomBoxOpen_) DrawZoomBox(dc);
  win::ReleaseDC(Handle(), dc);
}

void TEarthMap::InvalidateMap() {
  if (!earthOptions_.Contains(goDoubleBuffered) || !HandleAllocated()) {
    Invalidate();
    return;
  }
  if (imageStale_) return;  // a paint is on its way
  imageStale_ = true;
  if (redrawPending_) return;
  if (gdi::IsRectEmpty(&animatedBounds_)) {
    // Nothing of them shows yet: a paint without an area to copy draws them.
    const gdi::RECT none{};
    win::RedrawWindow(Handle(), &none, nullptr,
                      win::RDW_INVALIDATE | win::RDW_INTERNALPAINT | win::RDW_NOCHILDREN);
  } else {
    win::InvalidateRect(Handle(), &animatedBounds_, win::FALSE);
  }
}

void TEarthMap::RenderLayers() {
  TEarthProjection* p = projection_.get();
  if (earthOptions_.Contains(goTransparentGlobe)) {
    p->SetBackFacePass(true);
    layerStore_->Render(false);
    if (graticuleDrawMode_ != gdNone) PaintGraticule();
    p->SetBackFacePass(false);
  }
  if (graticuleDrawMode_ == gdBehind) PaintGraticule();
  layerStore_->Render(false);
  if (graticuleDrawMode_ == gdInFront) PaintGraticule();
}

void TEarthMap::PaintWindowBackground() {
  vcl::TBrush* brush = earthCanvas_->Brush();
  brush->SetColor(color_);
  brush->SetStyle(vcl::bsSolid);
  if (backgroundImage_->Empty()) {
    earthCanvas_->FillRect({0, 0, earthCanvas_->Width(), earthCanvas_->Height()});
  } else {
    const int32_t w = backgroundImage_->Width(), h = backgroundImage_->Height();
    for (int32_t x = 0; x <= earthCanvas_->Width() / w * w; x += w)
      for (int32_t y = 0; y <= earthCanvas_->Height() / h * h; y += h)
        earthCanvas_->Draw(x, y, backgroundImage_.get());
  }
  if (earthOptions_.Contains(goTransparentGlobe)) return;
  internalPen_->Define(surfaceColor_, psSolid, 1, TEarthUnitTypes::Pixel);
  internalPen_->RenderAttribute(earthCanvas_.get(), false);
  surfaceBrush_->Define(surfaceColor_, surfaceBrush_->BrushStyle());
  surfaceBrush_->RenderAttribute(earthCanvas_.get(), false);
  projection_->Model()->PaintSurface();
}

void TEarthMap::PaintGraticule() {
  (projection_->BackFacePass() ? transparentPen_ : graticulePen_)
      ->RenderAttribute(earthCanvas_.get(), false);
  gdi::SetBkMode(earthCanvas_->Handle(), gdi::TRANSPARENT);
  if (OnPaintGraticule)
    FireCanvasEvent(OnPaintGraticule);
  else
    projection_->Model()->PaintGraticule();
}

void TEarthMap::DrawZoomBox(gdi::HDC onto) {
  const gdi::RECT r{zoomBox_.Left, zoomBox_.Top, zoomBox_.Right, zoomBox_.Bottom};
  if (onto) {
    gdi::DrawFocusRect(onto, &r);
  } else if (inPaint_ && Canvas()->HandleAllocated()) {
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
  const gdi::HDC dc = target->Handle();
  // What the render sets aside of the control, and of the target its origin, comes back however
  // the render ends.
  struct SetAside {
    TEarthMap& map;
    gdi::HDC dc;
    TEarthDeviceRect view = map.viewRect_;
    TEarthOptionsSet options = map.earthOptions_;
    std::unique_ptr<TEarthProjection> projection;
    std::unique_ptr<TEarthCanvas> canvas;
    gdi::POINT origin{};
    ~SetAside() {
      gdi::SetViewportOrgEx(dc, origin.x, origin.y, nullptr);
      if (canvas) map.earthCanvas_ = std::move(canvas);
      if (projection) map.projection_ = std::move(projection);
      map.viewRect_ = view;
      map.earthOptions_ = options;
      map.suspended_ = false;
    }
  };
  {
    suspended_ = true;
    SetAside own{*this, dc};
    // Moved by the rectangle's corner from where the target has it (a paint box's canvas has
    // its origin at the box).
    gdi::OffsetViewportOrgEx(dc, rect.Left, rect.Top, &own.origin);
    // The clones are made while the control's own are in place (a canvas sizes the projection
    // it finds); the view rectangle is the window's and comes back with them.
    std::unique_ptr<TEarthProjection> projection = projection_->Clone();
    own.projection = std::exchange(projection_, std::move(projection));
    std::unique_ptr<TEarthCanvas> canvas = earthCanvas_->Clone();
    own.canvas = std::exchange(earthCanvas_, std::move(canvas));
    earthOptions_.Exclude(goInterruptable);
    // An abort meant for the window's render (or left by a drag between renders) does not stop
    // this one: the picture is drawn whole.
    AbortRender = false;
    const int32_t ppi = std::max(gdi::GetDeviceCaps(dc, gdi::LOGPIXELSY), 1);
    const int32_t w = rect.Right - rect.Left, h = rect.Bottom - rect.Top;
    if (useBitmap) {
      earthOptions_.Include(goDoubleBuffered);
      earthCanvas_->SizeBMP(w, h, ppi);
      earthCanvas_->SelectBMP(target);
    } else {
      // Sizes in pixels grow with the target's resolution, as they do on a bitmap of it.
      earthOptions_.Exclude(goDoubleBuffered);
      earthCanvas_->SetDC(dc);
      earthCanvas_->SizeDC(w, h, ppi);
    }
    earthCanvas_->RefreshDC();
    PaintWindowBackground();
    RenderLayers();
    FireCanvasEvent(OnRender);
    layerStore_->Render(true);
    FireCanvasEvent(OnPaint);
    if (useBitmap) {
      gdi::BitBlt(dc, 0, 0, w, h, earthCanvas_->Handle(), 0, 0, gdi::SRCCOPY);
      earthCanvas_->ReleaseBMP({});
    }
  }
  // The back buffer shows the window's view again at the next paint.
  RedrawLayers();
}

void TEarthMap::ShowBackBuffer() {
  if (!suspended_) TEarthMapBase::ShowBackBuffer();
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
