#pragma once
// A fresh directory for one test, removed with everything in it afterwards.
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

class TempDirTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/corv_db_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    fDir = pattern;
  }
  void TearDown() override { std::filesystem::remove_all(fDir); }
  std::string Path(const std::string& name) const { return fDir + "/" + name; }
  std::string fDir;
};
