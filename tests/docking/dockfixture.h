#pragma once
// A form of 800 x 600 client pixels with a dock on each edge, on the virtual clock.
#include <gtest/gtest.h>

#include "docking/dkdock.h"
#include "docking/dkitem.h"
#include "docking/dktoolwindow.h"
#include "platform/win/scriptedinput.h"
#include "platform/win/settings.h"
#include "tests/platform/vcl/vcltest.h"

namespace gdi {
inline void PrintTo(const RECT& r, std::ostream* os) {
  *os << "(" << r.left << "," << r.top << ")-(" << r.right << "," << r.bottom << ")";
}
}  // namespace gdi

namespace docktest {

using namespace docking;

// A window that can shrink towards a minimum length, as a toolbar with a chevron does.
class ShrinkBar : public TDKCustomDockableWindow {
 public:
  ShrinkBar(rtl::TComponent* owner, SIZE base, int minLength)
      : TDKCustomDockableWindow(owner), base_(base), min_(minLength) {}
  SIZE DoArrange(bool, TDKDockType, bool, TDKDock*) override { return base_; }
  void GetBaseSize(SIZE& s) override { s = base_; }
  void GetMinShrinkSize(int& m) override { m = min_; }
  TDKShrinkMode GetShrinkMode() const override { return dksmChevron; }

 private:
  SIZE base_;
  int min_;
};

class DockTest : public vcltest::VclTest {
 protected:
  void SetUp() override {
    VclTest::SetUp();
    app->CreateForm(form);
    form->SetBounds(100, 50, 808, 627);
    form->SetClientWidth(800);
    form->SetClientHeight(600);
    top = MakeDock(dpTop, "Top");
    bottom = MakeDock(dpBottom, "Bottom");
    left = MakeDock(dpLeft, "Left");
    right = MakeDock(dpRight, "Right");
    form->Show();
    Pump();
  }

  TDKDock* MakeDock(TDKDockPosition p, const char* name) {
    auto* d = new TDKDock(form);
    d->SetName(name);
    d->SetParent(form);
    d->SetPosition(p);
    return d;
  }

  // A tool window of the given client size docked at (row, pos).
  TDKToolWindow* Tool(TDKDock* dock, int cw, int ch, int row = 0, int pos = -1,
                      const char* name = "Tool") {
    auto* t = new TDKToolWindow(form);
    t->SetName(name);
    t->SetCaption(name);
    t->SetClientAreaSize(cw, ch);
    t->SetDockRow(row);
    t->SetDockPos(pos);
    if (dock) t->SetCurrentDock(dock);
    return t;
  }

  static TRect Bounds(const vcl::TControl* c) { return c->BoundsRect(); }

  // Runs the scripted input until it is used up.
  void RunScript(win::InputScript& script) {
    for (int guard = 0; guard < 1000 && !script.Done(); ++guard) {
      app->HandleMessage();
    }
    Pump();
  }

  // A click at a screen point, queued whole: a press may start a loop of its own.
  void ClickAt(POINT p) {
    win::PostRawInput(win::MouseMove(p.x, p.y));
    win::PostRawInput(win::MouseDown(p.x, p.y));
    win::PostRawInput(win::MouseUp(p.x, p.y));
    Pump();
  }

  POINT Screen(vcl::TControl* c, int x, int y) { return c->ClientToScreen(POINT{x, y}); }
  // A point of a window's frame (window coordinates) on the screen.
  static POINT FramePoint(vcl::TWinControl* w, int x, int y) {
    RECT r{};
    win::GetWindowRect(w->Handle(), &r);
    return POINT{r.left + x, r.top + y};
  }

  vcl::TForm* form = nullptr;
  TDKDock* top = nullptr;
  TDKDock* bottom = nullptr;
  TDKDock* left = nullptr;
  TDKDock* right = nullptr;
};

inline TRect R(int l, int t, int w, int h) {
  return TRect{l, t, l + w, t + h};
}

// An item shown by viewers of class V.
template <class V>
struct ItemViewedAs : TDKItem {
  using TDKItem::TDKItem;
  TDKItemViewerClass GetItemViewerClass(TDKView*) const override {
    return TDKItemViewerClass::Of<V>();
  }
};

}  // namespace docktest
