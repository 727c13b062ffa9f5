// The Windows shell: icons by extension from the system's image list, and
// Explorer opened on an entry with the entry selected.

#include <windows.h>

#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>

#include <string>

#include "platform/desktop.h"
#include "platform/win32_text.h"

namespace kdx {

namespace {

// Shell calls want COM on the calling thread; whoever set it up first chose
// the model, and a thread of ours gets the one the shell prefers.
class ComScope {
public:
    ComScope() : m_result(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)) {}
    ~ComScope() {
        if (SUCCEEDED(m_result)) CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

private:
    HRESULT m_result;
};

// The path as the shell's parser takes it: backslashes, no "\\?\" form, no
// trailing separator except at a drive's root.
std::optional<std::wstring> ShellPath(std::string_view path) {
    std::optional<std::wstring> wide = win32::WideFromUtf8(path);
    if (!wide || wide->empty()) return std::nullopt;
    for (wchar_t& c : *wide)
        if (c == L'/') c = L'\\';
    while (wide->size() > 3 && wide->back() == L'\\')
        wide->pop_back();
    return wide;
}

std::optional<IconPixels> PixelsOf(HICON icon) {
    ICONINFO parts{};
    if (!GetIconInfo(icon, &parts)) return std::nullopt;
    std::optional<IconPixels> result;
    BITMAP bitmap{};
    HDC screen = GetDC(nullptr);
    if (parts.hbmColor && GetObjectW(parts.hbmColor, sizeof bitmap, &bitmap) && bitmap.bmWidth > 0 &&
        bitmap.bmHeight > 0 && bitmap.bmWidth <= 256 && bitmap.bmHeight <= 256) {
        IconPixels out;
        out.width = bitmap.bmWidth;
        out.height = bitmap.bmHeight;
        out.argb.resize(static_cast<size_t>(out.width) * static_cast<size_t>(out.height));
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = out.width;
        info.bmiHeader.biHeight = -out.height; // top row first
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        if (GetDIBits(screen, parts.hbmColor, 0, static_cast<UINT>(out.height), out.argb.data(), &info,
                      DIB_RGB_COLORS) == out.height) {
            bool anyAlpha = false;
            for (uint32_t p : out.argb)
                anyAlpha = anyAlpha || (p >> 24) != 0;
            // Icons of the old kind carry no alpha: their mask says which
            // pixels show.
            std::vector<uint32_t> mask(out.argb.size());
            if (!anyAlpha && parts.hbmMask &&
                GetDIBits(screen, parts.hbmMask, 0, static_cast<UINT>(out.height), mask.data(), &info,
                          DIB_RGB_COLORS) == out.height) {
                for (size_t i = 0; i < out.argb.size(); ++i)
                    if ((mask[i] & 0xFFFFFFu) == 0) out.argb[i] |= 0xFF000000u;
            }
            result = std::move(out);
        }
    }
    ReleaseDC(nullptr, screen);
    if (parts.hbmColor) DeleteObject(parts.hbmColor);
    if (parts.hbmMask) DeleteObject(parts.hbmMask);
    return result;
}

} // namespace

std::optional<IconPixels> SystemIcon(std::string_view name, bool folder, int pixels) {
    // Only the name's last part counts; with the file attributes given, the
    // shell looks at nothing on disk.
    const size_t slash = name.find_last_of("\\/");
    if (slash != std::string_view::npos) name.remove_prefix(slash + 1);
    std::optional<std::wstring> wide = win32::WideFromUtf8(name);
    if (!wide) return std::nullopt;
    if (wide->empty()) *wide = L"x";
    const ComScope com;
    SHFILEINFOW info{};
    const UINT size = pixels <= 16 ? SHGFI_SMALLICON : SHGFI_LARGEICON;
    if (!SHGetFileInfoW(wide->c_str(), folder ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL, &info, sizeof info,
                        SHGFI_ICON | SHGFI_USEFILEATTRIBUTES | size) ||
        !info.hIcon)
        return std::nullopt;
    std::optional<IconPixels> result = PixelsOf(info.hIcon);
    DestroyIcon(info.hIcon);
    return result;
}

bool SelectInFileManager(std::string_view path) {
    const std::optional<std::wstring> wide = ShellPath(path);
    if (!wide) return false;
    {
        const ComScope com;
        if (PIDLIST_ABSOLUTE item = ILCreateFromPathW(wide->c_str())) {
            const HRESULT shown = SHOpenFolderAndSelectItems(item, 0, nullptr, 0);
            ILFree(item);
            if (SUCCEEDED(shown)) return true;
        }
    }
    // Where the shell lacks the call, Explorer's own switch does the same.
    // The command line is passed verbatim: Explorer parses its arguments
    // itself, and a runtime's quoting would break the quoted path.
    std::wstring command = L"explorer.exe /e,/select,\"" + *wide + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return false;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

} // namespace kdx
