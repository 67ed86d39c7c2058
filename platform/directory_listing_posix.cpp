// First/next enumeration of a folder of the view.
//
// The folder is opened once; every entry costs one fstatat on the open directory, and a
// subfolder is opened with openat on the parent's descriptor, so a recursive walk never
// resolves a path twice and cannot be redirected by a rename or a link along the way.
// Entries are read with getdents64 into a buffer of the listing's own: readdir's stream
// would cost an extra fstat and fcntl calls per folder, which a walk over many small
// folders pays thousands of times.

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/files.h"
#include "platform/view_internal.h"

namespace scourwell::platform {

using detail::AttributesFromStat;

struct DirectoryListing::State {
    static constexpr size_t kBufferSize = 32 * 1024;

    int fd = -1;
    std::unique_ptr<char[]> buffer;
    size_t capacity = 0;  // kBufferSize while reading; less once parked
    ssize_t filled = 0;
    ssize_t position = 0;
    dev_t device = 0;
    ino_t inode = 0;
    off_t offset = 0;  // the directory's read position while its descriptor is closed
    std::string hostFolder;
    std::string windowsFolder;  // names as stored, with trailing backslash
    // A walk that leaves this folder for a subfolder drops the two paths above and keeps their
    // lengths: the subfolder's paths begin with them, so they are cut back from those on the
    // way back. Otherwise every waiting level would hold a path as long as its depth, and a
    // deep walk's memory would grow with the square of the depth.
    size_t parkedHostLength = 0;
    size_t parkedWindowsLength = 0;
    bool pathsParked = false;

    void ParkPaths() {
        parkedHostLength = hostFolder.size();
        parkedWindowsLength = windowsFolder.size();
        std::string().swap(hostFolder);
        std::string().swap(windowsFolder);
        pathsParked = true;
    }
    void RestorePaths(const State& child) {
        if (!pathsParked) return;
        hostFolder.assign(child.hostFolder, 0, parkedHostLength);
        windowsFolder.assign(child.windowsFolder, 0, parkedWindowsLength);
        pathsParked = false;
    }
    std::string mask;
    // This folder as a handle that identities of its entries share; made on first use.
    std::shared_ptr<FolderHandle> handle;
    // A mask without wildcards names one entry, looked up directly instead of reading the
    // whole folder; `single` holds its stored name until it has been returned.
    bool singleName = false;
    std::optional<std::string> single;
    // The last directory entry returned, already opened: a walk that descends into it next
    // takes this descriptor instead of opening the folder again, and the fstat that described
    // the entry also tells whether it lies on another file system.
    int pendingFd = -1;
    struct stat pendingInfo {};
    std::string pendingName;

    void DropPending() {
        if (pendingFd >= 0) close(pendingFd);
        pendingFd = -1;
    }
    // Keeps only the entries not yet returned, so a folder waiting for its subfolders holds
    // no read buffer.
    void Park() {
        DropPending();
        if (capacity < kBufferSize) return;
        const size_t rest = filled > position ? static_cast<size_t>(filled - position) : 0;
        std::unique_ptr<char[]> kept(rest == 0 ? nullptr : new char[rest]);
        if (rest != 0) std::memcpy(kept.get(), buffer.get() + position, rest);
        buffer = std::move(kept);
        capacity = rest;
        filled = static_cast<ssize_t>(rest);
        position = 0;
    }
    // Closes the descriptor, remembering the read position. The handle that identities of
    // this folder's entries share goes too (those identities keep their own reference), so a
    // folder the walk waits in deep above holds no descriptor at all.
    void CloseForNow() {
        handle.reset();
        if (fd < 0) return;
        const off_t at = lseek(fd, 0, SEEK_CUR);
        offset = at < 0 ? 0 : at;
        close(fd);
        fd = at < 0 ? -2 : -1;  // -2: the position was lost, nothing more can be read
    }
    // Takes the descriptor again as ".." of a subfolder, if that is still this folder.
    void ReopenFrom(int child) {
        if (fd != -1 || child < 0) return;
        const int parent = openat(child, "..", O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (parent < 0) return;
        struct stat info {};
        if (fstat(parent, &info) != 0 || info.st_dev != device || info.st_ino != inode ||
            lseek(parent, offset, SEEK_SET) != offset) {
            close(parent);
            return;
        }
        fd = parent;
    }
    ~State() {
        DropPending();
        if (fd >= 0) close(fd);
    }
};

namespace {

bool HasWildcards(std::string_view mask) {
    return mask.find_first_of("*?") != std::string_view::npos;
}

// Takes ownership of `fd` (an open directory) and builds the listing state for `mask`.
// `info` is the directory's stat.
std::unique_ptr<DirectoryListing::State> MakeState(int fd, const struct stat& info,
                                                   std::string hostFolder,
                                                   std::string windowsFolder,
                                                   std::string_view mask) {
    auto state = std::make_unique<DirectoryListing::State>();
    state->fd = fd;
    state->device = info.st_dev;
    state->inode = info.st_ino;
    state->hostFolder = std::move(hostFolder);
    state->windowsFolder = std::move(windowsFolder);
    if (state->windowsFolder.back() != '\\') state->windowsFolder += '\\';
    state->mask = std::string(mask);
    if (!HasWildcards(mask)) {
        state->singleName = true;
        struct stat entry {};
        if (fstatat(fd, state->mask.c_str(), &entry, AT_SYMLINK_NOFOLLOW) == 0) {
            state->single = state->mask;
        } else {
            state->single = detail::FindNameInDirectory(state->hostFolder, info, state->mask);
        }
    }
    return state;
}

constexpr int kOpenFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

// Stats an entry the listing reports as a directory by opening it (kept as the pending
// descriptor for OpenSubfolder). False when it cannot be opened; the caller then stats it.
bool StatByOpening(DirectoryListing::State& state, const std::string& name, struct stat& info) {
    const int fd = openat(state.fd, name.c_str(), kOpenFolderFlags);
    if (fd < 0) return false;
    if (fstat(fd, &info) != 0) {
        close(fd);
        return false;
    }
    state.pendingFd = fd;
    state.pendingInfo = info;
    state.pendingName = name;
    return true;
}

// Fills `entry` for `name` in the open directory; false when the entry is not to be listed.
// `type` is the directory entry's type (DT_UNKNOWN when the file system gives none).
bool Describe(DirectoryListing::State& state, std::string_view name, unsigned char type,
              FindEntry& entry) {
    if (name == "." || name == ".." || name.empty()) return false;
    // A host name with a backslash cannot be addressed by a Windows path: "a\..\b" would
    // name a different object. Such entries are left out.
    if (name.find('\\') != std::string_view::npos) return false;
    entry.name.assign(name);
    struct stat info {};
    const bool opened = type == DT_DIR && StatByOpening(state, entry.name, info);
    if (!opened && fstatat(state.fd, entry.name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0)
        return false;
    if (S_ISDIR(info.st_mode)) {
        if (info.st_dev != state.device) return false;  // a mount point: another file system
    } else if (!S_ISREG(info.st_mode) && !S_ISLNK(info.st_mode)) {
        return false;  // sockets, FIFOs and device nodes are never listed
    }
    entry.attributes = AttributesFromStat(name, info);
    entry.size = S_ISDIR(info.st_mode) ? 0 : static_cast<int64_t>(info.st_size);
    entry.lastWriteUnix = static_cast<int64_t>(info.st_mtim.tv_sec);
    entry.device = info.st_dev;
    entry.inode = info.st_ino;
    return true;
}

}  // namespace

DirectoryListing::DirectoryListing() = default;
DirectoryListing::DirectoryListing(DirectoryListing&&) noexcept = default;
DirectoryListing& DirectoryListing::operator=(DirectoryListing&&) noexcept = default;
DirectoryListing::~DirectoryListing() = default;

DirectoryListing::DirectoryListing(std::string_view pattern) {
    std::string text(pattern);
    for (char& c : text)
        if (c == '/') c = '\\';
    const size_t slash = text.rfind('\\');
    std::string folder;
    std::string mask;
    if (slash == std::string::npos) {
        // "C:*.txt" or "*.txt": the mask applies to the current directory (of that drive).
        const bool drive = text.size() >= 2 && text[1] == ':';
        folder = drive ? text.substr(0, 2) : ".";
        mask = drive ? text.substr(2) : text;
    } else {
        folder = slash == 0 ? "\\" : text.substr(0, slash + 1);
        mask = text.substr(slash + 1);
    }
    if (mask.empty()) return;
    // The folder is reached without a link in any position and without entering another
    // file system, and opened relative to its parent's descriptor.
    const auto folderEntry = detail::OpenEntry(folder, false);
    if (!folderEntry || !S_ISDIR(folderEntry->info.st_mode)) return;
    const int fd = openat(folderEntry->parent.get(), folderEntry->At(), kOpenFolderFlags);
    if (fd < 0) return;
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISDIR(info.st_mode) || info.st_dev != folderEntry->info.st_dev ||
        info.st_ino != folderEntry->info.st_ino) {
        close(fd);
        return;
    }
    const auto parsed = detail::ParseWindowsPath(folder);
    const DriveMapping* drive = parsed ? detail::FindDrive(parsed->letter) : nullptr;
    if (drive == nullptr) {
        close(fd);
        return;
    }
    state_ = MakeState(fd, info, folderEntry->Host(),
                       detail::ExactWindowsPath(drive->letter, drive->hostRoot, folderEntry->Host()),
                       mask);
}

DirectoryListing DirectoryListing::OfFolder(const FileIdentity& folder, std::string_view mask) {
    DirectoryListing listing;
    const auto entry = detail::OpenIdentity(folder);
    if (mask.empty() || !entry || !S_ISDIR(entry->info.st_mode)) return listing;
    const int fd = openat(entry->parent.get(), entry->At(), kOpenFolderFlags);
    if (fd < 0) return listing;
    struct stat info {};
    if (fstat(fd, &info) != 0 || info.st_dev != folder.device || info.st_ino != folder.inode) {
        close(fd);
        return listing;
    }
    listing.state_ = MakeState(fd, info, entry->Host(), folder.path, mask);
    return listing;
}

FileIdentity DirectoryListing::IdentityOf(const FindEntry& entry) const {
    FileIdentity identity;
    if (!state_) return identity;
    if (!state_->handle) {
        auto handle = std::make_shared<FolderHandle>();
        handle->fd = detail::UniqueFd(fcntl(state_->fd, F_DUPFD_CLOEXEC, 0));
        handle->host = state_->hostFolder;
        handle->windows = state_->windowsFolder;
        handle->device = state_->device;
        state_->handle = std::move(handle);
    }
    identity.path = state_->windowsFolder + entry.name;
    identity.device = entry.device;
    identity.inode = entry.inode;
    if (state_->handle->fd.ok()) identity.folder = state_->handle;
    return identity;
}

std::string DirectoryListing::ExactFolder() const {
    return state_ ? state_->windowsFolder : std::string();
}

bool DirectoryListing::IsOpen() const { return state_ != nullptr; }

bool DirectoryListing::Next(FindEntry& entry) {
    if (!state_) return false;
    if (state_->singleName) {
        while (state_->single) {
            const std::string name = std::move(*state_->single);
            state_->single.reset();
            if (Describe(*state_, name, DT_UNKNOWN, entry)) return true;
        }
        return false;
    }
    state_->DropPending();
    if (state_->fd < 0) return false;
    for (;;) {
        if (state_->position >= state_->filled) {
            if (state_->capacity < State::kBufferSize) {
                // Not value-initialised: zeroing 32 KiB per folder would cost more than reading it.
                state_->buffer.reset(new char[State::kBufferSize]);
                state_->capacity = State::kBufferSize;
            }
            state_->filled = getdents64(state_->fd, state_->buffer.get(), State::kBufferSize);
            state_->position = 0;
            if (state_->filled <= 0) return false;
        }
        const auto* item = reinterpret_cast<const dirent64*>(state_->buffer.get() + state_->position);
        state_->position += item->d_reclen;
        const std::string_view name(item->d_name);
        if (!MatchesMask(name, state_->mask)) continue;
        if (Describe(*state_, name, item->d_type, entry)) return true;
        state_->DropPending();
    }
}

DirectoryListing DirectoryListing::OpenSubfolder(const FindEntry& entry, std::string_view mask) const {
    DirectoryListing listing;
    if (!state_ || state_->fd < 0 || !entry.IsDirectory() || entry.name.find('/') != std::string::npos ||
        entry.name == "." || entry.name == ".." || mask.empty()) {
        return listing;
    }
    int fd = -1;
    struct stat info {};
    if (state_->pendingFd >= 0 && state_->pendingName == entry.name) {
        fd = std::exchange(state_->pendingFd, -1);
        info = state_->pendingInfo;
    } else {
        fd = openat(state_->fd, entry.name.c_str(), kOpenFolderFlags);
        if (fd < 0) return listing;
        if (fstat(fd, &info) != 0) info.st_dev = ~state_->device;
    }
    // The walk never crosses into another file system, also when a mount appeared since
    // the entry was listed.
    if (info.st_dev != state_->device) {
        close(fd);
        return listing;
    }
    std::string host = state_->hostFolder;
    if (host.back() != '/') host += '/';
    host += entry.name;
    listing.state_ = MakeState(fd, info, std::move(host), state_->windowsFolder + entry.name, mask);
    return listing;
}

void DirectoryListing::KeepOnlyUnread() {
    if (state_) state_->Park();
}

namespace {

// Folders of a walk that keep their descriptor open; the outer ones are closed beyond this.
constexpr size_t kOpenLevels = 48;

}  // namespace

FolderWalk::FolderWalk(DirectoryListing top) {
    if (top.IsOpen()) levels_.push_back(std::move(top));
}
FolderWalk::FolderWalk(FolderWalk&&) noexcept = default;
FolderWalk::~FolderWalk() {
    // Innermost first, one level at a time: nothing recurses however deep the walk went.
    while (!levels_.empty()) levels_.pop_back();
}

bool FolderWalk::IsOpen() const { return !levels_.empty(); }

std::string FolderWalk::CurrentFolder() const {
    return levels_.empty() ? std::string() : levels_.back().ExactFolder();
}

bool FolderWalk::Next(FindEntry& entry) { return !levels_.empty() && levels_.back().Next(entry); }

bool FolderWalk::LostPlace() const {
    return !levels_.empty() && !levels_.back().state_->singleName && levels_.back().state_->fd < 0;
}

FileIdentity FolderWalk::IdentityOf(const FindEntry& entry) const {
    return levels_.empty() ? FileIdentity{} : levels_.back().IdentityOf(entry);
}

bool FolderWalk::Enter(const FindEntry& entry, std::string_view mask) {
    if (levels_.empty()) return false;
    DirectoryListing sub = levels_.back().OpenSubfolder(entry, mask);
    if (!sub.IsOpen()) return false;
    levels_.back().state_->Park();
    levels_.back().state_->ParkPaths();
    levels_.push_back(std::move(sub));
    if (levels_.size() > kOpenLevels) levels_[levels_.size() - 1 - kOpenLevels].state_->CloseForNow();
    return true;
}

bool FolderWalk::Leave() {
    if (levels_.size() <= 1) return false;
    DirectoryListing child = std::move(levels_.back());
    levels_.pop_back();
    levels_.back().state_->ReopenFrom(child.state_->fd);
    levels_.back().state_->RestorePaths(*child.state_);
    return true;
}

}  // namespace scourwell::platform
