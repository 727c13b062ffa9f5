#include "gui/shell.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QUrl>
#include <string>
#include <thread>

#include "platform/desktop.h"

#ifndef Q_OS_WIN
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#endif

namespace kdx::gui {

namespace {

#ifndef Q_OS_WIN
void OpenFolderOf(const QString& path) {
    QString folder = QFileInfo(path).absolutePath();
    if (path.endsWith(QLatin1Char('/')) || path.endsWith(QLatin1Char('\\')))
        folder = QFileInfo(path.chopped(1)).absolutePath();
    QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}
#endif

} // namespace

void OpenWithDesktop(const QString& path) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

void ShowInFileManager(const QString& path) {
#ifdef Q_OS_WIN
    // The shell may take seconds to start Explorer; the window goes on.
    std::thread([native = QDir::toNativeSeparators(path).toStdString()] { SelectInFileManager(native); }).detach();
#else
    // The freedesktop file-manager interface selects the item; not every
    // desktop offers it. Asked without waiting, so a slow or absent file
    // manager never holds up the window.
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{QUrl::fromLocalFile(path).toString()} << QString();
    auto* watcher = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(call, 5000));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, [path](QDBusPendingCallWatcher* w) {
        if (w->isError()) OpenFolderOf(path);
        w->deleteLater();
    });
#endif
}

} // namespace kdx::gui
