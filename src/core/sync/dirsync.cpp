#include "core/sync/dirsync.h"

#include <algorithm>
#include <unordered_set>

#include "core/adding/filters.h"
#include "core/common/text.h"
#include "core/lists/file_entry.h"
#include "platform/platform.h"

namespace kdx {

namespace {

constexpr size_t kProgressEvery = 256;

// The source's stamps are read once and serve all three kinds: the same as
// reading them again per kind, at a third of the cost.
Status CopyTimes(std::string_view source, std::string_view target, const TimeKinds& kinds, const WriteHooks& hooks) {
    const auto stamps = ReadLocalStamps(source);
    if (!stamps) return hooks.fail(target, std::string(source) + ": " + stamps.error().reason);
    const StampChange changes[3] = {
        {kinds.creation, stamps->of(kinds.creation)},
        {kinds.lastWrite, stamps->of(kinds.lastWrite)},
        {kinds.lastAccess, stamps->of(kinds.lastAccess)},
    };
    return WriteFileTimes(target, changes, hooks);
}

// The source entries, found by name as the platform compares names. Where
// names are exact the list's own strings are the keys; otherwise their
// folded forms, kept alive here.
class SourceIndex {
public:
    explicit SourceIndex(const std::vector<std::string>& sourceList) : m_fold(sys().pathsIgnoreCase()) {
        m_set.reserve(sourceList.size());
        if (m_fold) {
            m_folded.reserve(sourceList.size());
            for (const std::string& s : sourceList)
                m_folded.push_back(PathKey(s));
            for (const std::string& k : m_folded)
                m_set.insert(k);
        } else {
            for (const std::string& s : sourceList)
                m_set.insert(s);
        }
    }
    bool contains(const std::string& path) const {
        return m_fold ? m_set.count(PathKey(path)) != 0 : m_set.count(path) != 0;
    }

private:
    bool m_fold;
    std::vector<std::string> m_folded;
    std::unordered_set<std::string_view> m_set;
};

bool StartsWithRoot(std::string_view path, std::string_view root, bool fold) {
    if (path.size() < root.size()) return false;
    const std::string_view head = path.substr(0, root.size());
    return fold ? PathsEqual(head, root) : head == root;
}

} // namespace

Status CheckSyncFolders(std::string_view sourceFolder, std::string_view targetFolder) {
    const std::string source = AddTrailingBackslash(sourceFolder);
    const std::string target = AddTrailingBackslash(targetFolder);
    if (!IsDirectory(source) || !IsDirectory(target)) return Failure{0, std::string(FolderMissingMessage)};
    const Failure same{0, std::string(SameFoldersMessage)};
    if (PathsEqual(EntryPathOf(source), EntryPathOf(target))) return same;
    // The same folder may be spelt in many ways (relative, "./", through a
    // link): what counts is the folder the system finds.
    const auto sourceId = sys().entryIdentity(source), targetId = sys().entryIdentity(target);
    if (sourceId && targetId && *sourceId == *targetId) return same;
    return {};
}

Status CopyTimeFromFile(std::string_view source, std::string_view target, TimeKind kind, const WriteHooks& hooks) {
    const auto stamps = ReadLocalStamps(source);
    if (!stamps) return stamps.error();
    return WriteFileTime(target, kind, stamps->of(kind), true, true, hooks);
}

FailureList SyncDirectories(std::string_view sourceRoot, std::string_view targetRoot, bool syncRoots,
                            const std::vector<std::string>& targetList, const std::vector<std::string>& sourceList,
                            const TimeKinds& kinds, const WriteHooks& hooks, const ProgressFn& progress) {
    const std::string source = AddTrailingBackslash(sourceRoot);
    const std::string target = AddTrailingBackslash(targetRoot);
    const bool fold = sys().pathsIgnoreCase();
    const SourceIndex index(sourceList);
    // The target root may be listed more than once and is synchronised again
    // at the end; progress counts each entry once.
    const auto isRoot = [&](const std::string& t) { return fold ? PathsEqual(t, target) : t == target; };
    const size_t rootListed = static_cast<size_t>(std::count_if(targetList.begin(), targetList.end(), isRoot));
    const size_t total = targetList.size() - (rootListed ? rootListed - 1 : 0) + (syncRoots && !rootListed ? 1 : 0);
    size_t repeats = 0; // of the root, before entry i
    bool rootSeen = false;
    FailureList failures;
    std::string counterpart;
    for (size_t i = 0; i < targetList.size(); ++i) {
        if (hooks.stopped()) {
            if (progress) progress(i - repeats, total);
            return failures;
        }
        if (progress && i % kProgressEvery == 0) progress(i - repeats, total);
        const std::string& t = targetList[i];
        if (isRoot(t)) {
            repeats += rootSeen ? 1 : 0;
            rootSeen = true;
        }
        // Every scanned entry starts with its root; swapping the roots keeps
        // the relative name. An entry that does not is looked up as it is.
        if (StartsWithRoot(t, target, fold)) {
            counterpart.assign(source);
            counterpart.append(t, target.size());
        } else {
            counterpart.assign(t);
        }
        if (!index.contains(counterpart)) continue;
        if (!CopyTimes(counterpart, t, kinds, hooks)) failures.add(t);
    }
    if (syncRoots && hooks.stopped()) {
        if (progress) progress(targetList.size() - repeats, total);
        return failures;
    }
    if (syncRoots && !CopyTimes(source, target, kinds, hooks)) failures.add(target);
    if (progress) progress(total, total);
    return failures;
}

Result<FailureList> SyncDirectoryTrees(std::string_view sourceFolder, std::string_view targetFolder,
                                       std::string_view filterText, const ScanFlags& flags, const TimeKinds& kinds,
                                       const WriteHooks& hooks, const ProgressFn& progress) {
    if (Status allowed = CheckSyncFolders(sourceFolder, targetFolder); !allowed) return allowed.error();
    const std::string source = AddTrailingBackslash(sourceFolder);
    const std::string target = AddTrailingBackslash(targetFolder);

    std::string masks, pairs;
    SplitFilters(Trim(filterText), masks, pairs);
    if (masks.empty()) masks = "*.*";

    std::vector<std::string> sourceList, targetList;
    if (flags.includeFolders) {
        sourceList.push_back(source);
        targetList.push_back(target);
    }
    ScanDirectory(source, masks, sourceList, flags);
    ScanDirectory(target, masks, targetList, flags);
    return SyncDirectories(source, target, true, targetList, sourceList, kinds, hooks, progress);
}

} // namespace kdx
