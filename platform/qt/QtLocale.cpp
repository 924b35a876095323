// The user's regional settings through QLocale.
#include "platform/Locale.h"

#include <QDate>
#include <QLocale>
#include <QString>
#include <QTime>

namespace Platform {
namespace {

QLocale &CurrentLocale()
{
    static QLocale locale = QLocale::system();
    return locale;
}

// Qt's long time formats end with the time zone ("h:mm:ss AP t"): the program shows none.
QString LongTimeFormat()
{
    QString format = CurrentLocale().timeFormat(QLocale::LongFormat);
    format.remove(QLatin1Char('t'));
    return format.trimmed();
}

} // namespace

void SetLocaleName(const std::string &name)
{
    CurrentLocale() = name.empty() ? QLocale::system() : QLocale(QString::fromStdString(name));
}

std::string LocaleShortDateText(int year, int month, int day)
{
    return CurrentLocale().toString(QDate(year, month, day), QLocale::ShortFormat).toStdString();
}

std::string LocaleLongDateText(int year, int month, int day)
{
    return CurrentLocale().toString(QDate(year, month, day), QLocale::LongFormat).toStdString();
}

std::string LocaleLongTimeText(int hour, int minute, int second)
{
    return CurrentLocale().toString(QTime(hour, minute, second), LongTimeFormat()).toStdString();
}

std::string LocaleThousandsSeparator()
{
    return CurrentLocale().groupSeparator().toStdString();
}

std::string LocaleDecimalSeparator()
{
    return CurrentLocale().decimalPoint().toStdString();
}

std::string LocaleShortMonthName(int month)
{
    return CurrentLocale().monthName(month, QLocale::ShortFormat).toStdString();
}

std::string LocaleUpperCase(const std::string &text)
{
    return CurrentLocale().toUpper(QString::fromStdString(text)).toStdString();
}

} // namespace Platform
