#include "platform/vcl/edits.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string_view>
#include <unordered_map>

#include "platform/rtl/streams.h"
#include "platform/vcl/classic.h"
#include "platform/vcl/clipboard.h"
#include "platform/win/scrollbar.h"
#include "platform/win/settings.h"

namespace vcl {

namespace {

// The selection shortcuts edits and memos share: Ctrl+A, Ctrl+C, Ctrl+X, Ctrl+V, Ctrl+Insert
// (copy) and Shift+Insert (paste). True when key was one of them.
template <class Editor>
bool SelectionShortcut(Editor& e, unsigned short key, TShiftState shift) {
  const bool ctrl = shift & ssCtrl;
  if (key == win::VK_INSERT && (ctrl || (shift & ssShift))) {
    if (ctrl)
      e.CopyToClipboard();
    else
      e.PasteFromClipboard();
    return true;
  }
  if (!ctrl) return false;
  switch (key) {
    case 'A':
      e.SelectAll();
      return true;
    case 'C':
      e.CopyToClipboard();
      return true;
    case 'X':
      e.CutToClipboard();
      return true;
    case 'V':
      e.PasteFromClipboard();
      return true;
    default:
      return false;
  }
}

}  // namespace

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
    default:
      if (!SelectionShortcut(*this, key, shift)) return;
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

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

// Widths of text in one font through one device context, for measuring many pieces at once.
class TTextMeter {
 public:
  explicit TTextMeter(const TFont* font) : dc_(gdi::CreateCompatibleDC(nullptr)) {
    old_ = gdi::SelectObject(dc_, const_cast<TFont*>(font)->Handle());
  }
  ~TTextMeter() {
    gdi::SelectObject(dc_, old_);
    gdi::DeleteDC(dc_);
  }
  TTextMeter(const TTextMeter&) = delete;
  TTextMeter& operator=(const TTextMeter&) = delete;
  int Width(std::string_view s) const {
    gdi::SIZE size{0, 0};
    if (!s.empty()) gdi::GetTextExtentPoint32(dc_, s, &size);
    return size.cx;
  }

 private:
  gdi::HDC dc_;
  gdi::HGDIOBJ old_ = nullptr;
};

// Where the rows of a line start when it is wrapped to a width: after whole words while they
// fit, the blanks after a word staying on its row; a word wider than the width is cut where the
// width ends (one character at least).
std::vector<int> BreakLine(std::string_view s, int width, const TTextMeter& meter) {
  const int len = static_cast<int>(s.size());
  auto wide = [&](int from, int to) {
    return meter.Width(s.substr(static_cast<size_t>(from), static_cast<size_t>(to - from))) > width;
  };
  std::vector<int> starts{0};
  if (len == 0 || !wide(0, len)) return starts;
  int start = 0;
  while (true) {
    int end = start;
    for (int pos = start; pos < len;) {
      int word = pos;
      while (word < len && IsBlank(s[static_cast<size_t>(word)])) ++word;
      while (word < len && !IsBlank(s[static_cast<size_t>(word)])) ++word;
      if (wide(start, word)) break;
      while (word < len && IsBlank(s[static_cast<size_t>(word)])) ++word;
      end = pos = word;
    }
    if (end == start) {
      end = start + 1;
      while (end < len && !wide(start, end + 1)) ++end;
    }
    if (end >= len) return starts;
    starts.push_back(end);
    start = end;
  }
}

// Where a scroll code of a bar takes its position: a line or a page either way, the thumb's
// place, or either end.
int ScrollTarget(int code, int pos, int line, int page, int track, int last) {
  switch (code) {
    case win::SB_LINEUP:
      return pos - line;
    case win::SB_LINEDOWN:
      return pos + line;
    case win::SB_PAGEUP:
      return pos - page;
    case win::SB_PAGEDOWN:
      return pos + page;
    case win::SB_THUMBTRACK:
    case win::SB_THUMBPOSITION:
      return track;
    case win::SB_TOP:
      return 0;
    case win::SB_BOTTOM:
      return last;
    default:
      return pos;
  }
}

}  // namespace

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
  rowsValid_ = false;
  if (!editing_) {
    // Lines changed in code: the caret stays where it can and the selection goes.
    // Lines added in code leave the caret after them, at the end, and bring it into view, as a
    // log's newest line should be. Each line set in code ends with a line break.
    open_ = false;
    caret_ = lines_->Count() > linesSeen_ ? TPos{lines_->Count(), 0} : Clamp(caret_);
    anchor_ = caret_;
    goalX_ = -1;
    followCaret_ = true;
  }
  linesSeen_ = lines_->Count();
  Change();
}

void TMemo::Change() {
  Invalidate();
  if (OnChange) OnChange(this);
}

void TMemo::Resize() {
  rowsValid_ = false;
  TCustomControl::Resize();
}

void TMemo::Changed() {
  rowsValid_ = false;
  breaks_.clear();  // the font may have changed
  widths_.clear();
  TCustomControl::Changed();
}

void TMemo::SetWordWrap(bool v) {
  if (v == wordWrap_) return;
  wordWrap_ = v;
  rowsValid_ = false;
  breaks_.clear();
  scrollX_ = 0;
  ShowScrollBars();
  ScrollToCaret();
  Invalidate();
}

void TMemo::SetScrollBars(TScrollStyle v) {
  if (v == scrollBars_) return;
  scrollBars_ = v;
  ShowScrollBars();
  Invalidate();
}

void TMemo::CreateParams(TCreateParams& p) {
  TCustomControl::CreateParams(p);
  p.ExStyle |= win::WS_EX_CLIENTEDGE;
  if (HasVertBar()) p.Style |= win::WS_VSCROLL;
  if (HasHorzBar()) p.Style |= win::WS_HSCROLL;
}

TRect TMemo::ClientRect() const {
  // Worked out rather than asked of the window, so that it holds before the window exists; the
  // bars are shown whenever asked for (greyed when idle), so the window agrees.
  const int edge = 2 * win::GetSystemMetrics(win::SM_CXEDGE);
  const int w = Width() - edge - (HasVertBar() ? win::GetSystemMetrics(win::SM_CXVSCROLL) : 0);
  const int h = Height() - edge - (HasHorzBar() ? win::GetSystemMetrics(win::SM_CYHSCROLL) : 0);
  return TRect{0, 0, std::max(w, 0), std::max(h, 0)};
}

void TMemo::ShowScrollBars() {
  rowsValid_ = false;
  if (!HandleAllocated()) return;
  win::HWND h = Handle();
  win::ShowScrollBar(h, win::SB_VERT, HasVertBar());
  win::ShowScrollBar(h, win::SB_HORZ, HasHorzBar());
  UpdateScrollBars();
}

int TMemo::LongestLine() const {
  std::unordered_map<std::string, int> kept;
  std::optional<TTextMeter> meter;
  int longest = 0;
  for (int i = 0; i < lines_->Count(); ++i) {
    const std::string& s = lines_->Strings(i);
    auto it = kept.find(s);
    if (it == kept.end()) {
      auto old = widths_.find(s);
      if (old != widths_.end()) {
        it = kept.emplace(s, old->second).first;
      } else {
        if (!meter) meter.emplace(Font());
        it = kept.emplace(s, meter->Width(s)).first;
      }
    }
    longest = std::max(longest, it->second);
  }
  widths_ = std::move(kept);
  return longest;
}

void TMemo::UpdateScrollBars() {
  if (!HandleAllocated()) return;
  win::HWND h = Handle();
  auto set = [h](int bar, int last, int page, int pos) {
    win::SCROLLINFO now;
    now.fMask = win::SIF_RANGE | win::SIF_PAGE | win::SIF_POS;
    win::GetScrollInfo(h, bar, &now);
    if (now.nMin == 0 && now.nMax == last && static_cast<int>(now.nPage) == page && now.nPos == pos)
      return;  // unchanged: no redraw
    win::SCROLLINFO si;
    si.fMask = win::SIF_RANGE | win::SIF_PAGE | win::SIF_POS | win::SIF_DISABLENOSCROLL;
    si.nMin = 0;
    si.nMax = last;
    si.nPage = static_cast<win::UINT>(page);
    si.nPos = pos;
    win::SetScrollInfo(h, bar, &si, win::TRUE);
  };
  if (HasVertBar()) set(win::SB_VERT, RowCount() - 1, VisibleLines(), Top());
  // The pixels 0..LongestLine: the longest line and the caret at its end.
  if (HasHorzBar()) set(win::SB_HORZ, LongestLine(), TextWidth(), ScrollX());
}

void TMemo::ScrollRowsTo(int top) {
  Top();  // a pending follow of the caret first, so that it does not undo the scroll
  const int last = std::max(RowCount() - VisibleLines(), 0);
  top = std::clamp(top, 0, last);
  if (top == top_) return;
  top_ = top;
  UpdateScrollBars();
  Invalidate();
}

void TMemo::ScrollSidewaysTo(int x) {
  if (wordWrap_) return;
  Top();
  x = std::clamp(x, 0, std::max(LongestLine() + 1 - TextWidth(), 0));
  if (x == scrollX_) return;
  scrollX_ = x;
  UpdateScrollBars();
  Invalidate();
}

void TMemo::WndProc(TMessage& m) {
  switch (m.Msg) {
    case win::WM_VSCROLL:
    case win::WM_HSCROLL: {
      const bool vert = m.Msg == win::WM_VSCROLL;
      const int code = win::LOWORD(m.WParam);
      win::SCROLLINFO si;
      si.fMask = win::SIF_TRACKPOS;
      win::GetScrollInfo(Handle(), vert ? win::SB_VERT : win::SB_HORZ, &si);
      if (vert) {
        ScrollRowsTo(ScrollTarget(code, Top(), 1, VisibleLines(), si.nTrackPos, RowCount()));
      } else {
        const int step = std::max(MeasureText(Font(), "0", false).cx, 1);
        ScrollSidewaysTo(
            ScrollTarget(code, ScrollX(), step, TextWidth(), si.nTrackPos, LongestLine()));
      }
      m.Result = 0;
      return;
    }
    case win::WM_MOUSEWHEEL:
      // A notch is three rows, as in the lists.
      ScrollRowsTo(Top() - win::GET_WHEEL_DELTA_WPARAM(m.WParam) * 3 / win::WHEEL_DELTA);
      m.Result = 0;
      return;
    default:
      TCustomControl::WndProc(m);
  }
}

std::string TMemo::GetTextAll() const {
  std::string t;
  for (int i = 0; i < lines_->Count(); ++i) {
    t += lines_->Strings(i);
    t += "\r\n";
  }
  if (open_ && !t.empty()) t.resize(t.size() - 2);
  return t;
}

void TMemo::SetText(const std::string& v) {
  lines_->SetText(v);
  open_ = !v.empty() && v.back() != '\n' && v.back() != '\r';
  rowsValid_ = false;
  caret_ = anchor_ = TPos{};
  top_ = 0;
  followCaret_ = false;
}

std::string TMemo::Line(int i) const {
  return i >= 0 && i < lines_->Count() ? lines_->Strings(i) : std::string();
}

int TMemo::LineLength(int i) const {
  return static_cast<int>(Line(i).size());
}

int TMemo::LastLine() const {
  return std::max(lines_->Count() - (open_ ? 1 : 0), 0);
}

TMemo::TPos TMemo::Clamp(TPos p) const {
  p.line = std::clamp(p.line, 0, LastLine());
  p.col = std::clamp(p.col, 0, LineLength(p.line));
  return p;
}

TPoint TMemo::CaretPos() const {
  return TPoint{caret_.col, caret_.line};
}

void TMemo::SetCaretPos(TPoint p) {
  MoveCaret(TPos{p.y, p.x}, false);
}

int TMemo::OffsetOf(TPos p) const {
  int offset = p.col;
  for (int i = 0; i < p.line; ++i) offset += LineLength(i) + 2;
  return offset;
}

TMemo::TPos TMemo::PosOf(int offset) const {
  TPos p;
  offset = std::max(offset, 0);
  while (p.line < LastLine() && offset > LineLength(p.line) + 1) {
    offset -= LineLength(p.line) + 2;
    ++p.line;
  }
  p.col = std::min(offset, LineLength(p.line));  // inside a line break: its line's end
  return p;
}

int TMemo::SelStart() const {
  return OffsetOf(SelFirst());
}

int TMemo::SelLength() const {
  return OffsetOf(SelLast()) - OffsetOf(SelFirst());
}

void TMemo::SetSelStart(int v) {
  TPos p = PosOf(v);
  MoveCaret(p, false);
}

void TMemo::SetSelLength(int v) {
  TPos first = SelFirst();
  anchor_ = first;
  MoveCaret(PosOf(OffsetOf(first) + std::max(v, 0)), true);
}

std::string TMemo::SelText() const {
  TPos a = SelFirst(), b = SelLast();
  if (a.line == b.line)
    return Line(a.line).substr(static_cast<size_t>(a.col), static_cast<size_t>(b.col - a.col));
  std::string t = Line(a.line).substr(static_cast<size_t>(a.col));
  for (int i = a.line + 1; i < b.line; ++i) t += "\r\n" + Line(i);
  t += "\r\n" + Line(b.line).substr(0, static_cast<size_t>(b.col));
  return t;
}

void TMemo::SetSelText(const std::string& v) {
  TPos a = SelFirst(), b = SelLast();
  // The new text in lines: CR LF, LF and CR alone each end one.
  std::vector<std::string> parts(1);
  for (size_t i = 0; i < v.size(); ++i) {
    if (v[i] == '\r' || v[i] == '\n') {
      if (v[i] == '\r' && i + 1 < v.size() && v[i + 1] == '\n') ++i;
      parts.emplace_back();
    } else {
      parts.back() += v[i];
    }
  }
  const std::string tail = Line(b.line).substr(static_cast<size_t>(b.col));
  TPos end{a.line + static_cast<int>(parts.size()) - 1, static_cast<int>(parts.back().size())};
  parts.front().insert(0, Line(a.line).substr(0, static_cast<size_t>(a.col)));
  if (parts.size() == 1) end.col += a.col;
  parts.back() += tail;
  // An edit reaching the end of the text decides whether the text ends with a line break: an
  // empty last part is the place after that break, not a line.
  if (b.line >= LastLine()) {
    open_ = !parts.back().empty();
    if (!open_) parts.pop_back();
  }

  editing_ = true;
  lines_->BeginUpdate();
  const int old = std::max(std::min(b.line + 1, lines_->Count()) - a.line, 0);  // lines replaced
  const int now = static_cast<int>(parts.size());
  for (int i = 0; i < std::min(old, now); ++i)
    lines_->Put(a.line + i, parts[static_cast<size_t>(i)]);
  for (int i = now; i < old; ++i) lines_->Delete(a.line + now);
  for (int i = old; i < now; ++i) lines_->Insert(a.line + i, parts[static_cast<size_t>(i)]);
  lines_->EndUpdate();
  editing_ = false;
  caret_ = anchor_ = end;
  goalX_ = -1;
  ScrollToCaret();
  Invalidate();
}

void TMemo::SelectAll() {
  anchor_ = TPos{};
  caret_ = TPos{LastLine(), LineLength(LastLine())};
  Invalidate();
}

void TMemo::Clear() {
  lines_->Clear();
}

void TMemo::CopyToClipboard() {
  if (caret_ != anchor_) Clipboard()->SetAsText(SelText());
}

void TMemo::CutToClipboard() {
  if (readOnly_ || caret_ == anchor_) return;
  CopyToClipboard();
  ClearSelection();
}

void TMemo::PasteFromClipboard() {
  if (!readOnly_) SetSelText(Clipboard()->AsText());
}

int TMemo::LineHeight() const {
  return std::max(MeasureText(Font(), "0", false).cy, 1);
}

int TMemo::VisibleLines() const {
  return std::max(ClientHeight() / LineHeight(), 1);
}

int TMemo::TextWidth() const {
  return std::max(ClientWidth() - 2, 1);
}

int TMemo::Measure(const std::string& s, int from, int to) const {
  if (to <= from) return 0;
  return TTextMeter(Font()).Width(
      std::string_view(s).substr(static_cast<size_t>(from), static_cast<size_t>(to - from)));
}

const std::vector<TMemo::TRow>& TMemo::Rows() const {
  if (rowsValid_ && rowsWidth_ == TextWidth()) return rows_;
  rows_.clear();
  if (!wordWrap_) {
    for (int i = 0; i <= LastLine(); ++i) rows_.push_back(TRow{i, 0, LineLength(i)});
  } else {
    // Breaks are kept by the line's text, so that adding or removing lines (a log) measures
    // only the new ones.
    if (rowsWidth_ != TextWidth()) breaks_.clear();
    std::unordered_map<std::string, std::vector<int>> kept;
    std::optional<TTextMeter> meter;
    for (int i = 0; i <= LastLine(); ++i) {
      std::string s = Line(i);
      auto it = kept.find(s);
      if (it == kept.end()) {
        auto old = breaks_.find(s);
        if (old != breaks_.end()) {
          it = kept.emplace(s, std::move(old->second)).first;
        } else {
          if (!meter) meter.emplace(Font());
          it = kept.emplace(s, BreakLine(s, TextWidth(), *meter)).first;
        }
      }
      const std::vector<int>& starts = it->second;
      for (size_t k = 0; k < starts.size(); ++k)
        rows_.push_back(
            TRow{i, starts[k], k + 1 < starts.size() ? starts[k + 1] : static_cast<int>(s.size())});
    }
    breaks_ = std::move(kept);
  }
  rowsValid_ = true;
  rowsWidth_ = TextWidth();
  return rows_;
}

int TMemo::Top() const {
  // Worked out when first needed after the caret moved or lines changed, not at each change: a
  // log adds lines faster than it is shown.
  if (followCaret_) {
    followCaret_ = false;
    int rows = RowCount();
    if (top_ > rows - 1) top_ = std::max(rows - VisibleLines(), 0);
    int row = RowOf(caret_);
    if (row < top_) top_ = row;
    if (row >= top_ + VisibleLines()) top_ = row - VisibleLines() + 1;
    // Sideways too, when lines are not wrapped.
    if (wordWrap_) {
      scrollX_ = 0;
    } else {
      const int x = XOf(caret_);
      if (x < scrollX_) scrollX_ = x;
      if (x >= scrollX_ + TextWidth()) scrollX_ = x - TextWidth() + 1;
    }
  }
  return top_;
}

int TMemo::ScrollX() const {
  Top();
  return scrollX_;
}

int TMemo::RowCount() const {
  return static_cast<int>(Rows().size());
}

int TMemo::RowOf(TPos p) const {
  const std::vector<TRow>& rows = Rows();
  // The last row of the line that starts at or before the column.
  auto it = std::upper_bound(rows.begin(), rows.end(), p, [](const TPos& q, const TRow& r) {
    return q.line < r.line || (q.line == r.line && q.col < r.start);
  });
  return std::max(static_cast<int>(it - rows.begin()) - 1, 0);
}

int TMemo::CaretRow() const {
  return RowOf(caret_);
}

int TMemo::RowEndCol(int row) const {
  const std::vector<TRow>& rows = Rows();
  const TRow& r = rows[static_cast<size_t>(row)];
  bool last =
      row + 1 >= static_cast<int>(rows.size()) || rows[static_cast<size_t>(row) + 1].line != r.line;
  if (last) return r.end;
  // Before the blanks the row was broken at (or before its last character when a long word was
  // cut), so that the caret stays on this row.
  const std::string s = Line(r.line);
  int e = r.end;
  while (e > r.start + 1 && IsBlank(s[static_cast<size_t>(e) - 1])) --e;
  return e < r.end ? e : std::max(r.end - 1, r.start);
}

int TMemo::ColAtX(int row, int x) const {
  const TRow& r = Rows()[static_cast<size_t>(row)];
  const std::string s = Line(r.line);
  const int last = RowEndCol(row);
  int best = r.start;
  for (int i = r.start + 1; i <= last; ++i) {
    if (x >= (Measure(s, r.start, i) + Measure(s, r.start, i - 1)) / 2)
      best = i;
    else
      break;
  }
  return best;
}

int TMemo::XOf(TPos p) const {
  const TRow& r = Rows()[static_cast<size_t>(RowOf(p))];
  return Measure(Line(p.line), r.start, p.col);
}

TMemo::TPos TMemo::PosAtPoint(int x, int y) const {
  int lh = LineHeight();
  int row = Top() + (y >= 0 ? y / lh : (y - lh + 1) / lh);
  row = std::clamp(row, 0, RowCount() - 1);
  return TPos{Rows()[static_cast<size_t>(row)].line, ColAtX(row, x - 1 + ScrollX())};
}

void TMemo::MoveCaret(TPos p, bool extend) {
  caret_ = Clamp(p);
  if (!extend) anchor_ = caret_;
  ScrollToCaret();
  Invalidate();
}

void TMemo::MoveToRow(int row, bool extend) {
  row = std::clamp(row, 0, RowCount() - 1);
  if (goalX_ < 0) goalX_ = XOf(caret_);
  int keep = goalX_;
  MoveCaret(TPos{Rows()[static_cast<size_t>(row)].line, ColAtX(row, goalX_)}, extend);
  goalX_ = keep;
}

void TMemo::ScrollToCaret() {
  followCaret_ = true;
}

TColor TMemo::LineColor(int) const {
  return Font()->Color();
}

bool TMemo::WantsKey(unsigned short key, TShiftState) const {
  if (key == win::VK_RETURN) return wantReturns_;
  if (key == win::VK_TAB) return wantTabs_;
  return key != win::VK_ESCAPE;
}

void TMemo::KeyDown(unsigned short& key, TShiftState shift) {
  TCustomControl::KeyDown(key, shift);
  const bool ext = shift & ssShift;
  const bool ctrl = shift & ssCtrl;
  const bool vertical =
      key == win::VK_UP || key == win::VK_DOWN || key == win::VK_PRIOR || key == win::VK_NEXT;
  if (!vertical) goalX_ = -1;
  const bool selected = caret_ != anchor_;
  const int row = RowOf(caret_);
  const TRow r = Rows()[static_cast<size_t>(row)];
  switch (key) {
    case win::VK_UP:
      MoveToRow(row - 1, ext);
      break;
    case win::VK_DOWN:
      MoveToRow(row + 1, ext);
      break;
    case win::VK_PRIOR:
      MoveToRow(row - VisibleLines(), ext);
      break;
    case win::VK_NEXT:
      MoveToRow(row + VisibleLines(), ext);
      break;
    case win::VK_LEFT:
      if (selected && !ext)
        MoveCaret(SelFirst(), false);
      else if (caret_.col > 0)
        MoveCaret(TPos{caret_.line, caret_.col - 1}, ext);
      else if (caret_.line > 0)
        MoveCaret(TPos{caret_.line - 1, LineLength(caret_.line - 1)}, ext);
      break;
    case win::VK_RIGHT:
      if (selected && !ext)
        MoveCaret(SelLast(), false);
      else if (caret_.col < LineLength(caret_.line))
        MoveCaret(TPos{caret_.line, caret_.col + 1}, ext);
      else if (caret_.line < LastLine())
        MoveCaret(TPos{caret_.line + 1, 0}, ext);
      break;
    case win::VK_HOME:
      MoveCaret(ctrl ? TPos{} : TPos{r.line, r.start}, ext);
      break;
    case win::VK_END:
      MoveCaret(ctrl ? TPos{LastLine(), LineLength(LastLine())} : TPos{r.line, RowEndCol(row)},
                ext);
      break;
    case win::VK_BACK:
    case win::VK_DELETE:
      if (readOnly_) break;
      if (!selected) {
        if (key == win::VK_BACK) {
          if (caret_.col > 0)
            anchor_ = TPos{caret_.line, caret_.col - 1};
          else if (caret_.line > 0)
            anchor_ = TPos{caret_.line - 1, LineLength(caret_.line - 1)};
        } else {
          if (caret_.col < LineLength(caret_.line))
            anchor_ = TPos{caret_.line, caret_.col + 1};
          else if (caret_.line < LastLine())
            anchor_ = TPos{caret_.line + 1, 0};
        }
        if (caret_ == anchor_) break;
      }
      ClearSelection();
      break;
    case win::VK_RETURN:
      if (readOnly_ || !wantReturns_) return;
      SetSelText("\r\n");
      break;
    default:
      if (!SelectionShortcut(*this, key, shift)) return;
  }
  if (key != win::VK_RETURN || !readOnly_) key = 0;
}

void TMemo::KeyPress(char& key) {
  TCustomControl::KeyPress(key);
  auto c = static_cast<unsigned char>(key);
  if (readOnly_ || c == 127 || (c < 32 && !(key == '\t' && wantTabs_))) return;
  SetSelText(std::string(1, key));
}

void TMemo::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TCustomControl::MouseDown(button, shift, x, y);
  if (button != mbLeft) return;
  goalX_ = -1;
  MoveCaret(PosAtPoint(x, y), shift & ssShift);
}

void TMemo::MouseMove(TShiftState shift, int x, int y) {
  TCustomControl::MouseMove(shift, x, y);
  if (ControlState() & csLButtonDown) MoveCaret(PosAtPoint(x, y), true);
}

void TMemo::Paint() {
  UpdateScrollBars();
  TCanvas* c = Canvas();
  const TRect r = ClientRect();
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(Enabled() ? Color() : clBtnFace);
  c->FillRect(r);
  int saved = gdi::SaveDC(c->Handle());
  gdi::IntersectClipRect(c->Handle(), r.left, r.top, r.right, r.bottom);
  const int lh = LineHeight();
  const std::vector<TRow>& rows = Rows();
  const TPos first = SelFirst(), last = SelLast();
  const bool showSel = Focused() && first != last;
  const int top = Top();
  const int x0 = r.left + 1 - scrollX_;
  for (int i = top, y = r.top; i < static_cast<int>(rows.size()) && y < r.bottom; ++i, y += lh) {
    const TRow& row = rows[static_cast<size_t>(i)];
    const std::string s = Line(row.line);
    c->Brush()->SetStyle(bsClear);
    c->Font()->SetColor(LineColor(row.line));
    c->TextOut(x0, y,
               s.substr(static_cast<size_t>(row.start), static_cast<size_t>(row.end - row.start)));
    if (!showSel || row.line < first.line || row.line > last.line) continue;
    int a = row.line == first.line ? std::max(first.col, row.start) : row.start;
    int b = row.line == last.line ? std::min(last.col, row.end) : row.end;
    if (b <= a) continue;
    int xa = x0 + Measure(s, row.start, a);
    std::string part = s.substr(static_cast<size_t>(a), static_cast<size_t>(b - a));
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(clHighlight);
    c->FillRect(TRect{xa, y, xa + Measure(s, a, b), y + lh});
    c->Brush()->SetStyle(bsClear);
    c->Font()->SetColor(clHighlightText);
    c->TextOut(xa, y, part);
  }
  if (Focused()) {
    int cx = x0 + XOf(caret_);
    int cy = r.top + (RowOf(caret_) - top) * lh;
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
