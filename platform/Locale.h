// The user's regional settings: date and time formats, separators, month names, case rules.
#pragma once

#include <string>

namespace Platform {

// Chooses the locale by name ("en_US", "de_DE"); empty goes back to the system's.
void SetLocaleName(const std::string &name);
std::string LocaleShortDateText(int year, int month, int day);
std::string LocaleLongDateText(int year, int month, int day);
// The locale's long time format without a time zone.
std::string LocaleLongTimeText(int hour, int minute, int second);
std::string LocaleThousandsSeparator();
std::string LocaleDecimalSeparator();
// Abbreviated month name, month 1..12.
std::string LocaleShortMonthName(int month);
// Upper case by the locale's rules (UTF-8 in and out).
std::string LocaleUpperCase(const std::string &text);

} // namespace Platform
