#pragma once

// The clean-up of the Scan page's results: every checked, not excluded row of list1 is deleted
// (infected objects are copied into the quarantine first), its Status column shows
// "Deleting...", then "Ok" or "Err", the status log gets a line per object, and at the end the
// log is saved as "LastScan.txt" in the data folder and opened.
//
// An infected object is only deleted where its quarantine copy exists: a file whose copy failed
// stays (and its row shows "Err"), as does every file of an infected folder whose copy failed.
//
// A row acts on the object its scan listed (the row's identity: names as stored, device and
// inode), never on a path looked up again; a row without one is looked up once, by its exact
// names, when its turn comes. An object that is gone or has been replaced gives "Err".

#include <functional>
#include <string>
#include <string_view>

#include "foundation/exclusion_set.h"
#include "foundation/program_context.h"
#include "quarantine/quarantine_store.h"
#include "scan/scan_page.h"

namespace scourwell::quarantine {

inline constexpr std::string_view kCleanUpQuestion = "Do you wish to delete selected objects?";
inline constexpr std::string_view kCleanUpDone = "All done successfully!";
inline constexpr std::string_view kCleanUpAborted = "Actual process aborted!";
// Shown instead of kCleanUpDone when objects could not be deleted; the paths follow, one per
// line (at most kCleanUpFailuresShown, then "and N more").
inline constexpr std::string_view kCleanUpFailedHead =
    "Clean-up finished, but some objects could not be deleted:\r";
inline constexpr size_t kCleanUpFailuresShown = 10;

// Builds the closing message for a run: kCleanUpDone when `failed` is empty.
std::string CleanUpResultMessage(const std::vector<std::string>& failed);

// The "Clean-up" button: asks, and on Yes runs clean.
void Button3Click(scan::ScanPage& page, QuarantineStore& store);
// The clean-up run over page.list1.
void clean(scan::ScanPage& page, QuarantineStore& store);

// Decides whether a file of the tree may be deleted (false keeps it; the folder then stays).
using FileDeletePolicy = std::function<bool(const platform::FileIdentity& file)>;

// Deletes the files of the tree below `folder` that match `mask` and are not excluded, depth
// first, then removes the emptied folders. Stops at the abort flag. True when `folder` itself
// was removed. `mayDelete`, when set, is asked for every file before it is deleted.
// The folder path is resolved once, as typed; everything below is reached through the opened
// folders and acted on by identity, so no deletion lands on a look-alike or depends on the
// length of a path.
bool DeleteFolderTree(foundation::ProgramContext& context, const foundation::ExclusionSet& excluded,
                      std::string_view folder, std::string_view mask,
                      const FileDeletePolicy& mayDelete = {});
// The same for a listed folder: `folder` is its path as shown (for exclusions and messages).
bool DeleteFolderTree(foundation::ProgramContext& context, const foundation::ExclusionSet& excluded,
                      std::string_view folder, const platform::FileIdentity& identity,
                      std::string_view mask, const FileDeletePolicy& mayDelete = {});

}  // namespace scourwell::quarantine
