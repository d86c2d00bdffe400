#include "platform/vcl/newchild.h"

#include <gtest/gtest.h>

#include "platform/vcl/extctrls.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/stdctrls.h"
#include "platform/vcl/timer.h"
#include "vcltest.h"

using namespace vcl;

namespace {

class NewChildTest : public vcltest::VclTest {};

TEST_F(NewChildTest, ControlsAreOwnedNamedPlacedAndFreedWithTheirOwner) {
  auto* form = new TForm(app.get());
  auto* panel = NewChild<TPanel>(form, form, "Panel1");
  auto* label = NewChild<TLabel>(form, panel, "Label1", 4, 6, 120, 16);
  auto* timer = NewChild<TTimer>(form, nullptr, "Timer1");

  EXPECT_EQ(form->FindComponent("Panel1"), panel);
  EXPECT_EQ(form->FindComponent("Label1"), label);
  EXPECT_EQ(form->FindComponent("Timer1"), timer);
  EXPECT_EQ(panel->Parent(), form);
  // The owner and the parent are different things: the label sits on the panel, the form frees it.
  EXPECT_EQ(label->Parent(), panel);
  EXPECT_EQ(label->Owner(), form);
  EXPECT_EQ(label->Left(), 4);
  EXPECT_EQ(label->Top(), 6);
  EXPECT_EQ(label->Width(), 120);
  EXPECT_EQ(label->Height(), 16);
  EXPECT_EQ(timer->Owner(), form);

  const int before = app->ComponentCount();
  delete form;  // frees the three with it (the sanitizer reports any that stayed)
  EXPECT_EQ(app->ComponentCount(), before - 1);
}

}  // namespace
