// Process, environment and error-code primitives of the operating system.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace Platform {

// The C library's message for an errno value.
std::string SystemErrorText(int code);

// The errno value left by the last failed call.
int LastErrorCode();

// Full path of the running program file (empty when it cannot be read).
std::string RunningProgramFile();

// A variable of the process environment; empty when it is not set.
std::string Environment(const char *name);

// Ends the process at once, without running destructors or saving anything.
[[noreturn]] void TerminateProcessNow(int exitCode);

// Physical memory in bytes from /proc/meminfo; false when it cannot be read.
bool PhysicalMemory(std::uint64_t &available, std::uint64_t &total);

// Local calendar time of a Unix time in seconds; false when it does not convert.
struct TLocalTime
{
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    int dayOfWeek = 0; // 0 = Sunday
    int dayOfYear = 0; // 1 = 1 January
};
bool LocalTimeOf(std::int64_t unixSeconds, TLocalTime &result);
// The current Unix time in milliseconds.
std::int64_t UnixTimeMilliseconds();

} // namespace Platform

namespace Platform {

// Milliseconds of a monotonic clock (never goes back, does not wrap).
std::int64_t TickCountMilliseconds();
// Fills the buffer from the kernel's cryptographic generator; false on failure.
bool CryptographicRandom(void *buffer, std::size_t size);

} // namespace Platform

namespace Platform {

// Swap space in bytes from /proc/meminfo; false when it cannot be read.
bool SwapMemory(std::uint64_t &free, std::uint64_t &total);

} // namespace Platform

namespace Platform {

// The process's current directory; empty when it cannot be read.
std::string CurrentDirectory();

} // namespace Platform
