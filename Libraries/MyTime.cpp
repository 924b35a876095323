// Date and time values and their texts.
#include "Libraries/MyTime.h"

#include "platform/System.h"

#include <cmath>
#include <cstdint>

namespace {

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

std::string TwoDigits(int n)
{
    return (n < 10 ? "0" : "") + std::to_string(n);
}

const char *const DayNames[] = {
    "Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
const char *const MonthNames[] = {"January",
                                  "February",
                                  "March",
                                  "April",
                                  "May",
                                  "June",
                                  "July",
                                  "August",
                                  "September",
                                  "October",
                                  "November",
                                  "December"};

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

std::string LongDateText(double dateTime)
{
    int year = 0, month = 0, day = 0;
    DecodeDate(dateTime, year, month, day);
    const std::int64_t days = static_cast<std::int64_t>(std::floor(dateTime));
    // 1899-12-30 was a Saturday.
    const auto weekDay = static_cast<int>(((days % 7) + 7 + 6) % 7);
    return std::string(DayNames[weekDay]) + ", " + MonthNames[month - 1] + " " +
           std::to_string(day) + ", " + std::to_string(year);
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
    return TwoDigits(hour) + ":" + TwoDigits(minute) + ":" + TwoDigits(second);
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
