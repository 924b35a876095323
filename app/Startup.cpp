// The program's start-up and the ends of a run that come from outside: termination signals and
// the session manager.
//
// It creates the platform's application object, message boxes and error window itself, as main
// would, so that a test can run the whole start-up in a child process.
#include "app/Startup.h"

#include "Libraries/Error.h"
#include "Libraries/Install.h"
#include "Libraries/Program.h"
#include "app/CopyAsDialog.h"
#include "app/FileDialog.h"
#include "app/MainDialog.h"
#include "app/FileStreamsDialog.h"
#include "app/FindCommonTextDialog.h"
#include "app/StegDialog.h"
#include "app/NewFileDialog.h"
#include "app/OverwriteDialog.h"
#include "app/SearchFileDialog.h"
#include "platform/TerminationSignals.h"
#include "platform/qt/QtApplication.h"
#include "platform/qt/QtErrorWindow.h"
#include "platform/qt/QtMessageBoxes.h"

#include <QByteArray>

namespace {

// A request to end closes the main window the way the user does: its close saves the options
// once. The message loop then ends, and with it any modal window that is open.
void CloseOnTerminationSignal(int)
{
    if (MainForm && MainForm->isVisible()) MainForm->close();
    QCoreApplication::exit(0);
}

// The session manager asks for the user's data before the session ends; the program may be
// ended without a close afterwards.
void SaveOnSessionRequest(QGuiApplication &application)
{
#if QT_CONFIG(sessionmanager)
    QObject::connect(&application, &QGuiApplication::commitDataRequest, [](QSessionManager &) {
        if (MainForm) MainForm->SessionCommitData();
    });
#else
    (void)application;
#endif
}

} // namespace

void (*OnDialogsCreated)() = nullptr;

int RunProgram(int argc, char **argv)
{
    // The FFmpeg media backend of this Qt crashes without an audio device.
    qputenv("QT_MEDIA_BACKEND", QByteArrayLiteral("gstreamer"));
    SetCommandLine(argc, argv);
    InstallTerminateHandler();
    TQtApplication application(argc, argv);
    application.setApplicationName(QStringLiteral("Velmordian"));
    TQtMessageBoxes messageBoxes;
    MessageBoxes = &messageBoxes;
    application.OnException = [](const std::string &message) {
        FunStatContext.OnApplicationException(message);
    };
    SaveOnSessionRequest(application);
    {
        // Outside the guarded body: a failure that escapes it is shown by this dialog after the
        // body's locals are gone.
        TErrorForm errorForm(nullptr);
        TFunScope Fun("Main", "WinMain");
        Fun.Run([&] {
            const std::string firstParameter = argc > 1 ? argv[1] : "";
            const bool installer = IsInstallerMode(argc > 0 ? argv[0] : "", firstParameter);
            QWidget *firstWindow = nullptr;
            if (installer) {
                InstallForm = new TInstallForm(IsUninstallParameter(firstParameter));
                firstWindow = InstallForm;
            } else {
                firstWindow = new TMainForm;
            }
            // A child of the first window, which deletes it.
            errorForm.Window = new TQtErrorWindow(&errorForm, firstWindow);
            ErrorForm = &errorForm;
            if (!installer) {
                // The dialogs are children of the main window, which deletes them; the options
                // text file read by the start-up holds some of their settings.
                OverwriteForm = new TOverwriteForm(firstWindow);
                CopyAsForm = new TCopyAsForm(firstWindow);
                FileForm = new TFileForm(firstWindow);
                SearchFileForm = new TSearchFileForm(firstWindow);
                NewFileForm = new TNewFileForm(firstWindow);
                FileStreamsForm = new TFileStreamsForm(firstWindow);
                FindCommonTextForm = new TFindCommonTextForm(firstWindow);
                StegForm = new TStegForm(firstWindow);
            }
            if (OnDialogsCreated) OnDialogsCreated();
            if (installer) {
                InstallForm->Setup(
                    "Velmordian", "File manager", "Version 8.0.7, released on 19.03.2008");
                InstallForm->show();
            } else {
                MainForm->StartMainForm();
                MainForm->CreateViewers();
                MainForm->show();
            }
            // Only now: a request during start-up would save options that were not read yet.
            // Without the watch (no pipe to be had) a signal ends the program as any other.
            Platform::WatchTerminationSignals(&CloseOnTerminationSignal);
            QApplication::exec();
            Platform::StopWatchingTerminationSignals();
            ErrorForm = nullptr;
            errorForm.Window = nullptr;
            if (!installer) delete MainForm;
            OverwriteForm = nullptr;
            CopyAsForm = nullptr;
            FileForm = nullptr;
            SearchFileForm = nullptr;
            NewFileForm = nullptr;
            FileStreamsForm = nullptr;
            FindCommonTextForm = nullptr;
            StegForm = nullptr;
            delete InstallForm;
            InstallForm = nullptr;
        });
        Fun.ShowIfFailed("");
        ErrorForm = nullptr;
        errorForm.Window = nullptr;
    }
    MessageBoxes = nullptr;
    return 0;
}
