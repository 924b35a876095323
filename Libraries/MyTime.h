// Date and time values and their texts. A date-time is the number of days since
// 1899-12-30 00:00 local time, the time of day in its fraction.
#pragma once

#include <string>

double EncodeDateTime(int year, int month, int day, int hour, int minute, int second, int ms = 0);
void DecodeDate(double dateTime, int &year, int &month, int &day);
void DecodeTime(double dateTime, int &hour, int &minute, int &second);
// The local date and time now.
double Now();

std::string LongDateText(double dateTime);
// The long date + " (" + day of the year + ")".
std::string LongDateWithDayText(double dateTime);
std::string LongTimeText(double dateTime);
// The long time + " (" + the day's 100-second unit + ")".
std::string LongTimeWithUnitsText(double dateTime);
std::string LongDateTimeText(const std::string &separator, double dateTime);

// Seconds of a monotonic clock.
double SecondsNow();

// A stopwatch over SecondsNow.
class TCrono
{
public:
    bool stopped = true;
    double start = 0;
    double stop = 0;

    // Starts a new period now.
    void Start();
    void Stop();
    // Goes on, leaving out the time spent stopped.
    void Resume();
    double Elapsed() const;
    // True, and stopped, once the period has passed since the start. Error: "Invalid period."
    bool Passed(double period);
    // True, and a new period begun, once the period has passed. Error: "Invalid period."
    bool IsPeriod(double period);
};

// Year, month, day, hour, minute and second as digits without separators (20080302090705).
std::string TimeStampText();
std::string TimeStampText(double dateTime);
std::string ShortDateText(double dateTime);
// ShortDateText + separator + LongTimeText.
std::string DateTimeText(const std::string &separator, double dateTime);
// A time of day in a format of h/hh (hours), n/nn (minutes), s/ss (seconds), z/zzz
// (milliseconds), ":" (the time separator, always ":"), quoted literals and other characters.
std::string FormatTimeOfDay(const std::string &format, double dayFraction);
// "-" for a negative value, the whole days with their suffix, the time of day in the format,
// then the decimal separator and that many digits of the fractional second.
std::string SecondsToText(int decimals,
                          const std::string &daySuffix,
                          const std::string &decimalSeparator,
                          const std::string &format,
                          double seconds);
// True when the text holds "/", "." or "-".
bool LooksLikeDate(const std::string &text);
// A date typed in a short date format such as "dd/mm/yyyy" (".", "-" and "/" all separate;
// short month names stand for their numbers). Error: "Unhandled exception: '<text>' is not a
// valid date" (the result is then 0).
double ConvertTextToDate(const std::string &text, const std::string &format);
