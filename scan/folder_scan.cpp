#include "scan/folder_scan.h"

#include <optional>
#include <unordered_set>
#include <vector>

#include "foundation/format_size.h"
#include "foundation/system_folders.h"
#include "foundation/text.h"
#include "platform/files.h"
#include "platform/shell.h"
#include "scan/drive_status.h"
#include "scan/results_list.h"

namespace scourwell::scan {
namespace {

constexpr std::string_view kX86 = "(x86)";

void AppendLower(std::string& out, std::string_view text) {
    for (char c : text) out += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// A system location as the skip test compares it: lowercased and without its drive letter,
// so that the same location matches on any drive. Empty when the location is unknown.
std::string SkipForm(std::string_view location) {
    if (location.size() < 2) return "";
    std::string form;
    AppendLower(form, location.substr(1));
    return form;
}

// The four locations that a walk with system skipping does not descend into.
std::vector<std::string> SystemSkipLocations() {
    std::vector<std::string> locations;
    const std::string profile = foundation::GetSpecialFolder(platform::kCsidlProfile);
    // The folder holding the profiles keeps its trailing backslash: the profiles folder itself
    // is descended, each profile in it is not.
    const std::string profiles = profile.empty() ? "" : foundation::FolderPart(profile);
    for (const std::string& location :
         {foundation::GetProgramFilesDir(), foundation::GetWindowsDir(),
          foundation::GetSpecialFolder(platform::kCsidlCommonAppData), profiles}) {
        std::string form = SkipForm(location);
        if (!form.empty()) locations.push_back(std::move(form));
    }
    return locations;
}

// What one top-level run shares with its nested runs.
class Walk {
  public:
    Walk(ScanPage& page, std::string_view folder, bool skipSystem)
        : page_(page), context_(page.context), pacer_(page.context, page.pacing) {
        folder_.assign(folder);
        AppendLower(lowerFolder_, folder);
        topHasX86_ = lowerFolder_.find(kX86) != std::string::npos;
        if (skipSystem) skipLocations_ = SystemSkipLocations();
        SnapshotExclusions();
    }

    const std::string& Folder() const { return folder_; }
    bool Aborted() const { return context_.abortRequested; }

    // Lets pending window messages run when the time budget says so; shows the file being
    // checked in the status line first.
    void ServeEvents(const platform::FindEntry& entry) {
        ++context_.progress.objects;
        if (!entry.IsDirectory()) context_.progress.bytes += static_cast<uint64_t>(entry.size);
        if (!pacer_.Due()) return;
        context_.progress.folder = folder_;
        if (!entry.IsDirectory()) {
            std::string text = "Checking ";
            text += folder_;
            text += entry.name;
            context_.status.Set(text);
        }
        pacer_.Pump();
        // The user may have unchecked objects meanwhile.
        if (!excluded_.empty() || !page_.excluded.Lines().Empty()) SnapshotExclusions();
    }

    // A folder of the current folder that is not descended: "(x86)" anywhere in its path, or
    // a system location when system skipping is on.
    bool Skipped(std::string_view name) {
        if (topHasX86_) return true;
        scratch_.clear();
        AppendLower(scratch_, name);
        if (scratch_.find(kX86) != std::string::npos) return true;
        if (skipLocations_.empty()) return false;
        scratch_.insert(0, lowerFolder_);
        for (const std::string& location : skipLocations_)
            if (scratch_.find(location) != std::string::npos) return true;
        return false;
    }

    // The exclusion entry of folder + name with this kind is in the set (compared by the
    // platform's case rule for names, as path resolution compares them).
    bool Excluded(std::string_view name, std::string_view kind) {
        if (excluded_.empty()) return false;
        scratch_.assign(folder_);
        scratch_ += name;
        scratch_ += "=;";
        scratch_ += kind;
        scratch_ += ';';
        return excluded_.count(platform::FoldName(scratch_)) != 0;
    }

    // Size of a subfolder of the current folder: the sum of every file below it. The walk
    // keeps its folders on a stack of its own, so any depth is summed.
    int64_t SumSubfolder(const platform::DirectoryListing& parent,
                         const platform::FindEntry& entry) {
        platform::FolderWalk walk(parent.OpenSubfolder(entry, "*"));
        const size_t folderLength = folder_.size();
        EnterFolder(entry.name);
        int64_t total = 0;
        platform::FindEntry item;
        for (;;) {
            if (!walk.Next(item)) {
                if (!walk.Leave()) break;
                LeaveFolder();
                continue;
            }
            ServeEvents(item);
            if (!item.IsDirectory()) {
                total += item.size;
            } else if (!item.name.empty() && item.name[0] != '.' && !Skipped(item.name) &&
                       !Excluded(item.name, "Folder") && walk.Enter(item)) {
                EnterFolder(item.name);
            }
            if (Aborted()) break;
        }
        folder_.resize(folderLength);
        lowerFolder_.resize(folderLength);
        return total;
    }

  private:
    void EnterFolder(std::string_view name) {
        folder_ += name;
        folder_ += '\\';
        AppendLower(lowerFolder_, name);
        lowerFolder_ += '\\';
    }
    // Both strings end in a backslash and have the same length (lowering keeps every byte).
    void LeaveFolder() {
        const size_t length = folder_.rfind('\\', folder_.size() - 2) + 1;
        folder_.resize(length);
        lowerFolder_.resize(length);
    }

    void SnapshotExclusions() {
        excluded_.clear();
        for (const std::string& line : page_.excluded.Lines().Lines())
            excluded_.insert(platform::FoldName(line));
    }

    ScanPage& page_;
    foundation::ProgramContext& context_;
    WalkPacer pacer_;
    std::string folder_;       // the current folder, with trailing backslash
    std::string lowerFolder_;  // the same, lowercased
    std::string scratch_;
    bool topHasX86_ = false;
    std::vector<std::string> skipLocations_;
    std::unordered_set<std::string> excluded_;  // exclusion entries, case-folded
};

const char* AlertText(bool folder, bool critical, bool junkMode) {
    if (junkMode) return folder ? ": Alert: Junk folder" : ": Alert: Junk file";
    if (folder) {
        return critical
                   ? ": Alert: Critical folder size, it is taking to much space"
                   : ": Alert: Folder size is to high, it is not critical but it requires action";
    }
    return critical ? ": Alert: Critical file size, it is taking to much space"
                    : ": Alert: file size is to high, it is not critical but it requires action";
}

void GradeObject(ScanPage& page, const std::string& folder, const std::string& name, bool isFolder,
                 int64_t size, const SizeThresholds& thresholds, bool junkMode, bool listAll,
                 platform::FileIdentity identity) {
    const char* status = nullptr;
    bool alert = true;
    bool critical = false;
    if (size >= thresholds.critical) {
        status = "Critical";
        critical = true;
    } else if (size >= thresholds.high) {
        status = "High";
    } else if (listAll) {
        status = "Ok";
        alert = false;
    } else {
        return;
    }
    if (junkMode) status = "Junk";
    if (alert) {
        page.context.log.AddTimed(AlertText(isFolder, critical, junkMode));
        page.context.log.AddLine(folder + name);
    }
    foundation::ScanResultRow row;
    row.name = name;
    row.kind = isFolder ? "Folder" : "File";
    row.location = folder;
    row.size = std::to_string(size);
    row.status = status;
    row.selected = true;
    row.identity = std::move(identity);
    AddFoundObject(page, std::move(row));
}

int64_t SizeOf(platform::DirectoryListing listing, std::string_view pattern, uint32_t attributes,
               bool recurse, WalkPacer& pacer) {
    constexpr uint32_t kFiltered = platform::kAttrHidden | platform::kAttrSystem;
    const bool descend = recurse && (attributes & platform::kAttrDirectory) != 0;
    platform::FolderWalk walk(std::move(listing));
    int64_t total = 0;
    platform::FindEntry entry;
    for (;;) {
        if (!walk.Next(entry)) {
            if (!walk.Leave()) break;
            continue;
        }
        if (pacer.Due()) pacer.Pump();
        if ((entry.attributes & kFiltered & ~attributes) != 0) continue;
        if (entry.IsDirectory()) {
            if (descend && !entry.name.empty() && entry.name[0] != '.') walk.Enter(entry);
        } else if (platform::MatchesMask(entry.name, pattern)) {
            total += entry.size;
        }
    }
    return total;
}

}  // namespace

SizeThresholds ComputeThresholds(int64_t driveTotal) {
    SizeThresholds thresholds;
    thresholds.critical = driveTotal / 10;
    thresholds.high = ((driveTotal / 10) / 2) / 2;
    return thresholds;
}

int64_t ScanFolder(ScanPage& page, std::string_view path, bool junkMode, bool skipSystem,
                   bool listAll, bool sumOnly) {
    // An empty path would name the root of the current drive; a missing folder is no folder.
    if (path.empty()) return 0;
    const std::string folder = foundation::WithTrailingBackslash(path);
    int64_t freeBytes = -1;
    int64_t totalBytes = -1;
    if (!folder.empty()) GetDriveSpace(folder[0], freeBytes, totalBytes);
    const SizeThresholds thresholds = ComputeThresholds(totalBytes);

    Walk walk(page, folder, skipSystem);
    // What a running program holds, or the host's rules keep, would only fail to go: the junk
    // list leaves it out (the open files are read once for the whole folder).
    std::optional<platform::FilesInUseScope> inUse;
    if (junkMode && !sumOnly) inUse.emplace();
    const auto leftAlone = [&](const std::string& name) {
        if (!inUse) return false;
        const std::string path = folder + name;
        return platform::IsInUse(path) || platform::IsKeptByHost(path);
    };
    platform::DirectoryListing listing(folder + "*.*");
    // What the listing saw, so the clean-up reaches these objects and no look-alikes.
    const std::string exactFolder = listing.ExactFolder();
    const auto identityOf = [&exactFolder](const platform::FindEntry& entry) {
        return platform::FileIdentity{exactFolder + entry.name, entry.device, entry.inode, {}};
    };
    int64_t total = 0;
    platform::FindEntry entry;
    while (listing.Next(entry)) {
        walk.ServeEvents(entry);
        if (entry.IsDirectory()) {
            if (!entry.name.empty() && entry.name[0] != '.') {
                const bool excluded = walk.Excluded(entry.name, "Folder");
                int64_t size = 0;
                if (!excluded && !walk.Skipped(entry.name))
                    size = walk.SumSubfolder(listing, entry);
                total += size;
                if (!sumOnly && !excluded && !leftAlone(entry.name))
                    GradeObject(page, folder, entry.name, true, size, thresholds, junkMode,
                                listAll, identityOf(entry));
            }
        } else {
            total += entry.size;
            if (!sumOnly && !walk.Excluded(entry.name, "File") && !leftAlone(entry.name))
                GradeObject(page, folder, entry.name, false, entry.size, thresholds, junkMode,
                            listAll, identityOf(entry));
        }
        if (walk.Aborted()) break;
    }
    return total;
}

int64_t FolderSize(foundation::ProgramContext& context, std::string_view path,
                   std::string_view pattern, uint32_t attributes, bool recurse,
                   const WalkPacing& pacing) {
    if (path.empty()) return 0;
    const std::string folder = foundation::WithTrailingBackslash(path);
    WalkPacer pacer(context, pacing);
    return SizeOf(platform::DirectoryListing(folder + "*"), pattern, attributes, recurse, pacer);
}

}  // namespace scourwell::scan
