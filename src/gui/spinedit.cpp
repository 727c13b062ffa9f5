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
    // No arrows: the whole narrow field shows the digits ("10000" in 41
    // pixels); the arrow keys and the wheel still step.
    setButtonSymbols(QAbstractSpinBox::NoButtons);
    // The edit's own 2-pixel margins would still cut the fifth digit.
    lineEdit()->setTextMargins(-2, 0, -2, 0);
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

QValidator::State SpinEdit::validate(QString& input, int&) const {
    // Pasted and input-method text pass the same filter as typed keys, and
    // no whole number beyond the range is shown.
    for (const QChar c : input)
        if (!seYearKeyPress(c)) return QValidator::Invalid;
    const bool onlyDigits = std::all_of(input.begin(), input.end(), [](QChar c) { return c.isDigit(); });
    bool whole = false;
    const qlonglong v = input.toLongLong(&whole);
    if (onlyDigits && !input.isEmpty() && (!whole || v > m_max)) return QValidator::Invalid;
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
