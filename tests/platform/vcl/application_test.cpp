#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/gdi/objects.h"
#include "platform/rtl/thread.h"
#include "platform/vcl/bitmap.h"
#include "platform/vcl/screen.h"
#include "platform/vcl/stdctrls.h"
#include "platform/vcl/timer.h"
#include "platform/win/paint.h"
#include "vcltest.h"

using namespace vcl;

namespace {

class App : public vcltest::VclTest {};

// A main window that, like the program's, asks the application to end while it is created.
class TQuitting : public TForm {
 public:
  explicit TQuitting(rtl::TComponent* owner) : TForm(owner) {
    OnCreate = rtl::MakeEvent(this, &TQuitting::FormCreate);
  }
  void FormCreate(rtl::TObject*) {
    Application->Terminate();
    createdCompletely = true;
  }
  bool createdCompletely = false;
};

TEST_F(App, TerminateDuringCreationEndsTheProgramWhenTheLoopStarts) {
  TQuitting* main = nullptr;
  app->CreateForm(main);
  EXPECT_TRUE(main->createdCompletely);
  EXPECT_FALSE(app->Terminated());
  EXPECT_EQ(app->MainForm(), main);
  app->Run();  // returns at once: the quit request is waiting
  EXPECT_TRUE(app->Terminated());
}

TEST_F(App, ClosingTheMainFormEndsTheLoop) {
  TForm* main = nullptr;
  app->CreateForm(main);
  win::InputScript script;
  script.Then([&] { main->Close(); });
  app->Run();
  EXPECT_TRUE(app->Terminated());
}

TEST_F(App, AnEscapedExceptionIsShownInABoxAndTheLoopGoesOn) {
  TForm* main = nullptr;
  app->CreateForm(main);
  main->Show();
  auto* b = new TButton(main);
  b->SetParent(main);
  b->OnClick = rtl::TNotifyEvent(
      b, [](rtl::TObject*) { throw rtl::EConvertError("'x' is not a valid integer value"); });
  SetDialogResponder([](const TDialogRequest&) { return TDialogAnswer{IDOK}; });
  Pump();
  Click(b);
  auto log = DialogLog();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].Text, "'x' is not a valid integer value.");
  EXPECT_EQ(log[0].Caption, "Test");
  EXPECT_EQ(log[0].Flags & MB_ICONMASK, MB_ICONSTOP);

  // The silent abort shows nothing.
  b->OnClick = rtl::TNotifyEvent(b, [](rtl::TObject*) { throw rtl::EAbort("Operation aborted"); });
  Click(b);
  EXPECT_EQ(DialogLog().size(), 1u);
  b->OnClick = rtl::TNotifyEvent(
      b, [](rtl::TObject*) { throw rtl::EConvertError("'x' is not a valid integer value"); });

  // A handler of its own replaces the box.
  std::string seen;
  app->OnException =
      TExceptionEvent(&seen, [&](rtl::TObject*, const std::exception& e) { seen = e.what(); });
  Click(b);
  EXPECT_EQ(seen, "'x' is not a valid integer value");
  EXPECT_EQ(DialogLog().size(), 1u);
}

// A worker's failure handed to the GUI thread (a serial port whose cable was pulled) used to leave
// the loop and end the program.
TEST_F(App, AnExceptionOfACallQueuedByAnotherThreadIsShownAndTheLoopGoesOn) {
  TForm* main = nullptr;
  app->CreateForm(main);
  SetDialogResponder([](const TDialogRequest&) { return TDialogAnswer{IDOK}; });
  std::thread([] {
    rtl::TThread::Queue(nullptr, [] { throw rtl::Exception("Input/output error"); });
    rtl::TThread::Queue(nullptr, [] { throw rtl::EAbort("Operation aborted"); });
  }).join();
  bool ranOn = false;
  win::InputScript script;
  script.Then([&] {
    ranOn = true;
    main->Close();
  });
  app->Run();
  EXPECT_TRUE(ranOn);
  auto log = DialogLog();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].Text, "Input/output error.");
  EXPECT_EQ(log[0].Flags & MB_ICONMASK, MB_ICONSTOP);
}

TEST_F(App, HelpCallsGoToTheSink) {
  win::ClearSinks();
  app->SetHelpFile("C:\\projects\\corvatalen\\CORVATALEN.HLP");
  app->HelpCommand(win::HELP_INDEX, 0);
  app->HelpContext(42);
  auto log = win::HelpLog();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0].file, "C:\\projects\\corvatalen\\CORVATALEN.HLP");
  EXPECT_EQ(log[0].command, win::HELP_INDEX);
  EXPECT_EQ(log[1].command, win::HELP_CONTEXT);
  EXPECT_EQ(log[1].data, 42u);
}

TEST_F(App, TheHintFollowsTheControlUnderThePointer) {
  TForm* main = nullptr;
  app->CreateForm(main);
  main->SetBounds(100, 100, 300, 200);
  main->Show();
  auto* a = new TButton(main);
  a->SetParent(main);
  a->SetBounds(10, 10, 80, 25);
  a->SetHint("Connect|Opens the port");
  auto* l = new TLabel(main);
  l->SetParent(main);
  l->SetBounds(10, 60, 80, 20);
  l->SetHint("A label");
  int changes = 0;
  app->OnHint = rtl::TNotifyEvent(&changes, [&](rtl::TObject*) { ++changes; });
  Pump();
  gdi::POINT p = ScreenPoint(a, 5, 5);
  Feed(win::MouseMove(p.x, p.y));
  EXPECT_EQ(app->Hint(), "Opens the port");
  EXPECT_EQ(app->HintControl(), a);
  p = ScreenPoint(l, 5, 5);
  Feed(win::MouseMove(p.x, p.y));
  EXPECT_EQ(app->Hint(), "A label");
  app->CancelHint();
  EXPECT_EQ(app->Hint(), "");
  EXPECT_EQ(changes, 3);
}

TEST_F(App, AHintPopsUpAfterThePointerRestsAndGoesOnAClick) {
  auto* form = new TForm(app.get());
  form->SetBounds(100, 100, 300, 200);
  form->Show();
  auto* b = new TButton(form);
  b->SetParent(form);
  b->SetBounds(10, 10, 80, 25);
  b->SetHint("Connect|Opens the port");
  b->SetShowHint(true);
  auto* quiet = new TButton(form);
  quiet->SetParent(form);
  quiet->SetBounds(10, 60, 80, 25);
  quiet->SetHint("Not shown");
  Pump();
  gdi::POINT p = ScreenPoint(b, 5, 5);
  Feed(win::MouseMove(p.x, p.y));
  Advance(app->HintPause() - 10);
  EXPECT_TRUE(!app->HintWindow() || !app->HintWindow()->Visible());
  Advance(20);
  ASSERT_NE(app->HintWindow(), nullptr);
  EXPECT_TRUE(app->HintWindow()->Visible());
  EXPECT_EQ(app->HintWindow()->Caption(), "Connect");
  EXPECT_TRUE(win::IsWindowVisible(app->HintWindow()->Handle()));
  EXPECT_TRUE(form->Active());  // the popup never takes the activation
  Feed(win::MouseDown(p.x, p.y));
  Feed(win::MouseUp(p.x, p.y));
  EXPECT_FALSE(app->HintWindow()->Visible());
  p = ScreenPoint(quiet, 5, 5);  // ShowHint off: no popup
  Feed(win::MouseMove(p.x, p.y));
  Advance(1000);
  EXPECT_FALSE(app->HintWindow()->Visible());
  EXPECT_EQ(app->Hint(), "Not shown");
}

// A label that writes down the pointer's comings and goings.
class TWatchedLabel : public TLabel {
 public:
  using TLabel::TLabel;
  std::vector<std::string> seen;

 protected:
  void WndProc(TMessage& m) override {
    if (m.Msg == CM_MOUSEENTER) seen.push_back("enter");
    if (m.Msg == CM_MOUSELEAVE) seen.push_back("leave");
    TLabel::WndProc(m);
  }
};

TEST_F(App, ControlsHearThePointerComeAndGo) {
  auto* form = new TForm(app.get());
  form->SetBounds(100, 100, 300, 200);
  form->Show();
  auto* l = new TWatchedLabel(form);
  l->SetParent(form);
  l->SetBounds(10, 10, 80, 20);
  auto* gone = new TWatchedLabel(form);
  gone->SetParent(form);
  gone->SetBounds(10, 50, 80, 20);
  Pump();
  gdi::POINT p = ScreenPoint(l, 5, 5);
  Feed(win::MouseMove(p.x, p.y));
  Feed(win::MouseMove(p.x + 1, p.y));
  p = ScreenPoint(gone, 5, 5);
  Feed(win::MouseMove(p.x, p.y));
  EXPECT_EQ(l->seen, (std::vector<std::string>{"enter", "leave"}));
  EXPECT_EQ(app->MouseControl(), gone);
  delete gone;  // the application forgets a control that goes away under the pointer
  EXPECT_EQ(app->MouseControl(), nullptr);
  EXPECT_EQ(app->HintControl(), nullptr);
}

// Controls whose Paint raises while `failing` is set, else fill themselves with red.
template <class Base>
class TFailingPaint : public Base {
 public:
  using Base::Base;
  bool failing = false;

 protected:
  void Paint() override {
    if (failing) throw rtl::EAbort("Operation aborted");
    this->Canvas()->Brush()->SetColor(TColor(0x0000FF));
    this->Canvas()->FillRect(TRect{0, 0, this->Width(), this->Height()});
  }
};

// A control of class C at (x, 10) on the form, 40 x 30.
template <class C>
TFailingPaint<C>* FailingOn(TForm* form, int x) {
  auto* c = new TFailingPaint<C>(form);
  c->SetParent(form);
  c->SetBounds(x, 10, 40, 30);
  return c;
}

TEST_F(App, APaintThatRaisesGivesBackItsDeviceContextAndThePrintersStateAndTheNextPaintIsWhole) {
  auto* form = new TForm(app.get());
  form->SetBounds(100, 100, 300, 200);
  form->Show();
  auto* window = FailingOn<TCustomControl>(form, 10);
  auto* graphic = FailingOn<TGraphicControl>(form, 60);
  Pump();
  // Failed paints, one after another, leave no more behind them than the first did.
  size_t objects = 0;
  for (int round = 0; round < 3; ++round) {
    window->failing = graphic->failing = true;
    window->Invalidate();
    form->Invalidate();
    Pump();
    if (round == 0) objects = gdi::ObjectTable::Count();
  }
  EXPECT_EQ(gdi::ObjectTable::Count(), objects);
  EXPECT_FALSE(window->Canvas()->HandleAllocated());
  EXPECT_FALSE(graphic->Canvas()->HandleAllocated());
  // Printed into another picture, the picture's drawing state comes back.
  graphic->failing = false;
  TBitmap picture;
  picture.SetSize(300, 200);
  const gdi::HDC dc = picture.Canvas()->Handle();
  EXPECT_THROW(form->PaintTo(dc, 5, 5), rtl::EAbort);
  gdi::POINT origin{-1, -1};
  gdi::GetViewportOrgEx(dc, &origin);
  EXPECT_EQ(origin, (gdi::POINT{0, 0}));
  gdi::RECT clip{};
  gdi::GetClipBox(dc, &clip);
  EXPECT_EQ(clip, (gdi::RECT{0, 0, 300, 200}));
  window->failing = false;
  window->Invalidate();
  form->Invalidate();
  Pump();
  const gdi::Surface& screen = win::ComposeScreen();
  for (TControl* c : {static_cast<TControl*>(window), static_cast<TControl*>(graphic)})
    for (gdi::POINT p : {gdi::POINT{0, 0}, gdi::POINT{39, 29}}) {
      const gdi::POINT s = c->ClientToScreen(p);
      EXPECT_EQ(gdi::NativeToColor(screen.Get(s.x, s.y)), gdi::RGB(255, 0, 0)) << c->Left();
    }
}

TEST_F(App, ScreenListsFormsTopFirstAndKnowsTheActiveOne) {
  // Two forms of equal rank (neither is the main form, which would own the other).
  auto* a = new TForm(app.get());
  auto* b = new TForm(app.get());
  a->Show();
  b->Show();
  Pump();
  ASSERT_EQ(Screen->FormCount(), 2);
  EXPECT_EQ(Screen->Forms(0), b);
  EXPECT_EQ(Screen->ActiveForm(), b);
  a->SetFocus();
  Pump();
  EXPECT_EQ(Screen->Forms(0), a);
  EXPECT_EQ(Screen->ActiveForm(), a);
  EXPECT_EQ(Screen->Width(), 1280);
}

TEST_F(App, TimersFireFromTheLoopAndRestartWhenReenabled) {
  TTimer t(nullptr);
  t.SetInterval(100);
  int fired = 0;
  t.OnTimer = rtl::TNotifyEvent(&fired, [&](rtl::TObject*) { ++fired; });
  Advance(99);
  EXPECT_EQ(fired, 0);
  Advance(1);
  EXPECT_EQ(fired, 1);
  Advance(60);
  t.SetEnabled(false);
  t.SetEnabled(true);  // the period starts again
  Advance(60);
  EXPECT_EQ(fired, 1);
  Advance(40);
  EXPECT_EQ(fired, 2);
  t.SetEnabled(false);
  Advance(500);
  EXPECT_EQ(fired, 2);
}

TEST_F(App, ATimerFiresWhileAMessageBoxIsOpen) {
  TTimer t(nullptr);
  t.SetInterval(1000);
  int fired = 0;
  t.OnTimer = rtl::TNotifyEvent(&fired, [&](rtl::TObject*) { ++fired; });
  SetDialogResponder([](const TDialogRequest&) { return TDialogAnswer{IDYES, "", 0, 3500}; });
  int r =
      app->MessageBox("Playback is active, would you like to stop playback?", "Question", MB_YESNO);
  EXPECT_EQ(r, IDYES);
  EXPECT_EQ(fired, 3);
}

}  // namespace
