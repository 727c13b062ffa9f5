// Win32 side of the command line program's console.

#include <windows.h>

#include <shellapi.h>

#include <algorithm>
#include <optional>
#include <string>

#include "platform/console.h"
#include "platform/win32_text.h"

namespace kdx::console {

namespace {

std::atomic<int> g_interruption{0};

HANDLE HandleOf(Stream stream) {
    return ::GetStdHandle(stream == Stream::Out ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
}

bool IsConsole(HANDLE h) {
    DWORD mode = 0;
    return h != nullptr && h != INVALID_HANDLE_VALUE && ::GetConsoleMode(h, &mode) != 0;
}

// Bytes at the end of text that start a UTF-8 character not yet complete.
size_t UnfinishedTail(std::string_view text) {
    for (size_t back = 1; back <= std::min<size_t>(3, text.size()); ++back) {
        const auto b = static_cast<unsigned char>(text[text.size() - back]);
        if ((b & 0xC0) == 0x80) continue;
        const size_t length = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
        return length > back ? back : 0;
    }
    return 0;
}

class StandardStreamBuffer final : public std::streambuf {
public:
    explicit StandardStreamBuffer(HANDLE h) : m_handle(h), m_console(IsConsole(h)) {
        setp(m_buffer, m_buffer + sizeof m_buffer - 1); // room for overflow's character
    }

protected:
    int_type overflow(int_type c) override {
        if (!traits_type::eq_int_type(c, traits_type::eof())) {
            *pptr() = traits_type::to_char_type(c);
            pbump(1);
        }
        return flushBuffer() ? traits_type::not_eof(c) : traits_type::eof();
    }
    int sync() override { return flushBuffer() ? 0 : -1; }

private:
    bool flushBuffer() {
        const std::string_view data(pbase(), static_cast<size_t>(pptr() - pbase()));
        const bool ok = m_console ? writeConsole(data) : writeBytes(data);
        setp(m_buffer, m_buffer + sizeof m_buffer - 1);
        return ok;
    }

    bool writeBytes(std::string_view data) const {
        while (!data.empty()) {
            DWORD written = 0;
            const auto chunk = static_cast<DWORD>(std::min<size_t>(data.size(), DWORD{1} << 30));
            if (!::WriteFile(m_handle, data.data(), chunk, &written, nullptr) || written == 0) return false;
            data.remove_prefix(written);
        }
        return true;
    }

    // A character cut by the buffer's end waits for its remaining bytes.
    bool writeConsole(std::string_view data) {
        m_pending.append(data);
        const size_t complete = m_pending.size() - UnfinishedTail(m_pending);
        const std::string_view text(m_pending.data(), complete);
        std::optional<std::wstring> wide = win32::WideFromUtf8(text);
        if (!wide) wide = win32::WideFromUtf8(win32::Utf8FromCodePage(text, CP_UTF8));
        m_pending.erase(0, complete);
        std::wstring_view rest = wide ? std::wstring_view(*wide) : std::wstring_view();
        while (!rest.empty()) {
            DWORD written = 0;
            const auto chunk = static_cast<DWORD>(std::min<size_t>(rest.size(), 8192));
            if (!::WriteConsoleW(m_handle, rest.data(), chunk, &written, nullptr) || written == 0) return false;
            rest.remove_prefix(written);
        }
        return true;
    }

    HANDLE m_handle;
    bool m_console;
    std::string m_pending;
    char m_buffer[8192];
};

// Standard input as it comes: ReadFile gives the bytes, with no text mode.
class StandardInputStreamBuffer final : public std::streambuf {
protected:
    int_type underflow() override {
        if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
        DWORD read = 0;
        // A pipe whose writer has gone ends with an error of its own.
        if (!::ReadFile(::GetStdHandle(STD_INPUT_HANDLE), m_buffer, sizeof m_buffer, &read, nullptr) || read == 0)
            return traits_type::eof();
        setg(m_buffer, m_buffer, m_buffer + read);
        return traits_type::to_int_type(*gptr());
    }

private:
    char m_buffer[65536];
};

std::string ReasonOf(DWORD code) {
    wchar_t* text = nullptr;
    const DWORD n =
        ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                         nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string reason = n > 0 ? win32::Utf8FromWide(std::wstring_view(text, n)) : "Error " + std::to_string(code);
    if (text) ::LocalFree(text);
    while (!reason.empty() && static_cast<unsigned char>(reason.back()) <= 0x20)
        reason.pop_back();
    return reason;
}

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

std::vector<std::string> Arguments(int, char**) {
    return win32::ArgumentsOf(::GetCommandLineW());
}

bool IsTerminal(Stream stream) {
    return IsConsole(HandleOf(stream));
}

std::streambuf* StandardBuffer(Stream stream) {
    static StandardStreamBuffer out(HandleOf(Stream::Out));
    static StandardStreamBuffer err(HandleOf(Stream::Err));
    return stream == Stream::Out ? &out : &err;
}

std::streambuf* StandardInputBuffer() {
    static StandardInputStreamBuffer in;
    return &in;
}

Result<std::string> ReadWholeInput(const std::string& path) {
    const std::optional<std::wstring> wide = win32::SystemPath(path);
    if (!wide) return Failure{ERROR_INVALID_NAME, ReasonOf(ERROR_INVALID_NAME)};
    const HANDLE h = ::CreateFileW(wide->c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                   nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD code = ::GetLastError();
        return Failure{static_cast<int>(code), ReasonOf(code)};
    }
    std::string out;
    char buffer[65536];
    for (;;) {
        DWORD read = 0;
        if (!::ReadFile(h, buffer, sizeof buffer, &read, nullptr)) {
            const DWORD code = ::GetLastError();
            if (code == ERROR_BROKEN_PIPE) break; // the end of a pipe
            ::CloseHandle(h);
            return Failure{static_cast<int>(code), ReasonOf(code)};
        }
        if (read == 0) break;
        out.append(buffer, read);
    }
    ::CloseHandle(h);
    return out;
}

std::string NameListText(std::string bytes) {
    std::string text;
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
        std::wstring units((bytes.size() - 2) / 2, L'\0');
        for (size_t i = 0; i < units.size(); ++i)
            units[i] = static_cast<wchar_t>(static_cast<unsigned char>(bytes[2 + 2 * i]) |
                                            (static_cast<unsigned char>(bytes[3 + 2 * i]) << 8));
        text = win32::Utf8FromWide(units);
    } else {
        if (bytes.starts_with("\xEF\xBB\xBF")) bytes.erase(0, 3);
        text = win32::WideFromUtf8(bytes) ? std::move(bytes) : win32::Utf8FromCodePage(bytes, CP_ACP);
    }
    std::string lines;
    lines.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) lines += text[i];
    return lines;
}

const std::atomic<int>& WatchForInterruption() {
    ::SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
    return g_interruption;
}

} // namespace kdx::console

namespace kdx::win32 {

std::vector<std::string> ArgumentsOf(const wchar_t* commandLine) {
    std::vector<std::string> args;
    int count = 0;
    wchar_t** wide = ::CommandLineToArgvW(commandLine, &count);
    if (!wide) return args;
    for (int i = 1; i < count; ++i)
        args.push_back(Utf8FromWide(wide[i]));
    ::LocalFree(wide);
    return args;
}

} // namespace kdx::win32
