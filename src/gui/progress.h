#pragma once

// The progress window of long walks: one bar, a caption with the percentage.

#include <QDialog>
#include <cstddef>
#include <string>

class QProgressBar;

namespace kdx::gui {

class TfrmScanning : public QDialog {
    Q_OBJECT
public:
    explicit TfrmScanning(QWidget* owner);

    // Shows the window over its owner for a walk of `total` items, captioned
    // with `caption` and the percentage done; the window's own caption comes
    // back with end().
    void begin(size_t total, const QString& caption);
    // Moves the bar to `done` items and the percentage with it.
    void update(size_t done);
    void end();

private:
    QProgressBar* m_bar = nullptr;
    QString m_savedCaption;
    std::string m_caption;
    size_t m_total = 0;
};

} // namespace kdx::gui
