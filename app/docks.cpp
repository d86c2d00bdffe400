// The main window's docks, tool bars and tool windows, and the designed layout they start in
// (what "corvatalen.ini" holds of the user's own layout is applied over it at creation).
#include <iterator>
#include <string>

#include "app/mainform.h"
#include "platform/vcl/newchild.h"
#include "platform/vcl/screen.h"

namespace {

// Where a tool window stands before the user moves it: its dock (DKDock1..DKDock5), the row in
// that dock, the position along the row in pixels, and the size of its client area; dock 0: it
// floats, its frame's top-left corner at (floatLeft, floatTop) on the screen.
struct TDesignedPlace {
  int window;
  const char* caption;
  int dock, row, pos;
  int clientWidth, clientHeight;
  bool visible;
  int floatLeft = 0, floatTop = 0;
};

// Left dock: three columns of six value windows. Right: the three gauges. Bottom: the charts in
// two rows, the upper dock DKDock5 and the lower DKDock2. The video window floats over the map's
// place, hidden until a preview or the activation list shows it: in a dock its picture would
// push the other windows into more rows and columns. The top dock holds the tool bars.
constexpr int kValueW = 136, kValueH = 52, kValueStep = kValueH + 22;
constexpr int kChartW = 236, kChartH = 92, kChartStep = kChartW + 14;
constexpr TDesignedPlace kDesignedLayout[] = {
    {11, "Performance", 1, 0, 0 * kValueStep, kValueW, kValueH, true},
    {8, "Target Speed", 1, 0, 1 * kValueStep, kValueW, kValueH, true},
    {7, "Speed over Ground", 1, 0, 2 * kValueStep, kValueW, kValueH, true},
    {10, "True Wind Speed", 1, 0, 3 * kValueStep, kValueW, kValueH, true},
    {9, "True Wind Angle", 1, 0, 4 * kValueStep, kValueW, kValueH, true},
    {12, "True Wind Direction", 1, 0, 5 * kValueStep, kValueW, kValueH, true},
    {6, "Course over Ground", 1, 1, 0 * kValueStep, kValueW, kValueH, true},
    {13, "VMG", 1, 1, 1 * kValueStep, kValueW, kValueH, true},
    {22, "Depth", 1, 1, 2 * kValueStep, kValueW, kValueH, true},
    {18, "Bearing to Waypoint", 1, 1, 3 * kValueStep, kValueW, kValueH, true},
    {29, "App WA", 1, 1, 4 * kValueStep, kValueW, kValueH, true},
    {27, "App WS", 1, 1, 5 * kValueStep, kValueW, kValueH, true},
    {5, "Heading True", 1, 2, 0 * kValueStep, kValueW, kValueH, true},
    {30, "Speed (Log)", 1, 2, 1 * kValueStep, kValueW, kValueH, true},
    {19, "Distance to Waypoint", 1, 2, 2 * kValueStep, kValueW, kValueH, true},
    {20, "Time to Layline", 1, 2, 3 * kValueStep, kValueW, kValueH, true},
    {21, "Distance to Layline", 1, 2, 4 * kValueStep, kValueW, kValueH, true},
    {28, "Current/Drift", 1, 2, 5 * kValueStep, kValueW, kValueH, true},
    {24, "Performance", 3, 0, 0, 145, 113, true},
    {23, "Wind Speed", 3, 0, 140, 145, 113, true},
    {25, "Wind Angle", 3, 0, 280, 145, 113, true},
    {1, "Performance", 5, 0, 0 * kChartStep, kChartW, kChartH, true},
    {2, "Target Speed", 5, 0, 1 * kChartStep, kChartW, kChartH, true},
    {3, "Speed", 5, 0, 2 * kChartStep, kChartW, kChartH, true},
    {4, "Wind Speed", 5, 0, 3 * kChartStep, kChartW, kChartH, true},
    {15, "Wind Angle", 5, 0, 4 * kChartStep, kChartW, kChartH, true},
    {14, "GEO wind Angle", 2, 0, 0 * kChartStep, kChartW, kChartH, true},
    {16, "Course over ground", 2, 0, 1 * kChartStep, kChartW, kChartH, true},
    {17, "VMG", 2, 0, 2 * kChartStep, kChartW, kChartH, true},
    {26, "Depth", 2, 0, 3 * kChartStep, kChartW, kChartH, true},
    {31, "Video", 0, 0, 0, 320, 240, false, 780, 100},
};
static_assert(std::size(kDesignedLayout) == 31);

}  // namespace

void TForm1::BuildDocks() {
  // Made in the order the form aligns them at one edge: the status line below the bottom docks,
  // the upper bottom dock above the lower one, the splitter right of the left dock.
  auto dock = [this](const char* name, docking::TDKDockPosition position) {
    auto* d = vcl::NewChild<docking::TDKDock>(this, this, name);
    d->SetPosition(position);
    return d;
  };
  DKDock4 = dock("DKDock4", docking::dpTop);
  DKDock2 = dock("DKDock2", docking::dpBottom);
  DKDock5 = dock("DKDock5", docking::dpBottom);
  DKDock1 = dock("DKDock1", docking::dpLeft);
  DKDock3 = dock("DKDock3", docking::dpRight);
  Splitter1 = vcl::NewChild<vcl::TSplitter>(this, this, "Splitter1");
  Splitter1->SetAlign(vcl::alLeft);
  Splitter1->SetBounds(DKDock1->Left() + DKDock1->Width(), 0, 4, 100);

  // The tool bars: only the replay tool bar can be closed, from its own button; a closed main
  // tool bar would take with it the buttons that show everything else.
  auto toolbar = [this](const char* name, const char* caption, int row, int pos) {
    auto* b = vcl::NewChild<docking::TDKToolbar>(this, nullptr, name);
    b->SetCaption(caption);
    b->SetDockRow(row);
    b->SetDockPos(pos);
    b->SetCurrentDock(DKDock4);
    return b;
  };
  DKToolbar1 = toolbar("DKToolbar1", "Functions", 0, 0);
  DKToolbar1->SetCloseButton(false);
  DKToolbar2 = toolbar("DKToolbar2", "Display", 0, 520);
  DKToolbar2->SetCloseButton(false);
  DKToolbar4 = toolbar("DKToolbar4", "Replay functions", 1, 0);
}

docking::TDKToolWindow* TForm1::MakeToolWindow(int n) {
  const TDesignedPlace* place = nullptr;
  for (const TDesignedPlace& p : kDesignedLayout)
    if (p.window == n) place = &p;
  docking::TDKDock* docks[] = {DKDock1, DKDock2, DKDock3, DKDock4, DKDock5};
  auto* win = vcl::NewChild<docking::TDKToolWindow>(this, nullptr, "DKToolWindow" + std::to_string(n));
  win->SetCaption(place->caption);
  win->SetDockedCaption(true);  // many look alike in a dock: each shows its name
  win->SetClientAreaSize(place->clientWidth, place->clientHeight);
  win->SetVisible(place->visible);
  win->SetDockRow(place->row);
  win->SetDockPos(place->pos);
  if (place->dock == 0) {
    win->SetParent(this);
    win->SetFloatingPosition(win::POINT{place->floatLeft, place->floatTop});
    win->SetFloating(true);
  } else {
    win->SetCurrentDock(docks[place->dock - 1]);
  }
  DKToolWindow[n] = win;
  return win;
}

void TForm1::FillScreen() {
  fFillsScreen = true;
  const vcl::TRect r = vcl::Screen->WorkAreaRect();
  SetBounds(r.left, r.top, r.Width(), r.Height());
}

void TForm1::WndProc(vcl::TMessage& Message) {
  vcl::TForm::WndProc(Message);
  if (Message.Msg == win::WM_DISPLAYCHANGE && fFillsScreen) FillScreen();
}
