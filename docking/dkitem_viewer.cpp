// Item viewers: the size of an item as a toolbar button or a menu row, and its painting.
#include <algorithm>

#include "docking/dkacc.h"
#include "docking/dkcommon.h"
#include "docking/dkitem.h"
#include "docking/dkpopupmenu.h"
#include "platform/gdi/blit.h"
#include "platform/gdi/controls.h"
#include "platform/gdi/text.h"
#include "platform/vcl/application.h"

namespace docking {

namespace {

bool HasOption(const TDKCustomItem* item, TDKItemOptions o) {
  return (item->EffectiveOptions() & o) != 0;
}

struct TextMetric {
  int height = 0;
  int externalLeading = 0;
};

TextMetric Metrics(vcl::TCanvas* Canvas) {
  gdi::TEXTMETRIC tm{};
  gdi::GetTextMetrics(Canvas->Handle(), &tm);
  return {tm.tmHeight, tm.tmExternalLeading};
}

void FillTriangle(vcl::TCanvas* Canvas, std::vector<vcl::TPoint> pts, vcl::TColor c) {
  Canvas->Pen()->SetColor(c);
  Canvas->Brush()->SetColor(c);
  Canvas->Brush()->SetStyle(vcl::bsSolid);
  Canvas->Polygon(pts);
}

// An arrow in the text colour, or embossed: a highlight copy one pixel down and right under the
// shadow-coloured one.
void DrawArrow(vcl::TCanvas* Canvas, const std::vector<vcl::TPoint>& pts, vcl::TColor Text,
               bool UseDisabledShadow) {
  if (!UseDisabledShadow) {
    FillTriangle(Canvas, pts, gdi::ColorToRGB(Text));
    return;
  }
  std::vector<vcl::TPoint> moved = pts;
  for (vcl::TPoint& p : moved) ++p.x, ++p.y;
  FillTriangle(Canvas, moved, gdi::ColorToRGB(gdi::clBtnHighlight));
  FillTriangle(Canvas, pts, gdi::ColorToRGB(gdi::clBtnShadow));
}

// The system's menu-arrow glyph, drawn black on white into a monochrome bitmap the size of R,
// is the mask through which the colour is painted: the glyph takes it, the rest keeps the row.
void DrawMenuArrowGlyph(win::HDC DC, const RECT& R, win::COLORREF Color) {
  const int w = R.right - R.left, h = R.bottom - R.top;
  if (w <= 0 || h <= 0) return;
  const win::HDC mem = gdi::CreateCompatibleDC(DC);
  const gdi::HBITMAP mask = gdi::CreateBitmap(w, h, 1, 1, nullptr);
  const gdi::HGDIOBJ oldMask = gdi::SelectObject(mem, mask);
  RECT glyph{0, 0, w, h};
  gdi::DrawFrameControl(mem, &glyph, gdi::DFC_MENU, gdi::DFCS_MENUARROW);
  const win::COLORREF text = gdi::SetTextColor(DC, gdi::RGB(0, 0, 0));
  const win::COLORREF back = gdi::SetBkColor(DC, gdi::RGB(255, 255, 255));
  const win::HBRUSH brush = gdi::CreateSolidBrush(Color);
  const gdi::HGDIOBJ oldBrush = gdi::SelectObject(DC, brush);
  // PSDPxax: the pattern where the source is black, the destination where it is white.
  constexpr win::DWORD kPaintThroughMask = 0x00B8074A;
  gdi::BitBlt(DC, R.left, R.top, w, h, mem, 0, 0, kPaintThroughMask);
  gdi::SelectObject(DC, oldBrush);
  gdi::DeleteObject(brush);
  gdi::SetTextColor(DC, text);
  gdi::SetBkColor(DC, back);
  gdi::SelectObject(mem, oldMask);
  gdi::DeleteObject(mask);
  gdi::DeleteDC(mem);
}

// The look of a checked button that the mouse is not on: its face dithered with the highlight.
void DitherFill(win::HDC DC, RECT R) {
  gdi::InflateRect(&R, -1, -1);
  if (gdi::IsRectEmpty(&R)) return;
  const win::HBRUSH brush = gdi::CreateHalftoneBrush();
  const win::COLORREF text = gdi::SetTextColor(DC, gdi::ColorToRGB(gdi::clBtnFace));
  const win::COLORREF back = gdi::SetBkColor(DC, gdi::ColorToRGB(gdi::clBtnHighlight));
  gdi::FillRect(DC, &R, brush);
  gdi::SetTextColor(DC, text);
  gdi::SetBkColor(DC, back);
  gdi::DeleteObject(brush);
}

}  // namespace

TDKItemViewer::TDKItemViewer(TDKView* AView, TDKCustomItem* AItem, int AGroupLevel)
    : BoundsRect{0, 0, 0, 0}, view_(AView), item_(AItem), groupLevel_(AGroupLevel) {}

TDKItemViewer::~TDKItemViewer() {
  detail::DropPosted(this);
  DKAccClientDestroying(accObject_);
}

int TDKItemViewer::Index() const {
  return view_->IndexOf(this);
}

bool TDKItemViewer::IsToolbarStyle() const {
  return view_->IsToolbar() || HasOption(item_, dkoToolbarStyle);
}

bool TDKItemViewer::IsToolbarSize() const {
  return view_->IsToolbar() || HasOption(item_, dkoToolbarSize);
}

bool TDKItemViewer::IsRotated() const {
  return view_->Orientation() == dkvoVertical &&
         !HasOption(item_, dkoNoRotation | dkoImageAboveCaption);
}

bool TDKItemViewer::CaptionShown() const {
  if (!item_->Caption().empty() &&
      (!IsToolbarSize() || item_->ImageIndex() < 0 || item_->DisplayMode() == nbdmTextOnly ||
       item_->DisplayMode() == nbdmImageAndText))
    return true;
  return HasOption(item_, dkoImageAboveCaption);
}

bool TDKItemViewer::ImageShown() const {
  if (item_->ImageIndex() < 0) return false;
  switch (item_->DisplayMode()) {
    case nbdmDefault:
    case nbdmImageAndText:
      return true;
    case nbdmTextOnlyInMenus:
      return IsToolbarStyle();
    case nbdmTextOnly:
      return false;
  }
  return false;
}

vcl::TCustomImageList* TDKItemViewer::GetImageList() const {
  if (item_->Images()) return item_->Images();
  for (TDKView* v = view_; v; v = v->ParentView()) {
    if (v->CurParentItem() && v->CurParentItem()->SubMenuImages())
      return v->CurParentItem()->SubMenuImages();
    if (v->ParentItem() && v->ParentItem()->SubMenuImages())
      return v->ParentItem()->SubMenuImages();
  }
  return nullptr;
}

bool TDKItemViewer::UsesSameWidth() const {
  return HasOption(item_, dkoImageAboveCaption) && HasOption(item_, dkoSameWidth) &&
         IsToolbarSize();
}

bool TDKItemViewer::IsPtInButtonPart(int X, int) const {
  if (item_->ItemStyle() & isSplitButton) return X < (BoundsRect.right - BoundsRect.left) - 11;
  return !(item_->ItemStyle() & isSubmenu);
}

int TDKItemViewer::MenuImageColumn(vcl::TCustomImageList* Images, int AHeight) {
  if (!Images) return AHeight;
  return (Images->Width() + 3) * AHeight / (Images->Height() + 3);
}

void TDKItemViewer::CalcSize(vcl::TCanvas* Canvas, int& AWidth, int& AHeight) {
  const bool toolbar = IsToolbarStyle();
  AWidth = AHeight = toolbar ? 6 : 0;
  const TextMetric tm = Metrics(Canvas);
  if (!toolbar || CaptionShown()) {
    const int textWidth = Canvas->TextWidth(StripAccelChars(GetCaptionText()));
    const int extra = toolbar ? 6 : 0;
    if (IsRotated()) {
      AWidth += tm.height;
      AHeight += textWidth + extra;
    } else {
      AHeight += tm.height;
      AWidth += textWidth + extra;
    }
  }
  vcl::TCustomImageList* images = GetImageList();
  if (toolbar && ImageShown() && images) {
    if (!IsRotated() && !HasOption(item_, dkoImageAboveCaption)) {
      AWidth += images->Width() + 1;
      AHeight = std::max(AHeight, images->Height() + 6);
    } else {
      AHeight += images->Height();
      AWidth = std::max(AWidth, images->Width() + 7);
    }
  }
  if (toolbar && (item_->ItemStyle() & isSubmenu)) {
    if (item_->ItemStyle() & isSplitButton)
      AWidth += 11;
    else if (HasOption(item_, dkoDropdownArrow))
      (view_->Orientation() == dkvoVertical ? AHeight : AWidth) += 8;
  }
  if (!toolbar) {
    AHeight += tm.externalLeading + 4;
    if (images) AHeight = std::max(AHeight, images->Height() + 3);
    AWidth += MenuImageColumn(images, AHeight) + 6;
    const std::string sc = item_->GetShortCutText();
    if (!sc.empty()) AWidth += Canvas->TextWidth(sc) + AHeight - 6;
    AWidth += AHeight;
  }
}

unsigned TDKItemViewer::CaptionFormat() const {
  unsigned f = gdi::DT_SINGLELINE | gdi::DT_VCENTER;
  if (view_->HideAccelsUntilKeyboard() && !view_->AccelsVisible() && !AreKeyboardCuesEnabled())
    f |= gdi::DT_HIDEPREFIX;
  return f;
}

void TDKItemViewer::DrawItemCaption(vcl::TCanvas* Canvas, RECT R, const std::string& Caption,
                                    bool UseDisabledShadow, unsigned Format) {
  Canvas->Brush()->SetStyle(vcl::bsClear);
  const win::HDC dc = Canvas->Handle();
  // A vertical toolbar's captions run downwards, in the rotated font.
  const bool rotated = IsToolbarStyle() && IsRotated();
  auto draw = [&](RECT r) {
    if (rotated)
      DrawRotatedText(dc, Caption, r, Format);
    else
      gdi::DrawText(dc, Caption, &r, Format);
  };
  if (UseDisabledShadow) {
    RECT r = R;
    gdi::OffsetRect(&r, 1, 1);
    gdi::SetTextColor(dc, gdi::ColorToRGB(gdi::clBtnHighlight));
    draw(r);
    gdi::SetTextColor(dc, gdi::ColorToRGB(gdi::clBtnShadow));
  }
  draw(R);
}

void TDKItemViewer::Paint(vcl::TCanvas* Canvas, const RECT& ClientAreaRect, bool IsSelected,
                          bool IsPushed, bool UseDisabledShadow) {
  RECT r = ClientAreaRect;
  const win::HDC dc = Canvas->Handle();
  const bool enabled = item_->Enabled() || view_->Customizing();
  vcl::TCustomImageList* images = GetImageList();
  const bool vertical = view_->Orientation() == dkvoVertical;
  const unsigned style = item_->ItemStyle();
  const vcl::TColor text = item_->Enabled() ? Canvas->Font()->Color() : gdi::clGrayText;
  auto dropArrow = [&](RECT a) {
    const int cx = (a.left + a.right) / 2, cy = (a.top + a.bottom) / 2;
    if (vertical)
      DrawArrow(Canvas, {{cx + 1, cy - 2}, {cx + 1, cy + 2}, {cx - 1, cy}}, text,
                UseDisabledShadow);
    else
      DrawArrow(Canvas, {{cx - 2, cy - 1}, {cx + 2, cy - 1}, {cx, cy + 1}}, text,
                UseDisabledShadow);
  };
  if (IsToolbarStyle()) {
    const bool checked = item_->Checked();
    if (style & isSplitButton) {
      RECT button = r, arrow = r;
      button.right = r.right - 11;
      arrow.left = r.right - 11;
      arrow.right = r.right - 2;
      if (checked && !IsSelected) DitherFill(dc, button);
      if (enabled && (IsPushed || checked || IsSelected)) {
        const bool arrowPushed = IsPushed && view_->OpenViewer() == this;
        RECT b = button, a = arrow;
        gdi::DrawEdge(
            dc, &b,
            (IsPushed && !arrowPushed) || checked ? gdi::BDR_SUNKENOUTER : gdi::BDR_RAISEDINNER,
            gdi::BF_RECT);
        gdi::DrawEdge(dc, &a, arrowPushed ? gdi::BDR_SUNKENOUTER : gdi::BDR_RAISEDINNER,
                      gdi::BF_RECT);
      }
      dropArrow(arrow);
      r.right = button.right;
    } else {
      if (checked && !IsSelected) DitherFill(dc, r);
      if (enabled && (IsPushed || checked || IsSelected)) {
        RECT e = r;
        gdi::DrawEdge(dc, &e, IsPushed || checked ? gdi::BDR_SUNKENOUTER : gdi::BDR_RAISEDINNER,
                      gdi::BF_RECT);
      }
      if ((style & isSubmenu) && (item_->EffectiveOptions() & dkoDropdownArrow)) {
        RECT a = r;
        if (vertical) {
          a.top = r.bottom - 11;
          a.bottom = r.bottom - 3;
          r.bottom -= 8;
        } else {
          a.left = r.right - 11;
          a.right = r.right - 3;
          r.right -= 8;
        }
        dropArrow(a);
      }
    }
    // Checked shows in the dither and the shift even when disabled, which has no edge.
    if (IsPushed || checked) gdi::OffsetRect(&r, 1, 1);
    const bool showImage = ImageShown() && images;
    const bool above = IsRotated() || HasOption(item_, dkoImageAboveCaption);
    RECT textR = r;
    if (showImage) {
      RECT imgR = r;
      if (CaptionShown()) {
        if (above)
          imgR.bottom = imgR.top + images->Height() + 6;
        else
          imgR.right = imgR.left + images->Width() + 7;
        (above ? textR.top : textR.left) = above ? imgR.bottom - 3 : imgR.right - 3;
      }
      DrawImage(images, Canvas, (imgR.left + imgR.right - images->Width()) / 2,
                (imgR.top + imgR.bottom - images->Height()) / 2, IsSelected);
    }
    if (CaptionShown() && !(above && !showImage && item_->Caption().empty())) {
      gdi::SetTextColor(dc, gdi::ColorToRGB(text));
      DrawItemCaption(Canvas, textR, GetCaptionText(), UseDisabledShadow,
                      CaptionFormat() | gdi::DT_CENTER);
    }
    return;
  }
  // Menu row.
  const int h = r.bottom - r.top;
  const int col = MenuImageColumn(images, h);
  const bool highlighted = IsSelected && item_->Enabled();
  RECT colR{r.left, r.top, r.left + col, r.bottom};
  // The column stands out as a small button, under its image or check mark.
  if (highlighted || item_->Checked()) {
    RECT e = colR;
    gdi::DrawEdge(dc, &e, item_->Checked() ? gdi::BDR_SUNKENOUTER : gdi::BDR_RAISEDINNER,
                  gdi::BF_RECT | gdi::BF_MIDDLE);
  }
  const bool showImage = ImageShown() && images;
  if (showImage) {
    DrawImage(images, Canvas, (colR.left + colR.right - images->Width()) / 2,
              (colR.top + colR.bottom - images->Height()) / 2, IsSelected);
  } else if (item_->Checked()) {
    const int cx = (colR.left + colR.right) / 2 - 2, cy = (colR.top + colR.bottom) / 2 + 1;
    const vcl::TColor c = gdi::ColorToRGB(text);
    if (item_->RadioItem()) {
      Canvas->Pen()->SetColor(c);
      Canvas->Brush()->SetColor(c);
      Canvas->Brush()->SetStyle(vcl::bsSolid);
      Canvas->Ellipse(cx - 1, cy - 4, cx + 5, cy + 2);
    } else {
      FillTriangle(Canvas,
                   {{cx - 2, cy - 2},
                    {cx, cy},
                    {cx + 4, cy - 4},
                    {cx + 4, cy - 3},
                    {cx, cy + 1},
                    {cx - 2, cy - 1},
                    {cx - 2, cy - 2}},
                   c);
      FillTriangle(
          Canvas,
          {{cx - 3, cy - 2}, {cx - 3, cy - 1}, {cx, cy + 2}, {cx + 5, cy - 3}, {cx + 5, cy - 5}},
          c);
    }
  }
  const vcl::TColor fg = highlighted ? gdi::clHighlightText : text;
  gdi::SetTextColor(dc, gdi::ColorToRGB(fg));
  RECT textR{colR.right + 3, r.top, r.right - h, r.bottom};
  DrawItemCaption(Canvas, textR, GetCaptionText(), UseDisabledShadow, CaptionFormat());
  const std::string sc = item_->GetShortCutText();
  if (!sc.empty()) {
    gdi::SetTextColor(dc, gdi::ColorToRGB(fg));
    DrawItemCaption(Canvas, textR, sc, UseDisabledShadow, CaptionFormat() | gdi::DT_RIGHT);
  }
  if (style & isSubmenu) {
    // The system's arrow in the last column, embossed when disabled.
    RECT arrow{r.right - h, r.top, r.right, r.bottom};
    if (UseDisabledShadow) {
      RECT moved = arrow;
      gdi::OffsetRect(&moved, 1, 1);
      DrawMenuArrowGlyph(dc, moved, gdi::ColorToRGB(gdi::clBtnHighlight));
      DrawMenuArrowGlyph(dc, arrow, gdi::ColorToRGB(gdi::clBtnShadow));
    } else {
      const bool splitSelected = (style & isSplitButton) && highlighted;
      DrawMenuArrowGlyph(dc, arrow, gdi::ColorToRGB(splitSelected ? gdi::clBtnText : fg));
    }
    if (style & isSplitButton) {
      RECT d{r.right - h - 2, r.top + 2, r.right - h, r.bottom - 2};
      gdi::DrawEdge(dc, &d, gdi::EDGE_ETCHED, gdi::BF_LEFT);
    }
  }
}

void TDKItemViewer::DrawImage(vcl::TCustomImageList* Images, vcl::TCanvas* Canvas, int X, int Y,
                              bool Selected) const {
  // Lists with images for each state draw the state's; others the plain image, greyed when
  // disabled.
  if (auto* states = dynamic_cast<TDKCustomImageList*>(Images))
    states->DrawState(Canvas, X, Y, item_->ImageIndex(), item_->Enabled(), Selected,
                      item_->Checked());
  else
    Images->Draw(Canvas, X, Y, item_->ImageIndex(), item_->Enabled());
}

win::HCURSOR TDKItemViewer::GetCursor(int, int) const {
  return nullptr;
}

void TDKItemViewer::MouseMove(int, int) {}

void TDKItemViewer::KeyDown(unsigned short&, vcl::TShiftState) {}

void TDKItemViewer::MouseWheel(int, int, int) {}

bool TDKItemViewer::GetAccValue(std::string& Value) const {
  Value.clear();
  return false;
}

void TDKItemViewer::LosingCapture() {
  view_->Invalidate(this);
}

void TDKItemViewer::Entering() {
  if (item_->OnSelect) item_->OnSelect(item_, this, true);
}

void TDKItemViewer::Leaving() {
  if (item_->OnSelect) item_->OnSelect(item_, this, false);
}

bool TDKItemViewer::DoExecute() {
  view_->EndModalWithClick(this);
  return true;
}

void TDKItemViewer::Execute(bool AGivePriority) {
  if (DoExecute() && AGivePriority) view_->GivePriority(this);
}

std::string TDKItemViewer::GetHintText() const {
  const std::string& h = item_->Hint();
  std::string r = h.substr(0, h.find('|'));
  if (r.empty() && !HasOption(item_, dkoNoAutoHint) &&
      !((item_->ItemStyle() & isSubmenu) && !(item_->ItemStyle() & isSplitButton) &&
        CaptionShown()))
    r = StripTrailingPunctuation(StripAccelChars(GetCaptionText()));
  // The action may refuse the hint; the shortcut follows the hint when the application says so.
  if (item_->ActionLink() && item_->Action() && !item_->ActionLink()->DoShowHint(r)) return {};
  if (!r.empty() && item_->ShortCut() && vcl::Application && vcl::Application->HintShortCuts())
    r += " (" + vcl::ShortCutToText(item_->ShortCut()) + ")";
  return r;
}

int TDKItemViewer::GetAccRole() const {
  if (dynamic_cast<const TDKControlItem*>(item_)) return 10;
  if (item_->ItemStyle() & isSeparator) return 21;
  if (!view_->IsToolbar() || view_->IsMenuBar()) return 12;
  return (item_->ItemStyle() & isSubmenu) ? 57 : 43;
}

// ------------------------------------------------------------------ separators

void TDKSeparatorItemViewer::CalcSize(vcl::TCanvas*, int& AWidth, int& AHeight) {
  if (IsToolbarStyle()) {
    AWidth = AHeight = 6;
  } else {
    AWidth = 0;
    AHeight = 10;
  }
}

void TDKSeparatorItemViewer::Paint(vcl::TCanvas* Canvas, const RECT& ClientAreaRect, bool, bool,
                                   bool) {
  if (static_cast<const TDKSeparatorItem*>(Item())->Blank()) return;
  RECT r = ClientAreaRect;
  const bool toolbar = IsToolbarStyle();
  // Across a toolbar's line, or along it where it breaks the line: a vertical toolbar's lines
  // are its columns.
  const bool horizontalLine = !toolbar || LineBreak != (View()->Orientation() == dkvoVertical);
  if (horizontalLine) {
    if (!toolbar) {
      r.left += 12;
      r.right -= 12;
    }
    r.top = (r.top + r.bottom) / 2 - 1;
    r.bottom = r.top + 2;
    gdi::DrawEdge(Canvas->Handle(), &r, gdi::EDGE_ETCHED, gdi::BF_TOP);
  } else {
    r.top += 4;
    r.bottom -= 4;
    r.left = (r.left + r.right) / 2 - 1;
    r.right = r.left + 2;
    gdi::DrawEdge(Canvas->Handle(), &r, gdi::EDGE_ETCHED, gdi::BF_LEFT);
  }
}

}  // namespace docking
