#include "cli/terminal.h"

#ifdef _WIN32
// windows.h first: the other system headers need its types.
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <shellapi.h>
#include <stdio.h>
#else
#include <signal.h>
#include <unistd.h>
#endif

namespace kdx::cli {

namespace {

std::atomic<int> g_interruption{0};
static_assert(std::atomic<int>::is_always_lock_free, "set from a signal handler");

} // namespace

#ifdef _WIN32

namespace {

std::string ToUtf8(const wchar_t* text) {
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 1) return {};
    std::string out(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), n, nullptr, nullptr);
    out.resize(static_cast<size_t>(n - 1));
    return out;
}

} // namespace

std::vector<std::string> CommandLineArgs(int, char**) {
    std::vector<std::string> args;
    int count = 0;
    wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (!wide) return args;
    for (int i = 1; i < count; ++i)
        args.push_back(ToUtf8(wide[i]));
    ::LocalFree(wide);
    return args;
}

void PrepareStandardStreams() {
    ::SetConsoleOutputCP(CP_UTF8);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
}

bool StandardErrorIsTerminal() {
    return _isatty(_fileno(stderr)) != 0;
}

namespace {

BOOL WINAPI OnConsoleEvent(DWORD event) {
    // Numbered as the POSIX signals they stand for, so exit statuses agree.
    const int signal = event == CTRL_C_EVENT ? 2 : event == CTRL_BREAK_EVENT ? 15 : 1;
    int none = 0;
    g_interruption.compare_exchange_strong(none, signal);
    // A close of the console waits for this handler: give the command the
    // time it needs to finish the entry in hand.
    if (event == CTRL_CLOSE_EVENT) ::Sleep(5000);
    return TRUE;
}

} // namespace

const std::atomic<int>& WatchForInterruption() {
    ::SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
    return g_interruption;
}

#else

std::vector<std::string> CommandLineArgs(int argc, char** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        args.emplace_back(argv[i]);
    return args;
}

void PrepareStandardStreams() {}

bool StandardErrorIsTerminal() {
    return ::isatty(STDERR_FILENO) == 1;
}

namespace {

void OnSignal(int signal) {
    int none = 0;
    g_interruption.compare_exchange_strong(none, signal);
}

} // namespace

const std::atomic<int>& WatchForInterruption() {
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        ::sigaction(signal, &action, nullptr);
    return g_interruption;
}

#endif

} // namespace kdx::cli
