// The picker menu: copy one row's date and time, paste it into another, set
// all rows to one row or to now. Only the pickers change; no file does.

#include <QCheckBox>
#include <QDateEdit>
#include <QMenu>
#include <QTimeEdit>

#include "gui/mainwindow.h"

namespace kdx::gui {

namespace {
const QString kCopyFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");
}

void TfrmMain::wireCopyMenu() {
    connect(MICopy, &QAction::triggered, this, &TfrmMain::MICopyClick);
    connect(MIPaster, &QAction::triggered, this, &TfrmMain::MIPasterClick);
    connect(MIAllToCreate, &QAction::triggered, this, [this] { setAllRowsFrom(1); });
    connect(MIAllToWrite, &QAction::triggered, this, [this] { setAllRowsFrom(2); });
    connect(MIAllToAccess, &QAction::triggered, this, [this] { setAllRowsFrom(3); });
    connect(MIAllToNow, &QAction::triggered, this, &TfrmMain::MIAllToNowClick);

    QWidget* owners[] = {cbCreate1, cbWrite1, cbAccess1, DTP1Date, DTP1Time,
                         DTP2Date,  DTP2Time, DTP3Date,  DTP3Time, seTime};
    for (QWidget* w : owners) {
        w->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(w, &QWidget::customContextMenuRequested, this, [this, w](const QPoint& pos) {
            m_copyMenuOwner = w;
            popMenuCopy->popup(w->mapToGlobal(pos));
        });
    }
}

int TfrmMain::pickerRowOf(const QObject* control) const {
    if (!control) return 0;
    const QString name = control->objectName();
    if (name == QLatin1String("cbCreate1") || name == QLatin1String("DTP1Date") || name == QLatin1String("DTP1Time"))
        return 1;
    if (name == QLatin1String("cbWrite1") || name == QLatin1String("DTP2Date") || name == QLatin1String("DTP2Time"))
        return 2;
    if (name == QLatin1String("cbAccess1") || name == QLatin1String("DTP3Date") || name == QLatin1String("DTP3Time"))
        return 3;
    return 0;
}

void TfrmMain::MICopyClick() {
    const int row = pickerRowOf(m_copyMenuOwner);
    if (row > 0) {
        QDateEdit* dates[] = {DTP1Date, DTP2Date, DTP3Date};
        QTimeEdit* times[] = {DTP1Time, DTP2Time, DTP3Time};
        CopiedTime = QDateTime(dates[row - 1]->date(), times[row - 1]->time()).toString(kCopyFormat);
    }
    MIPaster->setEnabled(true);
}

void TfrmMain::MIPasterClick() {
    const QDateTime value = QDateTime::fromString(CopiedTime, kCopyFormat);
    if (!value.isValid()) return;
    const int row = pickerRowOf(m_copyMenuOwner);
    if (row == 0) return;
    QDateEdit* dates[] = {DTP1Date, DTP2Date, DTP3Date};
    QTimeEdit* times[] = {DTP1Time, DTP2Time, DTP3Time};
    dates[row - 1]->setDate(value.date());
    times[row - 1]->setTime(value.time());
}

void TfrmMain::setAllRowsFrom(int row) {
    QDateEdit* dates[] = {DTP1Date, DTP2Date, DTP3Date};
    QTimeEdit* times[] = {DTP1Time, DTP2Time, DTP3Time};
    const QDate date = dates[row - 1]->date();
    const QTime time = times[row - 1]->time();
    for (int i = 0; i < 3; ++i) {
        if (i == row - 1) continue;
        dates[i]->setDate(date);
        times[i]->setTime(time);
    }
}

void TfrmMain::MIAllToNowClick() {
    const QDateTime now = QDateTime::currentDateTime();
    DTP1Date->setDate(now.date());
    DTP1Time->setTime(now.time());
    setAllRowsFrom(1);
}

} // namespace kdx::gui
