#include "core/sync/pairs.h"

#include <algorithm>

#include "core/common/text.h"

namespace kdx {

namespace {

constexpr size_t kProgressEvery = 256;

std::vector<bool> SelectionMask(const std::vector<size_t>& selected, size_t size) {
    std::vector<bool> mask(size, false);
    for (size_t i : selected)
        if (i < size) mask[i] = true;
    return mask;
}

} // namespace

bool SameCheckedTimes(const EntryTimes& a, const EntryTimes& b, const TimeKinds& kinds) {
    if (kinds.creation == TimeKind::Creation && !EqualsAsciiFolded(a.CreateTime, b.CreateTime)) return false;
    if (kinds.lastWrite == TimeKind::LastWrite && !EqualsAsciiFolded(a.WriteTime, b.WriteTime)) return false;
    if (kinds.lastAccess == TimeKind::LastAccess && !EqualsAsciiFolded(a.AccessTime, b.AccessTime)) return false;
    return true;
}

std::optional<FailureList> SyncPairs(std::vector<FileEntry>& rowsA, std::vector<FileEntry>& rowsB,
                                     const std::vector<size_t>& selectedA, const std::vector<size_t>& selectedB,
                                     bool sync, bool allRows, const TimeKinds& kinds, const WriteHooks& hooks,
                                     const ProgressFn& progress) {
    if (rowsA.empty() || rowsB.empty()) return std::nullopt;
    const size_t pairs = std::min(rowsA.size(), rowsB.size());
    const std::vector<bool> inA = SelectionMask(selectedA, rowsA.size());
    const std::vector<bool> inB = SelectionMask(selectedB, rowsB.size());
    FailureList failures;
    EntryTimes ta, tb;
    for (size_t i = 0; i < pairs; ++i) {
        if (hooks.stopped()) {
            if (progress) progress(i, pairs);
            return failures;
        }
        if (progress && i % kProgressEvery == 0) progress(i, pairs);
        FileEntry& a = rowsA[i];
        FileEntry& b = rowsB[i];
        a.DiffMark = 0;
        b.DiffMark = 0;
        // A pair that cannot be read counts as same: nothing to compare.
        if (!ReadStampTexts(a.Name, ta) || !ReadStampTexts(b.Name, tb)) continue;
        if (SameCheckedTimes(ta, tb, kinds)) continue;
        a.DiffMark = 1;
        if (!sync || (!allRows && !inA[i] && !inB[i])) continue;

        const auto c = ParseTimeText(tb.CreateTime);
        const auto w = ParseTimeText(tb.WriteTime);
        const auto x = ParseTimeText(tb.AccessTime);
        const StampChange changes[3] = {
            {kinds.creation, c.value_or(DateTime{})},
            {kinds.lastWrite, w.value_or(DateTime{})},
            {kinds.lastAccess, x.value_or(DateTime{})},
        };
        // B's texts come from its own stamps and always read back; should
        // one not, the pair fails rather than writing a made-up time.
        const bool readable = (kinds.creation != TimeKind::Creation || c) &&
                              (kinds.lastWrite != TimeKind::LastWrite || w) &&
                              (kinds.lastAccess != TimeKind::LastAccess || x);
        if (!readable || !WriteFileTimes(a.Name, changes, hooks)) {
            failures.add(a.Name);
            continue;
        }
        if (hooks.dryRun) continue;
        a.DiffMark = 0;
        // Show what the A file really has now: kinds left unchecked keep
        // the file's own times, not B's.
        RereadStampTexts(a);
    }
    if (progress) progress(pairs, pairs);
    if (!sync) return std::nullopt;
    return failures;
}

void ComparePairs(std::vector<FileEntry>& rowsA, std::vector<FileEntry>& rowsB, const TimeKinds& kinds,
                  const ProgressFn& progress) {
    SyncPairs(rowsA, rowsB, {}, {}, false, false, kinds, {}, progress);
}

} // namespace kdx
