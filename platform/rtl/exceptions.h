#pragma once
// Exception classes of the runtime. Units add their own (EComError, EEarthException, ...) by
// deriving from rtl::Exception.
#include <stdexcept>
#include <string>

namespace rtl {

class Exception : public std::runtime_error {
 public:
  explicit Exception(const std::string& message) : std::runtime_error(message) {}
  std::string Message() const { return what(); }
};

class EConvertError : public Exception {
 public:
  using Exception::Exception;
};

class EInOutError : public Exception {
 public:
  using Exception::Exception;
  EInOutError(const std::string& message, int errorCode)
      : Exception(message), ErrorCode(errorCode) {}
  int ErrorCode = 0;
};

class EInvalidOperation : public Exception {
 public:
  using Exception::Exception;
};

// Floating point results that have no integer form (Round of NaN, infinity, overflow).
class EInvalidOp : public Exception {
 public:
  using Exception::Exception;
};

class EListError : public Exception {
 public:
  using Exception::Exception;
};

class EClassNotFound : public Exception {
 public:
  using Exception::Exception;
};

class EStreamError : public Exception {
 public:
  using Exception::Exception;
};

class EReadError : public EStreamError {
 public:
  using EStreamError::EStreamError;
};

class EWriteError : public EStreamError {
 public:
  using EStreamError::EStreamError;
};

class EFOpenError : public EStreamError {
 public:
  using EStreamError::EStreamError;
};

class EResNotFound : public Exception {
 public:
  using Exception::Exception;
};

class EThread : public Exception {
 public:
  using Exception::Exception;
};

// A silent abort: stops the operation; the application's handler shows nothing for it.
class EAbort : public Exception {
 public:
  using Exception::Exception;
};

}  // namespace rtl
