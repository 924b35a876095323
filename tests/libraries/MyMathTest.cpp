// Rounding, bit fields, blocks and number texts.
#include "Libraries/MyMath.h"

#include "platform/Locale.h"
#include "tests/support/TestSupport.h"

using MyMathTest = TStatusTest;

TEST_F(MyMathTest, RoundingBitsAndBlocks)
{
    EXPECT_EQ(RoundHalfUp(2.5), 3);
    EXPECT_EQ(RoundHalfUp(2.49), 2);
    EXPECT_EQ(RoundHalfUp(-2.5), -2);
    EXPECT_DOUBLE_EQ(Frac(-1.25), 0.75);
    struct TBits
    {
        std::uint64_t N;
        int Length;
    };
    for (const TBits &c : {TBits{0, 0}, TBits{1, 1}, TBits{2, 2}, TBits{3, 2}, TBits{255, 8}, TBits{256, 9}})
        EXPECT_EQ(BitLength(c.N), c.Length) << c.N;
    EXPECT_EQ(GetBits(0xABCDu, 4, 8), 0xBCu);
    EXPECT_EQ(SetBits(0xABCDu, 0x12u, 4, 8), 0xA12Du);
    EXPECT_EQ(SetBits(0xABCDu, 0x123u, 4, 8), 0xA00Du) << "a field too wide stores 0";
    EXPECT_EQ(BlockLast(8, 4), 11);
    EXPECT_EQ(BlockLast(7, 4), 7);
    EXPECT_EQ(BlockLast(-1, 4), -1);
    EXPECT_EQ(BlockLast(5, 0), 5);
    EXPECT_EQ(RoundDownToMultiple(-7, 4), -4);
    EXPECT_EQ(RoundDownToMultiple(7, 0), 7);
    EXPECT_EQ(Max3(1, 9, 3), 9);
    EXPECT_EQ(Clamp(5, 1, 3), 3);
    EXPECT_EQ(Clamp(-5, 1, 3), 1);
}

TEST_F(MyMathTest, NumberTexts)
{
    EXPECT_EQ(ZeroPaddedIntText(7, 3), "007");
    EXPECT_EQ(ZeroPaddedIntText(-7, 3), "-007");
    EXPECT_EQ(ZeroPaddedIntText(12345, 3), "12345");
    EXPECT_EQ(SpacePaddedIntText(42, 5), "   42");
    EXPECT_EQ(GroupedIntText(1234567), "1,234,567");
    EXPECT_EQ(GroupedIntText(-1234), "-1,234");
    EXPECT_EQ(GroupedIntText(999), "999");
    EXPECT_EQ(GroupedIntText(INT64_MIN), "-9,223,372,036,854,775,808");
    Platform::SetLocaleName("de_DE");
    EXPECT_EQ(GroupedIntText(1234567), "1.234.567");
    Platform::SetLocaleName("en_US");
}

TEST_F(MyMathTest, AlignRealToTextPow)
{
    struct TCase
    {
        int Digits, Decimals;
        double X;
        const char *Text;
    };
    const TCase cases[] = {
        {3, 1, 999600, "1e6"},
        {3, 1, 12.34, "12.3"},
        {3, 1, 0, "0"},
        {3, 0, 1234.5, "1.23e3"},
        {6, 0, 1234567, "1.23457e6"},
        {3, 1, -12.34, "-12.3"},
        {4, 2, 0.5, "0.50"},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Text);
        EXPECT_EQ(AlignRealToTextPow(c.Digits, c.Decimals, c.X), c.Text);
    }
    EXPECT_EQ(AlignRealToTextPow(0, 1, 5), "?");
    EXPECT_EQ(ShownErrors(), std::vector<std::string>{"PANIC: Invalid number of digits, or precesion."});
}
