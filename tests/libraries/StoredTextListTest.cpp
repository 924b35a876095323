// Settings files in the INI layout on real files: layout, order rules, typed accessors, lists,
// window bounds and failures.
#include "Libraries/StoredTextList.h"

#include "tests/support/TestSupport.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

using StoredTextListTest = TStatusTest;

std::string ReadBytes(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const std::string &path, const std::string &bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

// A list loaded from a file holding the text.
struct TLoaded
{
    TTempDir Dir;
    TStoredTextList List;
    explicit TLoaded(const std::string &text) : List(Dir / "settings.ini")
    {
        WriteBytes(List.FileName(), text);
        EXPECT_TRUE(List.Load());
    }
};

std::string
StringOf(const TStoredTextList &list, const std::string &section, const std::string &key)
{
    std::string value = "<missing>";
    list.ReadString(section, key, value, true, std::numeric_limits<std::int32_t>::max());
    return value;
}

// ---- Layout and order -----------------------------------------------------------------------

TEST_F(StoredTextListTest, WritesSectionsAndEntriesInFirstWrittenOrderWithCrLf)
{
    TTempDir dir;
    TStoredTextList list(dir / "Velmordian.ini");
    list.WriteInteger("Main", "XPos", 10);
    list.WriteString("Main", "Name", "first");
    list.WriteBool("Other", "Flag", true);
    list.WriteInteger("main", "xpos", 20);      // replaces in place, spelling kept
    list.WriteString("MAIN", "Added", "later"); // appended to its section
    list.WriteString("Third", "Empty", "");
    list.WriteString("Main", "Lines", "one\r\ntwo\nthree");
    EXPECT_TRUE(list.Modified());
    const std::string expected = "[Main]\r\n"
                                 "XPos=20\r\n"
                                 "Name=first\r\n"
                                 "Added=later\r\n"
                                 "Lines=one\\r\\ntwo\\nthree\r\n"
                                 "\r\n"
                                 "[Other]\r\n"
                                 "Flag=TRUE\r\n"
                                 "\r\n"
                                 "[Third]\r\n"
                                 "Empty=\r\n"
                                 "\r\n";
    EXPECT_EQ(list.Text(), expected);
    EXPECT_TRUE(list.Save(false));
    EXPECT_FALSE(list.Modified());
    EXPECT_EQ(ReadBytes(dir / "Velmordian.ini"), expected);
    EXPECT_TRUE(Window.Memos.empty());

    TStoredTextList again(dir / "Velmordian.ini");
    EXPECT_TRUE(again.Load());
    EXPECT_EQ(again.Text(), expected) << "a saved file reads back the same";
}

TEST_F(StoredTextListTest, ReadsTheLayoutWithoutRegardToCaseOrLineEnds)
{
    TLoaded file("; a comment line\n"
                 "Orphan=before any section\n"
                 "  [Main]  \r\n"
                 "   XPos = 12  \n"
                 "\n"
                 "NoEquals\n"
                 "=no key\n"
                 "Path=/home/ann/a=b\r"
                 ";Hidden=1\n"
                 "[Empty]\n"
                 "[Other]\r\n"
                 "Key=\n");
    const TStoredTextList &list = file.List;
    EXPECT_EQ(StringOf(list, "main", "XPOS"), " 12  ") << "a value keeps its spaces";
    std::int32_t x = 0;
    list.ReadInteger("Main", "XPos", x, 0, 100);
    EXPECT_EQ(x, 12) << "a number ignores them";
    EXPECT_EQ(StringOf(list, "MAIN", "path"), "/home/ann/a=b") << "the key ends at the first =";
    EXPECT_EQ(StringOf(list, "Main", "NoEquals"), "<missing>");
    EXPECT_EQ(StringOf(list, "Main", "Hidden"), "<missing>");
    EXPECT_EQ(StringOf(list, "Main", "Orphan"), "<missing>");
    EXPECT_EQ(StringOf(list, "Other", "Key"), "");
    EXPECT_TRUE(list.SectionExists("EMPTY"));
    EXPECT_TRUE(list.ValueExists("other", "KEY"));
    EXPECT_FALSE(list.ValueExists("Other", "Nothing"));
    EXPECT_FALSE(list.Modified());
    EXPECT_EQ(list.Text(),
              "[Main]\r\nXPos= 12  \r\nPath=/home/ann/a=b\r\n\r\n"
              "[Empty]\r\n\r\n"
              "[Other]\r\nKey=\r\n\r\n");
}

TEST_F(StoredTextListTest, TextsComeBackByteForByteAfterASaveAndALoad)
{
    struct TCase
    {
        const char *Label;
        std::string Value, Stored;
    };
    const TCase cases[] = {
        {"a name with a line feed", "/home/ann/odd\nname.txt", "/home/ann/odd\\nname.txt"},
        {"CR LF", "one\r\ntwo", "one\\r\\ntwo"},
        {"a lone CR", "a\rb", "a\\rb"},
        {"leading spaces", "  /home/ann/spaced", "  /home/ann/spaced"},
        {"trailing spaces", "/home/ann/report  ", "/home/ann/report  "},
        {"only spaces", "   ", "   "},
        {"a backslash", "a\\b", "a\\\\b"},
        {"a backslash before n", "dir\\new", "dir\\\\new"},
        {"a final backslash", "end\\", "end\\\\"},
        {"an escape written out", "\\n", "\\\\n"},
        {"plain", "/home/ann/notes.txt", "/home/ann/notes.txt"},
        {"an equals sign", "a=b", "a=b"},
        {"bytes that are not UTF-8", "caf\xE9", "caf\xE9"},
        {"empty", "", ""},
    };
    TTempDir dir;
    TStoredTextList list(dir / "Velmordian.ini");
    for (std::size_t i = 0; i < std::size(cases); ++i)
        list.WriteString("Texts", std::to_string(i), cases[i].Value);
    ASSERT_TRUE(list.Save(false));
    const std::string file = ReadBytes(dir / "Velmordian.ini");
    TStoredTextList again(dir / "Velmordian.ini");
    ASSERT_TRUE(again.Load());
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].Label);
        const std::string line = std::to_string(i) + "=" + cases[i].Stored + "\r\n";
        EXPECT_NE(file.find("\r\n" + line), std::string::npos) << file;
        EXPECT_EQ(StringOf(again, "Texts", std::to_string(i)), cases[i].Value);
    }
    EXPECT_EQ(again.Text(), file);
    EXPECT_TRUE(Window.Memos.empty());
}

TEST_F(StoredTextListTest, ValuesOfOlderFilesReadAsTheyWereWritten)
{
    // Older files held every byte but CR and LF as it was: a backslash that starts none of the
    // three escapes stays, and numbers, truth values and choices ignore spaces around them.
    TLoaded file("[Old]\r\nWindows=C:\\Temp\\b.txt\r\nEnd=a\\\r\nTab=x\\ty\r\n"
                 "Number= 42 \r\nFlag=TRUE \r\nChoice= Copy\r\nPlain=abc\r\n");
    const TStoredTextList &list = file.List;
    EXPECT_EQ(StringOf(list, "Old", "Windows"), "C:\\Temp\\b.txt");
    EXPECT_EQ(StringOf(list, "Old", "End"), "a\\");
    EXPECT_EQ(StringOf(list, "Old", "Tab"), "x\\ty");
    EXPECT_EQ(StringOf(list, "Old", "Plain"), "abc");
    std::int32_t number = 0;
    list.ReadInteger("Old", "Number", number, 0, 100);
    EXPECT_EQ(number, 42);
    bool flag = false;
    list.ReadBool("Old", "Flag", flag);
    EXPECT_TRUE(flag);
    std::string choice = "Move";
    list.ReadComboItem("Old", "Choice", choice, {"Move", "Copy"});
    EXPECT_EQ(choice, "Copy");
}

TEST_F(StoredTextListTest, DuplicateSectionsAndKeysKeepTheFirstPlace)
{
    TLoaded file("[Main]\r\nA=1\r\nB=2\r\n[Other]\r\nX=x\r\n[MAIN]\r\na=ignored\r\nC=3\r\n");
    TStoredTextList &list = file.List;
    EXPECT_EQ(StringOf(list, "Main", "A"), "1") << "the first of two equal keys wins";
    EXPECT_EQ(StringOf(list, "Main", "C"), "3") << "a section named again continues the first";
    EXPECT_EQ(list.Text(), "[Main]\r\nA=1\r\nB=2\r\nC=3\r\n\r\n[Other]\r\nX=x\r\n\r\n");

    list.EraseSection("MAIN");
    EXPECT_TRUE(list.Modified());
    list.WriteString("Main", "New", "n");
    EXPECT_EQ(list.Text(), "[Other]\r\nX=x\r\n\r\n[Main]\r\nNew=n\r\n\r\n")
        << "a section written after its erasure goes to the end";
    list.EraseSection("Nothing");
    list.Clear();
    EXPECT_EQ(list.Text(), "");
    EXPECT_FALSE(list.SectionExists("Other"));
}

// ---- Typed accessors
// ------------------------------------------------------------------------------

TEST_F(StoredTextListTest, StringsAndIntegersFollowTheirRules)
{
    TLoaded file("[S]\r\nText=abc\r\nEmpty=\r\nWide=\xC3\xA9\xC3\xA9\xC3\xA9\r\n"
                 "Seven= 7 \r\nPlus=+5\r\nBad=12abc\r\nHuge=2147483648\r\nLow=-2147483648\r\n"
                 "Hex=0x10\r\n");
    const TStoredTextList &list = file.List;
    struct TStringCase
    {
        const char *Key;
        bool AcceptEmpty;
        std::int32_t Maximum;
        const char *Expected;
    };
    const TStringCase strings[] = {
        {"Text", false, 3, "abc"},
        {"Text", false, 2, "old"},
        {"Empty", false, 10, "old"},
        {"Empty", true, 10, ""},
        {"Missing", true, 10, "old"},
        {"Wide", false, 3, "\xC3\xA9\xC3\xA9\xC3\xA9"},
        {"Wide", false, 2, "old"},
        {"text", false, 0, "old"},
    };
    for (const TStringCase &c : strings) {
        SCOPED_TRACE(std::string(c.Key) + " max " + std::to_string(c.Maximum));
        std::string target = "old";
        list.ReadString("s", c.Key, target, c.AcceptEmpty, c.Maximum);
        EXPECT_EQ(target, c.Expected);
    }
    struct TIntegerCase
    {
        const char *Key;
        std::int32_t Minimum, Maximum, Expected;
    };
    const TIntegerCase integers[] = {
        {"Seven", 0, 10, 7},
        {"Seven", 0, 6, -1},
        {"Seven", 7, 7, 7},
        {"Plus", 0, 10, 5},
        {"Bad", 0, 100, -1},
        {"Huge", 0, std::numeric_limits<std::int32_t>::max(), -1},
        {"Low",
         std::numeric_limits<std::int32_t>::min(),
         0,
         std::numeric_limits<std::int32_t>::min()},
        {"Hex", 0, 100, -1},
        {"Text", 0, 100, -1},
        {"Empty", 0, 100, -1},
        {"Missing", 0, 100, -1},
    };
    for (const TIntegerCase &c : integers) {
        SCOPED_TRACE(c.Key);
        std::int32_t target = -1;
        list.ReadInteger("S", c.Key, target, c.Minimum, c.Maximum);
        EXPECT_EQ(target, c.Expected);
    }
    EXPECT_TRUE(Window.Memos.empty());
    EXPECT_TRUE(Boxes.Shown.empty());
    EXPECT_EQ(FunStatContext.status, fsPerfect);
}

TEST_F(StoredTextListTest, TruthValuesAreExactlyTRUE)
{
    TLoaded file("[S]\r\nUpper=TRUE\r\nLower=true\r\nEmpty=\r\nOther=1\r\n");
    struct TCase
    {
        const char *Key;
        bool Start, Expected;
    };
    const TCase cases[] = {
        {"Upper", false, true},
        {"Lower", true, false},
        {"Empty", true, false},
        {"Other", true, false},
        {"Missing", true, true},
        {"Missing", false, false},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Key);
        bool target = c.Start;
        file.List.ReadBool("S", c.Key, target);
        EXPECT_EQ(target, c.Expected);
    }
    file.List.WriteBool("S", "Lower", false);
    EXPECT_EQ(StringOf(file.List, "S", "Lower"), "FALSE");
}

bool StockNames(const std::string &name, std::uint32_t &color)
{
    if (name != "Fade Black") return false;
    color = 0x323232;
    return true;
}

TEST_F(StoredTextListTest, ColoursAcceptNamesIdentifiersAndNumbers)
{
    TLoaded file("[C]\r\nName=Fade Black\r\nId=clRed\r\nIdCase=CLBTNFACE\r\nDecimal=255\r\n"
                 "Dollar=$FF0000\r\nHex=0x00FF00\r\nSystem=-2147483643\r\nBad=Nonsense\r\n"
                 "TooBig=$1FFFFFFFF\r\nEmpty=\r\n");
    LookUpColorName = StockNames;
    struct TCase
    {
        const char *Key;
        std::uint32_t Expected;
    };
    const TCase cases[] = {
        {"Name", 0x323232},
        {"Id", 0x0000FF},
        {"IdCase", 0x8000000F},
        {"Decimal", 255},
        {"Dollar", 0xFF0000},
        {"Hex", 0x00FF00},
        {"System", 0x80000005},
        {"Bad", 0xABCDEF},
        {"TooBig", 0xABCDEF},
        {"Empty", 0xABCDEF},
        {"Missing", 0xABCDEF},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Key);
        std::uint32_t target = 0xABCDEF;
        file.List.ReadColor("C", c.Key, target);
        EXPECT_EQ(target, c.Expected);
    }
    LookUpColorName = nullptr;
    std::uint32_t unnamed = 1;
    file.List.ReadColor("C", "Name", unnamed);
    EXPECT_EQ(unnamed, 1u) << "without the stock names a name is not a colour";

    file.List.WriteColor("C", "Out", 0x80000005);
    file.List.WriteColor("C", "Plain", 0x00123456);
    EXPECT_EQ(StringOf(file.List, "C", "Out"), "-2147483643");
    EXPECT_EQ(StringOf(file.List, "C", "Plain"), "1193046");
}

TEST_F(StoredTextListTest, ComboItemsFallBackToTheFirstItem)
{
    TLoaded file("[M]\r\nItem=Copy\r\nOdd=Shred\r\nEmpty=\r\nNumber=20\r\nOddNumber=25\r\n"
                 "Word=Copy\r\n");
    const TStoredTextList &list = file.List;
    const std::vector<std::string> operations = {"Move", "Copy", "Link"};
    const std::vector<std::string> numbers = {"10", "20", "30"};
    struct TTextCase
    {
        const char *Key;
        const char *Start, *Expected;
    };
    const TTextCase texts[] = {
        {"Item", "Link", "Copy"},
        {"Odd", "Link", "Move"},
        {"Empty", "Link", "Link"},
        {"Missing", "Link", "Link"},
        {"Missing", "Gone", "Move"},
        {"item", "Move", "Copy"},
    };
    for (const TTextCase &c : texts) {
        SCOPED_TRACE(std::string(c.Key) + " from " + c.Start);
        std::string target = c.Start;
        list.ReadComboItem("M", c.Key, target, operations);
        EXPECT_EQ(target, c.Expected);
    }
    struct TNumberCase
    {
        const char *Key;
        std::int32_t Start, Expected;
    };
    const TNumberCase values[] = {
        {"Number", 30, 20},
        {"OddNumber", 30, 10},
        {"Missing", 30, 30},
        {"Missing", 25, 10},
        {"Empty", 20, 20},
    };
    for (const TNumberCase &c : values) {
        SCOPED_TRACE(std::string(c.Key) + " from " + std::to_string(c.Start));
        std::int32_t target = c.Start;
        list.ReadComboNumber("M", c.Key, target, numbers);
        EXPECT_EQ(target, c.Expected);
    }
    std::string kept = "Any";
    list.ReadComboItem("M", "Item", kept, {});
    EXPECT_EQ(kept, "Any") << "without items the target keeps its text";
    std::int32_t number = 4;
    list.ReadComboNumber("M", "Word", number, operations);
    EXPECT_EQ(number, 4) << "an item that is not a number changes nothing";
    EXPECT_EQ(FunStatContext.status, fsPerfect);
    EXPECT_TRUE(Window.Memos.empty());
}

// ---- Lists
// ----------------------------------------------------------------------------------------

TEST_F(StoredTextListTest, ListsSkipMissingAndEmptyItems)
{
    TLoaded file("[Gaps]\r\nCount=3\r\n0=.TXT\r\n2=.Doc\r\n"
                 "[Empty]\r\nCount=4\r\n0=\r\n1=a\r\n3=b\r\n01=not one\r\n+2=not two\r\n"
                 "[Negative]\r\nCount=-3\r\n0=a\r\n"
                 "[Bad]\r\nCount=many\r\n0=a\r\n"
                 "[Beyond]\r\nCount=1\r\n0=a\r\n1=b\r\n");
    struct TCase
    {
        const char *Section;
        bool LowerCase;
        std::vector<std::string> Expected;
    };
    const TCase cases[] = {
        {"Gaps", false, {".TXT", ".Doc"}},
        {"Gaps", true, {".txt", ".doc"}},
        {"Empty", false, {"a", "b"}},
        {"Negative", false, {}},
        {"Bad", false, {}},
        {"Beyond", false, {"a"}},
        {"Missing", false, {}},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Section);
        std::vector<std::string> list{"stale"};
        file.List.ReadList(c.Section, list, c.LowerCase, 0);
        EXPECT_EQ(list, c.Expected);
    }
    EXPECT_TRUE(Boxes.Shown.empty());
}

TEST_F(StoredTextListTest, ACountAboveTheMaximumWarnsAndIsCut)
{
    TStoredTextList list;
    std::vector<std::string> items;
    for (int i = 0; i < 50; ++i)
        items.push_back("item" + std::to_string(i));
    list.WriteList("Many", items);
    std::vector<std::string> read;
    list.ReadList("Many", read, false, 20);
    ASSERT_EQ(Boxes.Shown.size(), 1u);
    EXPECT_EQ(Boxes.Shown[0].Caption, "Warning");
    EXPECT_EQ(Boxes.Shown[0].Text, "Too many items in the list (50)");
    EXPECT_EQ(read, std::vector<std::string>(items.begin(), items.begin() + 20));

    Boxes.Shown.clear();
    list.ReadList("Many", read, false, 50);
    EXPECT_EQ(read, items);
    EXPECT_TRUE(Boxes.Shown.empty()) << "a count equal to the maximum is fine";
}

TEST_F(StoredTextListTest, WriteListWritesCountAndItemsAndNothingForAnEmptyList)
{
    TStoredTextList list;
    list.WriteList("Nothing", {});
    EXPECT_EQ(list.Text(), "");
    list.WriteList("Ext", {".jpg", ".png"});
    EXPECT_EQ(list.Text(), "[Ext]\r\nCount=2\r\n0=.jpg\r\n1=.png\r\n\r\n");
    list.WriteList("Ext", {".gif"});
    EXPECT_EQ(list.Text(), "[Ext]\r\nCount=1\r\n0=.gif\r\n1=.png\r\n\r\n")
        << "the owner erases what must disappear";
}

// ---- Window bounds
// --------------------------------------------------------------------------------

TEST(StoredTextListBoundsTest, StoredBoundsAreFittedIntoTheWorkArea)
{
    struct TCase
    {
        const char *Name;
        TFormBounds Stored, Area, Expected;
    };
    const TFormBounds screen{0, 0, 1920, 1040};
    const TFormBounds offset{100, 50, 1000, 800}; // a panel on the left and at the top
    const TCase cases[] = {
        {"inside", {10, 20, 800, 600}, screen, {10, 20, 800, 600}},
        {"left edge of -5", {-5, 20, 800, 600}, screen, {0, 20, 800, 600}},
        {"top edge of -1", {10, -1, 800, 600}, screen, {10, 0, 800, 600}},
        {"left at 0.9 of the width", {1728, 936, 800, 600}, screen, {1728, 936, 800, 600}},
        {"left beyond 0.9 of the width", {1729, 937, 800, 600}, screen, {0, 0, 800, 600}},
        {"width 0 accepted", {10, 20, 0, 0}, screen, {10, 20, 0, 0}},
        {"negative size", {10, 20, -1, -1}, screen, {10, 20, 1920, 1040}},
        {"size of the area", {0, 0, 1920, 1040}, screen, {0, 0, 1920, 1040}},
        {"larger than the area", {0, 0, 1921, 1041}, screen, {0, 0, 1920, 1040}},
        {"before an offset area", {99, 49, 500, 400}, offset, {100, 50, 500, 400}},
        {"inside an offset area", {1000, 770, 500, 400}, offset, {1000, 770, 500, 400}},
        {"beyond an offset area", {1001, 771, 500, 400}, offset, {100, 50, 500, 400}},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Name);
        const TFormBounds fitted = FitFormBounds(c.Stored, c.Area);
        EXPECT_EQ(fitted.Left, c.Expected.Left);
        EXPECT_EQ(fitted.Top, c.Expected.Top);
        EXPECT_EQ(fitted.Width, c.Expected.Width);
        EXPECT_EQ(fitted.Height, c.Expected.Height);
    }
}

TEST_F(StoredTextListTest, FormBoundsReadWithTheFormsValuesAsDefaults)
{
    TStoredTextList list;
    list.WriteFormBounds("Main", "XPos", {-5, 30, 700, 500}, "YSize", "XSize", "YPos");
    EXPECT_EQ(list.Text(), "[Main]\r\nXPos=-5\r\nYPos=30\r\nXSize=700\r\nYSize=500\r\n\r\n");
    const TFormBounds area{0, 0, 1024, 768};
    const TFormBounds read =
        list.ReadFormBounds("Main", "XPos", {1, 2, 3, 4}, "YSize", "XSize", "YPos", area);
    EXPECT_EQ(read.Left, 0);
    EXPECT_EQ(read.Top, 30);
    EXPECT_EQ(read.Width, 700);
    EXPECT_EQ(read.Height, 500);
    const TFormBounds defaults =
        list.ReadFormBounds("Other", "XPos", {1, 2, 3, 4}, "YSize", "XSize", "YPos", area);
    EXPECT_EQ(defaults.Left, 1);
    EXPECT_EQ(defaults.Top, 2);
    EXPECT_EQ(defaults.Width, 3);
    EXPECT_EQ(defaults.Height, 4);
}

// ---- Load and save
// ---------------------------------------------------------------------------------

TEST_F(StoredTextListTest, LoadingAMissingFileGivesEmptyContentAndCallsOnLoad)
{
    TTempDir dir;
    TStoredTextList list(dir / "missing.ini");
    list.WriteString("Old", "Key", "discarded");
    int calls = 0;
    bool parameterSeen = false, loadingSeen = false;
    list.OnLoad = [&](TStoredTextList &l, bool parameter) {
        ++calls;
        parameterSeen = parameter;
        loadingSeen = l.Loading();
        std::int32_t value = 5;
        l.ReadInteger("Main", "Value", value, 0, 10);
        EXPECT_EQ(value, 5);
        FunStatContext.Raise(fsError, "Owner", "Reader", 1, "Owner failure.");
    };
    EXPECT_TRUE(list.Load(true));
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(parameterSeen);
    EXPECT_TRUE(loadingSeen);
    EXPECT_FALSE(list.Loading());
    EXPECT_FALSE(list.Modified());
    EXPECT_EQ(list.Text(), "");
    EXPECT_EQ(FunStatContext.status, fsPerfect) << "the owner's status does not fail the load";
    EXPECT_TRUE(Window.Memos.empty());
    EXPECT_FALSE(fs::exists(dir / "missing.ini")) << "loading creates no file";
}

TEST_F(StoredTextListTest, SaveAsksWithTheFileNameAndCallsOnSave)
{
    TTempDir dir;
    const std::string file = dir / "skin.vds";
    WriteBytes(file, "old");
    TStoredTextList list(file);
    bool parameterSeen = false;
    list.OnSave = [&](TStoredTextList &l, bool parameter) {
        parameterSeen = parameter;
        l.WriteInteger("Skin_Main", "Fade", 70);
    };
    Boxes.Answer = MessageBoxAnswer::No;
    EXPECT_FALSE(list.Save(true, true));
    ASSERT_EQ(Boxes.Shown.size(), 1u);
    EXPECT_EQ(Boxes.Shown[0].Text, "File \"" + file + "\"already exists.\nOverwrite it?");
    EXPECT_FALSE(parameterSeen) << "a declined save does not ask the owner";
    EXPECT_EQ(ReadBytes(file), "old");
    EXPECT_TRUE(Window.Memos.empty());

    Boxes.Answer = MessageBoxAnswer::Yes;
    EXPECT_TRUE(list.Save(true, true));
    EXPECT_TRUE(parameterSeen);
    EXPECT_EQ(ReadBytes(file), "[Skin_Main]\r\nFade=70\r\n\r\n");

    const std::string other = dir / "copy.vds";
    WriteBytes(other, "[Unread]\r\nA=1\r\n");
    EXPECT_TRUE(list.SaveAs(other, false));
    EXPECT_EQ(list.FileName(), other);
    EXPECT_EQ(ReadBytes(other), "[Skin_Main]\r\nFade=70\r\n\r\n") << "the new file is not read";
    list.SetFileName(dir / "third.vds");
    EXPECT_EQ(StringOf(list, "Skin_Main", "Fade"), "70");
    EXPECT_TRUE(list.Save(false));
    EXPECT_TRUE(fs::exists(dir / "third.vds"));
}

TEST_F(StoredTextListTest, SavingAReadOnlyFileMakesItWritableAgain)
{
    TTempDir dir;
    const std::string file = dir / "Velmordian.ini";
    WriteBytes(file, "[Main]\r\nA=1\r\n");
    ASSERT_EQ(::chmod(file.c_str(), 0444), 0);
    TStoredTextList list(file);
    ASSERT_TRUE(list.Load());
    list.WriteInteger("Main", "A", 2);
    EXPECT_TRUE(list.Save(false));
    EXPECT_EQ(ReadBytes(file), "[Main]\r\nA=2\r\n\r\n");
    struct stat info
    {
    };
    ASSERT_EQ(::stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0644u);
}

TEST_F(StoredTextListTest, OddFilesLoadWithoutLoss)
{
    TTempDir dir;
    const std::string megabyte(1 << 20, 'v');
    std::string binary = "[Bin]\r\nNul=a";
    binary += '\0';
    binary += "b\xFF\xFE\r\nK\x01y=\x80\x81\r\n";
    struct TCase
    {
        const char *Name;
        std::string Text;
        std::function<void(const TStoredTextList &)> Check;
    };
    const TCase cases[] = {
        {"a huge Count",
         "[List]\r\nCount=2147483647\r\n0=a\r\n5=b\r\n2147483646=c\r\n",
         [](const TStoredTextList &l) {
             std::vector<std::string> items;
             const auto start = std::chrono::steady_clock::now();
             l.ReadList("List", items, false, 0);
             EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
             EXPECT_EQ(items, (std::vector<std::string>{"a", "b", "c"}));
         }},
        {"a line of 1 MiB",
         "[Big]\r\nValue=" + megabyte + "\r\nAfter=1\r\n",
         [&](const TStoredTextList &l) {
             std::string value = "default";
             l.ReadString("Big", "Value", value, false, 259);
             EXPECT_EQ(value, "default");
             EXPECT_EQ(StringOf(l, "Big", "Value"), megabyte);
             EXPECT_EQ(StringOf(l, "Big", "After"), "1");
         }},
        {"binary bytes",
         binary,
         [](const TStoredTextList &l) {
             EXPECT_EQ(StringOf(l, "Bin", "Nul"), std::string("a\0b\xFF\xFE", 5));
             EXPECT_EQ(StringOf(l, "Bin", "K\x01y"), "\x80\x81");
         }},
        {"a lone section bracket",
         "[\r\n[]\r\nA=1\r\n]\r\n",
         [](const TStoredTextList &l) { EXPECT_EQ(StringOf(l, "", "A"), "1"); }},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Name);
        const std::string file = dir / "odd.ini";
        WriteBytes(file, c.Text);
        TStoredTextList list(file);
        EXPECT_TRUE(list.Load());
        c.Check(list);
        EXPECT_EQ(ReadBytes(file), c.Text) << "loading changes nothing on disk";
        // What was understood survives a save and a second load.
        const std::string understood = list.Text();
        EXPECT_TRUE(list.Save(false));
        TStoredTextList again(file);
        EXPECT_TRUE(again.Load());
        EXPECT_EQ(again.Text(), understood);
    }
    EXPECT_TRUE(Window.Memos.empty());
    EXPECT_EQ(FunStatContext.status, fsPerfect);
}

TEST_F(StoredTextListTest, AnUnreadableFileFailsTheLoadWithItsMessage)
{
    TTempDir dir;
    fs::create_directory(dir / "folder.ini");
    TStoredTextList list(dir / "folder.ini");
    list.WriteString("Old", "Key", "v");
    EXPECT_FALSE(list.Load());
    EXPECT_FALSE(list.Loading());
    EXPECT_EQ(list.Text(), "");
    EXPECT_EQ(ShownErrors(), std::vector<std::string>{"Failed to load file."});
    ASSERT_EQ(Window.Memos.size(), 1u);
    EXPECT_NE(Window.Memos[0].find("* Description: \"Failed to read.\""), std::string::npos);
    EXPECT_NE(Window.Memos[0].find("* System error code: " + std::to_string(EISDIR)),
              std::string::npos);
    EXPECT_EQ(FunStatContext.status, fsPerfect);

    Window.Memos.clear();
    list.OnLoad = [](TStoredTextList &, bool) { throw std::runtime_error("owner broke"); };
    list.SetFileName(dir / "missing.ini");
    EXPECT_FALSE(list.Load());
    EXPECT_EQ(ShownErrors(), std::vector<std::string>{"Failed to load file."});
    EXPECT_NE(Window.Memos[0].find("Unhandled exception: owner broke"), std::string::npos);
}

TEST_F(StoredTextListTest, AFileThatCannotBeReadIsKeptBesideBeforeASaveReplacesIt)
{
    TTempDir dir;
    ASSERT_EQ(::chmod(dir.Path().c_str(), 0777), 0);
    const std::string file = dir / "Velmordian.ini";
    const std::string original = "[Main]\r\nVisibleBoards=7\r\n\r\n";
    WriteBytes(file, original);
    WriteBytes(file + ".bad", "older");
    ASSERT_EQ(::chmod(file.c_str(), 0), 0);
    const int result = RunAsNobody([&] {
        if (::geteuid() == 0) return 100;
        TStoredTextList list(file);
        list.keepDamagedFile = true;
        if (list.Load()) return 1;
        if (ShownErrors() != std::vector<std::string>{"Failed to load file."}) return 2;
        if (Window.Memos[0].find("\r\nThe damaged file will be kept as \"" + file +
                                 ".bad\".\r\n") == std::string::npos)
            return 3;
        list.WriteInteger("Main", "VisibleBoards", 10);
        if (!list.Save(false)) return 4;
        list.WriteInteger("Main", "VisibleBoards", 9);
        if (!list.Save(false)) return 5;
        return 0;
    });
    if (result == -1 || result == 100) GTEST_SKIP() << "this machine cannot run a check as nobody";
    EXPECT_EQ(result, 0) << "check " << result << " failed";
    EXPECT_EQ(ReadBytes(file + ".bad"), original) << "the unread file replaces the older one";
    EXPECT_EQ(ReadBytes(file), "[Main]\r\nVisibleBoards=9\r\n\r\n");

    // A missing file is no failure, and without the request nothing is kept.
    fs::remove(file + ".bad");
    TStoredTextList fresh(dir / "missing.ini");
    fresh.keepDamagedFile = true;
    EXPECT_TRUE(fresh.Load());
    EXPECT_TRUE(fresh.Save(false));
    EXPECT_FALSE(fs::exists(dir / "missing.ini.bad"));
    fs::remove(file);
    fs::create_directory(file);
    TStoredTextList plain(file);
    EXPECT_FALSE(plain.Load());
    EXPECT_EQ(Window.Memos.back().find("kept as"), std::string::npos);
    EXPECT_FALSE(fs::exists(file + ".bad"));
}

TEST_F(StoredTextListTest, AReadOnlyFolderLoadsButCannotBeSaved)
{
    TTempDir dir;
    ASSERT_EQ(::chmod(dir.Path().c_str(), 0755), 0);
    const std::string folder = dir / "locked";
    fs::create_directory(folder);
    const std::string file = folder + "/Velmordian.ini";
    const std::string original = "[Main]\r\nA=1\r\n\r\n";
    WriteBytes(file, original);
    ASSERT_EQ(::chmod(file.c_str(), 0644), 0);
    ASSERT_EQ(::chmod(folder.c_str(), 0555), 0);
    const int result = RunAsNobody([&] {
        if (::geteuid() == 0) return 100;
        TStoredTextList list(file);
        if (!list.Load() || StringOf(list, "Main", "A") != "1") return 1;
        list.WriteInteger("Main", "A", 2);
        if (list.Save(false)) return 2;
        if (ShownErrors() != std::vector<std::string>{"Failed to save file."}) return 3;
        if (Window.Memos[0].find("* Description: \"Failed to write.\"") == std::string::npos)
            return 4;
        if (Window.Memos[0].find("* System error code: " + std::to_string(EACCES)) ==
            std::string::npos)
            return 5;
        if (!list.Modified() || FunStatContext.status != fsPerfect) return 6;
        return 0;
    });
    ::chmod(folder.c_str(), 0755);
    if (result == -1 || result == 100) GTEST_SKIP() << "this machine cannot run a check as nobody";
    EXPECT_EQ(result, 0) << "check " << result << " failed";
    EXPECT_EQ(ReadBytes(file), original);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1)
        << "no temporary file is left behind";
}

TEST_F(StoredTextListTest, AFullDiskKeepsTheOldFileByteForByte)
{
    TTempDir dir;
    TSmallDisk disk(dir / "small");
    if (!disk.Mounted) GTEST_SKIP() << "cannot mount a tmpfs here: " << std::strerror(errno);
    const std::string file = disk.Path + "/Velmordian.ini";
    TStoredTextList list(file);
    list.WriteString("Main", "Old", "settings");
    ASSERT_TRUE(list.Save(false));
    const std::string before = ReadBytes(file);
    disk.FillUp();

    list.WriteString("Main", "New", std::string(50000, 'n'));
    EXPECT_FALSE(list.Save(false));
    EXPECT_TRUE(list.Modified());
    EXPECT_EQ(ShownErrors(), std::vector<std::string>{"Failed to save file."});
    ASSERT_EQ(Window.Memos.size(), 1u);
    EXPECT_NE(Window.Memos[0].find("* System error code: " + std::to_string(ENOSPC)),
              std::string::npos);
    EXPECT_EQ(ReadBytes(file), before);
    std::vector<std::string> names;
    for (const auto &entry : fs::directory_iterator(disk.Path))
        names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"Velmordian.ini", "filler"}));
    EXPECT_EQ(FunStatContext.status, fsPerfect);

    TStoredTextList reloaded(file);
    EXPECT_TRUE(reloaded.Load());
    EXPECT_EQ(StringOf(reloaded, "Main", "Old"), "settings");
}

} // namespace
