// Tests of the shortcuts: symbolic links and desktop entries on disk, the functions built on
// them, and the thumbnail cache look-up.
#include "Libraries/FileLink.h"

#include "Libraries/File.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

const std::string ElfHead = std::string("\x7f"
                                        "ELF\x02\x01\x01\x00",
                                        8) +
                            std::string(56, '\0');
const std::string JpegHead = std::string("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00\x01\x01\x00", 14);
const std::string ScriptText = "#!/bin/sh\nexit 0\n";
const std::string Virus = "This file is most probably a virus because it links to itself.";

void WriteBytes(const std::string &path, const std::string &content, mode_t mode = 0644)
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
    ::chmod(path.c_str(), mode);
}

std::string ReadBytes(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void MakeSymlink(const std::string &target, const std::string &link)
{
    std::filesystem::create_directories(std::filesystem::path(link).parent_path());
    ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0) << link;
}

std::string LinkText(const std::string &path)
{
    std::error_code error;
    return std::filesystem::read_symlink(path, error).string();
}

std::string Canonical(const std::string &path)
{
    return std::filesystem::canonical(path).string();
}

ino_t InodeOf(const std::string &path)
{
    struct stat info
    {
    };
    return ::lstat(path.c_str(), &info) == 0 ? info.st_ino : 0;
}

mode_t ModeOf(const std::string &path)
{
    struct stat info
    {
    };
    return ::stat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
}

// The names in a directory, to show that a failure left nothing behind.
std::vector<std::string> NamesIn(const std::string &directory)
{
    std::vector<std::string> names;
    for (const auto &entry : std::filesystem::directory_iterator(directory))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Sets or unsets an environment variable for the life of the object.
class TEnvironmentVariable
{
public:
    TEnvironmentVariable(const char *name, const std::optional<std::string> &value) : Name(name)
    {
        if (const char *old = std::getenv(name)) Old = old;
        if (value)
            ::setenv(name, value->c_str(), 1);
        else
            ::unsetenv(name);
    }
    ~TEnvironmentVariable()
    {
        if (Old)
            ::setenv(Name, Old->c_str(), 1);
        else
            ::unsetenv(Name);
    }
    TEnvironmentVariable(const TEnvironmentVariable &) = delete;
    TEnvironmentVariable &operator=(const TEnvironmentVariable &) = delete;

private:
    const char *Name;
    std::optional<std::string> Old;
};

class TLinkFileTest : public TStatusTest
{
protected:
    TTempDir Dir;

    std::string D() const { return Dir.Path(); }
    void ExpectPerfect() const
    {
        EXPECT_EQ(FunStatContext.status, fsPerfect) << FunStatContext.description;
    }
    void ExpectFailure(const std::string &description, const std::string &path) const
    {
        EXPECT_EQ(FunStatContext.status, fsError);
        EXPECT_EQ(FunStatContext.description, description);
        EXPECT_EQ(FunStatContext.parameter1, path);
    }
    static void ExpectCleared(const TLinkFile &record)
    {
        EXPECT_FALSE(record.referenceFound);
        EXPECT_EQ(record.referenceAttributes, 0u);
        EXPECT_TRUE(record.reference.empty());
        EXPECT_TRUE(record.arguments.empty());
        EXPECT_TRUE(record.workingDirectory.empty());
        EXPECT_EQ(record.showCommand, 0);
    }
    void Program(const std::string &path) const { WriteBytes(path, ScriptText, 0755); }
    void Entry(const std::string &path, const std::string &body) const
    {
        WriteBytes(path, "[Desktop Entry]\n" + body);
    }
};

// ---- The record ---------------------------------------------------------------------------

TEST_F(TLinkFileTest, ClearedRecordHoldsTheTimesOfRawTimeZeroAndKeepsTheStatus)
{
    for (const bool local : {true, false}) {
        SCOPED_TRACE(local);
        FileUnitLoader.convertTimesToLocal = local;
        const double expected = ConvertFileTime(0);
        FunStatContext.Raise(fsError, "Test", "Test", 1, "Earlier failure.");
        TLinkFile record;
        EXPECT_EQ(FunStatContext.description, "Earlier failure."); // making a record runs nothing
        EXPECT_EQ(record.referenceCreated, expected);
        EXPECT_EQ(record.referenceAccessed, expected);
        EXPECT_EQ(record.referenceModified, expected);
        record.reference = "x";
        record.hotKey = 5;
        ClearLinkFile(record);
        ExpectCleared(record);
        EXPECT_EQ(record.hotKey, 0);
        EXPECT_EQ(record.referenceModified, expected);
    }
    FileUnitLoader.convertTimesToLocal = true;
}

// ---- Loading both forms ---------------------------------------------------------------------

TEST_F(TLinkFileTest, BothFormsLoadToTheirTarget)
{
    WriteBytes(Dir / "target.txt", "hello");
    WriteBytes(Dir / "my file.txt", "spaced");
    std::filesystem::create_directories(Dir / "folder");
    Program(Dir / "run me.sh");
    Program(Dir / "bin/tool");
    Program(Dir / "bin/velmordian-link-test-tool");
    MakeSymlink(Dir / "target.txt", Dir / "abs");
    MakeSymlink("../target.txt", Dir / "sub/rel");
    MakeSymlink("abs", Dir / "chain");
    MakeSymlink("folder", Dir / "to-folder");
    Entry(Dir / "file.desktop", "Type=Link\nURL=file://" + D() + "/my%20file.txt\n");
    Entry(Dir / "dir.desktop", "Type=Link\nURL=file://localhost" + D() + "/folder\n");
    Entry(Dir / "run.desktop", "Type=Application\nExec=\"" + D() + "/run me.sh\" --go %U\n");
    Entry(Dir / "rel.desktop", "Type=Application\nPath=" + D() + "/bin\nExec=./tool\n");
    Entry(Dir / "path.desktop", "Type=Application\nExec=velmordian-link-test-tool -v\n");
    const TEnvironmentVariable searchPath("PATH", D() + "/bin:/usr/bin:/bin");
    struct TCase
    {
        const char *Name;
        std::string Link;
        std::string Expected;
        bool Directory;
        std::string Arguments;
    };
    const TCase cases[] = {
        {"absolute symbolic link", Dir / "abs", Canonical(Dir / "target.txt"), false, ""},
        {"relative symbolic link, taken against its own folder",
         Dir / "sub/rel",
         Canonical(Dir / "target.txt"),
         false,
         ""},
        {"chain of symbolic links", Dir / "chain", Canonical(Dir / "target.txt"), false, ""},
        {"symbolic link to a folder", Dir / "to-folder", Canonical(Dir / "folder"), true, ""},
        {"entry to a file", Dir / "file.desktop", Dir / "my file.txt", false, ""},
        {"entry to a folder on localhost", Dir / "dir.desktop", Dir / "folder", true, ""},
        {"entry to a program", Dir / "run.desktop", Dir / "run me.sh", false, "--go"},
        {"relative Exec taken against Path", Dir / "rel.desktop", Dir / "bin/tool", false, ""},
        {"program found through PATH",
         Dir / "path.desktop",
         Dir / "bin/velmordian-link-test-tool",
         false,
         "-v"},
    };
    for (const TCase &row : cases) {
        SCOPED_TRACE(row.Name);
        const std::string before = ReadBytes(row.Link);
        for (const bool resolve : {false, true}) {
            TLinkFile record;
            record.Load(row.Link, resolve);
            ExpectPerfect();
            EXPECT_EQ(record.reference, row.Expected);
            EXPECT_EQ(record.arguments, row.Arguments);
            EXPECT_TRUE(record.referenceFound);
            EXPECT_EQ(ReferenceIsDirectory(record), row.Directory);
        }
        EXPECT_EQ(ReadBytes(row.Link), before);
    }
}

TEST_F(TLinkFileTest, ProgramEntryRoundTripsEveryField)
{
    Program(Dir / "bin/my tool");
    TLinkFile record;
    record.reference = Dir / "bin/my tool";
    record.workingDirectory = Dir / "work/";
    record.arguments = "--title \"Two words\" -x 100%";
    record.description = "First line\nsecond\tline \\ end ";
    record.iconPath = Dir / "icons/tool.png";
    record.hotKey = 0x0341;
    record.showCommand = ShowCommandMinimized;
    const std::string path = Dir / "Tool.desktop";
    ASSERT_TRUE(record.Save(path, false));
    ExpectPerfect();
    EXPECT_EQ(ReadBytes(path),
              "[Desktop Entry]\n"
              "Type=Application\n"
              "Name=Tool\n"
              "Exec=\"" +
                  D() +
                  "/bin/my tool\" --title \"Two words\" -x 100%%\n"
                  "Path=" +
                  D() +
                  "/work/\n"
                  "Comment=First line\\nsecond\\tline \\\\ end\\s\n"
                  "Icon=" +
                  D() +
                  "/icons/tool.png\n"
                  "X-Velmordian-Arguments=--title \"Two words\" -x 100%\n"
                  "X-Velmordian-ShowCommand=7\n"
                  "X-Velmordian-HotKey=833\n");
    // A launcher may be executed by whoever may read it.
    EXPECT_EQ(ModeOf(path) & 0111, (ModeOf(path) & 0444) >> 2);
    EXPECT_NE(ModeOf(path) & S_IXUSR, 0u);
    TLinkFile loaded;
    loaded.Load(path, true);
    ExpectPerfect();
    EXPECT_TRUE(loaded.referenceFound);
    EXPECT_EQ(loaded.reference, record.reference);
    EXPECT_EQ(loaded.workingDirectory, record.workingDirectory);
    EXPECT_EQ(loaded.arguments, record.arguments);
    EXPECT_EQ(loaded.description, record.description);
    EXPECT_EQ(loaded.iconPath, record.iconPath);
    EXPECT_EQ(loaded.hotKey, record.hotKey);
    EXPECT_EQ(loaded.showCommand, record.showCommand);
    EXPECT_EQ(loaded.referenceSize, ScriptText.size());
}

TEST_F(TLinkFileTest, RewriteKeepsUnknownKeysGroupsAndComments)
{
    WriteBytes(Dir / "notes.txt", "n");
    const std::string path = Dir / "Notes.desktop";
    const std::string head = "# made by hand\n[Desktop Entry]\nType=Link\nURL=file://" + D() +
                             "/notes.txt\n"
                             "Name=Notes\nName[de]=Notizen\nX-Other-Key = keep  me\n";
    const std::string tail = "\n[Extra Group]\nAnything=here\nComment=not ours\n";
    WriteBytes(path, head + "Comment=old\nComment[fr]=vieux\n" + tail);
    TLinkFile record;
    record.Load(path, false);
    ExpectPerfect();
    EXPECT_EQ(record.description, "old");
    record.description = "new";
    ASSERT_TRUE(record.Save(path, true));
    ExpectPerfect();
    EXPECT_EQ(ReadBytes(path), head + "Comment=new\n" + tail);
}

// ---- The Exec line --------------------------------------------------------------------------

TEST_F(TLinkFileTest, ExecLinesReadWithQuotingEscapesAndFieldCodes)
{
    for (const char *name : {"prog", "my prog", "a\\b", "100%"})
        Program(Dir / name);
    struct TCase
    {
        std::string Exec; // as written in the file
        std::string Program;
        std::string Arguments;
    };
    const TCase cases[] = {
        {D() + "/prog %U", "prog", ""},
        {"\"" + D() + "/my prog\" --open %f %i %c %k", "my prog", "--open"},
        {D() + "/prog --name=%%x", "prog", "--name=%x"},
        {"\"" + D() + "/a\\\\\\\\b\" \"say \\\\\"hi\\\\\"\" \"\\\\$HOME\" \"\\\\`cmd\\\\`\"",
         "a\\b",
         "\"say \"\"\"hi\"\"\"\" $HOME `cmd`"},
        {"\"" + D() + "/my prog\" \"a \\\"b\\\"\"", "my prog", "\"a \"\"\"b\"\"\"\""},
        {D() + "/prog\\s--flag\\tx", "prog", "--flag x"},
        {"\"" + D() + "/100%%\" %%done", "100%", "%done"},
        {"  " + D() + "/prog   spaced    out  ", "prog", "spaced out"},
    };
    for (const TCase &row : cases) {
        SCOPED_TRACE(row.Exec);
        const std::string path = Dir / "read.desktop";
        Entry(path, "Type=Application\nExec=" + row.Exec + "\n");
        TLinkFile record;
        record.Load(path, true);
        ExpectPerfect();
        EXPECT_EQ(record.reference, Dir / row.Program);
        EXPECT_EQ(record.arguments, row.Arguments);
    }
}

TEST_F(TLinkFileTest, ExecLinesWrittenWithQuotingAndEscapes)
{
    struct TCase
    {
        std::string Name;
        std::string Arguments;
        std::string Exec; // as the file holds it
    };
    const TCase cases[] = {
        {"plain", "", D() + "/plain"},
        {"two words", "--a \"b c\"", "\"" + D() + "/two words\" --a \"b c\""},
        {"q\"uote$", "", "\"" + D() + "/q\\\\\"uote\\\\$\""},
        {"back\\slash", "", "\"" + D() + "/back\\\\\\\\slash\""},
        {"tick`", "'single'", "\"" + D() + "/tick\\\\`\" \"'single'\""},
        {"50%", "--rate=10%", D() + "/50%% --rate=10%%"},
        {"new\nline", "", "\"" + D() + "/new\\nline\""},
        {"tab\there", "a;b", "\"" + D() + "/tab\\there\" \"a;b\""},
        {"-dash", "-x", D() + "/-dash -x"},
    };
    for (const TCase &row : cases) {
        SCOPED_TRACE(row.Name);
        Program(Dir / row.Name);
        TLinkFile record;
        record.reference = Dir / row.Name;
        record.arguments = row.Arguments;
        const std::string path = Dir / "write.desktop";
        ASSERT_TRUE(record.Save(path, true));
        ExpectPerfect();
        EXPECT_NE(ReadBytes(path).find("\nExec=" + row.Exec + "\n"), std::string::npos)
            << ReadBytes(path);
        TLinkFile loaded;
        loaded.Load(path, true);
        ExpectPerfect();
        EXPECT_EQ(loaded.reference, record.reference);
        EXPECT_EQ(loaded.arguments, row.Arguments);
    }
}

TEST_F(TLinkFileTest, AwkwardNamesRoundTripInBothForms)
{
    const std::string names[] = {"with space",
                                 "new\nline",
                                 "-leading-dash",
                                 "bad\xff\xfe"
                                 "bytes",
                                 "tab\tname",
                                 " padded ",
                                 "50%",
                                 "#hash",
                                 "caf\xc3\xa9"};
    for (const std::string &name : names) {
        SCOPED_TRACE(name);
        const std::string file = Dir / ("files/" + name);
        const std::string program = Dir / ("programs/" + name);
        WriteBytes(file, "data");
        Program(program);
        struct TForm
        {
            std::string Target, Link, Arguments;
        };
        const TForm forms[] = {
            {file, Dir / ("links/" + name), ""},
            {file, Dir / ("entries/" + name + ".desktop"), ""},
            {program, Dir / ("launchers/" + name + ".desktop"), "--name \"" + name + "\""},
        };
        for (const TForm &form : forms) {
            SCOPED_TRACE(form.Link);
            std::filesystem::create_directories(std::filesystem::path(form.Link).parent_path());
            TLinkFile record;
            record.reference = form.Target;
            record.arguments = form.Arguments;
            ASSERT_TRUE(record.Save(form.Link, false));
            ExpectPerfect();
            TLinkFile loaded;
            loaded.Load(form.Link, true);
            ExpectPerfect();
            EXPECT_EQ(loaded.reference,
                      form.Link.ends_with(".desktop") ? form.Target : Canonical(form.Target));
            EXPECT_EQ(loaded.arguments, form.Arguments);
        }
    }
}

// ---- Bad input ----------------------------------------------------------------------------

TEST_F(TLinkFileTest, BadDesktopEntriesFailAndStayUnchanged)
{
    const std::string load = "Failed to load link file.";
    const std::string get = "Failed to get reference path.";
    const std::string empty = "Empty reference path.";
    struct TCase
    {
        const char *Name;
        std::string FileName;
        std::string Content;
        std::string Failure;
    };
    const std::string e = "[Desktop Entry]\n";
    const std::string huge = e + "Type=Link\n#" + std::string(1u << 20, 'x') + "\n";
    const TCase cases[] = {
        {"JPEG bytes", "photo.desktop", JpegHead + std::string(100, '\x01'), load},
        {"awkward name", "-new\nline \xff.desktop", JpegHead, load},
        {"binary after a good start", "bin.desktop", e + std::string("Type=Link\0\x01", 11), load},
        {"empty file", "empty.desktop", "", load},
        {"key before the first group", "early.desktop", "Type=Link\n" + e, load},
        {"line without equals sign", "line.desktop", e + "this is no key\n", load},
        {"bad key", "key.desktop", e + "Type=Link\nNa me=x\n", load},
        {"repeated group", "twice.desktop", e + "Type=Link\n" + e, load},
        {"no Desktop Entry group", "other.desktop", "[Other]\nType=Link\n", load},
        {"no Type", "notype.desktop", e + "URL=file:///tmp\n", load},
        {"too large", "large.desktop", huge, load},
        {"unknown type", "dir.desktop", e + "Type=Directory\n", get},
        {"web address", "web.desktop", e + "Type=Link\nURL=https://example.org/\n", get},
        {"other host", "host.desktop", e + "Type=Link\nURL=file://elsewhere/tmp\n", get},
        {"bad escape", "escape.desktop", e + "Type=Link\nURL=file:///bad%zz\n", get},
        {"unterminated quote", "quote.desktop", e + "Type=Application\nExec=\"/bin/sh -c\n", get},
        {"only field codes", "codes.desktop", e + "Type=Application\nExec=%U\n", empty},
        {"no URL", "nourl.desktop", e + "Type=Link\n", empty},
        {"hot key out of range",
         "hot.desktop",
         e + "Type=Link\nURL=file:///\nX-Velmordian-HotKey=70000\n",
         "Failed to get hot key."},
        {"show command not a number",
         "show.desktop",
         e + "Type=Link\nURL=file:///\nX-Velmordian-ShowCommand=seven\n",
         "Failed to get show command."},
        {"not a link at all",
         "notes.txt",
         e + "Type=Link\nURL=file:///tmp\n",
         "File is not a link."},
    };
    for (const TCase &row : cases) {
        SCOPED_TRACE(row.Name);
        const std::string path = Dir / row.FileName;
        WriteBytes(path, row.Content);
        const auto names = NamesIn(D());
        for (const bool resolve : {false, true}) {
            TLinkFile record;
            record.reference = "stale";
            record.Load(path, resolve);
            ExpectFailure(row.Failure, path);
            ExpectCleared(record);
            EXPECT_EQ(GetWhenReference(path, nullptr, nullptr, nullptr, resolve), path);
        }
        EXPECT_EQ(ReadBytes(path), row.Content);
        EXPECT_EQ(NamesIn(D()), names);
    }
}

TEST_F(TLinkFileTest, SelfLinksAreRefused)
{
    Entry(Dir / "self.desktop", "Type=Link\nURL=file://" + D() + "/self.desktop\n");
    Entry(Dir / "dot.desktop", "Type=Link\nURL=file://" + D() + "/./dot.desktop\n");
    WriteBytes(Dir / "prog.desktop",
               "[Desktop Entry]\nType=Application\nExec=" + D() + "/prog.desktop\n",
               0755);
    MakeSymlink("loop", Dir / "loop");
    MakeSymlink("./dotted", Dir / "dotted");
    for (const char *name : {"self.desktop", "dot.desktop", "prog.desktop", "loop", "dotted"}) {
        SCOPED_TRACE(name);
        const std::string path = Dir / name;
        const std::string before = LinkText(path).empty() ? ReadBytes(path) : LinkText(path);
        TLinkFile record;
        record.Load(path, false);
        ExpectFailure(Virus, path);
        ExpectCleared(record);
        EXPECT_EQ(LinkText(path).empty() ? ReadBytes(path) : LinkText(path), before);
    }
}

TEST_F(TLinkFileTest, LoopingAndDanglingLinks)
{
    MakeSymlink("b", Dir / "a");
    MakeSymlink("a", Dir / "b");
    MakeSymlink("missing/../gone.txt", Dir / "dangling");
    Entry(Dir / "dangling.desktop", "Type=Link\nURL=file://" + D() + "/gone.txt\n");
    struct TCase
    {
        std::string Path;
        bool Resolve;
        std::string Failure; // empty: loads
        int Code;
        std::string Reference;
    };
    const TCase cases[] = {
        {Dir / "a", false, "Failed to resolve link file.", ELOOP, ""},
        {Dir / "a", true, "Failed to resolve link file.", ELOOP, ""},
        {Dir / "dangling", true, "Failed to resolve link file.", ENOENT, ""},
        {Dir / "dangling", false, "", 0, Dir / "gone.txt"},
        {Dir / "dangling.desktop", true, "Failed to resolve link file.", ENOENT, ""},
        {Dir / "dangling.desktop", false, "", 0, Dir / "gone.txt"},
    };
    for (const TCase &row : cases) {
        SCOPED_TRACE(row.Path + (row.Resolve ? " resolved" : ""));
        TLinkFile record;
        record.Load(row.Path, row.Resolve);
        if (row.Failure.empty()) {
            ExpectPerfect();
            EXPECT_FALSE(record.referenceFound);
        } else {
            ExpectFailure(row.Failure, row.Path);
            EXPECT_EQ(FunStatContext.systemErrorCode, row.Code);
        }
        EXPECT_EQ(record.reference, row.Reference);
    }
    EXPECT_EQ(LinkText(Dir / "a"), "b");
    EXPECT_EQ(LinkText(Dir / "dangling"), "missing/../gone.txt");
    EXPECT_EQ(NamesIn(D()), (std::vector<std::string>{"a", "b", "dangling", "dangling.desktop"}));
}

TEST_F(TLinkFileTest, PathsUpToTheLimitWorkAndLongerOnesFail)
{
    WriteBytes(Dir / "target.txt", "t");
    std::string directory = D();
    while (MaximumPathLength - directory.size() > 256) {
        directory += "/" + std::string(200, 'd');
        std::filesystem::create_directory(directory);
    }
    const std::size_t room = MaximumPathLength - directory.size() - 1;
    const std::string link = directory + "/" + std::string(room, 'n');
    const std::string entry = directory + "/" + std::string(room - 8, 'e') + ".desktop";
    for (const std::string &path : {link, entry}) {
        SCOPED_TRACE(path.substr(path.size() - 12));
        ASSERT_EQ(path.size(), MaximumPathLength);
        TLinkFile record;
        record.reference = Dir / "target.txt";
        EXPECT_TRUE(record.Save(path, false));
        ExpectPerfect();
        record.Load(path, true);
        ExpectPerfect();
        EXPECT_EQ(record.reference, Canonical(Dir / "target.txt"));

        const std::string longer =
            path.ends_with(".desktop") ? path.substr(0, path.size() - 8) + "x.desktop" : path + "x";
        ASSERT_EQ(longer.size(), MaximumPathLength + 1);
        const auto names = NamesIn(directory);
        record.reference = Dir / "target.txt";
        EXPECT_FALSE(record.Save(longer, true));
        ExpectFailure("Failed to save link file.", longer);
        EXPECT_EQ(FunStatContext.systemErrorCode, ENAMETOOLONG);
        record.Load(longer, false);
        ExpectFailure("Failed to load link file.", longer);
        EXPECT_EQ(FunStatContext.systemErrorCode, ENAMETOOLONG);
        EXPECT_EQ(NamesIn(directory), names);
    }
}

TEST_F(TLinkFileTest, UnwritableFolderFailsAsNobody)
{
    ASSERT_EQ(::chmod(D().c_str(), 0755), 0);
    WriteBytes(Dir / "target.txt", "t", 0644);
    Program(Dir / "prog.sh");
    std::filesystem::create_directory(Dir / "locked");
    ASSERT_EQ(::chmod((Dir / "locked").c_str(), 0555), 0);
    const std::pair<std::string, std::string> rows[] = {
        {Dir / "target.txt", Dir / "locked/target.txt"},
        {Dir / "target.txt", Dir / "locked/target.desktop"},
        {Dir / "prog.sh", Dir / "locked/prog.desktop"},
    };
    const int code = RunAsNobody([&] {
        int row = 0;
        for (const auto &[target, path] : rows) {
            ++row;
            FunStatContext = TFunStatContext();
            TLinkFile record;
            record.reference = target;
            if (record.Save(path, false) ||
                FunStatContext.description != "Failed to save link file." ||
                FunStatContext.systemErrorCode != EACCES || FunStatContext.parameter1 != path)
                return row;
        }
        return 0;
    });
    if (code == -1 || code == 126) GTEST_SKIP() << "cannot run as nobody here";
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(NamesIn(Dir / "locked").empty());
}

// ---- Saving -------------------------------------------------------------------------------

TEST_F(TLinkFileTest, SaveRules)
{
    const std::string chained = "This operating system does not support chained links.";
    WriteBytes(Dir / "other.DESKTOP", "[Desktop Entry]\nType=Link\nURL=file:///tmp\n");
    WriteBytes(Dir / "data.txt", "precious");
    WriteBytes(Dir / "kept.desktop", "keep");
    Program(Dir / "prog");
    for (const char *name : {"chain.desktop", "chain"}) {
        SCOPED_TRACE(name);
        TLinkFile record;
        record.reference = Dir / "other.DESKTOP";
        EXPECT_TRUE(record.Save(Dir / name, true));
        ExpectFailure(chained, Dir / name);
        EXPECT_FALSE(PathExists(Dir / name));
    }
    {
        SCOPED_TRACE("existing file without overwrite");
        TLinkFile record;
        record.reference = Dir / "data.txt";
        EXPECT_TRUE(record.Save(Dir / "kept.desktop", false));
        ExpectPerfect();
        EXPECT_EQ(ReadBytes(Dir / "kept.desktop"), "keep");
        EXPECT_TRUE(record.Save(Dir / "kept.desktop", true));
        ExpectPerfect();
        EXPECT_EQ(GetWhenReference(Dir / "kept.desktop"), Dir / "data.txt");
        EXPECT_EQ(ModeOf(Dir / "kept.desktop") & 0111, 0u); // only launchers get +x
    }
    {
        SCOPED_TRACE("a link onto the file it names");
        TLinkFile record;
        record.reference = Dir / "data.txt";
        EXPECT_FALSE(record.Save(Dir / "data.txt", true));
        ExpectFailure("Failed to set reference path.", Dir / "data.txt");
        EXPECT_EQ(ReadBytes(Dir / "data.txt"), "precious");
    }
    {
        SCOPED_TRACE("symbolic link replaced only with overwrite");
        MakeSymlink(Dir / "prog", Dir / "current");
        TLinkFile record;
        record.reference = Dir / "data.txt";
        EXPECT_TRUE(record.Save(Dir / "current", false));
        EXPECT_EQ(LinkText(Dir / "current"), Dir / "prog");
        EXPECT_TRUE(record.Save(Dir / "current", true));
        ExpectPerfect();
        EXPECT_EQ(LinkText(Dir / "current"), Dir / "data.txt");
    }
    {
        SCOPED_TRACE("a value the format cannot carry");
        TLinkFile record;
        record.reference = Dir / "prog";
        record.description = std::string("bell\x07", 5);
        EXPECT_FALSE(record.Save(Dir / "bell.desktop", false));
        ExpectFailure("Failed to set description.", Dir / "bell.desktop");
        EXPECT_FALSE(PathExists(Dir / "bell.desktop"));
        ExpectCleared(record);
    }
    EXPECT_EQ(
        NamesIn(D()),
        (std::vector<std::string>{"current", "data.txt", "kept.desktop", "other.DESKTOP", "prog"}));
}

TEST_F(TLinkFileTest, CopyFileAsLinkChoosesTheForm)
{
    WriteBytes(Dir / "docs/report.txt", "r");
    Program(Dir / "bin/Velmordian");
    const std::string program = Dir / "bin/Velmordian";
    std::filesystem::create_directories(Dir / "other");
    EXPECT_EQ(ShortcutExtension(Dir / "docs/report.txt"), "");
    EXPECT_EQ(ShortcutExtension(Dir / "docs"), "");
    EXPECT_EQ(ShortcutExtension(program), ".desktop");

    CopyFileAsLink(Dir / "docs/report.txt", Dir / "other/report.txt", false, false, true, "");
    ExpectPerfect();
    EXPECT_EQ(LinkText(Dir / "other/report.txt"), Dir / "docs/report.txt");
    CopyFileAsLink(Dir / "docs", Dir / "other/docs", false, false, true, "");
    ExpectPerfect();
    EXPECT_EQ(LinkText(Dir / "other/docs"), Dir / "docs");

    CopyFileAsLinkWithParam(program, Dir / "other/Uninstall.desktop", "/Uninstall", false);
    ExpectPerfect();
    TLinkFile record;
    record.Load(Dir / "other/Uninstall.desktop", true);
    EXPECT_EQ(record.reference, program);
    EXPECT_EQ(record.arguments, "/Uninstall");
    EXPECT_EQ(record.workingDirectory, Dir / "bin/");
    EXPECT_EQ(record.showCommand, 0);
    EXPECT_NE(ModeOf(Dir / "other/Uninstall.desktop") & S_IXUSR, 0u);

    CopyFileAsLink(program, Dir / "other/Min.desktop", false, true, false, "");
    record.Load(Dir / "other/Min.desktop", true);
    EXPECT_EQ(record.showCommand, ShowCommandMinimized);
    EXPECT_EQ(record.workingDirectory, "");

    CopyFileAsLink(Dir / "other/Min.desktop", Dir / "other/Again.desktop", false, false, true, "");
    ExpectFailure("This operating system does not support chained links.",
                  Dir / "other/Again.desktop");
    EXPECT_EQ(FunStatContext.function, "TLinkFile::Save");
}

TEST_F(TLinkFileTest, MakeLinkByStatusWritesOnlyWhatDiffers)
{
    const std::string program = Dir / "opt/Velmordian";
    WriteBytes(program, ElfHead, 0755);
    const std::string folder = Dir / "autostart";
    std::filesystem::create_directories(folder);
    const std::string shortcut = folder + "/Velmordian.desktop";

    MakeLinkByStatus(folder, program, "", true, true, "File manager");
    ExpectPerfect();
    TLinkFile record;
    record.Load(shortcut, true);
    EXPECT_EQ(record.reference, program);
    EXPECT_EQ(record.showCommand, ShowCommandMinimized);
    EXPECT_EQ(record.description, "File manager");

    // Fields the call does not set survive its rewrites.
    record.iconPath = "velmordian";
    record.hotKey = 0x0356;
    ASSERT_TRUE(record.Save(shortcut, true));
    const ino_t first = InodeOf(shortcut);
    MakeLinkByStatus(folder + "/", program, "", true, true, "File manager");
    ExpectPerfect();
    EXPECT_EQ(InodeOf(shortcut), first) << "an unchanged shortcut is not written";

    struct TChange
    {
        const char *Name;
        std::string Arguments, Description;
        bool Minimized;
        std::int32_t ShowCommand;
    };
    const TChange changes[] = {{"normal window", "", "File manager", false, ShowCommandNormal},
                               {"arguments", "--hidden", "File manager", false, ShowCommandNormal},
                               {"description", "--hidden", "Files", false, ShowCommandNormal}};
    for (const TChange &change : changes) {
        SCOPED_TRACE(change.Name);
        const ino_t before = InodeOf(shortcut);
        MakeLinkByStatus(
            folder, program, change.Arguments, true, change.Minimized, change.Description);
        ExpectPerfect();
        EXPECT_NE(InodeOf(shortcut), before);
        record.Load(shortcut, false);
        EXPECT_EQ(record.arguments, change.Arguments);
        EXPECT_EQ(record.description, change.Description);
        EXPECT_EQ(record.showCommand, change.ShowCommand);
        EXPECT_EQ(record.iconPath, "velmordian");
        EXPECT_EQ(record.hotKey, 0x0356);
    }
    MakeLinkByStatus(folder, program, "", false, false, "");
    ExpectPerfect();
    EXPECT_FALSE(PathExists(shortcut));
    MakeLinkByStatus(folder, program, "", false, false, "");
    ExpectPerfect();
    EXPECT_TRUE(ShownErrors().empty());
}

TEST_F(TLinkFileTest, MakeLinkByStatusShowsItsFailure)
{
    const std::string folder = Dir / "autostart";
    WriteBytes(folder + "/Velmordian.desktop", "not an entry");
    MakeLinkByStatus(folder, Dir / "opt/Velmordian", "", true, false, "");
    EXPECT_EQ(ShownErrors(), std::vector<std::string>{"Failed to create link."});
    ASSERT_EQ(Window.Memos.size(), 1u);
    EXPECT_NE(Window.Memos[0].find("Failed to load link file."), std::string::npos);
    EXPECT_EQ(ReadBytes(folder + "/Velmordian.desktop"), "not an entry");
}

// ---- Programs -----------------------------------------------------------------------------

TEST_F(TLinkFileTest, ExecutableFilesAndShortcutExtension)
{
    std::filesystem::create_directories(Dir / "folder");
    ::chmod((Dir / "folder").c_str(), 0755);
    struct TCase
    {
        const char *Name;
        std::optional<std::string> Content; // none: no file
        mode_t Mode;
        bool Executable;
    };
    const TCase cases[] = {
        {"elf", ElfHead, 0755, true},
        {"script", ScriptText, 0755, true},
        {"script owner only", ScriptText, 0700, true},
        {"jpeg", JpegHead, 0755, false},
        {"script without x", ScriptText, 0644, false},
        {"elf without x", ElfHead, 0644, false},
        {"text with x", "echo hi\n", 0755, false},
        {"empty with x", "", 0755, false},
        {"short magic",
         "\x7f"
         "EL",
         0755,
         false},
        {"folder", std::nullopt, 0, false},
        {"missing", std::nullopt, 0, false},
    };
    for (const TCase &row : cases) {
        SCOPED_TRACE(row.Name);
        const std::string path = Dir / row.Name;
        if (row.Content) WriteBytes(path, *row.Content, row.Mode);
        EXPECT_EQ(IsExecutableFile(path), row.Executable);
        EXPECT_EQ(ShortcutExtension(path), row.Executable ? ".desktop" : "");
        EXPECT_FALSE(IsDosProgram(path));
        ExpectPerfect();
    }
    MakeSymlink("elf", Dir / "to-elf");
    EXPECT_TRUE(IsExecutableFile(Dir / "to-elf"));
}

TEST_F(TLinkFileTest, IsLinkToProgram)
{
    Program(Dir / "prog");
    WriteBytes(Dir / "notes.txt", "n");
    Entry(Dir / "prog.desktop", "Type=Application\nExec=" + D() + "/prog\n");
    Entry(Dir / "notes.desktop", "Type=Link\nURL=file://" + D() + "/notes.txt\n");
    MakeSymlink("prog", Dir / "prog-link");
    WriteBytes(Dir / "broken.desktop", "\x01\x02");
    EXPECT_TRUE(IsLinkToProgram(Dir / "prog.desktop"));
    ExpectPerfect();
    EXPECT_FALSE(IsLinkToProgram(Dir / "notes.desktop"));
    EXPECT_FALSE(IsLinkToProgram(Dir / "prog-link"));
    ExpectPerfect();
    EXPECT_FALSE(IsLinkToProgram(Dir / "broken.desktop"));
    ExpectFailure("Failed to load link file.", Dir / "broken.desktop");
}

TEST_F(TLinkFileTest, GetWhenReference)
{
    WriteBytes(Dir / "plain.txt", "p");
    std::filesystem::create_directories(Dir / "folder");
    MakeSymlink("folder", Dir / "to-folder");
    MakeSymlink("gone", Dir / "dangling");
    Entry(Dir / "plain.desktop", "Type=Link\nURL=file://" + D() + "/plain.txt\n");
    WriteBytes(Dir / "broken.desktop", "garbage");
    struct TCase
    {
        std::string Path;
        bool Resolve;
        std::string Result;
        bool IsLink, IsDirectory;
        std::string Failure;
    };
    const TCase cases[] = {
        {Dir / "plain.txt", true, Dir / "plain.txt", false, false, ""},
        {Dir / "folder", true, Dir / "folder", false, false, ""},
        {Dir / "to-folder", false, Canonical(Dir / "folder"), true, true, ""},
        {Dir / "plain.desktop", true, Dir / "plain.txt", true, false, ""},
        {Dir / "dangling", false, Dir / "gone", true, false, ""},
        {Dir / "dangling", true, Dir / "dangling", false, false, "Failed to resolve link file."},
        {Dir / "broken.desktop",
         false,
         Dir / "broken.desktop",
         false,
         false,
         "Failed to load link file."},
    };
    for (const TCase &row : cases) {
        SCOPED_TRACE(row.Path);
        bool isLink = true, isDirectory = false;
        TLinkFile record;
        EXPECT_EQ(GetWhenReference(row.Path, &isDirectory, &isLink, &record, row.Resolve),
                  row.Result);
        EXPECT_EQ(isLink, row.IsLink);
        EXPECT_EQ(isDirectory, row.IsDirectory);
        EXPECT_EQ(record.reference, row.IsLink ? row.Result : "");
        if (row.Failure.empty())
            ExpectPerfect();
        else
            ExpectFailure(row.Failure, row.Path);
    }
}

// ---- Digests, addresses and thumbnails ----------------------------------------------------------

TEST(LinkDigestTest, Md5OfKnownTexts)
{
    std::string everyByte;
    for (int i = 0; i < 256; ++i)
        everyByte += static_cast<char>(i);
    const std::pair<std::string, std::string> cases[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
         "d174ab98d277d9f5a5611c2c9f419d9f"},
        {std::string(55, 'a'), "ef1772b6dff9a122358552954ad0df65"},
        {std::string(56, 'a'), "3b0c8ac703f828b04c6c197006d17218"},
        {std::string(64, 'a'), "014842d480b571495a4a0363793f7367"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
        {"file:///home/jens/photos/me.png", "c6ee772d9e49320e97ec29a7eb5b1697"},
        {everyByte, "e2c865db4162bed963bfaa9ef6ac18f0"},
    };
    for (const auto &[text, digest] : cases) {
        SCOPED_TRACE(text.size());
        EXPECT_EQ(Md5HexDigest(text), digest);
    }
}

TEST(LinkUriTest, FileUrisArePercentEncoded)
{
    const std::pair<std::string, std::string> cases[] = {
        {"/tmp/a b.mkv", "file:///tmp/a%20b.mkv"},
        {"/x/caf\xc3\xa9", "file:///x/caf%C3%A9"},
        {"/a/#?%[]\"<>\\^`{|};", "file:///a/%23%3F%25%5B%5D%22%3C%3E%5C%5E%60%7B%7C%7D%3B"},
        {"/keep/-._~!$&'()*+,=:@", "file:///keep/-._~!$&'()*+,=:@"},
        {"/new\nline\t", "file:///new%0Aline%09"},
        {"/bad\xff", "file:///bad%FF"},
        {"/a/./b/../c", "file:///a/c"},
    };
    for (const auto &[path, uri] : cases) {
        SCOPED_TRACE(path);
        EXPECT_EQ(FileUriOfPath(path), uri);
    }
}

// A PNG file of one pixel with the given text chunks.
std::string PngWithTexts(const std::vector<std::pair<std::string, std::string>> &texts)
{
    const auto crc = [](const std::string &bytes) {
        std::uint32_t value = 0xFFFFFFFFu;
        for (const char c : bytes) {
            value ^= static_cast<unsigned char>(c);
            for (int bit = 0; bit < 8; ++bit)
                value = (value >> 1) ^ (0xEDB88320u & (0u - (value & 1u)));
        }
        return value ^ 0xFFFFFFFFu;
    };
    const auto be32 = [](std::uint32_t value) {
        return std::string{static_cast<char>(value >> 24),
                           static_cast<char>(value >> 16),
                           static_cast<char>(value >> 8),
                           static_cast<char>(value)};
    };
    const auto chunk = [&](const std::string &type, const std::string &data) {
        return be32(static_cast<std::uint32_t>(data.size())) + type + data + be32(crc(type + data));
    };
    std::string png("\x89PNG\r\n\x1a\n", 8);
    png += chunk("IHDR", be32(1) + be32(1) + std::string("\x08\x06\x00\x00\x00", 5));
    for (const auto &[key, value] : texts)
        png += chunk("tEXt", key + std::string(1, '\0') + value);
    png += chunk("IDAT", std::string("\x78\x9c\x63\x60\x00\x02\x00\x00\x05\x00\x01", 11));
    png += chunk("IEND", "");
    return png;
}

TEST_F(TLinkFileTest, ThumbnailFromTheCache)
{
    const std::string video = Dir / "my movie.mkv";
    WriteBytes(video, "movie");
    struct stat info
    {
    };
    ASSERT_EQ(::stat(video.c_str(), &info), 0);
    const std::string mtime = std::to_string(info.st_mtim.tv_sec);
    const std::string uri = "file://" + D() + "/my%20movie.mkv";
    ASSERT_EQ(FileUriOfPath(video), uri);
    const std::string name = Md5HexDigest(uri) + ".png";
    const std::string good = PngWithTexts({{"Thumb::URI", uri}, {"Thumb::MTime", mtime}});

    const TEnvironmentVariable cacheHome("XDG_CACHE_HOME", D() + "/cache");
    const std::string thumbnails = Dir / "cache/thumbnails/";
    EXPECT_EQ(GetSysThumbnailFromFile(video, 128, 96), "");
    ExpectPerfect();

    WriteBytes(thumbnails + "normal/" + name, good);
    EXPECT_EQ(GetSysThumbnailFromFile(video, 128, 96), thumbnails + "normal/" + name);
    EXPECT_EQ(GetSysThumbnailFromFile(video, 256, 200), thumbnails + "normal/" + name)
        << "falls back to smaller";
    WriteBytes(thumbnails + "large/" + name, good);
    EXPECT_EQ(GetSysThumbnailFromFile(video, 129, 50), thumbnails + "large/" + name);
    EXPECT_EQ(GetSysThumbnailFromFile(video, 128, 128), thumbnails + "normal/" + name);
    EXPECT_EQ(GetSysThumbnailFromFile(video, 2000, 2000), thumbnails + "large/" + name);
    ExpectPerfect();

    std::filesystem::remove(thumbnails + "large/" + name);
    struct TCase
    {
        const char *Name;
        std::string Content;
        bool Found;
    };
    const TCase cases[] = {
        {"made for an older file",
         PngWithTexts({{"Thumb::URI", uri}, {"Thumb::MTime", "12"}}),
         false},
        {"made for another file",
         PngWithTexts({{"Thumb::URI", "file:///other"}, {"Thumb::MTime", mtime}}),
         false},
        {"not a picture", "just text", false},
        {"without its own record", PngWithTexts({}), true},
    };
    for (const TCase &row : cases) {
        SCOPED_TRACE(row.Name);
        WriteBytes(thumbnails + "normal/" + name, row.Content);
        EXPECT_EQ(GetSysThumbnailFromFile(video, 100, 100),
                  row.Found ? thumbnails + "normal/" + name : "");
        ExpectPerfect();
    }
    EXPECT_EQ(GetSysThumbnailFromFile(Dir / "no such file.mkv", 100, 100), "");

    // Without XDG_CACHE_HOME the cache lies in ~/.cache.
    const TEnvironmentVariable noCache("XDG_CACHE_HOME", std::nullopt);
    const TEnvironmentVariable home("HOME", D() + "/home");
    WriteBytes(Dir / ("home/.cache/thumbnails/x-large/" + name), good);
    EXPECT_EQ(GetSysThumbnailFromFile(video, 512, 512),
              Dir / ("home/.cache/thumbnails/x-large/" + name));
}

} // namespace
