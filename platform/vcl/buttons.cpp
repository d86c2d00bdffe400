#include "platform/vcl/buttons.h"

#include "platform/vcl/application.h"
#include "platform/vcl/classic.h"
#include "platform/vcl/hotkey.h"

namespace vcl {

// ---------------------------------------------------------------- TBitBtn

TBitBtn::TBitBtn(rtl::TComponent* AOwner) : TButton(AOwner), glyph_(std::make_unique<TBitmap>()) {
  glyph_->OnChange = rtl::MakeEvent(this, &TBitBtn::GlyphChanged);
}

void TBitBtn::SetKind(TBitBtnKind v) {
  struct KindInfo {
    const char* caption;
    TModalResult result;
  };
  static const KindInfo kinds[] = {{"", mrNone},          {"OK", mrOk},       {"Cancel", mrCancel},
                                   {"&Help", mrNone},     {"&Yes", mrYes},    {"&No", mrNo},
                                   {"&Close", mrNone},    {"Abort", mrAbort}, {"&Retry", mrRetry},
                                   {"&Ignore", mrIgnore}, {"&All", mrAll}};
  kind_ = v;
  if (v != bkCustom) {
    SetCaption(kinds[v].caption);
    SetModalResult(kinds[v].result);
    SetDefault(v == bkOK || v == bkYes);
    SetCancel(v == bkCancel || v == bkNo);
  }
  Invalidate();
}

void TBitBtn::SetLayout(TButtonLayout v) {
  layout_ = v;
  Invalidate();
}

void TBitBtn::Click() {
  TCustomForm* form = GetParentForm();
  if (kind_ == bkClose && form) {
    form->Close();
    TControl::Click();
    return;
  }
  if (kind_ == bkHelp && Application) {
    Application->HelpContext(HelpContext());
    TControl::Click();
    return;
  }
  TButton::Click();
}

// The kinds' glyphs, drawn in a 16 x 16 cell: a green tick, a red cross, a blue question mark.
void TBitBtn::DrawKindGlyph(TRect r) {
  TCanvas* c = Canvas();
  c->Pen()->SetWidth(2);
  int x = r.left, y = r.top;
  switch (kind_) {
    case bkOK:
    case bkYes:
    case bkAll:
      c->Pen()->SetColor(Enabled() ? clGreen : clGrayText);
      c->Polyline({TPoint{x + 2, y + 8}, TPoint{x + 6, y + 12}, TPoint{x + 14, y + 3}});
      break;
    case bkCancel:
    case bkNo:
    case bkAbort:
      c->Pen()->SetColor(Enabled() ? clRed : clGrayText);
      c->MoveTo(x + 3, y + 3);
      c->LineTo(x + 13, y + 13);
      c->MoveTo(x + 13, y + 3);
      c->LineTo(x + 3, y + 13);
      break;
    case bkHelp:
    case bkRetry:
    case bkIgnore:
    case bkClose: {
      c->Pen()->SetWidth(1);
      c->Font()->SetColor(Enabled() ? clNavy : clGrayText);
      c->Font()->SetStyle(fsBold);
      c->Brush()->SetStyle(bsClear);
      const char* mark = kind_ == bkHelp    ? "?"
                         : kind_ == bkClose ? "x"
                         : kind_ == bkRetry ? "R"
                                            : "!";
      c->TextOut(x + 4, y, mark);
      c->Font()->SetStyle(0);
      break;
    }
    case bkCustom:
      break;
  }
  c->Pen()->SetWidth(1);
}

void TBitBtn::PaintContent(TRect r) {
  if (pressed_) gdi::OffsetRect(&r, 1, 1);
  bool hasGlyph = !glyph_->Empty() || kind_ != bkCustom;
  if (!hasGlyph) {
    TButton::PaintContent(r);
    return;
  }
  int gw = glyph_->Empty() ? 16 : glyph_->Width();
  int gh = glyph_->Empty() ? 16 : glyph_->Height();
  gdi::SIZE ts = MeasureText(Font(), Caption());
  int total = gw + (ts.cx > 0 ? 4 + ts.cx : 0);
  int gx = 0, gy = 0;
  TRect tr = r;
  if (layout_ == blGlyphLeft || layout_ == blGlyphRight) {
    int x0 = (r.left + r.right - total) / 2;
    gy = (r.top + r.bottom - gh) / 2;
    if (layout_ == blGlyphLeft) {
      gx = x0;
      tr.left = x0 + gw + 4;
    } else {
      gx = x0 + total - gw;
      tr.left = x0;
    }
    tr.right = tr.left + ts.cx + 1;
  } else {
    int totalH = gh + 2 + ts.cy;
    int y0 = (r.top + r.bottom - totalH) / 2;
    gx = (r.left + r.right - gw) / 2;
    gy = layout_ == blGlyphTop ? y0 : y0 + ts.cy + 2;
    tr.top = layout_ == blGlyphTop ? y0 + gh + 2 : y0;
    tr.bottom = tr.top + ts.cy;
  }
  if (!glyph_->Empty()) {
    glyph_->SetTransparent(true);
    Canvas()->Draw(gx, gy, glyph_.get());
  } else {
    DrawKindGlyph(TRect{gx, gy, gx + 16, gy + 16});
  }
  unsigned flags = gdi::DT_SINGLELINE | gdi::DT_VCENTER;
  if (layout_ == blGlyphTop || layout_ == blGlyphBottom) flags |= gdi::DT_CENTER;
  DrawCaption(Canvas(), tr, Caption(), flags, Enabled());
}

// ---------------------------------------------------------------- TSpeedButton

TSpeedButton::TSpeedButton(rtl::TComponent* AOwner)
    : TGraphicControl(AOwner), glyph_(std::make_unique<TBitmap>()) {
  glyph_->OnChange = rtl::MakeEvent(this, &TSpeedButton::GlyphChanged);
  SetBounds(0, 0, 23, 22);
}

void TSpeedButton::SetFlat(bool v) {
  flat_ = v;
  Invalidate();
}

void TSpeedButton::SetDown(bool v) {
  if (groupIndex_ == 0) v = false;
  if (v == down_) return;
  if (!v && !allowAllUp_) {
    // The last button of a group cannot go up by itself unless all may be up.
    bool other = false;
    if (Parent()) {
      for (int i = 0; i < Parent()->ControlCount(); ++i) {
        auto* b = dynamic_cast<TSpeedButton*>(Parent()->Controls(i));
        if (b && b != this && b->groupIndex_ == groupIndex_ && b->down_) other = true;
      }
    }
    if (!other) return;
  }
  down_ = v;
  if (v && Parent()) {
    for (int i = 0; i < Parent()->ControlCount(); ++i) {
      auto* b = dynamic_cast<TSpeedButton*>(Parent()->Controls(i));
      if (b && b != this && b->groupIndex_ == groupIndex_ && b->down_) {
        b->down_ = false;
        b->Invalidate();
      }
    }
  }
  Invalidate();
}

void TSpeedButton::Click() {
  // The group state changes first, so that OnClick reads the new Down.
  if (groupIndex_ != 0) {
    if (!down_)
      SetDown(true);
    else if (allowAllUp_)
      SetDown(false);
  }
  TGraphicControl::Click();
}

void TSpeedButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TGraphicControl::MouseDown(button, shift, x, y);
  if (button == mbLeft && Enabled()) {
    pressed_ = true;
    Invalidate();
  }
}

void TSpeedButton::MouseMove(TShiftState shift, int x, int y) {
  TGraphicControl::MouseMove(shift, x, y);
  if (ControlState() & csLButtonDown) {
    bool in = x >= 0 && y >= 0 && x < Width() && y < Height();
    if (in != pressed_) {
      pressed_ = in;
      Invalidate();
    }
  }
}

void TSpeedButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == mbLeft && pressed_) {
    pressed_ = false;
    Invalidate();
  }
  TGraphicControl::MouseUp(button, shift, x, y);
}

void TSpeedButton::WndProc(TMessage& m) {
  // A flat button shows its edge while the pointer is over it.
  if (m.Msg == CM_MOUSEENTER || m.Msg == CM_MOUSELEAVE) {
    hot_ = m.Msg == CM_MOUSEENTER;
    if (flat_) Invalidate();
  }
  TGraphicControl::WndProc(m);
}

bool TSpeedButton::DialogChar(unsigned key) {
  if (!IsAccel(key, Caption()) || !Enabled() || !Visible()) return false;
  Click();
  return true;
}

void TSpeedButton::Paint() {
  TCanvas* c = Canvas();
  TRect r = ClientRect();
  bool sunk = pressed_ || down_;
  c->Brush()->SetColor(Color());
  c->FillRect(r);
  if (sunk) {
    TRect e = r;
    DrawSunken(c, e);
    if (down_ && !pressed_) {
      c->Brush()->SetColor(clBtnHighlight);
      c->FillRect(e);
    }
  } else if (!flat_ || (hot_ && Enabled())) {
    TRect e = r;
    DrawRaised(c, e);
  }
  TRect content = r;
  if (sunk) gdi::OffsetRect(&content, 1, 1);
  if (!glyph_->Empty()) {
    gdi::SIZE ts = MeasureText(Font(), Caption());
    int total = glyph_->Width() + (ts.cx ? 4 + ts.cx : 0);
    int gx = (content.left + content.right - total) / 2;
    int gy = (content.top + content.bottom - glyph_->Height()) / 2;
    glyph_->SetTransparent(true);
    c->Draw(gx, gy, glyph_.get());
    content.left = gx + glyph_->Width() + 4;
    DrawCaption(c, content, Caption(), gdi::DT_SINGLELINE | gdi::DT_VCENTER, Enabled());
  } else {
    DrawCaption(c, content, Caption(), gdi::DT_SINGLELINE | gdi::DT_VCENTER | gdi::DT_CENTER,
                Enabled());
  }
}

}  // namespace vcl
