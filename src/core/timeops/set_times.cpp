#include "core/timeops/set_times.h"

#include "core/common/text.h"

namespace kdx {

namespace {

bool InYearRange(DateTime v) {
    const int year = v.fields().year;
    return year >= MinYear && year <= MaxYear && v.ms() >= 0;
}

struct Picked {
    DateTime value;
    std::string text; // what the row keeps for each written kind
};

// Earliest (or latest) of the file's times; a candidate replaces the value
// so far only when strictly earlier (later).
Picked PickExtreme(const LocalStamps& s, const EntryTimes& sources, bool latest, bool includePhotoTime) {
    DateTime best = s.creation;
    auto consider = [&](std::optional<DateTime> v) {
        if (v && (latest ? *v > best : *v < best)) best = *v;
    };
    consider(s.lastWrite);
    consider(s.lastAccess);
    if (includePhotoTime) {
        consider(ParseTimeText(sources.PhotoTime));
        consider(ParseTimeText(sources.NameTime));
    }
    // Kept in the list's own time-text form, midnight included.
    return Picked{best, FormatTimeText(best)};
}

std::optional<Picked> PickText(const std::string& text) {
    const auto v = ParseTimeText(text);
    if (!v) return std::nullopt;
    return Picked{*v, text};
}

// The stamps come as values: the same as their time texts read back, and
// only the one that is kept needs to become text.
std::optional<Picked> PickFromFile(const std::string& path, TimeSource source, const SourceOptions& options,
                                   const WriteHooks& hooks) {
    if (source < TimeSource::Creation || source > TimeSource::FileName || source == TimeSource::Row)
        return std::nullopt;
    const auto stamps = ReadLocalStamps(path);
    if (!stamps) {
        if (hooks.onUnreadable) hooks.onUnreadable(path, stamps.error().reason);
        return std::nullopt;
    }
    // A stamp past year 9999 has no time text; such a file has no usable
    // value, as a text that does not read back would not.
    const bool usable[3] = {InYearRange(stamps->creation), InYearRange(stamps->lastWrite),
                            InYearRange(stamps->lastAccess)};
    const bool extreme = source == TimeSource::Earliest || source == TimeSource::Latest;
    if (source <= TimeSource::LastAccess && !usable[static_cast<int>(source)]) return std::nullopt;
    if (extreme && !(usable[0] && usable[1] && usable[2])) return std::nullopt;
    EntryTimes sources;
    ReadSourceTexts(EntryPathOf(path), source == TimeSource::Photo || (extreme && options.includePhotoTime),
                    source == TimeSource::FileName || (extreme && options.includePhotoTime), options.nameOptions,
                    sources);
    switch (source) {
    case TimeSource::Creation:
        return Picked{stamps->creation, FormatTimeText(stamps->creation)};
    case TimeSource::LastWrite:
        return Picked{stamps->lastWrite, FormatTimeText(stamps->lastWrite)};
    case TimeSource::LastAccess:
        return Picked{stamps->lastAccess, FormatTimeText(stamps->lastAccess)};
    case TimeSource::Earliest:
        return PickExtreme(*stamps, sources, false, options.includePhotoTime);
    case TimeSource::Latest:
        return PickExtreme(*stamps, sources, true, options.includePhotoTime);
    case TimeSource::Photo:
        return PickText(sources.PhotoTime);
    default:
        return PickText(sources.NameTime);
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
                                              TimeSource source, const SourceOptions& options,
                                              const WriteHooks& hooks) {
    if (which.empty()) return std::nullopt;
    const TimeKinds& kinds = options.kinds;
    FailureList failures;
    for (size_t i : which) {
        if (i >= rows.size()) continue;
        FileEntry& row = rows[i];
        if (source == TimeSource::Row) {
            // The row's own texts, each kind its own; the file is not read.
            const auto c = ParseTimeText(row.CreateTime);
            const auto w = ParseTimeText(row.WriteTime);
            const auto a = ParseTimeText(row.AccessTime);
            if (!c || !w || !a) continue;
            const StampChange changes[3] = {{kinds.creation, *c}, {kinds.lastWrite, *w}, {kinds.lastAccess, *a}};
            if (!WriteFileTimes(row.Name, changes, hooks)) failures.add(row.Name);
            continue;
        }
        const auto picked = PickFromFile(row.Name, source, options, hooks);
        if (!picked) continue;
        if (!WriteSameTime(row.Name, kinds, picked->value, hooks)) {
            failures.add(row.Name);
            continue;
        }
        if (hooks.dryRun) continue;
        if (kinds.creation == TimeKind::Creation) row.CreateTime = picked->text;
        if (kinds.lastWrite == TimeKind::LastWrite) row.WriteTime = picked->text;
        if (kinds.lastAccess == TimeKind::LastAccess) row.AccessTime = picked->text;
    }
    return failures;
}

} // namespace kdx
