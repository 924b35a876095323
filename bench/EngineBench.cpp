// velmordian-bench engine-copy SRC DSTDIR [--no-progress]: the file operation dialog's "Copy"
// of a file or a tree, run without a person: counting pass, overwrite checks, progress and all.
#include "Libraries/Error.h"
#include "Libraries/File.h"
#include "app/FileDialog.h"
#include "app/OptionsDialog.h"
#include "app/OverwriteDialog.h"
#include "bench/Benchmarks.h"

#include <QApplication>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

int EngineCopyBench(int argc, char **argv)
{
    const bool noProgress = argc == 5 && std::strcmp(argv[4], "--no-progress") == 0;
    if (argc != 4 && !noProgress) {
        std::fprintf(stderr, "usage: velmordian-bench engine-copy SRC DSTDIR [--no-progress]\n");
        return 2;
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    int qtArgc = 1;
    QApplication application(qtArgc, argv);
    SetDefaultExtensionLists();
    TOverwriteForm overwrite;
    OverwriteForm = &overwrite;
    TFileForm form;
    FileForm = &form;
    form.showProgress = !noProgress;
    const std::string source = FullPath(argv[2]);
    const std::vector<TFileOperationItem> items = {{source, IsDirectoryPath(source), 0}};
    const auto start = std::chrono::steady_clock::now();
    FileUnitLoader.OnCopyProgress = [&form](double fraction) {
        form.Progress(fraction);
        return !form.stop;
    };
    if (!form.Prepare(true, "Copy", false, false, "", IncludeTrailingBackslash(FullPath(argv[3])),
                      ExtractDirectory(source), items, false)) {
        std::fprintf(stderr, "nothing to copy\n");
        return 1;
    }
    // Destinations that exist are kept: the benchmark never replaces a file.
    overwrite.overwriteChoice = ocSkipAll;
    form.OnOkay(okOkay);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    FileUnitLoader.OnCopyProgress = nullptr;
    FileForm = nullptr;
    OverwriteForm = nullptr;
    if (form.errors > 0) {
        std::fprintf(stderr, "%d errors\n", form.errors);
        return 1;
    }
    std::printf("%llu %.6f\n", static_cast<unsigned long long>(form.processedSize), seconds);
    return 0;
}
