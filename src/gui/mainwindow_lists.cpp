// Whole-list commands: snapshots, exchange, replace, copy; and the folder
// sync of page "时间同步".

#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QLineEdit>

#include "core/common/text.h"
#include "core/lists/list_text.h"
#include "core/lists/snapshot.h"
#include "core/sync/dirsync.h"
#include "gui/dialogs.h"
#include "gui/filelistview.h"
#include "gui/mainwindow.h"
#include "gui/messages.h"
#include "gui/rowcommand.h"

namespace kdx::gui {

void TfrmMain::SaveSnapshot(FileListView* list) {
    const QString path = ChooseSnapshotToSave();
    if (path.isEmpty()) return;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const Status saved = kdx::SaveSnapshot(QDir::toNativeSeparators(path).toStdString(), list->rowsModel()->rows(),
                                           list->selectionFlags(), true); // the dialog asked before replacing
    QGuiApplication::restoreOverrideCursor();
    if (!saved) ShowError(QString::fromStdString(saved.error().reason));
}

void TfrmMain::LoadSnapshot(FileListView* list) {
    const QString path = ChooseSnapshotToOpen();
    if (path.isEmpty()) return;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    Result<Snapshot> loaded = kdx::LoadSnapshot(QDir::toNativeSeparators(path).toStdString());
    QGuiApplication::restoreOverrideCursor();
    if (!loaded) {
        // The list on screen stays as it was.
        ShowError(QString::fromStdString(loaded.error().reason));
        return;
    }
    list->rowsModel()->setRows(std::move(loaded->rows));
    list->setSelectionFlags(loaded->selected);
}

void TfrmMain::bExchangeClick() {
    std::vector<FileEntry> rowsA = lv1->rowsModel()->rows(), rowsB = lv2->rowsModel()->rows();
    std::vector<bool> selA = lv1->selectionFlags(), selB = lv2->selectionFlags();
    ExchangeLists(rowsA, selA, rowsB, selB);
    lv1->rowsModel()->setRows(std::move(rowsA));
    lv1->setSelectionFlags(selA);
    lv2->rowsModel()->setRows(std::move(rowsB));
    lv2->setSelectionFlags(selB);
}

void TfrmMain::ReplaceInNames(FileListView* list) {
    if (list->rowCount() == 0) return;
    FileListModel* model = list->rowsModel();
    kdx::ReplaceInNames(model->editRows(), edPath1->text().toStdString(), edPath2->text().toStdString());
    model->allRowsChanged();
}

void TfrmMain::CopyListToClipboard(FileListView* list) {
    if (list->rowCount() == 0) return;
    QGuiApplication::clipboard()->setText(QString::fromStdString(CopyListText(list->rowsModel()->rows())));
}

void TfrmMain::bSrcClick() {
    const QString folder = BrowseForFolder(QStringLiteral("浏览文件夹"));
    if (!folder.isEmpty())
        eSrc->setText(QString::fromStdString(AddTrailingBackslash(QDir::toNativeSeparators(folder).toStdString())));
}

void TfrmMain::bDstClick() {
    const QString folder = BrowseForFolder(QStringLiteral("浏览文件夹"));
    if (!folder.isEmpty())
        eDst->setText(QString::fromStdString(AddTrailingBackslash(QDir::toNativeSeparators(folder).toStdString())));
}

void TfrmMain::bSyncDirClick() {
    const std::string source = eSrc->text().toStdString();
    const std::string target = eDst->text().toStdString();
    const std::string filter = edFilter->text().toStdString();
    ScanFlags flags{cbSubDir->isChecked(), cbDirInclude->isChecked(), cbOnlyDir->isChecked()};
    // A folder that could not be searched (a share that dropped, a card
    // pulled) leaves its entries out: it is listed among the failures.
    FailureList unsearched;
    const std::function<void(std::string_view, std::string_view)> notSearched =
        [&](std::string_view folder, std::string_view) { unsearched.add(std::string(folder)); };
    flags.onUnsearchable = &notSearched;
    const TimeKinds kinds = kindsOf(cbCreate3, cbWrite3, cbAccess3);
    if (const Status allowed = CheckSyncFolders(source, target); !allowed) {
        ShowInfo(QString::fromStdString(allowed.error().reason));
        return;
    }
    const std::unique_ptr<Journal> journal = beginJournal(QStringLiteral("同步目录"));
    if (!journal) return;
    WriteHooks hooks;
    hooks.journal = journal.get();
    Result<FailureList> result = FailureList{};
    RowCommand command(*this, {}, QStringLiteral("正在同步目录，请稍候..."));
    const ProgressFn progress = command.progress();
    command.run([&] { result = SyncDirectoryTrees(source, target, filter, flags, kinds, hooks, progress); });
    static_cast<void>(journal->finish());
    if (!result) {
        ShowInfo(QString::fromStdString(result.error().reason));
        return;
    }
    for (std::string& folder : unsearched.paths)
        result->add(std::move(folder));
    showClosing(*result, DoneSynced, FailedSynced, journal.get());
}

} // namespace kdx::gui
