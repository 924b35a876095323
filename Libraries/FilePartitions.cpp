// Partitions: the real file systems of the mount table, their types, sizes and features.
#include "Libraries/File.h"

#include "Libraries/Error.h"
#include "platform/FileSystem.h"
#include "platform/Mounts.h"
#include "platform/FileHandle.h"
#include "platform/System.h"
#include "platform/Xattr.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <set>
#include <sstream>

namespace {

constexpr const char *ThisUnit = "File";

// Every mount point seen in this run: a path below one that is no longer mounted has lost its
// partition, although the directory that held the mount may still be there.
std::set<std::string> &SeenMountPoints()
{
    static std::set<std::string> points;
    return points;
}

// mountinfo writes space, tab, newline and backslash as \040, \011, \012 and \134.
std::string DecodeMountText(const std::string &text)
{
    const auto isOctal = [](char c) { return c >= '0' && c <= '7'; };
    std::string decoded;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 3 < text.size() &&
            isOctal(text[i + 1]) && isOctal(text[i + 2]) && isOctal(text[i + 3])) {
            decoded += static_cast<char>(std::strtol(text.substr(i + 1, 3).c_str(), nullptr, 8));
            i += 3;
            continue;
        }
        decoded += text[i];
    }
    return decoded;
}

bool HasOption(const std::string &options, const std::string &option)
{
    std::stringstream list(options);
    std::string item;
    while (std::getline(list, item, ','))
        if (item == option) return true;
    return false;
}

bool IsPseudoFileSystem(const TMountEntry &mount)
{
    static const std::set<std::string> pseudo = {
        "proc",     "sysfs",    "cgroup",   "cgroup2", "devpts",   "debugfs",   "tracefs",
        "securityfs", "pstore", "bpf",      "mqueue",  "hugetlbfs", "fusectl",  "configfs",
        "autofs",   "binfmt_misc", "efivarfs", "rpc_pipefs", "nsfs", "devtmpfs", "squashfs",
        "fuse.portal", "fuse.gvfsd-fuse"};
    if (pseudo.count(mount.Type)) return true;
    const auto under = [&](const char *prefix) {
        const std::string p = prefix;
        return mount.MountPoint == p || mount.MountPoint.compare(0, p.size() + 1, p + "/") == 0;
    };
    if (mount.Type == "tmpfs" && (under("/run") || under("/dev") || under("/sys"))) return true;
    if (under("/proc") || under("/sys")) return true;
    if (under("/snap")) return true;
    return false;
}

bool IsRemoteType(const std::string &type)
{
    static const std::set<std::string> remote = {"nfs", "nfs4", "cifs", "smb3", "smbfs", "9p", "afs",
                                                 "ceph", "glusterfs", "fuse.sshfs", "fuse.rclone",
                                                 "davfs", "fuse.davfs2", "fuse.s3fs"};
    return remote.count(type) != 0;
}

// The partition whose mount point holds the path: the longest mount point containing it.
const TMountEntry *MountOf(const std::vector<TMountEntry> &mounts, const std::string &path)
{
    const std::string target = IsDrivePath(path) ? path.substr(1) : path;
    const TMountEntry *best = nullptr;
    for (const TMountEntry &mount : mounts) {
        if (!IsPathInside(mount.MountPoint, target)) continue;
        if (!best || mount.MountPoint.size() > best->MountPoint.size()) best = &mount;
    }
    return best;
}

std::uint32_t FeaturesOf(const TMountEntry &mount, const std::string &path)
{
    std::uint32_t flags = 0;
    static const std::set<std::string> posixModes = {"ext2", "ext3", "ext4", "xfs", "btrfs", "f2fs", "tmpfs",
                                                     "jfs", "reiserfs", "zfs", "bcachefs", "nilfs2"};
    if (posixModes.count(mount.Type)) flags |= FileSystemFeature::ReparsePoints | FileSystemFeature::Sparse;
    if (mount.Type == "btrfs" || mount.Type == "f2fs" || mount.Type == "zfs") flags |= FileSystemFeature::Compression;
    if (mount.Type == "ext4" || mount.Type == "f2fs") flags |= FileSystemFeature::Encryption;
    if (HasOption(mount.Options, "usrquota") || HasOption(mount.Options, "grpquota") ||
        HasOption(mount.Options, "quota") || mount.Type == "xfs")
        flags |= FileSystemFeature::Quotas;
    if (mount.ReadOnly) flags |= FileSystemFeature::ReadOnlyVolume;
    if (Platform::UserAttributesSupported(path.empty() ? mount.MountPoint : path))
        flags |= FileSystemFeature::NamedStreams;
    return flags;
}

int TypeOfMount(const TMountEntry &mount)
{
    if (IsRemoteType(mount.Type)) return ptRemote;
    if (mount.Type == "iso9660" || mount.Type == "udf") return ptCD;
    if (mount.Type == "tmpfs" || mount.Type == "ramfs") return ptRAM;
    if (mount.Major != 0 && Platform::BlockDeviceRemovable(mount.Major, mount.Minor)) return ptRemovable;
    return ptFixed;
}

std::string Quoted(const std::string &text)
{
    return "\"" + text + "\"";
}

} // namespace

std::vector<TMountEntry> ParseMountInfo(const std::string &text)
{
    std::vector<TMountEntry> mounts;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        TMountEntry mount;
        std::string device, root, point, options;
        if (!(fields >> mount.MountId >> mount.ParentId >> device >> root >> point >> options)) continue;
        const auto colon = device.find(':');
        if (colon != std::string::npos) {
            mount.Major = static_cast<unsigned>(std::strtoul(device.c_str(), nullptr, 10));
            mount.Minor = static_cast<unsigned>(std::strtoul(device.c_str() + colon + 1, nullptr, 10));
        }
        mount.Root = DecodeMountText(root);
        mount.MountPoint = DecodeMountText(point);
        mount.Options = options;
        mount.ReadOnly = HasOption(options, "ro");
        std::string field;
        while (fields >> field && field != "-") {
        }
        std::string superOptions;
        fields >> mount.Type >> mount.Source >> superOptions;
        mount.Source = DecodeMountText(mount.Source);
        if (HasOption(superOptions, "ro")) mount.ReadOnly = true;
        if (!mount.MountPoint.empty() && mount.MountPoint.front() == '/') mounts.push_back(mount);
    }
    return mounts;
}

std::vector<TMountEntry> SelectPartitions(const std::vector<TMountEntry> &mounts)
{
    std::vector<TMountEntry> selected;
    std::set<std::string> points;
    std::set<std::pair<unsigned, unsigned>> devices;
    // The last mount on a point hides the ones under it.
    std::vector<TMountEntry> visible;
    for (auto it = mounts.rbegin(); it != mounts.rend(); ++it)
        if (points.insert(it->MountPoint).second) visible.push_back(*it);
    for (auto it = visible.rbegin(); it != visible.rend(); ++it) {
        const TMountEntry &mount = *it;
        if (mount.MountPoint != "/" && IsPseudoFileSystem(mount)) continue;
        // A bind mount shows a part of a device already listed.
        const bool blockDevice = mount.Major != 0;
        if (mount.MountPoint != "/" && blockDevice && mount.Root != "/" &&
            devices.count({mount.Major, mount.Minor}))
            continue;
        if (blockDevice && mount.Root == "/") devices.insert({mount.Major, mount.Minor});
        selected.push_back(mount);
    }
    // Bind mounts seen before the whole device: drop the duplicates now.
    std::vector<TMountEntry> result;
    std::set<std::pair<unsigned, unsigned>> wholeDevices;
    for (const TMountEntry &mount : selected)
        if (mount.Major != 0 && mount.Root == "/") wholeDevices.insert({mount.Major, mount.Minor});
    for (const TMountEntry &mount : selected) {
        if (mount.MountPoint != "/" && mount.Major != 0 && mount.Root != "/" &&
            wholeDevices.count({mount.Major, mount.Minor}))
            continue;
        result.push_back(mount);
    }
    if (std::none_of(result.begin(), result.end(), [](const TMountEntry &m) { return m.MountPoint == "/"; })) {
        TMountEntry root;
        root.MountPoint = "/";
        root.Type = "unknown";
        result.push_back(root);
    }
    std::sort(result.begin(), result.end(), [](const TMountEntry &a, const TMountEntry &b) {
        return a.MountPoint < b.MountPoint;
    });
    return result;
}

std::vector<TMountEntry> CurrentPartitions()
{
    std::string text;
    Platform::ReadMountInfo(text);
    std::vector<TMountEntry> partitions = SelectPartitions(ParseMountInfo(text));
    for (const TMountEntry &mount : partitions) SeenMountPoints().insert(mount.MountPoint);
    return partitions;
}

std::string PartitionTitleOf(const std::string &path)
{
    const std::vector<TMountEntry> partitions = CurrentPartitions();
    const TMountEntry *mount = MountOf(partitions, path);
    return ":" + (mount ? mount->MountPoint : std::string("/"));
}

void LogicalDrives(std::vector<std::string> &list, int &count)
{
    for (const TMountEntry &mount : CurrentPartitions()) list.push_back(":" + mount.MountPoint);
    count = static_cast<int>(list.size());
}

int DriveNumber(const std::string &path)
{
    const std::vector<TMountEntry> partitions = CurrentPartitions();
    const TMountEntry *mount = MountOf(partitions, path);
    if (!mount) return 0;
    return static_cast<int>(mount - partitions.data()) + 1;
}

bool SameRoot(const std::string &path1, const std::string &path2)
{
    Platform::TEntryStatus first, second;
    const auto existing = [](std::string path, Platform::TEntryStatus &status) {
        // A path that does not exist yet lies where its nearest existing parent lies.
        while (!path.empty()) {
            if (Platform::EntryStatus(path, status, true)) return true;
            const std::string parent = ExtractDirectory(ExcludeTrailingBackslash(path));
            if (parent == path || parent.empty()) break;
            path = parent;
        }
        return false;
    };
    if (!existing(IsDrivePath(path1) ? path1.substr(1) : path1, first) ||
        !existing(IsDrivePath(path2) ? path2.substr(1) : path2, second))
        return false;
    return first.MountId == second.MountId;
}

int GetPartitionType(const std::string &path)
{
    int type = ptUnknown;
    TFunScope Fun(ThisUnit, "GetPartitionType");
    Fun.Run([&] {
        const std::vector<TMountEntry> partitions = CurrentPartitions();
        const TMountEntry *mount = MountOf(partitions, path);
        if (!mount) {
            Fun.RaiseAt(fsWarning, __LINE__, "Failed to get type.", path, {}, ENOENT);
            return;
        }
        type = TypeOfMount(*mount);
    });
    return type;
}

std::string GetPartitionSuffix(const std::string &path)
{
    if (!IsDrivePath(path)) return {};
    FunStatContext.Reset(fsPerfect);
    const std::vector<TMountEntry> partitions = CurrentPartitions();
    const TMountEntry *mount = MountOf(partitions, path);
    if (!mount) return {};
    switch (TypeOfMount(*mount)) {
    case ptRemovable: return " (Removable)";
    case ptFixed: return " (Fixed: " + Quoted(Platform::LabelOfDevice(mount->Source)) + ")";
    case ptRemote: return " (Remote: " + Quoted(mount->Source) + ")";
    case ptCD: return " (CD)";
    case ptRAM: return " (RAM)";
    default: return {};
    }
}

namespace {
std::int64_t PartitionSize(const std::string &path, bool total, const char *function)
{
    std::int64_t size = 0;
    TFunScope Fun(ThisUnit, function);
    Fun.Run([&] {
        const std::string target = IsDrivePath(path) ? path.substr(1) : path;
        std::uint64_t all = 0, available = 0;
        std::uint32_t nameLength = 0, id = 0;
        if (!Platform::FileSystemSpace(target, all, available, nameLength, id)) {
            Fun.RaiseLastError("Failed to get size.", path);
            return;
        }
        // A file system without a size (ramfs, some pseudo and network file systems) reports
        // 0 free bytes of 0: its space is unknown, not used up.
        if (all == 0) {
            size = -1;
            Fun.Raise("Failed to get size.", path, {}, 0);
            return;
        }
        size = static_cast<std::int64_t>(total ? all : available);
    });
    return size;
}

} // namespace

std::int64_t GetPartitionTotalSize(const std::string &path)
{
    return PartitionSize(path, true, "GetPartitionTotalSize");
}

std::int64_t GetPartitionFreeSize(const std::string &path)
{
    return PartitionSize(path, false, "GetPartitionFreeSize");
}

namespace {
// The longest mount point over the path among those seen so far.
std::string RecordedMountPointOf(const std::string &path)
{
    const std::string *recorded = nullptr;
    for (const std::string &point : SeenMountPoints())
        if (IsPathInside(point, path) && (!recorded || point.size() > recorded->size())) recorded = &point;
    return recorded ? *recorded : std::string("/");
}
} // namespace

std::string RecordedPartitionTitleOf(const std::string &path)
{
    if (IsDrivePath(path)) return path;
    CurrentPartitions(); // records what is mounted now
    return ":" + RecordedMountPointOf(path);
}

bool PartitionExists(const std::string &path)
{
    const std::vector<TMountEntry> partitions = CurrentPartitions();
    const std::string point = IsDrivePath(path) ? path.substr(1) : RecordedMountPointOf(path);
    return std::any_of(partitions.begin(), partitions.end(), [&](const TMountEntry &m) {
        return m.MountPoint == point;
    });
}

void TPartitionInfo::Clear()
{
    *this = TPartitionInfo();
}

void TPartitionInfo::Load(const std::string &path)
{
    Clear();
    TFunScope Fun(ThisUnit, "TPartitionInfo::Load");
    Fun.Run([&] {
        const std::vector<TMountEntry> partitions = CurrentPartitions();
        const TMountEntry *mount = MountOf(partitions, path);
        std::uint64_t total = 0, available = 0;
        std::uint32_t nameLength = 0, id = 0;
        if (!mount || !Platform::FileSystemSpace(mount->MountPoint, total, available, nameLength, id)) {
            Fun.Raise("Failed to load partition information.", path, {}, mount ? Platform::LastErrorCode() : ENOENT);
            return;
        }
        volumeName = mount->Major != 0 ? Platform::LabelOfDevice(mount->Source) : std::string();
        fileSystemName = mount->Type;
        serialNumber = id;
        maximumComponentLength = nameLength;
        fileSystemFlags = FeaturesOf(*mount, IsDrivePath(path) ? std::string() : path);
    });
}

std::uint32_t FileSystemFlags(const std::string &path)
{
    TPartitionInfo info;
    info.Load(path);
    FunStatContext.Reset(fsPerfect);
    return info.fileSystemFlags;
}

std::string FileSystemFlagsText(const std::string &path)
{
    struct TLetter
    {
        std::uint32_t Bit;
        const char *Text;
    };
    static const TLetter letters[] = {{FileSystemFeature::Compression, "C"},   {FileSystemFeature::Encryption, "E"},
                                      {FileSystemFeature::Quotas, "Q"},        {FileSystemFeature::ReadOnlyVolume, "R"},
                                      {FileSystemFeature::ReparsePoints, "Rp"}, {FileSystemFeature::NamedStreams, "S"},
                                      {FileSystemFeature::Sparse, "Sf"}};
    const std::uint32_t flags = FileSystemFlags(path);
    std::string text;
    for (const TLetter &letter : letters)
        if (flags & letter.Bit) text += letter.Text;
    return text;
}

bool SupportsNamedStreams(const std::string &path)
{
    return (FileSystemFlags(path) & FileSystemFeature::NamedStreams) != 0;
}

bool SupportsReparsePoints(const std::string &path)
{
    return (FileSystemFlags(path) & FileSystemFeature::ReparsePoints) != 0;
}

bool SupportsEncryption(const std::string &path)
{
    return (FileSystemFlags(path) & FileSystemFeature::Encryption) != 0;
}
