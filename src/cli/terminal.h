#pragma once

// The few things the command line program asks of the system that the core
// does not need: its arguments as UTF-8, and whether standard error is a
// terminal. The platform layer's console part does the asking.

#include <atomic>
#include <string>
#include <vector>

namespace kdx::cli {

// The arguments after the program's name, as UTF-8. On Windows they are
// taken from the wide command line, since argv is in the ANSI code page.
std::vector<std::string> CommandLineArgs(int argc, char** argv);

// Makes standard output and error take UTF-8 text with "\n" line ends as
// they are: a Windows console is given characters and keeps its code page,
// redirected output gets UTF-8.
void PrepareStandardStreams();

// Makes standard input give its bytes as they are (no text mode).
void PrepareStandardInput();

// Whether standard error is a terminal, where a progress line makes sense.
bool StandardErrorIsTerminal();
// Whether standard output is a terminal, where a snapshot does not go.
bool StandardOutputIsTerminal();

// Catches the requests to stop (interrupt, terminate, hang-up; on Windows
// the console's Ctrl+C, Ctrl+Break and close) so that a writing command can
// finish the entry in hand and say how far it got. Returns the flag that
// holds the POSIX number of the first such signal, 0 while there was none.
const std::atomic<int>& WatchForInterruption();

} // namespace kdx::cli
