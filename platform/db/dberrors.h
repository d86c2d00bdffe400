#pragma once
// Errors of the data layer: a bad table file, a bad call on a data set, a failed SQL statement.
#include <string>

#include "platform/rtl/exceptions.h"

namespace db {

class EDatabaseError : public rtl::Exception {
 public:
  using rtl::Exception::Exception;
};

// Raises EDatabaseError with the system error text of errno appended.
[[noreturn]] void RaiseOsError(const std::string& what, const std::string& fileName);

}  // namespace db
