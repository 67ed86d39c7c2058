#pragma once

// The folder and junk scan: one walk below a starting folder that sums the size of every file
// and grades each object lying directly in the folder against the size of its drive.
//
// Performance: a walk makes one metadata call per entry. It lists folders with
// platform::DirectoryListing and descends with a platform::FolderWalk, so no path is resolved
// again below the starting folder, and neither stack nor memory grows with a buffer per level. The drive thresholds and the skip locations are computed once per
// top-level run and shared by the nested runs (they lie on the same drive). Full paths are
// built only where needed: for rows, skip checks of folders, and exclusion checks while the
// exclusion set is non-empty. Events and the status line are served on a time budget (see
// WalkPacing), not for every entry.

#include <cstdint>
#include <string>
#include <string_view>

#include "foundation/program_context.h"
#include "scan/scan_page.h"
#include "scan/walk_pacing.h"

namespace scourwell::scan {

// Attribute kinds of a search that lists everything: read-only, hidden, system, volume label,
// folder and archive.
inline constexpr uint32_t kAllAttributeKinds = 0x3F;

// Thresholds of a drive of `total` bytes: critical total div 10, high (total div 10) div 2 div 2.
struct SizeThresholds {
    int64_t critical = 0;
    int64_t high = 0;
};
SizeThresholds ComputeThresholds(int64_t driveTotal);

// Walks `path` (a trailing backslash is added when missing) and returns the total size in
// bytes of every file below it at any depth; files of 2 GiB and more count in full.
//  - junkMode: every row is "Junk" and the alerts speak of junk;
//  - skipSystem: folders inside the Program Files, Windows, all-users application data and
//    user-profile locations (on any drive) are not descended; "(x86)" folders never are;
//  - listAll: objects below the high threshold get a row too ("Ok" or "Junk");
//  - sumOnly: no rows and no alerts, only the size.
// Dot-folders are ignored, excluded objects get no row and excluded folders are not measured.
// Each row becomes an item at the end of page.list1 and a row of page.results. The walk ends
// early when the context's abort flag is set (after the current entry), returning what it has
// counted so far.
int64_t ScanFolder(ScanPage& page, std::string_view path, bool junkMode, bool skipSystem,
                   bool listAll, bool sumOnly);

// Sum of the sizes of the files matching `pattern` (a Windows mask such as "*.*") in `path`
// and, with `recurse`, in every subfolder whose name does not begin with ".". Hidden and
// system entries count only when `attributes` holds their bit, subfolders are followed only
// when it holds the folder bit. Serves events on the pacing budget; there is no abort. A
// folder that cannot be listed gives 0.
int64_t FolderSize(foundation::ProgramContext& context, std::string_view path,
                   std::string_view pattern, uint32_t attributes, bool recurse,
                   const WalkPacing& pacing = WalkPacing{});

}  // namespace scourwell::scan
