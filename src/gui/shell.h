#pragma once

// Handing entries to the desktop: open a file with its program, show an
// entry in the file manager.

#include <QByteArray>

namespace kdx::gui {

// Paths as the file system spells them (on POSIX bytes that need not be
// UTF-8). Neither call waits for the desktop.
void OpenWithDesktop(const QByteArray& path);
// Shows the entry selected in the file manager; where the file manager
// cannot select items, opens the folder that holds it.
void ShowInFileManager(const QByteArray& path);

} // namespace kdx::gui
