#include "quarantine/clean_up.h"

#include <algorithm>
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
    std::string text(kCleanUpFailedHead);
    const size_t shown = std::min(failed.size(), kCleanUpFailuresShown);
    for (size_t i = 0; i < shown; ++i) {
        if (i > 0) text += "\r";
        text += failed[i];
    }
    if (failed.size() > shown) {
        text += "\rand " + std::to_string(failed.size() - shown) + " more";
    }
    return text;
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
        bool removed;
        if (isFolder) {
            LogWithPath(log, " : Deleting folder...", path);
            if (infected) {
                // Only files that now have a quarantine copy may go.
                FolderCopyReport report;
                store.QuarantineFolder(path, "", "*.*", &report);
                removed = DeleteFolderTree(
                    context, page.excluded, path, "*.*",
                    [&report](const std::string& file) { return report.WasCopied(file); });
            } else {
                removed = DeleteFolderTree(context, page.excluded, path, "*.*");
            }
        } else {
            LogWithPath(log, " : Deleting file...", path);
            if (infected && !store.QuarantineFile(path) && platform::FileExists(path)) {
                // No copy, no deletion: the file stays where it is.
                removed = false;
            } else {
                removed = foundation::ForceDeleteFile(context, path);
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

bool DeleteFolderTree(foundation::ProgramContext& context, const foundation::ExclusionSet& excluded,
                      std::string_view folderPath, std::string_view mask,
                      const FileDeletePolicy& mayDelete) {
    // The folders being worked on form a stack of their own (no recursion, so no depth runs
    // out of stack): each holds the entries still to visit and the files to delete once its
    // subfolders are done. Only names are kept per level; `folder` is the current path.
    struct Level {
        size_t folderLength = 0;
        std::vector<std::pair<std::string, bool>> entries;  // name, is a folder
        size_t next = 0;
        std::vector<std::string> files;
    };
    std::string folder = foundation::WithTrailingBackslash(folderPath);
    std::vector<Level> levels;
    // Reads the current folder's entries into a new level; false when aborted.
    const auto enter = [&] {
        Level level;
        level.folderLength = folder.size();
        platform::DirectoryListing listing(folder + std::string(mask));
        platform::FindEntry entry;
        while (listing.Next(entry)) {
            context.ui.PumpEvents();
            if (context.abortRequested) return false;
            level.entries.emplace_back(std::move(entry.name), entry.IsDirectory());
        }
        levels.push_back(std::move(level));
        return true;
    };
    if (!enter()) return false;
    for (;;) {
        Level& level = levels.back();
        folder.resize(level.folderLength);
        if (level.next < level.entries.size()) {
            auto& [name, isFolder] = level.entries[level.next++];
            if (!isFolder) {
                level.files.push_back(std::move(name));
                continue;
            }
            const std::string fullPath = folder + name;
            if (excluded.IsExcluded(fullPath, "Folder")) continue;
            folder = foundation::WithTrailingBackslash(fullPath);
            if (!enter()) return false;
            continue;
        }

        // Every subfolder is done (what they left is theirs to report): the files, then the
        // folder itself.
        int failures = 0;
        for (const auto& name : level.files) {
            if (context.abortRequested) return false;
            const std::string file = folder + name;
            if (excluded.IsExcluded(file, "File")) continue;
            if (mayDelete && !mayDelete(file)) {
                ++failures;
                continue;
            }
            const bool deleted = foundation::ForceDeleteFile(context, file);
            context.status.Set("Deleting " + file);
            if (!deleted) ++failures;
        }
        const bool removed = failures == 0 && platform::RemoveDirectory(foundation::WithoutTrailingBackslash(folder));
        levels.pop_back();
        if (levels.empty()) return removed;
    }
}

}  // namespace scourwell::quarantine
