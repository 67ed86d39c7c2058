// Windows paths of the view to host paths and back, with the case-insensitive lookup cache.
//
// A path is tried exactly first (one lstat). Only when that misses is it resolved component
// by component from its deepest existing prefix, each missing name looked up without regard
// to case in a per-directory table. The tables are keyed by the directory's (device, inode,
// modification time), so a directory that changes is read again. The folders whose tables were
// read are remembered by their Windows spelling: a path whose deepest remembered folder is
// unchanged (one stat) and has no entry of the next name is missing without further calls, so
// checking many missing candidates costs one stat each.

#include <dirent.h>
#include <sys/stat.h>
#include <time.h>

#include <cctype>
#include <mutex>
#include <string>
#include <unordered_map>

#include "platform/files.h"
#include "platform/view_internal.h"

namespace scourwell::platform {
namespace detail {
namespace {

struct DirKey {
    dev_t device;
    ino_t inode;
    time_t seconds;
    long nanoseconds;
    bool operator==(const DirKey&) const = default;
};

struct DirKeyHash {
    size_t operator()(const DirKey& k) const {
        size_t h = std::hash<uint64_t>()(static_cast<uint64_t>(k.inode));
        h ^= std::hash<uint64_t>()(static_cast<uint64_t>(k.device)) + 0x9e3779b97f4a7c15ULL + (h << 6);
        h ^= std::hash<int64_t>()(static_cast<int64_t>(k.seconds) * 1000000000LL + k.nanoseconds) +
             0x9e3779b97f4a7c15ULL + (h << 6);
        return h;
    }
};

struct DirNames {
    std::unordered_map<std::string, std::string> byFoldedName;
    // Read within the modification time's resolution of a change: a later change may not
    // have moved the time, so a miss is checked against the directory again.
    bool racy = false;
};

constexpr size_t kMaxCachedDirectories = 20000;

// A folder whose table a lookup read: its host path and identity then.
struct KnownFolder {
    std::string host;
    DirKey key;
};

struct PathState {
    std::mutex mutex;
    std::unordered_map<DirKey, DirNames, DirKeyHash> cache;
    // Folders whose Windows spelling needed case-insensitive matching: "C\windows\system32"
    // (as written) -> host path. Checked with one stat before use.
    std::unordered_map<std::string, std::string> folders;
    // Folders whose tables were read: "C\windows\system32" (as written) -> the folder.
    std::unordered_map<std::string, KnownFolder> known;
    std::optional<WindowsPath> currentDirectory;
};

PathState& State() {
    static PathState state;
    return state;
}

std::string FolderKey(const WindowsPath& path, size_t count) {
    std::string key(1, path.letter);
    for (size_t i = 0; i < count; ++i) {
        key += '\\';
        key += path.components[i];
    }
    return key;
}

std::optional<std::string> CachedFolder(const std::string& key) {
    PathState& state = State();
    std::lock_guard lock(state.mutex);
    const auto it = state.folders.find(key);
    if (it == state.folders.end()) return std::nullopt;
    return it->second;
}

void RememberFolder(const std::string& key, const std::string& host) {
    PathState& state = State();
    std::lock_guard lock(state.mutex);
    if (state.folders.size() >= kMaxCachedDirectories) state.folders.clear();
    state.folders[key] = host;
}

void ForgetFolder(const std::string& key) {
    PathState& state = State();
    std::lock_guard lock(state.mutex);
    state.folders.erase(key);
}

DirKey KeyOf(const struct stat& info);

void RememberKnown(const std::string& key, const std::string& host, const struct stat& info) {
    PathState& state = State();
    std::lock_guard lock(state.mutex);
    if (state.known.size() >= kMaxCachedDirectories) state.known.clear();
    state.known[key] = KnownFolder{host, KeyOf(info)};
}

// True when the deepest remembered folder on the way to `path` (below `limit` components) is
// unchanged and its table, not read within a change's time tick, has no name like the next
// component: then the path is missing. False when that cannot be told this way.
bool KnownMissing(const WindowsPath& path, size_t limit) {
    for (size_t count = limit; count-- > 0;) {
        KnownFolder folder;
        {
            PathState& state = State();
            std::lock_guard lock(state.mutex);
            const auto it = state.known.find(FolderKey(path, count));
            if (it == state.known.end()) continue;
            folder = it->second;
        }
        struct stat info {};
        if (stat(folder.host.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || !(KeyOf(info) == folder.key))
            return false;
        PathState& state = State();
        std::lock_guard lock(state.mutex);
        const auto table = state.cache.find(folder.key);
        return table != state.cache.end() && !table->second.racy &&
               table->second.byFoldedName.count(FoldCase(path.components[count])) == 0;
    }
    return false;
}


DirKey KeyOf(const struct stat& info) {
    return DirKey{info.st_dev, info.st_ino, info.st_mtim.tv_sec, info.st_mtim.tv_nsec};
}

bool ReadNames(const std::string& dirHost, const struct stat& dirInfo, DirNames& names) {
    DIR* dir = opendir(dirHost.c_str());
    if (dir == nullptr) return false;
    names.byFoldedName.clear();
    while (const dirent* entry = readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (name == "." || name == "..") continue;
        auto [it, inserted] = names.byFoldedName.try_emplace(FoldCase(name), name);
        // Two names that differ only in case: the smaller one wins, so the choice is stable.
        if (!inserted && std::string_view(it->second) > name) it->second = std::string(name);
    }
    closedir(dir);
    // A change in the same clock tick as the last one may leave the time unchanged. File
    // systems that keep whole seconds (FAT even two) get a wider window than nanosecond ones.
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    const int64_t age = (static_cast<int64_t>(now.tv_sec) - dirInfo.st_mtim.tv_sec) * 1000000000LL +
                        (now.tv_nsec - dirInfo.st_mtim.tv_nsec);
    const int64_t window = dirInfo.st_mtim.tv_nsec == 0 ? 3000000000LL : 50000000LL;
    names.racy = age < window;
    return true;
}

std::string JoinHost(const std::string& root, const std::vector<std::string>& components, size_t count) {
    std::string host = root;
    for (size_t i = 0; i < count; ++i) {
        if (host.empty() || host.back() != '/') host += '/';
        host += components[i];
    }
    return host;
}

std::string Child(const std::string& dir, std::string_view name) {
    std::string host = dir;
    if (host.empty() || host.back() != '/') host += '/';
    host += name;
    return host;
}

WindowsPath DefaultCurrentDirectory() {
    WindowsPath root;
    const auto& drives = CurrentMachine().drives;
    root.letter = drives.empty() ? 'C' : drives.front().letter;
    return root;
}

void AppendComponents(std::string_view rest, std::vector<std::string>& components) {
    size_t start = 0;
    while (start <= rest.size()) {
        size_t end = rest.find('\\', start);
        if (end == std::string_view::npos) end = rest.size();
        const std::string_view part = rest.substr(start, end - start);
        if (part == "..") {
            if (!components.empty()) components.pop_back();
        } else if (!part.empty() && part != ".") {
            components.emplace_back(part);
        }
        start = end + 1;
    }
}

}  // namespace

std::optional<std::string> FindNameInDirectory(const std::string& dirHost, const struct stat& dirInfo,
                                               std::string_view name, struct stat* entryInfo,
                                               bool follow) {
    const std::string folded = FoldCase(name);
    PathState& state = State();
    std::lock_guard lock(state.mutex);
    const DirKey key = KeyOf(dirInfo);
    auto it = state.cache.find(key);
    bool fresh = false;
    if (it == state.cache.end()) {
        if (state.cache.size() >= kMaxCachedDirectories) state.cache.clear();
        DirNames names;
        if (!ReadNames(dirHost, dirInfo, names)) return std::nullopt;
        it = state.cache.emplace(key, std::move(names)).first;
        fresh = true;
    }
    for (;;) {
        DirNames& names = it->second;
        const auto hit = names.byFoldedName.find(folded);
        if (hit != names.byFoldedName.end()) {
            struct stat info {};
            const std::string path = Child(dirHost, hit->second);
            if ((follow ? stat(path.c_str(), &info) : lstat(path.c_str(), &info)) == 0) {
                if (entryInfo != nullptr) *entryInfo = info;
                return hit->second;
            }
        } else if (!names.racy) {
            return std::nullopt;
        }
        // A stale table (a racy miss, or a name that has gone): read the directory once more.
        if (fresh) return std::nullopt;
        if (!ReadNames(dirHost, dirInfo, names)) return std::nullopt;
        fresh = true;
    }
}

void ResetPathState() {
    PathState& state = State();
    std::lock_guard lock(state.mutex);
    state.cache.clear();
    state.folders.clear();
    state.known.clear();
    state.currentDirectory.reset();
}

const DriveMapping* FindDrive(char letter) {
    const char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
    for (const DriveMapping& drive : CurrentMachine().drives)
        if (drive.letter == upper) return &drive;
    return nullptr;
}

std::optional<WindowsPath> ParseWindowsPath(std::string_view path) {
    if (path.empty() || path.find('\0') != std::string_view::npos) return std::nullopt;
    std::string text(path);
    for (char& c : text)
        if (c == '/') c = '\\';
    std::string_view rest = text;
    if (rest.starts_with("\\\\?\\")) rest.remove_prefix(4);
    if (rest.starts_with("\\\\")) return std::nullopt;  // UNC paths have no drive in the view

    std::optional<WindowsPath> stored;
    {
        PathState& state = State();
        std::lock_guard lock(state.mutex);
        stored = state.currentDirectory;
    }
    const WindowsPath current = stored ? *stored : DefaultCurrentDirectory();

    WindowsPath result;
    if (rest.size() >= 2 && rest[1] == ':') {
        if (!std::isalpha(static_cast<unsigned char>(rest[0]))) return std::nullopt;
        result.letter = static_cast<char>(std::toupper(static_cast<unsigned char>(rest[0])));
        rest.remove_prefix(2);
        // "D:name" is relative to the current directory when it lies on D:, else to D:'s root.
        if (!rest.starts_with('\\') && current.letter == result.letter)
            result.components = current.components;
    } else if (rest.starts_with('\\')) {
        result.letter = current.letter;
    } else {
        result = current;
    }
    AppendComponents(rest, result.components);
    return result;
}

std::string FormatWindowsPath(const WindowsPath& path) {
    std::string text;
    text += path.letter;
    text += ":\\";
    for (size_t i = 0; i < path.components.size(); ++i) {
        if (i > 0) text += '\\';
        text += path.components[i];
    }
    return text;
}

std::string NormalizeHostPath(std::string_view hostPath) {
    if (!hostPath.starts_with('/')) return std::string(hostPath);
    std::vector<std::string_view> parts;
    size_t start = 0;
    while (start <= hostPath.size()) {
        size_t end = hostPath.find('/', start);
        if (end == std::string_view::npos) end = hostPath.size();
        const std::string_view part = hostPath.substr(start, end - start);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    std::string out;
    for (const auto& part : parts) {
        out += '/';
        out += part;
    }
    return out.empty() ? "/" : out;
}

std::optional<std::string> MapHostToWindows(const std::vector<DriveMapping>& drives,
                                            std::string_view hostPath) {
    if (!hostPath.starts_with('/')) return std::nullopt;
    const std::string host = NormalizeHostPath(hostPath);
    const DriveMapping* best = nullptr;
    size_t bestLength = 0;
    for (const DriveMapping& drive : drives) {
        const std::string& root = drive.hostRoot;
        const bool inside = root == "/" || host == root ||
                            (host.size() > root.size() && host.starts_with(root) && host[root.size()] == '/');
        if (inside && (best == nullptr || root.size() > bestLength)) {
            best = &drive;
            bestLength = root.size();
        }
    }
    if (best == nullptr) return std::nullopt;
    std::string rest = best->hostRoot == "/" ? host.substr(1) : host.substr(bestLength);
    while (rest.starts_with('/')) rest.erase(0, 1);
    for (char& c : rest)
        if (c == '/') c = '\\';
    std::string windows;
    windows += best->letter;
    windows += ":\\";
    return windows + rest;
}

std::optional<Resolved> Resolve(std::string_view windowsPath, bool allowMissingLast) {
    const std::optional<WindowsPath> parsed = ParseWindowsPath(windowsPath);
    if (!parsed) return std::nullopt;
    const DriveMapping* drive = FindDrive(parsed->letter);
    if (drive == nullptr) return std::nullopt;
    const std::vector<std::string>& parts = parsed->components;
    const size_t n = parts.size();

    Resolved result;
    // A missing path below a remembered folder costs one stat. (A missing last component that
    // the caller may create needs its folder's host path: looked up below.)
    if (n > 0 && KnownMissing(*parsed, allowMissingLast ? n - 1 : n)) return std::nullopt;
    result.host = JoinHost(drive->hostRoot, parts, n);
    if (lstat(result.host.c_str(), &result.info) == 0) {
        result.exists = true;
        result.name = n == 0 ? "" : parts.back();
        return result;
    }
    if (n == 0) return std::nullopt;  // the drive folder itself is missing

    // Start from the parent folder as written when it exists (the exact name always wins),
    // else from the spelling an earlier call found for it, else from the deepest prefix that
    // exists as written.
    size_t k = n - 1;
    struct stat info {};
    std::string current;
    const std::string parentKey = FolderKey(*parsed, n - 1);
    bool fromCache = false;
    const bool exactParent =
        stat(JoinHost(drive->hostRoot, parts, n - 1).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
    if (n >= 2 && !exactParent) {
        if (auto cached = CachedFolder(parentKey)) {
            if (lstat(cached->c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
                current = std::move(*cached);
                fromCache = true;
            } else {
                ForgetFolder(parentKey);
            }
        }
    }
    if (!fromCache && !exactParent) {
        // Folders are taken with lstat, so a link in a folder position ends the lookup below;
        // only the drive's own folder (count 0) may be reached through a link.
        const auto statPrefix = [&](size_t count) {
            const std::string prefix = JoinHost(drive->hostRoot, parts, count);
            return count == 0 ? stat(prefix.c_str(), &info) : lstat(prefix.c_str(), &info);
        };
        // The parent as written is known missing already (the stat above).
        if (k > 0) --k;
        while (statPrefix(k) != 0) {
            if (k == 0) return std::nullopt;
            --k;
        }
        current = JoinHost(drive->hostRoot, parts, k);
    }
    if (exactParent) current = JoinHost(drive->hostRoot, parts, n - 1);
    for (size_t i = k; i < n; ++i) {
        if (!S_ISDIR(info.st_mode)) return std::nullopt;
        if (i == n - 1 && k < n - 1 && !fromCache) RememberFolder(parentKey, current);
        const bool last = i + 1 == n;
        std::string candidate = Child(current, parts[i]);
        std::string name = parts[i];
        struct stat candidateInfo {};
        // At the starting prefix the exact spelling is known to be missing, unless the start
        // came from the folder cache.
        const bool tryExact = i > k || fromCache;
        bool found = tryExact && lstat(candidate.c_str(), &candidateInfo) == 0;
        if (!found) {
            // Only a folder reached by its names as written: a folder spelled another way
            // could gain an exact twin without changing.
            if (current == JoinHost(drive->hostRoot, parts, i)) RememberKnown(FolderKey(*parsed, i), current, info);
            if (auto match = FindNameInDirectory(current, info, parts[i], &candidateInfo)) {
                name = *match;
                candidate = Child(current, name);
                found = true;
            }
        }
        if (!found) {
            if (last && allowMissingLast) {
                result.host = Child(current, parts[i]);
                result.exists = false;
                result.name = parts[i];
                return result;
            }
            return std::nullopt;
        }
        current = std::move(candidate);
        info = candidateInfo;
        if (last) {
            result.host = current;
            result.exists = true;
            result.info = candidateInfo;
            result.name = name;
        }
    }
    return result;
}

}  // namespace detail

std::optional<std::string> ToHostPath(std::string_view windowsPath) {
    const auto resolved = detail::Resolve(windowsPath, true);
    if (!resolved) return std::nullopt;
    return resolved->host;
}

std::optional<std::string> ToWindowsPath(std::string_view hostPath) {
    return detail::MapHostToWindows(CurrentMachine().drives, hostPath);
}

std::string HostPathForMessage(std::string_view windowsPath) {
    const auto parsed = detail::ParseWindowsPath(windowsPath);
    if (!parsed) return {};
    const DriveMapping* drive = detail::FindDrive(parsed->letter);
    if (drive == nullptr) return {};
    std::string host = drive->hostRoot;
    for (const std::string& component : parsed->components) {
        if (host.empty() || host.back() != '/') host += '/';
        host += component;
    }
    return host;
}

std::string CurrentDirectory() {
    auto& state = detail::State();
    std::optional<detail::WindowsPath> current;
    {
        std::lock_guard lock(state.mutex);
        current = state.currentDirectory;
    }
    std::string text = detail::FormatWindowsPath(current ? *current : detail::DefaultCurrentDirectory());
    if (text.back() != '\\') text += '\\';
    return text;
}

bool SetCurrentDirectory(std::string_view path) {
    auto parsed = detail::ParseWindowsPath(path);
    if (!parsed) return false;
    const auto resolved = detail::Resolve(path, false);
    if (!resolved || !S_ISDIR(resolved->info.st_mode)) return false;
    auto& state = detail::State();
    std::lock_guard lock(state.mutex);
    state.currentDirectory = std::move(*parsed);
    return true;
}

}  // namespace scourwell::platform
