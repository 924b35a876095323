// velmordian-bench engine-copy SRC DSTDIR [--no-progress] [--overwrite]: the file operation
// dialog's "Copy" of a file or a tree, run without a person: counting pass, overwrite checks,
// progress and all. Existing destinations are kept, or with --overwrite all replaced (each
// replaced file is flushed to the disk before it takes the old one's name).
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
    bool noProgress = false, replace = false, known = argc >= 4 && argc <= 6;
    for (int i = 4; known && i < argc; ++i) {
        if (std::strcmp(argv[i], "--no-progress") == 0) noProgress = true;
        else if (std::strcmp(argv[i], "--overwrite") == 0) replace = true;
        else known = false;
    }
    if (!known) {
        std::fprintf(stderr, "usage: velmordian-bench engine-copy SRC DSTDIR [--no-progress] [--overwrite]\n");
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
    overwrite.overwriteChoice = replace ? ocOverwriteAll : ocSkipAll;
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
