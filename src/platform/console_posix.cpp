// POSIX side of the command line program's console: the arguments and the
// streams are UTF-8 already.

#include <signal.h>
#include <unistd.h>

#include "platform/console.h"

namespace kdx::console {

namespace {

std::atomic<int> g_interruption{0};
static_assert(std::atomic<int>::is_always_lock_free, "set from a signal handler");

void OnSignal(int signal) {
    int none = 0;
    g_interruption.compare_exchange_strong(none, signal);
}

} // namespace

std::vector<std::string> Arguments(int argc, char** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        args.emplace_back(argv[i]);
    return args;
}

bool IsTerminal(Stream stream) {
    return ::isatty(stream == Stream::Out ? STDOUT_FILENO : STDERR_FILENO) == 1;
}

std::streambuf* StandardBuffer(Stream) {
    return nullptr;
}

const std::atomic<int>& WatchForInterruption() {
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        ::sigaction(signal, &action, nullptr);
    return g_interruption;
}

} // namespace kdx::console
