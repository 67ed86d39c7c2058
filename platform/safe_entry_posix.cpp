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
        // A chain longer than one call takes is walked folder by folder instead.
        if (errno == EAGAIN || errno == ENAMETOOLONG) return kFallBack;
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

// Opens a drive's root folder (which may itself be reached through a link) into `entry`.
bool OpenRoot(const DriveMapping& drive, SafeEntry& entry, struct stat& rootInfo) {
    entry.parent = UniqueFd(open(drive.hostRoot.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!entry.parent.ok() || fstat(entry.parent.get(), &rootInfo) != 0) return false;
    entry.device = rootInfo.st_dev;
    return true;
}

std::string JoinHost(const std::string& folder, const std::string& name) {
    if (folder.empty() || folder.back() != '/') return folder + "/" + name;
    return folder + name;
}

}  // namespace

void AllowOpenat2(bool allowed) { openat2Allowed.store(allowed, std::memory_order_relaxed); }

std::string ExactWindowsPath(char letter, const std::string& hostRoot, const std::string& host) {
    std::string windows(1, letter);
    windows += ":\\";
    if (host.size() > hostRoot.size() && host.starts_with(hostRoot)) {
        std::string rest = host.substr(hostRoot.size());
        while (rest.starts_with('/')) rest.erase(0, 1);
        for (char& c : rest)
            if (c == '/') c = '\\';
        windows += rest;
    }
    return windows;
}

bool IsAnyDriveRoot(const struct stat& info) {
    if (!S_ISDIR(info.st_mode)) return false;
    for (const DriveMapping& drive : CurrentMachine().drives) {
        struct stat root {};
        if (!drive.hostRoot.empty() && stat(drive.hostRoot.c_str(), &root) == 0 &&
            root.st_dev == info.st_dev && root.st_ino == info.st_ino)
            return true;
    }
    return false;
}

std::optional<SafeEntry> OpenExactEntry(std::string_view windowsPath, bool allowMissingLast) {
    const std::optional<WindowsPath> parsed = ParseWindowsPath(windowsPath);
    const DriveMapping* drive = parsed ? FindDrive(parsed->letter) : nullptr;
    if (drive == nullptr || drive->hostRoot.empty()) return std::nullopt;
    SafeEntry entry;
    struct stat rootInfo {};
    if (!OpenRoot(*drive, entry, rootInfo)) return std::nullopt;
    const std::vector<std::string>& parts = parsed->components;
    if (parts.empty()) {
        entry.parentHost = drive->hostRoot;
        entry.exists = true;
        entry.info = rootInfo;
        return entry;
    }
    std::string relative;
    for (size_t i = 0; i + 1 < parts.size(); ++i) {
        if (parts[i].find('/') != std::string::npos) return std::nullopt;
        if (i > 0) relative += '/';
        relative += parts[i];
    }
    entry.name = parts.back();
    if (entry.name.find('/') != std::string::npos) return std::nullopt;
    entry.parentHost = drive->hostRoot;
    if (!relative.empty()) {
        const int fd = OpenFolder(entry.parent.get(), relative, entry.device);
        if (fd < 0) return std::nullopt;
        entry.parent = UniqueFd(fd);
        entry.parentHost = JoinHost(drive->hostRoot, relative);
    }
    if (fstatat(entry.parent.get(), entry.name.c_str(), &entry.info, AT_SYMLINK_NOFOLLOW) == 0) {
        if (entry.info.st_dev != entry.device) return std::nullopt;
        entry.exists = true;
    } else if (errno != ENOENT || !allowMissingLast) {
        return std::nullopt;
    }
    return entry;
}

std::optional<SafeEntry> OpenIdentity(const FileIdentity& identity) {
    if (!identity.IsKnown()) return std::nullopt;
    std::optional<SafeEntry> entry;
    if (identity.folder && identity.folder->fd.ok()) {
        const size_t slash = identity.path.rfind('\\');
        const std::string name =
            slash == std::string::npos ? identity.path : identity.path.substr(slash + 1);
        if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos)
            return std::nullopt;
        entry.emplace();
        entry->parent = UniqueFd(fcntl(identity.folder->fd.get(), F_DUPFD_CLOEXEC, 0));
        if (!entry->parent.ok()) return std::nullopt;
        entry->parentHost = identity.folder->host;
        entry->device = identity.folder->device;
        entry->name = name;
        if (fstatat(entry->parent.get(), name.c_str(), &entry->info, AT_SYMLINK_NOFOLLOW) != 0 ||
            entry->info.st_dev != entry->device)
            return std::nullopt;
        entry->exists = true;
    } else {
        entry = OpenExactEntry(identity.path, false);
    }
    if (!entry || !entry->exists || entry->info.st_dev != identity.device ||
        entry->info.st_ino != identity.inode)
        return std::nullopt;
    return entry;
}

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
