#include "gui/messages.h"

#include <QApplication>
#include <QMessageBox>

namespace kdx::gui {

namespace {
MessageHandler& Handler() {
    static MessageHandler handler;
    return handler;
}

// Message texts keep CR LF line ends (they are also what the clipboard and
// the command line print); a box shows them as plain line breaks.
QString ForDisplay(const QString& text) {
    QString s = text;
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return s;
}
} // namespace

void ShowInfo(const QString& text, const QString& caption) {
    if (Handler()) {
        Handler()(MessageKind::Info, caption, text);
        return;
    }
    QMessageBox::information(QApplication::activeWindow(), caption, ForDisplay(text), QMessageBox::Ok);
}

void ShowError(const QString& text) {
    if (Handler()) {
        Handler()(MessageKind::Error, ApplicationTitle(), text);
        return;
    }
    QMessageBox::critical(QApplication::activeWindow(), ApplicationTitle(), ForDisplay(text), QMessageBox::Ok);
}

bool Confirm(const QString& text) {
    if (Handler()) {
        Handler()(MessageKind::Question, QStringLiteral("确认"), text);
        return true;
    }
    return QMessageBox::question(QApplication::activeWindow(), QStringLiteral("确认"), ForDisplay(text),
                                 QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
}

ScopedMessageCapture::ScopedMessageCapture(MessageHandler handler) : m_previous(std::move(Handler())) {
    Handler() = std::move(handler);
}

ScopedMessageCapture::~ScopedMessageCapture() {
    Handler() = std::move(m_previous);
}

} // namespace kdx::gui
