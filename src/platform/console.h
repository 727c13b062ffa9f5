#pragma once

// The command line program's side of the system, which the core does not
// need: its arguments, its standard output and error, and the requests to
// stop it. One implementation is compiled in, as for the platform.

#include <atomic>
#include <streambuf>
#include <string>
#include <vector>

#include "base/result.h"

namespace kdx::console {

enum class Stream { Out, Err };

// The arguments after the program's name, as UTF-8. On Windows they are
// taken from the wide command line (argv is in the ANSI code page), a lone
// surrogate kept in the three-byte form file names use.
std::vector<std::string> Arguments(int argc, char** argv);

// Whether the stream is a terminal (on Windows: a console).
bool IsTerminal(Stream stream);

// A buffer taking UTF-8 text, "\n" for line ends, for the stream, or
// nullptr where the standard one serves. On Windows a console is given the
// text as characters, whatever its code page, which stays as it is (it
// belongs to the console, not to this program); output redirected to a
// file or pipe gets the UTF-8 bytes unchanged.
std::streambuf* StandardBuffer(Stream stream);

// A buffer reading standard input as bytes, line ends untranslated, or
// nullptr where the standard one does so already.
std::streambuf* StandardInputBuffer();

// Reads what path holds to its end: a regular file, or a pipe such as a
// shell's process substitution gives. Fails, with the system's reason, when
// it cannot be opened or read.
Result<std::string> ReadWholeInput(const std::string& path);

// A list of names read from a file or standard input, as UTF-8 text. On
// Windows, where no name holds a control character, a list in UTF-16 (with
// its byte order mark) or in the ANSI code page is converted, a UTF-8 byte
// order mark dropped and a CR before LF dropped. Elsewhere the bytes are
// the names, whatever they hold.
std::string NameListText(std::string bytes);

// Catches the requests to stop (interrupt, terminate, hang-up; on Windows
// the console's Ctrl+C, Ctrl+Break and close). Returns the flag that holds
// the POSIX number of the first such signal, 0 while there was none.
const std::atomic<int>& WatchForInterruption();

} // namespace kdx::console
