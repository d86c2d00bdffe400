#pragma once
// The default window procedure: frames and hit codes, cursors, activation on click, text,
// keyboard-menu commands, closing, and the move and size loops of the system commands.
#include "platform/win/types.h"

namespace win {

LRESULT DefWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

}  // namespace win
