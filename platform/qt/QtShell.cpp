// Starting programs and handing files and addresses to the desktop, through Qt.
#include "platform/Shell.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QUrl>
#include <QVariantMap>

#include <cerrno>

namespace Platform {
namespace {

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

bool OpenWithDefaultApplication(const std::string &pathOrAddress)
{
    const bool opened = QDesktopServices::openUrl(UrlOf(pathOrAddress));
    if (!opened) errno = ENOENT;
    return opened;
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
