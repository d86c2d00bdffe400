#include "docking/dktoolwindow.h"

#include <algorithm>

namespace docking {

TDKToolWindow::TDKToolWindow(rtl::TComponent* AOwner) : TDKCustomDockableWindow(AOwner) {
  SetDockableWindowStyles(dkdsResizeEightCorner | dkdsResizeClipCursor);
  SetBounds(0, 0, 32, 32);
}

int TDKToolWindow::ClientAreaWidth() const {
  return Parent() ? ClientWidth() : Width();
}

int TDKToolWindow::ClientAreaHeight() const {
  return Parent() ? ClientHeight() : Height();
}

void TDKToolWindow::SetClientAreaSize(int AWidth, int AHeight) {
  if (Parent())
    SetBounds(Left(), Top(), AWidth + (Width() - ClientWidth()),
              AHeight + (Height() - ClientHeight()));
  else
    SetBounds(Left(), Top(), AWidth, AHeight);
}

SIZE TDKToolWindow::CalcSize(TDKDock* NewDock) const {
  SIZE s = barSize_;
  // Docked full-size or stretching, the dock gives the length: ask only for the minimum.
  if (NewDock && (FullSize() || Stretch())) {
    if (NewDock->IsVertical())
      s.cy = minClientHeight_;
    else
      s.cx = minClientWidth_;
  }
  return s;
}

SIZE TDKToolWindow::DoArrange(bool, TDKDockType, bool NewFloating, TDKDock* NewDock) {
  return CalcSize(NewFloating ? nullptr : NewDock);
}

void TDKToolWindow::GetMinMaxSize(int& AMinClientWidth, int& AMinClientHeight, int& AMaxClientWidth,
                                  int& AMaxClientHeight) {
  AMinClientWidth = minClientWidth_;
  AMinClientHeight = minClientHeight_;
  AMaxClientWidth = maxClientWidth_;
  AMaxClientHeight = maxClientHeight_;
}

void TDKToolWindow::SizeChanging(int AWidth, int AHeight) {
  barSize_.cx = AWidth;
  barSize_.cy = AHeight;
  if (Parent()) {
    barSize_.cx += ClientWidth() - Width();
    barSize_.cy += ClientHeight() - Height();
  }
}

void TDKToolWindow::SetShrinkMode(TDKShrinkMode v) {
  if (shrinkMode_ == v) return;
  shrinkMode_ = v;
  if (CurrentDock() && Docked()) CurrentDock()->ArrangeToolbars();
}

void TDKToolWindow::GetMinShrinkSize(int& AMinimumSize) {
  const bool vertical = CurrentDock() && CurrentDock()->IsVertical();
  AMinimumSize = vertical ? minClientHeight_ : minClientWidth_;
}

void TDKToolWindow::ReadPositionData(const TDKReadPositionData& Data) {
  if (!Resizable()) return;
  const int cw = Data.ReadIntProc(Name(), "ClientWidth", barSize_.cx, Data.ExtraData);
  const int ch = Data.ReadIntProc(Name(), "ClientHeight", barSize_.cy, Data.ExtraData);
  // A hand-edited size is brought within the window's limits and the screen.
  const RECT wa = WorkArea();
  int maxW = wa.right - wa.left, maxH = wa.bottom - wa.top;
  if (maxClientWidth_ > 0) maxW = std::min(maxW, maxClientWidth_);
  if (maxClientHeight_ > 0) maxH = std::min(maxH, maxClientHeight_);
  const int minW = std::max(1, minClientWidth_), minH = std::max(1, minClientHeight_);
  SetClientAreaSize(std::clamp(cw, minW, std::max(minW, maxW)),
                    std::clamp(ch, minH, std::max(minH, maxH)));
}

void TDKToolWindow::WritePositionData(const TDKWritePositionData& Data) {
  Data.WriteIntProc(Name(), "ClientWidth", barSize_.cx, Data.ExtraData);
  Data.WriteIntProc(Name(), "ClientHeight", barSize_.cy, Data.ExtraData);
}

}  // namespace docking
