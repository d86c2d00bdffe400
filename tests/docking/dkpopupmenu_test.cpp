// The item container, the popup menu on a control's right click, and image lists with state
// images.
#include "docking/dkpopupmenu.h"
#include "platform/win/input.h"
#include "tests/docking/itemfixture.h"

namespace itemtest {
namespace {

using PopupMenu = ItemTest;

// A one-image list of a single colour.
vcl::TImageList* Solid(rtl::TComponent* owner, vcl::TColor c) {
  auto* l = new vcl::TImageList(owner);
  vcl::TBitmap b;
  b.SetSize(16, 16);
  b.Canvas()->Brush()->SetColor(c);
  b.Canvas()->FillRect(vcl::TRect{0, 0, 16, 16});
  l->AddMasked(&b, vcl::TColor(0xFF00FF));
  return l;
}

vcl::TColor Drawn(TDKCustomImageList* l, bool enabled, bool selected, bool checked) {
  vcl::TBitmap out;
  out.SetSize(16, 16);
  out.Canvas()->Brush()->SetColor(vcl::TColor(0xFFFFFF));
  out.Canvas()->FillRect(vcl::TRect{0, 0, 16, 16});
  l->DrawState(out.Canvas(), 0, 0, 0, enabled, selected, checked);
  return out.Canvas()->Pixels(8, 8);
}

TEST_F(PopupMenu, StateImagesAreChosenDisabledFirstThenCheckedThenHot) {
  auto* l = new TDKImageList(form);
  l->SetImagesBitmap([] {
    static vcl::TBitmap b;
    b.SetSize(16, 16);
    b.Canvas()->Brush()->SetColor(vcl::TColor(0x0000FF));
    b.Canvas()->FillRect(vcl::TRect{0, 0, 16, 16});
    return &b;
  }());
  ASSERT_EQ(l->Count(), 1);
  auto* disabled = Solid(form, vcl::TColor(0x808080));
  auto* hot = Solid(form, vcl::TColor(0x00FF00));
  l->SetDisabledImages(disabled);
  // Only the disabled list: a checked disabled item shows the disabled image.
  EXPECT_EQ(Drawn(l, false, false, true), vcl::TColor(0x808080));
  EXPECT_EQ(Drawn(l, true, true, false), vcl::TColor(0x0000FF));
  l->SetHotImages(hot);
  EXPECT_EQ(Drawn(l, true, true, false), vcl::TColor(0x00FF00));
  // Destroying the hot list takes it out.
  delete hot;
  EXPECT_EQ(l->HotImages(), nullptr);
  EXPECT_EQ(Drawn(l, true, true, false), vcl::TColor(0x0000FF));
  // An empty bitmap leaves the images as they are.
  vcl::TBitmap empty;
  l->SetImagesBitmap(&empty);
  EXPECT_EQ(l->Count(), 1);
  // A bitmap two images wide gives two.
  vcl::TBitmap two;
  two.SetSize(32, 16);
  l->SetImagesBitmap(&two);
  EXPECT_EQ(l->Count(), 2);
  l->AddMasked(&two, vcl::TColor(0xFF00FF));
  l->SetImagesBitmap(nullptr);  // none, and the four images left as they are
  EXPECT_TRUE(!l->ImagesBitmap() && l->Count() == 4);
}

TEST_F(PopupMenu, ARightClickShowsTheControlsMenuAndTheCommandRunsAfterIt) {
  auto* menu = new TDKPopupMenu(form);
  auto* zoom = Add(menu->Items(), "&Zoom in");
  Add(menu->Items(), "Zoom &out");
  std::vector<std::string> ran;
  zoom->OnClick = rtl::TNotifyEvent(&ran, [&](rtl::TObject*) { ran.push_back("zoom"); });
  int popups = 0;
  menu->OnPopup = rtl::TNotifyEvent(&popups, [&](rtl::TObject*) { ++popups; });
  auto* target = new vcl::TCustomControl(form);
  target->SetParent(form);
  target->SetBounds(200, 150, 100, 80);
  target->SetPopupMenu(menu);
  Pump();
  const vcl::TPoint p = target->ClientToScreen(vcl::TPoint{10, 10});
  win::InputScript script;
  bool shown = false;
  script.Move(p.x, p.y).Down(p.x, p.y, 1).Up(p.x, p.y, 1).Then([&] {
    shown = menu->PopupComponent() == target;
  });
  script.Key('Z');
  RunScript(script);
  EXPECT_TRUE(shown);
  EXPECT_EQ(popups, 1);
  EXPECT_EQ(menu->PopupPoint(), p);
  EXPECT_EQ(ran, (std::vector<std::string>{"zoom"}));
  // The root item's own click reaches the menu's handler with the menu as the sender.
  rtl::TObject* sender = nullptr;
  menu->OnClick = rtl::TNotifyEvent(&sender, [&](rtl::TObject* s) { sender = s; });
  menu->Items()->Click();
  EXPECT_EQ(sender, menu);
}

TEST_F(PopupMenu, AToolbarRootLinkedToAContainerShowsItsItemsWithItsImages) {
  auto* container = new TDKItemContainer(form);
  container->SetImages(images);
  Add(container->Items(), "", 0);
  Add(container->Items(), "", 1);
  auto* root = new TDKRootItem(form);
  TDKView* v = MakeView(root, true);
  root->SetLinkSubitems(container->Items());
  v->UpdatePositions();
  EXPECT_EQ(v->ViewerCount(), 2);
  EXPECT_EQ(v->TotalSize(), (SIZE{46, 22}));
  // Items added to the container later appear through the link.
  Add(container->Items(), "", 2);
  EXPECT_EQ(v->ViewerCount(), 3);
  EXPECT_EQ(v->TotalSize(), (SIZE{69, 22}));
}

}  // namespace
}  // namespace itemtest
