#include "tests/support/test_processes.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "tests/support/test_machine.h"

extern char** environ;

namespace scourwell::testing {

namespace fs = std::filesystem;

TestProcesses::~TestProcesses() {
    for (pid_t pid : pids_) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
}

pid_t TestProcesses::Start(const std::string& windowsPath) {
    const std::string exe = machine_.Host(windowsPath);
    std::error_code ec;
    if (!fs::exists(exe, ec)) {
        fs::create_directories(fs::path(exe).parent_path(), ec);
        if (!fs::copy_file("/bin/sleep", exe, ec)) return -1;
    }
    const std::string name = fs::path(exe).filename().string();
    const char* argv[] = {name.c_str(), "60", nullptr};
    pid_t pid = -1;
    if (posix_spawn(&pid, exe.c_str(), nullptr, nullptr, const_cast<char* const*>(argv),
                    environ) != 0)
        return -1;
    pids_.push_back(pid);
    // posix_spawn returns before the new image is in place.
    const fs::path link = "/proc/" + std::to_string(pid) + "/exe";
    for (int i = 0; i < 300; ++i) {
        if (fs::read_symlink(link, ec) == fs::path(exe)) return pid;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return -1;
}

bool TestProcesses::Running(pid_t pid) {
    int status = 0;
    const pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) {
        std::erase(pids_, pid);
        return false;
    }
    return kill(pid, 0) == 0;
}

bool TestProcesses::WaitEnded(pid_t pid) {
    for (int i = 0; i < 200; ++i) {
        if (!Running(pid)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

}  // namespace scourwell::testing
