// What a sailor sees of the main window's layout: where each docked window sits, and whether the
// map keeps its minimum with every window whole and in reach.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

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

// c's bounds in the form's client coordinates.
inline vcl::TRect OnForm(TForm1* form, const vcl::TControl* c) {
  const vcl::TPoint o = c->Parent()->ClientToScreen(vcl::TPoint{c->Left(), c->Top()});
  const vcl::TPoint f = form->ClientToScreen(vcl::TPoint{0, 0});
  return vcl::TRect{o.x - f.x, o.y - f.y, o.x - f.x + c->Width(), o.y - f.y + c->Height()};
}

// The map keeps its minimum; every docked window lies whole inside its dock or is put away beyond
// its edge, each dock inside the window; every floating window is on the screen; no two of the
// map, the shown docked windows and the status line's parts overlap.
inline void ExpectUsable(TForm1* form) {
  EXPECT_GE(form->EarthMap1->Width(), TForm1::kMapMinWidth);
  EXPECT_GE(form->EarthMap1->Height(), TForm1::kMapMinHeight);
  std::vector<std::pair<std::string, vcl::TRect>> shown{{"the map", OnForm(form, form->EarthMap1)}};
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
    if (w->PutAway()) {  // beyond the dock's edge
      EXPECT_TRUE(w->Left() >= dock->ClientWidth() || w->Top() >= dock->ClientHeight());
      continue;
    }
    EXPECT_TRUE(Within(w->BoundsRect(), dock->ClientWidth(), dock->ClientHeight()));
    EXPECT_TRUE(Within(dock->BoundsRect(), form->ClientWidth(), form->ClientHeight()));
    shown.emplace_back(w->Name(), OnForm(form, w));
  }
  for (int i = 0; i < form->StatusPanel->ControlCount(); ++i) {
    const vcl::TControl* c = form->StatusPanel->Controls(i);
    EXPECT_TRUE(Within(c->BoundsRect(), form->StatusPanel->ClientWidth(),
                       form->StatusPanel->ClientHeight()))
        << c->Name();
    shown.emplace_back(c->Name(), OnForm(form, c));
  }
  for (size_t i = 0; i < shown.size(); ++i)
    for (size_t j = i + 1; j < shown.size(); ++j) {
      const vcl::TRect &a = shown[i].second, &b = shown[j].second;
      EXPECT_FALSE(a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom)
          << shown[i].first << " overlaps " << shown[j].first;
    }
}

}  // namespace apptest
