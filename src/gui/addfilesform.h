#pragma once

// The add-files dialog's form: every control with its object name, caption,
// hint and place, and nothing of what the controls do. The dialog builds it
// once and wires the handlers to it.

class QCheckBox;
class QComboBox;
class QDialog;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTreeView;

namespace kdx::gui {

class AddFilesForm {
public:
    // Builds every control into dialog.
    void setupForm(QDialog* dialog);

    QLineEdit* edDir = nullptr;
    QComboBox* DriveComboBox1 = nullptr;
    QLineEdit* edFilter = nullptr;
    QComboBox* Filtercb = nullptr;
    QCheckBox* cbAutoSelAll = nullptr;
    QCheckBox* cbDirInclude = nullptr;
    QCheckBox* cbOnlyDir = nullptr;
    QCheckBox* cbSubDir = nullptr;
    QTreeView* DirList = nullptr;
    QListWidget* FileList = nullptr;
    QPushButton *SelectAll = nullptr, *SelectNone = nullptr, *InverseSelect = nullptr;
    QPushButton *Ok = nullptr, *Cancle = nullptr;
};

} // namespace kdx::gui
