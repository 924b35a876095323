// Date-time values and the long texts of the error report.
#include "Libraries/MyTime.h"

#include <gtest/gtest.h>

TEST(MyTimeTest, EncodeAndDecodeRoundTrip)
{
    struct TCase
    {
        int Year, Month, Day, Hour, Minute, Second;
        double Expected;
    };
    const TCase cases[] = {{1899, 12, 30, 0, 0, 0, 0.0},
                           {1900, 1, 1, 12, 0, 0, 2.5},
                           {2000, 2, 29, 0, 0, 0, 36585.0},
                           {1899, 12, 29, 0, 0, 0, -1.0}};
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Year);
        const double value = EncodeDateTime(c.Year, c.Month, c.Day, c.Hour, c.Minute, c.Second);
        EXPECT_DOUBLE_EQ(value, c.Expected);
        int year = 0, month = 0, day = 0;
        DecodeDate(value, year, month, day);
        EXPECT_EQ(year, c.Year);
        EXPECT_EQ(month, c.Month);
        EXPECT_EQ(day, c.Day);
    }
}

TEST(MyTimeTest, LongTextsCountDaysAndHundredSecondUnits)
{
    EXPECT_EQ(LongDateWithDayText(EncodeDateTime(2024, 12, 31, 0, 0, 0)),
              "Tuesday, December 31, 2024 (366)");
    EXPECT_EQ(LongTimeWithUnitsText(EncodeDateTime(2024, 1, 1, 23, 59, 59)), "11:59:59 PM (863)");
    EXPECT_EQ(LongTimeWithUnitsText(EncodeDateTime(2024, 1, 1, 0, 2, 30)), "12:02:30 AM (1)");
}

#include "Libraries/Error.h"

TEST(MyTimeTest, TimeStampAndSeconds)
{
    EXPECT_EQ(TimeStampText(EncodeDateTime(2008, 3, 2, 9, 7, 5)), "20080302090705");
    struct TCase
    {
        int Decimals;
        double Seconds;
        const char *Text;
    };
    const TCase cases[] = {
        {0, 3725, "01:02:05"},
        {2, 3725.256, "01:02:05.25"},
        {0, -61, "-00:01:01"},
        {0, 2 * 86400 + 5, "2d 00:00:05"},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Text);
        EXPECT_EQ(SecondsToText(c.Decimals, "d ", ".", "hh:nn:ss", c.Seconds), c.Text);
    }
    EXPECT_EQ(FormatTimeOfDay("h 'h' n", 3725.0 / 86400), "1 h 2");
}

TEST(MyTimeTest, TextsToDates)
{
    struct TCase
    {
        const char *Text, *Format;
        int Year, Month, Day;
    };
    const TCase cases[] = {
        {"19.03.2008", "dd/mm/yyyy", 2008, 3, 19},
        {"19-Mar-2008", "dd/mm/yyyy", 2008, 3, 19},
        {"3/19/2008", "m/d/yyyy", 2008, 3, 19},
        {"29/02/2024", "dd/mm/yyyy", 2024, 2, 29},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Text);
        const double date = ConvertTextToDate(c.Text, c.Format);
        EXPECT_EQ(FunStatContext.status, fsPerfect);
        EXPECT_DOUBLE_EQ(date, EncodeDateTime(c.Year, c.Month, c.Day, 0, 0, 0));
    }
    for (const char *bad : {"29/02/2023", "32/01/2008", "nonsense", "", "1/2/3/4"}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(ConvertTextToDate(bad, "dd/mm/yyyy"), 0);
        EXPECT_EQ(FunStatContext.description,
                  "Unhandled exception: '" + std::string(bad) + "' is not a valid date");
    }
    EXPECT_TRUE(LooksLikeDate("1.2"));
    EXPECT_FALSE(LooksLikeDate("12"));
    FunStatContext.Reset(fsPerfect);
}

TEST(MyTimeTest, StopwatchPeriods)
{
    TCrono crono;
    EXPECT_FALSE(crono.Passed(0));
    EXPECT_EQ(FunStatContext.description, "Invalid period.");
    EXPECT_FALSE(crono.IsPeriod(-1));
    EXPECT_EQ(FunStatContext.parameter1, "-1");
    crono.Start();
    EXPECT_FALSE(crono.IsPeriod(1000));
    EXPECT_EQ(FunStatContext.status, fsPerfect);
    crono.start -= 2; // two seconds ago
    EXPECT_TRUE(crono.IsPeriod(1));
    EXPECT_FALSE(crono.stopped);
    EXPECT_LT(crono.Elapsed(), 1);
    crono.start -= 2;
    EXPECT_TRUE(crono.Passed(1));
    EXPECT_TRUE(crono.stopped);
    const double frozen = crono.Elapsed();
    EXPECT_GE(frozen, 2);
    EXPECT_EQ(crono.Elapsed(), frozen) << "a stopped watch stands still";
    crono.Resume();
    EXPECT_FALSE(crono.stopped);
}
