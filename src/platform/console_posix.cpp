// POSIX side of the command line program's console: the arguments and the
// streams are UTF-8 already.

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

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

std::streambuf* StandardInputBuffer() {
    return nullptr;
}

Result<std::string> ReadWholeInput(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return Failure{errno, std::strerror(errno)};
    std::string out;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0) {
            out.append(buffer, static_cast<size_t>(n));
        } else if (n == 0) {
            ::close(fd);
            return out;
        } else if (errno != EINTR) {
            Failure failure{errno, std::strerror(errno)};
            ::close(fd);
            return failure;
        }
    }
}

std::string NameListText(std::string bytes) {
    return bytes;
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
