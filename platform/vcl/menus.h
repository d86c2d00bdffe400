#pragma once
// Keyboard shortcuts as menus carry them: a virtual key with modifier bits in one 16-bit value.
#include <string>

#include "platform/vcl/controls.h"

namespace vcl {

using TShortCut = unsigned short;
enum : TShortCut { scShift = 0x2000, scCtrl = 0x4000, scAlt = 0x8000, scNone = 0 };

TShortCut ShortCut(unsigned short Key, TShiftState Shift);
void ShortCutToKey(TShortCut ShortCut, unsigned short& Key, TShiftState& Shift);
// "Ctrl+Shift+S", "F5", "Del"; empty for 0 or a key without a name.
std::string ShortCutToText(TShortCut ShortCut);

}  // namespace vcl
