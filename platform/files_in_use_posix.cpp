// Files in use, and what the host's own temporary-file rules keep.
//
// Windows refuses to delete a file that a running program holds open, and the clean-up of the
// temporary folder relies on that: what is in use fails and stays. Linux deletes such a file
// without a word, so the view gives it the Windows rule. What the running processes hold is
// read under /proc: every open descriptor, the working folder and every mapped file, by device
// and inode (what a delete compares) and by path (what tells a folder that holds one). The
// program's own descriptors are left out (it holds only what it is working on), its working
// folder and mappings are not. Processes of other users whose entries cannot be read hold
// nothing that this user could delete in the first place (the temporary folder is sticky).
//
// Reading /proc costs a few milliseconds per hundred processes, so a clean-up reads it once:
// while a FilesInUseScope lives the set is kept and reused.

#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_set>
#include <vector>

#include "platform/files.h"
#include "platform/machine.h"
#include "platform/view_internal.h"

namespace scourwell::platform {
namespace {

struct FileIdHash {
    size_t operator()(const std::pair<uint64_t, uint64_t>& id) const {
        return std::hash<uint64_t>()(id.first * 0x9E3779B97F4A7C15ull ^ id.second);
    }
};

struct HeldFiles {
    std::unordered_set<std::pair<uint64_t, uint64_t>, FileIdHash> ids;
    std::vector<std::string> paths;  // sorted, host paths as the kernel names them

    void Add(const struct stat& info, std::string path) {
        ids.insert({info.st_dev, info.st_ino});
        if (!path.empty() && path.front() == '/') paths.push_back(std::move(path));
    }
    bool Holds(const struct stat& info) const { return ids.count({info.st_dev, info.st_ino}) != 0; }
    bool HoldsPath(const std::string& path) const {
        return std::binary_search(paths.begin(), paths.end(), path);
    }
    // Something at or below the folder.
    bool HoldsBelow(const std::string& folder) const {
        const std::string prefix = folder == "/" ? folder : folder + "/";
        const auto it = std::lower_bound(paths.begin(), paths.end(), prefix);
        return HoldsPath(folder) || (it != paths.end() && it->compare(0, prefix.size(), prefix) == 0);
    }
};

struct CloseDir {
    void operator()(DIR* dir) const { closedir(dir); }
};
using DirPtr = std::unique_ptr<DIR, CloseDir>;

std::string ReadLink(const std::string& link) {
    char buffer[4096];
    const ssize_t n = readlink(link.c_str(), buffer, sizeof buffer);
    if (n <= 0 || static_cast<size_t>(n) >= sizeof buffer) return {};
    std::string path(buffer, static_cast<size_t>(n));
    constexpr std::string_view kDeleted = " (deleted)";
    if (path.ends_with(kDeleted)) path.clear();  // gone from every folder already
    return path;
}

void AddLinkTarget(HeldFiles& held, const std::string& link) {
    struct stat info {};
    if (stat(link.c_str(), &info) != 0) return;
    // Pipes, sockets and the like have no place in a folder.
    if (!S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode)) return;
    held.Add(info, ReadLink(link));
}

// "start-end perms offset major:minor inode path" per mapping.
void AddMappedFiles(HeldFiles& held, const std::string& maps) {
    struct CloseFile {
        void operator()(FILE* file) const { fclose(file); }
    };
    std::unique_ptr<FILE, CloseFile> in(fopen(maps.c_str(), "re"));
    if (!in) return;
    char line[4608];
    unsigned long long lastInode = 0;
    while (fgets(line, sizeof line, in.get()) != nullptr) {
        unsigned int major = 0, minor = 0;
        unsigned long long inode = 0;
        int pathAt = 0;
        if (sscanf(line, "%*s %*s %*s %x:%x %llu %n", &major, &minor, &inode, &pathAt) < 3) continue;
        if (inode == 0 || inode == lastInode) continue;  // anonymous, or the same file again
        lastInode = inode;
        std::string path = pathAt > 0 ? std::string(line + pathAt) : std::string();
        while (!path.empty() && (path.back() == '\n' || path.back() == ' ')) path.pop_back();
        if (path.ends_with(" (deleted)")) path.clear();
        struct stat info {};
        info.st_dev = makedev(major, minor);
        info.st_ino = inode;
        held.Add(info, std::move(path));
    }
}

HeldFiles ReadHeldFiles() {
    HeldFiles held;
    DirPtr proc(opendir("/proc"));
    if (!proc) return held;
    const pid_t self = getpid();
    while (const dirent* entry = readdir(proc.get())) {
        const char* name = entry->d_name;
        if (*name < '1' || *name > '9' || std::strspn(name, "0123456789") != std::strlen(name))
            continue;
        const std::string base = std::string("/proc/") + name;
        AddLinkTarget(held, base + "/cwd");
        AddMappedFiles(held, base + "/maps");
        if (std::atol(name) == self) continue;
        const std::string fds = base + "/fd";
        DirPtr list(opendir(fds.c_str()));
        if (!list) continue;
        while (const dirent* fd = readdir(list.get())) {
            if (fd->d_name[0] == '.') continue;
            AddLinkTarget(held, fds + "/" + fd->d_name);
        }
    }
    std::sort(held.paths.begin(), held.paths.end());
    held.paths.erase(std::unique(held.paths.begin(), held.paths.end()), held.paths.end());
    return held;
}

struct ScopeState {
    std::mutex mutex;
    int depth = 0;
    std::shared_ptr<const HeldFiles> held;
};

ScopeState& Scope() {
    static ScopeState state;
    return state;
}

std::shared_ptr<const HeldFiles> CurrentHeldFiles() {
    {
        ScopeState& scope = Scope();
        std::lock_guard lock(scope.mutex);
        if (scope.held) return scope.held;
    }
    return std::make_shared<const HeldFiles>(ReadHeldFiles());
}

// The host path of an entry as the kernel names it (links in the drive's own root resolved),
// so that it compares with what /proc shows.
std::string KernelPath(const detail::SafeEntry& entry) {
    std::string folder = ReadLink("/proc/self/fd/" + std::to_string(entry.parent.get()));
    if (folder.empty()) folder = entry.parentHost;
    if (entry.IsRoot()) return folder;
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder + entry.name;
}

std::vector<std::string> Components(std::string_view path) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start < path.size()) {
        const size_t end = std::min(path.find('/', start), path.size());
        if (end > start) parts.emplace_back(path.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

bool Matches(const std::string& pattern, const std::string& path) {
    return fnmatch(pattern.c_str(), path.c_str(), FNM_PATHNAME | FNM_PERIOD) == 0;
}

// A rule keeps the path itself, or (an "x" rule) a folder above it; with `below`, also a
// folder that holds something the rule could name.
bool Keeps(const HostKeepRule& rule, const std::string& path, bool below) {
    if (Matches(rule.pattern, path)) return true;
    if (rule.contents) {
        for (std::string above = path; above.size() > 1;) {
            const size_t slash = above.rfind('/');
            above = slash == 0 ? "/" : above.substr(0, slash);
            if (above != "/" && Matches(rule.pattern, above)) return true;
            if (slash == 0) break;
        }
    }
    if (below) {
        const std::vector<std::string> pattern = Components(rule.pattern);
        const std::vector<std::string> folder = Components(path);
        if (pattern.size() <= folder.size()) return false;
        for (size_t i = 0; i < folder.size(); ++i)
            if (fnmatch(pattern[i].c_str(), folder[i].c_str(), FNM_PERIOD) != 0) return false;
        return true;
    }
    return false;
}

bool KeptByRules(const std::string& path, bool below) {
    for (const HostKeepRule& rule : CurrentMachine().keepRules)
        if (Keeps(rule, path, below)) return true;
    return false;
}

}  // namespace

FilesInUseScope::FilesInUseScope() {
    ScopeState& scope = Scope();
    {
        std::lock_guard lock(scope.mutex);
        if (scope.depth++ > 0) return;
    }
    auto held = std::make_shared<const HeldFiles>(ReadHeldFiles());
    std::lock_guard lock(scope.mutex);
    if (!scope.held) scope.held = std::move(held);
}

FilesInUseScope::~FilesInUseScope() {
    ScopeState& scope = Scope();
    std::lock_guard lock(scope.mutex);
    if (--scope.depth == 0) scope.held.reset();
}

bool IsInUse(std::string_view path) {
    const auto entry = detail::OpenEntry(path, false);
    if (!entry) return false;
    const auto held = CurrentHeldFiles();
    if (held->Holds(entry->info)) return true;
    const std::string host = KernelPath(*entry);
    return S_ISDIR(entry->info.st_mode) ? held->HoldsBelow(host) : held->HoldsPath(host);
}

bool IsKeptByHost(std::string_view path) {
    if (CurrentMachine().keepRules.empty()) return false;
    const auto entry = detail::OpenEntry(path, false);
    if (!entry) return false;
    return KeptByRules(KernelPath(*entry), S_ISDIR(entry->info.st_mode));
}

namespace detail {

bool MayRemove(const SafeEntry& entry) {
    const bool keepRules = !CurrentMachine().keepRules.empty();
    const std::string host = keepRules ? KernelPath(entry) : std::string();
    if (keepRules && KeptByRules(host, false)) return false;
    const auto held = CurrentHeldFiles();
    if (held->Holds(entry.info)) return false;
    return S_ISDIR(entry.info.st_mode) || !held->HoldsPath(keepRules ? host : KernelPath(entry));
}

}  // namespace detail
}  // namespace scourwell::platform
