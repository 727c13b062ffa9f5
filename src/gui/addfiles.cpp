#include "gui/addfiles.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStorageInfo>
#include <QTimer>
#include <QTreeView>
#include <algorithm>
#include <set>

#include "core/adding/filters.h"
#include "core/adding/merge.h"
#include "core/common/text.h"
#include "core/lists/file_entry.h"
#include "gui/background.h"
#include "gui/foldertree.h"
#include "gui/sysimagelist.h"
#include "platform/platform.h"

namespace kdx::gui {

namespace {

std::string Utf8(const QString& s) {
    return s.toStdString();
}

// The roots of the mounted volumes and the drive letters, sorted.
QStringList MountedDrives() {
    QStringList roots;
#ifndef Q_OS_WIN
    for (const QStorageInfo& v : QStorageInfo::mountedVolumes())
        if (v.isValid() && v.isReady()) roots << QDir::toNativeSeparators(v.rootPath());
#endif
    // Drive letters from the system's list alone: asking a drive whether it
    // is ready can wait seconds on an empty reader or a lost network share.
    for (const QFileInfo& d : QDir::drives())
        roots << QDir::toNativeSeparators(d.absoluteFilePath());
    roots.removeDuplicates();
    roots.sort();
    return roots;
}

} // namespace

TAddFilefrm::TAddFilefrm(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint) {
    setupForm(this);
    m_icons = new TSysImageList(this);
    // Folders only, read by name: no file is opened (which would move the
    // access times this program shows), and names need not be UTF-8.
    m_folders = new FolderTree(this);
    DirList->setModel(m_folders);

    m_drives = MountedDrives;
    fillDrives();
    connect(SelectAll, &QPushButton::clicked, this, &TAddFilefrm::SelectAllClick);
    connect(SelectNone, &QPushButton::clicked, this, &TAddFilefrm::SelectNoneClick);
    connect(InverseSelect, &QPushButton::clicked, this, &TAddFilefrm::InverseSelectClick);
    connect(cbAutoSelAll, &QCheckBox::clicked, this, &TAddFilefrm::cbAutoSelAllClick);
    connect(Ok, &QPushButton::clicked, this, &TAddFilefrm::OkClick);
    connect(Cancle, &QPushButton::clicked, this, &QDialog::reject);
    connect(edFilter, &QLineEdit::textEdited, this, &TAddFilefrm::edFilterChange);
    // The typed folder is looked up once typing pauses or on Enter, not on
    // every key: on a network path each look can take seconds.
    m_dirPause = new QTimer(this);
    m_dirPause->setSingleShot(true);
    m_dirPause->setInterval(400);
    connect(m_dirPause, &QTimer::timeout, this, &TAddFilefrm::edDirChange);
    connect(edDir, &QLineEdit::textEdited, m_dirPause, qOverload<>(&QTimer::start));
    connect(edDir, &QLineEdit::returnPressed, this, [this] {
        m_dirPause->stop();
        edDirChange();
    });
    connect(DriveComboBox1, &QComboBox::activated, this, &TAddFilefrm::DriveComboBox1Change);
    connect(DirList->selectionModel(), &QItemSelectionModel::currentChanged, this, [this](const QModelIndex& i) {
        if (!m_moving && i.isValid()) moveTo(m_folders->pathOf(i));
    });

    setCurrentFolder(QDir::currentPath());
}

void TAddFilefrm::fillDrives() {
    DriveComboBox1->clear();
    DriveComboBox1->addItems(m_drives());
    showDriveOf(m_folder);
}

void TAddFilefrm::setDriveSource(std::function<QStringList()> source) {
    m_drives = std::move(source);
}

void TAddFilefrm::prepareOpening() {
    fillDrives();
    rereadFileList();
    Ok->setDefault(true);
    if (sys().folderExists(m_folder)) edDir->setText(currentFolder());
}

ScanFlags TAddFilefrm::scanFlags() const {
    return ScanFlags{cbSubDir->isChecked(), cbDirInclude->isChecked(), cbOnlyDir->isChecked()};
}

QString TAddFilefrm::filterText() const {
    return edFilter->text();
}

QString TAddFilefrm::currentFolder() const {
    return DisplayName(m_folder);
}

namespace {
// The path without separators at its end, a root keeping its own.
std::string WithoutTrailingSeparators(std::string path) {
    const char sep = sys().separator();
    while (path.size() > 1 && path.back() == sep && path[path.size() - 2] != ':')
        path.pop_back();
    return path;
}
} // namespace

void TAddFilefrm::setCurrentFolder(const QString& folder) {
    moveTo(AbsolutePath(Utf8(QDir::toNativeSeparators(folder))));
}

void TAddFilefrm::moveTo(std::string folder) {
    folder = WithoutTrailingSeparators(std::move(folder));
    if (!sys().folderExists(folder)) return;
    m_folder = folder;
    showDriveOf(m_folder);
    // The tree starts at the drive that holds the folder.
    const int drive = DriveComboBox1->currentIndex();
    std::string root = drive >= 0 ? Utf8(DriveComboBox1->itemText(drive)) : std::string();
    if (root.empty() || m_folder.compare(0, root.size(), root) != 0)
        root = m_folder.substr(0, m_folder.find(sys().separator()) + 1);
    m_moving = true;
    m_folders->setRoot(root);
    const QModelIndex index = m_folders->reveal(m_folder);
    if (index.isValid()) {
        for (QModelIndex up = index.parent(); up.isValid(); up = up.parent())
            DirList->expand(up);
        DirList->setCurrentIndex(index);
        DirList->expand(index);
        DirList->scrollTo(index);
    }
    m_moving = false;
    rereadFileList();
    DirListChange();
}

// The drive chooser shows the volume that holds the folder.
void TAddFilefrm::showDriveOf(const std::string& path) {
    const QString text = DisplayName(path);
    int best = -1, bestLength = -1;
    for (int i = 0; i < DriveComboBox1->count(); ++i) {
        const QString root = DriveComboBox1->itemText(i);
        if (text.startsWith(root, sys().pathsIgnoreCase() ? Qt::CaseInsensitive : Qt::CaseSensitive) &&
            root.size() > bestLength) {
            best = i;
            bestLength = static_cast<int>(root.size());
        }
    }
    if (best >= 0) DriveComboBox1->setCurrentIndex(best);
}

void TAddFilefrm::rereadFileList() {
    FileList->clear();
    if (m_folder.empty()) return;
    const std::string& folder = m_folder;
    std::vector<DirEntry> entries;
    std::set<std::string> seen;
    const QStringList masks = m_mask.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (const QString& mask : masks) {
        entries.clear();
        if (!sys().listDirectory(folder, Utf8(mask), false, entries)) break;
        for (const DirEntry& e : entries)
            if (!(e.attributes & attr::Directory)) seen.insert(e.name);
    }
    for (const std::string& n : seen) {
        auto* item = new QListWidgetItem(m_icons->icon(m_icons->FileIconIndex(n)), QString::fromStdString(n));
        // The name as the file system spells it: not every name is UTF-8.
        item->setData(Qt::UserRole, QByteArray::fromStdString(n));
        FileList->addItem(item);
    }
}

void TAddFilefrm::setFileMask(const QString& mask) {
    if (mask == m_mask) return;
    m_mask = mask;
    rereadFileList();
}

void TAddFilefrm::SelectAllClick() {
    FileList->selectAll();
}

void TAddFilefrm::SelectNoneClick() {
    FileList->clearSelection();
}

void TAddFilefrm::InverseSelectClick() {
    FileList->setUpdatesEnabled(false);
    QItemSelection flip(FileList->model()->index(0, 0), FileList->model()->index(FileList->count() - 1, 0));
    if (FileList->count() > 0) FileList->selectionModel()->select(flip, QItemSelectionModel::Toggle);
    FileList->setUpdatesEnabled(true);
}

void TAddFilefrm::cbAutoSelAllClick() {
    if (cbAutoSelAll->isChecked()) FileList->selectAll();
}

void TAddFilefrm::DirListChange() {
    if (cbAutoSelAll->isChecked()) FileList->selectAll();
    edDir->setText(DisplayName(AddTrailingBackslash(m_folder)));
}

std::optional<std::string> TAddFilefrm::typedFolder() const {
    const QString text = edDir->text().trimmed();
    if (text.isEmpty()) return std::nullopt;
    const std::string path = WithoutTrailingSeparators(AbsolutePath(Utf8(QDir::toNativeSeparators(text))));
    if (sys().folderExists(path)) return path;
    // A name that is not UTF-8 is shown with stand-in characters; typed
    // back that way, it still leads to its folder when no other name reads
    // the same.
    const char sep = sys().separator();
    const size_t rootEnd = path.find(sep);
    if (rootEnd == std::string::npos) return std::nullopt;
    std::string at = path.substr(0, rootEnd + 1);
    for (size_t from = rootEnd + 1; from < path.size();) {
        size_t end = path.find(sep, from);
        if (end == std::string::npos) end = path.size();
        const std::string name = path.substr(from, end - from);
        from = end + 1;
        if (name.empty()) continue;
        if (sys().folderExists(JoinPath(at, name))) {
            at = JoinPath(at, name);
            continue;
        }
        std::vector<DirEntry> entries;
        if (!sys().listDirectory(at, "*", false, entries)) return std::nullopt;
        const QString shown = DisplayName(name);
        std::optional<std::string> match;
        for (const DirEntry& e : entries) {
            if (!(e.attributes & attr::Directory) || DisplayName(e.name) != shown) continue;
            if (match) return std::nullopt; // two folders read the same
            match = JoinPath(at, e.name);
        }
        if (!match) return std::nullopt;
        at = *match;
    }
    return at;
}

void TAddFilefrm::edDirChange() {
    const std::optional<std::string> folder = typedFolder();
    if (!folder) return;
    const QString text = edDir->text();
    const int cursor = edDir->cursorPosition();
    moveTo(*folder);
    // Typing goes on where it was.
    edDir->setText(text);
    edDir->setCursorPosition(cursor);
}

void TAddFilefrm::DriveComboBox1Change() {
    setCurrentFolder(DriveComboBox1->currentText());
    DirList->setFocus();
}

void TAddFilefrm::FiltercbChange() {
    if (cbAutoSelAll->isChecked()) FileList->selectAll();
}

void TAddFilefrm::edFilterChange() {
    std::string masks, pairs;
    SplitFilters(Trim(Utf8(edFilter->text())), masks, pairs);
    // A blank filter changes nothing: the file list keeps its mask.
    if (!masks.empty()) setFileMask(QString::fromStdString(masks));
    const QString filter = QString::fromStdString(pairs);
    if (!pairs.empty() && Filtercb->itemText(0).compare(filter, Qt::CaseInsensitive) != 0) {
        Filtercb->setItemText(0, filter);
        FiltercbChange();
    }
    if (cbAutoSelAll->isChecked()) FileList->selectAll();
}

bool TAddFilefrm::followTypedFolder() {
    m_dirPause->stop();
    if (const std::optional<std::string> typed = typedFolder()) {
        if (*typed != m_folder) moveTo(*typed);
        return true;
    }
    edDir->setText(DisplayName(AddTrailingBackslash(m_folder)));
    edDir->setFocus();
    edDir->selectAll();
    return false;
}

void TAddFilefrm::OkClick() {
    if (!Ok->isEnabled()) return;
    // OK takes the folder edDir shows; a typed name that is no folder is
    // replaced by the folder in use, and the dialog stays open.
    if (!followTypedFolder()) return;
    const std::string folder = AddTrailingBackslash(m_folder);
    std::vector<std::string> candidates;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    if (cbSubDir->isChecked()) {
        // A large tree takes a while to walk; the window keeps painting.
        Ok->setEnabled(false);
        ScanFlags flags = scanFlags();
        flags.subFolders = true;
        m_stopScan = false;
        flags.stop = &m_stopScan;
        const std::string mask = Utf8(m_mask);
        m_scanning = true;
        RunWhileResponsive([&] { ScanDirectory(folder, mask, candidates, flags); });
        m_scanning = false;
        Ok->setEnabled(true);
        if (m_stopScan) {
            // Cancelled while scanning: a part of the tree is no choice at all.
            m_candidates.clear();
            QApplication::restoreOverrideCursor();
            QDialog::reject();
            return;
        }
    } else {
        if (cbDirInclude->isChecked()) candidates.push_back(folder);
        if (!cbOnlyDir->isChecked())
            for (int i = 0; i < FileList->count(); ++i)
                if (FileList->item(i)->isSelected())
                    candidates.push_back(folder + FileList->item(i)->data(Qt::UserRole).toByteArray().toStdString());
    }
    m_candidates = std::move(candidates);
    QApplication::restoreOverrideCursor();
    accept();
}

void TAddFilefrm::reject() {
    if (m_scanning) {
        // The dialog stays (and so stays modal) until the scan has stopped;
        // OkClick then ends it as cancelled.
        m_stopScan = true;
        return;
    }
    m_candidates.clear();
    QDialog::reject();
}

} // namespace kdx::gui
