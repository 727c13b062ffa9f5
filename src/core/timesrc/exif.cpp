#include "core/timesrc/exif.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

#include "core/common/text.h"

namespace kdx {

namespace {

// Bounds on the work done for one file, far above what real photos need.
constexpr int kMaxSegments = 4096;        // JPEG segments walked before the EXIF one
constexpr size_t kMaxStrayBytes = 65536;  // fill and stray bytes skipped between segments
constexpr uint32_t kMaxEntries = 1024;    // entries read from one directory
constexpr uint32_t kGuessedEntries = 100; // an IFD0 count of 0 is taken as this
constexpr uint32_t kMaxTextBytes = 65535; // an APP1 segment, and so any text in it, is shorter
constexpr size_t kFarReadMin = 4096;      // smallest read beyond the first one

// JPEG markers (the byte after FF).
constexpr uint8_t kSOI = 0xD8, kEOI = 0xD9, kSOS = 0xDA, kAPP1 = 0xE1, kTEM = 0x01;
constexpr bool IsStandalone(uint8_t code) {
    return code == kTEM || code == kSOI || (code >= 0xD0 && code <= 0xD7);
}

// Entry types whose value the reader keeps only a byte of.
constexpr uint16_t kTypeByte = 1, kTypeShort = 3;

namespace tag {
constexpr uint16_t ImageDescription = 270, Make = 271, Model = 272, Orientation = 274;
constexpr uint16_t XResolution = 282, YResolution = 283, Software = 305, DateTime = 306, Artist = 315;
constexpr uint16_t Copyright = 33432, ExposureTime = 33434, FNumber = 33437, ExifIFD = 34665;
constexpr uint16_t ExposureProgram = 34850, ISOSpeed = 34855, DateTimeOriginal = 36867, DateTimeDigitized = 36868;
constexpr uint16_t CompressedBPP = 37122, ShutterSpeed = 37377, Aperture = 37378, MaxAperture = 37381;
constexpr uint16_t MeteringMode = 37383, LightSource = 37384, Flash = 37385, UserComment = 37510;
constexpr uint16_t ExifImageWidth = 40962, ExifImageHeight = 40963;
} // namespace tag

std::string_view Lookup(std::span<const std::string_view> table, unsigned code, std::string_view otherwise) {
    return code < table.size() ? table[code] : otherwise;
}

} // namespace

// --- description tables ----------------------------------------------------

std::string_view OrientationDescription(unsigned code) {
    static constexpr std::string_view texts[] = {"Unknown",
                                                 "Normal",
                                                 "Mirrored",
                                                 "Rotated 180",
                                                 "Rotated 180, mirrored",
                                                 "Rotated 90 left, mirrored",
                                                 "Rotated 90 right",
                                                 "Rotated 90 right, mirrored",
                                                 "Rotated 90 left"};
    return Lookup(texts, code, "Unknown");
}

std::string_view ExposureProgramDescription(unsigned code) {
    static constexpr std::string_view texts[] = {"Unknown",           "Manual Control",   "Normal Program",
                                                 "Aperture Priority", "Shutter Priority", "Creative Program",
                                                 "Action Program",    "Portrait Mode",    "Landscape Mode"};
    return Lookup(texts, code, "Unknown");
}

std::string_view MeteringModeDescription(unsigned code) {
    static constexpr std::string_view texts[] = {
        "Unknown", "Average", "Center Weighted Average", "Spot", "Multi Spot", "Pattern", "Partial", "Other"};
    return Lookup(texts, code, "Unknown");
}

std::string_view LightSourceDescription(unsigned code) {
    switch (code) {
    case 0:
        return "Unknown";
    case 1:
        return "Daylight";
    case 2:
        return "Flourescent"; // sic: the text users know
    case 3:
        return "Tungsten";
    case 10:
        return "Flash";
    case 17:
        return "Standard Light A";
    case 18:
        return "Standard Light B";
    case 19:
        return "Standard Light C";
    case 20:
        return "D55";
    case 21:
        return "D65";
    case 22:
        return "D75";
    case 255:
        return "Other";
    default:
        return "Unknown";
    }
}

std::string_view FlashDescription(unsigned code) {
    switch (code) {
    case 1:
        return "Flash";
    case 5:
        return "Flash No Strobe";
    case 7:
        return "Flash Strobe";
    case 25:
        return "Flash (Auto)";
    default:
        return "No Flash";
    }
}

// --- bytes in memory -------------------------------------------------------

int64_t MemoryInput::readAt(uint64_t offset, void* buffer, size_t size) {
    if (offset >= m_data.size()) return 0;
    const size_t n = static_cast<size_t>(std::min<uint64_t>(size, m_data.size() - offset));
    std::memcpy(buffer, m_data.data() + offset, n);
    return static_cast<int64_t>(n);
}

// --- buffered access to the data --------------------------------------------

// The data of one file: a first read from the start that serves almost every
// photo, and one window further on, read only when an offset points past the
// first. Nothing is ever read one byte per call.
class TExif::Bytes {
public:
    Bytes(InputFile& source, size_t firstRead) : m_source(source), m_size(source.size()) {
        const size_t want = static_cast<size_t>(std::min<uint64_t>(firstRead, m_size));
        if (want <= kFirstRead) {
            m_head = ThreadScratch();
        } else {
            m_ownHead = std::make_unique_for_overwrite<uint8_t[]>(want);
            m_head = m_ownHead.get();
        }
        const int64_t got = want ? m_source.readAt(0, m_head, want) : 0;
        m_headLen = got > 0 ? static_cast<size_t>(got) : 0;
        // A file that shrank since it was opened ends where reading ended.
        if (m_headLen < want) m_size = m_headLen;
        m_farMin = std::min(firstRead, kFarReadMin);
    }

    uint64_t size() const { return m_size; }

    // Up to want bytes at offset, in one piece; fewer only where the data
    // ends, none past it.
    std::span<const uint8_t> view(uint64_t offset, size_t want) {
        if (offset >= m_size) return {};
        const size_t n = static_cast<size_t>(std::min<uint64_t>(want, m_size - offset));
        if (offset < m_headLen && m_headLen - offset >= n) return {m_head + offset, n};
        if (offset >= m_farAt && offset - m_farAt <= m_far.size() && m_far.size() - (offset - m_farAt) >= n)
            return {m_far.data() + (offset - m_farAt), n};
        const size_t len = static_cast<size_t>(std::min<uint64_t>(std::max(n, m_farMin), m_size - offset));
        m_far.resize(len);
        const int64_t got = m_source.readAt(offset, m_far.data(), len);
        m_far.resize(got > 0 ? static_cast<size_t>(got) : 0);
        m_farAt = offset;
        return {m_far.data(), std::min(n, m_far.size())};
    }

    // Exactly n bytes at offset, or nullptr where the data ends first.
    const uint8_t* at(uint64_t offset, size_t n) {
        const auto v = view(offset, n);
        return v.size() == n ? v.data() : nullptr;
    }

private:
    InputFile& m_source;
    uint64_t m_size;
    // A fresh 64 KiB block for every file would cost the allocator a trip
    // to the system and the pages their faults: the first read goes to a
    // block kept per thread (one reading at a time per thread).
    static uint8_t* ThreadScratch() {
        thread_local const std::unique_ptr<uint8_t[]> block = std::make_unique_for_overwrite<uint8_t[]>(kFirstRead);
        return block.get();
    }

    uint8_t* m_head = nullptr;
    std::unique_ptr<uint8_t[]> m_ownHead;
    size_t m_headLen = 0;
    std::vector<uint8_t> m_far;
    uint64_t m_farAt = 0;
    size_t m_farMin = kFarReadMin;
};

namespace {

enum class Search { Found, NotFound, Damaged };

bool IsExifHeader(const uint8_t* p) {
    return std::memcmp(p, "Exif\0", 5) == 0;
} // the sixth byte is padding

// Walks the segments from the start of image to the start of scan by their
// length fields and finds the first APP1 segment that holds EXIF data.
template <class Bytes>
Search WalkSegments(Bytes& bytes, uint64_t& marker) {
    uint64_t pos = 2; // after FF D8
    size_t stray = 0;
    for (int segment = 0; segment < kMaxSegments; ++segment) {
        // A marker is FF and a code other than 00 and FF. Writers may put fill
        // bytes FF before it; damaged files have stray bytes instead.
        const uint8_t* m;
        for (;;) {
            m = bytes.at(pos, 2);
            if (!m) return Search::Damaged;
            if (m[0] == 0xFF && m[1] != 0xFF && m[1] != 0x00) break;
            if (++stray > kMaxStrayBytes) return Search::Damaged;
            ++pos;
        }
        const uint8_t code = m[1];
        if (code == kSOS || code == kEOI) return Search::NotFound;
        if (IsStandalone(code)) {
            pos += 2;
            continue;
        }
        // 2 bytes marker, 2 bytes big-endian length counting itself, the rest.
        const uint8_t* l = bytes.at(pos + 2, 2);
        if (!l) return Search::Damaged;
        const unsigned length = (unsigned{l[0]} << 8) | l[1];
        if (length < 2) return Search::Damaged;
        if (code == kAPP1 && length >= 8) {
            const uint8_t* id = bytes.at(pos + 4, 5);
            if (!id) return Search::Damaged;
            if (IsExifHeader(id)) {
                marker = pos;
                return Search::Found;
            }
        }
        pos += 2 + length;
    }
    return Search::NotFound;
}

// The first "FF E1 ll ll Exif\0" at any position of the start of the data.
bool ScanForExifMarker(std::span<const uint8_t> head, uint64_t& marker) {
    for (size_t i = 2; i + 9 <= head.size(); ++i) {
        const uint8_t* p = head.data() + i;
        if (p[0] == 0xFF && p[1] == kAPP1 && IsExifHeader(p + 4)) {
            marker = i;
            return true;
        }
    }
    return false;
}

// offset + value without wrapping; past any data when it would wrap.
uint64_t AddOffset(uint64_t base, uint32_t value) {
    return value > std::numeric_limits<uint64_t>::max() - base ? std::numeric_limits<uint64_t>::max() : base + value;
}

} // namespace

// --- TExif -----------------------------------------------------------------

void TExif::Clear() {
    for (std::string* s : {&ImageDescription,
                           &Make,
                           &Model,
                           &OrientationText,
                           &Rights,
                           &DateTime,
                           &DateTimeOriginal,
                           &DateTimeDigitized,
                           &UserComment,
                           &ExposureTime,
                           &FNumber,
                           &ShutterSpeed,
                           &Aperture,
                           &MaxAperture,
                           &ExposureProgramText,
                           &MeteringModeText,
                           &LightSourceText,
                           &FlashText,
                           &Software,
                           &Artist,
                           &CompressedBPP})
        s->clear();
    Orientation = ExposureProgram = MeteringMode = LightSource = Flash = 0;
    ExifImageWidth = ExifImageHeight = XResolution = YResolution = 0;
    ISOSpeed = 0;
    ExifIFDOffset = 0;
    Valid = BigEndian = false;
}

uint16_t TExif::word(const uint8_t* p) const {
    const uint16_t v = static_cast<uint16_t>(p[0] | (p[1] << 8));
    return BigEndian ? SwapWord(v) : v;
}

uint32_t TExif::dword(const uint8_t* p) const {
    const uint32_t v = uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
    return BigEndian ? SwapLong(v) : v;
}

bool TExif::ReadFromFile(const std::string& path) {
    const auto file = sys().openForRead(path);
    return file && ReadFrom(**file);
}

bool TExif::ReadFrom(InputFile& source, size_t firstRead) {
    Clear();
    Bytes bytes(source, std::max<size_t>(firstRead, 1));
    m_bytes = &bytes;
    struct Detach {
        TExif* exif;
        ~Detach() { exif->m_bytes = nullptr; }
    } detach{this};

    const uint8_t* soi = bytes.at(0, 2);
    if (!soi) return false;
    if (soi[0] != 0xFF || soi[1] != kSOI) return true; // not a JPEG

    uint64_t marker = 0;
    const Search found = WalkSegments(bytes, marker);
    // When the walk breaks down on damaged lengths, or ends without an EXIF
    // block (some writers put it where the walk never looks), the marker is
    // looked for at every position of the first read instead.
    if (found != Search::Found && !ScanForExifMarker(bytes.view(0, kFirstRead), marker))
        return found == Search::NotFound;
    Valid = true;

    // After FF E1, the length and "Exif\0\0": the TIFF header, 2 bytes "II" or
    // "MM", 2 bytes 42, 4 bytes offset of IFD0. Offsets count from here.
    m_base = marker + 10;
    const uint8_t* header = bytes.at(m_base, 8);
    if (!header) return false;
    BigEndian = header[0] == 'M' && header[1] == 'M';
    const uint32_t ifd0 = dword(header + 4);

    if (!readDirectory(AddOffset(m_base, ifd0), true, false)) return false;
    if (ExifIFDOffset != 0 && !readDirectory(AddOffset(m_base, ExifIFDOffset), false, true)) return false;
    return true;
}

// A directory: 2 bytes entry count, then 12 bytes per entry.
bool TExif::readDirectory(uint64_t at, bool zeroMeansGuess, bool exifDirectory) {
    const uint8_t* p = m_bytes->at(at, 2);
    if (!p) return false;
    uint32_t count = word(p);
    // Some writers leave the count of IFD0 at 0; its entries are then read
    // until a tag 0 or the end of the data.
    const bool guessed = count == 0 && zeroMeansGuess;
    if (guessed) count = kGuessedEntries;
    count = std::min(count, kMaxEntries);
    m_pos = AddOffset(at, 2);
    for (uint32_t i = 0; i < count; ++i) {
        ExifEntry e;
        if (!ReadEntry(e)) return guessed;
        if (e.tag == 0) break;
        if (exifDirectory)
            takeExifEntry(e);
        else
            takeIfd0Entry(e);
    }
    return true;
}

// 2 bytes tag, 2 bytes type, 4 bytes count, 4 bytes value or offset.
bool TExif::ReadEntry(ExifEntry& e) {
    if (!m_bytes) return false;
    const uint8_t* p = m_bytes->at(m_pos, 12);
    if (!p) return false;
    m_pos += 12;
    e.tag = word(p);
    e.type = word(p + 2);
    e.count = dword(p + 4);
    e.value = dword(p + 8);
    if (e.type == kTypeByte || e.type == kTypeShort) {
        // Only the first byte of the value is kept (the low byte of a 16-bit
        // number), except for the ISO speed, whose 16 bits all count.
        if (e.tag == tag::ISOSpeed)
            e.value = word(p + 8);
        else
            e.value = BigEndian ? p[9] : p[8];
    }
    return true;
}

std::string TExif::ReadStringAt(uint64_t offset, uint32_t count) {
    if (!m_bytes) return {};
    // The count includes the closing NUL, but cameras also store texts
    // without one: up to count bytes are taken, up to the first NUL.
    const uint32_t limit = std::min(std::max(count, 1u), kMaxTextBytes);
    const auto v = m_bytes->view(offset, limit);
    const char* text = reinterpret_cast<const char*>(v.data());
    const void* nul = v.empty() ? nullptr : std::memchr(text, 0, v.size());
    // Runs past the end of the data, unless only the closing NUL is missing.
    if (!nul && v.size() + 1 < limit) return {};
    const size_t length = nul ? static_cast<size_t>(static_cast<const char*>(nul) - text) : v.size();
    return std::string(TrimRight(std::string_view(text, length)));
}

uint32_t TExif::ReadLongAt(uint64_t offset) {
    const uint8_t* p = m_bytes ? m_bytes->at(offset, 4) : nullptr;
    return p ? dword(p) : 0;
}

// 4 bytes numerator, 4 bytes denominator, both unsigned.
bool TExif::readRational(uint64_t offset, uint32_t& numerator, uint32_t& denominator) {
    const uint8_t* p = m_bytes ? m_bytes->at(offset, 8) : nullptr;
    if (!p) return false;
    numerator = dword(p);
    denominator = dword(p + 4);
    return denominator != 0;
}

std::string TExif::ReadRationalText(uint64_t offset, bool decimal) {
    uint32_t num, den;
    if (!readRational(offset, num, den)) return {};
    if (!decimal) return den == 1000000 ? "0" : std::to_string(num) + "/" + std::to_string(den);
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, double(num) / den, std::chars_format::fixed, 2);
    std::string text(buf, r.ptr);
    if (text.back() == '0') text.pop_back(); // 2.80 -> 2.8, 4.00 -> 4.0
    return text;
}

double TExif::ReadRationalValue(uint64_t offset) {
    uint32_t num, den;
    return readRational(offset, num, den) ? double(num) / den : 0.0;
}

void TExif::takeIfd0Entry(const ExifEntry& e) {
    const uint64_t at = AddOffset(m_base, e.value);
    switch (e.tag) {
    case tag::ImageDescription:
        ImageDescription = ReadStringAt(at, e.count);
        break;
    case tag::Make:
        Make = ReadStringAt(at, e.count);
        break;
    case tag::Model:
        Model = ReadStringAt(at, e.count);
        break;
    case tag::Software:
        Software = ReadStringAt(at, e.count);
        break;
    case tag::DateTime:
        DateTime = ReadStringAt(at, e.count);
        break;
    case tag::Artist:
        Artist = ReadStringAt(at, e.count);
        break;
    case tag::Copyright:
        Rights = ReadStringAt(at, e.count);
        break;
    case tag::Orientation:
        Orientation = static_cast<uint8_t>(e.value);
        OrientationText = OrientationDescription(Orientation);
        break;
    case tag::XResolution:
        XResolution = static_cast<int32_t>(ReadLongAt(at));
        break;
    case tag::YResolution:
        YResolution = static_cast<int32_t>(ReadLongAt(at));
        break;
    case tag::ExifIFD:
        ExifIFDOffset = e.value;
        break;
    default:
        break;
    }
}

void TExif::takeExifEntry(const ExifEntry& e) {
    const uint64_t at = AddOffset(m_base, e.value);
    switch (e.tag) {
    case tag::ExposureTime: {
        const std::string t = ReadRationalText(at, false);
        ExposureTime = t.empty() ? t : t + " seconds";
        break;
    }
    case tag::FNumber:
        FNumber = ReadRationalText(at, true);
        break;
    case tag::CompressedBPP:
        CompressedBPP = ReadRationalText(at, true);
        break;
    case tag::Aperture:
        Aperture = ReadRationalText(at, true);
        break;
    case tag::MaxAperture:
        MaxAperture = ReadRationalText(at, true);
        break;
    case tag::ExposureProgram:
        ExposureProgram = static_cast<uint8_t>(e.value);
        ExposureProgramText = ExposureProgramDescription(ExposureProgram);
        break;
    case tag::ISOSpeed:
        ISOSpeed = static_cast<uint16_t>(e.value);
        break;
    case tag::DateTimeOriginal:
        DateTimeOriginal = ReadStringAt(at, e.count);
        break;
    case tag::DateTimeDigitized:
        DateTimeDigitized = ReadStringAt(at, e.count);
        break;
    case tag::UserComment:
        UserComment = ReadStringAt(at, e.count);
        break;
    case tag::ShutterSpeed: {
        // An APEX value v: the exposure is 1/2^v seconds. The parts are read
        // unsigned, so a negative value counts as a huge one.
        ShutterSpeed.clear();
        uint32_t num, den;
        if (!readRational(at, num, den)) break;
        const float v = static_cast<float>(double(num) / den);
        if (v >= 65535.0f) {
            ShutterSpeed = "1 seconds";
        } else if (const double n = std::nearbyint(std::exp2(double(v))); n < 9.2e18) {
            ShutterSpeed = "1/" + std::to_string(static_cast<int64_t>(n)) + " seconds";
        }
        break;
    }
    case tag::MeteringMode:
        MeteringMode = static_cast<uint8_t>(e.value);
        MeteringModeText = MeteringModeDescription(MeteringMode);
        break;
    case tag::LightSource:
        LightSource = static_cast<uint8_t>(e.value);
        LightSourceText = LightSourceDescription(LightSource);
        break;
    case tag::Flash:
        Flash = static_cast<uint8_t>(e.value);
        FlashText = FlashDescription(Flash);
        break;
    case tag::ExifImageWidth:
        ExifImageWidth = static_cast<int32_t>(e.value);
        break;
    case tag::ExifImageHeight:
        ExifImageHeight = static_cast<int32_t>(e.value);
        break;
    default:
        break;
    }
}

} // namespace kdx
