// velmordian-bench: each subcommand prints one line, its result and the seconds its timed
// work took.
#include "bench/Benchmarks.h"
#include "app/Column.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

int Usage()
{
    std::fprintf(stderr,
                 "usage: velmordian-bench SUBCOMMAND [ARGS]\n"
                 "  columns-layout N   lays out 1..10 columns N times; prints the width total\n"
                 "  sha1 FILE          hashes the file from memory; prints the digest\n"
                 "  hash FILE          hashes the file as the program does; prints the digest\n"
                 "  copy SRC DST       copies a file as the program does; prints the bytes\n"
                 "  list DIR [MODE]    loads a column off-screen; prints the item count\n"
                 "  engine-copy SRC DSTDIR [--no-progress]\n"
                 "                     the file dialog's Copy of a file or tree; prints the bytes\n"
                 "  thumbs DIR [BOX] [--disk]\n"
                 "                     renders the folder's pictures as thumbnails (BOX default\n"
                 "                     160; --disk with the thumbnails on disk); prints the count\n"
                 "  steg-in FILE CARRIER PASSWORD ITERATIONS OUT.png\n"
                 "                     hides FILE in CARRIER; prints the integrity code\n"
                 "  steg-out PICTURE PASSWORD ITERATIONS DSTDIR\n"
                 "                     takes the hidden file out; prints its name\n"
                 "  steg-reference CARRIER OUT.png\n"
                 "                     loads and saves the picture with Qt alone\n"
                 "  search DIR TEXT    content search below DIR; prints the number found\n"
                 "  search-names DIR FILTER\n"
                 "                     name search below DIR; prints the number found\n"
                 "  duplicates FILE DIR\n"
                 "                     the duplicates of FILE below DIR; prints the number found\n"
                 "  view FILE W H [MAXTEXTSIZE]\n"
                 "                     loads the file into an off-screen viewer of W x H (text\n"
                 "                     limit default -1); prints the shown size\n");
    return 2;
}

} // namespace

int ColumnsLayoutBench(int argc, char **argv)
{
    if (argc < 3) return Usage();
    const long rounds = std::strtol(argv[2], nullptr, 10);
    if (rounds <= 0) return Usage();
    const auto start = std::chrono::steady_clock::now();
    long long total = 0;
    for (long r = 0; r < rounds; ++r) {
        std::vector<TColumnWeight> weights;
        for (int n = 1; n <= 10; ++n) {
            weights.push_back({n % 3 + 1, n % 4 + 1});
            for (const int width : ColumnWidths(weights, 1000 + static_cast<int>(r % 500), 1)) total += width;
        }
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%lld %.6f\n", total, seconds);
    return 0;
}

int main(int argc, char **argv)
{
    if (argc < 2) return Usage();
    if (std::strcmp(argv[1], "columns-layout") == 0) return ColumnsLayoutBench(argc, argv);
    if (std::strcmp(argv[1], "sha1") == 0) return Sha1Bench(argc, argv);
    if (std::strcmp(argv[1], "hash") == 0) return HashBench(argc, argv);
    if (std::strcmp(argv[1], "copy") == 0) return CopyBench(argc, argv);
    if (std::strcmp(argv[1], "list") == 0) return ListBench(argc, argv);
    if (std::strcmp(argv[1], "engine-copy") == 0) return EngineCopyBench(argc, argv);
    if (std::strcmp(argv[1], "thumbs") == 0) return ThumbsBench(argc, argv);
    if (std::strcmp(argv[1], "steg-in") == 0 || std::strcmp(argv[1], "steg-out") == 0 ||
        std::strcmp(argv[1], "steg-reference") == 0)
        return StegBench(argc, argv);
    if (std::strcmp(argv[1], "search") == 0) return SearchBench(argc, argv);
    if (std::strcmp(argv[1], "search-names") == 0) return SearchNamesBench(argc, argv);
    if (std::strcmp(argv[1], "duplicates") == 0) return DuplicatesBench(argc, argv);
    if (std::strcmp(argv[1], "view") == 0) return ViewBench(argc, argv);
    return Usage();
}
