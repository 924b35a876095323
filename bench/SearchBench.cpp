// velmordian-bench search DIR TEXT, search-names DIR FILTER, duplicates FILE DIR: the file
// search as the dialog runs it, without the window.
#include "app/OptionsDialog.h"
#include "app/SearchFileDialog.h"
#include "bench/Benchmarks.h"

#include <chrono>
#include <cstdio>
#include <string>

namespace {

int RunSearch(TFileSearch &search, const std::string &directory)
{
    const auto start = std::chrono::steady_clock::now();
    search.Start();
    search.ProcessDir(directory);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%zu %.6f\n", search.Found.size(), seconds);
    if (search.Errors > 0) std::fprintf(stderr, "%d errors\n", search.Errors);
    return 0;
}

} // namespace

int SearchBench(int argc, char **argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: velmordian-bench search DIR TEXT\n");
        return 2;
    }
    TFileSearch search;
    search.Options.NameFilter = "*";
    search.Options.FileParts = "Content";
    search.Options.FindDirectories = false;
    bool hasShort = false;
    search.Options.TextFilters = MakeSearchFilters(argv[3], false, hasShort);
    return RunSearch(search, argv[2]);
}

int SearchNamesBench(int argc, char **argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: velmordian-bench search-names DIR FILTER\n");
        return 2;
    }
    SetDefaultExtensionLists();
    TFileSearch search;
    search.Options.NameFilter = ExpandNameFilter(argv[3], false);
    return RunSearch(search, argv[2]);
}

int DuplicatesBench(int argc, char **argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: velmordian-bench duplicates FILE DIR\n");
        return 2;
    }
    TFileSearch search;
    search.Options.NameFilter = "*";
    search.Options.DuplicateReference = argv[2];
    return RunSearch(search, argv[3]);
}
