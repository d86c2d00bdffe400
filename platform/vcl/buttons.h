#pragma once
// Bitmap buttons (a push button with a glyph and a kind that sets caption and result) and speed
// buttons (flat tool buttons that can stay down, alone or in a group).
#include <memory>

#include "platform/vcl/bitmap.h"
#include "platform/vcl/stdctrls.h"

namespace vcl {

enum TBitBtnKind {
  bkCustom,
  bkOK,
  bkCancel,
  bkHelp,
  bkYes,
  bkNo,
  bkClose,
  bkAbort,
  bkRetry,
  bkIgnore,
  bkAll
};
enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };

class TBitBtn : public TButton {
 public:
  explicit TBitBtn(rtl::TComponent* AOwner);
  TBitBtnKind Kind() const { return kind_; }
  // Sets caption, ModalResult, Default and Cancel as the kind has them.
  void SetKind(TBitBtnKind v);
  TBitmap* Glyph() const { return glyph_.get(); }
  TButtonLayout Layout() const { return layout_; }
  void SetLayout(TButtonLayout v);
  // bkClose closes the form, bkHelp asks for help on HelpContext; then OnClick.
  void Click() override;

 protected:
  void PaintContent(TRect r) override;

 private:
  void GlyphChanged(rtl::TObject*) { Invalidate(); }
  void DrawKindGlyph(TRect r);
  TBitBtnKind kind_ = bkCustom;
  TButtonLayout layout_ = blGlyphLeft;
  std::unique_ptr<TBitmap> glyph_;
};

class TSpeedButton : public TGraphicControl {
 public:
  explicit TSpeedButton(rtl::TComponent* AOwner);
  bool Down() const { return down_; }
  // Puts the button down (releasing the others of its group) without firing OnClick.
  void SetDown(bool v);
  int GroupIndex() const { return groupIndex_; }
  void SetGroupIndex(int v) { groupIndex_ = v; }
  bool AllowAllUp() const { return allowAllUp_; }
  void SetAllowAllUp(bool v) { allowAllUp_ = v; }
  bool Flat() const { return flat_; }
  void SetFlat(bool v);
  TBitmap* Glyph() const { return glyph_.get(); }
  void Click() override;

 protected:
  void Paint() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  bool DialogChar(unsigned key) override;
  void WndProc(TMessage& m) override;

 private:
  void GlyphChanged(rtl::TObject*) { Invalidate(); }
  bool hot_ = false;
  bool down_ = false;
  bool pressed_ = false;
  int groupIndex_ = 0;
  bool allowAllUp_ = false;
  bool flat_ = false;
  std::unique_ptr<TBitmap> glyph_;
};

}  // namespace vcl
