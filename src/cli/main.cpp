// kairodex-cli: the window's commands on the command line.

#include <algorithm>
#include <iostream>
#include <thread>

#include "cli/cli.h"
#include "cli/terminal.h"
#include "platform/platform.h"

int main(int argc, char** argv) {
    kdx::hostPlatform().prepareProcess();
    // Output is written in large pieces; C stdio is not used alongside.
    // (This gives the streams new buffers, so it comes first.)
    std::ios::sync_with_stdio(false);
    kdx::cli::PrepareStandardStreams();
    kdx::cli::PrepareStandardInput();
    kdx::cli::Io io{std::cout, std::cerr, kdx::cli::StandardErrorIsTerminal(),
                    std::max(1u, std::thread::hardware_concurrency()), &kdx::cli::WatchForInterruption()};
    io.in = &std::cin;
    io.outIsTerminal = kdx::cli::StandardOutputIsTerminal();
    const int status = kdx::cli::Run(kdx::cli::CommandLineArgs(argc, argv), io);
    std::cout.flush();
    return std::cout ? status : kdx::cli::ExitFailed;
}
