#pragma once

// Internals shared by the POSIX implementation files of the machine view. Nothing above the
// platform layer includes this header.

#include <sys/stat.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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

// Windows attributes of a host entry (name for the hidden bit, lstat for the rest).
uint32_t AttributesFromStat(std::string_view name, const struct stat& info);

// --- machine changes ------------------------------------------------------------------------

// Called by UseMachine before the new view is installed.
void ResetPathState();      // case cache and current directory
void CloseRegistryStore();  // closes the hive store of the old view

}  // namespace scourwell::platform::detail
