// Printing a window into a DC and repainting through an off-screen bitmap.
#include <vector>

#include "docking/dkcommon.h"
#include "platform/gdi/bitmap.h"
#include "platform/gdi/blit.h"
#include "platform/gdi/dc.h"
#include "platform/win/message.h"
#include "platform/win/paint.h"
#include "platform/win/window.h"

namespace docking {

void HandleWMPrint(HWND Wnd, win::WPARAM WParam, win::LPARAM LParam,
                   const std::function<void(HWND, HDC)>& NCPaintProc) {
  HDC dc = reinterpret_cast<HDC>(WParam);
  const auto flags = static_cast<win::DWORD>(LParam);
  if (!dc || !win::IsWindow(Wnd)) return;
  if ((flags & win::PRF_CHECKVISIBLE) && !win::IsWindowVisible(Wnd)) return;
  const RECT client = win::GetClientRectInWindow(Wnd);
  if ((flags & win::PRF_NONCLIENT) && NCPaintProc) {
    const int saved = gdi::SaveDC(dc);
    gdi::ExcludeClipRect(dc, client.left, client.top, client.right, client.bottom);
    NCPaintProc(Wnd, dc);
    gdi::RestoreDC(dc, saved);
  }
  const int saved = gdi::SaveDC(dc);
  gdi::OffsetViewportOrgEx(dc, client.left, client.top, nullptr);
  gdi::IntersectClipRect(dc, 0, 0, client.right - client.left, client.bottom - client.top);
  if (flags & win::PRF_ERASEBKGND) win::SendMessage(Wnd, win::WM_ERASEBKGND, WParam, 0);
  if (flags & win::PRF_CLIENT) win::SendMessage(Wnd, win::WM_PRINTCLIENT, WParam, LParam);
  if (flags & win::PRF_CHILDREN) {
    std::vector<HWND> kids;
    for (HWND c = win::GetWindow(Wnd, win::GW_CHILD); c; c = win::GetWindow(c, win::GW_HWNDNEXT))
      kids.push_back(c);
    // Bottom of the z-order first, so that upper children cover lower ones.
    for (auto it = kids.rbegin(); it != kids.rend(); ++it) {
      if (!(win::GetWindowLong(*it, win::GWL_STYLE) & win::WS_VISIBLE)) continue;
      RECT r{};
      win::GetWindowRect(*it, &r);
      POINT o{r.left, r.top};
      win::ScreenToClient(Wnd, &o);
      const int inner = gdi::SaveDC(dc);
      gdi::OffsetViewportOrgEx(dc, o.x, o.y, nullptr);
      gdi::IntersectClipRect(dc, 0, 0, r.right - r.left, r.bottom - r.top);
      win::SendMessage(
          *it, win::WM_PRINT, WParam,
          win::PRF_NONCLIENT | win::PRF_CLIENT | win::PRF_ERASEBKGND | win::PRF_CHILDREN);
      gdi::RestoreDC(dc, inner);
    }
  }
  gdi::RestoreDC(dc, saved);
  if (flags & win::PRF_OWNED) {
    RECT self{};
    win::GetWindowRect(Wnd, &self);
    std::vector<HWND> owned;
    win::EnumThreadWindows([&](HWND h) {
      if (win::GetWindow(h, win::GW_OWNER) == Wnd && win::IsWindowVisible(h)) owned.push_back(h);
      return win::TRUE;
    });
    for (auto it = owned.rbegin(); it != owned.rend(); ++it) {
      RECT r{};
      win::GetWindowRect(*it, &r);
      const int inner = gdi::SaveDC(dc);
      gdi::OffsetViewportOrgEx(dc, r.left - self.left, r.top - self.top, nullptr);
      win::SendMessage(*it, win::WM_PRINT, WParam, LParam & ~win::LPARAM(win::PRF_OWNED));
      gdi::RestoreDC(dc, inner);
    }
  }
}

void HandleWMPrintClient(const std::function<void(HDC)>& PaintHandler, win::WPARAM WParam) {
  if (HDC dc = reinterpret_cast<HDC>(WParam)) PaintHandler(dc);
}

void DoubleBufferedRepaint(HWND Wnd) {
  if (!win::IsWindowVisible(Wnd)) return;
  HDC dc = win::GetDC(Wnd);
  if (!dc) {
    win::InvalidateRect(Wnd, nullptr, win::TRUE);
    return;
  }
  RECT box{};
  if (gdi::GetClipBox(dc, &box) == gdi::NULLREGION || box.right <= box.left ||
      box.bottom <= box.top) {
    win::ReleaseDC(Wnd, dc);
    return;
  }
  const int w = box.right - box.left, h = box.bottom - box.top;
  HDC mem = gdi::CreateCompatibleDC(dc);
  gdi::HBITMAP bmp = mem ? gdi::CreateCompatibleBitmap(dc, w, h) : nullptr;
  if (!bmp) {
    if (mem) gdi::DeleteDC(mem);
    win::ReleaseDC(Wnd, dc);
    win::InvalidateRect(Wnd, nullptr, win::TRUE);
    return;
  }
  gdi::HGDIOBJ old = gdi::SelectObject(mem, bmp);
  gdi::SetViewportOrgEx(mem, -box.left, -box.top, nullptr);
  win::SendMessage(Wnd, win::WM_ERASEBKGND, reinterpret_cast<win::WPARAM>(mem), 0);
  win::SendMessage(Wnd, win::WM_PRINTCLIENT, reinterpret_cast<win::WPARAM>(mem), win::PRF_CLIENT);
  gdi::SetViewportOrgEx(mem, 0, 0, nullptr);
  gdi::BitBlt(dc, box.left, box.top, w, h, mem, 0, 0, gdi::SRCCOPY);
  gdi::SelectObject(mem, old);
  gdi::DeleteObject(bmp);
  gdi::DeleteDC(mem);
  win::ReleaseDC(Wnd, dc);
  win::ValidateRect(Wnd, nullptr);
}

void SelectNCUpdateRgn(HWND Wnd, HDC DC, win::HRGN Rgn) {
  const auto value = reinterpret_cast<uintptr_t>(Rgn);
  if (value <= 1) return;  // everything
  RECT wr{};
  win::GetWindowRect(Wnd, &wr);
  gdi::HRGN r = gdi::CreateRectRgn(0, 0, 0, 0);
  if (gdi::CombineRgn(r, Rgn, nullptr, gdi::RGN_COPY) != gdi::RGN_ERROR) {
    gdi::OffsetRgn(r, -wr.left, -wr.top);
    gdi::ExtSelectClipRgn(DC, r, gdi::RGN_AND);
  }
  gdi::DeleteObject(r);
}

}  // namespace docking
