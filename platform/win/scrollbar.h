#pragma once
// The standard scroll bars of a window (WS_HSCROLL / WS_VSCROLL): range, page, position and
// track position; clicks on them send WM_HSCROLL / WM_VSCROLL with the scroll codes.
#include "platform/win/types.h"

namespace win {

enum : int { SB_HORZ = 0, SB_VERT = 1, SB_CTL = 2, SB_BOTH = 3 };
enum : UINT {
  SIF_RANGE = 0x1,
  SIF_PAGE = 0x2,
  SIF_POS = 0x4,
  SIF_DISABLENOSCROLL = 0x8,
  SIF_TRACKPOS = 0x10,
  SIF_ALL = 0x17,
};
enum : UINT { ESB_ENABLE_BOTH = 0, ESB_DISABLE_BOTH = 3 };

struct SCROLLINFO {
  UINT cbSize = sizeof(SCROLLINFO);
  UINT fMask = 0;
  int nMin = 0;
  int nMax = 0;
  UINT nPage = 0;
  int nPos = 0;
  int nTrackPos = 0;
};

// Returns the new position. A range with nothing to scroll hides the bar, or disables it with
// SIF_DISABLENOSCROLL; a range with something to scroll shows and enables it again.
int SetScrollInfo(HWND hwnd, int bar, const SCROLLINFO* info, BOOL redraw);
BOOL GetScrollInfo(HWND hwnd, int bar, SCROLLINFO* info);
int SetScrollPos(HWND hwnd, int bar, int pos, BOOL redraw);
int GetScrollPos(HWND hwnd, int bar);
BOOL SetScrollRange(HWND hwnd, int bar, int min, int max, BOOL redraw);
BOOL GetScrollRange(HWND hwnd, int bar, int* min, int* max);
BOOL ShowScrollBar(HWND hwnd, int bar, BOOL show);
BOOL EnableScrollBar(HWND hwnd, UINT bar, UINT arrows);

}  // namespace win
