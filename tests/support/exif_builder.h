#pragma once

// Builds small JPEG files with an EXIF block in memory, for the tests and the
// benchmark: a TIFF structure in either byte order (IFD0, the EXIF
// sub-directory and a data area behind them), wrapped in an APP1 segment and
// surrounded by whatever other segments a test asks for, then a tiny but
// complete 8x8 grey image. Header only, standard C++ only.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/timesrc/byte_window.h"

namespace kdx::test {

class TiffBuilder {
public:
    explicit TiffBuilder(bool bigEndian = false) : m_be(bigEndian) {}

    struct Entry {
        uint16_t tag = 0;
        uint16_t type = 0;
        uint32_t count = 0;
        std::string payload;             // stored in the data area; the value field points to it
        std::optional<uint32_t> value;   // or this value field, as a number in the file's order
        std::optional<std::string> raw4; // or these 4 bytes of value field, as they are
    };

    // Texts, rationals and numbers as cameras write them.
    TiffBuilder& ascii(bool exif, uint16_t tag, const std::string& text) {
        return add(exif, {tag, 2, uint32_t(text.size() + 1), text + '\0', {}, {}});
    }
    // A text whose count is given as it is (with no NUL added).
    TiffBuilder& asciiRaw(bool exif, uint16_t tag, const std::string& bytes, uint32_t count) {
        return add(exif, {tag, 2, count, bytes, {}, {}});
    }
    TiffBuilder& rational(bool exif, uint16_t tag, uint32_t num, uint32_t den) {
        return add(exif, {tag, 5, 1, u32(num) + u32(den), {}, {}});
    }
    // A 16-bit value: in the first two bytes of the value field.
    TiffBuilder& shortValue(bool exif, uint16_t tag, uint16_t v) {
        return add(exif, {tag, 3, 1, {}, {}, u16(v) + std::string(2, '\0')});
    }
    TiffBuilder& longValue(bool exif, uint16_t tag, uint32_t v) { return add(exif, {tag, 4, 1, {}, v, {}}); }
    // An entry with a value field as given (offsets past the end and such).
    TiffBuilder& rawEntry(bool exif, uint16_t tag, uint16_t type, uint32_t count, uint32_t value) {
        return add(exif, {tag, type, count, {}, value, {}});
    }

    // IFD0's stored entry count instead of the true one (0 for the writers that leave it so).
    std::optional<uint16_t> ifd0Count;
    // The EXIF pointer's value instead of the sub-directory's true offset.
    std::optional<uint32_t> exifOffset;
    // Where IFD0 starts instead of right after the header.
    std::optional<uint32_t> ifd0Offset;

    std::string build() const {
        // Layout: header (8), IFD0, the sub-directory, the data area.
        const bool hasExif = !m_exif.empty();
        std::vector<Entry> ifd0 = m_ifd0;
        if (hasExif) ifd0.push_back({34665, 4, 1, {}, 0u, {}}); // patched below
        const uint32_t ifd0At = 8;
        const uint32_t ifd0Size = 2 + 12 * uint32_t(ifd0.size()) + 4;
        const uint32_t exifAt = ifd0At + ifd0Size;
        const uint32_t exifSize = hasExif ? 2 + 12 * uint32_t(m_exif.size()) + 4 : 0;
        uint32_t dataAt = exifAt + exifSize;
        if (hasExif) ifd0.back().value = exifOffset.value_or(exifAt);

        std::string data;
        auto directory = [&](const std::vector<Entry>& entries, std::optional<uint16_t> storedCount) {
            std::string d = u16(storedCount.value_or(uint16_t(entries.size())));
            for (const Entry& e : entries) {
                d += u16(e.tag) + u16(e.type) + u32(e.count);
                if (e.raw4) {
                    d += *e.raw4;
                } else if (e.value) {
                    d += u32(*e.value);
                } else {
                    d += u32(dataAt + uint32_t(data.size()));
                    data += e.payload;
                    if (data.size() % 2) data += '\0'; // values start at even offsets
                }
            }
            return d + u32(0); // no next directory
        };
        std::string tiff = m_be ? std::string("MM") + u16(42) : std::string("II") + u16(42);
        tiff += u32(ifd0Offset.value_or(ifd0At));
        tiff += directory(ifd0, ifd0Count);
        if (hasExif) tiff += directory(m_exif, {});
        return tiff + data;
    }

    std::string u16(uint16_t v) const {
        const char b[2] = {char(v & 0xFF), char(v >> 8)};
        return m_be ? std::string{b[1], b[0]} : std::string{b[0], b[1]};
    }
    std::string u32(uint32_t v) const {
        const char b[4] = {char(v & 0xFF), char((v >> 8) & 0xFF), char((v >> 16) & 0xFF), char(v >> 24)};
        return m_be ? std::string{b[3], b[2], b[1], b[0]} : std::string{b[0], b[1], b[2], b[3]};
    }

private:
    TiffBuilder& add(bool exif, Entry e) {
        (exif ? m_exif : m_ifd0).push_back(std::move(e));
        return *this;
    }

    bool m_be;
    std::vector<Entry> m_ifd0, m_exif;
};

inline constexpr bool kIfd0 = false;
inline constexpr bool kExifIfd = true;

// --- JPEG pieces -------------------------------------------------------------

// A segment: FF, code, big-endian length counting itself, payload.
inline std::string Segment(uint8_t code, const std::string& payload) {
    const size_t len = payload.size() + 2;
    return std::string{char(0xFF), char(code), char(len >> 8), char(len & 0xFF)} + payload;
}

inline std::string Soi() {
    return std::string{char(0xFF), char(0xD8)};
}

// A JFIF APP0 segment (length field 16), plus extra bytes of thumbnail.
inline std::string App0(size_t extra = 0) {
    // "JFIF\0", version 1.1, no units, density 1 x 1, no thumbnail size.
    const std::string p("JFIF\0\x01\x01\x00\x00\x01\x00\x01\x00\x00", 14);
    return Segment(0xE0, p + std::string(extra, '\x55'));
}

inline std::string ExifApp1(const std::string& tiff) {
    return Segment(0xE1, std::string("Exif\0\0", 6) + tiff);
}

// A complete 8x8 grey image: quantisation table, frame, two one-code Huffman
// tables, scan (one block: DC difference 0, end of block) and end of image.
inline std::string TinyImage() {
    const std::string dqt = Segment(0xDB, std::string(1, '\0') + std::string(64, '\x01'));
    const std::string sof = Segment(0xC0, std::string("\x08\x00\x08\x00\x08\x01\x01\x11\x00", 9));
    auto dht = [](char classAndId) {
        std::string counts(16, '\0');
        counts[0] = 1; // one code of length 1: the symbol 0
        return Segment(0xC4, std::string(1, classAndId) + counts + std::string(1, '\0'));
    };
    const std::string sos = Segment(0xDA, std::string("\x01\x01\x00\x00\x3F\x00", 6));
    return dqt + sof + dht(0x00) + dht(0x10) + sos + "\x3F" + "\xFF\xD9";
}

// SOI, the segments given, an EXIF APP1 with tiff, the image.
inline std::string JpegWithExif(const std::string& tiff, const std::string& before = App0()) {
    return Soi() + before + ExifApp1(tiff) + TinyImage();
}

// A typical camera photo: all three dates, exposure values, in one byte order.
inline std::string CameraPhoto(bool bigEndian, const std::string& date = "2019:05:04 13:22:10") {
    TiffBuilder t(bigEndian);
    t.ascii(kIfd0, 271, "Canon").ascii(kIfd0, 272, "Canon EOS 5D").ascii(kIfd0, 306, date);
    t.ascii(kExifIfd, 36867, date).ascii(kExifIfd, 36868, date);
    t.rational(kExifIfd, 33434, 1, 250).rational(kExifIfd, 33437, 28, 10);
    return JpegWithExif(t.build());
}

// Counts what a reader asks of its source.
class CountingInput final : public InputFile {
public:
    explicit CountingInput(std::string data) : m_data(std::move(data)), m_inner(m_data) {}
    int64_t readAt(uint64_t offset, void* buffer, size_t size) override {
        ++calls;
        bytes += size;
        return m_inner.readAt(offset, buffer, size);
    }
    uint64_t size() const override { return m_inner.size(); }
    int calls = 0;
    uint64_t bytes = 0;

private:
    std::string m_data;
    MemoryInput m_inner;
};

} // namespace kdx::test
