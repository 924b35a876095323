// velmordian-bench steg-in FILE CARRIER PASSWORD ITERATIONS OUT: hides FILE in the picture
// CARRIER through the steganography dialog's own code and writes the PNG to OUT (verification
// pass included); prints the integrity code and the seconds.
// velmordian-bench steg-out PICTURE PASSWORD ITERATIONS DSTDIR: takes the hidden file out into
// DSTDIR; prints its name and the seconds.
// velmordian-bench steg-reference CARRIER OUT: loads CARRIER and saves it as the PNG OUT with Qt
// alone, the reference for steg-in; prints the bytes written and the seconds.
#include "Libraries/Error.h"
#include "Libraries/File.h"
#include "app/OptionsDialog.h"
#include "app/StegDialog.h"
#include "bench/Benchmarks.h"
#include "platform/MessageBoxes.h"

#include <QApplication>
#include <QComboBox>
#include <QImageReader>
#include <QImageWriter>
#include <QLineEdit>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

// Nobody is there to answer: existing files are replaced, and what is shown goes to stderr.
class TBenchMessageBoxes : public TMessageBoxes
{
public:
    int Show(const std::string &, const std::string &text, unsigned) override
    {
        std::fprintf(stderr, "%s\n", text.c_str());
        return MessageBoxAnswer::Yes;
    }
    void Beep(unsigned) override {}
};

double SecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The dialog as the user leaves it: the password typed twice, the iterations chosen.
void SetUp(TStegForm &form, const char *password, const char *iterations)
{
    form.PasswordEdit->setText(QString::fromUtf8(password));
    form.ConfirmPasswordEdit->setText(QString::fromUtf8(password));
    form.UserKeyIterationsComboBox->setEditable(true);
    form.UserKeyIterationsComboBox->setEditText(QString::fromUtf8(iterations));
    form.Algorithm = 3;
}

bool Failed()
{
    if (!FunStatContext.IsError()) return false;
    std::fprintf(stderr, "failed: %s %s %s\n", FunStatContext.description.c_str(),
                 FunStatContext.parameter1.c_str(), FunStatContext.parameter2.c_str());
    return true;
}

} // namespace

int StegBench(int argc, char **argv)
{
    const std::string mode = argv[1];
    const bool stegIn = mode == "steg-in", reference = mode == "steg-reference";
    if ((stegIn && argc != 7) || (mode == "steg-out" && argc != 6) || (reference && argc != 4)) {
        std::fprintf(stderr,
                     "usage: velmordian-bench steg-in FILE CARRIER PASSWORD ITERATIONS OUT.png\n"
                     "       velmordian-bench steg-out PICTURE PASSWORD ITERATIONS DSTDIR\n"
                     "       velmordian-bench steg-reference CARRIER OUT.png\n");
        return 2;
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    int qtArgc = 1;
    QApplication application(qtArgc, argv);
    QImageReader::setAllocationLimit(1024);
    SetDefaultExtensionLists();
    TBenchMessageBoxes boxes;
    MessageBoxes = &boxes;
    if (reference) {
        const auto start = std::chrono::steady_clock::now();
        QImageReader reader(QString::fromLocal8Bit(argv[2]));
        const QImage picture = reader.read().convertToFormat(QImage::Format_ARGB32);
        QImageWriter writer(QString::fromLocal8Bit(argv[3]), "png");
        if (picture.isNull() || !writer.write(picture)) {
            std::fprintf(stderr, "failed: %s\n", writer.errorString().toLocal8Bit().constData());
            return 1;
        }
        const double seconds = SecondsSince(start);
        std::printf("%llu %.6f\n", static_cast<unsigned long long>(std::filesystem::file_size(argv[3])), seconds);
        return 0;
    }
    TStegForm form;
    if (stegIn) {
        SetUp(form, argv[4], argv[5]);
        // The carrier is hidden into a copy of itself beside OUT, which the PNG then replaces.
        const std::string out = FullPath(argv[6]);
        const std::string copy = ReplaceExtension(out, ExtractExtension(argv[3]));
        std::error_code error;
        std::filesystem::copy_file(argv[3], copy, std::filesystem::copy_options::overwrite_existing, error);
        if (error) {
            std::fprintf(stderr, "cannot copy %s: %s\n", argv[3], error.message().c_str());
            return 1;
        }
        form.SourceName = FullPath(argv[2]);
        form.TargetName = copy;
        const auto start = std::chrono::steady_clock::now();
        const bool done = form.StegIn(-1);
        const double seconds = SecondsSince(start);
        if (copy != ReplaceExtension(copy, ".png")) std::filesystem::remove(copy);
        if (!done) {
            std::fprintf(stderr, "steg-in failed\n");
            return 1;
        }
        std::printf("%04d %.6f\n", form.LastIntegrity, seconds);
        return 0;
    }
    SetUp(form, argv[3], argv[4]);
    form.SourceName = FullPath(argv[2]);
    form.TargetName = IncludeTrailingBackslash(FullPath(argv[5]));
    TStegOutResult result;
    const auto start = std::chrono::steady_clock::now();
    const bool done = form.StegOut(true, nullptr, nullptr, false, result);
    const double seconds = SecondsSince(start);
    if (!done || Failed()) {
        std::fprintf(stderr, "steg-out failed\n");
        return 1;
    }
    std::printf("%s %.6f\n", result.Name.c_str(), seconds);
    return 0;
}
