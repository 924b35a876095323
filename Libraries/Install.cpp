// The self-installer's window and the test that starts it.
#include "Libraries/Install.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cctype>

TInstallForm *InstallForm = nullptr;

namespace {

std::string AsciiLower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) {
        return static_cast<char>(std::tolower(c));
    });
    return text;
}

} // namespace

bool IsUninstallParameter(const std::string &parameter)
{
    const std::string lower = AsciiLower(parameter);
    return lower == "/uninstall" || lower == "--uninstall";
}

bool IsInstallerMode(const std::string &programFile, const std::string &firstParameter)
{
    const auto slash = programFile.rfind('/');
    const std::string name = slash == std::string::npos ? programFile : programFile.substr(slash + 1);
    return AsciiLower(name) == "install" || IsUninstallParameter(firstParameter);
}

TInstallForm::TInstallForm(bool uninstalling, QWidget *parent)
    : QDialog(parent), MainPanel(new QLabel(this)), DescriptionLabel(new QLabel(this)),
      VersionLabel(new QLabel(this)), CancelButton(new QPushButton(QStringLiteral("&Cancel"), this)),
      Uninstalling(uninstalling)
{
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(MainPanel);
    layout->addWidget(DescriptionLabel);
    layout->addWidget(VersionLabel);
    layout->addWidget(CancelButton);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

void TInstallForm::Setup(const std::string &name,
                         const std::string &description,
                         const std::string &version)
{
    ProgramName = name;
    DescriptionLabel->setText(QString::fromStdString(description));
    VersionLabel->setText(QString::fromStdString(version));
    const QString program = QString::fromStdString(name);
    if (Uninstalling) {
        setWindowTitle(QStringLiteral("Uninstall ") + program);
        MainPanel->setText(QStringLiteral("Bye from ") + program);
    } else {
        setWindowTitle(QStringLiteral("Install ") + program);
        MainPanel->setText(QStringLiteral("Welcome to ") + program);
    }
}
