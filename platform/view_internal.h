#pragma once

// Internals shared by the POSIX implementation files of the machine view. Nothing above the
// platform layer includes this header.

#include <sys/stat.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"
#include "platform/machine.h"

namespace scourwell::platform::detail {

// --- names ----------------------------------------------------------------------------------

// Case-folded form of a UTF-8 name (each character upper-cased, as Windows compares names).
// Bytes that are not valid UTF-8 are kept as they are.
std::string FoldCase(std::string_view text);
// The same, as code points (invalid bytes become U+DC80..U+DCFF).
std::u32string FoldToCodePoints(std::string_view text);
bool EqualsIgnoreCase(std::string_view a, std::string_view b);

// --- Windows paths --------------------------------------------------------------------------

struct WindowsPath {
    char letter = 'C';                    // upper case
    std::vector<std::string> components;  // no ".", "..", or empty components
};

// Splits a Windows path into drive and components; a path without a drive is taken relative
// to the view's current directory. Empty for UNC paths and malformed input.
std::optional<WindowsPath> ParseWindowsPath(std::string_view path);
std::string FormatWindowsPath(const WindowsPath& path);  // "C:\a\b", "C:\" for a root

// The drive of the current view with this letter (any case), or null.
const DriveMapping* FindDrive(char letter);

// Windows path of a host path against a drive table: the drive with the longest root that
// contains the path. The host path must be absolute; it is normalised lexically first.
std::optional<std::string> MapHostToWindows(const std::vector<DriveMapping>& drives,
                                            std::string_view hostPath);
// "/a//b/./c/" -> "/a/b/c"; ".." removed lexically. Relative paths are returned unchanged.
std::string NormalizeHostPath(std::string_view hostPath);

// --- resolution -----------------------------------------------------------------------------

struct Resolved {
    std::string host;     // host path (the last component as given when it is missing)
    bool exists = false;  // the whole path exists (then `info` holds its lstat)
    struct stat info {};
    std::string name;     // the last component as stored on disk ("" for a drive root)
};

// Resolves a Windows path of the view. With allowMissingLast, a missing last component is
// not an error (exists is then false). Empty when the drive is unknown or a parent is missing.
std::optional<Resolved> Resolve(std::string_view windowsPath, bool allowMissingLast);

// Name of the entry in a directory that matches `name` without regard to case (of two that
// differ only in case, the smaller); empty when there is none. `dirInfo` is the directory's
// stat (the cache key). With `entryInfo`, the entry's stat (lstat, or stat with `follow`) is
// filled in. Callers try the exact name themselves first.
std::optional<std::string> FindNameInDirectory(const std::string& dirHost,
                                               const struct stat& dirInfo,
                                               std::string_view name,
                                               struct stat* entryInfo = nullptr,
                                               bool follow = false);

// --- safe access ----------------------------------------------------------------------------

// An owned file descriptor.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    ~UniqueFd() { Reset(); }
    UniqueFd(UniqueFd&& other) noexcept : fd_(other.Release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        if (this != &other) {
            Reset();
            fd_ = other.Release();
        }
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    int get() const { return fd_; }
    bool ok() const { return fd_ >= 0; }
    int Release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }
    void Reset();

private:
    int fd_ = -1;
};

// An entry of the view reached from its drive's root folder without following a link in any
// folder position and without entering another file system. Operations act on it relative
// to `parent` (openat, unlinkat, renameat2, ...), so a folder swapped for a link after the
// lookup cannot redirect them.
struct SafeEntry {
    UniqueFd parent;         // O_PATH descriptor of the folder holding the entry (for a drive
                             // root: the root folder itself)
    std::string parentHost;  // host path of that folder
    std::string name;        // the entry's name as stored (as given when missing); "" for a root
    bool exists = false;     // then `info` holds its lstat
    struct stat info {};
    dev_t device = 0;        // the drive root's device
    bool IsRoot() const { return name.empty(); }
    // The name to pass to the *at calls: "." for a drive root.
    const char* At() const { return name.empty() ? "." : name.c_str(); }
    std::string Host() const;
};

// Looks up a Windows path (as Resolve does) and opens its parent folder safely. Empty when
// the drive or a parent is unknown, when a folder position holds a link or lies on another
// file system than the drive root, when the entry itself lies on another file system, and
// (without allowMissingLast) when the entry is missing. A missing path costs what Resolve
// costs: the folders are opened only once the lookup has found something.
std::optional<SafeEntry> OpenEntry(std::string_view windowsPath, bool allowMissingLast);
// The same with every name matched exactly as stored (no case-insensitive lookup, no cache);
// each folder is opened relative to the previous one, so the path's length is not limited.
std::optional<SafeEntry> OpenExactEntry(std::string_view windowsPath, bool allowMissingLast);
// The object of an identity, opened as OpenEntry does (through its folder handle when it has
// one), and only when it is still there with the same device and inode.
std::optional<SafeEntry> OpenIdentity(const FileIdentity& identity);
// The Windows path of an opened entry with every name as stored: the drive's letter and the
// host path below its root.
std::string ExactWindowsPath(char letter, const std::string& hostRoot, const std::string& host);
// True when the object is the folder of any drive of the view.
bool IsAnyDriveRoot(const struct stat& info);
// Whether OpenEntry may open a chain of folders in one openat2 call (when the kernel has it).
// Tests turn it off to exercise the folder-by-folder walk used without it.
void AllowOpenat2(bool allowed);

// An existing entry may be deleted or removed: no running process holds it and the host's
// temporary-file rules do not keep it.
bool MayRemove(const SafeEntry& entry);

// Windows attributes of a host entry (name for the hidden bit, lstat for the rest).
uint32_t AttributesFromStat(std::string_view name, const struct stat& info);

// --- machine changes ------------------------------------------------------------------------

// Called by UseMachine before the new view is installed.
void ResetPathState();      // case cache and current directory
void CloseRegistryStore();  // closes the hive store of the old view

}  // namespace scourwell::platform::detail

namespace scourwell::platform {

struct FolderHandle {
    detail::UniqueFd fd;  // the folder, opened without following a link
    std::string host;     // its host path
    std::string windows;  // its Windows path, names as stored, with trailing backslash
    dev_t device = 0;     // the drive root's device
};

}  // namespace scourwell::platform
