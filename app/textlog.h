// The text log "corvatalen.txt": one line per main tick, appended and flushed at once. A log that
// cannot be opened or written (a read-only folder, a full disk) is reported once and tried again
// once a minute; the lines in between are lost and the program carries on. A log deleted or
// renamed while open is started again under its name at the next line.
#pragma once

#include <functional>
#include <string>

#include "platform/rtl/datetime.h"

class TTextLog {
 public:
  explicit TTextLog(std::string fileName) : fFileName(std::move(fileName)) {}
  ~TTextLog();
  TTextLog(const TTextLog&) = delete;
  TTextLog& operator=(const TTextLog&) = delete;

  void Open(rtl::TDateTime now);
  // Appends line as it stands (it carries its own line break); a failed write leaves no part of
  // the line in the file where the file allows.
  void Append(const std::string& line, rtl::TDateTime now);
  bool IsOpen() const { return fFd >= 0; }

  // Hears the message of a failure, once until the log works again.
  std::function<void(const std::string& message)> OnFailure;

 private:
  void Fail(const std::string& what, int err, rtl::TDateTime now);
  void Close();
  // False once the file name is gone or names another file than the open one.
  bool NameStillNamesOpenFile() const;

  std::string fFileName;
  int fFd = -1;
  bool fReported = false;
  rtl::TDateTime fLastTry = 0;
};
