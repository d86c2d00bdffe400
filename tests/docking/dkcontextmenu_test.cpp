// Right-click menus of docked and floating windows, and the context key.
#include "docking/dkpopupmenu.h"
#include "platform/win/input.h"
#include "tests/docking/dockfixture.h"

namespace docktest {
namespace {

class ContextMenu : public DockTest {
 protected:
  void SetUp() override {
    DockTest::SetUp();
    menu = new TDKPopupMenu(form);
    auto* item = new TDKItem(nullptr);
    item->SetCaption("&Hide");
    item->OnClick = rtl::TNotifyEvent(this, [this](rtl::TObject*) { ++hidden; });
    menu->Items()->Add(item);
    menu->OnPopup = rtl::TNotifyEvent(this, [this](rtl::TObject*) { ++popups; });
  }
  // Runs the script; while the menu is open the point it opened at is noted and Escape ends it.
  void OpenAndNote(win::InputScript& script) {
    script.Then([this] { at = menu->PopupPoint(); }).Key(win::VK_ESCAPE);
    RunScript(script);
  }
  TDKPopupMenu* menu = nullptr;
  int popups = 0;
  int hidden = 0;
  vcl::TPoint at{-1, -1};
};

TEST_F(ContextMenu, ARightClickOnADockedFrameOrAFloatingCaptionShowsTheWindowsMenu) {
  auto* t = Tool(top, 100, 20, 0, -1, "T");
  t->SetPopupMenu(menu);
  Pump();
  // The drag handle of a window in the top dock is at its left.
  const POINT handle = FramePoint(t, 3, 10);
  ASSERT_EQ(win::SendMessage(t->Handle(), win::WM_NCHITTEST, 0, win::PointToLParam(handle)),
            HT_DKDRAGHANDLE);
  win::InputScript script;
  script.Move(handle.x, handle.y).Down(handle.x, handle.y, 1).Up(handle.x, handle.y, 1);
  OpenAndNote(script);
  EXPECT_EQ(popups, 1);
  EXPECT_EQ(at, (vcl::TPoint{handle.x, handle.y}));

  // Floating: the frame's caption.
  t->SetFloatingPosition(POINT{300, 200});
  t->SetFloating(true);
  Pump();
  const POINT caption = FramePoint(t->FloatingWindowParent(), 30, 10);
  ASSERT_EQ(win::SendMessage(t->FloatingWindowParent()->Handle(), win::WM_NCHITTEST, 0,
                             win::PointToLParam(caption)),
            win::HTCAPTION);
  win::InputScript again;
  again.Move(caption.x, caption.y).Down(caption.x, caption.y, 1).Up(caption.x, caption.y, 1);
  again.Key('H');
  RunScript(again);
  EXPECT_EQ(popups, 2);
  EXPECT_EQ(menu->PopupPoint(), (vcl::TPoint{caption.x, caption.y}));
  EXPECT_EQ(hidden, 1);
}

TEST_F(ContextMenu, TheContextKeysOpenTheFocusedControlsMenuAtItsTopLeft) {
  auto* t = Tool(top, 100, 40, 0, -1, "T");
  auto* inner = new vcl::TCustomControl(form);
  inner->SetParent(t);
  inner->SetBounds(10, 5, 50, 20);
  inner->SetTabStop(true);
  t->SetPopupMenu(menu);  // the inner control has none: its parent's is shown
  Pump();
  win::SetFocus(inner->Handle());
  const vcl::TPoint corner = inner->ClientToScreen(vcl::TPoint{0, 0});
  win::InputScript script;
  script.Then(win::KeyDown(win::VK_SHIFT)).Key(win::VK_F10).Then(win::KeyUp(win::VK_SHIFT));
  OpenAndNote(script);
  EXPECT_EQ(popups, 1);
  EXPECT_EQ(at, corner);
  win::InputScript apps;
  apps.Key(win::VK_APPS);
  OpenAndNote(apps);
  EXPECT_EQ(popups, 2);
  EXPECT_EQ(at, corner);
  // F10 alone is the keyboard menu, not the context menu.
  win::InputScript f10;
  f10.Key(win::VK_F10);
  RunScript(f10);
  EXPECT_EQ(popups, 2);
  EXPECT_EQ(hidden, 0);
}

}  // namespace
}  // namespace docktest
