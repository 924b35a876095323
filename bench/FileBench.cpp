// velmordian-bench hash FILE and copy SRC DST: the file services timed as a user runs them.
#include "Libraries/Error.h"
#include "Libraries/File.h"
#include "bench/Benchmarks.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <string>

namespace {

double SecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

int HashBench(int argc, char **argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: velmordian-bench hash FILE\n");
        return 2;
    }
    const auto start = std::chrono::steady_clock::now();
    std::string digest = HashFile(argv[2], nullptr, nullptr);
    const double seconds = SecondsSince(start);
    if (FunStatContext.IsError()) {
        std::fprintf(stderr, "%s %s\n", FunStatContext.description.c_str(), FunStatContext.parameter1.c_str());
        return 1;
    }
    std::transform(digest.begin(), digest.end(), digest.begin(), [](unsigned char c) {
        return static_cast<char>(std::tolower(c));
    });
    std::printf("%s %.6f\n", digest.c_str(), seconds);
    return 0;
}

int CopyBench(int argc, char **argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: velmordian-bench copy SRC DST\n");
        return 2;
    }
    long long callbacks = 0;
    FileUnitLoader.OnCopyProgress = [&](double) {
        ++callbacks;
        return true;
    };
    const auto start = std::chrono::steady_clock::now();
    MyCopyFile(argv[2], argv[3], true);
    const double seconds = SecondsSince(start);
    FileUnitLoader.OnCopyProgress = nullptr;
    if (FunStatContext.IsError()) {
        std::fprintf(stderr, "%s %s\n", FunStatContext.description.c_str(),
                     SystemErrorText(FunStatContext.systemErrorCode).c_str());
        return 1;
    }
    std::printf("%llu %.6f\n", static_cast<unsigned long long>(GetFileSize(argv[3])), seconds);
    return 0;
}
