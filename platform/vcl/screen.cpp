#include "platform/vcl/screen.h"

#include <algorithm>

namespace vcl {

TScreen* Screen = nullptr;

void TScreen::RemoveForm(TCustomForm* f) {
  forms_.erase(std::remove(forms_.begin(), forms_.end(), f), forms_.end());
}

std::vector<TCustomForm*> TScreen::ZOrdered() const {
  std::vector<TCustomForm*> out;
  win::EnumThreadWindows([&](win::HWND w) {
    if (auto* f = dynamic_cast<TCustomForm*>(TWinControl::FindControl(w))) {
      if (std::find(forms_.begin(), forms_.end(), f) != forms_.end() && f->Visible())
        out.push_back(f);
    }
    return win::TRUE;
  });
  for (TCustomForm* f : forms_)
    if (std::find(out.begin(), out.end(), f) == out.end()) out.push_back(f);
  return out;
}

TCustomForm* TScreen::Forms(int i) const {
  return ZOrdered().at(static_cast<size_t>(i));
}

TCustomForm* TScreen::ActiveForm() const {
  win::HWND a = win::GetActiveWindow();
  for (TCustomForm* f : forms_)
    if (f->HandleAllocated() && f->Handle() == a) return f;
  return nullptr;
}

TCustomForm* TScreen::ModalForm() const {
  for (TCustomForm* f : ZOrdered())
    if (f->Modal() && f->HandleAllocated() && win::IsWindowEnabled(f->Handle())) return f;
  return nullptr;
}

TWinControl* TScreen::ActiveControl() const {
  TCustomForm* f = ActiveForm();
  return f ? f->ActiveControl() : nullptr;
}

int TScreen::Width() const {
  return win::GetSystemMetrics(win::SM_CXSCREEN);
}
int TScreen::Height() const {
  return win::GetSystemMetrics(win::SM_CYSCREEN);
}

TRect TScreen::WorkAreaRect() const {
  TRect r{0, 0, Width(), Height()};
  win::SystemParametersInfo(win::SPI_GETWORKAREA, 0, &r, 0);
  return r;
}

win::HCURSOR CursorHandle(TCursor c) {
  int id = win::IDC_ARROW;
  switch (c) {
    case crCross:
      id = win::IDC_CROSS;
      break;
    case crIBeam:
      id = win::IDC_IBEAM;
      break;
    case crSizeNESW:
      id = win::IDC_SIZENESW;
      break;
    case crSizeNS:
    case crVSplit:
      id = win::IDC_SIZENS;
      break;
    case crSizeNWSE:
      id = win::IDC_SIZENWSE;
      break;
    case crSizeWE:
    case crHSplit:
      id = win::IDC_SIZEWE;
      break;
    case crHourGlass:
      id = win::IDC_WAIT;
      break;
    case crNo:
      id = win::IDC_NO;
      break;
    case crHandPoint:
      id = win::IDC_HAND;
      break;
    case crSizeAll:
      id = win::IDC_SIZEALL;
      break;
    default:
      break;
  }
  return win::LoadCursor(nullptr, id);
}

void TScreen::SetCursor(TCursor v) {
  cursor_ = v;
  win::SetCursor(CursorHandle(v == crDefault ? crArrow : v));
}

}  // namespace vcl
