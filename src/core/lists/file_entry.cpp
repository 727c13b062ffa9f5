#include "core/lists/file_entry.h"

#include "core/common/filetime.h"
#include "core/common/text.h"
#include "core/timesrc/name_time.h"
#include "core/timesrc/photo_time.h"
#include "platform/platform.h"

namespace kdx {

int ParseStartPosition(std::string_view text) {
    long long n = 0;
    if (!ParseInt(text, n) || n < 1) return 1;
    return n > 1'000'000 ? 1'000'000 : static_cast<int>(n);
}

namespace {

bool ReadStamps(const std::string& path, EntryTimes& out) {
    out = EntryTimes{};
    const auto info = sys().findEntry(path);
    if (!info) return false;
    const int64_t offset = sys().utcOffsetNow();
    out.CreateTime = FormatTimeText(FileTimeToLocalDateTime(info->creation, offset));
    out.WriteTime = FormatTimeText(FileTimeToLocalDateTime(info->lastWrite, offset));
    out.AccessTime = FormatTimeText(FileTimeToLocalDateTime(info->lastAccess, offset));
    return true;
}

} // namespace

bool ReadStampTexts(std::string_view path, EntryTimes& out) {
    return ReadStamps(EntryPathOf(path), out);
}

void RereadStampTexts(FileEntry& row) {
    EntryTimes now;
    if (!ReadStampTexts(row.Name, now)) return;
    row.CreateTime = std::move(now.CreateTime);
    row.WriteTime = std::move(now.WriteTime);
    row.AccessTime = std::move(now.AccessTime);
}

bool ReadFileTimes(std::string_view path, const NameTimeOptions& options, EntryTimes& out) {
    const std::string p = EntryPathOf(path);
    if (!ReadStamps(p, out)) return false;
    ReadSourceTexts(p, true, true, options, out);
    return true;
}

void ReadSourceTexts(const std::string& entry, bool photo, bool name, const NameTimeOptions& options, EntryTimes& out) {
    if (photo) {
        std::string text = GetPhotoTime(entry, &out.PhotoUnreadable);
        if (!IsBlank(text)) out.PhotoTime = std::move(text);
    }
    if (name) {
        std::string text, newName;
        if (ParseFileNameTime(entry, options.start, options.weChat, text, newName) && !IsBlank(text))
            out.NameTime = std::move(text);
    }
}

bool IsDirectory(std::string_view path) {
    const std::string p = EntryPathOf(path);
    if (p.empty()) return false;
    // A link to a folder is the link itself; its spelling with a trailing
    // separator, which EntryPathOf has resolved, is the folder.
    const auto kind = sys().entryKind(p);
    return kind && (kind->attributes & attr::Directory) && !IsLink(*kind);
}

bool EntryExists(std::string_view path) {
    const std::string p = EntryPathOf(path);
    return !p.empty() && (sys().folderExists(p) || sys().fileExists(p));
}

void AssignTimes(FileEntry& entry, EntryTimes&& times) {
    entry.CreateTime = std::move(times.CreateTime);
    entry.WriteTime = std::move(times.WriteTime);
    entry.AccessTime = std::move(times.AccessTime);
    entry.PhotoTime = std::move(times.PhotoTime);
    entry.NameTime = std::move(times.NameTime);
    entry.PhotoUnreadable = std::move(times.PhotoUnreadable);
}

} // namespace kdx
