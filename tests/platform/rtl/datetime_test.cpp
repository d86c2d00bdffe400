#include "platform/rtl/datetime.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <ctime>

#include "platform/rtl/exceptions.h"

using namespace rtl;

TEST(DateTime, EncodesDaysSince1899_12_30) {
  EXPECT_EQ(EncodeDate(1899, 12, 30), 0);
  EXPECT_EQ(EncodeDate(1900, 1, 1), 2);
  EXPECT_EQ(EncodeDate(1970, 1, 1), 25569);
  EXPECT_EQ(EncodeDate(2026, 12, 6), 46362);
  EXPECT_DOUBLE_EQ(EncodeTime(12, 0, 0, 0), 0.5);
  EXPECT_THROW(EncodeDate(2026, 2, 29), EConvertError);
  EXPECT_NO_THROW(EncodeDate(2024, 2, 29));
  EXPECT_THROW(EncodeTime(24, 0, 0, 0), EConvertError);
  TDateTime t = 7;
  EXPECT_FALSE(TryEncodeDate(1900, 2, 29, t));
  EXPECT_EQ(t, 7);
}

TEST(DateTime, DecodesDateAndTimeWithoutDriftingAtTheSecond) {
  const TDateTime v = EncodeDate(2026, 12, 6) + EncodeTime(23, 59, 59, 999);
  int y, mo, d, h, mi, s, ms;
  DecodeDate(v, y, mo, d);
  DecodeTime(v, h, mi, s, ms);
  EXPECT_EQ((std::array{y, mo, d, h, mi, s, ms}), (std::array{2026, 12, 6, 23, 59, 59, 999}));
  // The milliseconds are rounded, not cut: one second is not 999 ms.
  EXPECT_EQ(MilliSecondOfTheDay(EncodeDate(2026, 1, 1) + 1.0 / SecsPerDay), 1000);
  EXPECT_EQ(MilliSecondOfTheDay(EncodeDate(2026, 1, 1) + EncodeTime(0, 59, 59, 999)), 3599999);
  // A time of day alone (date part 0).
  EXPECT_EQ(SecondOfTheDay(1.0 / 86400), 1);
  // Negative values keep the date and count the time forward.
  DecodeDate(-1.25, y, mo, d);
  DecodeTime(-1.25, h, mi, s, ms);
  EXPECT_EQ((std::array{y, mo, d, h}), (std::array{1899, 12, 29, 6}));
}

TEST(DateTime, DayNumbers) {
  EXPECT_EQ(DayOfWeek(EncodeDate(2026, 12, 6)), 1);  // a Sunday
  EXPECT_EQ(DayOfWeek(0), 7);
  EXPECT_EQ(DayOfTheYear(EncodeDate(2024, 12, 31)), 366);
  EXPECT_EQ(DayOfTheYear(EncodeDate(2026, 1, 1) + 0.9), 1);
  EXPECT_EQ(DaysInAMonth(2000, 2), 29);
  EXPECT_EQ(DaysInAMonth(1900, 2), 28);
}

TEST(DateTime, TextsFollowTheFormatSettings) {
  const TDateTime v = EncodeDate(2026, 5, 12) + EncodeTime(7, 8, 9, 45);
  EXPECT_EQ(DateToStr(v), "12/05/2026");
  EXPECT_EQ(TimeToStr(v), "07:08:09");
  EXPECT_EQ(DateTimeToStr(v), "12/05/2026 07:08:09");
  EXPECT_EQ(DateTimeToStr(std::floor(v)), "12/05/2026");  // midnight shows no time
  EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn:ss.zzz", v), "2026-05-12 07:08:09.045");
  EXPECT_EQ(FormatDateTime("d/m/yy h:mm", v), "12/5/26 7:08");  // m after h is minutes
  EXPECT_EQ(FormatDateTime("ddd d mmm, dddd mmmm", v), "Tue 12 May, Tuesday May");
  EXPECT_EQ(FormatDateTime("h:nn am/pm 'at' \"sea\"", v + 0.5), "7:08 PM at sea");
  EXPECT_EQ(FormatDateTime("hh:nn", 0), "00:00");
  EXPECT_EQ(FormatDateTime("h a/p", 0), "12 a");

  const TFormatSettings saved = FormatSettings;
  FormatSettings.ShortDateFormat = "yyyy/mm/dd";
  FormatSettings.DateSeparator = '-';
  EXPECT_EQ(DateToStr(v), "2026-05-12");
  FormatSettings = saved;
}

TEST(DateTime, NowAgreesWithTheSystemClock) {
  // The precise clock: time() reads a coarse one that can lag a few milliseconds behind.
  auto seconds = [] {
    struct timespec ts {};
    clock_gettime(CLOCK_REALTIME, &ts);
    return static_cast<double>(ts.tv_sec) + ts.tv_nsec / 1e9;
  };
  const double before = seconds();
  const TDateTime now = Now();
  const double after = seconds();
  const double unix = DateTimeToUnix(now, true);
  EXPECT_GE(unix, before - 0.01);
  EXPECT_LE(unix, after + 0.01);
  EXPECT_EQ(Date(), std::floor(Date()));
  EXPECT_LT(Time(), 1.0);
  EXPECT_DOUBLE_EQ(UnixToDateTime(0, false), 25569);
}
