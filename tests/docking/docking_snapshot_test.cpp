// Headless pictures of docks and floating frames, written as PNG files for a person to look at.
#include "platform/gdi/image.h"
#include "platform/vcl/stdctrls.h"
#include "platform/win/paint.h"
#include "tests/docking/dockfixture.h"

namespace docktest {
namespace {

class Snapshot : public DockTest {
 protected:
  TDKToolWindow* Labelled(TDKDock* dock, int cw, int ch, const char* name, const char* text) {
    auto* t = Tool(dock, cw, ch, 0, -1, name);
    auto* l = new vcl::TLabel(t);
    l->SetParent(t);
    l->SetCaption(text);
    l->SetBounds(4, 3, cw - 8, 16);
    return t;
  }
  vcl::TColor At(POINT p) { return gdi::NativeToColor(win::ComposeScreen().Get(p.x, p.y)); }
  std::string Save(const std::string& name) {
    const std::string path = ::testing::TempDir() + name;
    gdi::SavePngFile(path, win::ComposeScreen());
    return path;
  }
};

TEST_F(Snapshot, GripStylesCloseButtonsAndFloatingFrames) {
  form->SetCaption("Corvatalen docks");
  auto* single = Labelled(top, 110, 22, "Single", "Single grip");
  auto* dbl = Labelled(top, 110, 22, "Double", "Double grip");
  dbl->SetDragHandleStyle(dhDouble);
  auto* none = Labelled(top, 110, 22, "None", "No grip");
  none->SetDragHandleStyle(dhNone);
  auto* closing = Labelled(top, 140, 22, "Closing", "Close button");
  closing->SetCloseButtonWhenDocked(true);
  closing->SetDockRow(1);
  auto* side = Labelled(left, 90, 120, "Side", "Left dock");
  side->SetDragHandleStyle(dhDouble);
  auto* sideClose = Labelled(left, 90, 80, "SideClose", "Closable");
  sideClose->SetCloseButtonWhenDocked(true);
  auto* gauge = Labelled(nullptr, 150, 90, "Gauge", "Floating window");
  gauge->SetParent(form);
  gauge->SetFloatingPosition(form->ClientToScreen(POINT{300, 200}));
  gauge->SetFloating(true);
  Pump();

  const std::string docked = Save("docking_active.png");
  // The single grip is a raised edge 3 pixels wide after a 1-pixel offset: light on the left.
  EXPECT_EQ(At(FramePoint(single, 3, 12)), gdi::ColorToRGB(gdi::clBtnHighlight));
  EXPECT_EQ(At(FramePoint(single, 5, 12)), gdi::ColorToRGB(gdi::clBtnShadow));
  // Two grips 3 pixels apart.
  EXPECT_EQ(At(FramePoint(dbl, 4, 12)), gdi::ColorToRGB(gdi::clBtnHighlight));
  EXPECT_EQ(At(FramePoint(dbl, 7, 12)), gdi::ColorToRGB(gdi::clBtnHighlight));
  // The close button's cross, in the button text colour.
  EXPECT_EQ(At(FramePoint(closing, 3 + 2 + 1, 2 + 2 + 1)), gdi::ColorToRGB(gdi::clBtnText));
  auto* frame = gauge->FloatingWindowParent();
  // The caption gradient starts with the caption colour at its left end.
  EXPECT_EQ(At(FramePoint(frame, 4, 8)), gdi::ColorToRGB(gdi::clActiveCaption));

  // Another form active: the frame's caption turns inactive with its form's.
  vcl::TForm* other = new vcl::TForm(app.get());
  other->SetCaption("Another form");
  other->SetBounds(700, 500, 300, 200);
  other->Show();
  Pump();
  EXPECT_EQ(At(FramePoint(frame, 4, 8)), gdi::ColorToRGB(gdi::clInactiveCaption));
  Save("docking_inactive.png");
  std::cout << "pictures: " << docked << " and docking_inactive.png beside it\n";
}

TEST_F(Snapshot, AnOutlineInMidDrag) {
  form->SetCaption("Corvatalen drag");
  auto* t = Tool(top, 110, 22, 0, -1, "Outline");
  Tool(top, 110, 22, 0, -1, "Other");
  t->SetSmoothDrag(false);
  Pump();
  const POINT p = FramePoint(t, 4, 12);
  const POINT to = Screen(form, 400, 300);
  std::vector<vcl::TColor> edge;
  win::InputScript script;
  script.Move(p.x, p.y).Down(p.x, p.y).Move(to.x, to.y);
  script.Then([&] {
    Save("docking_outline.png");
    // The floating outline: 4 pixels of halftone around a 118 x 45 frame; grab (4, 12) of
    // 120 x 26 scales to (4, 19) there.
    for (int i = 0; i < 4; ++i) edge.push_back(At(POINT{to.x - 4 + 50 + i, to.y - 19}));
  });
  script.Key(win::VK_ESCAPE).Up(to.x, to.y);
  RunScript(script);
  ASSERT_EQ(edge.size(), 4u);
  // Halftone: neighbours differ along the outline.
  EXPECT_NE(edge[0], edge[1]);
  EXPECT_EQ(edge[0], edge[2]);
}

}  // namespace
}  // namespace docktest
