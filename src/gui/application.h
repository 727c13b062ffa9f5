#pragma once

// What the application sets up once, before its first window: the window
// icon, and Qt's own texts in Chinese.

namespace kdx::gui {

// Call once the QApplication exists.
void PrepareApplication();

} // namespace kdx::gui
