// The custom-painted panel: list model, keys, wheel, mouse, painting, and the picture services.
#include "app/MyControls.h"

#include "Libraries/MyGDIPlus.h"
#include "Libraries/MyRandom.h"
#include "app/OptionsDialog.h"
#include "tests/support/TestSupport.h"

#include <QCoreApplication>
#include <QCursor>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QWheelEvent>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr int Border = 5;
constexpr int Row = 15;

// Where a reviewer finds the pictures a test grabbed.
std::string PicturePath(const std::string &role)
{
    return (std::filesystem::current_path() / ("MyControls-" + role + ".png")).string();
}

QColor PixelOf(const QImage &image, int x, int y)
{
    return image.pixelColor(x, y);
}

// True when the two colours differ by at most tolerance in every channel.
bool Near(const QColor &a, const QColor &b, int tolerance = 3)
{
    return std::abs(a.red() - b.red()) <= tolerance &&
           std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

std::string Text(const QColor &color)
{
    return color.name().toStdString();
}

} // namespace

class MyControlsTest : public TStatusTest
{
protected:
    void SetUp() override
    {
        TStatusTest::SetUp();
        SavedSkin = SkinOptions;
        SavedOptions = ProgramOptions;
        Window = std::make_unique<QWidget>();
        Window->setGeometry(40, 40, 640, 420);
    }
    void TearDown() override
    {
        Window.reset();
        SkinOptions = SavedSkin;
        ProgramOptions = SavedOptions;
        GMyPanelOptions.BackPicture = nullptr;
        GMyPanelOptions.MainWindow = nullptr;
        TStatusTest::TearDown();
    }
    // A list of count text items "Item i", with room for rows rows (plus extra pixels).
    MyTPanel *MakeList(int count, int subcolumns, int rows, int extra = 0, int width = 200)
    {
        auto *list = new MyTPanel(Window.get(), MyTPanel::RoleList);
        list->FaceStyle = 1;
        list->SetBorderWidth(Border);
        list->SetItemHeight(Row);
        list->SetSubcolumns(subcolumns);
        list->resize(width, 2 * Border + rows * Row + extra);
        std::vector<std::string> texts;
        for (int i = 0; i < count; ++i)
            texts.push_back("Item " + std::to_string(i));
        list->LoadTextItems(texts);
        return list;
    }
    void Press(QWidget *target, int key, Qt::KeyboardModifiers modifiers, const QString &text = {})
    {
        QKeyEvent event(QEvent::KeyPress, key, modifiers, text);
        QCoreApplication::sendEvent(target, &event);
    }
    void Wheel(QWidget *target, int delta)
    {
        const QPointF at(target->width() / 2.0, target->height() / 2.0);
        QWheelEvent event(at,
                          target->mapToGlobal(at),
                          QPoint(),
                          QPoint(0, delta),
                          Qt::NoButton,
                          Qt::NoModifier,
                          Qt::NoScrollPhase,
                          false);
        QCoreApplication::sendEvent(target, &event);
    }
    void Mouse(QWidget *target, QEvent::Type type, QPoint at, Qt::MouseButton button)
    {
        const Qt::MouseButtons held =
            type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
        QMouseEvent event(
            type, QPointF(at), QPointF(target->mapToGlobal(at)), button, held, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &event);
    }

    TSkinOptions SavedSkin;
    TProgramOptions SavedOptions;
    std::unique_ptr<QWidget> Window;
};

// ---- The list model ---------------------------------------------------------------------------

TEST_F(MyControlsTest, TopIndexFollowsRowsOfSubcolumns)
{
    MyTPanel *list = MakeList(25, 2, 5);
    ASSERT_EQ(list->VisibleRows(), 5);
    EXPECT_EQ(list->Rows(), 13);
    struct TCase
    {
        int Wanted, Top, Last;
    };
    const TCase cases[] = {{-3, 0, 9},
                           {0, 0, 9},
                           {1, 0, 9},
                           {7, 6, 15},
                           {15, 14, 23},
                           {16, 16, 24},
                           {17, 16, 24},
                           {40, 16, 24}};
    for (const TCase &c : cases) {
        SCOPED_TRACE("top " + std::to_string(c.Wanted));
        list->SetTopIndex(c.Wanted);
        EXPECT_EQ(list->TopIndex, c.Top);
        EXPECT_EQ(list->LastVisibleIndex(), c.Last);
    }
}

TEST_F(MyControlsTest, EmptyListHoldsOnePlaceholder)
{
    MyTPanel *list = MakeList(0, 1, 5);
    EXPECT_TRUE(list->Empty);
    ASSERT_EQ(list->Count(), 1);
    EXPECT_EQ(list->TextOf(0), "");
    EXPECT_EQ(list->AddTextItem(""), -1);
    EXPECT_EQ(list->AddTextItem("first"), 0) << "the placeholder gives way";
    list->ItemsChanged();
    EXPECT_FALSE(list->Empty);
    EXPECT_EQ(list->Count(), 1);
    list->ClearItems();
    EXPECT_TRUE(list->Empty);
    EXPECT_EQ(list->Count(), 1);
    EXPECT_EQ(list->TopIndex, 0);
    EXPECT_EQ(list->FocusIndex, 0);
}

TEST_F(MyControlsTest, ItemAtCoversFullRowsAndExistingItemsOnly)
{
    // Room for 5 rows and 10 pixels of a sixth.
    MyTPanel *list = MakeList(25, 2, 5, 10);
    list->SetTopIndex(16);
    const int half = list->InsideWidth() / 2;
    struct TCase
    {
        const char *Name;
        int X, Y, Index;
    };
    const TCase cases[] = {
        {"first item", 0, 0, 16},
        {"second column", half, 0, 17},
        {"last full row", 0, 4 * Row + Row - 1, 24},
        {"slot after the last item", half, 4 * Row, -1},
        {"partial row", 0, 5 * Row, -1},
        {"partial row bottom", 0, 5 * Row + 9, -1},
        {"left of the inside", -1, 0, -1},
        {"right of the columns", 2 * half, 0, -1},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Name);
        EXPECT_EQ(list->ItemAt(c.X, c.Y), c.Index);
    }
    EXPECT_EQ(list->ItemRect(17), QRect(Border + half, Border, half, Row));
    EXPECT_EQ(list->ItemRectInside(17), QRect(half, 0, half, Row));
    EXPECT_EQ(list->ItemRect(25).left(), -1);
}

TEST_F(MyControlsTest, FocusBeyondTheItemsFocusesTheLastAndAlwaysCallsBack)
{
    MyTPanel *list = MakeList(25, 1, 5);
    std::vector<int> calls;
    list->OnFocusChanged = [&](int old) { calls.push_back(old); };
    list->SetFocusIndex(99);
    EXPECT_EQ(list->FocusIndex, 24);
    EXPECT_EQ(list->TopIndex, 20) << "the focus is scrolled into view";
    list->SetFocusIndex(99);
    EXPECT_EQ(list->FocusIndex, 24);
    EXPECT_EQ(calls, (std::vector<int>{0, 24}));
    list->SetFocusIndex(-4);
    EXPECT_EQ(list->FocusIndex, 0);
    EXPECT_EQ(list->TopIndex, 0);
}

TEST_F(MyControlsTest, FocusAtPutsTheItemBackAtItsRow)
{
    MyTPanel *list = MakeList(40, 1, 5);
    list->FocusAt(20, 3, true);
    EXPECT_EQ(list->FocusIndex, 20);
    EXPECT_EQ(list->TopIndex, 17);
    list->FocusAt(18, 3, false);
    EXPECT_EQ(list->TopIndex, 17) << "a visible item without scroll keeps the top";
    EXPECT_EQ(list->FocusIndex, 18);
    list->FocusAt(39, 9, true);
    EXPECT_EQ(list->TopIndex, 35) << "an offset past the page keeps the item in view";
    EXPECT_EQ(list->FocusIndex, 39);
}

TEST_F(MyControlsTest, ThumbShrinksBySensitivityPerHiddenRowDownToOneTextLine)
{
    struct TCase
    {
        int Sensitivity, Hidden;
    };
    const TCase cases[] = {{10, 1}, {10, 3}, {5, 3}, {10, 200}};
    for (const TCase &c : cases) {
        SCOPED_TRACE(std::to_string(c.Sensitivity) + " / " + std::to_string(c.Hidden));
        ProgramOptions.ScrollbarSensitivity = c.Sensitivity;
        MyTPanel *list = MakeList(10 + c.Hidden, 1, 10);
        ASSERT_TRUE(list->ScrollBarShown());
        MyTPanel *bar = list->ScrollBar;
        EXPECT_EQ(
            bar->geometry(),
            QRect(
                list->width() - Border - list->LineHeight(), Border, list->LineHeight(), 10 * Row));
        EXPECT_EQ(list->InsideWidth(), list->width() - 2 * Border - list->LineHeight());
        const int track = bar->TrackHeight();
        ASSERT_EQ(track, 10 * Row);
        const int room = track - list->TextHeight();
        const int shrink = std::min(c.Sensitivity * c.Hidden, room);
        EXPECT_EQ(track - bar->ThumbHeight(), shrink);
        list->SetTopIndex(c.Hidden);
        EXPECT_EQ(bar->ThumbOffset(), track - bar->ThumbHeight()) << "the thumb reaches the bottom";
    }
    MyTPanel *full = MakeList(10, 1, 10);
    EXPECT_FALSE(full->ScrollBarShown());
    EXPECT_EQ(full->ScrollBar->ThumbHeight(), 0);
    EXPECT_EQ(full->InsideWidth(), full->width() - 2 * Border);
}

TEST_F(MyControlsTest, TextItemsLoadFindCopyAndShuffle)
{
    TTempDir dir;
    dir.WriteFile("list.txt", "one\r\n\r\nTwo\nthree");
    MyTPanel *list = MakeList(0, 1, 5);
    list->LoadTextItemsFromFile(dir / "list.txt");
    ASSERT_EQ(list->Count(), 3);
    EXPECT_FALSE(list->Empty);
    EXPECT_EQ(list->TextOf(1), "Two");
    EXPECT_EQ(list->FindTextItem("TWO"), 1);
    EXPECT_EQ(list->FindTextItem("four"), -1);

    MyTPanel *other = MakeList(2, 1, 5);
    other->AppendItems(*list);
    EXPECT_EQ(other->Count(), 5);
    EXPECT_EQ(other->TextOf(4), "three");
    other->CopyItemsFrom(*list);
    EXPECT_EQ(other->Count(), 3);
    other->ShuffleItems(3);
    std::vector<std::string> texts;
    for (int i = 0; i < other->Count(); ++i)
        texts.push_back(other->TextOf(i));
    std::sort(texts.begin(), texts.end());
    EXPECT_EQ(texts, (std::vector<std::string>{"Two", "one", "three"}));

    list->LoadTextItemsFromFile(dir / "missing.txt");
    EXPECT_TRUE(list->Empty);
    EXPECT_EQ(list->Count(), 1);
    EXPECT_EQ(FunStatContext.status, fsPerfect);
}

// ---- Keys, wheel and mouse through Qt events ----------------------------------------------------

TEST_F(MyControlsTest, KeysMoveTheFocusAndTheTop)
{
    struct TCase
    {
        const char *Name;
        int Subcolumns, Top, Focus, Key;
        Qt::KeyboardModifiers Modifiers;
        const char *Text;
        int ExpectedTop, ExpectedFocus;
    };
    const Qt::KeyboardModifiers none = Qt::NoModifier;
    const Qt::KeyboardModifiers ctrl = Qt::ControlModifier;
    const Qt::KeyboardModifiers pad = Qt::KeypadModifier;
    const TCase cases[] = {
        {"Page Down", 1, 0, 2, Qt::Key_PageDown, none, "", 5, 7},
        {"Page Down at the end", 1, 20, 22, Qt::Key_PageDown, none, "", 20, 24},
        {"Page Up", 1, 10, 12, Qt::Key_PageUp, none, "", 5, 7},
        {"Ctrl+Page Down", 1, 10, 11, Qt::Key_PageDown, ctrl, "", 10, 14},
        {"Home", 1, 10, 12, Qt::Key_Home, none, "", 0, 0},
        {"End", 1, 0, 2, Qt::Key_End, none, "", 20, 24},
        {"Ctrl+Home", 1, 10, 13, Qt::Key_Home, ctrl, "", 10, 10},
        {"Ctrl+End", 1, 10, 11, Qt::Key_End, ctrl, "", 10, 14},
        {"Down", 1, 0, 4, Qt::Key_Down, none, "", 1, 5},
        {"Ctrl+Up keeps the focus row", 1, 10, 12, Qt::Key_Up, ctrl, "", 9, 11},
        {"Ctrl+Up at the top", 1, 0, 3, Qt::Key_Up, ctrl, "", 0, 3},
        {"Ctrl+Down keeps the focus row", 1, 10, 12, Qt::Key_Down, ctrl, "", 11, 13},
        {"keypad 4", 3, 0, 4, Qt::Key_4, pad, "4", 0, 3},
        {"keypad 4 at the row start", 3, 0, 3, Qt::Key_4, pad, "4", 0, 3},
        {"keypad 6", 3, 0, 4, Qt::Key_6, pad, "6", 0, 5},
        {"keypad 6 at the row end", 3, 0, 5, Qt::Key_6, pad, "6", 0, 5},
        {"keypad 6 at the last item", 3, 9, 24, Qt::Key_6, pad, "6", 9, 24},
        {"keypad 8", 3, 0, 4, Qt::Key_8, pad, "8", 0, 1},
        {"keypad 8 in the first row", 3, 0, 1, Qt::Key_8, pad, "8", 0, 1},
        {"keypad 2 past the last item scrolls", 3, 6, 22, Qt::Key_2, pad, "2", 9, 22},
        {"keypad arrow without NumLock", 1, 0, 4, Qt::Key_Up, pad, "", 0, 3},
        {"digit row 4 is a character", 3, 0, 4, Qt::Key_4, none, "4", 0, 4},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Name);
        MyTPanel *list = MakeList(25, c.Subcolumns, 5);
        list->SetTopIndex(c.Top);
        list->FocusIndex = c.Focus;
        int keysSeen = 0;
        list->OnKeyDown = [&](QKeyEvent *) { ++keysSeen; };
        Press(list, c.Key, c.Modifiers, QString::fromUtf8(c.Text));
        EXPECT_EQ(list->TopIndex, c.ExpectedTop);
        EXPECT_EQ(list->FocusIndex, c.ExpectedFocus);
        EXPECT_EQ(keysSeen, 1) << "every key reaches the key callback";
        delete list;
    }
}

TEST_F(MyControlsTest, WheelScrollsTheListUnderTheMouse)
{
    MyTPanel *first = MakeList(30, 1, 5);
    MyTPanel *second = MakeList(30, 2, 5);
    second->move(300, 0);
    Window->show();
    first->setFocus();
    ASSERT_TRUE(first->ScrollBar->isVisibleTo(Window.get()));

    Wheel(first->ScrollBar, -120);
    EXPECT_EQ(first->TopIndex, 1) << "a notch over the scroll bar scrolls its list";
    EXPECT_EQ(first->FocusIndex, 1) << "the focus stays in view";

    Wheel(second, -120);
    EXPECT_EQ(second->TopIndex, 2) << "one row of two subcolumns";
    EXPECT_EQ(Window->focusWidget(), second) << "the other list takes the keyboard focus";
    EXPECT_EQ(first->TopIndex, 1);

    Wheel(second, -60);
    EXPECT_EQ(second->TopIndex, 2) << "half a notch waits for the other half";
    Wheel(second, -60);
    EXPECT_EQ(second->TopIndex, 4);
    Wheel(second, 240);
    EXPECT_EQ(second->TopIndex, 0);
}

TEST_F(MyControlsTest, DraggingTheThumbScrollsAndReportsTheNewTop)
{
    MyTPanel *list = MakeList(30, 1, 10);
    Window->show();
    std::vector<std::string> calls;
    list->OnTopChanged = [&](int top) { calls.push_back("top " + std::to_string(top)); };
    list->OnScrollEnd = [&] { calls.push_back("end"); };
    MyTPanel *bar = list->ScrollBar;
    const int range = bar->TrackHeight() - bar->ThumbHeight();
    Mouse(bar, QEvent::MouseButtonPress, QPoint(2, 2), Qt::LeftButton);
    Mouse(bar, QEvent::MouseMove, QPoint(2, 2 + range / 2), Qt::LeftButton);
    EXPECT_TRUE(bar->Scrolling);
    const int halfway = 20 * (range / 2) / range;
    EXPECT_EQ(list->TopIndex, halfway);
    Wheel(list, -120);
    EXPECT_EQ(list->TopIndex, halfway) << "no wheel while the thumb is held";
    Mouse(bar, QEvent::MouseButtonRelease, QPoint(2, 2 + range * 3), Qt::LeftButton);
    EXPECT_FALSE(bar->Scrolling);
    EXPECT_EQ(list->TopIndex, 20);
    EXPECT_EQ(list->FocusIndex, 20) << "the focus is kept in view";
    EXPECT_EQ(calls, (std::vector<std::string>{"top 20", "end"}));
}

TEST_F(MyControlsTest, PressHotTrackAndTheTimer)
{
    auto *button = new MyTPanel(Window.get());
    button->FaceStyle = 0;
    button->HotTrack = true;
    button->setGeometry(10, 10, 80, 24);
    Window->show();
    Random.lastX = -100;
    Random.lastY = -100;
    Mouse(button, QEvent::MouseMove, QPoint(5, 5), Qt::NoButton);
    EXPECT_EQ(GMyPanelGlobal.HotControl, button);
    EXPECT_EQ(Random.lastX, button->mapToGlobal(QPoint(5, 5)).x()) << "moves feed the generator";
    Mouse(button, QEvent::MouseButtonPress, QPoint(5, 5), Qt::LeftButton);
    EXPECT_TRUE(button->Pressed);
    EXPECT_EQ(GMyPanelGlobal.PressedControl, button);
    ASSERT_TRUE(GMyPanelGlobal.Timer);
    EXPECT_TRUE(GMyPanelGlobal.Timer->isActive());

    QCursor::setPos(5000, 5000);
    // The press is younger than the pressed look's minimum: it stays.
    GMyPanelGlobal.PressCrono.start = SecondsNow() + 10;
    MyTPanel::TimerTick();
    EXPECT_TRUE(button->Pressed);
    EXPECT_EQ(GMyPanelGlobal.HotControl, nullptr) << "the mouse left the hot control";
    GMyPanelGlobal.PressCrono.start = SecondsNow() - 1;
    MyTPanel::TimerTick();
    EXPECT_FALSE(button->Pressed);
    EXPECT_EQ(GMyPanelGlobal.PressedControl, nullptr);
    EXPECT_FALSE(GMyPanelGlobal.Timer->isActive());
}

TEST_F(MyControlsTest, SplitterAppliesTheValidatedShiftAtTheRelease)
{
    auto *splitter = new MyTPanel(Window.get(), MyTPanel::RoleSplitter);
    splitter->setGeometry(100, 0, 6, 200);
    Window->show();
    std::vector<int> applied;
    splitter->OnSplitterValidate = [](int &shift) { shift = std::min(shift, 20); };
    splitter->OnSplitterMoved = [&](int delta) { applied.push_back(delta); };
    Mouse(splitter, QEvent::MouseButtonPress, QPoint(3, 50), Qt::LeftButton);
    Mouse(splitter, QEvent::MouseMove, QPoint(13, 60), Qt::LeftButton);
    EXPECT_TRUE(applied.empty()) << "nothing applies before the release";
    Mouse(splitter, QEvent::MouseButtonRelease, QPoint(43, 60), Qt::LeftButton);
    EXPECT_EQ(applied, (std::vector<int>{20}));
    Mouse(splitter, QEvent::MouseButtonPress, QPoint(3, 50), Qt::LeftButton);
    Mouse(splitter, QEvent::MouseButtonRelease, QPoint(3, 80), Qt::LeftButton);
    EXPECT_EQ(applied.size(), 1u) << "a vertical splitter ignores y; no shift, no call";
}

TEST_F(MyControlsTest, LevelBarPressSetsTheLevel)
{
    auto *bar = new MyTPanel(Window.get(), MyTPanel::RoleLevelBar);
    bar->SetBorderWidth(2);
    bar->setGeometry(0, 0, 20, 105);
    std::vector<double> levels;
    bar->OnLevelSet = [&](double level) { levels.push_back(level); };
    for (const int y : {2, 52, 102, 103, 1})
        Mouse(bar, QEvent::MouseButtonPress, QPoint(5, y), Qt::LeftButton);
    EXPECT_EQ(levels, (std::vector<double>{0.0, 0.5, 1.0}));
}

TEST_F(MyControlsTest, AnExceptionInACallbackIsReportedUnderDispatch)
{
    MyTPanel *list = MakeList(5, 1, 5);
    list->OnKeyDown = [](QKeyEvent *) { throw std::runtime_error("boom"); };
    Press(list, Qt::Key_Down, Qt::NoModifier);
    EXPECT_EQ(list->FocusIndex, 1);
    EXPECT_EQ(FunStatContext.function, "MyTPanel::Dispatch");
    EXPECT_EQ(FunStatContext.description, "Unhandled exception: boom");
}

// ---- Painting ---------------------------------------------------------------------------------

TEST_F(MyControlsTest, FocusMoveRepaintsOnlyTheOldAndTheNewItem)
{
    MyTPanel *list = MakeList(30, 1, 10);
    int painted = 0;
    list->OnDrawItem = [&](QPainter &, int, const QRect &) { ++painted; };
    Window->show();
    QCoreApplication::processEvents();
    ASSERT_GT(painted, 0) << "the list painted once shown";
    painted = 0;
    list->SetFocusIndex(6);
    QCoreApplication::processEvents();
    EXPECT_EQ(painted, 2);
    painted = 0;
    list->SetFocusIndex(25);
    QCoreApplication::processEvents();
    EXPECT_EQ(painted, 10) << "a scrolled list repaints every shown item";
}

TEST_F(MyControlsTest, RolesAndButtonShapesPaintOverTheBackgroundPicture)
{
    QImage red(Window->size(), QImage::Format_RGB32);
    red.fill(QColor(255, 0, 0));
    GMyPanelOptions.BackPicture = &red;
    SkinOptions.WindowBackTranslucency = 50;
    SkinOptions.ScrollbarBackTranslucency = 65;

    auto *windowPanel = new MyTPanel(Window.get());
    windowPanel->FaceStyle = 1;
    windowPanel->Transparent = true;
    windowPanel->setGeometry(10, 10, 200, 80);
    auto *opaquePanel = new MyTPanel(Window.get());
    opaquePanel->FaceStyle = 1;
    opaquePanel->setGeometry(220, 10, 200, 80);

    struct TShape
    {
        const char *Name, *Caption;
        int Shape;
    };
    const TShape shapes[] = {{"button-rectangle", "Work", 0},
                             {"button-single-oval", "Boards", 1},
                             {"button-double-oval", "Skins", 2}};
    std::vector<MyTPanel *> buttons;
    for (const TShape &shape : shapes) {
        auto *button = new MyTPanel(Window.get());
        button->FaceStyle = 0;
        button->ButtonFace = true;
        button->Transparent = true;
        button->ButtonShape = shape.Shape;
        button->SetBorderWidth(3);
        button->CenterH = true;
        button->setGeometry(10 + static_cast<int>(buttons.size()) * 130, 100, 120, 36);
        buttons.push_back(button);
    }
    auto *header = new MyTPanel(Window.get());
    header->FaceStyle = 0;
    header->SetBorderWidth(3);
    header->StrikeOut = true;
    header->PathEllipsis = true;
    header->SetCaptions("/home/ann/a/very/long/directory/name/that/does/not/fit", "");
    header->setGeometry(400, 100, 200, 24);

    MyTPanel *list = MakeList(30, 2, 8, 0, 260);
    list->move(10, 150);
    list->SetFocusIndex(3);
    list->OnDrawItem = [list](QPainter &painter, int index, const QRect &rect) {
        if (index == list->FocusIndex)
            painter.fillRect(rect, ColorOf(SkinOptions.ActiveFocusBackColor));
        painter.setPen(ColorOf(SkinOptions.WindowTextColor));
        painter.setFont(list->PanelFont());
        painter.drawText(rect.adjusted(2, 0, -2, 0),
                         Qt::AlignVCenter,
                         QString::fromStdString(list->TextOf(index)));
    };
    auto *splitter = new MyTPanel(Window.get(), MyTPanel::RoleSplitter);
    splitter->FaceStyle = 0;
    splitter->Framed = false;
    splitter->SetBorderWidth(2);
    splitter->setGeometry(290, 150, 8, 130);
    auto *level = new MyTPanel(Window.get(), MyTPanel::RoleLevelBar);
    level->SetBorderWidth(2);
    level->setGeometry(310, 150, 24, 130);
    level->OnLevelGet = [] { return 0.5; };
    Window->show();
    QCoreApplication::processEvents();

    const QImage all = Window->grab().toImage();
    all.save(QString::fromStdString(PicturePath("window")));
    const QImage window = windowPanel->grab().toImage();
    window.save(QString::fromStdString(PicturePath("window-panel")));
    const QColor blended = PixelOf(window, 100, 40);
    EXPECT_TRUE(Near(blended, QColor(255, 128, 128))) << "50% white over red: " << Text(blended);
    EXPECT_TRUE(Near(PixelOf(window, 1, 40), ColorOf(SkinOptions.WindowBriskMarginColor), 1))
        << "the frame: " << Text(PixelOf(window, 1, 40));
    EXPECT_TRUE(Near(PixelOf(window, 0, 0), QColor(255, 0, 0), 0)) << "a transparent corner";
    const QColor opaque = opaquePanel->grab().toImage().pixelColor(100, 40);
    EXPECT_TRUE(Near(opaque, QColor(250, 250, 240)))
        << "50% white over the filling colour: " << Text(opaque);

    // The faces are checked without captions, then saved with them.
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        SCOPED_TRACE(shapes[i].Name);
        EXPECT_TRUE(Near(PixelOf(buttons[i]->grab().toImage(), 0, 0), QColor(255, 0, 0), 0))
            << "the corner shows the picture";
    }
    const QImage rectangle = buttons[0]->grab().toImage();
    EXPECT_TRUE(Near(PixelOf(rectangle, 60, 18), ColorOf(SkinOptions.ButtonTintColor), 3))
        << "the rectangle's centre is the tint: " << Text(PixelOf(rectangle, 60, 18));
    EXPECT_TRUE(Near(PixelOf(rectangle, 2, 2), QColor(255, 0, 0), 0)) << "a rounded corner";
    const QImage single = buttons[1]->grab().toImage();
    EXPECT_TRUE(Near(PixelOf(single, 60, 18), ColorOf(SkinOptions.ButtonBackColor), 3))
        << "the single oval's centre is the back colour: " << Text(PixelOf(single, 60, 18));
    const QImage twin = buttons[2]->grab().toImage();
    EXPECT_TRUE(Near(PixelOf(twin, 60, 18), ColorOf(SkinOptions.ButtonTintColor), 3))
        << "the double oval's centre is the tint: " << Text(PixelOf(twin, 60, 18));
    EXPECT_TRUE(Near(PixelOf(twin, 1, 18), ColorOf(SkinOptions.ButtonMarginColor), 40))
        << "the double oval's outline: " << Text(PixelOf(twin, 1, 18));
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        buttons[i]->SetCaptions(shapes[i].Caption, shapes[i].Caption);
        buttons[i]->grab().toImage().save(QString::fromStdString(PicturePath(shapes[i].Name)));
    }

    header->grab().toImage().save(QString::fromStdString(PicturePath("caption")));
    const QImage listImage = list->grab().toImage();
    listImage.save(QString::fromStdString(PicturePath("list")));
    ASSERT_TRUE(list->ScrollBar->isVisibleTo(Window.get()));
    const QRect focus = list->ItemRect(3);
    EXPECT_TRUE(Near(PixelOf(listImage, focus.right() - 1, focus.center().y()),
                     ColorOf(SkinOptions.ActiveFocusBackColor),
                     0));
    const QPoint track =
        list->ScrollBar->geometry().bottomLeft() + QPoint(list->ScrollBar->width() / 2, -2);
    EXPECT_FALSE(Near(
        PixelOf(listImage, track.x(), track.y()), PixelOf(listImage, track.x() - 20, track.y()), 2))
        << "the track is painted over the list";
    splitter->grab().toImage().save(QString::fromStdString(PicturePath("splitter")));
    const QImage levelImage = level->grab().toImage();
    levelImage.save(QString::fromStdString(PicturePath("level-bar")));
    EXPECT_TRUE(Near(PixelOf(levelImage, 12, 20), ColorOf(SkinOptions.PushedBackColor), 0));
    EXPECT_FALSE(Near(PixelOf(levelImage, 12, 110), ColorOf(SkinOptions.PushedBackColor), 0));
    EXPECT_EQ(FunStatContext.status, fsPerfect);
}

TEST_F(MyControlsTest, PressedAndDownButtonsRepaintWithoutANewLayout)
{
    auto *button = new MyTPanel(Window.get());
    button->FaceStyle = 0;
    button->ButtonFace = true;
    button->ButtonShape = MyTPanel::ShapeSingleOval;
    button->setGeometry(10, 10, 120, 36);
    Window->show();
    QCoreApplication::processEvents();
    const QColor rest = button->grab().toImage().pixelColor(60, 18);
    button->Down = true;
    const QColor down = button->grab().toImage().pixelColor(60, 18);
    EXPECT_TRUE(Near(down, ColorOf(SkinOptions.PushedBackColor))) << Text(down);
    EXPECT_FALSE(Near(rest, down, 0));
    SkinOptions.PushedBackColor = 0x00FF00;
    const QColor skin = button->grab().toImage().pixelColor(60, 18);
    EXPECT_TRUE(Near(skin, QColor(0, 255, 0)))
        << "a skin change is seen at the next paint: " << Text(skin);
}

// ---- Picture services -------------------------------------------------------------------------

TEST(MyGDIPlusTest, TranslucencyBecomesAlphaRoundedHalfUp)
{
    struct TCase
    {
        int Translucency, Alpha;
    };
    const TCase cases[] = {
        {-5, 255}, {0, 255}, {1, 252}, {50, 128}, {65, 89}, {99, 3}, {100, 0}, {150, 0}};
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Translucency);
        EXPECT_EQ(TranslucencyToAlpha(c.Translucency), c.Alpha);
    }
    EXPECT_EQ(BlendColors(0x000000, 0x0000FF, 0.5), 0x000080u);
}

TEST(MyGDIPlusTest, TranslucentRectAndFrameLimits)
{
    struct TCase
    {
        int Translucency;
        bool Rect, Frame;
    };
    const TCase cases[] = {
        {0, false, true}, {50, true, true}, {99, true, true}, {100, false, false}};
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Translucency);
        QImage image(20, 20, QImage::Format_RGB32);
        image.fill(Qt::black);
        {
            QPainter painter(&image);
            PaintTranslucentRect(painter, 2, 2, c.Translucency, 0xFFFFFF, 4, 4);
            PaintTranslucentFrame(painter, 10, 10, c.Translucency, 0xFFFFFF, 5, 5);
        }
        EXPECT_EQ(image.pixelColor(3, 3) != QColor(Qt::black), c.Rect);
        EXPECT_EQ(image.pixelColor(6, 6), QColor(Qt::black)) << "the rectangle ends at width";
        EXPECT_EQ(image.pixelColor(14, 12) != QColor(Qt::black), c.Frame);
        EXPECT_EQ(image.pixelColor(12, 12), QColor(Qt::black)) << "the frame is an outline";
        EXPECT_EQ(image.pixelColor(15, 12), QColor(Qt::black));
    }
}

TEST(MyGDIPlusTest, RoundFrameCutsItsCornersAndBlendsItsRings)
{
    QImage image(20, 20, QImage::Format_RGB32);
    image.fill(Qt::black);
    {
        QPainter painter(&image);
        FrameRoundRect(
            painter, 0, 0, false, true, true, 0, 0, 0x000000, 0xFFFFFF, 0x0000FF, 20, 20);
    }
    struct TCase
    {
        int X, Y;
        QColor Color;
    };
    const TCase cases[] = {
        {0, 0, Qt::black},
        {0, 3, Qt::black},
        {0, 4, QColor(255, 0, 0)},
        {1, 2, QColor(255, 0, 0)},
        {2, 1, QColor(255, 0, 0)},
        {19, 15, QColor(255, 0, 0)},
        {19, 16, Qt::black},
        {1, 10, QColor(128, 128, 128)},
        {2, 10, QColor(77, 77, 77)},
        {3, 10, QColor(26, 26, 26)},
        {10, 10, Qt::black},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(std::to_string(c.X) + "," + std::to_string(c.Y));
        EXPECT_EQ(image.pixelColor(c.X, c.Y), c.Color);
    }
}

TEST(MyGDIPlusTest, ButtonFaceRunsFromTheOutlineToTheCentreColour)
{
    QImage image(60, 30, QImage::Format_RGB32);
    image.fill(Qt::black);
    {
        QPainter painter(&image);
        PaintButtonFX(painter,
                      0,
                      0,
                      false,
                      false,
                      "No edge",
                      0,
                      0,
                      0,
                      0xFFFFFF,
                      0x0000FF,
                      0x00FF00,
                      0x00FF00,
                      20,
                      40);
    }
    EXPECT_EQ(image.pixelColor(20, 10), QColor(255, 255, 255)) << "the focus area";
    EXPECT_EQ(image.pixelColor(0, 10), QColor(255, 0, 0)) << "the outline in the back colour";
    EXPECT_EQ(image.pixelColor(40, 20), QColor(255, 0, 0));
    EXPECT_EQ(image.pixelColor(41, 21), QColor(Qt::black));
    const QColor between = image.pixelColor(2, 10);
    EXPECT_EQ(between.red(), 255);
    EXPECT_GT(between.green(), 0);
    EXPECT_LT(between.green(), 255);
}
