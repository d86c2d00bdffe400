#pragma once
// Text entry: single-line edits (with selection, clipboard and a caret), memos over their Lines
// and the rich edit that keeps a colour per line and saves as rich text.
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/rtl/stringlist.h"
#include "platform/vcl/controls.h"

namespace vcl {

class TCustomEdit : public TCustomControl {
 public:
  explicit TCustomEdit(rtl::TComponent* AOwner);
  void SetText(const std::string& v) override;
  int MaxLength() const { return maxLength_; }
  void SetMaxLength(int v) { maxLength_ = v; }
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool v) { readOnly_ = v; }
  char PasswordChar() const { return passwordChar_; }
  void SetPasswordChar(char v);
  bool AutoSelect() const { return autoSelect_; }
  void SetAutoSelect(bool v) { autoSelect_ = v; }
  bool Modified() const { return modified_; }
  void SetModified(bool v) { modified_ = v; }
  int SelStart() const;
  void SetSelStart(int v);
  int SelLength() const;
  void SetSelLength(int v);
  std::string SelText() const;
  // Replaces the selection (typing and pasting go through here).
  void SetSelText(const std::string& v);
  void SelectAll();
  void ClearSelection() { SetSelText(""); }
  void Clear() { SetText(""); }
  void CopyToClipboard();
  void CutToClipboard();
  void PasteFromClipboard();

  rtl::TNotifyEvent OnChange;

 protected:
  virtual void Change();
  void Paint() override;
  void KeyDown(unsigned short& key, TShiftState shift) override;
  void KeyPress(char& key) override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  bool WantsKey(unsigned short key, TShiftState shift) const override;
  void DoEnter() override;
  // Width kept on the right for spin buttons and the like.
  virtual int ButtonWidth() const { return 0; }

 private:
  std::string Shown() const;
  int PosAt(int x) const;
  void MoveCaret(int pos, bool extend);
  void ScrollToCaret();
  int maxLength_ = 0;
  bool readOnly_ = false;
  char passwordChar_ = 0;
  bool autoSelect_ = true;
  bool modified_ = false;
  int caret_ = 0;
  int anchor_ = 0;
  int scroll_ = 0;
};

class TEdit : public TCustomEdit {
 public:
  explicit TEdit(rtl::TComponent* AOwner) : TCustomEdit(AOwner) {}
};

enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

// Lines of text with a caret and a selection. With WordWrap (the default) a line wider than the
// memo shows on several rows, broken after the blanks between words; the caret moves by rows,
// while Lines keep each line whole. The memo sits in a sunken edge; its scroll bars are the
// window's own, shown for ScrollBars (no horizontal one while words wrap) and greyed when there
// is nothing to scroll.
class TMemo : public TCustomControl {
 public:
  explicit TMemo(rtl::TComponent* AOwner);
  ~TMemo() override;
  rtl::TStringList* Lines() const { return lines_.get(); }
  // The lines joined with CR LF, as the original's Text.
  std::string GetTextAll() const;
  void SetText(const std::string& v) override;
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool v) { readOnly_ = v; }
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool v);
  TScrollStyle ScrollBars() const { return scrollBars_; }
  void SetScrollBars(TScrollStyle v);
  bool WantReturns() const { return wantReturns_; }
  void SetWantReturns(bool v) { wantReturns_ = v; }
  bool WantTabs() const { return wantTabs_; }
  void SetWantTabs(bool v) { wantTabs_ = v; }
  // The caret as column and line of Lines; setting it drops the selection.
  TPoint CaretPos() const;
  void SetCaretPos(TPoint p);
  // The first row shown, and the rows all lines take (more than the lines when wrapped).
  int TopLine() const { return Top(); }
  int RowCount() const;
  int CaretRow() const;
  // How far the text is scrolled sideways, in pixels (always 0 while words wrap).
  int ScrollX() const;
  // Inside the edge and the scroll bars.
  TRect ClientRect() const override;

  // The selection in characters of the text, a line break counting as its two.
  int SelStart() const;
  void SetSelStart(int v);
  int SelLength() const;
  void SetSelLength(int v);
  std::string SelText() const;
  // Replaces the selection (typing, Enter and pasting go through here); CR LF, LF or CR in the
  // text break lines.
  void SetSelText(const std::string& v);
  void SelectAll();
  void ClearSelection() { SetSelText(""); }
  void CopyToClipboard();
  void CutToClipboard();
  void PasteFromClipboard();
  void Clear();

  rtl::TNotifyEvent OnChange;

 protected:
  // For descendants whose lines are a list of their own kind.
  TMemo(rtl::TComponent* AOwner, std::unique_ptr<rtl::TStringList> lines);
  virtual void Change();
  void CreateParams(TCreateParams& params) override;
  void WndProc(TMessage& message) override;
  void Paint() override;
  void KeyDown(unsigned short& key, TShiftState shift) override;
  void KeyPress(char& key) override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void Resize() override;
  void Changed() override;
  bool WantsKey(unsigned short key, TShiftState shift) const override;
  // The colour line i is drawn in (the rich edit keeps one per line).
  virtual TColor LineColor(int i) const;
  virtual void LinesChanged(rtl::TObject*);
  int LineHeight() const;
  int VisibleLines() const;

 private:
  // A place in Lines: before character col of line. Line Count is the empty place after the last
  // line break (where a line added next goes), unless the text ends without one.
  struct TPos {
    int line = 0;
    int col = 0;
    bool operator==(const TPos&) const = default;
    bool operator<(const TPos& o) const { return line < o.line || (line == o.line && col < o.col); }
  };
  // What one screen row shows: columns [start, end) of a line.
  struct TRow {
    int line;
    int start;
    int end;
  };
  std::string Line(int i) const;
  int LineLength(int i) const;
  int LastLine() const;
  TPos Clamp(TPos p) const;
  TPos SelFirst() const { return std::min(caret_, anchor_); }
  TPos SelLast() const { return std::max(caret_, anchor_); }
  int OffsetOf(TPos p) const;
  TPos PosOf(int offset) const;
  int TextWidth() const;
  int Measure(const std::string& s, int from, int to) const;
  const std::vector<TRow>& Rows() const;
  int Top() const;
  int RowOf(TPos p) const;
  int RowEndCol(int row) const;
  int ColAtX(int row, int x) const;
  int XOf(TPos p) const;
  TPos PosAtPoint(int x, int y) const;
  void MoveCaret(TPos p, bool extend);
  void MoveToRow(int row, bool extend);
  void ScrollToCaret();
  bool HasVertBar() const { return scrollBars_ == ssVertical || scrollBars_ == ssBoth; }
  bool HasHorzBar() const {
    return !wordWrap_ && (scrollBars_ == ssHorizontal || scrollBars_ == ssBoth);
  }
  void ShowScrollBars();
  // The window's bars brought up to date with the rows, the view and the longest line.
  void UpdateScrollBars();
  int LongestLine() const;
  void ScrollRowsTo(int top);
  void ScrollSidewaysTo(int x);

  std::unique_ptr<rtl::TStringList> lines_;
  bool readOnly_ = false;
  bool wordWrap_ = true;
  TScrollStyle scrollBars_ = ssNone;
  bool wantReturns_ = true;
  bool wantTabs_ = false;
  bool editing_ = false;
  bool open_ = false;  // the text does not end with a line break (a line typed after the last)
  TPos caret_;
  TPos anchor_;
  int goalX_ = -1;  // the x that up and down keep to, -1 when taken afresh
  mutable int top_ = 0;
  mutable int scrollX_ = 0;
  mutable bool followCaret_ = false;  // bring the caret into view before the top is next used
  int linesSeen_ = 0;
  mutable std::vector<TRow> rows_;
  mutable std::unordered_map<std::string, std::vector<int>> breaks_;  // row starts by line text
  mutable bool rowsValid_ = false;
  mutable int rowsWidth_ = 0;
  mutable std::unordered_map<std::string, int> widths_;  // line widths by line text
};

// Attributes of the text typed or added next (only the colour is kept).
class TTextAttributes : public rtl::TObject {
 public:
  TColor Color() const { return color_; }
  void SetColor(TColor v) { color_ = v; }

 private:
  TColor color_ = gdi::clWindowText;
};

class TRichEdit : public TMemo {
 public:
  explicit TRichEdit(rtl::TComponent* AOwner);
  TTextAttributes* SelAttributes() { return &selAttributes_; }
  bool PlainText() const { return plainText_; }
  void SetPlainText(bool v) { plainText_ = v; }
  // Rich text with a colour table, one paragraph per line in its colour (plain text when
  // PlainText is set). Lines()->SaveToFile saves the same way, as the original's did.
  void SaveToFile(const std::string& fileName) const;
  std::string RichText() const;

 protected:
  TColor LineColor(int i) const override;
  void LinesChanged(rtl::TObject*) override;

 private:
  TTextAttributes selAttributes_;
  std::vector<TColor> colors_;
  bool plainText_ = false;
};

}  // namespace vcl
