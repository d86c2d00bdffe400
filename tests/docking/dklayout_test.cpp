// Saving and restoring a form's dock layout: round trips through the INI file and the registry
// store, the file read and written by an independent tool, and damaged or hand-edited sections.
#include "docking/dklayout.h"

#include <cstdio>
#include <fstream>
#include <limits>
#include <map>

#include "docking/dkcommon.h"
#include "docking/dktoolbar.h"
#include "docking/dktoolwindow.h"
#include "platform/rtl/files.h"
#include "platform/vcl/imglist.h"
#include "tests/platform/vcl/vcltest.h"
#include "tests/tempdir.h"

namespace {

using namespace docking;

// Where one window ended up.
struct Place {
  std::string dock;  // "+" floating, "" neither
  int row, pos;
  RECT frame;  // the floating frame, or the window in its dock
  int cw, ch;
  bool visible;
  bool operator==(const Place&) const = default;
};

std::string Shell(const std::string& cmd) {
  std::string out;
  if (FILE* p = ::popen(cmd.c_str(), "r")) {
    char buf[256];
    while (size_t n = std::fread(buf, 1, sizeof buf, p)) out.append(buf, n);
    ::pclose(p);
  }
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
  return out;
}

class DockLayout : public vcltest::VclTest {
 protected:
  void SetUp() override {
    VclTest::SetUp();
    Make();
  }

  // The designed form: five docks, six tool windows and two toolbars, the first of them without
  // a close button.
  void Make() {
    form = new vcl::TForm(app.get());
    form->SetBounds(100, 50, 808, 627);
    form->SetClientWidth(800);
    form->SetClientHeight(600);
    const std::pair<const char*, TDKDockPosition> docks[] = {{"DKDock1", dpLeft},
                                                             {"DKDock2", dpRight},
                                                             {"DKDock3", dpTop},
                                                             {"DKDock4", dpBottom},
                                                             {"DKDock5", dpBottom}};
    for (auto [name, p] : docks) {
      auto* d = new TDKDock(form);
      d->SetName(name);
      d->SetParent(form);
      d->SetPosition(p);
    }
    Tool("DKToolWindow1", "DKDock3", 0);
    Tool("DKToolWindow2", "DKDock3", 0);
    Tool("DKToolWindow3", "DKDock1", 0);
    Tool("DKToolWindow4", "DKDock2", 0);
    Tool("DKToolWindow5", "DKDock4", 0);
    Tool("DKToolWindow6", "DKDock5", 0);
    Bar("DKToolbar1", "DKDock3", 1)->SetCloseButton(false);
    Bar("DKToolbar4", "DKDock4", 1);
    form->Show();
    Pump();
  }

  TDKDock* Dock(const char* name) { return static_cast<TDKDock*>(form->FindComponent(name)); }
  TDKToolWindow* T(int n) {
    return static_cast<TDKToolWindow*>(form->FindComponent("DKToolWindow" + std::to_string(n)));
  }
  TDKToolbar* B(int n) {
    return static_cast<TDKToolbar*>(form->FindComponent("DKToolbar" + std::to_string(n)));
  }

  TDKToolWindow* Tool(const char* name, const char* dock, int row) {
    auto* t = new TDKToolWindow(form);
    t->SetName(name);
    t->SetCaption(name);
    t->SetClientAreaSize(100, 40);
    t->SetDockRow(row);
    t->SetCurrentDock(Dock(dock));
    return t;
  }
  TDKToolbar* Bar(const char* name, const char* dock, int row) {
    if (!images) {
      images = new vcl::TImageList(app.get());
      vcl::TBitmap strip;
      strip.SetSize(16 * 4, 16);
      images->AddMasked(&strip, vcl::TColor(0xFF00FF));
    }
    auto* t = new TDKToolbar(form);
    t->SetName(name);
    t->SetImages(images);
    for (int k = 0; k < 4; ++k) {
      auto* i = new TDKItem(form);
      i->SetCaption(std::string(1, char('A' + k)));
      i->SetImageIndex(k);
      t->Items()->Add(i);
    }
    t->SetDockRow(row);
    t->SetCurrentDock(Dock(dock));
    return t;
  }

  // The main window closed and opened again.
  void Recreate() {
    delete form;
    Pump();
    Make();
  }

  std::map<std::string, Place> Places() {
    std::map<std::string, Place> m;
    for (int i = 0; i < form->ComponentCount(); ++i) {
      auto* w = dynamic_cast<TDKCustomDockableWindow*>(form->Components(i));
      if (!w) continue;
      Place p{};
      p.dock = w->Floating() ? "+" : w->CurrentDock() ? w->CurrentDock()->Name() : "";
      p.row = w->DockRow();
      p.pos = w->DockPos();
      p.frame = w->Floating() ? RECT(w->FloatingWindowParent()->BoundsRect()) : w->BoundsRect();
      p.cw = w->ClientWidth();
      p.ch = w->ClientHeight();
      p.visible = w->Visible();
      m[w->Name()] = p;
    }
    return m;
  }

  // Every window ends docked in a named dock, floating with its caption in reach, or hidden.
  void ExpectReachable() {
    for (int i = 0; i < form->ComponentCount(); ++i) {
      auto* w = dynamic_cast<TDKCustomDockableWindow*>(form->Components(i));
      if (!w || !w->Visible()) continue;
      SCOPED_TRACE(w->Name());
      if (!w->Floating()) {
        ASSERT_NE(w->CurrentDock(), nullptr);
        EXPECT_FALSE(w->CurrentDock()->Name().empty());
        EXPECT_GE(w->Left(), 0);
        EXPECT_LT(w->Left(), std::max(1, w->CurrentDock()->Width()));
        continue;
      }
      const RECT f = w->FloatingWindowParent()->BoundsRect();
      const RECT wa = GetRectOfMonitorContainingRect(f, true);
      POINT tl, br;
      w->GetFloatingNCArea(tl, br);
      EXPECT_GE(std::min(f.right, wa.right) - std::max(f.left, wa.left), 4);
      EXPECT_GE(f.top + tl.y, wa.top + 4);
      EXPECT_LE(f.top + 4, wa.bottom);
      EXPECT_LE(w->ClientWidth(), wa.right - wa.left);
      EXPECT_LE(w->ClientHeight(), wa.bottom - wa.top);
    }
  }

  // A window moved to another dock and row, one floated and sized, one closed by its button, a
  // toolbar floated with a width of its own.
  void MoveEveryKind() {
    T(1)->SetDockRow(1);
    T(1)->SetCurrentDock(Dock("DKDock2"));
    T(2)->SetFloatingPosition(POINT{300, 200});
    T(2)->SetFloating(true);
    T(2)->SetClientAreaSize(150, 90);
    T(3)->Close();
    B(4)->SetFloatingPosition(POINT{420, 330});
    B(4)->SetFloating(true);
    B(4)->SetFloatingWidth(40);
    Pump();
  }

  void Save() { DKIniSavePositions(form, file, ""); }
  void Load() {
    DKIniLoadPositions(form, file, "");
    Pump();
  }
  void WriteFile(const std::string& text) { rtl::WriteFileAtomic(file, text); }
  std::string Get(const std::string& section, const std::string& key) {
    return Shell("crudini --get '" + file + "' " + section + " " + key + " 2>/dev/null");
  }

  TempDir dir{"corv_layout"};
  std::string file = dir / "corvatalen.ini";
  vcl::TForm* form = nullptr;
  vcl::TImageList* images = nullptr;
};

// Windows moved across docks and rows, floated, sized and closed come back where they were
// left; the file holds what an independent reader expects, and a layout it writes loads.
TEST_F(DockLayout, RoundTripThroughTheIniFile) {
  MoveEveryKind();
  const auto before = Places();
  Save();
  EXPECT_EQ(Get("DKToolWindow1", "DockedTo"), "DKDock2");
  EXPECT_EQ(Get("DKToolWindow1", "DockRow"), "1");
  EXPECT_EQ(Get("DKToolWindow2", "DockedTo"), "+");
  EXPECT_EQ(Get("DKToolWindow2", "LastDock"), "DKDock3");
  EXPECT_EQ(Get("DKToolWindow2", "FloatLeft"), "300");
  EXPECT_EQ(Get("DKToolWindow2", "FloatTop"), "200");
  EXPECT_EQ(Get("DKToolWindow2", "ClientWidth"), "150");
  EXPECT_EQ(Get("DKToolWindow2", "ClientHeight"), "90");
  EXPECT_EQ(Get("DKToolWindow3", "Visible"), "0");
  EXPECT_EQ(Get("DKToolWindow3", "Rev"), "2000");
  EXPECT_EQ(Get("DKToolbar4", "FloatRightX"), "40");
  EXPECT_EQ(Get("DKToolbar1", "DockedTo"), "DKDock3");
  EXPECT_EQ(Get("DKToolbar1", "ClientWidth"), "");  // a toolbar has no client size of its own
  Recreate();
  Load();
  EXPECT_EQ(Places(), before);
  EXPECT_EQ(T(2)->LastDock(), Dock("DKDock3"));

  // Written by hand through the tool, dock names in any case.
  Shell("crudini --set '" + file + "' DKToolWindow5 DockedTo dkdock5");
  Shell("crudini --set '" + file + "' DKToolWindow5 DockRow 3");
  Recreate();
  Load();
  EXPECT_EQ(T(5)->CurrentDock(), Dock("DKDock5"));
  EXPECT_EQ(T(5)->DockRow(), 3);
  EXPECT_EQ(T(2)->ClientAreaWidth(), 150);
  ExpectReachable();
}

TEST_F(DockLayout, RoundTripThroughTheRegistryStore) {
  rtl::SetRegistryFileName(dir / "registry.ini");
  // Nothing saved yet: the load leaves the design alone.
  const auto designed = Places();
  DKRegLoadPositions(form, rtl::HKEY_CURRENT_USER, "Software\\Corvatalen\\Layout");
  EXPECT_EQ(Places(), designed);
  MoveEveryKind();
  T(4)->SetDockRow(2);
  T(4)->SetCurrentDock(Dock("DKDock1"));
  T(6)->SetFloatingPosition(POINT{250, 260});
  T(6)->SetFloating(true);
  T(5)->Close();
  Pump();
  const auto before = Places();
  DKRegSavePositions(form, rtl::HKEY_CURRENT_USER, "Software\\Corvatalen\\Layout");
  // One subkey a window, the values as the INI file has them.
  rtl::TRegistry reg;
  ASSERT_TRUE(reg.OpenKeyReadOnly("\\Software\\Corvatalen\\Layout\\DKToolWindow2"));
  EXPECT_EQ(reg.ReadString("DockedTo"), "+");
  EXPECT_EQ(reg.ReadString("LastDock"), "DKDock3");
  EXPECT_EQ(reg.ReadInteger("ClientWidth"), 150);
  ASSERT_TRUE(reg.OpenKeyReadOnly("\\Software\\Corvatalen\\Layout\\DKToolbar4"));
  EXPECT_EQ(reg.ReadInteger("FloatRightX"), 40);
  ASSERT_TRUE(reg.OpenKeyReadOnly("\\Software\\Corvatalen\\Layout\\DKToolWindow3"));
  EXPECT_EQ(reg.ReadInteger("Visible"), 0);
  Recreate();
  DKRegLoadPositions(form, rtl::HKEY_CURRENT_USER, "Software\\Corvatalen\\Layout");
  Pump();
  EXPECT_EQ(Places(), before);
  EXPECT_EQ(T(2)->LastDock(), Dock("DKDock3"));
  rtl::SetRegistryFileName("");
}

TEST_F(DockLayout, SectionsPrefixesAndUndraggableDocks) {
  // Never placed: no section.
  auto* loose = new TDKToolWindow(form);
  loose->SetName("Loose");
  loose->Hide();
  // A dock that takes no part in layouts: "DockedTo" empty, but "Visible" is kept.
  Dock("DKDock4")->SetAllowDrag(false);
  T(5)->Close();
  Save();
  rtl::TIniFile ini(file);
  EXPECT_FALSE(ini.SectionExists("Loose"));
  EXPECT_TRUE(ini.ValueExists("DKToolWindow5", "DockedTo"));
  EXPECT_EQ(ini.ReadString("DKToolWindow5", "DockedTo", "x"), "");
  DKIniSavePositions(form, &ini, "Bars");
  EXPECT_TRUE(ini.SectionExists("BarsDKToolWindow3"));
  Recreate();
  Dock("DKDock4")->SetAllowDrag(false);
  // Each dock arranges once, with every window in it.
  std::vector<int> counts;
  for (int i = 1; i <= 5; ++i)
    counts.push_back(Dock(("DKDock" + std::to_string(i)).c_str())->ArrangeCount());
  Load();
  for (int i = 1; i <= 5; ++i)
    EXPECT_EQ(Dock(("DKDock" + std::to_string(i)).c_str())->ArrangeCount(), counts[i - 1] + 1);
  EXPECT_EQ(T(5)->CurrentDock(), Dock("DKDock4"));
  EXPECT_FALSE(T(5)->Visible());
}

// A window that belongs to the form but was never put anywhere docks where the file says.
TEST_F(DockLayout, AWindowWithoutAParentDocksWhereTheFileSays) {
  auto* loose = new TDKToolWindow(form);
  loose->SetName("Loose");
  auto* drifter = new TDKToolWindow(form);
  drifter->SetName("Drifter");
  WriteFile(
      "[Loose]\nRev=2000\nDockedTo=DKDock1\nClientWidth=90\nClientHeight=45\n"
      "[Drifter]\nRev=2000\nDockedTo=+\n");
  Load();
  EXPECT_EQ(loose->CurrentDock(), Dock("DKDock1"));
  EXPECT_EQ(loose->Parent(), Dock("DKDock1"));
  EXPECT_EQ(loose->BarSize().cx, 90);  // the dock's row may make it wider
  EXPECT_EQ(loose->ClientAreaHeight(), 45);
  // With no form it has no frame to float in: it stays as it was.
  EXPECT_FALSE(drifter->Floating());
  EXPECT_EQ(drifter->Parent(), nullptr);
}

// The size a user cannot change is the design's, whatever the file holds.
TEST_F(DockLayout, ANonResizableToolWindowRestoresNoClientSize) {
  T(1)->SetResizable(false);
  WriteFile(
      "[DKToolWindow1]\nRev=2000\nDockedTo=DKDock3\nClientWidth=150\nClientHeight=90\n"
      "[DKToolWindow2]\nRev=2000\nDockedTo=DKDock3\nClientWidth=150\nClientHeight=90\n");
  Load();
  // Its row is the other window's height; its own size stays.
  EXPECT_EQ(T(1)->BarSize(), (SIZE{100, 40}));
  EXPECT_EQ(T(2)->BarSize(), (SIZE{150, 90}));
}

// A kind of window of its own keeps a value beside its place: read before it moves, done once
// it sits where the file says, written after the place.
TEST_F(DockLayout, AWindowKindKeepsItsOwnValues) {
  struct Gauge : TDKToolWindow {
    using TDKToolWindow::TDKToolWindow;
    int needle = 0;
    std::vector<std::string> calls;
    void ReadPositionData(const TDKReadPositionData& d) override {
      TDKToolWindow::ReadPositionData(d);
      needle = d.ReadIntProc(Name(), "Needle", -1, d.ExtraData);
      calls.push_back("read in " + CurrentDock()->Name());
    }
    void DoneReadingPositionData(const TDKReadPositionData&) override {
      calls.push_back("done in " + CurrentDock()->Name());
    }
    void WritePositionData(const TDKWritePositionData& d) override {
      TDKToolWindow::WritePositionData(d);
      d.WriteIntProc(Name(), "Needle", needle, d.ExtraData);
    }
  };
  auto* g = new Gauge(form);
  g->SetName("Gauge");
  g->SetCurrentDock(Dock("DKDock3"));
  g->SetClientAreaSize(70, 50);
  g->needle = 37;
  g->SetCurrentDock(Dock("DKDock2"));
  Save();
  EXPECT_EQ(Get("Gauge", "Needle"), "37");
  EXPECT_EQ(Get("Gauge", "ClientWidth"), "70");
  g->needle = 0;
  g->SetCurrentDock(Dock("DKDock3"));
  Load();
  EXPECT_EQ(g->needle, 37);
  EXPECT_EQ(g->calls, (std::vector<std::string>{"read in DKDock3", "done in DKDock2"}));
}

// The settings written at close and the layout go through two objects on one file: neither loses
// the other's keys. A save that fails part way keeps what it wrote.
TEST_F(DockLayout, OtherWritersKeysStayAndAFailedSaveKeepsItsSections) {
  rtl::TIniFile settings(file);
  settings.WriteString("comms", "Port", "/dev/ttyUSB0");
  Save();
  settings.WriteInteger("display", "Units", 2);
  EXPECT_EQ(Get("comms", "Port"), "/dev/ttyUSB0");
  EXPECT_EQ(Get("display", "Units"), "2");
  EXPECT_EQ(Get("DKToolWindow1", "Rev"), "2000");

  auto* nameless = new TDKDock(form);
  nameless->SetParent(form);
  nameless->SetPosition(dpTop);
  auto* late = new TDKToolWindow(form);
  late->SetName("Late");
  late->SetCurrentDock(nameless);
  T(1)->SetCurrentDock(Dock("DKDock2"));
  try {
    Save();
    ADD_FAILURE() << "saved a window of a nameless dock";
  } catch (const rtl::Exception& e) {
    EXPECT_STREQ(e.what(),
                 "Cannot save dockable window's position because DockedTo's Name property not set");
  }
  EXPECT_EQ(Get("DKToolWindow1", "DockedTo"), "DKDock2");
  EXPECT_EQ(Get("comms", "Port"), "/dev/ttyUSB0");
}

// Damaged and hand-edited sections: every window keeps its designed place or a checked value.
TEST_F(DockLayout, DamagedSectionsLeaveEveryWindowReachable) {
  const auto designed = Places();
  WriteFile(
      "[DKToolWindow1]\r\nRev=1999\r\nDockedTo=DKDock2\r\n"  // another revision
      "[DKToolWindow2]\r\nRev=2000\r\nDockedTo=Nowhere\r\n"  // unknown dock
      "[DKToolWindow3]\r\nRev=2000\r\nDockedTo=DKDock3\r\n"  // outside DockableTo
      "[DKToolWindow4]\r\nRev=2000\r\nDockedTo=+\r\n"        // cannot float
      "\x01\x02 garbage\r\n=no key\r\n[[[\r\n"               // lines of nothing
      "[DKToolbar1]\r\nRev=2000\r\nVisible=0\r\n"            // would hide the buttons
      "[DKToolbar4]\r\nRev=2000\r\nVisible=0\r\n"            // may be closed
      "[DKToolWindow6]\r\nRev=2000\r\nDockedTo=DKDo");       // truncated
  Recreate();
  T(3)->SetDockableTo(1u << dpLeft);
  T(4)->SetDockMode(dmCannotFloat);
  Load();
  auto now = Places();
  for (const char* n : {"DKToolWindow1", "DKToolWindow2", "DKToolWindow3", "DKToolWindow4",
                        "DKToolWindow6", "DKToolbar1"})
    EXPECT_EQ(now[n], designed.at(n)) << n;
  EXPECT_FALSE(B(4)->Visible());
  ExpectReachable();
}

TEST_F(DockLayout, OutOfRangeNumbersAreClamped) {
  const RECT wa = GetRectOfMonitorContainingRect(RECT(form->BoundsRect()), true);
  const std::string big = std::to_string(std::numeric_limits<int>::max());
  const std::string small = std::to_string(std::numeric_limits<int>::min());
  WriteFile("[DKToolWindow1]\nRev=2000\nDockedTo=+\nClientWidth=0\nClientHeight=-5\nFloatLeft=" +
            big + "\nFloatTop=" + small +
            "\n"
            "[DKToolWindow2]\nRev=2000\nDockedTo=+\nClientWidth=100000\nClientHeight=100000\n"
            "FloatLeft=" +
            small + "\nFloatTop=" + big +
            "\n"
            "[DKToolWindow3]\nRev=2000\nDockedTo=DKDock4\nDockRow=-7\nDockPos=" +
            big +
            "\n"
            "[DKToolWindow4]\nRev=2000\nDockedTo=DKDock4\nDockRow=" +
            big + "\nDockPos=-30\n");
  Recreate();
  Load();
  EXPECT_EQ(T(1)->ClientAreaWidth(), T(1)->MinClientWidth());
  EXPECT_EQ(T(1)->ClientAreaHeight(), T(1)->MinClientHeight());
  EXPECT_EQ(T(2)->ClientAreaWidth(), wa.right - wa.left);
  EXPECT_EQ(T(2)->ClientAreaHeight(), wa.bottom - wa.top);
  EXPECT_EQ(T(3)->CurrentDock(), Dock("DKDock4"));
  EXPECT_EQ(T(3)->DockRow(), 0);
  EXPECT_EQ(T(4)->CurrentDock(), Dock("DKDock4"));
  EXPECT_EQ(T(4)->DockPos(), 0);
  ExpectReachable();
}

// Overlapping the work area by the frame's border alone is not enough: the caption comes back.
TEST_F(DockLayout, AFloatingWindowKeepsItsCaptionInReach) {
  const RECT wa = GetRectOfMonitorContainingRect(RECT(form->BoundsRect()), true);
  WriteFile("[DKToolWindow1]\nRev=2000\nDockedTo=+\nFloatLeft=" + std::to_string(wa.right - 2) +
            "\nFloatTop=100\n[DKToolWindow2]\nRev=2000\nDockedTo=+\nFloatLeft=100\nFloatTop=" +
            std::to_string(wa.top - 20) + "\n");
  Recreate();
  Load();
  ExpectReachable();
  // Inside already: left where it was saved.
  WriteFile("[DKToolWindow1]\nRev=2000\nDockedTo=+\nFloatLeft=200\nFloatTop=150\n");
  Recreate();
  Load();
  EXPECT_EQ(T(1)->FloatingWindowParent()->Left(), 200);
  EXPECT_EQ(T(1)->FloatingWindowParent()->Top(), 150);
}

}  // namespace
