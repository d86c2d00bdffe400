#pragma once
// The fixture of the class library's tests: a window system on the virtual clock, an
// application, and helpers that click, type and wait as a user would.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/vcl/application.h"
#include "platform/vcl/dialogs.h"
#include "platform/win/scriptedinput.h"
#include "platform/win/settings.h"

namespace vcltest {

class VclTest : public ::testing::Test {
 protected:
  void SetUp() override {
    clock = std::make_shared<win::VirtualClock>();
    win::Config config;
    config.clock = clock;
    config.idleGraceMs = 200;
    win::Initialize(config);
    app = std::make_unique<vcl::TApplication>();
    app->SetTitle("Test");
  }
  void TearDown() override {
    vcl::SetDialogResponder(nullptr);
    vcl::ClearDialogLog();
    app.reset();
    win::Shutdown();
  }

  // Handles everything that is waiting, without blocking.
  void Pump() { app->ProcessMessages(); }

  void Feed(const win::RawInput& in) {
    win::PostRawInput(in);
    Pump();
  }

  gdi::POINT ScreenPoint(vcl::TControl* c, int x, int y) {
    return c->ClientToScreen(gdi::POINT{x, y});
  }

  // A left click at a client point of the control (its centre by default).
  void Click(vcl::TControl* c, int x = -1, int y = -1) {
    PostClick(c, x, y);
    Pump();
  }
  // The same input queued only: for script steps that run inside a modal loop.
  void PostClick(vcl::TControl* c, int x = -1, int y = -1) {
    if (x < 0) x = c->Width() / 2;
    if (y < 0) y = c->Height() / 2;
    gdi::POINT p = ScreenPoint(c, x, y);
    win::PostRawInput(win::MouseMove(p.x, p.y));
    win::PostRawInput(win::MouseDown(p.x, p.y));
    win::PostRawInput(win::MouseUp(p.x, p.y));
  }
  void PostKey(unsigned vk) {
    win::PostRawInput(win::KeyDown(vk));
    win::PostRawInput(win::KeyUp(vk));
  }

  void DoubleClick(vcl::TControl* c, int x, int y) {
    Click(c, x, y);
    Click(c, x, y);
  }

  void Drag(vcl::TControl* c, int x1, int y1, int x2, int y2) {
    gdi::POINT a = ScreenPoint(c, x1, y1), b = ScreenPoint(c, x2, y2);
    Feed(win::MouseMove(a.x, a.y));
    Feed(win::MouseDown(a.x, a.y));
    Feed(win::MouseMove((a.x + b.x) / 2, (a.y + b.y) / 2));
    Feed(win::MouseMove(b.x, b.y));
    Feed(win::MouseUp(b.x, b.y));
  }

  // A key press; shift/ctrl/alt held around it when asked.
  void Key(unsigned vk, bool shift = false, bool ctrl = false, bool alt = false) {
    if (alt) Feed(win::KeyDown(win::VK_MENU));
    if (ctrl) Feed(win::KeyDown(win::VK_CONTROL));
    if (shift) Feed(win::KeyDown(win::VK_SHIFT));
    Feed(win::KeyDown(vk));
    Feed(win::KeyUp(vk));
    if (shift) Feed(win::KeyUp(win::VK_SHIFT));
    if (ctrl) Feed(win::KeyUp(win::VK_CONTROL));
    if (alt) Feed(win::KeyUp(win::VK_MENU));
  }

  // Types printable ASCII through key presses (US layout).
  void Type(const std::string& text) {
    for (char ch : text) {
      if (ch >= 'a' && ch <= 'z')
        Key(static_cast<unsigned>(ch - 'a' + 'A'));
      else if (ch >= 'A' && ch <= 'Z')
        Key(static_cast<unsigned>(ch), true);
      else if (ch >= '0' && ch <= '9')
        Key(static_cast<unsigned>(ch));
      else if (ch == ' ')
        Key(win::VK_SPACE);
      else if (ch == '.')
        Key(win::VK_OEM_PERIOD);
      else if (ch == '-')
        Key(win::VK_OEM_MINUS);
      else
        ADD_FAILURE() << "cannot type '" << ch << "'";
    }
  }

  void Advance(unsigned ms) {
    clock->Advance(ms);
    Pump();
  }

  std::shared_ptr<win::VirtualClock> clock;
  std::unique_ptr<vcl::TApplication> app;
};

// How much room a form's title bar leaves its caption between the frame's edge and the close
// button.
inline int TitleRoom(const vcl::TCustomForm* f) {
  const int frame = (f->Width() - f->ClientWidth()) / 2;
  return f->Width() - 2 * frame - win::GetSystemMetrics(win::SM_CXEDGE) -
         win::GetSystemMetrics(win::SM_CXSIZE) - 2;
}

}  // namespace vcltest
