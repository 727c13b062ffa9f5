#pragma once

// Snapshot files: the rows of one list, with each row's path, its five time
// texts and whether it was selected, as a tree of little-endian chunks.
//
//   signature  six 16-bit units: 2045 'V' 'T' version ' ' 2046 (version 2)
//   count      unsigned 32-bit number of top-level rows (version 2 only)
//   rows       one row chunk each
//
// Every chunk is a signed 32-bit type and a signed 32-bit size (the bytes
// after this 8-byte header). A row chunk (1) holds a base chunk (2: layout
// fields, then any child row chunks) and a data chunk (4: six texts, each a
// 32-bit length and its bytes). Other chunk types are skipped on reading.
//
// Reading never trusts the file: every size and length is checked against
// its chunk and the end of the file before anything is read or allocated,
// and a file is decoded completely before the caller's list is replaced, so
// a bad file costs the user nothing but the message.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"
#include "core/lists/file_entry.h"

namespace kdx {

// The messages a user sees when a file cannot be read as a snapshot.
inline constexpr std::string_view SnapshotNotEnoughData = "Unable to load tree structure, not enough data available.";
inline constexpr std::string_view SnapshotWrongFormat = "Unable to load tree structure, the format is wrong.";
inline constexpr std::string_view SnapshotUnknownVersion = "Unable to load tree structure, the version is unknown.";
inline constexpr std::string_view SnapshotReadError = "Stream read error";
inline constexpr std::string_view SnapshotAnchorMissing = "Stream data corrupt. A node's anchor chunk is missing.";
inline constexpr std::string_view SnapshotDataAfterEnd =
    "Stream data corrupt. Unexpected data after node's end position.";
inline constexpr std::string_view SnapshotTooManyRows = "Unable to load tree structure, more than 10000000 rows.";

// Files larger than this are refused unread, and lists whose snapshot would
// be larger are not saved: a list of that size is far beyond any real use
// (about seven million rows), and the whole file is held in memory.
inline constexpr uint64_t MaxSnapshotBytes = uint64_t{1} << 30;
// A row can be as small as an 8-byte chunk header, so the byte limit alone
// would still let a hostile file demand tens of gigabytes of rows.
inline constexpr size_t MaxSnapshotRows = 10'000'000;

// The code of SaveSnapshot's failure when the file there is not a snapshot
// (the program's own codes are negative, the system's are not).
inline constexpr int OtherFileThere = -1;

// The rows of a snapshot (SeqNo and DiffMark 0), with one selection flag
// per row.
struct Snapshot {
    std::vector<FileEntry> rows;
    std::vector<bool> selected;
};

// The bytes of a snapshot of rows in their order; a row is stored as
// selected when selected has a true at its index. The texts are stored as
// they are given (SaveSnapshot hands over their stored form). The result is
// SnapshotSize(rows) bytes long; a row whose texts add up to 2 GiB or more
// cannot be stored (SaveSnapshot refuses such lists long before that).
std::string EncodeSnapshot(const std::vector<FileEntry>& rows, const std::vector<bool>& selected);

// The size of EncodeSnapshot's result.
uint64_t SnapshotSize(const std::vector<FileEntry>& rows);

// Reads a whole snapshot. Rows nested in a row as its children are appended
// after their parent (depth first), since the lists are flat and dropping
// them would lose paths the file holds. The texts come back as stored
// (LoadSnapshot turns them into the program's text). A file that is not
// usable fails with the message for the user.
Result<Snapshot> DecodeSnapshot(std::string_view bytes);

// Writes the snapshot to path, replacing any file there only once the new
// one is complete (see Platform::writeWholeFile). Fails with the message
// for the user; a list with a text the system's 8-bit text
// cannot hold is not saved at all (see ToStoredText), and the message names
// that row's path. A file there that is not a snapshot (IsOtherThanSnapshot)
// is replaced only with replaceOtherFiles, for a caller that has already
// asked the user.
Status SaveSnapshot(const std::string& path, const std::vector<FileEntry>& rows, const std::vector<bool>& selected,
                    bool replaceOtherFiles = false);

// Whether path names an entry other than a folder that does not begin with
// the snapshot signature, or cannot be read to tell: a photo or a document
// that a save would destroy.
bool IsOtherThanSnapshot(const std::string& path);

// The snapshot at path, its texts as the program holds them; or the
// failure with the message for the user.
Result<Snapshot> LoadSnapshot(const std::string& path);

// The same two without a file: the bytes SaveSnapshot would write, or the
// reason it would refuse the list (too large, a text the code page cannot
// hold); and the rows LoadSnapshot would give for bytes, or the reader's
// message.
Result<std::string> SnapshotBytes(const std::vector<FileEntry>& rows, const std::vector<bool>& selected);
Result<Snapshot> SnapshotFromBytes(std::string_view bytes);

// The texts in a snapshot are the system's 8-bit text (the platform's
// toSystemCodePage and fromSystemCodePage): UTF-8 on POSIX, which is what
// the program holds, and the ANSI code page on Windows, where other programs
// read and write the format that way. These two are the only conversions.
// ToStoredText gives nothing for a text the code page cannot hold exactly:
// storing a stand-in character would turn a path into another one.
std::optional<std::string> ToStoredText(std::string_view text);
std::string FromStoredText(std::string_view stored);

} // namespace kdx
