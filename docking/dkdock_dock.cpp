// The dock: holds dockable windows in rows along one edge of a form and lays them out.
#include <algorithm>
#include <numeric>

#include "docking/dkcommon.h"
#include "docking/dkconsts.h"
#include "docking/dkdock.h"
#include "platform/gdi/dc.h"
#include "platform/gdi/objects.h"
#include "platform/gdi/shapes.h"
#include "platform/win/paint.h"
#include "platform/win/window.h"

namespace docking {

namespace {

vcl::TAlign AlignOf(TDKDockPosition p) {
  switch (p) {
    case dpTop:
      return vcl::alTop;
    case dpBottom:
      return vcl::alBottom;
    case dpLeft:
      return vcl::alLeft;
    default:
      return vcl::alRight;
  }
}

bool LessByRowPos(const TDKCustomDockableWindow* a, const TDKCustomDockableWindow* b) {
  if (a->DockRow() != b->DockRow()) return a->DockRow() < b->DockRow();
  return a->DockPos() < b->DockPos();
}

// The working record of one window during an arrangement.
struct Item {
  TDKCustomDockableWindow* bar = nullptr;
  int row = 0;
  int gap = 0;
  int fullSize = 0;
  int minSize = 0;
  int curSize = 0;
  int push = 0;
  int pos = 0;
  TDKShrinkMode shrinkMode = dksmNone;
  bool needsArrange = false;
};

// Renumbers rows by rank so that no row is empty: rows 0, 2, 5 become 0, 1, 2, and a row below
// 0 counts as 0. Walking requested numbers one by one would hang on a huge row.
int CloseUpRows(std::vector<Item>& items) {
  std::vector<int> rows;
  for (auto& it : items) {
    it.row = std::max(it.row, 0);
    rows.push_back(it.row);
  }
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  for (auto& it : items)
    it.row = static_cast<int>(std::lower_bound(rows.begin(), rows.end(), it.row) - rows.begin());
  return static_cast<int>(rows.size()) - 1;
}

}  // namespace

TDKDock::TDKDock(rtl::TComponent* AOwner) : vcl::TCustomControl(AOwner) {
  SetControlStyle(vcl::csAcceptsControls | vcl::csMenuEvents);
  SetColor(gdi::clBtnFace);
  SetAlign(vcl::alTop);
  vcl::TControl::SetBounds(0, 0, 150, 0);
}

TDKDock::~TDKDock() {
  if (background_)
    background_->UnregisterChanges(rtl::MakeEvent(this, &TDKDock::BackgroundChanged));
  // The class library frees the windows docked here only once this destructor has ended: every
  // window that knows the dock lets go of it now, so that none reaches back into it as it goes.
  std::vector<TDKCustomDockableWindow*> bars = dockList_;
  for (int i = 0; i < ControlCount(); ++i)
    if (auto* bar = dynamic_cast<TDKCustomDockableWindow*>(Controls(i))) bars.push_back(bar);
  for (auto* bar : bars) {
    if (bar->currentDock_ == this) {
      bar->currentDock_ = nullptr;
      bar->docked_ = false;
    }
    if (bar->lastDock_ == this) bar->lastDock_ = nullptr;
    if (bar->defaultDock_ == this) bar->defaultDock_ = nullptr;
    bar->RemoveFreeNotification(this);
  }
  dockList_.clear();
  visibleList_.clear();
}

void TDKDock::SetParent(vcl::TWinControl* parent) {
  for (vcl::TWinControl* p = parent; p; p = p->Parent())
    if (dynamic_cast<TDKDock*>(p) || dynamic_cast<TDKCustomDockableWindow*>(p))
      throw rtl::EInvalidOperation(STBDockParentNotAllowed);
  vcl::TCustomControl::SetParent(parent);
}

void TDKDock::CreateParams(vcl::TCreateParams& Params) {
  vcl::TCustomControl::CreateParams(Params);
  // A size change repaints only what it uncovers.
  Params.WindowClassStyle &= ~unsigned(win::CS_HREDRAW | win::CS_VREDRAW);
  Params.Style |= win::WS_CLIPCHILDREN;
}

void TDKDock::SetPosition(TDKDockPosition Value) {
  if (Value == position_) return;
  if (ControlCount() > 0) throw rtl::EInvalidOperation(STBDockCannotChangePosition);
  position_ = Value;
  SetAlign(AlignOf(Value));
  ArrangeToolbars();
}

void TDKDock::SetAllowDrag(bool Value) {
  if (Value == allowDrag_) return;
  allowDrag_ = Value;
  // The drag handles of the docked windows come and go.
  for (auto* bar : visibleList_) bar->Arrange();
  ArrangeToolbars();
  for (auto* bar : visibleList_) bar->RedrawNC();
}

void TDKDock::RecalcNCSizes() {
  ncWidth_ = ((boundLines_ & blLeft) ? 1 : 0) + ((boundLines_ & blRight) ? 1 : 0);
  ncHeight_ = ((boundLines_ & blTop) ? 1 : 0) + ((boundLines_ & blBottom) ? 1 : 0);
}

void TDKDock::SetBoundLines(TDKDockBoundLines Value) {
  if (Value == boundLines_) return;
  boundLines_ = Value;
  RecalcNCSizes();
  if (HandleAllocated())
    win::SetWindowPos(Handle(), nullptr, 0, 0, 0, 0,
                      win::SWP_NOMOVE | win::SWP_NOSIZE | win::SWP_NOZORDER | win::SWP_NOACTIVATE |
                          win::SWP_FRAMECHANGED);
  ArrangeToolbars();
}

void TDKDock::SetFixAlign(bool Value) {
  if (Value == fixAlign_) return;
  fixAlign_ = Value;
  ArrangeToolbars();
}

void TDKDock::SetLimitToOneRow(bool Value) {
  if (Value == limitToOneRow_) return;
  limitToOneRow_ = Value;
  ArrangeToolbars();
}

void TDKDock::SetMaxThickness(int Value) {
  if (Value == maxThickness_) return;
  maxThickness_ = Value;
  ArrangeToolbars();
}

void TDKDock::SetBackgroundOnToolbars(bool Value) {
  if (Value == backgroundOnToolbars_) return;
  backgroundOnToolbars_ = Value;
  Invalidate();
  for (auto* bar : visibleList_) bar->RedrawNC();
}

void TDKDock::SetBackground(TDKBasicBackground* Value) {
  if (Value == background_) return;
  const auto handler = rtl::MakeEvent(this, &TDKDock::BackgroundChanged);
  if (background_) {
    background_->UnregisterChanges(handler);
    background_->RemoveFreeNotification(this);
  }
  background_ = Value;
  if (background_) {
    background_->FreeNotification(this);
    background_->RegisterChanges(handler);
  }
  BackgroundChanged(nullptr);
}

void TDKDock::BackgroundChanged(rtl::TObject*) {
  Invalidate();
  for (auto* bar : visibleList_) {
    bar->Invalidate();
    bar->RedrawNC();
  }
}

bool TDKDock::UsingBackground() const {
  return background_ && background_->UsingBackground();
}

void TDKDock::DrawBackground(HDC DC, const RECT& DrawRect) {
  if (background_) background_->Draw(DC, DrawRect);
}

void TDKDock::Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) {
  vcl::TCustomControl::Notification(AComponent, Operation);
  if (Operation != rtl::opRemove) return;
  if (AComponent == background_) {
    background_ = nullptr;
    BackgroundChanged(nullptr);
  }
  if (auto* bar = dynamic_cast<TDKCustomDockableWindow*>(AComponent)) RemoveFromLists(bar);
}

void TDKDock::RemoveFromLists(TDKCustomDockableWindow* Bar) {
  std::erase(dockList_, Bar);
  std::erase(visibleList_, Bar);
}

void TDKDock::Loaded() {
  vcl::TCustomControl::Loaded();
  ArrangeToolbars();
}

void TDKDock::Resize() {
  vcl::TCustomControl::Resize();
  // The length along the rows changed (the form was sized): the rows are laid out again.
  if (!arranging_) ArrangeToolbars();
}

void TDKDock::BeginUpdate() {
  ++updateCount_;
}

void TDKDock::EndUpdate() {
  if (updateCount_ > 0 && --updateCount_ == 0 && arrangeNeeded_) ArrangeToolbars();
}

void TDKDock::CommitPositions() {
  for (auto* bar : visibleList_) {
    if (bar->putAway_) continue;  // where it was asked to be, not where the dock had no room
    bar->dockRow_ = bar->effectiveDockRow_;
    bar->dockPos_ = bar->effectiveDockPos_;
  }
}

void TDKDock::ChangeDockList(bool Insert, TDKCustomDockableWindow* Bar) {
  if (Insert) {
    if (std::find(dockList_.begin(), dockList_.end(), Bar) == dockList_.end()) {
      dockList_.push_back(Bar);
      Bar->FreeNotification(this);
    }
  } else {
    std::erase(dockList_, Bar);
  }
  ToolbarVisibilityChanged(Bar, false);
}

void TDKDock::ToolbarVisibilityChanged(TDKCustomDockableWindow* Bar, bool ForceRemove) {
  const bool inDockList = std::find(dockList_.begin(), dockList_.end(), Bar) != dockList_.end();
  const bool visible = !ForceRemove && inDockList && Bar->Parent() == this && Bar->Visible();
  const bool listed =
      std::find(visibleList_.begin(), visibleList_.end(), Bar) != visibleList_.end();
  if (visible == listed) return;
  if (visible)
    visibleList_.push_back(Bar);
  else
    std::erase(visibleList_, Bar);
  ArrangeToolbars();
  if (OnInsertRemoveBar) OnInsertRemoveBar(this, visible, Bar);
}

bool TDKDock::ToolbarVisibleOnDock(const TDKCustomDockableWindow* Bar) const {
  return std::find(visibleList_.begin(), visibleList_.end(), Bar) != visibleList_.end();
}

int TDKDock::GetHighestRow(bool HighestEffective) const {
  int highest = -1;
  for (auto* bar : dockList_)
    highest = std::max(highest, HighestEffective ? bar->effectiveDockRow_ : bar->dockRow_);
  return highest;
}

int TDKDock::GetCurrentRowSize(int Row, bool& FullSizeRow) const {
  FullSizeRow = false;
  if (Row < 0) return 0;
  int size = 0;
  for (auto* bar : visibleList_) {
    if (bar->effectiveDockRow_ != Row) continue;
    size = std::max(size, IsVertical() ? bar->Width() : bar->Height());
    if (bar->fullSize_) FullSizeRow = true;
  }
  return size;
}

int TDKDock::GetMinRowSize(int Row, const TDKCustomDockableWindow* ExcludeBar) const {
  int size = 0;
  for (auto* bar : visibleList_)
    if (bar != ExcludeBar && bar->effectiveDockRow_ == Row)
      size = std::max(size, bar->lastRowSize_);
  return size;
}

int TDKDock::GetDesignModeRowOf(int Pos) const {
  const int highest = GetHighestRow(true);
  int end = 0;
  for (int row = 0; row <= highest; ++row) {
    bool full = false;
    end += GetCurrentRowSize(row, full);
    if (Pos < end) return row;
  }
  return highest + 1;
}

void TDKDock::ChangeWidthHeight(int NewWidth, int NewHeight) {
  int l = Left(), t = Top();
  if (Align() == vcl::alBottom) t += Height() - NewHeight;
  if (Align() == vcl::alRight) l += Width() - NewWidth;
  if (Align() == vcl::alClient) return;
  SetBounds(l, t, NewWidth, NewHeight);
}

void TDKDock::ArrangeToolbars() {
  if (updateCount_ > 0 || (ComponentState() & rtl::csLoading)) {
    arrangeNeeded_ = true;
    return;
  }
  struct Guard {
    TDKDock* d;
    explicit Guard(TDKDock* dock) : d(dock) {
      ++d->updateCount_;
      d->arranging_ = true;
    }
    ~Guard() {
      --d->updateCount_;
      d->arranging_ = false;
      d->arrangeNeeded_ = false;
      d->commitNewPositions_ = false;
    }
  } guard(this);
  ++arrangeCount_;
  const bool vertical = IsVertical();

  // Windows going away leave the lists first.
  auto dying = [](TDKCustomDockableWindow* b) {
    return (b->ComponentState() & rtl::csDestroying) != 0;
  };
  std::erase_if(dockList_, dying);
  std::erase_if(visibleList_, dying);

  for (auto* bar : dockList_) bar->putAway_ = false;
  if (visibleList_.empty()) {
    for (auto* bar : dockList_) bar->effectiveDockRow_ = -1;
    const int thickness = fixAlign_ ? 1 : 0;
    if (vertical)
      ChangeWidthHeight(thickness, Height());
    else
      ChangeWidthHeight(Width(), thickness);
    return;
  }
  const int available = std::max(0, vertical ? Height() - ncHeight_ : Width() - ncWidth_);
  if (limitToOneRow_)
    for (auto* bar : dockList_) bar->dockRow_ = 0;

  // A stable sort: windows with equal rows and positions keep their dock-list order.
  std::vector<TDKCustomDockableWindow*> sorted = dockList_;
  std::stable_sort(sorted.begin(), sorted.end(), LessByRowPos);
  for (size_t i = 0; i < dockList_.size(); ++i) {
    TDKCustomDockableWindow* b = dockList_[i];
    if (b->beingDragged_ && b->dragSplitting_) {
      // While splitting it keeps its order among the neighbours it pushes.
      std::erase(sorted, b);
      sorted.insert(sorted.begin() + static_cast<long>(std::min(i, sorted.size())), b);
    }
  }
  std::stable_sort(visibleList_.begin(), visibleList_.end(), LessByRowPos);

  std::vector<Item> items;
  for (auto* bar : sorted) {
    if (!ToolbarVisibleOnDock(bar)) {
      bar->effectiveDockRow_ = -1;
      continue;
    }
    Item it;
    it.bar = bar;
    it.row = bar->dockRow_;
    items.push_back(it);
  }
  int highest = CloseUpRows(items);

  // Rows of their own: first windows that asked for a new row, then full-size windows.
  for (int pass = 0; pass < 2; ++pass) {
    for (size_t i = 0; i < items.size(); ++i) {
      TDKCustomDockableWindow* b = items[i].bar;
      const bool wants = pass == 0 ? (b->insertRowBefore_ && !limitToOneRow_) : b->fullSize_;
      if (!wants) continue;
      const int row = items[i].row;
      bool shared = false;
      for (size_t j = 0; j < items.size(); ++j)
        if (j != i && items[j].row == row) shared = true;
      if (!shared) continue;
      for (size_t j = 0; j < items.size(); ++j)
        if (j != i && items[j].row >= row) ++items[j].row;
      // The window itself keeps its row; what followed it in the sorted order now follows the row.
      ++highest;
    }
  }
  highest = CloseUpRows(items);

  TDKCustomDockableWindow* dragged = nullptr;
  for (auto& it : items)
    if (it.bar->beingDragged_) dragged = it.bar;

  for (int row = 0; row <= highest; ++row) {
    std::vector<size_t> idx;
    for (size_t i = 0; i < items.size(); ++i)
      if (items[i].row == row) idx.push_back(i);
    if (idx.empty()) continue;
    // 1. Sizes; wrap where the row is full.
    int total = 0;
    for (size_t k = 0; k < idx.size(); ++k) {
      Item& it = items[idx[k]];
      SIZE base{0, 0};
      it.bar->GetBaseSize(base);
      const SIZE outer = it.bar->AddDockedNCAreaToSize(base, vertical);
      it.fullSize = it.curSize = vertical ? outer.cy : outer.cx;
      it.shrinkMode = it.bar->GetShrinkMode();
      int minimum = 0;
      it.bar->GetMinShrinkSize(minimum);
      const int ncAlong = (vertical ? outer.cy - base.cy : outer.cx - base.cx);
      it.minSize = std::min(minimum + ncAlong, it.fullSize);
      it.gap = it.push = it.pos = 0;
      total += it.shrinkMode == dksmChevron ? it.minSize : it.fullSize;
      if (total > available && k > 0 && !limitToOneRow_) {
        for (size_t j = 0; j < items.size(); ++j)
          if (items[j].row > row ||
              (items[j].row == row &&
               std::find(idx.begin() + static_cast<long>(k), idx.end(), j) != idx.end()))
            ++items[j].row;
        ++highest;
        idx.resize(k);
        break;
      }
    }
    const size_t n = idx.size();
    int sum = 0;
    for (size_t k : idx) sum += items[k].curSize;
    int overflow = sum - available;

    // 3. Positions wanted, gaps and pushes.
    int end = 0, minBefore = 0, prevWantedEnd = 0;
    int dragIdx = -1, dragWanted = 0;
    for (size_t k = 0; k < n; ++k) {
      Item& it = items[idx[k]];
      int wanted = it.bar->dockPos_;
      if (k == 0 && (it.bar->fullSize_ || it.bar->stretch_)) wanted = 0;
      wanted = std::max(wanted, minBefore);
      if (it.bar == dragged) {
        dragIdx = static_cast<int>(k);
        dragWanted = wanted;
      }
      if (wanted > end && overflow <= 0) it.gap = wanted - end;
      if (k > 0 && wanted < prevWantedEnd) it.push = prevWantedEnd - wanted;
      end += it.gap + it.curSize;
      prevWantedEnd = wanted + it.curSize;
      minBefore += it.minSize;
    }
    // 4. With room to spare, the dragged window gets its place from the gaps before it, and
    // the window after it keeps its own.
    if (overflow < 0 && dragIdx > 0) {
      int endBefore = 0;
      for (int k = 0; k < dragIdx; ++k) endBefore += items[idx[k]].gap + items[idx[k]].curSize;
      int excess = endBefore - dragWanted, given = 0;
      for (int k = dragIdx - 1; k >= 0 && excess > 0; --k) {
        const int take = std::min(items[idx[k]].gap, excess);
        items[idx[k]].gap -= take;
        excess -= take;
        given += take;
      }
      if (given > 0 && dragIdx + 1 < static_cast<int>(n)) items[idx[dragIdx + 1]].gap += given;
    }
    // 5. The row ends within the dock: gaps are taken back from the end.
    {
      int length = 0;
      for (size_t k : idx) length += items[k].gap + items[k].curSize;
      for (size_t k = n; k-- > 0 && length > available;) {
        const int take = std::min(items[idx[k]].gap, length - available);
        items[idx[k]].gap -= take;
        length -= take;
      }
    }
    // 6. Too long: pushes shrink the windows before the pusher, then the rest shrinks from the end.
    if (overflow > 0) {
      if (dragIdx >= 0 && n > 1) dragged->dragCanSplit_ = true;
      int acc = 0;
      for (size_t k = 0; k < n && overflow > 0; ++k) {
        acc = std::min(overflow, acc + items[idx[k]].push);
        const int lowest = (dragIdx >= 0 && dragIdx < static_cast<int>(k)) ? dragIdx : 0;
        for (int j = static_cast<int>(k) - 1; j >= lowest && acc > 0; --j) {
          Item& o = items[idx[j]];
          if (o.shrinkMode != dksmChevron) continue;
          const int take = std::min(acc, o.curSize - o.minSize);
          o.curSize -= take;
          acc -= take;
          overflow -= take;
        }
      }
      for (size_t k = n; k-- > 0 && overflow > 0;) {
        Item& o = items[idx[k]];
        if (o.shrinkMode == dksmNone || (o.shrinkMode == dksmWrap && n > 1)) continue;
        const int take = std::min(overflow, o.curSize - o.minSize);
        o.curSize -= take;
        overflow -= take;
      }
    }
    // 7. Final positions; full-size and stretching windows take up the slack.
    int pos = 0;
    for (size_t k = 0; k < n; ++k) {
      Item& it = items[idx[k]];
      if (it.bar->fullSize_ || it.bar->stretch_) {
        it.curSize += it.gap;
        it.gap = 0;
      }
      if (it.bar->fullSize_) it.curSize = std::max(it.curSize, available);
      if (it.bar->stretch_) {
        if (k + 1 < n) {
          it.curSize += items[idx[k + 1]].gap;
          items[idx[k + 1]].gap = 0;
        } else {
          it.curSize = std::max(it.curSize, available - pos);
        }
      }
      pos += it.gap;
      it.pos = pos;
      pos += it.curSize;
    }
  }

  // 10. Effective places, committed when asked.
  for (auto& it : items) {
    it.bar->effectiveDockRow_ = it.row;
    it.bar->effectiveDockPos_ = it.pos;
    if (commitNewPositions_) {
      it.bar->dockRow_ = it.row;
      it.bar->dockPos_ = it.pos;
    }
  }
  if (commitNewPositions_) dockList_ = sorted;

  // 11. Row thicknesses.
  std::vector<int> thicknesses(static_cast<size_t>(highest + 1), 0);
  for (int row = 0; row <= highest; ++row) {
    int thickness = 0;
    for (auto& it : items) {
      if (it.row != row) continue;
      const int imposed = it.curSize < it.fullSize ? it.curSize : 0;
      SIZE size{0, 0};
      if (it.shrinkMode != dksmNone && imposed != it.bar->currentRowSize_) {
        it.bar->currentRowSize_ = imposed;
        size = it.bar->DoArrange(false, DKGetDockTypeOf(this, false), false, this);
        it.needsArrange = true;
      } else if (it.shrinkMode != dksmNone && imposed > 0) {
        // Still shrunk: its thickness is that of what it shows at that length, not of the
        // items it keeps behind its chevron (the base size lays out every item).
        size = it.bar->DoArrange(false, DKGetDockTypeOf(this, false), false, this);
      } else {
        it.bar->currentRowSize_ = imposed;
        it.bar->GetBaseSize(size);
      }
      // The frame across the row: the 2-pixel borders, and a docked caption's strip when the
      // row runs across it.
      const SIZE nc = it.bar->AddDockedNCAreaToSize(SIZE{0, 0}, vertical);
      thickness = std::max(thickness, vertical ? size.cx + nc.cx : size.cy + nc.cy);
    }
    thicknesses[static_cast<size_t>(row)] = thickness;
  }
  // The rows the dock has room for; the rest are put away beyond its edge.
  const int ncAcross = vertical ? ncWidth_ : ncHeight_;
  int kept = 0;
  for (int across = ncAcross; kept <= highest; ++kept) {
    across += thicknesses[static_cast<size_t>(kept)];
    if (across > maxThickness_) break;
  }

  // 12. Bounds.
  int rowStart = 0, keptThickness = 0;
  for (int row = 0; row <= highest; ++row) {
    const int thickness = thicknesses[static_cast<size_t>(row)];
    for (auto& it : items) {
      if (it.row != row) continue;
      it.bar->lastRowSize_ = thickness;
      it.bar->putAway_ = row >= kept;
      ++it.bar->updatingBounds_;
      if (vertical)
        it.bar->vcl::TCustomControl::SetBounds(rowStart, it.pos, thickness, it.curSize);
      else
        it.bar->vcl::TCustomControl::SetBounds(it.pos, rowStart, it.curSize, thickness);
      --it.bar->updatingBounds_;
      // A wrapping bar wraps at the dock's length, which may have changed with the form.
      if (it.needsArrange || it.shrinkMode == dksmWrap) it.bar->Arrange();
    }
    rowStart += thickness;
    if (row < kept) keptThickness = rowStart;
  }
  // 13. The dock's own thickness.
  const int thickness = std::max(0, std::min(keptThickness + ncAcross, maxThickness_));
  if (vertical)
    ChangeWidthHeight(thickness, Height());
  else
    ChangeWidthHeight(Width(), thickness);
}

// ------------------------------------------------------------------ painting and messages

void TDKDock::Paint() {
  if (UsingBackground()) {
    RECT r{0, 0, ClientWidth(), ClientHeight()};
    DrawBackground(Canvas()->Handle(), r);
  }
}

void TDKDock::DrawNCArea(HDC dc) {
  if (!HandleAllocated() || (ncWidth_ == 0 && ncHeight_ == 0)) return;
  const int w = Width(), h = Height();
  const RECT client = win::GetClientRectInWindow(Handle());
  gdi::SaveDC(dc);
  gdi::ExcludeClipRect(dc, client.left, client.top, client.right, client.bottom);
  RECT all{0, 0, w, h};
  gdi::HBRUSH face = gdi::CreateSolidBrush(gdi::ColorToRGB(Color()));
  gdi::FillRect(dc, &all, face);
  gdi::DeleteObject(face);
  if (HasVisibleToolbars()) {
    gdi::HBRUSH shadow = gdi::GetSysColorBrush(gdi::COLOR_BTNSHADOW);
    gdi::HBRUSH light = gdi::GetSysColorBrush(gdi::COLOR_BTNHIGHLIGHT);
    RECT r;
    if (boundLines_ & blTop) (r = RECT{0, 0, w, 1}, gdi::FillRect(dc, &r, shadow));
    if (boundLines_ & blLeft) (r = RECT{0, 0, 1, h}, gdi::FillRect(dc, &r, shadow));
    if (boundLines_ & blBottom) (r = RECT{0, h - 1, w, h}, gdi::FillRect(dc, &r, light));
    if (boundLines_ & blRight) (r = RECT{w - 1, 0, w, h}, gdi::FillRect(dc, &r, light));
  }
  gdi::RestoreDC(dc, -1);
}

bool TDKDock::RelayToFloating(vcl::TMessage& m, bool menuEvents) {
  // The floating windows of this dock do not sit on the form: keys meant for them come here.
  for (auto* bar : std::vector(dockList_)) {
    if (!bar->Floating() || !bar->CanFocus()) continue;
    if (menuEvents && !(bar->ControlStyle() & vcl::csMenuEvents)) continue;
    if (bar->Perform(m.Msg, m.WParam, m.LParam)) {
      m.Result = 1;
      return true;
    }
  }
  return false;
}

void TDKDock::WndProc(vcl::TMessage& m) {
  switch (m.Msg) {
    case win::WM_NCCALCSIZE: {
      auto* r = reinterpret_cast<RECT*>(m.LParam);
      if (r) {
        r->left += (boundLines_ & blLeft) ? 1 : 0;
        r->top += (boundLines_ & blTop) ? 1 : 0;
        r->right -= (boundLines_ & blRight) ? 1 : 0;
        r->bottom -= (boundLines_ & blBottom) ? 1 : 0;
        if (r->right < r->left) r->right = r->left;
        if (r->bottom < r->top) r->bottom = r->top;
      }
      m.Result = 0;
      return;
    }
    case win::WM_NCPAINT:
      if (HandleAllocated()) {
        HDC dc = win::GetWindowDC(Handle());
        DrawNCArea(dc);
        win::ReleaseDC(Handle(), dc);
      }
      m.Result = 0;
      return;
    case win::WM_PRINT:
      HandleWMPrint(Handle(), m.WParam, m.LParam, [this](HWND, HDC dc) { DrawNCArea(dc); });
      return;
    case win::WM_ERASEBKGND:
      if (UsingBackground()) {
        RECT r{0, 0, ClientWidth(), ClientHeight()};
        DrawBackground(reinterpret_cast<HDC>(m.WParam), r);
        m.Result = 1;
        return;
      }
      break;
    case win::WM_SYSCOLORCHANGE:
      if (background_) background_->SysColorChanged();
      break;
    case win::WM_MOVE:
      if (UsingBackground()) BackgroundChanged(nullptr);
      break;
    case win::WM_SYSCOMMAND:
      if ((m.WParam & 0xFFF0) == win::SC_KEYMENU && RelayToFloating(m, true)) return;
      break;
    case vcl::CM_DIALOGKEY:
    case vcl::CM_DIALOGCHAR:
      if (RelayToFloating(m, false)) return;
      break;
    default:
      break;
  }
  vcl::TCustomControl::WndProc(m);
}

}  // namespace docking
