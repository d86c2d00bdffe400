#include "platform/rtl/exceptions.h"

#include <gtest/gtest.h>

TEST(Exceptions, DerivedClassesAreCaughtAsTheBaseWithTheirMessage) {
  try {
    throw rtl::EConvertError("'x' is not a valid integer value");
  } catch (const rtl::Exception& e) {
    EXPECT_EQ(e.Message(), "'x' is not a valid integer value");
  }
  EXPECT_THROW(throw rtl::EReadError("short"), rtl::EStreamError);
}
