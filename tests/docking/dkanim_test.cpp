// Popup animation on the virtual clock: fade steps, slide offsets worked out by hand, the
// pointer ending it, and a start that fails half-way.
#include "docking/dkanim.h"

#include <gtest/gtest.h>

#include "platform/gdi/objects.h"
#include "platform/win/defproc.h"
#include "platform/win/input.h"
#include "platform/win/paint.h"
#include "platform/win/settings.h"
#include "platform/win/window.h"
#include "tests/platform/vcl/vcltest.h"

namespace {

using namespace docking;

int gEnded = 0;
win::HWND gEndedWnd = nullptr;

class Anim : public vcltest::VclTest {
 protected:
  void SetUp() override {
    VclTest::SetUp();
    gEnded = 0;
    gEndedWnd = nullptr;
    win::WNDCLASS wc{};
    wc.lpszClassName = "AnimPopup";
    wc.hbrBackground = gdi::COLOR_HIGHLIGHT + 1;
    wc.lpfnWndProc = [](win::HWND h, unsigned m, win::WPARAM w, win::LPARAM l) -> win::LRESULT {
      if (m == WM_DK_ANIMATIONENDED) ++gEnded, gEndedWnd = h;
      return win::DefWindowProc(h, m, w, l);
    };
    win::RegisterClass(&wc);
  }
  void TearDown() override {
    DKEndAnimation(nullptr);
    VclTest::TearDown();
  }
  win::HWND Popup(int x, int y, int w, int h) {
    return win::CreateWindowEx(win::WS_EX_TOOLWINDOW, "AnimPopup", "",
                               win::WS_POPUP | win::WS_BORDER, x, y, w, h, nullptr, 0, nullptr);
  }
  // Moves the clock and lets the animation take its next step.
  void At(unsigned ms) {
    clock->Advance(ms - elapsed_);
    elapsed_ = ms;
    DKUpdateAnimation();
  }
  static win::BYTE Alpha(win::HWND h) {
    win::BYTE alpha = 0;
    win::DWORD flags = 0;
    win::GetLayeredWindowAttributes(h, nullptr, &alpha, &flags);
    return alpha;
  }
  static gdi::RECT RegionBox(win::HWND h) {
    gdi::Region r;
    if (!win::GetWindowRgn(h, &r)) return gdi::RECT{-1, -1, -1, -1};
    return r.Box();
  }
  unsigned elapsed_ = 0;
};

TEST_F(Anim, AFadeStartsAt40AndIsOpaqueBy175Ms) {
  const win::HWND h = Popup(100, 100, 200, 100);
  DKStartAnimation(h, true, dkadDown);
  ASSERT_TRUE(DKIsAnimationInProgress());
  EXPECT_TRUE(win::IsWindowVisible(h));
  EXPECT_TRUE(win::GetWindowLong(h, win::GWL_EXSTYLE) & win::WS_EX_LAYERED);
  EXPECT_EQ(Alpha(h), 40);
  At(5);  // less than 10 ms since the last step: nothing
  EXPECT_EQ(detail::AnimationStep(), 40);
  At(100);  // 100 * 255 / 175 = 145, plus 40
  EXPECT_EQ(Alpha(h), 185);
  At(174);  // 174 * 255 / 175 = 253, plus 40 passes 255: done
  EXPECT_FALSE(DKIsAnimationInProgress());
  EXPECT_FALSE(win::GetWindowLong(h, win::GWL_EXSTYLE) & win::WS_EX_LAYERED);
  EXPECT_EQ(gEnded, 1);
  EXPECT_EQ(gEndedWnd, h);
}

TEST_F(Anim, WithoutLayeredWindowsItSlidesIntoPlace) {
  win::GetSettings().missingEntryPoints.insert("UpdateLayeredWindow");
  const win::HWND h = Popup(100, 100, 200, 100);
  DKStartAnimation(h, true, dkadDown | dkadLeft);
  ASSERT_TRUE(DKIsAnimationInProgress());
  EXPECT_FALSE(win::GetWindowLong(h, win::GWL_EXSTYLE) & win::WS_EX_LAYERED);
  // Nothing of it shows yet.
  EXPECT_EQ(RegionBox(h), (gdi::RECT{0, 0, 0, 0}));
  At(75);  // step 75 * 255 / 150 = 127
  // Down: 100 * 127 / 255 = 49.8, so 50 - 100 = -50; left: 200 - 200 * 127 / 255 (99.6) = 100.
  EXPECT_EQ(RegionBox(h), (gdi::RECT{100, -50, 300, 50}));
  At(120);  // step 204: 100 * 204 / 255 = 80, 200 * 204 / 255 = 160
  EXPECT_EQ(RegionBox(h), (gdi::RECT{40, -20, 240, 80}));
  At(150);
  EXPECT_FALSE(DKIsAnimationInProgress());
  EXPECT_EQ(RegionBox(h), (gdi::RECT{-1, -1, -1, -1}));  // the region is gone
  EXPECT_EQ(gEnded, 1);
}

TEST_F(Anim, ThePointerMovingInFinishesItAtOnce) {
  win::GetSettings().missingEntryPoints.insert("UpdateLayeredWindow");
  const win::HWND h = Popup(100, 100, 200, 100);
  win::SetCursorPos(50, 50);
  Pump();
  DKStartAnimation(h, false, dkadUp);
  At(20);
  EXPECT_TRUE(DKIsAnimationInProgress());
  win::SetCursorPos(60, 50);  // moved, but outside
  At(40);
  EXPECT_TRUE(DKIsAnimationInProgress());
  win::SetCursorPos(150, 150);
  At(60);
  EXPECT_FALSE(DKIsAnimationInProgress());
  EXPECT_EQ(gEnded, 1);
}

TEST_F(Anim, ASecondStartFinishesTheFirst) {
  const win::HWND a = Popup(100, 100, 200, 100);
  const win::HWND b = Popup(400, 100, 200, 100);
  DKStartAnimation(a, true, 0);
  DKStartAnimation(b, true, 0);
  EXPECT_EQ(gEnded, 1);
  EXPECT_EQ(gEndedWnd, a);
  EXPECT_FALSE(win::GetWindowLong(a, win::GWL_EXSTYLE) & win::WS_EX_LAYERED);
  DKEndAnimation(a);  // not the running one
  EXPECT_TRUE(DKIsAnimationInProgress());
  DKEndAnimation(nullptr);
  EXPECT_EQ(gEnded, 2);
}

TEST_F(Anim, AStartThatFailsHalfWayGivesEverythingBackAndShowsThePopup) {
  // One whole animation first: the graphics layer makes its stock objects on first use.
  const win::HWND warm = Popup(100, 100, 200, 100);
  DKStartAnimation(warm, true, dkadDown);
  DKEndAnimation(nullptr);
  win::DestroyWindow(warm);
  // The platform refuses the bitmap, or the memory DC after the bitmap was made.
  for (gdi::ObjType refused : {gdi::OBJ_BITMAP, gdi::OBJ_MEMDC}) {
    const win::HWND h = Popup(100, 100, 200, 100);
    const size_t before = gdi::ObjectTable::Count();
    gdi::FailNextCreations(refused);
    DKStartAnimation(h, true, dkadDown);
    EXPECT_FALSE(DKIsAnimationInProgress());
    EXPECT_EQ(gdi::ObjectTable::Count(), before) << "refused " << refused;
    EXPECT_TRUE(win::IsWindowVisible(h));
    win::DestroyWindow(h);
  }
}

TEST_F(Anim, TheEndOfTheWindowSystemFinishesARunningAnimation) {
  const win::HWND h = Popup(100, 100, 200, 100);
  DKStartAnimation(h, false, dkadDown);
  At(30);
  ASSERT_TRUE(DKIsAnimationInProgress());
  const size_t before = gdi::ObjectTable::Count();
  app.reset();
  win::Shutdown();
  EXPECT_FALSE(DKIsAnimationInProgress());
  EXPECT_EQ(gEnded, 1);
  EXPECT_EQ(gEndedWnd, h);
  EXPECT_LT(gdi::ObjectTable::Count(), before);  // its DCs and bitmap went back
  // A new window system starts with no animation of the old one.
  win::Config config;
  config.clock = clock;
  win::Initialize(config);
  DKEndAnimation(nullptr);
  EXPECT_EQ(gEnded, 1);
}

}  // namespace
