#pragma once
// Internal state of the window system shared by its units. Not for use outside platform/win.
#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/gdi/region.h"
#include "platform/gdi/surface.h"
#include "platform/win/dirtyrects.h"
#include "platform/win/input.h"
#include "platform/win/system.h"
#include "platform/win/window.h"

namespace win::detail {

struct WndClass {
  std::string name;
  UINT style = 0;
  WNDPROC proc;
  HCURSOR cursor = nullptr;
  int background = 0;
  ATOM atom = 0;
};

struct ScrollBarState {
  int min = 0;
  int max = 100;
  UINT page = 0;
  int pos = 0;
  int trackPos = 0;
  bool disabled = false;
  bool shown = false;
};

struct Window {
  HWND h = nullptr;
  std::shared_ptr<WndClass> cls;
  Window* parent = nullptr;  // the desktop for top-level windows; null only for the desktop
  HWND owner = nullptr;
  std::vector<Window*> children;  // top of the z-order first
  DWORD style = 0;
  DWORD exStyle = 0;
  RECT rect;    // in the parent's client coordinates
  RECT client;  // in window coordinates
  std::string text;
  WNDPROC proc;
  intptr_t userData = 0;
  UINT_PTR id = 0;
  std::map<std::string, intptr_t> props;
  bool destroying = false;
  bool created = false;
  // Painting: the update region in window coordinates and what BeginPaint still owes.
  gdi::Region update;
  bool erase = false;
  bool ncPaint = false;
  bool internalPaint = false;
  // Layered windows paint into their own surface, blended onto the screen with `alpha`.
  bool layered = false;
  bool layerUpdated = false;  // filled by UpdateLayeredWindow: no WM_PAINT from then on
  BYTE alpha = 255;
  std::shared_ptr<gdi::Surface> layer;
  std::optional<gdi::Region> region;  // window region, window coordinates
  ScrollBarState sb[2];
  WORD uiState = 0;
  bool uiStateSet = false;
  // The frame is drawn active as the last WM_NCACTIVATE said.
  bool ncActive = false;

  bool Visible() const { return (style & WS_VISIBLE) != 0; }
  bool Child() const { return (style & WS_CHILD) != 0; }
  int Width() const { return rect.right - rect.left; }
  int Height() const { return rect.bottom - rect.top; }
};

struct Timer {
  HWND hwnd = nullptr;
  UINT_PTR id = 0;
  UINT elapse = 0;
  uint64_t due = 0;  // micros
  TIMERPROC proc;
  LPARAM token = 0;
};

struct Hook {
  int type = 0;
  HOOKPROC proc;
  HHOOK handle = nullptr;
  bool removed = false;
};

struct SentItem {
  MSG msg;
};

struct Tracking {
  HWND hwnd = nullptr;
  bool nonClient = false;
};

struct LastClick {
  HWND hwnd = nullptr;
  UINT message = 0;  // the down message (client or non-client) of the first click
  DWORD time = 0;
  POINT pt;
};

struct System {
  Config config;
  std::shared_ptr<Clock> clock;
  std::thread::id guiThread;
  IdleHook idleHook;
  std::shared_ptr<Backend> backend;

  // Windows.
  uintptr_t nextHandle = 0x10010;
  std::unordered_map<uintptr_t, std::unique_ptr<Window>> windows;
  Window* desktop = nullptr;
  std::map<std::string, std::shared_ptr<WndClass>> classes;  // lower-case names
  ATOM nextAtom = 0xC000;

  // Cross-thread part of the queue (guarded by `m`).
  std::mutex m;
  std::condition_variable cv;
  std::unordered_set<uintptr_t> live;  // handles that may receive posts
  std::deque<SentItem> sent;
  std::deque<MSG> posted;
  std::deque<RawInput> input;
  bool quit = false;
  int quitCode = 0;
  uint64_t wakes = 0;
  BYTE asyncKeys[256] = {};

  // GUI-thread part.
  std::vector<Timer> timers;
  LPARAM nextTimerToken = 1;
  UINT_PTR nextThreadTimerId = 0x7FF0;
  std::vector<std::shared_ptr<Hook>> hooks;  // newest first
  std::vector<std::pair<const void*, std::function<void()>>> atShutdown;  // oldest first
  uintptr_t nextHook = 1;
  MSG lastMsg;
  int dispatchDepth = 0;

  // Input state.
  HWND capture = nullptr;
  HWND focus = nullptr;
  HWND active = nullptr;
  bool appActive = false;
  bool foregroundLocked = false;
  BYTE keys[256] = {};
  POINT cursorPos;
  std::optional<RECT> clip;
  HCURSOR cursor = nullptr;
  int cursorShowCount = 0;
  Tracking tracking;
  Tracking ncTracking;
  LastClick lastClick;

  // Painting.
  std::shared_ptr<gdi::Surface> screen;  // what non-layered windows draw on
  std::shared_ptr<gdi::Surface> frame;   // the screen with layered windows blended in
  DirtyRects dirty;                      // changed since the last present
  HWND locked = nullptr;                 // LockWindowUpdate
  gdi::Region lockedDirty;               // screen area drawn to while locked
  struct DcInfo {
    HWND hwnd = nullptr;
    RECT dirty;  // screen area the DC may have changed
    // How it was asked for, so that its visible area can follow the window.
    bool windowArea = false;
    bool clipChildren = false;
    std::optional<gdi::Region> extra;  // window coordinates
    bool extraExclude = false;
    bool throughLock = false;
  };
  std::map<HDC, DcInfo> dcs;
};

System& S();
bool Running();
void CheckGuiThread(const char* what);

Window* Find(HWND h);      // null when not a live window
Window* Get(HWND h);       // throws for a dead handle
HWND NewHandle();

// Geometry helpers.
POINT ClientOrigin(const Window* w);  // screen position of the client area's top-left
POINT WindowOrigin(const Window* w);  // screen position of the window's top-left
RECT ScreenRect(const Window* w);
RECT ScreenClientRect(const Window* w);
bool IsVisibleChain(const Window* w);
Window* TopLevel(Window* w);
bool IsDescendant(const Window* ancestor, const Window* w);

// Hit testing (sends WM_NCHITTEST). Returns the window and its code, or null.
struct Hit {
  Window* w = nullptr;
  int code = HTNOWHERE;
};
Hit HitTest(POINT screenPt);
// The window under the point by geometry alone (no messages), including disabled ones.
Window* WindowAt(POINT screenPt, bool skipDisabled);

// Messages.
LRESULT Send(Window* w, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT CallCbtHook(int code, WPARAM wParam, LPARAM lParam);
void KillTimersOf(HWND h);
// Runs the calls other threads queued with Synchronize.
void ServiceSynchronize();
void Wake();
void DropMessagesFor(HWND h);

// Raw input: the message an event would become now (no side effects besides hit-test
// messages), and the event applied (state, activation, set-cursor) with the message to deliver.
std::optional<MSG> PreviewInput(const RawInput& r);
std::optional<MSG> CommitInput(const RawInput& r);

// Activation and focus bookkeeping when windows go away or hide.
void OnWindowHidden(Window* w);
void OnWindowDestroying(Window* w);

// Painting bookkeeping (paint unit).
// Screen area (screen coordinates) where the window's drawing lands: the window or its client
// area, clipped by its ancestors and the siblings above it, and by its children when asked.
gdi::Region VisibleRegion(HWND h, bool clientOnly, bool clipChildren);
void InvalidateScreenArea(const gdi::Region& screenArea, const Window* except);
void InvalidateWhole(Window* w, bool children);
void MarkDirty(const RECT& screenRect);
void ResizeLayer(Window* w);
Window* NextPaintWindow(HWND filter);
// Composes the frame inside the screen area and returns it.
const gdi::Surface& ComposeArea(const RECT& screenArea);
// Hands the backend the frame and the rectangles that changed since the last present, if any.
void PresentIfDirty();

// Recomputes where every live window DC draws (surface, origin, visible area): called whenever a
// window is shown, hidden, moved, re-ordered, re-shaped or destroyed, so that a DC taken earlier
// draws on what shows of its window now.
void RefreshDCs();

// Default painting of the default procedure (DC unit).
void DefaultPaint(HWND h);
void DefaultNcPaint(HWND h, WPARAM region);
LRESULT DefaultErase(HWND h, WPARAM dc);
void DefaultPrint(HWND h, WPARAM dc, LPARAM flags);

// Scroll bar geometry in window coordinates (scroll bar unit) and the tracking loop of a click
// on one.
struct ScrollLayout {
  RECT bar;
  RECT arrow1;
  RECT arrow2;
  RECT thumb;  // empty when no thumb shows
};
bool GetScrollLayout(const Window* w, int bar, ScrollLayout* out);
// Whether the bar's range exceeds its page (otherwise it is shown greyed).
bool Scrollable(const ScrollBarState& sb);
// Draws a window's bar (SB_HORZ or SB_VERT) on a whole-window DC.
void PaintScrollBar(HDC dc, const Window* w, int bar);
void TrackScrollBar(HWND h, int bar, POINT screenPt);

// Non-client metrics (default procedure unit).
RECT DefaultClientRect(const Window* w, const RECT& windowRect);
int DefaultHitTest(Window* w, POINT screenPt);

}  // namespace win::detail
