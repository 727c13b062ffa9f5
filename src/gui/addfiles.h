#pragma once

// The add-files dialog: pick a folder, then files in it or the whole tree.
// One long-lived instance, so its folder, filter and check boxes keep their
// values from one opening to the next.

#include <QDialog>
#include <atomic>
#include <string>
#include <vector>

#include "core/adding/scanner.h"

class QCheckBox;
class QComboBox;
class QFileSystemModel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTimer;
class QTreeView;

namespace kdx::gui {

class TSysImageList;

class TAddFilefrm : public QDialog {
    Q_OBJECT
public:
    explicit TAddFilefrm(QWidget* owner);

    // The folder the folder list is on (as the list holds it).
    QString currentFolder() const { return m_folder; }
    // Moves the folder list (and with it the file list) to folder.
    void setCurrentFolder(const QString& folder);
    // The mask list the file list follows ("*.jpg;*.png;").
    QString fileMask() const { return m_mask; }
    // The paths chosen by the last OK (empty after Cancel).
    std::vector<std::string> takeCandidates() { return std::move(m_candidates); }
    // The check boxes as scanner flags (also used for drops).
    ScanFlags scanFlags() const;

    void SelectAllClick();
    void SelectNoneClick();
    void InverseSelectClick();
    void OkClick();
    // Cancel, Escape or closing the dialog: during a tree scan this stops the
    // scan and the dialog ends once it has, with nothing chosen.
    void reject() override;

    QLineEdit* edDir = nullptr;
    QComboBox* DriveComboBox1 = nullptr;
    QLineEdit* edFilter = nullptr;
    QComboBox* Filtercb = nullptr;
    QCheckBox* cbAutoSelAll = nullptr;
    QCheckBox* cbDirInclude = nullptr;
    QCheckBox* cbOnlyDir = nullptr;
    QCheckBox* cbSubDir = nullptr;
    QTreeView* DirList = nullptr;
    QListWidget* FileList = nullptr;
    QPushButton *SelectAll = nullptr, *SelectNone = nullptr, *InverseSelect = nullptr;
    QPushButton *Ok = nullptr, *Cancle = nullptr;

private:
    void edFilterChange();
    void edDirChange();
    void DriveComboBox1Change();
    void FiltercbChange();
    void cbAutoSelAllClick();
    void DirListChange();
    void rereadFileList();
    void setFileMask(const QString& mask);
    void fillDrives();

    QFileSystemModel* m_folders = nullptr;
    QTimer* m_dirPause = nullptr;
    TSysImageList* m_icons = nullptr;
    QString m_folder;
    QString m_mask = QStringLiteral("*.*");
    std::vector<std::string> m_candidates;
    bool m_moving = false;
    bool m_scanning = false;
    std::atomic<bool> m_stopScan{false};
};

} // namespace kdx::gui
