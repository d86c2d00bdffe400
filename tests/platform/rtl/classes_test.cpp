#include "platform/rtl/classes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/rtl/events.h"
#include "platform/rtl/exceptions.h"

using namespace rtl;

namespace {

std::vector<std::string> gLog;

class TProbe : public TComponent {
 public:
  TProbe(TComponent* owner, std::string name) : TComponent(owner) { SetName(name); }
  ~TProbe() override { gLog.push_back("~" + Name()); }
  std::vector<std::string> heard;

 protected:
  void Notification(TComponent* c, TOperation op) override {
    TComponent::Notification(c, op);
    if (op == opRemove) heard.push_back(c->Name());
  }
};

// Holds a reference to another component and drops it when told the other is going.
class TWatcher : public TComponent {
 public:
  explicit TWatcher(TComponent* owner) : TComponent(owner) {}
  void Watch(TComponent* c) {
    target = c;
    if (c) c->FreeNotification(this);
  }
  TComponent* target = nullptr;
  int removals = 0;

 protected:
  void Notification(TComponent* c, TOperation op) override {
    TComponent::Notification(c, op);
    if (op == opRemove && c == target) {
      target = nullptr;
      ++removals;
    }
  }
};

class TSender : public TObject {
 public:
  TNotifyEvent OnClick;
  Event<void(int, int&)> OnValue;
};

class THandler : public TObject {
 public:
  void Clicked(TObject*) { ++clicks; }
  void Other(TObject*) {}
  void Doubled(int in, int& out) { out = in * 2; }
  int clicks = 0;
};

class TDerivedHandler : public THandler {};

}  // namespace

TEST(Components, OwnerDestroysItsComponentsLastFirst) {
  gLog.clear();
  {
    TProbe owner(nullptr, "owner");
    new TProbe(&owner, "a");
    new TProbe(&owner, "b");
    auto* c = new TProbe(&owner, "c");
    new TProbe(c, "c1");
    ASSERT_EQ(owner.ComponentCount(), 3);
    EXPECT_EQ(owner.Components(1)->Name(), "b");
    EXPECT_EQ(c->Owner(), &owner);
    EXPECT_EQ(c->ComponentIndex(), 2);
    EXPECT_EQ(owner.FindComponent("C"), c);
    EXPECT_EQ(owner.FindComponent("c1"), nullptr);
    EXPECT_THROW(owner.Components(3), EListError);
  }
  EXPECT_EQ(gLog, (std::vector<std::string>{"~owner", "~c", "~c1", "~b", "~a"}));
}

TEST(Components, EachFreeNotifiedComponentHearsOfTheDestruction) {
  TWatcher outsider(nullptr);
  TWatcher second(nullptr);
  {
    TComponent owner(nullptr);
    auto* a = new TProbe(&owner, "a");
    auto* b = new TProbe(&owner, "b");
    outsider.Watch(a);
    second.Watch(b);
    auto* sibling = new TWatcher(&owner);
    sibling->Watch(a);  // destroyed before a: a must not notify it afterwards
  }
  EXPECT_EQ(outsider.target, nullptr);
  EXPECT_EQ(outsider.removals, 1);
  EXPECT_EQ(second.target, nullptr);
  EXPECT_EQ(second.removals, 1);
}

TEST(Components, DeletingAnOwnedComponentTellsTheOwnerAndTheWatchers) {
  TProbe owner(nullptr, "owner");
  auto* a = new TProbe(&owner, "a");
  auto* b = new TProbe(&owner, "b");
  TWatcher watcher(nullptr);
  watcher.Watch(a);
  delete a;
  EXPECT_EQ(owner.ComponentCount(), 1);
  EXPECT_EQ(owner.heard, (std::vector<std::string>{"a"}));
  EXPECT_EQ(b->heard, (std::vector<std::string>{"a"}));  // passed on by the owner
  EXPECT_EQ(watcher.removals, 1);
}

TEST(Components, WatcherGoingFirstUnlinksItself) {
  TWatcher target(nullptr);
  {
    TWatcher watcher(nullptr);
    watcher.Watch(&target);
  }
  TWatcher again(nullptr);
  again.Watch(&target);
  again.Watch(nullptr);
  target.RemoveFreeNotification(&again);
}  // target's destruction must touch neither watcher

TEST(Components, InsertMovesBetweenOwnersAndStateFlags) {
  TComponent first(nullptr);
  TComponent second(nullptr);
  auto* c = new TComponent(&first);
  second.InsertComponent(c);
  EXPECT_EQ(first.ComponentCount(), 0);
  EXPECT_EQ(c->Owner(), &second);
  first.Loading();
  second.Loading();
  EXPECT_TRUE(c->ComponentState() & csLoading);
  c->Loaded();
  EXPECT_FALSE(c->ComponentState() & csLoading);
  second.SetDesigning(true);
  EXPECT_TRUE(c->ComponentState() & csDesigning);
  c->SetTag(-7);
  EXPECT_EQ(c->Tag(), -7);
}

TEST(Components, ClassNameIsTheUnqualifiedName) {
  TComponent c(nullptr);
  EXPECT_EQ(c.ClassName(), "TComponent");
  TWatcher w(nullptr);
  EXPECT_EQ(w.ClassName(), "TWatcher");
}

TEST(Persistent, AssignWithoutSupportRaises) {
  TPersistent a;
  TComponent c(nullptr);
  try {
    a.Assign(&c);
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "Cannot assign a TComponent to a TPersistent");
  }
}

TEST(Events, FireOnlyWhenAssignedAndCompareForIdentity) {
  TSender sender;
  THandler h1;
  THandler h2;
  EXPECT_FALSE(sender.OnClick);
  EXPECT_TRUE(sender.OnClick == nullptr);

  sender.OnClick = MakeEvent(&h1, &THandler::Clicked);
  ASSERT_TRUE(sender.OnClick);
  sender.OnClick(&sender);
  EXPECT_EQ(h1.clicks, 1);

  EXPECT_TRUE(sender.OnClick == MakeEvent(&h1, &THandler::Clicked));
  EXPECT_FALSE(sender.OnClick == MakeEvent(&h2, &THandler::Clicked));
  EXPECT_FALSE(sender.OnClick == MakeEvent(&h1, &THandler::Other));
  EXPECT_EQ(sender.OnClick.Object(), &h1);

  TDerivedHandler d;
  EXPECT_TRUE(MakeEvent(&d, &THandler::Clicked) ==
              MakeEvent(static_cast<THandler*>(&d), &THandler::Clicked));

  const TNotifyEvent saved = sender.OnClick;  // a hook keeps the previous handler
  sender.OnClick = MakeEvent(&h2, &THandler::Clicked);
  EXPECT_FALSE(sender.OnClick == saved);
  saved(&sender);
  EXPECT_EQ(h1.clicks, 2);
  sender.OnClick = nullptr;
  EXPECT_FALSE(sender.OnClick);
}

TEST(Events, ReferenceArgumentsAndKeyedCallables) {
  TSender sender;
  THandler h;
  sender.OnValue = MakeEvent(&h, &THandler::Doubled);
  int out = 0;
  sender.OnValue(21, out);
  EXPECT_EQ(out, 42);

  int keyA = 0;
  int keyB = 0;
  int calls = 0;
  TNotifyEvent a(&keyA, [&](TObject*) { ++calls; });
  a(nullptr);
  EXPECT_EQ(calls, 1);
  EXPECT_TRUE(a == TNotifyEvent(&keyA, [](TObject*) {}));
  EXPECT_FALSE(a == TNotifyEvent(&keyB, [](TObject*) {}));
}
