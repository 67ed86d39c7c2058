// Shell services of the view: special folders, and opening documents with xdg-open.

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "platform/shell.h"
#include "platform/view_internal.h"

extern char** environ;

namespace scourwell::platform {
namespace {

// Full path of an executable on PATH; empty when there is none.
std::string FindOnPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::string_view rest = path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin";
    while (true) {
        const size_t colon = rest.find(':');
        std::string dir(rest.substr(0, colon));
        if (dir.empty()) dir = ".";
        const std::string candidate = dir + "/" + program;
        if (access(candidate.c_str(), X_OK) == 0) return candidate;
        if (colon == std::string_view::npos) return "";
        rest.remove_prefix(colon + 1);
    }
}

}  // namespace

std::string SpecialFolderPath(int csidl) {
    const auto& folders = CurrentMachine().specialFolders;
    const auto it = folders.find(csidl);
    if (it == folders.end()) return "";
    std::string path = it->second;
    while (!path.empty() && path.back() == '\\') path.pop_back();
    return path;
}

bool ShellOpen(std::string_view windowsPath) {
    const auto resolved = detail::Resolve(windowsPath, false);
    if (!resolved || !resolved->exists) return false;
    const std::string opener = FindOnPath("xdg-open");
    if (opener.empty()) return false;
    // A short-lived shell starts the opener in the background and exits at once, so the
    // opener is never our child and never has to be waited for.
    const std::string script = "\"$0\" \"$1\" </dev/null >/dev/null 2>&1 &";
    const char* argv[] = {"sh", "-c", script.c_str(), opener.c_str(), resolved->host.c_str(), nullptr};
    pid_t shell = 0;
    if (posix_spawn(&shell, "/bin/sh", nullptr, nullptr, const_cast<char* const*>(argv), environ) != 0)
        return false;
    int status = 0;
    while (waitpid(shell, &status, 0) < 0) {
        if (errno != EINTR) return false;
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace scourwell::platform
