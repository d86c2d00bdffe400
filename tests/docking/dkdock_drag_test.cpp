// The drag and size loops driven by scripted input: each step runs when the loop waits.
#include <functional>
#include <utility>

#include "platform/gdi/dc.h"
#include "platform/rtl/rtlmath.h"
#include "platform/win/input.h"
#include "platform/win/message.h"
#include "platform/win/paint.h"
#include "platform/win/window.h"
#include "tests/docking/dockfixture.h"

namespace docktest {
namespace {

class Drag : public DockTest {
 protected:
  static win::HCURSOR Cursor(int id) { return win::LoadCursor(nullptr, id); }
  std::vector<uint8_t> ScreenBytes() {
    const auto& s = win::ComposeScreen();
    return std::vector<uint8_t>(s.Bits(), s.Bits() + s.ByteSize());
  }
  // A grip point of a window docked in a top or bottom dock.
  static POINT Grip(TDKCustomDockableWindow* w) { return FramePoint(w, 4, 12); }
  // A step that has `f` run 10 ms later from a timer, which the loop's own pump dispatches.
  static std::function<void()> FromATimer(std::function<void()> f) {
    return [f] {
      win::SetTimer(nullptr, 0, 10, [f](win::HWND, win::UINT, win::UINT_PTR id, win::DWORD) {
        win::KillTimer(nullptr, id);
        f();
      });
    };
  }
};

TEST_F(Drag, FromOneDockToAnother) {
  auto* a = Tool(top, 100, 20, 0, -1, "A");
  const POINT p = Grip(a);
  const POINT into = Screen(form, 790, 300);
  win::InputScript script;
  script.Move(p.x, p.y)
      .Down(p.x, p.y)
      .Move(p.x + 100, p.y + 100)
      .Move(into.x, into.y)
      .Up(into.x, into.y);
  RunScript(script);
  EXPECT_EQ(a->CurrentDock(), right);
  EXPECT_EQ(a->LastDock(), right);
  // It lands where it was let go: the cursor at 300 less the grab point scaled to the new
  // height, 12 * 29 / 23 = 15.1, so 285 below the dock's top (the top dock emptied meanwhile).
  EXPECT_EQ(Bounds(a), R(0, 285, 104, 30));
  EXPECT_EQ(right->Width(), 104);
  EXPECT_EQ(top->Height(), 0);
  EXPECT_EQ(win::GetCapture(), nullptr);
}

TEST_F(Drag, OutOfADockTheFrameSitsAtTheCursorLessTheGrabPoint) {
  auto* a = Tool(top, 100, 20, 0, -1, "A");
  const win::HWND h = a->Handle();
  const POINT p = Grip(a);
  const POINT to = Screen(form, 400, 300);
  win::InputScript script;
  script.Move(p.x, p.y).Down(p.x, p.y).Move(to.x, to.y).Up(to.x, to.y);
  RunScript(script);
  ASSERT_TRUE(a->Floating());
  EXPECT_EQ(a->Handle(), h);
  // Grabbed at (4, 12) of 110 x 24; the frame is 108 x 43, so the grab point scales to
  // (4 * 107 / 109, 12 * 42 / 23) = (3.93, 21.9), rounded (4, 22).
  EXPECT_EQ(rtl::MulDiv(4, 107, 109), 4);
  EXPECT_EQ(rtl::MulDiv(12, 42, 23), 22);
  EXPECT_EQ(a->FloatingWindowParent()->BoundsRect(), R(to.x - 4, to.y - 22, 108, 43));
  EXPECT_EQ(a->FloatingPosition(), (POINT{to.x - 4, to.y - 22}));
  EXPECT_EQ(a->LastDock(), top);
}

TEST_F(Drag, ControlHeldNeverDocksAndItsReleaseCountsAtOnce) {
  auto* t = Tool(top, 100, 20, 0, -1, "T");
  t->SetFloatingPosition(POINT{300, 300});
  t->SetFloating(true);
  Pump();
  const POINT p = FramePoint(t->FloatingWindowParent(), 40, 8);
  const POINT into = Screen(form, 790, 300);
  bool floatingWithCtrl = false, dockedAfterRelease = false;
  win::InputScript script;
  script.Then(win::KeyDown(win::VK_CONTROL))
      .Move(p.x, p.y)
      .Down(p.x, p.y)
      .Move(into.x - 50, into.y)
      .Move(into.x, into.y);
  script.Then([&] { floatingWithCtrl = t->Floating(); });
  script.Then(win::KeyUp(win::VK_CONTROL));
  script.Then([&] { dockedAfterRelease = t->CurrentDock() == right; });
  script.Up(into.x, into.y);
  RunScript(script);
  EXPECT_TRUE(floatingWithCtrl);
  EXPECT_TRUE(dockedAfterRelease);
  EXPECT_EQ(t->CurrentDock(), right);
}

TEST_F(Drag, AFloatingWindowPressedAndReleasedInPlaceStaysFloating) {
  auto* t = Tool(top, 100, 20, 0, -1, "T");
  // Its caption lies in the top dock's band: one pixel of movement would dock it.
  const POINT origin = form->ClientToScreen(POINT{0, 0});
  t->SetFloatingPosition(POINT{origin.x + 200, origin.y - 18});
  t->SetFloating(true);
  Pump();
  const POINT p = FramePoint(t->FloatingWindowParent(), 50, 8);
  win::InputScript script;
  script.Move(p.x, p.y).Down(p.x, p.y).Up(p.x, p.y);
  RunScript(script);
  EXPECT_TRUE(t->Floating());
  EXPECT_EQ(t->FloatingWindowParent()->BoundsRect(), R(origin.x + 200, origin.y - 18, 108, 43));
  win::InputScript again;
  again.After(1000).Move(p.x, p.y).Down(p.x, p.y).Move(p.x + 1, p.y).Up(p.x + 1, p.y);
  RunScript(again);
  EXPECT_EQ(t->CurrentDock(), top);
}

TEST_F(Drag, EscapeOrAnotherPressRestoresRowAndPosition) {
  Tool(top, 100, 20, 0, -1, "A");
  auto* b = Tool(top, 100, 20, 0, -1, "B");
  const POINT p = Grip(b);
  const POINT away = Screen(form, 400, 300);
  win::InputScript script;
  script.Move(p.x, p.y).Down(p.x, p.y).Move(away.x, away.y).Key(win::VK_ESCAPE).Up(away.x, away.y);
  RunScript(script);
  ASSERT_TRUE(b->Floating());  // moved live before the Escape
  EXPECT_EQ(b->DockRow(), 0);
  EXPECT_EQ(b->DockPos(), 110);
  b->DoubleClick();
  EXPECT_EQ(Bounds(b), R(110, 0, 110, 24));

  const POINT q = Grip(b);
  win::InputScript second;
  second.After(1000)
      .Move(q.x, q.y)
      .Down(q.x, q.y)
      .Move(away.x, away.y + 40)
      .Down(away.x, away.y + 40)
      .Up(away.x, away.y + 40);
  RunScript(second);
  EXPECT_TRUE(b->Floating());
  EXPECT_EQ(b->DockRow(), 0);
  EXPECT_EQ(b->DockPos(), 110);
}

TEST_F(Drag, AlongAnOverfullRowTheWindowSplitsAfterTenPixels) {
  auto* a = new ShrinkBar(form, SIZE{490, 20}, 100);
  a->SetCurrentDock(top);
  auto* b = new ShrinkBar(form, SIZE{290, 20}, 190);
  b->SetCurrentDock(top);
  auto* c = Tool(top, 390, 20, 0, -1, "C");
  ASSERT_EQ(Bounds(c), R(400, 0, 400, 24));
  const POINT p = Grip(c);
  bool splitAt5 = true, splitAt12 = false;
  win::HCURSOR at5 = nullptr, at12 = nullptr;
  win::InputScript script;
  script.Move(p.x, p.y).Down(p.x, p.y).Move(p.x - 5, p.y);
  script.Then([&] {
    splitAt5 = c->DragSplitting();
    at5 = win::GetCursor();
  });
  script.Move(p.x - 12, p.y);
  script.Then([&] {
    splitAt12 = c->DragSplitting();
    at12 = win::GetCursor();
  });
  script.Move(p.x - 60, p.y).Up(p.x - 60, p.y);
  RunScript(script);
  EXPECT_FALSE(splitAt5);
  EXPECT_EQ(at5, Cursor(win::IDC_SIZEALL));
  EXPECT_TRUE(splitAt12);
  EXPECT_EQ(at12, Cursor(win::IDC_SIZEWE));
  // It pushed its neighbours instead of jumping rows.
  EXPECT_EQ(c->EffectiveDockRow(), 0);
  EXPECT_EQ(top->Height(), 24);
  EXPECT_LE(Bounds(c).right, 800);
  EXPECT_GE(a->Width(), 110);
  EXPECT_GE(b->Width(), 200);
}

TEST_F(Drag, AWindowThatCannotFloatShowsNotAllowedOutsideDocks) {
  auto* a = Tool(top, 100, 20, 0, -1, "A");
  a->SetDockMode(dmCannotFloat);
  const POINT p = Grip(a);
  const POINT away = Screen(form, 400, 300);
  win::HCURSOR during = nullptr;
  win::InputScript script;
  script.Move(p.x, p.y).Down(p.x, p.y).Move(away.x, away.y);
  script.Then([&] { during = win::GetCursor(); });
  script.Up(away.x, away.y);
  RunScript(script);
  EXPECT_EQ(during, Cursor(win::IDC_NO));
  EXPECT_EQ(a->CurrentDock(), top);
  EXPECT_EQ(Bounds(a), R(0, 0, 110, 24));
}

TEST_F(Drag, AnOutlineLeavesNoTraceOnTheDesktop) {
  auto* a = Tool(top, 100, 20, 0, -1, "A");
  a->SetSmoothDrag(false);
  Pump();
  const auto before = ScreenBytes();
  const POINT p = Grip(a);
  const POINT away = Screen(form, 400, 300);
  bool outlineShown = false, stillDocked = false;
  win::InputScript cancelled;
  cancelled.Move(p.x, p.y).Down(p.x, p.y).Move(away.x, away.y);
  cancelled.Then([&] {
    outlineShown = ScreenBytes() != before;
    stillDocked = a->Docked();
  });
  cancelled.Key(win::VK_ESCAPE).Up(away.x, away.y);
  RunScript(cancelled);
  EXPECT_TRUE(outlineShown);
  EXPECT_TRUE(stillDocked);
  EXPECT_TRUE(ScreenBytes() == before);

  win::InputScript accepted;  // a second later: not a double click
  accepted.After(1000).Move(p.x, p.y).Down(p.x, p.y).Move(away.x, away.y).Up(away.x, away.y);
  RunScript(accepted);
  ASSERT_TRUE(a->Floating());
  EXPECT_EQ(a->FloatingWindowParent()->BoundsRect(), R(away.x - 4, away.y - 22, 108, 43));
  const auto after = ScreenBytes();
  win::RedrawWindow(nullptr, nullptr, nullptr,
                    win::RDW_INVALIDATE | win::RDW_ERASE | win::RDW_FRAME | win::RDW_ALLCHILDREN);
  Pump();
  EXPECT_TRUE(ScreenBytes() == after);
}

TEST_F(Drag, DoubleClickOnTheFrameCaptionDocksAgain) {
  auto* t = Tool(top, 100, 20, 0, -1, "T");
  t->SetFloatingPosition(POINT{500, 400});
  t->SetFloating(true);
  Pump();
  const POINT p = FramePoint(t->FloatingWindowParent(), 40, 8);
  win::InputScript script;
  script.Move(p.x, p.y).Click(p.x, p.y).Click(p.x, p.y);
  RunScript(script);
  EXPECT_EQ(t->CurrentDock(), top);
  EXPECT_EQ(t->FloatingWindowParent(), nullptr);
}

TEST_F(Drag, AFloatingToolWindowSizedByACornerStopsAt32AndGrowsPastItsFrame) {
  auto* t = Tool(nullptr, 100, 60, 0, -1, "T");
  t->SetParent(form);
  t->SetFloatingPosition(POINT{400, 300});
  t->SetFloating(true);
  Pump();
  auto* frame = t->FloatingWindowParent();
  ASSERT_EQ(frame->BoundsRect(), R(400, 300, 108, 83));
  const POINT corner{400 + 107, 300 + 82};
  win::GetSettings().monitors[0].work = RECT{0, 0, 1280, 770};
  RECT clipped{};
  win::InputScript shrink;
  shrink.Move(corner.x, corner.y).Down(corner.x, corner.y).Move(corner.x - 300, corner.y - 300);
  shrink.Then([&] { win::GetClipCursor(&clipped); });
  shrink.Up(corner.x - 300, corner.y - 300);
  RunScript(shrink);
  // A tool window keeps the pointer in the work area while it sizes, and frees it after.
  EXPECT_EQ(clipped, (RECT{0, 0, 1280, 770}));
  RECT after{};
  win::GetClipCursor(&after);
  EXPECT_EQ(after, (RECT{0, 0, 1280, 800}));
  // 32 x 32 client pixels inside the 8-pixel border and the 15-pixel caption.
  EXPECT_EQ(frame->BoundsRect(), R(400, 300, 40, 55));
  EXPECT_EQ(t->ClientAreaWidth(), 32);
  EXPECT_EQ(t->ClientAreaHeight(), 32);
  const POINT corner2{400 + 39, 300 + 54};
  win::InputScript grow;
  grow.Move(corner2.x, corner2.y)
      .Down(corner2.x, corner2.y)
      .Move(corner2.x + 268, corner2.y + 178)
      .Up(corner2.x + 268, corner2.y + 178);
  RunScript(grow);
  EXPECT_EQ(frame->BoundsRect(), R(400, 300, 308, 233));
  EXPECT_EQ(t->BarSize(), (SIZE{300, 210}));
  // A left edge moves the left side, and the right side stays.
  const POINT edge{400, 300 + 100};
  win::InputScript fromLeft;
  fromLeft.Move(edge.x, edge.y)
      .Down(edge.x, edge.y)
      .Move(edge.x + 50, edge.y)
      .Up(edge.x + 50, edge.y);
  RunScript(fromLeft);
  EXPECT_EQ(frame->BoundsRect(), R(450, 300, 258, 233));
}

TEST_F(Drag, ADockThatRefusesOrIsNotAllowedIsPassedOver) {
  auto* a = Tool(top, 100, 20, 0, -1, "A");
  std::vector<std::string> asked;
  right->OnRequestDock = {this, [&](rtl::TObject*, TDKCustomDockableWindow* bar, bool& accept) {
                            asked.push_back(bar->Name());
                            accept = false;
                          }};
  const POINT p = Grip(a);
  const POINT into = Screen(form, 790, 300);
  win::InputScript refused;
  refused.Move(p.x, p.y).Down(p.x, p.y).Move(into.x, into.y).Up(into.x, into.y);
  RunScript(refused);
  EXPECT_FALSE(asked.empty());
  EXPECT_EQ(asked.front(), "A");
  EXPECT_TRUE(a->Floating());
  right->OnRequestDock = nullptr;
  // A window not dockable to the right does not even ask.
  a->DoubleClick();
  ASSERT_EQ(a->CurrentDock(), top);
  a->SetDockableTo(DockableToAll & ~(1u << dpRight));
  const POINT q = Grip(a);
  win::InputScript notAllowed;
  notAllowed.After(1000).Move(q.x, q.y).Down(q.x, q.y).Move(into.x, into.y).Up(into.x, into.y);
  RunScript(notAllowed);
  EXPECT_TRUE(a->Floating());
  // One that may not change docks stays in its own.
  auto* b = Tool(top, 100, 20, 0, -1, "B");
  b->SetDockMode(dmCannotFloatOrChangeDocks);
  const POINT g = Grip(b);
  const POINT bottomDock = Screen(form, 300, 598);
  win::InputScript stay;
  stay.After(1000)
      .Move(g.x, g.y)
      .Down(g.x, g.y)
      .Move(bottomDock.x, bottomDock.y)
      .Up(bottomDock.x, bottomDock.y);
  RunScript(stay);
  EXPECT_EQ(b->CurrentDock(), top);
}

TEST_F(Drag, TheDockTellsOfWindowsComingAndGoing) {
  std::vector<std::string> heard;
  right->OnInsertRemoveBar = {this,
                              [&](rtl::TObject*, bool inserting, TDKCustomDockableWindow* bar) {
                                heard.push_back((inserting ? "+" : "-") + bar->Name());
                              }};
  auto* a = Tool(right, 40, 100, 0, -1, "A");
  a->Hide();
  a->Show();
  a->SetCurrentDock(left);
  EXPECT_EQ(heard, (std::vector<std::string>{"+A", "-A", "+A", "-A"}));
  right->OnInsertRemoveBar = nullptr;
}

// Raising handlers too give back the capture, the pointer's clip and the sizing's end.
TEST_F(Drag, AHandlerThatFreesOrRaisesEndsTheLoopCleanly) {
  auto* a = Tool(top, 100, 20, 0, -1, "A");
  auto* b = Tool(top, 100, 20, 0, -1, "B");
  win::GetSettings().monitors[0].work = RECT{0, 0, 1280, 770};  // the clip while sizing
  const POINT p = Grip(a), away = Screen(form, 400, 300), into = Screen(form, 790, 300);
  win::InputScript dockGoes;
  dockGoes.Move(p.x, p.y).Down(p.x, p.y).Move(away.x, away.y);
  dockGoes.Then(FromATimer([&] { delete std::exchange(right, nullptr); })).After(50);
  dockGoes.Move(into.x, into.y).Up(into.x, into.y);  // where the dock was
  RunScript(dockGoes);
  EXPECT_EQ(a->FloatingWindowParent()->BoundsRect(), R(away.x - 4, away.y - 22, 108, 43));
  // Freed while it is sized, and while it is dragged.
  const POINT c{away.x - 4 + 107, away.y - 22 + 42}, q = Grip(b);
  win::InputScript windowsGo;
  windowsGo.Move(c.x, c.y).Down(c.x, c.y).Move(c.x + 9, c.y + 9);
  windowsGo.Then(FromATimer([&] { delete a; })).After(50).Move(c.x + 20, c.y).Up(c.x + 20, c.y);
  windowsGo.After(1000).Move(q.x, q.y).Down(q.x, q.y).Move(away.x, away.y);
  windowsGo.Then(FromATimer([&] { delete b; })).After(50).Move(into.x, into.y).Up(into.x, into.y);
  RunScript(windowsGo);
  struct Refusing : TDKToolWindow {  // sizing raises; its ends are counted
    using TDKToolWindow::TDKToolWindow;
    void ResizeTrack(RECT&, const RECT&) override { throw rtl::Exception("refused"); }
    void ResizeEnd() override { ++ends; }
    int ends = 0;
  };
  auto* d = Tool(top, 100, 20, 0, -1, "D");
  d->OnDockChanging = {this, [](rtl::TObject*, bool, TDKDock*) { throw rtl::Exception("no"); }};
  auto* r = new Refusing(form);
  r->SetParent(form);
  r->SetFloating(true);
  for (int k = 0; k < 2; ++k) {
    Pump();
    win::PostRawInput(win::MouseMove(600 + 50 * k, 500));
    win::PostRawInput(win::MouseUp(600 + 50 * k, 500));
    EXPECT_THROW(k ? r->BeginSizing(twshBottomRight) : d->BeginMoving(4, 4), rtl::Exception);
    EXPECT_EQ(win::GetCapture(), nullptr);
  }
  RECT clip{};
  win::GetClipCursor(&clip);
  EXPECT_EQ(clip, (RECT{0, 0, 1280, 800}));
  EXPECT_EQ(r->ends, 1);
}

// A window of one pixel has its grab point at 0 of 0: the dock's band must not divide by it.
class Dot : public TDKCustomDockableWindow {
 public:
  using TDKCustomDockableWindow::TDKCustomDockableWindow;
  SIZE DoArrange(bool, TDKDockType, bool, TDKDock*) override { return SIZE{1, 1}; }
  void GetBaseSize(SIZE& s) override { s = SIZE{1, 1}; }
};

TEST_F(Drag, AOnePixelWindowFindsADock) {
  auto* dot = new Dot(form);
  dot->SetParent(form);
  dot->Arrange();
  ASSERT_EQ(dot->Width(), 1);
  const POINT into = Screen(form, 400, 2);
  win::PostRawInput(win::MouseMove(into.x, into.y));
  win::PostRawInput(win::MouseUp(into.x, into.y));
  dot->BeginMoving(0, 0);
  EXPECT_EQ(dot->CurrentDock(), top);
  EXPECT_EQ(top->Height(), 5);
}

}  // namespace
}  // namespace docktest
