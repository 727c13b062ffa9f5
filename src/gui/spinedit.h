#pragma once

// A number field whose text is what the user typed: only digits, backspace
// and "." get through the keyboard, and its amount is the whole number the
// text holds (0 when it holds none), kept within the field's range.

#include <QAbstractSpinBox>

namespace kdx::gui {

class SpinEdit : public QAbstractSpinBox {
    Q_OBJECT
public:
    SpinEdit(int minValue, int maxValue, QWidget* parent);

    int value() const;
    void setValue(int value);
    QString text() const;

    void stepBy(int steps) override;
    QValidator::State validate(QString& input, int& pos) const override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    StepEnabled stepEnabled() const override;

private:
    int m_min, m_max;
};

// The key filter of the amount fields: whether a typed character passes.
bool seYearKeyPress(QChar typed);

} // namespace kdx::gui
