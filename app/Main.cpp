// The program's entry: installer or file manager, the global windows, the message loop.
#include "Libraries/Error.h"
#include "Libraries/Install.h"
#include "Libraries/Program.h"
#include "app/MainDialog.h"
#include "platform/qt/QtApplication.h"
#include "platform/qt/QtErrorWindow.h"
#include "platform/qt/QtMessageBoxes.h"

#include <QByteArray>

int main(int argc, char **argv)
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
    {
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
            TErrorForm errorForm(nullptr);
            // A child of the first window, which deletes it.
            errorForm.Window = new TQtErrorWindow(&errorForm, firstWindow);
            ErrorForm = &errorForm;
            if (installer) {
                InstallForm->Setup("Velmordian", "File manager", "Version 8.0.7, released on 19.03.2008");
                InstallForm->show();
            } else {
                MainForm->StartMainForm();
                MainForm->show();
            }
            QApplication::exec();
            ErrorForm = nullptr;
            errorForm.Window = nullptr;
            if (!installer) delete MainForm;
            delete InstallForm;
            InstallForm = nullptr;
        });
        Fun.ShowIfFailed("");
    }
    MessageBoxes = nullptr;
    return 0;
}
