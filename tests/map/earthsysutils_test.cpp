// Globe units, wrapping at the 180th meridian, MERs, measurement units and angle texts.
#include "map/earthsysutils.h"

#include <gtest/gtest.h>

#include <clocale>
#include <iomanip>
#include <limits>
#include <random>

namespace {

constexpr int32_t kDeg = GU_DEGREE;

TEST(Mod180, KeepsOneUnitPastTheMeridianOnEachSide) {
  EXPECT_EQ(Mod180(972'000'001), 972'000'001);
  EXPECT_EQ(Mod180(972'000'002), -971'999'998);
  EXPECT_EQ(Mod180(-972'000'001), -972'000'001);
  EXPECT_EQ(Mod180(-972'000'002), 971'999'998);
  EXPECT_EQ(Mod180(0), 0);
  // One step only, and the extremes of the type do not overflow.
  EXPECT_EQ(Mod180(std::numeric_limits<int32_t>::max()), 2147483647 - GU_360DEGREE);
  EXPECT_EQ(Mod180(std::numeric_limits<int32_t>::min()), -2147483647 - 1 + GU_360DEGREE);
}

TEST(Mod180, FloatAndRadianFormsWrapOnce) {
  EXPECT_DOUBLE_EQ(static_cast<double>(Mod180Float(190)), -170);
  EXPECT_DOUBLE_EQ(static_cast<double>(Mod180Float(-190)), 170);
  EXPECT_DOUBLE_EQ(static_cast<double>(Mod180Float(180)), 180);
  EXPECT_NEAR(static_cast<double>(SphericalMod(4)), 4 - 2 * 3.14159265358979, 1e-12);
  EXPECT_NEAR(static_cast<double>(SphericalMod(-4)), -4 + 2 * 3.14159265358979, 1e-12);
}

TEST(LongDiff, MeasuresTheShortWayRoundAndIsNeverZero) {
  EXPECT_EQ(LongDiff(0, 0), 1);
  EXPECT_EQ(LongDiff(-971'000'000, 971'000'000), 2'000'000);
  EXPECT_EQ(LongDiff(10 * kDeg, -10 * kDeg), 20 * kDeg);
  EXPECT_EQ(LongDiff(0, GU_180DEGREE), GU_180DEGREE);
  EXPECT_EQ(LongDiff(std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()),
            406'967'295);
  EXPECT_EQ(LongDiff(-972'000'001, 972'000'001), 2);
}

TEST(Cross180, ReportsStepsAcrossTheMeridianOnly) {
  ResetCross180();
  EXPECT_FALSE(Cross180(170 * kDeg));
  EXPECT_TRUE(Cross180(-170 * kDeg));
  EXPECT_TRUE(Cross180(170 * kDeg));
  EXPECT_FALSE(Cross180(10 * kDeg));    // quadrant 0
  EXPECT_FALSE(Cross180(-170 * kDeg));  // from 0 to -1 is the prime meridian side
  ResetCross180();
}

TEST(PointLL, WrapsLongitudeAndBuildsRecords) {
  const TPointLL p = PointLL(972'000'002, 5);
  EXPECT_EQ(p, (TPointLL{-971'999'998, 5, 0}));
  EXPECT_EQ(PointLLH(1, 2, 3).iHeightZ, 3);
  EXPECT_EQ(MER(1, 2, 3, 4), (TMER{1, 2, 3, 4}));
}

TEST(PointLLinMER, IsStrictOnEveryEdge) {
  const TMER m = MER(0, 0, 10, 10);
  EXPECT_TRUE(PointLLinMER(PointLL(5, 5), m));
  EXPECT_FALSE(PointLLinMER(PointLL(0, 5), m));
  EXPECT_FALSE(PointLLinMER(PointLL(10, 5), m));
  EXPECT_FALSE(PointLLinMER(PointLL(5, 0), m));
  EXPECT_FALSE(PointLLinMER(PointLL(5, 10), m));
}

TEST(PointLLinMER, MerAcrossTheMeridianContainsTheWrappedSide) {
  const TMER m = MER(170 * kDeg, -kDeg, 20 * kDeg, 2 * kDeg);
  EXPECT_TRUE(PointLLinMER(PointLL(-175 * kDeg, 0), m));
  EXPECT_TRUE(PointLLinMER(PointLL(175 * kDeg, 0), m));
  EXPECT_FALSE(PointLLinMER(PointLL(-165 * kDeg, 0), m));
  EXPECT_FALSE(PointLLinMER(PointLL(165 * kDeg, 0), m));
  // Without the meridian no wrapped test is made.
  EXPECT_FALSE(PointLLinMER(PointLL(-175 * kDeg, 0), MER(-10 * kDeg, -kDeg, 20 * kDeg, 2 * kDeg)));
}

TEST(MERinMER, NeedsBothCornersStrictlyInside) {
  const TMER outer = MER(0, 0, 100, 100);
  EXPECT_TRUE(MERinMER(MER(10, 10, 20, 20), outer));
  EXPECT_FALSE(MERinMER(MER(0, 10, 20, 20), outer));
  EXPECT_FALSE(MERinMER(MER(90, 90, 20, 20), outer));
  const TMER wrapped = MER(170 * kDeg, -kDeg, 20 * kDeg, 2 * kDeg);
  EXPECT_TRUE(MERinMER(MER(175 * kDeg, 0, 10 * kDeg, kDeg / 2), wrapped));
}

TEST(UnionMER, TakesTheOtherWhenOneIsEmpty) {
  EXPECT_TRUE(IsEmptyMER(MER(5, 5, 0, 0)));
  EXPECT_FALSE(IsEmptyMER(MER(5, 5, 0, 1)));
  EXPECT_EQ(UnionMER(MER(5, 5, 0, 0), MER(1, 2, 3, 4)), MER(1, 2, 3, 4));
  EXPECT_EQ(UnionMER(MER(1, 2, 3, 4), MER(9, 9, 0, 0)), MER(1, 2, 3, 4));
  EXPECT_EQ(UnionMER(MER(0, 0, 10, 10), MER(-5, 5, 10, 20)), MER(-5, 0, 15, 25));
}

TEST(PointsToMER, SpansThePointsAndRefusesNone) {
  const TPointLL pts[] = {PointLL(5, 5), PointLL(-3, 8), PointLL(10, -2)};
  EXPECT_EQ(PointsToMER(pts, 2), MER(-3, -2, 13, 10));
  EXPECT_EQ(PointsToMER(pts, 0), MER(5, 5, 0, 0));
  try {
    PointsToMER(pts, -1);
    FAIL();
  } catch (const EEarthException& e) {
    EXPECT_NE(std::string(e.what()).find("PointsToMER called with zero points"), std::string::npos);
  }
  const TEarthDevicePoint dp[] = {{3, 4}, {-1, 7}, {5, 2}};
  EXPECT_EQ(PointsToRect(dp, 2), (TEarthDeviceRect{-1, 2, 5, 7}));
}

TEST(PointOnLine, UsesPerpendicularDistanceWithinTheSegment) {
  EXPECT_TRUE(PointOnLine(5, 1, 0, 0, 10, 0, 2));
  EXPECT_FALSE(PointOnLine(5, 2, 0, 0, 10, 0, 2));  // strict
  EXPECT_FALSE(PointOnLine(11, 0, 0, 0, 10, 0, 2));
  EXPECT_FALSE(PointOnLine(-1, 0, 0, 0, 10, 0, 2));
  EXPECT_FALSE(PointOnLine(0, 0, 3, 3, 3, 3, 5));  // a point, not a line
}

TEST(EarthUnits, ConvertThroughTheTable) {
  EXPECT_DOUBLE_EQ(static_cast<double>(EarthUnitsTo(90'000, TEarthUnitTypes::NauticalMile)), 1);
  EXPECT_DOUBLE_EQ(static_cast<double>(EarthUnitsTo(1000, TEarthUnitTypes::Pixel)), 1000);
  EXPECT_EQ(EarthUnitsFrom(2.5L, TEarthUnitTypes::Pixel), 0);
  EXPECT_EQ(EarthUnitsFrom(1, TEarthUnitTypes::Kilometer), 48596);
  EXPECT_EQ(EarthUnitsFrom(2.5L, TEarthUnitTypes::EarthUnit), 2);  // half to even
  EXPECT_EQ(EarthUnitsFrom(3.5L, TEarthUnitTypes::EarthUnit), 4);
  EXPECT_EQ(EarthUnitsFrom(-1, TEarthUnitTypes::Degree), -kDeg);
}

TEST(EarthUnits, FromSaturatesInsteadOfOverflowing) {
  EXPECT_EQ(EarthUnitsFrom(1000, TEarthUnitTypes::Degree), std::numeric_limits<int32_t>::max());
  EXPECT_EQ(EarthUnitsFrom(-1000, TEarthUnitTypes::Degree), std::numeric_limits<int32_t>::min());
  EXPECT_EQ(EarthUnitsFrom(std::numeric_limits<Extended>::infinity(), TEarthUnitTypes::Meter),
            std::numeric_limits<int32_t>::max());
  EXPECT_EQ(EarthUnitsFrom(std::numeric_limits<Extended>::quiet_NaN(), TEarthUnitTypes::Meter), 0);
}

TEST(EarthUnits, AbbreviationsMatchWithoutCase) {
  EXPECT_EQ(StrToUnits("t"), TEarthUnitTypes::Third);
  EXPECT_EQ(StrToUnits("km"), TEarthUnitTypes::Kilometer);
  EXPECT_EQ(StrToUnits("Gu"), TEarthUnitTypes::EarthUnit);
  EXPECT_EQ(UnitsToStr(TEarthUnitTypes::Thousanth), "T");
  EXPECT_EQ(UnitsToStr(TEarthUnitTypes::Pixel), "PI");
  for (int i = 0; i < EarthUnitTypesCount; ++i) {
    const auto u = static_cast<TEarthUnitTypes>(i);
    if (u == TEarthUnitTypes::Thousanth) continue;
    EXPECT_EQ(StrToUnits(UnitsToStr(u)), u);
  }
  try {
    StrToUnits("xx");
    FAIL();
  } catch (const EEarthException& e) {
    EXPECT_STREQ(e.what(), "StrToUnits: Unknown Unit xx");
  }
}

TEST(DecimalDegrees, ConvertThroughDegreesMinutesAndSeconds) {
  EXPECT_EQ(DecimalToEarthUnits(12.5L), 12 * kDeg + 30 * GU_MINUTE);
  EXPECT_EQ(DecimalToEarthUnits(-12.5L), -(12 * kDeg + 30 * GU_MINUTE));
  EXPECT_EQ(DecimalToEarthUnits(1.0L / 3600), GU_SECOND);
  EXPECT_EQ(DecimalToEarthUnits(std::numeric_limits<Extended>::quiet_NaN()), 0);
  EXPECT_EQ(DecimalToEarthUnits(1e30L), std::numeric_limits<int32_t>::max());
  EXPECT_NEAR(static_cast<double>(EarthUnitsToDecimal(-27 * kDeg)), -27, 1e-12);
  EXPECT_EQ(DecimalToPointLL(190, 10), PointLL(-170 * kDeg, 10 * kDeg));
  EXPECT_EQ(RadiansToAngle(AngleToRadians(123456789)), 123456789);
}

TEST(DecimalDegrees, FastPathGivesTheStepwiseValue) {
  const auto same = [](double deg) {
    ASSERT_EQ(DecimalToEarthUnitsFast(deg), DecimalToEarthUnits(deg))
        << std::setprecision(17) << deg;
  };
  // Whole minutes and whole seconds, as files written from degrees and minutes hold them.
  for (int d = -180; d <= 180; ++d)
    for (int m = 0; m < 60; ++m) {
      same(d + (d < 0 ? -m : m) / 60.0);
      for (int s = 0; s < 60; s += (d % 15 == 0 ? 1 : 13))
        same(d + (d < 0 ? -1 : 1) * (m / 60.0 + s / 3600.0));
    }
  // Random doubles over the whole turn, and values of six decimals as text files give them.
  std::mt19937_64 rng(21);
  std::uniform_real_distribution<double> any(-180.0, 180.0);
  std::uniform_int_distribution<int64_t> micro(-180'000'000, 180'000'000);
  for (int i = 0; i < 300'000; ++i) {
    same(any(rng));
    same(static_cast<double>(micro(rng)) / 1e6);
  }
  EXPECT_EQ(DecimalToEarthUnitsFast(std::numeric_limits<double>::quiet_NaN()), 0);
  EXPECT_EQ(DecimalToEarthUnitsFast(1e30), std::numeric_limits<int32_t>::max());
  EXPECT_EQ(DecimalToEarthUnitsFast(-1e30), std::numeric_limits<int32_t>::min());
}

TEST(EarthUnitsToStr, WritesTheFormatItems) {
  EXPECT_EQ(EarthUnitsToStr(12 * kDeg + 30 * GU_MINUTE, "%d.%m.%s.%t%E "), "12.30.00.00E ");
  EXPECT_EQ(EarthUnitsToStr(-kDeg, "%d"), "-1");
  EXPECT_EQ(EarthUnitsToStr(-kDeg, "%d%N"), "1S");
  EXPECT_EQ(EarthUnitsToStr(-kDeg, "%d%e"), "1W");
  EXPECT_EQ(EarthUnitsToStr(kDeg + 45'000 + 1'750, "%d %m.%i %%%h"), "1 00.519 %h");
  EXPECT_EQ(EarthUnitsToStr(GU_SECOND + 2 * 250 + 7, "%s/%t/%u"), "01/02/07");
  EXPECT_EQ(EarthUnitsToStr(std::numeric_limits<int32_t>::min(), "%d"), "-397");
  EXPECT_EQ(LLAsString(-(5 * kDeg), 10 * kDeg + 90'000), "5.00.00.00W 10.01.00.00N");
}

TEST(StrToEarthUnits, ReadsWhatTheFormatNames) {
  EXPECT_EQ(StrToEarthUnits("12.30.00.00E", "%d.%m.%s.%t%E"), 12 * kDeg + 30 * GU_MINUTE);
  EXPECT_EQ(StrToEarthUnits("12.30.00.00W", "%d.%m.%s.%t%E"), -(12 * kDeg + 30 * GU_MINUTE));
  EXPECT_EQ(StrToEarthUnits("1S", "%d%N"), -kDeg);
  EXPECT_EQ(StrToEarthUnits("1x30", "%d.%m"), kDeg);  // stops at the mismatch
  EXPECT_EQ(StrToEarthUnits("7 1 2", "%u %h %i"), 7 + 15 + 180);
  EXPECT_THROW(StrToEarthUnits("1", "%q"), rtl::EConvertError);
  EXPECT_EQ(StrToEarthUnits("99999999999999999999", "%d"), std::numeric_limits<int32_t>::max());
  for (int32_t v : {0, 1, 249, 1'234'567, -972'000'000, 971'999'999}) {
    const char* fmt = "%d.%m.%s.%t.%u%N";
    EXPECT_EQ(StrToEarthUnits(EarthUnitsToStr(v, fmt), fmt), v) << v;
  }
}

TEST(StrToExtended, UsesThePointWhateverTheLocale) {
  EXPECT_DOUBLE_EQ(static_cast<double>(StrToExtended("1.5")), 1.5);
  EXPECT_DOUBLE_EQ(static_cast<double>(StrToExtendedDef("abc", 7)), 7);
  try {
    StrToExtended("1,5x");
    FAIL();
  } catch (const EEarthException& e) {
    EXPECT_STREQ(e.what(), "StrToExtended: Conversion failed for 1,5x");
  }
  EXPECT_EQ(sIFE(true, "a", "b"), "a");
  EXPECT_EQ(sIFE(false, "a", "b"), "b");
  EXPECT_TRUE(DirectoryExists(CORV_SOURCE_DIR));
  EXPECT_FALSE(DirectoryExists(CORV_SOURCE_DIR "/CMakeLists.txt"));
}

TEST(NumericHelpers, FollowTheEngineDefinitions) {
  EXPECT_EQ(Sign(0), 1);
  EXPECT_EQ(Sign(-0.5L), -1);
  EXPECT_EQ(MinVal(3, -2), -2);
  EXPECT_EQ(MaxVal(3, -2), 3);
  EXPECT_DOUBLE_EQ(static_cast<double>(LimitFloat(5, 0, 3)), 3);
  EXPECT_DOUBLE_EQ(static_cast<double>(LimitFloat(-5, 0, 3)), 0);
  EXPECT_DOUBLE_EQ(static_cast<double>(Hypot(3, 4)), 5);
  EXPECT_DOUBLE_EQ(static_cast<double>(Hypot(0, 0)), 0);
  EXPECT_DOUBLE_EQ(static_cast<double>(Hypot(-1e300L, 1e300L)), 1.4142135623730951e300);
  EXPECT_DOUBLE_EQ(static_cast<double>(ArcSin(2)), 3.14159265358979323846 / 2);
  EXPECT_DOUBLE_EQ(static_cast<double>(ArcSin(-1)), -3.14159265358979323846 / 2);
  EXPECT_DOUBLE_EQ(static_cast<double>(ArcCos(-1)), 3.14159265358979323846);
  EXPECT_DOUBLE_EQ(static_cast<double>(ArcCos(1)), 0);
  EXPECT_DOUBLE_EQ(static_cast<double>(IntPower(2, -2)), 0.25);
  EXPECT_DOUBLE_EQ(static_cast<double>(Power(0, 2)), 0);
  EXPECT_DOUBLE_EQ(static_cast<double>(Power(9, 0.5L)), 3);
  Extended s = 0, c = 0;
  SinCos(0, s, c);
  EXPECT_EQ(s, 0);
  EXPECT_EQ(c, 1);
}

TEST(EarthMulDiv, RoundsHalvesAwayFromZero) {
  EXPECT_EQ(EarthMulDiv(5, 1, 2), 3);
  EXPECT_EQ(EarthMulDiv(-5, 1, 2), -3);
  EXPECT_EQ(EarthMulDiv(5, -1, 2), -3);
  EXPECT_EQ(EarthMulDiv(4, 1, 3), 1);
  EXPECT_EQ(EarthMulDiv(1'944'000'000, 1'944'000'000, 3), 1'259'712'000'000'000'000);
  EXPECT_THROW(EarthMulDiv(1, 1, 0), EEarthException);
}

}  // namespace
