#pragma once

// Row icons, taken from the desktop's icon theme by name: the icon of a file
// comes from its extension, not its contents, so the file need not exist.
// Indices stay valid for the life of the list, like the shell's own list.

#include <QHash>
#include <QIcon>
#include <QObject>
#include <string_view>
#include <vector>

namespace kdx::gui {

class TSysImageList : public QObject {
public:
    enum Size { Small = 0, Large = 1, ExtraLarge = 2 };

    explicit TSysImageList(QObject* owner);

    int ImageSize() const { return m_size; }
    void setImageSize(int size);
    int FolderIconIndex();
    int FileIconIndex(std::string_view path);
    QIcon icon(int index) const;
    int iconPixels() const;

private:
    int add(const QIcon& icon);
    int m_size = Small;
    std::vector<QIcon> m_icons;
    int m_folder = -1;
    QHash<QString, int> m_byExtension; // lower-case extension -> index
};

} // namespace kdx::gui
