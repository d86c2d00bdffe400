// Globe units: wrapping at the 180th meridian, MERs, measurement units, angle texts and numeric
// helpers.
#include "map/earthsysutils.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

#include "platform/rtl/files.h"
#include "platform/rtl/sysutils.h"

namespace {

struct UnitInfo {
  Extended factor;
  const char* abbreviation;
};

constexpr std::array<UnitInfo, EarthUnitTypesCount> kUnits = {{
    {5400000.0L, "D"},
    {90000.0L, "MN"},
    {90000.0L, "NM"},
    {48596.11231101512L, "KM"},
    {78157.89483968144L, "MI"},
    {1500.0L, "S"},
    {250.0L, "T"},
    {15.0L, "H"},
    {1.0L, "T"},
    {48.59611231101512L, "M"},
    {0.48596112311015116L, "CM"},
    {88.8157895905471L, "F"},
    {44.40789479527355L, "YD"},
    {14.802631598424515L, "FT"},
    {1.233552633202043L, "IN"},
    {1.0L, "GU"},
    {0.0L, "PI"},
}};

// The quadrant of the last longitude Cross180 saw; engine-wide by design.
int gCross180Quadrant = 0;

int Quadrant(int32_t longitude) {
  return longitude / GU_90DEGREE;
}

int32_t ToInt32(int64_t v) {
  if (v > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  if (v < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(v);
}

int64_t RoundHalfEven(Extended v) {
  return rtl::Round(v);
}

}  // namespace

int64_t EarthMulDiv(int64_t a, int64_t b, int64_t c) {
  if (c == 0) throw EEarthException("EarthMulDiv: Division by zero");
  const __int128 p = static_cast<__int128>(a) * b;
  const __int128 q = p / c, r = p % c;
  __int128 result = q;
  // Halves away from zero: compare twice the remainder with the divisor.
  const __int128 r2 = r < 0 ? -2 * r : 2 * r;
  const __int128 cAbs = c < 0 ? -static_cast<__int128>(c) : c;
  if (r2 >= cAbs) result += ((p < 0) != (c < 0)) ? -1 : 1;
  if (result > INT64_MAX) return INT64_MAX;
  if (result < INT64_MIN) return INT64_MIN;
  return static_cast<int64_t>(result);
}

int32_t SaturateToInt32(Extended v) {
  if (std::isnan(v)) return 0;
  if (v >= 2147483647.0L) return std::numeric_limits<int32_t>::max();
  if (v <= -2147483648.0L) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(RoundHalfEven(v));
}

// ---- Records and wrapping ----------------------------------------------------------------------

int32_t Mod180(int32_t v) {
  if (v >= 972'000'002) return v - GU_360DEGREE;
  if (v < -972'000'001) return v + GU_360DEGREE;
  return v;
}

Extended Mod180Float(Extended deg) {
  if (deg > 180) return deg - 360;
  if (deg < -180) return deg + 360;
  return deg;
}

Extended SphericalMod(Extended rad) {
  if (rad < -rtl::Pi) return rad + 2 * rtl::Pi;
  if (rad > rtl::Pi) return rad - 2 * rtl::Pi;
  return rad;
}

int32_t LongDiff(int32_t a, int32_t b) {
  int64_t d = static_cast<int64_t>(b) - a;
  if (d < 0) d = -d;
  // Within one turn first, so that values past the wrap range never give a negative difference.
  d %= GU_360DEGREE;
  if (d >= GU_180DEGREE) d = GU_360DEGREE - d;
  if (d == 0) d = 1;
  return ToInt32(d);
}

bool Cross180(int32_t longitude) {
  const int q = Quadrant(longitude);
  const bool crossed = (gCross180Quadrant >= 1 && q < 0) || (gCross180Quadrant < 0 && q >= 1);
  gCross180Quadrant = q;
  return crossed;
}

void ResetCross180() {
  gCross180Quadrant = 0;
}

int64_t LongStep(int32_t a, int32_t b) {
  const int qa = Quadrant(a), qb = Quadrant(b);
  const int64_t d = int64_t{b} - a;
  if (qa >= 1 && qb < 0) return d + GU_360DEGREE;
  if (qa < 0 && qb >= 1) return d - GU_360DEGREE;
  return d;
}

TPointLL PointLL(int32_t longitude, int32_t latitude) {
  return {Mod180(longitude), latitude, 0};
}

TPointLL PointLLH(int32_t longitude, int32_t latitude, int32_t height) {
  return {Mod180(longitude), latitude, height};
}

TPointDD PointDD(Extended longitude, Extended latitude) {
  return {longitude, latitude, 0};
}

TPointDD PointDDH(Extended longitude, Extended latitude, Extended height) {
  return {longitude, latitude, height};
}

TMER MER(int32_t longitude, int32_t latitude, int32_t width, int32_t height) {
  return {longitude, latitude, width, height};
}

// ---- MER operations -----------------------------------------------------------------------------

bool PointLLinMER(const TPointLL& pt, const TMER& mer) {
  const int64_t south = mer.iLatY;
  const int64_t north = south + mer.iHeightY;
  if (!(south < pt.iLatY && pt.iLatY < north)) return false;
  const int64_t west = mer.iLongX;
  const int64_t east = west + mer.iWidthX;
  if (west < pt.iLongX && pt.iLongX < east) return true;
  if (east >= 972'000'001) {
    const int64_t wrapped = static_cast<int64_t>(pt.iLongX) + GU_360DEGREE;
    return west < wrapped && wrapped < east;
  }
  return false;
}

bool MERinMER(const TMER& inner, const TMER& outer) {
  const TPointLL sw = PointLL(inner.iLongX, inner.iLatY);
  const TPointLL ne = PointLL(ToInt32(static_cast<int64_t>(inner.iLongX) + inner.iWidthX),
                              ToInt32(static_cast<int64_t>(inner.iLatY) + inner.iHeightY));
  return PointLLinMER(sw, outer) && PointLLinMER(ne, outer);
}

bool IsEmptyMER(const TMER& mer) {
  return mer.iWidthX == 0 && mer.iHeightY == 0;
}

TMER UnionMER(const TMER& a, const TMER& b) {
  if (IsEmptyMER(a)) return b;
  if (IsEmptyMER(b)) return a;
  const int64_t west = std::min(a.iLongX, b.iLongX);
  const int64_t south = std::min(a.iLatY, b.iLatY);
  const int64_t east = std::max(static_cast<int64_t>(a.iLongX) + a.iWidthX,
                                static_cast<int64_t>(b.iLongX) + b.iWidthX);
  const int64_t north = std::max(static_cast<int64_t>(a.iLatY) + a.iHeightY,
                                 static_cast<int64_t>(b.iLatY) + b.iHeightY);
  return {static_cast<int32_t>(west), static_cast<int32_t>(south), ToInt32(east - west),
          ToInt32(north - south)};
}

TMER PointsToMER(const TPointLL* points, int high) {
  if (high < 0 || points == nullptr) {
    throw EEarthException("PointsToMER called with zero points (TEarthSysUtils, line " +
                          std::to_string(__LINE__) + ")");
  }
  int64_t west = points[0].iLongX, east = west;
  int64_t south = points[0].iLatY, north = south;
  for (int i = 1; i <= high; ++i) {
    west = std::min<int64_t>(west, points[i].iLongX);
    east = std::max<int64_t>(east, points[i].iLongX);
    south = std::min<int64_t>(south, points[i].iLatY);
    north = std::max<int64_t>(north, points[i].iLatY);
  }
  return {static_cast<int32_t>(west), static_cast<int32_t>(south), ToInt32(east - west),
          ToInt32(north - south)};
}

TEarthDeviceRect PointsToRect(const TEarthDevicePoint* points, int high) {
  if (high < 0 || points == nullptr) throw EEarthException("PointsToRect called with zero points");
  TEarthDeviceRect r{points[0].X, points[0].Y, points[0].X, points[0].Y};
  for (int i = 1; i <= high; ++i) {
    r.Left = std::min(r.Left, points[i].X);
    r.Top = std::min(r.Top, points[i].Y);
    r.Right = std::max(r.Right, points[i].X);
    r.Bottom = std::max(r.Bottom, points[i].Y);
  }
  return r;
}

bool PointOnLine(Extended x, Extended y, Extended x1, Extended y1, Extended x2, Extended y2,
                 Extended tolerance) {
  const Extended dx = x2 - x1, dy = y2 - y1;
  const Extended l2 = dx * dx + dy * dy;
  if (l2 == 0) return false;
  const Extended r = ((x - x1) * dx + (y - y1) * dy) / l2;
  if (r < 0 || r > 1) return false;
  const Extended distance = std::fabs((y1 - y) * dx - (x1 - x) * dy) / std::sqrt(l2);
  return distance < tolerance;
}

// ---- Units and text -----------------------------------------------------------------------------

Extended EarthUnitsFactor(TEarthUnitTypes unit) {
  return kUnits.at(static_cast<size_t>(unit)).factor;
}

Extended EarthUnitsTo(Extended v, TEarthUnitTypes unit) {
  const Extended factor = EarthUnitsFactor(unit);
  if (factor == 0) return v;
  return v / factor;
}

int32_t EarthUnitsFrom(Extended x, TEarthUnitTypes unit) {
  return SaturateToInt32(x * EarthUnitsFactor(unit));
}

TEarthUnitTypes StrToUnits(std::string_view text) {
  const std::string t(text);
  for (size_t i = 0; i < kUnits.size(); ++i) {
    if (rtl::SameText(t, kUnits[i].abbreviation)) return static_cast<TEarthUnitTypes>(i);
  }
  throw EEarthException(rtl::Format("StrToUnits: Unknown Unit %s", t.c_str()));
}

std::string UnitsToStr(TEarthUnitTypes unit) {
  return kUnits.at(static_cast<size_t>(unit)).abbreviation;
}

Extended EarthUnitsToDecimal(int32_t v) {
  return static_cast<Extended>(v) / GU_DEGREE;
}

int32_t DecimalToEarthUnits(Extended deg) {
  if (!std::isfinite(deg)) return std::isnan(deg) ? 0 : SaturateToInt32(deg);
  if (std::fabs(deg) >= 400.0L) return SaturateToInt32(deg * GU_DEGREE);
  const Extended d = std::trunc(deg);
  const Extended m = (deg - d) * 60;
  const Extended mi = std::trunc(m);
  const Extended s = (m - mi) * 60;
  const Extended si = std::trunc(s);
  const int64_t rest = RoundHalfEven((s - si) * 1500);
  return ToInt32(static_cast<int64_t>(d) * GU_DEGREE + static_cast<int64_t>(mi) * GU_MINUTE +
                 static_cast<int64_t>(si) * GU_SECOND + rest);
}

TPointLL DecimalToPointLL(Extended longitude, Extended latitude) {
  return PointLL(DecimalToEarthUnits(longitude), DecimalToEarthUnits(latitude));
}

Extended AngleToRadians(Extended v) {
  return v * GU_TORADIANS;
}

int32_t RadiansToAngle(Extended r) {
  return SaturateToInt32(r * GU_FROMRADIANS);
}

std::string EarthUnitsToStr(int32_t v, std::string_view format) {
  const bool negative = v < 0;
  int64_t a = v;
  if (a < 0) a = -a;
  const std::string upper = rtl::UpperCase(std::string(format));
  bool minusDue =
      negative && upper.find("%N") == std::string::npos && upper.find("%E") == std::string::npos;

  const int64_t d = a / GU_DEGREE;
  int64_t r = a % GU_DEGREE;
  const int64_t m = r / GU_MINUTE;
  r %= GU_MINUTE;
  const int64_t thousandths = r / 90;
  const int64_t s = r / GU_SECOND;
  r %= GU_SECOND;
  const int64_t t = r / 250;
  const int64_t u = r - t * 250;

  std::string out;
  auto put = [&out](const char* fmt, int64_t value) {
    char buf[32];
    std::snprintf(buf, sizeof buf, fmt, static_cast<long long>(value));
    out += buf;
  };
  for (size_t i = 0; i < format.size(); ++i) {
    const char c = format[i];
    if (c != '%') {
      out += c;
      continue;
    }
    if (minusDue) {
      out += '-';
      minusDue = false;
    }
    if (++i >= format.size()) break;
    const char item = static_cast<char>(std::toupper(static_cast<unsigned char>(format[i])));
    switch (item) {
      case 'D':
        put("%lld", d);
        break;
      case 'M':
        put("%2.2lld", m);
        break;
      case 'I':
        put("%3.3lld", thousandths);
        break;
      case 'S':
        put("%2.2lld", s);
        break;
      case 'T':
        put("%2.2lld", t);
        break;
      case 'U':
        put("%2.2lld", u);
        break;
      case 'N':
        out += negative ? 'S' : 'N';
        break;
      case 'E':
        out += negative ? 'W' : 'E';
        break;
      default:
        out += format[i];
    }
  }
  return out;
}

int32_t StrToEarthUnits(std::string_view text, std::string_view format) {
  int64_t deg = 0, min = 0, thousandths = 0, sec = 0, thirds = 0, hundredths = 0, units = 0;
  bool positive = true;
  size_t ti = 0;
  auto readNumber = [&]() -> int64_t {
    const char* first = text.data() + ti;
    const char* last = text.data() + text.size();
    int64_t value = 0;
    const auto [ptr, ec] = std::from_chars(first, last, value);
    if (ptr == first) return 0;
    ti += static_cast<size_t>(ptr - first);
    if (ec == std::errc::result_out_of_range)
      value = (*first == '-') ? -(int64_t{1} << 40) : (int64_t{1} << 40);
    // Keep every part small enough that the sum below cannot overflow.
    return std::clamp<int64_t>(value, -(int64_t{1} << 40), int64_t{1} << 40);
  };
  for (size_t fi = 0; fi < format.size() && ti < text.size(); ++fi) {
    const char c = format[fi];
    if (c != '%') {
      if (text[ti] != c) break;
      ++ti;
      continue;
    }
    if (++fi >= format.size()) break;
    switch (std::toupper(static_cast<unsigned char>(format[fi]))) {
      case 'D':
        deg = readNumber();
        break;
      case 'M':
        min = readNumber();
        break;
      case 'I':
        thousandths = readNumber();
        break;
      case 'S':
        sec = readNumber();
        break;
      case 'T':
        thirds = readNumber();
        break;
      case 'H':
        hundredths = readNumber();
        break;
      case 'U':
        units = readNumber();
        break;
      case 'N':
        positive = std::toupper(static_cast<unsigned char>(text[ti])) == 'N';
        ++ti;
        break;
      case 'E':
        positive = std::toupper(static_cast<unsigned char>(text[ti])) == 'E';
        ++ti;
        break;
      default:
        throw rtl::EConvertError("StrToLL: format error");
    }
  }
  const int64_t total = deg * GU_DEGREE + min * GU_MINUTE + thousandths * 90 + sec * GU_SECOND +
                        thirds * 250 + hundredths * 15 + units;
  return ToInt32(positive ? total : -total);
}

std::string LLAsString(int32_t longitude, int32_t latitude) {
  return EarthUnitsToStr(longitude, "%d.%m.%s.%t%E ") + EarthUnitsToStr(latitude, "%d.%m.%s.%t%N");
}

Extended StrToExtended(const std::string& text) {
  long double value = 0;
  if (!rtl::TryStrToFloat(text, value)) {
    throw EEarthException(rtl::Format("StrToExtended: Conversion failed for %s", text.c_str()));
  }
  return value;
}

Extended StrToExtendedDef(const std::string& text, Extended def) {
  long double value = 0;
  return rtl::TryStrToFloat(text, value) ? value : def;
}

std::string sIFE(bool cond, const std::string& a, const std::string& b) {
  return cond ? a : b;
}

bool DirectoryExists(const std::string& path) {
  return rtl::DirectoryExists(path);
}

// ---- Numeric helpers ----------------------------------------------------------------------------

Extended LimitFloat(Extended v, Extended min, Extended max) {
  if (v < min) return min;
  if (v > max) return max;
  return v;
}

Extended Sign(Extended x) {
  return x >= 0 ? 1 : -1;
}

Extended Tan(Extended x) {
  return std::tan(x);
}

void SinCos(Extended x, Extended& s, Extended& c) {
  ::sincosl(x, &s, &c);  // one evaluation for both
}

Extended Hypot(Extended x, Extended y) {
  x = std::fabs(x);
  y = std::fabs(y);
  const Extended big = std::max(x, y);
  if (big == 0) return 0;
  const Extended small = std::min(x, y) / big;
  return big * std::sqrt(1 + small * small);
}

Extended ArcTan2(Extended y, Extended x) {
  return rtl::ArcTan2(y, x);
}

Extended ArcSin(Extended x) {
  if (std::fabs(x) < 1) return ArcTan2(x, std::sqrt(1 - x * x));
  return Sign(x) * rtl::Pi / 2;
}

Extended ArcCos(Extended x) {
  if (1 - x * x > 0) return ArcTan2(std::sqrt(1 - x * x), x);
  return x < 0 ? rtl::Pi : 0;
}

Extended IntPower(Extended base, int n) {
  return rtl::IntPower(base, n);
}

Extended Power(Extended base, Extended exponent) {
  return rtl::Power(base, exponent);
}
