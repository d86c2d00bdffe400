#pragma once
// Text entry: single-line edits (with selection, clipboard and a caret), memos over their Lines
// and the rich edit that keeps a colour per line and saves as rich text.
#include <memory>
#include <string>
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
  void SetWordWrap(bool v) { wordWrap_ = v; }
  TScrollStyle ScrollBars() const { return scrollBars_; }
  void SetScrollBars(TScrollStyle v) {
    scrollBars_ = v;
    Invalidate();
  }
  bool WantReturns() const { return wantReturns_; }
  void SetWantReturns(bool v) { wantReturns_ = v; }
  bool WantTabs() const { return wantTabs_; }
  void SetWantTabs(bool v) { wantTabs_ = v; }
  // The caret as line and column.
  TPoint CaretPos() const { return TPoint{col_, line_}; }
  void SetCaretPos(TPoint p);
  int TopLine() const { return top_; }
  void SelectAll();
  bool AllSelected() const { return allSelected_; }
  // The selected text: everything after SelectAll, else nothing.
  std::string SelText() const { return allSelected_ ? GetTextAll() : std::string(); }
  void CopyToClipboard();
  void Clear() { lines_->Clear(); }

  rtl::TNotifyEvent OnChange;

 protected:
  // For descendants whose lines are a list of their own kind.
  TMemo(rtl::TComponent* AOwner, std::unique_ptr<rtl::TStringList> lines);
  virtual void Change();
  void Paint() override;
  void KeyDown(unsigned short& key, TShiftState shift) override;
  void KeyPress(char& key) override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  bool WantsKey(unsigned short key, TShiftState shift) const override;
  // The colour line i is drawn in (the rich edit keeps one per line).
  virtual TColor LineColor(int i) const;
  virtual void LinesChanged(rtl::TObject*);
  int LineHeight() const;
  int VisibleLines() const;

 private:
  void ReplaceLine(int i, const std::string& s);
  void ScrollToCaret();
  std::unique_ptr<rtl::TStringList> lines_;
  bool readOnly_ = false;
  bool wordWrap_ = true;
  TScrollStyle scrollBars_ = ssNone;
  bool wantReturns_ = true;
  bool wantTabs_ = false;
  bool allSelected_ = false;
  bool editing_ = false;
  int line_ = 0;
  int col_ = 0;
  int top_ = 0;
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
