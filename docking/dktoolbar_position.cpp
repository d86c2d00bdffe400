// What the saved layout keeps of a toolbar beside its place.
#include <algorithm>

#include "docking/dktoolbar.h"

namespace docking {

void TDKCustomToolbar::ReadPositionData(const TDKReadPositionData& Data) {
  const int v = Data.ReadIntProc(Name(), "FloatRightX", 0, Data.ExtraData);
  const RECT wa = WorkArea();
  SetFloatingWidth(std::clamp(v, 0, std::max(0, int(wa.right - wa.left))));
}

void TDKCustomToolbar::WritePositionData(const TDKWritePositionData& Data) {
  Data.WriteIntProc(Name(), "FloatRightX", FloatingWidth(), Data.ExtraData);
}

}  // namespace docking
