#include "quarantine/clean_up.h"

#include <algorithm>
#include <optional>
#include <unordered_map>
#include <vector>

#include "foundation/data_folder.h"
#include "foundation/file_helpers.h"
#include "foundation/text.h"
#include "platform/files.h"
#include "scan/scan_driver.h"

namespace scourwell::quarantine {

namespace {

using scan::kColKind;
using scan::kColLocation;
using scan::kColStatus;

void LogWithPath(foundation::StatusLog& log, std::string_view message, const std::string& path) {
    log.AddTimed(message);
    log.AddLine(path);
}

}  // namespace

std::string CleanUpResultMessage(const std::vector<std::string>& failed) {
    if (failed.empty()) return std::string(kCleanUpDone);
    return foundation::HeadAndShortList(kCleanUpFailedHead, failed, kCleanUpFailuresShown);
}

void Button3Click(scan::ScanPage& page, QuarantineStore& store) {
    if (!page.context.ui.AskYesNo(kCleanUpQuestion)) return;
    clean(page, store);
}

namespace {

// An item of the results list as the clean-up found it when it started. Events run between
// objects, and a filter change may rebuild the list meanwhile, so every object is looked up
// again by what it is (the n-th item with its name, folder and kind), never by a stale index.
struct Target {
    std::string name;
    std::string location;
    std::string kind;
    int occurrence = 0;  // earlier items with the same name, folder and kind
    size_t hint = 0;     // where the item stood when the run started
};

bool Shows(const foundation::ListItem& item, const Target& target) {
    return item.caption == target.name && item.SubItem(kColLocation) == target.location &&
           item.SubItem(kColKind) == target.kind;
}

std::vector<Target> TargetsOf(const foundation::ListModel& list) {
    std::vector<Target> targets;
    std::unordered_map<std::string, int> seen;
    for (size_t i = 0; i < list.Count(); ++i) {
        const foundation::ListItem& item = list.Item(i);
        Target target{item.caption, item.SubItem(kColLocation), item.SubItem(kColKind), 0, i};
        // Names never hold a NUL, so it separates the parts of the key.
        std::string key = target.location + '\0' + target.name + '\0' + target.kind;
        target.occurrence = seen[key]++;
        targets.push_back(std::move(target));
    }
    return targets;
}

// Index of the target's item in the list as it is now, or -1 when the list no longer shows it.
// While the list's layout is the one the run started with, the item is where it was.
long IndexOf(const foundation::ListModel& list, const Target& target, uint64_t layout) {
    if (list.Layout() == layout)
        return target.hint < list.Count() && Shows(list.Item(target.hint), target)
                   ? static_cast<long>(target.hint)
                   : -1;
    int seen = 0;
    for (size_t i = 0; i < list.Count(); ++i) {
        if (Shows(list.Item(i), target) && seen++ == target.occurrence) return static_cast<long>(i);
    }
    return -1;
}

void SetStatus(foundation::ListModel& list, const Target& target, uint64_t layout,
               const char* status) {
    const long index = IndexOf(list, target, layout);
    if (index >= 0) list.SetSubItem(static_cast<size_t>(index), kColStatus, status);
}

}  // namespace

void clean(scan::ScanPage& page, QuarantineStore& store) {
    foundation::ProgramContext& context = page.context;
    if (context.scanRunning || context.cleanUpRunning) return;
    foundation::StatusLog& log = context.log;
    foundation::ListModel& list = page.list1;

    context.abortRequested = false;
    context.cleanUpRunning = true;
    // However the run ends (an error included), scans may start again afterwards.
    struct RunGuard {
        scan::ScanPage& page;
        ~RunGuard() {
            page.context.cleanUpRunning = false;
            page.quickScanEnabled.Set(true);
            page.customScanEnabled.Set(true);
            page.abortEnabled.Set(false);
        }
    } guard{page};
    log.AddLine("");
    log.AddTimed(": Cleaning...");
    page.quickScanEnabled.Set(false);
    page.customScanEnabled.Set(false);
    page.cleanUpEnabled.Set(false);
    page.abortEnabled.Set(true);

    // The objects the scan listed, by row: each item acts on its row's identity.
    std::unordered_map<std::string, platform::FileIdentity> listed;
    for (const foundation::ScanResultRow& row : page.results.Rows()) {
        if (row.identity.IsKnown())
            listed.try_emplace(row.location + '\0' + row.name + '\0' + row.kind, row.identity);
    }

    // A file that a running program holds cannot be deleted; what is held is read once.
    platform::FilesInUseScope inUse;
    std::vector<std::string> failed;
    const uint64_t layout = list.Layout();
    for (const Target& target : TargetsOf(list)) {
        context.ui.PumpEvents();
        if (context.abortRequested) break;
        const long index = IndexOf(list, target, layout);
        if (index < 0) continue;  // no longer shown (the list was filtered meanwhile)

        const foundation::ListItem& item = list.Item(static_cast<size_t>(index));
        const std::string path = target.location + target.name;
        const bool isFolder = target.kind == "Folder";
        const bool infected = item.SubItem(kColStatus) == "Infected";
        if (!item.checked) continue;

        context.status.Set("Deleting " + path);
        if (page.excluded.IsExcluded(path, isFolder ? "Folder" : "File")) continue;
        SetStatus(list, target, layout, "Deleting...");
        // The listed object, or (for a row not made from a listing) the object its exact names
        // lead to now; never a look-alike found without regard to case.
        std::optional<platform::FileIdentity> object;
        const auto known = listed.find(target.location + '\0' + target.name + '\0' + target.kind);
        if (known != listed.end()) {
            object = known->second;
        } else {
            object = platform::IdentifyObject(path, platform::NameMatch::kExact);
        }
        const auto found = object ? platform::GetFileInfo(*object) : std::nullopt;
        bool removed = false;
        if (isFolder) {
            LogWithPath(log, " : Deleting folder...", path);
            if (!found || !found->IsDirectory()) {
                removed = false;
            } else if (infected) {
                // Only files that now have a quarantine copy may go.
                FolderCopyReport report;
                store.QuarantineFolder(path, *object, "", "*.*", &report);
                removed = DeleteFolderTree(context, page.excluded, path, *object, "*.*",
                                           [&report](const platform::FileIdentity& file) {
                                               return report.WasCopied(file);
                                           });
            } else {
                removed = DeleteFolderTree(context, page.excluded, path, *object, "*.*");
            }
        } else {
            LogWithPath(log, " : Deleting file...", path);
            if (!found || found->IsDirectory()) {
                removed = false;
            } else if (infected && !store.QuarantineFile(path, *object)) {
                // No copy, no deletion: the file stays where it is.
                removed = false;
            } else {
                removed = foundation::ForceDeleteFile(context, *object);
            }
        }
        if (removed) {
            LogWithPath(log, isFolder ? " : Folder deleted..." : " : File deleted...", path);
            SetStatus(list, target, layout, "Ok");
        } else {
            SetStatus(list, target, layout, "Err");
            LogWithPath(log, isFolder ? " : Cannot delete folder..." : " : Cannot delete file...",
                        path);
            failed.push_back(path);
        }
    }
    context.cleanUpRunning = false;

    const std::string title(foundation::kAppTitle);
    page.quickScanEnabled.Set(true);
    page.customScanEnabled.Set(true);
    page.cleanUpEnabled.Set(false);
    page.abortEnabled.Set(false);
    if (context.abortRequested) {
        context.abortRequested = false;
        context.status.Set(title);
        context.ui.Tell(kCleanUpAborted, foundation::kAppTitle,
                        foundation::MessageIcon::Information);
        log.AddTimed(": Actual process aborted...");
    } else {
        context.ui.Tell(CleanUpResultMessage(failed), foundation::kAppTitle,
                        failed.empty() ? foundation::MessageIcon::Information
                                       : foundation::MessageIcon::Warning);
    }

    context.status.Set(title);
    log.AddTimed(": Finish...");
    scan::SaveAndOpenScanLog(context);
}

namespace {

// Deletes the tree of an opened folder. `shown` is its path as shown, with trailing backslash.
// The tree is walked with platform::FolderWalk, which bounds the descriptors and keeps memory
// linear in the depth; what this loop keeps per level is the entry of the folder it descended
// into and whether anything in that folder stayed. Files go as the walk meets them, a folder
// once the walk comes back from it.
bool DeleteTree(foundation::ProgramContext& context, const foundation::ExclusionSet& excluded,
                const std::string& shown, platform::DirectoryListing listing,
                const platform::FileIdentity& self, std::string_view mask,
                const FileDeletePolicy& mayDelete) {
    if (!listing.IsOpen()) return false;
    platform::FolderWalk walk(std::move(listing));
    struct Level {
        platform::FindEntry entry;  // the folder entered, as its parent listed it
        size_t shownLength = 0;     // the length of `path` in the parent
        bool kept = false;          // something in the folder stays
    };
    std::vector<Level> levels;
    bool keptAtTop = false;
    // The current folder as shown: the top as given, the names below it as stored.
    std::string path = shown;
    platform::FindEntry entry;
    for (;;) {
        if (walk.Next(entry)) {
            context.ui.PumpEvents();
            if (context.abortRequested) return false;
            bool& kept = levels.empty() ? keptAtTop : levels.back().kept;
            const size_t length = path.size();
            path += entry.name;
            if (entry.IsDirectory()) {
                // An excluded subfolder, or one that cannot be opened, stays (and so does
                // this folder).
                if (excluded.IsExcluded(path, "Folder") || !walk.Enter(entry, mask)) {
                    kept = true;
                    path.resize(length);
                    continue;
                }
                levels.push_back(Level{entry, length, false});
                path += '\\';
                continue;
            }
            if (!excluded.IsExcluded(path, "File")) {
                const platform::FileIdentity file = walk.IdentityOf(entry);
                const bool allowed = !mayDelete || mayDelete(file);
                if (!allowed || !foundation::ForceDeleteFile(context, file)) kept = true;
                context.status.Set("Deleting " + path);
            }
            path.resize(length);
            continue;
        }
        if (levels.empty()) break;
        // A folder is done: back in its parent, it is removed when nothing in it stayed. A
        // parent that cannot be taken up again returns nothing more, and stays.
        Level done = std::move(levels.back());
        levels.pop_back();
        if (!walk.Leave()) return false;
        path.resize(done.shownLength);
        bool& kept = levels.empty() ? keptAtTop : levels.back().kept;
        if (walk.LostPlace()) kept = true;
        if (done.kept || !platform::RemoveDirectory(walk.IdentityOf(done.entry))) kept = true;
    }
    if (context.abortRequested) return false;
    {
        // The folder's own descriptor goes before the folder itself.
        const platform::FolderWalk finished = std::move(walk);
    }
    return !keptAtTop && platform::RemoveDirectory(self);
}

}  // namespace

bool DeleteFolderTree(foundation::ProgramContext& context, const foundation::ExclusionSet& excluded,
                      std::string_view folder, const platform::FileIdentity& identity,
                      std::string_view mask, const FileDeletePolicy& mayDelete) {
    platform::FilesInUseScope inUse;  // the caller's, when it has one
    return DeleteTree(context, excluded, foundation::WithTrailingBackslash(folder),
                      platform::DirectoryListing::OfFolder(identity, mask), identity, mask,
                      mayDelete);
}

bool DeleteFolderTree(foundation::ProgramContext& context, const foundation::ExclusionSet& excluded,
                      std::string_view folderPath, std::string_view mask,
                      const FileDeletePolicy& mayDelete) {
    const auto identity =
        platform::IdentifyObject(foundation::WithoutTrailingBackslash(folderPath));
    if (!identity) return false;
    return DeleteFolderTree(context, excluded, folderPath, *identity, mask, mayDelete);
}

}  // namespace scourwell::quarantine
