// The program's inotify instance and its reference-counted directory watches.
#include "platform/DirectoryWatch.h"

#include <cerrno>
#include <climits>
#include <cstddef>
#include <fcntl.h>
#include <sys/inotify.h>
#include <unistd.h>
#include <unordered_map>

namespace Platform {

namespace {

constexpr std::uint32_t WatchedEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_ATTRIB | IN_MODIFY |
                                        IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;

struct TKernelWatch
{
    int Users = 0;
    // Counts the events seen; a watch is changed when the count moved since it looked.
    std::uint64_t Events = 0;
    // The kernel ended the watch: every user must arm again.
    bool Ended = false;
};

class TInstance
{
public:
    int Handle()
    {
        if (Fd < 0) Fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        return Fd;
    }
    std::unordered_map<int, TKernelWatch> Watches;

    // Reads everything queued; false with errno on a failed read.
    bool Drain()
    {
        if (Fd < 0) return true;
        alignas(struct inotify_event) char buffer[64 * 1024];
        for (;;) {
            const ssize_t got = ::read(Fd, buffer, sizeof buffer);
            if (got < 0) {
                if (errno == EINTR) continue;
                return errno == EAGAIN;
            }
            if (got == 0) return true;
            for (ssize_t at = 0; at < got;) {
                const auto *event = reinterpret_cast<const struct inotify_event *>(buffer + at);
                Record(*event);
                at += static_cast<ssize_t>(sizeof(struct inotify_event) + event->len);
            }
        }
    }

private:
    void Record(const struct inotify_event &event)
    {
        if (event.mask & IN_Q_OVERFLOW) {
            // Events were lost: any directory may have changed.
            for (auto &[descriptor, watch] : Watches) ++watch.Events;
            return;
        }
        const auto found = Watches.find(event.wd);
        if (found == Watches.end()) return;
        ++found->second.Events;
        if (event.mask & (IN_IGNORED | IN_UNMOUNT | IN_DELETE_SELF | IN_MOVE_SELF)) found->second.Ended = true;
    }
    int Fd = -1;
};

TInstance &Instance()
{
    static TInstance instance;
    return instance;
}

} // namespace

TDirectoryWatch::~TDirectoryWatch()
{
    Close();
}

bool TDirectoryWatch::Arm(const std::string &path)
{
    Close();
    TInstance &instance = Instance();
    const int fd = instance.Handle();
    if (fd < 0) return false;
    // Events already queued belong to the watches as they were.
    if (!instance.Drain()) return false;
    const int descriptor = ::inotify_add_watch(fd, path.c_str(), WatchedEvents);
    if (descriptor < 0) return false;
    TKernelWatch &watch = instance.Watches[descriptor];
    // A descriptor the kernel ended and gave out again starts afresh.
    if (watch.Ended && watch.Users == 0) watch = TKernelWatch();
    watch.Ended = false;
    ++watch.Users;
    Descriptor = descriptor;
    Seen = watch.Events;
    return true;
}

void TDirectoryWatch::Close()
{
    if (Descriptor < 0) return;
    TInstance &instance = Instance();
    const auto found = instance.Watches.find(Descriptor);
    if (found != instance.Watches.end() && --found->second.Users <= 0) {
        if (!found->second.Ended) ::inotify_rm_watch(instance.Handle(), Descriptor);
        instance.Watches.erase(found);
    }
    Descriptor = -1;
}

bool TDirectoryWatch::Changed(bool &failed)
{
    failed = false;
    if (Descriptor < 0) return true;
    TInstance &instance = Instance();
    if (!instance.Drain()) {
        failed = true;
        return true;
    }
    const auto found = instance.Watches.find(Descriptor);
    if (found == instance.Watches.end()) return true;
    return found->second.Ended || found->second.Events != Seen;
}

} // namespace Platform

namespace Platform {

void TDirectoryWatch::Acknowledge()
{
    if (Descriptor < 0) return;
    const auto found = Instance().Watches.find(Descriptor);
    if (found != Instance().Watches.end()) Seen = found->second.Events;
}

bool TDirectoryWatch::Ended() const
{
    if (Descriptor < 0) return true;
    const auto found = Instance().Watches.find(Descriptor);
    return found == Instance().Watches.end() || found->second.Ended;
}

} // namespace Platform
