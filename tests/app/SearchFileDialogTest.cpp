// The file search on real files: the found list with its ranks for names, texts, stems and
// near detection, the duplicates of a file, the files it cannot read, and the dialog.
#include "app/SearchFileDialog.h"

#include "Libraries/File.h"
#include "Libraries/History.h"
#include "Libraries/MyTime.h"
#include "Libraries/Program.h"
#include "Libraries/StoredTextList.h"
#include "app/Containers.h"
#include "app/MainDialog.h"
#include "app/OptionsDialog.h"
#include "tests/support/TestSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QTimer>
#include <QtTest/QTest>

#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

struct TFile
{
    const char *Name;
    std::string Content;
};

// The found list as "(rank) name below the root".
std::vector<std::string> FoundList(const TFileSearch &search, const std::string &root)
{
    std::vector<std::string> list;
    for (const TFoundItem &item : search.Found)
        list.push_back("(" + std::to_string(item.Rank) + ") " + item.Title.substr(root.size() + 1));
    return list;
}

void MakeFiles(const TTempDir &root, const std::vector<TFile> &files)
{
    for (const TFile &file : files) {
        fs::create_directories(fs::path(root / file.Name).parent_path());
        root.WriteFile(file.Name, file.Content);
    }
}

TSearchOptions
ContentOptions(const std::string &filters, bool near = false, int stem = 0, bool all = false)
{
    TSearchOptions options;
    options.NameFilter = "*";
    options.FileParts = "Content";
    options.FindDirectories = false;
    bool hasShort = false;
    options.TextFilters = MakeSearchFilters(filters, true, hasShort);
    options.Match.NearDetection = near;
    options.Match.Stem = stem;
    options.Match.AllFilters = all;
    return options;
}

} // namespace

class SearchEngineTest : public TStatusTest
{
protected:
    std::vector<std::string> Run(const TSearchOptions &options)
    {
        Search.Options = options;
        Search.Start();
        Search.ProcessDir(Root.Path());
        return FoundList(Search, Root.Path());
    }
    TTempDir Root;
    TFileSearch Search;
};

TEST_F(SearchEngineTest, TextFiltersGiveTheFoundListWithItsRanks)
{
    struct TCase
    {
        const char *Name;
        std::vector<TFile> Files;
        TSearchOptions Options;
        std::vector<std::string> Found;
    };
    TSearchOptions pathOnly = ContentOptions("secret");
    pathOnly.FileParts = "Name";
    const TCase cases[] = {
        {"excluded filter",
         {{"a.txt", "monthly report"},
          {"b.txt", "report and backup"},
          {"c.txt", "reports"},
          {"d.txt", "backup"}},
         ContentOptions("!backup report"),
         {"(200) a.txt", "(150) c.txt"}},
        {"required filter",
         {{"x.txt", "invoice 2007"}, {"y.txt", "an invoice"}, {"z.txt", "2007 budget"}},
         ContentOptions("&invoice 2007"),
         {"(400) x.txt", "(200) y.txt"}},
        {"required filter, near detection",
         {{"x.txt", "invoice 2007"}, {"y.txt", "an invoice"}, {"z.txt", "2007 budget"}},
         ContentOptions("&invoice 2007", true),
         {"(540) x.txt", "(220) y.txt"}},
        {"all filters required",
         {{"x.txt", "invoice 2007"}, {"y.txt", "an invoice"}},
         ContentOptions("invoice 2007", false, 0, true),
         {"(400) x.txt"}},
        {"near within ten, and far apart",
         {{"near.txt", "alpha 123456 beta"},
          {"far.txt", "alpha " + std::string(150, '.') + " beta"}},
         ContentOptions("alpha beta", true),
         {"(515) near.txt", "(420) far.txt"}},
        {"stem Word",
         {{"f1.txt", "concatenate"}, {"f2.txt", "the cat sat"}, {"f3.txt", "cats"}},
         ContentOptions("cat", false, 3),
         {"(200) f2.txt"}},
        {"stem Any",
         {{"f1.txt", "concatenate"}, {"f2.txt", "the cat sat"}, {"f3.txt", "cats"}},
         ContentOptions("cat", false, 0),
         {"(200) f2.txt", "(150) f3.txt", "(100) f1.txt"}},
        {"repeated occurrences",
         {{"r.txt", "report report reports"}, {"s.txt", "report"}},
         ContentOptions("report"),
         {"(220) r.txt", "(200) s.txt"}},
        {"a literal mark",
         {{"i.txt", "!important note"}, {"j.txt", "important"}},
         ContentOptions("~!important"),
         {"(120) i.txt"}},
        {"accented letters keep their case in the text",
         {{"lower.txt", "un café"}, {"upper.txt", "UN CAFÉ"}},
         ContentOptions("café"),
         {"(200) upper.txt"}},
        {"a match only in the directory path",
         {{"secret/plain.txt", "x"}, {"other/secretnotes.txt", "x"}},
         pathOnly,
         {"(150) other/secretnotes.txt"}},
        {"words of accented letters",
         {{"w.txt", "cafés"}, {"v.txt", "le café."}},
         ContentOptions("CAF", false, 3),
         {}},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Name);
        TTempDir root;
        MakeFiles(root, c.Files);
        Search.Options = c.Options;
        Search.Start();
        Search.ProcessDir(root.Path());
        EXPECT_EQ(FoundList(Search, root.Path()), c.Found);
        EXPECT_EQ(Search.Errors, 0);
    }
}

TEST_F(SearchEngineTest, ScoringATextByHand)
{
    struct TCase
    {
        const char *Text;
        const char *Filters;
        std::size_t NameStart;
        bool Near;
        int Base, Proximity;
    };
    const TCase cases[] = {
        {"INVOICE 2007", "invoice 2007", 0, true, 400, 140},
        {"INVOICE 2007", "invoice 2007", 5, true, 400, 140}, // 2007 lies past the name start
        {"INVOICE 2007", "invoice", 8, false, 0, 0},         // only in the path
        {"INVOICE_2007", "invoice 2007", 0, false, 270, 0},  // "_" joins words: one boundary each
        {"XINVOICEX", "invoice", 0, false, 100, 0},
        {"ÉINVOICE", "invoice", 0, false, 120, 0}, // a non-ASCII letter is a word character
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(std::string(c.Text) + " / " + c.Filters);
        bool hasShort = false;
        const auto filters = MakeSearchFilters(c.Filters, true, hasShort);
        TTextMatchOptions options;
        options.NearDetection = c.Near;
        const std::string text = c.Text;
        const TTextRanks ranks =
            MatchTextInBuffer(text.data(), text.size(), c.NameStart, filters, options);
        EXPECT_EQ(ranks.Base, c.Base);
        EXPECT_EQ(ranks.Proximity, c.Proximity);
    }
}

TEST_F(SearchEngineTest, OnlyTheLettersAToZAreUpperCased)
{
    std::string all;
    for (int c = 0; c < 256; ++c)
        all.push_back(static_cast<char>(c));
    all += all.substr(3, 61); // a tail that is not a multiple of eight
    std::string expected = all;
    for (char &c : expected)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    UpperCaseSearchText(all.data(), all.size());
    EXPECT_EQ(all, expected);
}

TEST_F(SearchEngineTest, NameFiltersAndTheirExpansion)
{
    EXPECT_EQ(ExpandNameFilter("All files", false), "*");
    EXPECT_EQ(ExpandNameFilter("report", true), "*report*");
    EXPECT_EQ(ExpandNameFilter("*report", true), "*report*");
    EXPECT_EQ(ExpandNameFilter("*", true), "*");
    EXPECT_EQ(ExpandNameFilter("report", false), "report");
    EXPECT_FALSE(IsValidNameFilter("a/b"));
    EXPECT_FALSE(IsValidNameFilter("a:b"));
    EXPECT_TRUE(IsValidNameFilter("*.txt;*.md"));
    MakeFiles(Root,
              {{"Notes.TXT", "x"}, {"notes.md", "x"}, {"image.png", "x"}, {"sub/deep.txt", "x"}});
    TSearchOptions options;
    options.NameFilter = "*.txt; *.md";
    options.FindDirectories = false;
    auto found = Run(options);
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found,
              (std::vector<std::string>{"(1) Notes.TXT", "(1) notes.md", "(1) sub/deep.txt"}));
    // A partition title stands for its mount point.
    options.NameFilter = "*";
    options.FindFiles = false;
    options.FindDirectories = true;
    options.Recursive = false;
    Search.Options = options;
    Search.Start();
    Search.ProcessItem(":/");
    EXPECT_EQ(Search.Errors, 0);
    EXPECT_EQ(Search.Found.empty() ? std::string() : Search.Found[0].Title, "/");
    options.NameFilter = "*.txt; *.md";
    options.FindFiles = true;
    options.FindDirectories = false;
    Search.Options = options;
    Search.Start();
    Search.ProcessItem(Root / "sub");
    EXPECT_TRUE(Search.Found.empty()); // a directory item without recursion is only a candidate
}

TEST_F(SearchEngineTest, TimeAndSizeLimits)
{
    MakeFiles(Root, {{"old.txt", "x"}, {"new.txt", std::string(5000, 'x')}});
    const timespec old[2] = {{1104580800, 0}, {1104580800, 0}}; // 2005-01-01 12:00 UTC
    ASSERT_EQ(::utimensat(AT_FDCWD, (Root / "old.txt").c_str(), old, 0), 0);
    const double year2010 = EncodeDateTime(2010, 1, 1, 0, 0, 0);
    struct TCase
    {
        const char *Name;
        std::function<void(TSearchLimits &)> Set;
        std::vector<std::string> Found;
    };
    const TCase cases[] = {
        {"modified since 2010",
         [&](TSearchLimits &l) { l.ModifiedMinOn = true, l.ModifiedMin = year2010; },
         {"(1) new.txt"}},
        {"modified up to 2010",
         [&](TSearchLimits &l) { l.ModifiedMaxOn = true, l.ModifiedMax = year2010; },
         {"(1) old.txt"}},
        {"modified in the last 30 days",
         [&](TSearchLimits &l) { l.ModifiedMinOn = true, l.ModifiedMin = Now() - 30; },
         {"(1) new.txt"}},
        {"at least 1,000 bytes",
         [](TSearchLimits &l) { l.SizeMinOn = true, l.SizeMin = 1000; },
         {"(1) new.txt"}},
        {"at most 4,999 bytes",
         [](TSearchLimits &l) { l.SizeMaxOn = true, l.SizeMax = 4999; },
         {"(1) old.txt"}},
        {"exactly 5,000 bytes",
         [](TSearchLimits &l) { l.SizeMinOn = l.SizeMaxOn = true, l.SizeMin = l.SizeMax = 5000; },
         {"(1) new.txt"}},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Name);
        TSearchOptions options;
        options.NameFilter = "*";
        c.Set(options.Limits);
        EXPECT_EQ(Run(options), c.Found);
    }
    bool isDate = false;
    EXPECT_DOUBLE_EQ(GetTimeFromText("3", "weeks", isDate), 21);
    EXPECT_FALSE(isDate);
    EXPECT_DOUBLE_EQ(GetTimeFromText("90", "minutes", isDate), 90.0 / 1440);
    EXPECT_DOUBLE_EQ(GetTimeFromText("1/2/08", "days", isDate),
                     EncodeDateTime(2008, 2, 1, 0, 0, 0));
    EXPECT_TRUE(isDate);
    EXPECT_EQ(GetSizeFromText("1.5", "KB"), 1536);
    EXPECT_EQ(GetSizeFromText("2", "MB"), 2097152);
    EXPECT_EQ(GetSizeFromText("7", "bytes"), 7);
}

TEST_F(SearchEngineTest, ATwelveMillionByteFileIsJumped)
{
    MakeFiles(Root,
              {{"big.txt", std::string(12000000, 'x') + " needle"}, {"small.txt", "a needle"}});
    EXPECT_EQ(Run(ContentOptions("needle")), std::vector<std::string>{"(200) small.txt"});
    EXPECT_EQ(Search.Jumped, 1);
    EXPECT_EQ(
        SearchInfoText(Search.Errors, Search.Directories, Search.Files, Search.Jumped, 0, -1, 0),
        "Errors 0 | Directories 0 | Files 1 | Jumped files 1 | Time 00:00:00");
}

TEST_F(SearchEngineTest, DuplicatesAreWholeCopiesOtherThanTheReferenceItself)
{
    std::string content(5000, '\0');
    for (std::size_t i = 0; i < content.size(); ++i)
        content[i] = static_cast<char>(i * 7);
    std::string late = content;
    late[3000] = static_cast<char>(late[3000] + 1);
    MakeFiles(Root,
              {{"ref.bin", content},
               {"copy.bin", content},
               {"late.bin", late},
               {"short.bin", content.substr(0, 4999)},
               {"sub/copy2.bin", content}});
    ASSERT_EQ(::link((Root / "ref.bin").c_str(), (Root / "hardlink.bin").c_str()), 0);
    TSearchOptions options;
    options.NameFilter = "*";
    options.DuplicateReference = Root / "ref.bin";
    auto found = Run(options);
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, (std::vector<std::string>{"(1) copy.bin", "(1) sub/copy2.bin"}));
    EXPECT_EQ(Search.Errors, 0);
}

TEST_F(SearchEngineTest, BadInputIsCountedAndTheSearchGoesOn)
{
    MakeFiles(Root, {{"a/good.txt", "needle"}, {"a/z.txt", "needle"}});
    ASSERT_EQ(::mkfifo((Root / "a/fifo.txt").c_str(), 0644), 0);
    ASSERT_EQ(::symlink((Root / "a").c_str(), (Root / "a/loop").c_str()), 0);
    ASSERT_EQ(::symlink("self", (Root / "a/self").c_str()), 0);
    const std::string badName = std::string("bad\xff\xfe") + ".txt";
    Root.WriteFile("a/" + badName, "needle");
    // A bind mount of a directory below itself.
    fs::create_directories(Root / "a/mnt");
    const bool bound =
        ::system(
            ("mount --bind '" + Root / "a" + "' '" + Root / "a/mnt" + "' 2>/dev/null").c_str()) ==
        0;
    TSearchOptions options = ContentOptions("needle");
    options.FindDirectories = true;
    auto found = Run(options);
    if (bound) ::system(("umount '" + Root / "a/mnt" + "'").c_str());
    std::sort(found.begin(), found.end());
    EXPECT_EQ(
        found,
        (std::vector<std::string>{"(200) a/" + badName, "(200) a/good.txt", "(200) a/z.txt"}));
    EXPECT_EQ(Search.Errors, 0);
    // A filter of 10,000 characters.
    const std::string longFilter(10000, 'q');
    Root.WriteFile("long.txt", "x " + longFilter + " y");
    EXPECT_EQ(Run(ContentOptions(longFilter)), std::vector<std::string>{"(200) long.txt"});
}

TEST_F(SearchEngineTest, StopEndsTheWalkAfterTheCandidateAndAnErrorCanStopIt)
{
    MakeFiles(Root, {{"a/1.txt", "x"}, {"a/2.txt", "x"}, {"b/3.txt", "x"}, {"b/4.txt", "x"}});
    int candidates = 0;
    Search.OnCandidate = [&](const std::string &) {
        if (++candidates == 2) Search.Stop = true;
    };
    TSearchOptions options;
    options.NameFilter = "*";
    Run(options);
    EXPECT_EQ(candidates, 2);
    EXPECT_EQ(Search.Found.size(), 2u);
    // A person who does not go on after an error stops the search there.
    Search.OnCandidate = nullptr;
    int asked = 0;
    Search.OnError = [&](const std::string &) { return ++asked > 1; };
    TSearchOptions content = ContentOptions("x");
    Search.Options = content;
    Search.Start();
    Search.ProcessItem(Root / "missing.txt");
    EXPECT_EQ(Search.Errors, 1);
    EXPECT_TRUE(Search.Stop);
    EXPECT_EQ(FunStatContext.status, fsPerfect);
}

TEST_F(SearchEngineTest, UnreadableFilesAndDirectoriesAreErrorsOfTheirOwn)
{
    MakeFiles(Root,
              {{"open/a.txt", "needle"}, {"locked/b.txt", "needle"}, {"secret.txt", "needle"}});
    ::chmod(Root.Path().c_str(), 0755);
    ::chmod((Root / "open").c_str(), 0755);
    ::chmod((Root / "open/a.txt").c_str(), 0644);
    ::chmod((Root / "locked").c_str(), 0700);
    ::chmod((Root / "secret.txt").c_str(), 0600);
    const std::string root = Root.Path();
    const int code = RunAsNobody([&] {
        TFileSearch search;
        search.Options = ContentOptions("needle");
        std::vector<std::string> messages;
        search.OnError = [&](const std::string &message) {
            messages.push_back(message + " " + FunStatContext.description);
            return true;
        };
        search.Start();
        search.ProcessDir(root);
        const auto found = FoundList(search, root);
        if (found != std::vector<std::string>{"(200) open/a.txt"}) return 1;
        if (search.Errors != 2) return 2;
        std::sort(messages.begin(), messages.end());
        if (messages !=
            std::vector<std::string>{"Failed to process file. Failed to open file.",
                                     "Failed to search in directory. Failed to find first file."})
            return 3;
        return 0;
    });
    if (code == -1) GTEST_SKIP() << "cannot switch to nobody";
    EXPECT_EQ(code, 0);
}

// ---- The dialog ---------------------------------------------------------------------------------

class SearchDialogTest : public TStatusTest
{
protected:
    void SetUp() override
    {
        TStatusTest::SetUp();
        SearchFileForm = &Form;
        SetDefaultExtensionLists();
        Boxes.Answer = MessageBoxAnswer::No;
    }
    void TearDown() override
    {
        SearchFileForm = nullptr;
        PathsHistory.Clear();
        FilesHistory.Clear();
        TStatusTest::TearDown();
    }
    std::vector<std::string> BoxTexts() const
    {
        std::vector<std::string> texts;
        for (const auto &shown : Boxes.Shown)
            texts.push_back(shown.Text);
        return texts;
    }
    TSearchFileForm Form;
};

TEST_F(SearchDialogTest, AShortFilterAsksBeforeAnythingIsSearched)
{
    Form.NameFilterComboBox->setEditText(QString());
    Form.TextFilterComboBox->setEditText(QStringLiteral("&ab invoice"));
    Form.FreeHandFilterCheckBox->setChecked(true);
    Form.Do(false, true);
    ASSERT_EQ(Boxes.Shown.size(), 1u);
    EXPECT_EQ(Boxes.Shown[0].Text,
              "There are filters containing only one or two characters.\nSuch filters are very "
              "common so they may "
              "significantly\nslow down the search.\n\nDo you want to CONTINUE anyway?");
    EXPECT_EQ(Form.NameFilterComboBox->currentText(), QStringLiteral("Text files"));
    EXPECT_EQ(Form.InfoLabel->text(), QString());
    EXPECT_TRUE(Form.SearchNamesButton->isEnabled());
}

TEST_F(SearchDialogTest, ValidationMessagesLeaveTheDialogAsItWas)
{
    struct TCase
    {
        const char *Name;
        std::function<void(TSearchFileForm &)> Set;
        bool Content;
        const char *Message;
    };
    const TCase cases[] = {
        {"empty text filter", [](TSearchFileForm &) {}, true, "Text filter can't be empty."},
        {"invalid name filter",
         [](TSearchFileForm &f) { f.NameFilterComboBox->setEditText(QStringLiteral("a:b")); },
         false,
         "File name filter is invalid."},
        {"neither files nor directories",
         [](TSearchFileForm &f) {
             f.FindDirsCheckBox->setChecked(false);
             f.FindFilesCheckBox->setChecked(false);
         },
         false,
         "You must search either directories or files."},
        {"mixed time limits",
         [](TSearchFileForm &f) {
             f.CreationMinCheckBox->setChecked(true);
             f.CreationMinTimeComboBox->setEditText(QStringLiteral("1/2/08"));
             f.ModifiedMaxCheckBox->setChecked(true);
             f.ModifiedMaxTimeComboBox->setEditText(QStringLiteral("3"));
         },
         false,
         "All time limits must be either absolute or relative."},
        {"creation limits the wrong way round",
         [](TSearchFileForm &f) {
             f.CreationMinCheckBox->setChecked(true);
             f.CreationMinTimeComboBox->setEditText(QStringLiteral("2"));
             f.CreationMaxCheckBox->setChecked(true);
             f.CreationMaxTimeComboBox->setEditText(QStringLiteral("7"));
         },
         false,
         "\"Creation minimum\" is bigger than \"Creation maximum\"."},
        {"sizes the wrong way round",
         [](TSearchFileForm &f) {
             f.SizeMinCheckBox->setChecked(true);
             f.SizeMinComboBox->setEditText(QStringLiteral("2.5"));
             f.SizeMaxCheckBox->setChecked(true);
             f.SizeMaxComboBox->setEditText(QStringLiteral("2"));
         },
         false,
         "\"Size from\" is bigger than \"Size up to\"."},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Name);
        TSearchFileForm form;
        form.NameFilterComboBox->setEditText(QStringLiteral("*"));
        c.Set(form);
        Boxes.Shown.clear();
        form.Do(false, c.Content);
        EXPECT_EQ(BoxTexts(), std::vector<std::string>{c.Message});
        EXPECT_EQ(form.InfoLabel->text(), QString());
        EXPECT_TRUE(form.NameFilterComboBox->isEnabled());
    }
}

TEST_F(SearchDialogTest, TheHistoryIsSearchedByTheWordsOfItsTitles)
{
    PathsHistory.AddPath("/home/ann/projects/", 0, false, false, 0, 0);
    PathsHistory.AddPath("/home/ann/music/", 0, false, false, 0, 0);
    PathsHistory.AddPath("/srv/projectsold/", 0, false, false, 0, 0);
    PathsHistory.AddPath("/home/projects/misc/", 0, false, false, 0, 0);
    FilesHistory.AddFile("/home/ann/projects.txt", false);
    Form.HistoryMode = true;
    Form.TextFilterComboBox->setEditText(QStringLiteral("projects"));
    Form.Do(false, false);
    std::vector<std::string> found;
    for (const TFoundItem &item : Form.FoundItems())
        found.push_back("(" + std::to_string(item.Rank) + ") " + item.Title +
                        (item.IsDirectory ? "/" : ""));
    // Newest first among equal ranks, the visited directories before the launched files.
    EXPECT_EQ(found,
              (std::vector<std::string>{"(200) /home/ann/projects/",
                                        "(200) /home/ann/projects.txt",
                                        "(150) /srv/projectsold/"}));
    ASSERT_EQ(Form.FoundItemsListBox->count(), 3);
    EXPECT_EQ(Form.FoundItemsListBox->item(0)->text(), QStringLiteral(" (200) /home/ann/projects"));
    EXPECT_TRUE(Form.FoundItemsListBox->item(0)->font().bold());
    EXPECT_FALSE(Form.FoundItemsListBox->item(1)->font().bold());
    EXPECT_EQ(Form.LookingInLabel->text(), QStringLiteral("Search complete."));
    EXPECT_TRUE(Form.PutInFoundContainerButton->isEnabled());
    // A drag from the list carries the files.
    QAbstractItemModel *model = Form.FoundItemsListBox->model();
    std::unique_ptr<QMimeData> dragged(model->mimeData({model->index(2, 0)}));
    ASSERT_TRUE(dragged && dragged->hasUrls());
    EXPECT_EQ(dragged->urls().value(0).toLocalFile(), QStringLiteral("/srv/projectsold"));
}

TEST_F(SearchDialogTest, SettingsComeBackFromTheOptions)
{
    Form.NearDetectionCheckBox->setChecked(true);
    Form.FilePartsComboBox->setCurrentText(QStringLiteral("Content"));
    Form.StemComboBox->setCurrentText(QStringLiteral("Word"));
    Form.ModifiedMinTimeComboBox->addItem(QStringLiteral("7"));
    Form.ModifiedMinTimeComboBox->setEditText(QStringLiteral("1/2/08"));
    TStoredTextList list;
    Form.WriteSettings(list);
    TSearchFileForm other;
    other.ReadSettings(list);
    EXPECT_TRUE(other.NearDetectionCheckBox->isChecked());
    EXPECT_TRUE(other.RecursiveCheckBox->isChecked());
    EXPECT_EQ(other.FilePartsComboBox->currentText(), QStringLiteral("Content"));
    EXPECT_EQ(other.StemComboBox->currentIndex(), 3);
    EXPECT_EQ(other.UseColumnForContainerComboBox->currentText(), QStringLiteral("3"));
    EXPECT_EQ(other.ModifiedMinTimeComboBox->currentText(), QStringLiteral("1/2/08"));
    ASSERT_EQ(other.ModifiedMinTimeComboBox->count(), 1);
    EXPECT_EQ(other.ModifiedMinTimeComboBox->itemText(0), QStringLiteral("7"));
    TSearchFileForm defaults;
    defaults.ReadSettings(TStoredTextList());
    EXPECT_EQ(defaults.FilePartsComboBox->currentText(), QStringLiteral("Name, text"));
    EXPECT_EQ(defaults.TimeMeasurementUnitComboBox->currentText(), QStringLiteral("days"));
}

// ---- The column's search ---------------------------------------------------------------------

class ColumnSearchTest : public SearchDialogTest
{
protected:
    void SetUp() override
    {
        SearchDialogTest::SetUp();
        SavedOptions = ProgramOptions;
        ProgramOptions.FirstRun = false;
        SetDefaultExtensionLists();
        UsePortableProgramFolder(Home.Path());
        MakeFiles(Dir, {{"a.txt", "a"}, {"b.txt", "b"}, {"c.md", "c"}, {"sub/d.txt", "d"}});
        Main = std::make_unique<TMainForm>();
        Main->resize(900, 600);
        Main->StartMainForm();
        Main->BusyCount = 0;
        Main->Initialised = true;
        Col().LoadDirectory(true, -1, -1, std::numeric_limits<int>::min(), -1, Dir / "a.txt");
        Main->ActiveColumnIndex = 0;
    }
    void TearDown() override
    {
        Main.reset();
        SetProgramDirectoryOverride("");
        ProgramOptions = SavedOptions;
        SearchDialogTest::TearDown();
    }
    TColumn &Col() { return *Main->Columns[0]; }
    // Runs the column's search; the person sets the controls and clicks once the dialog is up.
    void SearchWith(const std::function<void()> &person)
    {
        QTimer::singleShot(0, [&] {
            Form.NameFilterComboBox->setEditText(QStringLiteral("*.txt"));
            Form.ConsiderAllSelectedCheckBox->setChecked(true);
            person();
            if (Form.isVisible()) Form.reject();
        });
        Col().Com_Search();
    }
    TTempDir Dir, Home;
    TProgramOptions SavedOptions;
    std::unique_ptr<TMainForm> Main;
};

TEST_F(ColumnSearchTest, SearchNamesSelectSelectsTheFoundFilesInTheColumn)
{
    SearchWith([&] { Form.SearchNamesSelectButton->click(); });
    std::vector<std::string> selected;
    for (int i = 0; i < Col().FileList->Count(); ++i)
        if (Col().Item(i)->Selected) selected.push_back(ExtractName(Col().Item(i)->Title));
    EXPECT_EQ(selected, (std::vector<std::string>{"a.txt", "b.txt"}));
    EXPECT_EQ(Form.Action, saSelectFiles);
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{});
    EXPECT_EQ(Col().FileList->Count(), 4);
    EXPECT_TRUE(ShownErrors().empty());
}

TEST_F(ColumnSearchTest, PutInFoundContainerFillsTheContainerWithTheRanks)
{
    const int found = Main->Containers.FindFoundContainer();
    Main->Containers[found].AddItem("/old/item.txt", 5);
    SearchWith([&] {
        Form.SearchNamesButton->click();
        Form.PutInFoundContainerButton->click();
    });
    std::vector<std::string> titles = Main->Containers[found].Titles();
    std::sort(titles.begin(), titles.end());
    EXPECT_EQ(titles, (std::vector<std::string>{Dir / "a.txt", Dir / "b.txt", Dir / "sub/d.txt"}));
    EXPECT_EQ(Main->Containers[found].items[0].Data.rank, 1);
    bool shown = false;
    for (int i = 0; i < Main->VisibleColumnCount; ++i)
        shown |= Main->Columns[i]->ContainerIndex == found;
    EXPECT_TRUE(shown);
    EXPECT_TRUE(ShownErrors().empty());
}

TEST_F(ColumnSearchTest, DuplicatesOfAFileAreSearchedAtOnce)
{
    Dir.WriteFile("copy.txt", "a");
    Col().LoadDirectory(true, -1, -1, std::numeric_limits<int>::min(), -1, Dir / "b.txt");
    // The search runs by itself once the dialog is up; the person looks when it has ended.
    std::function<void()> person = [&] {
        if (Form.Searching || Form.LookingInLabel->text() != QStringLiteral("Search complete.")) {
            QTimer::singleShot(0, person);
            return;
        }
        EXPECT_EQ(Form.windowTitle(), QStringLiteral("Search duplicate files of \"a.txt\""));
        EXPECT_FALSE(Form.TextFilterComboBox->isEnabled());
        Form.PutInFoundContainerButton->click();
        if (Form.isVisible()) Form.reject();
    };
    QTimer::singleShot(0, person);
    Form.ConsiderAllSelectedCheckBox->setChecked(true);
    Col().Com_Search(Dir / "a.txt");
    const int found = Main->Containers.FindFoundContainer();
    EXPECT_EQ(Main->Containers[found].Titles(), std::vector<std::string>{Dir / "copy.txt"});
}

TEST_F(ColumnSearchTest, StopKeepsTheResultsAndCancelClosesWithoutOne)
{
    for (int i = 0; i < 50; ++i)
        Dir.WriteFile("many" + std::to_string(i) + ".txt", "m");
    SearchWith([&] {
        QMetaObject::invokeMethod(Form.StopButton, &QPushButton::click, Qt::QueuedConnection);
        Form.SearchNamesButton->click();
        // Stopped at the first candidate of 53.
        EXPECT_LE(Form.FoundItems().size(), 1u);
        EXPECT_EQ(Form.LookingInLabel->text(), QStringLiteral("Search complete."));
        EXPECT_TRUE(Form.isVisible());
    });
    const int found = Main->Containers.FindFoundContainer();
    Main->Containers[found].Clear();
    SearchWith([&] {
        QMetaObject::invokeMethod(Form.CancelButton, &QPushButton::click, Qt::QueuedConnection);
        Form.SearchNamesButton->click();
        EXPECT_FALSE(Form.isVisible());
    });
    EXPECT_EQ(Form.Action, saNone);
    EXPECT_EQ(Main->Containers[found].ItemCount(), 0);
    EXPECT_TRUE(ShownErrors().empty());
}

TEST_F(ColumnSearchTest, EachActionOfTheFoundListReachesTheColumn)
{
    struct TCase
    {
        const char *Name;
        const char *Filter;
        bool Switched;
        std::function<void(TSearchFileForm &)> Act;
        int Action;
        std::string ActiveTitle; // of the column afterwards; empty: not checked
    };
    const TCase cases[] = {
        {"Enter on a directory enters it",
         "sub",
         false,
         [](TSearchFileForm &f) { QTest::keyClick(f.FoundItemsListBox, Qt::Key_Return); },
         saEnterDirectory,
         Dir / "sub/d.txt"},
        {"Ctrl+click on a file focuses it",
         "d.txt",
         false,
         [](TSearchFileForm &f) { f.UserAction(0, false, true); },
         saFocusFile,
         Dir / "sub/d.txt"},
        {"switched, a double click focuses",
         "d.txt",
         true,
         [](TSearchFileForm &f) { f.UserAction(0, true, false); },
         saFocusFile,
         Dir / "sub/d.txt"},
        {"Shift+3 puts the files in the third container, keeping its items",
         "*.txt",
         false,
         [](TSearchFileForm &f) {
             QTest::keyClick(f.FoundItemsListBox, Qt::Key_3, Qt::ShiftModifier);
         },
         saPutInContainer,
         ""},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Name);
        Col().LoadDirectory(true, -1, -1, std::numeric_limits<int>::min(), -1, Dir / "a.txt");
        Main->Containers[2].Clear();
        Main->Containers[2].AddItem("/kept/item.txt", 0);
        SearchWith([&] {
            Form.NameFilterComboBox->setEditText(QString::fromUtf8(c.Filter));
            Form.SwitchMouseOperationsCheckBox->setChecked(c.Switched);
            Form.SearchNamesButton->click();
            Form.FoundItemsListBox->setCurrentRow(0);
            c.Act(Form);
        });
        EXPECT_EQ(Form.Action, c.Action);
        if (!c.ActiveTitle.empty()) {
            EXPECT_EQ(Col().ActiveTitle, c.ActiveTitle);
        }
    }
    EXPECT_EQ(Main->Containers[2].ItemCount(), 4); // the kept item and the three found files
    EXPECT_TRUE(ShownErrors().empty());
}

TEST_F(ColumnSearchTest, SearchInHomeShowsTheSearchBoardAndSearchesItsColumn)
{
    const int board = Main->Boards.FindSearchBoard();
    ASSERT_GE(board, 0);
    ASSERT_NE(Main->Boards.ActiveBoard, board);
    bool opened = false;
    QTimer::singleShot(0, [&] {
        opened = Form.isVisible();
        Form.reject();
    });
    Main->SearchFile(1);
    EXPECT_TRUE(opened);
    EXPECT_EQ(Main->Boards.ActiveBoard, board);
    EXPECT_EQ(Main->ActiveColumnIndex, 1);
    EXPECT_TRUE(ShownErrors().empty());
}
