#include "core/lists/snapshot.h"

#include <array>

#include "platform/platform.h"

namespace kdx {

namespace {

constexpr uint16_t SignatureOpen = 0x2045;
constexpr uint16_t SignatureClose = 0x2046;
constexpr uint16_t CurrentVersion = 2;
constexpr uint32_t CountOfVersion1 = 2147483647; // version 1 files have no count: read to the end

constexpr int32_t RowChunk = 1;
constexpr int32_t BaseChunk = 2;
constexpr int32_t DataChunk = 4;

constexpr uint32_t HeaderSize = 8;
constexpr uint32_t BaseBodySize = 17;
constexpr uint32_t BaseBodySizeVersion1 = 15;
constexpr uint32_t RowHeight = 20;
constexpr uint8_t Alignment = 50;

constexpr uint16_t FlagInitialised = 0x0001;
constexpr uint16_t FlagVisible = 0x0080;
constexpr uint16_t FlagSelected = 0x0100;

constexpr size_t TextCount = 6;

// The six texts in the order they are stored.
template <class Entry>
auto& TextOf(Entry& e, size_t index) {
    switch (index) {
    case 0:
        return e.Name;
    case 1:
        return e.CreateTime;
    case 2:
        return e.WriteTime;
    case 3:
        return e.AccessTime;
    case 4:
        return e.PhotoTime;
    default:
        return e.NameTime;
    }
}

void Put16(std::string& out, uint16_t v) {
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>(v >> 8));
}

void Put32(std::string& out, uint32_t v) {
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<char>((v >> shift) & 0xFF));
}

uint16_t Get16(std::string_view b, uint64_t at) {
    return static_cast<uint16_t>(static_cast<unsigned char>(b[at]) | static_cast<unsigned char>(b[at + 1]) << 8);
}

uint32_t Get32(std::string_view b, uint64_t at) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | static_cast<unsigned char>(b[at + static_cast<uint64_t>(i)]);
    return v;
}

uint64_t DataBodySize(const FileEntry& e) {
    uint64_t size = 4 * TextCount;
    for (size_t i = 0; i < TextCount; ++i)
        size += TextOf(e, i).size();
    return size;
}

enum class Fault {
    None,
    NotEnoughData,
    WrongFormat,
    UnknownVersion,
    ReadError,
    AnchorMissing,
    DataAfterEnd,
    TooManyRows
};

std::string_view MessageOf(Fault f) {
    switch (f) {
    case Fault::NotEnoughData:
        return SnapshotNotEnoughData;
    case Fault::WrongFormat:
        return SnapshotWrongFormat;
    case Fault::UnknownVersion:
        return SnapshotUnknownVersion;
    case Fault::ReadError:
        return SnapshotReadError;
    case Fault::AnchorMissing:
        return SnapshotAnchorMissing;
    case Fault::DataAfterEnd:
        return SnapshotDataAfterEnd;
    case Fault::TooManyRows:
        return SnapshotTooManyRows;
    case Fault::None:
        break;
    }
    return {};
}

// The first pass only checks the file and counts its rows, so the second
// can allocate the list once and cannot fail.
struct CountingSink {
    size_t rows = 0;
    size_t newRow() { return rows++; }
    size_t rowCount() const { return rows; }
    void setFlags(size_t, uint16_t) {}
    void setText(size_t, size_t, std::string_view) {}
};

struct BuildingSink {
    std::vector<FileEntry>& rows;
    std::vector<bool>& selected;
    size_t newRow() {
        rows.emplace_back();
        selected.push_back(false);
        return rows.size() - 1;
    }
    size_t rowCount() const { return rows.size(); }
    void setFlags(size_t row, uint16_t flags) { selected[row] = (flags & FlagSelected) != 0; }
    void setText(size_t row, size_t index, std::string_view text) { TextOf(rows[row], index) = std::string(text); }
};

// Walks the chunk tree without recursion (a hostile file may nest rows as
// deep as its size allows). Every chunk must lie inside its parent and the
// file: one running past the end of the file is a read error, one running
// past its parent (or with a negative size) leaves data after the parent's
// end.
template <class Sink>
class Parser {
public:
    Parser(std::string_view bytes, Sink& sink) : m_bytes(bytes), m_end(bytes.size()), m_sink(sink) {}

    Fault run() {
        if (m_end < 12) return Fault::NotEnoughData;
        std::array<uint16_t, 6> unit{};
        for (size_t i = 0; i < unit.size(); ++i)
            unit[i] = Get16(m_bytes, 2 * i);
        // Unit 4 is written as a blank but not required.
        if (unit[0] != SignatureOpen || unit[1] != 'V' || unit[2] != 'T' || unit[5] != SignatureClose)
            return Fault::WrongFormat;
        const uint16_t version = unit[3];
        if (version > CurrentVersion) return Fault::UnknownVersion;
        m_pos = 12;
        // Versions below 2 are read as version 1: no count, short base body.
        m_version1 = version < CurrentVersion;
        uint32_t count = CountOfVersion1;
        if (!m_version1) {
            if (m_end - m_pos < 4) return Fault::ReadError;
            count = Get32(m_bytes, m_pos);
            m_pos += 4;
        }
        while (m_pos < m_end && count > 0) {
            --count;
            if (Fault f = beginRow(m_end); f != Fault::None) return f;
            while (!m_stack.empty())
                if (Fault f = step(); f != Fault::None) return f;
        }
        return Fault::None;
    }

private:
    struct Frame {
        size_t row = 0;
        uint64_t rowEnd = 0;
        uint64_t baseEnd = 0;
        uint32_t childrenLeft = 0;
        bool inBase = false;
    };

    struct Header {
        int32_t type = 0;
        uint64_t end = 0; // the body starts where the reader is after the header
    };

    // Whether n more bytes are there before limit (which is never past the
    // end of the file).
    Fault room(uint64_t n, uint64_t limit) const {
        if (n > m_end - m_pos) return Fault::ReadError;
        if (n > limit - m_pos) return Fault::DataAfterEnd;
        return Fault::None;
    }

    Fault readHeader(uint64_t limit, Header& h, bool rowExpected) {
        if (Fault f = room(HeaderSize, limit); f != Fault::None) return f;
        h.type = static_cast<int32_t>(Get32(m_bytes, m_pos));
        const auto size = static_cast<int32_t>(Get32(m_bytes, m_pos + 4));
        m_pos += HeaderSize;
        if (rowExpected && h.type != RowChunk) return Fault::AnchorMissing;
        if (size < 0) return Fault::DataAfterEnd;
        if (Fault f = room(static_cast<uint64_t>(size), limit); f != Fault::None) return f;
        h.end = m_pos + static_cast<uint64_t>(size);
        return Fault::None;
    }

    Fault beginRow(uint64_t limit) {
        Header h;
        if (Fault f = readHeader(limit, h, true); f != Fault::None) return f;
        if (m_sink.rowCount() >= MaxSnapshotRows) return Fault::TooManyRows;
        Frame frame;
        frame.row = m_sink.newRow();
        frame.rowEnd = h.end;
        m_stack.push_back(frame);
        return Fault::None;
    }

    Fault step() {
        Frame& top = m_stack.back();
        if (top.inBase) {
            if (top.childrenLeft > 0) {
                --top.childrenLeft;
                return beginRow(top.baseEnd); // may move the stack: top is not used after this
            }
            // Anything after the children belongs to the base chunk and is
            // skipped, as the rest of any chunk is.
            top.inBase = false;
            m_pos = top.baseEnd;
            return Fault::None;
        }
        if (m_pos == top.rowEnd) {
            m_stack.pop_back();
            return Fault::None;
        }
        Header h;
        if (Fault f = readHeader(top.rowEnd, h, false); f != Fault::None) return f;
        switch (h.type) {
        case BaseChunk:
            return readBase(top, h);
        case DataChunk:
            if (Fault f = readTexts(top.row, h.end); f != Fault::None) return f;
            break;
        default: // caption chunks (3) and anything unknown carry nothing the lists show
            break;
        }
        m_pos = h.end;
        return Fault::None;
    }

    Fault readBase(Frame& row, const Header& h) {
        const uint32_t bodySize = m_version1 ? BaseBodySizeVersion1 : BaseBodySize;
        if (Fault f = room(bodySize, h.end); f != Fault::None) return f;
        const uint32_t children = Get32(m_bytes, m_pos);
        uint16_t flags = 0;
        if (m_version1) {
            // The old one-byte set is widened: its bit 7 means selected.
            const auto old = static_cast<unsigned char>(m_bytes[m_pos + 8]);
            flags = static_cast<uint16_t>(old | ((old & 0x80) ? FlagSelected : FlagVisible));
        } else {
            flags = Get16(m_bytes, m_pos + 8);
        }
        m_sink.setFlags(row.row, flags);
        m_pos += bodySize;
        row.inBase = true;
        row.childrenLeft = children;
        row.baseEnd = h.end;
        return Fault::None;
    }

    // The six texts of a data chunk. A chunk may end after fewer of them
    // (the rest stay empty); a length that runs past the chunk's end is a
    // damaged file, which is refused rather than read as a row of empty texts.
    Fault readTexts(size_t row, uint64_t end) {
        for (size_t i = 0; i < TextCount && m_pos < end; ++i) {
            if (end - m_pos < 4) return Fault::ReadError;
            const uint32_t length = Get32(m_bytes, m_pos);
            if (length > end - m_pos - 4) return Fault::ReadError;
            m_sink.setText(row, i, m_bytes.substr(m_pos + 4, length));
            m_pos += 4 + uint64_t{length};
        }
        return Fault::None;
    }

    std::string_view m_bytes;
    uint64_t m_end;
    Sink& m_sink;
    uint64_t m_pos = 0;
    bool m_version1 = false;
    std::vector<Frame> m_stack;
};

std::string Substitute(std::string_view pattern, std::string_view first, std::string_view second) {
    std::string out;
    size_t done = 0;
    int used = 0;
    for (size_t at = pattern.find("%s"); at != std::string_view::npos; at = pattern.find("%s", done)) {
        out.append(pattern.substr(done, at - done));
        out.append(used++ == 0 ? first : second);
        done = at + 2;
    }
    out.append(pattern.substr(done));
    return out;
}

constexpr std::string_view CannotCreate = "Cannot create file \"%s\". %s";
constexpr std::string_view CannotOpen = "Cannot open file \"%s\". %s";

} // namespace

std::optional<std::string> ToStoredText(std::string_view text) {
    return sys().toSystemCodePage(text);
}
std::string FromStoredText(std::string_view stored) {
    return sys().fromSystemCodePage(stored);
}

uint64_t SnapshotSize(const std::vector<FileEntry>& rows) {
    uint64_t size = 16;
    for (const FileEntry& e : rows)
        size += HeaderSize + HeaderSize + BaseBodySize + HeaderSize + DataBodySize(e);
    return size;
}

std::string EncodeSnapshot(const std::vector<FileEntry>& rows, const std::vector<bool>& selected) {
    std::string out;
    out.reserve(static_cast<size_t>(SnapshotSize(rows)));
    for (uint16_t unit : {SignatureOpen, uint16_t{'V'}, uint16_t{'T'}, CurrentVersion, uint16_t{' '}, SignatureClose})
        Put16(out, unit);
    Put32(out, static_cast<uint32_t>(rows.size()));
    for (size_t r = 0; r < rows.size(); ++r) {
        const auto dataSize = static_cast<uint32_t>(DataBodySize(rows[r]));
        const bool isSelected = r < selected.size() && selected[r];

        Put32(out, RowChunk);
        Put32(out, HeaderSize + BaseBodySize + HeaderSize + dataSize);

        Put32(out, BaseChunk);
        Put32(out, BaseBodySize);
        Put32(out, 0); // children: the lists are flat
        Put32(out, RowHeight);
        Put16(out, static_cast<uint16_t>(FlagInitialised | FlagVisible | (isSelected ? FlagSelected : 0)));
        out.push_back(static_cast<char>(Alignment));
        out.push_back(0); // check state
        out.push_back(0); // check type
        Put32(out, 0);    // reserved

        Put32(out, DataChunk);
        Put32(out, dataSize);
        for (size_t i = 0; i < TextCount; ++i) {
            const std::string& text = TextOf(rows[r], i);
            Put32(out, static_cast<uint32_t>(text.size()));
            out.append(text);
        }
    }
    return out;
}

Result<Snapshot> DecodeSnapshot(std::string_view bytes) {
    CountingSink counter;
    if (Fault f = Parser<CountingSink>(bytes, counter).run(); f != Fault::None)
        return Failure{0, std::string(MessageOf(f))};
    Snapshot result;
    result.rows.reserve(counter.rows);
    result.selected.reserve(counter.rows);
    BuildingSink builder{result.rows, result.selected};
    Parser<BuildingSink>(bytes, builder).run(); // the same walk as the check above: it cannot fail
    return result;
}

bool IsOtherThanSnapshot(const std::string& path) {
    // Nothing there, or a folder, which the save refuses with its own reason.
    const auto entry = sys().findEntry(path);
    if (!entry || (entry->attributes & attr::Directory)) return false;
    // A file that cannot be read (or a link to nothing) is not known to be
    // a snapshot.
    const auto file = sys().openForRead(path);
    if (!file) return true;
    InputFile& input = **file;
    // The units the reader checks; a file with any other start is not ours.
    unsigned char start[12] = {};
    if (input.readAt(0, start, sizeof start) != static_cast<int64_t>(sizeof start)) return true;
    const std::string_view b(reinterpret_cast<const char*>(start), sizeof start);
    return Get16(b, 0) != SignatureOpen || Get16(b, 2) != 'V' || Get16(b, 4) != 'T' || Get16(b, 10) != SignatureClose;
}

Status SaveSnapshot(const std::string& path, const std::vector<FileEntry>& rows, const std::vector<bool>& selected,
                    bool replaceOtherFiles) {
    if (!replaceOtherFiles && IsOtherThanSnapshot(path))
        return Failure{OtherFileThere,
                       Substitute(CannotCreate, path, "The file there is not a snapshot file; it was left as it is.")};
    // A file that could not be loaded again is not worth writing.
    if (rows.size() > MaxSnapshotRows || SnapshotSize(rows) > MaxSnapshotBytes)
        return Failure{0, Substitute(CannotCreate, path, "The list is too large for a snapshot file.")};
    std::vector<FileEntry> stored(rows.size());
    for (size_t r = 0; r < rows.size(); ++r) {
        for (size_t i = 0; i < TextCount; ++i) {
            std::optional<std::string> text = ToStoredText(TextOf(rows[r], i));
            if (!text)
                return Failure{0, Substitute(CannotCreate, path,
                                             "The row \"" + rows[r].Name +
                                                 "\" holds text the system's code page cannot store; "
                                                 "nothing was saved.")};
            TextOf(stored[r], i) = std::move(*text);
        }
    }
    if (const Status written = sys().writeWholeFile(path, EncodeSnapshot(stored, selected)); !written)
        return Failure{written.error().code, Substitute(CannotCreate, path, written.error().reason)};
    return {};
}

Result<Snapshot> LoadSnapshot(const std::string& path) {
    Result<std::string> bytes = sys().readWholeFile(path, MaxSnapshotBytes);
    if (!bytes) {
        const auto file = sys().openForRead(path);
        const bool tooLarge = file && (*file)->size() > MaxSnapshotBytes;
        return Failure{
            bytes.error().code,
            Substitute(CannotOpen, path, tooLarge ? "The file is larger than 1 GiB." : bytes.error().reason)};
    }
    Result<Snapshot> result = DecodeSnapshot(*bytes);
    if (result)
        for (FileEntry& row : result->rows)
            for (size_t i = 0; i < TextCount; ++i)
                TextOf(row, i) = FromStoredText(TextOf(row, i));
    return result;
}

Result<std::string> SnapshotBytes(const std::vector<FileEntry>& rows, const std::vector<bool>& selected) {
    if (rows.size() > MaxSnapshotRows || SnapshotSize(rows) > MaxSnapshotBytes)
        return Failure{0, "The list is too large for a snapshot file."};
    std::vector<FileEntry> stored(rows.size());
    for (size_t r = 0; r < rows.size(); ++r) {
        for (size_t i = 0; i < TextCount; ++i) {
            std::optional<std::string> text = ToStoredText(TextOf(rows[r], i));
            if (!text)
                return Failure{0, "The row \"" + rows[r].Name +
                                      "\" holds text the system's code page cannot store; nothing was saved."};
            TextOf(stored[r], i) = std::move(*text);
        }
    }
    return EncodeSnapshot(stored, selected);
}

Result<Snapshot> SnapshotFromBytes(std::string_view bytes) {
    if (bytes.size() > MaxSnapshotBytes) return Failure{0, "The file is larger than 1 GiB."};
    Result<Snapshot> result = DecodeSnapshot(bytes);
    if (result)
        for (FileEntry& row : result->rows)
            for (size_t i = 0; i < TextCount; ++i)
                TextOf(row, i) = FromStoredText(TextOf(row, i));
    return result;
}

} // namespace kdx
