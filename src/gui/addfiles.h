#pragma once

// The add-files dialog: pick a folder, then files in it or the whole tree.
// One long-lived instance, so its folder, filter and check boxes keep their
// values from one opening to the next.

#include <QDialog>
#include <atomic>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/adding/scanner.h"
#include "gui/addfilesform.h"

class QTimer;

namespace kdx::gui {

class TSysImageList;
class FolderTree;

// The form is a private base, as the main window's is: the controls are
// reached from outside only by their object names.
class TAddFilefrm : public QDialog, private AddFilesForm {
    Q_OBJECT
public:
    explicit TAddFilefrm(QWidget* owner);

    // The folder the folder list is on (as the list holds it), as text, and
    // as the file system spells it.
    QString currentFolder() const;
    const std::string& currentFolderPath() const { return m_folder; }
    // Moves the folder list (and with it the file list) to folder.
    void setCurrentFolder(const QString& folder);
    // The mask list the file list follows ("*.jpg;*.png;").
    QString fileMask() const { return m_mask; }
    // The filter as typed ("*.jpg;*.png", blank for every file); drops
    // follow it too.
    QString filterText() const;
    // The paths chosen by the last OK (empty after Cancel).
    std::vector<std::string> takeCandidates() { return std::move(m_candidates); }
    // The check boxes as scanner flags (also used for drops).
    ScanFlags scanFlags() const;

    // Brings the dialog up to date before it is shown: the drives mounted
    // now, the files of its folder as they are now, OK the default button.
    void prepareOpening();
    // Where the drive chooser's roots come from (the mounted volumes and the
    // drive letters unless replaced).
    void setDriveSource(std::function<QStringList()> source);

    void SelectAllClick();
    void SelectNoneClick();
    void InverseSelectClick();
    void OkClick();
    // Cancel, Escape or closing the dialog: during a tree scan this stops the
    // scan and the dialog ends once it has, with nothing chosen.
    void reject() override;

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
    void showDriveOf(const std::string& path);
    // Moves the folder list, the drive chooser and the file list to an
    // existing folder, as the file system spells it.
    void moveTo(std::string folder);
    // The folder typed into edDir, if it names one.
    std::optional<std::string> typedFolder() const;
    // Makes the folder in edDir the folder OK uses; false (and edDir shows
    // the current folder again) when it names no folder.
    bool followTypedFolder();

    FolderTree* m_folders = nullptr;
    QTimer* m_dirPause = nullptr;
    TSysImageList* m_icons = nullptr;
    std::string m_folder;
    QString m_mask = QStringLiteral("*.*");
    std::function<QStringList()> m_drives;
    std::vector<std::string> m_candidates;
    bool m_moving = false;
    bool m_scanning = false;
    std::atomic<bool> m_stopScan{false};
};

} // namespace kdx::gui
