#pragma once

// The file and folder choosers of the window. Like the message boxes they go
// through one place, so tests can answer them without a modal dialog.

#include <QString>
#include <functional>

namespace kdx::gui {

enum class ChooserKind { Folder, SaveFile, OpenFile };

// The chosen folder, or an empty text when the user cancelled.
QString BrowseForFolder(const QString& title);
// The chosen snapshot file to write or to read; empty when cancelled. A
// name typed without extension gets ".kdx".
QString ChooseSnapshotToSave();
QString ChooseSnapshotToOpen();

using ChooserAnswer = std::function<QString(ChooserKind, const QString& title)>;
class ScopedChooserAnswer {
public:
    explicit ScopedChooserAnswer(ChooserAnswer answer);
    ~ScopedChooserAnswer();
    ScopedChooserAnswer(const ScopedChooserAnswer&) = delete;
    ScopedChooserAnswer& operator=(const ScopedChooserAnswer&) = delete;

private:
    ChooserAnswer m_previous;
};

} // namespace kdx::gui
