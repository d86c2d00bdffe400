#include "app/settingsranges.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

namespace fs = std::filesystem;

namespace {

class SettingsRanges : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/corv-ranges-XXXXXX";
    dir = ::mkdtemp(pattern);
  }
  void TearDown() override { fs::remove_all(dir); }

  // An ini file holding text, and what reading one key writes on the standard error.
  rtl::TIniFile Ini(const std::string& text) {
    std::ofstream(dir / "corvatalen.ini") << text;
    return rtl::TIniFile((dir / "corvatalen.ini").string());
  }

  fs::path dir;
};

TEST_F(SettingsRanges, ValuesInRangeAreReadAsTheyStandWithoutANote) {
  auto ini =
      Ini("[settings]\nfwindangle=100\nfspeed=0\nwindspeed=600\ntargetangle=37.5\n"
          "twscorrection=-1.5\nsendperformance=1\n[comms]\ncomport=/dev/ttyUSB0\n");
  testing::internal::CaptureStderr();
  EXPECT_EQ(ReadSettingInteger(ini, "settings", "fwindangle"), 100);
  EXPECT_EQ(ReadSettingInteger(ini, "settings", "fspeed"), 0);
  EXPECT_EQ(ReadSettingInteger(ini, "settings", "windspeed"), 600);
  EXPECT_DOUBLE_EQ(ReadSettingFloat(ini, "settings", "targetangle"), 37.5);
  EXPECT_DOUBLE_EQ(ReadSettingFloat(ini, "settings", "twscorrection"), -1.5);
  EXPECT_TRUE(ReadSettingBool(ini, "settings", "sendperformance"));
  EXPECT_EQ(ReadSettingText(ini, "comms", "comport"), "/dev/ttyUSB0");
  // Missing keys are their defaults, silently.
  EXPECT_EQ(ReadSettingInteger(ini, "settings", "performance"), 20);
  EXPECT_EQ(ReadSettingInteger(ini, "settings", "rangecircle"), 30);
  EXPECT_DOUBLE_EQ(ReadSettingFloat(ini, "settings", "globescale"), 0);
  EXPECT_FALSE(ReadSettingBool(ini, "settings", "sendtimetoll"));
  EXPECT_EQ(ReadSettingInteger(ini, "video", "DVResolution"), 16);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST_F(SettingsRanges, OutOfRangeOrNotANumberIsTheDefaultWithOneLine) {
  struct Case {
    const char* key;
    const char* text;
    double expected;
  };
  // 150 % damping would make the damped wind grow without bound; a negative one likewise.
  for (const Case& c :
       {Case{"fwindspeed", "150", 0}, Case{"fcourse", "-1", 0}, Case{"speed", "0", 1},
        Case{"windangle", "601", 30}, Case{"speedsource", "2", 0}, Case{"rangelaylines", "0", 10},
        Case{"fperformance", "lots", 0}, Case{"vmg", "99999999999", 10}}) {
    auto ini = Ini(std::string("[settings]\n") + c.key + "=" + c.text + "\n");
    testing::internal::CaptureStderr();
    EXPECT_EQ(ReadSettingInteger(ini, "settings", c.key), c.expected) << c.key;
    const std::string note = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(note.begin(), note.end(), '\n'), 1) << note;
    EXPECT_NE(note.find(std::string(c.key) + "=" + c.text), std::string::npos) << note;
  }
  for (const Case& c : {Case{"targetangle", "90", 45}, Case{"targetangle", "0", 45},
                        Case{"twscorrection", "1e300", 0}, Case{"twscorrection", "nan", 0},
                        Case{"twacorrection", "inf", 0}, Case{"globescale", "-2", 0}}) {
    auto ini = Ini(std::string("[settings]\n") + c.key + "=" + c.text + "\n");
    testing::internal::CaptureStderr();
    const double v = ReadSettingFloat(ini, "settings", c.key);
    const std::string note = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(std::isfinite(v));
    EXPECT_EQ(v, c.expected) << c.key << "=" << c.text;
    EXPECT_EQ(std::count(note.begin(), note.end(), '\n'), 1) << note;
  }
}

TEST_F(SettingsRanges, EveryRowIsConsistentAndUnknownKeysAreRefused) {
  for (const TSettingRange& r : SettingRanges()) {
    if (r.Kind == TSettingKind::Integer || r.Kind == TSettingKind::Float) {
      EXPECT_LE(r.Min, r.Default) << r.Key;
      EXPECT_LE(r.Default, r.Max) << r.Key;
    }
    EXPECT_EQ(&SettingRange(r.Section, r.Key), &r) << r.Key << " is in the table twice";
  }
  auto ini = Ini("");
  EXPECT_THROW(ReadSettingInteger(ini, "settings", "nosuchkey"), std::out_of_range);
  EXPECT_THROW(ReadSettingFloat(ini, "settings", "fwindangle"), std::out_of_range);
}

}  // namespace
