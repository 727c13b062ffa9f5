#include "gui/foldertree.h"

#include <QApplication>
#include <QPointer>
#include <QStyle>

#include "platform/platform.h"

namespace kdx::gui {

namespace {

constexpr int PathRole = Qt::UserRole;
constexpr int NameRole = Qt::UserRole + 1;
constexpr int ListedRole = Qt::UserRole + 2; // 0 not yet, 1 under way, 2 done

QByteArray Bytes(const std::string& s) {
    return QByteArray(s.data(), static_cast<qsizetype>(s.size()));
}

std::string StdBytes(const QVariant& v) {
    const QByteArray b = v.toByteArray();
    return std::string(b.constData(), static_cast<size_t>(b.size()));
}

} // namespace

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (!folder.empty() && folder.back() == sys().separator()) return folder + name;
    return folder + sys().separator() + name;
}

QString DisplayName(const std::string& name) {
    return QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
}

FolderTree::FolderTree(QObject* parent) : QStandardItemModel(parent) {
    m_listing.setMaxThreadCount(2);
}

FolderTree::~FolderTree() {
    m_listing.waitForDone();
}

void FolderTree::setRoot(const std::string& root) {
    if (root == m_root && rowCount() > 0) return;
    clear();
    m_jobs.clear();
    m_root = root;
    auto* item = new QStandardItem(QApplication::style()->standardIcon(QStyle::SP_DriveHDIcon), DisplayName(root));
    item->setEditable(false);
    item->setData(Bytes(root), PathRole);
    item->setData(Bytes(root), NameRole);
    item->setData(0, ListedRole);
    appendRow(item);
}

std::string FolderTree::pathOf(const QModelIndex& index) const {
    return StdBytes(index.data(PathRole));
}

QStandardItem* FolderTree::childNamed(QStandardItem* parent, const std::string& name) const {
    const QByteArray wanted = Bytes(name);
    for (int r = 0; r < parent->rowCount(); ++r)
        if (parent->child(r)->data(NameRole).toByteArray() == wanted) return parent->child(r);
    return nullptr;
}

QStandardItem* FolderTree::addChild(QStandardItem* parent, const std::string& name) {
    static const QIcon folderIcon = QApplication::style()->standardIcon(QStyle::SP_DirIcon);
    auto* item = new QStandardItem(folderIcon, DisplayName(name));
    item->setEditable(false);
    item->setData(Bytes(JoinPath(StdBytes(parent->data(PathRole)), name)), PathRole);
    item->setData(Bytes(name), NameRole);
    item->setData(0, ListedRole);
    parent->appendRow(item);
    return item;
}

QModelIndex FolderTree::reveal(const std::string& folder) {
    if (rowCount() == 0 || folder.compare(0, m_root.size(), m_root) != 0) return {};
    QStandardItem* item = this->item(0);
    const char sep = sys().separator();
    size_t at = m_root.size();
    while (at < folder.size()) {
        size_t end = folder.find(sep, at);
        if (end == std::string::npos) end = folder.size();
        if (end > at) {
            const std::string name = folder.substr(at, end - at);
            QStandardItem* child = childNamed(item, name);
            item = child ? child : addChild(item, name);
        }
        at = end + 1;
    }
    return indexFromItem(item);
}

bool FolderTree::hasChildren(const QModelIndex& parent) const {
    // Until a folder is listed it may have sub-folders: it can be opened.
    if (parent.isValid() && parent.data(ListedRole).toInt() != 2) return true;
    return QStandardItemModel::hasChildren(parent);
}

bool FolderTree::canFetchMore(const QModelIndex& parent) const {
    return parent.isValid() && parent.data(ListedRole).toInt() == 0;
}

void FolderTree::fetchMore(const QModelIndex& parent) {
    if (!canFetchMore(parent)) return;
    setData(parent, 1, ListedRole);
    const uint64_t job = ++m_nextJob;
    m_jobs[job] = QPersistentModelIndex(parent);
    const std::string folder = pathOf(parent);
    QPointer<FolderTree> self(this);
    m_listing.start([self, job, folder] {
        std::vector<DirEntry> entries;
        // A folder that cannot be searched shows no sub-folders.
        static_cast<void>(sys().listDirectory(folder, "*", true, entries));
        std::vector<std::string> names;
        names.reserve(entries.size());
        for (DirEntry& e : entries)
            names.push_back(std::move(e.name));
        // Back on the window's thread; the tree may be gone by then.
        QMetaObject::invokeMethod(
            qApp,
            [self, job, names = std::move(names)] {
                if (self) self->merge(job, names);
            },
            Qt::QueuedConnection);
    });
}

void FolderTree::merge(uint64_t job, const std::vector<std::string>& names) {
    const auto found = m_jobs.find(job);
    if (found == m_jobs.end()) return;
    const QPersistentModelIndex where = found->second;
    m_jobs.erase(found);
    QStandardItem* parent = where.isValid() ? itemFromIndex(where) : nullptr;
    if (!parent) return;
    for (const std::string& name : names)
        if (!childNamed(parent, name)) addChild(parent, name);
    parent->sortChildren(0);
    setData(where, 2, ListedRole);
    emit listed(parent->data(PathRole).toByteArray());
}

} // namespace kdx::gui
