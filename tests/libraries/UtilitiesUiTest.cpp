// Tests of the general helpers with a user interface, on real widgets and real files.
#include "Libraries/UtilitiesUi.h"

#include "tests/support/TestSupport.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QCursor>
#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextEdit>
#include <QTreeWidget>
#include <QUrl>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>
#include <stdexcept>

namespace {

QString Q(const std::string &text)
{
    return QString::fromStdString(text);
}

std::vector<std::string> Captions(const QMenu *menu)
{
    std::vector<std::string> captions;
    for (const QAction *item : menu->actions())
        captions.push_back(item->text().toStdString());
    return captions;
}

std::vector<int> Tags(const QMenu *menu)
{
    std::vector<int> tags;
    for (const QAction *item : menu->actions())
        tags.push_back(item->data().toInt());
    return tags;
}

void MakeDirectory(const std::string &path)
{
    std::filesystem::create_directories(path);
}

QMimeData *MimeData(const std::vector<std::string> &urls, const std::string &text)
{
    auto *data = new QMimeData;
    QList<QUrl> list;
    for (const std::string &url : urls)
        list.append(QUrl(Q(url)));
    if (!list.isEmpty()) data->setUrls(list);
    if (!text.empty()) data->setText(Q(text));
    return data;
}

enum class TControlKind
{
    EditableCombo,
    LineEdit,
    PlainTextEdit,
    TextEdit
};

QWidget *MakeControl(TControlKind kind, QWidget *parent)
{
    switch (kind) {
    case TControlKind::EditableCombo: {
        auto *combo = new QComboBox(parent);
        combo->setEditable(true);
        return combo;
    }
    case TControlKind::LineEdit:
        return new QLineEdit(parent);
    case TControlKind::PlainTextEdit:
        return new QPlainTextEdit(parent);
    case TControlKind::TextEdit:
        return new QTextEdit(parent);
    }
    return nullptr;
}

void SetText(QWidget *control, const std::string &text)
{
    if (auto *combo = qobject_cast<QComboBox *>(control)) combo->setEditText(Q(text));
    if (auto *edit = qobject_cast<QLineEdit *>(control)) edit->setText(Q(text));
    if (auto *plain = qobject_cast<QPlainTextEdit *>(control)) plain->setPlainText(Q(text));
    if (auto *rich = qobject_cast<QTextEdit *>(control)) rich->setPlainText(Q(text));
}

std::string TextOf(const QWidget *control)
{
    if (auto *combo = qobject_cast<const QComboBox *>(control))
        return combo->currentText().toStdString();
    if (auto *edit = qobject_cast<const QLineEdit *>(control)) return edit->text().toStdString();
    if (auto *plain = qobject_cast<const QPlainTextEdit *>(control))
        return plain->toPlainText().toStdString();
    if (auto *rich = qobject_cast<const QTextEdit *>(control))
        return rich->toPlainText().toStdString();
    return {};
}

QImage WhiteImage(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

// The smallest rectangle holding every pixel of the colour.
QRect InkOf(const QImage &image, QColor color)
{
    QRect ink;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y) == color) ink |= QRect(x, y, 1, 1);
    return ink;
}

QRect NonWhiteInk(const QImage &image)
{
    QRect ink;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y) != QColor(Qt::white)) ink |= QRect(x, y, 1, 1);
    return ink;
}

QFont SharpFont()
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(14);
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

// Draws a text the way the caption panels do, with the given centring and rectangle.
QImage Drawn(const std::string &text, bool horizontalCenter, bool verticalCenter, QRect rect)
{
    QImage image = WhiteImage(200, 40);
    QPainter painter(&image);
    painter.setFont(SharpFont());
    painter.setPen(Qt::black);
    DrawTextInRect(text,
                   painter,
                   true,
                   0,
                   0,
                   0,
                   0,
                   false,
                   nullptr,
                   nullptr,
                   verticalCenter,
                   horizontalCenter,
                   0,
                   rect);
    return image;
}

class UtilitiesUiTest : public TStatusTest
{
protected:
    std::vector<std::string> Warnings() const
    {
        std::vector<std::string> texts;
        for (const auto &shown : Boxes.Shown)
            if (shown.Caption == "Warning") texts.push_back(shown.Text);
        return texts;
    }
    std::vector<std::string> ErrorMessages() const
    {
        std::vector<std::string> texts;
        for (const auto &shown : Boxes.Shown)
            if (shown.Caption == "Error") texts.push_back(shown.Text);
        return texts;
    }
};

} // namespace

// ---- Clipboard ------------------------------------------------------------------------------

TEST_F(UtilitiesUiTest, CopyTextToClipboardReplacesAppendsOrWarnsOfAnEmptyText)
{
    struct TCase
    {
        const char *name, *before, *text;
        bool append, beep, result;
        const char *after;
        std::size_t warnings, beeps;
    } cases[] = {
        {"replaces", "old", "new", false, false, true, "new", 0, 0},
        {"appends and beeps", "old", "new", true, true, true, "oldnew", 0, 1},
        {"keeps UTF-8", "", "Grüße €", false, false, true, "Grüße €", 0, 0},
        {"empty text", "old", "", true, true, false, "old", 1, 0},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.name);
        Boxes.Shown.clear();
        Boxes.Beeps.clear();
        QGuiApplication::clipboard()->setText(QString::fromUtf8(c.before));
        EXPECT_EQ(CopyTextToClipboard(c.text, "Failed to copy.", c.beep, c.append), c.result);
        EXPECT_EQ(QGuiApplication::clipboard()->text(), QString::fromUtf8(c.after));
        EXPECT_EQ(CopyTextFromClipboard(), c.after);
        EXPECT_EQ(Boxes.Beeps.size(), c.beeps);
        EXPECT_EQ(Warnings(),
                  std::vector<std::string>(c.warnings, "There is no text to copy to clipboard."));
        EXPECT_EQ(FunStatContext.status, fsPerfect);
        EXPECT_TRUE(ShownErrors().empty());
    }
}

TEST_F(UtilitiesUiTest, ClipboardFilesToListTakesLocalFilesThenPathLines)
{
    struct TCase
    {
        const char *name;
        std::vector<std::string> urls;
        std::string text;
        std::vector<std::string> expected;
    } cases[] = {
        {"URI list wins, remote left out",
         {"file:///home/ann/a.txt", "sftp://host/x", "file:///home/ann/My%20Dir/"},
         "/ignored",
         {"/home/ann/a.txt", "/home/ann/My Dir"}},
        {"plain lines", {}, "/a/b\r\nrelative\n\nfile:///c%20d\n/\ncopy", {"/a/b", "/c d", "/"}},
        {"nothing", {}, "", {}},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.name);
        QGuiApplication::clipboard()->setMimeData(MimeData(c.urls, c.text));
        std::vector<std::string> list{"stale"};
        ClipboardFilesToList(list);
        EXPECT_EQ(list, c.expected);
        EXPECT_EQ(FunStatContext.status, fsPerfect);
    }
}

// ---- Numbers typed into boxes -----------------------------------------------------------------

TEST_F(UtilitiesUiTest, GetIntFromComboBoxWarnsFocusesAndPutsTheDefaultBack)
{
    const std::string warning = "Integer value outside limits.\nIt will be set to default.\n"
                                "    * Minimum = 1\n    * Maximum = 10\n    * Default = 5";
    struct TCase
    {
        const char *text;
        std::int32_t value;
        bool warned;
        const char *boxText;
        std::int32_t status;
    } cases[] = {
        {"7", 7, false, "7", fsPerfect},
        {"1", 1, false, "1", fsPerfect},
        {"10", 10, false, "10", fsPerfect},
        {"", 5, false, "", fsPerfect},
        {"0", 5, true, "5", fsPerfect},
        {"11", 5, true, "5", fsPerfect},
        {"12a", 5, true, "5", fsError},
    };
    for (TControlKind kind : {TControlKind::EditableCombo, TControlKind::LineEdit}) {
        for (const TCase &c : cases) {
            SCOPED_TRACE(std::string(c.text) +
                         (kind == TControlKind::LineEdit ? " edit" : " combo"));
            Boxes.Shown.clear();
            QWidget window;
            auto *other = new QLineEdit(&window);
            QWidget *control = MakeControl(kind, &window);
            other->setFocus();
            SetText(control, c.text);
            EXPECT_EQ(GetIntFromComboBox(control, 1, 10, 5), c.value);
            EXPECT_EQ(TextOf(control), c.boxText);
            EXPECT_EQ(Warnings(),
                      c.warned ? std::vector<std::string>{warning} : std::vector<std::string>{});
            EXPECT_EQ(window.focusWidget() == control, c.warned);
            EXPECT_EQ(FunStatContext.status, c.status);
            EXPECT_EQ(FunStatContext.description.find("'12a'") != std::string::npos,
                      c.status == fsError);
        }
    }
}

TEST_F(UtilitiesUiTest, GetRealFromComboBoxReadsAPointAndRejectsOtherTexts)
{
    const std::string warning = "Real value outside limits.\nIt will be set to default.\n"
                                "    * Minimum = 0\n    * Maximum = 10\n    * Default = 1.5";
    struct TCase
    {
        const char *text;
        double value;
        bool warned;
        const char *boxText;
        std::int32_t status;
    } cases[] = {
        {"2.5", 2.5, false, "2.5", fsPerfect},
        {"10", 10, false, "10", fsPerfect},
        {"", 1.5, false, "", fsPerfect},
        {"10.5", 1.5, true, "1.5", fsPerfect},
        {"-0.1", 1.5, true, "1.5", fsPerfect},
        {"abc", 1.5, true, "1.5", fsError},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.text);
        Boxes.Shown.clear();
        QWidget window;
        auto *box = new QComboBox(&window);
        box->setEditable(true);
        box->setEditText(QString::fromUtf8(c.text));
        EXPECT_DOUBLE_EQ(GetRealFromComboBox(box, 1.5, 10, 0), c.value);
        EXPECT_EQ(box->currentText().toStdString(), c.boxText);
        EXPECT_EQ(Warnings(),
                  c.warned ? std::vector<std::string>{warning} : std::vector<std::string>{});
        EXPECT_EQ(window.focusWidget() == box, c.warned);
        EXPECT_EQ(FunStatContext.status, c.status);
    }
}

// ---- Combo boxes, trees and lists -----------------------------------------------------------

TEST_F(UtilitiesUiTest, SelectComboItemFallsBackToTheFallbackThenTheFirstItem)
{
    struct TCase
    {
        const char *text, *fallback;
        int index;
    } cases[] = {
        {"b", "c", 1},
        {"", "c", 2},
        {"x", "c", 2},
        {"x", "y", 0},
        {"B", "", 0},
    };
    QComboBox box;
    box.addItems({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
    for (const TCase &c : cases) {
        SCOPED_TRACE(std::string(c.text) + "/" + c.fallback);
        box.setCurrentIndex(-1);
        SelectComboItem(&box, c.text, c.fallback);
        EXPECT_EQ(box.currentIndex(), c.index);
    }
    QComboBox empty;
    SelectComboItem(&empty, "a", "b");
    EXPECT_EQ(empty.currentIndex(), -1);
}

TEST_F(UtilitiesUiTest, AddComboHistoryPutsTheTextOnTopAndKeepsTheEditText)
{
    struct TCase
    {
        const char *name;
        bool editable;
        std::vector<std::string> items;
        const char *editText, *added;
        std::vector<std::string> expected;
    } cases[] = {
        {"new text", true, {"a", "b"}, "typed", "n", {"n", "a", "b"}},
        {"moves up", true, {"a", "b", "c"}, "typed", "c", {"c", "a", "b"}},
        {"already first", true, {"a", "b"}, "typed", "a", {"a", "b"}},
        {"empty text", true, {"a"}, "typed", "", {"a"}},
        {"into an empty box", true, {}, "", "n", {"n"}},
        {"not editable", false, {"a", "b", "c"}, "b", "c", {"c", "a", "b"}},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.name);
        QComboBox box;
        box.setEditable(c.editable);
        for (const std::string &item : c.items)
            box.addItem(Q(item));
        box.setCurrentText(QString::fromUtf8(c.editText));
        int changes = 0;
        QObject::connect(&box, &QComboBox::currentTextChanged, [&changes] { ++changes; });
        AddComboHistory(&box, c.added);
        std::vector<std::string> items;
        for (int i = 0; i < box.count(); ++i)
            items.push_back(box.itemText(i).toStdString());
        EXPECT_EQ(items, c.expected);
        EXPECT_EQ(box.currentText().toStdString(), c.editText);
        EXPECT_EQ(changes, 0);
    }
}

TEST_F(UtilitiesUiTest, AddComboHistoryWithoutATextTakesTheBoxText)
{
    QComboBox box;
    box.setEditable(true);
    box.addItems({QStringLiteral("/home"), QStringLiteral("/tmp")});
    box.setEditText(QStringLiteral("/tmp"));
    AddComboHistory(&box);
    EXPECT_EQ(box.itemText(0), QStringLiteral("/tmp"));
    EXPECT_EQ(box.itemText(1), QStringLiteral("/home"));
    EXPECT_EQ(box.count(), 2);
    EXPECT_EQ(box.currentText(), QStringLiteral("/tmp"));
}

TEST_F(UtilitiesUiTest, TreeNodePathJoinsFromTheRootWithoutADoubleDelimiter)
{
    QTreeWidget tree;
    auto *slash = new QTreeWidgetItem(&tree, QStringList{QStringLiteral("/")});
    auto *home = new QTreeWidgetItem(slash, QStringList{QStringLiteral("home")});
    auto *ann = new QTreeWidgetItem(home, QStringList{QStringLiteral("ann")});
    auto *media = new QTreeWidgetItem(&tree, QStringList{QStringLiteral("/media")});
    auto *stick = new QTreeWidgetItem(media, QStringList{QStringLiteral("USB stick")});
    struct TCase
    {
        const char *name;
        const QTreeWidgetItem *node, *root;
        const char *path;
    } cases[] = {
        {"root", slash, slash, "/"},
        {"child of /", home, slash, "/home/"},
        {"grandchild", ann, slash, "/home/ann/"},
        {"no root given", ann, nullptr, "/home/ann/"},
        {"root in the middle", ann, home, "home/ann/"},
        {"root without a delimiter", stick, media, "/media/USB stick/"},
        {"no node", nullptr, slash, ""},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(TreeNodePath(c.node, c.root), c.path);
    }
}

TEST_F(UtilitiesUiTest, SelectListBoxItemAtSelectsTheItemOrKeepsTheSelection)
{
    QListWidget list;
    list.addItems({QStringLiteral("one"), QStringLiteral("two"), QStringLiteral("three")});
    list.resize(120, 200);
    list.show();
    const QPoint onTwo = list.visualItemRect(list.item(1)).center();
    EXPECT_EQ(SelectListBoxItemAt(&list, onTwo.x(), onTwo.y()), 1);
    EXPECT_EQ(list.currentRow(), 1);
    EXPECT_TRUE(list.item(1)->isSelected());
    const QPoint belowAll(5, list.viewport()->height() - 2);
    ASSERT_EQ(list.itemAt(belowAll), nullptr);
    EXPECT_EQ(SelectListBoxItemAt(&list, belowAll.x(), belowAll.y()), -1);
    EXPECT_EQ(list.currentRow(), 1);
    EXPECT_TRUE(list.item(1)->isSelected());
    EXPECT_EQ(list.selectedItems().size(), 1);
}

// ---- Windows and controls -------------------------------------------------------------------

TEST_F(UtilitiesUiTest, ShowNormalRestoresAMinimizedWindow)
{
    QWidget window;
    window.showMinimized();
    ShowNormal(&window);
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(window.isMinimized());
    EXPECT_FALSE(window.isMaximized());
}

TEST_F(UtilitiesUiTest, IsPointOverTheControlOrItsInnerChildren)
{
    QWidget window;
    window.setGeometry(100, 100, 300, 120);
    auto *list = new QListWidget(&window);
    list->setGeometry(10, 10, 120, 80);
    auto *button = new QPushButton(QStringLiteral("Go"), &window);
    button->setGeometry(160, 10, 80, 30);
    window.show();
    const QPoint onList = list->mapToGlobal(list->rect().center());
    const QPoint onButton = button->mapToGlobal(button->rect().center());
    const QPoint outside = window.mapToGlobal(QPoint(-50, -50));
    EXPECT_TRUE(IsPointOver(onList, list));
    EXPECT_TRUE(IsPointOver(onList, &window));
    EXPECT_FALSE(IsPointOver(onList, button));
    EXPECT_TRUE(IsPointOver(onButton, button));
    EXPECT_FALSE(IsPointOver(onButton, list));
    EXPECT_FALSE(IsPointOver(outside, &window));
    EXPECT_FALSE(IsPointOver(onList, nullptr));
    QCursor::setPos(onButton);
    EXPECT_TRUE(IsMouseOver(button));
    EXPECT_FALSE(IsMouseOver(list));
}

// ---- Text drawing and pictures ----------------------------------------------------------------

TEST_F(UtilitiesUiTest, DrawTextInRectMeasuresWithoutDrawing)
{
    const int lineHeight = GetFontHeight(SharpFont());
    const int advance = QFontMetrics(SharpFont()).horizontalAdvance(QStringLiteral("Hello"));
    struct TCase
    {
        const char *name, *text;
        int format;
        int minimumWidth, maximumWidth, minimumHeight, maximumHeight;
    } cases[] = {
        {"one line", "Hello", 0, advance, advance + 2, lineHeight, lineHeight + 2},
        {"0 is a single line",
         "Hello\nHello",
         0,
         2 * advance,
         2 * advance + 8,
         lineHeight,
         lineHeight + 2},
        {"two lines",
         "Hello\nHello",
         Qt::AlignLeft,
         advance,
         advance + 2,
         2 * lineHeight,
         2 * lineHeight + 4},
        {"empty", "", 0, 0, 0, 0, 0},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.name);
        QImage image = WhiteImage(200, 60);
        QPainter painter(&image);
        painter.setFont(SharpFont());
        painter.setBrush(Qt::red);
        int width = -1;
        int height = -1;
        DrawTextInRect(c.text,
                       painter,
                       false,
                       0,
                       0,
                       0,
                       0,
                       true,
                       &width,
                       &height,
                       true,
                       true,
                       c.format,
                       QRect(0, 0, 200, 60));
        painter.end();
        EXPECT_GE(width, c.minimumWidth);
        EXPECT_LE(width, c.maximumWidth);
        EXPECT_GE(height, c.minimumHeight);
        EXPECT_LE(height, c.maximumHeight);
        EXPECT_TRUE(NonWhiteInk(image).isNull());
    }
}

TEST_F(UtilitiesUiTest, DrawTextInRectFillsUnlessTransparentAndDrawsTheShadowAtItsOffsets)
{
    const QRect rect(10, 5, 150, 30);
    for (bool transparent : {false, true}) {
        SCOPED_TRACE(transparent ? "transparent" : "filled");
        QImage image = WhiteImage(200, 40);
        QPainter painter(&image);
        painter.setFont(SharpFont());
        painter.setBrush(QColor(Qt::yellow));
        DrawTextInRect("Shadow",
                       painter,
                       transparent,
                       0x00FF0000,
                       0x000000FF,
                       3,
                       2,
                       true,
                       nullptr,
                       nullptr,
                       false,
                       false,
                       0,
                       rect);
        painter.end();
        const QRect text = InkOf(image, Qt::red);
        const QRect shadow = InkOf(image, Qt::blue);
        ASSERT_FALSE(text.isNull());
        EXPECT_EQ(shadow.right(), text.right() + 2);
        EXPECT_EQ(shadow.bottom(), text.bottom() + 3);
        EXPECT_EQ(image.pixelColor(rect.bottomRight()),
                  transparent ? QColor(Qt::white) : QColor(Qt::yellow));
        EXPECT_EQ(image.pixelColor(rect.left() - 1, rect.top()), QColor(Qt::white));
    }
}

TEST_F(UtilitiesUiTest, DrawTextInRectCentresOnlyATextThatFits)
{
    const QRect box(0, 0, 200, 40);
    const QRect plain = NonWhiteInk(Drawn("Hi", false, false, box));
    const QRect centred = NonWhiteInk(Drawn("Hi", true, true, box));
    const QFontMetrics metrics(SharpFont());
    EXPECT_EQ(centred.top(), plain.top() + (box.height() - metrics.height()) / 2);
    const int shift = (box.width() - metrics.horizontalAdvance(QStringLiteral("Hi"))) / 2;
    EXPECT_LE(std::abs(centred.left() - (plain.left() + shift)), 1);
    // Wider than its rectangle: the text starts at the left edge as if not centred.
    const QRect narrow(40, 0, 30, 40);
    const QRect wide = NonWhiteInk(Drawn("WWWWWWWW", true, false, narrow));
    EXPECT_EQ(wide.left(), NonWhiteInk(Drawn("WWWWWWWW", false, false, narrow)).left());
    EXPECT_GE(wide.left(), narrow.left());
}

TEST_F(UtilitiesUiTest, DrawFrameOutlinesTheRectangleOutsideItsArea)
{
    QImage image = WhiteImage(20, 20);
    QPainter painter(&image);
    DrawFrame(painter, 5, 5, 0x000000FF, 3, 4);
    DrawFrame(painter, 12, 12, NoColorRef, 3, 3);
    painter.end();
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 20; ++x) {
            const bool inBox = x >= 4 && x <= 9 && y >= 4 && y <= 8;
            const bool onBorder = inBox && (x == 4 || x == 9 || y == 4 || y == 8);
            SCOPED_TRACE(std::to_string(x) + "," + std::to_string(y));
            EXPECT_EQ(image.pixelColor(x, y), onBorder ? QColor(Qt::red) : QColor(Qt::white));
        }
    }
}

TEST_F(UtilitiesUiTest, CopyPixelsToBitmapCopiesRowsIntoThirtyTwoBitBitmapsOnly)
{
    const std::uint8_t pixels[] = {1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12,
                                   13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24};
    struct TCase
    {
        QImage::Format format;
        bool accepted;
    } cases[] = {
        {QImage::Format_RGB32, true},
        {QImage::Format_ARGB32, true},
        {QImage::Format_RGBA8888, true},
        {QImage::Format_RGB888, false},
        {QImage::Format_RGB16, false},
        {QImage::Format_Indexed8, false},
        {QImage::Format_Invalid, false},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(static_cast<int>(c.format));
        QImage bitmap = c.format == QImage::Format_Invalid ? QImage() : QImage(3, 2, c.format);
        if (!c.accepted) {
            try {
                CopyPixelsToBitmap(pixels, bitmap, 3, 2);
                ADD_FAILURE() << "no exception";
            } catch (const std::runtime_error &error) {
                EXPECT_STREQ(error.what(), "Invalid bitmap pixel format (not 32 bit).");
            }
            continue;
        }
        CopyPixelsToBitmap(pixels, bitmap, 3, 2);
        EXPECT_EQ(std::memcmp(bitmap.constScanLine(0), pixels, 12), 0);
        EXPECT_EQ(std::memcmp(bitmap.constScanLine(1), pixels + 12, 12), 0);
    }
}

// ---- Menus filled with files ------------------------------------------------------------------

TEST_F(UtilitiesUiTest, LoadMenuWithFilesPutsSortedDirectoriesFirstAndLeavesOutEmptyOnes)
{
    TTempDir dir;
    for (const char *file : {"b.txt",
                             "A.txt",
                             "c.doc",
                             "Tom & Jerry.txt",
                             ".hidden.txt",
                             "Zed/z.txt",
                             "alpha/x.txt",
                             "alpha/deep/d.txt",
                             "empty/n.doc",
                             ".secret/h.txt"}) {
        MakeDirectory(std::filesystem::path(dir / file).parent_path());
        dir.WriteFile(file, "x");
    }
    MakeDirectory(dir / "bare");
    std::string clicked;
    QMenu menu;
    LoadMenuWithFiles(
        &menu,
        dir.Path(),
        "*.txt",
        [&clicked](const std::string &path) { clicked = path; },
        "Open it",
        false,
        false,
        false);
    EXPECT_EQ(FunStatContext.status, fsPerfect);
    EXPECT_EQ(Captions(&menu),
              (std::vector<std::string>{"alpha", "Zed", "A.txt", "b.txt", "Tom && Jerry.txt"}));
    EXPECT_EQ(Tags(&menu), (std::vector<int>{1, 1, 0, 0, 0}));
    const QMenu *alpha = menu.actions()[0]->menu();
    ASSERT_NE(alpha, nullptr);
    EXPECT_EQ(Captions(alpha), (std::vector<std::string>{"deep", "x.txt"}));
    ASSERT_NE(alpha->actions()[0]->menu(), nullptr);
    EXPECT_EQ(Captions(alpha->actions()[0]->menu()), (std::vector<std::string>{"d.txt"}));
    QAction *b = menu.actions()[3];
    EXPECT_EQ(b->statusTip(), QStringLiteral("Open it"));
    EXPECT_EQ(MenuItemFilePath(b), dir / "b.txt");
    b->trigger();
    EXPECT_EQ(clicked, dir / "b.txt");
    alpha->actions()[1]->trigger();
    EXPECT_EQ(clicked, dir / "alpha/x.txt");
}

TEST_F(UtilitiesUiTest, LoadMenuWithFilesTakesAtMostThirtyVisibleEntriesALevel)
{
    TTempDir dir;
    for (int i = 0; i < 40; ++i)
        dir.WriteFile((i < 10 ? "f0" : "f") + std::to_string(i) + ".txt", "x");
    for (const char *hidden : {".a", ".b", ".c"})
        dir.WriteFile(hidden, "x");
    QMenu menu;
    LoadMenuWithFiles(&menu, dir.Path(), "", nullptr, "", false, false, false);
    const std::vector<std::string> captions = Captions(&menu);
    ASSERT_EQ(captions.size(), 30u);
    EXPECT_EQ(captions.front(), "f00.txt");
    EXPECT_EQ(captions.back(), "f29.txt");
}

TEST_F(UtilitiesUiTest, LoadMenuWithFilesHidesExtensionsAndChecksLinkTargets)
{
    TTempDir dir;
    TTempDir elsewhere;
    dir.WriteFile("notes.txt", "x");
    std::filesystem::create_symlink(dir / "missing.txt", dir / "gone.txt");
    std::filesystem::create_symlink(dir / "notes.txt", dir / "there.txt");
    elsewhere.WriteFile("inside.txt", "x");
    std::filesystem::create_directory_symlink(elsewhere.Path(), dir / "linked.dir");
    struct TCase
    {
        const char *name;
        bool hideExtension, checkFiles, checkLinks;
        std::vector<std::string> captions;
    } cases[] = {
        {"as they are", false, false, false, {"gone.txt", "linked.dir", "notes.txt", "there.txt"}},
        {"hidden extensions", true, false, false, {"gone", "linked", "notes", "there"}},
        {"checked files", false, true, false, {"linked", "notes", "there"}},
        {"checked links", false, false, true, {"linked", "notes", "there"}},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.name);
        QMenu menu;
        LoadMenuWithFiles(
            &menu, dir.Path(), "*", nullptr, "", c.hideExtension, c.checkFiles, c.checkLinks);
        EXPECT_EQ(Captions(&menu), c.captions);
        EXPECT_EQ(Tags(&menu), std::vector<int>(c.captions.size(), 0));
    }
}

TEST_F(UtilitiesUiTest, LoadMenuWithFilesFailures)
{
    TTempDir dir;
    dir.WriteFile("plain.txt", "x");
    struct TCase
    {
        const char *name;
        std::string directory, filter;
        std::int32_t status;
        const char *description;
        std::string parameter1;
        std::int32_t code;
    } cases[] = {
        {"slash", dir.Path(), "a/b", fsError, "Invalid file name filter.", "", 0},
        {"backslash", dir.Path(), "a\\b", fsError, "Invalid file name filter.", "", 0},
        {"colon", dir.Path(), "c:*", fsError, "Invalid file name filter.", "", 0},
        {"angle", dir.Path(), "*.t<t", fsError, "Invalid file name filter.", "", 0},
        {"bar", dir.Path(), "*|*", fsError, "Invalid file name filter.", "", 0},
        {"quote", dir.Path(), "\"*\"", fsError, "Invalid file name filter.", "", 0},
        {"not a directory",
         dir / "plain.txt",
         "*",
         fsError,
         "Can not find first item.",
         dir / "plain.txt",
         ENOTDIR},
        {"missing directory", dir / "missing", "*", fsPerfect, "", "", 0},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.name);
        QMenu menu;
        LoadMenuWithFiles(&menu, c.directory, c.filter, nullptr, "", false, false, false);
        EXPECT_TRUE(menu.isEmpty());
        EXPECT_EQ(FunStatContext.status, c.status);
        EXPECT_EQ(FunStatContext.description, c.description);
        EXPECT_EQ(FunStatContext.parameter1, c.parameter1);
        EXPECT_EQ(FunStatContext.systemErrorCode, c.code);
        EXPECT_EQ(FunStatContext.function, c.status == fsError ? "LoadMenuWithFiles" : "");
    }
}

TEST_F(UtilitiesUiTest, MenuInsertIndexKeepsDirectoriesFirstAndEachGroupSorted)
{
    QMenu menu;
    for (const auto &[caption, tag] :
         std::vector<std::pair<const char *, int>>{{"B", 1}, {"d", 1}, {"b", 0}, {"x", 0}})
        menu.addAction(QString::fromUtf8(caption))->setData(tag);
    struct TCase
    {
        const char *caption;
        bool isDirectory, directoriesFirst;
        int index;
    } cases[] = {
        {"a", true, true, 0},
        {"C", true, true, 1},
        {"z", true, true, 2},
        {"a", false, true, 2},
        {"c", false, true, 3},
        {"Z", false, true, 4},
        {"c", false, false, 1},
        {"z", false, false, 4},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(std::string(c.caption) + (c.isDirectory ? " directory" : " file"));
        EXPECT_EQ(MenuInsertIndex(c.caption, &menu, c.isDirectory, c.directoriesFirst), c.index);
    }
    QMenu empty;
    EXPECT_EQ(MenuInsertIndex("a", &empty, false, true), 0);
}

TEST_F(UtilitiesUiTest, FindMenuItemByTagSkipsSeparators)
{
    QMenu menu;
    menu.addSeparator()->setData(1);
    QAction *file = menu.addAction(QStringLiteral("file"));
    file->setData(0);
    QAction *directory = menu.addAction(QStringLiteral("directory"));
    directory->setData(1);
    EXPECT_EQ(FindMenuItemByTag(&menu, 1), directory);
    EXPECT_EQ(FindMenuItemByTag(&menu, 0), file);
    EXPECT_EQ(FindMenuItemByTag(&menu, 7), nullptr);
}

// ---- Dropped files and hashing ------------------------------------------------------------------

TEST_F(UtilitiesUiTest, DroppedFilesAreTheLocalFilesOfTheUriList)
{
    const std::unique_ptr<QMimeData> drop(MimeData({"file:///home/ann/a.txt",
                                                    "https://example.org/b",
                                                    "file:///home/ann/Grüße/",
                                                    "smb://server/share/c"},
                                                   "/not/this"));
    std::vector<std::string> list{"stale"};
    DroppedFilesToList(drop.get(), list);
    EXPECT_EQ(list, (std::vector<std::string>{"/home/ann/a.txt", "/home/ann/Grüße"}));
    EXPECT_EQ(DroppedFilesCount(drop.get()), 2);
    const std::unique_ptr<QMimeData> text(MimeData({}, "/home/ann/a.txt"));
    DroppedFilesToList(text.get(), list);
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(DroppedFilesCount(nullptr), 0);
}

TEST_F(UtilitiesUiTest, HashControlTextReplacesTheTextByItsDigest)
{
    struct TCase
    {
        TControlKind kind;
        const char *text, *algorithm;
        int iterations;
        const char *digest;
    } cases[] = {
        {TControlKind::LineEdit, "abc", "SHA160", 1, "A9993E364706816ABA3E25717850C26C9CD0D89D"},
        {TControlKind::LineEdit, "abc", "", 2, "0D3CED9BEC10A777AEC23CCC353A8C08A633045E"},
        {TControlKind::PlainTextEdit,
         "é€",
         "SHA160",
         1,
         "F299A77642B6437431ADA56C0643F7B8E99B5622"},
        {TControlKind::TextEdit, "abc", "SHA160", 1, "A9993E364706816ABA3E25717850C26C9CD0D89D"},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(std::string(c.text) + " " + std::to_string(c.iterations));
        QWidget window;
        QWidget *control = MakeControl(c.kind, &window);
        SetText(control, c.text);
        HashControlText(control, c.algorithm, c.iterations);
        EXPECT_EQ(TextOf(control), c.digest);
        EXPECT_TRUE(Boxes.Shown.empty());
    }
}

TEST_F(UtilitiesUiTest, HashControlTextOverwritesTheTypedTextBeforeItGoes)
{
    QLineEdit edit;
    edit.setText(QStringLiteral("pass"));
    std::vector<QString> texts;
    QObject::connect(
        &edit, &QLineEdit::textChanged, [&texts](const QString &text) { texts.push_back(text); });
    HashControlText(&edit, "SHA160", 1);
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(texts[0], QString(4, QChar(u'\u00FF')));
    EXPECT_EQ(texts[1], QString());
    EXPECT_EQ(texts[2].size(), 40);
    EXPECT_EQ(texts[2], texts[2].toUpper());
}

TEST_F(UtilitiesUiTest, HashControlTextRefusesAnEmptyTextAndAnUnknownAlgorithm)
{
    QLineEdit edit;
    HashControlText(&edit, "SHA160", 1);
    EXPECT_EQ(Warnings(), std::vector<std::string>{"There is no text to hash."});
    EXPECT_TRUE(edit.text().isEmpty());
    edit.setText(QStringLiteral("abc"));
    HashControlText(&edit, "MD5", 1);
    EXPECT_EQ(ErrorMessages(), std::vector<std::string>{"Unknown hash algorithm."});
    EXPECT_EQ(edit.text(), QStringLiteral("abc"));
}
