#include "cli/args.h"

#include <algorithm>

#include "core/common/text.h"
#include "core/lists/file_entry.h"
#include "core/timeops/set_times.h"

namespace kdx::cli {

namespace {

// The option named exactly, or else the only one whose name begins so.
const OptionSpec* FindLong(std::span<const OptionSpec> specs, std::string_view name) {
    for (const OptionSpec& s : specs)
        if (s.name == name) return &s;
    std::vector<const OptionSpec*> matches;
    for (const OptionSpec& s : specs)
        if (!name.empty() && s.name.starts_with(name) &&
            std::none_of(matches.begin(), matches.end(), [&](const OptionSpec* m) { return m->name == s.name; }))
            matches.push_back(&s);
    if (matches.size() > 1) {
        std::string names;
        for (const OptionSpec* m : matches)
            names += (names.empty() ? "--" : "、--") + std::string(m->name);
        throw UsageError("选项 --" + std::string(name) + " 有歧义：可以是 " + names);
    }
    return matches.empty() ? nullptr : matches.front();
}

const OptionSpec* FindShort(std::span<const OptionSpec> specs, char c) {
    for (const OptionSpec& s : specs)
        if (s.shortName != 0 && s.shortName == c) return &s;
    return nullptr;
}

std::string Quoted(std::string_view text) {
    return "\"" + std::string(text) + "\"";
}

} // namespace

std::optional<std::string> ParsedArgs::value(std::string_view name) const {
    const auto it = options.find(name);
    if (it == options.end() || it->second.empty()) return std::nullopt;
    return it->second.back();
}

ParsedArgs ParseArgs(std::span<const std::string> args, std::span<const OptionSpec> specs) {
    ParsedArgs parsed;
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            parsed.operands.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        const OptionSpec* option = nullptr;
        std::optional<std::string> inlineValue;
        std::string shown;
        if (arg[1] == '-') {
            std::string_view body = std::string_view(arg).substr(2);
            const size_t eq = body.find('=');
            if (eq != std::string_view::npos) {
                inlineValue = std::string(body.substr(eq + 1));
                body = body.substr(0, eq);
            }
            shown = "--" + std::string(body);
            option = FindLong(specs, body);
        } else {
            // Bundled letters: flags up to the first one that takes a value,
            // which takes the rest of the argument (or the next one).
            size_t at = 1;
            for (; at + 1 < arg.size(); ++at) {
                const OptionSpec* flag = FindShort(specs, arg[at]);
                if (!flag) throw UsageError("未知选项 -" + std::string(1, arg[at]));
                if (flag->takesValue) break;
                parsed.options[std::string(flag->name)].emplace_back();
            }
            shown = "-" + std::string(1, arg[at]);
            option = FindShort(specs, arg[at]);
            if (option && at + 1 < arg.size()) inlineValue = arg.substr(at + 1);
        }
        if (!option) throw UsageError("未知选项 " + shown);
        std::vector<std::string>& values = parsed.options[std::string(option->name)];
        if (!option->takesValue) {
            if (inlineValue) throw UsageError("选项 --" + std::string(option->name) + " 不带值");
            values.emplace_back();
            continue;
        }
        if (inlineValue) {
            values.push_back(*inlineValue);
        } else if (i + 1 < args.size()) {
            values.push_back(args[++i]);
        } else {
            throw UsageError("选项 --" + std::string(option->name) + " 缺少值");
        }
    }
    return parsed;
}

TimeKinds SettableKinds(bool canSetCreation) {
    return TimeKinds::FromChecks(canSetCreation, true, true);
}

TimeKinds ParseKinds(std::string_view text, bool canSetCreation, bool readOnly) {
    bool c = false, m = false, a = false;
    for (char ch : text) {
        switch (ch) {
        case 'c':
            c = true;
            break;
        case 'm':
            m = true;
            break;
        case 'a':
            a = true;
            break;
        case ',':
            break;
        default:
            throw UsageError("--kinds " + Quoted(text) +
                             " 无效：只能是 c（创建时间）、m（修改时间）、a（访问时间），如 m,a");
        }
    }
    if (!c && !m && !a) throw UsageError("--kinds 至少要有 c、m、a 中的一个");
    if (c && !canSetCreation && !readOnly) throw UsageError("本系统不能修改创建时间，--kinds 中不能有 c（可用 m,a）");
    return TimeKinds::FromChecks(c, m, a);
}

std::string_view KindLetter(TimeKind kind) {
    switch (kind) {
    case TimeKind::Creation:
        return "c";
    case TimeKind::LastWrite:
        return "m";
    case TimeKind::LastAccess:
        return "a";
    default:
        return "?";
    }
}

unsigned ParseJobs(std::string_view text) {
    long long n = 0;
    if (!ParseInt(text, n) || n < 1 || n > 1024)
        throw UsageError("--jobs " + Quoted(text) + " 无效：应为 1 到 1024 的整数");
    return static_cast<unsigned>(n);
}

int ParseStart(std::string_view text) {
    long long n = 0;
    if (!ParseInt(text, n) || n < 1) throw UsageError("--start " + Quoted(text) + " 无效：应为不小于 1 的整数");
    // The window's own reading of the box, which also caps the number.
    return ParseStartPosition(text);
}

DateTime ParseTimeValue(std::string_view text, bool timeOnly) {
    if (const auto typed = ParseTypedTime(text)) {
        if (timeOnly && !typed->hasTime)
            throw UsageError("--to " + Quoted(text) + " 只有日期，而 --time-only 只改时分秒：请写出时间，如 18:18:18");
        return typed->value;
    }
    // Only the time of day is used: any date will do to read it.
    if (timeOnly)
        if (auto v = ParseTimeText("2000-01-01 " + std::string(Trim(text)))) return *v;
    throw UsageError("--to " + Quoted(text) + " 不是时间：应为 \"yyyy-mm-dd hh:nn:ss\"" +
                     (timeOnly ? "（或只有 hh:nn:ss）" : "") +
                     "，或 ISO 8601（如 2020-10-31T18:18:18、2020-10-31T10:18:18Z、2020-10-31T18:18:18+08:00），"
                     "或 @秒数（自 1970-01-01 00:00:00 UTC 起）");
}

int ParseAmount(std::string_view option, std::string_view text) {
    long long n = 0;
    // ParseShiftAmount is the box's own rule; it gives 0 for what it refuses.
    if (!ParseInt(text, n) || n < 0 || ParseShiftAmount(text) != n)
        throw UsageError(std::string(option) + " " + Quoted(text) + " 无效：应为 0 到 10000 的整数");
    return static_cast<int>(n);
}

int ParseTimeOfDay(std::string_view text, ShiftAmount& amount) {
    int direction = 0;
    std::string_view rest = text;
    if (!rest.empty() && (rest.front() == '+' || rest.front() == '-')) {
        direction = rest.front() == '+' ? 1 : -1;
        rest.remove_prefix(1);
    }
    int parts[3] = {0, 0, 0};
    size_t count = 0;
    bool ok = !rest.empty();
    while (ok) {
        const size_t colon = rest.find(':');
        const std::string_view part = rest.substr(0, colon);
        long long v = 0;
        ok = count < 3 && !part.empty() && part.front() != '+' && part.front() != '-' && ParseInt(part, v) && v <= 59;
        if (ok) parts[count++] = static_cast<int>(v);
        if (colon == std::string_view::npos) break;
        rest.remove_prefix(colon + 1);
    }
    if (!ok || !IsValidTime(parts[0], parts[1], parts[2]))
        throw UsageError("--time " + Quoted(text) +
                         " 无效：应为 [+|-]h[:mm[:ss]]（时 0-23，分、秒 0-59），如 8、01:30、-0:00:30");
    amount.hours = parts[0];
    amount.minutes = parts[1];
    amount.seconds = parts[2];
    return direction;
}

int ParseWholeAmount(std::string_view option, std::string_view text) {
    long long n = 0;
    if (text.empty() || text.front() == '+' || !ParseInt(text, n) || n < 0 || n > MaxWholeAmount)
        throw UsageError(std::string(option) + " " + Quoted(text) + " 无效：应为 0 到 " +
                         std::to_string(MaxWholeAmount) + " 的整数");
    return static_cast<int>(n);
}

TimeSource ParseSource(std::string_view text) {
    static constexpr std::pair<std::string_view, TimeSource> kSources[] = {
        {"create", TimeSource::Creation}, {"modify", TimeSource::LastWrite},  {"access", TimeSource::LastAccess},
        {"snapshot", TimeSource::Row},    {"earliest", TimeSource::Earliest}, {"latest", TimeSource::Latest},
        {"photo", TimeSource::Photo},     {"filename", TimeSource::FileName},
    };
    for (const auto& [name, source] : kSources)
        if (name == text) return source;
    throw UsageError("--from " + Quoted(text) +
                     " 无效：应为 create、modify、access、snapshot、earliest、latest、photo 或 filename");
}

} // namespace kdx::cli
