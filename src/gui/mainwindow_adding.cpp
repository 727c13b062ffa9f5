// Adding paths to a list: the add-files dialog, drops from the desktop, the
// paths the program was started with, and the list filling with its progress
// window.

#include <QApplication>
#include <QDir>
#include <QTimer>
#include <QUrl>
#include <atomic>
#include <climits>
#include <deque>
#include <mutex>
#include <thread>

#include "core/adding/read_entries.h"
#include "core/common/progress.h"
#include "core/common/text.h"
#include "gui/addfiles.h"
#include "gui/background.h"
#include "gui/filelistview.h"
#include "gui/mainwindow.h"
#include "gui/progress.h"
#include "platform/console.h"
#include "platform/platform.h"

namespace kdx::gui {

namespace {

void CollectListPaths(const FileListView* list, PathSet& target) {
    for (const FileEntry& e : list->rowsModel()->rows())
        target.insert(e.Name);
}

unsigned ReadingJobs() {
    return std::max(1u, std::thread::hardware_concurrency());
}

} // namespace

void TfrmMain::tbAddClick(FileListView* list) {
    ExistingPaths.clear();
    PendingPaths.clear();
    CollectListPaths(list, ExistingPaths);
    m_addFiles->prepareOpening();
    m_addFiles->SelectAllClick();
    // The dialog's tree scan lets events through: nothing else may touch the
    // lists or the path lists until it is over.
    beginBusy();
    const bool accepted = m_addFiles->exec() == QDialog::Accepted;
    endBusy();
    if (accepted) {
        PendingPaths = MergeNewPaths(ExistingPaths, m_addFiles->takeCandidates());
        ExistingPaths.clear();
    }
    repaint();
    AddPathsToList(list, PendingPaths);
    PendingPaths.clear();
}

void TfrmMain::AddCandidates(FileListView* list, std::vector<std::string> candidates) {
    ExistingPaths.clear();
    CollectListPaths(list, ExistingPaths);
    PendingPaths = MergeNewPaths(ExistingPaths, std::move(candidates));
    ExistingPaths.clear();
    AddPathsToList(list, PendingPaths);
    PendingPaths.clear();
}

void TfrmMain::DropPaths(FileListView* list, const QList<QByteArray>& names) {
    if (names.isEmpty() || busy()) return;
    std::vector<std::string> dropped;
    dropped.reserve(static_cast<size_t>(names.size()));
    for (const QByteArray& n : names)
        dropped.push_back(n.toStdString());
    const std::string filter = m_addFiles->filterText().toStdString();
    const ScanFlags flags = m_addFiles->scanFlags();
    ExistingPaths.clear();
    CollectListPaths(list, ExistingPaths);
    beginBusy();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    // Dropped folders are scanned off the window's thread.
    RunWhileResponsive([&] { PendingPaths = DroppedPathsToAdd(dropped, filter, flags, ExistingPaths); });
    QApplication::restoreOverrideCursor();
    endBusy();
    ExistingPaths.clear();
    AddPathsToList(list, PendingPaths);
    PendingPaths.clear();
}

void TfrmMain::openPaths(const QList<QByteArray>& args) {
    const QList<QByteArray> names = CommandLinePaths(args);
    if (names.isEmpty()) return;
    QTimer::singleShot(0, this, [this, names] { DropPaths(lv1, names); });
}

QList<QByteArray> CommandLinePaths(const QList<QByteArray>& args) {
    QList<QByteArray> names;
    for (QByteArray arg : args) {
        if (arg.isEmpty()) continue;
        // No Windows name holds a quote: "D:\" (a drive opened with the
        // program) reaches it as D:" and is taken as meant; a quote inside
        // has joined the arguments after it, which name nothing.
        if (sys().separator() == '\\' && arg.contains('"')) {
            if (arg.indexOf('"') != arg.size() - 1) continue;
            arg.back() = '\\';
        }
        if (arg.startsWith("file:")) {
            QByteArray path = LocalPathOf(QUrl::fromEncoded(arg));
            if (!path.isEmpty()) names.push_back(std::move(path));
        } else {
            names.push_back(QByteArray::fromStdString(AbsolutePath(arg.toStdString())));
        }
    }
    return names;
}

QList<QByteArray> CommandLineArguments(int argc, char* argv[]) {
    // On Windows from the wide command line, a lone surrogate of a name kept
    // (Qt's own conversion makes it a "?", which is no name at all). That
    // line still holds the options Qt took for itself ("-style ..."); then
    // Qt's list, which has none of them, is used.
    QList<QByteArray> args;
    std::vector<std::string> wide = console::Arguments(argc, argv);
    if (wide.size() == static_cast<size_t>(std::max(argc - 1, 0))) {
        for (std::string& arg : wide)
            args.push_back(QByteArray::fromStdString(arg));
        return args;
    }
    const QStringList all = QCoreApplication::arguments();
    for (qsizetype i = 1; i < all.size(); ++i)
        args.push_back(all[i].toUtf8());
    return args;
}

void TfrmMain::AddPathsToList(FileListView* list, const std::vector<std::string>& paths) {
    if (paths.empty()) return;
    const size_t n = paths.size();
    beginBusy();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool showProgress = ShowsProgressWindow(n);
    const size_t step = ProgressStep(n);
    size_t shown = 0; // the bar's position
    const auto showUpTo = [&](size_t appended) {
        // The update before row i, for every multiple i of the step passed.
        const size_t position = std::min(appended, n - 1) / step * step + 1;
        if (position == shown) return;
        shown = position;
        m_scanning->update(position);
    };
    if (showProgress) {
        // The window's own caption, with the percentage.
        m_scanning->begin(n, m_scanning->windowTitle());
        showUpTo(0);
    }
    FileListModel* model = list->rowsModel();
    const auto firstSeqNo = static_cast<int32_t>(model->rows().size() + 1);
    const NameTimeOptions options = nameTimeOptions();
    // The rows are read on other threads and handed to this one a batch at a
    // time, one progress step per batch: the window goes on painting and
    // answering while a slow disk takes its time.
    std::mutex handOver;
    std::deque<std::vector<FileEntry>> ready;
    std::atomic<bool> stop{false};
    size_t appended = 0;
    QObject receiver; // queued hand-overs die with it
    const auto appendOne = [&] {
        std::vector<FileEntry> rows;
        {
            const std::lock_guard<std::mutex> hold(handOver);
            if (ready.empty()) return;
            rows = std::move(ready.front());
            ready.pop_front();
        }
        appended += rows.size();
        model->appendRows(std::move(rows));
        if (showProgress) showUpTo(appended);
        if (m_cancelRequested) stop = true;
    };
    RunWhileResponsive([&] {
        ReadEntriesInBatches(
            paths, options, firstSeqNo, ReadingJobs(), showProgress ? step : DefaultEntryBatch,
            [&](std::span<FileEntry> batch, size_t) {
                {
                    const std::lock_guard<std::mutex> hold(handOver);
                    ready.emplace_back(std::make_move_iterator(batch.begin()), std::make_move_iterator(batch.end()));
                }
                QMetaObject::invokeMethod(&receiver, appendOne, Qt::QueuedConnection);
                return !stop.load();
            },
            &stop);
    });
    while (!ready.empty())
        appendOne();
    if (showProgress) m_scanning->end();
    QApplication::restoreOverrideCursor();
    endBusy();
}

} // namespace kdx::gui
