#include "docking/dkanim.h"

#include "docking/dkcommon.h"
#include "platform/gdi/bitmap.h"
#include "platform/gdi/blit.h"
#include "platform/gdi/dc.h"
#include "platform/gdi/objects.h"
#include "platform/rtl/rtlmath.h"
#include "platform/win/input.h"
#include "platform/win/message.h"
#include "platform/win/paint.h"
#include "platform/win/system.h"
#include "platform/win/window.h"

namespace docking {

namespace {

struct Animation {
  bool running = false;
  win::HWND wnd = nullptr;
  bool blend = false;
  TDKAnimationDirection direction = 0;
  int duration = 0;
  int startStep = 0;
  int step = 0;
  win::DWORD startTick = 0;
  win::DWORD lastUpdate = 0;
  win::HDC wndDC = nullptr;
  win::HDC memDC = nullptr;
  gdi::HBITMAP bitmap = nullptr;
  gdi::HGDIOBJ oldBitmap = nullptr;
  win::SIZE size{};
  win::RECT screenRect{};
  win::POINT lastPointer{};
};

thread_local Animation tAnim;

void FreeResources(Animation& a) {
  if (a.memDC) {
    if (a.oldBitmap) gdi::SelectObject(a.memDC, a.oldBitmap);
    gdi::DeleteDC(a.memDC);
  }
  if (a.bitmap) gdi::DeleteObject(a.bitmap);
  if (a.wndDC) win::ReleaseDC(a.wnd, a.wndDC);
  a.memDC = nullptr;
  a.bitmap = nullptr;
  a.oldBitmap = nullptr;
  a.wndDC = nullptr;
}

void ShowNoActivate(win::HWND wnd) {
  win::SetWindowPos(wnd, nullptr, 0, 0, 0, 0,
                    win::SWP_SHOWWINDOW | win::SWP_NOACTIVATE | win::SWP_NOMOVE | win::SWP_NOSIZE |
                        win::SWP_NOZORDER | win::SWP_NOREDRAW | win::SWP_ASYNCWINDOWPOS);
}

void Finish() {
  Animation& a = tAnim;
  if (!a.running) return;
  a.running = false;
  if (win::IsWindow(a.wnd)) {
    if (a.blend) {
      win::SetWindowLong(
          a.wnd, win::GWL_EXSTYLE,
          win::GetWindowLong(a.wnd, win::GWL_EXSTYLE) & ~intptr_t(win::WS_EX_LAYERED));
    } else {
      win::SetWindowRgn(a.wnd, nullptr, win::FALSE);
    }
    gdi::BitBlt(a.wndDC, 0, 0, a.size.cx, a.size.cy, a.memDC, 0, 0, gdi::SRCCOPY);
  }
  FreeResources(a);
  const win::HWND wnd = a.wnd;
  a.wnd = nullptr;
  win::SendNotifyMessage(wnd, WM_DK_ANIMATIONENDED, 0, 0);
}

}  // namespace

namespace detail {
int AnimationStep() {
  return tAnim.step;
}
}  // namespace detail

bool DKIsAnimationInProgress() {
  return tAnim.running;
}

void DKEndAnimation(win::HWND Wnd) {
  if (tAnim.running && (!Wnd || Wnd == tAnim.wnd)) Finish();
}

void DKStartAnimation(win::HWND Wnd, bool Blend, TDKAnimationDirection Direction) {
  DKEndAnimation(nullptr);
  Animation& a = tAnim;
  a = Animation{};
  a.wnd = Wnd;
  a.blend = Blend && win::EntryPointExists("UpdateLayeredWindow");
  a.direction = Direction;
  win::GetCursorPos(&a.lastPointer);
  win::GetWindowRect(Wnd, &a.screenRect);
  a.size =
      win::SIZE{a.screenRect.right - a.screenRect.left, a.screenRect.bottom - a.screenRect.top};
  a.wndDC = win::GetDCEx(Wnd, nullptr, win::DCX_WINDOW | win::DCX_CACHE);
  if (a.wndDC) a.bitmap = gdi::CreateCompatibleBitmap(a.wndDC, a.size.cx, a.size.cy);
  if (a.bitmap) a.memDC = gdi::CreateCompatibleDC(a.wndDC);
  if (!a.wndDC || !a.bitmap || !a.memDC) {
    // Whatever was taken goes back, and the popup shows without an animation.
    FreeResources(a);
    a.wnd = nullptr;
    ShowNoActivate(Wnd);
    return;
  }
  a.oldBitmap = gdi::SelectObject(a.memDC, a.bitmap);
  win::SendMessage(Wnd, win::WM_PRINT, reinterpret_cast<win::WPARAM>(a.memDC),
                   win::PRF_NONCLIENT | win::PRF_CLIENT | win::PRF_ERASEBKGND | win::PRF_CHILDREN);
  if (a.blend) {
    a.duration = 175;
    a.startStep = 40;
    win::SetWindowLong(Wnd, win::GWL_EXSTYLE,
                       win::GetWindowLong(Wnd, win::GWL_EXSTYLE) | win::WS_EX_LAYERED);
    win::BLENDFUNCTION bf;
    bf.SourceConstantAlpha = static_cast<win::BYTE>(a.startStep);
    win::POINT src{0, 0};
    win::UpdateLayeredWindow(Wnd, nullptr, nullptr, &a.size, a.memDC, &src, 0, &bf, win::ULW_ALPHA);
  } else {
    a.duration = 150;
    a.startStep = 0;
    win::SetWindowRgn(Wnd, gdi::CreateRectRgn(0, 0, 0, 0), win::FALSE);
  }
  a.step = a.startStep;
  a.startTick = a.lastUpdate = win::GetTickCount();
  ShowNoActivate(Wnd);
  a.running = true;
  // The end of the window system finishes an animation still running.
  win::AtShutdown(&tAnim, [] { DKEndAnimation(nullptr); });
}

void DKUpdateAnimation() {
  Animation& a = tAnim;
  if (!a.running) return;
  const win::DWORD now = win::GetTickCount();
  if (now - a.lastUpdate < 10) return;
  a.lastUpdate = now;
  const long elapsed = static_cast<long>(now - a.startTick);
  if (elapsed < 0 || elapsed >= a.duration) {
    Finish();
    return;
  }
  const int step = static_cast<int>(elapsed * 255 / a.duration) + a.startStep;
  if (step < 0 || step >= 255) {
    Finish();
    return;
  }
  win::POINT p{};
  win::GetCursorPos(&p);
  if (p.x != a.lastPointer.x || p.y != a.lastPointer.y) {
    a.lastPointer = p;
    if (p.x >= a.screenRect.left && p.x < a.screenRect.right && p.y >= a.screenRect.top &&
        p.y < a.screenRect.bottom) {
      Finish();
      return;
    }
  }
  if (step <= a.step) return;
  a.step = step;
  if (a.blend) {
    win::BLENDFUNCTION bf;
    bf.SourceConstantAlpha = static_cast<win::BYTE>(step);
    win::POINT src{0, 0};
    win::UpdateLayeredWindow(a.wnd, nullptr, nullptr, &a.size, a.memDC, &src, 0, &bf,
                             win::ULW_ALPHA);
    return;
  }
  const int w = a.size.cx, h = a.size.cy;
  int dx = 0, dy = 0;
  // Right beats left and down beats up; no direction on an axis leaves it still.
  if (a.direction & dkadRight)
    dx = rtl::MulDiv(w, step, 255) - w;
  else if (a.direction & dkadLeft)
    dx = w - rtl::MulDiv(w, step, 255);
  if (a.direction & dkadDown)
    dy = rtl::MulDiv(h, step, 255) - h;
  else if (a.direction & dkadUp)
    dy = h - rtl::MulDiv(h, step, 255);
  win::SetWindowRgn(a.wnd, gdi::CreateRectRgn(dx, dy, dx + w, dy + h), win::FALSE);
  gdi::BitBlt(a.wndDC, dx, dy, w, h, a.memDC, 0, 0, gdi::SRCCOPY);
}

}  // namespace docking
