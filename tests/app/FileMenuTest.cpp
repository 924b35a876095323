// The File menu: its layout, the enabling pass, the keys that click its items, and its
// commands on the active column, also on an empty list and on a directory that vanished.
#include "app/FileStreamsDialog.h"
#include "app/MainDialog.h"

#include "Libraries/File.h"
#include "Libraries/Program.h"
#include "app/FileDialog.h"
#include "app/OverwriteDialog.h"
#include "app/SystemMenu.h"
#include "tests/support/TestSupport.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QMenu>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <limits>
#include <memory>

namespace {

// The text a menu item shows: a single "&" marks the next character as the mnemonic and is not
// shown, "&&" shows one "&".
std::string VisibleText(const QString &text)
{
    std::string shown;
    const std::string raw = text.toStdString();
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '&' && i + 1 < raw.size()) ++i;
        else if (raw[i] == '&') continue;
        shown += raw[i];
    }
    return shown;
}

// Each named item, indented by its depth, with its key label in brackets; the items of value
// submenus have no name and are checked on their own.
void WalkMenu(const QMenu *menu, int depth, std::vector<std::string> &lines)
{
    for (const QAction *action : menu->actions()) {
        if (action->isSeparator() || action->objectName().isEmpty()) continue;
        std::string line =
            std::string(static_cast<std::size_t>(2 * depth), ' ') + VisibleText(action->text());
        const QString keys = action->shortcut().toString(QKeySequence::PortableText);
        if (!keys.isEmpty()) line += " [" + keys.toStdString() + "]";
        lines.push_back(line);
        if (action->menu()) WalkMenu(action->menu(), depth + 1, lines);
    }
}

std::vector<std::string> Captions(const QMenu *menu)
{
    std::vector<std::string> captions;
    for (const QAction *action : menu->actions())
        captions.push_back(VisibleText(action->text()));
    return captions;
}

std::vector<std::string> Numbers(int first, int last)
{
    std::vector<std::string> numbers;
    for (int n = first; n <= last; ++n)
        numbers.push_back(std::to_string(n));
    return numbers;
}

} // namespace

class FileMenuTest : public TStatusTest
{
protected:
    void SetUp() override
    {
        TStatusTest::SetUp();
        const char *dataHome = std::getenv("XDG_DATA_HOME");
        SavedDataHome = dataHome ? dataHome : "";
        setenv("XDG_DATA_HOME", (Root / "data").c_str(), 1);
        std::filesystem::create_directories(Root / "tree/sub");
        std::filesystem::create_directories(Root / "empty");
        Root.WriteFile("tree/note.txt", "note");
        Root.WriteFile("tree/other.txt", "other");
        std::filesystem::create_symlink(Root / "tree/note.txt", Root / "tree/link");
        UsePortableProgramFolder(Home.Path());
        OverwriteForm = &Overwrite;
        FileForm = &FileDialog;
        Form = std::make_unique<TMainForm>();
        Form->resize(1000, 700);
        Form->StartMainForm();
    }
    void TearDown() override
    {
        Form.reset();
        FileForm = nullptr;
        OverwriteForm = nullptr;
        SetProgramDirectoryOverride("");
        if (SavedDataHome.empty())
            unsetenv("XDG_DATA_HOME");
        else
            setenv("XDG_DATA_HOME", SavedDataHome.c_str(), 1);
        TStatusTest::TearDown();
    }
    TColumn &Column(int index) { return *Form->Columns[index]; }
    // Shows the title in the column and makes it the active column.
    void Show(int index, const std::string &title)
    {
        Column(index).LoadDirectory(true, -1, -1, std::numeric_limits<int>::min(), -1, title);
        Form->FocusColumn(index, true);
    }
    bool Press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QKeyEvent event(QEvent::KeyPress, key, modifiers);
        return Form->FormKeyDown(&event);
    }
    bool Enabled(const char *name)
    {
        Form->EnableFileMenuItems();
        return Form->MenuItem(name)->isEnabled();
    }
    void SelectAll(TColumn &column)
    {
        for (int i = 0; i < column.FileList->Count(); ++i)
            column.Item(i)->Selected = true;
        column.SelectedCount = column.FileList->Count();
    }
    std::string Clipboard() const { return QApplication::clipboard()->text().toStdString(); }
    // Clicks "&Okay" of the file operation dialog as soon as it shows.
    static void OkayLater()
    {
        QTimer::singleShot(0, [] {
            if (FileForm && QApplication::activeModalWidget() == FileForm) FileForm->OkayButton->click();
        });
    }

    TOverwriteForm Overwrite;
    TFileForm FileDialog;
    TTempDir Root;
    TTempDir Home;
    std::string SavedDataHome;
    std::unique_ptr<TMainForm> Form;
};

TEST_F(FileMenuTest, LayoutCaptionsAndKeyLabels)
{
    const std::vector<std::string> expected = {
        "Attributes",
        "  Fixed [F10]",
        "  Thumbnails [Ctrl+F10]",
        "  Width",
        "  Subcolumns",
        "  Thumbnail height",
        "    This",
        "  Sort",
        "  Rename container",
        "  Paths in container [Shift+F10]",
        "  Special paths",
        "  Edit board properties [B]",
        "Navigate",
        "  Program locations",
        "  Locations",
        "  History",
        "  Tree navigator dialog [I]",
        "  Navigate to directory [Ctrl+I]",
        "  Previous directory [\\]",
        "  Partition root [Ctrl+\\]",
        "  Terminal root [Shift+\\]",
        "  Default directory [Num+/]",
        "  Parent directory [Backspace]",
        "  Load directory [L]",
        "  Load all directories [Ctrl+L]",
        "  Set as active file [Shift+L]",
        "Partitions",
        "System locations",
        "Visible columns",
        "Group of columns",
        "  Insert column at end [Ctrl+Right]",
        "  Delete last column [Ctrl+Left]",
        "  Insert column here [Shift+Right]",
        "  Delete this column [Shift+Left]",
        "  Rotate columns to right [Alt+Right]",
        "  Rotate columns to left [Alt+Left]",
        "Drop to directory",
        "  Copy *",
        "  Move *",
        "  Convert picture *",
        "Send",
        "System menu",
        "Inter-board",
        "  No marked column",
        "  Mark source column",
        "  Show File-drag menu",
        "  Set with source column",
        "  Copy *",
        "  Convert picture *",
        "  Move *",
        "Often",
        "  Recycle file * [F11]",
        "  Delete file * [F12]",
        "  New directory [D]",
        "  New file [F]",
        "  Rename file [N]",
        "  Multi-rename file * [Ctrl+N]",
        "  Properties [P]",
        "  Reference properties [Ctrl+P]",
        "Miscellaneous",
        "  Associate extension",
        "    Program",
        "    Document [X]",
        "    Generic [Ctrl+X]",
        "    Audio",
        "    Video",
        "    Text",
        "    None",
        "    Save and update [Shift+X]",
        "  Link as item in",
        "  Clip active file",
        "    Name [F2]",
        "    Path [Ctrl+F2]",
        "    Title [Shift+F2]",
        "    Reference [Alt+F2]",
        "  Clip titles * [C]",
        "  Go to reference [G]",
        "  Open with [Q]",
        "  Print",
        "  Manual run [R]",
        "  Set as background [W]",
        "  Set as wallpaper [Ctrl+W]",
        "  Paste picture [U]",
        "  Hash file",
        "View & Edit",
        "  View next [F3]",
        "  View previous [F4]",
        "  View [F5]",
        "  View clipboard picture [Ctrl+F5]",
        "  View steg noise [Shift+F5]",
        "  View media in directory [F6]",
        "  View this media in directory [Ctrl+F6]",
        "  Edit [E]",
        "  Edit streams [A]",
        "  Edit streams (autoload) [Ctrl+A]",
        "  Edit description [Shift+A]",
        "  Activate auto steg-out",
        "Search",
        "  Locate file [T]",
        "  Locate next file [Ctrl+T]",
        "  Locate previous file [Shift+T]",
        "  Locate first numbered [Ctrl+Alt+T]",
        "  Locate last numbered [Alt+T]",
        "  Search history [H]",
        "  Search file * [S]",
        "  Search file in home * [Ctrl+S]",
        "  Search file in home 2 * [Shift+S]",
        "  Find common text * [Alt+S]",
        "Select",
        "Show container",
        "Copy to container *",
        "Container operations",
        "  Go to file [Ctrl+G]",
        "  Clear",
        "  Remove duplicates",
        "  Recycle item * [Del]",
        "  Rename item [M]",
        "  Multi-rename item * [Ctrl+M]",
        "  Add from clipboard *",
    };
    std::vector<std::string> lines;
    WalkMenu(Form->FileMenu, 0, lines);
    for (std::size_t i = 0; i < std::max(lines.size(), expected.size()); ++i)
        EXPECT_EQ(i < lines.size() ? lines[i] : "(none)",
                  i < expected.size() ? expected[i] : "(none)")
            << "row " << i;

    const auto submenu = [this](const char *name) { return Form->MenuItem(name)->menu(); };
    EXPECT_EQ(Captions(submenu("WidthAttrMenu")), Numbers(1, 10));
    EXPECT_EQ(Captions(submenu("SubcolumnsAttrMenu")), Numbers(1, 10));
    EXPECT_EQ(Captions(submenu("VisibleColumnsMenu")), Numbers(1, 10));
    std::vector<std::string> heights = {"This", "Fill"};
    for (const std::string &n : Numbers(1, 25))
        heights.push_back(n);
    heights.push_back("30");
    EXPECT_EQ(Captions(submenu("ThumbHeightMenu")), heights);
    EXPECT_EQ(Captions(submenu("SortModeMenu")),
              (std::vector<std::string>{"Name",
                                        "Modified, new-old",
                                        "Modified, old-new",
                                        "Created, new-old",
                                        "Created, old-new",
                                        "Size, big-small",
                                        "Size, small-big"}));
    EXPECT_EQ(submenu("ThumbHeightMenu")->defaultAction(), Form->MenuItem("ThumbHeightTitleMenu"));

    struct TCase
    {
        const char *Name, *Caption;
    };
    const TCase names[] = {{"FixedAttrMenu", "Fixed"},
                           {"FileMenu_ConvertPictureToDir", "Convert picture *"},
                           {"IBConvertPictureMenu", "Convert picture *"},
                           {"SysLocMenu_TerminalRoot", "Terminal root"},
                           {"ClipActiveReferenceMenu", "Reference"},
                           {"SetAsBackgroundPicture", "Set as background"},
                           {"AssociateExtensionMenu_NoViewer", "None"},
                           {"AddClipboardToContainerMenu", "Add from clipboard *"}};
    for (const TCase &c : names) {
        SCOPED_TRACE(c.Name);
        ASSERT_NE(Form->MenuItem(c.Name), nullptr);
        EXPECT_EQ(Form->MenuItem(c.Name)->objectName().toStdString(), c.Name);
        EXPECT_EQ(VisibleText(Form->MenuItem(c.Name)->text()), c.Caption);
    }
    EXPECT_EQ(Form->MenuItem("FileSystemMenuMenu")->statusTip().toStdString(),
              "Show the \"System\" menu. You can also display this menu using the \"Mouse\" menu, "
              "or with a "
              "right-click on the file type field.");
}

TEST_F(FileMenuTest, EnablingFollowsTheActiveItem)
{
    // Columns of the expected text, 1 for enabled.
    const char *const items[] = {"FilePropertiesMenu",
                                 "FileSystemMenuMenu",
                                 "RecycleFileMenu",
                                 "OpenFileWithMenu",
                                 "PrintFileMenu",
                                 "ReferencePropertiesMenu",
                                 "ClipActiveReferenceMenu",
                                 "ShowPathsInContainerMenu",
                                 "SortModeMenu",
                                 "ClipActiveNameMenu",
                                 "ParentDirectoryMenu",
                                 "FixedAttrMenu",
                                 "DeleteFileMenu",
                                 "LocateFileMenu",
                                 "SelectMenu",
                                 "FileMenu_DropToDir"};
    struct TCase
    {
        const char *Situation;
        std::function<void()> Setup;
        const char *Enabled;
    };
    const TCase cases[] = {
        {"partitions list", [&] { Show(0, ":/"); }, "1100000011110000"},
        {"directory", [&] { Show(0, Root / "tree/sub"); }, "1110000011111000"},
        {"text file", [&] { Show(0, Root / "tree/note.txt"); }, "1111100011111000"},
        {"symbolic link", [&] { Show(0, Root / "tree/link"); }, "1111111011111000"},
        {"selection",
         [&] {
             Show(0, Root / "tree/note.txt");
             SelectAll(Column(0));
         },
         "1111100011111000"},
        {"empty list", [&] { Show(0, Root / "empty/"); }, "0000000011110000"},
        {"container",
         [&] {
             Column(0).ContainerIndex = 0;
             Column(0).SetWithList({Root / "tree/note.txt", Root / "tree/other.txt"}, false);
             Column(0).FocusIndex(0);
         },
         "1111100101111000"},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Situation);
        c.Setup();
        std::string enabled;
        for (const char *name : items)
            enabled += Enabled(name) ? '1' : '0';
        EXPECT_EQ(enabled, c.Enabled);
    }
    EXPECT_TRUE(ShownErrors().empty());
}

TEST_F(FileMenuTest, ADisabledItemDoesNothingWhenItsKeyIsPressed)
{
    Show(0, Root / "tree/note.txt");
    QApplication::clipboard()->setText(QStringLiteral("before"));
    // Enabled a moment ago, but the key runs the enabling pass first.
    Form->EnableFileMenuItems();
    ASSERT_TRUE(Form->MenuItem("RecycleFileMenu")->isEnabled());
    Show(0, ":/");
    EXPECT_FALSE(Form->ClickMenuItem("RecycleFileMenu"));
    EXPECT_FALSE(Press(Qt::Key_F11));
    EXPECT_FALSE(Press(Qt::Key_Q));
    EXPECT_FALSE(Press(Qt::Key_F2, Qt::AltModifier)) << "no link to take the reference of";
    EXPECT_FALSE(Press(Qt::Key_F12)) << "no command yet";
    EXPECT_FALSE(Form->ClickMenuItem("AttributesMenu")) << "a submenu is not clicked";
    EXPECT_FALSE(Form->ClickMenuItem("No such item"));
    EXPECT_EQ(Clipboard(), "before");
    EXPECT_TRUE(std::filesystem::exists(Root / "tree/note.txt"));
    EXPECT_TRUE(Boxes.Shown.empty());
    EXPECT_TRUE(ShownErrors().empty());
}

TEST_F(FileMenuTest, ClipActiveFileTexts)
{
    Show(0, Root / "tree/note.txt");
    struct TCase
    {
        int Key;
        Qt::KeyboardModifiers Modifiers;
        std::string Text;
    };
    const TCase cases[] = {{Qt::Key_F2, Qt::NoModifier, "note.txt"},
                           {Qt::Key_F2, Qt::ControlModifier, Root / "tree/"},
                           {Qt::Key_F2, Qt::ShiftModifier, Root / "tree/note.txt"}};
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Text);
        EXPECT_TRUE(Press(c.Key, c.Modifiers));
        EXPECT_EQ(Clipboard(), c.Text);
    }
    Show(0, Root / "tree/link");
    EXPECT_TRUE(Press(Qt::Key_F2, Qt::AltModifier));
    EXPECT_EQ(Clipboard(), Root / "tree/note.txt");

    // An empty list's item is its directory, which has no name.
    Show(0, Root / "empty/");
    EXPECT_TRUE(Press(Qt::Key_F2, Qt::ShiftModifier));
    EXPECT_EQ(Clipboard(), Root / "empty/");
    EXPECT_TRUE(Press(Qt::Key_F2));
    ASSERT_EQ(Boxes.Shown.size(), 1u);
    EXPECT_EQ(Boxes.Shown[0].Text, "There is no text to copy to clipboard.");
}

TEST_F(FileMenuTest, AttributeAndValueItems)
{
    Show(0, Root / "tree/note.txt");
    const bool fixed = Column(0).Fixed;
    EXPECT_TRUE(Press(Qt::Key_F10));
    EXPECT_NE(Column(0).Fixed, fixed);
    EXPECT_TRUE(Press(Qt::Key_F10, Qt::ControlModifier));
    EXPECT_TRUE(Column(0).Thumb);

    const auto valueItem = [this](const char *menu, const char *caption) -> QAction * {
        for (QAction *action : Form->MenuItem(menu)->menu()->actions())
            if (action->text().toStdString() == caption) return action;
        return nullptr;
    };
    valueItem("WidthAttrMenu", "3")->trigger();
    EXPECT_EQ(Column(0).WidthAttribute, 3);
    valueItem("SortModeMenu", "Size, big-small")->trigger();
    EXPECT_EQ(Column(0).SortMode, "Size, big-small");
    EXPECT_EQ(Column(0).ActiveTitle, Root / "tree/note.txt") << "the reload keeps the focus";

    // Opened with Ctrl, the thumbnail heights go to every column.
    Form->ShowFileMenu(10, 10, Qt::ControlModifier);
    EXPECT_EQ(Form->MenuItem("ThumbHeightTitleMenu")->text().toStdString(), "All");
    EXPECT_TRUE(valueItem("WidthAttrMenu", "3")->isChecked());
    EXPECT_FALSE(valueItem("WidthAttrMenu", "1")->isChecked());
    EXPECT_TRUE(valueItem("SortModeMenu", "Size, big-small")->isChecked());
    EXPECT_TRUE(valueItem("VisibleColumnsMenu", "2")->isChecked());
    Form->FileMenu->hide();
    valueItem("ThumbHeightMenu", "5")->trigger();
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(Column(i).ThumbHeight, 5) << i;
    Form->ShowFileMenu(10, 10, Qt::NoModifier);
    Form->FileMenu->hide();
    EXPECT_EQ(Form->MenuItem("ThumbHeightTitleMenu")->text().toStdString(), "This");
    valueItem("ThumbHeightMenu", "Fill")->trigger();
    EXPECT_EQ(Column(0).ThumbHeight, 0);
    EXPECT_EQ(Column(1).ThumbHeight, 5);
    valueItem("VisibleColumnsMenu", "3")->trigger();
    EXPECT_EQ(Form->VisibleColumnCount, 3);
}

TEST_F(FileMenuTest, ParentPreviousDefaultAndRun)
{
    std::filesystem::create_directories(Root / "default");
    Root.WriteFile("default/a.txt", "a");
    Root.WriteFile("default/b.txt", "b");
    Column(0).Fixed = Column(1).Fixed = false;
    Show(0, Root / "tree/sub");
    Column(0).DefaultTitle = Root / "default/b.txt";
    // The first column of its group: the group moves right and this column shows the parent.
    EXPECT_TRUE(Press(Qt::Key_Backspace));
    EXPECT_EQ(Column(0).ActiveTitle, Root / "tree");
    EXPECT_EQ(Column(1).ActiveTitle, Root / "tree/sub");
    EXPECT_EQ(Form->ActiveColumnIndex, 0);
    // Previous directory exchanges the active and the previous title.
    EXPECT_TRUE(Press(Qt::Key_Backslash));
    EXPECT_EQ(Column(0).ActiveTitle, Root / "tree/sub");
    EXPECT_EQ(Column(0).PreviousTitle, Root / "tree");
    EXPECT_TRUE(Press(Qt::Key_Slash, Qt::KeypadModifier));
    EXPECT_EQ(Column(0).ActiveTitle, Root / "default/b.txt");

    // Run on a directory opens it in the next column of the group.
    Show(0, Root / "tree/sub");
    EXPECT_TRUE(Press(Qt::Key_Return));
    EXPECT_EQ(ExtractDirectory(Column(1).ActiveTitle), Root / "tree/sub/");
    EXPECT_EQ(Form->ActiveColumnIndex, 1);
    // The second column's parent goes to the first column; Alt keeps it in place.
    Form->KeyModifiers = Qt::AltModifier;
    Form->Com_ParentDirectory();
    Form->KeyModifiers = Qt::NoModifier;
    EXPECT_EQ(Column(1).ActiveTitle, Root / "tree/sub");
    EXPECT_TRUE(Press(Qt::Key_Backspace));
    EXPECT_EQ(Column(0).ActiveTitle, Root / "tree");
    EXPECT_EQ(Form->ActiveColumnIndex, 0);

    // Above the root lies the partitions list with the root focused, and nothing above that.
    Show(0, "/tmp");
    EXPECT_TRUE(Press(Qt::Key_Backspace));
    EXPECT_EQ(Column(0).ActiveTitle, ":/");
    EXPECT_TRUE(IsDrivePath(Column(0).Item(Column(0).FileList->FocusIndex)->Title));
    EXPECT_TRUE(Press(Qt::Key_Backspace));
    EXPECT_EQ(Column(0).ActiveTitle, ":/");
    EXPECT_TRUE(ShownErrors().empty());
}

TEST_F(FileMenuTest, PartitionAndTerminalRoot)
{
    Show(0, Root / "tree/note.txt");
    const std::string partition = PartitionTitleOf(Root / "tree/note.txt");
    EXPECT_TRUE(Press(Qt::Key_Backslash, Qt::ShiftModifier));
    EXPECT_EQ(Column(0).ActiveTitle, partition);
    EXPECT_EQ(Form->ActiveColumnIndex, 0);
    Show(0, Root / "tree/note.txt");
    EXPECT_TRUE(Press(Qt::Key_Backslash, Qt::ControlModifier));
    EXPECT_EQ(ExtractDirectory(Column(0).ActiveTitle),
              IncludeTrailingBackslash(partition.substr(1)));
    EXPECT_EQ(Form->ActiveColumnIndex, 0);
}

TEST_F(FileMenuTest, RecycleTheActiveItemOrTheSelection)
{
    Show(0, Root / "tree/note.txt");
    OkayLater();
    EXPECT_TRUE(Press(Qt::Key_F11));
    EXPECT_FALSE(std::filesystem::exists(Root / "tree/note.txt"));
    EXPECT_TRUE(std::filesystem::exists(Root / "data/Trash/files/note.txt"));
    EXPECT_TRUE(std::filesystem::exists(Root / "tree/other.txt"));
    EXPECT_EQ(Column(0).IndexOfName("note.txt"), -1) << "the column was reloaded";

    std::filesystem::remove(Root / "tree/link");
    Show(0, Root / "tree/other.txt");
    SelectAll(Column(0));
    OkayLater();
    EXPECT_TRUE(Press(Qt::Key_F11, Qt::ShiftModifier)) << "the key works with any modifier";
    EXPECT_TRUE(std::filesystem::is_empty(Root / "tree"));
    EXPECT_TRUE(ShownErrors().empty());
}

TEST_F(FileMenuTest, ContextMenuKeyOpensTheFileMenuForTheFocusedItem)
{
    Show(0, Root / "tree/other.txt");
    EXPECT_TRUE(Press(Qt::Key_Menu, Qt::ShiftModifier));
    EXPECT_TRUE(Form->FileMenu->isVisible());
    EXPECT_EQ(Form->DragSourcePosition, 0);
    EXPECT_EQ(Form->DragActiveTitle, Root / "tree/other.txt");
    EXPECT_EQ(Form->DragFocusIndex, Column(0).FileList->FocusIndex);
    EXPECT_EQ(Form->DragShift, Qt::ShiftModifier);
    EXPECT_TRUE(Form->MenuItem("RecycleFileMenu")->isEnabled());
    Form->FileMenu->hide();
    // Outside a container Shift+F10 is the context-menu key too.
    EXPECT_TRUE(Press(Qt::Key_F10, Qt::ShiftModifier));
    EXPECT_TRUE(Form->FileMenu->isVisible());
    Form->FileMenu->hide();
    EXPECT_FALSE(Column(0).ShowContainerPaths);
}

// Empty lists, placeholders and vanished directories: the menus act on no wrong item.
class FileMenuBadInputTest : public FileMenuTest
{
protected:
    void SetUp() override
    {
        FileMenuTest::SetUp();
        Saved = ChooseFromSystemMenu;
        ChooseFromSystemMenu = [this](QMenu &menu, QPoint) -> QAction * {
            Menus.push_back(menu.actions().value(0)->text().toStdString());
            return nullptr;
        };
    }
    void TearDown() override
    {
        ChooseFromSystemMenu = Saved;
        FileMenuTest::TearDown();
    }
    TMenuChooser Saved;
    std::vector<std::string> Menus;
};

TEST_F(FileMenuBadInputTest, EmptyListAndItsPlaceholder)
{
    Show(0, Root / "empty/");
    ASSERT_TRUE(Column(0).FileList->Empty);
    ASSERT_EQ(Column(0).FileList->Count(), 1) << "the placeholder";
    EXPECT_FALSE(Enabled("FileSystemMenuMenu"));
    EXPECT_FALSE(Form->ClickMenuItem("FileSystemMenuMenu"));
    EXPECT_FALSE(Press(Qt::Key_F11));
    EXPECT_FALSE(Press(Qt::Key_P));
    EXPECT_TRUE(Press(Qt::Key_Return));
    Form->RunActiveItem(Qt::NoModifier);
    Form->Com_RecycleFile();
    // Asked for anyway, the System menu is the directory's own.
    Form->DragSourcePosition = 0;
    Form->ShowContextMenu(0, -1, false, Qt::NoModifier, -1);
    EXPECT_EQ(Menus, std::vector<std::string>{"System: Active title"});
    EXPECT_TRUE(std::filesystem::is_directory(Root / "empty"));
    EXPECT_EQ(Column(0).ActiveTitle, Root / "empty/");
    EXPECT_TRUE(ShownErrors().empty());
}

TEST_F(FileMenuBadInputTest, ColumnWhoseDirectoryVanished)
{
    std::filesystem::create_directories(Root / "gone");
    Root.WriteFile("gone/lost.txt", "lost");
    Show(0, Root / "gone/lost.txt");
    std::filesystem::remove_all(Root / "gone");
    ASSERT_FALSE(Column(0).FileList->Empty);

    Form->DragSourcePosition = 0;
    Form->DragFocusIndex = Column(0).FileList->FocusIndex;
    EXPECT_TRUE(Form->ClickMenuItem("FileSystemMenuMenu"));
    EXPECT_TRUE(Menus.empty()) << "no menu for an item that is not there";
    EXPECT_TRUE(ShownErrors().empty());

    // The menu's end read the columns again: the vanished directory gave way to its parent.
    // Shown once more, the item that is gone cannot be recycled either.
    EXPECT_EQ(ExtractDirectory(Column(0).ActiveTitle), Root.Path() + "/");
    std::filesystem::create_directories(Root / "gone");
    Root.WriteFile("gone/lost.txt", "lost");
    Show(0, Root / "gone/lost.txt");
    std::filesystem::remove_all(Root / "gone");
    OkayLater();
    EXPECT_TRUE(Press(Qt::Key_F11));
    EXPECT_EQ(ShownErrors(), std::vector<std::string>{"Failed to Recycle."});
    EXPECT_TRUE(std::filesystem::exists(Root / "tree/note.txt"));
    EXPECT_TRUE(std::filesystem::exists(Root / "tree/other.txt"));
    EXPECT_FALSE(std::filesystem::exists(Root / "data/Trash/files/lost.txt"));

    // Loading it again climbs to the nearest directory that exists.
    Show(0, Root / "gone/lost.txt");
    EXPECT_TRUE(Press(Qt::Key_F2, Qt::ShiftModifier));
    EXPECT_EQ(ExtractDirectory(Clipboard()), Root.Path() + "/");
}

namespace {
// Every item of the menu and its submenus whose text would lose a character to a mnemonic.
void ItemsWithMnemonics(const QMenu *menu, const std::string &path, std::vector<std::string> &found)
{
    for (const QAction *action : menu->actions()) {
        if (action->isSeparator()) continue;
        const QString text = action->text();
        const std::string whole =
            QString(text).replace(QStringLiteral("&&"), QStringLiteral("&")).toStdString();
        if (!QKeySequence::mnemonic(text).isEmpty() || VisibleText(text) != whole)
            found.push_back(path + VisibleText(text));
        if (action->menu())
            ItemsWithMnemonics(action->menu(), path + VisibleText(text) + " / ", found);
    }
}
} // namespace

TEST_F(FileMenuTest, EveryMenuItemShowsItsCaptionWhole)
{
    // A marked inter-board column whose directory's name holds an ampersand.
    std::filesystem::create_directories(Root / "R&D");
    Root.WriteFile("R&D/plan.txt", "plan");
    Show(0, Root / "R&D/plan.txt");
    Form->ClickMenuItem("Mark source column");
    Form->EnableFileMenuItems();
    EXPECT_EQ(VisibleText(Form->MenuItem("IBTitleMenu")->text()), "Directory \"R&D\"");
    EXPECT_EQ(VisibleText(Form->MenuItem("ViewMenu")->text()), "View & Edit");
    ASSERT_NE(Form->MenuItem("View & Edit"), nullptr) << "found by its caption";
    EXPECT_EQ(Form->MenuItem("View & Edit"), Form->MenuItem("ViewMenu"));

    std::vector<std::string> found;
    for (const QMenu *menu : {Form->FileMenu, Form->WorkPopupMenu, Form->HelpPopupMenu,
                              Form->FileDragMenu})
        ItemsWithMnemonics(menu, "", found);
    EXPECT_EQ(found, std::vector<std::string>{});
}

TEST_F(FileMenuTest, EditDescriptionOpensTheStreamsEditorOnTheLinksTarget)
{
    TFileStreamsForm editor;
    FileStreamsForm = &editor;
    Show(0, Root / "tree/link");
    ASSERT_TRUE(Enabled("EditFileDescriptionMenu"));
    EXPECT_TRUE(Press(Qt::Key_A, Qt::ShiftModifier));
    EXPECT_TRUE(editor.isVisible());
    EXPECT_EQ(editor.FileName, Root / "tree/note.txt");
    EXPECT_EQ(editor.LoadedStreamName, "Description");
    editor.hide();
    FileStreamsForm = nullptr;
    EXPECT_TRUE(ShownErrors().empty());
}
