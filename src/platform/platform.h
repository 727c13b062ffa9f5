#pragma once

// The one door to the operating system. Everything in the core that touches
// files, clocks or the process goes through a Platform; a test can install a
// fake one (see ScopedPlatform) to produce what the local file system cannot.
//
// Paths are UTF-8 text with the platform's separator. Failures are reported
// as a Result that carries the system's own reason, never as exceptions.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/filetime.h"
#include "base/result.h"

namespace kdx {

// Attribute word bits as the Windows file system reports them. The POSIX
// implementation synthesises the same word so the rules above it are shared.
namespace attr {
inline constexpr uint32_t ReadOnly = 0x1;
inline constexpr uint32_t Hidden = 0x2;
inline constexpr uint32_t System = 0x4;
inline constexpr uint32_t VolumeLabel = 0x8;
inline constexpr uint32_t Directory = 0x10;
inline constexpr uint32_t Archive = 0x20;
inline constexpr uint32_t Normal = 0x80;
inline constexpr uint32_t Temporary = 0x100;
inline constexpr uint32_t SparseFile = 0x200;
inline constexpr uint32_t ReparsePoint = 0x400;
inline constexpr uint32_t Compressed = 0x800;
inline constexpr uint32_t Offline = 0x1000;
inline constexpr uint32_t NotContentIndexed = 0x2000;
inline constexpr uint32_t Encrypted = 0x4000;
// Reading the content fetches it first (a file kept only in the cloud).
inline constexpr uint32_t RecallOnDataAccess = 0x400000;
} // namespace attr

// Reparse tags as the Windows file system reports them. A name surrogate
// (a symbolic link, junction or mount point) names another entry; other
// tags (cloud files, deduplication, ...) are the entry itself.
namespace reparse {
inline constexpr uint32_t MountPoint = 0xA0000003;
inline constexpr uint32_t SymbolicLink = 0xA000000C;
inline constexpr uint32_t NameSurrogateBit = 0x20000000;
} // namespace reparse

// The three stamps of one entry plus its attribute word.
struct EntryInfo {
    uint32_t attributes = 0;
    FileTime creation;
    FileTime lastWrite;
    FileTime lastAccess;

    // The stamp of kind (the last access for a kind not chosen, which no
    // caller asks for).
    FileTime of(TimeKind kind) const {
        return kind == TimeKind::Creation ? creation : kind == TimeKind::LastWrite ? lastWrite : lastAccess;
    }
};

// One result of a directory search: the name without folder, and the
// attribute word. On POSIX the search reports the type bits, hidden and
// reparse point; the read-only bit is only known to findEntry.
struct DirEntry {
    std::string name;
    uint32_t attributes = 0;
    // With the reparse-point bit: the entry's reparse tag (0 when unknown).
    uint32_t reparseTag = 0;
};

// Whether the entry is a link to another entry, which is never followed: a
// reparse point whose tag is a name surrogate, or is not known.
inline bool IsLink(const DirEntry& e) {
    return (e.attributes & attr::ReparsePoint) != 0 &&
           (e.reparseTag == 0 || (e.reparseTag & reparse::NameSurrogateBit));
}

// Stamps to set together; an empty one is left as it is.
struct StampSet {
    std::optional<FileTime> creation;
    std::optional<FileTime> lastWrite;
    std::optional<FileTime> lastAccess;

    // The member of kind; none for TimeKind::NotChosen.
    std::optional<FileTime>* of(TimeKind kind) {
        return kind == TimeKind::Creation     ? &creation
               : kind == TimeKind::LastWrite  ? &lastWrite
               : kind == TimeKind::LastAccess ? &lastAccess
                                              : nullptr;
    }
};

// A file opened for reading at arbitrary offsets (photos are read this way).
class InputFile {
public:
    virtual ~InputFile() = default;
    // Reads up to size bytes at offset; returns the count read, or -1 on error.
    virtual int64_t readAt(uint64_t offset, void* buffer, size_t size) = 0;
    virtual uint64_t size() const = 0;
};

// A file opened for appending (the undo journal is written this way).
class OutputFile {
public:
    virtual ~OutputFile() = default;
    // Appends all of data at the end of the file.
    virtual Status append(std::string_view data) = 0;
    // Returns once what was appended is on the disk.
    virtual Status sync() = 0;
};

// What tells one file or folder from every other on the system, whatever
// the path it is reached by: the device and inode on POSIX, the volume's
// serial number and the file index on Windows.
struct EntryIdentity {
    uint64_t volume = 0;
    uint64_t file = 0;
    bool operator==(const EntryIdentity&) const = default;
};

class Platform {
public:
    virtual ~Platform() = default;

    // --- entries ---------------------------------------------------------
    // The entry named by path itself (no wild cards, no trailing separator),
    // as a directory search for that one name would report it.
    virtual Result<EntryInfo> findEntry(const std::string& path) = 0;
    // Every entry of folder whose name matches pattern ('*' and '?', ASCII
    // letters compared ignoring case), in a stable name order, without "."
    // and "..". With directoriesOnly, only folders come back, and of them
    // none with the hidden, system or volume-label bit. Appends to out;
    // fails when the folder cannot be searched.
    virtual Status listDirectory(const std::string& folder, std::string_view pattern, bool directoriesOnly,
                                 std::vector<DirEntry>& out) = 0;
    // The path with every symbolic link and junction in it resolved; nothing
    // when that cannot be done (a dangling link, a loop).
    virtual std::optional<std::string> resolvedPath(const std::string& path) { return path; }
    // The identity of the entry path leads to, links followed; nothing when
    // it cannot be read.
    virtual std::optional<EntryIdentity> entryIdentity(const std::string& path) = 0;
    virtual bool fileExists(const std::string& path) = 0;   // an entry that is not a folder
    virtual bool folderExists(const std::string& path) = 0; // a folder, or a link to one
    // The entry at path as a directory search reports it (its name left
    // empty): the attribute word with, for a reparse point, its tag, so that
    // IsLink tells whether it is a link.
    virtual Result<DirEntry> entryKind(const std::string& path) {
        const auto attributes = getAttributes(path);
        if (!attributes) return attributes.error();
        return DirEntry{{}, *attributes, 0};
    }

    // --- changing entries ------------------------------------------------
    // Sets one stamp and leaves the two others as they are.
    virtual Status setFileTime(const std::string& path, TimeKind kind, FileTime value) = 0;
    // Sets the stamps given and leaves the others as they are. This one sets
    // them one at a time (creation, last write, last access) and stops at the
    // first that fails; a system that sets several in one call overrides it,
    // and may then leave none of them set when that call fails.
    virtual Status setFileTimes(const std::string& path, const StampSet& stamps);
    virtual Result<uint32_t> getAttributes(const std::string& path) = 0;
    virtual Status setAttributes(const std::string& path, uint32_t attributes) = 0;
    // Renames an entry; fails, and changes nothing, when `to` exists.
    virtual Status renameNoReplace(const std::string& from, const std::string& to) = 0;
    virtual Status deleteFile(const std::string& path) = 0;

    // --- file contents ---------------------------------------------------
    // Opens a regular file for reading; fails for folders, devices, pipes
    // and anything that cannot be opened.
    virtual Result<std::unique_ptr<InputFile>> openForRead(const std::string& path) = 0;
    // Reads a whole regular file of at most maxBytes.
    virtual Result<std::string> readWholeFile(const std::string& path, uint64_t maxBytes) = 0;
    // Writes data as the complete new content of path, which must name a
    // regular file or nothing yet; a folder, device, pipe or socket there is
    // refused and left as it is, and so is a file that may not be written.
    // A symbolic link is followed: its target is replaced, the link kept.
    // The new content goes to a uniquely named file in the same folder,
    // which is flushed and then renamed over the old one in one step, so
    // the path holds either the whole old file or the whole new one. The
    // old file's permissions (and owner, where allowed) are kept.
    virtual Status writeWholeFile(const std::string& path, std::string_view data) = 0;
    // Creates a new file for appending; fails when anything is there.
    virtual Result<std::unique_ptr<OutputFile>> createNewFile(const std::string& path);
    // Opens an existing regular file for appending.
    virtual Result<std::unique_ptr<OutputFile>> openForAppend(const std::string& path);
    // Cuts an existing regular file to its first size bytes, on the disk
    // when this returns.
    virtual Status truncateFile(const std::string& path, uint64_t size);
    // Creates folder and any folders above it that are missing.
    virtual Status createFolders(const std::string& folder);
    // The value of an environment variable; nothing when it is not set.
    virtual std::optional<std::string> environment(const std::string& name);

    // --- the process -------------------------------------------------------
    // Called once at the start of each program: on Windows, a removed or
    // locked card then fails the call that meets it instead of showing the
    // system's error box.
    virtual void prepareProcess() {}

    // --- facts about the system -----------------------------------------
    // Seconds to add to UTC to get local time, as in force right now.
    virtual int64_t utcOffsetNow() = 0;
    // The process's current folder, without a trailing separator unless it
    // is a root; "" when it cannot be known.
    virtual std::string currentFolder() = 0;
    // The folder holding the running program, ending in the separator.
    virtual std::string programFolder() = 0;
    virtual char separator() const = 0;
    virtual bool pathsIgnoreCase() const = 0;
    // Whether the creation stamp can be written at all on this system.
    virtual bool canSetCreationTime() const = 0;
    // Whether a read-only entry must be made writable to change its stamps.
    virtual bool timesNeedWritable() const = 0;
    // Locale upper-casing of UTF-8 text, whole characters at a time.
    virtual std::string toUpper(std::string_view text) = 0;

    // --- the system's 8-bit text -------------------------------------------
    // Snapshot files hold their texts in the system's 8-bit code page, so
    // that other programs reading the format that way agree with us. Where
    // that code page is UTF-8 (POSIX) both are the identity.
    // UTF-8 text in that code page; nothing when a character has no exact
    // form there, since a stand-in character would name another file.
    virtual std::optional<std::string> toSystemCodePage(std::string_view text) { return std::string(text); }
    // Text in that code page as UTF-8.
    virtual std::string fromSystemCodePage(std::string_view text) { return std::string(text); }
};

// The platform in use. The host's implementation unless a test installed
// another one.
Platform& sys();

// The host's own implementation.
Platform& hostPlatform();

// Installs a platform for the lifetime of this object (tests).
class ScopedPlatform {
public:
    explicit ScopedPlatform(Platform& replacement);
    ~ScopedPlatform();
    ScopedPlatform(const ScopedPlatform&) = delete;
    ScopedPlatform& operator=(const ScopedPlatform&) = delete;

private:
    Platform* m_previous;
};

} // namespace kdx
