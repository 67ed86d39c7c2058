// File and folder operations of the view.
//
// Windows semantics that the host does not give by itself are modelled here: a read-only file
// (owner write bit clear) cannot be deleted or replaced, and a file held by a FileLock cannot
// be deleted, moved or replaced. Files are opened without following links, and only regular
// files are ever opened for reading, so a FIFO or a device node can never block or feed a read.

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

std::optional<detail::Resolved> Existing(std::string_view path) {
    auto resolved = detail::Resolve(path, false);
    if (!resolved || !resolved->exists) return std::nullopt;
    return resolved;
}

// Opens a regular file for reading; links, FIFOs, devices and sockets are refused.
int OpenRegularForRead(const std::string& host) {
    const int fd = open(host.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return -1;
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        return -1;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
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

std::string ParentOf(const std::string& host) {
    const size_t slash = host.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : host.substr(0, slash);
}

std::string BaseName(const std::string& host) {
    const size_t slash = host.rfind('/');
    return slash == std::string::npos ? host : host.substr(slash + 1);
}

// Creates a new, empty temporary file beside `target`; the umask applies to `mode`.
int CreateTempBeside(const std::string& target, mode_t mode, std::string& tempPath) {
    static std::atomic<unsigned> counter{0};
    const std::string base = ParentOf(target) + "/." + BaseName(target) + ".scourwell-";
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempPath = base + std::to_string(getpid()) + "-" + std::to_string(counter++);
        const int fd = open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

void SyncDirectory(const std::string& dir) {
    const int fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
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
bool CopyToNew(int in, const struct stat& source, const std::string& destination) {
    Fd out(open(destination.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (!out.ok()) return false;
    if (!FillCopy(in, source, out.get()) || !out.Close()) {
        unlink(destination.c_str());
        return false;
    }
    return true;
}

}  // namespace

std::optional<FindEntry> GetFileInfo(std::string_view path) {
    const auto resolved = Existing(path);
    if (!resolved || !IsListable(resolved->info)) return std::nullopt;
    FindEntry entry;
    entry.name = resolved->name;
    entry.attributes = detail::AttributesFromStat(resolved->name, resolved->info);
    entry.size = S_ISDIR(resolved->info.st_mode) ? 0 : static_cast<int64_t>(resolved->info.st_size);
    entry.lastWriteUnix = static_cast<int64_t>(resolved->info.st_mtim.tv_sec);
    return entry;
}

uint32_t GetFileAttributes(std::string_view path) {
    const auto entry = GetFileInfo(path);
    return entry ? entry->attributes : kInvalidAttributes;
}

bool SetFileAttributes(std::string_view path, uint32_t attributes) {
    if (attributes == kInvalidAttributes) return false;
    const auto resolved = Existing(path);
    if (!resolved || !IsListable(resolved->info)) return false;
    if (S_ISLNK(resolved->info.st_mode)) return true;  // a link has no read-only state
    // Only the read-only bit has a host counterpart: the write permission bits. Hidden comes
    // from the name and archive from the type, so they cannot be changed.
    mode_t mode = resolved->info.st_mode & 07777;
    if ((attributes & kAttrReadOnly) != 0) {
        mode &= ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH);
    } else {
        mode |= S_IWUSR;
    }
    if (mode == (resolved->info.st_mode & 07777)) return true;
    return chmod(resolved->host.c_str(), mode) == 0;
}

bool FileExists(std::string_view path) {
    const auto resolved = Existing(path);
    return resolved && IsFile(resolved->info);
}

bool DirectoryExists(std::string_view path) {
    const auto resolved = Existing(path);
    return resolved && S_ISDIR(resolved->info.st_mode);
}

bool CanOpenForRead(std::string_view path) {
    const auto resolved = Existing(path);
    if (!resolved) return false;
    Fd fd(OpenRegularForRead(resolved->host));
    return fd.ok();
}

bool CopyFile(std::string_view from, std::string_view to, bool failIfExists) {
    const auto source = Existing(from);
    if (!source) return false;
    Fd in(OpenRegularForRead(source->host));
    if (!in.ok()) return false;
    struct stat sourceInfo {};
    if (fstat(in.get(), &sourceInfo) != 0) return false;

    const auto destination = detail::Resolve(to, true);
    if (!destination) return false;
    if (!destination->exists) return CopyToNew(in.get(), sourceInfo, destination->host);
    if (failIfExists || !CanReplace(destination->info)) return false;

    // Replacing: the copy is written beside the destination and renamed over it, so the old
    // file stays whole until the new one is complete.
    std::string temp;
    Fd out(CreateTempBeside(destination->host, 0600, temp));
    if (!out.ok()) return false;
    if (!FillCopy(in.get(), sourceInfo, out.get()) || !out.Close() ||
        rename(temp.c_str(), destination->host.c_str()) != 0) {
        unlink(temp.c_str());
        return false;
    }
    return true;
}

bool MoveFile(std::string_view from, std::string_view to) {
    const auto source = Existing(from);
    if (!source || !IsListable(source->info) || IsLocked(source->info)) return false;
    const auto destination = detail::Resolve(to, true);
    if (!destination) return false;
    std::string target = destination->host;
    if (destination->exists) {
        // The same entry under another spelling: a change of case only is a rename.
        const bool same = destination->info.st_dev == source->info.st_dev &&
                          destination->info.st_ino == source->info.st_ino &&
                          ParentOf(destination->host) == ParentOf(source->host);
        const auto parsed = detail::ParseWindowsPath(to);
        if (!same || !parsed || parsed->components.empty()) return false;
        const std::string& wanted = parsed->components.back();
        if (wanted == BaseName(source->host)) return true;
        target = ParentOf(source->host) + "/" + wanted;
    }
    if (renameat2(AT_FDCWD, source->host.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno == EXDEV && S_ISREG(source->info.st_mode)) {
        // Another file system: copy, then remove the original, as Windows does between volumes.
        Fd in(OpenRegularForRead(source->host));
        if (!in.ok() || !CopyToNew(in.get(), source->info, target)) return false;
        if (unlink(source->host.c_str()) != 0) {
            unlink(target.c_str());
            return false;
        }
        return true;
    }
    return false;
}

bool DeleteFile(std::string_view path) {
    const auto resolved = Existing(path);
    if (!resolved || !IsFile(resolved->info)) return false;
    if (IsLocked(resolved->info) || IsReadOnlyFile(resolved->info)) return false;
    return unlink(resolved->host.c_str()) == 0;
}

bool CreateDirectory(std::string_view path) {
    const auto resolved = detail::Resolve(path, true);
    if (!resolved || resolved->exists) return false;
    return mkdir(resolved->host.c_str(), 0777) == 0;
}

bool CreateDirectoryChain(std::string_view path) {
    const auto parsed = detail::ParseWindowsPath(path);
    if (!parsed) return false;
    detail::WindowsPath prefix;
    prefix.letter = parsed->letter;
    for (size_t i = 0; i <= parsed->components.size(); ++i) {
        if (i > 0) prefix.components.push_back(parsed->components[i - 1]);
        const auto resolved = detail::Resolve(detail::FormatWindowsPath(prefix), true);
        if (!resolved) return false;
        if (resolved->exists) {
            struct stat info {};
            if (stat(resolved->host.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return false;
        } else if (mkdir(resolved->host.c_str(), 0777) != 0 && errno != EEXIST) {
            return false;
        }
    }
    return true;
}

bool RemoveDirectory(std::string_view path) {
    const auto resolved = Existing(path);
    if (!resolved || !S_ISDIR(resolved->info.st_mode)) return false;
    return rmdir(resolved->host.c_str()) == 0;
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
    const auto resolved = detail::Resolve(path, true);
    if (!resolved) return false;
    mode_t mode = 0666;  // the umask applies
    if (resolved->exists) {
        if (!CanReplace(resolved->info)) return false;
        if (S_ISREG(resolved->info.st_mode)) mode = resolved->info.st_mode & 0777;
    }
    std::string temp;
    Fd out(CreateTempBeside(resolved->host, mode, temp));
    if (!out.ok()) return false;
    if (resolved->exists && S_ISREG(resolved->info.st_mode)) fchmod(out.get(), mode);
    if (!WriteAll(out.get(), contents.data(), contents.size()) || fsync(out.get()) != 0 ||
        !out.Close() || rename(temp.c_str(), resolved->host.c_str()) != 0) {
        unlink(temp.c_str());
        return false;
    }
    SyncDirectory(ParentOf(resolved->host));
    return true;
}

bool ReadFileBlocks(std::string_view path,
                    const std::function<void(const unsigned char*, size_t)>& sink) {
    const auto resolved = Existing(path);
    if (!resolved) return false;
    Fd in(OpenRegularForRead(resolved->host));
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
