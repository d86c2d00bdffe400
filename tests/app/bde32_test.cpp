// The data engine's set-up over the registry store and its configuration file, in a working
// directory of its own. Configuration files are written here byte by byte.
#include "app/bde32.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/registry.h"
#include "tests/app/apptest.h"
#include "tests/platform/vcl/vcltest.h"
#include "tests/tempdir.h"

namespace {

namespace fs = std::filesystem;
using apptest::FileText;

// One record of the file: key, NUL, the type byte, value, NUL.
std::string Rec(const std::string& key, const std::string& value) {
  return key + std::string(1, '\0') + "\x01" + value + std::string(1, '\0');
}

class Engine : public vcltest::VclTest {
 protected:
  void SetUp() override {
    VclTest::SetUp();
    work = std::make_unique<TempWorkDir>("corv_bde");
    rtl::SetRegistryFileName(*work / "registry.ini");
    vcl::SetDialogResponder([this](const vcl::TDialogRequest& r) {
      told.push_back(r.Text);
      return std::optional<vcl::TDialogAnswer>(vcl::TDialogAnswer{});
    });
  }
  void TearDown() override {
    rtl::SetRegistryFileName("registry.ini");
    work.reset();
    VclTest::TearDown();
  }
  std::string Value(const char* name) {
    rtl::TRegistry reg;
    reg.SetRootKey(rtl::HKEY_LOCAL_MACHINE);
    EXPECT_TRUE(reg.OpenKeyReadOnly(bde32::kEngineKey));
    return reg.ReadString(name);
  }
  void WriteConfig(const std::string& bytes) {
    std::ofstream(*work / "idapi32.cfg", std::ios::binary) << bytes;
  }

  std::unique_ptr<TempWorkDir> work;
  std::vector<std::string> told;
};

TEST_F(Engine, TheFirstStartSetsUpAndRegistersTheEngineTheSecondLeavesIt) {
  {
    TBDE32 engine(nullptr);
    EXPECT_FALSE(engine.Failed());
    EXPECT_EQ(engine.MaxBufSize, 2048);
    EXPECT_EQ(engine.MaxFileHandles, 48);
    EXPECT_EQ(engine.MemSize, 16);
    EXPECT_EQ(engine.SharedMemSize, 2048);
    EXPECT_FALSE(engine.LocalShare);
    EXPECT_EQ(engine.PdxNetDir, "F:\\");
  }
  EXPECT_TRUE(told.empty());
  const std::string dir = fs::canonical(work->path()).string();
  EXPECT_EQ(FileText(dir + "/idapi32.cfg"),
            Rec("LOCAL SHARE", "FALSE") + Rec("NET DIR", "F:\\") + Rec("MAXBUFSIZE", "2048") +
                Rec("MAXFILEHANDLES", "48") + Rec("MEMSIZE", "16") + Rec("SHAREDMEMSIZE", "2048"));
  EXPECT_EQ(Value("CONFIGFILE01"), dir + "/idapi32.cfg");
  EXPECT_EQ(Value("DLLPATH"), dir);
  EXPECT_EQ(Value("RESOURCE"), "0009");
  EXPECT_EQ(Value("SAVECONFIG"), "WIN31");
  EXPECT_EQ(Value("UseCount"), "1");

  // A registered engine is not registered again: what the user changed stays.
  {
    rtl::TRegistry reg;
    reg.SetRootKey(rtl::HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(reg.OpenKey(bde32::kEngineKey, false));
    reg.WriteString("UseCount", "7");
  }
  const std::string registry = FileText(*work / "registry.ini");
  TBDE32 again(nullptr);
  EXPECT_FALSE(again.Failed());
  EXPECT_EQ(FileText(*work / "registry.ini"), registry);
  EXPECT_EQ(Value("UseCount"), "7");
}

TEST_F(Engine, SettingsReadFromTheRecordsOfTheConfigurationFile) {
  struct Case {
    const char* what;
    std::string file;
    bool share;
    std::string netDir;
    int buf, handles, mem, shared;
  };
  const std::string nul(1, '\0');
  const std::vector<Case> cases = {
      {"in the written order",
       Rec("LOCAL SHARE", "TRUE") + Rec("NET DIR", "/srv/pdx") + Rec("MAXBUFSIZE", "4096") +
           Rec("MAXFILEHANDLES", "64") + Rec("MEMSIZE", "32") + Rec("SHAREDMEMSIZE", "8192"),
       true, "/srv/pdx", 4096, 64, 32, 8192},
      {"in the reverse order, the shared size before the size it ends with",
       Rec("SHAREDMEMSIZE", "8192") + Rec("MEMSIZE", "32") + Rec("MAXFILEHANDLES", "64") +
           Rec("MAXBUFSIZE", "4096") + Rec("NET DIR", "/srv/pdx") + Rec("LOCAL SHARE", "TRUE"),
       true, "/srv/pdx", 4096, 64, 32, 8192},
      {"a line break in a value before the keys",
       Rec("NET DIR", "a\nb") + Rec("MEMSIZE", "24") + Rec("MAXBUFSIZE", "\n") +
           Rec("MAXFILEHANDLES", "12"),
       false, "a\nb", 2048, 12, 24, 2048},
      {"keys missing", Rec("MEMSIZE", "8"), false, "F:\\", 2048, 48, 8, 2048},
      {"values that are no numbers, a Boolean in lower case",
       Rec("LOCAL SHARE", "true") + Rec("MAXBUFSIZE", "lots") + Rec("MEMSIZE", "") +
           Rec("SHAREDMEMSIZE", "12x") + Rec("MAXFILEHANDLES", "99999999999"),
       false, "F:\\", 2048, 48, 16, 2048},
      {"a key inside a value and a key cut short",
       Rec("NET DIR", "MEMSIZE 99") + Rec("MAXBUFSIZE", "512") + "MEMSIZE" + nul + "\x01" + "64",
       false, "MEMSIZE 99", 512, 48, 16, 2048},
      {"an empty file", "", false, "F:\\", 2048, 48, 16, 2048},
  };
  WriteConfig(cases[0].file);
  TBDE32 engine(nullptr);
  for (const Case& c : cases) {
    WriteConfig(c.file);
    engine.ReadSettings();
    EXPECT_EQ(engine.LocalShare, c.share) << c.what;
    EXPECT_EQ(engine.PdxNetDir, c.netDir) << c.what;
    EXPECT_EQ(engine.MaxBufSize, c.buf) << c.what;
    EXPECT_EQ(engine.MaxFileHandles, c.handles) << c.what;
    EXPECT_EQ(engine.MemSize, c.mem) << c.what;
    EXPECT_EQ(engine.SharedMemSize, c.shared) << c.what;
  }
}

TEST_F(Engine, WritingChangesTheValuesOnlyAndAFailedWriteKeepsTheOldFile) {
  // SHAREDMEMSIZE first, with records the engine does not know among them and a line break
  // between two records.
  const std::string head = Rec("LANGDRIVER", "ascii") + "\x0A";
  WriteConfig(Rec("SHAREDMEMSIZE", "2048") + head + Rec("LOCAL SHARE", "FALSE") +
              Rec("NET DIR", "C:\\temp\\shared") + Rec("MAXBUFSIZE", "2048") +
              Rec("SQLQRYMODE", "LOCAL") + Rec("MAXFILEHANDLES", "48") + Rec("MEMSIZE", "16"));
  TBDE32 engine(nullptr);
  engine.LocalShare = true;      // longer
  engine.PdxNetDir = "/n";       // shorter
  engine.MemSize = 123456;       // longer, after SHAREDMEMSIZE holds the same letters
  engine.SharedMemSize = 4;      // shorter
  engine.WriteSettings();
  const std::string expected = Rec("SHAREDMEMSIZE", "4") + head + Rec("LOCAL SHARE", "TRUE") +
                               Rec("NET DIR", "/n") + Rec("MAXBUFSIZE", "2048") +
                               Rec("SQLQRYMODE", "LOCAL") + Rec("MAXFILEHANDLES", "48") +
                               Rec("MEMSIZE", "123456");
  EXPECT_EQ(FileText(*work / "idapi32.cfg"), expected);
  engine.ReadSettings();
  EXPECT_EQ(engine.MemSize, 123456);
  EXPECT_EQ(engine.SharedMemSize, 4);

  // A disk that takes no file as large as the new one: the old one stays, nothing beside it.
  engine.PdxNetDir = std::string(4000, 'n');
  bool raised = false;
  apptest::WithFileSizeLimit(1024, [&] {
    try {
      engine.WriteSettings();
    } catch (const rtl::EInOutError&) {
      raised = true;
    }
  });
  EXPECT_TRUE(raised);
  EXPECT_EQ(FileText(*work / "idapi32.cfg"), expected);
  for (const auto& e : fs::directory_iterator(work->path()))
    EXPECT_TRUE(e.path().filename() == "idapi32.cfg" || e.path().filename() == "registry.ini")
        << e.path();
}

TEST_F(Engine, AFolderThatTakesNoFileTellsWhereTheFilesBelongAndEnds) {
  // The working directory removed under the program: not even root can write there.
  const std::string gone = *work / "gone";
  fs::create_directory(gone);
  fs::current_path(gone);
  fs::remove(gone);
  rtl::SetRegistryFileName("registry.ini");
  TBDE32 engine(nullptr);
  EXPECT_TRUE(engine.Failed());
  ASSERT_EQ(told.size(), 1u);
  EXPECT_EQ(told[0].rfind("Please put BDE files in ", 0), 0u) << told[0];
  Pump();
  EXPECT_TRUE(app->Terminated());
}

}  // namespace
