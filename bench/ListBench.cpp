// velmordian-bench list DIR [SORTMODE]: loads a column off-screen and focuses its first item.
#include "app/Column.h"
#include "app/MainDialog.h"
#include "app/OptionsDialog.h"
#include "bench/Benchmarks.h"

#include <QApplication>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

// Resident memory in bytes, from /proc/self/status.
long long ResidentBytes()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::atoll(line.c_str() + 6) * 1024;
    return 0;
}

} // namespace

int ListBench(int argc, char **argv)
{
    if (argc < 3 || argc > 4) {
        std::fprintf(stderr, "usage: velmordian-bench list DIR [SORTMODE]\n");
        return 2;
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    int qtArgc = 1;
    QApplication application(qtArgc, argv);
    SetDefaultExtensionLists();
    TMainForm form;
    form.BusyCount = 0;
    TColumn &column = *form.Columns[0];
    const std::string mode = argc == 4 ? argv[3] : "Name";
    std::string directory = argv[2];
    if (directory.empty() || directory.back() != '/') directory += '/';
    const long long before = ResidentBytes();
    const auto start = std::chrono::steady_clock::now();
    column.LoadWithFiles(directory, mode);
    column.FocusByTitle(directory, 5, true, true, mode, 0, 0);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const long long grown = ResidentBytes() - before;
    const int count = column.FileList->Empty ? 0 : column.FileList->Count();
    std::fprintf(stderr, "bytes per item: %.0f\n", count ? static_cast<double>(grown) / count : 0.0);
    std::printf("%d %.6f\n", count, seconds);
    return 0;
}
