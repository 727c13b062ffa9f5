#pragma once

// Taking a command line apart: options and operands of one command, and the
// values the commands share (kinds, times, amounts, sources).

#include <cstddef>
#include <map>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "core/common/filetime.h"
#include "core/timeops/set_times.h"
#include "core/timeops/shift.h"
#include "core/timeops/writer.h"

namespace kdx::cli {

// Bad usage: the message says what is wrong; nothing has been done yet.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One option of a command: "--name", optionally "-x", with or without a
// value ("--name VALUE" or "--name=VALUE"; "-xVALUE" for short ones).
struct OptionSpec {
    std::string_view name;
    char shortName = 0;
    bool takesValue = false;
};

class ParsedArgs {
public:
    // Every value given for an option, in order ("" for a flag).
    std::map<std::string, std::vector<std::string>, std::less<>> options;
    std::vector<std::string> operands;
    // The command as it was typed, for the undo journal.
    std::string line;

    bool has(std::string_view name) const { return options.find(name) != options.end(); }
    // The last value given (a later option overrides an earlier one).
    std::optional<std::string> value(std::string_view name) const;
};

// Options and operands may be mixed; "--" ends the options, and "-" alone is
// an operand. Short flags may be bundled ("-rn"; "-rj4" gives -j its value),
// and a long option may be shortened to any beginning no other one shares.
// Unknown or ambiguous options, a missing value and a value given to a flag
// are usage errors.
ParsedArgs ParseArgs(std::span<const std::string> args, std::span<const OptionSpec> specs);

// "c,m,a" (letters in any order, commas optional): the kinds named. c can be
// asked for only where the creation time can be set, unless the kinds are
// only compared (readOnly).
TimeKinds ParseKinds(std::string_view text, bool canSetCreation, bool readOnly);
// Every kind this system can set (the default of --kinds).
TimeKinds SettableKinds(bool canSetCreation);
// The letter of a kind as --kinds spells it.
std::string_view KindLetter(TimeKind kind);

// A whole number from 1 to 1024.
unsigned ParseJobs(std::string_view text);
// A start position in a file name: a whole number of at least 1.
int ParseStart(std::string_view text);
// A time as typed (see ParseTypedTime): "yyyy-mm-dd hh:nn:ss" (seconds
// optional, a date alone is midnight), ISO 8601 with "T" and an optional
// offset, or "@SECONDS"; with timeOnly "hh:nn[:ss]" alone is enough, and a
// date alone is refused.
DateTime ParseTimeValue(std::string_view text, bool timeOnly);
// A year, month or day amount: a whole number from 0 to 10000.
int ParseAmount(std::string_view option, std::string_view text);
// An hour, minute or second amount: a whole number from 0 to MaxWholeAmount.
inline constexpr long long MaxWholeAmount = 1'000'000'000;
int ParseWholeAmount(std::string_view option, std::string_view text);
// "[+|-]h[:mm[:ss]]", a time of day; fills the hours, minutes and seconds
// and returns the direction its sign gives (+1, -1; 0 without a sign).
int ParseTimeOfDay(std::string_view text, ShiftAmount& amount);

// The names of --from: the sources of the set command.
TimeSource ParseSource(std::string_view text);

} // namespace kdx::cli
