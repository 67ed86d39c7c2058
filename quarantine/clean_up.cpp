#include "quarantine/clean_up.h"

#include <algorithm>
#include <vector>

#include "foundation/data_folder.h"
#include "foundation/file_helpers.h"
#include "foundation/text.h"
#include "platform/files.h"

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

void clean(scan::ScanPage& page, QuarantineStore& store) {
    foundation::ProgramContext& context = page.context;
    foundation::StatusLog& log = context.log;
    foundation::ListModel& list = page.list1;

    context.abortRequested = false;
    log.AddLine("");
    log.AddTimed(": Cleaning...");
    page.quickScanEnabled.Set(false);
    page.customScanEnabled.Set(false);
    page.cleanUpEnabled.Set(false);
    page.abortEnabled.Set(true);

    std::vector<std::string> failed;
    for (size_t i = 0; i < list.Count(); ++i) {
        context.ui.PumpEvents();
        if (context.abortRequested) break;
        if (i >= list.Count()) break;  // the list changed while events ran

        const foundation::ListItem& item = list.Item(i);
        const std::string path = item.SubItem(kColLocation) + item.caption;
        const bool isFolder = item.SubItem(kColKind) == "Folder";
        const bool infected = item.SubItem(kColStatus) == "Infected";
        if (!item.checked) continue;

        context.status.Set("Deleting " + path);
        if (isFolder) {
            if (page.excluded.IsExcluded(path, "Folder")) continue;
            list.SetSubItem(i, kColStatus, "Deleting...");
            LogWithPath(log, " : Deleting folder...", path);
            bool removed;
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
            if (i >= list.Count()) break;
            if (removed) {
                LogWithPath(log, " : Folder deleted...", path);
                list.SetSubItem(i, kColStatus, "Ok");
            } else {
                list.SetSubItem(i, kColStatus, "Err");
                LogWithPath(log, " : Cannot delete folder...", path);
                failed.push_back(path);
            }
        } else {
            if (page.excluded.IsExcluded(path, "File")) continue;
            list.SetSubItem(i, kColStatus, "Deleting...");
            LogWithPath(log, " : Deleting file...", path);
            bool removed;
            if (infected && !store.QuarantineFile(path) && platform::FileExists(path)) {
                // No copy, no deletion: the file stays where it is.
                removed = false;
            } else {
                removed = foundation::ForceDeleteFile(context, path);
            }
            if (i >= list.Count()) break;
            if (removed) {
                LogWithPath(log, " : File deleted...", path);
                list.SetSubItem(i, kColStatus, "Ok");
            } else {
                list.SetSubItem(i, kColStatus, "Err");
                LogWithPath(log, " : Cannot delete file...", path);
                failed.push_back(path);
            }
        }
    }

    const std::string title(foundation::kAppTitle);
    if (context.abortRequested) {
        context.abortRequested = false;
        context.status.Set(title);
        page.quickScanEnabled.Set(true);
        page.customScanEnabled.Set(true);
        page.cleanUpEnabled.Set(false);
        page.abortEnabled.Set(false);
        context.ui.Tell(kCleanUpAborted, foundation::kAppTitle,
                        foundation::MessageIcon::Information);
        log.AddTimed(": Actual process aborted...");
    } else {
        page.quickScanEnabled.Set(true);
        page.customScanEnabled.Set(true);
        page.cleanUpEnabled.Set(false);
        page.abortEnabled.Set(false);
        context.ui.Tell(CleanUpResultMessage(failed), foundation::kAppTitle,
                        failed.empty() ? foundation::MessageIcon::Information
                                       : foundation::MessageIcon::Warning);
    }

    context.status.Set(title);
    log.AddTimed(": Finish...");
    const std::string logFile = foundation::GetDataFolder() + std::string(kLastScanFile);
    if (platform::WriteFileAtomic(logFile, log.Text())) context.ui.OpenDocument(logFile);
}

bool DeleteFolderTree(foundation::ProgramContext& context, const foundation::ExclusionSet& excluded,
                      std::string_view folderPath, std::string_view mask,
                      const FileDeletePolicy& mayDelete) {
    const std::string folder = foundation::WithTrailingBackslash(folderPath);
    std::vector<std::string> files;
    {
        platform::DirectoryListing listing(folder + std::string(mask));
        platform::FindEntry entry;
        while (listing.Next(entry)) {
            context.ui.PumpEvents();
            if (context.abortRequested) return false;
            const std::string fullPath = folder + entry.name;
            if (entry.IsDirectory()) {
                if (!excluded.IsExcluded(fullPath, "Folder")) {
                    DeleteFolderTree(context, excluded, fullPath, mask, mayDelete);
                }
            } else {
                files.push_back(fullPath);
            }
        }
    }

    int failures = 0;
    for (const auto& file : files) {
        if (context.abortRequested) return false;
        if (excluded.IsExcluded(file, "File")) continue;
        if (mayDelete && !mayDelete(file)) {
            ++failures;
            continue;
        }
        const bool deleted = foundation::ForceDeleteFile(context, file);
        context.status.Set("Deleting " + file);
        if (!deleted) ++failures;
    }
    if (failures != 0) return false;
    return platform::RemoveDirectory(foundation::WithoutTrailingBackslash(folder));
}

}  // namespace scourwell::quarantine
