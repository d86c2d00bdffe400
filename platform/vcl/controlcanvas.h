#pragma once
// The canvas of a control outside of painting: it borrows a DC of the control's window (or of
// its parent's window, clipped to a graphic control) on first use and gives it back when the
// message being handled is done (FreeDeviceContexts) or the control goes away.
#include <functional>

#include "platform/vcl/canvas.h"
#include "platform/vcl/messages.h"

namespace vcl {

class TControl;
class TWinControl;

class TControlCanvas : public TCanvas {
 public:
  explicit TControlCanvas(TControl* control) : control_(control) {}
  ~TControlCanvas() override;
  TControl* Control() const { return control_; }
  void FreeHandle();

 protected:
  void CreateHandle() override;

 private:
  TControl* control_;
  win::HWND window_{};
  gdi::HDC borrowed_{};
};

// Gives back the DC a control canvas borrowed (no-op for a canvas that borrowed none).
void FreeControlCanvas(TCanvas* canvas);
// Gives back the DCs of every canvas of the controls inside the window control.
void FreeControlCanvases(TWinControl* parent);
// Gives back every borrowed DC; the application calls it after each message.
void FreeDeviceContexts();

// Lends a paint DC to a canvas (giving back any DC it borrowed) for the life of the object: the
// canvas lets go of it however the painting ends, so it never keeps a DC released by its owner.
class TCanvasLoan {
 public:
  TCanvasLoan(TCanvas* canvas, gdi::HDC dc) : canvas_(canvas) {
    FreeControlCanvas(canvas_);
    canvas_->SetHandle(dc);
  }
  ~TCanvasLoan() { canvas_->SetHandle({}); }
  TCanvasLoan(const TCanvasLoan&) = delete;
  TCanvasLoan& operator=(const TCanvasLoan&) = delete;

 private:
  TCanvas* canvas_;
};

// Runs a control's Paint on its canvas over the paint DC, with the control's font and colour.
void PaintOnCanvas(TCanvas* canvas, gdi::HDC dc, const TControl* control,
                   const std::function<void()>& paint);

}  // namespace vcl
