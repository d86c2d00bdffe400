#pragma once
// The map base every control of the map builds on: a class-library control that is a
// TCustomEarthMap.
#include "map/earthcustommap.h"
#include "platform/vcl/controls.h"

// A class-library control that is a map: it answers the model's questions about the control
// (size, client area, loading, repaint) and copies its back buffer to its window.
class TEarthMapBase : public vcl::TCustomControl, public TCustomEarthMap {
 public:
  explicit TEarthMapBase(rtl::TComponent* owner);
  ~TEarthMapBase() override;

  rtl::TObject* AsObject() override { return this; }
  bool Loading() const override { return (ComponentState() & rtl::csLoading) != 0; }
  int32_t MapWidth() const override { return Width(); }
  int32_t MapHeight() const override { return Height(); }
  TEarthDeviceRect MapClientRect() const override;
  void InvalidateMap() override { Invalidate(); }
  void ShowBackBuffer() override;

 protected:
  void Paint() override = 0;
};
