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
    EXPECT_EQ(LongTimeWithUnitsText(EncodeDateTime(2024, 1, 1, 23, 59, 59)), "23:59:59 (863)");
    EXPECT_EQ(LongTimeWithUnitsText(EncodeDateTime(2024, 1, 1, 0, 2, 30)), "00:02:30 (1)");
}
