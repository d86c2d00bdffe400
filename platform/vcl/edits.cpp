#include "platform/vcl/edits.h"

#include <algorithm>
#include <cstdio>

#include "platform/rtl/streams.h"
#include "platform/vcl/classic.h"
#include "platform/vcl/clipboard.h"

namespace vcl {

// ---------------------------------------------------------------- TCustomEdit

TCustomEdit::TCustomEdit(rtl::TComponent* AOwner) : TCustomControl(AOwner) {
  SetTabStop(true);
  SetColor(clWindow);
  SetCursor(crIBeam);
  SetBounds(0, 0, 121, 21);
}

void TCustomEdit::SetText(const std::string& v) {
  if (v == Text()) return;
  TCustomControl::SetText(v);
  caret_ = anchor_ = 0;
  scroll_ = 0;
  Change();
}

void TCustomEdit::Change() {
  Invalidate();
  if (OnChange) OnChange(this);
}

void TCustomEdit::SetPasswordChar(char v) {
  passwordChar_ = v;
  Invalidate();
}

int TCustomEdit::SelStart() const {
  return std::min(caret_, anchor_);
}
int TCustomEdit::SelLength() const {
  return std::abs(caret_ - anchor_);
}

void TCustomEdit::SetSelStart(int v) {
  caret_ = anchor_ = std::clamp(v, 0, static_cast<int>(Text().size()));
  ScrollToCaret();
  Invalidate();
}

void TCustomEdit::SetSelLength(int v) {
  anchor_ = SelStart();
  caret_ = std::clamp(anchor_ + v, 0, static_cast<int>(Text().size()));
  Invalidate();
}

std::string TCustomEdit::SelText() const {
  return Text().substr(static_cast<size_t>(SelStart()), static_cast<size_t>(SelLength()));
}

void TCustomEdit::SetSelText(const std::string& v) {
  std::string t = Text();
  int start = SelStart();
  std::string ins = v;
  if (maxLength_ > 0) {
    int room = maxLength_ - (static_cast<int>(t.size()) - SelLength());
    if (room < static_cast<int>(ins.size())) ins.resize(static_cast<size_t>(std::max(room, 0)));
  }
  t.replace(static_cast<size_t>(start), static_cast<size_t>(SelLength()), ins);
  TCustomControl::SetText(t);
  caret_ = anchor_ = start + static_cast<int>(ins.size());
  modified_ = true;
  ScrollToCaret();
  Change();
}

void TCustomEdit::SelectAll() {
  anchor_ = 0;
  caret_ = static_cast<int>(Text().size());
  Invalidate();
}

void TCustomEdit::CopyToClipboard() {
  if (passwordChar_ == 0 && SelLength() > 0) Clipboard()->SetAsText(SelText());
}

void TCustomEdit::CutToClipboard() {
  if (readOnly_) return;
  CopyToClipboard();
  ClearSelection();
}

void TCustomEdit::PasteFromClipboard() {
  if (readOnly_) return;
  std::string t = Clipboard()->AsText();
  t.erase(std::remove_if(t.begin(), t.end(), [](char c) { return c == '\r' || c == '\n'; }),
          t.end());
  SetSelText(t);
}

std::string TCustomEdit::Shown() const {
  return passwordChar_ ? std::string(Text().size(), passwordChar_) : Text();
}

int TCustomEdit::PosAt(int x) const {
  std::string s = Shown();
  int target = x - 3 + scroll_;
  int best = 0;
  for (int i = 1; i <= static_cast<int>(s.size()); ++i) {
    int w = MeasureText(Font(), s.substr(0, static_cast<size_t>(i)), false).cx;
    int prev = MeasureText(Font(), s.substr(0, static_cast<size_t>(i - 1)), false).cx;
    if (target >= (w + prev) / 2)
      best = i;
    else
      break;
  }
  return best;
}

void TCustomEdit::ScrollToCaret() {
  int x = MeasureText(Font(), Shown().substr(0, static_cast<size_t>(caret_)), false).cx;
  int room = std::max(Width() - 6 - ButtonWidth(), 1);
  if (x - scroll_ > room) scroll_ = x - room;
  if (x < scroll_) scroll_ = x;
}

void TCustomEdit::MoveCaret(int pos, bool extend) {
  caret_ = std::clamp(pos, 0, static_cast<int>(Text().size()));
  if (!extend) anchor_ = caret_;
  ScrollToCaret();
  Invalidate();
}

bool TCustomEdit::WantsKey(unsigned short key, TShiftState) const {
  return key == win::VK_LEFT || key == win::VK_RIGHT || key == win::VK_UP || key == win::VK_DOWN;
}

void TCustomEdit::DoEnter() {
  if (autoSelect_ && !(ControlState() & csLButtonDown)) SelectAll();
  TCustomControl::DoEnter();
}

void TCustomEdit::KeyDown(unsigned short& key, TShiftState shift) {
  TCustomControl::KeyDown(key, shift);
  bool ext = shift & ssShift;
  int len = static_cast<int>(Text().size());
  switch (key) {
    case win::VK_LEFT:
      MoveCaret(caret_ - 1, ext);
      break;
    case win::VK_RIGHT:
      MoveCaret(caret_ + 1, ext);
      break;
    case win::VK_HOME:
      MoveCaret(0, ext);
      break;
    case win::VK_END:
      MoveCaret(len, ext);
      break;
    case win::VK_DELETE:
      if (readOnly_) break;
      if (SelLength() == 0) {
        if (caret_ >= len) break;
        anchor_ = caret_ + 1;
      }
      ClearSelection();
      break;
    case win::VK_BACK:
      if (readOnly_) break;
      if (SelLength() == 0) {
        if (caret_ == 0) break;
        anchor_ = caret_ - 1;
      }
      ClearSelection();
      break;
    case 'A':
      if (shift & ssCtrl)
        SelectAll();
      else
        return;
      break;
    case 'C':
      if (shift & ssCtrl)
        CopyToClipboard();
      else
        return;
      break;
    case 'X':
      if (shift & ssCtrl)
        CutToClipboard();
      else
        return;
      break;
    case 'V':
      if (shift & ssCtrl)
        PasteFromClipboard();
      else
        return;
      break;
    default:
      return;
  }
  key = 0;
}

void TCustomEdit::KeyPress(char& key) {
  TCustomControl::KeyPress(key);
  auto c = static_cast<unsigned char>(key);
  if (c < 32 || c == 127 || readOnly_) return;
  SetSelText(std::string(1, key));
}

void TCustomEdit::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TCustomControl::MouseDown(button, shift, x, y);
  if (button == mbLeft) MoveCaret(PosAt(x), shift & ssShift);
}

void TCustomEdit::MouseMove(TShiftState shift, int x, int y) {
  TCustomControl::MouseMove(shift, x, y);
  if (ControlState() & csLButtonDown) MoveCaret(PosAt(x), true);
}

void TCustomEdit::Paint() {
  TCanvas* c = Canvas();
  TRect r = DrawField(c, ClientRect(), Color(), Enabled());
  r.right -= ButtonWidth();
  std::string s = Shown();
  int th = MeasureText(Font(), "0", false).cy;
  int y = (Height() - th) / 2;
  int x0 = 3 - scroll_;
  int clipSaved = gdi::SaveDC(c->Handle());
  gdi::IntersectClipRect(c->Handle(), r.left, r.top, r.right, r.bottom);
  c->Font()->SetColor(Enabled() ? Font()->Color() : clGrayText);
  c->Brush()->SetStyle(bsClear);
  c->TextOut(x0, y, s);
  if (Focused() && SelLength() > 0) {
    int a = MeasureText(Font(), s.substr(0, static_cast<size_t>(SelStart())), false).cx;
    std::string sel = s.substr(static_cast<size_t>(SelStart()), static_cast<size_t>(SelLength()));
    c->Brush()->SetColor(clHighlight);
    c->Font()->SetColor(clHighlightText);
    c->TextOut(x0 + a, y, sel);
  }
  if (Focused()) {
    int cx = x0 + MeasureText(Font(), s.substr(0, static_cast<size_t>(caret_)), false).cx;
    c->Pen()->SetColor(clWindowText);
    c->MoveTo(cx, y);
    c->LineTo(cx, y + th);
  }
  gdi::RestoreDC(c->Handle(), clipSaved);
}

// ---------------------------------------------------------------- TMemo

TMemo::TMemo(rtl::TComponent* AOwner) : TMemo(AOwner, std::make_unique<rtl::TStringList>()) {}

TMemo::TMemo(rtl::TComponent* AOwner, std::unique_ptr<rtl::TStringList> lines)
    : TCustomControl(AOwner), lines_(std::move(lines)) {
  lines_->OnChange = rtl::MakeEvent(this, &TMemo::LinesChanged);
  SetTabStop(true);
  SetColor(clWindow);
  SetCursor(crIBeam);
  SetBounds(0, 0, 185, 89);
}

TMemo::~TMemo() {
  lines_->OnChange = nullptr;
}

void TMemo::LinesChanged(rtl::TObject*) {
  int n = lines_->Count();
  if (!editing_ && line_ >= n) {
    line_ = std::max(n - 1, 0);
    col_ = 0;
  }
  if (!editing_) {
    allSelected_ = false;
    // New text shows its end, as an appended log line should.
    int vis = VisibleLines();
    if (n > vis) top_ = std::max(top_, 0);
    if (top_ > std::max(n - 1, 0)) top_ = std::max(n - vis, 0);
  }
  Change();
}

void TMemo::Change() {
  Invalidate();
  if (OnChange) OnChange(this);
}

std::string TMemo::GetTextAll() const {
  std::string t;
  for (int i = 0; i < lines_->Count(); ++i) {
    t += lines_->Strings(i);
    t += "\r\n";
  }
  return t;
}

void TMemo::SetText(const std::string& v) {
  lines_->SetText(v);
  line_ = col_ = top_ = 0;
}

void TMemo::SetCaretPos(TPoint p) {
  line_ = std::clamp(p.y, 0, std::max(lines_->Count() - 1, 0));
  int len = lines_->Count() ? static_cast<int>(lines_->Strings(line_).size()) : 0;
  col_ = std::clamp(p.x, 0, len);
  ScrollToCaret();
  Invalidate();
}

void TMemo::SelectAll() {
  allSelected_ = true;
  Invalidate();
}

void TMemo::CopyToClipboard() {
  if (allSelected_) Clipboard()->SetAsText(GetTextAll());
}

int TMemo::LineHeight() const {
  return std::max(MeasureText(Font(), "0", false).cy, 1);
}
int TMemo::VisibleLines() const {
  return std::max((Height() - 4) / LineHeight(), 1);
}

void TMemo::ScrollToCaret() {
  int vis = VisibleLines();
  if (line_ < top_) top_ = line_;
  if (line_ >= top_ + vis) top_ = line_ - vis + 1;
}

TColor TMemo::LineColor(int) const {
  return Font()->Color();
}

void TMemo::ReplaceLine(int i, const std::string& s) {
  editing_ = true;
  if (i >= lines_->Count())
    lines_->Add(s);
  else
    lines_->Put(i, s);
  editing_ = false;
}

bool TMemo::WantsKey(unsigned short key, TShiftState) const {
  if (key == win::VK_RETURN) return wantReturns_;
  if (key == win::VK_TAB) return wantTabs_;
  return key != win::VK_ESCAPE;
}

void TMemo::KeyDown(unsigned short& key, TShiftState shift) {
  TCustomControl::KeyDown(key, shift);
  int n = lines_->Count();
  auto lineLen = [&](int i) { return i < n ? static_cast<int>(lines_->Strings(i).size()) : 0; };
  switch (key) {
    case win::VK_UP:
      SetCaretPos(TPoint{col_, line_ - 1});
      break;
    case win::VK_DOWN:
      SetCaretPos(TPoint{col_, line_ + 1});
      break;
    case win::VK_LEFT:
      if (col_ > 0)
        SetCaretPos(TPoint{col_ - 1, line_});
      else if (line_ > 0)
        SetCaretPos(TPoint{lineLen(line_ - 1), line_ - 1});
      break;
    case win::VK_RIGHT:
      if (col_ < lineLen(line_))
        SetCaretPos(TPoint{col_ + 1, line_});
      else if (line_ + 1 < n)
        SetCaretPos(TPoint{0, line_ + 1});
      break;
    case win::VK_HOME:
      SetCaretPos(TPoint{0, line_});
      break;
    case win::VK_END:
      SetCaretPos(TPoint{lineLen(line_), line_});
      break;
    case win::VK_PRIOR:
      SetCaretPos(TPoint{col_, line_ - VisibleLines()});
      break;
    case win::VK_NEXT:
      SetCaretPos(TPoint{col_, line_ + VisibleLines()});
      break;
    case win::VK_BACK:
      if (readOnly_) break;
      if (allSelected_) {
        Clear();
        break;
      }
      if (col_ > 0) {
        std::string s = lines_->Strings(line_);
        s.erase(static_cast<size_t>(col_ - 1), 1);
        --col_;
        ReplaceLine(line_, s);
      } else if (line_ > 0) {
        std::string prev = lines_->Strings(line_ - 1);
        std::string cur = lines_->Strings(line_);
        editing_ = true;
        lines_->Delete(line_);
        editing_ = false;
        --line_;
        col_ = static_cast<int>(prev.size());
        ReplaceLine(line_, prev + cur);
      }
      ScrollToCaret();
      break;
    case win::VK_DELETE:
      if (readOnly_ || n == 0) break;
      if (allSelected_) {
        Clear();
        break;
      }
      if (col_ < lineLen(line_)) {
        std::string s = lines_->Strings(line_);
        s.erase(static_cast<size_t>(col_), 1);
        ReplaceLine(line_, s);
      } else if (line_ + 1 < n) {
        std::string next = lines_->Strings(line_ + 1);
        editing_ = true;
        lines_->Delete(line_ + 1);
        editing_ = false;
        ReplaceLine(line_, lines_->Strings(line_) + next);
      }
      break;
    case win::VK_RETURN: {
      if (readOnly_ || !wantReturns_) return;
      if (n == 0) ReplaceLine(0, "");
      std::string s = lines_->Strings(line_);
      ReplaceLine(line_, s.substr(0, static_cast<size_t>(col_)));
      editing_ = true;
      lines_->Insert(line_ + 1, s.substr(static_cast<size_t>(col_)));
      editing_ = false;
      ++line_;
      col_ = 0;
      ScrollToCaret();
      break;
    }
    case 'A':
      if (!(shift & ssCtrl)) return;
      SelectAll();
      break;
    case 'C':
      if (!(shift & ssCtrl)) return;
      CopyToClipboard();
      break;
    default:
      return;
  }
  if (key != win::VK_RETURN || !readOnly_) key = 0;
}

void TMemo::KeyPress(char& key) {
  TCustomControl::KeyPress(key);
  auto c = static_cast<unsigned char>(key);
  if (readOnly_ || c < 32 || c == 127) return;
  if (allSelected_) {
    allSelected_ = false;
    editing_ = true;
    lines_->Clear();
    editing_ = false;
    line_ = col_ = 0;
  }
  std::string s = lines_->Count() ? lines_->Strings(line_) : std::string();
  s.insert(static_cast<size_t>(col_), 1, key);
  ++col_;
  ReplaceLine(line_, s);
}

void TMemo::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TCustomControl::MouseDown(button, shift, x, y);
  if (button != mbLeft) return;
  allSelected_ = false;
  int line = top_ + (y - 2) / LineHeight();
  line = std::clamp(line, 0, std::max(lines_->Count() - 1, 0));
  std::string s = lines_->Count() ? lines_->Strings(line) : std::string();
  int col = 0;
  for (int i = 1; i <= static_cast<int>(s.size()); ++i) {
    if (MeasureText(Font(), s.substr(0, static_cast<size_t>(i)), false).cx <= x - 3)
      col = i;
    else
      break;
  }
  SetCaretPos(TPoint{col, line});
}

void TMemo::Paint() {
  TCanvas* c = Canvas();
  TRect r = DrawField(c, ClientRect(), Color(), Enabled());
  int saved = gdi::SaveDC(c->Handle());
  gdi::IntersectClipRect(c->Handle(), r.left, r.top, r.right, r.bottom);
  int lh = LineHeight();
  int n = lines_->Count();
  for (int i = top_, y = r.top; i < n && y < r.bottom; ++i, y += lh) {
    if (allSelected_ && Focused()) {
      c->Brush()->SetStyle(bsSolid);
      c->Brush()->SetColor(clHighlight);
      c->Font()->SetColor(clHighlightText);
    } else {
      c->Brush()->SetStyle(bsClear);
      c->Font()->SetColor(LineColor(i));
    }
    c->TextOut(r.left + 1, y, lines_->Strings(i));
  }
  if (Focused() && !allSelected_) {
    std::string s = line_ < n ? lines_->Strings(line_) : std::string();
    int cx = r.left + 1 + MeasureText(Font(), s.substr(0, static_cast<size_t>(col_)), false).cx;
    int cy = r.top + (line_ - top_) * lh;
    c->Pen()->SetColor(clWindowText);
    c->MoveTo(cx, cy);
    c->LineTo(cx, cy + lh);
  }
  gdi::RestoreDC(c->Handle(), saved);
}

// ---------------------------------------------------------------- TRichEdit

namespace {
// The lines of a rich edit: saving them writes the control's rich text.
class TRichEditStrings : public rtl::TStringList {
 public:
  const TRichEdit* owner = nullptr;
  void SaveToStream(rtl::TStream* stream) const override {
    if (!owner || owner->PlainText()) {
      rtl::TStringList::SaveToStream(stream);
      return;
    }
    std::string rtf = owner->RichText();
    stream->WriteBuffer(rtf.data(), static_cast<int64_t>(rtf.size()));
  }
};
}  // namespace

TRichEdit::TRichEdit(rtl::TComponent* AOwner)
    : TMemo(AOwner, std::make_unique<TRichEditStrings>()) {
  static_cast<TRichEditStrings*>(Lines())->owner = this;
}

void TRichEdit::LinesChanged(rtl::TObject* sender) {
  int n = Lines()->Count();
  // Lines added since the last change take the current colour; removed ones drop theirs.
  if (n < static_cast<int>(colors_.size())) colors_.resize(static_cast<size_t>(n));
  while (static_cast<int>(colors_.size()) < n) colors_.push_back(selAttributes_.Color());
  TMemo::LinesChanged(sender);
}

TColor TRichEdit::LineColor(int i) const {
  return i < static_cast<int>(colors_.size()) ? colors_[static_cast<size_t>(i)] : Font()->Color();
}

std::string TRichEdit::RichText() const {
  std::vector<gdi::COLORREF> table;
  auto index = [&](TColor c) {
    gdi::COLORREF rgb = gdi::ColorToRGB(c);
    auto it = std::find(table.begin(), table.end(), rgb);
    if (it != table.end()) return static_cast<int>(it - table.begin()) + 1;
    table.push_back(rgb);
    return static_cast<int>(table.size());
  };
  std::string body;
  for (int i = 0; i < Lines()->Count(); ++i) {
    body += "\\cf" + std::to_string(index(LineColor(i))) + " ";
    for (char ch : Lines()->Strings(i)) {
      if (ch == '\\' || ch == '{' || ch == '}') body += '\\';
      body += ch;
    }
    body += "\\par\r\n";
  }
  std::string rtf =
      "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 " + Font()->Name() + ";}}\r\n{\\colortbl ;";
  for (gdi::COLORREF c : table) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "\\red%u\\green%u\\blue%u;", gdi::GetRValue(c),
                  gdi::GetGValue(c), gdi::GetBValue(c));
    rtf += buf;
  }
  rtf += "}\r\n\\f0 " + body + "}\r\n";
  return rtf;
}

void TRichEdit::SaveToFile(const std::string& fileName) const {
  Lines()->SaveToFile(fileName);
}

}  // namespace vcl
