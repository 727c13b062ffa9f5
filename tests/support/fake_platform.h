#pragma once

// An in-memory platform for tests: attribute words, separators, case rules
// and offsets that the local file system cannot produce.

#include <map>
#include <string>

#include "platform/platform.h"

namespace kdx::test {

class FakePlatform : public Platform {
public:
    struct Node {
        uint32_t attributes = attr::Archive;
        FileTime creation, lastWrite, lastAccess;
        std::string content;
        uint32_t reparseTag = 0; // reported with the reparse-point bit
        bool isDir() const { return (attributes & attr::Directory) != 0; }
    };

    // Windows-like by default: '\', names ignoring case, creation settable.
    char sep = '\\';
    bool ignoreCase = true;
    bool creationSettable = true;
    bool needWritable = true;
    // With needWritable: whether a read-only entry refuses new stamps (some
    // file systems do, NTFS does not).
    bool readOnlyRefusesTimes = true;
    int64_t offsetSeconds = 8 * 3600;
    std::string folderOfProgram = "C:\\Program\\";
    std::string workingFolder = "C:\\Work";
    // Paths whose stamps refuse to change (a locked file).
    std::map<std::string, bool> locked;
    int setTimeCalls = 0;
    // Paths that are there but refuse to be changed, searched, opened or
    // renamed, with the system's reason (a folder without search permission,
    // a file that may not be read).
    std::map<std::string, Failure> refused;
    // Stamps kept otherwise than given, as real file systems keep them: out
    // of [earliestStamp, latestStamp] the nearer end (ext4, FAT); with
    // fatResolution the last write to the even second below and the last
    // access as the local midnight of its day (FAT).
    std::optional<FileTime> earliestStamp, latestStamp;
    bool fatResolution = false;
    // An 8-bit system code page other than UTF-8: Latin-1, one byte for each
    // character up to U+00FF and no form at all for any other.
    bool latin1CodePage = false;

    // Adds a folder or file (parents are not created implicitly).
    Node& addFolder(const std::string& path, uint32_t attributes = attr::Directory);
    Node& addFile(const std::string& path, uint32_t attributes = attr::Archive, std::string content = {});
    Node* node(const std::string& path);

    Result<EntryInfo> findEntry(const std::string& path) override;
    Status listDirectory(const std::string& folder, std::string_view pattern, bool directoriesOnly,
                         std::vector<DirEntry>& out) override;
    bool fileExists(const std::string& path) override;
    bool folderExists(const std::string& path) override;
    Result<DirEntry> entryKind(const std::string& path) override;
    // Each node is its own entry (the fake has no links).
    std::optional<EntryIdentity> entryIdentity(const std::string& path) override;
    Status setFileTime(const std::string& path, TimeKind kind, FileTime value) override;
    Result<uint32_t> getAttributes(const std::string& path) override;
    Status setAttributes(const std::string& path, uint32_t attributes) override;
    Status renameNoReplace(const std::string& from, const std::string& to) override;
    Status deleteFile(const std::string& path) override;
    Result<std::unique_ptr<InputFile>> openForRead(const std::string& path) override;
    Result<std::string> readWholeFile(const std::string& path, uint64_t maxBytes) override;
    Status writeWholeFile(const std::string& path, std::string_view data) override;
    // Appending and the environment, so that writing commands keep their
    // undo journal here too: by default in a folder of its own at the root.
    Result<std::unique_ptr<OutputFile>> createNewFile(const std::string& path) override;
    Result<std::unique_ptr<OutputFile>> openForAppend(const std::string& path) override;
    Status truncateFile(const std::string& path, uint64_t size) override;
    Status createFolders(const std::string& folder) override;
    std::optional<std::string> environment(const std::string& name) override;
    std::map<std::string, std::string> env;
    int64_t utcOffsetNow() override { return offsetSeconds; }
    std::string currentFolder() override { return workingFolder; }
    std::string programFolder() override { return folderOfProgram; }
    char separator() const override { return sep; }
    bool pathsIgnoreCase() const override { return ignoreCase; }
    bool canSetCreationTime() const override { return creationSettable; }
    bool timesNeedWritable() const override { return needWritable; }
    std::string toUpper(std::string_view text) override;
    std::optional<std::string> toSystemCodePage(std::string_view text) override;
    std::string fromSystemCodePage(std::string_view text) override;

private:
    std::optional<Failure> refusal(const std::string& path);
    std::string key(const std::string& path) const;
    std::map<std::string, std::pair<std::string, Node>> m_nodes; // key -> (path as added, node)
};

} // namespace kdx::test
