#pragma once

// Handing entries to the desktop: open a file with its program, show an
// entry in the file manager.

#include <QString>

namespace kdx::gui {

void OpenWithDesktop(const QString& path);
// Shows the entry selected in the file manager; where the file manager
// cannot select items, opens the folder that holds it.
void ShowInFileManager(const QString& path);

} // namespace kdx::gui
