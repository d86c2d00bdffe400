#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "everyform.h"
#include "platform/gdi/image.h"
#include "platform/win/paint.h"

using namespace vcl;

namespace {

class Snapshot : public vcltest::EveryFormTest {};

// The form with every control, drawn headless and written as a PNG that an independent tool
// reads back with the right size.
TEST_F(Snapshot, TheFormWithEveryControlIsWrittenAsAPicture) {
  form->CheckBox1->SetChecked(true);
  form->RadioGroup1->SetItemIndex(1);
  form->ListBox1->SetItemIndex(2);
  form->TrackBar1->SetPosition(30);
  form->Edit1->SetFocus();
  form->Edit1->SetText("COM3");
  Pump();
  const gdi::Surface& screen = win::ComposeScreen();
  // In the build tree, beside the other snapshots, to be looked at.
  const std::string path = "vcl_every_control.png";
  gdi::SavePngFile(path, screen);

  // The button face colour fills the form where no control is.
  TPoint p = form->ClientToScreen(TPoint{100, 424});
  EXPECT_EQ(gdi::NativeToColor(screen.Get(p.x, p.y)), gdi::ColorToRGB(clBtnFace));
  // The shape's red circle on the first page.
  TPoint s = form->Shape1->ClientToScreen(TPoint{10, 10});
  EXPECT_EQ(gdi::NativeToColor(screen.Get(s.x, s.y)), gdi::RGB(255, 0, 0));

  std::string cmd = "identify -format '%w %h' '" + path + "' 2>/dev/null";
  FILE* f = popen(cmd.c_str(), "r");
  ASSERT_NE(f, nullptr);
  char buf[64] = {};
  size_t n = fread(buf, 1, sizeof buf - 1, f);
  pclose(f);
  EXPECT_EQ(std::string(buf, n),
            std::to_string(screen.Width()) + " " + std::to_string(screen.Height()));
}

}  // namespace
