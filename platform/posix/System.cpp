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
#include <sys/random.h>
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

namespace {

// The values of /proc/meminfo in bytes, by key ("MemTotal").
bool MeminfoValues(const char *firstKey, std::uint64_t &first, const char *secondKey, std::uint64_t &second)
{
    std::ifstream meminfo("/proc/meminfo");
    std::string line;
    int found = 0;
    while (std::getline(meminfo, line)) {
        const auto colon = line.find(':');
        if (colon == std::string::npos) continue;
        const std::string key = line.substr(0, colon);
        const std::uint64_t bytes = std::strtoull(line.c_str() + colon + 1, nullptr, 10) * 1024;
        if (key == firstKey) {
            first = bytes;
            ++found;
        } else if (key == secondKey) {
            second = bytes;
            ++found;
        }
    }
    return found == 2;
}

} // namespace

bool PhysicalMemory(std::uint64_t &available, std::uint64_t &total)
{
    return MeminfoValues("MemAvailable", available, "MemTotal", total);
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

namespace Platform {

std::int64_t TickCountMilliseconds()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

bool CryptographicRandom(void *buffer, std::size_t size)
{
    auto *bytes = static_cast<unsigned char *>(buffer);
    while (size > 0) {
        const ssize_t got = getrandom(bytes, size, 0);
        if (got < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes += got;
        size -= static_cast<std::size_t>(got);
    }
    return true;
}

} // namespace Platform

namespace Platform {

bool SwapMemory(std::uint64_t &free, std::uint64_t &total)
{
    return MeminfoValues("SwapFree", free, "SwapTotal", total);
}

} // namespace Platform

namespace Platform {

std::string CurrentDirectory()
{
    char buffer[PATH_MAX] = {};
    return getcwd(buffer, sizeof buffer) ? std::string(buffer) : std::string();
}

} // namespace Platform
