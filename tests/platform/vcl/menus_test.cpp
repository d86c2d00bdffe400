// Context menus reached through WM_CONTEXTMENU: a right release over a graphic control or its
// window, and the context keys.
#include <gtest/gtest.h>

#include "platform/vcl/edits.h"
#include "platform/vcl/menus.h"
#include "platform/vcl/stdctrls.h"
#include "vcltest.h"

using namespace vcl;

namespace {

class Menus : public vcltest::VclTest {};

// A menu that only notes where and for whom it popped up.
class TNotedMenu : public TPopupMenu {
 public:
  using TPopupMenu::TPopupMenu;
  void Popup(int X, int Y) override {
    TPopupMenu::Popup(X, Y);
    shown.push_back(PopupComponent());
  }
  std::vector<rtl::TComponent*> shown;
};

TEST_F(Menus, TheMenuOfTheControlUnderThePointerOrOfTheFocusedOne) {
  auto* form = new TForm(app.get());
  form->SetBounds(100, 100, 300, 200);
  form->Show();
  auto* formMenu = new TNotedMenu(form);
  auto* labelMenu = new TNotedMenu(form);
  form->SetPopupMenu(formMenu);
  auto* label = new TLabel(form);
  label->SetParent(form);
  label->SetBounds(10, 10, 60, 20);
  label->SetCaption("Depth");
  label->SetPopupMenu(labelMenu);
  auto* edit = new TEdit(form);
  edit->SetParent(form);
  edit->SetBounds(10, 60, 80, 21);
  Pump();
  // A right click on the label (a graphic control): its own menu at the pointer.
  const gdi::POINT l = ScreenPoint(label, 5, 5);
  Feed(win::MouseMove(l.x, l.y));
  Feed(win::MouseDown(l.x, l.y, 1));
  Feed(win::MouseUp(l.x, l.y, 1));
  EXPECT_EQ(labelMenu->shown, (std::vector<rtl::TComponent*>{label}));
  EXPECT_EQ(labelMenu->PopupPoint(), l);
  EXPECT_TRUE(formMenu->shown.empty());
  // Elsewhere on the form: the form's, once.
  const gdi::POINT f = ScreenPoint(form, 200, 150);
  Feed(win::MouseMove(f.x, f.y));
  Feed(win::MouseDown(f.x, f.y, 1));
  Feed(win::MouseUp(f.x, f.y, 1));
  EXPECT_EQ(formMenu->shown, (std::vector<rtl::TComponent*>{form}));
  // From the keyboard in the edit (no menu of its own): the form's menu at the edit's corner.
  edit->SetFocus();
  Pump();
  Key(win::VK_F10, true);
  ASSERT_EQ(formMenu->shown.size(), 2u);
  EXPECT_EQ(formMenu->PopupPoint(), ScreenPoint(edit, 0, 0));
  EXPECT_EQ(formMenu->PopupComponent(), form);
  auto* memo = new TMemo(form);
  memo->SetParent(form);
  memo->SetBounds(120, 60, 100, 60);
  memo->SetFocus();
  Key(win::VK_F10, true);
  EXPECT_EQ(formMenu->PopupPoint(), ScreenPoint(form, 120, 60)) << "outside the memo's border";
}

}  // namespace
