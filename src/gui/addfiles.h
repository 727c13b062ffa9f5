#pragma once

// The add-files dialog: pick a folder, then files in it or the whole tree.

#include <QDialog>

namespace kdx::gui {

class TAddFilefrm : public QDialog {
    Q_OBJECT
public:
    explicit TAddFilefrm(QWidget* owner);
};

} // namespace kdx::gui
