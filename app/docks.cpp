// The main window's docks, tool bars and tool windows, and the designed layout they start in
// (what "corvatalen.ini" holds of the user's own layout is applied over it at creation).
#include <algorithm>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/mainform.h"
#include "platform/vcl/newchild.h"
#include "platform/vcl/screen.h"
#include "platform/win/system.h"

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

// What a docked window may give up when the window is too small for the designed layout: along
// its dock, down to these client lengths, before the dock wraps it into another row. A value keeps
// a readable label (font height = panel height - 32), a chart a minute of trace; a gauge draws its
// dial for its width and gives up nothing.
constexpr int kValueMinH = 46, kChartMinW = 150;

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
    // Too long for its row, a tool bar takes a row of its own rather than hide its buttons.
    b->SetShrinkMode(docking::dksmNone);
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
  if (place->dock == 1) {
    win->SetShrinkMode(docking::dksmChevron);
    win->SetMinClientHeight(kValueMinH);
  } else if (place->dock == 2 || place->dock == 5) {
    win->SetShrinkMode(docking::dksmChevron);
    win->SetMinClientWidth(kChartMinW);
  }
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

namespace {

// What a dock needs: its thickness across its rows when its windows give up their length down to
// their minimum and wrap where a row is longer than `length`; the longest of its rows so given
// up; its longest single window.
struct DockNeed {
  int thickness = 0, length = 0, longest = 0;
};

DockNeed NeedOf(const docking::TDKDock* dock, int length) {
  const bool vertical = dock->IsVertical();
  std::map<int, std::vector<docking::TDKCustomDockableWindow*>> rows;
  for (int i = 0; i < dock->ToolbarCount(); ++i)
    rows[dock->Toolbars(i)->DockRow()].push_back(dock->Toolbars(i));
  DockNeed need;
  for (auto& [row, windows] : rows) {
    std::stable_sort(windows.begin(), windows.end(), [](auto* a, auto* b) {
      return a->DockPos() < b->DockPos();
    });
    int along = 0, across = 0, whole = 0;
    for (auto* w : windows) {
      win::SIZE base{0, 0};
      w->GetBaseSize(base);
      const win::SIZE outer = w->AddDockedNCAreaToSize(base, vertical);
      int size = vertical ? outer.cy : outer.cx;
      if (w->GetShrinkMode() == docking::dksmChevron) {
        int minimum = 0;
        w->GetMinShrinkSize(minimum);
        size = std::min(size, minimum + (vertical ? outer.cy - base.cy : outer.cx - base.cx));
      }
      if (along > 0 && along + size > length) {  // wraps here
        need.thickness += across;
        along = across = 0;
      }
      along += size;
      whole += size;
      across = std::max(across, int(vertical ? outer.cx : outer.cy));
      need.longest = std::max(need.longest, size);
    }
    need.thickness += across;
    need.length = std::max(need.length, whole);
  }
  return need;
}

constexpr int kUnbounded = 1 << 20;

// Tells the window the screen is shown in, where there is one.
template <class F>
void TellScreenWindow(F tell) {
  if (const std::shared_ptr<win::Backend> b = win::GetBackend()) tell(*b);
}

}  // namespace

win::SIZE TForm1::DesignedClientSize() const {
  const DockNeed left = NeedOf(DKDock1, kUnbounded), right = NeedOf(DKDock3, kUnbounded);
  int width = left.thickness + Splitter1->Width() + kMapMinWidth + right.thickness;
  for (const docking::TDKDock* d : {DKDock4, DKDock5, DKDock2})
    width = std::max(width, NeedOf(d, kUnbounded).longest);
  const int height = NeedOf(DKDock4, width).thickness + NeedOf(DKDock5, width).thickness +
                     NeedOf(DKDock2, width).thickness + StatusPanel->Height() +
                     std::max({kMapMinHeight, left.length, right.length});
  return win::SIZE{width, height};
}

win::SIZE TForm1::MinimumClientSize() const {
  if (!fSmallDesktop) return DesignedClientSize();
  const int width = std::max(Splitter1->Width() + kMapMinWidth, NeedOf(DKDock4, kUnbounded).longest);
  return win::SIZE{width, NeedOf(DKDock4, width).thickness + StatusPanel->Height() + kMapMinHeight};
}

// Where the window is too small for every dock, the map keeps its minimum and the docks put away
// what does not fit, in this order: the tool bars take what they need (they hold the buttons);
// the charts get the height the value and gauge columns leave, the upper row first; across, the
// values come before the gauges, which repeat three of them.
void TForm1::GiveDocksRoom() {
  const int band = std::max({kMapMinHeight, NeedOf(DKDock1, kUnbounded).length,
                             NeedOf(DKDock3, kUnbounded).length});
  const int room = ClientHeight() - DKDock4->Height() - StatusPanel->Height() - band;
  DKDock5->SetMaxThickness(std::max(0, room));
  DKDock2->SetMaxThickness(std::max(0, room - DKDock5->Height()));
  const int across = ClientWidth() - Splitter1->Width() - kMapMinWidth;
  DKDock1->SetMaxThickness(std::max(0, across));
  DKDock3->SetMaxThickness(std::max(0, across - DKDock1->Width()));
}

void TForm1::FillScreen() {
  if (!fFillsScreen) {
    fFillsScreen = true;
    // The window manager's frame is this window's frame.
    SetBorderStyle(vcl::bsNone);
    for (docking::TDKDock* d : {DKDock1, DKDock2, DKDock3, DKDock4, DKDock5})
      d->OnInsertRemoveBar = rtl::MakeEvent(this, &TForm1::DockInsertRemove);
    TellScreenWindow([&](win::Backend& b) { b.SetTitle(Caption()); });
  }
  const vcl::TRect r = vcl::Screen->WorkAreaRect();
  SetBounds(r.left, r.top, r.Width(), r.Height());
  GiveDocksRoom();
  // Floating windows stay on the screen, shown or not.
  for (int i = 0; i < ComponentCount(); ++i)
    if (auto* w = dynamic_cast<docking::TDKCustomDockableWindow*>(Components(i)); w && w->Floating())
      w->MoveOnScreen(false);
  // A desktop too small for the designed layout beside the map's minimum: the window opens
  // maximised, and the docks give way.
  const bool first = !fDesktopChecked;
  if (first) {
    fDesktopChecked = true;
    const win::SIZE need = DesignedClientSize();
    fSmallDesktop = need.cx > ClientWidth() || need.cy > ClientHeight();
  }
  TellMinimumSize();
  if (first && fSmallDesktop)
    TellScreenWindow([](win::Backend& b) { b.FrameCommand(win::SC_MAXIMIZE); });
}

void TForm1::TellMinimumSize() {
  const win::SIZE s = MinimumClientSize();
  const int w = s.cx + Width() - ClientWidth(), h = s.cy + Height() - ClientHeight();
  TellScreenWindow([&](win::Backend& b) { b.SetMinimumSize(w, h); });
}

void TForm1::DockInsertRemove(rtl::TObject*, bool, docking::TDKCustomDockableWindow*) {
  if (!fFillsScreen) return;
  GiveDocksRoom();
  TellMinimumSize();
}

void TForm1::SetText(const std::string& v) {
  vcl::TForm::SetText(v);
  if (fFillsScreen) TellScreenWindow([&](win::Backend& b) { b.SetTitle(v); });
}

void TForm1::CloseFromFrame() {
  win::PostMessage(Handle(), win::WM_SYSCOMMAND, win::SC_CLOSE, 0);
}

void TForm1::WndProc(vcl::TMessage& Message) {
  if (Message.Msg == win::WM_SYSCOMMAND) {
    const unsigned command = unsigned(Message.WParam) & 0xFFF0;
    if (fFillsScreen && (command == win::SC_MINIMIZE || command == win::SC_MAXIMIZE ||
                         command == win::SC_RESTORE)) {
      TellScreenWindow([&](win::Backend& b) { b.FrameCommand(command); });
      Message.Result = 0;
      return;
    }
    // Disabled, the window has a modal dialog up: closed now, it would end the dialog's loop and
    // lose what was typed in it.
    if (command == win::SC_CLOSE && !win::IsWindowEnabled(Handle())) {
      fFrameCloseWaiting = fFrameCloseAsked = true;
      Message.Result = 0;
      return;
    }
  }
  vcl::TForm::WndProc(Message);
  if (Message.Msg == win::WM_DISPLAYCHANGE && fFillsScreen) FillScreen();
  if (Message.Msg == win::WM_ENABLE && Message.WParam != 0 && fFrameCloseWaiting) {
    fFrameCloseWaiting = false;
    // Asked again through the queue: a box that the end of the dialog opens (a field refused)
    // disables the window again first, and the close waits for that box too.
    CloseFromFrame();
  }
}
