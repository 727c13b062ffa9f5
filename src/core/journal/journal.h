#pragma once

// The undo journal: every command that changes the disk first records what
// it is about to change, so that it can be taken back exactly, even after
// the program was killed half way.
//
// One file per command in the journal folder, named by its number
// ("17.kdxj"). A text file of lines, each ending in a TAB and the CRC-32 of
// what precedes it on the line (8 hexadecimal digits):
//   KDXJ <TAB> 1                       the format and its version
//   command <TAB> text                 what the user ran
//   started <TAB> seconds              since 1970-01-01 UTC
//   S <TAB> path <TAB> kind <TAB> old ticks <TAB> old ns <TAB> new ticks <TAB> new ns
//                                      a stamp about to be written (kind 1-3;
//                                      ticks of 100 ns since 1601, ns below)
//   R <TAB> old path <TAB> new path    a rename about to be made
//   end                                the command finished
//   undone <TAB> number                the undo that took it back
// In texts, backslash, TAB, LF and CR are written \\, \t, \n and \r.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/filetime.h"
#include "base/result.h"

namespace kdx {

class OutputFile;

// The folder of the journal: $KAIRODEX_JOURNAL, otherwise on Windows
// %LOCALAPPDATA%\Kairodex\journal, elsewhere $XDG_STATE_HOME/kairodex/journal
// or ~/.local/state/kairodex/journal. Empty when none can be told.
std::string JournalFolder();

// The journal keeps the last commands up to these bounds; the oldest go
// first when a new one starts.
inline constexpr size_t JournalMaxCommands = 200;
inline constexpr uint64_t JournalMaxBytes = uint64_t{1} << 30;

// The record of one running command. Records may come from several threads.
class Journal {
public:
    // Starts the record of a command in the journal folder; the header is on
    // the disk when this returns. Fails, with the reason, when the journal
    // cannot be written: the command must then not run.
    static Result<std::unique_ptr<Journal>> Begin(std::string_view command);
    ~Journal();
    Journal(const Journal&) = delete;
    Journal& operator=(const Journal&) = delete;

    // Records a stamp about to be changed; to be called before the change.
    // The record is handed to the system before this returns, so a killed
    // program loses none. The first record is on the disk before it
    // returns; later ones go to the disk with the next record written a
    // second or more after the last sync, and when the command ends.
    Status recordStamp(std::string_view path, TimeKind kind, FileTime before, FileTime after);
    // Appends the line recordStamp writes to lines, for records gathered
    // elsewhere (on another thread) and written together by recordLines.
    static void AppendStampLine(std::string& lines, std::string_view path, TimeKind kind, FileTime before,
                                FileTime after);
    // Writes count records made by AppendStampLine in one go, as
    // recordStamp writes one: many entries cost one system call.
    Status recordLines(std::string_view lines, size_t count);
    // Records a rename about to be made.
    Status recordRename(std::string_view from, std::string_view to);
    // Marks the command as finished and puts everything on the disk; the
    // record of a command that changed nothing is removed instead.
    Status finish();

    int id() const { return m_id; }
    // Why a record could not be written, the first time one could not
    // (the changes it was to precede were then not made); empty while all
    // could be.
    std::string failure() const;

private:
    Journal(int id, std::string path, std::unique_ptr<OutputFile> file);
    Status append(std::string_view lines, size_t count);
    // Remembers the first failure of append; called with the lock held.
    Failure failed(const Failure& failure);

    int m_id;
    std::string m_path;
    std::unique_ptr<OutputFile> m_file;
    mutable std::mutex m_mutex;
    size_t m_records = 0;
    std::string m_failure;
    std::chrono::steady_clock::time_point m_synced;
};

// One change a command recorded.
struct JournalRecord {
    bool rename = false;
    std::string path;    // the entry, or for a rename its old path
    std::string newPath; // a rename's new path
    TimeKind kind = TimeKind::NotChosen;
    FileTime before;
    FileTime after;
};

// A command's record as read back, without its changes: those are told
// one by one to whoever asks for them, so that reading a journal of many
// large commands keeps none of them.
struct JournalEntry {
    int id = 0;
    std::string command;
    int64_t started = 0; // seconds since 1970-01-01 UTC
    bool finished = false;
    int undoneBy = 0;   // the undo that took it back, 0 when none has
    size_t records = 0; // the stamps and renames recorded
    size_t entries = 0; // the entries they change: one may have several records
};

// Told each change of a command as it is read, in the order recorded.
using JournalRecordFn = std::function<void(JournalRecord&&)>;
// Told of a journal file that cannot be read: its path and the reason.
using JournalDamageFn = std::function<void(std::string_view file, std::string_view reason)>;

// Reads one journal file. A torn last line (the program stopped while
// writing it) is left out; a file that is not a journal, or holds a damaged
// line before its end, fails with the reason.
Result<JournalEntry> ParseJournal(std::string_view bytes, const JournalRecordFn& onRecord = {});

// The numbers of the commands in the journal folder, oldest first.
std::vector<int> JournalIds();
// The file of command id.
std::string JournalFile(int id);
// Reads the file of command id as ParseJournal reads bytes, through a
// buffer of fixed size whatever the size of the file.
Result<JournalEntry> ReadJournalCommand(int id, const JournalRecordFn& onRecord = {});

// What is in the journal folder, oldest first. Files that cannot be read
// are told to onDamaged and left out.
std::vector<JournalEntry> ReadJournal(const JournalDamageFn& onDamaged = {});

// Marks command id as taken back by undo command by. A torn last line is
// cut off first, so that the mark starts a line of its own.
Status MarkUndone(int id, int by);

// Empties the journal; fails with the reason of the first file that could
// not be removed.
Status ClearJournal();

} // namespace kdx
