#pragma once
// A form with a plain window for views, an image list of 16 x 16 images, and item makers.
#include <gtest/gtest.h>

#include "docking/dkitem.h"
#include "docking/dkpopup.h"
#include "platform/gdi/text.h"
#include "platform/vcl/forms.h"
#include "tests/platform/vcl/vcltest.h"

namespace gdi {
inline void PrintTo(const RECT& r, std::ostream* os) {
  *os << "(" << r.left << "," << r.top << ")-(" << r.right << "," << r.bottom << ")";
}
inline void PrintTo(const SIZE& s, std::ostream* os) {
  *os << s.cx << "x" << s.cy;
}
}  // namespace gdi

namespace itemtest {

using namespace docking;

inline RECT Rc(int l, int t, int r, int b) {
  return RECT{l, t, r, b};
}

class ItemTest : public vcltest::VclTest {
 protected:
  void SetUp() override {
    VclTest::SetUp();
    app->CreateForm(form);
    form->SetBounds(100, 50, 600, 400);
    host = new vcl::TCustomControl(form);
    host->SetParent(form);
    host->SetBounds(0, 0, 500, 300);
    images = new vcl::TImageList(form);
    // Four 16 x 16 images: dark squares on a magenta mask.
    vcl::TBitmap strip;
    strip.SetSize(64, 16);
    strip.Canvas()->Brush()->SetColor(vcl::TColor(0xFF00FF));
    strip.Canvas()->FillRect(vcl::TRect{0, 0, 64, 16});
    for (int k = 0; k < 4; ++k) {
      strip.Canvas()->Brush()->SetColor(vcl::TColor(0x203040 * (k + 1) & 0xFFFFFF));
      strip.Canvas()->FillRect(vcl::TRect{k * 16 + 3, 3, k * 16 + 13, 13});
    }
    images->AddMasked(&strip, vcl::TColor(0xFF00FF));
    form->Show();
    Pump();
  }
  void TearDown() override {
    views.clear();
    VclTest::TearDown();
  }

  TDKView* MakeView(TDKCustomItem* root, bool toolbar, bool priority = false) {
    views.push_back(
        std::make_unique<TDKView>(nullptr, nullptr, root, host, toolbar, false, priority));
    return views.back().get();
  }
  template <typename T = TDKItem>
  T* Add(TDKCustomItem* parent, const std::string& caption = "", int image = -1) {
    auto* i = new T(nullptr);
    i->SetCaption(caption);
    i->SetImageIndex(image);
    parent->Add(i);
    return i;
  }
  TDKSeparatorItem* Sep(TDKCustomItem* parent) { return Add<TDKSeparatorItem>(parent); }

  // Runs the scripted input until it is used up.
  void RunScript(win::InputScript& script) {
    for (int guard = 0; guard < 1000 && !script.Done(); ++guard) app->HandleMessage();
    Pump();
  }

  // The host's font measures captions as the views do.
  int TextWidth(const std::string& s) {
    vcl::TBitmap b;
    b.SetSize(1, 1);
    b.Canvas()->Font()->Assign(host->Font());
    return b.Canvas()->TextWidth(s);
  }
  int TextHeight() {
    vcl::TBitmap b;
    b.SetSize(1, 1);
    b.Canvas()->Font()->Assign(host->Font());
    gdi::TEXTMETRIC tm{};
    gdi::GetTextMetrics(b.Canvas()->Handle(), &tm);
    return tm.tmHeight;
  }

  vcl::TForm* form = nullptr;
  vcl::TCustomControl* host = nullptr;
  vcl::TImageList* images = nullptr;
  std::vector<std::unique_ptr<TDKView>> views;
};

}  // namespace itemtest
