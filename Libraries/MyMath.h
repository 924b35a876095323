// Number helpers: rounding, bit fields, limits, and number texts.
#pragma once

#include <cstdint>
#include <string>

// The fractional part in [0, 1).
double Frac(double x);
// The ceiling when Frac(x) >= 0.5, else the floor.
double RoundHalfUp(double x);
int BitLength(std::uint64_t n);
std::uint32_t GetBits(std::uint32_t value, int shift, int width);
// Replaces a bit field; stores 0 when the field does not fit the width.
std::uint32_t SetBits(std::uint32_t value, std::uint32_t field, int shift, int width);
int Max3(int a, int b, int c);
double Clamp(double value, double minimum, double maximum);
std::int64_t RoundDownToMultiple(std::int64_t n, std::int64_t m);
std::int64_t BlockLast(std::int64_t n, std::int64_t m);
std::string ZeroPaddedIntText(std::int64_t n, int digits);
std::string SpacePaddedIntText(std::int64_t n, int width);
// Decimal text with the locale's thousands separator.
std::string GroupedIntText(std::int64_t n);
// About `digits` significant digits, with an engineering exponent for large numbers
// (999600 with 3 digits and 1 decimal gives "1e6"). Panic: "Invalid number of digits, or
// precesion." (the result is then "?")
std::string AlignRealToTextPow(int digits, int decimals, double x);
// The default floating-point text of a real ("0", "2.5", "1e+20").
std::string RealText(double x);
