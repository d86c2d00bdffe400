#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "everyform.h"
#include "vcltest.h"

using namespace vcl;

namespace {

class CommonControls : public vcltest::EveryFormTest {};

TEST_F(CommonControls, TrackBarsMoveByKeysAndClicks) {
  TTrackBar* t = form->TrackBar1;
  std::vector<int> seen;
  t->OnChange = rtl::TNotifyEvent(&seen, [&](rtl::TObject*) { seen.push_back(t->Position()); });
  t->SetFocus();
  Pump();
  Key(win::VK_RIGHT);
  Key(win::VK_NEXT);
  Key(win::VK_END);
  Key(win::VK_END);  // already there: no event
  EXPECT_EQ(seen, (std::vector<int>{1, 3, 100}));
  Click(t, 20, 10);  // left of the thumb: a page towards the point
  EXPECT_EQ(t->Position(), 98);
  Drag(t, t->Width() - 12, 10, 12, 10);  // the thumb to the start
  EXPECT_EQ(t->Position(), 0);
  t->SetPosition(500);
  EXPECT_EQ(t->Position(), 100);
}

TEST_F(CommonControls, ProgressBarsAndGaugesStayInRange) {
  TProgressBar* p = form->ProgressBar1;
  p->SetStep(30);
  p->StepIt();
  EXPECT_EQ(p->Position(), 70);
  p->StepIt();
  p->StepIt();  // wraps past the end
  EXPECT_EQ(p->Position(), 30);
  p->SetPosition(-5);
  EXPECT_EQ(p->Position(), 0);
  TCGauge* g = form->CGauge1;
  g->SetMaxValue(1000);
  g->SetProgress(250);
  EXPECT_EQ(g->PercentDone(), 25);
  g->SetProgress(5000);
  EXPECT_EQ(g->Progress(), 1000);
  g->SetMaxValue(0);
  EXPECT_EQ(g->PercentDone(), 0);
}

TEST_F(CommonControls, TabsTurnPagesAndOnChangingCanRefuse) {
  TPageControl* pc = form->PageControl1;
  std::vector<std::string> seen;
  bool allow = true;
  pc->OnChanging = TTabChangingEvent(&seen, [&](rtl::TObject*, bool& a) {
    seen.push_back("changing");
    a = allow;
  });
  pc->OnChange = rtl::TNotifyEvent(&seen, [&](rtl::TObject*) { seen.push_back("change"); });
  EXPECT_TRUE(form->Panel1->Showing());
  TRect tab = pc->TabRect(1);
  Click(pc, tab.left + 5, tab.top + 5);
  EXPECT_EQ(pc->ActivePage(), form->TabSheet2);
  EXPECT_FALSE(form->Panel1->Showing());
  allow = false;
  tab = pc->TabRect(0);
  Click(pc, tab.left + 5, tab.top + 5);
  EXPECT_EQ(pc->ActivePage(), form->TabSheet2);
  EXPECT_EQ(seen, (std::vector<std::string>{"changing", "change", "changing"}));
  pc->SetActivePageIndex(0);  // in code: no events
  EXPECT_EQ(seen.size(), 3u);
  form->TabSheet2->SetTabVisible(false);
  EXPECT_EQ(pc->TabRect(1), TRect{});
}

TEST_F(CommonControls, ASplitterResizesItsNeighbourAsItsHandlersAllow) {
  TSplitter* s = form->Splitter1;
  std::vector<int> proposed;
  s->OnCanResize = TCanResizeEvent(&proposed, [&](rtl::TObject*, int& size, bool& accept) {
    proposed.push_back(size);
    accept = size <= 150;
  });
  int moved = 0;
  s->OnMoved = rtl::TNotifyEvent(&moved, [&](rtl::TObject*) { ++moved; });
  // Along the bottom edge, where no other control covers the splitter once it has moved.
  Drag(s, 1, 426, 41, 426);
  EXPECT_EQ(form->SidePanel->Width(), 130);
  EXPECT_EQ(s->Left(), 130);
  EXPECT_EQ(moved, 1);
  EXPECT_EQ(proposed.back(), 130);
  Drag(s, 1, 426, 101, 426);  // beyond what the handler accepts: the last accepted size
  EXPECT_LE(form->SidePanel->Width(), 150);
  Drag(s, 1, 426, -200, 426);  // never below MinSize
  EXPECT_EQ(form->SidePanel->Width(), 30);
}

TEST_F(CommonControls, ScrollBarsStepLineAndPage) {
  TScrollBar* sb = form->ScrollBar1;
  std::vector<int> seen;
  sb->OnChange = rtl::TNotifyEvent(&seen, [&](rtl::TObject*) { seen.push_back(sb->Position()); });
  Click(sb, sb->Width() - 4, 8);   // right arrow
  Click(sb, sb->Width() - 40, 8);  // track right of the thumb
  EXPECT_EQ(seen, (std::vector<int>{1, 11}));
  sb->SetFocus();
  Pump();
  Key(win::VK_END);
  EXPECT_EQ(sb->Position(), 100);
  sb->SetPageSize(20);
  EXPECT_EQ(sb->Position(), 81);
  EXPECT_THROW(sb->SetParams(0, 10, 5), rtl::EInvalidOperation);
}

}  // namespace
