#pragma once
// The data grid: the records of a data source in rows under a title row, with an indicator column
// showing the current record and its state. The current row follows the data set; clicks and
// arrow keys move the data set; a cell is edited in place and posted on Enter or on leaving the
// record.
#include <memory>
#include <string>
#include <vector>

#include "platform/db/dataset.h"
#include "platform/vcl/edits.h"

namespace vcl {

class TScrollBar;
class TDBGrid;
class TGridDataLink;
class TInplaceEdit;

class TColumnTitle {
 public:
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& v) { caption_ = v; }

 private:
  std::string caption_;
};

class TColumn {
 public:
  const std::string& FieldName() const { return fieldName_; }
  void SetFieldName(const std::string& v) { fieldName_ = v; }
  TColumnTitle* Title() { return &title_; }
  const TColumnTitle* Title() const { return &title_; }
  // 0 means: as wide as the field's values need.
  int Width() const { return width_; }
  void SetWidth(int v) { width_ = v; }

 private:
  std::string fieldName_;
  TColumnTitle title_;
  int width_ = 0;
};

// The grid's columns as set up; empty means every field of the data set in its order.
class TDBGridColumns {
 public:
  explicit TDBGridColumns(TDBGrid* grid) : grid_(grid) {}
  TColumn* Add();
  // A column of a field with its title, in one step.
  TColumn* Add(const std::string& fieldName, const std::string& title = "", int width = 0);
  int Count() const { return static_cast<int>(items_.size()); }
  TColumn* Items(int i) const { return items_.at(static_cast<size_t>(i)).get(); }
  void Clear();

 private:
  TDBGrid* grid_;
  std::vector<std::unique_ptr<TColumn>> items_;
};

enum TDBGridOption : unsigned {
  dgEditing = 1,
  dgTitles = 2,
  dgIndicator = 4,
  dgColLines = 8,
  dgRowLines = 16,
  dgMultiSelect = 32,
  dgConfirmDelete = 64
};
using TDBGridOptions = unsigned;

class TDBGrid : public TCustomControl {
 public:
  explicit TDBGrid(rtl::TComponent* AOwner);
  ~TDBGrid() override;

  db::TDataSource* DataSource() const;
  void SetDataSource(db::TDataSource* v);
  TDBGridColumns* Columns() { return &columns_; }
  TDBGridOptions Options() const { return options_; }
  void SetOptions(TDBGridOptions v);
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool v) { readOnly_ = v; }

  // What the grid shows now: its columns (set up or defaulted) and the field of each.
  int ColumnCount() const;
  std::string ColumnTitle(int col) const;
  int ColumnWidth(int col) const;
  db::TField* ColumnField(int col) const;
  // The column of the cell cursor.
  int SelectedIndex() const { return col_; }
  void SetSelectedIndex(int v);
  db::TField* SelectedField() const { return ColumnField(col_); }

  // Rows of data that fit under the title row, and the record index (0-based) of the top one.
  int VisibleRowCount() const;
  int TopRow() const { return top_; }
  // The text the grid shows in a data cell (row = record index; the row being inserted is the
  // one past the last record).
  std::string CellText(int row, int col);
  // Client rectangle of a data cell of the visible rows (row = record index).
  TRect CellRect(int row, int col) const;
  int RowHeight() const;
  int TitleHeight() const;
  int IndicatorWidth() const;

  // In-place editing.
  bool EditorMode() const;
  void SetEditorMode(bool v);
  TInplaceEdit* InplaceEditor() const { return editor_; }
  TScrollBar* VertScrollBar() const { return scrollBar_; }
  TScrollBar* HorzScrollBar() const { return hscroll_; }
  // The first column shown; columns scroll sideways when they are wider than the grid.
  int LeftCol() const { return leftCol_; }

  // Multi-select: the record indexes picked with Ctrl+click.
  const std::vector<int>& SelectedRows() const { return selectedRows_; }

  rtl::TNotifyEvent OnColEnter;

 protected:
  void Paint() override;
  void KeyDown(unsigned short& key, TShiftState shift) override;
  void KeyPress(char& key) override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  bool WantsKey(unsigned short key, TShiftState shift) const override;
  void WndProc(TMessage& m) override;
  void Resize() override;

 private:
  friend class TGridDataLink;
  friend class TInplaceEdit;
  friend class TDBGridColumns;
  db::TDataSet* ActiveDataSet() const;
  // The row of the current record (record index; the new row while inserting), -1 when none.
  int CurrentRow() const;
  // Rows the grid has: the records plus the one being inserted.
  int RowCount() const;
  void LinkChanged();
  void ScrollToCurrent();
  void UpdateScrollBar();
  void ScrollBarChanged(rtl::TObject*);
  void HorzScrollBarChanged(rtl::TObject*);
  void MakeColVisible();
  int ColumnsWidth() const;
  int DataBottom() const;
  void PlaceEditor();
  void ShowEditor(const std::string* initial);
  void HideEditor();
  // Puts the editor's text into its field; raises (editor kept) when the field refuses it.
  void UpdateData();
  bool CanEditCell() const;
  void MoveRow(int distance);
  void MoveCol(int col);
  void PostOrCancelFromKeys(bool post);
  void DrawIndicator(TCanvas* c, const TRect& r, db::TDataSetState state);
  int ColumnLeft(int col) const;
  int ColumnAt(int x) const;
  int DataRight() const;

  TDBGridColumns columns_;
  std::unique_ptr<TGridDataLink> link_;
  TDBGridOptions options_ =
      dgEditing | dgTitles | dgIndicator | dgColLines | dgRowLines | dgConfirmDelete;
  bool readOnly_ = false;
  int col_ = 0;
  int top_ = 0;
  bool syncing_ = false;
  bool hiding_ = false;
  int editorRow_ = -1;
  TInplaceEdit* editor_ = nullptr;
  TScrollBar* scrollBar_ = nullptr;
  TScrollBar* hscroll_ = nullptr;
  int leftCol_ = 0;
  std::vector<int> selectedRows_;
};

// The grid's cell editor: an edit that hands the grid's navigation keys back to it.
class TInplaceEdit : public TCustomEdit {
 public:
  explicit TInplaceEdit(TDBGrid* grid);

 protected:
  void KeyDown(unsigned short& key, TShiftState shift) override;
  bool WantsKey(unsigned short key, TShiftState shift) const override;
  void DoExit() override;
  void WndProc(TMessage& m) override;

 private:
  TDBGrid* grid_;
  win::HWND focusTo_{};  // the window taking the focus, while it is being lost
};

}  // namespace vcl
