#pragma once

// CRC-32 (the polynomial of zlib, PNG and the journal's lines).

#include <cstdint>
#include <span>
#include <string_view>

namespace kdx {

uint32_t Crc32(std::span<const uint8_t> data);
inline uint32_t Crc32(std::string_view data) {
    return Crc32(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(data.data()), data.size()));
}

} // namespace kdx
