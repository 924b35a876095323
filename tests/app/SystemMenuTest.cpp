// The "System" menu: application entries and mimeapps lists from fixture folders, Exec command
// lines, the menu's items and commands, and the main window's System menu.
#include "app/SystemMenu.h"

#include "Libraries/File.h"
#include "Libraries/Program.h"
#include "app/MainDialog.h"
#include "app/OptionsDialog.h"
#include "platform/DesktopApplications.h"
#include "tests/support/TestSupport.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QStandardPaths>
#include <QtTest/QTest>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <memory>
#include <optional>
#include <thread>

namespace {

// Sets environment variables for a test and puts the old values back.
class TScopedEnvironment
{
public:
    void Set(const char *name, const std::string &value)
    {
        const char *old = std::getenv(name);
        Saved.push_back({name, old ? std::optional<std::string>(old) : std::nullopt});
        if (value.empty())
            unsetenv(name);
        else
            setenv(name, value.c_str(), 1);
    }
    ~TScopedEnvironment()
    {
        for (auto it = Saved.rbegin(); it != Saved.rend(); ++it) {
            if (it->second)
                setenv(it->first.c_str(), it->second->c_str(), 1);
            else
                unsetenv(it->first.c_str());
        }
    }

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> Saved;
};

std::string
EntryText(const std::string &name, const std::string &exec, const std::string &more = {})
{
    return "[Desktop Entry]\nType=Application\nName=" + name + "\nExec=" + exec + "\n" + more;
}

// The text of a file once it holds a whole line, waiting up to five seconds for it.
std::string WaitForLine(const std::string &path)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::error_code error;
        if (std::filesystem::exists(path, error)) {
            std::ifstream in(path);
            const std::string text((std::istreambuf_iterator<char>(in)),
                                   std::istreambuf_iterator<char>());
            if (!text.empty() && text.back() == '\n') return text;
        }
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return {};
}

} // namespace

// Fixture folders: the user's and the system's application entries, a mimeapps list choosing
// the default, and a marker script the entries run.
class SystemMenuTest : public TStatusTest
{
protected:
    void SetUp() override
    {
        TStatusTest::SetUp();
        SavedChooser = ChooseFromSystemMenu;
        // The system's MIME database stays in reach of the fixture data folders.
        const std::string mime = QStandardPaths::locate(QStandardPaths::GenericDataLocation,
                                                        QStringLiteral("mime"),
                                                        QStandardPaths::LocateDirectory)
                                     .toStdString();
        Environment.Set("XDG_DATA_HOME", Root / "data");
        Environment.Set("XDG_DATA_DIRS", Root / "system");
        Environment.Set("XDG_CONFIG_HOME", Root / "config");
        Environment.Set("XDG_CONFIG_DIRS", Root / "etc");
        Environment.Set("XDG_CURRENT_DESKTOP", "");
        Environment.Set("LANG", "C");
        Environment.Set("LC_ALL", "");
        Environment.Set("LC_MESSAGES", "");
        for (const char *folder :
             {"data/applications/vendor", "system/applications", "config", "docs"})
            std::filesystem::create_directories(Root / folder);
        if (!mime.empty()) std::filesystem::create_directory_symlink(mime, Root / "system/mime");
        Root.WriteFile("mark.sh", "#!/bin/sh\necho \"$@\" >> " + Marker() + "\n");
        std::filesystem::permissions(Root / "mark.sh", std::filesystem::perms::owner_all);
        const std::string mark = Root / "mark.sh";
        Root.WriteFile(
            "data/applications/fixture-editor.desktop",
            EntryText("Fixture Editor",
                      mark + " editor %f",
                      "MimeType=text/plain;\nComment=Edits text\nActions=new-window;missing;\n"
                      "[Desktop Action new-window]\nName=New window\nExec=" +
                          mark + " action %f\n"));
        Root.WriteFile("data/applications/vendor/viewer.desktop",
                       EntryText("Fixture Viewer",
                                 mark + " viewer %F",
                                 "MimeType=text/plain;inode/directory;\n"));
        Root.WriteFile(
            "system/applications/fixture-editor.desktop",
            EntryText("Shadowed Editor", mark + " shadowed %f", "MimeType=text/plain;\n"));
        Root.WriteFile("system/applications/removed.desktop",
                       EntryText("Removed Editor", mark + " removed %f", "MimeType=text/plain;\n"));
        Root.WriteFile("config/mimeapps.list",
                       "[Default Applications]\ntext/plain=gone.desktop;vendor-viewer.desktop;\n"
                       "[Removed Associations]\ntext/plain=removed.desktop;\n");
        WriteBrokenEntries();
        Root.WriteFile("docs/note.txt", "note\n");
        Root.WriteFile("docs/other.txt", "other\n");
    }

    // Entries that must never reach a menu.
    void WriteBrokenEntries()
    {
        const std::string mark = Root / "mark.sh";
        std::string binary = "\x7f"
                             "ELF\x02\x01\x01";
        binary += std::string(3, '\0') +
                  "[Desktop Entry]\nType=Application\nName=Binary\nExec=x\nMimeType=text/plain;";
        for (int i = 0; i < 256; ++i)
            binary += static_cast<char>(i);
        const std::pair<const char *, std::string> entries[] = {
            {"binary.desktop", binary},
            {"latin1.desktop", EntryText("Caf\xe9", mark + " latin1 %f", "MimeType=text/plain;\n")},
            {"unclosed.desktop",
             "[Desktop Entry\nType=Application\nName=Unclosed\nExec=x %f\nMimeType=text/plain;"},
            {"quote.desktop", EntryText("Quote", "\"" + mark + " %f", "MimeType=text/plain;\n")},
            {"noexec.desktop",
             "[Desktop Entry]\nType=Application\nName=No Exec\nMimeType=text/plain;\n"},
            {"link.desktop",
             "[Desktop Entry]\nType=Link\nName=Link\nURL=file:///tmp\nMimeType=text/plain;\n"},
            {"hidden.desktop",
             EntryText("Hidden", mark + " %f", "Hidden=true\nMimeType=text/plain;\n")},
            {"terminal.desktop",
             EntryText("Terminal", mark + " %f", "Terminal=true\nMimeType=text/plain;\n")},
            {"nodisplay.desktop",
             EntryText("No Display", mark + " %f", "NoDisplay=true\nMimeType=text/plain;\n")},
            {"tryexec.desktop",
             EntryText(
                 "Try", mark + " %f", "TryExec=/nonexistent/program\nMimeType=text/plain;\n")},
            {"garbage.desktop", "\n\n=\n[]\n[Desktop Entry]\n==\nName\nType=Application=\n"},
            {"empty.desktop", ""},
        };
        for (const auto &[name, text] : entries)
            Root.WriteFile("data/applications/" + std::string(name), text);
    }

    std::string Marker() const { return Root / "marker"; }

    // Chooses the item of that caption the next time a System menu is shown; the shown menus'
    // captions are kept.
    void ChooseNext(const std::string &caption)
    {
        ChooseFromSystemMenu = [this, caption](QMenu &menu, QPoint at) -> QAction * {
            ShownAt = at;
            Shown.emplace_back();
            for (QAction *action : menu.actions())
                if (!action->isSeparator()) Shown.back().push_back(action->text().toStdString());
            IsDefaultFirst = menu.defaultAction() == menu.actions().value(0);
            for (QAction *action : menu.actions())
                if (action->text().toStdString() == caption) return action;
            return nullptr;
        };
    }
    void TearDown() override
    {
        ChooseFromSystemMenu = SavedChooser;
        TStatusTest::TearDown();
    }

    TTempDir Root;
    TScopedEnvironment Environment;
    std::vector<std::vector<std::string>> Shown;
    QPoint ShownAt; // the top left corner of the last menu
    bool IsDefaultFirst = false;
    TMenuChooser SavedChooser;
};

TEST_F(SystemMenuTest, ApplicationsForTextFilesDefaultFirstBrokenEntriesLeftOut)
{
    const std::vector<std::string> types = MimeTypesOfPath(Root / "docs/note.txt");
    ASSERT_FALSE(types.empty());
    EXPECT_EQ(types.front(), "text/plain");
    std::vector<std::string> names;
    for (const Platform::TDesktopApplication &application :
         Platform::ApplicationsForMimeTypes(types))
        names.push_back(application.Name);
    EXPECT_EQ(names, (std::vector<std::string>{"Fixture Viewer", "Fixture Editor"}));

    const std::vector<TSystemMenuItem> items = SystemMenuItems({Root / "docs/note.txt"});
    std::vector<std::string> captions;
    for (const TSystemMenuItem &item : items)
        captions.push_back(item.Caption);
    EXPECT_EQ(captions,
              (std::vector<std::string>{"Fixture Viewer",
                                        "Fixture Editor",
                                        "Fixture Editor: New window",
                                        "Open with...",
                                        "Rename",
                                        "Move to Trash",
                                        "Delete",
                                        "Properties"}));
    EXPECT_EQ(items[1].Hint, "Edits text");
}

TEST_F(SystemMenuTest, ReadingEntriesCopesWithEveryBrokenFile)
{
    struct TCase
    {
        const char *File;
        bool Read;
    };
    const TCase cases[] = {{"data/applications/fixture-editor.desktop", true},
                           {"data/applications/binary.desktop", false},
                           {"data/applications/latin1.desktop", false},
                           {"data/applications/unclosed.desktop", false},
                           {"data/applications/quote.desktop", false},
                           {"data/applications/noexec.desktop", false},
                           {"data/applications/link.desktop", false},
                           {"data/applications/hidden.desktop", false},
                           {"data/applications/terminal.desktop", false},
                           {"data/applications/nodisplay.desktop", true},
                           {"data/applications/tryexec.desktop", false},
                           {"data/applications/garbage.desktop", false},
                           {"data/applications/empty.desktop", false},
                           {"data/applications/absent.desktop", false},
                           {"data/applications", false}};
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.File);
        Platform::TDesktopApplication application;
        EXPECT_EQ(Platform::ReadDesktopApplication(Root / c.File, application), c.Read);
    }
    Platform::TDesktopApplication editor;
    ASSERT_TRUE(Platform::ReadDesktopApplication(Root / "data/applications/fixture-editor.desktop",
                                                 editor));
    ASSERT_EQ(editor.Actions.size(), 1u) << "an action without its group is left out";
    EXPECT_EQ(editor.Actions[0].Name, "New window");
    EXPECT_EQ(editor.MimeTypes, std::vector<std::string>{"text/plain"});
}

TEST_F(SystemMenuTest, ListsLookedUpInTheirOrder)
{
    EXPECT_EQ(Platform::ApplicationDirectories(),
              (std::vector<std::string>{Root / "data/applications", Root / "system/applications"}));
    EXPECT_EQ(Platform::MimeAppsListFiles(),
              std::vector<std::string>{Root / "config/mimeapps.list"});
    Environment.Set("XDG_CURRENT_DESKTOP", "Fixture:GNOME");
    Root.WriteFile("config/fixture-mimeapps.list",
                   "[Default Applications]\ntext/plain=fixture-editor.desktop\n");
    EXPECT_EQ(Platform::MimeAppsListFiles(),
              (std::vector<std::string>{Root / "config/fixture-mimeapps.list",
                                        Root / "config/mimeapps.list"}));
    EXPECT_EQ(Platform::ApplicationsForMimeTypes({"text/plain"}).front().Name, "Fixture Editor");
    // Added associations come before the entries' own types; the chosen one shows even when
    // it asks not to be displayed.
    Root.WriteFile("config/fixture-mimeapps.list",
                   "[Added Associations]\ntext/plain=nodisplay.desktop;\n");
    std::vector<std::string> names;
    for (const auto &application : Platform::ApplicationsForMimeTypes({"TEXT/Plain"}))
        names.push_back(application.Name);
    EXPECT_EQ(names, (std::vector<std::string>{"Fixture Viewer", "No Display", "Fixture Editor"}));
}

TEST(SystemMenuExecTest, CommandLinesOfExecFields)
{
    using TLines = std::vector<std::vector<std::string>>;
    struct TCase
    {
        const char *Exec;
        std::vector<std::string> Files;
        TLines Lines;
    };
    const TCase cases[] = {
        {"prog %f", {"/a b"}, {{"prog", "/a b"}}},
        {"prog %F", {"/a", "/b"}, {{"prog", "/a", "/b"}}},
        {"prog %U", {"/a", "/b"}, {{"prog", "/a", "/b"}}},
        {"prog %f", {"/a", "/b"}, {{"prog", "/a"}, {"prog", "/b"}}},
        {"prog --file=%u", {"/a", "/b"}, {{"prog", "--file=/a"}, {"prog", "--file=/b"}}},
        {"prog %i %c %k %m %F", {"/a"}, {{"prog", "/a"}}},
        {"prog %f", {}, {{"prog"}}},
        {"prog", {"/a"}, {{"prog"}}},
        {"\"/opt/my app/run\" \"say \\\"hi\\\" \\$HOME\" 100%%",
         {},
         {{"/opt/my app/run", "say \"hi\" $HOME", "100%"}}},
        {"  prog\t-x  ", {}, {{"prog", "-x"}}},
        {"\"prog", {"/a"}, {}},
        {"", {"/a"}, {}},
        {"%f", {}, {}},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Exec);
        EXPECT_EQ(Platform::ExecCommandLines(c.Exec, c.Files), c.Lines);
    }
}

TEST_F(SystemMenuTest, PathsOfTheMenu)
{
    Root.WriteFile("docs/a*b", "a literal star");
    struct TCase
    {
        std::string Path;
        std::vector<std::string> Paths;
    };
    const TCase cases[] = {
        {":/", {"/"}},
        {"/", {"/"}},
        {Root / "docs/", {Root / "docs"}},
        {Root / "docs/note.txt", {Root / "docs/note.txt"}},
        {Root / "docs/*.TXT", {Root / "docs/note.txt", Root / "docs/other.txt"}},
        {Root / "docs/a*b", {Root / "docs/a*b"}},
        {Root / "docs/missing.txt", {}},
        {Root / "gone/*.txt", {}},
        {"docs/note.txt", {}},
        {"", {}},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Path);
        EXPECT_EQ(SystemMenuPaths(c.Path), c.Paths);
    }
}

TEST(SystemMenuPositionTest, CentredBelowOrAboveTheExclusion)
{
    const QRect screen(0, 0, 1000, 800);
    struct TCase
    {
        QPoint Point;
        QSize Size;
        QRect Exclusion;
        QPoint Corner;
    };
    const TCase cases[] = {
        {{500, 100}, {200, 300}, {}, {400, 100}},
        {{500, 100}, {200, 300}, {QPoint(300, 80), QPoint(700, 99)}, {400, 100}},
        {{500, 700}, {200, 300}, {QPoint(300, 680), QPoint(700, 699)}, {400, 380}},
        {{500, 500}, {200, 300}, {}, {400, 500}},
        {{500, 501}, {200, 300}, {}, {400, 201}},
        {{50, 100}, {200, 300}, {}, {0, 100}},
        {{990, 100}, {200, 300}, {}, {800, 100}},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(std::to_string(c.Point.x()) + "," + std::to_string(c.Point.y()));
        EXPECT_EQ(SystemMenuPosition(c.Point, c.Size, c.Exclusion, screen), c.Corner);
    }
}

TEST_F(SystemMenuTest, ChoosingTheDefaultApplicationStartsItWithTheFile)
{
    ChooseNext("Fixture Viewer");
    bool renameChosen = true;
    const std::string note = Root / "docs/note.txt";
    EXPECT_TRUE(DisplayContextMenu(
        note, nullptr, {10, 10}, {}, Root / "docs/", "System: Active title", renameChosen));
    EXPECT_FALSE(renameChosen);
    ASSERT_EQ(Shown.size(), 1u);
    EXPECT_EQ(Shown[0].at(0), "System: Active title");
    EXPECT_EQ(Shown[0].at(1), "Fixture Viewer");
    EXPECT_TRUE(IsDefaultFirst);
    EXPECT_EQ(WaitForLine(Marker()), "viewer " + note + "\n");
    EXPECT_TRUE(ShownErrors().empty());
}

TEST_F(SystemMenuTest, DesktopActionsAndListsStartTheirOwnCommands)
{
    ChooseNext("Fixture Editor: New window");
    bool renameChosen = false;
    EXPECT_TRUE(DisplayContextMenu(
        Root / "docs/note.txt", nullptr, {}, {}, Root / "docs/", "System", renameChosen));
    EXPECT_EQ(WaitForLine(Marker()), "action " + Root / "docs/note.txt\n");
    std::filesystem::remove(Marker());

    // Several names: the list command gets them all at once, and there is no "Rename".
    ChooseNext("Fixture Viewer");
    EXPECT_TRUE(DisplayContextMenuList(Root / "docs/",
                                       {"note.txt", "other.txt", "missing.txt"},
                                       nullptr,
                                       {},
                                       {},
                                       "System",
                                       renameChosen));
    EXPECT_EQ(WaitForLine(Marker()),
              "viewer " + Root / "docs/note.txt " + Root / "docs/other.txt\n");
    EXPECT_EQ(std::count(Shown.back().begin(), Shown.back().end(), "Rename"), 0);
}

TEST_F(SystemMenuTest, RenameTrashDeleteAndNothingChosen)
{
    bool renameChosen = false;
    const std::string note = Root / "docs/note.txt";
    ChooseNext("Rename");
    EXPECT_TRUE(DisplayContextMenu(note, nullptr, {}, {}, Root / "docs/", "System", renameChosen));
    EXPECT_TRUE(renameChosen);
    EXPECT_TRUE(std::filesystem::exists(note));

    ChooseNext("");
    EXPECT_TRUE(DisplayContextMenu(note, nullptr, {}, {}, Root / "docs/", "System", renameChosen));
    EXPECT_FALSE(renameChosen);

    ChooseNext("Delete");
    Boxes.Answer = MessageBoxAnswer::No;
    EXPECT_TRUE(DisplayContextMenu(note, nullptr, {}, {}, Root / "docs/", "System", renameChosen));
    ASSERT_EQ(Boxes.Shown.size(), 1u);
    EXPECT_EQ(Boxes.Shown[0].Text, "Delete \"note.txt\" permanently?");
    EXPECT_TRUE(std::filesystem::exists(note));
    Boxes.Answer = MessageBoxAnswer::Yes;
    EXPECT_TRUE(DisplayContextMenu(note, nullptr, {}, {}, Root / "docs/", "System", renameChosen));
    EXPECT_FALSE(std::filesystem::exists(note));

    ChooseNext("Move to Trash");
    EXPECT_TRUE(DisplayContextMenu(
        Root / "docs/other.txt", nullptr, {}, {}, Root / "docs/", "System", renameChosen));
    EXPECT_FALSE(std::filesystem::exists(Root / "docs/other.txt"));
    EXPECT_TRUE(std::filesystem::exists(Root / "data/Trash/files/other.txt"));

    // A missing entry: no menu, no error.
    const std::size_t menus = Shown.size();
    EXPECT_FALSE(DisplayContextMenu(note, nullptr, {}, {}, Root / "docs/", "System", renameChosen));
    EXPECT_EQ(Shown.size(), menus);
    EXPECT_FALSE(FunStatContext.IsError());
    EXPECT_TRUE(ShownErrors().empty());
}

TEST_F(SystemMenuTest, AnApplicationThatCannotStartIsAFailure)
{
    Root.WriteFile(
        "data/applications/absent.desktop",
        EntryText("Absent Program", "velmordian-no-such-program %f", "MimeType=text/plain;\n"));
    ChooseNext("Absent Program");
    bool renameChosen = false;
    EXPECT_TRUE(DisplayContextMenu(
        Root / "docs/note.txt", nullptr, {}, {}, Root / "docs/", "System", renameChosen));
    EXPECT_TRUE(FunStatContext.IsError());
    EXPECT_EQ(FunStatContext.description, "Failed to run file.");
    EXPECT_EQ(FunStatContext.parameter1, "velmordian-no-such-program");
}

// The main window's System menu for its drag source item.
class MainSystemMenuTest : public SystemMenuTest
{
protected:
    void SetUp() override
    {
        SystemMenuTest::SetUp();
        UsePortableProgramFolder(Home.Path());
        Form = std::make_unique<TMainForm>();
        Form->resize(1000, 700);
        Form->StartMainForm();
        Form->Columns[0]->LoadDirectory(
            true, -1, -1, std::numeric_limits<int>::min(), -1, Root / "docs/note.txt");
        Form->FocusColumn(0, true);
        Form->DragSourcePosition = 0;
        Form->DragFocusIndex = Form->Columns[0]->FileList->FocusIndex;
    }
    void TearDown() override
    {
        Form.reset();
        SetProgramDirectoryOverride("");
        SystemMenuTest::TearDown();
    }
    TTempDir Home;
    std::unique_ptr<TMainForm> Form;
};

TEST_F(MainSystemMenuTest, TheActiveItemItsParentAndTheModifiers)
{
    ASSERT_EQ(Form->Columns[0]->ActiveTitle, Root / "docs/note.txt");
    ChooseNext("Fixture Viewer");
    Form->ShowContextMenu(Form->DragFocusIndex, -1, false, Qt::NoModifier, -1);
    EXPECT_EQ(WaitForLine(Marker()), "viewer " + Root / "docs/note.txt\n");
    EXPECT_FALSE(Form->ReloadOnNextCheck) << "the check that follows the menu took it";
    EXPECT_FALSE(Form->IsBusy());

    ChooseNext("");
    Form->ShowContextMenu(Form->DragFocusIndex, -1, false, Qt::ShiftModifier, -1);
    ASSERT_EQ(Shown.size(), 2u);
    EXPECT_EQ(Shown[1].at(0), "System: Parent directory");
    EXPECT_EQ(Shown[1].at(1), "Fixture Viewer") << "the directory's own applications";
    Form->ShowContextMenu(Form->DragFocusIndex, -1, false, Qt::ControlModifier, -1);
    EXPECT_EQ(Shown.at(2).at(0), "System: Active reference");
    Form->ShowContextMenu(Form->DragFocusIndex, -1, true, Qt::NoModifier, -1);
    EXPECT_EQ(Shown.at(3).at(0), "System drag: Active title");
    Form->ShowContextMenu(Form->DragFocusIndex, -1, false, Qt::AltModifier, -1);
    EXPECT_EQ(Shown.size(), 4u) << "nothing with Alt";
    EXPECT_TRUE(ShownErrors().empty());
}

TEST_F(MainSystemMenuTest, TheFileMenuItemAndTheSelection)
{
    ChooseNext("Fixture Viewer");
    Form->ShowFileMenuAtFocus(Qt::NoModifier);
    Form->FileMenu->hide();
    EXPECT_TRUE(Form->ClickMenuItem("FileSystemMenuMenu"));
    EXPECT_EQ(WaitForLine(Marker()), "viewer " + Root / "docs/note.txt\n");
    std::filesystem::remove(Marker());

    // With a selection the menu covers the selected items, whatever item was the source.
    TColumn &column = *Form->Columns[0];
    for (int i = 0; i < column.FileList->Count(); ++i)
        column.Item(i)->Selected = true;
    column.SelectedCount = column.FileList->Count();
    Form->ShowContextMenu(-1, 10, false, Qt::NoModifier, 10);
    EXPECT_EQ(WaitForLine(Marker()),
              "viewer " + Root / "docs/note.txt " + Root / "docs/other.txt\n");
}

TEST_F(MainSystemMenuTest, DragFormOverAContainerIsRefused)
{
    ChooseNext("Fixture Viewer");
    Form->Columns[0]->ContainerIndex = 0;
    Form->ShowContextMenu(Form->DragFocusIndex, -1, true, Qt::NoModifier, -1);
    EXPECT_TRUE(Shown.empty());
    ASSERT_EQ(Boxes.Shown.size(), 1u);
    EXPECT_EQ(Boxes.Shown[0].Caption, "Warning");
    EXPECT_EQ(Boxes.Shown[0].Text, "The destination can't be a container.");
    Form->Columns[0]->ContainerIndex = -1;
}

TEST_F(SystemMenuTest, RunningAFileTheDesktopCannotOpenSaysWhy)
{
    const std::string blob = Root / "docs/blob.qqq";
    Root.WriteFile("docs/blob.qqq", std::string("\x01\x02\x00\xff\xfe", 5));
    // A stand-in opener that would leave a mark; it must not be reached for either file.
    std::filesystem::create_directories(Root / "bin");
    std::filesystem::create_directories(Root / "nothing");
    Root.WriteFile("bin/xdg-open", "#!/bin/sh\necho opened \"$@\" >> " + Marker() + "\n");
    std::filesystem::permissions(Root / "bin/xdg-open", std::filesystem::perms::owner_all);
    const struct
    {
        std::string path, file, reason;
    } cases[] = {
        {Root / "bin",
         blob,
         "No application is registered for this type of file (application/octet-stream)."},
        {Root / "nothing", Root / "docs/note.txt", "The desktop's opener \"xdg-open\" is missing"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.file);
        TScopedEnvironment path;
        path.Set("PATH", c.path);
        FunStatContext.Reset(fsPerfect);
        RunFile(c.file, {}, Root / "docs", false, false);
        EXPECT_TRUE(FunStatContext.IsError());
        EXPECT_EQ(FunStatContext.description, "Failed to run file.");
        EXPECT_EQ(FunStatContext.parameter1, c.file);
        EXPECT_EQ(FunStatContext.parameter2.rfind(c.reason, 0), 0u) << FunStatContext.parameter2;
        EXPECT_EQ(FunStatContext.systemErrorCode, 0) << "no system call failed";
    }
    EXPECT_FALSE(std::filesystem::exists(Marker()));
}

TEST_F(SystemMenuTest, AnyRegisteredApplicationCountsForTheDesktopsOpener)
{
    const struct
    {
        const char *name;
        std::string entry; // a desktop entry for image/png, or none
        bool found;
    } cases[] = {
        {"no entry", "", false},
        {"a plain entry", EntryText("Png", "png %f", "MimeType=image/png;\n"), true},
        {"a terminal program",
         EntryText("Png", "png %f", "Terminal=true\nMimeType=image/png;\n"),
         true},
        {"an entry not displayed",
         EntryText("Png", "png %f", "NoDisplay=true\nMimeType=image/png;\n"),
         true},
        {"a hidden entry", EntryText("Png", "png %f", "Hidden=true\nMimeType=image/png;\n"), false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(Root / "data/applications/png.desktop");
        if (!c.entry.empty()) Root.WriteFile("data/applications/png.desktop", c.entry);
        EXPECT_EQ(Platform::HasApplicationForMimeTypes({"image/png"}), c.found);
        EXPECT_EQ(Platform::ApplicationsForMimeTypes({"image/png"}).size(),
                  c.found && c.entry.find("=true") == std::string::npos ? 1u : 0u);
    }
    EXPECT_TRUE(Platform::HasApplicationForMimeTypes({"application/x-none", "text/plain"}));
}

TEST_F(MainSystemMenuTest, RightClickOnTheTypeFieldAndOnTheHeaderShowTheSystemMenu)
{
    const TProgramOptions saved = ProgramOptions;
    ProgramOptions.RMBTypeOperation = TProgramOptions().RMBTypeOperation;
    ASSERT_EQ(ProgramOptions.RMBTypeOperation, "System menu");
    ProgramOptions.RMBNameOperation = "None";
    ProgramOptions.RMBColumnHeaderOperation = "Parent System menu";
    ProgramOptions.FirstRun = false;
    Form->show();
    TColumn &column = *Form->Columns[0];
    const int other = column.IndexOfName("other.txt");
    ASSERT_GE(other, 0);
    const QRect item = column.FileList->ItemRect(other);

    // The name zone has its own operation; the type zone shows the pressed item's menu.
    ChooseNext("Fixture Viewer");
    const int typeWidth = column.GetTypeFieldWidth(true);
    QTest::mouseClick(column.FileList,
                      Qt::RightButton,
                      Qt::NoModifier,
                      QPoint(item.left() + typeWidth + 8, item.top() + 2));
    EXPECT_TRUE(Shown.empty());
    QTest::mouseClick(
        column.FileList, Qt::RightButton, Qt::NoModifier, QPoint(item.left() + 1, item.top() + 2));
    ASSERT_EQ(Shown.size(), 1u);
    EXPECT_EQ(Shown[0].at(0), "System: Active title");
    EXPECT_EQ(WaitForLine(Marker()), "viewer " + Root / "docs/other.txt\n");
    std::filesystem::remove(Marker());

    // The header's right button: the column's directory, below the header at the mouse's x.
    QTest::mouseClick(column.HeaderButton, Qt::RightButton, Qt::NoModifier, QPoint(20, 4));
    ASSERT_EQ(Shown.size(), 2u);
    EXPECT_EQ(Shown[1].at(0), "System: Parent directory");
    EXPECT_EQ(ShownAt.y(),
              column.HeaderButton->mapToGlobal(QPoint(0, column.HeaderButton->height())).y());
    EXPECT_EQ(WaitForLine(Marker()), "viewer " + Root / "docs\n");
    EXPECT_TRUE(ShownErrors().empty());
    ProgramOptions = saved;
}

TEST_F(MainSystemMenuTest, TrashAndDeleteFromTheMenuReloadTheColumnsAtOnce)
{
    std::filesystem::create_directory(Root / "docs/sub");
    Root.WriteFile("docs/sub/inner.txt", "inner\n");
    TColumn &first = *Form->Columns[0], &second = *Form->Columns[1];
    const auto show = [&](TColumn &column, const std::string &title) {
        column.LoadDirectory(true, -1, -1, std::numeric_limits<int>::min(), -1, title);
        Form->ActiveColumnIndex = column.Index;
        Form->DragSourcePosition = column.Index;
        Form->DragFocusIndex = column.FileList->FocusIndex;
    };
    show(second, Root / "docs/note.txt");
    show(first, Root / "docs/note.txt");

    // The active item to the trash: both columns showing its directory lose it.
    ChooseNext("Move to Trash");
    Form->ShowContextMenu(Form->DragFocusIndex, -1, false, Qt::NoModifier, -1);
    ASSERT_TRUE(std::filesystem::exists(Root / "data/Trash/files/note.txt"));
    EXPECT_LT(first.IndexOfName("note.txt"), 0);
    EXPECT_LT(second.IndexOfName("note.txt"), 0);
    EXPECT_GE(first.IndexOfName("other.txt"), 0);
    EXPECT_FALSE(first.HeaderButton->StrikeOut);

    // Deleted for good.
    show(first, Root / "docs/other.txt");
    ChooseNext("Delete");
    Boxes.Answer = MessageBoxAnswer::Yes;
    Form->ShowContextMenu(Form->DragFocusIndex, -1, false, Qt::NoModifier, -1);
    ASSERT_FALSE(std::filesystem::exists(Root / "docs/other.txt"));
    EXPECT_LT(first.IndexOfName("other.txt"), 0);
    EXPECT_LT(second.IndexOfName("other.txt"), 0);

    // The parent directory of the second column's item to the trash: the second column leaves
    // it, the first no longer lists it.
    show(second, Root / "docs/sub/inner.txt");
    show(first, Root / "docs/sub");
    ASSERT_GE(first.IndexOfName("sub"), 0);
    Form->ActiveColumnIndex = 1;
    Form->DragSourcePosition = 1;
    ChooseNext("Move to Trash");
    Form->ShowContextMenu(-1, -1, false, Qt::ShiftModifier, -1);
    ASSERT_EQ(Shown.back().at(0), "System: Parent directory");
    ASSERT_TRUE(std::filesystem::exists(Root / "data/Trash/files/sub/inner.txt"));
    EXPECT_LT(first.IndexOfName("sub"), 0);
    EXPECT_EQ(ExtractDirectory(second.ActiveTitle), Root / "docs/");

    // Nothing chosen: only a directory that changed meanwhile is read again.
    Root.WriteFile("docs/late.txt", "late\n");
    ChooseNext("");
    Form->ShowContextMenu(Form->DragFocusIndex, -1, false, Qt::NoModifier, -1);
    EXPECT_GE(first.IndexOfName("late.txt"), 0);
    EXPECT_TRUE(ShownErrors().empty());
    EXPECT_FALSE(Form->IsBusy());
}
