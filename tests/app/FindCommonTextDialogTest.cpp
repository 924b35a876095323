// The find-common-text dialog: the scores of words and paragraphs, the words of a paragraph,
// the limits of a search (minimum matches, the stop after 999 matched paragraphs, the memory
// bound), its settings, and runs of the dialog on a column's selection of real files.
#include "app/FindCommonTextDialog.h"

#include "Libraries/Program.h"
#include "Libraries/StoredTextList.h"
#include "app/MainDialog.h"
#include "tests/support/TestSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest/QTest>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <memory>
#include <sys/stat.h>

namespace {

TCommonTextWords Words(const std::vector<std::string> &texts)
{
    TCommonTextSettings settings;
    settings.UseDelimiter = false;
    std::string line, filter;
    for (const std::string &text : texts)
        line += text + " ";
    return ParagraphWords(line, settings, filter);
}

TCommonTextFile File(const std::string &title, const std::vector<std::string> &lines)
{
    TCommonTextFile file{title, {}};
    const TCommonTextSettings settings;
    for (const std::string &line : lines) {
        TCommonTextParagraph paragraph;
        paragraph.Words = ParagraphWords(line, settings, paragraph.Filter);
        if (!paragraph.Words.empty()) file.Paragraphs.push_back(paragraph);
    }
    return file;
}

std::vector<std::string> Lines(const std::string &text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

} // namespace

// ---- Words and paragraphs ---------------------------------------------------------------------

struct TWordCase
{
    const char *X, *Y;
    int WholeMatch, Tolerance;
    int Score;
};

class WordScoreTest : public ::testing::TestWithParam<TWordCase>
{
};

TEST_P(WordScoreTest, ScoreOfXFoundInY)
{
    const TWordCase c = GetParam();
    EXPECT_EQ(MatchWordScore(c.X, c.Y, c.WholeMatch, c.Tolerance), c.Score) << c.X << " in " << c.Y;
}

INSTANTIATE_TEST_SUITE_P(
    Cases,
    WordScoreTest,
    ::testing::Values(
        // The defaults: whole words, no misspelling.
        TWordCase{"SMITH", "SMITH", wmWord, 0, 200},
        TWordCase{"SMITH", "SMITHS", wmWord, 0, 0},
        TWordCase{"SMITHS", "SMITH", wmWord, 0, 0},
        TWordCase{"SMITH", "SMYTH", wmWord, 0, 0},
        // A word at the start of a longer one.
        TWordCase{"SMITH", "SMITHSON", wmLeft, 0, 150},
        TWordCase{"SMITHSON", "SMITH", wmLeft, 0, 0},
        TWordCase{"SON", "SMITHSON", wmLeft, 0, 0},
        // At the end, and inside.
        TWordCase{"SON", "SMITHSON", wmRight, 0, 100},
        TWordCase{"MIT", "SMITH", wmRight, 0, 0},
        TWordCase{"MIT", "SMITH", wmAny, 0, 50},
        TWordCase{"SON", "SMITHSON", wmAny, 0, 100},
        TWordCase{"SMI", "SMITHSON", wmAny, 0, 150},
        // Misspelt: 5 points less per differing character, at most min((length + 1) / 2, t).
        TWordCase{"SMITH", "SMYTH", wmWord, 1, 195},
        TWordCase{"SMITH", "SMITH", wmWord, 1, 200},
        TWordCase{"SMITH", "JONES", wmWord, 1, 0},
        TWordCase{"SMITH", "SMYTE", wmWord, 1, 0},
        TWordCase{"SMITH", "SMYTE", wmWord, 2, 190},
        TWordCase{"SMYTH", "SMITHSON", wmLeft, 1, 145},
        TWordCase{"ABC", "XYC", wmWord, 3, 190},
        TWordCase{"ABC", "XYZ", wmWord, 3, 0},
        // Characters, not bytes: one accented letter is one difference.
        TWordCase{"MÜLLER", "MULLER", wmWord, 1, 195},
        TWordCase{"MÜLLER", "MULLER", wmWord, 0, 0}));

TEST(FindCommonTextMatchTest, PairsOfParagraphsAddTheBestScoreOfEachMatchingPair)
{
    TCommonTextSettings settings;
    settings.WholeMatch = wmLeft;
    settings.MisspellingTolerance = 1;
    TMatchSourceInfo info;
    const std::int32_t rank = MatchParagraphs(Words({"SMITH", "JOHN", "LONDON"}),
                                              "/b.txt",
                                              info,
                                              "SMITHSON; JON; LONDON",
                                              Words({"SMITHSON", "JON", "LONDON"}),
                                              settings);
    // SMITH in SMITHSON 150; JON at the start of JOHN and of LONDON with one difference, 145
    // each (found from the against side); LONDON 200.
    EXPECT_EQ(rank, 150 + 145 + 145 + 200);
    ASSERT_EQ(info.Matches.size(), 1u);
    EXPECT_EQ(info.Matches[0].first, "SMITHSON; JON; LONDON");
    EXPECT_EQ(info.Matches[0].second.AgainstFile, "/b.txt");
    EXPECT_EQ(info.Matches[0].second.MatchedFilter,
              "SMITH -> SMITHSON; JOHN <- JON; LONDON <- JON; LONDON");
    EXPECT_EQ(info.Matches[0].second.Rank, rank);
}

struct TMinimumCase
{
    const char *Minimum;
    int Shared; // how many of the source's four words the against paragraph holds
    bool Counted;
};

class MinimumMatchesTest : public ::testing::TestWithParam<TMinimumCase>
{
};

TEST_P(MinimumMatchesTest, AgainstParagraphCountsWithEnoughMatchingPairs)
{
    const TMinimumCase c = GetParam();
    TCommonTextSettings settings;
    settings.MinimumMatches = MinimumMatchesValue(c.Minimum);
    const std::vector<std::string> source = {"ALPHA", "BRAVO", "CHARLIE", "DELTA"};
    std::vector<std::string> against(source.begin(), source.begin() + c.Shared);
    against.push_back("ZULU");
    TMatchSourceInfo info;
    const std::int32_t rank =
        MatchParagraphs(Words(source), "/b", info, "x", Words(against), settings);
    EXPECT_EQ(rank, c.Counted ? 200 * c.Shared : 0);
    EXPECT_EQ(info.Matches.size(), c.Counted ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(Cases,
                         MinimumMatchesTest,
                         ::testing::Values(TMinimumCase{"1", 1, true},
                                           TMinimumCase{"1", 0, false},
                                           TMinimumCase{"3", 2, false},
                                           TMinimumCase{"3", 3, true},
                                           TMinimumCase{"All", 3, false},
                                           TMinimumCase{"All", 4, true},
                                           TMinimumCase{"All - 1", 3, true},
                                           TMinimumCase{"All - 1", 2, false},
                                           TMinimumCase{"All - 3", 1, true}));

struct TParagraphCase
{
    const char *Line;
    const char *Begin, *End;
    bool UseDelimiter;
    const char *Numbers;
    const char *Filter;
};

class ParagraphWordsTest : public ::testing::TestWithParam<TParagraphCase>
{
};

TEST_P(ParagraphWordsTest, FilterOfTheExtractedWords)
{
    const TParagraphCase c = GetParam();
    TCommonTextSettings settings;
    settings.BeginExtraction = ExtractionValue(c.Begin);
    settings.EndExtraction = ExtractionValue(c.End);
    settings.UseDelimiter = c.UseDelimiter;
    settings.NumbersMode = NumbersModeValue(c.Numbers);
    std::string filter;
    const TCommonTextWords words = ParagraphWords(c.Line, settings, filter);
    EXPECT_FALSE(FunStatContext.IsError());
    EXPECT_EQ(filter, c.Filter);
    EXPECT_EQ(words.size(),
              filter.empty()
                  ? 0u
                  : static_cast<std::size_t>(std::count(filter.begin(), filter.end(), ';') + 1));
}

INSTANTIATE_TEST_SUITE_P(
    Cases,
    ParagraphWordsTest,
    ::testing::Values(
        TParagraphCase{
            "Smith|John|1234|London", "Start", "End", true, "Include", "SMITH; JOHN; LONDON"},
        TParagraphCase{"Smith|John|1234|London", "1", "2", true, "Include", "JOHN"},
        TParagraphCase{"Smith|John|1234|London", "Last", "End", true, "Include", "LONDON"},
        TParagraphCase{"Smith|John|12345|London", "Start", "End", true, "Only", "12345"},
        TParagraphCase{
            "Smith|John|12345|London", "Start", "End", true, "Ignore", "SMITH; JOHN; LONDON"},
        TParagraphCase{"Smith John Smith London", "2", "3", false, "Include", "JOHN; LONDON"},
        TParagraphCase{
            "Smith John Smith London", "Start", "Last - 1", false, "Include", "SMITH; JOHN"},
        // A four-digit number alone is no word: the paragraph is dropped.
        TParagraphCase{"1234", "Start", "End", true, "Include", ""}));

TEST(FindCommonTextMatchTest, ExtractionRangeThatEndsBeforeItBeginsFailsTheLine)
{
    TCommonTextSettings settings;
    settings.BeginExtraction = ExtractionValue("2");
    settings.EndExtraction = ExtractionValue("Last - 1");
    std::string filter;
    EXPECT_EQ(ParagraphWords("aaa|bbb|ccc|ddd|eee", settings, filter).size(), 1u);
    EXPECT_EQ(filter, "CCC");
    EXPECT_FALSE(FunStatContext.IsError());
    EXPECT_TRUE(ParagraphWords("aaa|bbb|ccc", settings, filter).empty());
    EXPECT_TRUE(FunStatContext.IsError());
    EXPECT_EQ(FunStatContext.description,
              "The first extracted word is beyond the last extracted word.");
    FunStatContext.Reset(fsPerfect);
}

TEST(FindCommonTextMatchTest, ItemsSettingsAndLimits)
{
    EXPECT_EQ(ExtractionValue("Start"), 0);
    EXPECT_EQ(ExtractionValue("End"), -1);
    EXPECT_EQ(ExtractionValue("Last"), -2);
    EXPECT_EQ(ExtractionValue("Last - 3"), -5);
    EXPECT_EQ(ExtractionValue("7"), 7);
    EXPECT_EQ(MinimumMatchesValue("All - 2"), -2);
    EXPECT_EQ(MinimumMatchesValue("5"), 5);
    EXPECT_EQ(WholeMatchValue("Any"), wmAny);
    EXPECT_EQ(NumbersModeValue("Only"), 2);
    const std::string higher =
        "The \"End extraction\" value must be higher than the \"Start extraction\" value.";
    const std::string least =
        "The \"End extraction\" value must be at least the \"Start extraction\" value.";
    EXPECT_EQ(ExtractionRangeError(1, 1, true), higher);
    EXPECT_EQ(ExtractionRangeError(-2, -3, true), higher);
    EXPECT_EQ(ExtractionRangeError(1, 1, false), "");
    EXPECT_EQ(ExtractionRangeError(2, 1, false), least);
    EXPECT_EQ(ExtractionRangeError(0, -1, true), "");
    EXPECT_EQ(ExtractionRangeError(3, -2, true), "");
    EXPECT_FALSE(FilesTooBigForMemory(5, 11));
    EXPECT_TRUE(FilesTooBigForMemory(6, 11));
    EXPECT_FALSE(FilesTooBigForMemory(5, 10));
    EXPECT_EQ(TextFileLines("a\r\nb\rc\n\nd"), (std::vector<std::string>{"a", "b", "c", "", "d"}));
    // Not UTF-8: read as Latin-1.
    EXPECT_EQ(TextFileLines("M\xFCller\n"), std::vector<std::string>{"Müller"});
}

// ---- The search -------------------------------------------------------------------------------

TEST(FindCommonTextSearchTest, MoreThan999MatchedSourceParagraphsStopTheSearch)
{
    for (const int count : {999, 1000, 1500}) {
        std::vector<std::string> lines(static_cast<std::size_t>(count), "alpha");
        const std::vector<TCommonTextFile> files = {File("/a", lines),
                                                    File("/b", {"alpha", "bravo"})};
        std::vector<TMatchSourceInfo> results;
        int matches = 0, steps = 0;
        const TCommonTextEnd end =
            FindCommonText(files, 0, {}, results, matches, [&](const TCommonTextStep &) {
                ++steps;
                return false;
            });
        EXPECT_EQ(end, count <= MostCommonTextMatches ? ceDone : ceTooManyMatches) << count;
        EXPECT_EQ(matches, std::min(count, MostCommonTextMatches + 1)) << count;
        EXPECT_EQ(steps, 2 * std::min(count, MostCommonTextMatches + 1)) << count;
    }
}

TEST(FindCommonTextSearchTest, StopSkipsFilesOfTheActiveTitleAndSorts)
{
    const std::vector<TCommonTextFile> files = {
        File("/b", {"Jones|Anne", "Smith|John|London"}),
        File("/a", {"Smith|John|London", "Jones|Mary", "1234"}),
        File("/a", {"Smith|John|London"}),
        File("/c", {"Nobody|Here", "Mary|Jones|Paris"})};
    std::vector<TMatchSourceInfo> results;
    int matches = 0;
    std::vector<std::string> where;
    ASSERT_EQ(FindCommonText(files,
                             1,
                             {},
                             results,
                             matches,
                             [&](const TCommonTextStep &step) {
                                 where.push_back(std::to_string(step.SourceParagraph) +
                                                 std::to_string(step.File) +
                                                 std::to_string(step.AgainstParagraph));
                                 return false;
                             }),
              ceDone);
    // The files titled as the active one are left out.
    EXPECT_EQ(where,
              (std::vector<std::string>{"000", "001", "030", "031", "100", "101", "130", "131"}));
    ASSERT_EQ(matches, 2);
    ASSERT_TRUE(SortCommonTextResults(results, nullptr));
    // Equal ranks keep the file order; JONES and MARY in one paragraph rank above JONES alone.
    EXPECT_EQ(results[0].SourceFilter, "SMITH; JOHN; LONDON");
    EXPECT_EQ(results[0].Rank, 600);
    EXPECT_EQ(results[1].SourceFilter, "JONES; MARY");
    EXPECT_EQ(results[1].Rank, 600);
    ASSERT_EQ(results[1].Matches.size(), 2u);
    EXPECT_EQ(results[1].Matches[0].second.AgainstFilter, "MARY; JONES; PARIS");
    EXPECT_EQ(results[1].Matches[0].second.Rank, 400);
    EXPECT_EQ(results[1].Matches[1].second.AgainstFilter, "JONES; ANNE");

    EXPECT_FALSE(SortCommonTextResults(results, [](int) { return true; }));

    int calls = 0;
    EXPECT_EQ(
        FindCommonText(
            files, 1, {}, results, matches, [&](const TCommonTextStep &) { return ++calls == 3; }),
        ceStopped);
    EXPECT_EQ(calls, 3);
}

TEST(FindCommonTextSearchTest, ReportTextAndProgressLine)
{
    TMatchSourceInfo info{"SMITH; JOHN", {}, 400};
    info.Matches.push_back({"x", TMatchAgainstInfo{"/b", "SMYTH; JOHN", "JOHN", 200}});
    info.Matches.push_back({"y", TMatchAgainstInfo{"/c", "JOHN; SMITH", "SMITH; JOHN", 400}});
    std::string text;
    ASSERT_TRUE(CommonTextResultsText({info}, text));
    const std::string dashes(50, '-'), equals(50, '=');
    EXPECT_EQ(text,
              "Match index: 1\nSource filter: \"SMITH; JOHN\"\nMatch count: 2\nRank: 400\n" +
                  dashes +
                  "\n    Partial match index: 1\n    Against file: \"/b\"\n    Against filter: "
                  "\"SMYTH; JOHN\""
                  "\n    Matched filter: \"JOHN\"\n    Rank: 200\n    " +
                  dashes +
                  "\n    Partial match index: 2\n    Against file: \"/c\"\n    Against filter: "
                  "\"JOHN; SMITH\""
                  "\n    Matched filter: \"SMITH; JOHN\"\n    Rank: 400\n" +
                  equals + "\n");
    EXPECT_EQ(CommonTextReport("/a", 1, 0, "R"),
              equals + "\nSource file: /a\nMatch count: 1\nElapsed time (seconds): 0\n" + equals +
                  "\nR");
    const TCommonTextStep step{2, 0, 4};
    EXPECT_EQ(
        CommonTextProgressText(0, 0, 7, &step, -1),
        "Errors 0 | Time 0 | Matches 7 | Source filter 3 | Against file 1 | Against filter 5");
    EXPECT_EQ(CommonTextProgressText(0, 0, 7, nullptr, 3),
              "Errors 0 | Time 0 | Matches 7 | Match index 3");

    // A result begun past 250,000 characters is not written.
    info.SourceFilter = std::string(LongestCommonTextReport, 'A');
    EXPECT_TRUE(CommonTextResultsText({info}, text));
    EXPECT_FALSE(CommonTextResultsText({info, info}, text));
}

TEST(FindCommonTextFormTest, MatchingOperationsUseTheSettingsOfTheRun)
{
    TFindCommonTextForm form;
    form.Settings.WholeMatch = wmLeft;
    EXPECT_EQ(form.MatchText("SMITH", "SMITHSON"), 150);
    form.Settings.WholeMatch = wmWord;
    EXPECT_EQ(form.MatchText("SMITH", "SMITHSON"), 0);
    std::string filter;
    const TCommonTextWords source = form.ParsePara("Smith|John", filter);
    EXPECT_EQ(filter, "SMITH; JOHN");
    TMatchSourceInfo info;
    EXPECT_EQ(form.FindTextA(source, "/b", info, "JOHN", Words({"JOHN"})), 200);
    ASSERT_EQ(info.Matches.size(), 1u);
    EXPECT_EQ(info.Matches[0].second.MatchedFilter, "JOHN");
    EXPECT_FALSE(FunStatContext.IsError());
}

// ---- The dialog -------------------------------------------------------------------------------

class FindCommonTextDialogTest : public TStatusTest
{
protected:
    void SetUp() override
    {
        TStatusTest::SetUp();
        const char *dataHome = std::getenv("XDG_DATA_HOME");
        SavedDataHome = dataHome ? dataHome : "";
        setenv("XDG_DATA_HOME", (Root / "data").c_str(), 1);
        std::filesystem::create_directories(Root / "list/sub");
        Root.WriteFile("list/a.txt", "Smith|John|London\r\nJones|Mary|Paris\r\n1234\r\n");
        Root.WriteFile("list/b.txt", "Smyth|John|Leeds\nBrown|Anne|London\n");
        Root.WriteFile("list/c.txt", "Smith|John|London\n");
        UsePortableProgramFolder(Home.Path());
        FindCommonTextForm = &Dialog;
        Form = std::make_unique<TMainForm>();
        Form->resize(1000, 700);
        Form->StartMainForm();
        Column().LoadDirectory(
            true, -1, -1, std::numeric_limits<int>::min(), -1, Root / "list/a.txt");
        Form->FocusColumn(0, true);
    }
    void TearDown() override
    {
        Form.reset();
        FindCommonTextForm = nullptr;
        SetProgramDirectoryOverride("");
        if (SavedDataHome.empty())
            unsetenv("XDG_DATA_HOME");
        else
            setenv("XDG_DATA_HOME", SavedDataHome.c_str(), 1);
        TStatusTest::TearDown();
    }
    TColumn &Column() { return *Form->Columns[0]; }
    int IndexOf(const std::string &name)
    {
        for (int i = 0; i < Column().FileList->Count(); ++i)
            if (Column().Item(i)->Title == Root / ("list/" + name)) return i;
        return -1;
    }
    void Select(const std::vector<std::string> &names)
    {
        for (const std::string &name : names) {
            ASSERT_GE(IndexOf(name), 0) << name;
            Column().Item(IndexOf(name))->Selected = true;
        }
        Column().SelectedCount = static_cast<int>(names.size());
    }
    void Focus(const std::string &name) { Column().FileList->SetFocusIndex(IndexOf(name)); }
    // Opens the dialog through the File menu's command, clicks "&Find" once it shows, and
    // closes it with "&Cancel" after the run; the report is kept.
    void RunFromMenu()
    {
        QTimer::singleShot(0, [this] {
            Dialog.FindButton->click();
            Report = Dialog.ReportMemo->toPlainText().toStdString();
            Progress = Dialog.ProgressLabel->text().toStdString();
            Dialog.CancelButton->click();
        });
        Form->Com_FindCommonText();
    }
    std::vector<std::string> Messages() const
    {
        std::vector<std::string> texts;
        for (const auto &shown : Boxes.Shown)
            texts.push_back(shown.Text);
        return texts;
    }
    std::string LastMemo() const
    {
        return Window.Memos.empty() ? std::string() : Window.Memos.back();
    }

    TTempDir Root;
    TTempDir Home;
    std::string SavedDataHome;
    TFindCommonTextForm Dialog;
    std::unique_ptr<TMainForm> Form;
    std::string Report, Progress;
};

TEST_F(FindCommonTextDialogTest, MenuCommandRunsTheDialogAndReports)
{
    Select({"a.txt", "b.txt", "c.txt"});
    Focus("a.txt");
    Form->EnableFileMenuItems();
    EXPECT_TRUE(Form->MenuItem("FindCommonTextMenu")->isEnabled());
    Dialog.MisspellingComboBox->setCurrentText(QStringLiteral("1"));
    RunFromMenu();
    EXPECT_TRUE(Messages().empty());
    EXPECT_TRUE(ShownErrors().empty());
    const std::vector<std::string> lines = Lines(Report);
    const std::string a = Root / "list/a.txt", b = Root / "list/b.txt", c = Root / "list/c.txt";
    const std::string dashes(50, '-'), equals(50, '=');
    ASSERT_GE(lines.size(), 5u) << Report;
    EXPECT_EQ(lines[0], equals);
    EXPECT_EQ(lines[1], "Source file: " + a);
    EXPECT_EQ(lines[2], "Match count: 1");
    EXPECT_EQ(lines[3].rfind("Elapsed time (seconds): ", 0), 0u);
    const std::vector<std::string> rest(lines.begin() + 4, lines.end());
    EXPECT_EQ(rest,
              (std::vector<std::string>{equals,
                                        "Match index: 1",
                                        "Source filter: \"SMITH; JOHN; LONDON\"",
                                        "Match count: 3",
                                        "Rank: 1195",
                                        dashes,
                                        "    Partial match index: 1",
                                        "    Against file: \"" + c + "\"",
                                        "    Against filter: \"SMITH; JOHN; LONDON\"",
                                        "    Matched filter: \"SMITH; JOHN; LONDON\"",
                                        "    Rank: 600",
                                        "    " + dashes,
                                        "    Partial match index: 2",
                                        "    Against file: \"" + b + "\"",
                                        "    Against filter: \"SMYTH; JOHN; LEEDS\"",
                                        "    Matched filter: \"SMITH -> SMYTH; JOHN\"",
                                        "    Rank: 395",
                                        "    " + dashes,
                                        "    Partial match index: 3",
                                        "    Against file: \"" + b + "\"",
                                        "    Against filter: \"BROWN; ANNE; LONDON\"",
                                        "    Matched filter: \"LONDON\"",
                                        "    Rank: 200",
                                        equals,
                                        ""}));
    EXPECT_EQ(Report.find('\r'), std::string::npos);
    EXPECT_EQ(Progress.rfind("Errors 0 | Time ", 0), 0u) << Progress;
    EXPECT_NE(Progress.find(" | Matches 1"), std::string::npos) << Progress;
    EXPECT_TRUE(Dialog.FindButton->isEnabled());
    EXPECT_FALSE(Dialog.StopButton->isEnabled());
    EXPECT_TRUE(Dialog.Results.empty());

    // The report goes to the clipboard as it stands.
    Dialog.ReportMemo->setPlainText(QString::fromStdString(Report));
    Dialog.CopyReportButton->click();
    EXPECT_EQ(QApplication::clipboard()->text().toStdString(), Report);
}

TEST_F(FindCommonTextDialogTest, NothingInCommonSaysSoAndEscapeInTheReportCloses)
{
    Root.WriteFile("list/b.txt", "Nobody|Here\n");
    Select({"a.txt", "b.txt"});
    Focus("a.txt");
    bool closedByEscape = false;
    QTimer::singleShot(0, [&] {
        Dialog.FindButton->click();
        Report = Dialog.ReportMemo->toPlainText().toStdString();
        QTest::keyClick(Dialog.ReportMemo, Qt::Key_Escape);
        closedByEscape = !Dialog.isVisible();
        if (!closedByEscape) Dialog.CancelButton->click();
    });
    Form->Com_FindCommonText();
    EXPECT_TRUE(closedByEscape);
    EXPECT_EQ(Messages(), std::vector<std::string>{"No matches found."});
    EXPECT_NE(Report.find("Match count: 0"), std::string::npos) << Report;
}

TEST_F(FindCommonTextDialogTest, CancelDuringTheRunStopsItAndCloses)
{
    Select({"a.txt", "b.txt", "c.txt"});
    Focus("a.txt");
    QTimer::singleShot(0, [this] {
        // Waits until the search takes its first step's messages.
        QTimer::singleShot(0, [this] { Dialog.CancelButton->click(); });
        Dialog.FindButton->click();
        Report = Dialog.ReportMemo->toPlainText().toStdString();
    });
    Form->Com_FindCommonText();
    EXPECT_FALSE(Dialog.isVisible());
    EXPECT_TRUE(Dialog.Stop);
    EXPECT_EQ(Lines(Report).back(), "Looking for common text...");
    EXPECT_TRUE(Messages().empty());
    EXPECT_TRUE(ShownErrors().empty());
}

TEST_F(FindCommonTextDialogTest, TheActiveItemMustBeASelectedFile)
{
    const std::string prefix = "The active file is not selected or it's not a document: \"";
    Select({"b.txt", "c.txt"});
    Focus("a.txt");
    RunFromMenu();
    Column().Item(IndexOf("sub"))->Selected = true;
    Focus("sub");
    RunFromMenu();
    EXPECT_EQ(Messages(),
              (std::vector<std::string>{prefix + Root / "list/a.txt" + "\".",
                                        prefix + Root / "list/sub" + "\"."}));
    EXPECT_EQ(Report, "Checking resources availability...");
}

TEST_F(FindCommonTextDialogTest, RefusalsBeforeAndAfterStarting)
{
    Select({"a.txt", "b.txt"});
    Focus("a.txt");
    Dialog.Column = &Column();
    // An empty delimiter stops before anything changes.
    Dialog.ReportMemo->setPlainText(QStringLiteral("old"));
    Dialog.DelimiterEdit->clear();
    Dialog.Do();
    EXPECT_EQ(Messages(), std::vector<std::string>{"Empty delimiter."});
    EXPECT_EQ(Dialog.ReportMemo->toPlainText(), QStringLiteral("old"));
    Dialog.DelimiterEdit->setText(QStringLiteral("|"));
    // Files bigger than half the memory.
    Dialog.OnTotalPhysicalMemory = [] { return std::uint64_t{100}; };
    Dialog.Do();
    EXPECT_EQ(Messages().back(), "The size of the files to use is too big.");
    Dialog.OnTotalPhysicalMemory = nullptr;
    // An impossible range, and one that fails in a line.
    Dialog.BeginExtractionComboBox->setCurrentText(QStringLiteral("3"));
    Dialog.EndExtractionComboBox->setCurrentText(QStringLiteral("2"));
    Dialog.Do();
    ASSERT_EQ(ShownErrors(), std::vector<std::string>{"Failed to find common text."});
    EXPECT_NE(
        LastMemo().find(
            "The \"End extraction\" value must be higher than the \"Start extraction\" value."),
        std::string::npos);
    Dialog.BeginExtractionComboBox->setCurrentText(QStringLiteral("2"));
    Dialog.EndExtractionComboBox->setCurrentText(QStringLiteral("Last - 1"));
    Dialog.Do();
    ASSERT_EQ(ShownErrors().size(), 2u);
    EXPECT_EQ(ShownErrors().back(), "Failed to find common text.");
    EXPECT_NE(LastMemo().find("The first extracted word is beyond the last extracted word."),
              std::string::npos);
    EXPECT_TRUE(Dialog.FindButton->isEnabled());
    EXPECT_TRUE(Dialog.OptionsGroupBox->isEnabled());
    EXPECT_FALSE(FunStatContext.IsError());
}

TEST_F(FindCommonTextDialogTest, TooManyMatchesAbortTheRun)
{
    std::string many;
    for (int i = 0; i < 1000; ++i)
        many += "Smith|" + std::to_string(10000 + i) + "\n";
    Root.WriteFile("list/a.txt", many);
    Select({"a.txt", "b.txt", "c.txt"});
    Focus("a.txt");
    RunFromMenu();
    EXPECT_EQ(Messages(),
              std::vector<std::string>{"Too many matches. The operation has been aborted.\nChange "
                                       "the options to restrict the matches."});
    EXPECT_EQ(Lines(Report).back(), "The operation has been automatically aborted.");
    EXPECT_NE(Progress.find("Matches 1000"), std::string::npos) << Progress;
}

TEST_F(FindCommonTextDialogTest, StopEndsTheRunAndKeepsTheDialog)
{
    Select({"a.txt", "b.txt", "c.txt"});
    Focus("a.txt");
    Dialog.Column = &Column();
    // Stop is pressed while the search takes its first step's messages.
    QTimer::singleShot(0, [this] { Dialog.StopButton->click(); });
    Dialog.Do();
    EXPECT_EQ(Lines(Dialog.ReportMemo->toPlainText().toStdString()).back(),
              "Looking for common text...");
    EXPECT_TRUE(Messages().empty());
    EXPECT_TRUE(Dialog.FindButton->isEnabled());
}

TEST_F(FindCommonTextDialogTest, SettingsGoWithTheOptionsText)
{
    Dialog.BeginExtractionComboBox->setCurrentText(QStringLiteral("Last - 2"));
    Dialog.EndExtractionComboBox->setCurrentText(QStringLiteral("7"));
    Dialog.UseDelimiterCheckBox->setChecked(false);
    Dialog.DelimiterEdit->setText(QStringLiteral(";"));
    Dialog.NumbersComboBox->setCurrentText(QStringLiteral("Only"));
    Dialog.WholeMatchComboBox->setCurrentText(QStringLiteral("Right"));
    Dialog.MisspellingComboBox->setCurrentText(QStringLiteral("3"));
    Dialog.MinimumMatchesComboBox->setCurrentText(QStringLiteral("All - 1"));
    TStoredTextList list;
    Form->WriteOptionsText(list);
    std::string value;
    list.ReadString("FindCommonText", "BeginExtraction", value, false, 100);
    EXPECT_EQ(value, "Last - 2");

    TFindCommonTextForm other;
    FindCommonTextForm = &other;
    Form->ReadOptionsText(list);
    FindCommonTextForm = &Dialog;
    const TCommonTextSettings s = other.SettingsFromControls();
    EXPECT_EQ(s.BeginExtraction, -4);
    EXPECT_EQ(s.EndExtraction, 7);
    EXPECT_FALSE(s.UseDelimiter);
    EXPECT_EQ(s.Delimiter, ';');
    EXPECT_EQ(s.NumbersMode, 2);
    EXPECT_EQ(s.WholeMatch, wmRight);
    EXPECT_EQ(s.MisspellingTolerance, 3);
    EXPECT_EQ(s.MinimumMatches, -1);

    // Values that are not items give the fallbacks, not the first items.
    for (const char *key : {"BeginExtraction",
                            "EndExtraction",
                            "UseNumbers",
                            "WholeMatch",
                            "MisspellingTolerance",
                            "MinimumMatches"})
        list.WriteString("FindCommonText", key, "bogus");
    list.WriteString("FindCommonText", "WordDelimiter", std::string(32, '#'));
    other.ReadSettings(list);
    EXPECT_EQ(other.BeginExtractionComboBox->currentText(), QStringLiteral("Start"));
    EXPECT_EQ(other.EndExtractionComboBox->currentText(), QStringLiteral("End"));
    EXPECT_EQ(other.DelimiterEdit->text(), QStringLiteral("|"));
    EXPECT_EQ(other.NumbersComboBox->currentText(), QStringLiteral("Include"));
    EXPECT_EQ(other.WholeMatchComboBox->currentText(), QStringLiteral("Word"));
    EXPECT_EQ(other.MisspellingComboBox->currentText(), QStringLiteral("0"));
    EXPECT_EQ(other.MinimumMatchesComboBox->currentText(), QStringLiteral("1"));
    // A missing section gives the fallbacks too.
    TStoredTextList empty;
    other.UseDelimiterCheckBox->setChecked(false);
    other.ReadSettings(empty);
    EXPECT_TRUE(other.UseDelimiterCheckBox->isChecked());
    EXPECT_EQ(other.EndExtractionComboBox->currentText(), QStringLiteral("End"));
}

TEST_F(FindCommonTextDialogTest, AnUnreadableFileEndsTheRun)
{
    Select({"a.txt", "b.txt", "c.txt"});
    Focus("a.txt");
    Dialog.Column = &Column();
    chmod(Root.Path().c_str(), 0755);
    chmod((Root / "list").c_str(), 0755);
    chmod((Root / "list/b.txt").c_str(), 0000);
    const int result = RunAsNobody([this] {
        Dialog.Do();
        if (ShownErrors() != std::vector<std::string>{"Failed to find common text."}) return 10;
        if (LastMemo().find("Failed to open file.") == std::string::npos) return 11;
        if (LastMemo().find(Root / "list/b.txt") == std::string::npos) return 12;
        const std::vector<std::string> lines =
            Lines(Dialog.ReportMemo->toPlainText().toStdString());
        if (lines.back() != "Parsing files and filters...") return 13;
        return Dialog.FindButton->isEnabled() && !FunStatContext.IsError() ? 0 : 14;
    });
    if (result < 0) GTEST_SKIP() << "this machine cannot switch to the user nobody";
    EXPECT_EQ(result, 0);
}
