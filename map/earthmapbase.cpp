// The map base: the control's answers to the model and the copy of the back buffer.
#include "map/earthmapbase.h"

#include "map/earthcanvas.h"
#include "platform/gdi/blit.h"
#include "platform/win/paint.h"

TEarthMapBase::TEarthMapBase(rtl::TComponent* owner) : vcl::TCustomControl(owner) {}

TEarthMapBase::~TEarthMapBase() = default;

TEarthDeviceRect TEarthMapBase::MapClientRect() const {
  const vcl::TRect r = ClientRect();
  return {r.left, r.top, r.right, r.bottom};
}

void TEarthMapBase::ShowBackBuffer() {
  if (!Parent() || !earthCanvas_) return;
  const win::HWND window = Handle();
  const gdi::HDC dc = win::GetDC(window);
  gdi::BitBlt(dc, 0, 0, earthCanvas_->Width(), earthCanvas_->Height(), earthCanvas_->Handle(), 0, 0, gdi::SRCCOPY);
  win::ReleaseDC(window, dc);
}
