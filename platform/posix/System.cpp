// Process, environment and error-code primitives on Linux.
#include "platform/System.h"

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <unistd.h>

namespace Platform {

std::string SystemErrorText(int code)
{
    char buffer[256] = {};
    // The GNU strerror_r may return a static text instead of filling the buffer.
    const char *text = strerror_r(code, buffer, sizeof buffer);
    return text ? std::string(text) : std::string();
}

int LastErrorCode()
{
    return errno;
}

std::string RunningProgramFile()
{
    char buffer[PATH_MAX] = {};
    const ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length <= 0) return {};
    return std::string(buffer, static_cast<std::size_t>(length));
}

std::string Environment(const char *name)
{
    const char *value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

void TerminateProcessNow(int exitCode)
{
    _exit(exitCode);
}

bool PhysicalMemory(std::uint64_t &available, std::uint64_t &total)
{
    std::ifstream meminfo("/proc/meminfo");
    if (!meminfo) return false;
    std::string key;
    std::uint64_t kilobytes = 0;
    std::string unit;
    bool haveAvailable = false, haveTotal = false;
    while (meminfo >> key >> kilobytes >> unit) {
        if (key == "MemTotal:") {
            total = kilobytes * 1024;
            haveTotal = true;
        } else if (key == "MemAvailable:") {
            available = kilobytes * 1024;
            haveAvailable = true;
        }
    }
    return haveAvailable && haveTotal;
}

bool LocalTimeOf(std::int64_t unixSeconds, TLocalTime &result)
{
    const std::time_t t = static_cast<std::time_t>(unixSeconds);
    std::tm parts{};
    if (!localtime_r(&t, &parts)) return false;
    result.year = parts.tm_year + 1900;
    result.month = parts.tm_mon + 1;
    result.day = parts.tm_mday;
    result.hour = parts.tm_hour;
    result.minute = parts.tm_min;
    result.second = parts.tm_sec;
    result.dayOfWeek = parts.tm_wday;
    result.dayOfYear = parts.tm_yday + 1;
    return true;
}

std::int64_t UnixTimeMilliseconds()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

} // namespace Platform
