#include "tests/support/unprivileged.h"

#include <grp.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

namespace scourwell::testing {

namespace {

// In a child just forked: takes the unprivileged ids, or ends the child.
void DropPrivileges() {
    if (geteuid() != 0) return;
    if (setgroups(0, nullptr) != 0 ||
        setresgid(kUnprivilegedId, kUnprivilegedId, kUnprivilegedId) != 0 ||
        setresuid(kUnprivilegedId, kUnprivilegedId, kUnprivilegedId) != 0)
        _exit(2);
}

}  // namespace

bool RunUnprivileged(const std::function<bool()>& steps) {
    const pid_t pid = fork();
    if (pid < 0) return false;
    if (pid == 0) {
        DropPrivileges();
        bool ok = false;
        try {
            ok = steps();
        } catch (...) {
            ok = false;
        }
        _exit(ok ? 0 : 1);
    }
    int status = 0;
    if (waitpid(pid, &status, 0) != pid) return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void OpenLikeTmp(const std::string& root, const std::string& folder) {
    namespace fs = std::filesystem;
    fs::path current = fs::path(folder);
    while (!current.empty() && current.string().size() >= root.size()) {
        struct stat info {};
        if (stat(current.c_str(), &info) == 0) chmod(current.c_str(), (info.st_mode & 07777) | 0755);
        if (current == fs::path(root)) break;
        current = current.parent_path();
    }
    chmod(folder.c_str(), 01777);
}

UnprivilegedLoop::UnprivilegedLoop(const std::function<void()>& step) {
    pid_ = fork();
    if (pid_ != 0) return;
    DropPrivileges();
    try {
        for (;;) step();
    } catch (...) {
    }
    _exit(1);
}

UnprivilegedLoop::~UnprivilegedLoop() {
    if (pid_ <= 0) return;
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
}

}  // namespace scourwell::testing
