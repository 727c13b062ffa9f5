#include "gui/sysimagelist.h"

#include <QApplication>
#include <QFileIconProvider>
#include <QImage>
#include <QMimeDatabase>
#include <QPixmap>
#include <QStyle>
#include <cstring>

#include "core/common/text.h"
#include "platform/desktop.h"

namespace kdx::gui {

namespace {

// The system's own icon where it has one (Windows), in the list's sizes.
QIcon SystemIconOf(std::string_view name, bool folder) {
    QIcon icon;
    for (int pixels : {16, 32}) {
        const std::optional<IconPixels> found = SystemIcon(name, folder, pixels);
        if (!found) continue;
        QImage image(found->width, found->height, QImage::Format_ARGB32);
        for (int y = 0; y < found->height; ++y)
            std::memcpy(image.scanLine(y), found->argb.data() + static_cast<size_t>(y) * found->width,
                        static_cast<size_t>(found->width) * sizeof(uint32_t));
        icon.addPixmap(QPixmap::fromImage(image));
    }
    return icon;
}

} // namespace

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
        QIcon icon = SystemIconOf("folder", true);
        if (icon.isNull()) icon = QIcon::fromTheme(QStringLiteral("folder"));
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
    QIcon icon = SystemIconOf(name.toStdString(), false);
    if (icon.isNull()) {
        const QMimeType mime = mimes.mimeTypeForFile(name, QMimeDatabase::MatchExtension);
        icon = QIcon::fromTheme(mime.iconName());
        if (icon.isNull()) icon = QIcon::fromTheme(mime.genericIconName());
    }
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
