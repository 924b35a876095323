// Numbered names, underscore heads, filter and word lists, buffers, hex and HTML texts.
#include "Libraries/Text.h"

#include "tests/support/TestSupport.h"

#include <cstring>

using TextTest = TStatusTest;

TEST_F(TextTest, NextSuffixNumberedFileName)
{
    struct TCase
    {
        const char *Name, *Next, *Failure;
    };
    const TCase cases[] = {
        {"photo009.jpg", "photo010.jpg", ""},
        {"photo99.jpg", "photo100.jpg", ""},
        {"photo.jpg", "photo1.jpg", ""},
        {"2008.txt", "2009.txt", ""},
        {"noextension7", "noextension8", ""},
        {"/home/ann/v1.2/scan009", "/home/ann/v1.2/scan010", ""},
        {"~/.cache/page12", "~/.cache/page13", ""},
        {"/home/ann/v1.2/scan009.tif", "/home/ann/v1.2/scan010.tif", ""},
        {"/home/ann/.profile12", "/home/ann/.profile13", ""},
        {"a1999999999.txt", "a2000000000.txt", ""},
        {"a2000000000.txt", "", "Number too big."},
        {"a99999999999.txt", "", "Unhandled exception: '99999999999' is not a valid integer value."},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Name);
        EXPECT_EQ(GetNextSuffixNumFileName(c.Name), c.Next);
        EXPECT_EQ(FunStatContext.description, c.Failure);
        EXPECT_EQ(FunStatContext.IsError(), c.Failure[0] != '\0');
    }
    GetNextSuffixNumFileName("a2000000000.txt");
    EXPECT_EQ(FunStatContext.parameter1, "2000000000");
}

TEST_F(TextTest, UnderscoreHeads)
{
    struct TCase
    {
        const char *Name, *Before, *After;
    };
    const TCase cases[] = {
        {"2008_photo.jpg", "2008_", "photo.jpg"},
        {"photo.2008_x", "", "photo.2008_x"},
        {"plain_name", "", "name"},
        {"plain.txt", "", "plain.txt"},
        {"_x.txt", "_", "x.txt"},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Name);
        EXPECT_EQ(TextBeforeUnderscore(c.Name), c.Before);
        EXPECT_EQ(TextAfterUnderscore(c.Name), c.After);
    }
    EXPECT_EQ(JoinAfterUnderscore("old_photo.jpg", "new_"), "new_photo.jpg");
}

TEST_F(TextTest, UpperCaseKeepsBytesThatAreNotUtf8)
{
    struct TCase
    {
        const char *Label;
        std::string Text, Upper;
    };
    const TCase cases[] = {
        {"Latin-1 byte alone", "\xE9", "\xE9"},
        {"Latin-1 byte in a word", "caf\xE9.txt", "CAF\xE9.TXT"},
        {"UTF-8 around a stray byte", "\xC3\xA9x\xE8y\xC3\xA0", "\xC3\x89X\xE8Y\xC3\x80"},
        {"cut sequence at the end", "ab\xC3", "AB\xC3"},
        {"overlong form", "a\xC0\xAF" "b", "A\xC0\xAF" "B"},
        {"surrogate form", "\xED\xA0\x80z", "\xED\xA0\x80Z"},
        {"valid four-byte character", "\xF0\x9F\x98\x80q", "\xF0\x9F\x98\x80Q"},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Label);
        EXPECT_EQ(UpperCaseText(c.Text), c.Upper);
    }
    EXPECT_FALSE(SameTextIgnoringCase("\xE9", "\xE8"));
    EXPECT_TRUE(SameTextIgnoringCase("caf\xE9", "CAF\xE9"));
    TStringList list;
    GetListFromMultipleFilter("\xE9;\xE8;\xE9", list, ';', '~', '!', '&');
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].Text, "\xE9");
    EXPECT_EQ(list[1].Text, "\xE8");
    EXPECT_EQ(IndexOfTextIn(list, "\xE8"), 1);
}

TEST_F(TextTest, MultipleFilterMarksAndShortItems)
{
    TStringList list;
    EXPECT_TRUE(GetListFromMultipleFilter("&abc;!de;~f;;abc", list, ';', '~', '!', '&'));
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].Text, "ABC");
    EXPECT_TRUE(IsRequiredItem(list, 0));
    EXPECT_EQ(list[1].Text, "DE");
    EXPECT_TRUE(IsExcludedItem(list, 1));
    EXPECT_FALSE(IsRequiredItem(list, 1));
    EXPECT_EQ(list[2].Text, "F");
    EXPECT_FALSE(IsRequiredItem(list, 2) || IsExcludedItem(list, 2));
    EXPECT_FALSE(GetListFromMultipleFilter("café résumé", list, ' ', '~', '!', '&'));
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].Text, "CAFÉ");
    EXPECT_EQ(IndexOfTextIn(list, "Résumé"), 1);
    EXPECT_EQ(IndexOfTextIn(list, "café", 1), -1);
    SetRequiredItem(list, 0, true);
    SetRequiredItem(list, 0, false);
    EXPECT_EQ(list[0].Data, 0u);
}

TEST_F(TextTest, WordLists)
{
    TStringList list;
    GetWordListFromText("ab, x_1; 12345 \xC3\xA9\xC3\xA0\xC3\xBC 1234 x_1", list, 0, ' ', false, -1, 0);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].Text, "X_1");
    EXPECT_EQ(list[1].Text, "12345");

    GetWordListFromText("un café noir", list, 1, ' ', false, -1, 0);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].Text, "CAFÉ") << "a non-ASCII letter belongs to its word";

    GetWordListFromText("abc123 hello 99999 abcdef", list, 2, ' ', false, -1, 0);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[1].Text, "99999");

    // Words by number: the second to the one before the last.
    GetWordListFromText("one two three four", list, 0, ' ', false, -3, 2);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].Text, "TWO");
    EXPECT_EQ(list[1].Text, "THREE");

    // The text between the first and the second separator.
    GetWordListFromText("alpha|beta gamma|delta", list, 0, '|', true, 2, 1);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].Text, "BETA");

    GetWordListFromText("alpha|beta|gamma", list, 0, '|', true, 1, 2);
    EXPECT_EQ(FunStatContext.description, "The first extracted word is beyond the last extracted word.");
    EXPECT_EQ(FunStatContext.parameter1, "11");
    EXPECT_EQ(FunStatContext.parameter2, "6");
    EXPECT_TRUE(list.empty());
}

TEST_F(TextTest, NthSeparatorOffsets)
{
    struct TCase
    {
        int N, Offset;
    };
    const TCase cases[] = {{0, 0}, {-1, 8}, {1, 1}, {2, 4}, {3, 6}, {9, 6}, {-2, 6}, {-3, 4}, {-4, 1}, {-5, -1}};
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.N);
        EXPECT_EQ(NthSeparatorOffset("a/bc/d/ef", c.N, '/'), c.Offset);
    }
    EXPECT_EQ(NthSeparatorOffset("none", 1, '/'), -1);
}

TEST_F(TextTest, FixedBuffers)
{
    char buffer[6] = {'x', 'x', 'x', 'x', 'x', 'x'};
    IniText(buffer, sizeof buffer, "abcde");
    EXPECT_EQ(FunStatContext.status, fsPerfect);
    EXPECT_STREQ(buffer, "abcde");
    IniText(buffer, sizeof buffer, "abcdef");
    EXPECT_EQ(FunStatContext.status, fsPanic);
    EXPECT_EQ(ShownErrors(), std::vector<std::string>{"PANIC: Size too big."});
    DoubleEndText(buffer, sizeof buffer);
    EXPECT_EQ(FunStatContext.status, fsPanic);
    IniText(buffer, sizeof buffer, "abcd");
    DoubleEndText(buffer, sizeof buffer);
    EXPECT_EQ(FunStatContext.status, fsPerfect);
    EXPECT_EQ(buffer[5], '\0');
    EXPECT_TRUE(HasZeroByte(buffer, 6));
    EXPECT_FALSE(HasZeroByte("abc", 3));
}

TEST_F(TextTest, LinesLettersAndPatterns)
{
    EXPECT_EQ(SingleLineText("a\r\nb\nc"), "a b c");
    struct TCase
    {
        const char *Text;
        bool Inner;
    };
    const TCase breaks[] = {{"\nabcd", false}, {"a\nbcd", false}, {"ab\ncd", true}, {"abc\nde", true}, {"abcd\n", false}};
    for (const TCase &c : breaks) {
        SCOPED_TRACE(c.Text);
        EXPECT_EQ(HasInnerLineBreak(c.Text), c.Inner);
    }
    EXPECT_TRUE(HasAsciiLetter("12a"));
    EXPECT_FALSE(HasAsciiLetter("12 \xC3\xA9"));

    int mismatches = 0;
    EXPECT_TRUE(FuzzyCompare("abcdef", "abXdef", 6, 1, mismatches));
    EXPECT_EQ(mismatches, 1);
    EXPECT_FALSE(FuzzyCompare("abcdef", "XbXdef", 6, 1, mismatches));
    EXPECT_FALSE(FuzzyCompare("ab", "XY", 2, 5, mismatches)) << "at most half may differ";
    const std::string haystack = "xxxxhellXxxxhello";
    const auto *begin = reinterpret_cast<const std::uint8_t *>(haystack.data());
    EXPECT_EQ(FindPattern("hello", 5, begin, begin + haystack.size(), mismatches, 0) - begin, 12);
    EXPECT_EQ(FindPattern("hello", 5, begin, begin + haystack.size(), mismatches, 1) - begin, 4);
    EXPECT_EQ(FindPattern("absent", 6, begin, begin + haystack.size(), mismatches, 0), nullptr);
}

TEST_F(TextTest, HexAndHtmlTexts)
{
    const unsigned char bytes[] = {0x00, 0x7F, 0xAB, 0xFF};
    EXPECT_EQ(HexText(bytes, 4), "007FABFF");
    struct TCase
    {
        const char *Text, *Html;
    };
    const TCase cases[] = {
        {"A", "&#x41;"},
        {"\xC3\xA9", "&#xE9;"},
        {"\xE2\x82\xAC", "&#x20AC;"},
        {"\xF0\x9F\x98\x80", "&#x1F600;"},
        {"\xFF", "&#xFF;"},          // not UTF-8: taken as Latin-1
        {"\xC3", "&#xC3;"},          // a cut sequence
        {"\xC0\x80", "&#xC0;&#x80;"}, // an overlong form
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Html);
        EXPECT_EQ(HtmlCharCodes(c.Text), c.Html);
    }
    EXPECT_EQ(CodePointCount("caf\xC3\xA9"), 4u);
}

TEST_F(TextTest, BadInputGoesThroughEveryHelper)
{
    const std::string texts[] = {
        std::string("a\0b\0c", 5),
        "\xFF\xFE\xC3(\xE2\x28\xA1",
        std::string(65536, 'x') + "\xC3",
        std::string(65536, '\0'),
    };
    for (const std::string &text : texts) {
        TStringList list;
        GetListFromMultipleFilter(text, list, ';', '~', '!', '&');
        GetWordListFromText(text, list, 0, ' ', false, -1, 0);
        GetWordListFromText(text, list, 0, ' ', true, -1, 1);
        NthSeparatorOffset(text, -2, '\0');
        SingleLineText(text);
        HasInnerLineBreak(text);
        HtmlCharCodes(text);
        HexText(text.data(), text.size());
        GetNextSuffixNumFileName(text);
        TextAfterUnderscore(text);
        CodePointCount(text);
        UpperCaseText(text);
        int mismatches = 0;
        const auto *begin = reinterpret_cast<const std::uint8_t *>(text.data());
        FindPattern("b", 1, begin, begin + text.size(), mismatches, 1);
    }
    SUCCEED();
}
