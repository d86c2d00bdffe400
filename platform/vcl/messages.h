#pragma once
// Messages as the class library's controls see them, and the library's own CM_ notifications
// (sent between controls with Perform, never through the window system's queue).
#include <string>

#include "platform/win/defproc.h"
#include "platform/win/input.h"
#include "platform/win/message.h"
#include "platform/win/paint.h"
#include "platform/win/settings.h"
#include "platform/win/sinks.h"
#include "platform/win/system.h"
#include "platform/win/window.h"

namespace vcl {

struct TMessage {
  unsigned Msg = 0;
  win::WPARAM WParam = 0;
  win::LPARAM LParam = 0;
  win::LRESULT Result = 0;
};

constexpr unsigned CM_BASE = 0xB000;
constexpr unsigned CM_ACTIVATE = CM_BASE + 0;
constexpr unsigned CM_DEACTIVATE = CM_BASE + 1;
constexpr unsigned CM_FOCUSCHANGED = CM_BASE + 7;
constexpr unsigned CM_PARENTFONTCHANGED = CM_BASE + 8;
constexpr unsigned CM_PARENTCOLORCHANGED = CM_BASE + 9;
constexpr unsigned CM_HITTEST = CM_BASE + 10;
constexpr unsigned CM_VISIBLECHANGED = CM_BASE + 11;
constexpr unsigned CM_ENABLEDCHANGED = CM_BASE + 12;
constexpr unsigned CM_COLORCHANGED = CM_BASE + 13;
constexpr unsigned CM_FONTCHANGED = CM_BASE + 14;
constexpr unsigned CM_CURSORCHANGED = CM_BASE + 15;
constexpr unsigned CM_TEXTCHANGED = CM_BASE + 18;
constexpr unsigned CM_MOUSEENTER = CM_BASE + 19;
constexpr unsigned CM_MOUSELEAVE = CM_BASE + 20;
constexpr unsigned CM_BUTTONPRESSED = CM_BASE + 24;
constexpr unsigned CM_SHOWINGCHANGED = CM_BASE + 25;
constexpr unsigned CM_ENTER = CM_BASE + 26;
constexpr unsigned CM_EXIT = CM_BASE + 27;
constexpr unsigned CM_DIALOGKEY = CM_BASE + 5;
constexpr unsigned CM_DIALOGCHAR = CM_BASE + 6;
// Asks the control about the hint about to show; LParam points to a THintInfo the control may
// change. A non-zero answer cancels the hint.
constexpr unsigned CM_HINTSHOW = CM_BASE + 48;
constexpr unsigned CM_RELEASE = CM_BASE + 33;
// To a window control when a child joins (LParam 1, after) or leaves (LParam 0, before) it;
// WParam is the child.
constexpr unsigned CM_CONTROLLISTCHANGE = CM_BASE + 44;
// To the main-window hooks before a key-down message is dispatched (WParam, LParam as the key's);
// a hook that answers true has taken the key.
constexpr unsigned CM_APPKEYDOWN = CM_BASE + 45;
// A form's keyboard-menu command (Alt+letter, Alt or F10 alone) offered to the main-window hooks
// before the form's own handling: WParam the command, LParam the character; a hook that took it
// answers non-zero.
constexpr unsigned CM_APPSYSCOMMAND = CM_BASE + 23;

class TControl;

// What the application is about to show as a hint. CursorRect (client coordinates of the control)
// is the part the hint belongs to: leaving it while still over the control starts a new hint.
struct THintInfo {
  TControl* HintControl = nullptr;
  win::POINT HintPos{0, 0};  // screen point of the hint window's top-left corner
  win::RECT CursorRect{0, 0, 0, 0};
  win::POINT CursorPos{0, 0};  // client coordinates of the control
  std::string HintStr;
};

}  // namespace vcl
