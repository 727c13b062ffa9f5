#pragma once

// ASCII case folding: the one case rule that needs no locale.

#include <string>
#include <string_view>

namespace kdx {

inline char AsciiUpper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}
std::string AsciiUpper(std::string_view text);
// Byte-wise comparison with a-z counted as A-Z: <0, 0, >0.
int CompareAsciiFolded(std::string_view a, std::string_view b);
bool EqualsAsciiFolded(std::string_view a, std::string_view b);

} // namespace kdx
