// File and folder operations of the view.
//
// Windows semantics that the host does not give by itself are modelled here: a read-only file
// (owner write bit clear) cannot be deleted or replaced, and a file held by a FileLock cannot
// be deleted, moved or replaced. Files are opened without following links, and only regular
// files are ever opened for reading, so a FIFO or a device node can never block or feed a read.
// Every entry is reached through detail::OpenEntry (no link in a folder position, no mount
// crossing) and changed relative to its parent folder's descriptor.

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/view_internal.h"

namespace scourwell::platform {
namespace detail {

uint32_t AttributesFromStat(std::string_view name, const struct stat& info) {
    uint32_t attributes = 0;
    if (S_ISDIR(info.st_mode)) attributes |= kAttrDirectory;
    if (!S_ISLNK(info.st_mode) && (info.st_mode & S_IWUSR) == 0) attributes |= kAttrReadOnly;
    if (name.starts_with('.')) attributes |= kAttrHidden;
    if (S_ISREG(info.st_mode) || S_ISLNK(info.st_mode)) attributes |= kAttrArchive;
    if (S_ISLNK(info.st_mode)) attributes |= kAttrReparsePoint;
    return attributes == 0 ? kAttrNormal : attributes;
}

}  // namespace detail

namespace {

constexpr size_t kBlockSize = 1 << 20;

using FileId = std::pair<uint64_t, uint64_t>;

struct LockTable {
    std::mutex mutex;
    std::multiset<FileId> held;
};

LockTable& Locks() {
    static LockTable table;
    return table;
}

bool IsLocked(const struct stat& info) {
    LockTable& table = Locks();
    std::lock_guard lock(table.mutex);
    return table.held.count({info.st_dev, info.st_ino}) > 0;
}

bool IsListable(const struct stat& info) {
    return S_ISREG(info.st_mode) || S_ISLNK(info.st_mode) || S_ISDIR(info.st_mode);
}

bool IsFile(const struct stat& info) { return S_ISREG(info.st_mode) || S_ISLNK(info.st_mode); }

bool IsReadOnlyFile(const struct stat& info) {
    return S_ISREG(info.st_mode) && (info.st_mode & S_IWUSR) == 0;
}

// An existing entry that may be replaced by a copy, a write or (never) a move.
bool CanReplace(const struct stat& info) {
    return IsFile(info) && !IsLocked(info) && !IsReadOnlyFile(info);
}

using detail::SafeEntry;

// An existing entry, reached without a link in a folder position or a mount crossing.
std::optional<SafeEntry> Existing(std::string_view path) { return detail::OpenEntry(path, false); }

// Opens a regular file in an opened folder for reading; links, FIFOs, devices and sockets
// are refused.
int OpenRegularForRead(int dir, const char* name) {
    const int fd = openat(dir, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return -1;
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        return -1;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

int OpenRegularForRead(const SafeEntry& entry) {
    return OpenRegularForRead(entry.parent.get(), entry.At());
}

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    bool ok() const { return fd_ >= 0; }
    bool Close() {
        const int fd = fd_;
        fd_ = -1;
        return fd < 0 || close(fd) == 0;
    }

private:
    int fd_;
};

bool WriteAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t n = write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool CopyContents(int in, int out) {
    std::vector<char> buffer(kBlockSize);
    for (;;) {
        const ssize_t n = read(in, buffer.data(), buffer.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) return true;
        if (!WriteAll(out, buffer.data(), static_cast<size_t>(n))) return false;
    }
}

// Creates a new, empty temporary file beside `target` in its folder; the umask applies to
// `mode`. `tempName` receives its name in that folder.
int CreateTempBeside(const SafeEntry& target, mode_t mode, std::string& tempName) {
    static std::atomic<unsigned> counter{0};
    const std::string base = "." + target.name + ".scourwell-";
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempName = base + std::to_string(getpid()) + "-" + std::to_string(counter++);
        const int fd = openat(target.parent.get(), tempName.c_str(),
                              O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

void SyncDirectory(int dir) {
    const int fd = openat(dir, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
}

// Copies an open source into `out` and gives it the source's permissions and times.
bool FillCopy(int in, const struct stat& source, int out) {
    if (!CopyContents(in, out)) return false;
    fchmod(out, source.st_mode & 0777);
    const timespec times[2] = {source.st_atim, source.st_mtim};
    futimens(out, times);
    return true;
}

// Copies to a destination that must not exist; the creation itself is the existence test.
bool CopyToNew(int in, const struct stat& source, int dir, const std::string& name) {
    Fd out(openat(dir, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!out.ok()) return false;
    if (!FillCopy(in, source, out.get()) || !out.Close()) {
        unlinkat(dir, name.c_str(), 0);
        return false;
    }
    return true;
}

bool SameFolder(const SafeEntry& a, const SafeEntry& b) {
    struct stat x {}, y {};
    return fstat(a.parent.get(), &x) == 0 && fstat(b.parent.get(), &y) == 0 &&
           x.st_dev == y.st_dev && x.st_ino == y.st_ino;
}

}  // namespace

std::optional<FindEntry> GetFileInfo(std::string_view path) {
    const auto found = Existing(path);
    if (!found || !IsListable(found->info)) return std::nullopt;
    FindEntry entry;
    entry.name = found->name;
    entry.attributes = detail::AttributesFromStat(found->name, found->info);
    entry.size = S_ISDIR(found->info.st_mode) ? 0 : static_cast<int64_t>(found->info.st_size);
    entry.lastWriteUnix = static_cast<int64_t>(found->info.st_mtim.tv_sec);
    return entry;
}

uint32_t GetFileAttributes(std::string_view path) {
    const auto entry = GetFileInfo(path);
    return entry ? entry->attributes : kInvalidAttributes;
}

bool SetFileAttributes(std::string_view path, uint32_t attributes) {
    if (attributes == kInvalidAttributes) return false;
    const auto entry = Existing(path);
    if (!entry || !IsListable(entry->info)) return false;
    if (S_ISLNK(entry->info.st_mode)) return true;  // a link has no read-only state
    // Only the read-only bit has a host counterpart: the write permission bits. Hidden comes
    // from the name and archive from the type, so they cannot be changed.
    mode_t mode = entry->info.st_mode & 07777;
    if ((attributes & kAttrReadOnly) != 0) {
        mode &= ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH);
    } else {
        mode |= S_IWUSR;
    }
    if (mode == (entry->info.st_mode & 07777)) return true;
    // Never through a link: an entry that has become one since the lookup is refused.
    return fchmodat(entry->parent.get(), entry->At(), mode, AT_SYMLINK_NOFOLLOW) == 0;
}

bool FileExists(std::string_view path) {
    const auto entry = Existing(path);
    return entry && IsFile(entry->info);
}

bool DirectoryExists(std::string_view path) {
    const auto entry = Existing(path);
    return entry && S_ISDIR(entry->info.st_mode);
}

bool CanOpenForRead(std::string_view path) {
    const auto entry = Existing(path);
    if (!entry) return false;
    Fd fd(OpenRegularForRead(*entry));
    return fd.ok();
}

bool CopyFile(std::string_view from, std::string_view to, bool failIfExists) {
    const auto source = Existing(from);
    if (!source) return false;
    Fd in(OpenRegularForRead(*source));
    if (!in.ok()) return false;
    struct stat sourceInfo {};
    if (fstat(in.get(), &sourceInfo) != 0) return false;

    const auto destination = detail::OpenEntry(to, true);
    if (!destination || destination->IsRoot()) return false;
    const int dir = destination->parent.get();
    if (!destination->exists) return CopyToNew(in.get(), sourceInfo, dir, destination->name);
    if (failIfExists || !CanReplace(destination->info)) return false;

    // Replacing: the copy is written beside the destination and renamed over it, so the old
    // file stays whole until the new one is complete.
    std::string temp;
    Fd out(CreateTempBeside(*destination, 0600, temp));
    if (!out.ok()) return false;
    if (!FillCopy(in.get(), sourceInfo, out.get()) || !out.Close() ||
        renameat(dir, temp.c_str(), dir, destination->name.c_str()) != 0) {
        unlinkat(dir, temp.c_str(), 0);
        return false;
    }
    return true;
}

bool MoveFile(std::string_view from, std::string_view to) {
    const auto source = Existing(from);
    if (!source || source->IsRoot() || !IsListable(source->info) || IsLocked(source->info))
        return false;
    const auto destination = detail::OpenEntry(to, true);
    if (!destination || destination->IsRoot()) return false;
    int targetDir = destination->parent.get();
    std::string target = destination->name;
    if (destination->exists) {
        // The same entry under another spelling: a change of case only is a rename.
        const bool same = destination->info.st_dev == source->info.st_dev &&
                          destination->info.st_ino == source->info.st_ino &&
                          SameFolder(*source, *destination);
        const auto parsed = detail::ParseWindowsPath(to);
        if (!same || !parsed || parsed->components.empty()) return false;
        const std::string& wanted = parsed->components.back();
        if (wanted == source->name) return true;
        targetDir = source->parent.get();
        target = wanted;
    }
    if (renameat2(source->parent.get(), source->name.c_str(), targetDir, target.c_str(),
                  RENAME_NOREPLACE) == 0)
        return true;
    if (errno == EXDEV && S_ISREG(source->info.st_mode)) {
        // Another file system: copy, then remove the original, as Windows does between volumes.
        Fd in(OpenRegularForRead(*source));
        if (!in.ok() || !CopyToNew(in.get(), source->info, targetDir, target)) return false;
        if (unlinkat(source->parent.get(), source->name.c_str(), 0) != 0) {
            unlinkat(targetDir, target.c_str(), 0);
            return false;
        }
        return true;
    }
    return false;
}

bool DeleteFile(std::string_view path) {
    const auto entry = Existing(path);
    if (!entry || entry->IsRoot() || !IsFile(entry->info)) return false;
    if (IsLocked(entry->info) || IsReadOnlyFile(entry->info)) return false;
    // The link itself is removed, never its target.
    return unlinkat(entry->parent.get(), entry->name.c_str(), 0) == 0;
}

bool CreateDirectory(std::string_view path) {
    const auto entry = detail::OpenEntry(path, true);
    if (!entry || entry->exists) return false;
    return mkdirat(entry->parent.get(), entry->name.c_str(), 0777) == 0;
}

bool CreateDirectoryChain(std::string_view path) {
    const auto parsed = detail::ParseWindowsPath(path);
    if (!parsed) return false;
    detail::WindowsPath prefix;
    prefix.letter = parsed->letter;
    // Level by level, each through the same safe lookup: a link or a mount point on the way
    // ends the chain.
    for (size_t i = 0; i <= parsed->components.size(); ++i) {
        if (i > 0) prefix.components.push_back(parsed->components[i - 1]);
        const auto entry = detail::OpenEntry(detail::FormatWindowsPath(prefix), true);
        if (!entry) return false;
        struct stat info = entry->info;
        if (!entry->exists) {
            if (mkdirat(entry->parent.get(), entry->name.c_str(), 0777) == 0) continue;
            if (errno != EEXIST ||
                fstatat(entry->parent.get(), entry->At(), &info, AT_SYMLINK_NOFOLLOW) != 0)
                return false;
        }
        if (!S_ISDIR(info.st_mode)) return false;
    }
    return true;
}

bool RemoveDirectory(std::string_view path) {
    const auto entry = Existing(path);
    // A drive's own folder is never removed.
    if (!entry || entry->IsRoot() || !S_ISDIR(entry->info.st_mode)) return false;
    return unlinkat(entry->parent.get(), entry->name.c_str(), AT_REMOVEDIR) == 0;
}

std::optional<std::string> ReadWholeFile(std::string_view path) {
    std::string contents;
    const bool ok = ReadFileBlocks(path, [&](const unsigned char* data, size_t size) {
        contents.append(reinterpret_cast<const char*>(data), size);
    });
    if (!ok) return std::nullopt;
    return contents;
}

bool WriteFileAtomic(std::string_view path, std::string_view contents) {
    const auto entry = detail::OpenEntry(path, true);
    if (!entry || entry->IsRoot()) return false;
    mode_t mode = 0666;  // the umask applies
    if (entry->exists) {
        if (!CanReplace(entry->info)) return false;
        if (S_ISREG(entry->info.st_mode)) mode = entry->info.st_mode & 0777;
    }
    const int dir = entry->parent.get();
    std::string temp;
    Fd out(CreateTempBeside(*entry, mode, temp));
    if (!out.ok()) return false;
    if (entry->exists && S_ISREG(entry->info.st_mode)) fchmod(out.get(), mode);
    if (!WriteAll(out.get(), contents.data(), contents.size()) || fsync(out.get()) != 0 ||
        !out.Close() || renameat(dir, temp.c_str(), dir, entry->name.c_str()) != 0) {
        unlinkat(dir, temp.c_str(), 0);
        return false;
    }
    SyncDirectory(dir);
    return true;
}

bool ReadFileBlocks(std::string_view path,
                    const std::function<void(const unsigned char*, size_t)>& sink) {
    const auto entry = Existing(path);
    if (!entry) return false;
    Fd in(OpenRegularForRead(*entry));
    if (!in.ok()) return false;
    posix_fadvise(in.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
    std::vector<unsigned char> buffer(kBlockSize);
    for (;;) {
        const ssize_t n = read(in.get(), buffer.data(), buffer.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) return true;
        sink(buffer.data(), static_cast<size_t>(n));
    }
}

FileLock::FileLock(std::string_view path) {
    const auto resolved = Existing(path);
    if (!resolved || !IsFile(resolved->info)) return;
    device_ = resolved->info.st_dev;
    inode_ = resolved->info.st_ino;
    LockTable& table = Locks();
    std::lock_guard lock(table.mutex);
    table.held.insert({device_, inode_});
    held_ = true;
}

FileLock::~FileLock() {
    if (!held_) return;
    LockTable& table = Locks();
    std::lock_guard lock(table.mutex);
    const auto it = table.held.find({device_, inode_});
    if (it != table.held.end()) table.held.erase(it);
}

}  // namespace scourwell::platform
