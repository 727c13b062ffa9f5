// Process start: the application, the main window, the message loop.

#include <QApplication>
#include <QGuiApplication>
#include <cstdio>

#include "gui/application.h"
#include "gui/mainwindow.h"
#include "platform/platform.h"

namespace {

// Without a display the toolkit would abort with a terse message; say what
// to do instead.
bool DisplayAvailable() {
#if defined(Q_OS_LINUX) || defined(Q_OS_FREEBSD)
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) return true;
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
#else
    return true;
#endif
}

} // namespace

int main(int argc, char* argv[]) {
    if (!DisplayAvailable()) {
        std::fprintf(stderr, "kairodex: no display found (neither DISPLAY nor WAYLAND_DISPLAY is set).\n"
                             "Start it on a desktop, or under a virtual display:\n"
                             "  xvfb-run -a -s '-screen 0 1920x1080x24' build/bin/kairodex\n");
        return 1;
    }
    kdx::hostPlatform().prepareProcess();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kairodex"));
    kdx::gui::PrepareApplication();
    kdx::gui::TfrmMain window;
    window.show();
    window.openPaths(kdx::gui::CommandLineArguments(argc, argv));
    return app.exec();
}
