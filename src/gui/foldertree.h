#pragma once

// The folder list of the add-files dialog: the folders of one drive as the
// file system spells their names (bytes on POSIX, which need not be UTF-8),
// each folder's sub-folders listed on another thread when it is first shown
// or opened, so that a slow disk never holds up the window.

#include <QPersistentModelIndex>
#include <QStandardItemModel>
#include <QThreadPool>
#include <map>
#include <string>
#include <vector>

namespace kdx::gui {

class FolderTree : public QStandardItemModel {
    Q_OBJECT
public:
    explicit FolderTree(QObject* parent);
    // Waits for the listings under way: they use the platform layer, which
    // may not outlive the tree (a test's stand-in).
    ~FolderTree() override;

    // The drive (a root folder) the tree starts at; changing it empties the
    // tree.
    void setRoot(const std::string& root);
    const std::string& root() const { return m_root; }
    // The item of folder, which lies under the root, with the items on the
    // way to it; they are there at once, their other sub-folders follow.
    QModelIndex reveal(const std::string& folder);
    // The folder an item stands for.
    std::string pathOf(const QModelIndex& index) const;

    bool hasChildren(const QModelIndex& parent = {}) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

signals:
    // The sub-folders of folder have been listed into the tree.
    void listed(const QByteArray& folder);

private:
    QStandardItem* childNamed(QStandardItem* parent, const std::string& name) const;
    QStandardItem* addChild(QStandardItem* parent, const std::string& name);
    void merge(uint64_t job, const std::vector<std::string>& names);

    std::string m_root;
    uint64_t m_nextJob = 0;
    std::map<uint64_t, QPersistentModelIndex> m_jobs;
    QThreadPool m_listing;
};

// A folder path with a name appended, one separator between them.
std::string JoinPath(const std::string& folder, const std::string& name);
// How a name that need not be UTF-8 is shown: bytes that are not UTF-8
// become stand-in characters.
QString DisplayName(const std::string& name);

} // namespace kdx::gui
