#pragma once

// Builds small files of the other formats that hold a photo's or a video's
// time, in memory, for the tests and the benchmark: TIFF data (from
// TiffBuilder) wrapped in a Fuji raw file, a HEIF file's EXIF item, a CR3's
// metadata boxes, a PNG or WebP chunk; and QuickTime/MP4 movies with a
// creation time and a recording date key. The layouts are the ones the
// writers of these formats use, with stand-in bytes for the image and sound
// data. Header only, standard C++ only.

#include <cstdint>
#include <string>

#include "exif_builder.h"

namespace kdx::test {

inline std::string Be16(uint16_t v) {
    return {char(v >> 8), char(v & 0xFF)};
}
inline std::string Be32(uint32_t v) {
    return {char(v >> 24), char((v >> 16) & 0xFF), char((v >> 8) & 0xFF), char(v & 0xFF)};
}
inline std::string Be64(uint64_t v) {
    return Be32(uint32_t(v >> 32)) + Be32(uint32_t(v & 0xFFFFFFFFu));
}
inline std::string Le32(uint32_t v) {
    return {char(v & 0xFF), char((v >> 8) & 0xFF), char((v >> 16) & 0xFF), char(v >> 24)};
}

// Bytes standing for image or sound data.
inline std::string Stand(size_t n, char c = '\x5A') {
    return std::string(n, c);
}

// --- ISO base media boxes ------------------------------------------------------

// A box: 4 bytes size, 4 bytes type, the body; with large, size 1 and an
// 8-byte size after the type.
inline std::string Box(const std::string& type, const std::string& body, bool large = false) {
    if (large) return Be32(1) + type + Be64(body.size() + 16) + body;
    return Be32(uint32_t(body.size() + 8)) + type + body;
}
// A full box: version and flags before the body.
inline std::string FullBox(const std::string& type, uint8_t version, const std::string& body) {
    return Box(type, std::string(1, char(version)) + std::string(3, '\0') + body);
}

inline std::string Ftyp(const std::string& major, const std::string& compatible) {
    return Box("ftyp", major + Be32(0) + compatible);
}

// A HEIF image (or AVIF with brand "avif"): the primary image item 1 and the
// EXIF item 2, whose data is 4 bytes header offset, "Exif\0\0" and the TIFF
// data. The EXIF item lies behind imageBytes of image data in mdat (as
// libheif writes it), or with inIdat in the idat box of meta.
inline std::string Heif(const std::string& tiff, size_t imageBytes = 2000, bool inIdat = false,
                        const std::string& brand = "heic") {
    const std::string exif = Be32(6) + std::string("Exif\0\0", 6) + tiff;
    const std::string ftyp = Ftyp(brand, "mif1" + brand);
    auto meta = [&](uint32_t imageAt, uint32_t exifAt) {
        const std::string infe1 = FullBox("infe", 2, Be16(1) + Be16(0) + "hvc1" + std::string(1, '\0'));
        const std::string infe2 = FullBox("infe", 2, Be16(2) + Be16(0) + "Exif" + std::string(1, '\0'));
        const std::string iinf = FullBox("iinf", 0, Be16(2) + infe1 + infe2);
        // Version 1: offset, length and base offset sizes 4, 4, 0, index size 0.
        std::string items = Be16(2);
        items += Be16(1) + Be16(0) + Be16(0) + Be16(1) + Be32(imageAt) + Be32(uint32_t(imageBytes));
        items += Be16(2) + Be16(inIdat ? 1 : 0) + Be16(0) + Be16(1) + Be32(exifAt) + Be32(uint32_t(exif.size()));
        const std::string iloc = FullBox("iloc", 1, std::string("\x44\x00", 2) + items);
        std::string body = FullBox("hdlr", 0, Be32(0) + "pict" + std::string(13, '\0')) + FullBox("pitm", 0, Be16(1)) +
                           iinf + iloc +
                           Box("iprp", Box("ipco", Box("ispe", std::string(4, '\0') + Be32(64) + Be32(64))));
        if (inIdat) body += Box("idat", exif);
        return FullBox("meta", 0, body);
    };
    const size_t metaSize = meta(0, 0).size();
    const uint32_t imageAt = uint32_t(ftyp.size() + metaSize + 8);
    const uint32_t exifAt = inIdat ? 0 : imageAt + uint32_t(imageBytes);
    return ftyp + meta(imageAt, exifAt) + Box("mdat", Stand(imageBytes) + (inIdat ? "" : exif));
}

// A movie header: version 0 (4-byte times) or 1 (8-byte times), seconds
// since 1904-01-01 UTC.
inline std::string Mvhd(uint64_t created, bool version1 = false) {
    const std::string rest = Be32(0x00010000) + Be16(0x0100) + std::string(10, '\0') + Be32(0x00010000) +
                             std::string(12, '\0') + Be32(0x00010000) + std::string(12, '\0') + Be32(0x40000000) +
                             std::string(24, '\0') + Be32(2);
    if (version1) return FullBox("mvhd", 1, Be64(created) + Be64(created) + Be32(600) + Be64(6000) + rest);
    return FullBox("mvhd", 0, Be32(uint32_t(created)) + Be32(uint32_t(created)) + Be32(600) + Be32(6000) + rest);
}

// A metadata box with keys: QuickTime's form (no version and flags, as in
// moov/meta), or the ISO form (as in moov/udta/meta).
inline std::string KeysMeta(const std::string& key, const std::string& value, bool isoForm = false) {
    const std::string hdlr = FullBox("hdlr", 0, Be32(0) + "mdta" + std::string(13, '\0'));
    const std::string other = "com.apple.quicktime.make";
    const std::string keys = FullBox("keys", 0,
                                     Be32(2) + Be32(uint32_t(other.size() + 8)) + "mdta" + other +
                                         Be32(uint32_t(key.size() + 8)) + "mdta" + key);
    auto item = [](uint32_t index, const std::string& text) {
        return Be32(uint32_t(text.size() + 24)) + Be32(index) + Box("data", Be32(1) + Be32(0) + text);
    };
    const std::string ilst = Box("ilst", item(1, "Apple") + item(2, value));
    const std::string body = hdlr + keys + ilst;
    return isoForm ? FullBox("meta", 0, body) : Box("meta", body);
}

// A track standing for the video track: header and an empty media box.
inline std::string Trak(size_t padding = 200) {
    return Box("trak", FullBox("tkhd", 0, std::string(80, '\0')) + Box("mdia", Stand(padding, '\0')));
}

struct MovieParts {
    std::string brand = "isom"; // "qt  " for QuickTime
    std::string moovExtra;      // boxes put into moov after the tracks (meta, udta, uuid)
    bool moovFirst = false;     // moov before mdat ("fast start"), else after it as recorders write it
    size_t mediaBytes = 4000;   // stand-in sound and video data
    bool largeMdat = false;     // mdat with a 64-bit size
    std::string mvhd = Mvhd(0); // the movie header
    size_t trackBytes = 200;    // the first track's media box (long videos have large ones)
};

inline std::string Movie(const MovieParts& m) {
    const std::string ftyp = Ftyp(m.brand, m.brand == "qt  " ? std::string("qt  ") : "isommp41");
    const std::string moov = Box("moov", m.mvhd + Trak(m.trackBytes) + Trak(64) + m.moovExtra);
    const std::string mdat = Box("mdat", Stand(m.mediaBytes), m.largeMdat);
    return m.moovFirst ? ftyp + moov + mdat : ftyp + Box("wide", "") + mdat + moov;
}

// A CR3 file: the metadata uuid box in moov with CMT1 (TIFF data with IFD0)
// and CMT2 (TIFF data with the EXIF directory as its first).
inline std::string Cr3(const std::string& cmt1, const std::string& cmt2, size_t imageBytes = 4000) {
    const std::string uuid = std::string("\x85\xC0\xB6\x87\x82\x0F\x11\xE0\x81\x11\xF4\xCE\x46\x2B\x6A\x48", 16);
    const std::string canon = Box("uuid", uuid + Box("CNCV", "CanonCR3_001/00.09.00/00.00.00") + Box("CMT1", cmt1) +
                                              Box("CMT2", cmt2) + Box("CMT3", "II*\0"));
    const std::string ftyp = Ftyp("crx ", "crx isom");
    return ftyp + Box("moov", canon + Mvhd(0) + Trak()) + Box("mdat", Stand(imageBytes));
}

// --- other containers ----------------------------------------------------------

// A Fuji raw file: its header (the JPEG's offset and length at 84), the
// JPEG, then stand-in sensor data.
inline std::string FujiRaw(const std::string& jpeg) {
    std::string header = "FUJIFILMCCD-RAW 0201FF383501";
    header += std::string("X-T3") + std::string(28, '\0') + "0100" + std::string(20, '\0');
    const uint32_t jpegAt = 160;
    header += Be32(jpegAt) + Be32(uint32_t(jpeg.size()));
    header.resize(jpegAt, '\0');
    return header + jpeg + Stand(3000);
}

inline uint32_t Crc32(const std::string& bytes) {
    uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char b : bytes) {
        crc ^= b;
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

inline std::string PngChunk(const std::string& type, const std::string& data) {
    return Be32(uint32_t(data.size())) + type + data + Be32(Crc32(type + data));
}

// A PNG of 1 x 1 grey pixel with tiff in an eXIf chunk (none when empty)
// before the image data, or after it as some writers place it; the image
// data in chunks of 8 KiB, as encoders write it.
inline std::string PngWithExif(const std::string& tiff, size_t imageBytes = 200, bool exifAfterImage = false) {
    const std::string header = Be32(1) + Be32(1) + std::string("\x08\x00\0\0\0", 5);
    std::string file = std::string("\x89PNG\r\n\x1a\n", 8) + PngChunk("IHDR", header);
    const std::string exif = tiff.empty() ? "" : PngChunk("eXIf", tiff);
    if (!exifAfterImage) file += exif;
    const std::string image = Stand(imageBytes);
    for (size_t at = 0; at < image.size(); at += 8192)
        file += PngChunk("IDAT", image.substr(at, 8192));
    if (exifAfterImage) file += exif + PngChunk("tEXt", std::string("Software\0", 9) + "maker");
    return file + PngChunk("IEND", "");
}

inline std::string RiffChunk(const std::string& type, const std::string& data) {
    return type + Le32(uint32_t(data.size())) + data + (data.size() % 2 ? std::string(1, '\0') : "");
}

// An extended WebP: VP8X (with the EXIF flag), the image, or the frames of
// an animation, then the EXIF chunk, as writers place it.
inline std::string WebpWithExif(const std::string& tiff, size_t imageBytes = 300, int frames = 0) {
    const std::string vp8x =
        RiffChunk("VP8X", std::string(frames ? "\x0A\0\0\0" : "\x08\0\0\0", 4) + std::string(6, '\0'));
    std::string image = frames ? RiffChunk("ANIM", std::string(6, '\0')) : RiffChunk("VP8 ", Stand(imageBytes));
    for (int i = 0; i < frames; ++i)
        image += RiffChunk("ANMF", std::string(16, '\0') + RiffChunk("VP8 ", Stand(imageBytes)));
    const std::string body = "WEBP" + vp8x + image + RiffChunk("EXIF", tiff) + RiffChunk("XMP ", "<x:xmpmeta/>");
    return "RIFF" + Le32(uint32_t(body.size())) + body;
}

// TIFF data as a whole file, under the mark of a raw format ("IIRO" and so
// on) instead of the TIFF one when given.
inline std::string TiffFile(const std::string& tiff, const std::string& mark = "") {
    return mark.empty() ? tiff : mark + tiff.substr(4);
}

} // namespace kdx::test
