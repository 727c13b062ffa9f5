#pragma once

// The record behind every list row, and reading a path's times into it.

#include <cstdint>
#include <string>
#include <string_view>

namespace kdx {

struct FileEntry {
    int32_t SeqNo = 0;      // row count just after the row was added; 0 from a snapshot
    std::string Name;       // full path, as added (folders may end in the separator)
    std::string CreateTime; // time texts: "yyyy-mm-dd hh:nn:ss"
    std::string WriteTime;
    std::string AccessTime;
    std::string PhotoTime; // time text, or " " when there is none
    std::string NameTime;  // time text, or " " when there is none
    int32_t DiffMark = 0;  // last compare: 0 same, 1 different
    // Why the photo could not be opened to read its time (the system's
    // reason), when it could not; never saved.
    std::string PhotoUnreadable;

    bool operator==(const FileEntry&) const = default;
};

// The five texts ReadFileTimes produces, in the order of the record.
struct EntryTimes {
    std::string CreateTime;
    std::string WriteTime;
    std::string AccessTime;
    std::string PhotoTime{" "};
    std::string NameTime{" "};
    std::string PhotoUnreadable; // see FileEntry
};

// The two window settings that reading a file-name time depends on.
struct NameTimeOptions {
    int start = 1;      // 1-based position in the file name where digits are looked for
    bool weChat = true; // read 13-digit WeChat millisecond stamps
};

// The start position as typed: a whole number of at least 1, else 1.
int ParseStartPosition(std::string_view text);

// Reads the three stamps of path as time texts, the photo time and the
// file-name time. Returns false, with empty stamps and blank photo and name
// times, when no entry exists. Trailing separators are ignored.
bool ReadFileTimes(std::string_view path, const NameTimeOptions& options, EntryTimes& out);

// Only the three stamps (no photo, no file name): what writing a time needs.
bool ReadStampTexts(std::string_view path, EntryTimes& out);
// The row's three stamp texts read again from its entry; left as they were
// when it cannot be read.
void RereadStampTexts(FileEntry& row);

// The photo and file-name times of an entry path (as EntryPathOf gives it),
// each read only when asked for: opening a photo for nothing costs time.
void ReadSourceTexts(const std::string& entry, bool photo, bool name, const NameTimeOptions& options, EntryTimes& out);

// Whether path names an existing folder (trailing separators allowed). A
// link to a folder counts only when spelled with a trailing separator.
bool IsDirectory(std::string_view path);
// Whether path names an existing file or folder.
bool EntryExists(std::string_view path);

// Fills the five time texts of an entry.
void AssignTimes(FileEntry& entry, EntryTimes&& times);

} // namespace kdx
