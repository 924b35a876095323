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
