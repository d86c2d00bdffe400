#pragma once
// Popup windows of menus, submenus, drop-downs and the chevron, and where they are placed.
#include "docking/dkitem.h"

namespace docking {

// Direction flags given to the popup animation.
enum : unsigned { dkpdLeft = 1, dkpdRight = 2, dkpdDown = 4, dkpdUp = 8 };

// What decides where a popup goes, in screen coordinates.
struct TDKPopupPlaceInput {
  RECT Ref{0, 0, 0, 0};      // the opening viewer (a point popup: the point, zero size)
  RECT Monitor{0, 0, 0, 0};  // the work area the popup must stay on
  int Width = 0, Height = 0;
  bool HasParentView = false;
  bool AsSubmenu = false;
  bool ParentVertical = false;  // the opening view is a vertical toolbar
  bool FromChevron = false;     // the chevron of a horizontal toolbar
  bool ChainOpensLeft = false;  // the popup this one comes from opened to the left
  bool MenuDropRight = false;   // the system aligns drop-downs at their button's right
  TDKPopupAlignment Alignment = dkpaLeft;
  std::vector<RECT> ParentViewers;  // shown viewers of the opening view (screen)
};
struct TDKPopupPlace {
  int X = 0, Y = 0;
  bool OpensLeft = false;
  unsigned Direction = 0;
};
TDKPopupPlace DKPlacePopup(const TDKPopupPlaceInput& In);

class TDKPopupView : public TDKView {
 public:
  TDKPopupView(rtl::TComponent* AOwner, TDKView* AParentView, TDKCustomItem* AParentItem,
               vcl::TWinControl* AWindow, bool AIsToolbar, bool ACustomizing,
               bool AUsePriorityList);
  void AutoSize(int AWidth, int AHeight) override;
  vcl::TFont* GetFont() override;
  RECT MonitorRect{0, 0, 0, 0};
};

// Never activated: the form whose menu is open keeps its active caption.
class TDKPopupWindow : public vcl::TCustomControl {
 public:
  TDKPopupWindow(rtl::TComponent* AOwner, TDKView* AParentView, TDKCustomItem* AItem,
                 bool ACustomizing);
  ~TDKPopupWindow() override;
  TDKPopupView* View() const { return view_.get(); }
  unsigned Direction() const { return direction_; }
  void SetDirection(unsigned v) { direction_ = v; }
  void ShowNoActivate();
  vcl::TRect ClientRect() const override;  // inside the 3-pixel frame

 protected:
  void CreateParams(vcl::TCreateParams& Params) override;
  void WndProc(vcl::TMessage& Message) override;
  void Paint() override;

 private:
  void PaintScrollArrows(vcl::TCanvas* Canvas);
  // Shows the window, with the menu animation when the system has it on.
  void ShowAnimated();
  void DrawFrame(win::HDC DC);
  std::unique_ptr<TDKPopupView> view_;
  unsigned direction_ = 0;
};

}  // namespace docking
