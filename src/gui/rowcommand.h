#pragma once

// Running a command over the rows of one or both lists: the work runs on
// copies off the window's thread (the window keeps painting, the lists are
// locked), the copies go back into the lists afterwards, and a progress
// window shows for long walks.

#include <QString>
#include <atomic>
#include <functional>
#include <vector>

#include "core/common/report.h"
#include "core/lists/file_entry.h"

class QTimer;

namespace kdx::gui {

class TfrmMain;
class FileListView;

class RowCommand {
public:
    // Works on whole lists (pairing needs every row of both).
    RowCommand(TfrmMain& window, std::vector<FileListView*> lists, QString progressCaption);
    // Works on the rows `which` of one list only: the copy holds just those,
    // and the command is handed localWhich() instead of which.
    RowCommand(TfrmMain& window, FileListView* list, std::vector<size_t> which, QString progressCaption);
    ~RowCommand();
    RowCommand(const RowCommand&) = delete;
    RowCommand& operator=(const RowCommand&) = delete;

    // The working copy of a list's rows.
    std::vector<FileEntry>& rows(const FileListView* list);
    // The rows to work on within the copy of a one-list command: 0, 1, 2...
    const std::vector<size_t>& localWhich() const { return m_localWhich; }
    // Safe to call from the working thread.
    ProgressFn progress();
    // Runs work; the copies go back into their lists when it ends.
    void run(const std::function<void()>& work);

private:
    void showProgress();

    TfrmMain& m_window;
    std::vector<FileListView*> m_lists;
    std::vector<std::vector<FileEntry>> m_rows;
    QString m_caption;
    // One-list commands: the rows copied, and their places in the copy.
    bool m_partial = false;
    std::vector<size_t> m_which, m_localWhich;
    std::atomic<size_t> m_done{0}, m_total{0};
    bool m_progressShown = false;
};

} // namespace kdx::gui
