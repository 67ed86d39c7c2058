// First/next enumeration of a folder of the view.
//
// The folder is opened once; every entry costs one fstatat on the open directory, and a
// subfolder is opened with openat on the parent's descriptor, so a recursive walk never
// resolves a path twice and cannot be redirected by a rename or a link along the way.

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "platform/files.h"
#include "platform/view_internal.h"

namespace scourwell::platform {

using detail::AttributesFromStat;

struct DirectoryListing::State {
    DIR* dir = nullptr;
    dev_t device = 0;
    std::string hostFolder;
    std::string mask;
    // A mask without wildcards names one entry, looked up directly instead of reading the
    // whole folder; `single` holds its stored name until it has been returned.
    bool singleName = false;
    std::optional<std::string> single;

    ~State() {
        if (dir != nullptr) closedir(dir);
    }
};

namespace {

bool HasWildcards(std::string_view mask) {
    return mask.find_first_of("*?") != std::string_view::npos;
}

// Takes ownership of `fd` (an open directory) and builds the listing state for `mask`.
std::unique_ptr<DirectoryListing::State> MakeState(int fd, std::string hostFolder, std::string_view mask) {
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISDIR(info.st_mode)) {
        close(fd);
        return nullptr;
    }
    DIR* dir = fdopendir(fd);
    if (dir == nullptr) {
        close(fd);
        return nullptr;
    }
    auto state = std::make_unique<DirectoryListing::State>();
    state->dir = dir;
    state->device = info.st_dev;
    state->hostFolder = std::move(hostFolder);
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

// Fills `entry` for `name` in the open directory; false when the entry is not to be listed.
bool Describe(const DirectoryListing::State& state, const std::string& name, FindEntry& entry) {
    if (name == "." || name == ".." || name.empty()) return false;
    // A host name with a backslash cannot be addressed by a Windows path: "a\..\b" would
    // name a different object. Such entries are left out.
    if (name.find('\\') != std::string::npos) return false;
    struct stat info {};
    if (fstatat(dirfd(state.dir), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) return false;
    if (S_ISDIR(info.st_mode)) {
        if (info.st_dev != state.device) return false;  // a mount point: another file system
    } else if (!S_ISREG(info.st_mode) && !S_ISLNK(info.st_mode)) {
        return false;  // sockets, FIFOs and device nodes are never listed
    }
    entry.name = name;
    entry.attributes = AttributesFromStat(name, info);
    entry.size = S_ISDIR(info.st_mode) ? 0 : static_cast<int64_t>(info.st_size);
    entry.lastWriteUnix = static_cast<int64_t>(info.st_mtim.tv_sec);
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
    const auto resolved = detail::Resolve(folder, false);
    if (!resolved || !S_ISDIR(resolved->info.st_mode)) return;
    const int fd = open(resolved->host.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return;
    state_ = MakeState(fd, resolved->host, mask);
}

bool DirectoryListing::IsOpen() const { return state_ != nullptr; }

bool DirectoryListing::Next(FindEntry& entry) {
    if (!state_) return false;
    if (state_->singleName) {
        while (state_->single) {
            const std::string name = std::move(*state_->single);
            state_->single.reset();
            if (Describe(*state_, name, entry)) return true;
        }
        return false;
    }
    while (const dirent* item = readdir(state_->dir)) {
        const std::string name = item->d_name;
        if (!MatchesMask(name, state_->mask)) continue;
        if (Describe(*state_, name, entry)) return true;
    }
    return false;
}

DirectoryListing DirectoryListing::OpenSubfolder(const FindEntry& entry, std::string_view mask) const {
    DirectoryListing listing;
    if (!state_ || !entry.IsDirectory() || entry.name.find('/') != std::string::npos ||
        entry.name == "." || entry.name == ".." || mask.empty()) {
        return listing;
    }
    const int fd = openat(dirfd(state_->dir), entry.name.c_str(),
                          O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return listing;
    struct stat info {};
    if (fstat(fd, &info) != 0 || info.st_dev != state_->device) {
        close(fd);  // replaced by a mount point since it was listed
        return listing;
    }
    std::string host = state_->hostFolder;
    if (host.back() != '/') host += '/';
    host += entry.name;
    listing.state_ = MakeState(fd, std::move(host), mask);
    return listing;
}

}  // namespace scourwell::platform
