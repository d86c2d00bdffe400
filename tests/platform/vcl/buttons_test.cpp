#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "everyform.h"
#include "vcltest.h"

using namespace vcl;

namespace {

class Buttons : public vcltest::EveryFormTest {
 protected:
  rtl::TNotifyEvent Count(int* n) {
    return rtl::TNotifyEvent(n, [n](rtl::TObject*) { ++*n; });
  }
};

TEST_F(Buttons, AClickCountsOnlyWhenReleasedOverTheButton) {
  int clicks = 0;
  form->Button1->OnClick = Count(&clicks);
  Click(form->Button1);
  EXPECT_EQ(clicks, 1);
  EXPECT_TRUE(form->Button1->Focused());
  Drag(form->Button1, 10, 10, 200, 10);  // pressed, then dragged off
  EXPECT_EQ(clicks, 1);
  form->Button1->SetEnabled(false);
  Click(form->Button1);
  EXPECT_EQ(clicks, 1);
}

TEST_F(Buttons, ABitmapButtonKindSetsCaptionResultAndDefault) {
  EXPECT_EQ(form->BitBtn1->Caption(), "OK");
  EXPECT_EQ(form->BitBtn1->ModalResult(), mrOk);
  EXPECT_TRUE(form->BitBtn1->Default());
  EXPECT_TRUE(form->BitBtn2->Cancel());
  form->BitBtn2->SetKind(bkClose);
  EXPECT_EQ(form->BitBtn2->Caption(), "&Close");
  Click(form->BitBtn2);
  EXPECT_FALSE(form->Visible());
}

TEST_F(Buttons, CheckBoxesToggleOnClickAndFireOnClickForCodeToo) {
  int clicks = 0;
  form->CheckBox1->OnClick = Count(&clicks);
  Click(form->CheckBox1);
  EXPECT_TRUE(form->CheckBox1->Checked());
  EXPECT_EQ(clicks, 1);
  form->CheckBox1->SetChecked(false);  // in code: OnClick as well
  EXPECT_EQ(clicks, 2);
  form->CheckBox1->SetChecked(false);  // no change, no event
  EXPECT_EQ(clicks, 2);
  Key(win::VK_SPACE);
  EXPECT_TRUE(form->CheckBox1->Checked());
  form->CheckBox1->SetAllowGrayed(true);
  Click(form->CheckBox1);
  EXPECT_EQ(form->CheckBox1->State(), cbUnchecked);
  Click(form->CheckBox1);
  EXPECT_EQ(form->CheckBox1->State(), cbGrayed);
}

TEST_F(Buttons, RadioButtonsOfOneParentExcludeEachOther) {
  int clicks = 0;
  form->RadioButton2->OnClick = Count(&clicks);
  Click(form->RadioButton1);
  EXPECT_TRUE(form->RadioButton1->Checked());
  form->RadioButton2->SetChecked(true);
  EXPECT_FALSE(form->RadioButton1->Checked());
  EXPECT_EQ(clicks, 1);
  form->RadioButton2->SetChecked(false);  // unchecking fires nothing
  EXPECT_EQ(clicks, 1);
}

TEST_F(Buttons, ARadioGroupsItemIndexFiresItsOnClick) {
  std::vector<int> seen;
  form->RadioGroup1->OnClick = rtl::TNotifyEvent(
      &seen, [&](rtl::TObject*) { seen.push_back(form->RadioGroup1->ItemIndex()); });
  form->RadioGroup1->SetItemIndex(1);
  EXPECT_TRUE(form->RadioGroup1->Buttons(1)->Checked());
  Click(form->RadioGroup1->Buttons(0));
  EXPECT_EQ(form->RadioGroup1->ItemIndex(), 0);
  EXPECT_EQ(seen, (std::vector<int>{1, 0}));
  form->RadioGroup1->Items()->Add("Third");
  EXPECT_EQ(form->RadioGroup1->Buttons(2)->Caption(), "Third");
  EXPECT_EQ(form->RadioGroup1->ItemIndex(), 0);
  form->RadioGroup1->SetItemIndex(-1);
  EXPECT_FALSE(form->RadioGroup1->Buttons(0)->Checked());
}

TEST_F(Buttons, SpeedButtonsOfAGroupStayDownOneAtATime) {
  int clicks = 0;
  bool downInHandler = false;
  form->SpeedButton2->OnClick = rtl::TNotifyEvent(&clicks, [&](rtl::TObject*) {
    ++clicks;
    downInHandler = form->SpeedButton2->Down();
  });
  EXPECT_TRUE(form->SpeedButton1->Down());
  Click(form->SpeedButton2);
  EXPECT_TRUE(form->SpeedButton2->Down());
  EXPECT_FALSE(form->SpeedButton1->Down());
  EXPECT_TRUE(downInHandler);
  Click(form->SpeedButton2);  // without AllowAllUp it stays down
  EXPECT_TRUE(form->SpeedButton2->Down());
  EXPECT_EQ(clicks, 2);
  form->SpeedButton2->SetAllowAllUp(true);
  Click(form->SpeedButton2);
  EXPECT_FALSE(form->SpeedButton2->Down());
  form->SpeedButton1->SetDown(true);  // in code: no event
  EXPECT_EQ(clicks, 3);
  form->SpeedButton1->SetEnabled(false);
  int first = 0;
  form->SpeedButton1->OnClick = Count(&first);
  Click(form->SpeedButton1);
  EXPECT_EQ(first, 0);
}

}  // namespace
