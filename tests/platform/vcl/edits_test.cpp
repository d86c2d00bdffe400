#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "everyform.h"
#include "platform/vcl/clipboard.h"
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
  EXPECT_EQ(Clipboard()->AsText(), "abc\r\nde\r\n");
}

TEST_F(Edits, ARichEditKeepsAColourPerLineAndSavesRichText) {
  TRichEdit* r = form->RichEdit1;
  std::string rtf = r->RichText();
  EXPECT_NE(rtf.find("{\\rtf1"), std::string::npos);
  EXPECT_NE(rtf.find("\\red0\\green255\\blue0;"), std::string::npos);
  EXPECT_NE(rtf.find("\\red255\\green0\\blue0;"), std::string::npos);
  EXPECT_NE(rtf.find("\\cf1 COM1: is available..\\par"), std::string::npos);
  EXPECT_NE(rtf.find("\\cf2 COM2: not available..\\par"), std::string::npos);
  std::string path = ::testing::TempDir() + "comwiz.txt";
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
