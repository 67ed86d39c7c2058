// scourwell-cli: the command-line companion of the window, over the same core. It scans,
// cleans up, manages the quarantine, checks signature databases and lists what the inspection
// pages show, on the machine that the window would see (the host, or SCOURWELL_MACHINE's).
// See `scourwell-cli --help` and docs/scourwell-cli.1.

#include <unistd.h>

#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "platform/machine.h"
#include "tools/cli/cli_port.h"
#include "tools/cli/db_command.h"
#include "tools/cli/escaping.h"
#include "tools/cli/inspect_command.h"
#include "tools/cli/options.h"
#include "tools/cli/quarantine_command.h"
#include "tools/cli/scan_command.h"
#include "tools/cli/session.h"

using namespace scourwell;

namespace {

constexpr int kExitError = 2;

int Fail(const std::string& message) {
    std::cerr << "scourwell-cli: " << cli::EscapeForTerminal(message) << '\n';
    return kExitError;
}

int Run(const cli::Options& options) {
    // A host file is checked without the machine (nor its data folder).
    if (options.command == cli::Command::DbCheck) return cli::RunDbCheck(options, std::cout);
    cli::CliPort port(std::cerr, isatty(STDERR_FILENO) == 1);
    port.quiet = options.quiet;
    cli::Session session(port);
    switch (options.command) {
        case cli::Command::Scan: return cli::RunScan(session, options, std::cout);
        case cli::Command::Clean: return cli::RunClean(session, options, std::cout);
        case cli::Command::QuarantineList:
        case cli::Command::QuarantineRestore:
        case cli::Command::QuarantineClear: return cli::RunQuarantine(session, options, std::cout);
        case cli::Command::DbInfo:
        case cli::Command::DbCheck: return cli::RunDb(session, options, std::cout);
        case cli::Command::Processes:
        case cli::Command::Startup:
        case cli::Command::FileGuard:
        case cli::Command::Report: return cli::RunInspect(session, options, std::cout);
        case cli::Command::Help:
        case cli::Command::Version: break;
    }
    std::cout << cli::UsageText();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const cli::ParsedOptions parsed = cli::ParseOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed.options) return Fail(parsed.error);
    const cli::Options& options = *parsed.options;
    if (options.command == cli::Command::Version) {
        std::cout << cli::VersionLine("scourwell-cli") << '\n';
        return 0;
    }
    if (options.help || options.command == cli::Command::Help) {
        std::cout << cli::UsageText(options.command);
        return 0;
    }
    cli::CatchInterrupt();
    try {
        const bool hostFile = options.command == cli::Command::DbCheck && !cli::IsViewPath(options.file);
        if (!hostFile) platform::UseMachineFromEnvironment();
        const int status = Run(*parsed.options);
        std::cout.flush();
        if (!std::cout) return Fail("cannot write the output");
        return status;
    } catch (const std::exception& error) {
        return Fail(error.what());
    }
}
