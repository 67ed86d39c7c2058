// Processes of the view, from /proc.
//
// A view other than the native one sees only processes whose executable lies on one of its
// drives; so a test view can only ever end the processes that the test itself started.

#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <string>

#include "platform/processes.h"
#include "platform/view_internal.h"

namespace scourwell::platform {
namespace {

std::string ReadLink(const std::string& path) {
    char buffer[PATH_MAX];
    const ssize_t n = readlink(path.c_str(), buffer, sizeof(buffer) - 1);
    if (n <= 0) return "";
    std::string target(buffer, static_cast<size_t>(n));
    // The kernel marks the image of a process whose file has been removed.
    constexpr std::string_view kDeleted = " (deleted)";
    if (target.ends_with(kDeleted)) target.resize(target.size() - kDeleted.size());
    return target;
}

// The view's drives with their roots as the kernel spells them (links resolved), since
// /proc gives executable paths in that form.
std::vector<DriveMapping> CanonicalDrives() {
    std::vector<DriveMapping> drives = CurrentMachine().drives;
    for (DriveMapping& drive : drives) {
        if (char* real = realpath(drive.hostRoot.c_str(), nullptr)) {
            drive.hostRoot = real;
            std::free(real);
        }
    }
    return drives;
}

// What the view knows of one process; empty when the view does not see it.
std::optional<ProcessEntry> Describe(uint32_t pid, const std::vector<DriveMapping>& drives, bool native) {
    const std::string base = "/proc/" + std::to_string(pid);
    const std::string exe = ReadLink(base + "/exe");
    ProcessEntry entry;
    entry.pid = pid;
    if (!exe.empty()) {
        entry.imagePath = detail::MapHostToWindows(drives, exe).value_or("");
        entry.exeName = exe.substr(exe.rfind('/') + 1);
    }
    if (!native && entry.imagePath.empty()) return std::nullopt;
    if (entry.exeName.empty()) {
        std::ifstream comm(base + "/comm");
        if (!std::getline(comm, entry.exeName)) {
            if (!native) return std::nullopt;
            struct stat info {};
            if (stat(base.c_str(), &info) != 0) return std::nullopt;  // gone meanwhile
        }
    }
    return entry;
}

int OpenPidFd(uint32_t pid) {
#ifdef SYS_pidfd_open
    return static_cast<int>(syscall(SYS_pidfd_open, static_cast<pid_t>(pid), 0));
#else
    errno = ENOSYS;
    return -1;
#endif
}

bool SendKill(int pidfd, uint32_t pid) {
#ifdef SYS_pidfd_send_signal
    if (pidfd >= 0) return syscall(SYS_pidfd_send_signal, pidfd, SIGKILL, nullptr, 0) == 0;
#endif
    return kill(static_cast<pid_t>(pid), SIGKILL) == 0;
}

}  // namespace

std::optional<std::vector<ProcessEntry>> ProcessSnapshot() {
    DIR* proc = opendir("/proc");
    if (proc == nullptr) return std::nullopt;
    std::vector<uint32_t> pids;
    while (const dirent* item = readdir(proc)) {
        char* end = nullptr;
        const unsigned long pid = std::strtoul(item->d_name, &end, 10);
        if (end != item->d_name && *end == '\0' && pid > 0 && pid <= UINT32_MAX)
            pids.push_back(static_cast<uint32_t>(pid));
    }
    closedir(proc);
    std::sort(pids.begin(), pids.end());

    const bool native = CurrentMachine().native;
    const std::vector<DriveMapping> drives = CanonicalDrives();
    std::vector<ProcessEntry> snapshot;
    snapshot.push_back(ProcessEntry{0, "[System Process]", ""});
    for (uint32_t pid : pids) {
        if (auto entry = Describe(pid, drives, native)) snapshot.push_back(std::move(*entry));
    }
    return snapshot;
}

bool TerminateProcess(uint32_t pid, uint32_t exitCode) {
    // A host process cannot be given another's exit code; it is killed outright.
    (void)exitCode;
    if (pid == 0 || pid == 1 || pid == static_cast<uint32_t>(getpid())) return false;
    // The pidfd pins the process: if it ends and its number is reused while we look at it,
    // the signal goes nowhere instead of reaching the newcomer.
    const int pidfd = OpenPidFd(pid);
    if (pidfd < 0 && errno != ENOSYS) return false;
    bool ok = false;
    if (Describe(pid, CanonicalDrives(), CurrentMachine().native)) ok = SendKill(pidfd, pid);
    if (pidfd >= 0) close(pidfd);
    return ok;
}

}  // namespace scourwell::platform
