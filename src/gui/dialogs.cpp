#include "gui/dialogs.h"

#include <QAbstractFileIconProvider>
#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QMutex>

#include "gui/sysimagelist.h"

namespace kdx::gui {

namespace {

ChooserAnswer& Answer() {
    static ChooserAnswer answer;
    return answer;
}

const QString kSnapshotFilter = QStringLiteral("文件(快照)列表(*.kdx);;所有文件(*.*)");

// Qt's own provider tells a file's icon and type by reading its first bytes
// when the name does not tell, which moves the access time of every such file
// a chooser merely shows: icons and types come from the name alone here. The
// dialog's folder model asks from its own thread as well as the window's.
class NameOnlyIconProvider final : public QAbstractFileIconProvider {
public:
    QIcon icon(IconType type) const override { return QAbstractFileIconProvider::icon(type); }
    QIcon icon(const QFileInfo& info) const override {
        if (!info.isFile() && !info.isDir()) return QAbstractFileIconProvider::icon(info);
        QMutexLocker lock(&m_mutex);
        return m_icons.icon(info.isDir() ? m_icons.FolderIconIndex()
                                         : m_icons.FileIconIndex(info.fileName().toStdString()));
    }
    QString type(const QFileInfo& info) const override {
        // Qt's Chinese texts have no word for a folder's type.
        if (info.isDir() && !info.isRoot()) return QStringLiteral("文件夹");
        if (!info.isFile()) return QAbstractFileIconProvider::type(info);
        static const QMimeDatabase mimes;
        const QMimeType mime = mimes.mimeTypeForFile(info.fileName(), QMimeDatabase::MatchExtension);
        return mime.comment().isEmpty() ? mime.name() : mime.comment();
    }

private:
    mutable QMutex m_mutex;
    mutable TSysImageList m_icons{nullptr};
};

} // namespace

QString BrowseForFolder(const QString& title) {
    if (Answer()) return Answer()(ChooserKind::Folder, title);
    NameOnlyIconProvider icons; // outlives the dialog, whose folder model's thread asks it
    QFileDialog dialog(QApplication::activeWindow(), title);
    dialog.setIconProvider(&icons);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().first();
}

QString ChooseSnapshotToSave() {
    const QString title = QStringLiteral("保存文件(快照)列表...");
    if (Answer()) return Answer()(ChooserKind::SaveFile, title);
    NameOnlyIconProvider icons; // outlives the dialog, whose folder model's thread asks it
    QFileDialog dialog(QApplication::activeWindow(), title, QString(), kSnapshotFilter);
    dialog.setIconProvider(&icons);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QStringLiteral("kdx"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().first();
}

QString ChooseSnapshotToOpen() {
    const QString title = QStringLiteral("导入文件(快照)列表...");
    if (Answer()) return Answer()(ChooserKind::OpenFile, title);
    NameOnlyIconProvider icons; // outlives the dialog, whose folder model's thread asks it
    QFileDialog dialog(QApplication::activeWindow(), title, QString(), kSnapshotFilter);
    dialog.setIconProvider(&icons);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setDefaultSuffix(QStringLiteral("kdx"));
    // Several files may be picked; the first one is loaded.
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().first();
}

ScopedChooserAnswer::ScopedChooserAnswer(ChooserAnswer answer) : m_previous(std::move(Answer())) {
    Answer() = std::move(answer);
}

ScopedChooserAnswer::~ScopedChooserAnswer() {
    Answer() = std::move(m_previous);
}

} // namespace kdx::gui
