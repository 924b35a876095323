// The hover window: its geometry and placement, the rules that open and close it, its lines,
// and the viewer commands of the main window.
#include "app/FileHoverDialog.h"

#include "Libraries/File.h"
#include "Libraries/MyMath.h"
#include "Libraries/PictureCache.h"
#include "Libraries/Program.h"
#include "app/FileViewer.h"
#include "app/MainDialog.h"
#include "app/OptionsDialog.h"
#include "app/SkinDialog.h"
#include "tests/support/TestSupport.h"

#include <QApplication>
#include <QBuffer>
#include <QCursor>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <limits>

namespace {

constexpr int LineHeight = 20;

THoverGeometry
Geometry(bool thumbnail, bool video, bool audio, bool directory, int anchorX, int anchorY)
{
    // Generic width 200, movie 250 x 8 lines, picture 260 x 6 lines.
    return HoverGeometry(
        thumbnail, video, audio, directory, LineHeight, 14, anchorX, anchorY, 200, 8, 250, 6, 260);
}

} // namespace

TEST(FileHoverGeometryTest, SizesAndPlacement)
{
    struct TCase
    {
        const char *Name;
        bool Thumbnail, Video, Audio, Directory;
        int AnchorX, AnchorY;
        int Left, Top, Width, Height;
    };
    const std::vector<TCase> cases = {
        // Five lines of 20 and 2: a generic file, left of the item, ending at its first line.
        {"file", false, false, false, false, 500, 400, 300, 298, 200, 102},
        // A directory has no size line: one line height shorter.
        {"directory", false, false, false, true, 500, 400, 300, 318, 200, 82},
        // A thumbnail: the information line and 6 rows over the header.
        {"picture", true, false, false, false, 500, 400, 240, 158, 260, 242},
        {"video", false, true, false, false, 500, 400, 250, 118, 250, 282},
        // Audio: an information line, no rows.
        {"audio", false, false, true, false, 500, 400, 300, 278, 200, 122},
        // Near the left edge: to the right of the item, five line heights from its left.
        {"left edge", false, false, false, false, 150, 400, 250, 298, 200, 102},
        // Near the top edge: at the top of the screen.
        {"top edge", false, false, false, false, 500, 60, 300, 0, 200, 102},
        {"corner", true, false, false, false, 10, 10, 110, 0, 260, 242},
        // Exactly the width and the height still fit.
        {"exact", false, false, false, false, 200, 102, 0, 0, 200, 102},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Name);
        const THoverGeometry g =
            Geometry(c.Thumbnail, c.Video, c.Audio, c.Directory, c.AnchorX, c.AnchorY);
        EXPECT_EQ(g.Left, c.Left);
        EXPECT_EQ(g.Top, c.Top);
        EXPECT_EQ(g.Width, c.Width);
        EXPECT_EQ(g.Height, c.Height);
    }
    const THoverGeometry picture = Geometry(true, false, false, false, 500, 400);
    // d = (20 - 14) / 2 = 3.
    EXPECT_EQ(picture.InfoRect, QRect(QPoint(5, 4), QPoint(255, 18)));
    EXPECT_EQ(picture.DisplayRect, QRect(QPoint(5, 21), QPoint(255, 140)));
}

TEST(FileHoverOpeningTest, EveryConditionInItsOrder)
{
    struct TCase
    {
        const char *Name;
        bool Differs, Shown, Button, Delay, Active, OverType;
        bool Opens;
        bool DelayAsked;
    };
    const std::vector<TCase> cases = {
        {"all hold", true, false, false, true, true, true, true, true},
        {"same item as last time", false, false, false, true, true, true, false, false},
        {"already shown", true, true, false, true, true, true, false, false},
        {"a mouse button held", true, false, true, true, true, true, false, false},
        {"delay not over", true, false, false, false, true, true, false, true},
        {"another window active", true, false, false, true, false, true, false, true},
        {"mouse on the name part", true, false, false, true, true, false, false, true},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Name);
        bool delayAsked = false;
        THoverFacts facts;
        facts.HoverDiffersFromHot = c.Differs;
        facts.WindowShown = c.Shown;
        facts.MouseButtonHeld = c.Button;
        facts.DelayPassed = [&] {
            delayAsked = true;
            return c.Delay;
        };
        facts.MainWindowActive = c.Active;
        facts.MouseOverHotType = [&] { return c.OverType; };
        EXPECT_EQ(HoverOpens(facts), c.Opens);
        // The delay restarts its watch, so it is asked only after the earlier conditions.
        EXPECT_EQ(delayAsked, c.DelayAsked);
    }
}

TEST(FileHoverOpeningTest, MovingAwayBySensitivity)
{
    const QPoint start(100, 100);
    EXPECT_FALSE(HoverMovedAway(start, QPoint(110, 90), 10));
    EXPECT_TRUE(HoverMovedAway(start, QPoint(111, 100), 10));
    EXPECT_TRUE(HoverMovedAway(start, QPoint(100, 89), 10));
    EXPECT_TRUE(HoverMovedAway(start, QPoint(89, 100), 10));
    EXPECT_FALSE(HoverMovedAway(start, QPoint(100, 110), 10));
}

class FileHoverDialogTest : public TStatusTest
{
protected:
    void SetUp() override
    {
        TStatusTest::SetUp();
        SetDefaultExtensionLists();
        Saved = ProgramOptions;
        UsePortableProgramFolder(Home.Path());
        if (const char *cache = std::getenv("XDG_CACHE_HOME")) SavedCache = cache;
        ::setenv("XDG_CACHE_HOME", (Home / "cache").c_str(), 1);
        ProgramOptions.FirstRun = false;
        Form = std::make_unique<TMainForm>();
        Form->resize(1000, 700);
        Form->StartMainForm();
        Form->CreateViewers();
        PictureCache.Clear();
    }
    void TearDown() override
    {
        Form.reset();
        PictureCache.Clear();
        ProgramOptions = Saved;
        SetProgramDirectoryOverride("");
        if (SavedCache.empty())
            ::unsetenv("XDG_CACHE_HOME");
        else
            ::setenv("XDG_CACHE_HOME", SavedCache.c_str(), 1);
        TStatusTest::TearDown();
    }
    void Show(const TFileListData &item, int anchorX = 600, int anchorY = 400)
    {
        FileHoverForm->Display(true,
                               false,
                               item.Kind == ikDirectory,
                               item.Created,
                               item.Modified,
                               item.Size,
                               item.Title,
                               anchorY,
                               anchorX,
                               SkinOptions.GridColor,
                               SkinOptions.MouseMenuTextColor,
                               SkinOptions.MouseMenuBackColor,
                               18,
                               9,
                               "DejaVu Sans",
                               300,
                               8,
                               250,
                               8,
                               260);
    }
    const TFileListData *ItemNamed(TColumn &column, const std::string &name)
    {
        for (int i = 0; i < column.FileList->Count(); ++i)
            if (column.Item(i) && ExtractName(column.Item(i)->Title) == name) return column.Item(i);
        return nullptr;
    }

    TTempDir Home, Dir;
    TProgramOptions Saved;
    std::string SavedCache;
    std::unique_ptr<TMainForm> Form;
};

TEST_F(FileHoverDialogTest, LinesOfAFileAndADirectory)
{
    QImage picture(320, 200, QImage::Format_RGB32);
    picture.fill(qRgb(30, 90, 160));
    {
        QPainter painter(&picture);
        painter.setBrush(QColor(240, 200, 40));
        painter.drawEllipse(200, 40, 80, 80);
    }
    picture.save(QString::fromStdString(Dir / "sunset.png"), "PNG");
    std::filesystem::create_directories(Dir / "sub");
    TColumn &column = *Form->Columns[0];
    column.LoadDirectory(true, -1, -1, std::numeric_limits<int>::min(), -1, Dir / "sunset.png");
    const TFileListData *file = ItemNamed(column, "sunset.png");
    const TFileListData *directory = ItemNamed(column, "sub");
    ASSERT_TRUE(file && directory) << column.FileList->Count() << " " << column.ActiveTitle << " "
                                   << (column.Item(0) ? column.Item(0)->Title : std::string());

    Show(*file);
    TFileHoverForm &hover = *FileHoverForm;
    EXPECT_TRUE(hover.Shown);
    EXPECT_TRUE(hover.ThumbnailMode);
    const std::vector<std::string> lines = hover.HeaderLines();
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], "Name \"sunset.png\"");
    EXPECT_EQ(lines[1], "Path \"" + Dir.Path() + "\"");
    EXPECT_EQ(lines[2],
              "Size " + FileSizeText(6, 0, file->Size) + " (" + GroupedIntText(file->Size) +
                  " bytes)");
    EXPECT_TRUE(lines[3].starts_with("Created "));
    EXPECT_TRUE(lines[4].starts_with("Modified "));
    const int fileHeight = hover.height();
    // The popup never takes the focus.
    EXPECT_TRUE(hover.testAttribute(Qt::WA_ShowWithoutActivating));
    EXPECT_TRUE(hover.windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus));
    EXPECT_FALSE(hover.isActiveWindow());

    // The hover window over its item in the main window, written for review: anchored at the
    // bottom-left corner of the item's first line, as the hover logic places it.
    Form->show();
    const MyTPanel *list = column.FileList;
    int index = 0;
    while (column.Item(index) != file)
        ++index;
    const QRect rect = list->ItemRectInside(index);
    const QPoint origin = list->mapToGlobal(QPoint(list->BorderWidth, list->BorderWidth));
    Show(*file, origin.x() + rect.left(), origin.y() + rect.top() + list->LineHeight());
    QImage shot = Form->grab().toImage();
    {
        QPainter painter(&shot);
        const QPoint at = Form->mapFromGlobal(hover.pos());
        painter.drawPixmap(at, hover.grab());
    }
    EXPECT_TRUE(shot.save(QString::fromStdString(
        (std::filesystem::current_path() / "FileHover-picture-item.png").string())));

    // A click on the window hides it.
    QMouseEvent press(QEvent::MouseButtonPress,
                      QPointF(5, 5),
                      QPointF(5, 5),
                      Qt::LeftButton,
                      Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(&hover, &press);
    EXPECT_FALSE(hover.Shown);

    // The same kind of window for a directory: four lines, one line shorter.
    const std::int64_t savedKind = directory->Kind;
    EXPECT_EQ(savedKind, ikDirectory);
    TFileListData fake;
    fake.Title = directory->Title;
    fake.Kind = ikDirectory;
    Show(fake);
    EXPECT_EQ(hover.HeaderLines().size(), 4u);
    EXPECT_FALSE(hover.ThumbnailMode);
    TFileListData plain;
    plain.Title = Dir / "sub/keep.bin";
    plain.Kind = ikGeneric;
    Show(plain);
    const int genericHeight = hover.height();
    Show(fake);
    EXPECT_EQ(hover.height(), genericHeight - 18);
    EXPECT_GT(fileHeight, genericHeight);
}

TEST_F(FileHoverDialogTest, MediaWithoutAPlayerSaysSo)
{
    TFileListData song;
    song.Title = Dir / "song.mp3";
    Show(song);
    EXPECT_EQ(FileHoverForm->InformationText(0, 0), "D ");
    FileHoverForm->ErrorText = NoMediaPlayerText;
    EXPECT_EQ(FileHoverForm->InformationText(0, 0),
              std::string("Error \"") + NoMediaPlayerText + "\"");
    TFileListData movie;
    movie.Title = Dir / "movie.avi";
    Show(movie);
    EXPECT_EQ(FileHoverForm->ErrorText, NoMediaPlayerText);
}

TEST_F(FileHoverDialogTest, CloseFileHoverKeepsItClosedForTheSameItem)
{
    TFileListData item;
    item.Title = Dir / "a.txt";
    Form->HotItem = {0, 3};
    Form->HoverItem = {0, 3};
    Show(item);
    Form->CloseFileHover();
    EXPECT_FALSE(FileHoverForm->Shown);
    EXPECT_EQ(Form->HoverItem, Form->HotItem);
    // Another item, or none: the window closes and may open again.
    Show(item);
    Form->HoverItem = {0, 3};
    Form->CheckHoverMove(0, 5, 10, 10);
    EXPECT_FALSE(FileHoverForm->Shown);
    EXPECT_EQ(Form->HoverItem, TColumnItem{});
}

TEST_F(FileHoverDialogTest, ViewCommandsFollowTheFocus)
{
    Dir.WriteFile("a.txt", "first");
    Dir.WriteFile("b.txt", "second");
    TColumn &column = *Form->Columns[0];
    Form->ActiveColumnIndex = 0;
    column.LoadDirectory(true, -1, -1, std::numeric_limits<int>::min(), -1, Dir / "a.txt");
    ASSERT_EQ(column.ActiveTitle, Dir / "a.txt");
    ASSERT_NE(FileViewer, nullptr);
    EXPECT_TRUE(Form->ClickMenuItem("View"));
    EXPECT_TRUE(Form->ViewerVisible);
    EXPECT_EQ(FileViewer->TextBox->toPlainText().toStdString(), "first");
    EXPECT_TRUE(Form->ClickMenuItem("View next"));
    EXPECT_EQ(column.ActiveTitle, Dir / "b.txt");
    EXPECT_EQ(FileViewer->TextBox->toPlainText().toStdString(), "second");
    // Not beyond the last item.
    Form->Com_ViewNext();
    EXPECT_EQ(column.ActiveTitle, Dir / "b.txt");
    EXPECT_TRUE(Form->ClickMenuItem("View previous"));
    EXPECT_EQ(column.ActiveTitle, Dir / "a.txt");
    Form->Com_HideViewer();
    EXPECT_FALSE(Form->ViewerVisible);
    EXPECT_TRUE(FileViewer->TextBox->isHidden());
    EXPECT_TRUE(ShownErrors().empty());
}

TEST_F(FileHoverDialogTest, ViewerPanelShowsPicturesAndTexts)
{
    QImage photo(1200, 800, QImage::Format_RGB32);
    {
        QPainter painter(&photo);
        QLinearGradient sky(0, 0, 0, 500);
        sky.setColorAt(0, QColor(70, 130, 200));
        sky.setColorAt(1, QColor(200, 220, 240));
        painter.fillRect(0, 0, 1200, 500, sky);
        painter.fillRect(0, 500, 1200, 300, QColor(60, 120, 50));
        painter.setBrush(QColor(250, 220, 80));
        painter.drawEllipse(900, 80, 140, 140);
    }
    photo.save(QString::fromStdString(Dir / "a-photo.jpg"), "JPEG");
    QImage transparent(300, 300, QImage::Format_ARGB32);
    transparent.fill(Qt::transparent);
    {
        QPainter painter(&transparent);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setBrush(QColor(220, 40, 40, 200));
        painter.drawEllipse(20, 20, 260, 260);
    }
    transparent.save(QString::fromStdString(Dir / "b-transparent.png"), "PNG");
    Dir.WriteFile("c-notes.txt",
                  "Notes\n\nThe viewer shows text files in a read-only text box under the "
                  "columns. Long lines wrap when word-wrap is on, and a large file shows its "
                  "first screen at once.\n");
    TColumn &column = *Form->Columns[0];
    Form->ActiveColumnIndex = 0;
    column.LoadDirectory(true, -1, -1, std::numeric_limits<int>::min(), -1, Dir / "a-photo.jpg");
    Form->show();
    // Each view is written for review beside the test binary.
    const std::string folder = std::filesystem::current_path().string() + "/";
    struct TCase
    {
        const char *File, *Shot;
    };
    for (const TCase c : {TCase{"a-photo.jpg", "FileViewer-photograph.png"},
                          TCase{"b-transparent.png", "FileViewer-transparent-png.png"},
                          TCase{"c-notes.txt", "FileViewer-text.png"}}) {
        SCOPED_TRACE(c.File);
        column.LoadDirectory(true, -1, -1, std::numeric_limits<int>::min(), -1, Dir / c.File);
        ASSERT_EQ(column.ActiveTitle, Dir / c.File);
        EXPECT_TRUE(Form->ClickMenuItem("View"));
        ASSERT_TRUE(Form->ViewerVisible);
        const TPictureViewer &picture = FileViewer->PictureViewer;
        if (picture.Image) {
            // Fitted into the client inside its border.
            EXPECT_LE(picture.RenderedHeight,
                      Form->ViewerClient->height() - 2 * Form->ViewerClient->BorderWidth);
            EXPECT_LE(picture.RenderedWidth,
                      Form->ViewerClient->width() - 2 * Form->ViewerClient->BorderWidth);
            EXPECT_GT(picture.RenderedHeight, 0);
        } else {
            EXPECT_FALSE(FileViewer->TextBox->isHidden());
            EXPECT_EQ(FileViewer->TextBox->size(), Form->ViewerClient->size());
        }
        EXPECT_TRUE(Form->ViewerPanel->grab().save(QString::fromStdString(folder + c.Shot)));
    }
    EXPECT_TRUE(ShownErrors().empty());
}

TEST_F(FileHoverDialogTest, CheckItemHotTrackOpensOnlyOverTheTypeZone)
{
    Dir.WriteFile("a.txt", "first");
    Dir.WriteFile("b.txt", "second");
    TColumn &column = *Form->Columns[0];
    Form->ActiveColumnIndex = 0;
    column.LoadDirectory(true, -1, -1, std::numeric_limits<int>::min(), -1, Dir / "a.txt");
    Form->show();
    Form->activateWindow();
    QApplication::setActiveWindow(Form.get());
    if (!Form->isActiveWindow()) GTEST_SKIP() << "the platform activates no window";
    ProgramOptions.FileHoverActive = true;
    ProgramOptions.SimulateFileType = true;
    MyTPanel *list = column.FileList;
    const QPoint origin = list->mapToGlobal(QPoint(list->BorderWidth, list->BorderWidth));
    const QRect first = list->ItemRectInside(0);
    const QPoint typeZone = origin + first.topLeft() + QPoint(2, 2);
    const QPoint namePart =
        origin + first.topLeft() + QPoint(column.GetTypeFieldWidth(true) + 20, 2);
    // The delay is over: the watch started long ago.
    const auto rest = [&](QPoint at) {
        QCursor::setPos(at);
        Form->SetHotItem(0, list->ItemUnderMouse());
        Form->ItemHoverWatch.start -= 60;
        Form->CheckItemHotTrack();
    };
    QCursor::setPos(namePart);
    if (QCursor::pos() != namePart) GTEST_SKIP() << "the platform cannot move the cursor";

    // On the name part nothing opens.
    rest(namePart);
    EXPECT_FALSE(FileHoverForm->Shown);
    // On the type zone it opens for that item, anchored at the item's first line.
    rest(typeZone);
    ASSERT_TRUE(FileHoverForm->Shown);
    EXPECT_EQ(FileHoverForm->FileName, column.Item(0)->Title);
    EXPECT_EQ(Form->HoverItem, (TColumnItem{0, 0}));
    // Moving more than "Sensitivity" within the item closes it, and it stays closed there.
    const QPoint moved =
        typeZone + QPoint(0, 0) + QPoint(ProgramOptions.FileHoverSensitivity + 1, 0);
    Form->CheckHoverMove(0,
                         0,
                         moved.x() - list->mapToGlobal(QPoint(0, 0)).x(),
                         moved.y() - list->mapToGlobal(QPoint(0, 0)).y());
    EXPECT_FALSE(FileHoverForm->Shown);
    rest(typeZone);
    EXPECT_FALSE(FileHoverForm->Shown);
    // Another item: it opens again.
    const QRect second = list->ItemRectInside(1);
    rest(origin + second.topLeft() + QPoint(2, 2));
    EXPECT_TRUE(FileHoverForm->Shown);
    EXPECT_EQ(FileHoverForm->FileName, column.Item(1)->Title);
    Form->CloseFileHover();
    // Without "ShowFileType" and "SimulateFileType" it does not open.
    ProgramOptions.ShowFileType = false;
    ProgramOptions.SimulateFileType = false;
    Form->HoverItem = {};
    rest(origin + first.topLeft() + QPoint(2, 2));
    EXPECT_FALSE(FileHoverForm->Shown);
    EXPECT_TRUE(ShownErrors().empty());
}
