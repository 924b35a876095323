// The directory monitor over the platform's directory watches.
#include "Libraries/File.h"

#include "Libraries/Error.h"
#include "platform/FileSystem.h"

#include <cerrno>

namespace {

constexpr const char *ThisUnit = "File";

} // namespace

std::function<int(const std::string &path)> TDirectoryMonitor::PartitionTypeOf = [](const std::string &path) {
    const int type = GetPartitionType(path);
    FunStatContext.Reset(fsPerfect);
    return type;
};

bool TDirectoryMonitor::GetChange()
{
    bool changed = true;
    TFunScope Fun(ThisUnit, "TDirectoryMonitor::GetChange");
    Fun.Run([&] {
        if (!Usable()) {
            changed = false;
            return;
        }
        if (!Handle.Armed()) return;
        bool failed = false;
        changed = Handle.Changed(failed);
        if (failed) {
            const int code = errno;
            Close();
            Fun.Raise("Failed get status.", Path, {}, code);
        }
    });
    return changed;
}

void TDirectoryMonitor::Set(const std::string &path)
{
    TFunScope Fun(ThisUnit, "TDirectoryMonitor::Set");
    Fun.Run([&] {
        // A new path counts as changed; on the same one a signalled change is kept.
        const bool same = Handle.Armed() && Path == path;
        bool changed = true;
        if (same) {
            changed = GetChange();
            FunStatContext.Reset(fsPerfect);
        }
        // Still watched: what was seen moves on, no new kernel watch is needed.
        if (same && Handle.Armed() && !Handle.Ended()) {
            Handle.Acknowledge();
            ChangePending = changed;
            return;
        }
        const bool samePath = Path == path;
        Close();
        Path = path;
        LimitReached = false;
        if (!samePath) Device = 0;
        if (!Usable()) return;
        PartitionType = PartitionTypeOf(path);
        Platform::TEntryStatus status;
        if (!Platform::EntryStatus(path, status, true) || !status.IsDirectory) {
            Fun.Raise("Failed set monitor.", path, {}, ENOENT);
            return;
        }
        // The partition under the path went away (what is left is the bare mount point): it
        // stays changed until the column shows something else.
        if (samePath && Device != 0 && status.Device != Device) {
            ChangePending = true;
            return;
        }
        if (Handle.Arm(path)) {
            Device = status.Device;
            ChangePending = changed;
            return;
        }
        const int code = errno;
        ChangePending = true;
        if (code == ENOSPC) {
            LimitReached = true;
            return;
        }
        Fun.Raise("Failed set monitor.", path, {}, code);
    });
}

void TDirectoryMonitor::Ini(const std::string &path)
{
    TFunScope Fun(ThisUnit, "TDirectoryMonitor::Ini");
    Fun.Run([&] {
        Set(path);
        Fun.CalleeFailed();
        ChangePending = false;
    });
}

bool TDirectoryMonitor::Next()
{
    bool result = false;
    TFunScope Fun(ThisUnit, "TDirectoryMonitor::Next");
    Fun.Run([&] {
        if (!Usable()) return;
        if (Handle.Armed()) {
            result = ChangePending || GetChange();
            Fun.CalleeFailed();
            ChangePending = false;
            Set(Path);
        } else {
            Set(Path);
            result = true;
        }
        Fun.CalleeFailed();
    });
    ChangePending = false;
    return result;
}

void TDirectoryMonitor::Stop()
{
    Close();
    Path.clear();
    LimitReached = false;
    PartitionType = 0;
    Device = 0;
}

void TDirectoryMonitor::Close()
{
    Handle.Close();
    ChangePending = false;
}
