#include "platform/rtl/registry.h"

#include <gtest/gtest.h>

#include "platform/rtl/stringlist.h"
#include "test_helpers.h"

using namespace rtl;

namespace {

class RegistryFile : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = RegistryFileName();
    SetRegistryFileName(dir_ / "registry.ini");
  }
  void TearDown() override { SetRegistryFileName(saved_); }
  TempDir dir_;
  std::string saved_;
};

}  // namespace

TEST_F(RegistryFile, ValuesPersistAcrossObjectsAndRootsAreSeparate) {
  {
    TRegistry reg;
    reg.SetRootKey(HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(reg.OpenKey("\\SOFTWARE\\BORLAND\\DATABASE ENGINE", true));
    reg.WriteString("DLLPATH", "  /opt/engine  ");
    reg.WriteString("Odd", "a\\b\nc\"d");
    reg.WriteInteger("UseCount", 3);
    reg.WriteBool("SAVECONFIG", true);
  }
  TRegistry reg;
  EXPECT_FALSE(reg.KeyExists("\\SOFTWARE\\BORLAND"));  // current user by default
  reg.SetRootKey(HKEY_LOCAL_MACHINE);
  EXPECT_TRUE(reg.KeyExists("\\software\\borland"));  // parents exist, case does not matter
  EXPECT_FALSE(reg.OpenKey("\\SOFTWARE\\Other", false));
  ASSERT_TRUE(reg.OpenKeyReadOnly("\\Software\\Borland\\Database Engine"));
  EXPECT_EQ(reg.ReadString("dllpath"), "  /opt/engine  ");
  EXPECT_EQ(reg.ReadString("Odd"), "a\\b\nc\"d");
  EXPECT_EQ(reg.ReadInteger("USECOUNT"), 3);
  EXPECT_TRUE(reg.ReadBool("SAVECONFIG"));
  EXPECT_EQ(reg.ReadString("missing"), "");
  EXPECT_THROW(reg.ReadInteger("missing"), ERegistryException);
  EXPECT_THROW(reg.ReadInteger("DLLPATH"), ERegistryException);
  EXPECT_THROW(reg.ReadString("UseCount"), ERegistryException);
  EXPECT_THROW(reg.WriteInteger("UseCount", 4), ERegistryException);  // read-only
  TStringList names;
  reg.GetValueNames(&names);
  EXPECT_EQ(Items(names), (std::vector<std::string>{"DLLPATH", "Odd", "UseCount", "SAVECONFIG"}));
}

TEST_F(RegistryFile, KeysOpenRelativeCreateAndDelete) {
  TRegistry reg;
  EXPECT_FALSE(reg.OpenKey("Control Panel\\Desktop", false));
  ASSERT_TRUE(reg.OpenKey("Control Panel", true));
  EXPECT_TRUE(reg.KeyExists("\\Control Panel"));  // an empty key exists
  ASSERT_TRUE(reg.OpenKey("Desktop", true));      // below the open key
  EXPECT_EQ(reg.CurrentPath(), "Control Panel\\Desktop");
  reg.WriteString("MenuShowDelay", "400");
  EXPECT_TRUE(reg.ValueExists("menushowdelay"));
  EXPECT_TRUE(reg.DeleteValue("MenuShowDelay"));
  EXPECT_FALSE(reg.ValueExists("MenuShowDelay"));
  EXPECT_FALSE(reg.DeleteValue("MenuShowDelay"));
  EXPECT_TRUE(reg.KeyExists("\\Control Panel\\Desktop"));  // still there without values

  reg.CreateKey("\\Control Panel\\Sound");
  reg.OpenKey("\\Control Panel", false);
  TStringList keys;
  reg.GetKeyNames(&keys);
  EXPECT_EQ(Items(keys), (std::vector<std::string>{"Desktop", "Sound"}));
  reg.CloseKey();
  EXPECT_TRUE(reg.DeleteKey("Control Panel"));
  EXPECT_FALSE(reg.KeyExists("\\Control Panel\\Sound"));
  EXPECT_FALSE(reg.DeleteKey("Control Panel"));
  EXPECT_THROW(reg.WriteString("x", "y"), ERegistryException);  // no key open
}
