#pragma once

// What the command line program writes: the lines of each command, the
// failure report and the progress line.

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <ostream>
#include <string>
#include <string_view>

#include "core/common/filetime.h"
#include "core/common/report.h"

namespace kdx::cli {

// How the lines of a command are written: text (fields set apart by TAB, a
// line each, names escaped so that one record stays one line), NUL (each
// field followed by a NUL, names as they are) or JSON Lines.
enum class OutputForm { Text, Null, Json };

// A name as a text line shows it: as it is, unless it holds a control
// character; then each of those is written "\t", "\n", "\r" or "\xHH" and
// each backslash "\\", so that the name takes one line.
std::string ShownName(std::string_view name);

// One record of fields in the text or NUL form (not JSON).
std::string Record(std::initializer_list<std::string_view> fields, OutputForm form);

// photo-time: the photo time (empty when none) TAB the path.
std::string PhotoTimeLine(std::string_view photoTime, std::string_view path);
// name-time: the time TAB the new name TAB the name (missing ones empty).
std::string NameTimeLine(std::string_view timeText, std::string_view newName, std::string_view name);
// sync-pairs --compare: the pair's position from 1 TAB the A path TAB the B path.
std::string PairLine(size_t position, std::string_view pathA, std::string_view pathB);

// --- JSON Lines: one object a line ---------------------------------------------
//
// A name is a JSON string with its bytes as they are where they are UTF-8;
// every byte that is not is written as the escape of U+DC80 to U+DCFF
// (U+DC00 plus the byte). Only on Windows, whose names are UTF-16, is a
// lone surrogate in its three-byte form written as the escape of that
// surrogate, which is what the name holds. A name that is not UTF-8 also
// gets "path_hex", its bytes in hexadecimal, for readers that refuse those
// escapes. A time is an object: "text" as the text lines show it, "iso" the
// instant in ISO 8601 with the local UTC offset (with the sub-second part
// where it is a stamp of an entry), and "source" where it comes from.

// A JSON string: quoted, escaped.
std::string JsonString(std::string_view text);

// A time object, or null for a blank text; without "source" when source is
// empty. The text holds whole seconds, and so does the iso form.
std::string JsonTime(std::string_view text, std::string_view source, int64_t utcOffset);

// The time object of a stamp of an entry, with the stamp's sub-second part
// in the iso form; without "source" when source is empty.
std::string JsonStamp(const FileTime& stamp, std::string_view source, int64_t utcOffset);

// Builds one object field by field.
class JsonLine {
public:
    JsonLine& raw(std::string_view key, std::string_view json);
    JsonLine& text(std::string_view key, std::string_view value) { return raw(key, JsonString(value)); }
    // The name as "key", and "key_hex" when it is not UTF-8.
    JsonLine& name(std::string_view key, std::string_view value);
    // The object with its line end.
    std::string done() const { return m_text + "}\n"; }

private:
    std::string m_text = "{";
};

// A stamp changed, or to be changed: the old one as the entry held it
// (source "file"), the new one with the source of the command's value.
std::string JsonChange(std::string_view path, TimeKind kind, FileTime oldStamp, FileTime newStamp,
                       std::string_view source, bool dryRun, int64_t utcOffset);
std::string JsonRename(std::string_view from, std::string_view to, bool dryRun);
std::string JsonPair(size_t position, std::string_view pathA, std::string_view pathB);
// A path that failed, with its reason ("" when none is known).
std::string JsonFailure(std::string_view path, std::string_view reason);

// The failure header, then each path on a line of its own, with its reason
// after a TAB where one is known. Nothing when there are no failures.
template <class ReasonFn>
void ReportFailures(std::ostream& err, std::string_view header, const FailureList& failures, const ReasonFn& reason) {
    if (failures.empty()) return;
    err << header << '\n';
    for (const std::string& path : failures.paths) {
        const std::string why = reason(path);
        err << ShownName(path);
        if (!why.empty()) err << '\t' << why;
        err << '\n';
    }
}

// How the entries of a writing command ended, for its closing summary line.
struct Tally {
    size_t changed = 0;   // at least one stamp now differs
    size_t unchanged = 0; // written, but every stamp already had its time
    size_t skipped = 0;   // nothing to write (no source time, no counterpart)
    size_t failed = 0;

    size_t done() const { return changed + unchanged + skipped + failed; }
    void add(const Tally& other);
};

// Follows the stamps written for one entry at a time and counts the entry
// when it is closed.
class EntryWatch {
public:
    void saw(std::string_view oldText, std::string_view newText) {
        m_wrote = true;
        m_changed = m_changed || oldText != newText;
    }
    bool wrote() const { return m_wrote; }
    void close(Tally& tally, bool failed);

private:
    bool m_wrote = false;
    bool m_changed = false;
};

// The summary line of a writing command: the four counts.
std::string SummaryLine(const Tally& tally);
// The line of a command stopped by a signal: how many of its entries it got to.
std::string InterruptedLine(size_t done, size_t total);

// A line on standard error that counts the work done, rewritten in place.
// It shows only where enabled (standard error is a terminal) and only for
// work as long as the window's own progress window is shown for. Standard
// output is flushed before the line is drawn, and whoever prints there
// clears the line first, so the two never end up on one line of a terminal.
class ProgressLine {
public:
    ProgressLine(std::ostream& out, std::ostream& err, bool enabled, std::string caption, size_t total);
    ~ProgressLine();
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    void update(size_t done);
    // Removes the line; later updates show it again.
    void clear();

private:
    std::ostream& m_out;
    std::ostream& m_err;
    bool m_enabled;
    std::string m_caption;
    size_t m_total;
    size_t m_shownWidth = 0;
    std::string m_last;
};

} // namespace kdx::cli
