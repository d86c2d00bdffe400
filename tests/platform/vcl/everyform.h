#pragma once
// A form holding one of every standard control, built as a form resource would build it; the
// control tests click, type and tab through it and the snapshot test draws it.
#include "platform/vcl/buttons.h"
#include "platform/vcl/comctrls.h"
#include "platform/vcl/extctrls.h"
#include "platform/vcl/lists.h"
#include "platform/vcl/misc.h"
#include "vcltest.h"

namespace vcltest {

class TEveryForm : public vcl::TForm {
 public:
  explicit TEveryForm(rtl::TComponent* owner);

  vcl::TLabel* Label1;
  vcl::TEdit* Edit1;
  vcl::TButton* Button1;
  vcl::TBitBtn* BitBtn1;
  vcl::TBitBtn* BitBtn2;
  vcl::TSpeedButton* SpeedButton1;
  vcl::TSpeedButton* SpeedButton2;
  vcl::TCheckBox* CheckBox1;
  vcl::TRadioGroup* RadioGroup1;
  vcl::TGroupBox* GroupBox1;
  vcl::TRadioButton* RadioButton1;
  vcl::TRadioButton* RadioButton2;
  vcl::TMemo* Memo1;
  vcl::TRichEdit* RichEdit1;
  vcl::TComboBox* ComboBox1;
  vcl::TComboBox* ComboBox2;
  vcl::TListBox* ListBox1;
  vcl::TCheckListBox* CheckListBox1;
  vcl::TSpinEdit* SpinEdit1;
  vcl::TTrackBar* TrackBar1;
  vcl::TProgressBar* ProgressBar1;
  vcl::TCGauge* CGauge1;
  vcl::TPageControl* PageControl1;
  vcl::TTabSheet* TabSheet1;
  vcl::TTabSheet* TabSheet2;
  vcl::TPanel* Panel1;
  vcl::TShape* Shape1;
  vcl::TBevel* Bevel1;
  vcl::TImage* Image1;
  vcl::TSplitter* Splitter1;
  vcl::TPanel* SidePanel;
  vcl::TScrollBar* ScrollBar1;
};

// The fixture of the tests that work on a shown TEveryForm.
class EveryFormTest : public VclTest {
 protected:
  void SetUp() override {
    VclTest::SetUp();
    form = new TEveryForm(app.get());
    form->Show();
    Pump();
  }
  TEveryForm* form = nullptr;
};

}  // namespace vcltest
