// Starting programs and handing files and addresses to the desktop, through Qt.
#include "platform/Shell.h"

#include "platform/DesktopApplications.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QMimeDatabase>
#include <QMimeType>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QUrl>
#include <QVariantMap>

#include <cerrno>

namespace Platform {
namespace {

// The freedesktop program that opens a file or an address with the user's application.
constexpr const char *DesktopOpener = "xdg-open";

QUrl UrlOf(const std::string &pathOrAddress)
{
    const QString text = QString::fromStdString(pathOrAddress);
    if (!text.isEmpty() && text.front() == QLatin1Char('/')) return QUrl::fromLocalFile(text);
    return QUrl(text, QUrl::TolerantMode);
}

bool CallSessionBus(QDBusMessage call)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return false;
    return bus.call(call, QDBus::Block, 5000).type() == QDBusMessage::ReplyMessage;
}

} // namespace

std::vector<std::string> SplitCommandLine(const std::string &text)
{
    std::vector<std::string> arguments;
    for (const QString &argument : QProcess::splitCommand(QString::fromStdString(text)))
        arguments.push_back(argument.toStdString());
    return arguments;
}

std::string FindInPath(const std::string &name)
{
    return QStandardPaths::findExecutable(QString::fromStdString(name)).toStdString();
}

bool StartDetached(const std::string &program,
                   const std::vector<std::string> &arguments,
                   const std::string &directory)
{
    QStringList list;
    for (const std::string &argument : arguments) list << QString::fromStdString(argument);
    const bool started = QProcess::startDetached(
        QString::fromStdString(program), list, QString::fromStdString(directory));
    if (!started) errno = ENOEXEC;
    return started;
}

bool OpenWithDefaultApplication(const std::string &pathOrAddress, std::string &failure)
{
    failure.clear();
    const QUrl url = UrlOf(pathOrAddress);
    if (FindInPath(DesktopOpener).empty()) {
        failure = std::string("The desktop's opener \"") + DesktopOpener +
                  "\" is missing, so files and addresses cannot be opened with their applications "
                  "(it comes with the package xdg-utils).";
        return false;
    }
    if (url.isLocalFile()) {
        const QMimeType type = QMimeDatabase().mimeTypeForFile(url.toLocalFile());
        std::vector<std::string> types{type.name().toStdString()};
        for (const QString &ancestor : type.allAncestors())
            types.push_back(ancestor.toStdString());
        if (!HasApplicationForMimeTypes(types)) {
            failure = "No application is registered for this type of file (" + types.front() + ").";
            return false;
        }
    }
    if (QDesktopServices::openUrl(url)) return true;
    failure = std::string("The desktop's opener \"") + DesktopOpener + "\" could not be started.";
    return false;
}

bool OpenWithChooser(const std::string &path)
{
    QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.portal.Desktop"),
                                                       QStringLiteral("/org/freedesktop/portal/desktop"),
                                                       QStringLiteral("org.freedesktop.portal.OpenURI"),
                                                       QStringLiteral("OpenURI"));
    QVariantMap options;
    options.insert(QStringLiteral("ask"), true);
    call << QString() << UrlOf(path).toString(QUrl::FullyEncoded) << options;
    const bool called = CallSessionBus(call);
    if (!called) errno = ENOTSUP;
    return called;
}

bool ShowItemProperties(const std::string &path)
{
    QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.FileManager1"),
                                                       QStringLiteral("/org/freedesktop/FileManager1"),
                                                       QStringLiteral("org.freedesktop.FileManager1"),
                                                       QStringLiteral("ShowItemProperties"));
    call << QStringList{UrlOf(path).toString(QUrl::FullyEncoded)} << QString();
    const bool called = CallSessionBus(call);
    if (!called) errno = ENOTSUP;
    return called;
}

} // namespace Platform
