// File and folder operations of the view.
//
// Windows semantics that the host does not give by itself are modelled here: a read-only file
// (owner write bit clear) cannot be deleted or replaced, and a file held by a FileLock cannot
// be deleted, moved or replaced. Files are opened without following links, and only regular
// files are ever opened for reading, so a FIFO or a device node can never block or feed a read.
// Every entry is reached through detail::OpenEntry (no link in a folder position, no mount
// crossing) and changed relative to its parent folder's descriptor.

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
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

// An O_PATH descriptor of an entry in an opened folder (never following a link) and its fresh
// stat: opening it has no effect on the object, whatever it is.
detail::UniqueFd OpenPath(int dir, const char* name, struct stat& info) {
    detail::UniqueFd fd(openat(dir, name, O_PATH | O_NOFOLLOW | O_CLOEXEC));
    if (fd.ok() && fstat(fd.get(), &info) != 0) fd.Reset();
    return fd;
}

std::string ProcFdPath(int fd) { return "/proc/self/fd/" + std::to_string(fd); }

// Opens a regular file in an opened folder for reading; links, FIFOs, devices and sockets
// are refused before anything opens them (opening a FIFO or a device is itself an action).
// `expected`, when given, is the object that must be there.
int OpenRegularForRead(int dir, const char* name, const struct stat* expected = nullptr) {
    struct stat info {};
    detail::UniqueFd path = OpenPath(dir, name, info);
    if (!path.ok() || !S_ISREG(info.st_mode)) return -1;
    if (expected != nullptr &&
        (info.st_dev != expected->st_dev || info.st_ino != expected->st_ino))
        return -1;
    // Reopening the descriptor's own object reads exactly what was checked; without /proc the
    // name is opened again and compared.
    int fd = open(ProcFdPath(path.get()).c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0 && (errno == ENOENT || errno == ENOTDIR))
        fd = openat(dir, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return -1;
    struct stat opened {};
    if (fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode) || opened.st_dev != info.st_dev ||
        opened.st_ino != info.st_ino) {
        close(fd);
        return -1;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

int OpenRegularForRead(const SafeEntry& entry) {
    return OpenRegularForRead(entry.parent.get(), entry.At(), entry.exists ? &entry.info : nullptr);
}

bool SameObject(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Clears or sets the read-only state of an entry. The mode is changed through a descriptor of
// the object that was looked up, after a fresh check that it is a regular file with a single
// link: a hard link to someone else's file, or a file swapped in since the lookup, is never
// changed. Only the owner's write bit is ever added.
bool ChangeReadOnly(const SafeEntry& entry, uint32_t attributes) {
    if (S_ISLNK(entry.info.st_mode) || S_ISDIR(entry.info.st_mode)) return true;
    struct stat info {};
    const detail::UniqueFd fd = OpenPath(entry.parent.get(), entry.At(), info);
    if (!fd.ok() || !SameObject(info, entry.info) || !S_ISREG(info.st_mode) || info.st_nlink != 1)
        return false;
    const mode_t current = info.st_mode & 07777;
    mode_t mode = current;
    if ((attributes & kAttrReadOnly) != 0) {
        mode &= ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH);
    } else {
        mode |= S_IWUSR;
    }
    if (mode == current) return true;
    constexpr mode_t kNeverAdded = S_ISUID | S_ISGID | S_IRWXO;
    if ((mode & ~current & kNeverAdded) != 0) return false;
    if (chmod(ProcFdPath(fd.get()).c_str(), mode) == 0) return true;
    if (errno != ENOENT && errno != ENOTDIR) return false;
    // Without /proc: a descriptor for writing attributes, checked to be the same object.
    Fd file(openat(entry.parent.get(), entry.At(),
                   O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat opened {};
    return file.ok() && fstat(file.get(), &opened) == 0 && SameObject(opened, info) &&
           fchmod(file.get(), mode) == 0;
}

// Removes a file or link entry after a fresh check through a descriptor that it is still the
// object looked up, not locked and (unless evenReadOnly) not read-only.
bool RemoveFileEntry(const SafeEntry& entry, bool evenReadOnly) {
    if (entry.IsRoot() || !entry.exists) return false;
    struct stat info {};
    const detail::UniqueFd fd = OpenPath(entry.parent.get(), entry.At(), info);
    if (!fd.ok() || !SameObject(info, entry.info) || !IsFile(info) || IsLocked(info)) return false;
    if (!evenReadOnly && IsReadOnlyFile(info)) return false;
    if (!detail::MayRemove(entry)) return false;
    // The link itself is removed, never its target.
    return unlinkat(entry.parent.get(), entry.name.c_str(), 0) == 0;
}

bool RemoveFolderEntry(const SafeEntry& entry) {
    // No drive's own folder is removed, also where it lies inside another drive's folder.
    if (entry.IsRoot() || !entry.exists || !S_ISDIR(entry.info.st_mode) ||
        detail::IsAnyDriveRoot(entry.info))
        return false;
    if (!detail::MayRemove(entry)) return false;
    return unlinkat(entry.parent.get(), entry.name.c_str(), AT_REMOVEDIR) == 0;
}

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

// Copies the bytes of `in` (of `size` bytes) into the empty file `out`. Only the parts that
// hold data are copied (SEEK_DATA / SEEK_HOLE), so a sparse file stays sparse, and through
// copy_file_range where the file system has it (it may share the blocks instead of copying
// them). `progress` hears how far the copy is after every piece; false from it stops the copy.
bool CopyContents(int in, int out, int64_t size, const ProgressSink& progress) {
    constexpr int64_t kPiece = 8 << 20;
    std::vector<char> buffer;
    bool ranges = true;  // copy_file_range works between these two files
    const auto copyPiece = [&](off_t at, int64_t length) {
        while (length > 0) {
            if (ranges) {
                off_t from = at, to = at;
                const ssize_t n = copy_file_range(in, &from, out, &to, static_cast<size_t>(length), 0);
                if (n > 0) {
                    at += n;
                    length -= n;
                    continue;
                }
                if (n == 0) return true;  // the file got shorter meanwhile
                if (errno == EINTR) continue;
                if (errno != EXDEV && errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP &&
                    errno != EBADF)
                    return false;
                ranges = false;
            }
            if (buffer.empty()) buffer.resize(kBlockSize);
            const ssize_t n = pread(in, buffer.data(),
                                    static_cast<size_t>(std::min<int64_t>(length, kBlockSize)), at);
            if (n < 0) {
                if (errno == EINTR) continue;
                return false;
            }
            if (n == 0) return true;
            for (ssize_t written = 0; written < n;) {
                const ssize_t w = pwrite(out, buffer.data() + written,
                                         static_cast<size_t>(n - written), at + written);
                if (w < 0) {
                    if (errno == EINTR) continue;
                    return false;
                }
                written += w;
            }
            at += n;
            length -= n;
        }
        return true;
    };
    off_t position = 0;
    while (position < size) {
        off_t data = lseek(in, position, SEEK_DATA);
        if (data < 0) {
            if (errno == ENXIO) break;  // only a hole is left
            data = position;            // no hole information: copy everything
        }
        if (data >= size) break;
        off_t hole = lseek(in, data, SEEK_HOLE);
        if (hole < 0 || hole > size) hole = static_cast<off_t>(size);
        for (off_t at = data; at < hole;) {
            const int64_t length = std::min<int64_t>(kPiece, hole - at);
            if (!copyPiece(at, length)) return false;
            at += static_cast<off_t>(length);
            if (progress && !progress(at, size)) return false;
        }
        position = hole;
    }
    // The holes at the end (and a file that is all hole) come from the size alone.
    if (ftruncate(out, static_cast<off_t>(size)) != 0) return false;
    return !progress || progress(size, size);
}

// A new file whose bytes are written where no name points to them; it gets its name only when
// complete, so a reader (or a later start) never takes a partial file for a whole one. Where
// the file system has O_TMPFILE the file has no name at all until then, and a crash leaves
// nothing behind; elsewhere it has a hidden temporary name ("." + name + ".scourwell-" + pid +
// "-" + n) that RemoveAbandonedTempFiles clears once its writer is gone.
class PendingFile {
public:
    PendingFile(int dir, std::string target) : dir_(dir), target_(std::move(target)) {}
    ~PendingFile() { Discard(); }
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    // The umask applies to `mode`.
    bool Open(mode_t mode) {
        fd_ = openat(dir_, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
        if (fd_ >= 0) return true;
        fd_ = CreateNamedTemp(mode);
        return fd_ >= 0;
    }
    int Fd() const { return fd_; }

    // Optionally flushes the file, then gives it its name: over an existing entry with
    // `replace`, otherwise only while the name is free. False when it cannot; the file is then
    // discarded.
    bool Publish(bool replace, bool sync) {
        if (fd_ < 0) return false;
        if (sync && fsync(fd_) != 0) return false;
        if (!named_) {
            if (!replace) {
                if (!LinkAs(target_)) return false;
                Close();
                return true;
            }
            // linkat cannot replace: the file gets a temporary name first.
            tempName_ = TempName();
            if (!LinkAs(tempName_)) return false;
            named_ = true;
        }
        const int fd = fd_;
        fd_ = -1;
        if (close(fd) != 0) return false;
        const bool moved = replace ? renameat(dir_, tempName_.c_str(), dir_, target_.c_str()) == 0
                                   : renameat2(dir_, tempName_.c_str(), dir_, target_.c_str(),
                                               RENAME_NOREPLACE) == 0;
        if (!moved) return false;
        named_ = false;
        return true;
    }

private:
    std::string TempName() const {
        static std::atomic<unsigned> counter{0};
        return "." + target_ + ".scourwell-" + std::to_string(getpid()) + "-" +
               std::to_string(counter++);
    }
    int CreateNamedTemp(mode_t mode) {
        for (int attempt = 0; attempt < 100; ++attempt) {
            tempName_ = TempName();
            const int fd = openat(dir_, tempName_.c_str(),
                                  O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
            if (fd >= 0) {
                named_ = true;
                return fd;
            }
            if (errno != EEXIST) return -1;
        }
        return -1;
    }
    // Links the unnamed file into the folder; fails when the name is taken.
    bool LinkAs(const std::string& name) {
        const std::string self = "/proc/self/fd/" + std::to_string(fd_);
        if (linkat(AT_FDCWD, self.c_str(), dir_, name.c_str(), AT_SYMLINK_FOLLOW) == 0) return true;
        if (errno == EEXIST) return false;
        return linkat(fd_, "", dir_, name.c_str(), AT_EMPTY_PATH) == 0;
    }
    void Close() {
        if (fd_ >= 0) close(fd_);
        fd_ = -1;
    }
    void Discard() {
        Close();
        if (named_) unlinkat(dir_, tempName_.c_str(), 0);
        named_ = false;
    }

    int dir_;
    std::string target_;
    int fd_ = -1;
    bool named_ = false;  // the file has the temporary name tempName_
    std::string tempName_;
};

void SyncDirectory(int dir) {
    const int fd = openat(dir, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
}

// Copies an open source into `out` and gives it the source's permissions and times.
bool FillCopy(int in, const struct stat& source, int out, const ProgressSink& progress) {
    if (!CopyContents(in, out, static_cast<int64_t>(source.st_size), progress)) return false;
    fchmod(out, source.st_mode & 0777);
    const timespec times[2] = {source.st_atim, source.st_mtim};
    futimens(out, times);
    return true;
}

// Copies into `dir` under `name`, as a whole file or not at all: with `replace` over an existing
// entry, otherwise only while the name is free (the creation itself is the existence test).
bool CopyInto(int in, const struct stat& source, int dir, const std::string& name, bool replace,
              const ProgressSink& progress = {}) {
    PendingFile out(dir, name);
    return out.Open(0600) && FillCopy(in, source, out.Fd(), progress) &&
           out.Publish(replace, false);
}

bool SameFolder(const SafeEntry& a, const SafeEntry& b) {
    struct stat x {}, y {};
    return fstat(a.parent.get(), &x) == 0 && fstat(b.parent.get(), &y) == 0 &&
           x.st_dev == y.st_dev && x.st_ino == y.st_ino;
}

FindEntry EntryOf(const SafeEntry& found) {
    FindEntry entry;
    entry.name = found.name;
    entry.attributes = detail::AttributesFromStat(found.name, found.info);
    entry.size = S_ISDIR(found.info.st_mode) ? 0 : static_cast<int64_t>(found.info.st_size);
    entry.lastWriteUnix = static_cast<int64_t>(found.info.st_mtim.tv_sec);
    entry.device = found.info.st_dev;
    entry.inode = found.info.st_ino;
    return entry;
}

bool CopyFrom(const SafeEntry& source, std::string_view to, bool failIfExists, NameMatch toMatch,
              const ProgressSink& progress) {
    Fd in(OpenRegularForRead(source));
    if (!in.ok()) return false;
    struct stat sourceInfo {};
    if (fstat(in.get(), &sourceInfo) != 0) return false;

    const auto destination = toMatch == NameMatch::kExact ? detail::OpenExactEntry(to, true)
                                                          : detail::OpenEntry(to, true);
    if (!destination || destination->IsRoot()) return false;
    const int dir = destination->parent.get();
    if (!destination->exists)
        return CopyInto(in.get(), sourceInfo, dir, destination->name, false, progress);
    if (failIfExists || !CanReplace(destination->info)) return false;
    // Replacing: the old file stays whole until the new one is complete.
    return CopyInto(in.get(), sourceInfo, dir, destination->name, true, progress);
}

bool MoveFrom(const SafeEntry& source, std::string_view to) {
    if (source.IsRoot() || !IsListable(source.info) || IsLocked(source.info) ||
        detail::IsAnyDriveRoot(source.info))
        return false;
    const auto destination = detail::OpenEntry(to, true);
    if (!destination || destination->IsRoot()) return false;
    int targetDir = destination->parent.get();
    std::string target = destination->name;
    if (destination->exists) {
        // The same entry under another spelling: a change of case only is a rename.
        const bool same = SameObject(destination->info, source.info) &&
                          SameFolder(source, *destination);
        const auto parsed = detail::ParseWindowsPath(to);
        if (!same || !parsed || parsed->components.empty()) return false;
        const std::string& wanted = parsed->components.back();
        if (wanted == source.name) return true;
        targetDir = source.parent.get();
        target = wanted;
    }
    // The entry must still be the object looked up when it is moved.
    struct stat info {};
    const detail::UniqueFd fd = OpenPath(source.parent.get(), source.At(), info);
    if (!fd.ok() || !SameObject(info, source.info)) return false;
    if (renameat2(source.parent.get(), source.name.c_str(), targetDir, target.c_str(),
                  RENAME_NOREPLACE) == 0)
        return true;
    if (errno == EXDEV && S_ISREG(source.info.st_mode)) {
        // Another file system: copy, then remove the original, as Windows does between volumes.
        Fd in(OpenRegularForRead(source));
        if (!in.ok() || !CopyInto(in.get(), source.info, targetDir, target, false)) return false;
        if (unlinkat(source.parent.get(), source.name.c_str(), 0) != 0) {
            unlinkat(targetDir, target.c_str(), 0);
            return false;
        }
        return true;
    }
    return false;
}

bool ReadBlocks(const SafeEntry& entry,
                const std::function<void(const unsigned char*, size_t)>& sink,
                const ProgressSink& progress) {
    Fd in(OpenRegularForRead(entry));
    if (!in.ok()) return false;
    posix_fadvise(in.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
    struct stat info {};
    const int64_t size = fstat(in.get(), &info) == 0 ? static_cast<int64_t>(info.st_size) : 0;
    std::vector<unsigned char> buffer(kBlockSize);
    int64_t done = 0;
    for (;;) {
        const ssize_t n = read(in.get(), buffer.data(), buffer.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) return true;
        sink(buffer.data(), static_cast<size_t>(n));
        done += n;
        if (progress && !progress(done, std::max(done, size))) return false;
    }
}

// "." + name + ".scourwell-" + pid + "-" + n: the pid, or 0 when `name` is no such name.
pid_t WriterOfTempName(std::string_view name) {
    constexpr std::string_view kMark = ".scourwell-";
    if (name.size() < 2 || name[0] != '.') return 0;
    const size_t mark = name.rfind(kMark);
    if (mark == std::string_view::npos || mark < 2) return 0;
    const std::string_view rest = name.substr(mark + kMark.size());
    const size_t dash = rest.find('-');
    if (dash == std::string_view::npos || dash == 0 || dash > 9 || dash + 1 == rest.size())
        return 0;
    const auto digits = [](std::string_view text) {
        return text.find_first_not_of("0123456789") == std::string_view::npos;
    };
    if (!digits(rest.substr(0, dash)) || !digits(rest.substr(dash + 1))) return 0;
    return static_cast<pid_t>(std::stol(std::string(rest.substr(0, dash))));
}

}  // namespace

std::optional<FileIdentity> IdentifyObject(std::string_view path, NameMatch match,
                                           FindEntry& seen) {
    const auto entry = match == NameMatch::kExact ? detail::OpenExactEntry(path, false)
                                                  : detail::OpenEntry(path, false);
    if (!entry || !IsListable(entry->info)) return std::nullopt;
    const auto parsed = detail::ParseWindowsPath(path);
    const DriveMapping* drive = parsed ? detail::FindDrive(parsed->letter) : nullptr;
    if (drive == nullptr) return std::nullopt;
    FileIdentity identity;
    identity.path = detail::ExactWindowsPath(drive->letter, drive->hostRoot, entry->Host());
    identity.device = entry->info.st_dev;
    identity.inode = entry->info.st_ino;
    seen = EntryOf(*entry);
    return identity;
}

std::optional<FileIdentity> IdentifyObject(std::string_view path, NameMatch match) {
    FindEntry seen;
    return IdentifyObject(path, match, seen);
}

std::optional<FindEntry> GetFileInfo(std::string_view path) {
    const auto found = Existing(path);
    if (!found || !IsListable(found->info)) return std::nullopt;
    return EntryOf(*found);
}

std::optional<FindEntry> GetFileInfo(const FileIdentity& object) {
    const auto found = detail::OpenIdentity(object);
    if (!found || !IsListable(found->info)) return std::nullopt;
    return EntryOf(*found);
}

uint32_t GetFileAttributes(std::string_view path) {
    const auto entry = GetFileInfo(path);
    return entry ? entry->attributes : kInvalidAttributes;
}

// Only the read-only bit has a host counterpart: the write permission bits. Hidden comes from
// the name and archive from the type, so they cannot be changed.
bool SetDataFileAttributes(std::string_view path, uint32_t attributes) {
    if (attributes == kInvalidAttributes) return false;
    const auto entry = Existing(path);
    return entry && IsListable(entry->info) && ChangeReadOnly(*entry, attributes);
}

bool SetFileAttributes(const FileIdentity& object, uint32_t attributes) {
    if (attributes == kInvalidAttributes) return false;
    const auto entry = detail::OpenIdentity(object);
    return entry && IsListable(entry->info) && ChangeReadOnly(*entry, attributes);
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

bool CopyDataFile(std::string_view from, std::string_view to, bool failIfExists,
                  const ProgressSink& progress) {
    const auto source = Existing(from);
    return source && CopyFrom(*source, to, failIfExists, NameMatch::kAsTyped, progress);
}

bool CopyFile(const FileIdentity& from, std::string_view to, bool failIfExists,
              NameMatch toMatch, const ProgressSink& progress) {
    const auto source = detail::OpenIdentity(from);
    return source && CopyFrom(*source, to, failIfExists, toMatch, progress);
}

bool MoveDataFile(std::string_view from, std::string_view to) {
    const auto source = Existing(from);
    return source && MoveFrom(*source, to);
}

bool MoveFile(const FileIdentity& from, std::string_view to) {
    const auto source = detail::OpenIdentity(from);
    return source && MoveFrom(*source, to);
}

bool DeleteDataFile(std::string_view path) {
    const auto entry = Existing(path);
    return entry && RemoveFileEntry(*entry, false);
}

bool DeleteFile(const FileIdentity& file, bool evenReadOnly) {
    const auto entry = detail::OpenIdentity(file);
    return entry && RemoveFileEntry(*entry, evenReadOnly);
}

bool CreateDirectory(std::string_view path) {
    const auto entry = detail::OpenEntry(path, true);
    if (!entry || entry->exists) return false;
    return mkdirat(entry->parent.get(), entry->name.c_str(), 0777) == 0;
}

bool CreateDirectoryChain(std::string_view path, bool privateToUser) {
    const mode_t mode = privateToUser ? 0700 : 0777;
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
            if (mkdirat(entry->parent.get(), entry->name.c_str(), mode) == 0) continue;
            if (errno != EEXIST ||
                fstatat(entry->parent.get(), entry->At(), &info, AT_SYMLINK_NOFOLLOW) != 0)
                return false;
        }
        if (!S_ISDIR(info.st_mode)) return false;
    }
    return true;
}

bool RemoveDataFolder(std::string_view path) {
    const auto entry = Existing(path);
    return entry && RemoveFolderEntry(*entry);
}

bool RemoveDirectory(const FileIdentity& folder) {
    const auto entry = detail::OpenIdentity(folder);
    return entry && RemoveFolderEntry(*entry);
}

PlaceOutcome CopyFileToExactPlace(const FileIdentity& from, std::string_view to,
                                  const ProgressSink& progress) {
    const auto source = detail::OpenIdentity(from);
    if (!source) return PlaceOutcome::kFailed;
    Fd in(OpenRegularForRead(*source));
    struct stat sourceInfo {};
    if (!in.ok() || fstat(in.get(), &sourceInfo) != 0) return PlaceOutcome::kFailed;
    const auto parsed = detail::ParseWindowsPath(to);
    const DriveMapping* drive = parsed ? detail::FindDrive(parsed->letter) : nullptr;
    if (drive == nullptr || drive->hostRoot.empty() || parsed->components.empty())
        return PlaceOutcome::kFailed;
    detail::UniqueFd dir(open(drive->hostRoot.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    struct stat dirInfo {};
    if (!dir.ok() || fstat(dir.get(), &dirInfo) != 0) return PlaceOutcome::kFailed;
    const dev_t device = dirInfo.st_dev;
    const std::vector<std::string>& parts = parsed->components;
    for (const std::string& name : parts)
        if (name.find('/') != std::string::npos) return PlaceOutcome::kFailed;
    // Folder by folder, each opened relative to the one before without following a link: the
    // exact name or nothing. A folder made here is made under that name (the umask applies).
    for (size_t i = 0; i + 1 < parts.size(); ++i) {
        const char* name = parts[i].c_str();
        struct stat info {};
        if (fstatat(dir.get(), name, &info, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno != ENOENT) return PlaceOutcome::kFailed;
            if (mkdirat(dir.get(), name, 0777) != 0 && errno != EEXIST) return PlaceOutcome::kFailed;
        }
        detail::UniqueFd next(openat(dir.get(), name, O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!next.ok())
            return errno == ENOTDIR || errno == ELOOP ? PlaceOutcome::kInTheWay : PlaceOutcome::kFailed;
        if (fstat(next.get(), &info) != 0 || info.st_dev != device) return PlaceOutcome::kFailed;
        if (!S_ISDIR(info.st_mode)) return PlaceOutcome::kInTheWay;
        // Anyone may create names in a folder open to everyone: a folder there that another
        // user owns may have been planted under the name, and what is put into it would be his
        // to rename or replace.
        if ((dirInfo.st_mode & S_IWOTH) != 0 && info.st_uid != geteuid() && info.st_uid != 0)
            return PlaceOutcome::kFolderRefused;
        dir = std::move(next);
        dirInfo = info;
    }
    const std::string& name = parts.back();
    struct stat there {};
    if (fstatat(dir.get(), name.c_str(), &there, AT_SYMLINK_NOFOLLOW) == 0) return PlaceOutcome::kInTheWay;
    // The copy takes its name only while the name is free: one that appeared meanwhile stays.
    if (CopyInto(in.get(), sourceInfo, dir.get(), name, false, progress)) return PlaceOutcome::kPlaced;
    return fstatat(dir.get(), name.c_str(), &there, AT_SYMLINK_NOFOLLOW) == 0 ? PlaceOutcome::kInTheWay
                                                                            : PlaceOutcome::kFailed;
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
    PendingFile out(dir, entry->name);
    if (!out.Open(mode)) return false;
    if (entry->exists && S_ISREG(entry->info.st_mode)) fchmod(out.Fd(), mode);
    if (!WriteAll(out.Fd(), contents.data(), contents.size()) || !out.Publish(true, true))
        return false;
    SyncDirectory(dir);
    return true;
}

bool ReadFileBlocks(std::string_view path,
                    const std::function<void(const unsigned char*, size_t)>& sink,
                    const ProgressSink& progress) {
    const auto entry = Existing(path);
    return entry && ReadBlocks(*entry, sink, progress);
}

bool ReadFileBlocks(const FileIdentity& file,
                    const std::function<void(const unsigned char*, size_t)>& sink,
                    const ProgressSink& progress) {
    const auto entry = detail::OpenIdentity(file);
    return entry && ReadBlocks(*entry, sink, progress);
}

int RemoveAbandonedTempFiles(std::string_view folder) {
    const auto entry = Existing(folder);
    if (!entry || !S_ISDIR(entry->info.st_mode)) return 0;
    const int fd = openat(entry->parent.get(), entry->At(),
                          O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return 0;
    DIR* dir = fdopendir(fd);
    if (dir == nullptr) {
        close(fd);
        return 0;
    }
    int removed = 0;
    while (const dirent* item = readdir(dir)) {
        const pid_t writer = WriterOfTempName(item->d_name);
        // A writer that still runs (or a process that now has its number) may be writing.
        if (writer <= 0 || writer == getpid() || kill(writer, 0) == 0 || errno != ESRCH) continue;
        struct stat info {};
        if (fstatat(dirfd(dir), item->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISREG(info.st_mode))
            continue;
        if (unlinkat(dirfd(dir), item->d_name, 0) == 0) ++removed;
    }
    closedir(dir);
    return removed;
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
