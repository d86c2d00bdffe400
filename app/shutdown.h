// Stopping the program from outside: SIGTERM, SIGINT and SIGHUP (its terminal or session closed)
// close the main window as its close button would, so the settings are written. The handler only
// writes a byte to a pipe; a watcher thread posts the close to the window's queue.
#pragma once

#include <atomic>
#include <thread>

#include "platform/win/types.h"

class TShutdownSignals {
 public:
  explicit TShutdownSignals(win::HWND mainWindow);
  ~TShutdownSignals();
  TShutdownSignals(const TShutdownSignals&) = delete;
  TShutdownSignals& operator=(const TShutdownSignals&) = delete;

  // Whether a signal asked for the close: such a close has no one to answer a box.
  bool Signalled() const { return fSignalled.load(); }

 private:
  void Watch();
  win::HWND fWindow;
  int fPipe[2] = {-1, -1};
  std::atomic<bool> fSignalled{false};
  std::thread fWatcher;
};

// A write to a pipe whose reader has gone, or past the file-size limit, fails with an error its
// writer tells (a lost line of the standard error, "Cannot write the text log") instead of
// ending the program.
void IgnoreWriteSignals();
