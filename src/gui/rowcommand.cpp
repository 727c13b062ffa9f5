#include "gui/rowcommand.h"

#include <QApplication>
#include <QTimer>

#include "core/common/progress.h"
#include "gui/background.h"
#include "gui/filelistview.h"
#include "gui/mainwindow.h"
#include "gui/progress.h"

namespace kdx::gui {

RowCommand::RowCommand(TfrmMain& window, std::vector<FileListView*> lists, QString progressCaption)
    : m_window(window), m_lists(std::move(lists)), m_caption(std::move(progressCaption)) {
    for (FileListView* list : m_lists)
        m_rows.push_back(list->rowsModel()->rows());
}

RowCommand::RowCommand(TfrmMain& window, FileListView* list, std::vector<size_t> which, QString progressCaption)
    : m_window(window), m_lists{list}, m_caption(std::move(progressCaption)), m_partial(true),
      m_which(std::move(which)) {
    const std::vector<FileEntry>& all = list->rowsModel()->rows();
    std::vector<FileEntry>& copy = m_rows.emplace_back();
    copy.reserve(m_which.size());
    for (size_t i : m_which)
        copy.push_back(all[i]);
    m_localWhich.resize(m_which.size());
    for (size_t i = 0; i < m_localWhich.size(); ++i)
        m_localWhich[i] = i;
}

RowCommand::~RowCommand() = default;

std::vector<FileEntry>& RowCommand::rows(const FileListView* list) {
    for (size_t i = 0; i < m_lists.size(); ++i)
        if (m_lists[i] == list) return m_rows[i];
    return m_rows.front();
}

ProgressFn RowCommand::progress() {
    return [this](size_t done, size_t total) {
        m_total.store(total, std::memory_order_relaxed);
        m_done.store(done, std::memory_order_relaxed);
    };
}

void RowCommand::showProgress() {
    const size_t total = m_total.load(std::memory_order_relaxed);
    if (!ShowsProgressWindow(total)) return;
    TfrmScanning* w = m_window.progressWindow();
    if (!m_progressShown) {
        m_progressShown = true;
        w->begin(total, m_caption);
    }
    w->update(m_done.load(std::memory_order_relaxed));
}

void RowCommand::run(const std::function<void()>& work) {
    m_window.beginBusy();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [this] { showProgress(); });
    poll.start(100);
    std::exception_ptr failure;
    try {
        RunWhileResponsive(work);
    } catch (...) {
        failure = std::current_exception();
    }
    poll.stop();
    if (m_progressShown) m_window.progressWindow()->end();
    if (m_partial) {
        // The lists were locked, so the rows are where they were.
        FileListModel* model = m_lists.front()->rowsModel();
        std::vector<FileEntry>& target = model->editRows();
        for (size_t j = 0; j < m_which.size(); ++j)
            target[m_which[j]] = std::move(m_rows.front()[j]);
        model->rowsChanged(m_which);
    } else {
        for (size_t i = 0; i < m_lists.size(); ++i) {
            FileListModel* model = m_lists[i]->rowsModel();
            if (model->rows().size() == m_rows[i].size()) {
                model->editRows() = std::move(m_rows[i]);
                model->allRowsChanged();
            }
        }
    }
    QApplication::restoreOverrideCursor();
    m_window.endBusy();
    if (failure) std::rethrow_exception(failure);
}

} // namespace kdx::gui
