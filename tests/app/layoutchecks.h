// What a sailor sees of the main window's layout: where each docked window sits, and whether the
// map keeps its minimum with every window whole and in reach.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <tuple>

#include "app/mainform.h"
#include "docking/dkdock.h"
#include "platform/win/system.h"

namespace apptest {

// Each docked, visible window: its dock, its row and position there, its bounds.
using DockedPlaces = std::map<std::string, std::tuple<std::string, int, int, vcl::TRect>>;

inline DockedPlaces DockedPlacesOf(TForm1* form) {
  DockedPlaces m;
  for (int i = 0; i < form->ComponentCount(); ++i) {
    auto* w = dynamic_cast<docking::TDKCustomDockableWindow*>(form->Components(i));
    if (w && w->Visible() && w->CurrentDock() && !w->Floating())
      m[w->Name()] = {w->CurrentDock()->Name(), w->EffectiveDockRow(), w->EffectiveDockPos(),
                      w->BoundsRect()};
  }
  return m;
}

// r lies within (0, 0)-(w, h).
inline ::testing::AssertionResult Within(const vcl::TRect& r, int w, int h) {
  if (r.left >= 0 && r.top >= 0 && r.right <= w && r.bottom <= h)
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "(" << r.left << "," << r.top << ")-(" << r.right << ","
                                       << r.bottom << ") is not within " << w << " x " << h;
}

// The map keeps its minimum; every docked window lies whole inside its dock, each dock inside the
// window, and every floating window on the screen.
inline void ExpectUsable(TForm1* form) {
  EXPECT_GE(form->EarthMap1->Width(), TForm1::kMapMinWidth);
  EXPECT_GE(form->EarthMap1->Height(), TForm1::kMapMinHeight);
  for (int i = 0; i < form->ComponentCount(); ++i) {
    auto* w = dynamic_cast<docking::TDKCustomDockableWindow*>(form->Components(i));
    if (!w || !w->Visible()) continue;
    SCOPED_TRACE(w->Name());
    if (w->Floating()) {
      EXPECT_TRUE(
          Within(w->FloatingWindowParent()->BoundsRect(), win::ScreenWidth(), win::ScreenHeight()));
      continue;
    }
    const vcl::TControl* dock = w->CurrentDock();
    ASSERT_NE(dock, nullptr);
    EXPECT_TRUE(Within(w->BoundsRect(), dock->ClientWidth(), dock->ClientHeight()));
    EXPECT_TRUE(Within(dock->BoundsRect(), form->ClientWidth(), form->ClientHeight()));
  }
}

}  // namespace apptest
