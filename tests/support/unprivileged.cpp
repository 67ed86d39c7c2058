#include "tests/support/unprivileged.h"

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

namespace scourwell::testing {

bool RunUnprivileged(const std::function<bool()>& steps) {
    const pid_t pid = fork();
    if (pid < 0) return false;
    if (pid == 0) {
        if (geteuid() == 0) {
            if (setgroups(0, nullptr) != 0 ||
                setresgid(kUnprivilegedId, kUnprivilegedId, kUnprivilegedId) != 0 ||
                setresuid(kUnprivilegedId, kUnprivilegedId, kUnprivilegedId) != 0)
                _exit(2);
        }
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

}  // namespace scourwell::testing
