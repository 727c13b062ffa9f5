#include "core/timeops/set_times.h"

#include "core/common/text.h"
#include "core/timesrc/name_time.h"
#include "core/timesrc/photo_time.h"

namespace kdx {

namespace {

// Reads the stamps (which also tells whether the entry exists) and, only
// where the source needs them, the photo and file-name times: opening a
// photo for nothing costs time and, on some systems, its access time.
bool ReadForSource(const std::string& path, bool photo, bool name, const NameTimeOptions& options, EntryTimes& out) {
    if (!ReadStampTexts(path, out)) return false;
    const std::string entry = EntryPathOf(path);
    if (photo) {
        std::string text = GetPhotoTime(entry);
        if (!IsBlank(text)) out.PhotoTime = std::move(text);
    }
    if (name) {
        std::string text, newName;
        if (ParseFileNameTime(entry, options.start, options.weChat, text, newName) && !IsBlank(text))
            out.NameTime = std::move(text);
    }
    return true;
}

struct Picked {
    DateTime value;
    std::string text; // what the row keeps for each written kind
};

// Earliest (or latest) of the file's times; a candidate replaces the value
// so far only when strictly earlier (later).
std::optional<Picked> PickExtreme(const EntryTimes& t, bool latest, bool includePhotoTime) {
    const auto c = ParseTimeText(t.CreateTime);
    const auto w = ParseTimeText(t.WriteTime);
    const auto a = ParseTimeText(t.AccessTime);
    if (!c || !w || !a) return std::nullopt;
    DateTime best = *c;
    auto consider = [&](std::optional<DateTime> v) {
        if (v && (latest ? *v > best : *v < best)) best = *v;
    };
    consider(w);
    consider(a);
    if (includePhotoTime) {
        consider(ParseTimeText(t.PhotoTime));
        consider(ParseTimeText(t.NameTime));
    }
    // Kept in the list's own time-text form, midnight included.
    return Picked{best, FormatTimeText(best)};
}

std::optional<Picked> PickText(const std::string& text) {
    const auto v = ParseTimeText(text);
    if (!v) return std::nullopt;
    return Picked{*v, text};
}

std::optional<Picked> PickFromFile(const std::string& path, int source, const SourceOptions& options) {
    const bool extreme = source == SourceEarliest || source == SourceLatest;
    const bool photo = source == SourcePhoto || (extreme && options.includePhotoTime);
    const bool name = source == SourceFileName || (extreme && options.includePhotoTime);
    EntryTimes t;
    if (!ReadForSource(path, photo, name, options.nameOptions, t)) return std::nullopt;
    switch (source) {
    case SourceCreation:
        return PickText(t.CreateTime);
    case SourceLastWrite:
        return PickText(t.WriteTime);
    case SourceLastAccess:
        return PickText(t.AccessTime);
    case SourceEarliest:
        return PickExtreme(t, false, options.includePhotoTime);
    case SourceLatest:
        return PickExtreme(t, true, options.includePhotoTime);
    case SourcePhoto:
        return PickText(t.PhotoTime);
    case SourceFileName:
        return PickText(t.NameTime);
    default:
        return std::nullopt;
    }
}

} // namespace

DateTime CombinePickers(DateTime datePicker, DateTime timePicker) {
    return DateTime::fromMs(datePicker.date().ms() + timePicker.wholeSeconds().timeOfDayMs());
}

std::optional<FailureList> SetTimesFromPickers(std::vector<FileEntry>& rows, const std::vector<size_t>& which,
                                               const PickerValues& values, const WriteHooks& hooks) {
    if (which.empty()) return std::nullopt;
    const StampChange changes[3] = {
        {values.kinds.creation, values.creation.value, values.creation.changeDate, values.creation.changeTime},
        {values.kinds.lastWrite, values.lastWrite.value, values.lastWrite.changeDate, values.lastWrite.changeTime},
        {values.kinds.lastAccess, values.lastAccess.value, values.lastAccess.changeDate, values.lastAccess.changeTime},
    };
    FailureList failures;
    for (size_t i : which) {
        if (i >= rows.size()) continue;
        FileEntry& row = rows[i];
        if (!WriteFileTimes(row.Name, changes, hooks)) {
            failures.add(row.Name);
            continue;
        }
        if (hooks.dryRun) continue;
        EntryTimes fresh;
        if (ReadFileTimes(row.Name, values.nameOptions, fresh)) AssignTimes(row, std::move(fresh));
    }
    return failures;
}

std::optional<FailureList> SetTimesFromSource(std::vector<FileEntry>& rows, const std::vector<size_t>& which,
                                              int source, const SourceOptions& options, const WriteHooks& hooks) {
    if (which.empty()) return std::nullopt;
    const TimeKinds& kinds = options.kinds;
    FailureList failures;
    for (size_t i : which) {
        if (i >= rows.size()) continue;
        FileEntry& row = rows[i];
        if (source == SourceRow) {
            // The row's own texts, each kind its own; the file is not read.
            const auto c = ParseTimeText(row.CreateTime);
            const auto w = ParseTimeText(row.WriteTime);
            const auto a = ParseTimeText(row.AccessTime);
            if (!c || !w || !a) continue;
            const StampChange changes[3] = {{kinds.creation, *c}, {kinds.lastWrite, *w}, {kinds.lastAccess, *a}};
            if (!WriteFileTimes(row.Name, changes, hooks)) failures.add(row.Name);
            continue;
        }
        const auto picked = PickFromFile(row.Name, source, options);
        if (!picked) continue;
        if (!WriteSameTime(row.Name, kinds, picked->value, hooks)) {
            failures.add(row.Name);
            continue;
        }
        if (hooks.dryRun) continue;
        if (kinds.creation == KindCreation) row.CreateTime = picked->text;
        if (kinds.lastWrite == KindLastWrite) row.WriteTime = picked->text;
        if (kinds.lastAccess == KindLastAccess) row.AccessTime = picked->text;
    }
    return failures;
}

} // namespace kdx
