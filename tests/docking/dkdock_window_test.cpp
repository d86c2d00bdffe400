// The dockable window and its floating frame: the road between dock, frame and form, the
// events on it, double clicks, and the frame's visibility and activation.
#include "platform/gdi/dc.h"
#include "platform/win/input.h"
#include "platform/win/paint.h"
#include "platform/win/window.h"
#include "tests/docking/dockfixture.h"

namespace docktest {
namespace {

class Window : public DockTest {
 protected:
  void Record(TDKCustomDockableWindow* w) {
    w->OnDockChanging = {this, [this](rtl::TObject*, bool floating, TDKDock* dock) {
                           log.push_back(std::string("changing ") + (floating ? "float"
                                                                     : dock   ? dock->Name()
                                                                              : "form"));
                         }};
    w->OnRecreating = {this, [this](rtl::TObject*) { log.push_back("recreating"); }};
    w->OnDockChangingHidden = {this,
                               [this](rtl::TObject*, bool, TDKDock*) { log.push_back("hidden"); }};
    w->OnMove = {this, [this](rtl::TObject*) { log.push_back("move"); }};
    w->OnRecreated = {this, [this](rtl::TObject*) { log.push_back("recreated"); }};
    w->OnDockChanged = {this, [this](rtl::TObject*) { log.push_back("changed"); }};
  }
  // The colour of the form's caption bar on the screen.
  win::COLORREF FormCaptionPixel() {
    RECT r{};
    win::GetWindowRect(form->Handle(), &r);
    HDC dc = win::GetDC(nullptr);
    const win::COLORREF c = gdi::GetPixel(dc, r.left + 200, r.top + 8);
    win::ReleaseDC(nullptr, dc);
    return c;
  }
  bool FrameShown(TDKCustomDockableWindow* w) {
    return w->FloatingWindowParent() && win::IsWindowVisible(w->FloatingWindowParent()->Handle());
  }
  std::vector<std::string> log;
};

TEST_F(Window, TheHandleSurvivesDockFloatDockAndEventsComeInOrder) {
  auto* t = Tool(top, 100, 20, 0, -1, "T");
  const win::HWND h = t->Handle();
  Record(t);
  t->SetFloatingPosition(POINT{300, 200});
  t->SetFloating(true);
  Pump();
  EXPECT_EQ(t->Handle(), h);
  EXPECT_TRUE(t->Floating());
  EXPECT_FALSE(t->Docked());
  EXPECT_EQ(t->CurrentDock(), nullptr);
  EXPECT_EQ(t->LastDock(), top);
  EXPECT_EQ(top->Height(), 0);
  ASSERT_TRUE(FrameShown(t));
  // The frame's client area is the tool window's: 100 x 20 inside a 4-pixel border and a
  // 15-pixel caption.
  EXPECT_EQ(t->FloatingWindowParent()->BoundsRect(), R(300, 200, 108, 43));
  EXPECT_EQ(t->ClientAreaWidth(), 100);
  const std::vector<std::string> once{"changing float", "recreating", "hidden",
                                      "move",           "recreated",  "changed"};
  EXPECT_EQ(log, once);
  log.clear();
  t->SetCurrentDock(right);
  EXPECT_EQ(t->Handle(), h);
  EXPECT_EQ(t->Parent(), right);
  EXPECT_EQ(t->FloatingWindowParent(), nullptr);
  EXPECT_EQ(Bounds(t), R(0, 0, 104, 30));
  EXPECT_EQ(log[0], "changing Right");
  log.clear();
  // Into the same dock again: no lists change and nothing fires.
  t->SetCurrentDock(right);
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(right->DockList().size(), 1u);
}

// A form building its docks and windows before it has a handle (as a main window does in its
// constructor): the windows get their grips and borders once the form is shown, the content
// inside them.
TEST_F(Window, WindowsDockedBeforeTheirFormHasAHandleGetTheirFrameWhenItIsShown) {
  vcl::TForm* other = nullptr;
  app->CreateForm(other);
  auto* dock = new TDKDock(other);
  dock->SetName("Early");
  dock->SetParent(other);
  dock->SetPosition(dpLeft);
  auto* t = new TDKToolWindow(other);
  t->SetName("EarlyTool");
  t->SetClientAreaSize(100, 40);
  t->SetCurrentDock(dock);
  ASSERT_FALSE(t->HandleAllocated());
  other->Show();
  Pump();
  const RECT inWindow = win::GetClientRectInWindow(t->Handle());
  EXPECT_GT(inWindow.left + inWindow.top, 0) << "no grip or border";
  EXPECT_EQ(inWindow.right - inWindow.left, 100);
  EXPECT_EQ(inWindow.bottom - inWindow.top, 40);
  EXPECT_EQ(t->ClientWidth(), 100);
}

TEST_F(Window, DoubleClickFloatsAndDocksAgainFirstInItsRow) {
  auto* a = Tool(top, 100, 20, 0, -1, "A");
  auto* t = Tool(top, 100, 20, 0, -1, "T");
  t->SetUseLastDock(false);
  t->SetDefaultDock(top);
  t->DoubleClick();
  ASSERT_TRUE(t->Floating());
  EXPECT_EQ(Bounds(a), R(0, 0, 110, 24));
  // Back with no last dock: to the default dock, before every window of row 0.
  t->DoubleClick();
  EXPECT_EQ(t->CurrentDock(), top);
  EXPECT_EQ(Bounds(t), R(0, 0, 110, 24));
  EXPECT_EQ(Bounds(a), R(110, 0, 110, 24));
  for (TDKDock* last : {top, bottom}) t->SetLastDock(last);  // only named: it stays
  EXPECT_EQ(Bounds(a), R(110, 0, 110, 24));
  // A window that may not float ignores the double click.
  a->SetDockMode(dmCannotFloat);
  a->DoubleClick();
  EXPECT_TRUE(a->Docked());
}

TEST_F(Window, AFloatingWindowWithNowhereToGoStaysFloating) {
  auto* t = Tool(top, 100, 20, 0, -1, "T");
  t->SetUseLastDock(false);
  t->SetFloating(true);
  ASSERT_EQ(t->LastDock(), nullptr);
  t->DoubleClick();
  EXPECT_TRUE(t->Floating());
  EXPECT_EQ(t->Parent(), t->FloatingWindowParent());
  EXPECT_TRUE(t->IsMovable());
  // A dock freed with a window in it, and a frame freed from outside, free their windows once.
  Tool(top, 100, 20, 0, -1, "Docked");
  delete std::exchange(top, nullptr);
  delete t->FloatingWindowParent();
  EXPECT_TRUE(!form->FindComponent("Docked") && !form->FindComponent("T"));
}

TEST_F(Window, TheFrameHidesWithTheApplicationAndWithItsMinimisedForm) {
  auto* t = Tool(top, 100, 20, 0, -1, "T");
  t->SetFloating(true);
  Pump();
  ASSERT_TRUE(FrameShown(t));
  t->SetResizable(false);  // made anew with the other border, the frame stays shown
  Pump();
  ASSERT_TRUE(FrameShown(t));
  win::ActivateOtherApplication();
  Pump();
  EXPECT_FALSE(FrameShown(t));
  win::SetActiveWindow(form->Handle());
  Pump();
  EXPECT_TRUE(FrameShown(t));
  form->SetWindowState(vcl::wsMinimized);
  Pump();
  EXPECT_FALSE(FrameShown(t));
  form->SetWindowState(vcl::wsNormal);
  win::SetActiveWindow(form->Handle());
  Pump();
  EXPECT_TRUE(FrameShown(t));
  // Without HideWhenInactive it stays while another application is active.
  t->SetHideWhenInactive(false);
  win::ActivateOtherApplication();
  Pump();
  EXPECT_TRUE(FrameShown(t));
}

TEST_F(Window, ClicksAndFocusInAFloatingWindowKeepTheFormActive) {
  auto* t = Tool(top, 100, 40, 0, -1, "T");
  t->SetFloatingPosition(POINT{400, 300});
  t->SetFloating(true);
  Pump();
  const win::COLORREF active = gdi::GetSysColor(gdi::COLOR_ACTIVECAPTION);
  ASSERT_EQ(FormCaptionPixel(), active);
  Click(t, 50, 20);
  EXPECT_EQ(win::GetActiveWindow(), form->Handle());
  EXPECT_EQ(FormCaptionPixel(), active);
  EXPECT_TRUE(FrameShown(t));
  // Focus moved into the floating window activates its frame, not a new form: the form and
  // the application stay active, the caption too, and no floating window hides.
  t->SetFocus();
  Pump();
  EXPECT_EQ(win::GetFocus(), t->Handle());
  EXPECT_TRUE(form->Active());
  EXPECT_TRUE(app->Active());
  EXPECT_EQ(FormCaptionPixel(), active);
  EXPECT_TRUE(FrameShown(t));
  // Leaving for another program deactivates the form through the frame.
  win::ActivateOtherApplication();
  Pump();
  EXPECT_FALSE(form->Active());
  EXPECT_FALSE(FrameShown(t));
}

TEST_F(Window, TheSystemCloseKeyOnAFrameClosesTheMainWindow) {
  auto* t = Tool(top, 100, 40, 0, -1, "T");
  t->SetFloating(true);
  Pump();
  bool formClosed = false, toolClosed = false;
  form->OnClose = {this, [&](rtl::TObject*, vcl::TCloseAction& action) {
                     formClosed = true;
                     action = vcl::caNone;
                   }};
  t->OnClose = {this, [&](rtl::TObject*) { toolClosed = true; }};
  t->SetFocus();
  Pump();
  Key(win::VK_F4, false, false, true);
  EXPECT_TRUE(formClosed);
  EXPECT_FALSE(toolClosed);
  EXPECT_TRUE(t->Visible());
}

TEST_F(Window, TheCloseButtonsHideTheWindowUnlessTheQueryRefuses) {
  auto* t = Tool(top, 100, 40, 0, -1, "T");
  t->SetCloseButtonWhenDocked(true);
  // The handle grows to 14 pixels for the button.
  EXPECT_EQ(Bounds(t), R(0, 0, 118, 44));
  bool allow = false;
  t->OnCloseQuery = {this, [&](rtl::TObject*, bool& can) { can = allow; }};
  const POINT b = FramePoint(t, 8, 7);
  ClickAt(b);
  EXPECT_TRUE(t->Visible());
  allow = true;
  ClickAt(b);
  EXPECT_FALSE(t->Visible());
  EXPECT_EQ(top->Height(), 0);
  // Floating: the frame's caption button.
  t->Show();
  t->SetFloatingPosition(POINT{500, 400});
  t->SetFloating(true);
  Pump();
  RECT close = t->FloatingWindowParent()->GetCloseButtonRect(true);
  const POINT c = FramePoint(t->FloatingWindowParent(), (close.left + close.right) / 2,
                             (close.top + close.bottom) / 2);
  ClickAt(c);
  EXPECT_FALSE(t->Visible());
  EXPECT_FALSE(FrameShown(t));
  t->Show();  // then freed while its close button is held
  win::InputScript script;
  script.Move(c.x, c.y).Down(c.x, c.y).Then([&] { delete t; }).Move(c.x + 1, c.y).Up(c.x, c.y);
  RunScript(script);
  EXPECT_EQ(win::GetCapture(), nullptr);
}

// Docked with its caption shown, the name runs in a small-caption strip across the top in place
// of the grip, in a vertical and a horizontal dock alike; the strip drags the window out, and a
// docked close button sits at its right end.
TEST_F(Window, ADockedCaptionNamesTheWindowAndTheStripIsItsHandle) {
  const int strip = win::GetSystemMetrics(win::SM_CYSMCAPTION);
  auto* v = Tool(left, 100, 40, 0, -1, "V");
  auto* h = Tool(bottom, 100, 40, 0, -1, "H");
  v->SetDockedCaption(true);
  h->SetDockedCaption(true);
  Pump();
  // Two-pixel border all round, the strip on top, no grip at the start of the row.
  EXPECT_EQ(Bounds(v), R(0, 0, 104, 2 + strip + 40 + 2));
  EXPECT_EQ(Bounds(h), R(0, 0, 104, 2 + strip + 40 + 2));
  EXPECT_EQ(v->ClientToScreen(POINT{0, 0}).y - FramePoint(v, 0, 0).y, 2 + strip);

  // The caption's text in the strip: pixels of the caption text colour, none once it is empty.
  const win::COLORREF ink = gdi::GetSysColor(gdi::COLOR_CAPTIONTEXT);
  auto inked = [&](TDKToolWindow* w) {
    HDC dc = win::GetDC(nullptr);
    int n = 0;
    for (int y = 2; y < 2 + strip - 1; ++y)
      for (int x = 2; x < w->Width() - 2; ++x) {
        const POINT p = FramePoint(w, x, y);
        n += gdi::GetPixel(dc, p.x, p.y) == ink;
      }
    win::ReleaseDC(nullptr, dc);
    return n;
  };
  v->SetCaption("Boat speed");
  Pump();
  EXPECT_GT(inked(v), 20);
  v->SetCaption("");
  Pump();
  EXPECT_EQ(inked(v), 0);

  // A docked close button at the right end of the strip.
  h->SetCloseButtonWhenDocked(true);
  Pump();
  EXPECT_EQ(Bounds(h), R(0, 0, 104, 2 + strip + 40 + 2));
  ClickAt(FramePoint(h, h->Width() - 8, 2 + strip / 2));
  EXPECT_FALSE(h->Visible());

  // Pressed anywhere else on the strip, the window is dragged as by its grip.
  const POINT p = FramePoint(v, 30, 2 + strip / 2);
  const POINT to = Screen(form, 400, 300);
  win::InputScript script;
  script.Move(p.x, p.y).Down(p.x, p.y).Move(to.x, to.y).Up(to.x, to.y);
  RunScript(script);
  EXPECT_TRUE(v->Floating());
  EXPECT_TRUE(v->Visible());
}

TEST_F(Window, TheFrameSitsAboveItsFormAndWhatTheFormOwnsAndNoHigher) {
  auto* t = Tool(top, 100, 40, 0, -1, "T");
  auto* owned = new vcl::TForm(app.get());  // owned by the main form
  owned->SetBounds(600, 400, 200, 150);
  owned->Show();
  win::WNDCLASS wc{};
  wc.lpszClassName = "Stranger";
  win::RegisterClass(&wc);
  const win::HWND stranger = win::CreateWindowEx(0, "Stranger", "", win::WS_POPUP | win::WS_VISIBLE,
                                                 50, 50, 100, 100, nullptr, 0, nullptr);
  win::SetActiveWindow(form->Handle());
  const win::UINT keep = win::SWP_NOMOVE | win::SWP_NOSIZE | win::SWP_NOACTIVATE;
  win::SetWindowPos(owned->Handle(), win::HWND_TOP, 0, 0, 0, 0, keep);
  win::SetWindowPos(stranger, win::HWND_TOP, 0, 0, 0, 0, keep);
  t->SetFloating(true);
  Pump();
  std::vector<win::HWND> order;
  win::EnumThreadWindows([&](win::HWND h) {
    if (h == stranger || h == owned->Handle() || h == form->Handle() ||
        h == t->FloatingWindowParent()->Handle())
      order.push_back(h);
    return win::TRUE;
  });
  EXPECT_EQ(order, (std::vector<win::HWND>{stranger, t->FloatingWindowParent()->Handle(),
                                           owned->Handle(), form->Handle()}));
  EXPECT_EQ(win::GetWindow(t->FloatingWindowParent()->Handle(), win::GW_OWNER), form->Handle());
  EXPECT_FALSE(win::GetWindowLong(t->FloatingWindowParent()->Handle(), win::GWL_EXSTYLE) &
               win::WS_EX_TOPMOST);
  // Over all forms: owned by the application and topmost.
  t->SetFloatingMode(fmOnTopOfAllForms);
  EXPECT_TRUE(win::GetWindowLong(t->FloatingWindowParent()->Handle(), win::GWL_EXSTYLE) &
              win::WS_EX_TOPMOST);
  EXPECT_EQ(win::GetWindow(t->FloatingWindowParent()->Handle(), win::GW_OWNER), app->Handle());
  win::DestroyWindow(stranger);
}

class Accelerated : public TDKToolWindow {
 public:
  using TDKToolWindow::TDKToolWindow;
  int heard = 0;

 protected:
  bool DialogChar(unsigned key) override {
    if (key != 'X' && key != 'x') return false;
    ++heard;
    return true;
  }
};

TEST_F(Window, KeysOfTheFormReachItsFloatingWindowsAndEscapeGoesBack) {
  auto* t = new Accelerated(form);
  t->SetName("Accelerated");
  t->SetClientAreaSize(100, 40);
  t->SetCurrentDock(top);
  t->SetFloating(true);
  Pump();
  form->SetFocus();
  Pump();
  Key('X', false, false, true);
  EXPECT_EQ(t->heard, 1);
  // Escape in a floating window hands the focus back to the form.
  t->SetFocus();
  Pump();
  ASSERT_EQ(win::GetFocus(), t->Handle());
  Key(win::VK_ESCAPE);
  EXPECT_EQ(vcl::TWinControl::FindControl(win::GetFocus())->GetParentForm(), form);
}

TEST_F(Window, AWindowWithoutAFormCannotFloat) {
  auto* t = new TDKToolWindow(nullptr);
  t->SetName("Lonely");
  EXPECT_THROW(t->SetFloating(true), rtl::EInvalidOperation);
  delete t;
}

}  // namespace
}  // namespace docktest
