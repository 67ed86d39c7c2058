#pragma once

// Runs scourwell-cli as a separate process on a test machine (SCOURWELL_MACHINE), with its
// standard output and error captured. Arguments are passed as they are, without a shell.

#include <string>
#include <vector>

namespace scourwell::cli::testing {

struct CliRun {
    int exitCode = -1;  // -1 when the process did not exit normally
    std::string out;
    std::string err;
};

// `machineFile` empty: the variable is set empty (the native view is never used by tests that
// scan or clean). `interrupt`: Ctrl+C (SIGINT) is sent as soon as the process catches it.
CliRun RunCli(const std::vector<std::string>& args, const std::string& machineFile,
              bool interrupt = false);

// Runs another program of the build folder ("scourwell", "scourwell-db") the same way, with
// the variables `unset` removed from its environment (DISPLAY, say).
CliRun RunProgram(const std::string& program, const std::vector<std::string>& args,
                  const std::string& machineFile, const std::vector<std::string>& unset = {});

// The lines of `text`, without empty ones.
std::vector<std::string> Lines(const std::string& text);

}  // namespace scourwell::cli::testing
