#include "platform/rtl/registry.h"
#include "platform/rtl/reginifile.h"

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

// Sections land as subkeys of the adapter's key, where a plain registry object finds them, and the
// adapter's own key stays open between calls.
TEST_F(RegistryFile, RegIniFileSectionsAreSubkeysOfTheOpenKey) {
  {
    TRegIniFile ini("Software\\Corvatalen\\Layout");
    ini.WriteInteger("DKToolWindow3", "DockRow", -7);
    ini.WriteString("DKToolWindow3", "DockedTo", "DKDock5");
    ini.WriteString("", "Own", "at the key itself");
    EXPECT_EQ(ini.CurrentPath(), "Software\\Corvatalen\\Layout");
    EXPECT_EQ(ini.ReadInteger("dktoolwindow3", "dockrow", 0), -7);  // names without case
  }
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKeyReadOnly("\\Software\\Corvatalen\\Layout\\DKToolWindow3"));
  EXPECT_EQ(reg.ReadInteger("DockRow"), -7);
  EXPECT_EQ(reg.ReadString("DockedTo"), "DKDock5");
  ASSERT_TRUE(reg.OpenKeyReadOnly("\\Software\\Corvatalen\\Layout"));
  EXPECT_EQ(reg.ReadString("Own"), "at the key itself");
  EXPECT_FALSE(reg.ValueExists("DockRow"));

  // Written by the plain object, read through the adapter opened on another root first.
  reg.SetRootKey(HKEY_LOCAL_MACHINE);
  ASSERT_TRUE(reg.OpenKey("\\Base\\Win", true));
  reg.WriteInteger("Visible", 1);
  TRegIniFile other;
  other.SetRootKey(HKEY_LOCAL_MACHINE);
  ASSERT_TRUE(other.OpenKey("\\Base", false));
  EXPECT_EQ(other.ReadInteger("Win", "Visible", 0), 1);
  EXPECT_EQ(other.ReadInteger("DKToolWindow3", "DockRow", 5), 5);  // the other root's key
}

// What cannot be read gives the default: a missing section or value, or a value of the other type.
TEST_F(RegistryFile, RegIniFileReadsFallBackToTheirDefaults) {
  TRegIniFile ini("Software\\Corvatalen");
  ini.WriteString("W", "Number", "12");
  ini.WriteInteger("W", "Text", 3);
  EXPECT_EQ(ini.ReadInteger("Missing", "Rev", 42), 42);
  EXPECT_EQ(ini.ReadInteger("W", "Missing", -1), -1);
  EXPECT_EQ(ini.ReadInteger("W", "Number", 9), 9);
  EXPECT_EQ(ini.ReadString("W", "Text", "dflt"), "dflt");
  EXPECT_EQ(ini.ReadString("Missing", "DockedTo", ""), "");
  EXPECT_FALSE(ini.KeyExists("Missing"));  // reading made no key
}

// Opened read-only, the adapter reads and refuses every write without creating anything.
TEST_F(RegistryFile, RegIniFileAReadOnlyKeyRefusesWrites) {
  { TRegIniFile("Software\\Corvatalen").WriteInteger("W", "Rev", 2000); }
  TRegIniFile missing("Software\\Nothing", true);
  EXPECT_FALSE(missing.KeyExists("\\Software\\Nothing"));
  TRegIniFile ini("Software\\Corvatalen", true);
  EXPECT_EQ(ini.ReadInteger("W", "Rev", 0), 2000);
  EXPECT_THROW(ini.WriteInteger("New", "Rev", 1), ERegistryException);
  EXPECT_THROW(ini.WriteString("W", "DockedTo", "+"), ERegistryException);
  EXPECT_THROW(ini.WriteString("", "Own", "x"), ERegistryException);
  EXPECT_FALSE(ini.KeyExists("New"));
  EXPECT_FALSE(ini.ValueExists("Own"));
  EXPECT_EQ(ini.ReadString("W", "DockedTo", "none"), "none");
  EXPECT_EQ(ini.CurrentPath(), "Software\\Corvatalen");
}
