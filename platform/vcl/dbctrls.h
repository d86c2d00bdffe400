#pragma once
// Data-aware controls besides the grid: the navigator (a row of buttons that move and edit the
// data set of a data source) and the lookup combo box (a drop-down of one field of a list data
// set, remembering the key field of the row picked).
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "platform/db/dataset.h"
#include "platform/vcl/lists.h"

namespace vcl {

enum TNavigateBtn {
  nbFirst,
  nbPrior,
  nbNext,
  nbLast,
  nbInsert,
  nbDelete,
  nbEdit,
  nbPost,
  nbCancel,
  nbRefresh
};
constexpr int kNavigateButtonCount = 10;
using TButtonSet = unsigned;  // bit (1 << TNavigateBtn) per button
constexpr TButtonSet NavButton(TNavigateBtn b) {
  return 1u << b;
}
constexpr TButtonSet kAllNavButtons = (1u << kNavigateButtonCount) - 1;

using TNavClickEvent = rtl::Event<void(rtl::TObject* Sender, TNavigateBtn Button)>;

class TNavDataLink;

class TDBNavigator : public TCustomControl {
 public:
  explicit TDBNavigator(rtl::TComponent* AOwner);
  ~TDBNavigator() override;

  db::TDataSource* DataSource() const;
  void SetDataSource(db::TDataSource* v);
  TButtonSet VisibleButtons() const { return visible_; }
  void SetVisibleButtons(TButtonSet v);
  bool ConfirmDelete() const { return confirmDelete_; }
  void SetConfirmDelete(bool v) { confirmDelete_ = v; }

  // Whether a button can be pressed now (by the data set's state and position).
  bool ButtonEnabled(TNavigateBtn b) const;
  // Where a visible button sits (an empty rectangle for a hidden one).
  TRect ButtonRect(TNavigateBtn b) const;
  // Presses a button as a click does: the data set's action, then OnClick.
  void BtnClick(TNavigateBtn b);

  TNavClickEvent OnClick;

 protected:
  void Paint() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;

 private:
  friend class TNavDataLink;
  db::TDataSet* ActiveDataSet() const;
  int ButtonAt(int x, int y) const;
  void DrawGlyph(TCanvas* c, TNavigateBtn b, const TRect& r, bool enabled);

  std::unique_ptr<TNavDataLink> link_;
  TButtonSet visible_ = kAllNavButtons;
  bool confirmDelete_ = true;
  int pressed_ = -1;
  bool pressedInside_ = false;
};

class TLookupDataLink;

// A drop-down list of a list data set's ListField; picking a row sets KeyValue to that row's
// KeyField and fires OnClick.
class TDBLookupComboBox : public TComboBox {
 public:
  explicit TDBLookupComboBox(rtl::TComponent* AOwner);
  ~TDBLookupComboBox() override;

  db::TDataSource* ListSource() const;
  void SetListSource(db::TDataSource* v);
  const std::string& ListField() const { return listField_; }
  void SetListField(const std::string& v);
  const std::string& KeyField() const { return keyField_; }
  void SetKeyField(const std::string& v);
  // The key of the row shown; null when none. Setting it shows the row with that key.
  const db::Value& KeyValue() const { return keyValue_; }
  void SetKeyValue(const db::Value& v);
  // Reads the list data set's rows again.
  void RefreshList();

  // A user's pick: KeyValue follows, then OnClick fires.
  void Click() override;

 private:
  friend class TLookupDataLink;
  void ShowKey();

  std::unique_ptr<TLookupDataLink> link_;
  std::string listField_;
  std::string keyField_;
  db::Value keyValue_;
  std::vector<db::Value> keys_;
};

}  // namespace vcl
