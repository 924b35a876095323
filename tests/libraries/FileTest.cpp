// Paths, partitions, file information and the basic file operations on real files.
#include "Libraries/File.h"

#include "Libraries/Program.h"
#include "platform/FileSystem.h"
#include "platform/Xattr.h"
#include "tests/support/TestSupport.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;


using FileTest = TStatusTest;

TEST_F(FileTest, PathTextsFollowTheRootRules)
{
    struct TCase
    {
        const char *Path, *Directory, *Name, *WithoutDelimiter;
    };
    const TCase cases[] = {
        {":/", "", ":/", ":/"},
        {":/media/ann/USB", "", ":/media/ann/USB", ":/media/ann/USB"},
        {"/", "/", "", ":/"},
        {"/x", "/", "x", "/x"},
        {"/home/ann/notes:", "/home/ann/", "notes:", "/home/ann/notes:"},
        {"/home/ann/", "/home/ann/", "", "/home/ann"},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Path);
        EXPECT_EQ(ExtractDirectory(c.Path), c.Directory);
        EXPECT_EQ(ExtractName(c.Path), c.Name);
        EXPECT_EQ(ExcludeTrailingBackslash(c.Path), c.WithoutDelimiter);
    }
    EXPECT_FALSE(IsDrivePath("/home/ann/notes:"));
    EXPECT_FALSE(IsDrivePath(":"));
    EXPECT_TRUE(IsDrivePath(":/"));
    EXPECT_FALSE(IsPathInside("/a", "/ab/x"));
    EXPECT_FALSE(IsPathInside("/A", "/a/x"));
    EXPECT_TRUE(IsPathInside("/a", "/a/x"));
    EXPECT_TRUE(IsPathInside("/a/", "/a/x"));
    EXPECT_TRUE(IsPathInside("/", "/a"));
    EXPECT_EQ(IncludeTrailingBackslash(""), "");
    EXPECT_EQ(IncludeTrailingBackslash("/a"), "/a/");

    std::string path = "/home/ann/file";
    EXPECT_EQ(TakeFirstComponent(path), "/");
    EXPECT_EQ(TakeFirstComponent(path), "home");
    EXPECT_EQ(TakeFirstComponent(path), "ann");
    EXPECT_EQ(TakeFirstComponent(path), "file");
    EXPECT_EQ(path, "");

    EXPECT_EQ(ExtractExtension("/a/.bashrc"), "");
    EXPECT_EQ(ExtensionWithoutDot("/a/photo.JPG"), "JPG");
    const std::vector<std::string> pictures = {".jpg", ".png"};
    EXPECT_TRUE(ExtensionInList("/a/photo.JPG", &pictures));
    EXPECT_FALSE(ExtensionInList("/a/photo.JPG", nullptr));
    EXPECT_TRUE(AreValidFullPaths({"/a<b>|\"*?", "/"}));
    EXPECT_FALSE(AreValidFullPaths({"relative/path"}));
    EXPECT_FALSE(AreValidFullPaths({std::string("/a\0b", 4)}));
    EXPECT_EQ(FullPath("/a/./b/../c/"), "/a/c/");
    EXPECT_EQ(FullPath("/.."), "/");
    EXPECT_TRUE(IsShortcut("/a/Edit.DESKTOP"));
    EXPECT_EQ(AttributesText(FileAttribute::ReadOnly | FileAttribute::Hidden | FileAttribute::ReparsePoint |
                             FileAttribute::Sparse),
              "RHRpSf");
    EXPECT_TRUE(MatchesFilter("Photo.JPG", "*.txt;*.jpg"));
    EXPECT_TRUE(MatchesFilter("caf\xC3\xA9.txt", "caf?.txt"));
    EXPECT_FALSE(MatchesFilter("notes.txt", "*.jpg"));
    EXPECT_TRUE(MatchesFilter("anything", ""));
}

TEST_F(FileTest, PartitionsFromTheMountTable)
{
    const std::string mountinfo =
        "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
        "23 22 0:21 / /proc rw,nosuid - proc proc rw\n"
        "24 22 0:22 / /run rw - tmpfs tmpfs rw\n"
        "25 22 8:2 / /home rw - ext4 /dev/sda2 rw\n"
        "26 22 8:17 / /media/ann/My\\040Stick rw - vfat /dev/sdb1 rw\n"
        "27 22 8:2 /ann/shared /srv/shared rw - ext4 /dev/sda2 rw\n"
        "28 22 7:3 / /snap/core/1 ro - squashfs /dev/loop3 ro\n"
        "29 22 0:40 / /mnt/nas rw - nfs4 server:/export rw\n"
        "30 22 0:41 / /tmp rw - tmpfs tmpfs rw\n"
        "31 22 11:0 / /media/cd ro - iso9660 /dev/sr0 ro\n";
    const std::vector<TMountEntry> partitions = SelectPartitions(ParseMountInfo(mountinfo));
    std::vector<std::string> points;
    for (const TMountEntry &mount : partitions) points.push_back(mount.MountPoint);
    EXPECT_EQ(points, (std::vector<std::string>{"/", "/home", "/media/ann/My Stick", "/media/cd", "/mnt/nas", "/tmp"}));
    EXPECT_TRUE(partitions[3].ReadOnly);
    EXPECT_EQ(partitions[4].Type, "nfs4");
    EXPECT_EQ(partitions[4].Source, "server:/export");

    // The machine's own table always holds "/".
    std::vector<std::string> drives;
    int count = 0;
    LogicalDrives(drives, count);
    ASSERT_GT(count, 0);
    EXPECT_EQ(drives.front(), ":/");
    EXPECT_EQ(PartitionTitleOf("/nonexistent/below/root"), drives.front() == ":/" ? PartitionTitleOf("/") : "");
    EXPECT_TRUE(PartitionExists(":/"));
    EXPECT_FALSE(PartitionExists(":/no/such/mount"));
    EXPECT_EQ(GetPartitionSuffix("/"), "") << "a path, not a partition title";
    EXPECT_GT(GetPartitionTotalSize(":/"), 0);
    EXPECT_GE(GetPartitionFreeSize("/"), 0);
    TPartitionInfo info;
    info.Load(":/");
    EXPECT_EQ(FunStatContext.status, fsPerfect);
    EXPECT_FALSE(info.fileSystemName.empty());
    EXPECT_GT(info.maximumComponentLength, 0u);
}

TEST_F(FileTest, FileInformation)
{
    TTempDir dir;
    dir.WriteFile("data.bin", std::string(1536, 'x'));
    dir.WriteFile(".hidden", "h");
    fs::create_directory(dir / "sub");
    fs::create_symlink(dir / "sub", dir / "link-to-sub");
    fs::create_symlink(dir / "missing", dir / "dangling");
    ::chmod((dir / "data.bin").c_str(), 0444);

    TFileInfo info;
    info.Load(dir / "data.bin");
    EXPECT_TRUE(info.exists);
    EXPECT_EQ(info.size, 1536u);
    EXPECT_EQ(info.attributes, FileAttribute::ReadOnly);
    EXPECT_GT(info.rawModified, 116444736000000000LL) << "after 1970";
    info.Load(dir / ".hidden");
    EXPECT_TRUE(info.attributes & FileAttribute::Hidden);
    info.Load(dir / "link-to-sub");
    EXPECT_EQ(info.attributes, FileAttribute::Directory | FileAttribute::ReparsePoint);
    info.Load(dir / "dangling");
    EXPECT_TRUE(info.exists);
    EXPECT_TRUE(PathExists(dir / "dangling"));
    info.Load(dir / "absent");
    EXPECT_FALSE(info.exists);
    EXPECT_EQ(FunStatContext.description, "Failed to open file.");
    EXPECT_EQ(FunStatContext.systemErrorCode, ENOENT);

    EXPECT_EQ(GetFileSize(dir / "data.bin"), 1536u);
    EXPECT_EQ(GetFileSize(dir / "absent"), 0u);
    EXPECT_EQ(FunStatContext.status, fsWarning);
    EXPECT_EQ(FunStatContext.description, "Failed to access file.");
    fs::create_hard_link(dir / "data.bin", dir / "second-name");
    EXPECT_EQ(GetHardLinkCount(dir / "data.bin"), 2u);
    EXPECT_TRUE(SamePath(dir / "data.bin", dir / "second-name"));
    EXPECT_FALSE(SamePath(dir / "data.bin", dir / ".hidden"));
    EXPECT_TRUE(HasDirectories(dir.Path()));
    EXPECT_FALSE(HasDirectories(dir / "sub"));
    EXPECT_FALSE(HasDirectories(dir / "absent"));
    EXPECT_EQ(FunStatContext.description, "Failed to load directory.");
    EXPECT_TRUE(IsDirectoryPath(dir / "link-to-sub"));
    EXPECT_TRUE(SameRoot(dir / "data.bin", dir / "not/yet/made"));
}

TEST_F(FileTest, SizeTexts)
{
    struct TCase
    {
        std::uint64_t Size;
        const char *Text;
    };
    const TCase cases[] = {{0, "0 B"}, {1023, "1,023 B"}, {1024, "1.0 KB"}, {1536, "1.5 KB"},
                           {1048576, "1.0 MB"}, {5ull << 40, "5.0 TB"}, {5ull << 50, "5,120.0 TB"},
                           // Around the end of a unit: 999.4, 999.5, 1000, 1023.9, 1023.95 KB.
                           {1023386, "999.4 KB"}, {1023488, "999.5 KB"}, {1024000, "1,000.0 KB"},
                           {1048474, "1,023.9 KB"}, {1048525, "1.0 MB"}, {1048575, "1.0 MB"},
                           {(1ull << 30) - (1ull << 20) / 32, "1.0 GB"},
                           {(1ull << 30) - (1ull << 20) / 8, "1,023.9 MB"}};
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Text);
        EXPECT_EQ(FileSizeText(5, 1, c.Size), c.Text);
    }
    FileUnitLoader.sizesInUnits = false;
    EXPECT_EQ(FileSizeText(3, 0, 999600), "1e6");
    FileUnitLoader.sizesInUnits = true;
}

TEST_F(FileTest, CopyKeepsStreamsModeAndTimesAndNamesTheDestinationLast)
{
    TTempDir dir;
    dir.WriteFile("source.txt", "content");
    ASSERT_TRUE(Platform::WriteUserAttribute(dir / "source.txt", "Description", "my words"));
    ::chmod((dir / "source.txt").c_str(), 0640);
    const timespec times[2] = {{1000000000, 0}, {1200000000, 500}};
    ::utimensat(AT_FDCWD, (dir / "source.txt").c_str(), times, 0);

    std::vector<double> fractions;
    FileUnitLoader.OnCopyProgress = [&](double fraction) {
        fractions.push_back(fraction);
        return true;
    };
    MyCopyFile(dir / "source.txt", dir / "copy.txt", false);
    FileUnitLoader.OnCopyProgress = nullptr;
    EXPECT_EQ(FunStatContext.status, fsPerfect);
    EXPECT_EQ(dir.ReadFile("copy.txt"), "content");
    std::string description;
    EXPECT_TRUE(Platform::ReadUserAttribute(dir / "copy.txt", "Description", description));
    EXPECT_EQ(description, "my words");
    struct stat info{};
    ::stat((dir / "copy.txt").c_str(), &info);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_EQ(info.st_mtim.tv_sec, 1200000000);
    EXPECT_EQ(fractions, std::vector<double>{1.0});

    // Without overwrite an existing destination stays; with it a read-only one is replaced.
    dir.WriteFile("target.txt", "old");
    ::chmod((dir / "target.txt").c_str(), 0444);
    MyCopyFile(dir / "source.txt", dir / "target.txt", false);
    EXPECT_EQ(FunStatContext.description, "Failed to copy file.");
    EXPECT_EQ(FunStatContext.systemErrorCode, EEXIST);
    EXPECT_EQ(dir.ReadFile("target.txt"), "old");
    ::chmod((dir / "source.txt").c_str(), 0644);
    MyCopyFile(dir / "source.txt", dir / "target.txt", true);
    EXPECT_EQ(FunStatContext.status, fsPerfect);
    EXPECT_EQ(dir.ReadFile("target.txt"), "content");
    EXPECT_EQ(access((dir / "target.txt").c_str(), W_OK), 0);
    ::stat((dir / "target.txt").c_str(), &info);
    EXPECT_TRUE(info.st_mode & S_IWUSR) << "a writable copy";

    // A cancelled copy leaves nothing behind.
    dir.WriteFile("big.bin", std::string(40u << 20, 'b'));
    FileUnitLoader.OnCopyProgress = [](double) { return false; };
    MyCopyFile(dir / "big.bin", dir / "big-copy.bin", false);
    FileUnitLoader.OnCopyProgress = nullptr;
    EXPECT_EQ(FunStatContext.systemErrorCode, ECANCELED);
    EXPECT_FALSE(fs::exists(dir / "big-copy.bin"));
    for (const auto &entry : fs::directory_iterator(dir.Path()))
        EXPECT_EQ(entry.path().filename().string().rfind(".velmordian", 0), std::string::npos) << entry.path();

    MyCopyFile(dir / "source.txt", dir / "source.txt", true);
    EXPECT_EQ(FunStatContext.description, "Failed to copy file.") << "never onto itself";
    EXPECT_EQ(dir.ReadFile("source.txt"), "content");
}

TEST_F(FileTest, AFullDiskNeverLeavesAPartialDestination)
{
    TTempDir dir;
    TSmallDisk small(dir / "small", "256k");
    if (!small.Mounted) GTEST_SKIP() << "cannot mount a tmpfs here (needs root)";
    dir.WriteFile("large.bin", std::string(1u << 20, 'z'));
    MyCopyFile(dir / "large.bin", dir / "small/large.bin", false);
    EXPECT_EQ(FunStatContext.description, "Failed to copy file.");
    EXPECT_EQ(FunStatContext.systemErrorCode, ENOSPC);
    EXPECT_TRUE(fs::is_empty(dir / "small"));

    // Across mounts a move is a copy, then the source goes.
    dir.WriteFile("small-one.txt", "moved");
    MyMoveFile(dir / "small-one.txt", dir / "small/small-one.txt", false);
    EXPECT_EQ(FunStatContext.status, fsPerfect);
    EXPECT_FALSE(fs::exists(dir / "small-one.txt"));
    EXPECT_EQ(dir.ReadFile("small/small-one.txt"), "moved");
    // A move that cannot complete keeps its source.
    MyMoveFile(dir / "large.bin", dir / "small/large.bin", false);
    EXPECT_EQ(FunStatContext.description, "Failed to move file.");
    EXPECT_TRUE(fs::exists(dir / "large.bin"));
}

TEST_F(FileTest, RenameAndMoveNeverReplaceUnlessAsked)
{
    TTempDir dir;
    dir.WriteFile("a.txt", "a");
    dir.WriteFile("A.txt", "A");
    MyRenameFile(dir / "a.txt", dir / "A.txt", false);
    EXPECT_EQ(FunStatContext.description, "Failed to rename.");
    EXPECT_EQ(FunStatContext.systemErrorCode, EEXIST);
    EXPECT_EQ(dir.ReadFile("A.txt"), "A");
    MyRenameFile(dir / "a.txt", dir / "A.txt", true);
    EXPECT_EQ(FunStatContext.status, fsPerfect);
    EXPECT_EQ(dir.ReadFile("A.txt"), "a");
    MyMoveFile(dir / "A.txt", dir / "b.txt", false);
    EXPECT_EQ(dir.ReadFile("b.txt"), "a");
    MyDeleteFile(dir / "b.txt");
    EXPECT_FALSE(fs::exists(dir / "b.txt"));
    MyDeleteFile(dir / "b.txt");
    EXPECT_EQ(FunStatContext.description, "Failed to delete file.");
    EXPECT_EQ(FunStatContext.parameter1, dir / "b.txt");
    const std::string tooLong = dir / std::string(5000, 'n');
    MyRenameFile(dir / "missing", tooLong, false);
    EXPECT_EQ(FunStatContext.systemErrorCode, ENAMETOOLONG);
}

TEST_F(FileTest, RecycleIntoTheHomeTrash)
{
    TTempDir home;
    setenv("XDG_DATA_HOME", (home / "data").c_str(), 1);
    for (const char *name : {"notes.txt", "with space\nand newline", "-dash", "bad\xFF"}) {
        SCOPED_TRACE(name);
        home.WriteFile(name, "x");
        RecycleFile(home / name);
        EXPECT_EQ(FunStatContext.status, fsPerfect) << FunStatContext.description;
        EXPECT_FALSE(fs::exists(home / name));
        EXPECT_TRUE(fs::exists(home / ("data/Trash/files/" + std::string(name))));
    }
    const std::string info = home.ReadFile("data/Trash/info/with space\nand newline.trashinfo");
    EXPECT_NE(info.find("Path=" + (home.Path() + "/with%20space%0Aand%20newline") + "\n"), std::string::npos) << info;
    EXPECT_NE(info.find("DeletionDate="), std::string::npos);
    // The same name again gets a number.
    home.WriteFile("notes.txt", "second");
    RecycleFile(home / "notes.txt");
    EXPECT_EQ(home.ReadFile("data/Trash/files/notes.2.txt"), "second");
    RecycleFile(home / "absent.txt");
    EXPECT_EQ(FunStatContext.description, "Failed to recycle.");
    unsetenv("XDG_DATA_HOME");
}

TEST_F(FileTest, RecycleOnAnotherMountUsesItsOwnTrash)
{
    TTempDir home;
    TSmallDisk other(home / "other", "1m");
    if (!other.Mounted) GTEST_SKIP() << "cannot mount a tmpfs here (needs root)";
    setenv("XDG_DATA_HOME", (home / "data").c_str(), 1);
    home.WriteFile("other/file.txt", "x");
    RecycleFile(home / "other/file.txt");
    EXPECT_EQ(FunStatContext.status, fsPerfect) << FunStatContext.description;
    const std::string trash = "other/.Trash-" + std::to_string(getuid());
    EXPECT_TRUE(fs::exists(home / (trash + "/files/file.txt")));
    EXPECT_NE(home.ReadFile(trash + "/info/file.txt.trashinfo").find("Path=file.txt\n"), std::string::npos);
    unsetenv("XDG_DATA_HOME");
}

TEST_F(FileTest, WholeFilesAndHashes)
{
    TTempDir dir;
    dir.WriteFile("empty", "");
    dir.WriteFile("abc", "abc");
    char buffer[8] = {};
    EXPECT_EQ(LoadFileToBuffer(dir / "empty", buffer, 8, false), 0);
    EXPECT_EQ(FunStatContext.description, "Failed to load, or empty file.");
    EXPECT_EQ(LoadFileToBuffer(dir / "missing", buffer, 8, false), 0);
    EXPECT_EQ(FunStatContext.description, "Failed to load.");
    EXPECT_EQ(LoadFileToBuffer(dir / "abc", buffer, 2, false), 0);
    EXPECT_EQ(FunStatContext.description, "File size too big.");
    EXPECT_EQ(LoadFileToBuffer(dir / "abc", buffer, 2, true), 2);
    EXPECT_EQ(FunStatContext.status, fsWarning);
    EXPECT_EQ(std::string(buffer, 2), "ab");
    EXPECT_EQ(LoadFileToBuffer(dir / "abc", buffer, 8, false), 3);

    SaveBufferToFile(dir / "saved", "12345", 5);
    EXPECT_EQ(dir.ReadFile("saved"), "12345");
    SaveBufferToFile(dir / "no/such/dir/saved", "1", 1);
    EXPECT_EQ(FunStatContext.description, "Failed to save.");

    EXPECT_EQ(HashFile(dir / "empty", nullptr, nullptr), "DA39A3EE5E6B4B0D3255BFEF95601890AFD80709");
    EXPECT_EQ(HashFile(dir / "abc", nullptr, nullptr), "A9993E364706816ABA3E25717850C26C9CD0D89D");
    EXPECT_EQ(HashFile(dir / "missing", nullptr, nullptr), "");
    EXPECT_EQ(FunStatContext.description, "Failed to open file.");
    dir.WriteFile("big", std::string(2500000, 'a'));
    std::vector<std::uint64_t> steps;
    const auto record = [](void *data, std::uint64_t done) {
        static_cast<std::vector<std::uint64_t> *>(data)->push_back(done);
        return false;
    };
    EXPECT_EQ(HashFile(dir / "big", record, &steps).size(), 40u);
    EXPECT_EQ(steps, (std::vector<std::uint64_t>{1000000, 2000000, 2500000}));
    EXPECT_EQ(HashFile(dir / "big", [](void *, std::uint64_t) { return true; }, nullptr), "");
    EXPECT_EQ(FunStatContext.status, fsWarning);
    EXPECT_EQ(FunStatContext.description, "User abort.");
}

TEST_F(FileTest, PermissionFailuresAsAnUnprivilegedUser)
{
    TTempDir dir;
    // Others may look in, not write.
    fs::permissions(dir.Path(), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                    fs::perms::others_read | fs::perms::others_exec);
    dir.WriteFile("file.txt", "x");
    fs::create_directory(dir / "locked");
    fs::permissions(dir / "locked", fs::perms::none);
    ::chmod((dir / "file.txt").c_str(), 0644);
    const int code = RunAsNobody([&] {
        MyDeleteFile(dir / "file.txt");
        if (FunStatContext.systemErrorCode != EACCES) return 1;
        HasDirectories(dir / "locked");
        if (FunStatContext.description != "Failed to load directory.") return 2;
        MyCopyFile(dir / "file.txt", dir / "copy.txt", false);
        if (FunStatContext.systemErrorCode != EACCES) return 3;
        return 0;
    });
    if (code < 0) GTEST_SKIP() << "cannot switch to the user nobody on this machine";
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(fs::exists(dir / "file.txt"));
}

TEST_F(FileTest, RunningAnEmptyNameSaysSo)
{
    RunFile("", "", "", false, false);
    ASSERT_EQ(Boxes.Shown.size(), 1u);
    EXPECT_EQ(Boxes.Shown[0].Text, "The name of the file is empty.");
    RunFile("/nonexistent/program", "", "", false, false);
    EXPECT_EQ(FunStatContext.description, "Failed to run file.");
    RunVerb("/nonexistent", "explode", "");
    EXPECT_EQ(FunStatContext.description, "Failed to run verb.");
    EXPECT_EQ(FunStatContext.parameter2, "explode");
}

TEST_F(FileTest, WellKnownFolders)
{
    TTempDir home;
    const std::string savedHome = getenv("HOME") ? getenv("HOME") : "";
    setenv("HOME", home.Path().c_str(), 1);
    unsetenv("XDG_CONFIG_HOME");
    home.WriteFile(".placeholder", "");
    fs::create_directories(home / ".config");
    home.WriteFile(".config/user-dirs.dirs", "XDG_MUSIC_DIR=\"$HOME/Sounds\"\n");
    EXPECT_EQ(GetSystemDirectoryPath(sfMusic), home / "Sounds/");
    EXPECT_TRUE(fs::is_directory(home / "Sounds")) << "a missing per-user folder is made";
    EXPECT_EQ(GetSystemDirectoryPath(sfDocuments), home / "Documents/");
    EXPECT_EQ(GetSystemDirectoryPath(sfCookies), "");
    EXPECT_EQ(GetSystemDirectoryPath(sfCommonStartMenuPrograms), "/usr/share/applications/");
    EXPECT_EQ(SystemDrive(), ":/");
    EXPECT_EQ(HostsFilePath(), "/etc/hosts");
    setenv("HOME", savedHome.c_str(), 1);
}

namespace {


bool NoTemporaryLeft(const std::string &directory)
{
    for (const auto &entry : fs::directory_iterator(directory))
        if (entry.path().filename().string().rfind(".velmordian", 0) == 0) return false;
    return true;
}

std::string AttributeOf(const std::string &path, const std::string &name)
{
    std::string value;
    return Platform::ReadUserAttribute(path, name, value) ? value : "<missing>";
}

} // namespace

TEST_F(FileTest, RenamingALinkOntoItsTargetIsAnOverwrite)
{
    TTempDir dir;
    dir.WriteFile("target.txt", "content");
    fs::create_symlink("target.txt", dir / "link");
    MyRenameFile(dir / "link", dir / "target.txt", false);
    EXPECT_EQ(FunStatContext.description, "Failed to rename.");
    EXPECT_EQ(FunStatContext.systemErrorCode, EEXIST) << "the caller asks before overwriting";
    EXPECT_TRUE(fs::is_symlink(dir / "link"));
    EXPECT_FALSE(fs::is_symlink(dir / "target.txt"));
    EXPECT_EQ(dir.ReadFile("target.txt"), "content");

    // Two names of one file stay the same file: the rename takes the other name.
    fs::create_hard_link(dir / "target.txt", dir / "second.txt");
    MyRenameFile(dir / "second.txt", dir / "target.txt", false);
    EXPECT_EQ(FunStatContext.status, fsPerfect);
    EXPECT_EQ(dir.ReadFile("target.txt"), "content");

    // Asked and answered: the link replaces the file it pointed to.
    MyRenameFile(dir / "link", dir / "target.txt", true);
    EXPECT_EQ(FunStatContext.status, fsPerfect);
    EXPECT_TRUE(fs::is_symlink(dir / "target.txt"));
    EXPECT_FALSE(fs::exists(fs::symlink_status(dir / "link")));
}

TEST_F(FileTest, StreamsTheDestinationRefusesFailTheCopyUnlessDropped)
{
    TTempDir dir;
    TRamDisk ram(dir / "ram");
    if (!ram.Mounted) GTEST_SKIP() << "cannot mount a ramfs here (needs root)";
    dir.WriteFile("ram/probe", "");
    if (Platform::WriteUserAttribute(dir / "ram/probe", "Probe", "1"))
        GTEST_SKIP() << "ramfs keeps user attributes on this kernel";
    dir.WriteFile("source.txt", "content");
    ASSERT_TRUE(Platform::WriteUserAttribute(dir / "source.txt", "Description", "words"));
    dir.WriteFile("plain.txt", "plain");
    fs::create_directory(dir / "folder");
    ASSERT_TRUE(Platform::WriteUserAttribute(dir / "folder", "Description", "folder words"));
    fs::create_directory(dir / "ram/folder");

    struct TCase
    {
        const char *Label;
        std::function<void()> Call;
        std::string Destination;
    };
    const TCase refused[] = {
        {"copy", [&] { MyCopyFile(dir / "source.txt", dir / "ram/copy.txt", false); }, dir / "ram/copy.txt"},
        {"move", [&] { MyMoveFile(dir / "source.txt", dir / "ram/moved.txt", false); }, dir / "ram/moved.txt"},
    };
    for (const TCase &c : refused) {
        SCOPED_TRACE(c.Label);
        FunStatContext.Reset(fsPerfect);
        c.Call();
        EXPECT_EQ(FunStatContext.description, "Failed to write data.");
        EXPECT_EQ(FunStatContext.systemErrorCode, ENOTSUP);
        EXPECT_EQ(FunStatContext.parameter1, dir / "source.txt");
        EXPECT_EQ(FunStatContext.parameter2, c.Destination);
        EXPECT_FALSE(fs::exists(c.Destination));
        EXPECT_TRUE(NoTemporaryLeft(dir / "ram"));
        EXPECT_EQ(AttributeOf(dir / "source.txt", "Description"), "words") << "the source stays whole";
    }
    EXPECT_FALSE(Platform::CopyDirectoryAttributes(dir / "folder", dir / "ram/folder"));
    EXPECT_EQ(errno, ENOTSUP);

    // A file without streams needs no question; after one, the content goes alone.
    MyCopyFile(dir / "plain.txt", dir / "ram/plain.txt", false);
    EXPECT_EQ(FunStatContext.status, fsPerfect) << FunStatContext.description;
    MyCopyFile(dir / "source.txt", dir / "ram/copy.txt", false, false, true);
    EXPECT_EQ(FunStatContext.status, fsPerfect) << FunStatContext.description;
    EXPECT_EQ(dir.ReadFile("ram/copy.txt"), "content");
    MyMoveFile(dir / "source.txt", dir / "ram/moved.txt", false, true);
    EXPECT_EQ(FunStatContext.status, fsPerfect) << FunStatContext.description;
    EXPECT_EQ(dir.ReadFile("ram/moved.txt"), "content");
    EXPECT_FALSE(fs::exists(dir / "source.txt"));
    EXPECT_TRUE(Platform::CopyDirectoryAttributes(dir / "folder", dir / "ram/folder", true));
}

TEST_F(FileTest, ReadOnlyFilesWithStreamsCopyAndMoveAsAnUnprivilegedUser)
{
    TTempDir dir;
    TSmallDisk other(dir / "other", "1m");
    if (!other.Mounted) GTEST_SKIP() << "cannot mount a tmpfs here (needs root)";
    ::chmod(dir.Path().c_str(), 0777);
    ::chmod(other.Path.c_str(), 0777);
    dir.WriteFile("locked.txt", "content");
    ASSERT_TRUE(Platform::WriteUserAttribute(dir / "locked.txt", "Description", "words"));
    const timespec times[2] = {{1000000000, 0}, {1200000000, 0}};
    ::utimensat(AT_FDCWD, (dir / "locked.txt").c_str(), times, 0);
    ::chmod((dir / "locked.txt").c_str(), 0444);
    const int code = RunAsNobody([&] {
        if (getuid() == 0) return 100;
        MyCopyFile(dir / "locked.txt", dir / "copy.txt", false);
        if (FunStatContext.status != fsPerfect) return 1;
        MyMoveFile(dir / "copy.txt", dir / "other/moved.txt", false);
        if (FunStatContext.status != fsPerfect) return 2;
        return 0;
    });
    if (code < 0 || code == 100) GTEST_SKIP() << "cannot switch to the user nobody on this machine";
    ASSERT_EQ(code, 0) << "step " << code << " failed";
    EXPECT_FALSE(fs::exists(dir / "copy.txt"));
    const std::string moved = dir / "other/moved.txt";
    EXPECT_EQ(dir.ReadFile("other/moved.txt"), "content");
    EXPECT_EQ(AttributeOf(moved, "Description"), "words");
    struct stat info{};
    ASSERT_EQ(::stat(moved.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0444u);
    EXPECT_EQ(info.st_mtim.tv_sec, 1200000000) << "the times are set last";
}

TEST_F(FileTest, AFailedOverwriteKeepsTheOldFileWhole)
{
    TTempDir dir;
    TSmallDisk small(dir / "small", "256k");
    if (!small.Mounted) GTEST_SKIP() << "cannot mount a tmpfs here (needs root)";
    dir.WriteFile("small/old.bin", std::string(100000, 'o'));
    ASSERT_TRUE(Platform::WriteUserAttribute(dir / "small/old.bin", "Description", "old"));
    dir.WriteFile("large.bin", std::string(200000, 'n'));
    MyCopyFile(dir / "large.bin", dir / "small/old.bin", true);
    EXPECT_EQ(FunStatContext.description, "Failed to copy file.");
    EXPECT_EQ(FunStatContext.systemErrorCode, ENOSPC);
    EXPECT_EQ(dir.ReadFile("small/old.bin"), std::string(100000, 'o'));
    EXPECT_EQ(AttributeOf(dir / "small/old.bin", "Description"), "old");
    EXPECT_TRUE(NoTemporaryLeft(dir / "small"));
    // With room the overwrite goes through.
    dir.WriteFile("fits.bin", std::string(50000, 'f'));
    MyCopyFile(dir / "fits.bin", dir / "small/old.bin", true);
    EXPECT_EQ(FunStatContext.status, fsPerfect) << FunStatContext.description;
    EXPECT_EQ(dir.ReadFile("small/old.bin"), std::string(50000, 'f'));
}

TEST_F(FileTest, RenameWithoutTheNoReplaceFlagReservesTheName)
{
    TTempDir dir;
    Platform::ForceRenameReservation(true);
    dir.WriteFile("a.txt", "a");
    dir.WriteFile("taken.txt", "taken");
    fs::create_directories(dir / "folder/sub");
    fs::create_directory(dir / "taken-folder");
    dir.WriteFile("source.txt", "source");
    fs::create_symlink("source.txt", dir / "link");
    struct TCase
    {
        const char *Label;
        std::function<void()> Call;
        int Code; // 0: succeeds
    };
    const TCase cases[] = {
        {"file onto a free name", [&] { MyRenameFile(dir / "a.txt", dir / "b.txt", false); }, 0},
        {"file onto a file", [&] { MyRenameFile(dir / "b.txt", dir / "taken.txt", false); }, EEXIST},
        {"file onto a folder", [&] { MyRenameFile(dir / "b.txt", dir / "taken-folder", false); }, EEXIST},
        {"folder onto a free name", [&] { MyRenameFile(dir / "folder", dir / "renamed", false); }, 0},
        {"folder onto a folder", [&] { MyRenameFile(dir / "renamed", dir / "taken-folder", false); }, EEXIST},
        {"folder onto a file", [&] { MyRenameFile(dir / "renamed", dir / "taken.txt", false); }, EEXIST},
        {"folder into itself", [&] { MyRenameFile(dir / "renamed", dir / "renamed/sub/in", false); }, EINVAL},
        {"copy onto a free name", [&] { MyCopyFile(dir / "source.txt", dir / "copy.txt", false); }, 0},
        {"copy onto a file", [&] { MyCopyFile(dir / "source.txt", dir / "taken.txt", false); }, EEXIST},
        {"link copy", [&] { CopyLinkItself(dir / "link", dir / "link-copy", false); }, 0},
        {"move", [&] { MyMoveFile(dir / "copy.txt", dir / "moved.txt", false); }, 0},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Label);
        FunStatContext.Reset(fsPerfect);
        c.Call();
        if (c.Code == 0) EXPECT_EQ(FunStatContext.status, fsPerfect) << FunStatContext.description;
        else EXPECT_EQ(FunStatContext.systemErrorCode, c.Code) << FunStatContext.description;
    }
    Platform::ForceRenameReservation(false);
    EXPECT_EQ(dir.ReadFile("b.txt"), "a");
    EXPECT_EQ(dir.ReadFile("taken.txt"), "taken");
    EXPECT_TRUE(fs::is_empty(dir / "taken-folder"));
    EXPECT_TRUE(fs::is_directory(dir / "renamed/sub"));
    EXPECT_FALSE(fs::exists(dir / "renamed/sub/in")) << "a failed rename leaves no placeholder";
    EXPECT_EQ(dir.ReadFile("moved.txt"), "source");
    EXPECT_EQ(fs::read_symlink(dir / "link-copy"), "source.txt");
    EXPECT_TRUE(NoTemporaryLeft(dir.Path()));
}

TEST_F(FileTest, AFileSystemWithoutASizeHasAnUnknownSpace)
{
    TTempDir dir;
    TRamDisk ram(dir / "ram");
    if (!ram.Mounted) GTEST_SKIP() << "cannot mount a ramfs here (needs root)";
    TSmallDisk small(dir / "small", "1m");
    EXPECT_EQ(GetPartitionFreeSize(dir / "ram"), -1) << "unknown, never 0 bytes free";
    EXPECT_EQ(FunStatContext.description, "Failed to get size.");
    EXPECT_EQ(GetPartitionTotalSize(dir / "ram"), -1);
    EXPECT_EQ(FunStatContext.description, "Failed to get size.");
    FunStatContext.Reset(fsPerfect);
    EXPECT_GT(GetPartitionFreeSize(dir / "small"), 0);
    EXPECT_EQ(GetPartitionTotalSize(dir / "small"), 1 << 20);
    EXPECT_EQ(FunStatContext.status, fsPerfect);
}

TEST_F(FileTest, APartitionIsGoneOnceItsMountIs)
{
    TTempDir dir;
    {
        TSmallDisk stick(dir / "stick", "1m");
        if (!stick.Mounted) GTEST_SKIP() << "cannot mount a tmpfs here (needs root)";
        fs::create_directory(dir / "stick/photos");
        EXPECT_TRUE(PartitionExists(dir / "stick/photos"));
        EXPECT_TRUE(PartitionExists(":" + (dir / "stick")));
    }
    // The folder that held the mount is there again, on the partition of the folder above.
    fs::create_directories(dir / "stick/photos");
    EXPECT_FALSE(PartitionExists(dir / "stick/photos"));
    EXPECT_FALSE(PartitionExists(dir / "stick"));
    EXPECT_FALSE(PartitionExists(":" + (dir / "stick")));
    EXPECT_EQ(RecordedPartitionTitleOf(dir / "stick/photos"), ":" + (dir / "stick"));
    EXPECT_TRUE(PartitionExists(dir.Path()));
    EXPECT_TRUE(PartitionExists(dir / "stickers"));
    EXPECT_TRUE(PartitionExists("/"));
}

// ---- The directory monitor ----------------------------------------------------------------

TEST_F(FileTest, TheDirectoryMonitorReportsEachChangeOnceAndNotThoseOfSubdirectories)
{
    TTempDir dir;
    fs::create_directories(dir / "sub");
    dir.WriteFile("a.txt", "a");
    TDirectoryMonitor monitor;
    monitor.Ini(dir.Path());
    ASSERT_TRUE(monitor.Armed());
    EXPECT_FALSE(monitor.Next());

    struct TCase
    {
        const char *Label;
        std::function<void()> Change;
        bool Reported;
    };
    const std::vector<TCase> cases = {
        {"create", [&] { dir.WriteFile("b.txt", "b"); }, true},
        {"rename", [&] { fs::rename(dir / "b.txt", dir / "c.txt"); }, true},
        {"size", [&] { dir.WriteFile("c.txt", "longer"); }, true},
        {"attributes", [&] { fs::permissions(dir / "c.txt", fs::perms::owner_read); }, true},
        {"delete", [&] { fs::remove(dir / "c.txt"); }, true},
        {"new directory", [&] { fs::create_directories(dir / "d"); }, true},
        {"inside a subdirectory", [&] { dir.WriteFile("sub/inner.txt", "i"); }, false},
        {"reading a file", [&] { dir.ReadFile("a.txt"); }, false},
    };
    for (const TCase &c : cases) {
        c.Change();
        EXPECT_EQ(monitor.Next(), c.Reported) << c.Label;
        EXPECT_FALSE(monitor.Next()) << c.Label << ", a second time";
    }
    EXPECT_TRUE(ShownErrors().empty());
}

TEST_F(FileTest, ArmingTheSameDirectoryAgainKeepsAPendingChange)
{
    TTempDir dir;
    TDirectoryMonitor first, second;
    first.Ini(dir.Path());
    second.Ini(dir.Path());
    dir.WriteFile("x", "x");
    first.Set(dir.Path());
    EXPECT_TRUE(first.ChangePending);
    EXPECT_TRUE(first.Next());
    // Two monitors of one directory share a kernel watch: closing one leaves the other.
    first.Stop();
    dir.WriteFile("y", "y");
    EXPECT_TRUE(second.Next());
    EXPECT_FALSE(second.Next());
    // Ini forgets: the caller has just read the directory.
    dir.WriteFile("z", "z");
    second.Ini(dir.Path());
    EXPECT_FALSE(second.Next());
    // The partitions list watches nothing.
    TDirectoryMonitor partitions;
    partitions.Ini("");
    EXPECT_FALSE(partitions.Armed());
    EXPECT_FALSE(partitions.Next());
}

TEST_F(FileTest, AWatchedDirectoryRemovedAndMadeAgainIsFollowed)
{
    TTempDir dir;
    fs::create_directories(dir / "w");
    TDirectoryMonitor monitor;
    monitor.Ini(dir / "w");
    fs::remove_all(dir / "w");
    EXPECT_TRUE(monitor.Next());
    FunStatContext.Reset(fsPerfect);
    fs::create_directories(dir / "w");
    monitor.Next();
    FunStatContext.Reset(fsPerfect);
    EXPECT_TRUE(monitor.Armed());
    EXPECT_FALSE(monitor.Next());
    dir.WriteFile("w/new.txt", "n");
    EXPECT_TRUE(monitor.Next());
}

TEST_F(FileTest, AnUnmountedPartitionStaysChangedUntilTheColumnMovesOn)
{
    TTempDir dir;
    fs::create_directories(dir / "mnt");
    TSmallDisk disk(dir / "mnt", "64k");
    if (!disk.Mounted) GTEST_SKIP() << "this machine cannot mount a small tmpfs";
    TDirectoryMonitor monitor;
    monitor.Ini(dir / "mnt");
    ASSERT_TRUE(monitor.Armed());
    ASSERT_EQ(umount2((dir / "mnt").c_str(), MNT_DETACH), 0);
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(monitor.Next()) << i;
    FunStatContext.Reset(fsPerfect);
    monitor.Ini(dir.Path());
    EXPECT_FALSE(monitor.Next());
}

TEST_F(FileTest, AStormOfChangesAndAFullKernelQueueAreOneChange)
{
    TTempDir dir;
    TDirectoryMonitor monitor;
    monitor.Ini(dir.Path());
    for (int i = 0; i < 20000; ++i) close(open((dir / ("f" + std::to_string(i))).c_str(), O_CREAT | O_WRONLY, 0600));
    EXPECT_TRUE(monitor.Next());
    EXPECT_FALSE(monitor.Next());
}
