#include "platform/vcl/controlcanvas.h"

#include <algorithm>
#include <vector>

#include "platform/vcl/controls.h"

namespace vcl {

namespace {
std::vector<TControlCanvas*>& Borrowers() {
  static std::vector<TControlCanvas*> list;
  return list;
}
}  // namespace

TControlCanvas::~TControlCanvas() {
  FreeHandle();
}

void TControlCanvas::CreateHandle() {
  FreeHandle();
  if (auto* w = dynamic_cast<TWinControl*>(control_)) {
    window_ = w->Handle();
    borrowed_ = win::GetDC(window_);
  } else if (control_->Parent()) {
    window_ = control_->Parent()->Handle();
    borrowed_ = win::GetDC(window_);
    gdi::OffsetViewportOrgEx(borrowed_, control_->Left(), control_->Top(), nullptr);
    gdi::IntersectClipRect(borrowed_, 0, 0, control_->Width(), control_->Height());
  }
  if (!borrowed_) return;
  SetHandle(borrowed_);
  Borrowers().push_back(this);
}

void TControlCanvas::FreeHandle() {
  if (!borrowed_) return;
  SetHandle({});
  win::ReleaseDC(window_, borrowed_);
  borrowed_ = {};
  window_ = {};
  auto& l = Borrowers();
  l.erase(std::remove(l.begin(), l.end(), this), l.end());
}

void FreeControlCanvas(TCanvas* canvas) {
  if (auto* c = dynamic_cast<TControlCanvas*>(canvas)) c->FreeHandle();
}

void FreeControlCanvases(TWinControl* parent) {
  for (TControlCanvas* c : std::vector<TControlCanvas*>(Borrowers())) {
    if (c->Control() == parent || parent->ContainsControl(c->Control())) c->FreeHandle();
  }
}

void FreeDeviceContexts() {
  for (TControlCanvas* c : std::vector<TControlCanvas*>(Borrowers())) c->FreeHandle();
}

void PaintOnCanvas(TCanvas* canvas, gdi::HDC dc, const TControl* control,
                   const std::function<void()>& paint) {
  const TCanvasLoan loan(canvas, dc);
  canvas->Font()->Assign(control->Font());
  canvas->Brush()->SetColor(control->Color());
  paint();
}

}  // namespace vcl
