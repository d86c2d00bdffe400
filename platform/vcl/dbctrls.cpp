#include "platform/vcl/dbctrls.h"

#include <algorithm>

#include "platform/vcl/classic.h"
#include "platform/vcl/dialogs.h"

namespace vcl {

// ---------------------------------------------------------------- navigator

class TNavDataLink : public db::TDataLink {
 public:
  explicit TNavDataLink(TDBNavigator* nav) : nav_(nav) {}

 protected:
  // The buttons' states are worked out when drawn; any change repaints them.
  void ActiveChanged() override { nav_->Invalidate(); }
  void EditingChanged() override { nav_->Invalidate(); }
  void DataSetChanged() override { nav_->Invalidate(); }
  void DataSetScrolled() override { nav_->Invalidate(); }

 private:
  TDBNavigator* nav_;
};

TDBNavigator::TDBNavigator(rtl::TComponent* AOwner)
    : TCustomControl(AOwner), link_(std::make_unique<TNavDataLink>(this)) {
  // Its own OnClick carries the button; the plain click event is not used.
  SetControlStyle(ControlStyle() & ~(csClickEvents | csDoubleClicks));
  SetBounds(0, 0, 240, 25);
}

TDBNavigator::~TDBNavigator() {
  link_->SetDataSource(nullptr);
}

db::TDataSource* TDBNavigator::DataSource() const {
  return link_->DataSource();
}

void TDBNavigator::SetDataSource(db::TDataSource* v) {
  link_->SetDataSource(v);
  Invalidate();
}

void TDBNavigator::SetVisibleButtons(TButtonSet v) {
  visible_ = v & kAllNavButtons;
  Invalidate();
}

db::TDataSet* TDBNavigator::ActiveDataSet() const {
  if (!link_->Active() || !link_->DataSource()->Enabled()) return nullptr;
  return link_->DataSet();
}

bool TDBNavigator::ButtonEnabled(TNavigateBtn b) const {
  db::TDataSet* ds = ActiveDataSet();
  if (!ds || !Enabled()) return false;
  const bool editing = ds->State() == db::dsEdit || ds->State() == db::dsInsert;
  const bool canModify = ds->CanModify();
  switch (b) {
    case nbFirst:
    case nbPrior:
      return !ds->Bof();
    case nbNext:
    case nbLast:
      return !ds->Eof();
    case nbInsert:
      return canModify;
    case nbDelete:
      return canModify && !(ds->Bof() && ds->Eof());
    case nbEdit:
      return canModify && !editing;
    case nbPost:
    case nbCancel:
      return editing;
    case nbRefresh:
      return true;
  }
  return false;
}

TRect TDBNavigator::ButtonRect(TNavigateBtn b) const {
  if (!(visible_ & NavButton(b))) return TRect{};
  int count = 0, index = 0;
  for (int i = 0; i < kNavigateButtonCount; ++i) {
    if (!(visible_ & (1u << i))) continue;
    if (i == b) index = count;
    ++count;
  }
  // Equal widths; the pixels left over go to the first buttons.
  const int w = Width() / count, extra = Width() % count;
  const int left = index * w + std::min(index, extra);
  return TRect{left, 0, left + w + (index < extra ? 1 : 0), Height()};
}

int TDBNavigator::ButtonAt(int x, int y) const {
  for (int i = 0; i < kNavigateButtonCount; ++i) {
    const TRect r = ButtonRect(static_cast<TNavigateBtn>(i));
    if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) return i;
  }
  return -1;
}

void TDBNavigator::BtnClick(TNavigateBtn b) {
  db::TDataSet* ds = ActiveDataSet();
  if (ds) {
    switch (b) {
      case nbFirst:
        ds->First();
        break;
      case nbPrior:
        ds->Prior();
        break;
      case nbNext:
        ds->Next();
        break;
      case nbLast:
        ds->Last();
        break;
      case nbInsert:
        ds->Insert();
        break;
      case nbDelete:
        if (!confirmDelete_ || MessageDlg("Delete record?", mtConfirmation, mbOKCancel) == mrOk)
          ds->Delete();
        break;
      case nbEdit:
        ds->Edit();
        break;
      case nbPost:
        ds->Post();
        break;
      case nbCancel:
        ds->Cancel();
        break;
      case nbRefresh:
        ds->Refresh();
        break;
    }
  }
  if (OnClick) OnClick(this, b);
}

void TDBNavigator::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TCustomControl::MouseDown(button, shift, x, y);
  if (button != mbLeft) return;
  const int b = ButtonAt(x, y);
  if (b < 0 || !ButtonEnabled(static_cast<TNavigateBtn>(b))) return;
  pressed_ = b;
  pressedInside_ = true;
  Invalidate();
}

void TDBNavigator::MouseMove(TShiftState shift, int x, int y) {
  TCustomControl::MouseMove(shift, x, y);
  if (pressed_ < 0) return;
  const bool inside = ButtonAt(x, y) == pressed_;
  if (inside != pressedInside_) {
    pressedInside_ = inside;
    Invalidate();
  }
}

void TDBNavigator::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  TCustomControl::MouseUp(button, shift, x, y);
  if (button != mbLeft || pressed_ < 0) return;
  const int b = pressed_;
  pressed_ = -1;
  Invalidate();
  if (ButtonAt(x, y) == b && ButtonEnabled(static_cast<TNavigateBtn>(b)))
    BtnClick(static_cast<TNavigateBtn>(b));
}

void TDBNavigator::DrawGlyph(TCanvas* c, TNavigateBtn b, const TRect& r, bool enabled) {
  const int cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;
  const TColor ink = enabled ? clBlack : clGrayText;
  c->Pen()->SetColor(ink);
  c->Pen()->SetWidth(1);
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(ink);
  const auto left = [&](int x) {  // a triangle pointing left with its tip at x
    c->Polygon({TPoint{x, cy}, TPoint{x + 4, cy - 4}, TPoint{x + 4, cy + 4}});
  };
  const auto right = [&](int x) {
    c->Polygon({TPoint{x, cy}, TPoint{x - 4, cy - 4}, TPoint{x - 4, cy + 4}});
  };
  const auto bar = [&](int x) { c->FillRect(TRect{x, cy - 4, x + 2, cy + 5}); };
  switch (b) {
    case nbFirst:
      bar(cx - 4);
      left(cx - 1);
      break;
    case nbPrior:
      left(cx - 2);
      break;
    case nbNext:
      right(cx + 2);
      break;
    case nbLast:
      right(cx + 1);
      bar(cx + 3);
      break;
    case nbInsert:
      c->FillRect(TRect{cx - 4, cy - 1, cx + 5, cy + 1});
      c->FillRect(TRect{cx - 1, cy - 4, cx + 1, cy + 5});
      break;
    case nbDelete:
      c->FillRect(TRect{cx - 4, cy - 1, cx + 5, cy + 1});
      break;
    case nbEdit:
      c->Polygon({TPoint{cx, cy - 4}, TPoint{cx + 4, cy + 3}, TPoint{cx - 4, cy + 3}});
      break;
    case nbPost:
      c->Pen()->SetWidth(2);
      c->MoveTo(cx - 4, cy);
      c->LineTo(cx - 1, cy + 3);
      c->LineTo(cx + 4, cy - 3);
      break;
    case nbCancel:
      c->Pen()->SetWidth(2);
      c->MoveTo(cx - 3, cy - 3);
      c->LineTo(cx + 4, cy + 4);
      c->MoveTo(cx + 3, cy - 3);
      c->LineTo(cx - 4, cy + 4);
      break;
    case nbRefresh:
      c->Pen()->SetWidth(2);
      c->Brush()->SetStyle(bsClear);
      c->Arc(cx - 4, cy - 4, cx + 5, cy + 5, cx + 4, cy - 2, cx + 4, cy + 1);
      c->Brush()->SetStyle(bsSolid);
      c->Pen()->SetWidth(1);
      c->Polygon({TPoint{cx + 2, cy - 5}, TPoint{cx + 6, cy - 5}, TPoint{cx + 6, cy - 1}});
      break;
  }
  c->Pen()->SetWidth(1);
}

void TDBNavigator::Paint() {
  TCanvas* c = Canvas();
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(clBtnFace);
  c->FillRect(ClientRect());
  for (int i = 0; i < kNavigateButtonCount; ++i) {
    const auto b = static_cast<TNavigateBtn>(i);
    if (!(visible_ & NavButton(b))) continue;
    const TRect r = ButtonRect(b);
    const bool down = pressed_ == i && pressedInside_;
    DrawButtonFace(c, r, down, false);
    TRect g = r;
    if (down) {
      ++g.left;
      ++g.top;
      ++g.right;
      ++g.bottom;
    }
    DrawGlyph(c, b, g, ButtonEnabled(b));
  }
}

// ---------------------------------------------------------------- lookup combo box

class TLookupDataLink : public db::TDataLink {
 public:
  explicit TLookupDataLink(TDBLookupComboBox* combo) : combo_(combo) {}

 protected:
  void ActiveChanged() override { combo_->RefreshList(); }
  void DataSetChanged() override { combo_->RefreshList(); }

 private:
  TDBLookupComboBox* combo_;
};

namespace {

// Keys compare as numbers when both are numbers (a small integer key 8 equals 8.0), else as text.
bool SameKey(const db::Value& a, const db::Value& b) {
  const auto number = [](const db::Value& v, double& out) {
    if (const auto* i = std::get_if<int64_t>(&v)) {
      out = static_cast<double>(*i);
      return true;
    }
    if (const auto* d = std::get_if<double>(&v)) {
      out = *d;
      return true;
    }
    return false;
  };
  double x = 0, y = 0;
  if (number(a, x) && number(b, y)) return x == y;
  return a == b;
}

}  // namespace

TDBLookupComboBox::TDBLookupComboBox(rtl::TComponent* AOwner)
    : TComboBox(AOwner), link_(std::make_unique<TLookupDataLink>(this)) {
  SetStyle(csDropDownList);
}

TDBLookupComboBox::~TDBLookupComboBox() {
  link_->SetDataSource(nullptr);
}

db::TDataSource* TDBLookupComboBox::ListSource() const {
  return link_->DataSource();
}

void TDBLookupComboBox::SetListSource(db::TDataSource* v) {
  link_->SetDataSource(v);
  RefreshList();
}

void TDBLookupComboBox::SetListField(const std::string& v) {
  listField_ = v;
  RefreshList();
}

void TDBLookupComboBox::SetKeyField(const std::string& v) {
  keyField_ = v;
  RefreshList();
}

void TDBLookupComboBox::SetKeyValue(const db::Value& v) {
  keyValue_ = v;
  ShowKey();
}

void TDBLookupComboBox::RefreshList() {
  keys_.clear();
  Items()->BeginUpdate();
  Items()->Clear();
  db::TDataSet* ds = link_ ? link_->DataSet() : nullptr;
  if (ds && ds->Active() && link_->DataSource()->Enabled()) {
    // Without a list field the key field is what the list shows.
    db::TField* key = ds->FindField(keyField_);
    db::TField* shown = listField_.empty() ? key : ds->FindField(listField_);
    if (key && shown) {
      const int count = ds->RecordCount();
      for (int i = 0; i < count; ++i) {
        const db::Record r = ds->RecordAt(i);
        Items()->Add(shown->TextOf(r.at(static_cast<size_t>(shown->Index()))));
        keys_.push_back(r.at(static_cast<size_t>(key->Index())));
      }
    }
  }
  Items()->EndUpdate();
  ShowKey();
}

void TDBLookupComboBox::ShowKey() {
  int index = -1;
  if (!db::IsNull(keyValue_)) {
    for (size_t i = 0; i < keys_.size(); ++i) {
      if (SameKey(keys_[i], keyValue_)) {
        index = static_cast<int>(i);
        break;
      }
    }
  }
  SetItemIndex(index);
}

void TDBLookupComboBox::Click() {
  const int i = ItemIndex();
  if (i >= 0 && static_cast<size_t>(i) < keys_.size()) keyValue_ = keys_[static_cast<size_t>(i)];
  TComboBox::Click();
}

}  // namespace vcl
