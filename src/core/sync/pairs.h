#pragma once

// Comparing list A with list B row by row, and copying the times of each
// list B file onto the list A file in the same position.

#include <optional>
#include <vector>

#include "core/common/report.h"
#include "core/lists/file_entry.h"
#include "core/timeops/writer.h"

namespace kdx {

// Whether the checked kinds of two entries' times are equal (time texts
// compared ignoring letter case). With no kind checked they are.
bool SameCheckedTimes(const EntryTimes& a, const EntryTimes& b, const TimeKinds& kinds);

// Pairs rowsA[i] with rowsB[i] for every i both lists have, and marks each
// A row: DiffMark 0 when the files' checked times agree (or either file
// cannot be read), 1 when they differ. Every visited B row gets DiffMark 0.
//
// With sync, each differing pair whose A row or B row is selected (or every
// differing pair with allRows) gets the B file's checked times written to
// the A file, creation first and stopping at the first failure. On success
// the A row shows the times its file now has and is marked 0; on failure it
// stays 1 and its path is listed.
//
// selectedA and selectedB hold the indices of the selected rows. Nothing is
// done when either list is empty. Returns the failures of a sync run;
// nothing for a compare run (which shows no message) or when nothing ran.
// progress, if given, hears (pairs done, pairs in all) now and then.
std::optional<FailureList> SyncPairs(std::vector<FileEntry>& rowsA, std::vector<FileEntry>& rowsB,
                                     const std::vector<size_t>& selectedA, const std::vector<size_t>& selectedB,
                                     bool sync, bool allRows, const TimeKinds& kinds, const WriteHooks& hooks = {},
                                     const ProgressFn& progress = {});

// The compare button: marks only.
void ComparePairs(std::vector<FileEntry>& rowsA, std::vector<FileEntry>& rowsB, const TimeKinds& kinds,
                  const ProgressFn& progress = {});

// Compare mode switches on only when both lists have rows.
inline bool CanCompare(const std::vector<FileEntry>& rowsA, const std::vector<FileEntry>& rowsB) {
    return !rowsA.empty() && !rowsB.empty();
}

} // namespace kdx
