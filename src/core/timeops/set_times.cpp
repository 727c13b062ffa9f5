#include "core/timeops/set_times.h"

#include "core/common/text.h"
#include "platform/platform.h"

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

// Nothing to write, which is no failure.
Result<std::optional<Picked>> NoPick() {
    return std::optional<Picked>();
}

// The stamps come as values: the same as their time texts read back, and
// only the one that is kept needs to become text. Reads only: it may run
// ahead of the writes on another thread. Fails when the photo the source
// needs cannot be opened.
Result<std::optional<Picked>> PickFromFile(const std::string& path, const EntryInfo& entry, TimeSource source,
                                           const SourceOptions& options) {
    if (source < TimeSource::Creation || source > TimeSource::FileName || source == TimeSource::Row) return NoPick();
    const LocalStamps stamps = LocalStampsOf(entry, sys().utcOffsetNow());
    // A stamp past year 9999 has no time text; such a file has no usable
    // value, as a text that does not read back would not.
    const bool usable[3] = {InYearRange(stamps.creation), InYearRange(stamps.lastWrite),
                            InYearRange(stamps.lastAccess)};
    const bool extreme = source == TimeSource::Earliest || source == TimeSource::Latest;
    if (source <= TimeSource::LastAccess && !usable[static_cast<int>(source)]) return NoPick();
    if (extreme && !(usable[0] && usable[1] && usable[2])) return NoPick();
    EntryTimes sources;
    const bool photo = source == TimeSource::Photo || (extreme && options.includePhotoTime);
    ReadSourceTexts(EntryPathOf(path), photo, source == TimeSource::FileName || (extreme && options.includePhotoTime),
                    options.nameOptions, sources);
    if (photo && !sources.PhotoUnreadable.empty()) return Failure{0, std::move(sources.PhotoUnreadable)};
    switch (source) {
    case TimeSource::Creation:
        return std::optional<Picked>(Picked{stamps.creation, FormatTimeText(stamps.creation)});
    case TimeSource::LastWrite:
        return std::optional<Picked>(Picked{stamps.lastWrite, FormatTimeText(stamps.lastWrite)});
    case TimeSource::LastAccess:
        return std::optional<Picked>(Picked{stamps.lastAccess, FormatTimeText(stamps.lastAccess)});
    case TimeSource::Earliest:
        return std::optional<Picked>(PickExtreme(stamps, sources, false, options.includePhotoTime));
    case TimeSource::Latest:
        return std::optional<Picked>(PickExtreme(stamps, sources, true, options.includePhotoTime));
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
    EntryChanges same;
    same.changes[0] = {values.kinds.creation, values.creation.value, values.creation.changeDate,
                       values.creation.changeTime, values.creation.exact};
    same.changes[1] = {values.kinds.lastWrite, values.lastWrite.value, values.lastWrite.changeDate,
                       values.lastWrite.changeTime, values.lastWrite.exact};
    same.changes[2] = {values.kinds.lastAccess, values.lastAccess.value, values.lastAccess.changeDate,
                       values.lastAccess.changeTime, values.lastAccess.exact};
    return WriteRows(
        rows, which, false, [&](const FileEntry&, const EntryInfo*) { return same; },
        [&](FileEntry& row, const EntryChanges&) {
            EntryTimes fresh;
            if (ReadFileTimes(row.Name, values.nameOptions, fresh)) AssignTimes(row, std::move(fresh));
        },
        hooks);
}

std::optional<FailureList> SetTimesFromSource(std::vector<FileEntry>& rows, const std::vector<size_t>& which,
                                              TimeSource source, const SourceOptions& options,
                                              const WriteHooks& hooks) {
    if (which.empty()) return std::nullopt;
    const TimeKinds& kinds = options.kinds;
    const bool fromRow = source == TimeSource::Row;
    return WriteRows(
        rows, which, !fromRow,
        [&](const FileEntry& row, const EntryInfo* entry) {
            EntryChanges c;
            c.skip = true;
            if (fromRow) {
                // The row's own texts, each kind its own; the file is not read.
                const auto cr = ParseTimeText(row.CreateTime);
                const auto w = ParseTimeText(row.WriteTime);
                const auto a = ParseTimeText(row.AccessTime);
                if (!cr || !w || !a) return c;
                c.changes[0] = {kinds.creation, *cr};
                c.changes[1] = {kinds.lastWrite, *w};
                c.changes[2] = {kinds.lastAccess, *a};
                c.skip = false;
                return c;
            }
            const auto picked = PickFromFile(row.Name, *entry, source, options);
            if (!picked) c.unreadable = picked.error().reason;
            if (!picked || !*picked) return c;
            c.changes[0] = {kinds.creation, (*picked)->value};
            c.changes[1] = {kinds.lastWrite, (*picked)->value};
            c.changes[2] = {kinds.lastAccess, (*picked)->value};
            c.text = (*picked)->text;
            c.skip = false;
            return c;
        },
        [&](FileEntry& row, const EntryChanges& c) {
            if (fromRow) return;
            if (kinds.creation == TimeKind::Creation) row.CreateTime = c.text;
            if (kinds.lastWrite == TimeKind::LastWrite) row.WriteTime = c.text;
            if (kinds.lastAccess == TimeKind::LastAccess) row.AccessTime = c.text;
        },
        hooks);
}

} // namespace kdx
