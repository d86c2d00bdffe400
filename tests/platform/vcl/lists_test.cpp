#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "everyform.h"
#include "platform/gdi/image.h"
#include "platform/win/paint.h"
#include "platform/vcl/classic.h"
#include "vcltest.h"

using namespace vcl;

namespace {

class Lists : public vcltest::EveryFormTest {};

TEST_F(Lists, ListBoxesSelectByMouseAndKeys) {
  TListBox* l = form->ListBox1;
  int clicks = 0;
  l->OnClick = rtl::TNotifyEvent(&clicks, [&](rtl::TObject*) { ++clicks; });
  l->SetItemIndex(2);  // in code: no event
  EXPECT_EQ(clicks, 0);
  TRect r = l->ItemRect(1);
  Click(l, r.left + 5, r.top + 2);
  EXPECT_EQ(l->ItemIndex(), 1);
  EXPECT_EQ(clicks, 1);
  Key(win::VK_DOWN);
  Key(win::VK_END);
  EXPECT_EQ(l->ItemIndex(), 7);
  EXPECT_EQ(clicks, 3);
  EXPECT_GT(l->TopIndex(), 0);  // scrolled to show the last item
  Key(win::VK_HOME);
  EXPECT_EQ(l->TopIndex(), 0);
  EXPECT_THROW(l->Selected(8), rtl::EListError);
}

TEST_F(Lists, CheckListBoxesToggleAndReportTheClick) {
  TCheckListBox* l = form->CheckListBox1;
  std::vector<std::string> seen;
  l->OnClickCheck = rtl::TNotifyEvent(&seen, [&](rtl::TObject*) { seen.push_back("check"); });
  l->OnClick = rtl::TNotifyEvent(&seen, [&](rtl::TObject*) { seen.push_back("click"); });
  TRect r = l->ItemRect(0);
  Click(l, r.left + 5, r.top + r.Height() / 2);  // on the box
  EXPECT_TRUE(l->Checked(0));
  Click(l, r.left + 60, r.top + r.Height() / 2);  // on the text
  EXPECT_TRUE(l->Checked(0));
  Key(win::VK_SPACE);
  EXPECT_FALSE(l->Checked(0));
  EXPECT_EQ(seen, (std::vector<std::string>{"check", "click", "click", "check"}));
  l->SetChecked(2, true);  // in code: no event
  EXPECT_EQ(seen.size(), 4u);
  l->SetItemEnabled(2, false);
  r = l->ItemRect(2);
  Click(l, r.left + 5, r.top + r.Height() / 2);
  EXPECT_TRUE(l->Checked(2));
}

TEST_F(Lists, AnEditableComboTakesTypingAndChoices) {
  TComboBox* c = form->ComboBox1;
  std::vector<std::string> seen;
  c->OnChange =
      rtl::TNotifyEvent(&seen, [&](rtl::TObject*) { seen.push_back("change:" + c->Text()); });
  c->OnClick = rtl::TNotifyEvent(&seen, [&](rtl::TObject*) { seen.push_back("click"); });
  EXPECT_EQ(c->Text(), "COM1");
  EXPECT_EQ(c->ItemIndex(), 1);
  Click(c, c->Width() - 5, c->Height() / 2);  // the drop-down button
  EXPECT_TRUE(c->DroppedDown());
  Key(win::VK_DOWN);
  Key(win::VK_RETURN);
  EXPECT_FALSE(c->DroppedDown());
  EXPECT_EQ(c->Text(), "COM2");
  EXPECT_EQ(c->ItemIndex(), 2);
  c->EditControl()->SelectAll();
  Type("COM42");
  EXPECT_EQ(c->Text(), "COM42");
  EXPECT_EQ(c->ItemIndex(), -1);
  ASSERT_GE(seen.size(), 3u) << ::testing::PrintToString(seen);
  EXPECT_EQ(seen[0], "click") << ::testing::PrintToString(seen);
  EXPECT_EQ(seen[1], "change:COM2");
  EXPECT_EQ(seen.back(), "change:COM42");
}

TEST_F(Lists, ADropDownListChoosesWithTheMouse) {
  TComboBox* c = form->ComboBox2;
  int changes = 0;
  c->OnChange = rtl::TNotifyEvent(&changes, [&](rtl::TObject*) { ++changes; });
  Click(c);
  ASSERT_TRUE(c->DroppedDown());
  // The list opens below the box, one row per item.
  int row = MeasureText(c->Font(), "0", false).cy + 2;
  gdi::POINT p = ScreenPoint(c, 10, c->Height() + 1 + row * 2 + row / 2);
  Feed(win::MouseMove(p.x, p.y));
  Feed(win::MouseDown(p.x, p.y));
  Feed(win::MouseUp(p.x, p.y));
  EXPECT_FALSE(c->DroppedDown());
  EXPECT_EQ(c->ItemIndex(), 2);
  EXPECT_EQ(c->Text(), "19200");
  EXPECT_EQ(changes, 1);
  c->SetText("38400");  // picks the item
  EXPECT_EQ(c->ItemIndex(), 3);
  c->SetText("1");
  EXPECT_EQ(c->ItemIndex(), -1);
  EXPECT_TRUE(form->Active());  // the list never took the activation
}

class Combos : public vcltest::EveryFormTest {
 protected:
  // A click on the combo's button; true when that left its list open.
  bool Open(TComboBox* c) {
    Click(c, c->Width() - 5, c->Height() / 2);
    return c->DroppedDown();
  }
};

TEST_F(Combos, AnOpenListClosesOnAClickAnywhereElseWithoutChoosing) {
  TComboBox* c = form->ComboBox2;
  std::vector<std::string> seen;
  c->OnChange = rtl::TNotifyEvent(&seen, [&](rtl::TObject*) { seen.push_back("change"); });
  c->OnCloseUp = rtl::TNotifyEvent(&seen, [&](rtl::TObject*) { seen.push_back("closeup"); });
  form->Label1->OnClick = rtl::TNotifyEvent(&seen, [&](rtl::TObject*) { seen.push_back("label"); });
  form->Button1->OnClick =
      rtl::TNotifyEvent(&seen, [&](rtl::TObject*) { seen.push_back("button"); });

  ASSERT_TRUE(Open(c));
  Click(form->Label1);  // a control that takes no focus
  EXPECT_FALSE(c->DroppedDown());
  ASSERT_TRUE(Open(c));
  Click(form->Button1);  // one that does: the click only closes the list
  EXPECT_FALSE(c->DroppedDown());
  EXPECT_TRUE(c->Focused());
  ASSERT_TRUE(Open(c));
  const int left = form->Left();
  gdi::POINT caption{left + 40, form->Top() + 8};  // the form's title bar
  Feed(win::MouseMove(caption.x, caption.y));
  Feed(win::MouseDown(caption.x, caption.y));
  Feed(win::MouseUp(caption.x, caption.y));
  EXPECT_FALSE(c->DroppedDown());
  Feed(win::MouseMove(caption.x + 30, caption.y + 30));
  EXPECT_EQ(form->Left(), left);  // nor started moving the form
  ASSERT_TRUE(Open(c));
  Click(c, c->Width() - 5, c->Height() / 2);  // the button again
  EXPECT_FALSE(c->DroppedDown());

  EXPECT_EQ(c->ItemIndex(), 0);
  EXPECT_EQ(c->Text(), "4800");
  EXPECT_EQ(seen, (std::vector<std::string>(4, "closeup")));
}

TEST_F(Combos, AnOpenListClosesOnAnotherWindowEscapeOrLosingTheApplication) {
  TComboBox* c = form->ComboBox1;
  int changes = 0, cancels = 0;
  c->OnChange = rtl::TNotifyEvent(&changes, [&](rtl::TObject*) { ++changes; });
  form->BitBtn2->OnClick = rtl::TNotifyEvent(&cancels, [&](rtl::TObject*) { ++cancels; });
  auto* other = new TForm(app.get());
  other->SetBounds(form->Left() + form->Width() + 10, form->Top(), 200, 150);
  other->Show();
  form->Show();
  Pump();

  ASSERT_TRUE(Open(c));
  Click(other);  // another window of the program
  EXPECT_FALSE(c->DroppedDown());
  ASSERT_TRUE(Open(c));
  Key(win::VK_DOWN);
  Key(win::VK_ESCAPE);  // closes the list only: the form's cancel button stays out of it
  EXPECT_FALSE(c->DroppedDown());
  EXPECT_EQ(cancels, 0);
  ASSERT_TRUE(Open(c));
  win::ActivateOtherApplication();  // the user switches to another program
  Pump();
  EXPECT_FALSE(c->DroppedDown());
  EXPECT_EQ(win::GetCapture(), nullptr);

  EXPECT_EQ(c->Text(), "COM1");
  EXPECT_EQ(changes, 0);
  // Opened from the keyboard, a press outside closes it as well.
  form->Show();
  c->SetFocus();
  Pump();
  Key(win::VK_F4);
  ASSERT_TRUE(c->DroppedDown());
  Click(form->Memo1);
  EXPECT_FALSE(c->DroppedDown());
  EXPECT_EQ(c->Text(), "COM1");
}

TEST_F(Combos, AnOpenListChoosesWithAPressDragAndRelease) {
  TComboBox* c = form->ComboBox2;
  int row = MeasureText(c->Font(), "0", false).cy + 2;
  gdi::POINT down = ScreenPoint(c, c->Width() - 5, c->Height() / 2);
  gdi::POINT item = ScreenPoint(c, 10, c->Height() + 1 + row * 3 + row / 2);
  Feed(win::MouseMove(down.x, down.y));
  Feed(win::MouseDown(down.x, down.y));
  ASSERT_TRUE(c->DroppedDown());
  Feed(win::MouseMove(item.x, item.y));
  Feed(win::MouseUp(item.x, item.y));
  EXPECT_FALSE(c->DroppedDown());
  EXPECT_EQ(c->ItemIndex(), 3);
  // Destroyed while open, the combo takes its list and the capture with it.
  ASSERT_TRUE(Open(c));
  delete c;
  Pump();
  EXPECT_EQ(win::GetCapture(), nullptr);
  Click(form->Button1);
}

// A port list longer than the drop-down: the wheel and the list's scroll bar reach every item.
TEST_F(Combos, ALongListReachesItsLastItemsByWheelArrowAndThumb) {
  TComboBox* c = form->ComboBox1;
  c->Items()->Clear();
  c->Items()->Add("Network");
  for (int i = 1; i <= 16; ++i) c->Items()->Add("COM" + std::to_string(i));
  c->SetText("COM1");
  const int row = MeasureText(c->Font(), "0", false).cy + 2;
  // Screen point of row k of the open list, and of a place on its scroll bar.
  auto rowAt = [&](int k) { return ScreenPoint(c, 10, c->Height() + 1 + row * k + row / 2); };
  auto bar = [&](int y) { return ScreenPoint(c, c->Width() - 9, c->Height() + 1 + y); };
  auto press = [&](gdi::POINT p) {
    Feed(win::MouseMove(p.x, p.y));
    Feed(win::MouseDown(p.x, p.y));
    Feed(win::MouseUp(p.x, p.y));
  };

  ASSERT_TRUE(Open(c));  // Network to COM7 shown
  Feed(win::MouseMove(rowAt(2).x, rowAt(2).y));
  Feed(win::MouseWheel(rowAt(2).x, rowAt(2).y, -win::WHEEL_DELTA));  // three rows on
  Pump();
  gdi::SavePngFile("vcl_combo_list_scrolled.png", win::ComposeScreen());  // to be looked at
  press(rowAt(5));
  EXPECT_FALSE(c->DroppedDown());
  EXPECT_EQ(c->Text(), "COM8");

  ASSERT_TRUE(Open(c));
  for (int i = 0; i < 12; ++i) press(bar(8 * row - 8));  // the down arrow, more than needed
  ASSERT_TRUE(c->DroppedDown());  // the scroll bar chooses nothing
  EXPECT_EQ(c->Text(), "COM8");
  press(rowAt(7));
  EXPECT_EQ(c->Text(), "COM16");

  // The thumb, dragged to the top, shows the first rows again.
  ASSERT_TRUE(Open(c));
  gdi::POINT thumb = bar(8 * row - 16 - 4);  // the thumb sits at the bottom of its track
  Feed(win::MouseMove(thumb.x, thumb.y));
  Feed(win::MouseDown(thumb.x, thumb.y));
  Feed(win::MouseMove(thumb.x, thumb.y - 8 * row));
  Feed(win::MouseUp(thumb.x, thumb.y - 8 * row));
  ASSERT_TRUE(c->DroppedDown());
  press(rowAt(0));
  EXPECT_EQ(c->Text(), "Network");
}

}  // namespace
