// Opening an entry of the view safely: from the drive root's folder, with no link followed in
// any folder position and no step into another file system.
//
// The lookup itself (exact spelling, then case-insensitive, with the caches) is Resolve's;
// it only tells which names are stored on disk. Those names are then opened one folder at a
// time relative to the previous folder's descriptor (openat2 with RESOLVE_NO_SYMLINKS and
// RESOLVE_NO_XDEV does the whole chain in one call where the kernel has it), and the
// entry's own lstat is taken relative to the opened parent. Whatever an operation then does
// happens relative to that descriptor, so what was checked is what is changed.

#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <string>

#include "platform/view_internal.h"

namespace scourwell::platform::detail {

void UniqueFd::Reset() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
}

std::string SafeEntry::Host() const {
    if (name.empty()) return parentHost;
    std::string host = parentHost;
    if (host.empty() || host.back() != '/') host += '/';
    return host + name;
}

namespace {

constexpr int kFolderFlags = O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
constexpr int kFallBack = -2;

std::atomic<bool> openat2Missing{false};
std::atomic<bool> openat2Allowed{true};

// The folder `relative` ("a/b") below `root` in one call. -1 when it is refused (a link, a
// mount crossing, a missing or non-folder component); kFallBack when the call is not
// available here (old kernel, sandbox) or raced with a rename and should be walked instead.
int OpenBeneath(int root, const std::string& relative) {
#ifdef SYS_openat2
    if (openat2Allowed.load(std::memory_order_relaxed) &&
        !openat2Missing.load(std::memory_order_relaxed)) {
        open_how how{};
        how.flags = O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
        how.resolve = RESOLVE_NO_SYMLINKS | RESOLVE_NO_XDEV | RESOLVE_BENEATH;
        const long fd = syscall(SYS_openat2, root, relative.c_str(), &how, sizeof how);
        if (fd >= 0) return static_cast<int>(fd);
        if (errno == EAGAIN) return kFallBack;
        if (errno != ENOSYS && errno != EPERM && errno != EINVAL && errno != E2BIG) return -1;
        openat2Missing.store(true, std::memory_order_relaxed);
    }
#endif
    (void)root;
    (void)relative;
    return kFallBack;
}

// The folder `relative` below `root`, one component at a time: each opened without following
// a link and checked to lie on `device`. -1 when refused.
int OpenFolder(int root, const std::string& relative, dev_t device) {
    const int fast = OpenBeneath(root, relative);
    if (fast != kFallBack) return fast;
    UniqueFd current;
    size_t start = 0;
    while (start < relative.size()) {
        size_t end = relative.find('/', start);
        if (end == std::string::npos) end = relative.size();
        const std::string name = relative.substr(start, end - start);
        UniqueFd next(openat(current.ok() ? current.get() : root, name.c_str(), kFolderFlags));
        struct stat info {};
        if (!next.ok() || fstat(next.get(), &info) != 0 || info.st_dev != device) return -1;
        current = std::move(next);
        start = end + 1;
    }
    return current.ok() ? current.Release() : -1;
}

}  // namespace

void AllowOpenat2(bool allowed) { openat2Allowed.store(allowed, std::memory_order_relaxed); }

std::optional<SafeEntry> OpenEntry(std::string_view windowsPath, bool allowMissingLast) {
    // A miss costs only the lookup; folders are opened once something was found.
    const std::optional<Resolved> resolved = Resolve(windowsPath, allowMissingLast);
    if (!resolved) return std::nullopt;
    const std::optional<WindowsPath> parsed = ParseWindowsPath(windowsPath);
    const DriveMapping* drive = parsed ? FindDrive(parsed->letter) : nullptr;
    if (drive == nullptr || drive->hostRoot.empty()) return std::nullopt;

    const std::string& root = drive->hostRoot;
    const std::string& host = resolved->host;
    if (!host.starts_with(root)) return std::nullopt;
    std::string relative;
    if (host.size() > root.size()) {
        const size_t skip = root.size() + (root.back() == '/' ? 0 : 1);
        if (root.back() != '/' && host[root.size()] != '/') return std::nullopt;
        relative = host.substr(skip);
    }

    SafeEntry entry;
    entry.parent = UniqueFd(open(root.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    struct stat rootInfo {};
    if (!entry.parent.ok() || fstat(entry.parent.get(), &rootInfo) != 0) return std::nullopt;
    entry.device = rootInfo.st_dev;
    if (relative.empty()) {  // the drive root itself, which may lie on any file system
        entry.parentHost = root;
        entry.exists = true;
        entry.info = rootInfo;
        return entry;
    }

    const size_t slash = relative.rfind('/');
    entry.name = slash == std::string::npos ? relative : relative.substr(slash + 1);
    if (entry.name.empty() || entry.name == "." || entry.name == "..") return std::nullopt;
    if (slash != std::string::npos) {
        const int fd = OpenFolder(entry.parent.get(), relative.substr(0, slash), entry.device);
        if (fd < 0) return std::nullopt;
        entry.parent = UniqueFd(fd);
    }
    entry.parentHost = host.substr(0, host.size() - entry.name.size() - 1);
    if (entry.parentHost.empty()) entry.parentHost = "/";

    if (fstatat(entry.parent.get(), entry.name.c_str(), &entry.info, AT_SYMLINK_NOFOLLOW) == 0) {
        // A mount point (or a file bound over another one) belongs to another file system.
        if (entry.info.st_dev != entry.device) return std::nullopt;
        entry.exists = true;
    } else if (errno != ENOENT || !allowMissingLast) {
        return std::nullopt;
    }
    return entry;
}

}  // namespace scourwell::platform::detail
