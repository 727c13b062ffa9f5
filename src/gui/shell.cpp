#include "gui/shell.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

namespace kdx::gui {

void OpenWithDesktop(const QString& path) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

void ShowInFileManager(const QString& path) {
#ifdef Q_OS_WIN
    QProcess::startDetached(QStringLiteral("explorer.exe"),
                            {QStringLiteral("/e,/select,\"%1\"").arg(QDir::toNativeSeparators(path))});
#else
    // The freedesktop file-manager interface selects the item; not every
    // desktop offers it.
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{QUrl::fromLocalFile(path).toString()} << QString();
    const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, 3000);
    if (reply.type() != QDBusMessage::ReplyMessage) {
        QString folder = QFileInfo(path).absolutePath();
        if (path.endsWith(QLatin1Char('/'))) folder = QFileInfo(path.chopped(1)).absolutePath();
        QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
    }
#endif
}

} // namespace kdx::gui
