// ALSA microphones: the machine's cards are listed by name, and a capture device (ALSA's null
// device, which every installation has) gives each time span its samples.
#include "platform/capture/alsa.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

namespace {

using namespace capture;

TEST(Alsa, ListsTheMachinesCardsByName) {
  const auto mics = AlsaDevices();
  if (!std::filesystem::exists("/proc/asound/cards")) {
    EXPECT_TRUE(mics.empty());
  }
  for (const DeviceEntry& e : mics) {
    EXPECT_FALSE(e.friendlyName.empty());
    EXPECT_TRUE(e.bindAudio);
  }
}

TEST(Alsa, TheNullDeviceGivesEachSpanItsSamples) {
  EXPECT_EQ(OpenAlsaCapture("no-such-device"), nullptr);
  auto mic = OpenAlsaCapture("null");
  ASSERT_NE(mic, nullptr);
  EXPECT_EQ(mic->Format().samplesPerSec, 44100);
  // 40 ms at 44.1 kHz, 16-bit mono: 1,764 samples.
  EXPECT_EQ(mic->Samples(0, 40000).size(), 3528u);
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(mic->Samples(40000, 80000).size(), 3528u);
  const AudioFormat stereo{MEDIASUBTYPE_PCM, 22050, 16, 2, 88200};
  ASSERT_EQ(mic->SetFormat(stereo), S_OK);
  EXPECT_EQ(mic->Samples(0, 1'000'000).size(), 88200u);
  EXPECT_EQ(mic->SetFormat({MEDIASUBTYPE_PCM, 8000, 8, 1, 8000}), E_INVALIDARG);
}

}  // namespace
