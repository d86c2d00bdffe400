// Waypoint files read line by line, and the waypoint dialog driven as a user would: a file
// imported through its button, a cell typed into and posted with the navigator, the table read
// back by pxlib and shown on the map once the dialog closes.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "app/waypointimport.h"
#include "app/wpdbform1.h"
#include "platform/gdi/image.h"
#include "platform/win/paint.h"
#include "platform/win/scriptedinput.h"
#include "tests/app/programfixture.h"
#include "tests/app/pxread.h"

namespace {

namespace fs = std::filesystem;

// Twelve lines of heading, as the files come, then the given lines.
std::vector<std::string> File(const std::vector<std::string>& body) {
  std::vector<std::string> lines;
  for (int i = 0; i < 12; ++i) lines.push_back("Heading line " + std::to_string(i + 1));
  lines.insert(lines.end(), body.begin(), body.end());
  return lines;
}

TEST(WaypointFile, LinesFromTheThirteenthAreTwoWordsAndTwoPositionsInRange) {
  EXPECT_TRUE(ParseWaypointLines(File({}), 20).Waypoints.empty());
  // Twelve lines that look like waypoints are still the heading.
  const std::vector<std::string> heading(12, "WP HEAD 52.1 4.3");
  EXPECT_TRUE(ParseWaypointLines(heading, 20).Waypoints.empty());
  EXPECT_EQ(ParseWaypointLines(heading, 20).Skipped, 0);

  struct Row {
    std::string line;
    bool taken;
    std::string name;
    double lat, lon;
  };
  const std::vector<Row> rows = {
      {"WP BUOY1 52.1 4.3", true, "BUOY1", 52.1, 4.3},
      {"  WP\tHAVEN   -33.9\t18.4  ", true, "HAVEN", -33.9, 18.4},
      {"WP CRLF 1.5 2.5\r", true, "CRLF", 1.5, 2.5},
      {"WP POLE 90 -180 with a remark", true, "POLE", 90, -180},
      {"WP ABCDEFGHIJKLMNOPQRSTUVWXYZ 10 20", true, "ABCDEFGHIJKLMNOPQRST", 10, 20},
      {"WP NOLON 52.1", false, "", 0, 0},
      {"WP", false, "", 0, 0},
      {"WP NAN nan 4.3", false, "", 0, 0},
      {"WP INF 52.1 inf", false, "", 0, 0},
      {"WP HUGE 1e400 4", false, "", 0, 0},
      {"WP NORTH 95 4.3", false, "", 0, 0},
      {"WP EAST 52 180.5", false, "", 0, 0},
      {"WP TEXT 52.1x 4.3", false, "", 0, 0},
      {"WP COMMA 52,1 4,3", false, "", 0, 0},
      {"   ", false, "", 0, 0},  // blank: neither taken nor told
  };
  std::vector<std::string> body;
  for (const Row& r : rows) body.push_back(r.line);
  const TWaypointImport got = ParseWaypointLines(File(body), 20);
  size_t next = 0;
  for (const Row& r : rows) {
    if (!r.taken) continue;
    ASSERT_LT(next, got.Waypoints.size()) << r.line;
    EXPECT_EQ(got.Waypoints[next].Name, r.name) << r.line;
    EXPECT_DOUBLE_EQ(got.Waypoints[next].Lat, r.lat) << r.line;
    EXPECT_DOUBLE_EQ(got.Waypoints[next].Lon, r.lon) << r.line;
    ++next;
  }
  EXPECT_EQ(got.Waypoints.size(), 5u);
  EXPECT_EQ(got.Skipped, 9);
}

class WaypointDialog : public apptest::ProgramFixture {
 protected:
  void SetUp() override {
    ProgramFixture::SetUp();
    fs::copy_file(fs::path(CORV_SOURCE_DIR) / "data" / "waypoints.DB", "waypoints.DB");
    WriteIni("[comms]\ncomport=Network\n");
    Start();
    Advance(10100);
    script = std::make_unique<win::InputScript>();
  }
  void TearDown() override {
    script.reset();
    ProgramFixture::TearDown();
  }
  // A click at a client point of the control, placed when the step runs (the dialog is placed
  // on the screen as it opens).
  void ClickAt(vcl::TControl* c, std::function<gdi::POINT()> at) {
    script->Then([c, at] {
      const gdi::POINT p = c->ClientToScreen(at());
      win::PostRawInput(win::MouseMove(p.x, p.y));
      win::PostRawInput(win::MouseDown(p.x, p.y));
      win::PostRawInput(win::MouseUp(p.x, p.y));
    });
  }
  void ClickOn(vcl::TControl* c) {
    ClickAt(c, [c] { return gdi::POINT{c->Width() / 2, c->Height() / 2}; });
  }
  static gdi::POINT Centre(const vcl::TRect& r) {
    return gdi::POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  }
  void TypeWord(const std::string& upper) {
    for (char ch : upper) {
      script->Then(win::KeyDown(win::VK_SHIFT));
      script->Key(static_cast<unsigned>(ch));
      script->Then(win::KeyUp(win::VK_SHIFT));
    }
  }

  std::unique_ptr<win::InputScript> script;
};

TEST_F(WaypointDialog, AnImportAndAnEditPostedWithTheNavigatorReachTheTable) {
  for (const char* ending : {"\n", "\r\n"}) {
    std::ofstream out(std::string("route") + (ending[1] ? "_crlf" : "") + ".wpt",
                      std::ios::binary);
    for (const std::string& line :
         File({"WP BUOY1 52.1 4.3", "WP WRECK x 4.0", "WP HAVEN -33.9 18.4", "WP NORTH 95 0"}))
      out << line << ending;
  }
  TWPDBForm& f = *WPDBForm;
  std::vector<std::string> files = {"route.wpt", "route_crlf.wpt"};
  answer = [&](const vcl::TDialogRequest& r) -> std::optional<vcl::TDialogAnswer> {
    if (r.Kind == "Open") {
      vcl::TDialogAnswer a;
      a.FileName = (dir / files.front()).string();
      files.erase(files.begin());
      return a;
    }
    if (r.Kind == "Form") return std::nullopt;  // the dialog is the script's
    return vcl::TDialogAnswer{};
  };
  Form1->Table2->Open();
  // Each import's file dialog and message are answered a moment after they open.
  ClickOn(f.BitBtn3);  // "&Import WPT": the LF file
  script->After(200);
  ClickOn(f.BitBtn2);  // "Select All" imports too: the CR LF file
  script->After(200);
  script->Then([&] {
    EXPECT_EQ(Form1->Table2->RecordCount(), 4);
    Form1->Table2->First();
  });
  // The first waypoint's second name, typed into its cell and posted.
  ClickAt(f.DBGrid1, [&f] { return Centre(f.DBGrid1->CellRect(0, 1)); });
  TypeWord("EAST");
  ClickAt(f.DBNavigator1, [&f] { return Centre(f.DBNavigator1->ButtonRect(vcl::nbPost)); });
  script->Then([&] {
    gdi::SavePngFile(std::string(CORV_SNAPSHOT_DIR) + "/dialog_waypoints.png",
                     win::ComposeScreen());
  });
  ClickOn(f.BitBtn1);  // OK
  // Through the main window's button: the dialog, then the map's waypoints reloaded.
  Form1->WPdatabaseButton->Click();
  EXPECT_FALSE(f.Visible());
  EXPECT_TRUE(script->Done());
  EXPECT_FALSE(Form1->Table2->Active());

  // On the map: 52.1 N 4.3 E and 33.9 S 18.4 E at 5,400,000 globe units a degree.
  ASSERT_EQ(Form1->fOverlay.Waypoints->Chains().GetCount(), 1);
  const auto* shown = Form1->fOverlay.Waypoints->Chains().GetChain(0);
  ASSERT_EQ(shown->GetCount(), 4);
  const std::int32_t lat[] = {281'340'000, -183'060'000}, lon[] = {23'220'000, 99'360'000};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(shown->GetLL(i).iLatY, lat[i % 2]) << i;
    EXPECT_EQ(shown->GetLL(i).iLongX, lon[i % 2]) << i;
  }
  EXPECT_FALSE(Form1->fOverlay.Waypoints->GetHidden());

  // One message a file, telling how many lines were left out.
  ASSERT_EQ(boxes.size(), 2u);
  for (const std::string& b : boxes) EXPECT_NE(b.find("2 line(s) of route"), std::string::npos) << b;
  const apptest::PxTable t = apptest::ReadWithPxlib("waypoints.DB");
  ASSERT_EQ(t.records.size(), 4u);
  const char* names[] = {"BUOY1", "HAVEN", "BUOY1", "HAVEN"};
  const double lats[] = {52.1, -33.9, 52.1, -33.9}, lons[] = {4.3, 18.4, 4.3, 18.4};
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(t.texts[i].at("NAME"), names[i]) << i;
    EXPECT_DOUBLE_EQ(t.records[i].at("LAT"), lats[i]) << i;
    EXPECT_DOUBLE_EQ(t.records[i].at("LON"), lons[i]) << i;
    EXPECT_EQ(t.texts[i].at("AREA"), "") << i;
    EXPECT_EQ(t.texts[i].at("NAME2"), i == 0 ? "EAST" : "") << i;
  }
}

// OK takes what is still being typed into the file.
TEST_F(WaypointDialog, OkPostsACellStillBeingTyped) {
  TWPDBForm& f = *WPDBForm;
  answer = [](const vcl::TDialogRequest& r) -> std::optional<vcl::TDialogAnswer> {
    if (r.Kind == "Form") return std::nullopt;
    return vcl::TDialogAnswer{};
  };
  db::TDataSet* t = Form1->Table2;
  t->Open();
  t->Append();
  t->FieldByName("NAME")->SetAsString("BUOY1");
  t->FieldByName("LAT")->SetAsFloat(52.1);
  t->FieldByName("LON")->SetAsFloat(4.3);
  t->Post();
  const auto cell = [&f](int col) { return [&f, col] { return Centre(f.DBGrid1->CellRect(0, col)); }; };
  ClickAt(f.DBGrid1, cell(1));
  TypeWord("EAST");
  ClickOn(f.BitBtn1);  // OK, no post first
  Form1->WPdatabaseButton->Click();
  EXPECT_TRUE(script->Done());
  EXPECT_FALSE(f.Visible());
  EXPECT_TRUE(boxes.empty());
  const apptest::PxTable read = apptest::ReadWithPxlib("waypoints.DB");
  ASSERT_EQ(read.records.size(), 1u);
  EXPECT_EQ(read.texts[0].at("NAME2"), "EAST");

}

}  // namespace
