#include <gtest/gtest.h>

#include <fstream>
#include <initializer_list>
#include <sstream>
#include <string>
#include <vector>

#include "everyform.h"
#include "platform/vcl/classic.h"
#include "platform/vcl/clipboard.h"
#include "platform/win/scrollbar.h"
#include "platform/win/settings.h"
#include "tests/tempdir.h"
#include "vcltest.h"

using namespace vcl;

namespace {

class Edits : public vcltest::EveryFormTest {};

TEST_F(Edits, TypingEditsTheTextAndFiresOnChange) {
  int changes = 0;
  form->Edit1->OnChange = rtl::TNotifyEvent(&changes, [&](rtl::TObject*) { ++changes; });
  Click(form->Edit1);
  Type("COM3");
  EXPECT_EQ(form->Edit1->Text(), "COM3");
  EXPECT_EQ(changes, 4);
  EXPECT_TRUE(form->Edit1->Modified());
  Key(win::VK_BACK);
  Key(win::VK_LEFT);
  Key(win::VK_DELETE);
  Type("x");
  EXPECT_EQ(form->Edit1->Text(), "COx");
  Key(win::VK_HOME);
  Key(win::VK_END, true);  // select to the end
  EXPECT_EQ(form->Edit1->SelText(), "COx");
  Type("4800");
  EXPECT_EQ(form->Edit1->Text(), "4800");
}

TEST_F(Edits, SettingTextInCodeFiresOnChangeAndMaxLengthLimitsTyping) {
  int changes = 0;
  form->Edit1->OnChange = rtl::TNotifyEvent(&changes, [&](rtl::TObject*) { ++changes; });
  form->Edit1->SetText("abc");
  EXPECT_EQ(changes, 1);
  form->Edit1->SetMaxLength(4);
  form->Edit1->SetFocus();
  Pump();
  Key(win::VK_END);
  Type("def");
  EXPECT_EQ(form->Edit1->Text(), "abcd");
  form->Edit1->SetReadOnly(true);
  Type("z");
  EXPECT_EQ(form->Edit1->Text(), "abcd");
}

TEST_F(Edits, TheClipboardCarriesTextBetweenEdits) {
  form->Edit1->SetText("nmea");
  form->Edit1->SetFocus();
  Pump();
  Key('A', false, true);
  Key('C', false, true);
  EXPECT_EQ(Clipboard()->AsText(), "nmea");
  Key(win::VK_END);
  Key('V', false, true);
  EXPECT_EQ(form->Edit1->Text(), "nmeanmea");
  Clipboard()->SetAsText("$");
  Key(win::VK_INSERT, true);  // Shift+Insert pastes, as in a memo
  EXPECT_EQ(form->Edit1->Text(), "nmeanmea$");
  form->Edit1->SetPasswordChar('*');
  form->Edit1->SelectAll();
  Clipboard()->SetAsText("kept");
  form->Edit1->CopyToClipboard();  // a password is never copied
  EXPECT_EQ(Clipboard()->AsText(), "kept");
}

TEST_F(Edits, AMemoTakesLinesAndEnter) {
  int changes = 0;
  form->Memo1->OnChange = rtl::TNotifyEvent(&changes, [&](rtl::TObject*) { ++changes; });
  form->Memo1->Lines()->Clear();
  form->Memo1->SetFocus();
  Pump();
  Type("abc");
  Key(win::VK_RETURN);
  Type("de");
  Key(win::VK_LEFT);
  Key(win::VK_RETURN);
  ASSERT_EQ(form->Memo1->Lines()->Count(), 3);
  EXPECT_EQ(form->Memo1->Lines()->Strings(0), "abc");
  EXPECT_EQ(form->Memo1->Lines()->Strings(1), "d");
  EXPECT_EQ(form->Memo1->Lines()->Strings(2), "e");
  Key(win::VK_BACK);  // joins the lines again
  EXPECT_EQ(form->Memo1->Lines()->Strings(1), "de");
  EXPECT_GT(changes, 0);
  form->Memo1->SelectAll();
  form->Memo1->CopyToClipboard();
  EXPECT_EQ(Clipboard()->AsText(), "abc\r\nde");  // typed: no line break after the last line
  Type("x");                                      // typing replaces the selection
  ASSERT_EQ(form->Memo1->Lines()->Count(), 1);
  EXPECT_EQ(form->Memo1->Lines()->Strings(0), "x");
}

// A memo of its own, focused, with the lines given.
class Memos : public vcltest::EveryFormTest {
 protected:
  TMemo* MakeMemo(int width, std::initializer_list<const char*> lines) {
    memo = new TMemo(form);
    memo->SetParent(form);
    memo->SetBounds(100, 260, width, 120);
    for (const char* l : lines) memo->Lines()->Add(l);
    memo->SetCaretPos(TPoint{0, 0});
    memo->SetFocus();
    Pump();
    return memo;
  }
  TMemo* memo = nullptr;
};

TEST_F(Memos, ShiftWithTheKeysSelectsAcrossLines) {
  MakeMemo(300, {"alpha beta", "gamma", "delta"});
  Key(win::VK_RIGHT, true);
  Key(win::VK_RIGHT, true);
  EXPECT_EQ(memo->SelText(), "al");
  Key(win::VK_END, true);
  EXPECT_EQ(memo->SelText(), "alpha beta");
  Key(win::VK_DOWN, true);
  Key(win::VK_END, true);
  EXPECT_EQ(memo->SelText(), "alpha beta\r\ngamma");
  EXPECT_EQ(memo->SelStart(), 0);
  EXPECT_EQ(memo->SelLength(), 17);  // the line break counts two
  Key(win::VK_HOME, true);
  EXPECT_EQ(memo->SelText(), "alpha beta\r\n");
  Key(win::VK_LEFT, true);  // back over the line break
  EXPECT_EQ(memo->SelText(), "alpha beta");
  Key(win::VK_LEFT);  // an arrow without Shift drops the selection at its start
  EXPECT_EQ(memo->SelLength(), 0);
  EXPECT_EQ(memo->CaretPos().y, 0);
  EXPECT_EQ(memo->CaretPos().x, 0);
  Key(win::VK_END, true, true);  // Ctrl+Shift+End: to the end of the text
  EXPECT_EQ(memo->SelText(), "alpha beta\r\ngamma\r\ndelta\r\n");
  // Selecting backwards from the end, then typing over it.
  memo->SetCaretPos(TPoint{5, 2});
  Key(win::VK_UP, true);
  Key(win::VK_HOME, true);
  EXPECT_EQ(memo->SelText(), "gamma\r\ndelta");
  EXPECT_EQ(memo->CaretPos().y, 1);
  Type("x");
  ASSERT_EQ(memo->Lines()->Count(), 2);
  EXPECT_EQ(memo->Lines()->Strings(1), "x");
}

TEST_F(Memos, ShiftClickAndDragExtendTheSelection) {
  MakeMemo(300, {"alpha beta", "gamma", "delta"});
  int lh = MeasureText(memo->Font(), "0", false).cy;
  int afterAl = 1 + MeasureText(memo->Font(), "al", false).cx;
  Click(memo, afterAl, lh / 2);
  EXPECT_EQ(memo->CaretPos().x, 2);
  EXPECT_EQ(memo->SelLength(), 0);
  int afterDel = 1 + MeasureText(memo->Font(), "del", false).cx;
  gdi::POINT p = ScreenPoint(memo, afterDel, 2 * lh + lh / 2);
  Feed(win::KeyDown(win::VK_SHIFT));
  Feed(win::MouseDown(p.x, p.y));
  Feed(win::MouseUp(p.x, p.y));
  Feed(win::KeyUp(win::VK_SHIFT));
  EXPECT_EQ(memo->SelText(), "pha beta\r\ngamma\r\ndel");
  // A click without Shift starts afresh; a drag selects from the press to the release.
  Drag(memo, afterAl, lh / 2, 1 + MeasureText(memo->Font(), "gam", false).cx, lh + lh / 2);
  EXPECT_EQ(memo->SelText(), "pha beta\r\ngam");
}

TEST_F(Memos, ClipboardKeysCopyCutAndPasteTheSelection) {
  MakeMemo(300, {"alpha beta", "gamma"});
  Clipboard()->SetAsText("kept");
  Key('C', false, true);  // nothing selected: the clipboard stays
  EXPECT_EQ(Clipboard()->AsText(), "kept");
  memo->SetSelStart(6);
  memo->SetSelLength(7);
  EXPECT_EQ(memo->SelText(), "beta\r\ng");
  Key('C', false, true);
  EXPECT_EQ(Clipboard()->AsText(), "beta\r\ng");
  Key('X', false, true);
  ASSERT_EQ(memo->Lines()->Count(), 1);
  EXPECT_EQ(memo->Lines()->Strings(0), "alpha amma");
  Key(win::VK_END);
  Key('V', false, true);  // the pasted line break splits the line
  ASSERT_EQ(memo->Lines()->Count(), 2);
  EXPECT_EQ(memo->Lines()->Strings(0), "alpha ammabeta");
  EXPECT_EQ(memo->Lines()->Strings(1), "g");
  EXPECT_EQ(memo->CaretPos().y, 1);
  EXPECT_EQ(memo->CaretPos().x, 1);
  // Read-only: copying still works, cutting and pasting change nothing.
  memo->SetReadOnly(true);
  Key(win::VK_HOME, true, true);
  Key('X', false, true);
  Key('V', false, true);
  Key('C', false, true);
  EXPECT_EQ(memo->GetTextAll(), "alpha ammabeta\r\ng\r\n");
  EXPECT_EQ(Clipboard()->AsText(), "alpha ammabeta\r\ng");
}

TEST_F(Memos, DeletingASelectionJoinsItsLines) {
  MakeMemo(300, {"one", "two", "three"});
  memo->SetCaretPos(TPoint{1, 0});
  Key(win::VK_DOWN, true);
  Key(win::VK_DOWN, true);
  Key(win::VK_DELETE);
  ASSERT_EQ(memo->Lines()->Count(), 1);
  EXPECT_EQ(memo->Lines()->Strings(0), "ohree");
  Key(win::VK_RIGHT, true);
  Key(win::VK_BACK);
  EXPECT_EQ(memo->Lines()->Strings(0), "oree");
  Key(win::VK_RETURN);
  EXPECT_EQ(memo->GetTextAll(), "o\r\nree\r\n");
}

TEST_F(Memos, WordWrapBreaksLongLinesAtBlanksButKeepsTheLineWhole) {
  const std::string text = "the quick brown fox jumps over the lazy dog and sails on";
  MakeMemo(110, {text.c_str(), "short"});
  ASSERT_EQ(memo->Lines()->Count(), 2);
  EXPECT_EQ(memo->Lines()->Strings(0), text);
  int rows = memo->RowCount();
  ASSERT_GT(rows, 3);
  // Each row ends at a blank and fits the memo; Down walks the rows of the one line.
  int start = 0;
  for (int row = 0; row + 1 < rows; ++row) {
    Key(win::VK_END);
    int end = memo->CaretPos().x;
    EXPECT_EQ(memo->CaretRow(), row);
    if (end == static_cast<int>(text.size())) break;
    EXPECT_EQ(text[static_cast<size_t>(end)], ' ') << "row " << row;
    EXPECT_NE(text[static_cast<size_t>(end) - 1], ' ') << "row " << row;
    EXPECT_LE(MeasureText(memo->Font(),
                          text.substr(static_cast<size_t>(start), static_cast<size_t>(end - start)),
                          false)
                  .cx,
              memo->ClientWidth());
    Key(win::VK_DOWN);
    Key(win::VK_HOME);
    EXPECT_EQ(memo->CaretRow(), row + 1);
    start = memo->CaretPos().x;
    EXPECT_EQ(text[static_cast<size_t>(start) - 1], ' ');
  }
  // The line's last row; the next line's after it, and the place after the last line break.
  EXPECT_EQ(memo->CaretRow(), rows - 3);
  Key(win::VK_DOWN);
  EXPECT_EQ(memo->CaretPos().y, 1);
  // Typing on a wrapped row edits the one line.
  memo->SetCaretPos(TPoint{0, 0});
  Key(win::VK_DOWN);
  Type("x");
  EXPECT_EQ(memo->Lines()->Count(), 2);
  EXPECT_NE(memo->Lines()->Strings(0).find("x"), std::string::npos);
  // A click on the second row lands in the first line, past the first row.
  Key(win::VK_HOME, false, true);
  Key(win::VK_END);
  int firstRowEnd = memo->CaretPos().x;
  int lh = MeasureText(memo->Font(), "0", false).cy;
  Click(memo, 3, lh + lh / 2);
  EXPECT_EQ(memo->CaretPos().y, 0);
  EXPECT_GT(memo->CaretPos().x, firstRowEnd);
  // Without wrapping a line is one row.
  memo->SetWordWrap(false);
  EXPECT_EQ(memo->RowCount(), 3);
  memo->SetWordWrap(true);
  EXPECT_EQ(memo->RowCount(), rows);
  // Widening the memo takes fewer rows.
  memo->SetWidth(400);
  EXPECT_LT(memo->RowCount(), rows);
}

TEST_F(Memos, AWordWiderThanTheMemoIsCutWhereTheWidthEnds) {
  const std::string text = "$GPRMC,123519,A,4807.038,N,01131.000,E";
  MakeMemo(60, {text.c_str()});
  int rows = memo->RowCount();
  ASSERT_GT(rows, 2);
  // Row starts go forward, every row holds something that fits, and the last ends the line.
  std::vector<int> starts;
  for (int row = 0; row + 1 < rows; ++row) {  // the last row: after the line break
    Key(win::VK_HOME);
    EXPECT_EQ(memo->CaretRow(), row);
    starts.push_back(memo->CaretPos().x);
    Key(win::VK_DOWN);
  }
  starts.push_back(static_cast<int>(text.size()));
  for (size_t i = 0; i + 1 < starts.size(); ++i) {
    ASSERT_LT(starts[i], starts[i + 1]);
    EXPECT_LE(MeasureText(memo->Font(),
                          text.substr(static_cast<size_t>(starts[i]),
                                      static_cast<size_t>(starts[i + 1] - starts[i])),
                          false)
                  .cx,
              memo->ClientWidth());
  }
  EXPECT_EQ(starts.front(), 0);
}

TEST_F(Memos, LinesAddedInCodeBringTheEndIntoView) {
  MakeMemo(110, {});
  for (int i = 0; i < 40; ++i) memo->Lines()->Add("line " + std::to_string(i));
  EXPECT_EQ(memo->RowCount(), 41);
  EXPECT_EQ(memo->CaretPos().y, 40);  // after the last line, as a log shows its newest
  const int lh = MeasureText(memo->Font(), "0", false).cy;
  EXPECT_GT(memo->TopLine(), 0);
  EXPECT_LE((40 - memo->TopLine() + 1) * lh, memo->ClientHeight());
  Key(win::VK_HOME, false, true);
  EXPECT_EQ(memo->TopLine(), 0);
  memo->Lines()->Put(3, "changed");  // a change in place leaves caret and view alone
  EXPECT_EQ(memo->TopLine(), 0);
  EXPECT_EQ(memo->CaretPos().y, 0);
  // Emptied and refilled in code: the caret and the view come back within the text.
  memo->Lines()->Clear();
  memo->Lines()->Add("one");
  memo->Lines()->Add("two");
  EXPECT_EQ(memo->TopLine(), 0);
  EXPECT_EQ(memo->CaretPos().y, 2);
  Key(win::VK_HOME, true, true);
  EXPECT_EQ(memo->SelText(), "one\r\ntwo\r\n");
}

TEST_F(Memos, TextEndsWithALineBreakOnlyWhenItHasOne) {
  MakeMemo(300, {"one", "two"});
  // Typing after the last line break adds a line that has none after it.
  Key(win::VK_END, false, true);
  Type("x");
  EXPECT_EQ(memo->GetTextAll(), "one\r\ntwo\r\nx");
  EXPECT_EQ(memo->RowCount(), 3);
  Key(win::VK_RIGHT);
  Key(win::VK_DOWN);
  EXPECT_EQ(memo->CaretPos().y, 2);
  EXPECT_EQ(memo->CaretPos().x, 1);
  Key(win::VK_HOME, true, true);
  EXPECT_EQ(memo->SelText(), "one\r\ntwo\r\nx");
  // Enter gives it one; taking away the last character and then the break goes back step by step.
  Key(win::VK_END, false, true);
  Key(win::VK_RETURN);
  EXPECT_EQ(memo->GetTextAll(), "one\r\ntwo\r\nx\r\n");
  EXPECT_EQ(memo->CaretPos().y, 3);
  Key(win::VK_BACK);
  Key(win::VK_BACK);
  EXPECT_EQ(memo->GetTextAll(), "one\r\ntwo\r\n");
  EXPECT_EQ(memo->Lines()->Count(), 2);
  Key(win::VK_BACK);
  EXPECT_EQ(memo->GetTextAll(), "one\r\ntwo");
  Key(win::VK_HOME, true, true);
  Key(win::VK_DELETE);
  EXPECT_EQ(memo->GetTextAll(), "");
  EXPECT_EQ(memo->Lines()->Count(), 0);
  // Text set in code keeps its ending; lines added in code each end with a break.
  memo->SetText("a\r\nb");
  EXPECT_EQ(memo->GetTextAll(), "a\r\nb");
  EXPECT_EQ(memo->RowCount(), 2);
  memo->Lines()->Add("c");
  EXPECT_EQ(memo->GetTextAll(), "a\r\nb\r\nc\r\n");
  memo->SetText("a\r\n");
  EXPECT_EQ(memo->GetTextAll(), "a\r\n");
  EXPECT_EQ(memo->RowCount(), 2);
}

TEST_F(Memos, RowsFollowLinesAndFontChangedInCode) {
  MakeMemo(110, {"line 1", "line 2", "line 3", "line 4"});
  EXPECT_EQ(memo->RowCount(), 5);
  // The same text twice keeps its rows; a line made long in code takes more.
  memo->Lines()->Put(3, "line 1");
  EXPECT_EQ(memo->RowCount(), 5);
  memo->Lines()->Put(3, "a line long enough to need a few rows in this memo");
  const int rows = memo->RowCount();
  EXPECT_GT(rows, 6);
  memo->Font()->SetSize(memo->Font()->Size() * 2);
  EXPECT_GT(memo->RowCount(), rows);
  memo->Lines()->Delete(3);
  EXPECT_EQ(memo->RowCount(), 4);
}

// A memo with scroll bars, and presses on its bars (which hold the pointer until released, so
// the whole gesture is queued before it is handled).
class MemoBars : public Memos {
 protected:
  TMemo* MakeLog(TScrollStyle bars, int lines) {
    MakeMemo(200, {});
    memo->SetScrollBars(bars);
    for (int i = 0; i < lines; ++i) memo->Lines()->Add("line " + std::to_string(i));
    memo->SetCaretPos(TPoint{0, 0});
    Pump();
    return memo;
  }
  // A press at a client point (the bars lie just outside the client area), moved and released.
  void Press(int x, int y, int toX, int toY) {
    gdi::POINT a = ScreenPoint(memo, x, y), b = ScreenPoint(memo, toX, toY);
    win::PostRawInput(win::MouseMove(a.x, a.y));
    win::PostRawInput(win::MouseDown(a.x, a.y));
    win::PostRawInput(win::MouseMove((a.x + b.x) / 2, (a.y + b.y) / 2));
    win::PostRawInput(win::MouseMove(b.x, b.y));
    win::PostRawInput(win::MouseUp(b.x, b.y));
    Pump();
  }
  void PressVert(int y, int toY) { Press(BarX(), y, BarX(), toY); }
  int BarX() const { return memo->ClientWidth() + win::GetSystemMetrics(win::SM_CXVSCROLL) / 2; }
  int BarY() const { return memo->ClientHeight() + win::GetSystemMetrics(win::SM_CYHSCROLL) / 2; }
  int Arrow() const { return win::GetSystemMetrics(win::SM_CXVSCROLL); }
  int LastTop() const { return memo->RowCount() - ClientRows(); }
  int ClientRows() const { return memo->ClientHeight() / MeasureText(memo->Font(), "0", false).cy; }
  bool HasStyle(unsigned bit) {
    return (static_cast<unsigned>(win::GetWindowLong(memo->Handle(), win::GWL_STYLE)) & bit) != 0;
  }
};

TEST_F(MemoBars, ArrowsAndPageAreasOfTheBarMoveTheViewButNotTheCaret) {
  MakeLog(ssVertical, 40);
  ASSERT_TRUE(HasStyle(win::WS_VSCROLL));
  EXPECT_EQ(memo->ClientWidth(), 200 - 4 - win::GetSystemMetrics(win::SM_CXVSCROLL));
  EXPECT_EQ(memo->TopLine(), 0);
  PressVert(memo->ClientHeight() - Arrow() / 2, memo->ClientHeight() - Arrow() / 2);
  EXPECT_EQ(memo->TopLine(), 1);
  // Below the thumb: a page down, the size of the rows shown.
  PressVert(memo->ClientHeight() - Arrow() - 3, memo->ClientHeight() - Arrow() - 3);
  EXPECT_EQ(memo->TopLine(), 1 + ClientRows());
  PressVert(Arrow() / 2, Arrow() / 2);
  EXPECT_EQ(memo->TopLine(), ClientRows());
  PressVert(Arrow() + 1, Arrow() + 1);  // above the thumb: a page up, no further than the top
  EXPECT_EQ(memo->TopLine(), 0);
  PressVert(Arrow() / 2, Arrow() / 2);
  EXPECT_EQ(memo->TopLine(), 0);
  EXPECT_EQ(memo->CaretPos().y, 0);
  // The bar shows the view; a click on the text lands on the row shown there.
  PressVert(memo->ClientHeight() - Arrow() - 3, memo->ClientHeight() - Arrow() - 3);
  EXPECT_EQ(win::GetScrollPos(memo->Handle(), win::SB_VERT), memo->TopLine());
  const int lh = MeasureText(memo->Font(), "0", false).cy;
  Click(memo, 2, lh + lh / 2);
  EXPECT_EQ(memo->CaretPos().y, memo->TopLine() + 1);
}

TEST_F(MemoBars, DraggingTheThumbScrollsToEitherEnd) {
  MakeLog(ssVertical, 60);
  const int thumbTop = Arrow() + 2;
  PressVert(thumbTop, memo->ClientHeight() + 40);  // past the end of the bar
  EXPECT_EQ(memo->TopLine(), LastTop());
  EXPECT_EQ(memo->CaretPos().y, 0);
  // Halfway down the track: about the middle of the text.
  win::SCROLLINFO si;
  si.fMask = win::SIF_ALL;
  win::GetScrollInfo(memo->Handle(), win::SB_VERT, &si);
  EXPECT_EQ(si.nPos, LastTop());
  EXPECT_EQ(si.nMax, memo->RowCount() - 1);
  EXPECT_EQ(static_cast<int>(si.nPage), ClientRows());
  PressVert(memo->ClientHeight() - Arrow() - 2, memo->ClientHeight() / 2);
  EXPECT_NEAR(memo->TopLine(), LastTop() / 2, 4);
  // The thumb followed the pointer: taken again where it was let go, it goes to the top.
  PressVert(memo->ClientHeight() / 2 - 4, -40);
  EXPECT_EQ(memo->TopLine(), 0);
  // The caret then moved by the keys brings its row back into view.
  Key(win::VK_END, false, true);
  EXPECT_EQ(memo->TopLine(), LastTop());
  Pump();
  EXPECT_EQ(win::GetScrollPos(memo->Handle(), win::SB_VERT), LastTop());
}

TEST_F(MemoBars, TheWheelScrollsThreeRowsANotch) {
  MakeLog(ssVertical, 30);
  gdi::POINT p = ScreenPoint(memo, 20, 20);
  Feed(win::MouseWheel(p.x, p.y, -win::WHEEL_DELTA));
  EXPECT_EQ(memo->TopLine(), 3);
  Feed(win::MouseWheel(p.x, p.y, -2 * win::WHEEL_DELTA));
  EXPECT_EQ(memo->TopLine(), 9);
  Feed(win::MouseWheel(p.x, p.y, 10 * win::WHEEL_DELTA));
  EXPECT_EQ(memo->TopLine(), 0);
  for (int i = 0; i < 20; ++i) Feed(win::MouseWheel(p.x, p.y, -win::WHEEL_DELTA));
  EXPECT_EQ(memo->TopLine(), LastTop());  // the last row rests at the bottom
}

TEST_F(MemoBars, TheLastRowStaysInViewAsTheBarFollowsLinesAndCaret) {
  MakeLog(ssVertical, 0);
  // Too few lines to scroll: the bar stays, greyed, and the view at the top.
  EXPECT_TRUE(HasStyle(win::WS_VSCROLL));
  EXPECT_EQ(memo->TopLine(), 0);
  const int lh = MeasureText(memo->Font(), "0", false).cy;
  // Long lines wrap to the width left beside the bar, and a log's newest stays in view.
  for (int i = 0; i < 30; ++i)
    memo->Lines()->Add("$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4 " + std::to_string(i));
  Pump();
  EXPECT_GE(memo->RowCount(), 61);
  EXPECT_EQ(memo->TopLine(), memo->RowCount() - ClientRows());
  EXPECT_LE((memo->CaretRow() - memo->TopLine() + 1) * lh, memo->ClientHeight());
  EXPECT_EQ(win::GetScrollPos(memo->Handle(), win::SB_VERT), memo->TopLine());
  // Keys walking up past the top scroll a row at a time.
  Key(win::VK_HOME, false, true);
  EXPECT_EQ(memo->TopLine(), 0);
  for (int i = 0; i < ClientRows(); ++i) Key(win::VK_DOWN);
  EXPECT_EQ(memo->TopLine(), 1);
  Pump();
  EXPECT_EQ(win::GetScrollPos(memo->Handle(), win::SB_VERT), 1);
  // Turning the bar off gives the rows the whole width again: fewer of them.
  const int rows = memo->RowCount();
  memo->SetScrollBars(ssNone);
  Pump();
  EXPECT_FALSE(HasStyle(win::WS_VSCROLL));
  EXPECT_EQ(memo->ClientWidth(), 200 - 4);
  EXPECT_LE(memo->RowCount(), rows);
}

TEST_F(MemoBars, ALongLineScrollsSidewaysWhenWordsDoNotWrap) {
  const std::string text = "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A";
  MakeLog(ssBoth, 3);
  // While words wrap there is no horizontal bar.
  EXPECT_FALSE(HasStyle(win::WS_HSCROLL));
  EXPECT_TRUE(HasStyle(win::WS_VSCROLL));
  memo->SetWordWrap(false);
  memo->Lines()->Add(text);
  memo->SetCaretPos(TPoint{0, 3});
  Pump();
  ASSERT_TRUE(HasStyle(win::WS_HSCROLL));
  EXPECT_EQ(memo->ClientHeight(), 120 - 4 - win::GetSystemMetrics(win::SM_CYHSCROLL));
  EXPECT_EQ(memo->ScrollX(), 0);
  const int width = MeasureText(memo->Font(), text, false).cx;
  ASSERT_GT(width, memo->ClientWidth());
  // The caret at the end of the line brings the end into view.
  Key(win::VK_END);
  EXPECT_GT(memo->ScrollX(), 0);
  EXPECT_LE(width - memo->ScrollX(), memo->ClientWidth());
  // A click on the text scrolled sideways lands on the character under the pointer.
  const std::string head = "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4";
  const int at = MeasureText(memo->Font(), head, false).cx - memo->ScrollX();
  ASSERT_GT(at, 0);
  const int lh = MeasureText(memo->Font(), "0", false).cy;
  Click(memo, 1 + at, 3 * lh + lh / 2);
  EXPECT_EQ(memo->CaretPos().x, static_cast<int>(head.size()));
  EXPECT_EQ(memo->CaretPos().y, 3);
  // Home shows the start again; the bar's page area, right arrow and thumb reveal the end.
  Key(win::VK_HOME);
  EXPECT_EQ(memo->ScrollX(), 0);
  const int rightOfThumb = memo->ClientWidth() - Arrow() - 2;
  Press(rightOfThumb, BarY(), rightOfThumb, BarY());
  const int page = memo->ScrollX();
  EXPECT_GT(page, memo->ClientWidth() / 2);
  Press(memo->ClientWidth() - Arrow() / 2, BarY(), memo->ClientWidth() - Arrow() / 2, BarY());
  EXPECT_GT(memo->ScrollX(), page);
  Press(memo->ClientWidth() - Arrow() / 2, BarY(), memo->ClientWidth() - Arrow() / 2, BarY());
  Press(Arrow() / 2, BarY(), Arrow() / 2, BarY());  // and the left arrow back a step
  EXPECT_GT(memo->ScrollX(), page);
  Key(win::VK_HOME);  // the caret at the start brings the thumb back to the left
  EXPECT_EQ(memo->ScrollX(), 0);
  Press(Arrow() + 2, BarY(), memo->ClientWidth() + 50, BarY());  // thumb: as far as the end
  const int textWidth = memo->ClientWidth() - 2;
  EXPECT_EQ(memo->ScrollX(), width + 1 - textWidth);
  EXPECT_EQ(memo->CaretPos().x, 0);  // the bar leaves the caret where it was
  // Wrapping again takes the bar away and the text back to the left edge.
  memo->SetWordWrap(true);
  Pump();
  EXPECT_FALSE(HasStyle(win::WS_HSCROLL));
  EXPECT_EQ(memo->ScrollX(), 0);
}

TEST_F(Edits, ARichEditKeepsAColourPerLineAndSavesRichText) {
  TRichEdit* r = form->RichEdit1;
  std::string rtf = r->RichText();
  EXPECT_NE(rtf.find("{\\rtf1"), std::string::npos);
  EXPECT_NE(rtf.find("\\red0\\green255\\blue0;"), std::string::npos);
  EXPECT_NE(rtf.find("\\red255\\green0\\blue0;"), std::string::npos);
  EXPECT_NE(rtf.find("\\cf1 COM1: is available..\\par"), std::string::npos);
  EXPECT_NE(rtf.find("\\cf2 COM2: not available..\\par"), std::string::npos);
  const TempDir dir("vcl_richedit");
  const std::string path = dir / "comwiz.txt";
  r->Lines()->SaveToFile(path);  // the lines save as rich text, as the wizard's log does
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  EXPECT_EQ(ss.str(), rtf);
  std::remove(path.c_str());
  r->Lines()->Clear();
  r->Lines()->Add("{brace} \\");
  EXPECT_NE(r->RichText().find("\\{brace\\} \\\\"), std::string::npos);
}

TEST_F(Edits, ASpinEditStaysWithinItsLimits) {
  TSpinEdit* s = form->SpinEdit1;
  s->SetValue(3);
  s->SetFocus();
  Pump();
  Key(win::VK_UP);
  EXPECT_EQ(s->Value(), 4);
  s->SetValue(25);
  EXPECT_EQ(s->Value(), 10);
  Click(s, s->Width() - 5, s->Height() - 4);  // the down button
  EXPECT_EQ(s->Value(), 9) << s->Text() << " " << s->Width() << "x" << s->Height();
  Key(win::VK_END);
  Type("x");  // letters are refused
  EXPECT_EQ(s->Text(), "9");
}

}  // namespace
