// Date and time values and their texts.
#include "Libraries/MyTime.h"

#include "Libraries/Error.h"
#include "Libraries/MyMath.h"
#include "platform/Locale.h"
#include "platform/System.h"

#include <algorithm>
#include <cstdio>

#include <cmath>
#include <cctype>
#include <cstdint>
#include <vector>

namespace {

constexpr const char *ThisUnit = "MyTime";


// Days from 1970-01-01 to a civil date (proleptic Gregorian).
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3u : 9u)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, int &year, int &month, int &day)
{
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (month <= 2));
}

constexpr std::int64_t DaysFrom1899To1970 = 25569;

bool HasLetter(const std::string &text)
{
    return std::any_of(text.begin(), text.end(), [](unsigned char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    });
}

std::string TwoDigits(int n)
{
    return (n < 10 ? "0" : "") + std::to_string(n);
}

} // namespace

double EncodeDateTime(int year, int month, int day, int hour, int minute, int second, int ms)
{
    const std::int64_t days =
        DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) +
        DaysFrom1899To1970;
    return static_cast<double>(days) + (hour * 3600.0 + minute * 60.0 + second + ms / 1000.0) / 86400.0;
}

void DecodeDate(double dateTime, int &year, int &month, int &day)
{
    CivilFromDays(static_cast<std::int64_t>(std::floor(dateTime)) - DaysFrom1899To1970, year, month, day);
}

void DecodeTime(double dateTime, int &hour, int &minute, int &second)
{
    const double fraction = dateTime - std::floor(dateTime);
    auto seconds = static_cast<int>(std::floor(fraction * 86400.0 + 1e-6));
    if (seconds >= 86400) seconds = 86399;
    hour = seconds / 3600;
    minute = seconds / 60 % 60;
    second = seconds % 60;
}

double Now()
{
    const std::int64_t ms = Platform::UnixTimeMilliseconds();
    Platform::TLocalTime local;
    if (!Platform::LocalTimeOf(ms / 1000, local))
        return static_cast<double>(ms) / 86400000.0 + static_cast<double>(DaysFrom1899To1970);
    return EncodeDateTime(
        local.year, local.month, local.day, local.hour, local.minute, local.second,
        static_cast<int>(ms % 1000));
}

std::string ShortDateText(double dateTime)
{
    int year = 0, month = 0, day = 0;
    DecodeDate(dateTime, year, month, day);
    return Platform::LocaleShortDateText(year, month, day);
}

std::string LongDateText(double dateTime)
{
    int year = 0, month = 0, day = 0;
    DecodeDate(dateTime, year, month, day);
    return Platform::LocaleLongDateText(year, month, day);
}

std::string LongDateWithDayText(double dateTime)
{
    int year = 0, month = 0, day = 0;
    DecodeDate(dateTime, year, month, day);
    const double firstOfYear = EncodeDateTime(year, 1, 1, 0, 0, 0);
    const auto dayOfYear = static_cast<int>(std::floor(dateTime) - firstOfYear) + 1;
    return LongDateText(dateTime) + " (" + std::to_string(dayOfYear) + ")";
}

std::string LongTimeText(double dateTime)
{
    int hour = 0, minute = 0, second = 0;
    DecodeTime(dateTime, hour, minute, second);
    return Platform::LocaleLongTimeText(hour, minute, second);
}

std::string LongTimeWithUnitsText(double dateTime)
{
    const double fraction = dateTime - std::floor(dateTime);
    return LongTimeText(dateTime) + " (" + std::to_string(static_cast<int>(fraction * 864.0)) + ")";
}

std::string LongDateTimeText(const std::string &separator, double dateTime)
{
    return LongDateWithDayText(dateTime) + separator + LongTimeWithUnitsText(dateTime);
}

double SecondsNow()
{
    return static_cast<double>(Platform::TickCountMilliseconds()) * 0.001;
}

void TCrono::Start()
{
    start = SecondsNow();
    stopped = false;
}

void TCrono::Stop()
{
    stop = SecondsNow();
    if (stop < start) stop = start;
    stopped = true;
}

void TCrono::Resume()
{
    if (!stopped) return;
    start += std::max(0.0, SecondsNow() - stop);
    stopped = false;
}

double TCrono::Elapsed() const
{
    return (stopped ? stop : std::max(SecondsNow(), start)) - start;
}

bool TCrono::Passed(double period)
{
    bool passed = false;
    TFunScope Fun(ThisUnit, "TCrono::Passed");
    Fun.Run([&] {
        if (period <= 0) {
            Fun.Raise("Invalid period.", RealText(period));
            return;
        }
        if (SecondsNow() - start < period) return;
        Stop();
        passed = true;
    });
    return passed;
}

bool TCrono::IsPeriod(double period)
{
    bool passed = false;
    TFunScope Fun(ThisUnit, "TCrono::IsPeriod");
    Fun.Run([&] {
        if (period <= 0) {
            Fun.Raise("Invalid period.", RealText(period));
            return;
        }
        if (SecondsNow() - start < period) return;
        Start();
        passed = true;
    });
    return passed;
}

std::string TimeStampText()
{
    return TimeStampText(Now());
}

std::string TimeStampText(double dateTime)
{
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    DecodeDate(dateTime, year, month, day);
    DecodeTime(dateTime, hour, minute, second);
    return ZeroPaddedIntText(year, 4) + TwoDigits(month) + TwoDigits(day) + TwoDigits(hour) +
           TwoDigits(minute) + TwoDigits(second);
}

std::string DateTimeText(const std::string &separator, double dateTime)
{
    return ShortDateText(dateTime) + separator + LongTimeText(dateTime);
}

std::string FormatTimeOfDay(const std::string &format, double dayFraction)
{
    const double milliseconds = std::floor(Frac(dayFraction) * 86400000.0 + 0.5);
    auto total = static_cast<std::int64_t>(milliseconds);
    if (total >= 86400000) total = 86399999;
    const auto hour = static_cast<int>(total / 3600000);
    const auto minute = static_cast<int>(total / 60000 % 60);
    const auto second = static_cast<int>(total / 1000 % 60);
    const auto millisecond = static_cast<int>(total % 1000);
    std::string result;
    for (std::size_t i = 0; i < format.size();) {
        const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(format[i])));
        const auto repeated = [&](std::size_t count) {
            for (std::size_t k = 1; k < count; ++k)
                if (i + k >= format.size() ||
                    std::tolower(static_cast<unsigned char>(format[i + k])) != c)
                    return false;
            return true;
        };
        if (c == '"' || c == '\'') {
            const std::size_t close = format.find(format[i], i + 1);
            const std::size_t stop = close == std::string::npos ? format.size() : close;
            result += format.substr(i + 1, stop - i - 1);
            i = stop + 1;
        } else if (c == 'h' || c == 'n' || c == 'm' || c == 's') {
            const int value = c == 'h' ? hour : (c == 's' ? second : minute);
            const bool twoDigits = repeated(2);
            result += twoDigits ? TwoDigits(value) : std::to_string(value);
            i += twoDigits ? 2 : 1;
        } else if (c == 'z') {
            const bool threeDigits = repeated(3);
            result += threeDigits ? ZeroPaddedIntText(millisecond, 3) : std::to_string(millisecond);
            i += threeDigits ? 3 : 1;
        } else {
            result += format[i++];
        }
    }
    return result;
}

std::string SecondsToText(int decimals,
                          const std::string &daySuffix,
                          const std::string &decimalSeparator,
                          const std::string &format,
                          double seconds)
{
    std::string result = seconds < 0 ? "-" : "";
    const double magnitude = std::fabs(seconds);
    const double days = std::floor(magnitude / 86400.0);
    if (days >= 1) result += RealText(days) + daySuffix;
    result += FormatTimeOfDay(format, magnitude / 86400.0);
    if (decimals > 0) {
        const double fraction = magnitude - std::floor(magnitude);
        std::string digits = ZeroPaddedIntText(
            static_cast<std::int64_t>(std::floor(fraction * std::pow(10.0, decimals))), decimals);
        result += decimalSeparator + digits.substr(0, static_cast<std::size_t>(decimals));
    }
    return result;
}

bool LooksLikeDate(const std::string &text)
{
    return text.find_first_of("/.-") != std::string::npos;
}

double ConvertTextToDate(const std::string &text, const std::string &format)
{
    double result = 0;
    TFunScope Fun(ThisUnit, "ConvertTextToDate");
    Fun.Run([&] {
        std::string work = text;
        if (HasLetter(work)) {
            // Upper-casing leaves digits and separators alone, so the text may stay upper-case.
            work = Platform::LocaleUpperCase(work);
            for (int month = 1; month <= 12; ++month) {
                std::string name = Platform::LocaleUpperCase(Platform::LocaleShortMonthName(month));
                while (!name.empty() && name.back() == '.') name.pop_back();
                const auto at = name.empty() ? std::string::npos : work.find(name);
                if (at != std::string::npos) work.replace(at, name.size(), std::to_string(month));
            }
        }
        for (char &c : work)
            if (c == '.' || c == '-') c = '/';
        // The order of day, month and year follows the format's first letters of each.
        std::string order;
        for (const char f : format) {
            const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(f)));
            if ((c == 'd' || c == 'm' || c == 'y') && order.find(c) == std::string::npos) order += c;
        }
        if (order.size() != 3) order = "dmy";
        std::vector<int> numbers;
        std::size_t i = 0;
        bool valid = true;
        while (i <= work.size() && valid) {
            std::size_t end = work.find('/', i);
            if (end == std::string::npos) end = work.size();
            std::string piece = work.substr(i, end - i);
            while (!piece.empty() && piece.front() == ' ') piece.erase(0, 1);
            while (!piece.empty() && piece.back() == ' ') piece.pop_back();
            valid = !piece.empty() && piece.size() <= 4 &&
                    std::all_of(piece.begin(), piece.end(), [](unsigned char c) { return std::isdigit(c); });
            if (valid) numbers.push_back(std::stoi(piece));
            i = end + 1;
        }
        int year = 0, month = 0, day = 0;
        double now = Now();
        int currentYear = 0, currentMonth = 0, currentDay = 0;
        DecodeDate(now, currentYear, currentMonth, currentDay);
        if (valid && (numbers.size() == 2 || numbers.size() == 3)) {
            year = currentYear;
            std::size_t k = 0;
            for (const char field : order) {
                if (field == 'y' && numbers.size() == 2) continue;
                const int value = numbers[k++];
                if (field == 'd') day = value;
                else if (field == 'm') month = value;
                else year = value;
            }
            if (numbers.size() == 3 && year < 100) {
                // Two-digit years fall within fifty years of now.
                year += currentYear / 100 * 100;
                if (year > currentYear + 50) year -= 100;
                else if (year < currentYear - 50) year += 100;
            }
        }
        static const int monthDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
        const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
        valid = valid && year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 &&
                day <= monthDays[month - 1] && (month != 2 || day <= 28 || leap);
        if (!valid) {
            Fun.Raise("Unhandled exception: '" + text + "' is not a valid date");
            return;
        }
        result = EncodeDateTime(year, month, day, 0, 0, 0);
    });
    return result;
}
