#include "gui/sysimagelist.h"

#include <QApplication>
#include <QFileIconProvider>
#include <QMimeDatabase>
#include <QStyle>

#include "core/common/text.h"

namespace kdx::gui {

TSysImageList::TSysImageList(QObject* owner) : QObject(owner) {}

void TSysImageList::setImageSize(int size) {
    // Indices must survive a size change, so only the drawing size changes.
    m_size = size;
}

int TSysImageList::iconPixels() const {
    return m_size == Small ? 16 : m_size == Large ? 32 : 48;
}

int TSysImageList::add(const QIcon& icon) {
    m_icons.push_back(icon);
    return static_cast<int>(m_icons.size()) - 1;
}

int TSysImageList::FolderIconIndex() {
    if (m_folder < 0) {
        QIcon icon = QIcon::fromTheme(QStringLiteral("folder"));
        if (icon.isNull()) icon = QFileIconProvider().icon(QAbstractFileIconProvider::Folder);
        if (icon.isNull()) icon = QApplication::style()->standardIcon(QStyle::SP_DirIcon);
        m_folder = add(icon);
    }
    return m_folder;
}

int TSysImageList::FileIconIndex(std::string_view path) {
    const QString ext = QString::fromUtf8(ExtensionOf(path)).toLower();
    const auto it = m_byExtension.constFind(ext);
    if (it != m_byExtension.constEnd()) return *it;
    static const QMimeDatabase mimes;
    const QString name = QStringLiteral("x") + ext;
    const QMimeType mime = mimes.mimeTypeForFile(name, QMimeDatabase::MatchExtension);
    QIcon icon = QIcon::fromTheme(mime.iconName());
    if (icon.isNull()) icon = QIcon::fromTheme(mime.genericIconName());
    if (icon.isNull()) icon = QFileIconProvider().icon(QAbstractFileIconProvider::File);
    if (icon.isNull()) icon = QApplication::style()->standardIcon(QStyle::SP_FileIcon);
    const int index = add(icon);
    m_byExtension.insert(ext, index);
    return index;
}

QIcon TSysImageList::icon(int index) const {
    if (index < 0 || static_cast<size_t>(index) >= m_icons.size()) return {};
    return m_icons[static_cast<size_t>(index)];
}

} // namespace kdx::gui
