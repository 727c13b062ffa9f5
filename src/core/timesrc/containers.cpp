#include "core/timesrc/containers.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "base/crc32.h"

namespace kdx {

namespace {

constexpr int kMaxChunks = 4096; // PNG and WebP chunks walked before giving up
// How much of a file's end is read for an EXIF chunk written after the
// image data; such chunks are small and come last, or next to last.
constexpr size_t kTailRead = 64 * 1024;

bool StartsWith(std::span<const uint8_t> bytes, std::string_view magic, size_t at = 0) {
    return bytes.size() >= at && bytes.size() - at >= magic.size() &&
           std::memcmp(bytes.data() + at, magic.data(), magic.size()) == 0;
}

uint32_t Be32(const uint8_t* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

uint32_t Le32(const uint8_t* p) {
    return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}

// Some writers put the JPEG segment's "Exif\0\0" before the TIFF data of a
// chunk that should hold the TIFF data alone.
ByteRange WithoutExifPrefix(ByteWindow& bytes, ByteRange r) {
    const uint8_t* p = r.end - r.begin >= 6 ? bytes.at(r.begin, 6) : nullptr;
    if (p && std::memcmp(p, "Exif\0\0", 6) == 0) r.begin += 6;
    return r;
}

} // namespace

MediaKind MediaKindOf(std::span<const uint8_t> head) {
    using namespace std::string_view_literals;
    if (StartsWith(head, "\xFF\xD8"sv)) return MediaKind::Jpeg;
    // The TIFF mark 42 in either order, and the marks of raw formats that
    // keep the TIFF layout under a mark of their own.
    for (std::string_view tiff : {"II*\0"sv, "MM\0*"sv, "IIRO"sv, "MMOR"sv, "IIU\0"sv})
        if (StartsWith(head, tiff)) return MediaKind::Tiff;
    if (StartsWith(head, "FUJIFILMCCD-RAW "sv)) return MediaKind::FujiRaw;
    if (StartsWith(head, "\x89PNG\r\n\x1A\n"sv)) return MediaKind::Png;
    if (StartsWith(head, "RIFF"sv) && StartsWith(head, "WEBP"sv, 8)) return MediaKind::WebP;
    // A box: 4 bytes size, 4 bytes type. Files begin with their type box,
    // or (older QuickTime files) with the movie, its data or padding.
    for (std::string_view box : {"ftyp"sv, "moov"sv, "mdat"sv, "wide"sv, "free"sv, "skip"sv, "pnot"sv})
        if (StartsWith(head, box, 4)) return MediaKind::IsoMedia;
    return MediaKind::Unknown;
}

std::optional<ByteRange> FindFujiJpeg(ByteWindow& bytes) {
    // "FUJIFILMCCD-RAW " (16), format version (4), camera id (8), camera
    // name (32), directory version (4), 20 bytes; at 84 the offset and the
    // length of the JPEG, 4 bytes each, big-endian.
    const uint8_t* p = bytes.at(84, 8);
    if (!p) return std::nullopt;
    const uint64_t offset = Be32(p), length = Be32(p + 4);
    if (offset < 92 || offset > bytes.size() || bytes.size() - offset < length) return std::nullopt;
    return ByteRange{offset, offset + length};
}

namespace {

// Some writers put the eXIf chunk after the image data. The image data comes
// in many chunks, so walking them would read the whole image: the file's end
// is read once and the chunk found there by its type, its length and its
// CRC, which a chance "eXIf" inside compressed data does not have.
std::optional<ByteRange> FindPngExifAtEnd(ByteWindow& bytes, uint64_t from) {
    const uint64_t size = bytes.size();
    if (from >= size) return std::nullopt;
    const size_t n = static_cast<size_t>(std::min<uint64_t>(kTailRead, size - from));
    const uint64_t at = size - n;
    const auto tail = bytes.view(at, n);
    if (tail.size() != n || n < 12) return std::nullopt;
    for (size_t type = n - 8; type >= 4; --type) {
        if (std::memcmp(tail.data() + type, "eXIf", 4) != 0) continue;
        const uint64_t length = Be32(tail.data() + type - 4);
        if (length > n - type - 8) continue; // data and CRC inside the tail
        const size_t crcAt = type + 4 + static_cast<size_t>(length);
        if (Crc32(tail.subspan(type, crcAt - type)) != Be32(tail.data() + crcAt)) continue;
        const uint64_t data = at + type + 4;
        return WithoutExifPrefix(bytes, {data, data + length});
    }
    return std::nullopt;
}

} // namespace

std::optional<ByteRange> FindPngExif(ByteWindow& bytes) {
    // The signature (8), then chunks: 4 bytes length (big-endian), 4 bytes
    // type, the data, 4 bytes CRC. The EXIF chunk should come before the
    // image data; where it does not, it is looked for at the file's end.
    uint64_t pos = 8;
    for (int chunk = 0; chunk < kMaxChunks; ++chunk) {
        const uint8_t* p = bytes.at(pos, 8);
        if (!p) return std::nullopt;
        const uint64_t length = Be32(p);
        if (bytes.size() - pos < 12 || bytes.size() - pos - 12 < length) return std::nullopt;
        const uint64_t data = pos + 8;
        if (std::memcmp(p + 4, "eXIf", 4) == 0) return WithoutExifPrefix(bytes, {data, data + length});
        if (std::memcmp(p + 4, "IDAT", 4) == 0) return FindPngExifAtEnd(bytes, data + length + 4);
        if (std::memcmp(p + 4, "IEND", 4) == 0) return std::nullopt;
        pos = data + length + 4;
    }
    return std::nullopt;
}

namespace {

// An extended WebP whose header says it holds EXIF keeps the chunk after the
// image: after every frame of an animation, which a walk would read one by
// one. The file's end is read once and the chunk taken where it ends the
// file, or comes right before the XMP chunk that does.
std::optional<ByteRange> FindWebpExifAtEnd(ByteWindow& bytes, uint64_t end) {
    const size_t n = static_cast<size_t>(std::min<uint64_t>(kTailRead, end - 12));
    const uint64_t at = end - n;
    const auto tail = bytes.view(at, n);
    if (tail.size() != n || n < 8) return std::nullopt;
    const auto endsAt = [&](size_t i) -> size_t { // the padded end of the chunk at i, or 0
        const uint64_t size = Le32(tail.data() + i + 4);
        return size + (size & 1) <= n - i - 8 ? i + 8 + static_cast<size_t>(size + (size & 1)) : 0;
    };
    for (size_t i = n - 8; i != static_cast<size_t>(-1); --i) {
        if (std::memcmp(tail.data() + i, "EXIF", 4) != 0) continue;
        const size_t next = endsAt(i);
        const bool last = next == n;
        const bool beforeXmp =
            next && n - next >= 8 && std::memcmp(tail.data() + next, "XMP ", 4) == 0 && endsAt(next) == n;
        if (!last && !beforeXmp) continue;
        const uint64_t data = at + i + 8;
        return WithoutExifPrefix(bytes, {data, data + Le32(tail.data() + i + 4)});
    }
    return std::nullopt;
}

} // namespace

std::optional<ByteRange> FindWebpExif(ByteWindow& bytes) {
    // "RIFF", 4 bytes size of what follows (little-endian), "WEBP", then
    // chunks: 4 bytes type, 4 bytes size, the data padded to an even size.
    // A cut file tells more than it has: what it has is read.
    const uint8_t* h = bytes.at(0, 21);
    if (!h) return std::nullopt;
    const uint64_t end = 8 + std::min<uint64_t>(Le32(h + 4), bytes.size() - 8);
    // VP8X's flags: bit 3 says there is EXIF.
    if (std::memcmp(h + 12, "VP8X", 4) == 0 && (h[20] & 0x08) && end > ByteWindow::kFirstRead)
        if (const auto atEnd = FindWebpExifAtEnd(bytes, end)) return atEnd;
    uint64_t pos = 12;
    for (int chunk = 0; chunk < kMaxChunks && pos < end && end - pos >= 8; ++chunk) {
        const uint8_t* p = bytes.at(pos, 8);
        if (!p) return std::nullopt;
        const uint64_t size = Le32(p + 4);
        if (size > end - pos - 8) return std::nullopt;
        const uint64_t data = pos + 8;
        if (std::memcmp(p, "EXIF", 4) == 0) return WithoutExifPrefix(bytes, {data, data + size});
        pos = data + size + (size & 1);
    }
    return std::nullopt;
}

} // namespace kdx
