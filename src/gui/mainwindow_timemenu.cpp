// The picker menu: copy one row's date and time, paste it into another, set
// all rows to one row or to now. Only the pickers change; no file does.

#include <QCheckBox>
#include <QContextMenuEvent>
#include <QDateEdit>
#include <QMenu>
#include <QTimeEdit>

#include "gui/mainwindow.h"

namespace kdx::gui {

namespace {
// The copy is a plain date and time, not a moment of the local zone: a time
// that the zone skips (a daylight-saving gap) still pastes as it was copied.
const QString kDateFormat = QStringLiteral("yyyy-MM-dd");
const QString kTimeFormat = QStringLiteral("HH:mm:ss");
} // namespace

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
        // A control disabled for writing (creation times where the system
        // cannot set them) still opens the menu: copying its row is reading.
        w->installEventFilter(this);
    }
}

bool TfrmMain::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ContextMenu && watched->isWidgetType()) {
        auto* w = static_cast<QWidget*>(watched);
        if (!w->isEnabled() && pickerRowOf(w) > 0) {
            m_copyMenuOwner = w;
            popMenuCopy->popup(static_cast<QContextMenuEvent*>(event)->globalPos());
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
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
        CopiedTime = dates[row - 1]->date().toString(kDateFormat) + QLatin1Char(' ') +
                     times[row - 1]->time().toString(kTimeFormat);
    }
    MIPaster->setEnabled(true);
}

void TfrmMain::MIPasterClick() {
    const QStringList parts = CopiedTime.split(QLatin1Char(' '));
    if (parts.size() != 2) return;
    const QDate date = QDate::fromString(parts[0], kDateFormat);
    const QTime time = QTime::fromString(parts[1], kTimeFormat);
    if (!date.isValid() || !time.isValid()) return;
    const int row = pickerRowOf(m_copyMenuOwner);
    if (row == 0) return;
    QDateEdit* dates[] = {DTP1Date, DTP2Date, DTP3Date};
    QTimeEdit* times[] = {DTP1Time, DTP2Time, DTP3Time};
    dates[row - 1]->setDate(date);
    times[row - 1]->setTime(time);
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
