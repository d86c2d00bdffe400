#include "platform/serial/names.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using serial::MapName;

namespace {

class FakeDevTree : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() / ("serial-names-" + std::to_string(getpid()));
    fs::create_directories(root_ / "dev/serial/by-id");
    fs::create_directories(root_ / "sys");
    for (const char* n : {"ttyS0", "ttyS1", "ttyS10", "ttyS2", "ttyUSB10", "ttyUSB2", "ttyACM0",
                          "ttySX", "ttyUSB", "tty0"})
      std::ofstream(root_ / "dev" / n).put('x');
    // ttyS1 has no UART fitted.
    for (auto [n, type] : {std::pair{"ttyS0", 4}, {"ttyS1", 0}, {"ttyS2", 4}, {"ttyS10", 4}}) {
      fs::create_directories(root_ / "sys" / n);
      std::ofstream(root_ / "sys" / n / "type") << type << "\n";
    }
    fs::create_symlink("../../ttyUSB2", root_ / "dev/serial/by-id/usb-Known-if00");
    std::ofstream(root_ / "dev/elsewhere").put('x');
    fs::create_symlink("../../elsewhere", root_ / "dev/serial/by-id/usb-Other-if00");
  }
  void TearDown() override { fs::remove_all(root_); }

  std::vector<std::string> Devices() const {
    return serial::EnumerateDevices((root_ / "dev").string(), (root_ / "sys").string());
  }
  std::string Dev(const std::string& n) const { return (root_ / "dev" / n).string(); }

  fs::path root_;
};

TEST_F(FakeDevTree, DevicesComeInGroupsInNumericOrderWithoutEmptyUartsOrRepeatedLinks) {
  EXPECT_EQ(Devices(), (std::vector<std::string>{Dev("ttyS0"), Dev("ttyS2"), Dev("ttyS10"),
                                                 Dev("ttyUSB2"), Dev("ttyUSB10"), Dev("ttyACM0"),
                                                 Dev("serial/by-id/usb-Other-if00")}));
  EXPECT_EQ(serial::ComNames(Devices()),
            (std::vector<std::string>{"COM1", "COM2", "COM3", "COM4", "COM5", "COM6", "COM7"}));
}

TEST_F(FakeDevTree, ComNamesMapToTheNthDevice) {
  auto devices = Devices();
  EXPECT_EQ(MapName("COM1", devices), Dev("ttyS0"));
  EXPECT_EQ(MapName("com4", devices), Dev("ttyUSB2"));
  EXPECT_EQ(MapName("\\\\.\\COM6", devices), Dev("ttyACM0"));
  EXPECT_EQ(MapName("COM8", devices), std::nullopt);
  EXPECT_EQ(MapName("COM0", devices), std::nullopt);
  EXPECT_EQ(MapName("COM1x", devices), std::nullopt);
  EXPECT_EQ(MapName("COM", devices), std::nullopt);
}

TEST(PortNames, PathsStandAndNetworkNamesNothing) {
  EXPECT_EQ(MapName("/dev/pts/7", {}), "/dev/pts/7");
  EXPECT_EQ(MapName("/dev/pts/7"), "/dev/pts/7");
  EXPECT_EQ(MapName("Network", {"/dev/ttyS0"}), std::nullopt);
  EXPECT_EQ(MapName("", {"/dev/ttyS0"}), std::nullopt);
}

// The list in COM order: a given list first, then the variable, then the machine.
TEST(PortNames, DeviceListGivenBySetterOrVariableInComOrder) {
  EXPECT_EQ(serial::ParseDeviceList("/dev/pts/9::/dev/pts/3:"),
            (std::vector<std::string>{"/dev/pts/9", "/dev/pts/3"}));
  EXPECT_TRUE(serial::ParseDeviceList("").empty());

  const char* before = std::getenv("CORVATALEN_SERIAL_DEVICES");
  const std::string saved = before ? before : "";
  ::setenv("CORVATALEN_SERIAL_DEVICES", "/dev/pts/9:/dev/pts/3", 1);
  EXPECT_EQ(MapName("COM1"), "/dev/pts/9");
  EXPECT_EQ(MapName("COM2"), "/dev/pts/3");
  EXPECT_EQ(MapName("COM3"), std::nullopt);

  serial::SetComDevices(std::vector<std::string>{"/dev/pts/4"});
  EXPECT_EQ(serial::ComDevices(), std::vector<std::string>{"/dev/pts/4"});
  EXPECT_EQ(MapName("COM1"), "/dev/pts/4");
  EXPECT_EQ(MapName("COM2"), std::nullopt);
  serial::SetComDevices(std::vector<std::string>{});
  EXPECT_EQ(MapName("COM1"), std::nullopt);

  serial::SetComDevices(std::nullopt);
  EXPECT_EQ(serial::ComDevices().size(), 2u);
  ::unsetenv("CORVATALEN_SERIAL_DEVICES");
  EXPECT_EQ(serial::ComDevices(), serial::EnumerateDevices());
  if (before) ::setenv("CORVATALEN_SERIAL_DEVICES", saved.c_str(), 1);
}

}  // namespace
