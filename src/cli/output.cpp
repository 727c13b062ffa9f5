#include "cli/output.h"

#include <algorithm>

#include "cli/args.h"
#include "core/common/progress.h"
#include "core/lists/file_entry.h"
#include "core/timeops/writer.h"

namespace kdx::cli {

std::string ChangeLine(std::string_view path, TimeKind kind, std::string_view oldText, std::string_view newText) {
    std::string line;
    line.reserve(path.size() + oldText.size() + newText.size() + 6);
    line.append(path).append("\t").append(KindLetter(kind)).append("\t");
    line.append(oldText).append("\t").append(newText).append("\n");
    return line;
}

std::string RenameLine(std::string_view from, std::string_view to) {
    return std::string(from) + "\t" + std::string(to) + "\n";
}

std::string PhotoTimeLine(std::string_view photoTime, std::string_view path) {
    return std::string(photoTime) + "\t" + std::string(path) + "\n";
}

std::string NameTimeLine(std::string_view timeText, std::string_view newName, std::string_view name) {
    return std::string(timeText) + "\t" + std::string(newName) + "\t" + std::string(name) + "\n";
}

std::string PairLine(size_t position, std::string_view pathA, std::string_view pathB) {
    return std::to_string(position) + "\t" + std::string(pathA) + "\t" + std::string(pathB) + "\n";
}

ProgressLine::ProgressLine(std::ostream& out, std::ostream& err, bool enabled, std::string caption, size_t total)
    : m_out(out), m_err(err), m_enabled(enabled && ShowsProgressWindow(total)), m_caption(std::move(caption)),
      m_total(total) {}

ProgressLine::~ProgressLine() {
    clear();
}

void ProgressLine::update(size_t done) {
    if (!m_enabled) return;
    std::string text = ProgressCaption(m_caption, done, m_total);
    if (text == m_last) return;
    // Pad over a longer line shown before; a byte count is at least the
    // width the characters take on a terminal.
    const size_t width = text.size();
    m_out.flush();
    m_err << '\r' << text;
    if (m_shownWidth > width) m_err << std::string(m_shownWidth - width, ' ');
    m_err.flush();
    m_shownWidth = std::max(m_shownWidth, width);
    m_last = std::move(text);
}

void ProgressLine::clear() {
    if (!m_enabled || m_shownWidth == 0) return;
    m_err << '\r' << std::string(m_shownWidth, ' ') << '\r';
    m_err.flush();
    m_shownWidth = 0;
    m_last.clear();
}

void Tally::add(const Tally& other) {
    changed += other.changed;
    unchanged += other.unchanged;
    skipped += other.skipped;
    failed += other.failed;
}

void EntryWatch::close(Tally& tally, bool failed) {
    ++(failed ? tally.failed : m_changed ? tally.changed : m_wrote ? tally.unchanged : tally.skipped);
    m_wrote = m_changed = false;
}

std::string SummaryLine(const Tally& tally) {
    return "已修改 " + std::to_string(tally.changed) + "，未变 " + std::to_string(tally.unchanged) + "，跳过 " +
           std::to_string(tally.skipped) + "，失败 " + std::to_string(tally.failed) + "\n";
}

std::string InterruptedLine(size_t done, size_t total) {
    return "已中断：完成 " + std::to_string(done) + " / " + std::to_string(total) + "\n";
}

} // namespace kdx::cli
