#include "everyform.h"

using namespace vcl;

namespace vcltest {

namespace {
template <class T>
T* Make(TForm* form, TWinControl* parent, const char* name, int l, int t, int w, int h) {
  auto* c = new T(form);
  c->SetName(name);
  c->SetParent(parent);
  c->SetBounds(l, t, w, h);
  return c;
}
}  // namespace

TEveryForm::TEveryForm(rtl::TComponent* owner) : TForm(owner) {
  SetCaption("Every control");
  SetBorderStyle(bsSingle);
  SetBounds(20, 20, 640, 460);
  SetClientWidth(632);
  SetClientHeight(430);

  SidePanel = Make<TPanel>(this, this, "SidePanel", 0, 0, 90, 430);
  SidePanel->SetAlign(alLeft);
  SidePanel->SetCaption("Side");
  Splitter1 = Make<TSplitter>(this, this, "Splitter1", 90, 0, 4, 430);
  Splitter1->SetAlign(alLeft);
  Splitter1->SetBeveled(true);

  Label1 = Make<TLabel>(this, this, "Label1", 104, 10, 60, 16);
  Label1->SetCaption("&Name:");
  Edit1 = Make<TEdit>(this, this, "Edit1", 170, 6, 120, 21);
  Label1->SetFocusControl(Edit1);
  Button1 = Make<TButton>(this, this, "Button1", 300, 4, 75, 25);
  Button1->SetCaption("&Try");
  BitBtn1 = Make<TBitBtn>(this, this, "BitBtn1", 380, 4, 75, 25);
  BitBtn1->SetKind(bkOK);
  BitBtn2 = Make<TBitBtn>(this, this, "BitBtn2", 460, 4, 75, 25);
  BitBtn2->SetKind(bkCancel);
  SpeedButton1 = Make<TSpeedButton>(this, this, "SpeedButton1", 545, 4, 25, 25);
  SpeedButton1->SetCaption("A");
  SpeedButton1->SetGroupIndex(1);
  SpeedButton1->SetDown(true);
  SpeedButton2 = Make<TSpeedButton>(this, this, "SpeedButton2", 572, 4, 25, 25);
  SpeedButton2->SetCaption("B");
  SpeedButton2->SetGroupIndex(1);

  CheckBox1 = Make<TCheckBox>(this, this, "CheckBox1", 104, 36, 140, 17);
  CheckBox1->SetCaption("Require &checksum");
  RadioGroup1 = Make<TRadioGroup>(this, this, "RadioGroup1", 104, 58, 180, 70);
  RadioGroup1->SetCaption("Speed Source");
  RadioGroup1->Items()->Add("Use GPS SOG");
  RadioGroup1->Items()->Add("Use Speedlog");
  GroupBox1 = Make<TGroupBox>(this, this, "GroupBox1", 290, 36, 150, 92);
  GroupBox1->SetCaption("&Group");
  RadioButton1 = Make<TRadioButton>(this, GroupBox1, "RadioButton1", 10, 20, 120, 17);
  RadioButton1->SetCaption("First");
  RadioButton2 = Make<TRadioButton>(this, GroupBox1, "RadioButton2", 10, 44, 120, 17);
  RadioButton2->SetCaption("Second");
  SpinEdit1 = Make<TSpinEdit>(this, GroupBox1, "SpinEdit1", 10, 64, 80, 22);
  SpinEdit1->SetMaxValue(10);

  ComboBox1 = Make<TComboBox>(this, this, "ComboBox1", 450, 36, 90, 21);
  for (const char* s : {"Network", "COM1", "COM2", "COM3"}) ComboBox1->Items()->Add(s);
  ComboBox1->SetText("COM1");
  ComboBox2 = Make<TComboBox>(this, this, "ComboBox2", 450, 62, 90, 21);
  ComboBox2->SetStyle(csDropDownList);
  for (const char* s : {"4800", "9600", "19200", "38400"}) ComboBox2->Items()->Add(s);
  ComboBox2->SetItemIndex(0);
  ScrollBar1 = Make<TScrollBar>(this, this, "ScrollBar1", 450, 90, 170, 17);
  ScrollBar1->SetLargeChange(10);

  ListBox1 = Make<TListBox>(this, this, "ListBox1", 104, 136, 110, 80);
  for (const char* s : {"VHW", "HDG", "MWV", "RMC", "GLL", "VTG", "DBT", "GGA"})
    ListBox1->Items()->Add(s);
  CheckListBox1 = Make<TCheckListBox>(this, this, "CheckListBox1", 220, 136, 130, 80);
  for (const char* s : {"Performance", "Target Speed", "Speed"}) CheckListBox1->Items()->Add(s);
  CheckListBox1->SetChecked(1, true);
  Memo1 = Make<TMemo>(this, this, "Memo1", 356, 134, 130, 82);
  Memo1->Lines()->Add("$GPRMC,1");
  Memo1->Lines()->Add("$IIVHW,2");
  for (int i = 3; i <= 8; ++i) Memo1->Lines()->Add("$WIMWV," + std::to_string(i));
  Memo1->SetScrollBars(ssVertical);
  RichEdit1 = Make<TRichEdit>(this, this, "RichEdit1", 492, 134, 130, 82);
  RichEdit1->SetColor(clNavy);
  RichEdit1->SelAttributes()->SetColor(clLime);
  RichEdit1->Lines()->Add("COM1: is available..");
  RichEdit1->SelAttributes()->SetColor(clRed);
  RichEdit1->Lines()->Add("COM2: not available..");

  TrackBar1 = Make<TTrackBar>(this, this, "TrackBar1", 104, 222, 160, 34);
  TrackBar1->SetMax(100);
  TrackBar1->SetFrequency(10);
  ProgressBar1 = Make<TProgressBar>(this, this, "ProgressBar1", 270, 226, 150, 16);
  ProgressBar1->SetPosition(40);
  CGauge1 = Make<TCGauge>(this, this, "CGauge1", 430, 224, 190, 20);
  CGauge1->SetForeColor(clNavy);
  CGauge1->SetProgress(65);

  PageControl1 = Make<TPageControl>(this, this, "PageControl1", 104, 262, 300, 160);
  TabSheet1 = new TTabSheet(this);
  TabSheet1->SetName("TabSheet1");
  TabSheet1->SetCaption("NMEA &In");
  TabSheet1->SetPageControl(PageControl1);
  TabSheet2 = new TTabSheet(this);
  TabSheet2->SetName("TabSheet2");
  TabSheet2->SetCaption("NMEA &Out");
  TabSheet2->SetPageControl(PageControl1);
  Panel1 = Make<TPanel>(this, TabSheet1, "Panel1", 8, 8, 120, 40);
  Panel1->SetCaption("Panel");
  Panel1->SetBevelInner(bvLowered);
  Shape1 = Make<TShape>(this, TabSheet1, "Shape1", 140, 10, 20, 20);
  Shape1->SetShape(stCircle);
  Shape1->Brush()->SetColor(clRed);
  Bevel1 = Make<TBevel>(this, TabSheet1, "Bevel1", 8, 60, 270, 4);
  Bevel1->SetShape(bsTopLine);
  Image1 = Make<TImage>(this, TabSheet1, "Image1", 180, 8, 48, 40);
  Image1->SetStretch(true);
  TBitmap* pic = Image1->Picture()->Bitmap();
  pic->SetSize(12, 10);
  pic->Canvas()->Brush()->SetColor(clTeal);
  pic->Canvas()->FillRect(TRect{0, 0, 6, 10});
  auto* sheet2Edit = Make<TEdit>(this, TabSheet2, "Edit2", 8, 8, 100, 21);
  sheet2Edit->SetText("out");

  AfterConstruction();
}

}  // namespace vcltest
