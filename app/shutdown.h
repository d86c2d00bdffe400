// Stopping the program from outside: SIGTERM and SIGINT close the main window as its close button
// would, so the settings are written. The handler only writes a byte to a pipe; a watcher thread
// posts the close to the window's queue.
#pragma once

#include <thread>

#include "platform/win/types.h"

class TShutdownSignals {
 public:
  explicit TShutdownSignals(win::HWND mainWindow);
  ~TShutdownSignals();
  TShutdownSignals(const TShutdownSignals&) = delete;
  TShutdownSignals& operator=(const TShutdownSignals&) = delete;

 private:
  void Watch();
  win::HWND fWindow;
  int fPipe[2] = {-1, -1};
  std::thread fWatcher;
};
