#pragma once

// Every message box of the program goes through here, so tests can read
// what the user would have seen instead of blocking on a modal box.

#include <QString>
#include <functional>

class QWidget;

namespace kdx::gui {

enum class MessageKind { Info, Error, Question };

// The application's title, the caption of its error box (the main window's
// own caption carries the program's version).
inline QString ApplicationTitle() {
    return QStringLiteral("Kairodex 1.98");
}

// A modal box with one OK button, owned by the active window.
void ShowInfo(const QString& text, const QString& caption = QStringLiteral("提示"));
// The application's general error box (snapshot and clipboard errors).
void ShowError(const QString& text);
// A question with the buttons Yes and No; true for Yes. Under a capture
// the question is told to the handler and answered Yes.
bool Confirm(const QString& text);

using MessageHandler = std::function<void(MessageKind, const QString& caption, const QString& text)>;
// Replaces the boxes by handler until the returned guard is destroyed.
class ScopedMessageCapture {
public:
    explicit ScopedMessageCapture(MessageHandler handler);
    ~ScopedMessageCapture();
    ScopedMessageCapture(const ScopedMessageCapture&) = delete;
    ScopedMessageCapture& operator=(const ScopedMessageCapture&) = delete;

private:
    MessageHandler m_previous;
};

} // namespace kdx::gui
