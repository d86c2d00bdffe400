#include "link/comconfig.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "link/comconfigform.h"
#include "platform/rtl/registry.h"
#include "platform/serial/fakedevice.h"
#include "platform/vcl/screen.h"
#include "tests/platform/vcl/vcltest.h"

namespace {

namespace fs = std::filesystem;

class ConfigDialog : public vcltest::VclTest {
 protected:
  void SetUp() override {
    VclTest::SetUp();
    fs::remove(registry);
    rtl::SetRegistryFileName(registry.string());
    port.SetDeviceName("COM1");
    script = std::make_unique<win::InputScript>();
  }
  void TearDown() override {
    port.Close();
    script.reset();
    rtl::SetRegistryFileName("registry.ini");
    fs::remove(registry);
    VclTest::TearDown();
  }

  // The open configuration form.
  TComConfigForm* Form() { return dynamic_cast<TComConfigForm*>(vcl::Screen->ActiveForm()); }
  // A script step that picks values in the form, as the user would, and then clicks a button.
  void Choose(std::function<void(TComConfigForm&)> pick, bool ok = true) {
    script->Then([this, pick, ok] {
      TComConfigForm* form = Form();
      ASSERT_NE(form, nullptr);
      pick(*form);
      PostClick(ok ? form->OKButton : form->CancelButton);
    });
  }
  static void Pick(vcl::TComboBox* combo, const std::string& item) {
    const int i = combo->Items()->IndexOf(item);
    ASSERT_GE(i, 0) << item;
    combo->SetItemIndex(i);
  }

  // One file per test: ctest runs the tests of this file side by side.
  fs::path registry = fs::path(::testing::TempDir()) /
                      ("comconfig_" + std::to_string(getpid()) + "_" +
                       ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".ini");
  std::shared_ptr<serial::FakeLine> line = std::make_shared<serial::FakeLine>();
  serial::ScopedFake fake{"COM1", line};
  std::unique_ptr<win::InputScript> script;  // needs the virtual clock of SetUp
  TComPort port{nullptr};
};

// --- What the form shows --------------------------------------------------------------------

TEST_F(ConfigDialog, PortSettingsShowOverTheStoredDefaults) {
  TComConfig stored;
  stored.DeviceName = "COM1";
  stored.BaudRate = 19200;
  stored.DataBits = db7;
  stored.Parity = paEven;
  stored.StopBits = sb2;
  stored.Flow = cfXOnXOff;
  StoreDefaultConfig(stored);
  EXPECT_EQ(port.CurrentConfig(), stored);  // every setting at its default

  port.SetBaudRate(br4800);
  port.SetDataBits(db8);
  port.FlowControl().SetXOnXOff(xcDisable);
  TComConfig expected = stored;
  expected.BaudRate = 4800;
  expected.DataBits = db8;
  expected.Flow = cfNone;
  EXPECT_EQ(port.CurrentConfig(), expected);

  port.SetOptions({opOutputCTSFlow});
  EXPECT_EQ(port.CurrentConfig().Flow, cfHardware);
  port.SetBaudRate(brCustom);
  port.SetCustomBaudRate(4000);
  EXPECT_EQ(port.CurrentConfig().BaudRate, 4000);
}

TEST_F(ConfigDialog, AnOpenPortShowsWhatTheLineHasWhereItsSettingsAreDefault) {
  // An earlier user left the line at 19200 7E2 with XON/XOFF; the device keeps that.
  TComPort earlier(nullptr);
  earlier.SetDeviceName("COM1");
  earlier.SetBaudRate(br19200);
  earlier.SetDataBits(db7);
  earlier.SetParity(paEven);
  earlier.SetStopBits(sb2);
  earlier.FlowControl().SetXOnXOff(xcInputOutput);
  earlier.Open();
  earlier.Close();

  port.SetParity(paOdd);
  port.Open();
  const TComConfig c = port.CurrentConfig();
  EXPECT_EQ(c.BaudRate, 19200);
  EXPECT_EQ(c.DataBits, db7);
  EXPECT_EQ(c.Parity, paOdd);
  EXPECT_EQ(c.StopBits, sb2);
  EXPECT_EQ(c.Flow, cfXOnXOff);
}

TEST_F(ConfigDialog, AnUnusualSpeedIsListedInItsPlace) {
  TComConfig c;
  c.DeviceName = "COM1";
  c.BaudRate = 4000;
  TComConfigForm form(nullptr, c, false);
  const rtl::TStrings& rates = *form.BaudCombo->Items();
  const int i = rates.IndexOf("4000");
  ASSERT_GT(i, 0);
  EXPECT_EQ(rates.Strings(i - 1), "2400");
  EXPECT_EQ(rates.Strings(i + 1), "4800");
  EXPECT_EQ(form.Config(), c);

  c.BaudRate = 921600;  // above every listed speed
  TComConfigForm fast(nullptr, c, false);
  EXPECT_EQ(fast.Config(), c);
}

// --- OK and Cancel ------------------------------------------------------------------------------

TEST_F(ConfigDialog, OkAppliesTheChosenSettingsToTheOpenLine) {
  port.SetBaudRate(br4800);
  port.SetDataBits(db8);
  port.Open();
  Choose([](TComConfigForm& f) {
    EXPECT_FALSE(f.PortCombo->Enabled());  // an open port keeps its device
    EXPECT_EQ(f.BaudCombo->Text(), "4800");
    Pick(f.BaudCombo, "38400");
    Pick(f.DataBitsCombo, "7");
    Pick(f.ParityCombo, "Even");
    Pick(f.StopBitsCombo, "2");
    Pick(f.FlowCombo, "Hardware");
  });
  ASSERT_TRUE(port.ConfigDialog());
  EXPECT_TRUE(script->Done());
  const serial::LineSettings s = line->Settings();
  EXPECT_EQ(s.baud, 38400);
  EXPECT_EQ(s.dataBits, 7);
  EXPECT_EQ(s.parity, serial::Parity::Even);
  EXPECT_EQ(s.stopBits, serial::StopBits::Two);
  EXPECT_TRUE(s.rtsCts);
  EXPECT_FALSE(s.xonInput || s.xonOutput);
  EXPECT_EQ(port.BaudRate(), brCustom);
  EXPECT_EQ(port.CustomBaudRate(), 38400);

  // Back to no flow control: hardware handshake is dropped, the RTS line stays up.
  Choose([](TComConfigForm& f) { Pick(f.FlowCombo, "None"); });
  ASSERT_TRUE(port.ConfigDialog());
  EXPECT_FALSE(line->Settings().rtsCts);
  EXPECT_FALSE(port.Options().Contains(opOutputCTSFlow));
  EXPECT_EQ(port.FlowControl().RTS(), rcEnable);
}

TEST_F(ConfigDialog, CancelLeavesEverythingAsItWas) {
  port.SetBaudRate(br4800);
  port.Open();
  const serial::LineSettings before = line->Settings();
  Choose([](TComConfigForm& f) { Pick(f.BaudCombo, "9600"); }, false);
  EXPECT_FALSE(port.ConfigDialog());
  EXPECT_EQ(line->Settings(), before);
  EXPECT_EQ(port.BaudRate(), br4800);
}

TEST_F(ConfigDialog, AClosedPortTakesTheDeviceNameTyped) {
  auto other = std::make_shared<serial::FakeLine>();
  serial::ScopedFake fake2("COM7", other);
  Choose([](TComConfigForm& f) {
    EXPECT_TRUE(f.PortCombo->Enabled());
    f.PortCombo->SetText("COM7");
    Pick(f.BaudCombo, "4800");
  });
  ASSERT_TRUE(port.ConfigDialog());
  EXPECT_EQ(port.DeviceName(), "COM7");
  port.Open();
  EXPECT_TRUE(other->IsOpen());
  EXPECT_EQ(other->Settings().baud, 4800);
}

TEST_F(ConfigDialog, AnsweredOkWithoutChangesTheLineKeepsItsValues) {
  vcl::SetDialogResponder([](const vcl::TDialogRequest& r) -> std::optional<vcl::TDialogAnswer> {
    EXPECT_EQ(r.Kind, "Form");
    EXPECT_EQ(r.Caption, "Port settings: COM1");
    return vcl::TDialogAnswer{vcl::mrOk};
  });
  port.Open();
  const serial::LineSettings before = line->Settings();
  ASSERT_TRUE(port.ConfigDialog());
  EXPECT_EQ(line->Settings(), before);
  EXPECT_EQ(port.BaudRate(), brCustom);
  EXPECT_EQ(port.CustomBaudRate(), before.baud);
}

// --- The default configuration ------------------------------------------------------------------

TEST_F(ConfigDialog, DefaultConfigurationIsStoredPerDeviceAndUsedForAClosedPort) {
  EXPECT_EQ(LoadDefaultConfig("COM1").BaudRate, 9600);
  Choose([](TComConfigForm& f) {
    EXPECT_FALSE(f.PortCombo->Enabled());
    Pick(f.BaudCombo, "4800");
    Pick(f.ParityCombo, "Mark");
  });
  ASSERT_TRUE(port.DefaultConfigDialog());
  EXPECT_FALSE(line->IsOpen());  // only stored
  const TComConfig stored = LoadDefaultConfig("COM1");
  EXPECT_EQ(stored.BaudRate, 4800);
  EXPECT_EQ(stored.Parity, paMark);
  EXPECT_EQ(LoadDefaultConfig("COM2").BaudRate, 9600);
  EXPECT_EQ(port.BaudRate(), brDefault);  // the port's own settings are untouched

  // Cancel stores nothing.
  Choose([](TComConfigForm& f) { Pick(f.BaudCombo, "115200"); }, false);
  EXPECT_FALSE(port.DefaultConfigDialog());
  EXPECT_EQ(LoadDefaultConfig("COM1").BaudRate, 4800);

  // A closed port's dialog starts from the stored default.
  Choose([](TComConfigForm& f) {
    EXPECT_EQ(f.BaudCombo->Text(), "4800");
    EXPECT_EQ(f.ParityCombo->Text(), "Mark");
  });
  EXPECT_TRUE(port.ConfigDialog());
}

TEST_F(ConfigDialog, DevicePathsWithBackslashesAreOneKey) {
  TComConfig c;
  c.DeviceName = R"(\\.\COM3)";
  c.BaudRate = 57600;
  StoreDefaultConfig(c);
  EXPECT_EQ(LoadDefaultConfig(R"(\\.\COM3)"), c);
  EXPECT_EQ(LoadDefaultConfig("COM3").BaudRate, 9600);
}

TEST_F(ConfigDialog, StoredValuesOutOfRangeFallBackOneByOne) {
  TComConfig c;
  c.DeviceName = "COM1";
  c.BaudRate = 4800;
  c.Parity = paOdd;
  StoreDefaultConfig(c);
  rtl::TRegistry reg;
  ASSERT_TRUE(reg.OpenKey(R"(\Software\Corvatalen\Serial ports\COM1)", false));
  reg.WriteInteger("DataBits", 9);
  reg.WriteInteger("StopBits", -1);
  reg.WriteInteger("FlowControl", 3);
  reg.WriteString("BaudRate", "fast");
  const TComConfig read = LoadDefaultConfig("COM1");
  EXPECT_EQ(read.BaudRate, 9600);
  EXPECT_EQ(read.DataBits, db8);
  EXPECT_EQ(read.Parity, paOdd);
  EXPECT_EQ(read.StopBits, sb1);
  EXPECT_EQ(read.Flow, cfNone);
}

}  // namespace
