#pragma once

// The progress window of long walks: one bar, a caption with the percentage.

#include <QDialog>

class QProgressBar;

namespace kdx::gui {

class TfrmScanning : public QDialog {
    Q_OBJECT
public:
    explicit TfrmScanning(QWidget* owner);
    QProgressBar* ProgressBar1 = nullptr;
};

} // namespace kdx::gui
