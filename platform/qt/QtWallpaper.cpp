// The desktop wallpaper: the desktop portal first, then the desktop's own settings tool.
#include "platform/Wallpaper.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QProcess>
#include <QStringList>
#include <QUrl>
#include <QVariantMap>

#include <cstdlib>

namespace Platform {
namespace {

bool ThroughPortal(const QString &uri)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return false;
    QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.portal.Desktop"),
                                                       QStringLiteral("/org/freedesktop/portal/desktop"),
                                                       QStringLiteral("org.freedesktop.portal.Wallpaper"),
                                                       QStringLiteral("SetWallpaperURI"));
    QVariantMap options;
    options.insert(QStringLiteral("show-preview"), false);
    options.insert(QStringLiteral("set-on"), QStringLiteral("background"));
    call << QString() << uri << options;
    const QDBusMessage reply = bus.call(call, QDBus::Block, 5000);
    return reply.type() == QDBusMessage::ReplyMessage;
}

bool RunTool(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    return process.waitForFinished(5000) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

bool ThroughDesktop(const QString &path, const QString &uri)
{
    const char *variable = std::getenv("XDG_CURRENT_DESKTOP");
    const QString desktop = QString::fromUtf8(variable ? variable : "").toUpper();
    if (desktop.contains(QStringLiteral("GNOME")) || desktop.contains(QStringLiteral("UNITY")) ||
        desktop.contains(QStringLiteral("BUDGIE"))) {
        const QString schema = QStringLiteral("org.gnome.desktop.background");
        const bool set = RunTool(QStringLiteral("gsettings"),
                                 {QStringLiteral("set"), schema, QStringLiteral("picture-uri"), uri});
        // Older desktops have no dark variant; the light one is what counts.
        if (set)
            RunTool(QStringLiteral("gsettings"),
                    {QStringLiteral("set"), schema, QStringLiteral("picture-uri-dark"), uri});
        return set;
    }
    if (desktop.contains(QStringLiteral("CINNAMON")))
        return RunTool(QStringLiteral("gsettings"),
                       {QStringLiteral("set"), QStringLiteral("org.cinnamon.desktop.background"),
                        QStringLiteral("picture-uri"), uri});
    if (desktop.contains(QStringLiteral("MATE")))
        return RunTool(QStringLiteral("gsettings"),
                       {QStringLiteral("set"), QStringLiteral("org.mate.background"),
                        QStringLiteral("picture-filename"), path});
    if (desktop.contains(QStringLiteral("XFCE")))
        return RunTool(QStringLiteral("xfconf-query"),
                       {QStringLiteral("-c"), QStringLiteral("xfce4-desktop"), QStringLiteral("-p"),
                        QStringLiteral("/backdrop/screen0/monitor0/workspace0/last-image"),
                        QStringLiteral("-s"), path});
    if (desktop.contains(QStringLiteral("KDE"))) {
        QString script = QStringLiteral(
            "for (const d of desktops()) { d.wallpaperPlugin = 'org.kde.image'; "
            "d.currentConfigGroup = ['Wallpaper', 'org.kde.image', 'General']; "
            "d.writeConfig('Image', '%1'); }");
        QString escaped = uri;
        escaped.replace(QLatin1Char('\''), QStringLiteral("\\'"));
        return RunTool(QStringLiteral("qdbus"),
                       {QStringLiteral("org.kde.plasmashell"), QStringLiteral("/PlasmaShell"),
                        QStringLiteral("org.kde.PlasmaShell.evaluateScript"), script.arg(escaped)});
    }
    return false;
}

} // namespace

bool SetDesktopWallpaper(const std::string &absolutePath)
{
    const QString path = QString::fromStdString(absolutePath);
    const QString uri = QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded);
    return ThroughPortal(uri) || ThroughDesktop(path, uri);
}

} // namespace Platform
