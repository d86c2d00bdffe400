#pragma once
// TScreen: the forms of the program in z-order, the active form, the screen's size and the
// cursor shown over every window.
#include <vector>

#include "platform/vcl/forms.h"

namespace vcl {

class TScreen : public rtl::TComponent {
 public:
  explicit TScreen(rtl::TComponent* AOwner = nullptr) : rtl::TComponent(AOwner) {}

  // Visible forms first, top of the z-order first; then hidden forms in creation order.
  int FormCount() const { return static_cast<int>(forms_.size()); }
  TCustomForm* Forms(int i) const;
  TCustomForm* ActiveForm() const;
  TWinControl* ActiveControl() const;
  // The dialog to answer first: the innermost form running modally, the one its loop left
  // enabled; null when none is.
  TCustomForm* ModalForm() const;
  int Width() const;
  int Height() const;
  TRect WorkAreaRect() const;
  int PixelsPerInch() const { return 96; }
  TCursor Cursor() const { return cursor_; }
  // Anything but crDefault shows over every window until set back.
  void SetCursor(TCursor v);

  void AddForm(TCustomForm* f) { forms_.push_back(f); }
  void RemoveForm(TCustomForm* f);

 private:
  std::vector<TCustomForm*> ZOrdered() const;
  std::vector<TCustomForm*> forms_;
  TCursor cursor_ = crDefault;
};

extern TScreen* Screen;

// The platform cursor of a cursor constant.
win::HCURSOR CursorHandle(TCursor c);

}  // namespace vcl
