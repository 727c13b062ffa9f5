#include "gui/shell.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QUrl>
#include <string>
#include <thread>

#include "gui/filelistview.h"
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
void OpenFolderOf(QByteArray path) {
    while (path.size() > 1 && path.endsWith('/'))
        path.chop(1);
    const qsizetype cut = path.lastIndexOf('/');
    QDesktopServices::openUrl(LocalFileUrl(cut <= 0 ? QByteArray("/") : path.left(cut)));
}
#endif

} // namespace

void OpenWithDesktop(const QByteArray& path) {
    QDesktopServices::openUrl(LocalFileUrl(path));
}

void ShowInFileManager(const QByteArray& path) {
#ifdef Q_OS_WIN
    // The shell may take seconds to start Explorer; the window goes on.
    std::thread([native = path.toStdString()] { SelectInFileManager(native); }).detach();
#else
    // The freedesktop file-manager interface selects the item; not every
    // desktop offers it. Asked without waiting, so a slow or absent file
    // manager never holds up the window.
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{QString::fromLatin1(LocalFileUrl(path).toEncoded())} << QString();
    const QDBusPendingCall pending = QDBusConnection::sessionBus().asyncCall(call, 5000);
    // Without a session bus the call has failed already, and a watcher of a
    // finished call never reports.
    if (pending.isFinished()) {
        if (pending.isError()) OpenFolderOf(path);
        return;
    }
    auto* watcher = new QDBusPendingCallWatcher(pending);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, [path](QDBusPendingCallWatcher* w) {
        if (w->isError()) OpenFolderOf(path);
        w->deleteLater();
    });
#endif
}

} // namespace kdx::gui
