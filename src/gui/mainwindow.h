#pragma once

// The main window: two file lists above four pages of controls. Each handler
// reads its controls and calls one operation of the core; the result goes
// back into the lists and into one closing message.

#include <QMainWindow>
#include <QPointer>
#include <memory>
#include <string>
#include <vector>

#include "core/adding/merge.h"
#include "core/common/report.h"
#include "core/journal/journal.h"
#include "core/lists/file_entry.h"
#include "core/timeops/writer.h"
#include "gui/mainform.h"
#include <optional>
#include <string_view>

namespace kdx::gui {

class TAddFilefrm;
class TfrmScanning;

// The form (controls, captions, places) is a private base: what the window
// does is here, how it looks is in MainForm, and the controls are reached
// from outside only by their object names, as a user finds them by caption.
class TfrmMain : public QMainWindow, private MainForm {
    Q_OBJECT
public:
    explicit TfrmMain(QWidget* parent = nullptr);
    ~TfrmMain() override;

    // The secondary windows live as long as the main window.
    TAddFilefrm* addFilesDialog() const { return m_addFiles; }
    TfrmScanning* progressWindow() const { return m_scanning; }

    bool compareMode() const { return m_compareMode; }
    int savedClientWidth() const { return m_savedClientWidth; }

    // Layout rule run at creation and on every page change.
    void ArrangeForPage();
    // What a click on a row shows: its times in the controls of the page.
    void ShowRowTimes(FileListView* list);
    // The file-name settings of page "设置时间".
    NameTimeOptions nameTimeOptions() const;

    // Appends one row per path, each read from the file system, with the
    // progress window for large batches; the window keeps repainting.
    void AddPathsToList(FileListView* list, const std::vector<std::string>& paths);
    // Adds candidate paths the way the add-files dialog's OK does: without
    // those already in the list or repeated, sorted.
    void AddCandidates(FileListView* list, std::vector<std::string> candidates);
    // The list a drop landed on, with the dropped names.
    void DropPaths(FileListView* list, const QList<QByteArray>& names);
    // The arguments the program was started with (from the file manager's
    // "open with"), added to list A as a drop would add them once the
    // window's event loop runs (see CommandLinePaths).
    void openPaths(const QList<QByteArray>& args);

    // The two shared path lists of adding; emptied by "移除全部".
    PathSet ExistingPaths;
    std::vector<std::string> PendingPaths;

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void wireToolBars();
    void wireCopyMenu();
    void wireListMenu();
    void wireHandlers();
    void FormCreate();
    void FormResize();
    void setLeftPaneWidth(int width);
    void setClientWidth(int width);
    void applyCreationTimeRule();

    // Handlers, named after control and event.
    void tbAddClick(FileListView* list);
    void rbDefineTimeClick();
    void rbAllToTimeClick();
    void rgTimeClick();
    void bSetSelect1Click();
    void bSetAll1Click();
    void SetTimes(bool allRows);
    void ShiftTimes(bool allRows);
    void btGetFileNameTimeClick();
    void btGetPhotoTimeClick();
    void btRenameWeiXinFileClick();
    void SyncPairs(bool sync, bool allRows);
    void sbCompareClick();
    void sbCompare2Click();
    void bSrcClick();
    void bDstClick();
    void bSyncDirClick();
    void SaveSnapshot(FileListView* list);
    void LoadSnapshot(FileListView* list);
    void bExchangeClick();
    void ReplaceInNames(FileListView* list);
    void CopyListToClipboard(FileListView* list);
    void MICopyClick();
    void MIPasterClick();
    void setAllRowsFrom(int row);
    void MIAllToNowClick();
    int pickerRowOf(const QObject* control) const;
    // The undo journal of a command about to write; none, after telling the
    // user why, when it cannot be written (the command must then not run).
    std::unique_ptr<Journal> beginJournal(const QString& command);
    // "撤销": takes back the last command that changed files, after asking.
    void UndoLast();
    // Runs a command's closing message, or nothing when it did not run;
    // with why its journal (null when it kept none) could not be written.
    void showClosing(const std::optional<FailureList>& failures, std::string_view done, std::string_view failedHeader,
                     const Journal* journal);

public:
    // The program-wide time clipboard of the picker menu.
    QString CopiedTime;

    // A long command runs: other commands wait, the lists are locked.
    bool busy() const { return m_busy > 0; }
    void beginBusy();
    void endBusy();
    // The three kind boxes of a page as time kinds.
    TimeKinds kindsOf(QCheckBox* creation, QCheckBox* lastWrite, QCheckBox* lastAccess) const;

private:
    TSysImageList* m_icons = nullptr;
    TAddFilefrm* m_addFiles = nullptr;
    TfrmScanning* m_scanning = nullptr;
    bool m_compareMode = false;
    int m_savedClientWidth = 0;
    int m_busy = 0;
    bool m_cancelRequested = false;    // the user closed the window during a long command
    QPointer<QWidget> m_copyMenuOwner; // the control popMenuCopy was opened on
    QPointer<FileListView> m_listMenuOwner;
};

// The program's arguments after its name, once QApplication has taken its
// own: on POSIX the bytes as given, on Windows the UTF-16 command line in
// UTF-8 (the ANSI argv cannot hold every name).
QList<QByteArray> CommandLineArguments(int argc, char* argv[]);

// The paths the arguments name, as the file system spells them: a path as
// given, a relative one taken from the current folder, a "file:" URL as its
// local path. Empty arguments, and "file:" URLs that name no local path,
// are left out.
QList<QByteArray> CommandLinePaths(const QList<QByteArray>& args);

// Whether the sync page has ever been arranged in this process.
bool SyncLayoutShown();

} // namespace kdx::gui
