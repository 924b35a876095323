// Number helpers.
#include "Libraries/MyMath.h"

#include "Libraries/Error.h"
#include "platform/Locale.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <algorithm>

namespace {

constexpr const char *ThisUnit = "MyMath";

// Inserts the locale's thousands separator into the integer digits of a plain number text.
std::string Grouped(const std::string &plain)
{
    const std::size_t sign = (!plain.empty() && plain[0] == '-') ? 1 : 0;
    std::size_t end = plain.find('.');
    if (end == std::string::npos) end = plain.size();
    const std::string separator = Platform::LocaleThousandsSeparator();
    std::string digits = plain.substr(sign, end - sign);
    std::string grouped;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) grouped += separator;
        grouped += digits[i];
    }
    std::string rest = plain.substr(end);
    if (!rest.empty()) rest.replace(0, 1, Platform::LocaleDecimalSeparator());
    return plain.substr(0, sign) + grouped + rest;
}

// x rounded to the significant digits and written with the decimals and thousands separator.
std::string SignificantText(double x, int digits, int decimals)
{
    double rounded = x;
    if (x != 0) {
        const int magnitude = static_cast<int>(std::floor(std::log10(std::fabs(x))));
        const double scale = std::pow(10.0, digits - 1 - magnitude);
        rounded = RoundHalfUp(std::fabs(x) * scale) / scale;
        if (x < 0) rounded = -rounded;
    }
    char buffer[400];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, rounded);
    return Grouped(buffer);
}

} // namespace

double Frac(double x)
{
    return x - std::floor(x);
}

double RoundHalfUp(double x)
{
    return Frac(x) >= 0.5 ? std::ceil(x) : std::floor(x);
}

int BitLength(std::uint64_t n)
{
    int length = 0;
    while (n != 0) {
        ++length;
        n >>= 1;
    }
    return length;
}

std::uint32_t GetBits(std::uint32_t value, int shift, int width)
{
    if (width <= 0 || shift < 0 || shift >= 32) return 0;
    const std::uint32_t mask = width >= 32 ? 0xFFFFFFFFu : ((1u << width) - 1u);
    return (value >> shift) & mask;
}

std::uint32_t SetBits(std::uint32_t value, std::uint32_t field, int shift, int width)
{
    if (width <= 0 || shift < 0 || shift >= 32) return value;
    const std::uint32_t mask = width >= 32 ? 0xFFFFFFFFu : ((1u << width) - 1u);
    if (field > mask) field = 0;
    return (value & ~(mask << shift)) | (field << shift);
}

int Max3(int a, int b, int c)
{
    return std::max(a, std::max(b, c));
}

double Clamp(double value, double minimum, double maximum)
{
    return value < minimum ? minimum : std::min(value, maximum);
}

std::int64_t RoundDownToMultiple(std::int64_t n, std::int64_t m)
{
    return m == 0 ? n : (n / m) * m;
}

std::int64_t BlockLast(std::int64_t n, std::int64_t m)
{
    if (m == 0) return n;
    const auto quotient = static_cast<std::int64_t>(std::floor(static_cast<double>(n) / static_cast<double>(m)));
    return m * (quotient + 1) - 1;
}

std::string ZeroPaddedIntText(std::int64_t n, int digits)
{
    const bool negative = n < 0;
    const std::uint64_t magnitude = negative ? 0 - static_cast<std::uint64_t>(n) : static_cast<std::uint64_t>(n);
    std::string text = std::to_string(magnitude);
    if (static_cast<int>(text.size()) < digits)
        text.insert(0, static_cast<std::size_t>(digits) - text.size(), '0');
    return negative ? "-" + text : text;
}

std::string SpacePaddedIntText(std::int64_t n, int width)
{
    std::string text = std::to_string(n);
    if (static_cast<int>(text.size()) < width)
        text.insert(0, static_cast<std::size_t>(width) - text.size(), ' ');
    return text;
}

std::string GroupedIntText(std::int64_t n)
{
    return Grouped(std::to_string(n));
}

std::string AlignRealToTextPow(int digits, int decimals, double x)
{
    std::string result = "?";
    TFunScope Fun(ThisUnit, "AlignRealToTextPow");
    Fun.Run([&] {
        if (digits <= 0 || decimals < 0) {
            Fun.Panic("Invalid number of digits, or precesion.");
            return;
        }
        if (x == 0 || !std::isfinite(x)) {
            result = x == 0 ? "0" : RealText(x);
            return;
        }
        int c = static_cast<int>(std::trunc(std::log10(std::fabs(x))));
        int e = (c / 3) * 3;
        double m = x / std::pow(10.0, e);
        const double r = RoundHalfUp(m);
        if (std::fabs(r) == 1000) {
            m = m < 0 ? -1 : 1;
            e += 3;
            ++c;
        }
        if (c < digits) {
            result = SignificantText(x, digits, decimals);
            return;
        }
        const int h = static_cast<int>(std::trunc(std::log10(std::fabs(r))));
        const int places = h < digits ? digits - h - 1 : 0;
        result = SignificantText(m, digits, places);
        if (e != 0) result += "e" + std::to_string(e);
    });
    return result;
}

std::string RealText(double x)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.15g", x);
    return buffer;
}
