#include "platform/vcl/menus.h"

#include "platform/win/messages.h"

namespace vcl {

TShortCut ShortCut(unsigned short Key, TShiftState Shift) {
  if (Key & 0xFF00) return scNone;
  TShortCut r = Key;
  if (Shift & ssShift) r |= scShift;
  if (Shift & ssCtrl) r |= scCtrl;
  if (Shift & ssAlt) r |= scAlt;
  return r;
}

void ShortCutToKey(TShortCut ShortCut, unsigned short& Key, TShiftState& Shift) {
  Key = ShortCut & 0xFF;
  Shift = 0;
  if (ShortCut & scShift) Shift |= ssShift;
  if (ShortCut & scCtrl) Shift |= ssCtrl;
  if (ShortCut & scAlt) Shift |= ssAlt;
}

namespace {

std::string KeyName(unsigned key) {
  if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z')) return std::string(1, char(key));
  if (key >= 0x70 && key <= 0x87) return "F" + std::to_string(key - 0x6F);
  if (key >= 0x60 && key <= 0x69) return "Num " + std::to_string(key - 0x60);
  switch (key) {
    case 0x08:
      return "BkSp";
    case 0x09:
      return "Tab";
    case 0x0D:
      return "Enter";
    case 0x1B:
      return "Esc";
    case 0x20:
      return "Space";
    case 0x21:
      return "PgUp";
    case 0x22:
      return "PgDn";
    case 0x23:
      return "End";
    case 0x24:
      return "Home";
    case 0x25:
      return "Left";
    case 0x26:
      return "Up";
    case 0x27:
      return "Right";
    case 0x28:
      return "Down";
    case 0x2D:
      return "Ins";
    case 0x2E:
      return "Del";
    case 0xBB:
      return "=";
    case 0xBC:
      return ",";
    case 0xBD:
      return "-";
    case 0xBE:
      return ".";
    case 0xBF:
      return "/";
    default:
      return {};
  }
}

}  // namespace

std::string ShortCutToText(TShortCut ShortCut) {
  const std::string name = KeyName(ShortCut & 0xFF);
  if (name.empty()) return {};
  std::string r;
  if (ShortCut & scShift) r += "Shift+";
  if (ShortCut & scCtrl) r += "Ctrl+";
  if (ShortCut & scAlt) r += "Alt+";
  return r + name;
}

void TPopupMenu::Popup(int X, int Y) {
  popupPoint_ = TPoint{X, Y};
  if (OnPopup) OnPopup(this);
}

}  // namespace vcl
