// The drag and size loops of a dockable window: capture the mouse, run a message pump until the
// button is released or the drag is cancelled, and move the window live or through an outline.
#include <algorithm>
#include <utility>

#include "docking/dkcommon.h"
#include "docking/dkdock.h"
#include "docking/dkdock_internal.h"
#include "docking/dkwatch.h"
#include "platform/gdi/dc.h"
#include "platform/rtl/rtlmath.h"
#include "platform/win/input.h"
#include "platform/win/message.h"
#include "platform/win/paint.h"
#include "platform/win/window.h"

namespace docking {

// The frame stays reachable: at least touching the work area, and 4 pixels of its caption below
// the work area's top.
void internal::ShrinkByNCArea(RECT* r, const POINT& tl, const POINT& br) {
  if (!r) return;
  r->left += tl.x;
  r->top += tl.y;
  r->right = std::max(r->left, r->right - br.x);
  r->bottom = std::max(r->top, r->bottom - br.y);
}

RECT internal::ReachableFrame(const TDKCustomDockableWindow& w, RECT r, const RECT& wa) {
  const POINT b = w.GetFloatingBorderSize();
  RECT in = wa;
  gdi::InflateRect(&in, -(b.x + 4), -(b.y + 4));
  int dx = 0, dy = 0;
  if (r.bottom < in.top) dy = in.top - r.bottom;
  if (r.top > in.bottom) dy = in.bottom - r.top;
  if (r.right < in.left) dx = in.left - r.right;
  if (r.left > in.right) dx = in.right - r.left;
  gdi::OffsetRect(&r, dx, dy);
  POINT tl, br;
  w.GetFloatingNCArea(tl, br);
  const int minTop = wa.top + 4 - tl.y;
  if (r.top < minTop) gdi::OffsetRect(&r, 0, minTop - r.top);
  return r;
}

namespace {

bool EmptyRect(const RECT& r) {
  return r.right <= r.left || r.bottom <= r.top;
}

constexpr int kDockPositionOrder[] = {dpTop, dpBottom, dpLeft, dpRight};

// The desktop locked for an outline, with a context that draws through the lock.
class OutlineScreen {
 public:
  explicit OutlineScreen(bool active) : active_(active) {
    if (!active_) return;
    win::LockWindowUpdate(win::GetDesktopWindow());
    dc_ = win::GetDCEx(win::GetDesktopWindow(), nullptr,
                       win::DCX_WINDOW | win::DCX_CACHE | win::DCX_LOCKWINDOWUPDATE);
  }
  ~OutlineScreen() { Release(); }
  OutlineScreen(const OutlineScreen&) = delete;
  OutlineScreen& operator=(const OutlineScreen&) = delete;
  void Release() {
    if (!active_) return;
    active_ = false;
    win::ReleaseDC(win::GetDesktopWindow(), dc_);
    win::LockWindowUpdate(nullptr);
  }
  HDC dc() const { return dc_; }

 private:
  bool active_;
  HDC dc_ = nullptr;
};

enum class PumpResult { Accepted, Cancelled, Lost };

// The pump shared by both loops: returns at button up (accepted), Escape, another left press or
// a quit message (cancelled), or when the capture goes or a handler frees what `watch` watches.
template <class OnMove, class OnCtrl>
PumpResult Pump(HWND wnd, const TDKFreeWatch& watch, OnMove onMove, OnCtrl onCtrl) {
  POINT last = win::GetMessagePosAsPoint();
  while (win::GetCapture() == wnd && !watch.AnyGone()) {
    win::MSG msg;
    if (!win::GetMessage(&msg, nullptr, 0, 0)) {
      win::PostQuitMessage(static_cast<int>(msg.wParam));
      return PumpResult::Cancelled;
    }
    switch (msg.message) {
      case win::WM_LBUTTONUP:
        return PumpResult::Accepted;
      case win::WM_KEYDOWN:
      case win::WM_KEYUP:
      case win::WM_SYSKEYDOWN:
      case win::WM_SYSKEYUP:
        if (msg.wParam == win::VK_CONTROL)
          onCtrl(msg.message == win::WM_KEYDOWN || msg.message == win::WM_SYSKEYDOWN);
        else if (msg.wParam == win::VK_ESCAPE)
          return PumpResult::Cancelled;
        break;  // other keys are swallowed
      case win::WM_MOUSEMOVE: {
        const POINT p = win::GetMessagePosAsPoint();
        if (p.x != last.x || p.y != last.y) {
          last = p;
          onMove();
        }
        break;
      }
      case win::WM_LBUTTONDOWN:
      case win::WM_LBUTTONDBLCLK:
        return PumpResult::Cancelled;
      case win::WM_RBUTTONDOWN:
      case win::WM_RBUTTONUP:
      case win::WM_RBUTTONDBLCLK:
      case win::WM_MBUTTONDOWN:
      case win::WM_MBUTTONUP:
      case win::WM_MBUTTONDBLCLK:
        break;
      default:
        win::TranslateMessage(&msg);
        win::DispatchMessage(&msg);
    }
  }
  return PumpResult::Lost;
}

}  // namespace

struct TDKCustomDockableWindow::DragState {
  struct DockedSize {
    TDKDock* dock = nullptr;
    RECT screen{};
    SIZE size{};
    std::vector<std::pair<int, bool>> rows;  // thickness, holds a full-size window
  };
  TDKDock* startDock = nullptr;
  int startRow = 0, startPos = 0;
  bool vertical = false;
  bool smooth = true;
  POINT grab{};
  SIZE grabSize{};
  bool ctrl = false;
  bool cannotFloat = false;
  bool dockingAllowed = false;
  std::vector<DockedSize> sizes;
  RECT newRect{}, lastRect{};
  TDKDock* newDock = nullptr;
  TDKDock* lastDock = nullptr;
  int newIndex = 0;
  POINT startCursor{};
  win::HCURSOR cursor = nullptr;
  OutlineScreen* outline = nullptr;
  POINT border{};  // of the floating frame, for the outline
  // The window and the candidate docks: a handler that frees one of them ends the drag.
  TDKFreeWatch watch;
};

namespace {

void DrawDraggingOutline(HDC dc, POINT b, const RECT* NewRect, const RECT* OldRect, bool NewDocking,
                         bool OldDocking) {
  const SIZE ns = NewDocking ? SIZE{1, 1} : SIZE{b.x, b.y};
  const SIZE os = OldDocking ? SIZE{1, 1} : SIZE{b.x, b.y};
  DrawHalftoneInvertRect(dc, NewRect, OldRect, ns, os);
}

POINT ScaledGrab(const TDKCustomDockableWindow::DragState& d, SIZE size) {
  // The grab point keeps its proportion of a new size.
  const int x = d.grabSize.cx > 0 ? rtl::MulDiv(d.grab.x, size.cx - 1, d.grabSize.cx) : 0;
  const int y = d.grabSize.cy > 0 ? rtl::MulDiv(d.grab.y, size.cy - 1, d.grabSize.cy) : 0;
  return POINT{x, y};
}

bool DockHitTest(const TDKCustomDockableWindow::DragState& d, size_t index, POINT cur) {
  const auto& e = d.sizes[index];
  RECT r = e.screen;
  gdi::InflateRect(&r, 3, 3);
  // A band of 25 pixels split by the grab point; a 1-pixel window has its grab point at 0.
  const int m = d.grabSize.cx > 0 ? 25 * d.grab.x / d.grabSize.cx : 0;
  const int n = d.grabSize.cy > 0 ? 25 * d.grab.y / d.grabSize.cy : 0;
  if (!(cur.x >= r.left - (25 - m) && cur.x < r.right + m)) return false;
  if (!(cur.y >= r.top - (25 - n) && cur.y < r.bottom + n)) return false;
  if (e.dock->IsVertical() && !(cur.y >= r.top && cur.y < r.bottom)) return false;
  const POINT g = ScaledGrab(d, e.size);
  const RECT would{cur.x - g.x, cur.y - g.y, cur.x - g.x + e.size.cx, cur.y - g.y + e.size.cy};
  RECT both{};
  return gdi::IntersectRect(&both, &would, &r) != win::FALSE;
}

// Forms and their controls, searched for docks: at each control its docks by position, then
// its other window children, only into visible windows and never into `self`.
void CollectDocks(vcl::TWinControl* c, const TDKCustomDockableWindow* self,
                  std::vector<TDKDock*>& out, TDKDockableTo dockableTo) {
  for (int pos : kDockPositionOrder)
    for (int i = 0; i < c->ControlCount(); ++i)
      if (auto* d = dynamic_cast<TDKDock*>(c->Controls(i));
          d && d->Position() == pos && d->AllowDrag() && (dockableTo & (1u << pos)) &&
          std::find(out.begin(), out.end(), d) == out.end())
        out.push_back(d);
  for (int i = 0; i < c->ControlCount(); ++i) {
    auto* w = dynamic_cast<vcl::TWinControl*>(c->Controls(i));
    if (!w || dynamic_cast<TDKDock*>(w) || w == self || !w->Visible()) continue;
    CollectDocks(w, self, out, dockableTo);
  }
}
}  // namespace

void TDKCustomDockableWindow::ApplyDragRect(DragState& d, const RECT& r, TDKDock* dock,
                                            int dockIndex) {
  if (!dock) {
    dragCanSplit_ = false;
    floatingPosition_ = POINT{r.left, r.top};
    if (!floating_)
      SetFloating(true);
    else
      SetFloatingPosition(floatingPosition_);
    if (d.watch.AnyGone()) return;
    MoveOnScreen(true);
    Update();
    return;
  }
  const POINT o = dock->ClientToScreen(POINT{0, 0});
  RECT rr = r;
  gdi::OffsetRect(&rr, -o.x, -o.y);
  const bool vertical = dock->IsVertical();
  int row = dockRow_;
  bool insert = false;
  if (!dragSplitting_) {
    const int coord = vertical ? (rr.left + rr.right) / 2 : (rr.top + rr.bottom) / 2;
    const auto& rows = d.sizes[static_cast<size_t>(dockIndex)].rows;
    int start = 0;
    row = -1;
    for (size_t i = 0; i < rows.size(); ++i) {
      const int thick = rows[i].first;
      if (thick == 0) continue;
      const bool full = fullSize_ || rows[i].second;
      const int threshold = full ? thick / 2 : thick / 4;
      if (coord < start + threshold) {
        row = static_cast<int>(i);
        insert = true;
        break;
      }
      if (!full && coord < start + thick - threshold) {
        row = static_cast<int>(i);
        break;
      }
      start += thick;
    }
    if (row < 0) row = static_cast<int>(rows.size());
    if (insert) dragCanSplit_ = false;
  }
  if (dragCanSplit_ && dock == d.startDock && row == d.startRow) {
    if (!dragSplitting_) {
      POINT cur{};
      win::GetCursorPos(&cur);
      const int along = vertical ? cur.y - d.startCursor.y : cur.x - d.startCursor.x;
      if (std::abs(along) >= 10) {
        dragSplitting_ = true;
        win::SetCursor(win::LoadCursor(nullptr, vertical ? win::IDC_SIZENS : win::IDC_SIZEWE));
      }
    }
  } else {
    dragCanSplit_ = false;
  }
  dockRow_ = row;
  dockPos_ = vertical ? rr.top : rr.left;
  if (Parent() != dock) Reparent(dock);
  // The handlers of the move may have freed the window or a dock.
  if (d.watch.AnyGone()) return;
  if (!d.smooth) dock->commitNewPositions_ = true;
  insertRowBefore_ = insert;
  dock->ArrangeToolbars();
  insertRowBefore_ = false;
}

void TDKCustomDockableWindow::EvaluateDrag(DragState& d) {
  d.lastRect = d.newRect;
  d.lastDock = d.newDock;
  POINT cur{};
  win::GetCursorPos(&cur);
  TDKDock* nd = nullptr;
  int index = 0;
  if (!dragSplitting_) {
    if (d.dockingAllowed && !d.ctrl) {
      for (size_t i = 1; i < d.sizes.size(); ++i) {
        if (!DockHitTest(d, i, cur)) continue;
        bool accept = true;
        if (d.sizes[i].dock->OnRequestDock) {
          d.sizes[i].dock->OnRequestDock(d.sizes[i].dock, this, accept);
          if (d.watch.AnyGone()) return;
        }
        if (accept) {
          nd = d.sizes[i].dock;
          index = static_cast<int>(i);
          break;
        }
      }
    }
  } else {
    nd = currentDock_;
    for (size_t i = 1; i < d.sizes.size(); ++i)
      if (d.sizes[i].dock == nd) index = static_cast<int>(i);
  }
  const auto& e = d.sizes[static_cast<size_t>(index)];
  if (!nd) {
    const RECT wa = GetRectOfMonitorContainingPoint(cur, true);
    cur.x = std::clamp(cur.x, wa.left, std::max(wa.left, wa.right - 1));
    cur.y = std::clamp(cur.y, wa.top, std::max(wa.top, wa.bottom - 1));
  }
  const POINT g = ScaledGrab(d, e.size);
  RECT r{cur.x - g.x, cur.y - g.y, cur.x - g.x + e.size.cx, cur.y - g.y + e.size.cy};
  if (!nd) r = internal::ReachableFrame(*this, r, GetRectOfMonitorContainingPoint(cur, true));
  if (!d.cannotFloat || nd) {
    win::HCURSOR c = d.cursor;
    if (dragSplitting_)
      c = win::LoadCursor(nullptr, d.vertical ? win::IDC_SIZENS : win::IDC_SIZEWE);
    win::SetCursor(c);
  } else {
    r = RECT{};
    win::SetCursor(win::LoadCursor(nullptr, win::IDC_NO));
  }
  d.newRect = r;
  d.newDock = nd;
  d.newIndex = index;
  if (!d.smooth) {
    DrawDraggingOutline(d.outline->dc(), d.border, &d.newRect, &d.lastRect, nd != nullptr,
                        d.lastDock != nullptr);
  } else if (!EmptyRect(r)) {
    smoothDragging_ = true;
    ApplyDragRect(d, r, nd, index);
  }
}

void TDKCustomDockableWindow::BeginMoving(int InitX, int InitY) {
  DragState d;
  d.watch.Watch(this);
  d.startDock = currentDock_;
  d.startRow = dockRow_;
  d.startPos = dockPos_;
  beingDragged_ = true;
  dragSplitting_ = false;
  if (docked_ && currentDock_) {
    dragCanSplit_ = false;
    currentDock_->commitNewPositions_ = true;
    currentDock_->ArrangeToolbars();
    d.startRow = dockRow_;
    d.startPos = dockPos_;
    d.vertical = currentDock_->IsVertical();
  }
  struct Cleanup {
    TDKCustomDockableWindow* w;
    DragState& d;
    ~Cleanup() {
      if (!d.watch.Alive(w)) return;
      w->smoothDragging_ = false;
      if (!w->docked_) {
        w->dockRow_ = d.startRow;
        w->dockPos_ = d.startPos;
      }
      w->beingDragged_ = false;
      w->dragSplitting_ = false;
    }
  } cleanup{this, d};

  d.smooth = smoothDrag_;
  {
    RECT outer{};
    win::GetWindowRect(floating_ && floatParent_ ? floatParent_->Handle() : Handle(), &outer);
    const POINT p = ClientToScreen(POINT{InitX, InitY});
    d.grab = POINT{p.x - outer.left, p.y - outer.top};
    d.grabSize = SIZE{outer.right - outer.left - 1, outer.bottom - outer.top - 1};
  }
  d.ctrl = win::GetKeyState(win::VK_CONTROL) < 0;
  d.cannotFloat = dockMode_ != dmCanFloat;

  std::vector<TDKDock*> docks;
  if (dockMode_ == dmCannotFloatOrChangeDocks) {
    if (currentDock_) docks.push_back(currentDock_);
  } else {
    if (currentDock_ && currentDock_->AllowDrag() &&
        (dockableTo_ & (1u << currentDock_->Position())))
      docks.push_back(currentDock_);
    std::vector<vcl::TCustomForm*> forms;
    if (vcl::TCustomForm* f = DKGetToolWindowParentForm(this)) forms.push_back(f);
    for (auto* f : dockForms_)
      if (std::find(forms.begin(), forms.end(), f) == forms.end()) forms.push_back(f);
    for (auto* f : forms) CollectDocks(f, this, docks, dockableTo_);
  }
  for (auto* dock : docks) {
    d.watch.Watch(dock);
    dock->CommitPositions();
  }

  {
    DragState::DockedSize floating;
    floating.size = AddFloatingNCAreaToSize(DoArrange(false, dtFloating, true, nullptr));
    d.sizes.push_back(floating);
    for (auto* dock : docks) {
      DragState::DockedSize e;
      e.dock = dock;
      win::GetWindowRect(dock->Handle(), &e.screen);
      if (dock == currentDock_)
        e.size = SIZE{Width(), Height()};
      else
        e.size = AddDockedNCAreaToSize(DoArrange(false, DKGetDockTypeOf(dock, false), false, dock),
                                       dock->IsVertical());
      for (int row = 0; row <= dock->GetHighestRow(true); ++row) {
        bool full = false;
        const int size = dock->GetCurrentRowSize(row, full);
        e.rows.emplace_back(size, full);
      }
      d.sizes.push_back(e);
    }
  }

  ProcessPaintMessages();
  if (d.watch.AnyGone()) return;
  d.cursor = win::GetCursor();
  win::GetCursorPos(&d.startCursor);
  d.border = GetFloatingBorderSize();
  OutlineScreen outline(!d.smooth);
  d.outline = &outline;

  const HWND wnd = Handle();
  // The capture and the outline go on every way out: a handler may raise, or free the window.
  bool looping = true;
  auto endLoop = [&] {
    if (!std::exchange(looping, false)) return;
    if (win::GetCapture() == wnd) win::ReleaseCapture();
    if (!d.smooth) {
      DrawDraggingOutline(outline.dc(), d.border, nullptr, &d.newRect, false, d.newDock != nullptr);
      outline.Release();
    }
  };
  PumpResult result = PumpResult::Lost;
  try {
    win::SetCapture(wnd);
    d.dockingAllowed = docked_;  // a floating window cannot dock on the very first evaluation
    EvaluateDrag(d);
    d.dockingAllowed = true;
    result = Pump(
        wnd, d.watch, [&] { EvaluateDrag(d); },
        [&](bool down) {
          if (down == d.ctrl) return;
          d.ctrl = down;
          EvaluateDrag(d);
        });
  } catch (...) {
    endLoop();
    throw;
  }
  endLoop();
  if (!d.watch.Alive(this)) return;
  // A dock freed during the drag ends it where it is: the outline's place may be gone.
  if (result == PumpResult::Accepted && !d.smooth && !EmptyRect(d.newRect) && !d.watch.AnyGone()) {
    smoothDragging_ = false;
    ApplyDragRect(d, d.newRect, d.newDock, d.newIndex);
    if (!d.watch.Alive(this)) return;
  }
  if (useLastDock_ && docked_) SetLastDock(currentDock_);
  if (!floating_ && floatParent_) FreeFloatParent();
}

void TDKCustomDockableWindow::BeginSizing(TDKSizeHandle SizeHandle) {
  if (!floating_ || !floatParent_) return;
  int minW = 0, minH = 0, maxW = 0, maxH = 0;
  GetMinMaxSize(minW, minH, maxW, maxH);
  POINT tl, br;
  GetFloatingNCArea(tl, br);
  const int ncW = tl.x + br.x, ncH = tl.y + br.y;
  // "No maximum" is decided on the client values, before the frame is added.
  const bool hasMaxW = maxW > 0, hasMaxH = maxH > 0;
  minW += ncW;
  minH += ncH;
  maxW += ncW;
  maxH += ncH;
  const bool horiz = SizeHandle != twshTop && SizeHandle != twshBottom;
  const bool fromLeft =
      SizeHandle == twshLeft || SizeHandle == twshTopLeft || SizeHandle == twshBottomLeft;
  const bool vert = SizeHandle != twshLeft && SizeHandle != twshRight;
  const bool fromTop =
      SizeHandle == twshTop || SizeHandle == twshTopLeft || SizeHandle == twshTopRight;

  // The window and its frame: a handler that frees either ends the loop.
  TDKFreeWatch watch;
  watch.Watch(this);
  watch.Watch(floatParent_);
  ResizeBegin(SizeHandle);
  ProcessPaintMessages();
  if (watch.AnyGone()) {
    if (watch.Alive(this)) ResizeEnd();
    return;
  }
  const bool smooth = smoothDrag_;
  OutlineScreen outline(!smooth);
  const HWND wnd = Handle();
  const bool clip = (dkStyles_ & dkdsResizeClipCursor) && !UsingMultipleMonitors();
  RECT start{};
  win::GetWindowRect(floatParent_->Handle(), &start);
  RECT rect = start;
  const POINT border = GetFloatingBorderSize();
  const SIZE outlineSize{border.x, border.y};
  POINT startCursor{};
  win::GetCursorPos(&startCursor);
  // The capture, the pointer's clip and the outline go on every way out.
  bool looping = true;
  auto endLoop = [&] {
    if (!std::exchange(looping, false)) return;
    if (win::GetCapture() == wnd) win::ReleaseCapture();
    if (clip) win::ClipCursor(nullptr);
    if (!smooth) {
      DrawHalftoneInvertRect(outline.dc(), nullptr, &rect, outlineSize, outlineSize);
      outline.Release();
    }
  };

  auto apply = [&](const RECT& r) {
    BeginUpdate();
    try {
      ResizeTrackAccept();
      floatingPosition_ = POINT{r.left, r.top};
      floatParent_->SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
      SetBounds(0, 0, floatParent_->ClientWidth(), floatParent_->ClientHeight());
    } catch (...) {
      if (watch.Alive(this)) EndUpdate();
      throw;
    }
    if (watch.Alive(this)) EndUpdate();
  };
  auto onMove = [&] {
    POINT cur{};
    win::GetCursorPos(&cur);
    RECT r = start;
    const int dx = cur.x - startCursor.x, dy = cur.y - startCursor.y;
    if (horiz) (fromLeft ? r.left : r.right) += dx;
    if (vert) (fromTop ? r.top : r.bottom) += dy;
    auto limit = [](int& lo, int& hi, bool fromLow, int size, bool grow) {
      if (grow ? hi - lo < size : hi - lo > size) (fromLow ? lo = hi - size : hi = lo + size);
    };
    limit(r.left, r.right, fromLeft, minW, true);
    if (hasMaxW) limit(r.left, r.right, fromLeft, maxW, false);
    limit(r.top, r.bottom, fromTop, minH, true);
    if (hasMaxH) limit(r.top, r.bottom, fromTop, maxH, false);
    ResizeTrack(r, start);
    if (watch.AnyGone()) return;
    const RECT old = rect;
    rect = r;
    if (smooth)
      apply(r);
    else
      DrawHalftoneInvertRect(outline.dc(), &rect, &old, outlineSize, outlineSize);
  };
  try {
    win::SetCapture(wnd);
    if (clip) {
      const RECT wa = GetRectOfPrimaryMonitor(true);
      win::ClipCursor(&wa);
    }
    if (!smooth) DrawHalftoneInvertRect(outline.dc(), &rect, nullptr, outlineSize, outlineSize);
    const PumpResult result = Pump(wnd, watch, onMove, [](bool) {});
    endLoop();
    if (result == PumpResult::Accepted && !smooth && !watch.AnyGone()) apply(rect);
  } catch (...) {
    endLoop();
    if (watch.Alive(this)) ResizeEnd();
    throw;
  }
  if (watch.Alive(this)) ResizeEnd();
}

}  // namespace docking
