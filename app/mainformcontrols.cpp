// The main window's controls, timers and tables, and the events they are bound to.
#include <filesystem>
#include <string>

#include "app/mainform.h"
#include "platform/vcl/newchild.h"

namespace {

vcl::TTimer* MakeTimer(TForm1* form, const std::string& name, unsigned interval, bool enabled) {
  auto* t = vcl::NewChild<vcl::TTimer>(form, nullptr, name);
  t->SetEnabled(false);
  t->SetInterval(interval);
  t->SetEnabled(enabled);
  return t;
}

}  // namespace

void TForm1::BuildComponents() {
  SetName("Form1");
  BDE321 = vcl::NewChild<TBDE32>(this, nullptr, "BDE321");
  // The window's stored values, over what the set-up read.
  BDE321->LocalShare = false;
  BDE321->PdxNetDir = "C:\\temp";
  BDE321->MaxBufSize = 2048;
  BDE321->MaxFileHandles = 48;
  BDE321->MemSize = 16;
  BDE321->SharedMemSize = 2048;
  SetCaption("Corvatalen");
  SetBounds(0, 0, 1280, 800);
  StatusPanel = vcl::NewChild<vcl::TPanel>(this, this, "StatusPanel");
  StatusPanel->SetAlign(vcl::alBottom);
  StatusPanel->SetHeight(24);
  StatusPanel->SetCaption("");
  Label1 = vcl::NewChild<vcl::TLabel>(this, StatusPanel, "Label1");
  Label1->SetBounds(4, 4, 600, 16);
  Label1->SetCaption("");
  BuildDocks();
  // The map fills what the docks leave of the client area.
  EarthMap1 = vcl::NewChild<TEarthMap>(this, this, "EarthMap1");
  EarthMap1->SetAlign(vcl::alClient);
  // Its files (the world layer, the chart image) are those of the working directory.
  EarthMap1->SetDataDirectory(std::filesystem::current_path().string());
  EarthMap1->OnDblClick = rtl::MakeEvent(this, &TForm1::EarthMap1Click);
  EarthMap1->OnMouseMove = rtl::MakeEvent(this, &TForm1::EarthMap1MouseMove);
  EarthMap1->OnMouseDown = rtl::MakeEvent(this, &TForm1::EarthMap1MouseDown);
  EarthMap1->OnMouseUp = rtl::MakeEvent(this, &TForm1::EarthMap1MouseUp);
  // The buttons, each wrapped by its tool bar as it is placed on it.
  vcl::TWinControl* bar = DKToolbar1;
  auto button = [&](const std::string& name, const std::string& caption) {
    auto* b = vcl::NewChild<vcl::TSpeedButton>(this, nullptr, name);
    b->SetBounds(0, 0, 64, 28);
    b->SetCaption(caption);
    b->SetParent(bar);
    return b;
  };
  SpeedButton20 = button("SpeedButton20", "Settings");
  SpeedButton22 = button("SpeedButton22", "Comms");
  SpeedButton1 = button("SpeedButton1", "Polar");
  SpeedButton3 = button("SpeedButton3", "About");
  SpeedButton25 = button("SpeedButton25", "Replay");
  SpeedButton25->SetHint("Replay functions");
  SpeedButton25->SetGroupIndex(25);
  SpeedButton25->SetAllowAllUp(true);
  SpeedButton30 = button("SpeedButton30", "Record");
  SpeedButton30->SetGroupIndex(30);
  SpeedButton30->SetAllowAllUp(true);
  SpeedButton20->SetEnabled(false);
  SpeedButton22->SetEnabled(false);
  bar = DKToolbar2;
  SpeedButton19 = button("SpeedButton19", "Panels");
  SpeedButton16 = button("SpeedButton16", "Span -");
  SpeedButton17 = button("SpeedButton17", "Span +");
  SpeedButton14 = button("SpeedButton14", "Zoom -");
  SpeedButton2 = button("SpeedButton2", "Zoom +");
  SpeedButton24 = button("SpeedButton24", "Spin");
  SpeedButton24->SetGroupIndex(24);
  SpeedButton24->SetAllowAllUp(true);
  WPdatabaseButton = button("WPdatabaseButton", "Waypoints");
  Button1 = vcl::NewChild<vcl::TButton>(this, nullptr, "Button1", 0, 0, 96, 28);
  Button1->SetCaption("-180 <> 180");
  Button1->SetParent(DKToolbar2);
  SpeedyButton6 = button("SpeedyButton6", "Sails");
  BitBtn3 = vcl::NewChild<vcl::TBitBtn>(this, nullptr, "BitBtn3", 0, 0, 72, 28);
  BitBtn3->SetCaption("Capture");
  BitBtn3->SetParent(DKToolbar1);
  bar = DKToolbar4;
  SpeedButton4 = button("SpeedButton4", "Open");
  SpeedButton4->SetHint("Replay a recording");
  SpeedButton9 = button("SpeedButton9", "<<<");
  SpeedButton36 = button("SpeedButton36", "<<");
  SpeedButton33 = button("SpeedButton33", "<");
  SpeedButton67 = button("SpeedButton67", "Play");
  SpeedButton80 = button("SpeedButton80", "Fast");
  SpeedButton34 = button("SpeedButton34", ">");
  SpeedButton5 = button("SpeedButton5", ">>");
  SpeedButton31 = button("SpeedButton31", ">>>");
  for (vcl::TSpeedButton* b : {SpeedButton67, SpeedButton80}) {
    b->SetGroupIndex(67);
    b->SetAllowAllUp(true);
  }
  // They act on a loaded recording only: off until one is.
  SetReplayButtonsEnabled(false, true);
  BuildPanels();
  BuildCharts();

  Timer1 = MakeTimer(this, "Timer1", 1000, false);
  Timer1->OnTimer = rtl::MakeEvent(this, &TForm1::Timer1Timer);
  Timer2 = MakeTimer(this, "Timer2", 2000, false);
  Timer2->OnTimer = rtl::MakeEvent(this, &TForm1::Timer2Timer);
  Timer3 = MakeTimer(this, "Timer3", 1000, false);
  Timer3->OnTimer = rtl::MakeEvent(this, &TForm1::Timer3Timer);
  Timer4 = MakeTimer(this, "Timer4", 500, false);
  Timer4->OnTimer = rtl::MakeEvent(this, &TForm1::Timer4Timer);
  // Armed once every form exists (ArmStartTimers): both reach into the other forms.
  Timer5 = MakeTimer(this, "Timer5", 10000, false);
  Timer5->OnTimer = rtl::MakeEvent(this, &TForm1::Timer5Timer);
  Timer6 = MakeTimer(this, "Timer6", 1000, false);
  Timer6->OnTimer = rtl::MakeEvent(this, &TForm1::Timer6Timer);
  Timer7 = MakeTimer(this, "Timer7", 40000, false);
  Timer7->OnTimer = rtl::MakeEvent(this, &TForm1::Timer7Timer);
  Timer8 = MakeTimer(this, "Timer8", 100, false);
  Timer8->OnTimer = rtl::MakeEvent(this, &TForm1::Timer8Timer);

  Table1 = vcl::NewChild<db::TTable>(this, nullptr, "Table1");
  Table1->SetTableName("PERFORMANCE.DBF");
  Table2 = vcl::NewChild<db::TTable>(this, nullptr, "Table2");
  Table2->SetTableName("waypoints.DB");
  DataSource2 = vcl::NewChild<db::TDataSource>(this, nullptr, "DataSource2");
  DataSource2->SetDataSet(Table2);
  Table3 = vcl::NewChild<db::TTable>(this, nullptr, "Table3");
  Table3->SetTableType(db::ttParadox);
  Table3->SetTableName("demonstration.lg");
  DefineLogFields(*Table3);

  SpeedButton20->OnClick = rtl::MakeEvent(this, &TForm1::General1Click);
  SpeedButton22->OnClick = rtl::MakeEvent(this, &TForm1::SpeedxButton5Click);
  SpeedButton1->OnClick = rtl::MakeEvent(this, &TForm1::Polar1Click);
  SpeedButton3->OnClick = rtl::MakeEvent(this, &TForm1::About1Click);
  SpeedyButton6->OnClick = rtl::MakeEvent(this, &TForm1::SpeedyButton6Click);
  SpeedButton30->OnClick = rtl::MakeEvent(this, &TForm1::SpeedButton30Click);
  SpeedButton25->OnClick = rtl::MakeEvent(this, &TForm1::SpeedButton25Click);
  SpeedButton19->OnClick = rtl::MakeEvent(this, &TForm1::SpeedButton11Click);
  SpeedButton16->OnClick = rtl::MakeEvent(this, &TForm1::SpeedButton8Click);
  SpeedButton17->OnClick = rtl::MakeEvent(this, &TForm1::SpeedButton7Click);
  Button1->OnClick = rtl::MakeEvent(this, &TForm1::Button1Click);
  SpeedButton14->OnClick = rtl::MakeEvent(this, &TForm1::SpeedButton1Click);
  SpeedButton2->OnClick = rtl::MakeEvent(this, &TForm1::SpeedButton2Click);
  SpeedButton24->OnClick = rtl::MakeEvent(this, &TForm1::SpeedButton12Click);
  WPdatabaseButton->OnClick = rtl::MakeEvent(this, &TForm1::WPdatabaseButtonClick);
  chPerformance->OnDblClick = rtl::MakeEvent(this, &TForm1::WPdatabaseButtonDblClick);
  SpeedButton4->OnClick = rtl::MakeEvent(this, &TForm1::SpeedButton4Click);
  SpeedButton9->OnClick = rtl::MakeEvent(this, &TForm1::SpeedButton9Click);
  SpeedButton36->OnClick = rtl::MakeEvent(this, &TForm1::SpeedButton36Click);
  SpeedButton33->OnClick = rtl::MakeEvent(this, &TForm1::SpeedButton33Click);
  SpeedButton67->OnClick = rtl::MakeEvent(this, &TForm1::SpeedButton67Click);
  SpeedButton80->OnClick = rtl::MakeEvent(this, &TForm1::SpeedButton80Click);
  SpeedButton34->OnClick = rtl::MakeEvent(this, &TForm1::SpeedButton34Click);
  SpeedButton5->OnClick = rtl::MakeEvent(this, &TForm1::SpeedButton5Click);
  SpeedButton31->OnClick = rtl::MakeEvent(this, &TForm1::SpeedButton31Click);
  OnCreate = rtl::MakeEvent(this, &TForm1::FormCreate);
  OnClose = rtl::MakeEvent(this, &TForm1::FormClose);
  OnDestroy = rtl::MakeEvent(this, &TForm1::FormDestroy);
  BuildVideoComponents();
}
