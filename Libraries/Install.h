// The self-installer's window and the test that starts it.
#pragma once

#include <QDialog>

#include <string>

class QLabel;
class QLineEdit;
class QPushButton;

// True when the first command-line parameter asks to uninstall ("/Uninstall" or
// "--uninstall", any letter case).
bool IsUninstallParameter(const std::string &parameter);
// True when the program file (argv[0]'s last component) is named "Install" in any letter
// case, or the first parameter asks to uninstall.
bool IsInstallerMode(const std::string &programFile, const std::string &firstParameter);

class TInstallForm : public QDialog
{
public:
    TInstallForm(bool uninstalling, QWidget *parent = nullptr);
    // Names the program being installed and sets the window's texts.
    void Setup(const std::string &name, const std::string &description, const std::string &version);

    QLabel *MainPanel;
    QLabel *DescriptionLabel;
    QLabel *VersionLabel;
    QPushButton *CancelButton;

private:
    bool Uninstalling;
    std::string ProgramName;
};

extern TInstallForm *InstallForm;
