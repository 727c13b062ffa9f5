#pragma once

// The command line program over the core: every command of the window, run
// on paths, folders and snapshot files instead of list panes.

#include <atomic>
#include <istream>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace kdx::cli {

inline constexpr std::string_view ProgramName = "kairodex-cli";
// KAIRODEX_VERSION comes from the build (the project's version).
inline constexpr std::string_view VersionText = "kairodex-cli " KAIRODEX_VERSION;

// Exit statuses.
enum Exit : int {
    ExitDone = 0,   // everything was done
    ExitFailed = 1, // some paths failed; each is listed on standard error
    ExitUsage = 2,  // bad usage or unreadable input; nothing was written
    // A writing command stopped by a signal exits with 128 + its number.
    ExitSignalBase = 128,
};

// Where a run writes, and what it knows of its surroundings.
struct Io {
    std::ostream& out;
    std::ostream& err;
    bool errIsTerminal = false; // a progress line may be shown
    unsigned cores = 1;         // the default of --jobs
    // Set (to the signal's number) when the user asks the run to stop; a
    // writing command then finishes the entry in hand and ends.
    const std::atomic<int>* interruption = nullptr;
    // Standard input, for "-" as a file name; none: nothing to read.
    std::istream* in = nullptr;
    bool outIsTerminal = false; // a snapshot is not written there
    // Set by the run: standard input has been read once already, and
    // failures are also told as JSON lines on standard output.
    bool inputTaken = false;
    bool jsonFailures = false;
    // Set by the run: names given that name no entry (or one that cannot be
    // read), which a writing command counts as failed.
    size_t namesNotFound = 0;
};

// Runs the command line (without the program's name) and returns the exit
// status.
int Run(const std::vector<std::string>& args, Io& io);

// The commands, and the options of one ("--name", and "-x" where it has a
// letter), for the help, the manual page and the shell's completion.
std::vector<std::string> CommandNames();
std::vector<std::string> CommandOptions(std::string_view command);

// The help of the program, or of one command ("" when there is none).
std::string ProgramHelp();
std::string CommandHelp(std::string_view command);

} // namespace kdx::cli
