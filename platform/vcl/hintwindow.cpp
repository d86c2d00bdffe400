#include "platform/vcl/hintwindow.h"

#include <algorithm>

#include "platform/vcl/classic.h"

namespace vcl {

std::string GetShortHint(const std::string& hint) {
  size_t bar = hint.find('|');
  return bar == std::string::npos ? hint : hint.substr(0, bar);
}

std::string GetLongHint(const std::string& hint) {
  size_t bar = hint.find('|');
  return bar == std::string::npos ? hint : hint.substr(bar + 1);
}

THintWindow::THintWindow() : TCustomControl(nullptr) {
  SetColor(clInfoBk);
  Font()->SetColor(clInfoText);
  TControl::SetVisible(false);
}

void THintWindow::CreateParams(TCreateParams& p) {
  TCustomControl::CreateParams(p);
  p.Style = win::WS_POPUP | win::WS_BORDER;
  p.ExStyle = win::WS_EX_TOOLWINDOW | win::WS_EX_TOPMOST | win::WS_EX_NOACTIVATE;
  p.WndParent = nullptr;
}

void THintWindow::WndProc(TMessage& m) {
  if (m.Msg == win::WM_MOUSEACTIVATE) {
    m.Result = win::MA_NOACTIVATE;
    return;
  }
  if (m.Msg == win::WM_NCHITTEST) {
    // The pointer passes through to the window below.
    m.Result = win::HTTRANSPARENT;
    return;
  }
  TCustomControl::WndProc(m);
}

void THintWindow::ActivateHint(TPoint at, const std::string& text) {
  SetCaption(text);
  gdi::SIZE s = MeasureText(Font(), text, false);
  int w = s.cx + 8, h = s.cy + 4;
  int sw = win::GetSystemMetrics(win::SM_CXSCREEN), sh = win::GetSystemMetrics(win::SM_CYSCREEN);
  at.x = std::clamp(at.x, 0, std::max(sw - w, 0));
  at.y = std::clamp(at.y, 0, std::max(sh - h, 0));
  SetBounds(at.x, at.y, w, h);
  HandleNeeded();
  win::SetWindowPos(Handle(), win::HWND_TOPMOST, at.x, at.y, w, h,
                    win::SWP_NOACTIVATE | win::SWP_SHOWWINDOW);
  TControl::SetVisible(true);
  Invalidate();
}

void THintWindow::ReleaseHandle() {
  if (!Visible()) return;
  TControl::SetVisible(false);
  if (HandleAllocated()) win::ShowWindow(Handle(), win::SW_HIDE);
}

void THintWindow::Paint() {
  TCanvas* c = Canvas();
  c->Brush()->SetColor(Color());
  c->FillRect(ClientRect());
  TRect r = ClientRect();
  gdi::InflateRect(&r, -2, -1);
  DrawCaption(c, r, Caption(), gdi::DT_NOPREFIX | gdi::DT_SINGLELINE | gdi::DT_VCENTER, true);
}

}  // namespace vcl
