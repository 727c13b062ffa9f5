#include "core/timeops/undo.h"

#include <algorithm>

#include "core/common/filetime.h"
#include "core/timeops/writer.h"
#include "platform/platform.h"

namespace kdx {

namespace {

std::string Shown(FileTime t) {
    return FormatTimeText(FileTimeToLocalDateTime(t, sys().utcOffsetNow()));
}

// Writes one stamp back exactly, unlocking a read-only entry where the
// system requires it, and checks that the entry holds it.
Status Restore(const std::string& path, TimeKind kind, FileTime value, uint32_t attributes) {
    StampSet stamp;
    *stamp.of(kind) = value;
    if (Status set = SetStamps(path, stamp, attributes); !set) return set;
    const auto after = sys().findEntry(path);
    if (!after) return after.error();
    if (after->of(kind) != value)
        return Failure{0, "文件系统存为 " + Shown(after->of(kind)) + "，而不是 " + Shown(value)};
    return {};
}

} // namespace

std::optional<JournalEntry> CommandToUndo(const std::vector<JournalEntry>& journal, int id) {
    // Undos themselves are passed over, so that undoing again goes further
    // back; an undo is taken back by its number.
    const auto wanted = [id](const JournalEntry& e) {
        if (id != 0) return e.id == id;
        return e.undoneBy == 0 && !e.records.empty() && !e.command.starts_with(UndoCommandPrefix);
    };
    const auto found = std::find_if(journal.rbegin(), journal.rend(), wanted);
    if (found == journal.rend()) return std::nullopt;
    return *found;
}

Result<UndoReport> UndoCommand(int id, const UndoOptions& options) {
    const std::optional<JournalEntry> target = CommandToUndo(ReadJournal(), id);
    if (!target)
        return Failure{0, id == 0 ? std::string("撤销日志中没有可撤销的命令")
                                  : "撤销日志中没有可读的命令 " + std::to_string(id)};
    if (target->undoneBy != 0)
        return Failure{0, "命令 " + std::to_string(target->id) + " 已由命令 " + std::to_string(target->undoneBy) +
                              " 撤销"};

    UndoReport report;
    report.undoneId = target->id;
    std::unique_ptr<Journal> own;
    if (!options.dryRun) {
        Result<std::unique_ptr<Journal>> begun =
            Journal::Begin(std::string(UndoCommandPrefix) + std::to_string(target->id));
        if (!begun) return begun.error();
        own = std::move(*begun);
        report.journalId = own->id();
    }
    Platform& p = sys();
    const auto leave = [&](const std::string& path, std::string_view reason) {
        report.leftAlone.emplace_back(path, std::string(reason));
    };
    // Last change first: a later change of the same entry builds on an
    // earlier one.
    const size_t total = target->records.size();
    for (auto r = target->records.rbegin(); r != target->records.rend(); ++r) {
        if (const size_t done = static_cast<size_t>(r - target->records.rbegin()); options.progress && done % 256 == 0)
            options.progress(done, total);
        if (r->rename) {
            const bool movedThere = p.findEntry(r->newPath).has_value();
            const bool oldFree = !p.findEntry(r->path).has_value();
            if (!movedThere && !oldFree) continue; // the rename was never made
            if (!movedThere || !oldFree) {
                leave(r->newPath, RenamedEntryGone);
                continue;
            }
            if (options.observer) options.observer(r->newPath, TimeKind::NotChosen, r->newPath, r->path, {}, {});
            if (options.dryRun) {
                ++report.restored;
                continue;
            }
            if (Status noted = own->recordRename(r->newPath, r->path); !noted) return noted.error();
            if (Status renamed = p.renameNoReplace(r->newPath, r->path); !renamed) {
                leave(r->newPath, renamed.error().reason);
                continue;
            }
            ++report.restored;
            continue;
        }
        const auto info = p.findEntry(r->path);
        if (!info) {
            leave(r->path, info.error().reason);
            continue;
        }
        const FileTime now = info->of(r->kind);
        if (now == r->before) continue; // never written, or already back
        if (now != r->after && !options.force) {
            leave(r->path, ChangedSince);
            continue;
        }
        if (options.observer) options.observer(r->path, r->kind, Shown(now), Shown(r->before), now, r->before);
        if (options.dryRun) {
            ++report.restored;
            continue;
        }
        if (Status noted = own->recordStamp(r->path, r->kind, now, r->before); !noted) return noted.error();
        if (Status restored = Restore(r->path, r->kind, r->before, info->attributes); !restored) {
            leave(r->path, restored.error().reason);
            continue;
        }
        ++report.restored;
    }
    if (options.progress) options.progress(total, total);
    if (own) {
        if (Status finished = own->finish(); !finished) return finished.error();
        // Taken back only when nothing was left: a later undo may still
        // restore what was left alone, and passes over what is back.
        if (report.leftAlone.empty())
            if (Status marked = MarkUndone(target->id, own->id()); !marked) return marked.error();
    }
    return report;
}

} // namespace kdx
