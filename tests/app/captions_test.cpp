// Every caption of every form of the program fits the room its control gives it: a text wider
// than that is cut (or ends in an ellipsis) on the screen.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "app/mainform.h"
#include "app/polar.h"
#include "app/settingsform.h"
#include "link/comconfig.h"
#include "link/comconfigform.h"
#include "link/commswizard.h"
#include "link/comsettings.h"
#include "platform/vcl/buttons.h"
#include "platform/vcl/classic.h"
#include "platform/vcl/extctrls.h"
#include "platform/vcl/lists.h"
#include "platform/vcl/stdctrls.h"
#include "tests/app/programfixture.h"
#include "tests/platform/vcl/vcltest.h"

namespace {

// One caption too wide for its room: where, what, how wide, how much room.
std::string Cut(const vcl::TControl* c, const std::string& text, int width, int room) {
  return c->Name() + " \"" + text + "\": " + std::to_string(width) + " > " +
         std::to_string(room);
}

// The captions of a control and its children that do not fit, by what each kind of control
// leaves for its text when it paints it.
void Walk(const vcl::TControl* c, std::vector<std::string>& cuts) {
  auto check = [&](const std::string& text, int room, bool prefix = true) {
    if (text.empty()) return;
    const int width = vcl::MeasureText(c->Font(), text, prefix).cx;
    if (width > room) cuts.push_back(Cut(c, text, width, room));
  };
  if (auto* f = dynamic_cast<const vcl::TCustomForm*>(c)) {
    const int room = vcltest::TitleRoom(f);
    if (const int width = vcl::MeasureTitle(f->Caption()); width > room)
      cuts.push_back(Cut(c, f->Caption(), width, room));
  } else if (auto* l = dynamic_cast<const vcl::TLabel*>(c)) {
    if (!l->WordWrap()) check(l->Caption(), l->Width(), l->ShowAccelChar());
  } else if (dynamic_cast<const vcl::TCheckBox*>(c) || dynamic_cast<const vcl::TRadioButton*>(c)) {
    check(c->Caption(), c->Width() - vcl::kCheckSize - 4);
  } else if (auto* b = dynamic_cast<const vcl::TBitBtn*>(c)) {
    const bool glyph = !b->Glyph()->Empty() || b->Kind() != vcl::bkCustom;
    check(c->Caption(), c->Width() - 4 - (glyph ? 16 + 4 : 0));
  } else if (dynamic_cast<const vcl::TButton*>(c) || dynamic_cast<const vcl::TSpeedButton*>(c)) {
    check(c->Caption(), c->Width() - 4);
  } else if (dynamic_cast<const vcl::TGroupBox*>(c)) {
    check(c->Caption(), c->Width() - 9 - 8);
  } else if (auto* p = dynamic_cast<const vcl::TPanel*>(c)) {
    const int inset = (p->BevelOuter() != vcl::bvNone ? p->BevelWidth() : 0) + p->BorderWidth() +
                      (p->BevelInner() != vcl::bvNone ? p->BevelWidth() : 0) +
                      (p->BorderStyle() == vcl::bsSingle ? 2 : 0);
    check(p->Caption(), p->Width() - 2 * inset);
  } else if (auto* list = dynamic_cast<const vcl::TCustomListBox*>(c)) {
    // Items beside a check box where it has one, left of a scroll bar when they overflow.
    const bool checks = dynamic_cast<const vcl::TCheckListBox*>(c) != nullptr;
    const int visible = std::max((c->Height() - 4) / list->ItemHeight(), 1);
    const int room = c->Width() - 4 - 2 - (checks ? list->ItemHeight() : 0) -
                     (list->Count() > visible ? 16 : 0);
    for (int i = 0; i < list->Count(); ++i) check(list->Items()->Strings(i), room, false);
  } else if (auto* combo = dynamic_cast<const vcl::TComboBox*>(c)) {
    for (int i = 0; i < combo->Items()->Count(); ++i)
      check(combo->Items()->Strings(i), c->Width() - 17 - 4, false);
  }
  // A caption is seen only as far as its parent shows the control.
  if (const vcl::TWinControl* parent = c->Parent();
      parent && !dynamic_cast<const vcl::TCustomForm*>(c) && c->Visible() &&
      !c->Caption().empty() && c->Left() + c->Width() > parent->ClientWidth())
    cuts.push_back(Cut(c, c->Caption(), c->Left() + c->Width(), parent->ClientWidth()));
  if (auto* w = dynamic_cast<const vcl::TWinControl*>(c))
    for (int i = 0; i < w->ControlCount(); ++i) Walk(w->Controls(i), cuts);
}

class Captions : public apptest::ProgramFixture {};

TEST_F(Captions, EveryCaptionOfEveryFormFitsItsRoom) {
  Start();
  auto* config = new TComConfigForm(app.get(), LoadDefaultConfig("COM1"), false);
  std::vector<std::string> cuts;
  for (const vcl::TControl* form : std::vector<const vcl::TControl*>{
           Form1, comms, Settings, Polardata, WizForm, config}) {
    ASSERT_NE(form, nullptr);
    Walk(form, cuts);
  }
  EXPECT_TRUE(cuts.empty()) << ::testing::PrintToString(cuts);
}

}  // namespace
