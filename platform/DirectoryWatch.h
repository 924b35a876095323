// Watches of single directories (not their subdirectories) in the program's one inotify
// instance. Two watches of one directory share the kernel's watch, which lives as long as one
// of them does. Nothing blocks: each test reads what the kernel has queued and returns.
#pragma once

#include <cstdint>
#include <string>

namespace Platform {

class TDirectoryWatch
{
public:
    TDirectoryWatch() = default;
    ~TDirectoryWatch();
    TDirectoryWatch(const TDirectoryWatch &) = delete;
    TDirectoryWatch &operator=(const TDirectoryWatch &) = delete;

    // Watches names, attributes and contents of the directory's entries from now on; false with
    // errno (ENOSPC when the user's watch limit is reached).
    bool Arm(const std::string &path);
    void Close();
    bool Armed() const { return Descriptor >= 0; }
    // True when the directory changed since it was armed, or the watch ended (the directory
    // was removed, moved or unmounted, or the kernel's queue overflowed); false with errno when
    // the kernel's queue cannot be read.
    bool Changed(bool &failed);
    // Takes what happened so far as seen: the next Changed reports only what comes after.
    void Acknowledge();
    // The kernel ended the watch; only a new Arm watches again.
    bool Ended() const;

private:
    int Descriptor = -1;
    std::uint64_t Seen = 0;
};

} // namespace Platform
