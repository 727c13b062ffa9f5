#include "gui/background.h"

#include <QEventLoop>
#include <QMetaObject>
#include <exception>
#include <thread>

namespace kdx::gui {

void RunWhileResponsive(const std::function<void()>& work) {
    QEventLoop loop;
    std::exception_ptr failure;
    std::thread worker([&] {
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
        }
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    // User input is left to the callers' busy guards; painting goes on.
    loop.exec();
    worker.join();
    if (failure) std::rethrow_exception(failure);
}

} // namespace kdx::gui
