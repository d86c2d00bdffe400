// The item tree: notifications, options, radio groups, shortcuts and posted clicks.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "docking/dkitem.h"
#include "platform/win/messages.h"
#include "tests/platform/vcl/vcltest.h"

namespace {

using namespace docking;

class Items : public vcltest::VclTest {
 protected:
  struct Note {
    std::string who;
    bool relayed;
    TDKItemChangedAction action;
    int index;
    TDKCustomItem* item;
    bool operator==(const Note&) const = default;
  };
  TDKItemChangedProc Recorder(const std::string& who) {
    return TDKItemChangedProc(&keys_[recorders_++],
                              [this, who](TDKCustomItem*, bool relayed, TDKItemChangedAction a,
                                          int index, TDKCustomItem* item) {
                                notes_.push_back({who, relayed, a, index, item});
                              });
  }
  TDKItem* NewItem(const std::string& caption = "") {
    auto* i = new TDKItem(nullptr);
    i->SetCaption(caption);
    return i;
  }
  std::vector<Note> notes_;
  int recorders_ = 0;
  char keys_[16] = {};
};

TEST_F(Items, InsertNotifiesInOrderAndLinkingItemsHearItRelayed) {
  TDKRootItem root(nullptr), toolbarRoot(nullptr);
  toolbarRoot.SetLinkSubitems(&root);
  root.RegisterNotification(Recorder("root"));
  toolbarRoot.RegisterNotification(Recorder("toolbar"));
  auto* a = NewItem("A");
  root.Add(a);
  const std::vector<Note> want{
      {"root", false, dkicSubitemsBeginUpdate, -1, nullptr},
      {"toolbar", true, dkicSubitemsBeginUpdate, -1, nullptr},
      {"root", false, dkicInserted, 0, a},
      {"toolbar", true, dkicInserted, 0, a},
      {"root", false, dkicSubitemsEndUpdate, -1, nullptr},
      {"toolbar", true, dkicSubitemsEndUpdate, -1, nullptr},
  };
  EXPECT_EQ(notes_, want);
  notes_.clear();
  a->SetCaption("B");  // a caption change resizes
  ASSERT_EQ(notes_.size(), 2u);
  EXPECT_EQ(notes_[0].action, dkicInvalidateAndResize);
  notes_.clear();
  a->SetChecked(true);  // a check only repaints
  ASSERT_EQ(notes_.size(), 2u);
  EXPECT_EQ(notes_[0].action, dkicInvalidate);
  notes_.clear();
  delete a;
  ASSERT_EQ(notes_.size(), 2u);
  EXPECT_EQ(notes_[0], (Note{"root", false, dkicDeleting, 0, a}));
  EXPECT_EQ(root.Count(), 0);
}

TEST_F(Items, ARenameIsToldToTheParentsViewsOnlyWhenTheNameChanges) {
  TDKRootItem root(nullptr);
  auto* a = NewItem();
  root.Add(NewItem());
  root.Add(a);
  root.RegisterNotification(Recorder("root"));
  a->SetName("SaveLog");
  a->SetName("SaveLog");
  EXPECT_EQ(notes_, (std::vector<Note>{{"root", false, dkicNameChanged, 1, a}}));
}

TEST_F(Items, AnImageListThatGoesAwayIsForgotten) {
  TDKRootItem root(nullptr);
  auto* list = new vcl::TImageList(nullptr);
  root.SetImages(list);
  root.SetSubMenuImages(list);
  delete list;
  EXPECT_EQ(root.Images(), nullptr);
  EXPECT_EQ(root.SubMenuImages(), nullptr);
}

TEST_F(Items, RegistrationIsCountedAndAnUnknownOneIsIgnored) {
  TDKRootItem root(nullptr);
  auto r = Recorder("r");
  root.RegisterNotification(r);
  root.RegisterNotification(r);
  root.UnregisterNotification(r);
  root.Notify(dkicInvalidate, 0, nullptr);
  EXPECT_EQ(notes_.size(), 1u);
  root.UnregisterNotification(r);
  root.UnregisterNotification(r);
  root.UnregisterNotification(Recorder("never"));
  root.Notify(dkicInvalidate, 0, nullptr);
  EXPECT_EQ(notes_.size(), 1u);
}

TEST_F(Items, AnItemCannotGoIntoItselfItsSubitemsOrTwoParents) {
  TDKRootItem root(nullptr);
  auto* sub = new TDKSubmenuItem(nullptr);
  auto* deep = new TDKSubmenuItem(nullptr);
  root.Add(sub);
  sub->Add(deep);
  EXPECT_THROW(sub->Add(sub), EDKItemError);
  EXPECT_THROW(deep->Add(&root), EDKItemError);
  auto* loose = new TDKSubmenuItem(nullptr);
  loose->Add(NewItem());
  using testing::ThrowsMessage, testing::StrEq;
  EXPECT_THAT([&] { root.Add(deep); },
              ThrowsMessage<EDKItemError>(StrEq("Toolbar item already inserted")));
  EXPECT_THAT([&] { root.Insert(5, loose); },
              ThrowsMessage<EDKItemError>(StrEq("Toolbar item index out of range")));
  EXPECT_EQ(loose->Parent(), nullptr);
  root.Insert(0, loose);
  EXPECT_EQ(root.IndexOf(loose), 0);
  EXPECT_TRUE(root.ContainsItem(deep));
  EXPECT_FALSE(sub->ContainsItem(loose));
  // Both indexes of a move are checked.
  EXPECT_THROW(root.Move(2, 0), EDKItemError);
  EXPECT_THROW(root.Move(0, 2), EDKItemError);
  root.Move(0, 1);
  EXPECT_EQ(root.Items(0), sub);
  EXPECT_EQ(root.Items(1), loose);
}

TEST_F(Items, EffectiveOptionsInheritAllButDefaultAndDropToolbarSizeAlone) {
  TDKRootItem root(nullptr);
  auto* sub = new TDKSubmenuItem(nullptr);
  auto* leaf = NewItem();
  root.Add(sub);
  sub->Add(leaf);
  sub->SetOptions(dkoDefault | dkoShowHint | dkoToolbarStyle);
  EXPECT_EQ(leaf->EffectiveOptions(), TDKItemOptions(dkoShowHint | dkoToolbarStyle));
  leaf->SetMaskOptions(dkoToolbarStyle);
  EXPECT_EQ(leaf->EffectiveOptions(), TDKItemOptions(dkoShowHint));
  leaf->SetOptions(dkoToolbarSize);
  EXPECT_EQ(leaf->Options(), 0u);  // toolbar size needs toolbar style
  leaf->SetOptions(dkoToolbarSize | dkoToolbarStyle);
  EXPECT_EQ(leaf->EffectiveOptions(),
            TDKItemOptions(dkoShowHint | dkoToolbarSize | dkoToolbarStyle));
  leaf->SetInheritOptions(false);
  EXPECT_EQ(leaf->EffectiveOptions(), TDKItemOptions(dkoToolbarSize | dkoToolbarStyle));
  // An item inserted later takes its options at once.
  auto* late = NewItem();
  sub->Add(late);
  EXPECT_EQ(late->EffectiveOptions(), TDKItemOptions(dkoShowHint | dkoToolbarStyle));
}

TEST_F(Items, CheckingARadioItemClearsItsGroupOnly) {
  TDKRootItem root(nullptr);
  TDKItem* g1[3];
  for (auto*& i : g1) {
    i = NewItem();
    i->SetGroupIndex(1);
    i->SetRadioItem(true);
    root.Add(i);
  }
  auto* other = NewItem();
  other->SetGroupIndex(2);
  other->SetChecked(true);
  root.Add(other);
  auto* plain = NewItem();
  plain->SetChecked(true);
  root.Add(plain);
  g1[0]->SetChecked(true);
  g1[2]->SetChecked(true);
  EXPECT_FALSE(g1[0]->Checked());
  EXPECT_TRUE(g1[2]->Checked());
  EXPECT_TRUE(other->Checked());
  EXPECT_TRUE(plain->Checked());
  // A checked item joining the group by its index clears the others.
  plain->SetGroupIndex(1);
  EXPECT_FALSE(g1[2]->Checked());
  EXPECT_TRUE(plain->Checked());
}

TEST_F(Items, ClicksOfDisabledAndAutoCheckItems) {
  TDKRootItem root(nullptr);
  auto* a = NewItem("A");
  root.Add(a);
  int clicks = 0;
  a->OnClick = rtl::TNotifyEvent(&clicks, [&](rtl::TObject*) { ++clicks; });
  a->SetAutoCheck(true);
  a->Click();
  EXPECT_TRUE(a->Checked());
  a->Click();
  EXPECT_FALSE(a->Checked());
  EXPECT_EQ(clicks, 2);
  a->SetEnabled(false);
  a->Click();
  EXPECT_FALSE(a->Checked());
  EXPECT_EQ(clicks, 2);
}

TEST_F(Items, ShortCutsAreFoundThroughLinksAndOfferedPopupsOnTheWay) {
  // A toolbar's root links to a container's tree; the shortcut sits two levels down.
  TDKRootItem container(nullptr), toolbar(nullptr);
  toolbar.SetLinkSubitems(&container);
  auto* file = new TDKSubmenuItem(nullptr);
  file->SetCaption("&File");
  container.Add(file);
  auto* save = NewItem("&Save");
  save->SetShortCut(vcl::ShortCut('S', vcl::ssCtrl));
  file->Add(save);
  int saves = 0, popups = 0;
  save->OnClick = rtl::TNotifyEvent(&saves, [&](rtl::TObject*) { ++saves; });
  file->OnPopup = TDKPopupEvent(&popups, [&](TDKCustomItem*, bool) { ++popups; });
  EXPECT_TRUE(toolbar.IsShortCut('S', vcl::ssCtrl));
  EXPECT_EQ(saves, 1);
  EXPECT_EQ(popups, 1);
  EXPECT_FALSE(toolbar.IsShortCut('S', vcl::ssShift));
  // A disabled level stops the search; a disabled item is found but not clicked.
  file->SetEnabled(false);
  EXPECT_FALSE(toolbar.IsShortCut('S', vcl::ssCtrl));
  file->SetEnabled(true);
  save->SetEnabled(false);
  EXPECT_FALSE(toolbar.IsShortCut('S', vcl::ssCtrl));
  EXPECT_EQ(saves, 1);
  // The menu's right column: the text after a tab, else the shortcut's name.
  EXPECT_EQ(save->GetShortCutText(), "Ctrl+S");
  save->SetCaption("&Save\tF2");
  EXPECT_EQ(save->GetShortCutText(), "F2");
  EXPECT_EQ(save->CaptionWithoutShortCut(), "&Save");
}

TEST_F(Items, PostedClicksRunLaterReuseSlotsAndSkipDestroyedItems) {
  TDKRootItem root(nullptr);
  auto* a = NewItem("A");
  auto* b = NewItem("B");
  root.Add(a);
  root.Add(b);
  std::string ran;
  a->OnClick = rtl::TNotifyEvent(&ran, [&](rtl::TObject*) { ran += "a"; });
  b->OnClick = rtl::TNotifyEvent(&ran, [&](rtl::TObject*) { ran += "b"; });
  a->PostClick();
  b->PostClick();
  EXPECT_EQ(detail::PostedClickSlots(), 2);
  EXPECT_EQ(ran, "");  // nothing runs before the messages are handled
  Pump();
  EXPECT_EQ(ran, "ab");
  EXPECT_EQ(detail::PostedClickSlots(), 0);
  // A click queued for an item destroyed before its message arrives does nothing, and its slot
  // is not handed to the next click until that message has gone.
  b->PostClick();
  a->PostClick();
  delete b;
  Pump();
  EXPECT_EQ(ran, "aba");
  EXPECT_EQ(detail::PostedClickSlots(), 0);
}

}  // namespace
