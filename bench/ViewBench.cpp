// velmordian-bench view FILE W H [MAXTEXTSIZE]: loads the file into an off-screen viewer of
// W x H pixels as the viewer panel does and paints its first screen; prints the shown picture's
// size (or the characters in the text box at that moment) and the seconds.
#include "app/FileViewer.h"
#include "app/OptionsDialog.h"
#include "bench/Benchmarks.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QWidget>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

int ViewBench(int argc, char **argv)
{
    if (argc < 5) {
        std::fprintf(stderr, "usage: velmordian-bench view FILE W H [MAXTEXTSIZE]\n");
        return 2;
    }
    const std::string file = argv[2];
    const int width = std::atoi(argv[3]);
    const int height = std::atoi(argv[4]);
    const int maxTextSize = argc >= 6 ? std::atoi(argv[5]) : -1;
    if (width < 1 || height < 1) {
        std::fprintf(stderr, "usage: velmordian-bench view FILE W H [MAXTEXTSIZE]\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    QApplication application(qtArgc, argv);
    SetDefaultExtensionLists();
    QWidget client;
    client.resize(width, height);
    client.show();
    TFileViewer viewer(&client);
    viewer.SetOptions(ViewerOptions);
    viewer.MaxTextSize = maxTextSize;

    const auto start = std::chrono::steady_clock::now();
    viewer.Do(file);
    // The first screen painted, as the panel shows it.
    const QPixmap shown = client.grab();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    (void)shown;
    if (viewer.PictureViewer.Image)
        std::printf("%d x %d %.6f\n",
                    viewer.PictureViewer.RenderedWidth,
                    viewer.PictureViewer.RenderedHeight,
                    seconds);
    else if (!viewer.TextBox->isHidden())
        std::printf("text %lld characters %.6f\n",
                    static_cast<long long>(viewer.TextBox->document()->characterCount()),
                    seconds);
    else
        std::printf("nothing \"%s\" %.6f\n", viewer.Info.c_str(), seconds);
    return 0;
}
