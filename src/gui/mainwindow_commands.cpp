// The commands of the pages "设置时间", "时间运算" and the pair sync of
// "时间同步": each reads its controls, runs one core operation over the rows
// of the lists, and shows the closing message.

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QRadioButton>
#include <QTimeEdit>

#include "core/sync/pairs.h"
#include "core/timeops/name_commands.h"
#include "core/timeops/set_times.h"
#include "core/timeops/shift.h"
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

} // namespace

TimeKinds TfrmMain::kindsOf(QCheckBox* creation, QCheckBox* lastWrite, QCheckBox* lastAccess) const {
    return TimeKinds::FromChecks(creation->isChecked(), lastWrite->isChecked(), lastAccess->isChecked());
}

void TfrmMain::showClosing(const std::optional<FailureList>& failures, std::string_view done,
                           std::string_view failedHeader) {
    if (!failures) return;
    ShowInfo(QString::fromStdString(ClosingMessage(done, failedHeader, *failures)));
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
        command.run([&] { failures = SetTimesFromPickers(rows, local, values); });
    } else if (rbAllToTime->isChecked()) {
        SourceOptions options;
        options.kinds = kindsOf(cbCreate1, cbWrite1, cbAccess1);
        options.includePhotoTime = cbIncludePhotoTime->isChecked();
        options.nameOptions = nameTimeOptions();
        const auto source = static_cast<TimeSource>(rgTimeItems->checkedId());
        command.run([&] { failures = SetTimesFromSource(rows, local, source, options); });
    }
    showClosing(failures, DoneModified, FailedModified);
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
    std::optional<FailureList> failures;
    RowCommand command(*this, lv1, which, QStringLiteral("正在修改时间，请稍候..."));
    std::vector<FileEntry>& rows = command.rows(lv1);
    command.run([&] { failures = kdx::ShiftTimes(rows, command.localWhich(), amount, kinds); });
    showClosing(failures, DoneModified, FailedModified);
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
    std::optional<FailureList> failures;
    RowCommand command(*this, lv1, which, QStringLiteral("正在重命名，请稍候..."));
    std::vector<FileEntry>& rows = command.rows(lv1);
    command.run([&] { failures = RenameWeChatFiles(rows, command.localWhich(), options); });
    showClosing(failures, DoneRenamed, FailedModified);
}

void TfrmMain::SyncPairs(bool sync, bool allRows) {
    if (lv1->rowCount() == 0 || lv2->rowCount() == 0) return;
    const std::vector<size_t> selectedA = lv1->selectedRows();
    const std::vector<size_t> selectedB = lv2->selectedRows();
    const TimeKinds kinds = kindsOf(cbCreate3, cbWrite3, cbAccess3);
    std::optional<FailureList> failures;
    RowCommand command(*this, {lv1, lv2},
                       sync ? QStringLiteral("正在同步，请稍候...") : QStringLiteral("正在对比，请稍候..."));
    std::vector<FileEntry>& rowsA = command.rows(lv1);
    std::vector<FileEntry>& rowsB = command.rows(lv2);
    const ProgressFn progress = command.progress();
    command.run(
        [&] { failures = kdx::SyncPairs(rowsA, rowsB, selectedA, selectedB, sync, allRows, kinds, {}, progress); });
    if (sync) showClosing(failures, DoneSynced, FailedSynced);
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
