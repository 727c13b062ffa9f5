#pragma once

// Text and path conversions of the Win32 platform layer, declared apart so
// the tests can reach them with a code page of their choosing. Windows
// builds only; no system header here.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kdx::win32 {

// UTF-8 <-> UTF-16. A file name may hold a lone surrogate, which UTF-8
// cannot; such a unit is carried as its three-byte generalised form
// (ED A0 80 to ED BF BF), so every name the system reports can be named
// again. Text that is neither becomes nothing, never a stand-in character.
std::optional<std::wstring> WideFromUtf8(std::string_view text);
std::string Utf8FromWide(std::wstring_view text);

// The path as the wide-character calls take it: absolute, in the "\\?\" or
// "\\?\UNC\" form, '/' turned into '\', "." and ".." resolved by hand and
// relative paths made absolute against the current folder (of the drive
// named, where one is). Every name is kept as it is, spaces and dots at its
// end included, and "CON" or "NUL" is a name, never a device. A bare drive
// "C:" is its root. Paths that already have such a form are left alone.
// Nothing for text that is not UTF-8.
std::optional<std::wstring> SystemPath(std::string_view path);

// Whether a file system of this name (as the volume reports it) keeps
// stamps of 1980 to 2107 only: FAT, FAT32 and exFAT.
bool HasFatStampRange(std::wstring_view fileSystem);

// UTF-8 text in the given code page; nothing when a character has no exact
// form there. A best-fit or default character would name another file, so
// the result is also read back and compared before it is trusted.
std::optional<std::string> CodePageFromUtf8(std::string_view text, unsigned codePage);
// Text in the given code page as UTF-8. A byte sequence the code page does
// not define becomes U+FFFD, so a damaged text names no file rather than
// another one.
std::string Utf8FromCodePage(std::string_view bytes, unsigned codePage);

// The arguments of a command line after the program's name, taken apart as
// the system's own programs do, as UTF-8 that keeps a lone surrogate.
std::vector<std::string> ArgumentsOf(const wchar_t* commandLine);

} // namespace kdx::win32
