#include "tests/cli/cli_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

namespace scourwell::cli::testing {

namespace {

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Whether the process has a handler for SIGINT installed (its SigCgt mask has bit 2).
bool CatchesInterrupt(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("SigCgt:", 0) != 0) continue;
        const unsigned long long mask = std::strtoull(line.c_str() + 7, nullptr, 16);
        return (mask & (1ULL << (SIGINT - 1))) != 0;
    }
    return false;
}

// Runs `name` from the build folder with its output captured.
CliRun Run(const std::string& name, const std::vector<std::string>& args,
           const std::string& machineFile, bool interrupt, const std::vector<std::string>& unset) {
    char folder[] = "/tmp/scourwell-cli-run-XXXXXX";
    if (mkdtemp(folder) == nullptr) return {};
    const std::string outPath = std::string(folder) + "/out";
    const std::string errPath = std::string(folder) + "/err";
    const std::string program = std::string(SCOURWELL_BIN_DIR) + "/" + name;

    std::vector<std::string> argv{program};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> pointers;
    for (std::string& arg : argv) pointers.push_back(arg.data());
    pointers.push_back(nullptr);

    const pid_t pid = fork();
    if (pid == 0) {
        setenv("SCOURWELL_MACHINE", machineFile.c_str(), 1);
        for (const std::string& variable : unset) unsetenv(variable.c_str());
        const int in = open("/dev/null", O_RDONLY);
        const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (in < 0 || out < 0 || err < 0) _exit(127);
        dup2(in, STDIN_FILENO);
        dup2(out, STDOUT_FILENO);
        dup2(err, STDERR_FILENO);
        execv(program.c_str(), pointers.data());
        _exit(127);
    }
    CliRun run;
    if (pid < 0) return run;
    if (interrupt) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!CatchesInterrupt(pid) && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        kill(pid, SIGINT);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = Slurp(outPath);
    run.err = Slurp(errPath);
    std::remove(outPath.c_str());
    std::remove(errPath.c_str());
    rmdir(folder);
    return run;
}

}  // namespace

CliRun RunCli(const std::vector<std::string>& args, const std::string& machineFile,
              bool interrupt) {
    return Run("scourwell-cli", args, machineFile, interrupt, {});
}

CliRun RunProgram(const std::string& program, const std::vector<std::string>& args,
                  const std::string& machineFile, const std::vector<std::string>& unset) {
    return Run(program, args, machineFile, false, unset);
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line))
        if (!line.empty()) lines.push_back(line);
    return lines;
}

}  // namespace scourwell::cli::testing
