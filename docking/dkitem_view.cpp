// Views: one level of an item tree in one window; viewers, their layout, selection and keys.
#include <algorithm>

#include "docking/dkacc.h"
#include "docking/dkcommon.h"
#include "docking/dkconsts.h"
#include "docking/dkitem.h"
#include "docking/dkpopup.h"
#include "docking/dkwatch.h"
#include "platform/win/message.h"
#include "platform/win/messages.h"
#include "platform/win/paint.h"

namespace docking {

namespace {

int Along(const SIZE& s, bool vertical) {
  return vertical ? s.cy : s.cx;
}
int Across(const SIZE& s, bool vertical) {
  return vertical ? s.cx : s.cy;
}

}  // namespace

TDKView::TDKView(rtl::TComponent* AOwner, TDKView* AParentView, TDKCustomItem* AParentItem,
                 vcl::TWinControl* AWindow, bool AIsToolbar, bool ACustomizing,
                 bool AUsePriorityList)
    : rtl::TComponent(AOwner),
      parentView_(AParentView),
      parentItem_(AParentItem),
      window_(AWindow),
      isToolbar_(AIsToolbar),
      customizing_(ACustomizing),
      usePriorityList_(AUsePriorityList) {
  parentItem_->RegisterNotification(rtl::MakeEvent(this, &TDKView::LinkNotification));
  parentItem_->FreeNotification(this);
  UpdateCurParentItem();
}

TDKView::~TDKView() {
  Destroying();
  CloseChildPopups();
  if (curParentItem_) {
    curParentItem_->UnregisterNotification(rtl::MakeEvent(this, &TDKView::ItemNotification));
    curParentItem_->RemoveFreeNotification(this);
  }
  if (parentItem_) {
    parentItem_->UnregisterNotification(rtl::MakeEvent(this, &TDKView::LinkNotification));
    parentItem_->RemoveFreeNotification(this);
  }
  FreeViewers();
  DKAccClientDestroying(accObject_);
  if (parentView_) {
    if (TDKView* bar = parentView_->GetParentToolbarView()) {
      bar->childPopupJustClosed_ = true;
      if (bar->openViewer_) bar->Invalidate(bar->openViewer_);
    }
  }
  if (parentView_ && parentView_->window_ && parentView_->IsModalEnding() == false)
    parentView_->NotifyFocusEvent();
}

void TDKView::Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) {
  rtl::TComponent::Notification(AComponent, Operation);
  if (Operation != rtl::opRemove) return;
  std::erase(groupLists_, AComponent);
  if (AComponent == curParentItem_) {
    FreeViewers();
    curParentItem_ = nullptr;
  }
  if (AComponent == parentItem_) parentItem_ = nullptr;
}

void TDKView::UpdateCurParentItem() {
  TDKCustomItem* next = parentItem_ ? parentItem_->EffectiveSubitems() : nullptr;
  if (next == curParentItem_ && !viewers_.empty()) return;
  CloseChildPopups();
  if (curParentItem_ && curParentItem_ != next) {
    curParentItem_->UnregisterNotification(rtl::MakeEvent(this, &TDKView::ItemNotification));
    if (curParentItem_ != parentItem_) curParentItem_->RemoveFreeNotification(this);
  }
  if (next && next != curParentItem_) {
    next->RegisterNotification(rtl::MakeEvent(this, &TDKView::ItemNotification));
    next->FreeNotification(this);
  }
  curParentItem_ = next;
  RecreateAllViewers();
  if (!(ComponentState() & rtl::csDesigning)) InitiateActions();
}

// ------------------------------------------------------------------ viewers

int TDKView::IndexOf(const TDKItemViewer* V) const {
  for (size_t i = 0; i < viewers_.size(); ++i)
    if (viewers_[i].get() == V) return static_cast<int>(i);
  return -1;
}

TDKItemViewer* TDKView::Find(const TDKCustomItem* Item) const {
  for (const auto& v : viewers_)
    if (v->Item() == Item) return v.get();
  throw EDKItemError(STBViewerNotFound);
}

TDKItemViewer* TDKView::ViewerFromPoint(POINT P) const {
  for (const auto& v : viewers_)
    if (v->Show && gdi::PtInRect(&v->BoundsRect, P)) return v.get();
  return nullptr;
}

void TDKView::GetOffEdgeControlList(std::vector<vcl::TControl*>& List) const {
  for (const auto& v : viewers_)
    if (v->OffEdge)
      if (auto* ci = dynamic_cast<TDKControlItem*>(v->Item()); ci && ci->Control())
        List.push_back(ci->Control());
}

void TDKView::FreeViewers() {
  CloseChildPopups();
  selected_ = nullptr;
  priority_.clear();
  viewers_.clear();
  trailing_ = 0;
  SyncGroupNotifications();
}

void TDKView::SyncGroupNotifications() {
  std::vector<TDKCustomItem*> want;
  for (const auto& v : viewers_) {
    TDKCustomItem* group = v->Item();
    // Past level 10 a group's items get no viewers.
    if (!(group->ItemStyle() & isGroup) || v->GroupLevel() >= 10) continue;
    for (TDKCustomItem* list : {group, group->EffectiveSubitems()})
      if (list != curParentItem_ && list != parentItem_ &&
          std::find(want.begin(), want.end(), list) == want.end())
        want.push_back(list);
  }
  const auto handler = rtl::MakeEvent(this, &TDKView::ItemNotification);
  for (TDKCustomItem* list : groupLists_)
    if (std::find(want.begin(), want.end(), list) == want.end()) {
      list->UnregisterNotification(handler);
      list->RemoveFreeNotification(this);
    }
  for (TDKCustomItem* list : want)
    if (std::find(groupLists_.begin(), groupLists_.end(), list) == groupLists_.end()) {
      list->RegisterNotification(handler);
      list->FreeNotification(this);
    }
  groupLists_ = std::move(want);
}

std::vector<TDKView::ListRange> TDKView::RangesOf(TDKCustomItem* List) const {
  const int end = ViewerCount() - trailing_;
  if (List == curParentItem_) return {ListRange{0, end, 0}};
  std::vector<ListRange> ranges;
  for (int i = 0; i < end; ++i) {
    TDKCustomItem* group = V_(i)->Item();
    if (!(group->ItemStyle() & isGroup) || group->EffectiveSubitems() != List) continue;
    const int level = V_(i)->GroupLevel();
    int last = i + 1;
    while (last < end && V_(last)->GroupLevel() > level) ++last;
    ranges.push_back(ListRange{i + 1, last, level + 1});
  }
  return ranges;
}

void TDKView::RecreateAllViewers() {
  FreeViewers();
  if (curParentItem_)
    for (int i = 0; i < curParentItem_->Count(); ++i)
      InsertItemViewers(ViewerCount(), curParentItem_->Items(i), 0, true, false);
  if (TDKCustomItem* chevron = GetChevronItem()) {
    viewers_.push_back(chevron->CreateViewer(this, 0));
    trailing_ = 1;
  }
  SyncGroupNotifications();
  InvalidatePositions();
}

int TDKView::InsertItemViewers(int Index, TDKCustomItem* AItem, int AGroupLevel,
                               bool AddToPriorityList, bool TopOfPriorityList) {
  if (AGroupLevel > 10) return 0;
  auto viewer = AItem->CreateViewer(this, AGroupLevel);
  TDKItemViewer* v = viewer.get();
  viewers_.insert(viewers_.begin() + Index, std::move(viewer));
  if (usePriorityList_ && AddToPriorityList) {
    if (TopOfPriorityList)
      priority_.insert(priority_.begin(), v);
    else
      priority_.push_back(v);
  }
  int n = 1;
  if (AItem->ItemStyle() & isGroup) {
    TDKCustomItem* list = AItem->EffectiveSubitems();
    for (int i = 0; i < list->Count(); ++i)
      n += InsertItemViewers(Index + n, list->Items(i), AGroupLevel + 1, AddToPriorityList,
                             TopOfPriorityList);
  }
  return n;
}

void TDKView::DeleteViewer(int Index) {
  TDKItemViewer* v = viewers_[static_cast<size_t>(Index)].get();
  if (v == openViewer_) CloseChildPopups();
  if (v == selected_) selected_ = nullptr;
  priority_.erase(std::remove(priority_.begin(), priority_.end(), v), priority_.end());
  viewers_.erase(viewers_.begin() + Index);
}

void TDKView::ItemNotification(TDKCustomItem* Sender, bool Relayed, TDKItemChangedAction Action,
                               int Index, TDKCustomItem* Item) {
  // Sender is the list whose items changed: the view's own, or one an inline group shows here.
  // A list the view hears itself comes a second time relayed through each group that links to
  // it: that copy is dropped. Ranges are worked from the last so that the earlier ones keep their
  // indices.
  if (Relayed && (Sender == curParentItem_ ||
                  std::find(groupLists_.begin(), groupLists_.end(), Sender) != groupLists_.end()))
    return;
  switch (Action) {
    case dkicInserted: {
      const auto ranges = RangesOf(Sender);
      for (auto r = ranges.rbegin(); r != ranges.rend(); ++r) {
        // After the viewers of the item before it; the first item at the start of the list's
        // place, one whose predecessor has no viewer at its end.
        int at = Index > 0 ? r->end : r->first;
        if (Index > 0) {
          TDKCustomItem* before = Sender->Items(Index - 1);
          for (int i = r->first; i < r->end; ++i)
            if (V_(i)->Item() == before && V_(i)->GroupLevel() == r->level) {
              at = i + 1;
              while (at < r->end && V_(at)->GroupLevel() > r->level) ++at;
            }
        }
        InsertItemViewers(at, Item, r->level, true, newViewersHighest_);
      }
      SyncGroupNotifications();
      InvalidatePositions();
      break;
    }
    case dkicDeleting: {
      const auto ranges = RangesOf(Sender);
      for (auto r = ranges.rbegin(); r != ranges.rend(); ++r)
        for (int i = r->first; i < r->end; ++i)
          if (V_(i)->Item() == Item && V_(i)->GroupLevel() == r->level) {
            DeleteViewer(i);
            while (i < ViewerCount() && V_(i)->GroupLevel() > r->level) DeleteViewer(i);
            break;
          }
      SyncGroupNotifications();
      InvalidatePositions();
      break;
    }
    case dkicSubitemsChanged:
      // A linked list, or a group that now shows another list.
      if (Relayed || Sender != curParentItem_) RecreateAllViewers();
      break;
    case dkicSubitemsBeginUpdate:
      BeginUpdate();
      break;
    case dkicSubitemsEndUpdate:
      EndUpdate();
      break;
    case dkicInvalidate:
      for (auto& v : viewers_)
        if (v->Item() == Item) Invalidate(v.get());
      break;
    case dkicInvalidateAndResize:
      InvalidatePositions();
      break;
    case dkicRecreateItemViewers:
      InvalidatePositions();
      for (int i = 0; i < ViewerCount(); ++i)
        if (V_(i)->Item() == Item) RecreateItemViewer(i);
      break;
    case dkicSubMenuImagesChanged:
      ImagesChanged();
      break;
    case dkicNameChanged:
      return;
  }
  TryValidatePositions();
}

void TDKView::LinkNotification(TDKCustomItem*, bool, TDKItemChangedAction Action, int,
                               TDKCustomItem*) {
  if (Action == dkicSubitemsChanged) {
    UpdateCurParentItem();
    TryValidatePositions();
  } else if (Action == dkicSubMenuImagesChanged && curParentItem_ != parentItem_) {
    ImagesChanged();
    TryValidatePositions();
  }
}

void TDKView::ImagesChanged() {
  // The open menus below take their images from this view's items too.
  InvalidatePositions();
  for (TDKView* v = openViewerView_; v; v = v->openViewerView_) {
    v->InvalidatePositions();
    v->TryValidatePositions();
  }
}

void TDKView::RecreateItemViewer(int Index) {
  TDKItemViewer* old = V_(Index);
  if (old == openViewer_) CloseChildPopups();
  std::unique_ptr<TDKItemViewer> fresh = old->Item()->CreateViewer(this, old->GroupLevel());
  TDKItemViewer* v = fresh.get();
  // The new viewer takes the old one's place: on screen, in the priority order, as selection.
  v->BoundsRect = old->BoundsRect;
  v->Show = old->Show;
  v->OffEdge = old->OffEdge;
  v->Clipped = old->Clipped;
  v->LineBreak = old->LineBreak;
  std::replace(priority_.begin(), priority_.end(), old, v);
  if (selected_ == old) selected_ = v;
  viewers_[static_cast<size_t>(Index)] = std::move(fresh);
}

void TDKView::SetUsePriorityList(bool v) {
  if (usePriorityList_ == v) return;
  usePriorityList_ = v;
  RecreateAllViewers();
}

void TDKView::SetCustomizing(bool v) {
  if (customizing_ == v) return;
  customizing_ = v;
  RecreateAllViewers();
}

// ------------------------------------------------------------------ properties

void TDKView::SetOrientation(TDKViewOrientation v) {
  if (orientation_ == v) return;
  orientation_ = v;
  InvalidatePositions();
}
void TDKView::SetWrapOffset(int v) {
  if (wrapOffset_ == v) return;
  wrapOffset_ = v;
  InvalidatePositions();
}
void TDKView::SetChevronOffset(int v) {
  if (chevronOffset_ == v) return;
  chevronOffset_ = v;
  InvalidatePositions();
}
void TDKView::SetChevronSize(int v) {
  if (chevronSize_ == v) return;
  chevronSize_ = v;
  InvalidatePositions();
}
void TDKView::SetMaxHeight(int v) {
  if (maxHeight_ == v) return;
  maxHeight_ = v;
  InvalidatePositions();
}

vcl::TFont* TDKView::GetFont() {
  return window_ ? window_->Font() : nullptr;
}

TDKView* TDKView::GetRootView() {
  TDKView* v = this;
  while (v->parentView_) v = v->parentView_;
  return v;
}

TDKView* TDKView::GetParentToolbarView() {
  for (TDKView* v = this; v; v = v->parentView_)
    if (v->isToolbar_) return v;
  return nullptr;
}

bool TDKView::ContainsView(const TDKView* V) const {
  for (const TDKView* v = this; v; v = v->openViewerView_)
    if (v == V) return true;
  return false;
}

RECT TDKView::GetMargins(TDKViewOrientation AOrientation) const {
  if (AOrientation == dkvoFloating) return RECT{4, 2, 4, 1};
  return RECT{0, 0, 0, 0};
}

void TDKView::InvalidatePositions() {
  validated_ = false;
  if (window_ && window_->HandleAllocated()) window_->Invalidate();
}

void TDKView::ValidatePositions() {
  if (!validated_) UpdatePositions();
}

void TDKView::TryValidatePositions() {
  if (updateCount_ == 0 && !(parentItem_->ComponentState() & rtl::csLoading)) ValidatePositions();
}

void TDKView::EndUpdate() {
  if (updateCount_ > 0 && --updateCount_ == 0) TryValidatePositions();
}

SIZE TDKView::DoUpdatePositions() {
  const Layout l =
      CalculatePositions(true, orientation_, wrapOffset_, chevronOffset_, chevronSize_);
  validated_ = true;
  AutoSize(l.TotalSize.cx, l.TotalSize.cy);
  if (window_ && window_->HandleAllocated()) window_->Invalidate();
  return l.TotalSize;
}

// ------------------------------------------------------------------ layout

TDKView::Layout TDKView::CalculatePositions(bool CanMoveControls, TDKViewOrientation AOrientation,
                                            int AWrapOffset, int AChevronOffset, int AChevronSize) {
  struct Rec {
    RECT r{0, 0, 0, 0};
    bool show = false, offEdge = false, lineBreak = false, clipped = false;
  };
  Layout out;
  const TDKViewOrientation saved = orientation_;
  orientation_ = AOrientation;
  const bool vertical = AOrientation == dkvoVertical;
  const int n = ViewerCount();
  std::vector<Rec> rec(static_cast<size_t>(n));
  TDKItemViewer* chevron = nullptr;
  if (GetChevronItem() && n > 0 && viewers_.back()->Item() == GetChevronItem())
    chevron = viewers_.back().get();
  auto V = [&](int i) { return viewers_[static_cast<size_t>(i)].get(); };
  auto R = [&](int i) -> Rec& { return rec[static_cast<size_t>(i)]; };
  auto isSep = [&](int i) { return (V(i)->Item()->ItemStyle() & isSeparator) != 0; };
  auto control = [&](int i) -> vcl::TControl* {
    auto* ci = dynamic_cast<TDKControlItem*>(V(i)->Item());
    return ci ? ci->Control() : nullptr;
  };
  auto isControlItem = [&](int i) {
    return dynamic_cast<TDKControlItem*>(V(i)->Item()) != nullptr;
  };

  // 2. Visibility.
  bool prevSep = true;
  for (int i = 0; i < n; ++i) {
    if (V(i) == chevron) continue;
    TDKCustomItem* item = V(i)->Item();
    bool show;
    if (isControlItem(i)) {
      vcl::TControl* c = control(i);
      show = c && c->Parent() == window_ && c->Visible() && item->Visible();
    } else {
      show = item->Visible() && (!(item->ItemStyle() & isGroup) || customizing_);
    }
    if (show && chevronParentView_) {
      // A chevron popup shows what the toolbar had to leave out.
      TDKItemViewer* tv = nullptr;
      for (int k = 0; k < chevronParentView_->ViewerCount(); ++k)
        if (chevronParentView_->Viewers(k)->Item() == item) tv = chevronParentView_->Viewers(k);
      show = tv && (tv->OffEdge || (item->ItemStyle() & isSeparator));
    }
    if (show && isSep(i) && prevSep) show = false;
    R(i).show = show;
    if (show) prevSep = isSep(i);
  }
  auto hideTrailingSeparators = [&] {
    for (int i = n - 1; i >= 0; --i) {
      if (!R(i).show || V(i) == chevron) continue;
      if (!isSep(i)) break;
      R(i).show = false;
    }
  };
  hideTrailingSeparators();

  // 4, 5. Sizes.
  vcl::TCanvas* canvas = nullptr;
  if (!measure_) {
    measure_ = std::make_unique<vcl::TBitmap>();
    measure_->SetSize(1, 1);
  }
  canvas = measure_->Canvas();
  std::vector<SIZE> size(static_cast<size_t>(n), SIZE{0, 0});
  auto S = [&](int i) -> SIZE& { return size[static_cast<size_t>(i)]; };
  std::vector<char> usesSameWidth(static_cast<size_t>(n), 0);
  int sameWidth = 0;
  for (int i = 0; i < n; ++i) {
    if (!R(i).show && V(i) != chevron) continue;
    if (isControlItem(i)) {
      vcl::TControl* c = control(i);
      S(i) = SIZE{c->Width(), c->Height()};
      continue;
    }
    if (vcl::TFont* f = GetFont()) canvas->Font()->Assign(f);
    if (V(i)->Item()->EffectiveOptions() & dkoDefault)
      canvas->Font()->SetStyle(canvas->Font()->Style() | vcl::fsBold);
    // An item whose state now asks for another class of viewer gets one; a layout that only
    // measures has a viewer of that class measure it instead.
    TDKItemViewer* measured = V(i);
    std::unique_ptr<TDKItemViewer> stand;
    const TDKItemViewerClass cls = measured->Item()->GetItemViewerClass(this);
    if (!cls.IsClassOf(*measured)) {
      if (CanMoveControls) {
        const bool wasChevron = measured == chevron;
        RecreateItemViewer(i);
        measured = V(i);
        if (wasChevron) chevron = measured;
      } else {
        stand = cls.Create(this, measured->Item(), measured->GroupLevel());
        measured = stand.get();
      }
    }
    int w = 0, h = 0;
    measured->CalcSize(canvas, w, h);
    S(i) = SIZE{w, h};
    usesSameWidth[static_cast<size_t>(i)] = measured->UsesSameWidth();
    if (usesSameWidth[static_cast<size_t>(i)]) sameWidth = std::max(sameWidth, w);
  }
  int sum = 0;
  int cross = 0;
  for (int i = 0; i < n; ++i) {
    if (!R(i).show) continue;
    if (usesSameWidth[static_cast<size_t>(i)]) S(i).cx = sameWidth;
    sum += Along(S(i), vertical);
    cross = std::max(cross, Across(S(i), vertical));
  }
  out.BaseSize = vertical ? SIZE{cross, sum} : SIZE{sum, cross};

  // 6. Chevron: the lowest-priority items leave the line until it fits.
  bool chevronNeeded = false, hiddenNonControl = false;
  if (chevron && AChevronOffset >= 1 && sum > AChevronOffset) {
    chevronNeeded = true;
    const int limit = AChevronOffset - AChevronSize;
    while (sum > limit) {
      int shownNonSep = 0, lastShown = -1;
      for (int i = 0; i < n; ++i)
        if (R(i).show && V(i) != chevron) {
          lastShown = i;
          if (!isSep(i)) ++shownNonSep;
        }
      if (shownNonSep < 2) break;
      int victim = -1;
      if (isSep(lastShown)) {
        victim = lastShown;
      } else if (usePriorityList_ && !priority_.empty()) {
        for (auto it = priority_.rbegin(); it != priority_.rend() && victim < 0; ++it) {
          const int k = IndexOf(*it);
          if (k >= 0 && R(k).show && !isSep(k)) victim = k;
        }
      } else {
        victim = lastShown;
      }
      if (victim < 0) break;
      R(victim).show = false;
      if (!isSep(victim)) {
        R(victim).offEdge = true;
        if (!isControlItem(victim)) hiddenNonControl = true;
      }
      sum -= Along(S(victim), vertical);
      // Separators that now lead the line or follow another separator go too.
      bool prev = true;
      for (int i = 0; i < n; ++i) {
        if (!R(i).show || V(i) == chevron) continue;
        if (isSep(i) && prev) {
          R(i).show = false;
          sum -= Along(S(i), vertical);
          continue;
        }
        prev = isSep(i);
      }
    }
  }
  // 7.
  hideTrailingSeparators();
  int total = 0;  // across
  for (int i = 0; i < n; ++i)
    if (R(i).show && V(i) != chevron) total = std::max(total, Across(S(i), vertical));
  SIZE totalSize = vertical ? SIZE{total, 0} : SIZE{0, total};

  // 8, 9. Placement.
  const RECT m = GetMargins(AOrientation);
  int along = vertical ? m.top : m.left;
  int crossPos = vertical ? m.left : m.top;
  const int alongStart = along;
  int lineThickness = 0, lineStart = -1, bottomSoFar = crossPos;
  bool wrapped = false, afterWrap = false, prevFlowing = false;
  auto place = [&](int i, int a, int c) {
    const SIZE s = S(i);
    R(i).r = vertical ? RECT{c, a, c + s.cx, a + s.cy} : RECT{a, c, a + s.cx, c + s.cy};
  };
  // From the first viewer of a line whose item asks for it, the rest of the line goes to the
  // far end: the wrap offset once the toolbar wraps. A line that did not wrap ends where its
  // last viewer does, so nothing moves there.
  auto pushToFarEnd = [&](int from, int to) {
    int first = -1, end = 0;
    for (int i = from; i < to; ++i) {
      if (!R(i).show || V(i) == chevron || R(i).lineBreak) continue;
      if (first < 0 && (V(i)->Item()->ItemStyle() & isPushToFarEnd)) first = i;
      end = std::max<int>(end, vertical ? R(i).r.bottom : R(i).r.right);
    }
    if (first < 0) return;
    int totalAlong = Along(totalSize, vertical);
    if (wrapped && !chevronParentView_) totalAlong = std::max(totalAlong, AWrapOffset);
    const int space = std::min(AWrapOffset, totalAlong) - end;
    if (space < 1) return;
    for (int i = first; i < to; ++i) {
      if (!R(i).show || V(i) == chevron || R(i).lineBreak) continue;
      gdi::OffsetRect(&R(i).r, vertical ? 0 : space, vertical ? space : 0);
      totalSize.cx = std::max<int>(totalSize.cx, R(i).r.right);
      totalSize.cy = std::max<int>(totalSize.cy, R(i).r.bottom);
    }
  };
  auto finishLine = [&](int from, int to) {
    if (from < 0) return;
    int thick = lineThickness;
    if (!wrapped && AOrientation != dkvoFloating) thick = Across(totalSize, vertical);
    int widest = 0;
    for (int i = from; i < to; ++i)
      if (R(i).show && V(i) != chevron && !R(i).lineBreak && !V(i)->IsToolbarSize())
        widest = std::max(widest, static_cast<int>(R(i).r.right - R(i).r.left));
    for (int i = from; i < to; ++i) {
      if (!R(i).show || V(i) == chevron || R(i).lineBreak) continue;
      RECT& r = R(i).r;
      if (isToolbar_) {
        const int extent = vertical ? r.right - r.left : r.bottom - r.top;
        const int start = crossPos;
        if (isSep(i)) {
          if (vertical)
            r = RECT{start, r.top, start + thick, r.bottom};
          else
            r = RECT{r.left, start, r.right, start + thick};
        } else {
          const int off = (thick - extent) / 2;
          if (vertical)
            r = RECT{start + off, r.top, start + off + extent, r.bottom};
          else
            r = RECT{r.left, start + off, r.right, start + off + extent};
        }
      } else if (!V(i)->IsToolbarSize()) {
        r.right = r.left + widest;
      }
      totalSize.cx = std::max<int>(totalSize.cx, r.right);
      totalSize.cy = std::max<int>(totalSize.cy, r.bottom);
    }
    pushToFarEnd(from, to);
  };
  for (int i = 0; i < n; ++i) {
    if (!R(i).show || V(i) == chevron) continue;
    if (lineStart < 0) lineStart = i;
    bool wrappedHere = false;
    const bool flowing = isToolbar_ || V(i)->IsToolbarSize();
    if (!flowing && prevFlowing) {
      along = alongStart;
      crossPos = bottomSoFar;
    }
    if (AWrapOffset >= 1 && flowing && (isSep(i) ? along >= 1 : along > alongStart)) {
      if (isSep(i)) {
        int groupLen = 0;
        for (int k = i + 1; k < n; ++k) {
          if (!R(k).show || V(k) == chevron) continue;
          if (isSep(k)) break;
          groupLen += Along(S(k), vertical);
        }
        // Right after a wrap the separator ends that line too, unless its item keeps it for
        // a group that does not fit.
        const bool groupFits = along + Along(S(i), vertical) + groupLen <= AWrapOffset;
        const bool breakAfterWrap =
            afterWrap && !(V(i)->Item()->ItemStyle() & isWrapWhenGroupDoesNotFit);
        if (!groupFits || breakAfterWrap) {
          ++out.WrappedLines;
          wrapped = true;
          finishLine(lineStart, i);
          crossPos += lineThickness;
          along = alongStart;
          R(i).lineBreak = true;
          R(i).r = vertical ? RECT{crossPos, along, crossPos + 6, along}
                            : RECT{along, crossPos, along, crossPos + 6};
          crossPos += 6;
          lineThickness = 0;
          lineStart = i + 1;
          afterWrap = false;
          prevFlowing = true;
          continue;
        }
      } else if (along + Along(S(i), vertical) > AWrapOffset) {
        ++out.WrappedLines;
        wrapped = true;
        finishLine(lineStart, i);
        crossPos += lineThickness;
        along = alongStart;
        lineThickness = 0;
        lineStart = i;
        wrappedHere = true;
      }
    }
    afterWrap = wrappedHere;
    place(i, along, crossPos);
    if (flowing) {
      along += Along(S(i), vertical);
      lineThickness = std::max(lineThickness, Across(S(i), vertical));
    } else {
      // A row of its own.
      crossPos += S(i).cy;
      along = alongStart;
      lineThickness = std::max<int>(lineThickness, 0);
    }
    bottomSoFar = std::max(bottomSoFar, static_cast<int>(vertical ? R(i).r.right : R(i).r.bottom));
    if (!flowing) lineThickness = 0;
    prevFlowing = flowing;
    totalSize.cx = std::max<int>(totalSize.cx, R(i).r.right);
    totalSize.cy = std::max<int>(totalSize.cy, R(i).r.bottom);
  }
  // Rows of a popup share one width: the whole popup is one line.
  if (!isToolbar_) {
    int widest = 0;
    for (int i = 0; i < n; ++i)
      if (R(i).show && V(i) != chevron && !V(i)->IsToolbarSize())
        widest = std::max(widest, static_cast<int>(R(i).r.right - R(i).r.left));
    for (int i = 0; i < n; ++i)
      if (R(i).show && V(i) != chevron && !V(i)->IsToolbarSize()) {
        R(i).r.right = R(i).r.left + widest;
        totalSize.cx = std::max<int>(totalSize.cx, R(i).r.right);
      }
  } else {
    finishLine(lineStart < 0 ? n : lineStart, n);
  }
  for (int i = 0; i < n; ++i)
    if (R(i).show && V(i) != chevron)
      out.UsedLength = std::max<int>(out.UsedLength, vertical ? R(i).r.bottom : R(i).r.right);
  out.UsedLength += vertical ? m.bottom : m.right;
  if (wrapped && !chevronParentView_)
    (vertical ? totalSize.cy : totalSize.cx) =
        std::max(vertical ? totalSize.cy : totalSize.cx, AWrapOffset);

  // 11. Margins; a vertical toolbar puts its first column at the right.
  totalSize.cx += m.right;
  totalSize.cy += m.bottom;
  if (vertical) {
    for (int i = 0; i < n; ++i) {
      if (!R(i).show || V(i) == chevron) continue;
      RECT& r = R(i).r;
      const int l = r.left;
      r.left = totalSize.cx - r.right;
      r.right = totalSize.cx - l;
    }
  }

  // 12. A popup taller than its space scrolls.
  if (maxHeight_ >= 1 && totalSize.cy > maxHeight_) {
    scrollOffset_ = std::clamp(scrollOffset_, 0, static_cast<int>(totalSize.cy) - maxHeight_);
    showUpArrow_ = scrollOffset_ > 0;
    showDownArrow_ = totalSize.cy - scrollOffset_ > maxHeight_;
    const int top = showUpArrow_ ? DKScrollArrowHeight : 0;
    const int bottom = maxHeight_ - (showDownArrow_ ? DKScrollArrowHeight : 0);
    for (int i = 0; i < n; ++i) {
      if (!R(i).show) continue;
      gdi::OffsetRect(&R(i).r, 0, -scrollOffset_);
      if (R(i).r.top < top || R(i).r.bottom > bottom) {
        R(i).show = false;
        R(i).clipped = true;
      }
    }
    totalSize.cy = maxHeight_;
  } else {
    scrollOffset_ = 0;
    showUpArrow_ = showDownArrow_ = false;
  }

  // 13. Controls follow their viewers; hidden ones wait out of sight.
  if (CanMoveControls) {
    for (int i = 0; i < n; ++i) {
      vcl::TControl* c = control(i);
      if (!c || c->Parent() != window_) continue;
      const RECT& r = R(i).r;
      if (R(i).show) {
        if (c->Left() != r.left || c->Top() != r.top || c->Width() != r.right - r.left ||
            c->Height() != r.bottom - r.top)
          c->SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
      } else if (R(i).offEdge || R(i).clipped) {
        c->SetBounds(window_->ClientWidth(), window_->ClientHeight(), c->Width(), c->Height());
      }
    }
  }
  if (isToolbar_)
    for (int i = 0; i < n; ++i)
      if (R(i).lineBreak) {
        if (vertical) {
          R(i).r.top = 0;
          R(i).r.bottom = totalSize.cy;
        } else {
          R(i).r.left = 0;
          R(i).r.right = totalSize.cx;
        }
      }

  // 14. The chevron button at the end of the line.
  if (chevron) {
    const int ci = n - 1;
    R(ci).show = chevronNeeded;
    if (chevronNeeded) {
      if (CanMoveControls) chevron->Item()->SetEnabled(hiddenNonControl);
      // At the end of the row, or after the items when even the last one left does not fit.
      const int at = std::max(AChevronOffset - AChevronSize, Along(totalSize, vertical));
      R(ci).r = vertical ? RECT{0, at, totalSize.cx, at + AChevronSize}
                         : RECT{at, 0, at + AChevronSize, totalSize.cy};
    }
  }

  // 15.
  if (CanMoveControls) {
    bool changed = false;
    for (int i = 0; i < n; ++i) {
      TDKItemViewer* v = V(i);
      const Rec& r = R(i);
      if (!gdi::EqualRect(&v->BoundsRect, &r.r) || v->Show != r.show || v->OffEdge != r.offEdge ||
          v->LineBreak != r.lineBreak)
        changed = true;
      v->BoundsRect = r.r;
      v->Show = r.show;
      v->OffEdge = r.offEdge;
      v->LineBreak = r.lineBreak;
      v->Clipped = r.clipped;
    }
    if (changed && window_ && window_->HandleAllocated()) window_->Invalidate();
  }

  // 16. Nothing to show along the line: the size of an empty button.
  if (Along(out.BaseSize, vertical) == 0) {
    out.BaseSize = SIZE{23, 22};
    totalSize.cx = std::max<int>(totalSize.cx, 23);
    totalSize.cy = std::max<int>(totalSize.cy, 22);
  }
  out.TotalSize = totalSize;
  if (CanMoveControls) {
    baseSize_ = out.BaseSize;
    totalSize_ = out.TotalSize;
    wrappedLines_ = out.WrappedLines;
  } else {
    orientation_ = saved;
  }
  if (CanMoveControls) orientation_ = AOrientation;
  return out;
}

// ------------------------------------------------------------------ selection

bool TDKView::Select(TDKItemViewer* Value, bool ViaMouse) {
  return SelectAt(Value, ViaMouse, win::GetMessagePosAsPoint());
}

bool TDKView::SelectAt(TDKItemViewer* Value, bool ViaMouse, POINT Screen) {
  if (Value == selected_) {
    UpdateMouseInSelected(Screen);
    return true;
  }
  // The items' selection handlers run from here; one may take away the row that opened this
  // popup, and this view with it, or the rows being selected.
  TDKFreeWatch watch;
  watch.Watch(this);
  const unsigned delay = static_cast<unsigned>(GetMenuShowDelay());
  if (Value && parentView_ && parentView_->selected_ != parentView_->openViewer_) {
    // Back in this popup: the item that opened it is the parent's selection again.
    parentView_->Select(parentView_->openViewer_, false);
    if (!watch.Alive(this)) return false;
    parentView_->StopTimer(tiClose);
    parentView_->StopTimer(tiOpen);
  }
  if (inModalLoop_) {
    if (IsPopupView() && ViaMouse && openPopup_ && Value != openViewer_) {
      if (!TimerRunning(tiClose)) StartTimer(tiClose, delay);
    } else {
      StopTimer(tiClose);
      if (Value != openViewer_) CloseChildPopups();
    }
  }
  CancelCapture();
  TDKItemViewer* old = selected_;
  if (old) old->Leaving();
  if (!watch.Alive(this)) return false;
  // The handler may have taken rows away: a row gone is neither repainted nor selected.
  if (IndexOf(old) < 0) old = nullptr;
  if (IndexOf(Value) < 0) Value = nullptr;
  selected_ = Value;
  selectedViaMouse_ = ViaMouse;
  // Selected from the keyboard, the new item may lie away from the pointer: the wheel goes to
  // the item under the pointer, not to this one.
  UpdateMouseInSelected(Screen);
  // Items that look the same selected or not are left unpainted.
  if (old && (old->Item()->ItemStyle() & isRepaintOnSelect)) Invalidate(old);
  if (!Value) return true;
  const TDKItemStyle style = Value->Item()->ItemStyle();
  if (style & isRepaintOnSelect) Invalidate(Value);
  Value->Entering();
  if (!watch.Alive(this)) return false;
  if (selected_ != Value) return true;  // the handler took the row away, or chose another
  NotifyFocusEvent();
  if (inModalLoop_ && IsPopupView()) {
    StopTimer(tiOpen);
    if (ViaMouse && (style & isSubmenu)) StartTimer(tiOpen, delay);
  }
  // The chevron's popup is a toolbar with a parent: pointing at its buttons drops their menus.
  if (isToolbar_ && ViaMouse && parentView_) dropDownMode_ = true;
  if (isToolbar_ && dropDownMode_ && Value != openViewer_ &&
      (ViaMouse || !(style & isNoKeyboardOpen)))
    OpenChildPopup(!ViaMouse);
  return watch.Alive(this);
}

TDKItemViewer* TDKView::NextSelectable(TDKItemViewer* Cur, bool GoForward) {
  const int n = ViewerCount();
  if (n == 0) return nullptr;
  int start = Cur ? IndexOf(Cur) : (GoForward ? -1 : n);
  int i = start;
  for (int k = 0; k < n; ++k) {
    i = GoForward ? i + 1 : i - 1;
    if (i >= n) i = 0;
    if (i < 0) i = n - 1;
    TDKItemViewer* v = V_(i);
    if ((v->Show || v->Clipped) && v->Item()->Visible() && (v->Item()->ItemStyle() & isSelectable))
      return v;
  }
  // Coming round to itself: the current one stays selected rather than losing the selection.
  return Cur;
}

TDKItemViewer* TDKView::FirstSelectable() {
  TDKItemViewer* first = NextSelectable(nullptr, true);
  for (TDKItemViewer* v = first; v;) {
    if (!(v->Item()->ItemStyle() & isNotFirstSelectable)) return v;
    v = NextSelectable(v, true);
    if (v == first) break;
  }
  return first;
}

TDKItemViewer* TDKView::NextSelectableWithAccel(TDKItemViewer* Cur, char Key, bool EnabledOnly,
                                                bool& IsOnlyItemWithAccel) {
  IsOnlyItemWithAccel = false;
  const int n = ViewerCount();
  const char key = static_cast<char>(std::tolower(static_cast<unsigned char>(Key)));
  const int start = Cur ? IndexOf(Cur) : -1;
  auto candidate = [&](TDKItemViewer* v) {
    return (v->Show || v->Clipped) && (v->Item()->ItemStyle() & isSelectable) &&
           v->Item()->Visible() && v->CaptionShown();
  };
  auto accel = [](TDKItemViewer* v) {
    return static_cast<char>(
        std::tolower(static_cast<unsigned char>(FindAccelChar(v->GetCaptionText()))));
  };
  for (int pass = 0; pass < (EnabledOnly ? 2 : 4); ++pass) {
    const bool wantEnabled = pass < 2;
    const bool byAccel = pass % 2 == 0;
    if (!byAccel && key == ' ') continue;
    for (int k = 1; k <= n; ++k) {
      TDKItemViewer* v = V_((start + k + n) % n);
      if (!candidate(v) || v->Item()->Enabled() != wantEnabled) continue;
      if (byAccel) {
        if (accel(v) != key || key == 0) continue;
        int same = 0;
        for (int j = 0; j < n; ++j)
          if (candidate(V_(j)) && accel(V_(j)) == key) ++same;
        IsOnlyItemWithAccel = same == 1;
        return v;
      }
      const std::string cap = StripAccelChars(v->GetCaptionText());
      if (accel(v) != 0 || cap.empty()) continue;
      if (std::tolower(static_cast<unsigned char>(cap[0])) != key) continue;
      IsOnlyItemWithAccel = true;
      return v;
    }
  }
  return nullptr;
}

TDKItemViewer* TDKView::HighestPriorityViewer() {
  ValidatePositions();
  if (usePriorityList_) {
    for (TDKItemViewer* v : priority_)
      if (v->Show && !(v->Item()->ItemStyle() & isSeparator)) return v;
    return nullptr;
  }
  for (auto& v : viewers_)
    if (v->Show && !(v->Item()->ItemStyle() & isSeparator) && v->Item() != GetChevronItem())
      return v.get();
  return nullptr;
}

void TDKView::GivePriority(TDKItemViewer* Viewer) {
  if (chevronParentView_) {
    for (int i = 0; i < chevronParentView_->ViewerCount(); ++i)
      if (chevronParentView_->Viewers(i)->Item() == Viewer->Item())
        chevronParentView_->GivePriority(chevronParentView_->Viewers(i));
    return;
  }
  auto it = std::find(priority_.begin(), priority_.end(), Viewer);
  if (it != priority_.end()) {
    priority_.erase(it);
    priority_.insert(priority_.begin(), Viewer);
    if (!validated_ || Viewer->OffEdge) UpdatePositions();
  }
  if (parentView_ && parentView_->openViewer_) parentView_->GivePriority(parentView_->openViewer_);
}

void TDKView::Scroll(bool Down) {
  const int h = totalSize_.cy;
  int best = -1;
  for (auto& v : viewers_) {
    if (v->Item()->ItemStyle() & isSeparator) continue;
    if (!(v->Show || v->Clipped)) continue;
    if (Down && v->BoundsRect.bottom > h - DKScrollArrowHeight) {
      if (best < 0 || v->BoundsRect.bottom < best) best = v->BoundsRect.bottom;
    } else if (!Down && v->BoundsRect.top < DKScrollArrowHeight) {
      if (best < 0 || v->BoundsRect.top > best) best = v->BoundsRect.top;
    }
  }
  if (best < 0) return;
  if (Down)
    scrollOffset_ += best - (h - DKScrollArrowHeight);
  else
    scrollOffset_ -= DKScrollArrowHeight - best;
  UpdatePositions();
}

void TDKView::ScrollSelectedIntoView() {
  if (!selected_ || !(selected_->Show || selected_->Clipped)) return;
  const RECT r = selected_->BoundsRect;
  const int h = totalSize_.cy;
  if (maxHeight_ < 1) return;
  if (r.top < DKScrollArrowHeight && scrollOffset_ > 0) {
    scrollOffset_ -= DKScrollArrowHeight - r.top;
    UpdatePositions();
  } else if (r.bottom > h - DKScrollArrowHeight) {
    scrollOffset_ += r.bottom - (h - DKScrollArrowHeight);
    UpdatePositions();
  }
}

void TDKView::Navigate(bool Forward) {
  if (Select(NextSelectable(selected_, Forward), false)) ScrollSelectedIntoView();
}

void TDKView::KeyDown(unsigned short& Key, vcl::TShiftState Shift) {
  ValidatePositions();
  TDKView* toolbarView = GetParentToolbarView();
  const bool verticalToolbar = isToolbar_ && orientation_ == dkvoVertical;
  const bool horizontalToolbar = isToolbar_ && orientation_ != dkvoVertical;
  switch (Key) {
    case win::VK_TAB:
      Navigate(!(Shift & vcl::ssShift));
      break;
    case win::VK_RETURN:
      ExecuteSelected(true);
      break;
    case win::VK_MENU:
    case win::VK_F10:
      EndModal();
      break;
    case win::VK_ESCAPE:
      if (parentView_)
        parentView_->CancelChildPopups();
      else
        EndModal();
      break;
    case win::VK_HOME:
    case win::VK_END:
      if (Select(Key == win::VK_HOME ? FirstSelectable() : NextSelectable(nullptr, false), false))
        ScrollSelectedIntoView();
      break;
    case win::VK_LEFT:
    case win::VK_RIGHT:
      if (verticalToolbar) {
        OpenChildPopup(true);
      } else if (Key == win::VK_LEFT) {
        const bool toolbarNear = toolbarView && toolbarView->orientation_ != dkvoVertical &&
                                 (toolbarView == this || toolbarView == parentView_);
        // In drop-down mode selecting the next button drops its menu, the chevron's excepted.
        if (toolbarNear)
          toolbarView->Navigate(false);
        else if (toolbarView && parentView_)
          parentView_->CloseChildPopups();
        else if (parentView_)
          parentView_->CancelChildPopups();
        // A root popup menu has no parent view: Left does nothing there.
      } else {
        if (!OpenChildPopup(true) && toolbarView && toolbarView->orientation_ != dkvoVertical)
          toolbarView->Navigate(true);
      }
      break;
    case win::VK_UP:
    case win::VK_DOWN:
      if (horizontalToolbar)
        OpenChildPopup(true);
      else
        Navigate(Key == win::VK_DOWN);
      break;
    case win::VK_F1: {
      for (TDKView* v = this; v; v = v->parentView_)
        if (v->selected_ && v->selected_->Item()->HelpContext() != 0) {
          EndModalWithHelp(v->selected_->Item()->HelpContext());
          break;
        }
      break;
    }
    default:
      return;
  }
  Key = 0;
}

void TDKView::ExecuteSelected(bool AGivePriority) {
  if (!selected_ || !selected_->Item()->Enabled()) {
    EndModal();
    return;
  }
  const unsigned style = selected_->Item()->ItemStyle();
  if (!(style & isSplitButton) && (style & isSubmenu)) {
    OpenChildPopup(true);
    return;
  }
  if (!(style & isSelectable)) {
    EndModal();
    return;
  }
  selected_->Execute(AGivePriority);
}

// ------------------------------------------------------------------ modal outcome

void TDKView::EndModal() {
  TDKView* root = GetRootView();
  root->doneActionData_.DoneAction = dkdaCancel;
}

void TDKView::EndModalWithClick(TDKItemViewer* Viewer) {
  TDKView* root = GetRootView();
  root->doneActionData_.DoneAction = dkdaClickItem;
  root->doneActionData_.ClickItem = Viewer->Item();
  root->doneActionData_.Sound = Viewer->View()->MenuCommandSound();
}

void TDKView::EndModalWithHelp(int AContextID) {
  TDKView* root = GetRootView();
  root->doneActionData_.DoneAction = dkdaHelpContext;
  root->doneActionData_.ContextID = AContextID;
}

void TDKView::EndModalWithSystemMenu(win::HWND AWnd, unsigned AKey) {
  TDKView* root = GetRootView();
  root->doneActionData_.DoneAction = dkdaOpenSystemMenu;
  root->doneActionData_.Wnd = AWnd;
  root->doneActionData_.Key = AKey;
}

bool TDKView::IsModalEnding() {
  return GetRootView()->doneActionData_.DoneAction != dkdaNone;
}

void TDKView::SetAccelsVisibility(bool Show) {
  const bool v = Show || !hideAccels_ || AreKeyboardCuesEnabled();
  if (v == accelsVisible_) return;
  accelsVisible_ = v;
  if (window_ && window_->HandleAllocated()) window_->Invalidate();
}

// ------------------------------------------------------------------ painting

void TDKView::Invalidate(TDKItemViewer* Viewer) {
  if (!Viewer || !window_ || !window_->HandleAllocated() || !Viewer->Show) return;
  win::InvalidateRect(window_->Handle(), &Viewer->BoundsRect, false);
}

void TDKView::DrawItem(vcl::TCanvas* Canvas, TDKItemViewer* Viewer) {
  const RECT r = Viewer->BoundsRect;
  if (!Viewer->Show || gdi::IsRectEmpty(&r) || dynamic_cast<TDKControlItem*>(Viewer->Item()))
    return;
  const bool selected = Viewer == selected_;
  // Pressed: its menu is open, or the mouse holds it down and is still on it.
  const bool pushed = selected && (Viewer == openViewer_ || (hasCapture_ && mouseInSelected_));
  const bool menuRow = !Viewer->IsToolbarStyle();
  // A disabled row is highlighted too: the keyboard can rest on it. Flat menus have their own
  // highlight colour.
  const vcl::TColor highlight = AreFlatMenusEnabled() ? gdi::clMenuHighlight : gdi::clHighlight;
  const vcl::TColor back =
      (menuRow && selected) ? highlight : (window_ ? window_->Color() : gdi::clBtnFace);
  Canvas->Brush()->SetStyle(vcl::bsSolid);
  Canvas->Brush()->SetColor(back);
  Canvas->FillRect(vcl::TRect{r.left, r.top, r.right, r.bottom});
  if (vcl::TFont* f = GetFont()) Canvas->Font()->Assign(f);
  if (Viewer->Item()->EffectiveOptions() & dkoDefault)
    Canvas->Font()->SetStyle(Canvas->Font()->Style() | vcl::fsBold);
  Canvas->Font()->SetColor(menuRow ? gdi::clMenuText : gdi::clBtnText);
  const bool shadow =
      !Viewer->Item()->Enabled() && gdi::ColorToRGB(gdi::clGrayText) == gdi::ColorToRGB(back);
  Viewer->Paint(Canvas, r, selected, pushed, shadow);
}

void TDKView::DrawSubitems(vcl::TCanvas* Canvas) {
  ValidatePositions();
  for (auto& v : viewers_)
    if (v.get() != selected_) DrawItem(Canvas, v.get());
  if (selected_) DrawItem(Canvas, selected_);
}

}  // namespace docking
