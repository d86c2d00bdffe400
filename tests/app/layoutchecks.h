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
      const vcl::TRect f = w->FloatingWindowParent()->BoundsRect();
      EXPECT_GE(f.left, 0);
      EXPECT_GE(f.top, 0);
      EXPECT_LE(f.right, win::ScreenWidth());
      EXPECT_LE(f.bottom, win::ScreenHeight());
      continue;
    }
    ASSERT_NE(w->CurrentDock(), nullptr);
    const vcl::TControl* dock = w->CurrentDock();
    EXPECT_GE(w->Left(), 0);
    EXPECT_GE(w->Top(), 0);
    EXPECT_LE(w->Left() + w->Width(), dock->ClientWidth());
    EXPECT_LE(w->Top() + w->Height(), dock->ClientHeight());
    EXPECT_GE(dock->Left(), 0);
    EXPECT_GE(dock->Top(), 0);
    EXPECT_LE(dock->Left() + dock->Width(), form->ClientWidth());
    EXPECT_LE(dock->Top() + dock->Height(), form->ClientHeight());
  }
}

}  // namespace apptest
