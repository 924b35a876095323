// velmordian-bench sha1 FILE [--portable]: the SHA-1 of a file read into memory, timed alone.
#include "Libraries/Sha1.h"
#include "bench/Benchmarks.h"

#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::size_t HugePage = std::size_t{2} << 20;

// An anonymous mapping that holds a file's bytes; huge pages where the kernel gives them.
class TFileBytes
{
public:
    TFileBytes() = default;
    TFileBytes(const TFileBytes &) = delete;
    TFileBytes &operator=(const TFileBytes &) = delete;
    ~TFileBytes() { Release(); }

    // Replaces the mapping with one of at least capacity bytes, keeping the bytes read so far.
    bool Grow(std::size_t capacity)
    {
        capacity = (capacity + HugePage - 1) / HugePage * HugePage;
        void *mapped =
            ::mmap(nullptr, capacity, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (mapped == MAP_FAILED) return false;
#ifdef MADV_HUGEPAGE
        ::madvise(mapped, capacity, MADV_HUGEPAGE);
#endif
        // Touched from user space before the read fills it, so the timed pass measures the
        // hash rather than the first user access to pages that only the kernel has mapped.
        std::memset(mapped, 0, capacity);
        if (Size != 0) std::memcpy(mapped, Data, Size);
        Release();
        Data = static_cast<unsigned char *>(mapped);
        Capacity = capacity;
        return true;
    }

    unsigned char *Data = nullptr;
    std::size_t Size = 0;
    std::size_t Capacity = 0;

private:
    void Release()
    {
        if (Data != nullptr) ::munmap(Data, Capacity);
        Data = nullptr;
    }
};

// Reads the whole file into bytes; false with errno set when it cannot.
bool ReadWholeFile(const char *path, TFileBytes &bytes)
{
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat info;
    bool ok = ::fstat(fd, &info) == 0;
    if (ok) {
        const std::size_t expected = info.st_size > 0 ? static_cast<std::size_t>(info.st_size) : 0;
        ok = bytes.Grow(expected + 1);
    }
    while (ok) {
        if (bytes.Size == bytes.Capacity && !bytes.Grow(2 * bytes.Capacity)) {
            ok = false;
            break;
        }
        const ssize_t got = ::read(fd, bytes.Data + bytes.Size, bytes.Capacity - bytes.Size);
        if (got == 0) break;
        if (got < 0) {
            if (errno != EINTR) ok = false;
            continue;
        }
        bytes.Size += static_cast<std::size_t>(got);
    }
    const int error = errno;
    ::close(fd);
    errno = error;
    return ok;
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
    TFileBytes bytes;
    if (!ReadWholeFile(argv[2], bytes)) {
        std::fprintf(
            stderr, "velmordian-bench: cannot read %s: %s\n", argv[2], std::strerror(errno));
        return 1;
    }

    const auto start = std::chrono::steady_clock::now();
    TSha1 hasher(engine);
    hasher.Update(bytes.Data, bytes.Size);
    const TSha1Digest digest = hasher.Final();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    std::string hex = Sha1DigestHexText(digest);
    for (char &c : hex)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    std::printf("%s %.6f\n", hex.c_str(), seconds);
    return 0;
}
