#include "platform/vcl/dbgrids.h"

#include <algorithm>

#include "platform/vcl/classic.h"
#include "platform/vcl/dialogs.h"
#include "platform/vcl/misc.h"

namespace vcl {

namespace {

constexpr int kScrollWidth = 16;
constexpr int kIndicatorWidth = 12;
constexpr int kBorder = 2;

bool Editing(const db::TDataSet* ds) {
  return ds && (ds->State() == db::dsEdit || ds->State() == db::dsInsert);
}

// Characters a field's values usually need, for a column of no set width.
int DisplayChars(const db::TField* f) {
  switch (f->DataType()) {
    case db::ftString:
      return std::clamp(f->Size(), 4, 25);
    case db::ftBoolean:
      return 5;
    case db::ftDate:
    case db::ftTime:
      return 10;
    case db::ftDateTime:
      return 18;
    default:
      return db::IsIntegerType(f->DataType()) ? 7 : 10;
  }
}

}  // namespace

// ---------------------------------------------------------------- data link

class TGridDataLink : public db::TDataLink {
 public:
  explicit TGridDataLink(TDBGrid* grid) : grid_(grid) {}

 protected:
  void ActiveChanged() override { grid_->LinkChanged(); }
  void EditingChanged() override { grid_->LinkChanged(); }
  void DataSetChanged() override { grid_->LinkChanged(); }
  void DataSetScrolled() override { grid_->LinkChanged(); }
  void RecordChanged(db::TField*) override { grid_->Invalidate(); }
  void UpdateData() override { grid_->UpdateData(); }

 private:
  TDBGrid* grid_;
};

// ---------------------------------------------------------------- columns

TColumn* TDBGridColumns::Add() {
  items_.push_back(std::make_unique<TColumn>());
  grid_->LinkChanged();
  return items_.back().get();
}

TColumn* TDBGridColumns::Add(const std::string& fieldName, const std::string& title, int width) {
  auto column = std::make_unique<TColumn>();
  column->SetFieldName(fieldName);
  column->Title()->SetCaption(title.empty() ? fieldName : title);
  column->SetWidth(width);
  items_.push_back(std::move(column));
  grid_->LinkChanged();
  return items_.back().get();
}

void TDBGridColumns::Clear() {
  items_.clear();
  grid_->LinkChanged();
}

// ---------------------------------------------------------------- in-place editor

TInplaceEdit::TInplaceEdit(TDBGrid* grid) : TCustomEdit(grid), grid_(grid) {
  SetVisible(false);
  SetParent(grid);
}

bool TInplaceEdit::WantsKey(unsigned short key, TShiftState shift) const {
  // The grid's keys never reach the form's default or cancel buttons.
  return key == win::VK_RETURN || key == win::VK_ESCAPE || key == win::VK_PRIOR ||
         key == win::VK_NEXT || TCustomEdit::WantsKey(key, shift);
}

void TInplaceEdit::KeyDown(unsigned short& key, TShiftState shift) {
  switch (key) {
    case win::VK_UP:
    case win::VK_DOWN:
    case win::VK_PRIOR:
    case win::VK_NEXT:
    case win::VK_RETURN:
    case win::VK_ESCAPE:
    case win::VK_TAB:
    case win::VK_F2:
    case win::VK_INSERT:
      grid_->KeyDown(key, shift);
      return;
    default:
      TCustomEdit::KeyDown(key, shift);
  }
}

void TInplaceEdit::WndProc(TMessage& m) {
  if (m.Msg == win::WM_KILLFOCUS) focusTo_ = reinterpret_cast<win::HWND>(m.WParam);
  TCustomEdit::WndProc(m);
  focusTo_ = {};
}

void TInplaceEdit::DoExit() {
  TCustomEdit::DoExit();
  if (grid_->hiding_) return;
  // Focus gone to another control of the form: the text goes into the field (the record is
  // posted on leaving it). A message box or another form taking the focus leaves the editor be.
  TWinControl* to = focusTo_ ? TWinControl::FindControl(focusTo_) : nullptr;
  if (!to || to->GetParentForm() != GetParentForm()) return;
  try {
    grid_->UpdateData();
    grid_->HideEditor();
  } catch (const std::exception&) {
    // A text the field cannot take stays in the editor, to be mended or cancelled.
  }
}

// ---------------------------------------------------------------- grid

TDBGrid::TDBGrid(rtl::TComponent* AOwner)
    : TCustomControl(AOwner), columns_(this), link_(std::make_unique<TGridDataLink>(this)) {
  SetTabStop(true);
  SetColor(clWindow);
  SetBounds(0, 0, 320, 120);
  scrollBar_ = new TScrollBar(this);
  scrollBar_->SetKind(sbVertical);
  scrollBar_->SetVisible(false);
  scrollBar_->SetTabStop(false);
  scrollBar_->SetParent(this);
  scrollBar_->OnChange = rtl::MakeEvent(this, &TDBGrid::ScrollBarChanged);
  hscroll_ = new TScrollBar(this);
  hscroll_->SetKind(sbHorizontal);
  hscroll_->SetVisible(false);
  hscroll_->SetTabStop(false);
  hscroll_->SetParent(this);
  hscroll_->OnChange = rtl::MakeEvent(this, &TDBGrid::HorzScrollBarChanged);
  editor_ = new TInplaceEdit(this);
}

TDBGrid::~TDBGrid() {
  link_->SetDataSource(nullptr);
}

db::TDataSource* TDBGrid::DataSource() const {
  return link_->DataSource();
}

void TDBGrid::SetDataSource(db::TDataSource* v) {
  link_->SetDataSource(v);
  LinkChanged();
}

void TDBGrid::SetOptions(TDBGridOptions v) {
  options_ = v;
  LinkChanged();
}

db::TDataSet* TDBGrid::ActiveDataSet() const {
  if (!link_ || !link_->Active() || !link_->DataSource()->Enabled()) return nullptr;
  return link_->DataSet();
}

int TDBGrid::ColumnCount() const {
  if (columns_.Count() > 0) return columns_.Count();
  db::TDataSet* ds = ActiveDataSet();
  return ds ? ds->FieldCount() : 0;
}

db::TField* TDBGrid::ColumnField(int col) const {
  db::TDataSet* ds = ActiveDataSet();
  if (!ds || col < 0 || col >= ColumnCount()) return nullptr;
  if (columns_.Count() == 0) return ds->Fields(col);
  return ds->FindField(columns_.Items(col)->FieldName());
}

std::string TDBGrid::ColumnTitle(int col) const {
  if (columns_.Count() > 0) {
    const TColumn* c = columns_.Items(col);
    return c->Title()->Caption().empty() ? c->FieldName() : c->Title()->Caption();
  }
  db::TField* f = ColumnField(col);
  return f ? f->FieldName() : std::string();
}

int TDBGrid::ColumnWidth(int col) const {
  if (columns_.Count() > 0 && columns_.Items(col)->Width() > 0) return columns_.Items(col)->Width();
  const int titleWidth = MeasureText(Font(), ColumnTitle(col), false).cx;
  db::TField* f = ColumnField(col);
  const int valueWidth = f ? DisplayChars(f) * MeasureText(Font(), "0", false).cx : 0;
  return std::max({titleWidth, valueWidth, 16}) + 4;
}

int TDBGrid::RowHeight() const {
  return MeasureText(Font(), "Wg", false).cy + 4;
}
int TDBGrid::TitleHeight() const {
  return (options_ & dgTitles) ? RowHeight() : 0;
}
int TDBGrid::IndicatorWidth() const {
  return (options_ & dgIndicator) ? kIndicatorWidth : 0;
}

int TDBGrid::DataRight() const {
  return Width() - kBorder - (scrollBar_->Visible() ? kScrollWidth : 0);
}

int TDBGrid::DataBottom() const {
  return Height() - kBorder - (hscroll_->Visible() ? kScrollWidth : 0);
}

int TDBGrid::VisibleRowCount() const {
  return std::max((DataBottom() - kBorder - TitleHeight()) / RowHeight(), 1);
}

int TDBGrid::ColumnLeft(int col) const {
  // Columns left of the first one shown lie left of the indicator.
  int x = kBorder + IndicatorWidth();
  for (int i = leftCol_; i < col; ++i) x += ColumnWidth(i) + 1;
  for (int i = col; i < leftCol_; ++i) x -= ColumnWidth(i) + 1;
  return x;
}

int TDBGrid::ColumnsWidth() const {
  int w = 0;
  for (int i = 0; i < ColumnCount(); ++i) w += ColumnWidth(i) + 1;
  return w;
}

int TDBGrid::ColumnAt(int x) const {
  int left = kBorder + IndicatorWidth();
  if (x < left) return -1;
  for (int i = leftCol_; i < ColumnCount(); ++i) {
    left += ColumnWidth(i) + 1;
    if (x < left) return i;
  }
  return -2;  // right of the last column
}

TRect TDBGrid::CellRect(int row, int col) const {
  const int y = kBorder + TitleHeight() + (row - top_) * RowHeight();
  const int x = ColumnLeft(col);
  return TRect{x, y, x + ColumnWidth(col), y + RowHeight() - 1};
}

int TDBGrid::RowCount() const {
  db::TDataSet* ds = ActiveDataSet();
  if (!ds) return 0;
  return ds->RecordCount() + (ds->State() == db::dsInsert ? 1 : 0);
}

int TDBGrid::CurrentRow() const {
  db::TDataSet* ds = ActiveDataSet();
  if (!ds) return -1;
  if (ds->State() == db::dsInsert) return ds->RecordCount();
  return ds->RecNo() - 1;
}

std::string TDBGrid::CellText(int row, int col) {
  db::TDataSet* ds = ActiveDataSet();
  db::TField* f = ColumnField(col);
  if (!ds || !f || row < 0) return "";
  if (row == CurrentRow()) return f->AsString();
  if (row >= ds->RecordCount()) return "";
  return f->TextOf(ds->RecordAt(row).at(static_cast<size_t>(f->Index())));
}

void TDBGrid::SetSelectedIndex(int v) {
  v = std::clamp(v, 0, std::max(ColumnCount() - 1, 0));
  if (v == col_) return;
  col_ = v;
  MakeColVisible();
  if (OnColEnter) OnColEnter(this);
  Invalidate();
}

// ---- following the data set

void TDBGrid::LinkChanged() {
  if (!scrollBar_ || !editor_) return;  // still being built
  db::TDataSet* ds = ActiveDataSet();
  if (col_ >= ColumnCount()) col_ = std::max(ColumnCount() - 1, 0);
  leftCol_ = std::min(leftCol_, col_);
  if (!ds) selectedRows_.clear();
  // The editor goes when the record it edits is left or no longer edited.
  if (editor_->Visible() && (!Editing(ds) || editorRow_ != CurrentRow())) HideEditor();
  UpdateScrollBar();
  ScrollToCurrent();
  PlaceEditor();
  Invalidate();
}

void TDBGrid::ScrollToCurrent() {
  const int rows = RowCount();
  const int visible = VisibleRowCount();
  const int current = CurrentRow();
  if (current >= 0) {
    if (current < top_) top_ = current;
    if (current >= top_ + visible) top_ = current - visible + 1;
  }
  top_ = std::clamp(top_, 0, std::max(rows - visible, 0));
}

void TDBGrid::UpdateScrollBar() {
  // Each bar takes room from the other's direction, so the second decision may change the first.
  const int rows = RowCount();
  const int room = Width() - 2 * kBorder - IndicatorWidth();
  bool vert = false, horz = false;
  for (int pass = 0; pass < 2; ++pass) {
    horz = ColumnsWidth() > room - (vert ? kScrollWidth : 0);
    hscroll_->SetVisible(horz);
    vert = rows > VisibleRowCount();
  }
  scrollBar_->SetBounds(Width() - kBorder - kScrollWidth, kBorder, kScrollWidth,
                        std::max(Height() - 2 * kBorder - (horz ? kScrollWidth : 0), 0));
  scrollBar_->SetVisible(vert);
  hscroll_->SetBounds(kBorder, Height() - kBorder - kScrollWidth,
                      std::max(Width() - 2 * kBorder - (vert ? kScrollWidth : 0), 0), kScrollWidth);
  syncing_ = true;
  if (vert) {
    scrollBar_->SetParams(std::max(CurrentRow(), 0), 0, rows - 1);
    scrollBar_->SetLargeChange(std::max(VisibleRowCount() - 1, 1));
  }
  if (horz) hscroll_->SetParams(leftCol_, 0, std::max(ColumnCount() - 1, 0));
  syncing_ = false;
}

void TDBGrid::ScrollBarChanged(rtl::TObject*) {
  if (syncing_) return;
  MoveRow(scrollBar_->Position() - CurrentRow());
}

void TDBGrid::HorzScrollBarChanged(rtl::TObject*) {
  if (syncing_) return;
  leftCol_ = std::clamp(hscroll_->Position(), 0, std::max(ColumnCount() - 1, 0));
  PlaceEditor();
  Invalidate();
}

void TDBGrid::MakeColVisible() {
  if (col_ < leftCol_) leftCol_ = col_;
  while (leftCol_ < col_ && ColumnLeft(col_) + ColumnWidth(col_) > DataRight()) ++leftCol_;
  if (hscroll_->Visible()) {
    syncing_ = true;
    hscroll_->SetPosition(leftCol_);
    syncing_ = false;
  }
}

void TDBGrid::Resize() {
  TCustomControl::Resize();
  if (!scrollBar_ || !editor_) return;
  UpdateScrollBar();
  ScrollToCurrent();
  MakeColVisible();
  PlaceEditor();
}

// ---- editing

bool TDBGrid::EditorMode() const {
  return editor_->Visible();
}

void TDBGrid::SetEditorMode(bool v) {
  if (v) {
    ShowEditor(nullptr);
  } else {
    UpdateData();
    HideEditor();
  }
}

bool TDBGrid::CanEditCell() const {
  db::TDataSet* ds = ActiveDataSet();
  db::TField* f = SelectedField();
  return ds && f && (options_ & dgEditing) && !readOnly_ && !f->ReadOnly() && ds->CanModify();
}

void TDBGrid::PlaceEditor() {
  if (!editor_->Visible()) return;
  TRect r = CellRect(editorRow_, col_);
  r.right = std::min(r.right, DataRight());
  editor_->SetBounds(r.left - 1, r.top - 1, r.Width() + 2, r.Height() + 2);
}

void TDBGrid::ShowEditor(const std::string* initial) {
  if (editor_->Visible() || !CanEditCell()) return;
  db::TDataSet* ds = ActiveDataSet();
  if (!Editing(ds)) ds->Edit();  // an empty data set starts a new record
  db::TField* f = SelectedField();
  editorRow_ = CurrentRow();
  ScrollToCurrent();
  editor_->SetText(initial ? *initial : f->AsString());
  editor_->SetModified(false);
  editor_->SetVisible(true);
  PlaceEditor();
  if (Showing()) editor_->SetFocus();
  if (initial) {
    editor_->SetSelStart(static_cast<int>(initial->size()));
    editor_->SetSelLength(0);
  } else {
    editor_->SelectAll();
  }
  Invalidate();
}

void TDBGrid::HideEditor() {
  if (!editor_->Visible()) return;
  hiding_ = true;
  const bool hadFocus = editor_->Focused();
  editor_->SetVisible(false);
  if (hadFocus && Showing()) SetFocus();
  hiding_ = false;
  editorRow_ = -1;
  Invalidate();
}

void TDBGrid::UpdateData() {
  if (!editor_->Visible()) return;
  db::TDataSet* ds = ActiveDataSet();
  db::TField* f = SelectedField();
  if (!Editing(ds) || !f) return;
  const std::string text = editor_->Text();
  if (text != f->AsString()) f->SetAsString(text);  // a text the field cannot take raises
}

void TDBGrid::MoveRow(int distance) {
  db::TDataSet* ds = ActiveDataSet();
  if (!ds || distance == 0) return;
  UpdateData();
  HideEditor();
  if (ds->State() == db::dsInsert) {
    if (!ds->Modified()) {
      // An untouched new row goes away; moving up from it lands on the record before it.
      ds->Cancel();
      if (distance > 0) return;
      ++distance;
    } else {
      ds->Post();
    }
  }
  if (distance > 0 && ds->RecNo() >= ds->RecordCount()) {
    ds->CheckBrowseMode();
    // Down past the last row appends a record.
    if (distance == 1 && (options_ & dgEditing) && !readOnly_ && ds->CanModify()) ds->Append();
    return;
  }
  if (distance != 0) ds->MoveBy(distance);
}

void TDBGrid::MoveCol(int col) {
  if (ColumnCount() == 0) return;
  const bool editing = editor_->Visible();
  if (editing) {
    UpdateData();
    HideEditor();
  }
  SetSelectedIndex(col);
}

void TDBGrid::PostOrCancelFromKeys(bool post) {
  db::TDataSet* ds = ActiveDataSet();
  if (!ds) return;
  if (post) {
    UpdateData();
    HideEditor();
    ds->CheckBrowseMode();  // posts when something changed
  } else {
    HideEditor();
    ds->Cancel();
  }
}

bool TDBGrid::WantsKey(unsigned short key, TShiftState) const {
  switch (key) {
    case win::VK_UP:
    case win::VK_DOWN:
    case win::VK_LEFT:
    case win::VK_RIGHT:
    case win::VK_PRIOR:
    case win::VK_NEXT:
    case win::VK_RETURN:
      return true;
    case win::VK_ESCAPE:
      return Editing(ActiveDataSet()) || editor_->Visible();
    default:
      return false;
  }
}

void TDBGrid::KeyDown(unsigned short& key, TShiftState shift) {
  TCustomControl::KeyDown(key, shift);
  db::TDataSet* ds = ActiveDataSet();
  if (!ds || key == 0) return;
  const bool ctrl = shift & ssCtrl;
  switch (key) {
    case win::VK_UP:
      MoveRow(-1);
      break;
    case win::VK_DOWN:
      MoveRow(1);
      break;
    case win::VK_PRIOR:
      MoveRow(-VisibleRowCount());
      break;
    case win::VK_NEXT:
      MoveRow(VisibleRowCount());
      break;
    case win::VK_LEFT:
      MoveCol(col_ - 1);
      break;
    case win::VK_RIGHT:
      MoveCol(col_ + 1);
      break;
    case win::VK_HOME:
      if (ctrl) {
        MoveRow(-ds->RecordCount());
      } else {
        MoveCol(0);
      }
      break;
    case win::VK_END:
      if (ctrl) {
        MoveRow(ds->RecordCount() - ds->RecNo());
      } else {
        MoveCol(ColumnCount() - 1);
      }
      break;
    case win::VK_TAB:
      if (shift & ssShift) {
        if (col_ == 0) return;  // leaves the grid
        MoveCol(col_ - 1);
      } else {
        if (col_ >= ColumnCount() - 1) return;
        MoveCol(col_ + 1);
      }
      break;
    case win::VK_RETURN:
      if (editor_->Visible() || Editing(ds))
        PostOrCancelFromKeys(true);
      else
        ShowEditor(nullptr);
      break;
    case win::VK_ESCAPE:
      if (!editor_->Visible() && !Editing(ds)) return;
      PostOrCancelFromKeys(false);
      break;
    case win::VK_F2:
      SetEditorMode(!editor_->Visible());
      break;
    case win::VK_INSERT:
      if (!(options_ & dgEditing) || readOnly_ || !ds->CanModify()) return;
      UpdateData();
      HideEditor();
      ds->Insert();
      break;
    case win::VK_DELETE:
      if (!ctrl || editor_->Visible() || !(options_ & dgEditing) || readOnly_ || !ds->CanModify() ||
          ds->IsEmpty())
        return;
      if ((options_ & dgConfirmDelete) &&
          MessageDlg("Delete record?", mtConfirmation, mbOKCancel) != mrOk)
        break;
      ds->Delete();
      break;
    default:
      return;
  }
  key = 0;
}

void TDBGrid::KeyPress(char& key) {
  TCustomControl::KeyPress(key);
  const auto c = static_cast<unsigned char>(key);
  if (c < 32 || c == 127 || editor_->Visible() || !CanEditCell()) return;
  // Typing starts the editor with the typed character in place of the value.
  const std::string initial(1, key);
  key = 0;
  ShowEditor(&initial);
}

void TDBGrid::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  const bool wasFocused = Focused() || editor_->Focused();
  TCustomControl::MouseDown(button, shift, x, y);
  db::TDataSet* ds = ActiveDataSet();
  if (button != mbLeft || !ds) return;
  if (!Focused() && !editor_->Focused() && CanFocus()) SetFocus();
  const int dataTop = kBorder + TitleHeight();
  if (y < dataTop || y >= DataBottom() || x >= DataRight()) return;
  const int row = top_ + (y - dataTop) / RowHeight();
  const int col = ColumnAt(x);
  if (row >= RowCount() || col == -2) return;
  if ((options_ & dgMultiSelect) && (shift & ssCtrl) && row < ds->RecordCount()) {
    auto it = std::find(selectedRows_.begin(), selectedRows_.end(), row);
    if (it == selectedRows_.end())
      selectedRows_.push_back(row);
    else
      selectedRows_.erase(it);
  } else if (options_ & dgMultiSelect) {
    selectedRows_.clear();
  }
  if (row == CurrentRow() && col == col_ && wasFocused) {
    ShowEditor(nullptr);  // a click on the cell cursor edits
    return;
  }
  MoveRow(row - CurrentRow());
  if (col >= 0) MoveCol(col);
  Invalidate();
}

void TDBGrid::WndProc(TMessage& m) {
  if (m.Msg == win::WM_MOUSEWHEEL) {
    MoveRow(-win::GET_WHEEL_DELTA_WPARAM(m.WParam) / win::WHEEL_DELTA);
    return;
  }
  TCustomControl::WndProc(m);
}

// ---- painting

void TDBGrid::DrawIndicator(TCanvas* c, const TRect& r, db::TDataSetState state) {
  const int cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;
  c->Pen()->SetColor(clBlack);
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(clBlack);
  if (state == db::dsEdit) {
    // An I-beam: the record is being edited.
    c->MoveTo(cx, cy - 4);
    c->LineTo(cx, cy + 5);
    c->MoveTo(cx - 2, cy - 4);
    c->LineTo(cx + 3, cy - 4);
    c->MoveTo(cx - 2, cy + 4);
    c->LineTo(cx + 3, cy + 4);
  } else if (state == db::dsInsert) {
    // An asterisk: a new record.
    c->MoveTo(cx, cy - 4);
    c->LineTo(cx, cy + 5);
    c->MoveTo(cx - 3, cy - 2);
    c->LineTo(cx + 4, cy + 3);
    c->MoveTo(cx - 3, cy + 2);
    c->LineTo(cx + 4, cy - 3);
  } else {
    c->Polygon({TPoint{cx - 2, cy - 4}, TPoint{cx + 2, cy}, TPoint{cx - 2, cy + 4}});
  }
}

void TDBGrid::Paint() {
  TCanvas* c = Canvas();
  TRect inside = DrawField(c, ClientRect(), Color(), Enabled());
  if (scrollBar_->Visible() && hscroll_->Visible()) {
    // The corner between the two bars.
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(clBtnFace);
    c->FillRect(TRect{DataRight(), DataBottom(), inside.right, inside.bottom});
  }
  inside.right = DataRight();
  inside.bottom = DataBottom();
  const int saved = gdi::SaveDC(c->Handle());
  gdi::IntersectClipRect(c->Handle(), inside.left, inside.top, inside.right, inside.bottom);
  db::TDataSet* ds = ActiveDataSet();
  const int columns = ColumnCount();
  const int rowH = RowHeight();
  const int lastX = ColumnLeft(columns);
  const bool focused = Focused() || editor_->Focused();

  if (options_ & dgTitles) {
    const TRect ind{inside.left, inside.top, inside.left + IndicatorWidth(),
                    inside.top + TitleHeight()};
    if (IndicatorWidth() > 0) DrawButtonFace(c, ind, false, false);
    for (int col = leftCol_; col < columns; ++col) {
      const int x = ColumnLeft(col);
      if (x >= inside.right) break;
      TRect cell{x, inside.top, x + ColumnWidth(col) + 1, inside.top + TitleHeight()};
      DrawButtonFace(c, cell, false, false);
      c->Brush()->SetStyle(bsClear);
      c->Font()->Assign(Font());
      c->TextRect(TRect{cell.left + 1, cell.top + 1, cell.right - 2, cell.bottom - 1},
                  cell.left + 2, cell.top + 2, ColumnTitle(col));
    }
  }

  const int rows = RowCount();
  const int current = CurrentRow();
  const int last = std::min(rows, top_ + VisibleRowCount() + 1);
  for (int row = top_; ds && row < last; ++row) {
    const int y = inside.top + TitleHeight() + (row - top_) * rowH;
    if (IndicatorWidth() > 0) {
      const TRect ind{inside.left, y, inside.left + IndicatorWidth(), y + rowH};
      DrawButtonFace(c, ind, false, false);
      if (row == current) DrawIndicator(c, ind, ds->State());
    }
    db::Record stored;
    const bool isCurrent = row == current;
    if (!isCurrent && row < ds->RecordCount()) stored = ds->RecordAt(row);
    const bool picked =
        std::find(selectedRows_.begin(), selectedRows_.end(), row) != selectedRows_.end();
    for (int col = leftCol_; col < columns; ++col) {
      const int x = ColumnLeft(col);
      if (x >= inside.right) break;
      const TRect cell{x, y, x + ColumnWidth(col), y + rowH - 1};
      const bool cursor = isCurrent && col == col_ && focused && !editor_->Visible();
      const bool highlight = cursor || picked;
      c->Brush()->SetStyle(bsSolid);
      c->Brush()->SetColor(highlight ? clHighlight : Color());
      c->FillRect(TRect{cell.left, cell.top, cell.right, cell.bottom});
      db::TField* f = ColumnField(col);
      std::string text;
      if (f) {
        if (isCurrent)
          text = f->AsString();
        else if (static_cast<size_t>(f->Index()) < stored.size())
          text = f->TextOf(stored[static_cast<size_t>(f->Index())]);
      }
      c->Font()->Assign(Font());
      c->Font()->SetColor(highlight ? clHighlightText : Font()->Color());
      c->Brush()->SetStyle(bsClear);
      // Numbers line up on the right, text on the left.
      int tx = cell.left + 2;
      if (f && (db::IsIntegerType(f->DataType()) || db::IsFloatType(f->DataType())))
        tx = cell.right - 2 - c->TextWidth(text);
      c->TextRect(cell, tx, cell.top + 2, text);
      if (cursor) {
        c->Brush()->SetColor(Color());
        c->DrawFocusRect(cell);
      }
      c->Pen()->SetColor(clSilver);
      if (options_ & dgColLines) {
        c->MoveTo(cell.right, cell.top);
        c->LineTo(cell.right, cell.bottom + 1);
      }
    }
    if (options_ & dgRowLines) {
      c->Pen()->SetColor(clSilver);
      c->MoveTo(inside.left + IndicatorWidth(), y + rowH - 1);
      c->LineTo(lastX, y + rowH - 1);
    }
  }
  gdi::RestoreDC(c->Handle(), saved);
}

}  // namespace vcl
