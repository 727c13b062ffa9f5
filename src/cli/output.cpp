#include "cli/output.h"

#include <algorithm>

#include "base/utf8.h"
#include "cli/args.h"
#include "core/common/progress.h"
#include "core/common/text.h"
#include "core/lists/file_entry.h"
#include "core/timeops/writer.h"

namespace kdx::cli {

namespace {

bool IsControl(char c) {
    return static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
}

constexpr char kHex[] = "0123456789abcdef";

} // namespace

std::string ShownName(std::string_view name) {
    if (std::none_of(name.begin(), name.end(), IsControl)) return std::string(name);
    std::string shown;
    for (char c : name) {
        if (c == '\\') {
            shown += "\\\\";
        } else if (c == '\t') {
            shown += "\\t";
        } else if (c == '\n') {
            shown += "\\n";
        } else if (c == '\r') {
            shown += "\\r";
        } else if (IsControl(c)) {
            const auto b = static_cast<unsigned char>(c);
            shown += {'\\', 'x', kHex[b >> 4], kHex[b & 15]};
        } else {
            shown += c;
        }
    }
    return shown;
}

std::string Record(std::initializer_list<std::string_view> fields, OutputForm form) {
    std::string line;
    bool first = true;
    for (std::string_view field : fields) {
        if (form == OutputForm::Null) {
            line.append(field).push_back('\0');
            continue;
        }
        if (!first) line.push_back('\t');
        first = false;
        if (std::any_of(field.begin(), field.end(), IsControl))
            line += ShownName(field);
        else
            line.append(field);
    }
    if (form != OutputForm::Null) line.push_back('\n');
    return line;
}

std::string PhotoTimeLine(std::string_view photoTime, std::string_view path) {
    return Record({photoTime, path}, OutputForm::Text);
}

std::string NameTimeLine(std::string_view timeText, std::string_view newName, std::string_view name) {
    return Record({timeText, newName, name}, OutputForm::Text);
}

std::string PairLine(size_t position, std::string_view pathA, std::string_view pathB) {
    return Record({std::to_string(position), pathA, pathB}, OutputForm::Text);
}

std::string JsonString(std::string_view text) {
    std::string json;
    json.reserve(text.size() + 2);
    json.push_back('"');
    const auto escape = [&json](unsigned unit) {
        json += {'\\', 'u', kHex[unit >> 12], kHex[(unit >> 8) & 15], kHex[(unit >> 4) & 15], kHex[unit & 15]};
    };
    for (size_t i = 0; i < text.size();) {
        const auto b = static_cast<unsigned char>(text[i]);
        if (b >= 0x80) {
            size_t next = i;
            char32_t cp = 0;
            if (DecodeUtf8(text, next, cp)) {
                json.append(text.substr(i, next - i));
                i = next;
            } else if (b == 0xED && text.size() - i >= 3 && (static_cast<unsigned char>(text[i + 1]) & 0xE0) == 0xA0 &&
                       (static_cast<unsigned char>(text[i + 2]) & 0xC0) == 0x80 && PathSeparator() == '\\') {
                // A lone surrogate of a Windows name (UTF-16) in its three-byte
                // form. Elsewhere names are bytes, and these are three bytes
                // that are not UTF-8 like any other.
                escape(0xD000u | ((static_cast<unsigned char>(text[i + 1]) & 0x3Fu) << 6) |
                       (static_cast<unsigned char>(text[i + 2]) & 0x3Fu));
                i += 3;
            } else {
                escape(0xDC00u + b);
                ++i;
            }
            continue;
        }
        if (b == '"' || b == '\\') {
            json += {'\\', static_cast<char>(b)};
        } else if (b == '\n') {
            json += "\\n";
        } else if (b == '\t') {
            json += "\\t";
        } else if (b == '\r') {
            json += "\\r";
        } else if (b < 0x20 || b == 0x7F) {
            escape(b);
        } else {
            json.push_back(static_cast<char>(b));
        }
        ++i;
    }
    json.push_back('"');
    return json;
}

std::string JsonTime(std::string_view text, std::string_view source, int64_t utcOffset) {
    if (IsBlank(text)) return "null";
    std::string iso;
    if (const std::optional<DateTime> value = ParseTimeText(text)) iso = FormatIsoTime(*value, utcOffset);
    JsonLine time;
    time.text("text", text).raw("iso", iso.empty() ? "null" : JsonString(iso));
    if (!source.empty()) time.text("source", source);
    std::string json = time.done();
    json.pop_back(); // no line end inside a line
    return json;
}

std::string JsonStamp(const FileTime& stamp, std::string_view source, int64_t utcOffset) {
    const std::string iso = FormatIsoStamp(stamp, utcOffset);
    // A year past 9999 has more digits.
    std::string text = iso.substr(0, iso.find('.'));
    text[text.find('T')] = ' ';
    std::string json;
    json.reserve(96);
    json.append("{\"text\":\"").append(text).append("\",\"iso\":\"").append(iso).append("\"");
    if (!source.empty()) json.append(",\"source\":").append(JsonString(source));
    json.append("}");
    return json;
}

JsonLine& JsonLine::raw(std::string_view key, std::string_view json) {
    if (m_text.size() > 1) m_text.push_back(',');
    m_text.append(JsonString(key)).append(":").append(json);
    return *this;
}

JsonLine& JsonLine::name(std::string_view key, std::string_view value) {
    raw(key, JsonString(value));
    if (!IsValidUtf8(value)) {
        std::string hex;
        hex.reserve(value.size() * 2);
        for (char c : value)
            hex += {kHex[static_cast<unsigned char>(c) >> 4], kHex[static_cast<unsigned char>(c) & 15]};
        raw(std::string(key) + "_hex", JsonString(hex));
    }
    return *this;
}

std::string JsonChange(std::string_view path, TimeKind kind, FileTime oldStamp, FileTime newStamp,
                       std::string_view source, bool dryRun, int64_t utcOffset) {
    return JsonLine()
        .name("path", path)
        .text("kind", KindLetter(kind))
        .raw("old", JsonStamp(oldStamp, "file", utcOffset))
        .raw("new", JsonStamp(newStamp, source, utcOffset))
        .raw("dry_run", dryRun ? "true" : "false")
        .done();
}

std::string JsonRename(std::string_view from, std::string_view to, bool dryRun) {
    return JsonLine().name("path", from).name("new_path", to).raw("dry_run", dryRun ? "true" : "false").done();
}

std::string JsonPair(size_t position, std::string_view pathA, std::string_view pathB) {
    return JsonLine().raw("position", std::to_string(position)).name("path_a", pathA).name("path_b", pathB).done();
}

std::string JsonFailure(std::string_view path, std::string_view reason) {
    return JsonLine().name("path", path).text("error", reason).done();
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
