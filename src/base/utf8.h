#pragma once

// UTF-8 decoding and encoding of single characters.

#include <string>
#include <string_view>

namespace kdx {

// Decodes the character at pos and advances pos past it. Returns false, with
// pos unchanged, for a byte that does not start a well-formed character.
bool DecodeUtf8(std::string_view text, size_t& pos, char32_t& cp);
void AppendUtf8(std::string& out, char32_t cp);
// Whether the whole text is well-formed UTF-8.
bool IsValidUtf8(std::string_view text);

} // namespace kdx
