#pragma once
// Arithmetic with the runtime's rounding rules: Round halves to even, Trunc cuts toward zero,
// MulDiv rounds halves away from zero.
#include <cmath>
#include <cstdint>

namespace rtl {

using Extended = long double;

inline constexpr Extended Pi = 3.14159265358979323846264338327950288L;
inline constexpr Extended TwoPi = 2 * Pi;
inline constexpr Extended HalfPi = Pi / 2;

// These raise EInvalidOp when the value is not finite or does not fit in 64 bits.
int64_t Round(Extended x);
int64_t Trunc(Extended x);
int64_t Floor(Extended x);
int64_t Ceil(Extended x);
inline Extended Frac(Extended x) {
  return x - std::trunc(x);
}
inline Extended Int(Extended x) {
  return std::trunc(x);
}

// a * b / c with a 64-bit intermediate, rounded half away from zero; -1 when c is 0 or the
// result does not fit in 32 bits.
int MulDiv(int a, int b, int c);

inline Extended ArcTan2(Extended y, Extended x) {
  return std::atan2(y, x);
}
inline Extended ArcSin(Extended x) {
  return std::asin(x);
}
inline Extended ArcCos(Extended x) {
  return std::acos(x);
}
inline Extended Tan(Extended x) {
  return std::tan(x);
}
inline Extended Hypot(Extended x, Extended y) {
  return std::hypot(x, y);
}
inline Extended Power(Extended base, Extended exponent) {
  return std::pow(base, exponent);
}
Extended IntPower(Extended base, int exponent);
inline Extended DegToRad(Extended deg) {
  return deg * (Pi / 180);
}
inline Extended RadToDeg(Extended rad) {
  return rad * (180 / Pi);
}

template <typename T>
int Sign(T v) {
  return v > 0 ? 1 : (v < 0 ? -1 : 0);
}
template <typename T>
T EnsureRange(T v, T lo, T hi) {
  return v < lo ? lo : (v > hi ? hi : v);
}
template <typename T>
bool InRange(T v, T lo, T hi) {
  return v >= lo && v <= hi;
}

}  // namespace rtl
