#include "platform/rtl/sysutils.h"

#include <gtest/gtest.h>
#include <locale.h>

#include <cmath>

#include "platform/rtl/exceptions.h"

using namespace rtl;

namespace {

// Puts the test thread under a decimal-comma locale for the scope.
class DecimalCommaLocale {
 public:
  DecimalCommaLocale() {
    loc_ = newlocale(LC_ALL_MASK, "de_DE.UTF-8", locale_t(0));
    if (loc_) previous_ = uselocale(loc_);
  }
  ~DecimalCommaLocale() {
    if (loc_) {
      uselocale(previous_);
      freelocale(loc_);
    }
  }
  bool active() const { return loc_ != locale_t(0); }

 private:
  locale_t loc_ = locale_t(0);
  locale_t previous_ = locale_t(0);
};

}  // namespace

TEST(Strings, TrimCaseAndCompare) {
  EXPECT_EQ(Trim(" \t a b \r\n"), "a b");
  EXPECT_EQ(TrimLeft("  x "), "x ");
  EXPECT_EQ(TrimRight("  x "), "  x");
  EXPECT_EQ(Trim(""), "");
  EXPECT_EQ(UpperCase("abc\xe4z"), "ABC\xe4Z");
  EXPECT_EQ(LowerCase("ABC_z"), "abc_z");
  EXPECT_TRUE(SameText("Corvatalen.INI", "corvatalen.ini"));
  EXPECT_FALSE(SameText("abc", "abcd"));
  EXPECT_LT(CompareText("abc", "ABD"), 0);
  EXPECT_GT(CompareText("abcd", "ABC"), 0);
  EXPECT_EQ(CompareText("Key", "kEY"), 0);
  // '_' sorts after letters compared in upper case.
  EXPECT_GT(CompareText("a_", "aZ"), 0);
  EXPECT_LT(CompareStr("B", "a"), 0);
}

TEST(Strings, StringReplaceHonoursFlags) {
  EXPECT_EQ(StringReplace("a.b.c", ".", ",", 0), "a,b.c");
  EXPECT_EQ(StringReplace("a.b.c", ".", ",", rfReplaceAll), "a,b,c");
  EXPECT_EQ(StringReplace("Foo foo FOO", "foo", "x", rfReplaceAll | rfIgnoreCase), "x x x");
  EXPECT_EQ(StringReplace("Foo foo", "foo", "x", rfReplaceAll), "Foo x");
  EXPECT_EQ(StringReplace("aaa", "a", "aa", rfReplaceAll), "aaaaaa");
  EXPECT_EQ(StringReplace("abc", "", "x", rfReplaceAll), "abc");
}

TEST(Integers, ParseAndPrint) {
  EXPECT_EQ(IntToStr(-42), "-42");
  EXPECT_EQ(IntToStr(INT64_MIN), "-9223372036854775808");
  EXPECT_EQ(IntToHex(255, 4), "00FF");
  EXPECT_EQ(IntToHex(-1, 1), "FFFFFFFF");
  EXPECT_EQ(IntToHex(int64_t{-1}, 1), "FFFFFFFFFFFFFFFF");
  EXPECT_EQ(StrToInt(" 123"), 123);
  EXPECT_EQ(StrToInt("-2147483648"), INT32_MIN);
  EXPECT_EQ(StrToInt("$1F"), 31);
  EXPECT_EQ(StrToInt("0x1f"), 31);
  EXPECT_EQ(StrToInt("$FFFFFFFF"), -1);
  EXPECT_EQ(StrToInt64("9223372036854775807"), INT64_MAX);
  EXPECT_EQ(StrToIntDef("2147483648", 7), 7);
  EXPECT_EQ(StrToIntDef("12 ", 7), 7);
  EXPECT_EQ(StrToIntDef("", 7), 7);
  EXPECT_EQ(StrToIntDef("-", 7), 7);
  EXPECT_EQ(StrToIntDef("1.5", 7), 7);
  EXPECT_EQ(StrToInt64Def("99999999999999999999", -3), -3);
  try {
    StrToInt("abc");
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "'abc' is not a valid integer value");
  }
}

TEST(Floats, GeneralFormIsShortestWithFifteenDigits) {
  EXPECT_EQ(FloatToStr(0.1), "0.1");
  EXPECT_EQ(FloatToStr(-2.5), "-2.5");
  EXPECT_EQ(FloatToStr(100), "100");
  EXPECT_EQ(FloatToStr(0), "0");
  EXPECT_EQ(FloatToStr(1.0 / 3), "0.333333333333333");
  EXPECT_EQ(FloatToStr(1e20), "1E20");
  EXPECT_EQ(FloatToStr(1.5e-7), "1.5E-7");
  EXPECT_EQ(FloatToStr(0.0001), "0.0001");
  EXPECT_EQ(FloatToStr(123456789012345.0), "123456789012345");
  EXPECT_EQ(FloatToStr(1234567890123456.0), "1.23456789012346E15");
}

TEST(Floats, FixedExponentAndNumberForms) {
  EXPECT_EQ(FloatToStrF(3.14159, ffFixed, 15, 2), "3.14");
  EXPECT_EQ(FloatToStrF(-0.001, ffFixed, 15, 2), "0.00");
  EXPECT_EQ(FloatToStrF(1234.5, ffExponent, 4, 2), "1.235E+03");  // decimal halves round up
  EXPECT_EQ(FloatToStrF(2.5, ffFixed, 15, 0), "3");
  EXPECT_EQ(FloatToStrF(0.5, ffFixed, 15, 0), "1");
  EXPECT_EQ(FloatToStrF(0.0095, ffFixed, 15, 2), "0.01");
  EXPECT_EQ(FloatToStrF(99.996, ffFixed, 15, 2), "100.00");
  EXPECT_EQ(FloatToStrF(123.456, ffFixed, 4, 2), "123.50");
  EXPECT_EQ(FloatToStrF(0.00012, ffExponent, 3, 0), "1.20E-4");
  EXPECT_EQ(FloatToStrF(1234567.891, ffNumber, 15, 2), "1,234,567.89");
  EXPECT_EQ(FloatToStrF(-123.4, ffNumber, 15, 1), "-123.4");
  EXPECT_EQ(FloatToStrF(1e30, ffFixed, 15, 2), "1E30");
  EXPECT_EQ(FloatToStrF(NAN, ffFixed, 15, 2), "NAN");
  EXPECT_EQ(FloatToStrF(-INFINITY, ffGeneral, 15, 2), "-INF");
}

TEST(Floats, ParsingIsStrictDecimal) {
  EXPECT_DOUBLE_EQ(static_cast<double>(StrToFloat(" 1.25 ")), 1.25);
  EXPECT_DOUBLE_EQ(static_cast<double>(StrToFloat("+.5")), 0.5);
  EXPECT_DOUBLE_EQ(static_cast<double>(StrToFloat("-1e3")), -1000);
  EXPECT_DOUBLE_EQ(static_cast<double>(StrToFloat("5.")), 5);
  for (const char* bad : {"", "1,5", "inf", "nan", "0x10", "1.5x", "e5", "."}) {
    long double v = 42;
    EXPECT_FALSE(TryStrToFloat(bad, v)) << bad;
    EXPECT_EQ(v, 42) << bad;
  }
  EXPECT_EQ(StrToFloatDef("1,5", 9), 9);
  EXPECT_THROW(StrToFloat("abc"), EConvertError);
}

TEST(Floats, RoundTripUsesThePointUnderADecimalCommaLocale) {
  DecimalCommaLocale de;
  ASSERT_TRUE(de.active()) << "de_DE.UTF-8 is not generated (scripts/install-deps.sh does it)";
  char probe[16];
  std::snprintf(probe, sizeof probe, "%.1f", 1.5);
  ASSERT_STREQ(probe, "1,5");  // the locale really is in force

  for (double v : {0.1, -273.15, 1.0 / 3, 6.02214076e23, 1e-300}) {
    const std::string text = FloatToStr(v);
    EXPECT_EQ(text.find(','), std::string::npos) << text;
    double back = 0;
    ASSERT_TRUE(TryStrToFloat(text, back)) << text;
    EXPECT_NEAR(back, v, std::abs(v) * 1e-14) << text;
  }
  EXPECT_EQ(Format("%.2f;%g;%e", 3.14159, 0.5, 1.0), "3.14;0.5;1.000000e+00");
  EXPECT_EQ(FloatToStrF(2.5, ffFixed, 15, 1), "2.5");
  double comma = 0;
  EXPECT_FALSE(TryStrToFloat("1,5", comma));
}

TEST(Format, PrintfSpecifiersWithTypedArguments) {
  EXPECT_EQ(Format("COM%d", 3), "COM3");
  EXPECT_EQ(Format("%02d:%02d", 5, 7), "05:07");
  EXPECT_EQ(Format("%2.2d|%3.3d", 5, 7), "05|007");
  EXPECT_EQ(Format("%2.1f %3.0f", 12.345, 270.5), "12.3 270");
  EXPECT_EQ(Format("%s (%s)", std::string("a"), "b"), "a (b)");
  EXPECT_EQ(Format("%-4s|%4s|%.2s", "ab", "cd", std::string_view("xyz")), "ab  |  cd|xy");
  EXPECT_EQ(Format("Error %x.", -2147467259), "Error 80004005.");
  EXPECT_EQ(Format("%X", 0xABCu), "ABC");
  EXPECT_EQ(Format("%x", int64_t{-1}), "ffffffffffffffff");
  EXPECT_EQ(Format("100%% %c", 'x'), "100% x");
  EXPECT_EQ(Format("%*d", 4, 42), "  42");
  EXPECT_EQ(Format("%f", 2), "2.000000");  // an integer for a float conversion is fine
  EXPECT_EQ(Format("%ld %lu", 1L, 2UL), "1 2");
  EXPECT_EQ(Format("no args"), "no args");
  EXPECT_THROW(Format("%d", 1.5), EConvertError);
  EXPECT_THROW(Format("%s", 1), EConvertError);
  EXPECT_THROW(Format("%d %d", 1), EConvertError);
  EXPECT_THROW(Format("%n", 1), EConvertError);
  EXPECT_THROW(Format("trailing %"), EConvertError);
  const std::string longText(500, 'q');
  EXPECT_EQ(Format("<%s>", longText), "<" + longText + ">");
}

TEST(Cp1252, ConvertsBothWays) {
  EXPECT_EQ(Cp1252ToUtf8("Gr\xfc\xdf \x80 \x93x\x94"), "Grüß € “x”");
  EXPECT_EQ(Utf8ToCp1252("Grüß € “x”"), "Gr\xfc\xdf \x80 \x93x\x94");
  EXPECT_EQ(Utf8ToCp1252("日"), "?");
  EXPECT_EQ(Utf8ToCp1252("a\xff"
                         "b\xc3"),
            "a?b?");
  std::string all;
  for (int c = 1; c < 256; ++c) all.push_back(static_cast<char>(c));
  EXPECT_EQ(Utf8ToCp1252(Cp1252ToUtf8(all)), all);
}
