// Column item drawing and the information bars, on real files, attributes, links and widgets.
#include "app/Column.h"

#include "Libraries/File.h"
#include "Libraries/MyTime.h"
#include "Libraries/Program.h"
#include "app/MainDialog.h"
#include "app/OptionsDialog.h"
#include "app/SkinDialog.h"
#include "platform/Xattr.h"
#include "tests/support/TestSupport.h"

#include <QApplication>
#include <QCoreApplication>
#include <QCursor>
#include <QImage>
#include <QPainter>
#include <QPixmap>

#include <filesystem>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr std::time_t FixtureTime = 1600000000;
const std::string Mark = "\xC2\xBB "; // the directory mark

// Where a reviewer finds the pictures a test grabbed.
std::string PicturePath(const std::string &name)
{
    return (fs::current_path() / ("ColumnDrawing-" + name + ".png")).string();
}

// The thumbnail painter calls a test sees.
struct TThumbnailCall
{
    std::string Title;
    QRect Picture, Caption;
};
std::vector<TThumbnailCall> ThumbnailCalls;

void RecordThumbnail(const std::string &title,
                     MyTPanel &,
                     const QRect &picture,
                     const QRect &caption,
                     QPainter &,
                     std::int64_t,
                     std::int64_t)
{
    ThumbnailCalls.push_back({title, picture, caption});
}

// Situation letters: T a type field of 28 pixels, X the extension in it, P a container column
// with paths, E a list showing none, S selected, M missing, H hot, U hot items underlined.
// Style letters: B bold, I italic, U underlined, K struck out.
bool Has(const char *letters, char letter)
{
    return std::string(letters).find(letter) != std::string::npos;
}

} // namespace

class ColumnDrawingTest : public TStatusTest
{
protected:
    void SetUp() override
    {
        TStatusTest::SetUp();
        Saved = ProgramOptions;
        SavedSkin = SkinOptions;
        SetDefaultExtensionLists();
        // A first run opens the wizard, modally, when the window is first activated.
        ProgramOptions.FirstRun = false;
        MainWindow = std::make_unique<TMainForm>();
        MainWindow->resize(1000, 700);
        MainWindow->BusyCount = 0;
        MainWindow->Initialised = true;
        MainWindow->Reset(false);
    }
    void TearDown() override
    {
        MainWindow.reset();
        ProgramOptions = Saved;
        SkinOptions = SavedSkin;
        PaintThumbnail = nullptr;
        ThumbnailCalls.clear();
        TStatusTest::TearDown();
    }
    TColumn &Column(int i = 0) { return *MainWindow->Columns[i]; }
    void Touch(const std::string &name, std::size_t size = 0) const
    {
        Dir.WriteFile(name, std::string(size, 'x'));
        const timeval times[2] = {{FixtureTime, 0}, {FixtureTime, 0}};
        ::utimes((Dir / name).c_str(), times);
    }
    void Load(const std::string &focused, int column = 0)
    {
        Column(column).LoadDirectory(
            true, -1, -1, std::numeric_limits<int>::min(), -1, Dir / focused);
    }
    int IndexOf(const std::string &name) { return Column().IndexOfName(name); }
    std::string Field(int bar, int field) const
    {
        return MainWindow->InfoFields[bar][static_cast<std::size_t>(field)]->CaptionUp;
    }
    std::string Hint(int bar, int field) const
    {
        return MainWindow->InfoFields[bar][static_cast<std::size_t>(field)]->Hint;
    }
    // The list painted item by item into a picture of its size, as its paint event does.
    QImage PaintList(QRgb under = qRgb(255, 0, 255), bool nameLineOnly = false)
    {
        MyTPanel &list = *Column().FileList;
        QImage image(list.size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(under);
        QPainter painter(&image);
        for (int i = list.TopIndex; i <= list.LastVisibleIndex(); ++i)
            Column().DrawAnItem(&painter, i, nameLineOnly, false);
        return image;
    }
    int LineHeight() { return Column().FileList->TextHeight() + ProgramOptions.ItemsExtraHeight; }
    void SetTypeField(bool shown, bool withExtension)
    {
        ProgramOptions.ShowFileType = shown;
        ProgramOptions.ShowExtInType = withExtension;
    }

    TTempDir Dir;
    TProgramOptions Saved;
    TSkinOptions SavedSkin;
    std::unique_ptr<TMainForm> MainWindow;
};

TEST_F(ColumnDrawingTest, TypeFieldWidths)
{
    struct TCase
    {
        bool ShowFileType, ShowExtInType;
        int FileTypeWidth;
        bool Simulate;
        int SimulateWidth;
        bool ForHitTest;
        int Expected; // for a name line of 18 pixels: (18 + 1) x percent / 100, truncated
    };
    const TCase cases[] = {
        {true, true, 150, true, 120, false, 28},
        {true, true, 150, true, 120, true, 28},
        {true, false, 150, true, 120, false, 19}, // capped at 100 percent
        {true, false, 101, true, 120, false, 19},
        {true, false, 100, true, 120, false, 19},
        {true, false, 99, true, 120, false, 18},
        {true, true, 99, true, 120, false, 18},
        {false, false, 150, true, 120, true, 22}, // the simulated zone, for the mouse only
        {false, false, 150, true, 120, false, 0},
        {false, true, 150, false, 120, true, 0},
        {false, false, 150, true, 0, true, 0},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(std::to_string(c.Expected) + (c.ForHitTest ? " hit test" : ""));
        SetTypeField(c.ShowFileType, c.ShowExtInType);
        ProgramOptions.FileTypeWidth = c.FileTypeWidth;
        ProgramOptions.SimulateFileType = c.Simulate;
        ProgramOptions.SimulateFileTypeWidth = c.SimulateWidth;
        EXPECT_EQ(TypeFieldWidth(18, c.ForHitTest), c.Expected);
        EXPECT_EQ(Column().GetTypeFieldWidth(c.ForHitTest),
                  TypeFieldWidth(LineHeight(), c.ForHitTest));
    }
}

TEST_F(ColumnDrawingTest, NameTextsAndStyles)
{
    const std::string root = ":/";
    const std::string suffix = GetPartitionSuffix(root);
    struct TCase
    {
        std::string Title;
        int Kind;
        int Rank;
        const char *Situation;
        std::string TypeText, Name;
        const char *Style;
    };
    const TCase cases[] = {
        {"/d/Report.TXT", ikDocument, 0, "TX", ".txt", "Report", ""},
        {"/d/Report.TXT", ikDocument, 0, "T", "", "Report.TXT", ""}, // an ellipse
        {"/d/README", ikGeneric, 0, "TX", "", "README", ""},
        {"/d/Photos", ikDirectory, 0, "", "", Mark + "Photos", ""},
        {"/d/Photos.old", ikDirectory, 0, "TX", Mark, "Photos.old", ""},
        {"/d/notes.txt", ikDocument, 3, "", "", "3 - notes.txt", ""},
        {"/d/notes.txt", ikDocument, 2, "", "", "2 - notes.txt", ""},
        {"/d/notes.txt", ikDocument, 1, "", "", "notes.txt", ""},
        {"/d/e/Report.TXT", ikDocument, 0, "TXP", ".txt", "/d/e/Report", ""},
        {"/gone/a.bin", ikGeneric, 0, "PM", "", "/gone/a.bin", "K"},
        {root, ikDirectory, 0, "TX", Mark, "/" + suffix, ""},
        {root, ikDirectory, 0, "", "", Mark + "/" + suffix, ""},
        {"/d/a.bin", ikGeneric, 0, "S", "", "a.bin", "BI"},
        {"/d/a.bin", ikGeneric, 0, "SH", "", "a.bin", "BI"},
        {"/d/a.bin", ikGeneric, 0, "SHU", "", "a.bin", "BIU"},
        {"/d/a.bin", ikGeneric, 0, "H", "", "a.bin", "B"},
        {"/d/a.bin", ikGeneric, 0, "HU", "", "a.bin", "U"},
        {"", ikGeneric, 0, "TXE", "", "", ""},
    };
    ProgramOptions.HotTrackColumnItems = true;
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Title + " " + c.Situation);
        SetTypeField(Has(c.Situation, 'T'), Has(c.Situation, 'X'));
        ProgramOptions.UnderlineHotTrackItems = Has(c.Situation, 'U');
        TFileListData item;
        item.Title = c.Title;
        item.Kind = c.Kind;
        item.Rank = c.Rank;
        item.Selected = Has(c.Situation, 'S');
        item.Exists = !Has(c.Situation, 'M');
        const TItemLook look = ItemLook(item,
                                        Has(c.Situation, 'E'),
                                        Has(c.Situation, 'T') ? 28 : 0,
                                        Has(c.Situation, 'P'),
                                        Has(c.Situation, 'H'));
        EXPECT_EQ(look.TypeText, c.TypeText);
        EXPECT_EQ(look.NameText, c.Name);
        EXPECT_EQ(look.Bold, Has(c.Style, 'B'));
        EXPECT_EQ(look.Italic, Has(c.Style, 'I'));
        EXPECT_EQ(look.Underline, Has(c.Style, 'U'));
        EXPECT_EQ(look.StrikeOut, Has(c.Style, 'K'));
    }
    // Without hot-tracking a hot item keeps its style.
    ProgramOptions.HotTrackColumnItems = false;
    TFileListData item;
    item.Title = "/d/a.bin";
    EXPECT_FALSE(ItemLook(item, false, 0, false, true).Bold);
}

TEST_F(ColumnDrawingTest, TypeFieldIsPaintedInTheKindColour)
{
    fs::create_directory(Dir / "Photos");
    Touch("Report.TXT", 10);
    Touch("data.bin", 20);
    Load("data.bin");
    SkinOptions.DirsBackColor = 0x0000C000;  // green
    SkinOptions.DocsBackColor = 0x00C00000;  // blue
    SkinOptions.FilesBackColor = 0x000000C0; // red
    const int h = LineHeight();
    struct TCase
    {
        bool WithExtension;
        const char *Name;
        TColor Colour;
    };
    const TCase cases[] = {{false, "Photos", 0x0000C000},
                           {false, "Report.TXT", 0x00C00000},
                           {false, "data.bin", 0x000000C0},
                           {true, "Photos", 0x0000C000},
                           {true, "Report.TXT", 0x00C00000}};
    for (const TCase &c : cases) {
        SCOPED_TRACE(std::string(c.Name) + (c.WithExtension ? " with extension" : ""));
        SetTypeField(true, c.WithExtension);
        const int typeWidth = Column().GetTypeFieldWidth(false);
        const QImage image = PaintList();
        const QRect item = Column().FileList->ItemRect(IndexOf(c.Name));
        // Inside the ellipse's centre, or at the rounded box's left edge (left of its text).
        const int x = c.WithExtension ? 2 : (1 + typeWidth) / 2;
        EXPECT_EQ(image.pixel(item.left() + x, item.top() + h / 2), ColorOf(c.Colour).rgb());
    }
    SetTypeField(false, false);
    const QImage image = PaintList();
    const QRect item = Column().FileList->ItemRect(IndexOf("Photos"));
    EXPECT_EQ(image.pixel(item.left() + 2, item.top() + h / 2),
              ColorOf(SkinOptions.WindowBackColor).rgb());
}

TEST_F(ColumnDrawingTest, NameLineOnlyLeavesTheThumbnailAreaAlone)
{
    Touch("a.png", 10);
    Touch("b.png", 20);
    Load("a.png");
    Column().Thumb = true;
    Column().UpdateItemHeight();
    PaintThumbnail = &RecordThumbnail;
    const int h = LineHeight();
    const QRect item = Column().FileList->ItemRect(1);
    ASSERT_GT(item.height(), 3 * (h + 1));

    QImage image = PaintList(qRgb(255, 0, 255), true);
    EXPECT_TRUE(ThumbnailCalls.empty());
    const QPoint inThumbnail(item.left() + item.width() / 2, item.top() + item.height() - 3);
    const QPoint inNameLine(item.left() + item.width() - 3, item.top() + h / 2);
    EXPECT_EQ(image.pixel(inThumbnail), qRgb(255, 0, 255));
    EXPECT_NE(image.pixel(inNameLine), qRgb(255, 0, 255));

    image = PaintList();
    ASSERT_EQ(ThumbnailCalls.size(), 2u);
    EXPECT_EQ(ThumbnailCalls[1].Title, Dir / "b.png");
    EXPECT_EQ(ThumbnailCalls[1].Picture,
              QRect(1, 2 * (h + 1), item.width() - 2, item.height() - 1 - 2 * (h + 1)));
    const int margin = ProgramOptions.ItemsExtraHeight / 2;
    EXPECT_EQ(ThumbnailCalls[1].Caption,
              QRect(5, h + 1 + margin, item.width() - 10, h + 1 - 2 * margin));
    EXPECT_NE(image.pixel(inThumbnail), qRgb(255, 0, 255));

    // A column of directories only has no total size: no thumbnails are asked for.
    ThumbnailCalls.clear();
    Column().TotalSize = 0;
    PaintList();
    EXPECT_TRUE(ThumbnailCalls.empty());
}

TEST_F(ColumnDrawingTest, ShowInfoOnRealFiles)
{
    fs::create_directory(Dir / "sub");
    Touch("a.txt", 10);
    ASSERT_TRUE(Platform::WriteUserAttribute(Dir / "a.txt", "Description", "a\nb"));
    ::link((Dir / "a.txt").c_str(), (Dir / "twin.txt").c_str());
    Touch("b.bin", 20);
    ::chmod((Dir / "b.bin").c_str(), 0444);
    ProgramOptions.ShowReferenceInfo = true;
    Load("a.txt");
    ASSERT_EQ(IndexOf("a.txt"), 1); // sub, a.txt, twin.txt, b.bin
    Column().SetActiveFocus();

    const std::string modified = DateTimeText("; ", ConvertFileTime(RawFileTime(FixtureTime, 0)));
    struct TCase
    {
        int Bar, Field;
        std::string Text;
    };
    const TCase cases[] = {
        {0, 0, "Files 4"},
        {0, 1, "Encrypted 0"},
        {0, 2, "SelNum 0"},
        {0, 3, "SelSz 0 B"},
        {0, 4, "TotalSz 40 B"},
        {1, 0, "Index 2"},
        {1, 1, "Sz 10 B (3 B)"},
        {1, 2, "Attr none"},
        {1, 3, "HL 2"},
        {1, 4, "SC 1"},
        {1, 5, "Title \"" + (Dir / "a.txt") + "\""},
        {1, 6, "Mod " + modified},
        {2, 0, "Desc \"a b\""},
        {3, 3, "Not a link"},
        {3, 0, ""},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Text);
        EXPECT_EQ(Field(c.Bar, c.Field), c.Text);
    }
    EXPECT_EQ(Field(0, 5).rfind("PartSz ", 0), 0u);
    EXPECT_EQ(Field(0, 6).rfind("PartAttr ", 0), 0u);
    EXPECT_EQ(Hint(1, 1),
              "Active file (information is extracted every time the active file is set). Size of "
              "main stream (size of all secondary streams); sometimes you might see a directory "
              "with a no null size, on CDs: Sz 10 B (3 B)");
    const std::string files = Hint(0, 0);
    EXPECT_EQ(files.substr(files.find("Files 4")),
              "Files 4 (Directories 1; Links 0; Programs 0; Documents 2; Generic 1)");
    EXPECT_EQ(Hint(1, 5),
              "Active file (information is extracted every time the active file is set). "
              "Title: " +
                  Field(1, 5) + " \x7F  \x7F " + Hint(2, 0));
    EXPECT_EQ(ProgramWorkingPath(), Dir.Path() + "/");
    EXPECT_EQ(FunStatContext.status, fsPerfect);

    Column().FocusIndex(IndexOf("b.bin"));
    Column().ShowInfo();
    EXPECT_EQ(Field(1, 2), "Attr R");
    EXPECT_EQ(Field(1, 4), "SC 0");
    EXPECT_EQ(Field(2, 0), "Desc \"\"");
    EXPECT_EQ(Hint(1, 5),
              "Active file (information is extracted every time the active file is set). "
              "Title: " +
                  Field(1, 5));

    // A file gone since the listing: "?" where its facts would be.
    fs::remove(Dir / "twin.txt");
    Column().FocusIndex(IndexOf("twin.txt"));
    Column().ShowInfo();
    EXPECT_EQ(Field(1, 1), "Sz ?");
    EXPECT_EQ(Field(1, 2), "Attr ?");
    EXPECT_EQ(Field(3, 3), "Not a link");
    EXPECT_EQ(FunStatContext.status, fsPerfect);
}

TEST_F(ColumnDrawingTest, ReferenceBar)
{
    Touch("a.txt", 10);
    ASSERT_TRUE(Platform::WriteUserAttribute(Dir / "a.txt", "Description", "target\r\ntext"));
    Touch("build.sh", 5);
    ::chmod((Dir / "build.sh").c_str(), 0755);
    fs::create_symlink(Dir / "a.txt", Dir / "latest");
    Dir.WriteFile("tool.desktop",
                  "[Desktop Entry]\nType=Application\nName=Tool\nExec=" + (Dir / "build.sh") +
                      " --fast\nPath=" + Dir.Path() + "\n");
    Dir.WriteFile("broken.desktop", "garbage");
    ProgramOptions.ShowReferenceInfo = true;
    Load("a.txt");
    const std::string modified = DateTimeText("; ", ConvertFileTime(RawFileTime(FixtureTime, 0)));
    struct TCase
    {
        const char *Name;
        std::string Type, Size, Attributes, Title, Modified, Parameters, Work;
    };
    const TCase cases[] = {
        {"latest",
         "Type T",
         "Sz 10 B (12 B)",
         "Attr none",
         "Title \"" + (Dir / "a.txt") + "\"",
         "Mod " + modified,
         "Param none",
         "Work none"},
        {"tool.desktop",
         "Type P",
         "Sz 5 B (0 B)",
         "Attr none",
         "Title \"" + (Dir / "build.sh") + "\"",
         "Mod " + modified,
         "Param --fast",
         "Work " + Dir.Path()},
        {"broken.desktop", "", "", "", "Error loading link information", "", "", ""},
        {"a.txt", "", "", "", "Not a link", "", "", ""},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Name);
        Column().FocusIndex(IndexOf(c.Name));
        Column().ShowInfo();
        EXPECT_EQ(Field(3, 0), c.Type);
        EXPECT_EQ(Field(3, 1), c.Size);
        EXPECT_EQ(Field(3, 2), c.Attributes);
        EXPECT_EQ(Field(3, 3), c.Title);
        EXPECT_EQ(Field(3, 4), c.Modified);
        EXPECT_EQ(Field(3, 5), c.Parameters);
        EXPECT_EQ(Field(3, 6), c.Work);
        EXPECT_EQ(FunStatContext.status, fsPerfect);
    }
    // The desktop entry has no description of its own: its target's is shown, marked as such.
    Column().FocusIndex(IndexOf("tool.desktop"));
    Column().ShowInfo();
    EXPECT_EQ(Field(2, 0), "Desc \"\"");
    ASSERT_TRUE(Platform::WriteUserAttribute(Dir / "build.sh", "Description", "builds"));
    Column().ShowInfo();
    EXPECT_EQ(Field(2, 0), "Desc \"builds\"");
    EXPECT_NE(Hint(1, 5).find(" \x7F LINK TARGET \x7F "), std::string::npos);
}

TEST_F(ColumnDrawingTest, ActiveFocusPaintRefreshesTheBars)
{
    Touch("a.txt", 10);
    Touch("b.txt", 20);
    Load("b.txt");
    MainWindow->show();
    MainWindow->activateWindow();
    MainWindow->FocusColumn(0, true);
    QCoreApplication::processEvents();
    if (!Column().FileList->hasFocus()) GTEST_SKIP() << "the platform gives no keyboard focus";
    Column().FocusIndex(IndexOf("a.txt"));
    Column().ActiveTitle = Dir / "b.txt";
    PaintList();
    EXPECT_EQ(Column().ActiveTitle, Dir / "a.txt");
    EXPECT_EQ(Field(1, 5), "Title \"" + (Dir / "a.txt") + "\"");
    EXPECT_EQ(Field(1, 0), "Index 1");
}

TEST_F(ColumnDrawingTest, HotItemIsRecordedWhenPaintedUnderTheMouse)
{
    Touch("a.txt", 10);
    Touch("b.txt", 20);
    Load("a.txt");
    MainWindow->show();
    QCoreApplication::processEvents();
    MyTPanel &list = *Column().FileList;
    const QRect item = list.ItemRect(1);
    QCursor::setPos(list.mapToGlobal(item.center()));
    if (list.ItemUnderMouse() != 1) GTEST_SKIP() << "the platform does not move the mouse";
    ProgramOptions.HotTrackColumnItems = true;
    ProgramOptions.FileHoverActive = true;
    PaintList();
    EXPECT_EQ(MainWindow->HotItem, (TColumnItem{0, 1}));
    EXPECT_EQ(MainWindow->HoverItem, (TColumnItem{0, 1}));
    EXPECT_TRUE(MainWindow->HotItemPainted);

    // The mouse left it: the mark is cleared and the hover window closed.
    int closed = 0;
    MainWindow->OnCloseFileHover = [&] { ++closed; };
    QCursor::setPos(list.mapToGlobal(QPoint(-50, -50)));
    PaintList();
    EXPECT_FALSE(MainWindow->HotItemPainted);
    EXPECT_EQ(closed, 1);
}

TEST_F(ColumnDrawingTest, NameThatIsNotUtf8)
{
    const std::string name = "bad\xFF\xFE name.txt";
    Touch(name, 4);
    Touch("good.txt", 4);
    SetTypeField(true, true);
    Load(name);
    const int index = IndexOf(name);
    ASSERT_GE(index, 0);
    EXPECT_EQ(Column().Item(index)->Title, Dir / name);
    const TItemLook look = ItemLook(*Column().Item(index), false, 28, false, false);
    EXPECT_EQ(look.NameText, "bad\xFF\xFE name");
    EXPECT_TRUE(QString::fromStdString(look.NameText).contains(QChar(0xFFFD)));
    const QImage image = PaintList();
    EXPECT_FALSE(image.isNull());
    Column().SetActiveFocus();
    EXPECT_EQ(Field(1, 5), "Title \"" + (Dir / name) + "\"");
    EXPECT_EQ(Column().Item(index)->Title, Dir / name);
}

TEST_F(ColumnDrawingTest, WindowScreenshot)
{
    fs::create_directory(Dir / "Photos");
    fs::create_directory(Dir / "Projects");
    Touch("Report.TXT", 2400);
    Touch("notes.pdf", 182000);
    Touch("build.sh", 300);
    ::chmod((Dir / "build.sh").c_str(), 0755);
    Touch("data.bin", 5000000);
    Touch("archive.xyz", 77);
    Touch("README", 1200);
    fs::create_symlink(Dir / "Projects", Dir / "latest");
    Dir.WriteFile("tool.desktop",
                  "[Desktop Entry]\nType=Application\nName=Tool\nExec=" + (Dir / "build.sh") +
                      " --fast\n");
    ASSERT_TRUE(
        Platform::WriteUserAttribute(Dir / "Report.TXT", "Description", "Quarterly\nfigures"));
    ProgramOptions.ShowColumnInfo = true;
    ProgramOptions.ShowFileInfo = true;
    ProgramOptions.ShowFileDesc = true;
    ProgramOptions.ShowReferenceInfo = true;
    MainWindow->Reset(false);
    MainWindow->show();

    struct TShot
    {
        const char *Name;
        bool TypeField, WithExtension, Grid;
    };
    const TShot shots[] = {{"window", false, false, false},
                           {"window-types", true, true, true},
                           {"window-ellipses", true, false, false}};
    for (const TShot &shot : shots) {
        SCOPED_TRACE(shot.Name);
        SetTypeField(shot.TypeField, shot.WithExtension);
        ProgramOptions.ShowGrid = shot.Grid;
        Load("Report.TXT", 0);
        Load("data.bin", 1);
        const int selected = Column(0).IndexOfName("notes.pdf");
        ASSERT_GE(selected, 0);
        Column(0).Item(selected)->Selected = true;
        Column(0).SelectedCount = 1;
        Column(0).SelectedSize = Column(0).Item(selected)->Size;
        MainWindow->activateWindow();
        MainWindow->FocusColumn(0, true);
        QCoreApplication::processEvents();
        const QImage picture = MainWindow->grab().toImage();
        ASSERT_TRUE(picture.save(QString::fromStdString(PicturePath(shot.Name)), "PNG"));
        EXPECT_EQ(Field(1, 5), "Title \"" + (Dir / "Report.TXT") + "\"");
        EXPECT_EQ(Field(2, 0), "Desc \"Quarterly figures\"");
    }
}
