#pragma once
// The tool window: a dockable window with a free client area that keeps the size the user
// gave it.
#include "docking/dkdock.h"

namespace docking {

class TDKToolWindow : public TDKCustomDockableWindow {
 public:
  explicit TDKToolWindow(rtl::TComponent* AOwner);

  int ClientAreaWidth() const;
  void SetClientAreaWidth(int Value) { SetClientAreaSize(Value, ClientAreaHeight()); }
  int ClientAreaHeight() const;
  void SetClientAreaHeight(int Value) { SetClientAreaSize(ClientAreaWidth(), Value); }
  void SetClientAreaSize(int AWidth, int AHeight);
  int MinClientWidth() const { return minClientWidth_; }
  void SetMinClientWidth(int v) { minClientWidth_ = v; }
  int MinClientHeight() const { return minClientHeight_; }
  void SetMinClientHeight(int v) { minClientHeight_ = v; }
  int MaxClientWidth() const { return maxClientWidth_; }
  void SetMaxClientWidth(int v) { maxClientWidth_ = v; }
  int MaxClientHeight() const { return maxClientHeight_; }
  void SetMaxClientHeight(int v) { maxClientHeight_ = v; }
  SIZE BarSize() const { return barSize_; }
  // dksmNone (the default): the window keeps its length in a dock that is too short, and the dock
  // wraps. dksmChevron: it gives up length down to its minimum client length first, and the dock
  // wraps only what does not fit at the minimum; its own size (BarSize) stays, so it takes its
  // length again when the dock has the room.
  TDKShrinkMode ShrinkMode() const { return shrinkMode_; }
  void SetShrinkMode(TDKShrinkMode v);

  SIZE DoArrange(bool CanMoveControls, TDKDockType PreviousDockType, bool NewFloating,
                 TDKDock* NewDock) override;
  // Docked with FullSize or Stretch, the dock gives the length: the row weighs only the minimum.
  void GetBaseSize(SIZE& ASize) override { ASize = CalcSize(Docked() ? CurrentDock() : nullptr); }
  void GetMinMaxSize(int& AMinClientWidth, int& AMinClientHeight, int& AMaxClientWidth,
                     int& AMaxClientHeight) override;
  void SizeChanging(int AWidth, int AHeight) override;
  TDKShrinkMode GetShrinkMode() const override { return shrinkMode_; }
  void GetMinShrinkSize(int& AMinimumSize) override;
  // The client size, kept by the saved layout when the window is resizable.
  void ReadPositionData(const TDKReadPositionData& Data) override;
  void WritePositionData(const TDKWritePositionData& Data) override;

 protected:
  SIZE CalcSize(TDKDock* NewDock) const;

 private:
  int minClientWidth_ = 32;
  int minClientHeight_ = 32;
  int maxClientWidth_ = 0;
  int maxClientHeight_ = 0;
  SIZE barSize_{32, 32};
  TDKShrinkMode shrinkMode_ = dksmNone;
};

}  // namespace docking
