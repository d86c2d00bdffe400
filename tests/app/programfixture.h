// The program in process on the virtual clock, as the program tests run it: a working directory
// of its own with the sample polar, the forms created as the program does, a fake serial line.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/aboutbox.h"
#include "app/mainform.h"
#include "app/polar.h"
#include "app/sailsel.h"
#include "app/wpdbform1.h"
#include "app/settingsform.h"
#include "app/winmain.h"
#include "link/commswizard.h"
#include "link/comsettings.h"
#include "platform/rtl/datetime.h"
#include "platform/serial/fakedevice.h"
#include "platform/vcl/dialogs.h"
#include "platform/win/system.h"

namespace apptest {

namespace fs = std::filesystem;

class ProgramFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    old = fs::current_path();
    char pattern[] = "/tmp/corv-program-XXXXXX";
    dir = ::mkdtemp(pattern);
    fs::current_path(dir);
    fs::copy_file(fs::path(CORV_SOURCE_DIR) / "data" / "PERFORMANCE.DBF", "PERFORMANCE.DBF");
    fs::copy_file(fs::path(CORV_SOURCE_DIR) / "data" / "world.lyr", "world.lyr");
  }
  void TearDown() override {
    Stop();
    fs::current_path(old);
    fs::remove_all(dir);
  }

  void WriteIni(const std::string& text) { std::ofstream("corvatalen.ini") << text; }

  // Creates the forms as the program does, on a virtual clock whose local time starts at noon.
  void Start() {
    clock = std::make_shared<win::VirtualClock>();
    win::Config config;
    config.clock = clock;
    config.idleGraceMs = 200;
    win::Initialize(config);
    boxes.clear();
    vcl::SetDialogResponder([this](const vcl::TDialogRequest& r) {
      if (r.Kind == "MessageBox") boxes.push_back(r.Caption + "|" + r.Text);
      return answer ? answer(r) : std::optional<vcl::TDialogAnswer>(vcl::TDialogAnswer{});
    });
    app = std::make_unique<vcl::TApplication>();
    CreateForms(*app);
    const uint64_t start = clock->NowMicros();
    Form1->fNow = [this, start] {
      return rtl::EncodeDate(2026, 12, 6) + rtl::EncodeTime(12, 0, 0, 0) +
             static_cast<double>(clock->NowMicros() - start) / 1e6 / rtl::SecsPerDay;
    };
  }
  void Stop() {
    if (!app) return;
    app.reset();
    comms = nullptr;
    Settings = nullptr;
    Polardata = nullptr;
    WizForm = nullptr;
    About = nullptr;
    WPDBForm = nullptr;
    sailselform = nullptr;
    vcl::SetDialogResponder(nullptr);
    win::Shutdown();
  }
  void Advance(unsigned ms) {
    for (unsigned i = 0; i < ms; i += 100) {
      clock->Advance(100);
      app->ProcessMessages();
    }
  }
  // Feeds the line and waits (real time) until the decoder has taken it.
  void FeedAndWait(const std::string& text, const std::function<bool()>& done) {
    line->Feed(text);
    for (int i = 0; i < 400 && !done(); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
      app->ProcessMessages();
    }
    ASSERT_TRUE(done());
  }

  fs::path old, dir;
  std::shared_ptr<win::VirtualClock> clock;
  std::unique_ptr<vcl::TApplication> app;
  std::shared_ptr<serial::FakeLine> line = std::make_shared<serial::FakeLine>();
  std::vector<std::string> boxes;
  std::function<std::optional<vcl::TDialogAnswer>(const vcl::TDialogRequest&)> answer;
};

}  // namespace apptest
