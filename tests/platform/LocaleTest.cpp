// The regional settings through Qt: long time texts in every locale Qt knows, and upper case.
#include "platform/Locale.h"

#include <QList>
#include <QLocale>
#include <QString>
#include <QTime>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace {

using TCodePoints = QList<uint>; // as QString::toUcs4 gives them

bool HoldsLetter(const TCodePoints &text)
{
    return std::any_of(text.begin(), text.end(), [](char32_t c) { return QChar::isLetter(c); });
}

// Between two fields of a time stands ":" or a word ("h", "時", "horo kaj").
bool IsTimeSeparator(const TCodePoints &text)
{
    return text == TCodePoints{static_cast<uint>(':')} || HoldsLetter(text);
}

// The locale by its full code, script included ("sr_Latn_RS").
std::string FullName(const QLocale &locale)
{
    return (QLocale::languageToCode(locale.language()) + QLatin1Char('_') +
            QLocale::scriptToCode(locale.script()) + QLatin1Char('_') +
            QLocale::territoryToCode(locale.territory()))
        .toStdString();
}

class LocaleTest : public ::testing::Test
{
protected:
    void TearDown() override { Platform::SetLocaleName("en_US"); }
};

} // namespace

TEST_F(LocaleTest, LongTimeTextsDropTheZoneAndUseAColon)
{
    struct TCase
    {
        const char *Locale, *Text;
    };
    const TCase cases[] = {
        {"es_ES", "13:47:58"},
        {"ca_ES", "13:47:58"},
        {"eu_ES", "13:47:58"},
        {"fi_FI", "13:47:58"},
        {"da_DK", "13:47:58"},
        {"zh_HK", "\u4E0B\u53481:47:58"},
        {"zh_TW", "13:47:58"},
        {"en_US", "1:47:58 PM"},
        {"de_DE", "13:47:58"},
        {"sq_AL", "1:47:58 E PASDITES"},
        {"bg_BG", "13:47:58 \u0447."},
        {"fr_CA", "13 h 47 min 58 s"},
        {"ja_JP", "13\u664247\u520658\u79D2"},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Locale);
        Platform::SetLocaleName(c.Locale);
        EXPECT_EQ(Platform::LocaleLongTimeText(13, 47, 58), c.Text);
    }
}

TEST_F(LocaleTest, NoLongTimeTextKeepsAZoneBracketsStrayBlanksOrAnotherSeparator)
{
    const QTime time(13, 47, 58);
    const QList<QLocale> locales =
        QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyTerritory);
    ASSERT_GT(locales.size(), 100);
    for (const QLocale &known : locales) {
        const std::string name = FullName(known);
        SCOPED_TRACE(name + " [" + known.timeFormat(QLocale::LongFormat).toStdString() + "]");
        const QLocale locale(QString::fromStdString(name));
        Platform::SetLocaleName(name);
        const QString text = QString::fromStdString(Platform::LocaleLongTimeText(13, 47, 58));
        SCOPED_TRACE(text.toStdString());
        ASSERT_FALSE(text.isEmpty());
        for (const QChar bracket : QStringLiteral("()[]{}")) EXPECT_FALSE(text.contains(bracket));
        EXPECT_EQ(text, text.trimmed());
        EXPECT_FALSE(text.startsWith(QLatin1Char(',')) || text.endsWith(QLatin1Char(',')));
        for (qsizetype i = 0; i + 1 < text.size(); ++i)
            EXPECT_FALSE(text[i].isSpace() && text[i + 1].isSpace()) << "two blanks at " << i;
        const QString zone = locale.toString(time, QStringLiteral("t"));
        EXPECT_TRUE(zone.isEmpty() || !text.contains(zone)) << "the zone";

        const TCodePoints all = text.toUcs4();
        const TCodePoints minutes = locale.toString(time, QStringLiteral("mm")).toUcs4();
        const TCodePoints seconds = locale.toString(time, QStringLiteral("ss")).toUcs4();
        const auto minute = std::search(all.begin(), all.end(), minutes.begin(), minutes.end());
        ASSERT_NE(minute, all.end()) << "the minutes";
        const auto afterMinute = minute + minutes.size();
        const auto second = std::search(afterMinute, all.end(), seconds.begin(), seconds.end());
        ASSERT_NE(second, all.end()) << "the seconds";
        EXPECT_TRUE(IsTimeSeparator(TCodePoints(afterMinute, second))) << "minutes to seconds";
        auto hourEnd = minute;
        while (hourEnd != all.begin() && !QChar::isDigit(*(hourEnd - 1))) --hourEnd;
        ASSERT_NE(hourEnd, all.begin()) << "the hours";
        EXPECT_TRUE(IsTimeSeparator(TCodePoints(hourEnd, minute))) << "hours to minutes";
    }
}

TEST_F(LocaleTest, UpperCaseKeepsBytesThatAreNotUtf8)
{
    Platform::SetLocaleName("de_DE");
    EXPECT_EQ(Platform::LocaleUpperCase("stra\xC3\x9F" "e \xE9t\xE8"), "STRASSE \xE9T\xE8");
}
