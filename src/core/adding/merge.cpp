#include "core/adding/merge.h"

#include <algorithm>
#include <cstdint>

#include "core/adding/filters.h"
#include "core/common/text.h"
#include "core/lists/file_entry.h"
#include "platform/platform.h"

namespace kdx {

namespace {

// Locale upper-case forms, made once per path: a comparison sort would
// otherwise fold every path some twenty times.
std::vector<std::string> UpperForms(const std::vector<std::string>& paths) {
    Platform& p = sys();
    std::vector<std::string> upper;
    upper.reserve(paths.size());
    for (const std::string& path : paths)
        upper.push_back(p.toUpper(path));
    return upper;
}

// Sorts the indices by upper-case form, then by original text.
void SortIndices(std::vector<uint32_t>& indices, const std::vector<std::string>& paths,
                 const std::vector<std::string>& upper) {
    std::sort(indices.begin(), indices.end(), [&](uint32_t a, uint32_t b) {
        const int c = upper[a].compare(upper[b]);
        if (c != 0) return c < 0;
        return paths[a] < paths[b];
    });
}

std::vector<std::string> TakeInOrder(std::vector<std::string>& paths, const std::vector<uint32_t>& indices) {
    std::vector<std::string> out;
    out.reserve(indices.size());
    for (uint32_t i : indices)
        out.push_back(std::move(paths[i]));
    return out;
}

} // namespace

std::vector<std::string> MergeNewPaths(const PathSet& existing, std::vector<std::string> candidates) {
    if (candidates.empty()) return {};
    const std::vector<std::string> upper = UpperForms(candidates);
    // Where names ignore case the upper-case form is the path's key as well.
    const bool foldNames = sys().pathsIgnoreCase();
    std::unordered_set<std::string_view> seen;
    seen.reserve(candidates.size());
    std::vector<uint32_t> kept;
    kept.reserve(candidates.size());
    for (uint32_t i = 0; i < candidates.size(); ++i) {
        const std::string_view key = foldNames ? upper[i] : candidates[i];
        if (!existing.empty() && existing.containsKey(key)) continue;
        if (!seen.insert(key).second) continue;
        kept.push_back(i);
    }
    SortIndices(kept, candidates, upper);
    return TakeInOrder(candidates, kept);
}

std::vector<std::string> MergeNewPaths(const std::vector<std::string>& existing, std::vector<std::string> candidates) {
    return MergeNewPaths(PathSet(existing), std::move(candidates));
}

void SortPathsForAdding(std::vector<std::string>& paths) {
    const std::vector<std::string> upper = UpperForms(paths);
    std::vector<uint32_t> order(paths.size());
    for (uint32_t i = 0; i < order.size(); ++i)
        order[i] = i;
    SortIndices(order, paths, upper);
    paths = TakeInOrder(paths, order);
}

std::vector<std::string> FilterDroppedNames(const std::vector<std::string>& names, std::string_view filterText,
                                            const ScanFlags& flags) {
    std::string masks, pairs;
    SplitFilters(Trim(filterText), masks, pairs);
    if (masks.empty()) masks = "*.*";
    std::vector<std::string> candidates;
    for (const std::string& name : names) {
        if (name.empty()) continue;
        if (IsDirectory(name))
            ScanDirectory(name, masks, candidates, flags);
        else if (!flags.foldersOnly && MatchesMasks(name, masks))
            candidates.push_back(name);
    }
    return candidates;
}

std::vector<std::string> DroppedPathsToAdd(const std::vector<std::string>& names, std::string_view filterText,
                                           const ScanFlags& flags, const PathSet& existing) {
    std::vector<std::string> candidates = FilterDroppedNames(names, filterText, flags);
    if (candidates.empty()) return {};
    // Sorted first so that, of two spellings of one path, the same one wins
    // whatever order the shell handed them over in.
    SortPathsForAdding(candidates);
    return MergeNewPaths(existing, std::move(candidates));
}

} // namespace kdx
