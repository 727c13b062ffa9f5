// The commands of the pages "设置时间", "时间运算" and the pair sync of
// "时间同步": each reads its controls, runs one core operation over the rows
// of the lists, and shows the closing message.

#include <algorithm>
#include <unordered_map>

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QRadioButton>
#include <QTimeEdit>

#include <QDateTime>
#include <QGuiApplication>
#include <QPushButton>
#include <QThread>

#include "core/common/filetime.h"
#include "core/journal/journal.h"
#include "core/sync/pairs.h"
#include "core/timeops/name_commands.h"
#include "core/timeops/set_times.h"
#include "core/timeops/shift.h"
#include "core/timeops/undo.h"
#include "gui/filelistview.h"
#include "gui/mainwindow.h"
#include "gui/messages.h"
#include "gui/rowcommand.h"
#include "gui/spinedit.h"

namespace kdx::gui {

namespace {

DateTime FromPickers(const QDateEdit* date, const QTimeEdit* time) {
    const QDate d = date->date();
    const QTime t = time->time();
    return DateTime::fromFields({d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second(), 0});
}

// The hooks of a command the window runs, recorded in journal.
WriteHooks JournaledHooks(Journal* journal) {
    WriteHooks hooks;
    hooks.journal = journal;
    // The old stamps the journal needs are read ahead on a second core.
    hooks.jobs = static_cast<unsigned>(std::max(1, QThread::idealThreadCount()));
    return hooks;
}

// Rows read again after an undo, renamed entries under their old names.
void RereadRows(std::vector<FileEntry>& rows, const std::vector<std::pair<std::string, std::string>>& renamed,
                const NameTimeOptions& options) {
    const std::unordered_map<std::string, std::string> renamedTo(renamed.begin(), renamed.end());
    for (FileEntry& row : rows) {
        if (const auto to = renamedTo.find(row.Name); to != renamedTo.end()) row.Name = to->second;
        EntryTimes fresh;
        if (ReadFileTimes(row.Name, options, fresh)) AssignTimes(row, std::move(fresh));
    }
}

} // namespace

std::unique_ptr<Journal> TfrmMain::beginJournal(const QString& command) {
    Result<std::unique_ptr<Journal>> begun = Journal::Begin(QStringLiteral("kairodex %1").arg(command).toStdString());
    if (begun) return std::move(*begun);
    ShowError(QString::fromStdString(begun.error().reason) + QStringLiteral("\r\n什么也没有修改。"));
    return nullptr;
}

void TfrmMain::UndoLast() {
    if (busy()) return;
    // The command undo would take back, found off the window's thread: the
    // newest journal files may be large.
    std::vector<std::pair<std::string, std::string>> damaged;
    Result<JournalEntry> last = Failure{};
    {
        RowCommand finding(*this, {}, QString());
        finding.run([&] {
            // A damaged newer record is shown with the question below, and
            // the user decides.
            last = CommandToUndo(
                0, [&damaged](std::string_view file, std::string_view reason) { damaged.emplace_back(file, reason); },
                true);
        });
    }
    QString unreadable;
    for (const auto& [file, reason] : damaged)
        unreadable += QString::fromStdString("\r\n" + file + "\t" + reason);
    if (!last) {
        if (last.error().reason == NothingToUndo)
            ShowInfo(QStringLiteral("没有可以撤销的修改。") + unreadable);
        else
            ShowError(QString::fromStdString(last.error().reason) + unreadable);
        return;
    }
    const QString when =
        QString::fromStdString(FormatTimeText(FileTimeToLocalDateTime(FileTime::fromUnix(last->started, 0))));
    QString question =
        QStringLiteral("撤销“%1”（%2，%3 项）？").arg(QString::fromStdString(last->command), when).arg(last->entries);
    if (!damaged.empty())
        question = QStringLiteral("撤销日志中较新的记录无法读取，最后的命令可能就在其中：") + unreadable +
                   QStringLiteral("\r\n\r\n仍然") + question;
    if (!Confirm(question)) return;
    std::vector<std::pair<std::string, std::string>> renamed;
    UndoOptions options;
    options.observer = [&renamed](std::string_view, TimeKind kind, std::string_view from, std::string_view to, FileTime,
                                  FileTime) {
        if (kind == TimeKind::NotChosen) renamed.emplace_back(from, to);
    };
    // Both lists show what the disk holds afterwards, read off the
    // window's thread like the undo itself.
    RowCommand command(*this, {lv1, lv2}, QStringLiteral("正在撤销修改，请稍候..."));
    options.progress = command.progress();
    const NameTimeOptions nameOptions = nameTimeOptions();
    Result<UndoReport> report = Failure{};
    command.run([&] {
        report = UndoCommand(last->id, options);
        if (!report) return;
        for (FileListView* list : {lv1, lv2})
            RereadRows(command.rows(list), renamed, nameOptions);
    });
    if (!report) {
        ShowError(QString::fromStdString(report.error().reason));
        return;
    }
    QString text = QStringLiteral("撤销完成！");
    if (!report->leftAlone.empty()) {
        text += QStringLiteral("下列文件未恢复：\r\n");
        for (const auto& [path, reason] : report->leftAlone)
            text += QString::fromStdString(path + "\t" + reason + "\r\n");
    }
    ShowInfo(text);
}

TimeKinds TfrmMain::kindsOf(QCheckBox* creation, QCheckBox* lastWrite, QCheckBox* lastAccess) const {
    return TimeKinds::FromChecks(creation->isChecked(), lastWrite->isChecked(), lastAccess->isChecked());
}

void TfrmMain::showClosing(const std::optional<FailureList>& failures, std::string_view done,
                           std::string_view failedHeader, const Journal* journal) {
    if (!failures) return;
    std::string text = ClosingMessage(done, failedHeader, *failures);
    // The entries the journal could not record were left unchanged: the
    // list alone would not say why.
    if (journal)
        if (const std::string why = journal->failure(); !why.empty()) text += "无法写入撤销日志：" + why + "\r\n";
    ShowInfo(QString::fromStdString(text));
}

void TfrmMain::bSetSelect1Click() {
    SetTimes(false);
}

void TfrmMain::bSetAll1Click() {
    SetTimes(true);
}

void TfrmMain::SetTimes(bool allRows) {
    const std::vector<size_t> which = lv1->rowsToProcess(allRows);
    if (which.empty()) return;
    const std::unique_ptr<Journal> journal = beginJournal(allRows ? bSetAll1->text() : bSetSelect1->text());
    if (!journal) return;
    const WriteHooks hooks = JournaledHooks(journal.get());
    std::optional<FailureList> failures;
    RowCommand command(*this, lv1, which, QStringLiteral("正在修改时间，请稍候..."));
    std::vector<FileEntry>& rows = command.rows(lv1);
    const std::vector<size_t>& local = command.localWhich();
    if (rbDefineTime->isChecked()) {
        PickerValues values;
        values.creation = {FromPickers(DTP1Date, DTP1Time), cbDate1->isChecked(), cbTime1->isChecked()};
        values.lastWrite = {FromPickers(DTP2Date, DTP2Time), cbDate2->isChecked(), cbTime2->isChecked()};
        values.lastAccess = {FromPickers(DTP3Date, DTP3Time), cbDate3->isChecked(), cbTime3->isChecked()};
        values.kinds = kindsOf(cbCreate1, cbWrite1, cbAccess1);
        values.nameOptions = nameTimeOptions();
        command.run([&] { failures = SetTimesFromPickers(rows, local, values, hooks); });
    } else if (rbAllToTime->isChecked()) {
        SourceOptions options;
        options.kinds = kindsOf(cbCreate1, cbWrite1, cbAccess1);
        options.includePhotoTime = cbIncludePhotoTime->isChecked();
        options.nameOptions = nameTimeOptions();
        const auto source = static_cast<TimeSource>(rgTimeItems->checkedId());
        command.run([&] { failures = SetTimesFromSource(rows, local, source, options, hooks); });
    }
    static_cast<void>(journal->finish());
    showClosing(failures, DoneModified, FailedModified, journal.get());
}

void TfrmMain::ShiftTimes(bool allRows) {
    const std::vector<size_t> which = lv1->rowsToProcess(allRows);
    if (which.empty()) return;
    ShiftAmount amount;
    amount.add = IsAddDirection(cbAdd->currentText().toStdString());
    amount.years = ParseShiftAmount(seYear->text().toStdString());
    amount.months = ParseShiftAmount(seMonth->text().toStdString());
    amount.days = ParseShiftAmount(seDay->text().toStdString());
    const QTime t = seTime->time();
    amount.hours = t.hour();
    amount.minutes = t.minute();
    amount.seconds = t.second();
    const TimeKinds kinds = kindsOf(cbCreate2, cbWrite2, cbAccess2);
    const std::unique_ptr<Journal> journal = beginJournal(QStringLiteral("时间运算"));
    if (!journal) return;
    const WriteHooks hooks = JournaledHooks(journal.get());
    std::optional<FailureList> failures;
    RowCommand command(*this, lv1, which, QStringLiteral("正在修改时间，请稍候..."));
    std::vector<FileEntry>& rows = command.rows(lv1);
    command.run([&] { failures = kdx::ShiftTimes(rows, command.localWhich(), amount, kinds, hooks); });
    static_cast<void>(journal->finish());
    showClosing(failures, DoneModified, FailedModified, journal.get());
}

void TfrmMain::btGetFileNameTimeClick() {
    if (lv1->rowCount() == 0) return;
    const std::vector<size_t> which = lv1->rowsToProcess(true);
    const NameTimeOptions options = nameTimeOptions();
    RowCommand command(*this, lv1, which, QString());
    std::vector<FileEntry>& rows = command.rows(lv1);
    command.run([&] { FillPhotoTimesFromNames(rows, command.localWhich(), options); });
}

void TfrmMain::btGetPhotoTimeClick() {
    if (lv1->rowCount() == 0) return;
    const std::vector<size_t> which = lv1->rowsToProcess(true);
    RowCommand command(*this, lv1, which, QStringLiteral("正在读取拍摄时间，请稍候..."));
    std::vector<FileEntry>& rows = command.rows(lv1);
    const ProgressFn progress = command.progress();
    command.run([&] { RefreshPhotoTimes(rows, command.localWhich(), progress); });
}

void TfrmMain::btRenameWeiXinFileClick() {
    if (lv1->rowCount() == 0) return;
    const std::vector<size_t> which = lv1->rowsToProcess(true);
    const NameTimeOptions options = nameTimeOptions();
    const std::unique_ptr<Journal> journal = beginJournal(btRenameWeiXinFile->text());
    if (!journal) return;
    RenameHooks hooks;
    hooks.journal = journal.get();
    std::optional<FailureList> failures;
    RowCommand command(*this, lv1, which, QStringLiteral("正在重命名，请稍候..."));
    std::vector<FileEntry>& rows = command.rows(lv1);
    command.run([&] { failures = RenameWeChatFiles(rows, command.localWhich(), options, hooks); });
    static_cast<void>(journal->finish());
    showClosing(failures, DoneRenamed, FailedModified, journal.get());
}

void TfrmMain::SyncPairs(bool sync, bool allRows) {
    if (lv1->rowCount() == 0 || lv2->rowCount() == 0) return;
    const std::vector<size_t> selectedA = lv1->selectedRows();
    const std::vector<size_t> selectedB = lv2->selectedRows();
    const TimeKinds kinds = kindsOf(cbCreate3, cbWrite3, cbAccess3);
    std::unique_ptr<Journal> journal;
    if (sync) {
        journal = beginJournal(allRows ? bSyncAll->text() : bSyncSelect->text());
        if (!journal) return;
    }
    const WriteHooks hooks = JournaledHooks(journal.get());
    std::optional<FailureList> failures;
    RowCommand command(*this, {lv1, lv2},
                       sync ? QStringLiteral("正在同步，请稍候...") : QStringLiteral("正在对比，请稍候..."));
    std::vector<FileEntry>& rowsA = command.rows(lv1);
    std::vector<FileEntry>& rowsB = command.rows(lv2);
    const ProgressFn progress = command.progress();
    command.run(
        [&] { failures = kdx::SyncPairs(rowsA, rowsB, selectedA, selectedB, sync, allRows, kinds, hooks, progress); });
    if (journal) static_cast<void>(journal->finish());
    if (sync) showClosing(failures, DoneSynced, FailedSynced, journal.get());
}

void TfrmMain::sbCompareClick() {
    if (lv1->rowCount() > 0 && lv2->rowCount() > 0) m_compareMode = true;
    lv1->rowsModel()->setCompareColouring(m_compareMode);
    SyncPairs(false, false);
}

void TfrmMain::sbCompare2Click() {
    m_compareMode = false;
    lv1->rowsModel()->setCompareColouring(false);
}

} // namespace kdx::gui
