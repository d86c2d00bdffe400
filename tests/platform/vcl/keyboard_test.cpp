#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "everyform.h"
#include "vcltest.h"

using namespace vcl;

namespace {

class Keyboard : public vcltest::EveryFormTest {};

TEST_F(Keyboard, TabVisitsTheFocusableControlsInCreationOrderAndWraps) {
  form->Edit1->SetFocus();
  Pump();
  std::vector<TWinControl*> expected = {form->Button1,
                                        form->BitBtn1,
                                        form->BitBtn2,
                                        form->CheckBox1,
                                        form->RadioGroup1->Buttons(0),
                                        form->SpinEdit1,
                                        form->ComboBox1->EditControl(),
                                        form->ComboBox2,
                                        form->ScrollBar1,
                                        form->ListBox1,
                                        form->CheckListBox1,
                                        form->Memo1,
                                        form->RichEdit1,
                                        form->TrackBar1,
                                        form->PageControl1,
                                        form->Edit1};
  for (TWinControl* c : expected) {
    Key(win::VK_TAB);
    ASSERT_EQ(form->ActiveControl(), c) << "expected " << c->Name();
    EXPECT_TRUE(c->Focused());
  }
  Key(win::VK_TAB, /*shift=*/true);
  EXPECT_EQ(form->ActiveControl(), form->PageControl1);
}

TEST_F(Keyboard, EnteringARadioGroupChoosesAndArrowsMoveTheChoice) {
  std::vector<int> clicks;
  form->RadioGroup1->OnClick = rtl::TNotifyEvent(
      &clicks, [&](rtl::TObject*) { clicks.push_back(form->RadioGroup1->ItemIndex()); });
  form->CheckBox1->SetFocus();
  Pump();
  Key(win::VK_TAB);
  EXPECT_EQ(form->RadioGroup1->ItemIndex(), 0);
  Key(win::VK_DOWN);
  EXPECT_EQ(form->RadioGroup1->ItemIndex(), 1);
  EXPECT_EQ(form->ActiveControl(), form->RadioGroup1->Buttons(1));
  EXPECT_EQ(clicks, (std::vector<int>{0, 1}));
  // Tab leaves the group from the chosen button.
  Key(win::VK_TAB);
  EXPECT_EQ(form->ActiveControl(), form->SpinEdit1);
  Key(win::VK_TAB, true);
  EXPECT_EQ(form->ActiveControl(), form->RadioGroup1->Buttons(1));
}

TEST_F(Keyboard, AltLetterRunsTheControlWithThatAccelerator) {
  int tries = 0;
  form->Button1->OnClick = rtl::TNotifyEvent(&tries, [&](rtl::TObject*) { ++tries; });
  form->ListBox1->SetFocus();
  Pump();
  Key('T', false, false, true);  // "&Try"
  EXPECT_EQ(tries, 1);
  Key('C', false, false, true);  // "Require &checksum"
  EXPECT_TRUE(form->CheckBox1->Checked());
  Key('N', false, false, true);  // the label "&Name:" focuses its edit
  EXPECT_EQ(form->ActiveControl(), form->Edit1);
  Key('O', false, false, true);  // the tab "NMEA &Out"
  EXPECT_EQ(form->PageControl1->ActivePage(), form->TabSheet2);
}

TEST_F(Keyboard, EnterClicksTheDefaultButtonAndEscapeTheCancelButton) {
  std::vector<std::string> seen;
  form->BitBtn1->OnClick = rtl::TNotifyEvent(&seen, [&](rtl::TObject*) { seen.push_back("ok"); });
  form->BitBtn2->OnClick =
      rtl::TNotifyEvent(&seen, [&](rtl::TObject*) { seen.push_back("cancel"); });
  form->Button1->OnClick = rtl::TNotifyEvent(&seen, [&](rtl::TObject*) { seen.push_back("try"); });
  form->Edit1->SetFocus();
  Pump();
  Key(win::VK_RETURN);
  Key(win::VK_ESCAPE);
  form->Button1->SetFocus();  // a focused button takes Enter itself
  Pump();
  Key(win::VK_RETURN);
  Key(win::VK_SPACE);
  EXPECT_EQ(seen, (std::vector<std::string>{"ok", "cancel", "try", "try"}));
}

TEST_F(Keyboard, KeyPreviewLetsTheFormSeeKeysFirst) {
  std::vector<unsigned> keys;
  form->SetKeyPreview(true);
  form->OnKeyDown = TKeyEvent(&keys, [&](rtl::TObject*, unsigned short& k, TShiftState) {
    keys.push_back(k);
    if (k == win::VK_F5) k = 0;
  });
  form->Edit1->SetFocus();
  Pump();
  Key(win::VK_F5);
  Key('A');
  EXPECT_EQ(keys, (std::vector<unsigned>{win::VK_F5, 'A'}));
  EXPECT_EQ(form->Edit1->Text(), "a");
}

TEST_F(Keyboard, CtrlTabTurnsThePagesOfAPageControl) {
  form->PageControl1->SetFocus();
  Pump();
  int changes = 0;
  form->PageControl1->OnChange = rtl::TNotifyEvent(&changes, [&](rtl::TObject*) { ++changes; });
  Key(win::VK_TAB, false, true);
  EXPECT_EQ(form->PageControl1->ActivePageIndex(), 1);
  Key(win::VK_RIGHT);
  EXPECT_EQ(form->PageControl1->ActivePageIndex(), 0);
  EXPECT_EQ(changes, 2);
}

}  // namespace
