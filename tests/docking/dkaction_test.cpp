// Items linked to actions: what the link copies and follows, clicks through the action, hints,
// shortcuts of disabled-until-updated items, and the update while the application is idle.
#include "docking/dktoolbar.h"
#include "tests/docking/itemfixture.h"

namespace itemtest {
namespace {

class Actions : public ItemTest {
 protected:
  void SetUp() override {
    ItemTest::SetUp();
    save = new vcl::TAction(form);
    save->SetCaption("&Save");
    save->SetShortCut(vcl::ShortCut('S', vcl::ssCtrl));
    save->SetImageIndex(2);
    save->SetHint("Save|Save the log");
    save->SetOnExecute(rtl::TNotifyEvent(this, [this](rtl::TObject* s) {
      auto* a = static_cast<vcl::TBasicAction*>(s);
      executedBy.push_back(a->ActionComponent());
    }));
  }
  vcl::TAction* save = nullptr;
  std::vector<rtl::TComponent*> executedBy;
};

TEST_F(Actions, TheItemTakesTheActionsValuesAndFollowsItsChanges) {
  auto* root = new TDKRootItem(form);
  auto* item = Add(root, "");
  item->SetAction(save);
  EXPECT_EQ(item->Caption(), "&Save");
  EXPECT_EQ(item->ShortCut(), 0x4000 + 'S');
  EXPECT_EQ(item->ImageIndex(), 2);
  EXPECT_EQ(item->Hint(), "Save|Save the log");
  EXPECT_TRUE(item->OnClick == save->OnExecute());
  save->SetEnabled(false);
  save->SetCaption("Save &as");
  EXPECT_FALSE(item->Enabled());
  EXPECT_EQ(item->Caption(), "Save &as");
  // A disabled item runs nothing; enabled, the click goes through the action with the item as
  // the action's component while it runs.
  item->Click();
  EXPECT_TRUE(executedBy.empty());
  save->SetEnabled(true);
  item->Click();
  EXPECT_EQ(executedBy, (std::vector<rtl::TComponent*>{item}));
  EXPECT_EQ(save->ActionComponent(), nullptr);
  // AutoCheck on the action: each click toggles it, and the item shows it.
  save->SetAutoCheck(true);
  item->Click();
  EXPECT_TRUE(save->Checked());
  EXPECT_TRUE(item->Checked());
  // A handler of the item's own wins over the action's.
  int own = 0;
  item->OnClick = rtl::TNotifyEvent(&own, [&](rtl::TObject*) { ++own; });
  item->Click();
  EXPECT_EQ(own, 1);
  EXPECT_EQ(executedBy.size(), 2u);
  // The action freed: the item keeps its values and no link.
  delete save;
  save = nullptr;
  EXPECT_EQ(item->Action(), nullptr);
  EXPECT_EQ(item->Caption(), "Save &as");
  item->Click();
  EXPECT_EQ(own, 2);
}

TEST_F(Actions, ValuesOfTheItemsOwnStayWhenTheActionIsLinkedWhileLoading) {
  auto* root = new TDKRootItem(form);
  auto* item = Add(root, "Keep");
  item->SetImageIndex(0);
  save->Loading();
  item->SetAction(save);
  save->Loaded();
  // Only values still at their defaults came from the action.
  EXPECT_EQ(item->Caption(), "Keep");
  EXPECT_EQ(item->ImageIndex(), 0);
  EXPECT_EQ(item->ShortCut(), 0x4000 + 'S');
}

TEST_F(Actions, TheHintCarriesTheShortCutUnlessTheActionRefusesIt) {
  auto* root = new TDKRootItem(form);
  auto* item = Add(root, "");
  item->SetAction(save);
  TDKView* v = MakeView(root, true);
  v->UpdatePositions();
  TDKItemViewer* viewer = v->Find(item);
  EXPECT_EQ(viewer->GetHintText(), "Save (Ctrl+S)");
  app->SetHintShortCuts(false);
  EXPECT_EQ(viewer->GetHintText(), "Save");
  save->OnHint = vcl::THintEvent(this, [](std::string&, bool& show) { show = false; });
  EXPECT_EQ(viewer->GetHintText(), "");
}

TEST_F(Actions, AShortCutFindsItsItemEnabledByTheActionsUpdate) {
  auto* root = new TDKRootItem(form);
  auto* file = Add<TDKSubmenuItem>(root, "&File");
  auto* item = Add(file, "");
  item->SetAction(save);
  bool canSave = false;
  save->OnUpdate =
      rtl::TNotifyEvent(&canSave, [&](rtl::TObject*) { save->SetEnabled(canSave); });
  save->SetEnabled(false);
  EXPECT_FALSE(root->IsShortCut('S', vcl::ssCtrl));
  canSave = true;  // the update on the way enables it
  EXPECT_TRUE(root->IsShortCut('S', vcl::ssCtrl));
  EXPECT_EQ(executedBy, (std::vector<rtl::TComponent*>{item}));
}

TEST_F(Actions, WhileIdleTheVisibleFormsToolbarsUpdateTheirItemsActions) {
  auto* bar = new TDKToolbar(form);
  bar->SetParent(form);
  bar->SetImages(images);
  auto* item = new TDKItem(form);
  bar->Items()->Add(item);
  item->SetAction(save);
  int updates = 0;
  bool canSave = false;
  save->OnUpdate = rtl::TNotifyEvent(&updates, [&](rtl::TObject*) {
    ++updates;
    save->SetEnabled(canSave);
  });
  Pump();
  auto idle = [&] {
    win::InputScript script;
    script.After(10).Then([this] { win::PostMessage(form->Handle(), win::WM_NULL, 0, 0); });
    RunScript(script);
  };
  idle();
  EXPECT_GT(updates, 0);
  EXPECT_FALSE(item->Enabled());
  canSave = true;
  idle();
  EXPECT_TRUE(item->Enabled());
  // Not with UpdateActions off, nor on a hidden form.
  bar->SetUpdateActions(false);
  const int before = updates;
  idle();
  EXPECT_EQ(updates, before);
  bar->SetUpdateActions(true);
  form->Hide();
  Pump();
  idle();
  EXPECT_EQ(updates, before);
}

}  // namespace
}  // namespace itemtest
