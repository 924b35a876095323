// velmordian-bench sha1 FILE [--portable]: the SHA-1 of a file read into memory, timed alone.
#include "Libraries/Sha1.h"
#include "bench/Benchmarks.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Reads the whole file into bytes; false with errno set when it cannot. The buffer is sized
// and zeroed from user space before the read, so the timed pass measures the hash rather than
// the first user touch of pages that only the kernel has mapped.
bool ReadWholeFile(const char *path, std::vector<unsigned char> &bytes)
{
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat info;
    if (::fstat(fd, &info) != 0) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return false;
    }
    const std::size_t expected = info.st_size > 0 ? static_cast<std::size_t>(info.st_size) : 0;
    bytes.assign(std::max<std::size_t>(expected + 1, 65536), 0);
    std::size_t size = 0;
    for (;;) {
        if (size == bytes.size()) bytes.resize(2 * bytes.size());
        const ssize_t got = ::read(fd, bytes.data() + size, bytes.size() - size);
        if (got == 0) break;
        if (got < 0) {
            if (errno == EINTR) continue;
            const int error = errno;
            ::close(fd);
            errno = error;
            return false;
        }
        size += static_cast<std::size_t>(got);
    }
    ::close(fd);
    bytes.resize(size);
    return true;
}

int Sha1Usage()
{
    std::fprintf(stderr, "usage: velmordian-bench sha1 FILE [--portable]\n");
    return 2;
}

} // namespace

int Sha1Bench(int argc, char **argv)
{
    if (argc < 3 || argc > 4) return Sha1Usage();
    TSha1Engine engine = BestSha1Engine();
    if (argc == 4) {
        if (std::strcmp(argv[3], "--portable") != 0) return Sha1Usage();
        engine = TSha1Engine::Portable;
    }
    std::vector<unsigned char> bytes;
    if (!ReadWholeFile(argv[2], bytes)) {
        std::fprintf(
            stderr, "velmordian-bench: cannot read %s: %s\n", argv[2], std::strerror(errno));
        return 1;
    }

    const auto start = std::chrono::steady_clock::now();
    TSha1 hasher(engine);
    hasher.Update(bytes.data(), bytes.size());
    const TSha1Digest digest = hasher.Final();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    std::string hex = Sha1DigestHexText(digest);
    for (char &c : hex)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    std::printf("%s %.6f\n", hex.c_str(), seconds);
    return 0;
}
