// The map control's view: zoom to a box, pan, centre on a position, the scroll bars, and the
// mouse (zoom box, turning the globe, selecting objects).
#include <algorithm>
#include <cmath>

#include "map/earthlayer.h"
#include "map/earthmap.h"
#include "platform/win/input.h"
#include "platform/win/messages.h"
#include "platform/win/scrollbar.h"
#include "platform/win/settings.h"

namespace {

int32_t RoundInt(Extended v) {
  return SaturateToInt32(std::nearbyint(v));
}

constexpr int32_t kMaxScrollValue = 1'073'741'823;

bool NoModifiers(vcl::TShiftState shift) {
  return (shift & (vcl::ssShift | vcl::ssAlt | vcl::ssCtrl | vcl::ssDouble)) == 0;
}

std::uint8_t ButtonBit(vcl::TMouseButton button) {
  return static_cast<std::uint8_t>(1u << button);
}

bool IsButton(vcl::TMouseButton button, TEarthMouseButton which) {
  return which != mzbNone && static_cast<int>(button) == static_cast<int>(which);
}

// The range, page and position of one bar.
struct TBarInfo {
  int32_t min = 0;
  int32_t max = 0;
  int32_t page = 0;
  int32_t position = 0;
};

void SetBar(win::HWND h, int bar, const TBarInfo& b) {
  win::SCROLLINFO si;
  si.fMask = win::SIF_RANGE | win::SIF_PAGE | win::SIF_POS | win::SIF_DISABLENOSCROLL;
  si.nMin = b.min;
  si.nMax = b.max;
  si.nPage = static_cast<win::UINT>(std::max(b.page, 0));
  si.nPos = b.position;
  win::SetScrollInfo(h, bar, &si, win::TRUE);
}

}  // namespace

void TEarthMap::SetViewRect(const TEarthDeviceRect& rect) {
  // The rectangle is left, top, width, height in globe units from the device origin.
  TEarthProjection* p = projection_.get();
  const int32_t width = rect.Right, height = rect.Bottom;
  if (width == 0 || height == 0) {
    p->SetScaleFactor(0);
  } else {
    try {
      const Extended cw = earthCanvas_->Width(), ch = earthCanvas_->Height();
      Extended s = std::min(cw / width, ch / height);
      s = std::min<Extended>(s, 3.0L);  // at most 3 pixels a globe unit
      if (std::max(cw, ch) / s > 2147483647.0L) s = std::max(cw, ch) / 2147483647.0L;
      const Extended old = p->ScaleFactor();
      // The rectangle's middle goes to the window's middle; worked wide, as an origin far out
      // and a large step of scale take it past 32 bits (the projection holds it in reach).
      const auto origin = [&](int32_t now, int32_t start, int32_t extent, int32_t size) {
        return RoundInt(std::nearbyint((now / old - (Extended(start) + extent / 2)) * s) +
                        size / 2);
      };
      const int32_t x0 = origin(p->XOrigin(), rect.Left, width, earthCanvas_->Width());
      const int32_t y0 = origin(p->YOrigin(), rect.Top, height, earthCanvas_->Height());
      if (s != p->ScaleFactor()) {
        viewRect_ = {0, 0, RoundInt(cw / s), RoundInt(ch / s)};
        p->SetScaleFactor(s);
        p->SetIntegerProp(ppXOrigin, x0);
        p->SetIntegerProp(ppYOrigin, y0);
        if (OnZoomed && !Loading()) OnZoomed(this);
      }
    } catch (const std::exception&) {
      // The view stays as far as it got.
    }
  }
  UpdateScrollBars();
}

void TEarthMap::PanViewXY(int32_t dx, int32_t dy) {
  TEarthProjection* p = projection_.get();
  if (dx != 0 || dy != 0) {
    // The step is rounded, not the new origin: a pan and the pan back give the view back.
    p->SetIntegerProp(ppXOrigin, SaturateToInt32(Extended(p->XOrigin()) -
                                                 RoundInt(dx * p->ScaleFactor())));
    p->SetIntegerProp(ppYOrigin, SaturateToInt32(Extended(p->YOrigin()) -
                                                 RoundInt(dy * p->ScaleFactor())));
    if (OnPanned && !Loading()) OnPanned(this);
  }
  UpdateScrollBars();
  RedrawLayers();
}

void TEarthMap::LocateToLL(int32_t longitude, int32_t latitude) {
  projection_->LocateCenter(Mod180(longitude) * GU_TODECIMALDEGREES,
                            latitude * GU_TODECIMALDEGREES);
}

void TEarthMap::LocateToObject(TEarthObject* object) {
  if (!object) return;
  const TMER m = object->GetObjectMER();
  LocateToLL(m.iLongX + m.iWidthX / 2, m.iLatY + m.iHeightY / 2);
}

void TEarthMap::UpdateScrollBars() {
  if (suspended_ || !Parent() || !HandleAllocated()) return;
  TEarthProjection* p = projection_.get();
  const Extended sf = p->ScaleFactor();
  if (!(sf > 0)) return;
  const TMER e = p->ExtentsLL();  // left, top, right, bottom
  const int32_t cw = earthCanvas_->Width(), ch = earthCanvas_->Height();
  const auto hold = [](Extended v) {
    return std::clamp<Extended>(v, -kMaxScrollValue, kMaxScrollValue);
  };

  // Vertical.
  Extended lo = e.iLatY, hi = e.iHeightY;
  if (p->UseMinMaxLimits) {
    lo = std::max(lo, std::nearbyint(p->MinLatitude * GU_DEGREE));
    hi = std::min(hi, std::nearbyint(p->MaxLatitude * GU_DEGREE));
  }
  TBarInfo v;
  v.page = std::min<int32_t>(GU_180DEGREE, viewRect_.Bottom);
  Extended half = v.page / 2.0L;
  v.min = RoundInt(hold(std::max<Extended>(lo, -GU_90DEGREE)));
  v.max = RoundInt(hold(std::min<Extended>(hi, GU_90DEGREE)));
  Extended c = (Extended(p->YOrigin()) - ch / 2) / sf;
  c = std::max<Extended>(std::min<Extended>(c, v.max - half), v.min + half);
  if (p->UseMinMaxLimits) {
    if (v.max - v.min < v.page) {
      // Equal limits leave nothing to divide by: the scale stays.
      if (v.max > v.min) p->SetScaleFactor(Extended(ch) / (Extended(v.max) - v.min));
      return;
    }
    p->SetIntegerProp(ppYOrigin, RoundInt(c * sf + ch / 2));
  }
  v.position = RoundInt(hold(Extended(v.max) + v.min - std::nearbyint(half + c)));
  if (scrollBars_ == vcl::ssVertical || scrollBars_ == vcl::ssBoth)
    SetBar(Handle(), win::SB_VERT, v);

  // Horizontal.
  lo = e.iLongX;
  hi = e.iWidthX;
  if (p->UseMinMaxLimits) {
    lo = std::max(lo, std::nearbyint(p->MinLongitude * GU_DEGREE));
    hi = std::min(hi, std::nearbyint(p->MaxLongitude * GU_DEGREE));
  }
  TBarInfo h;
  h.page = std::min<int32_t>(GU_360DEGREE, viewRect_.Right);
  half = h.page / 2.0L;
  h.min = RoundInt(hold(std::max<Extended>(lo, -GU_180DEGREE)));
  h.max = RoundInt(hold(std::min<Extended>(hi, GU_180DEGREE)));
  c = (Extended(cw / 2) - p->XOrigin()) / sf;
  c = std::max<Extended>(std::min<Extended>(c, h.max - half), h.min + half);
  if (p->UseMinMaxLimits) {
    if (h.max - h.min < h.page) {
      if (h.max > h.min) p->SetScaleFactor(Extended(cw) / (Extended(h.max) - h.min));
      return;
    }
    p->SetIntegerProp(ppXOrigin, RoundInt(cw / 2 - c * sf));
  }
  h.position = RoundInt(hold(-std::nearbyint(half - c)));
  if (scrollBars_ == vcl::ssHorizontal || scrollBars_ == vcl::ssBoth)
    SetBar(Handle(), win::SB_HORZ, h);
}

void TEarthMap::Scroll(bool vertical, int code) {
  win::SCROLLINFO si;
  si.fMask = win::SIF_ALL;
  win::GetScrollInfo(Handle(), vertical ? win::SB_VERT : win::SB_HORZ, &si);
  const auto page = static_cast<int32_t>(si.nPage);
  int32_t d = 0;
  switch (code) {
    case win::SB_LINEUP:
      d = -(page / 20);
      break;
    case win::SB_LINEDOWN:
      d = page / 20;
      break;
    case win::SB_PAGEUP:
      d = -(page >> 1);
      break;
    case win::SB_PAGEDOWN:
      d = page >> 1;
      break;
    case win::SB_THUMBTRACK:
      d = si.nTrackPos - si.nPos;
      break;
    default:
      return;
  }
  if (vertical)
    PanViewXY(0, d);
  else
    PanViewXY(d, 0);
}

void TEarthMap::WndProc(vcl::TMessage& m) {
  switch (m.Msg) {
    case win::WM_HSCROLL:
    case win::WM_VSCROLL:
      // A scroll bar control sends its own handle; the window's bars send none.
      if (m.LParam != 0) break;
      Scroll(m.Msg == win::WM_VSCROLL, static_cast<int>(m.WParam & 0xFFFF));
      return;
    case win::WM_ERASEBKGND:
      m.Result = 1;
      return;
    case win::WM_SYSCOLORCHANGE:
      RedrawLayers();
      break;
    case vcl::CM_MOUSEENTER:
      if (OnMouseEnter) OnMouseEnter(this);
      break;
    case vcl::CM_MOUSELEAVE:
      if (OnMouseLeave) OnMouseLeave(this);
      break;
    default:
      break;
  }
  TEarthMapBase::WndProc(m);
}

vcl::TRect TEarthMap::ClientRect() const {
  // Worked out from the bar style rather than asked of the window, so that it holds before the
  // window exists; the bars are always shown (greyed when there is nothing to scroll).
  const bool vertical = scrollBars_ == vcl::ssVertical || scrollBars_ == vcl::ssBoth;
  const bool horizontal = scrollBars_ == vcl::ssHorizontal || scrollBars_ == vcl::ssBoth;
  const int w = Width() - (vertical ? win::GetSystemMetrics(win::SM_CXVSCROLL) : 0);
  const int h = Height() - (horizontal ? win::GetSystemMetrics(win::SM_CYHSCROLL) : 0);
  return {0, 0, std::max(w, 0), std::max(h, 0)};
}

void TEarthMap::Resize() {
  // The back buffer follows the client area.
  const vcl::TRect r = ClientRect();
  const int32_t w = r.right - r.left, h = r.bottom - r.top;
  if (earthCanvas_ && w > 0 && h > 0) {
    earthCanvas_->SizeBMP(w, h, earthCanvas_->DevicePixelsPerInch());
    if (ComponentState() & rtl::csDesigning) projection_->SetEarthCenterXY({w / 2, h / 2});
    RedrawLayers();
  }
  TEarthMapBase::Resize();
}

void TEarthMap::MouseDown(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) {
  pressed_ |= ButtonBit(button);
  if (zoomBoxOpen_) {
    zoomBoxOpen_ = false;
    win::ReleaseCapture();
    Invalidate();
    return;
  }
  TEarthMapBase::MouseDown(button, shift, x, y);
  if (!NoModifiers(shift)) return;
  if (IsButton(button, MouseZoomButton)) {
    zoomBox_ = {x, y, x + 1, y + 1};
    zoomBoxOpen_ = true;
    if (HandleAllocated()) win::SetCapture(Handle());
  } else if (IsButton(button, MouseRotateButton) && projection_->DeviceXYToLL(x, y, grabbed_)) {
    rotating_ = true;
    if (HandleAllocated()) win::SetCapture(Handle());
  }
}

void TEarthMap::MouseMove(vcl::TShiftState shift, int x, int y) {
  if (zoomBoxOpen_) {
    DrawZoomBox();
    zoomBox_.Right = x;
    zoomBox_.Bottom = y;
    DrawZoomBox();
    if (earthOptions_.Contains(goInterruptable)) AbortRender = true;
  }
  TPointLL at;
  if (rotating_ && projection_->DeviceXYToLL(x, y, at)) {
    TEarthProjection* p = projection_.get();
    // One turn by the differences leaves a tilted globe a few pixels off; the same step
    // repeated settles the grabbed point under the cursor.
    const Extended halfPixel = 0.5L / p->ScaleFactor();
    for (int pass = 0; pass < 4; ++pass) {
      const Extended dLat = (Extended(grabbed_.iLatY) - at.iLatY) * GU_TODECIMALDEGREES;
      const Extended dLong = Mod180(grabbed_.iLongX - at.iLongX) * GU_TODECIMALDEGREES;
      p->SetFloatProp(ppXRotation, p->XRotation() + dLat);
      p->SetFloatProp(ppYRotation, p->YRotation() + dLong);
      if (!p->DeviceXYToLL(x, y, at)) break;
      if (std::fabs(Extended(grabbed_.iLatY) - at.iLatY) < halfPixel &&
          std::fabs(Extended(Mod180(grabbed_.iLongX - at.iLongX))) < halfPixel)
        break;
    }
    if (earthOptions_.Contains(goInterruptable)) AbortRender = true;
  }
  TEarthMapBase::MouseMove(shift, x, y);
}

void TEarthMap::MouseUp(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) {
  // A release whose press went elsewhere (the second click of a double click that closed a
  // dialog over the map) is no click on the map.
  if (!(pressed_ & ButtonBit(button))) {
    TEarthMapBase::MouseUp(button, shift, x, y);
    return;
  }
  pressed_ &= ~ButtonBit(button);
  if (zoomBoxOpen_) {
    zoomBoxOpen_ = false;
    win::ReleaseCapture();
    const TEarthDeviceRect b = zoomBox_;
    if (b.Right - b.Left < 10 || b.Bottom - b.Top < 10) {
      Invalidate();
    } else {
      const Extended sf = projection_->ScaleFactor();
      const int32_t left = RoundInt(b.Left / sf), top = RoundInt(b.Top / sf);
      const auto extent = [&](int32_t end, int32_t start) {
        return SaturateToInt32(Extended(RoundInt(end / sf)) - start);
      };
      SetViewRect({left, top, extent(b.Right, left), extent(b.Bottom, top)});
      RedrawLayers();
    }
  }
  if (rotating_) {
    rotating_ = false;
    win::ReleaseCapture();
  }
  TEarthObject* object = layerStore_->ObjectAtXY(x, y);
  if (NoModifiers(shift) && IsButton(button, MouseSelectButton))
    layerStore_->SetSelectedObject(object);
  if (object) {
    if (earthOptions_.Contains(goMultiSelect) && (shift & vcl::ssCtrl) &&
        IsButton(button, MouseSelectButton))
      object->SetSelected(!object->GetSelected());
    if (OnObjectClick && button == vcl::mbLeft) OnObjectClick(this, object);
  }
  TEarthMapBase::MouseUp(button, shift, x, y);
}
