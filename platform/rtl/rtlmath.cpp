#include "platform/rtl/rtlmath.h"

#include "platform/rtl/exceptions.h"

namespace rtl {

namespace {

int64_t ToInt64(Extended x) {
  // 2^63 is exactly representable; anything at or beyond it does not fit.
  constexpr Extended limit = 9223372036854775808.0L;
  if (!std::isfinite(x) || x >= limit || x < -limit) {
    throw EInvalidOp("Invalid floating point operation");
  }
  return static_cast<int64_t>(x);
}

}  // namespace

int64_t Round(Extended x) {
  const Extended f = std::floor(x);
  const Extended diff = x - f;
  Extended r = f;
  if (diff > 0.5L) {
    r = f + 1;
  } else if (diff == 0.5L) {
    r = std::fmod(f, 2.0L) == 0 ? f : f + 1;
  }
  return ToInt64(r);
}

int64_t Trunc(Extended x) {
  return ToInt64(std::trunc(x));
}
int64_t Floor(Extended x) {
  return ToInt64(std::floor(x));
}
int64_t Ceil(Extended x) {
  return ToInt64(std::ceil(x));
}

int MulDiv(int a, int b, int c) {
  if (c == 0) return -1;
  const int64_t p = static_cast<int64_t>(a) * b;
  int64_t q = p / c;
  const int64_t r = p % c;
  if (2 * (r < 0 ? -r : r) >= (c < 0 ? -static_cast<int64_t>(c) : c))
    q += (p < 0) != (c < 0) ? -1 : 1;
  if (q > INT32_MAX || q < INT32_MIN) return -1;
  return static_cast<int>(q);
}

Extended IntPower(Extended base, int exponent) {
  Extended result = 1;
  Extended b = base;
  unsigned n =
      exponent < 0 ? 0u - static_cast<unsigned>(exponent) : static_cast<unsigned>(exponent);
  while (n) {
    if (n & 1) result *= b;
    b *= b;
    n >>= 1;
  }
  return exponent < 0 ? 1 / result : result;
}

}  // namespace rtl
