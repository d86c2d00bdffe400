// What the main window's tool windows hold (value panels and gauges); the panel activation list,
// the value labels' font sizing, the splitter and the small window commands.
#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "app/mainform.h"
#include "platform/vcl/newchild.h"

namespace {

// The value labels' seven-segment face (lcd2.ttf in the working directory).
constexpr const char* kValueFace = "DSEG7 Classic";
constexpr vcl::TColor kNavy = 0x800000;
constexpr vcl::TColor kGrey = 0x808080;

// A centred label filling its panel.
vcl::TLabel* FillLabel(TForm1* form, vcl::TPanel* panel, const std::string& name, int height) {
  auto* label = vcl::NewChild<vcl::TLabel>(form, panel, name);
  label->SetAutoSize(false);
  label->SetAlign(vcl::alClient);
  label->SetAlignment(vcl::taCenter);
  label->SetLayout(vcl::tlCenter);
  label->SetTransparent(true);
  label->Font()->SetName(kValueFace);
  label->Font()->SetHeight(height);
  label->SetCaption("");
  return label;
}

}  // namespace

void TForm1::BuildPanels() {
  // Numbers: one value panel or a row of small ones in each window.
  auto valuePanel = [&](vcl::TWinControl* win, const std::string& panelName,
                        const std::string& labelName, vcl::TLabel*& label,
                        void (TForm1::*resize)(rtl::TObject*)) {
    auto* panel = vcl::NewChild<vcl::TPanel>(this, win, panelName);
    panel->SetBevelOuter(vcl::bvLowered);
    panel->SetColor(vcl::clWhite);
    panel->SetCaption("");
    panel->SetAlign(vcl::alClient);
    label = FillLabel(this, panel, labelName, ValueFontHeight(panel->Height()));
    panel->OnResize = rtl::MakeEvent(this, resize);
    ResizeValueLabel(panel, label);
    return panel;
  };
  Panel5 = valuePanel(MakeToolWindow(11), "Panel5", "Label15", Label15,
                      &TForm1::Panel5Resize);
  Panel11 = valuePanel(MakeToolWindow(8), "Panel11", "Label32", Label32,
                       &TForm1::Panel11Resize);
  Panel1 = valuePanel(MakeToolWindow(7), "Panel1", "Label3", Label3,
                      &TForm1::Panel1Resize);
  Panel4 = valuePanel(MakeToolWindow(10), "Panel4", "Label12", Label12,
                      &TForm1::Panel4Resize);
  Panel2 = valuePanel(MakeToolWindow(9), "Panel2", "Label9", Label9,
                      &TForm1::Panel2Resize);
  TackLabel = vcl::NewChild<vcl::TLabel>(this, Panel2, "TackLabel", 4, 2, 24, 14);
  TackLabel->SetTransparent(true);
  TackLabel->SetCaption("SB");
  Panel10 = valuePanel(MakeToolWindow(12), "Panel10", "Label29", Label29,
                       &TForm1::Panel10Resize);
  Panel3 = valuePanel(MakeToolWindow(6), "Panel3", "Label6", Label6,
                      &TForm1::Panel3Resize);
  Panel6 = valuePanel(MakeToolWindow(13), "Panel6", "Label18", Label18, &TForm1::Panel6Resize);
  Panel22 =
      valuePanel(MakeToolWindow(22), "Panel22", "Label48", Label48, &TForm1::Panel22Resize);
  Panel23 = valuePanel(MakeToolWindow(18), "Panel23", "Label52", Label52,
                       &TForm1::Panel23Resize);
  Panel12 =
      valuePanel(MakeToolWindow(29), "Panel12", "Label98", Label98, &TForm1::Panel12Resize);
  Panel8 =
      valuePanel(MakeToolWindow(27), "Panel8", "Label89", Label89, &TForm1::Panel8Resize);
  Panel7 = valuePanel(MakeToolWindow(5), "Panel7", "Label84", Label84,
                      &TForm1::Panel7Resize);
  Panel13 = valuePanel(MakeToolWindow(30), "Panel13", "Label104", Label104,
                       &TForm1::Panel13Resize);

  // The unnamed panels: one or two fixed-size values each.
  auto smallValues = [&](docking::TDKToolWindow* win, std::vector<vcl::TLabel**> labels,
                         std::vector<std::string> names) {
    const int w = win->ClientAreaWidth() / static_cast<int>(labels.size());
    for (size_t i = 0; i < labels.size(); ++i) {
      auto* panel = vcl::NewChild<vcl::TPanel>(this, win, "", static_cast<int>(i) * w, 0, w,
                                               win->ClientAreaHeight());
      panel->SetAnchors(vcl::akLeft | vcl::akTop | vcl::akBottom);
      panel->SetBevelOuter(vcl::bvLowered);
      panel->SetColor(vcl::clWhite);
      panel->SetCaption("");
      *labels[i] = FillLabel(this, panel, names[i], labels.size() == 1 ? 40 : 18);
    }
  };
  smallValues(MakeToolWindow(19), {&DistanceToWaypointLabel},
              {"DistanceToWaypointLabel"});
  smallValues(MakeToolWindow(20),
              {&StarboardLaylineTimeLabel, &PortLaylineTimeLabel},
              {"StarboardLaylineTimeLabel", "PortLaylineTimeLabel"});
  smallValues(MakeToolWindow(21), {&StarboardLaylineLabel, &PortLaylineLabel},
              {"StarboardLaylineLabel", "PortLaylineLabel"});
  smallValues(MakeToolWindow(28), {&DriftLabel, &SetLabel},
              {"DriftLabel", "SetLabel"});
  TimeLabel = vcl::NewChild<vcl::TLabel>(this, StatusPanel, "TimeLabel", 1040, 4, 200, 16);
  TimeLabel->SetAnchors(vcl::akTop | vcl::akRight);
  TimeLabel->SetCaption("");

  // Gauges, one above the other in the right dock.
  struct GaugeLook {
    int number;
    const char* caption;
    int scale, indMin, indMax, angle, mainTicks;
    vcl::TColor minColor, midColor, maxColor;
    TAntialiased aa;
  };
  const GaugeLook looks[] = {
      {24, "perf%", 140, 80, 100, 270, 7, vcl::clRed, vcl::clYellow, vcl::clLime,
       aaQuadral},
      {23, "TWS", 50, 25, 35, 270, 7, vcl::clLime, vcl::clYellow, vcl::clRed,
       aaQuadral},
      {25, "TWA", 360, 180, 180, 360, 12, vcl::clRed, vcl::clYellow, vcl::clLime,
       aaBiline},
  };
  TAAGauge** gauges[] = {&AAGauge1, &AAGauge2, &AAGauge3};
  for (int i = 0; i < 3; ++i) {
    const GaugeLook& k = looks[i];
    auto* g = vcl::NewChild<TAAGauge>(this, MakeToolWindow(k.number), "AAGauge" + std::to_string(i + 1));
    g->SetAlign(vcl::alClient);
    g->SetFFaceColor(kNavy);
    for (auto set : {&TAAGauge::SetFTicksColor, &TAAGauge::SetFValueColor,
                     &TAAGauge::SetFCaptionColor})
      (g->*set)(vcl::clWhite);
    g->SetFArrowColor(kNavy);  // no needle before the first value; the refresh shows it white
    g->SetFMarginColor(vcl::clBlack);
    g->SetFCenterColor(kGrey);
    g->SetFCircleColor(vcl::clBlue);
    g->SetFCenterRadius(8);
    g->SetFCircleRadius(3);
    g->SetFMargin(10);
    g->SetFStyle(CenterStyle);
    g->SetFArrowWidth(2);
    g->SetFLengthMainTicks(15);
    g->SetFLengthSubTicks(8);
    g->SetFFaceOptions(TFaceOptions{ShowMainTicks, ShowSubTicks, ShowIndicatorMin, ShowIndicatorMid,
                                    ShowIndicatorMax, ShowValues, ShowCenter, ShowFrame, Show3D,
                                    ShowCaption});
    g->SetFCaption(k.caption);
    g->SetFScaleValue(k.scale);
    g->SetFMaximum(k.indMax);
    g->SetFMinimum(k.indMin);
    g->SetFScaleAngle(k.angle);
    g->SetFNumMainTicks(k.mainTicks);
    g->SetFMinColor(k.minColor);
    g->SetFMidColor(k.midColor);
    g->SetFMaxColor(k.maxColor);
    g->SetFAntiAliased(k.aa);
    *gauges[i] = g;
  }

  // The video window comes with the capture control; hidden until chosen in the list.
  MakeToolWindow(31);

  // Panel activation.
  Panel21 = vcl::NewChild<vcl::TPanel>(this, this, "Panel21", 440, 120, 640, 330);
  Panel21->SetCaption("");
  auto* heading = vcl::NewChild<vcl::TLabel>(this, Panel21, "", 8, 6, 300, 16);
  heading->SetCaption("Panel Activation");
  const std::pair<const char*, std::vector<std::string>> lists[] = {
      {"CheckListBox1",
       {"Performance", "Target Speed", "Speed", "Wind Speed", "Wind Angle", "True Wind Direction",
        "Course", "VMG", "Depth"}},
      {"CheckListBox2",
       {"Performance", "Target Speed", "Speed over Ground", "True Wind Speed", "True Wind Angle",
        "True Wind Direction", "Course over Ground", "VMG", "Depth", "Bearing to Waypoint",
        "Distance to Waypoint", "Time to Layline", "Distance to Layline", "Apparent Wind Angle",
        "Apparent Wind Speed", "Heading ", "Current/Drift", "Speed (Log)"}},
      {"CheckListBox3", {"Wind Angle", "Wind Speed", "Performance"}},
      {"CheckListBox4", {"Channel1"}},
  };
  vcl::TCheckListBox** boxes[] = {&CheckListBox1, &CheckListBox2, &CheckListBox3, &CheckListBox4};
  for (int i = 0; i < 4; ++i) {
    auto* box =
        vcl::NewChild<vcl::TCheckListBox>(this, Panel21, lists[i].first, 8 + i * 156, 26, 150, 256);
    for (const std::string& item : lists[i].second) box->Items()->Add(item);
    box->OnClick = rtl::MakeEvent(this, &TForm1::CheckListBox1ClickCheck);
    box->OnClickCheck = rtl::MakeEvent(this, &TForm1::CheckListBox1ClickCheck);
    *boxes[i] = box;
  }
  BitBtn1 = vcl::NewChild<vcl::TBitBtn>(this, Panel21, "BitBtn1", 548, 292, 84, 28);
  BitBtn1->SetCaption("Close");
  BitBtn1->OnClick = rtl::MakeEvent(this, &TForm1::BitBtn1Click);
  Panel21->SetVisible(false);

  Splitter1->OnCanResize = rtl::MakeEvent(this, &TForm1::Splitter1CanResize);
  Splitter1->OnMoved = rtl::MakeEvent(this, &TForm1::Splitter1Moved);
}

std::vector<std::pair<vcl::TCheckListBox*, std::vector<docking::TDKToolWindow*>>>
TForm1::ActivationTable() {
  auto w = [this](std::initializer_list<int> numbers) {
    std::vector<docking::TDKToolWindow*> out;
    for (int n : numbers) out.push_back(DKToolWindow[n]);
    return out;
  };
  return {{CheckListBox1, w({1, 2, 3, 4, 15, 14, 16, 17, 26})},
          {CheckListBox2, w({11, 8, 7, 10, 9, 12, 6, 13, 22, 18, 19, 20, 21, 29, 27, 5, 28, 30})},
          {CheckListBox3, w({25, 23, 24})},
          {CheckListBox4, w({31})}};
}

// Every list, the video list included: a window closed since the last showing must not come
// back at the next click in a list.
void TForm1::SpeedButton11Click(rtl::TObject*) {
  for (auto& [list, windows] : ActivationTable())
    for (size_t i = 0; i < windows.size(); ++i)
      list->SetChecked(static_cast<int>(i), windows[i]->Visible());
  Panel21->SetVisible(true);
  Panel21->BringToFront();
}

void TForm1::CheckListBox1ClickCheck(rtl::TObject*) {
  for (auto& [list, windows] : ActivationTable())
    for (size_t i = 0; i < windows.size(); ++i)
      windows[i]->SetVisible(list->Checked(static_cast<int>(i)));
}

void TForm1::BitBtn1Click(rtl::TObject*) {
  Panel21->SetVisible(false);
}

void TForm1::Splitter1CanResize(rtl::TObject*, int& NewSize, bool&) {
  DKDock1->SetWidth(NewSize - 2);
}

void TForm1::Splitter1Moved(rtl::TObject*) {
  DKDock1->SetWidth(Splitter1->Left() + Splitter1->Width());
}

void TForm1::SpeedButton25Click(rtl::TObject*) {
  DKToolbar4->SetVisible(!DKToolbar4->Visible());
}

void TForm1::SpeedButton6Click(rtl::TObject*) {
  Close();
}

void TForm1::SpeedButton26Click(rtl::TObject*) {}

void TForm1::SpeedButton46Click(rtl::TObject*) {}

void TForm1::NMUDP1DataReceived(rtl::TObject*, int NumberBytes, const std::string&, int) {
  fUdpByteCount += NumberBytes;
}

int TForm1::ValueFontHeight(int panelHeight) {
  return std::max(1, panelHeight - 32);
}

void TForm1::ResizeValueLabel(vcl::TPanel* panel, vcl::TLabel* label) {
  label->Font()->SetHeight(ValueFontHeight(panel->Height()));
}

void TForm1::StatusPanelResize(rtl::TObject*) {
  // On a narrow line the message label, which the time and the button never cover, gives way.
  constexpr int kGap = 8, kMessageWidth = 600;
  const int room = TimeLabel->Left() - kGap - BitBtn2->Width() - kGap - Label1->Left();
  Label1->SetWidth(std::clamp(room, 0, kMessageWidth));
  BitBtn2->SetLeft(Label1->Left() + Label1->Width() + kGap);
}

void TForm1::Panel1Resize(rtl::TObject*) {
  ResizeValueLabel(Panel1, Label3);
}
void TForm1::Panel2Resize(rtl::TObject*) {
  ResizeValueLabel(Panel2, Label9);
}
void TForm1::Panel3Resize(rtl::TObject*) {
  ResizeValueLabel(Panel3, Label6);
}
void TForm1::Panel4Resize(rtl::TObject*) {
  ResizeValueLabel(Panel4, Label12);
}
void TForm1::Panel5Resize(rtl::TObject*) {
  ResizeValueLabel(Panel5, Label15);
}
void TForm1::Panel6Resize(rtl::TObject*) {
  ResizeValueLabel(Panel6, Label18);
}
void TForm1::Panel7Resize(rtl::TObject*) {
  ResizeValueLabel(Panel7, Label84);
}
void TForm1::Panel8Resize(rtl::TObject*) {
  ResizeValueLabel(Panel8, Label89);
}
void TForm1::Panel10Resize(rtl::TObject*) {
  ResizeValueLabel(Panel10, Label29);
}
void TForm1::Panel11Resize(rtl::TObject*) {
  ResizeValueLabel(Panel11, Label32);
}
void TForm1::Panel12Resize(rtl::TObject*) {
  ResizeValueLabel(Panel12, Label98);
}
void TForm1::Panel13Resize(rtl::TObject*) {
  ResizeValueLabel(Panel13, Label104);
}
void TForm1::Panel22Resize(rtl::TObject*) {
  ResizeValueLabel(Panel22, Label48);
}
void TForm1::Panel23Resize(rtl::TObject*) {
  ResizeValueLabel(Panel23, Label52);
}
