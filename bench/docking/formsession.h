#pragma once
// What the docking benchmarks start from: the window system on a virtual clock, an application
// and its main form; torn down in reverse.
#include <memory>

#include "platform/vcl/application.h"
#include "platform/win/system.h"

namespace docking_bench {

struct FormSession {
  FormSession() {
    win::Config config;
    config.clock = std::make_shared<win::VirtualClock>();
    win::Initialize(config);
    app = std::make_unique<vcl::TApplication>();
    app->CreateForm(form);
  }
  ~FormSession() {
    app.reset();
    win::Shutdown();
  }
  FormSession(const FormSession&) = delete;
  FormSession& operator=(const FormSession&) = delete;

  std::unique_ptr<vcl::TApplication> app;
  vcl::TForm* form = nullptr;
};

}  // namespace docking_bench
