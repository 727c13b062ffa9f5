#include "cli/terminal.h"

#include <iostream>

#include "platform/console.h"

namespace kdx::cli {

std::vector<std::string> CommandLineArgs(int argc, char** argv) {
    return console::Arguments(argc, argv);
}

void PrepareStandardStreams() {
    if (std::streambuf* out = console::StandardBuffer(console::Stream::Out)) std::cout.rdbuf(out);
    if (std::streambuf* err = console::StandardBuffer(console::Stream::Err)) std::cerr.rdbuf(err);
}

void PrepareStandardInput() {
    if (std::streambuf* in = console::StandardInputBuffer()) std::cin.rdbuf(in);
}

bool StandardOutputIsTerminal() {
    return console::IsTerminal(console::Stream::Out);
}

bool StandardErrorIsTerminal() {
    return console::IsTerminal(console::Stream::Err);
}

const std::atomic<int>& WatchForInterruption() {
    return console::WatchForInterruption();
}

} // namespace kdx::cli
