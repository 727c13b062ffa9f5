// The reader of ISO base media files (HEIF, AVIF, CR3, MP4, QuickTime).
//
// A box: 4 bytes size (big-endian, counting the header), 4 bytes type; a
// size of 1 means an 8-byte size follows the type, a size of 0 means "to the
// end of what holds it"; a box of type "uuid" has 16 bytes of its own type
// after the header. Every box must lie inside the one that holds it.
//
// Only fixed paths are followed (meta/iinf, meta/iloc, moov/mvhd, moov/meta,
// moov/udta/meta, moov/uuid), each level by a loop of its own: the depth is
// the program's, never the file's.

#include <algorithm>
#include <cstring>
#include <string_view>

#include "core/timesrc/containers.h"

namespace kdx {

namespace {

constexpr int kMaxBoxes = 16384;     // box headers read in one file
constexpr int kMaxTopBoxes = 64;     // of them at the top level, where files have a handful
constexpr uint32_t kMaxItems = 4096; // item entries, and their extents, read from iinf and iloc
constexpr uint32_t kMaxKeys = 1024;  // metadata keys looked at
constexpr size_t kMaxDateText = 64;  // a recording date is shorter

constexpr uint32_t Type(const char (&s)[5]) {
    return (uint32_t{static_cast<uint8_t>(s[0])} << 24) | (uint32_t{static_cast<uint8_t>(s[1])} << 16) |
           (uint32_t{static_cast<uint8_t>(s[2])} << 8) | uint32_t{static_cast<uint8_t>(s[3])};
}

// The box type under which a CR3 keeps its metadata boxes (CMT1, CMT2...).
constexpr uint8_t kCanonUuid[16] = {0x85, 0xC0, 0xB6, 0x87, 0x82, 0x0F, 0x11, 0xE0,
                                    0x81, 0x11, 0xF4, 0xCE, 0x46, 0x2B, 0x6A, 0x48};
constexpr std::string_view kCreationDateKey = "com.apple.quicktime.creationdate";

uint64_t BigEndian(const uint8_t* p, unsigned n) {
    uint64_t v = 0;
    for (unsigned i = 0; i < n; ++i)
        v = (v << 8) | p[i];
    return v;
}

struct Box {
    uint32_t type = 0;
    uint64_t begin = 0; // the header
    uint64_t body = 0;  // after the header (and a uuid box's own type)
    uint64_t end = 0;
};

// Fields read one after the other from a part of a box, none past its end.
class Fields {
public:
    Fields(ByteWindow& bytes, uint64_t pos, uint64_t end) : m_bytes(bytes), m_pos(std::min(pos, end)), m_end(end) {}

    uint64_t pos() const { return m_pos; }
    bool skip(uint64_t n) {
        if (n > m_end - m_pos) return false;
        m_pos += n;
        return true;
    }
    // A big-endian number of 0 to 8 bytes.
    bool number(unsigned n, uint64_t& v) {
        if (n > 8 || n > m_end - m_pos) return false;
        const uint8_t* p = n ? m_bytes.at(m_pos, n) : nullptr;
        if (n && !p) return false;
        v = n ? BigEndian(p, n) : 0;
        m_pos += n;
        return true;
    }
    template <class T>
    bool number(unsigned n, T& v) {
        uint64_t wide = 0;
        if (!number(n, wide)) return false;
        v = static_cast<T>(wide);
        return true;
    }

private:
    ByteWindow& m_bytes;
    uint64_t m_pos;
    uint64_t m_end;
};

class IsoReader {
public:
    explicit IsoReader(ByteWindow& bytes) : m_bytes(bytes) {}

    IsoMediaTimes read() {
        // A HEIF file's meta box comes before its data; the walk ends at
        // the movie box, behind which a fragmented movie has many boxes.
        const uint64_t end = m_bytes.size();
        Box meta, moov;
        Box box;
        for (uint64_t pos = 0, n = 0; n < kMaxTopBoxes && !moov.type && pos < end && readBox(pos, end, box);
             pos = box.end, ++n) {
            if (box.type == Type("meta") && !meta.type) meta = box;
            if (box.type == Type("moov")) moov = box;
        }
        if (meta.type) readItems(meta);
        if (moov.type) readMovie(moov);
        return m_times;
    }

private:
    // The box whose header is at pos, inside a parent that ends at end.
    bool readBox(uint64_t pos, uint64_t end, Box& box) {
        if (m_boxesLeft <= 0 || pos >= end || end - pos < 8) return false;
        --m_boxesLeft;
        const uint8_t* p = m_bytes.at(pos, 8);
        if (!p) return false;
        uint64_t size = BigEndian(p, 4), header = 8;
        box.type = static_cast<uint32_t>(BigEndian(p + 4, 4));
        if (size == 1) {
            const uint8_t* large = end - pos >= 16 ? m_bytes.at(pos + 8, 8) : nullptr;
            if (!large) return false;
            size = BigEndian(large, 8);
            header = 16;
        } else if (size == 0) {
            size = end - pos;
        }
        if (box.type == Type("uuid")) header += 16;
        if (size < header || size > end - pos) return false;
        box.begin = pos;
        box.body = pos + header;
        box.end = pos + size;
        return true;
    }

    // The children of a box from first on, until visit returns false.
    template <class Visit>
    void children(uint64_t first, uint64_t end, Visit visit) {
        Box child;
        for (uint64_t pos = first; pos < end && readBox(pos, end, child); pos = child.end)
            if (!visit(child)) return;
    }

    // A full box's body begins with 1 byte version and 3 bytes flags.
    static bool FullBoxStart(const Box& b, uint64_t& first) {
        if (b.end - b.body < 4) return false;
        first = b.body + 4;
        return true;
    }

    // --- HEIF: the item of type "Exif" ---------------------------------

    void readItems(const Box& meta) {
        m_bytes.load(meta.begin, meta.end - meta.begin);
        uint64_t first;
        if (!FullBoxStart(meta, first)) return;
        Box iinf, iloc, idat;
        children(first, meta.end, [&](const Box& b) {
            if (b.type == Type("iinf")) iinf = b;
            if (b.type == Type("iloc")) iloc = b;
            if (b.type == Type("idat")) idat = b;
            return true;
        });
        uint32_t exifItem = 0;
        if (!iinf.type || !iloc.type || !findExifItem(iinf, exifItem)) return;
        locateItem(iloc, idat, exifItem);
    }

    // The first item whose type is "Exif".
    bool findExifItem(const Box& iinf, uint32_t& item) {
        // Version, flags, and the entry count (2 bytes in version 0, else 4),
        // then the item entries.
        Fields f(m_bytes, iinf.body, iinf.end);
        unsigned version = 0;
        if (!f.number(1, version) || !f.skip(3) || !f.skip(version == 0 ? 2 : 4)) return false;
        uint32_t entries = 0;
        bool found = false;
        children(f.pos(), iinf.end, [&](const Box& infe) {
            if (++entries > kMaxItems) return false;
            if (infe.type != Type("infe")) return true;
            // Version 2: 2 bytes item id; version 3: 4 bytes. Then 2 bytes
            // protection index and 4 bytes item type. Older versions have no
            // item type, and so no EXIF item.
            Fields e(m_bytes, infe.body, infe.end);
            unsigned v = 0;
            uint64_t id = 0, type = 0;
            if (!e.number(1, v) || (v != 2 && v != 3) || !e.skip(3) || !e.number(v == 2 ? 2 : 4, id) || !e.skip(2) ||
                !e.number(4, type))
                return true;
            if (type != Type("Exif")) return true;
            item = static_cast<uint32_t>(id);
            found = true;
            return false;
        });
        return found;
    }

    void locateItem(const Box& iloc, const Box& idat, uint32_t item) {
        // Version, flags; 4 bits each: offset size, length size, base offset
        // size, and (versions 1 and 2) index size; the item count (2 bytes,
        // version 2: 4); per item: its id (2 bytes, version 2: 4), in versions
        // 1 and 2 the construction method (low 4 bits of 2 bytes), 2 bytes
        // data reference index, the base offset, 2 bytes extent count and the
        // extents: index, offset, length.
        Fields f(m_bytes, iloc.body, iloc.end);
        unsigned version = 0, sizes = 0, more = 0;
        if (!f.number(1, version) || version > 2 || !f.skip(3) || !f.number(1, sizes) || !f.number(1, more)) return;
        const unsigned offsetSize = sizes >> 4, lengthSize = sizes & 15, baseSize = more >> 4;
        const unsigned indexSize = version == 0 ? 0 : more & 15;
        for (unsigned s : {offsetSize, lengthSize, baseSize, indexSize})
            if (s != 0 && s != 4 && s != 8) return;
        const unsigned idSize = version == 2 ? 4 : 2;
        uint64_t count = 0;
        if (!f.number(idSize, count)) return;
        uint64_t walked = 0;
        for (uint64_t i = 0; i < count; ++i) {
            uint64_t id = 0, method = 0, base = 0, extents = 0;
            if (!f.number(idSize, id)) return;
            if (version != 0 && !f.number(2, method)) return;
            if (!f.skip(2) || !f.number(baseSize, base) || !f.number(2, extents)) return;
            uint64_t offset = 0, length = 0;
            for (uint64_t e = 0; e < extents; ++e) {
                if (++walked > kMaxItems) return;
                if (!f.skip(indexSize) || !f.number(offsetSize, offset) || !f.number(lengthSize, length)) return;
                if (id == item) break; // the first extent is read; see below
            }
            if (++walked > kMaxItems) return;
            if (id != item) continue;
            // Data in more than one piece is not a block the walk of the
            // TIFF data can read.
            if (extents == 1) takeExifItem(method & 15, base, offset, length, idat);
            return;
        }
    }

    // The item's data: 4 bytes offset of the TIFF header from the end of
    // those 4 bytes (past the "Exif\0\0" of the JPEG segment), then the rest.
    void takeExifItem(uint64_t method, uint64_t base, uint64_t offset, uint64_t length, const Box& idat) {
        // Construction method 0: offsets in the file; 1: in the idat box of meta.
        uint64_t from = 0, to = m_bytes.size();
        if (method == 1) {
            if (!idat.type) return;
            from = idat.body;
            to = idat.end;
        } else if (method != 0) {
            return;
        }
        if (base > to - from || offset > to - from - base) return;
        const uint64_t begin = from + base + offset;
        if (length == 0) length = to - begin; // to the end
        if (length > to - begin || length < 4) return;
        m_bytes.load(begin, length);
        const uint8_t* p = m_bytes.at(begin, 4);
        if (!p) return;
        const uint64_t header = BigEndian(p, 4);
        if (header > length - 4) return;
        m_times.exif = ByteRange{begin + 4 + header, begin + length};
    }

    // --- movies: their time, and CR3's metadata ------------------------

    void readMovie(const Box& moov) {
        m_bytes.loadLarge(moov.begin, moov.end - moov.begin);
        std::string udtaDate;
        children(moov.body, moov.end, [&](const Box& b) {
            if (b.type == Type("mvhd")) readMovieHeader(b);
            if (b.type == Type("meta") && m_times.creationDate.empty()) m_times.creationDate = readCreationKey(b);
            if (b.type == Type("udta") && udtaDate.empty()) {
                children(b.body, b.end, [&](const Box& m) {
                    if (m.type == Type("meta")) udtaDate = readCreationKey(m);
                    return udtaDate.empty();
                });
            }
            if (b.type == Type("uuid")) readCanonBoxes(b);
            return true;
        });
        if (m_times.creationDate.empty()) m_times.creationDate = std::move(udtaDate);
    }

    // Version (1), flags (3), then the creation time: 4 bytes, or 8 in
    // version 1.
    void readMovieHeader(const Box& mvhd) {
        Fields f(m_bytes, mvhd.body, mvhd.end);
        unsigned version = 0;
        uint64_t created = 0;
        if (f.number(1, version) && version <= 1 && f.skip(3) && f.number(version == 1 ? 8 : 4, created))
            m_times.movieCreated = created;
    }

    // QuickTime's meta box holds boxes at once; the ISO one (as in udta)
    // has version and flags first. Its handler box tells which.
    uint64_t FirstInMeta(const Box& meta) {
        const uint8_t* p = meta.end - meta.body >= 8 ? m_bytes.at(meta.body + 4, 4) : nullptr;
        return p && std::memcmp(p, "hdlr", 4) == 0 ? meta.body : meta.body + 4;
    }

    // The value of the creation date key: the keys box names the keys, the
    // ilst box holds a box per value, whose type is the key's index from 1,
    // with a data box inside: 4 bytes type, 4 bytes locale, the value.
    std::string readCreationKey(const Box& meta) {
        Box keys, ilst;
        children(FirstInMeta(meta), meta.end, [&](const Box& b) {
            if (b.type == Type("keys")) keys = b;
            if (b.type == Type("ilst")) ilst = b;
            return true;
        });
        uint32_t index = 0;
        if (!keys.type || !ilst.type || !findKey(keys, index)) return {};
        std::string value;
        children(ilst.body, ilst.end, [&](const Box& entry) {
            if (entry.type != index) return true;
            children(entry.body, entry.end, [&](const Box& data) {
                if (data.type != Type("data") || data.end - data.body < 8) return true;
                const uint64_t length = std::min<uint64_t>(data.end - data.body - 8, kMaxDateText);
                const auto v = m_bytes.view(data.body + 8, static_cast<size_t>(length));
                if (v.size() == length) value.assign(v.begin(), v.end());
                return false;
            });
            return false;
        });
        return value;
    }

    // Version, flags, 4 bytes entry count, then per key: 4 bytes size
    // (counting these 8 bytes), 4 bytes namespace, the name.
    bool findKey(const Box& keys, uint32_t& index) {
        Fields f(m_bytes, keys.body, keys.end);
        uint64_t count = 0;
        if (!f.skip(4) || !f.number(4, count)) return false;
        for (uint64_t i = 1; i <= std::min<uint64_t>(count, kMaxKeys); ++i) {
            const uint64_t at = f.pos();
            uint64_t size = 0, space = 0;
            if (!f.number(4, size) || !f.number(4, space) || size < 8 || !f.skip(size - 8)) return false;
            if (space != Type("mdta") || size - 8 != kCreationDateKey.size()) continue;
            const uint8_t* name = m_bytes.at(at + 8, kCreationDateKey.size());
            if (name && std::memcmp(name, kCreationDateKey.data(), kCreationDateKey.size()) == 0) {
                index = static_cast<uint32_t>(i);
                return true;
            }
        }
        return false;
    }

    // CR3: the uuid box of the metadata, with CMT1 (TIFF data with IFD0) and
    // CMT2 (TIFF data with the EXIF directory).
    void readCanonBoxes(const Box& uuid) {
        const uint8_t* id = m_bytes.at(uuid.body - 16, 16);
        if (!id || std::memcmp(id, kCanonUuid, 16) != 0) return;
        children(uuid.body, uuid.end, [&](const Box& b) {
            if (b.type == Type("CMT1") && !m_times.canonIfd0) m_times.canonIfd0 = ByteRange{b.body, b.end};
            if (b.type == Type("CMT2") && !m_times.canonExif) m_times.canonExif = ByteRange{b.body, b.end};
            return true;
        });
    }

    ByteWindow& m_bytes;
    IsoMediaTimes m_times;
    int m_boxesLeft = kMaxBoxes;
};

} // namespace

IsoMediaTimes ReadIsoMedia(ByteWindow& bytes) {
    return IsoReader(bytes).read();
}

} // namespace kdx
