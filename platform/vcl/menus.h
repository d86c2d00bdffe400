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

enum TPopupAlignment { paLeft, paRight, paCenter };
enum TTrackButton { tbRightButton, tbLeftButton };

// A context menu: where and how it pops up. Descendants show their own items in Popup.
class TPopupMenu : public rtl::TComponent {
 public:
  using rtl::TComponent::TComponent;
  // Records the point and fires OnPopup; the descendant shows the menu.
  virtual void Popup(int X, int Y);
  TPoint PopupPoint() const { return popupPoint_; }
  TPopupAlignment Alignment() const { return alignment_; }
  void SetAlignment(TPopupAlignment v) { alignment_ = v; }
  TTrackButton TrackButton() const { return trackButton_; }
  void SetTrackButton(TTrackButton v) { trackButton_ = v; }
  bool AutoPopup() const { return autoPopup_; }
  void SetAutoPopup(bool v) { autoPopup_ = v; }
  rtl::TComponent* PopupComponent() const { return popupComponent_; }
  void SetPopupComponent(rtl::TComponent* v) { popupComponent_ = v; }
  rtl::TNotifyEvent OnPopup;

 protected:
  void SetPopupPoint(TPoint p) { popupPoint_ = p; }

 private:
  TPoint popupPoint_{-1, -1};
  TPopupAlignment alignment_ = paLeft;
  TTrackButton trackButton_ = tbRightButton;
  bool autoPopup_ = true;
  rtl::TComponent* popupComponent_ = nullptr;
};

}  // namespace vcl
