// Processes of the view, from /proc.
//
// A view other than the native one sees only processes whose executable lies on one of its
// drives; so a test view can only ever end the processes that the test itself started.

#include <dirent.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/processes.h"
#include "platform/view_internal.h"

namespace scourwell::platform {
namespace {

std::string ReadLink(const std::string& path) {
    char buffer[PATH_MAX];
    const ssize_t n = readlink(path.c_str(), buffer, sizeof(buffer) - 1);
    if (n <= 0) return "";
    return std::string(buffer, static_cast<size_t>(n));
}

// The start time (field 22 of /proc/PID/stat); 0 when it cannot be read.
uint64_t StartTime(const std::string& base) {
    std::ifstream file(base + "/stat");
    std::string text;
    if (!std::getline(file, text)) return 0;
    // The command name (field 2) may hold blanks and parentheses: count from its end.
    const size_t close = text.rfind(')');
    if (close == std::string::npos) return 0;
    std::istringstream fields(text.substr(close + 1));
    std::string field;
    for (int i = 3; i <= 22; ++i)
        if (!(fields >> field)) return 0;
    char* end = nullptr;
    const unsigned long long value = std::strtoull(field.c_str(), &end, 10);
    return end != field.c_str() && *end == '\0' ? value : 0;
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
    std::string exe = ReadLink(base + "/exe");
    ProcessEntry entry;
    entry.pid = pid;
    entry.startTime = StartTime(base);
    struct stat image {};
    if (!exe.empty() && stat((base + "/exe").c_str(), &image) == 0) {
        entry.imageDevice = image.st_dev;
        entry.imageInode = image.st_ino;
    }
    // The kernel marks the image of a process whose file has been removed: that file is no
    // longer on any drive, and another file at its old path is not what the process runs.
    constexpr std::string_view kDeleted = " (deleted)";
    if (exe.ends_with(kDeleted)) exe.clear();
    // A host name holding a backslash has no Windows path: mapped, it would name another file.
    if (exe.find('\\') != std::string::npos) exe.clear();
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

// Only through the pidfd: a signal by number could reach a process that took the number over.
bool SendKill(int pidfd) {
#ifdef SYS_pidfd_send_signal
    if (pidfd >= 0) return syscall(SYS_pidfd_send_signal, pidfd, SIGKILL, nullptr, 0) == 0;
#endif
    (void)pidfd;
    return false;
}

// The ids of every process under /proc, ascending; nothing when /proc cannot be read.
std::optional<std::vector<uint32_t>> ListProcessIds() {
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
    return pids;
}

// Whether the process at /proc/PID runs this image file (device and inode).
bool RunsImage(const std::string& base, uint64_t device, uint64_t inode) {
    struct stat image {};
    return stat((base + "/exe").c_str(), &image) == 0 && image.st_dev == device &&
           image.st_ino == inode;
}

// Whether a process's image lies on a drive of the view, by the path the kernel shows for it; a
// name removed since the start counts where it lay.
bool ImageInView(const std::string& base, const std::vector<DriveMapping>& drives, bool native) {
    if (native) return true;
    std::string exe = ReadLink(base + "/exe");
    constexpr std::string_view kDeleted = " (deleted)";
    if (exe.ends_with(kDeleted)) exe.resize(exe.size() - kDeleted.size());
    if (exe.empty() || exe.find('\\') != std::string::npos) return false;
    return detail::MapHostToWindows(drives, exe).has_value();
}

}  // namespace

struct ProcessPin {
    int fd = -1;
    explicit ProcessPin(int pidfd) : fd(pidfd) {}
    ProcessPin(const ProcessPin&) = delete;
    ProcessPin& operator=(const ProcessPin&) = delete;
    ~ProcessPin() {
        if (fd >= 0) close(fd);
    }
};

std::optional<std::vector<ProcessEntry>> ProcessSnapshot() {
    auto listed = ListProcessIds();
    if (!listed) return std::nullopt;
    const std::vector<uint32_t>& pids = *listed;

    const bool native = CurrentMachine().native;
    const std::vector<DriveMapping> drives = CanonicalDrives();
    std::vector<ProcessEntry> snapshot;
    snapshot.push_back(ProcessEntry{0, "[System Process]", ""});
    for (uint32_t pid : pids) {
        if (auto entry = Describe(pid, drives, native)) snapshot.push_back(std::move(*entry));
    }
    return snapshot;
}

namespace {

// Signals the process behind a pidfd if it is still the one with this start time. The pidfd
// was opened before the start time was read, so the check and the signal reach one process.
bool KillIfStarted(int pidfd, uint32_t pid, uint64_t startTime) {
    if (pidfd < 0 || startTime == 0) return false;
    if (StartTime("/proc/" + std::to_string(pid)) != startTime) return false;
    return SendKill(pidfd);
}

bool Protected(uint32_t pid) {
    return pid == 0 || pid == 1 || pid == static_cast<uint32_t>(getpid());
}

// Whether the process behind a pidfd is still the listed one: not ended (a pidfd turns readable
// when its process exits), the same start time under its number, the same image file.
bool StillListed(int pidfd, const ProcessEntry& process) {
    if (pidfd < 0 || process.startTime == 0) return false;
    pollfd ended{pidfd, POLLIN, 0};
    if (poll(&ended, 1, 0) != 0) return false;
    const std::string base = "/proc/" + std::to_string(process.pid);
    if (StartTime(base) != process.startTime) return false;
    return process.imageInode == 0 || RunsImage(base, process.imageDevice, process.imageInode);
}

// The pidfd to act through: the entry's pin, or one opened now (closed by the caller when
// `owned`).
int PidFdOf(const ProcessEntry& process, bool& owned) {
    owned = process.pin == nullptr;
    return owned ? OpenPidFd(process.pid) : process.pin->fd;
}

}  // namespace

bool PinProcess(ProcessEntry& process) {
    process.pin.reset();
    if (process.pid == 0) return false;
    const int pidfd = OpenPidFd(process.pid);
    if (pidfd < 0) return false;
    auto pin = std::make_shared<const ProcessPin>(pidfd);
    if (!StillListed(pidfd, process)) return false;
    process.pin = std::move(pin);
    return true;
}

bool ProcessUnchanged(const ProcessEntry& process) {
    if (process.pid == 0) return false;
    bool owned = false;
    const int pidfd = PidFdOf(process, owned);
    const bool same = StillListed(pidfd, process);
    if (owned && pidfd >= 0) close(pidfd);
    return same;
}

bool TerminateProcess(uint32_t pid, uint32_t exitCode) {
    // A host process cannot be given another's exit code; it is killed outright.
    (void)exitCode;
    if (Protected(pid)) return false;
    const int pidfd = OpenPidFd(pid);
    if (pidfd < 0) return false;
    const auto process = Describe(pid, CanonicalDrives(), CurrentMachine().native);
    const bool ok = process && KillIfStarted(pidfd, pid, process->startTime);
    close(pidfd);
    return ok;
}

bool TerminateProcess(const ProcessEntry& process, uint32_t exitCode) {
    (void)exitCode;
    if (Protected(process.pid)) return false;
    bool owned = false;
    const int pidfd = PidFdOf(process, owned);
    if (pidfd < 0) return false;
    const bool ok = Describe(process.pid, CanonicalDrives(), CurrentMachine().native) &&
                    StillListed(pidfd, process) && SendKill(pidfd);
    if (owned) close(pidfd);
    return ok;
}

int TerminateProcessesRunning(const FileIdentity& file) {
    const auto object = GetFileInfo(file);
    if (!object || object->IsDirectory()) return -1;
    const auto pids = ListProcessIds();
    if (!pids) return -1;
    const bool native = CurrentMachine().native;
    const std::vector<DriveMapping> drives = CanonicalDrives();
    int ended = 0;
    bool failed = false;
    const auto runsFile = [&file](const std::string& base) {
        return RunsImage(base, file.device, file.inode);
    };
    for (uint32_t pid : *pids) {
        if (Protected(pid)) continue;
        const std::string base = "/proc/" + std::to_string(pid);
        if (!runsFile(base)) continue;  // the cheap test first; most processes end here
        // The pidfd pins the process; what is read after it describes this process or a newer
        // one with the same number, which the start time then tells apart.
        const int pidfd = OpenPidFd(pid);
        if (pidfd < 0) {
            failed = true;
            continue;
        }
        const uint64_t started = StartTime(base);
        // A hard link lets a process outside the view run the same file: it is not a candidate.
        if (!ImageInView(base, drives, native)) {
            close(pidfd);
            continue;
        }
        if (runsFile(base) && KillIfStarted(pidfd, pid, started)) {
            ++ended;
        } else {
            failed = true;
        }
        close(pidfd);
    }
    return ended > 0 || !failed ? ended : -1;
}

}  // namespace scourwell::platform
