#pragma once
// Lists: list boxes, check list boxes and combo boxes (editable or drop-down list). Setting
// ItemIndex in code fires nothing; a user's choice fires OnClick (and OnChange for combos).
#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/stringlist.h"
#include "platform/vcl/edits.h"

namespace vcl {

struct ListScrollBar;

class TCustomListBox : public TCustomControl {
 public:
  explicit TCustomListBox(rtl::TComponent* AOwner);
  ~TCustomListBox() override;
  rtl::TStringList* Items() const { return items_.get(); }
  int Count() const { return items_->Count(); }
  int ItemIndex() const { return itemIndex_; }
  void SetItemIndex(int v);
  int TopIndex() const { return top_; }
  void SetTopIndex(int v);
  int ItemHeight() const;
  bool MultiSelect() const { return multiSelect_; }
  void SetMultiSelect(bool v);
  bool Selected(int i) const;
  void SetSelected(int i, bool v);
  int SelCount() const;
  bool Sorted() const { return sorted_; }
  void SetSorted(bool v);
  void Clear() { items_->Clear(); }
  // The item under a client point, -1 when none.
  int ItemAtPos(TPoint p) const;
  TRect ItemRect(int i) const;

 protected:
  void Paint() override;
  void KeyDown(unsigned short& key, TShiftState shift) override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void WndProc(TMessage& m) override;
  bool WantsKey(unsigned short key, TShiftState shift) const override;
  virtual void DrawItem(int i, TRect r, bool selected);
  virtual void ItemsChanged(rtl::TObject*);
  int VisibleCount() const;
  // Moves the selection as the user does (fires OnClick).
  void UserSelect(int i);

 private:
  void MakeVisible(int i);
  bool ScrollBarShown() const { return Count() > VisibleCount(); }
  ListScrollBar ScrollBar() const;
  std::unique_ptr<rtl::TStringList> items_;
  std::vector<bool> selected_;
  int itemIndex_ = -1;
  int top_ = 0;
  bool multiSelect_ = false;
  bool sorted_ = false;
};

class TListBox : public TCustomListBox {
 public:
  explicit TListBox(rtl::TComponent* AOwner) : TCustomListBox(AOwner) {}
};

class TCheckListBox : public TCustomListBox {
 public:
  explicit TCheckListBox(rtl::TComponent* AOwner) : TCustomListBox(AOwner) {}
  bool Checked(int i) const;
  // In code: no event, as in the original.
  void SetChecked(int i, bool v);
  bool ItemEnabled(int i) const;
  void SetItemEnabled(int i, bool v);

  rtl::TNotifyEvent OnClickCheck;

 protected:
  void DrawItem(int i, TRect r, bool selected) override;
  void KeyDown(unsigned short& key, TShiftState shift) override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void ItemsChanged(rtl::TObject*) override;
  virtual void ClickCheck();

 private:
  void Toggle(int i);
  std::vector<bool> checked_;
  std::vector<bool> disabled_;
};

enum TComboBoxStyle { csDropDown, csSimple, csDropDownList };

class TComboList;

class TComboBox : public TCustomControl {
 public:
  explicit TComboBox(rtl::TComponent* AOwner);
  ~TComboBox() override;
  rtl::TStringList* Items() const { return items_.get(); }
  TComboBoxStyle Style() const { return style_; }
  void SetStyle(TComboBoxStyle v);
  int ItemIndex() const { return itemIndex_; }
  void SetItemIndex(int v);
  void SetText(const std::string& v) override;
  int DropDownCount() const { return dropDownCount_; }
  void SetDropDownCount(int v) { dropDownCount_ = v; }
  bool DroppedDown() const;
  void SetDroppedDown(bool v);
  bool Sorted() const { return sorted_; }
  void SetSorted(bool v);
  void Clear();
  // The edit part of an editable combo box (nullptr for a drop-down list).
  TEdit* EditControl() const { return edit_; }
  bool Focused() const;
  void SetFocus() override;

  rtl::TNotifyEvent OnChange;
  rtl::TNotifyEvent OnDropDown;
  rtl::TNotifyEvent OnCloseUp;

 protected:
  void Paint() override;
  void KeyDown(unsigned short& key, TShiftState shift) override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  bool WantsKey(unsigned short key, TShiftState shift) const override;
  void WndProc(TMessage& m) override;
  void DoExit() override;
  void Resize() override;
  void Changed() override;
  virtual void Change();

 private:
  friend class TComboList;
  void ItemsChanged(rtl::TObject*);
  void EditChanged(rtl::TObject*);
  void EditKeyDown(rtl::TObject*, unsigned short& key, TShiftState shift);
  void EditExit(rtl::TObject*);
  void UserSelect(int i);
  void PlaceEdit();
  int ButtonWidth() const { return 17; }
  std::unique_ptr<rtl::TStringList> items_;
  TComboBoxStyle style_ = csDropDown;
  int itemIndex_ = -1;
  int dropDownCount_ = 8;
  bool sorted_ = false;
  bool syncing_ = false;
  TEdit* edit_ = nullptr;
  std::unique_ptr<TComboList> list_;
};

}  // namespace vcl
