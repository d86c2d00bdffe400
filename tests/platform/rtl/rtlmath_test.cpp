#include "platform/rtl/rtlmath.h"

#include <gtest/gtest.h>

#include "platform/rtl/exceptions.h"

using namespace rtl;

TEST(Rounding, RoundHalvesToEvenTruncCutsTowardZero) {
  EXPECT_EQ(Round(2.5), 2);
  EXPECT_EQ(Round(3.5), 4);
  EXPECT_EQ(Round(-2.5), -2);
  EXPECT_EQ(Round(-3.5), -4);
  EXPECT_EQ(Round(0.5), 0);
  EXPECT_EQ(Round(2.5000001), 3);
  EXPECT_EQ(Round(-0.4), 0);
  EXPECT_EQ(Round(1e15 + 0.5), 1000000000000000);
  EXPECT_EQ(Trunc(-2.9), -2);
  EXPECT_EQ(Trunc(2.9), 2);
  EXPECT_EQ(Floor(-2.1), -3);
  EXPECT_EQ(Ceil(-2.9), -2);
  EXPECT_DOUBLE_EQ(static_cast<double>(Frac(-2.25L)), -0.25);
}

TEST(Rounding, ValuesWithoutAnIntegerFormRaise) {
  EXPECT_THROW(Round(NAN), EInvalidOp);
  EXPECT_THROW(Trunc(INFINITY), EInvalidOp);
  EXPECT_THROW(Round(1e19), EInvalidOp);
  EXPECT_EQ(Trunc(-9223372036854775808.0L), INT64_MIN);
}

TEST(MulDiv, UsesA64BitProductAndRoundsHalvesAwayFromZero) {
  EXPECT_EQ(MulDiv(1000000, 1000000, 1000000), 1000000);  // product beyond 32 bits
  EXPECT_EQ(MulDiv(2000000000, 3, 4), 1500000000);
  EXPECT_EQ(MulDiv(5, 1, 2), 3);
  EXPECT_EQ(MulDiv(-5, 1, 2), -3);
  EXPECT_EQ(MulDiv(5, 1, -2), -3);
  EXPECT_EQ(MulDiv(7, 1, 3), 2);
  EXPECT_EQ(MulDiv(-7, -1, 3), 2);
  EXPECT_EQ(MulDiv(1, 1, 0), -1);
  EXPECT_EQ(MulDiv(INT32_MAX, 4, 2), -1);  // result beyond 32 bits
  EXPECT_EQ(MulDiv(INT32_MIN, -1, 1), -1);
}

TEST(Functions, PowersAndAngles) {
  EXPECT_DOUBLE_EQ(static_cast<double>(IntPower(2, 10)), 1024);
  EXPECT_DOUBLE_EQ(static_cast<double>(IntPower(2, -2)), 0.25);
  EXPECT_DOUBLE_EQ(static_cast<double>(IntPower(-3, 3)), -27);
  EXPECT_DOUBLE_EQ(static_cast<double>(IntPower(5, 0)), 1);
  EXPECT_DOUBLE_EQ(static_cast<double>(Power(9, 0.5)), 3);
  EXPECT_DOUBLE_EQ(static_cast<double>(ArcTan2(1, -1)), static_cast<double>(3 * Pi / 4));
  EXPECT_DOUBLE_EQ(static_cast<double>(RadToDeg(DegToRad(123))), 123);
  EXPECT_EQ(Sign(-0.5), -1);
  EXPECT_EQ(EnsureRange(150, 0, 100), 100);
}
