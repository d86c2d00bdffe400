// Popups open with the system's menu animation and sounds: a slide or a fade that the menu loop
// advances on the virtual clock, none for a popup opened with a selection, and the menu sounds.
#include "docking/dkanim.h"

#include <cmath>

#include "docking/dkcommon.h"
#include "platform/gdi/image.h"
#include "platform/win/paint.h"
#include "platform/win/settings.h"
#include "platform/win/sinks.h"
#include "tests/docking/itemfixture.h"

namespace itemtest {
namespace {

class PopupAnimation : public ItemTest {
 protected:
  void SetUp() override {
    ItemTest::SetUp();
    root = new TDKRootItem(form);
    sub = Add<TDKSubmenuItem>(root, "&Charts");
    Add(sub, "&Speed");
    Add(sub, "&Depth");
    Add(root, "&Log");
  }
  void TearDown() override {
    win::SetSoundObserver(nullptr);
    ItemTest::TearDown();
  }
  // The popup windows on the screen, visible or not.
  static std::vector<TDKPopupWindow*> Popups() {
    std::vector<TDKPopupWindow*> r;
    for (win::HWND h = win::GetWindow(win::GetDesktopWindow(), win::GW_CHILD); h;
         h = win::GetWindow(h, win::GW_HWNDNEXT))
      if (auto* p = dynamic_cast<TDKPopupWindow*>(vcl::TWinControl::FindControl(h))) r.push_back(p);
    return r;
  }
  static int VisiblePopups() {
    int n = 0;
    for (TDKPopupWindow* p : Popups()) n += win::IsWindowVisible(p->Handle()) ? 1 : 0;
    return n;
  }
  // The screen's pixels in a rectangle, row by row.
  static std::vector<uint32_t> Grab(const RECT& r) {
    const gdi::Surface& screen = win::ComposeScreen();
    std::vector<uint32_t> px;
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x) px.push_back(screen.Get(x, y));
    return px;
  }
  static bool Layered(TDKPopupWindow* p) {
    return (win::GetWindowLong(p->Handle(), win::GWL_EXSTYLE) & win::WS_EX_LAYERED) != 0;
  }
  TDKRootItem* root = nullptr;
  TDKSubmenuItem* sub = nullptr;
};

TEST_F(PopupAnimation, APointPopupSlidesDownAndRightAndIsInPlaceWithin150Ms) {
  win::GetSettings().menuFade = false;
  win::InputScript script;
  bool startedEmpty = false;
  unsigned direction = 0;
  int midStep = -1;
  bool runningAt160 = true;
  vcl::TColor corner = 0;
  script.Then([&] {
    ASSERT_EQ(Popups().size(), 1u);
    direction = Popups()[0]->Direction();
    startedEmpty = DKIsAnimationInProgress() && detail::AnimationStep() == 0;
  });
  script.After(80).Then([&] { midStep = detail::AnimationStep(); });
  script.After(80).Then([&] {
    runningAt160 = DKIsAnimationInProgress();
    ProcessPaintMessages();
    RECT r{};
    win::GetWindowRect(Popups()[0]->Handle(), &r);
    corner = gdi::NativeToColor(win::ComposeScreen().Get(r.left + 1, r.top + 1));
  });
  script.Key(win::VK_ESCAPE);
  root->Popup(200, 150, false);
  // Below and right of the point: it slides down and to the right.
  EXPECT_EQ(direction, unsigned(dkpdDown | dkpdRight));
  EXPECT_TRUE(startedEmpty);
  // 255 x t / 150 at the last update, 70 to 80 ms in: steps 119 to 136.
  EXPECT_GE(midStep, 119);
  EXPECT_LE(midStep, 136);
  EXPECT_FALSE(runningAt160);
  // The raised frame's highlight at its corner: the whole popup is in place.
  EXPECT_EQ(corner, gdi::ColorToRGB(gdi::clBtnHighlight));
}

TEST_F(PopupAnimation, ASlideShowsMoreOfThePictureOnTheScreenAtEachStep) {
  win::GetSettings().menuFade = false;
  // The popup's picture, opened without animation.
  win::GetSettings().menuAnimation = false;
  RECT r{};
  std::vector<uint32_t> picture;
  win::InputScript still;
  still.Then([&] {
    ProcessPaintMessages();
    win::GetWindowRect(Popups()[0]->Handle(), &r);
    picture = Grab(r);
  });
  still.Key(win::VK_ESCAPE);
  root->Popup(200, 150, false);
  Pump();
  ASSERT_FALSE(picture.empty());

  win::GetSettings().menuAnimation = true;
  std::vector<uint32_t> background, at80, at120, last;
  int step80 = 0, step120 = 0;
  win::InputScript script;
  script.Then([&] { background = Grab(r); });
  script.After(80).Then([&] {
    step80 = detail::AnimationStep();
    at80 = Grab(r);
  });
  script.After(40).Then([&] {
    step120 = detail::AnimationStep();
    at120 = Grab(r);
  });
  script.After(60).Then([&] {
    ProcessPaintMessages();
    last = Grab(r);
  });
  script.Key(win::VK_ESCAPE);
  root->Popup(200, 150, false);
  ASSERT_FALSE(last.empty());

  // Sliding down and right, the picture's lower right part shows at the top left of its place,
  // step / 255 of each side (rounded); the rest of the place still shows what was under it.
  const int w = r.right - r.left, h = r.bottom - r.top;
  auto wrongPixels = [&](const std::vector<uint32_t>& shot, int step) {
    const int vw = static_cast<int>(std::lround(w * step / 255.0));
    const int vh = static_cast<int>(std::lround(h * step / 255.0));
    int wrong = 0;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const uint32_t want = x < vw && y < vh ? picture[(y + h - vh) * w + x + w - vw]
                                               : background[y * w + x];
        wrong += shot[y * w + x] != want ? 1 : 0;
      }
    return wrong;
  };
  EXPECT_NE(background, picture);
  ASSERT_GT(step80, 0);
  EXPECT_GT(step120, step80);
  EXPECT_LT(step120, 255);
  EXPECT_NE(at80, background) << "something of the popup shows at 80 ms";
  EXPECT_EQ(wrongPixels(at80, step80), 0);
  EXPECT_NE(at120, at80);
  EXPECT_EQ(wrongPixels(at120, step120), 0);
  EXPECT_EQ(last, picture);
}

TEST_F(PopupAnimation, AFadeStartsAtAlpha40AndEndsOpaque) {
  win::InputScript script;
  bool layeredAt40 = false, layeredAfter = true, running = true;
  script.Then([&] {
    ASSERT_EQ(Popups().size(), 1u);
    layeredAt40 = Layered(Popups()[0]) && detail::AnimationStep() == 40;
  });
  script.After(180).Then([&] {
    layeredAfter = Layered(Popups()[0]);
    running = DKIsAnimationInProgress();
  });
  script.Key(win::VK_ESCAPE);
  root->Popup(200, 150, false);
  EXPECT_TRUE(layeredAt40);
  EXPECT_FALSE(layeredAfter);
  EXPECT_FALSE(running);
}

TEST_F(PopupAnimation, NoAnimationForAKeyboardSubmenuOrWithTheSettingOff) {
  win::InputScript script;
  bool subAnimated = true;
  int visible = 0;
  // Down selects Charts, Right opens its submenu with Speed selected.
  script.After(200).Key(win::VK_DOWN).Key(win::VK_RIGHT).Then([&] {
    subAnimated = DKIsAnimationInProgress();
    visible = VisiblePopups();
  });
  script.Key(win::VK_ESCAPE).Key(win::VK_ESCAPE);
  root->Popup(200, 150, false);
  EXPECT_FALSE(subAnimated);
  EXPECT_EQ(visible, 2);

  win::GetSettings().menuAnimation = false;
  win::InputScript off;
  bool animated = true;
  off.Then([&] {
    animated = DKIsAnimationInProgress();
    visible = VisiblePopups();
  });
  off.Key(win::VK_ESCAPE);
  root->Popup(200, 150, false);
  EXPECT_FALSE(animated);
  EXPECT_EQ(visible, 1);
}

TEST_F(PopupAnimation, LaterPopupsSoundBeforeTheyShowAndACommandSoundsAfterTheMenu) {
  win::GetSettings().version.major = 4;  // every sound counts as set
  win::GetSettings().menuAnimation = false;
  // The run's first popup shows before its sound: one is opened and closed first.
  win::InputScript first;
  first.Key(win::VK_ESCAPE);
  root->Popup(200, 150, false);
  std::vector<std::pair<std::string, int>> heard;
  win::SetSoundObserver(
      [&](const win::SoundRequest& r) { heard.emplace_back(r.alias, VisiblePopups()); });
  win::InputScript script;
  script.After(10).Key(win::VK_DOWN).Key(win::VK_RIGHT).Key('D');
  root->Popup(200, 150, false);
  Pump();
  // Each popup sounded while it was not yet on the screen; the command after both were gone.
  const std::vector<std::pair<std::string, int>> expected{
      {"MenuPopup", 0}, {"MenuPopup", 1}, {"MenuCommand", 0}};
  EXPECT_EQ(heard, expected);
}

}  // namespace
}  // namespace itemtest
