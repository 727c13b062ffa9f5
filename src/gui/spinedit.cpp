#include "gui/spinedit.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <algorithm>

namespace kdx::gui {

bool seYearKeyPress(QChar typed) {
    return (typed >= QLatin1Char('0') && typed <= QLatin1Char('9')) || typed == QChar(8) || typed == QLatin1Char('.');
}

SpinEdit::SpinEdit(int minValue, int maxValue, QWidget* parent)
    : QAbstractSpinBox(parent), m_min(minValue), m_max(maxValue) {
    lineEdit()->setText(QString::number(minValue));
}

QString SpinEdit::text() const {
    return lineEdit()->text();
}

int SpinEdit::value() const {
    bool ok = false;
    const qlonglong v = text().toLongLong(&ok);
    if (!ok) return m_min;
    return static_cast<int>(std::clamp<qlonglong>(v, m_min, m_max));
}

void SpinEdit::setValue(int value) {
    lineEdit()->setText(QString::number(std::clamp(value, m_min, m_max)));
}

void SpinEdit::stepBy(int steps) {
    setValue(value() + steps);
}

QAbstractSpinBox::StepEnabled SpinEdit::stepEnabled() const {
    const int v = value();
    StepEnabled e = StepNone;
    if (v < m_max) e |= StepUpEnabled;
    if (v > m_min) e |= StepDownEnabled;
    return e;
}

QValidator::State SpinEdit::validate(QString&, int&) const {
    // The keyboard filter decides what may be typed; any text is kept.
    return QValidator::Acceptable;
}

void SpinEdit::keyPressEvent(QKeyEvent* event) {
    const QString typed = event->text();
    if (typed.size() == 1 && typed[0].isPrint() && !seYearKeyPress(typed[0])) {
        event->accept(); // discarded
        return;
    }
    QAbstractSpinBox::keyPressEvent(event);
}

} // namespace kdx::gui
