#pragma once

// The quarantine: stored copies of files (and registry backup files) in the data folder's
// "Quarantine" folder, the quarantine index ("quarantine.list"), the deleted-threats list
// ("d.list"), and the two views over them (`cList1`, `dList1`).
//
// Index lines are ";"-terminated records. A file entry (kind "0"):
//   Time;0;SourcePath;Detected;Digest;Size;StoredName;
// A registry value entry (kind "1"):
//   Time;1;;Detected;RootIndex;Key;ValueName;StoredName;
// A deleted-threats line: SourcePath;Time;
// Time is the short date, a blank and the long time; the time part (and its blank) is left out
// when the moment is exactly midnight. These layouts are what earlier and later versions read
// and write: keep them.
//
// The stored name of a file is its source path without "\" and ":" (C:\Temp\a.exe is stored as
// CTempa.exe). When that name already belongs to another source path in the index, the next
// free variant with "~2", "~3", ... before the extension is used instead, so two paths such as
// C:\ab\c and C:\a\bc never share one copy. The stored name is always field 6, so readers need
// not know the rule.
//
// Stored names and source paths are compared byte for byte (x.exe and X.exe are two sources
// with two copies), a new copy is created exclusively (a name the file system already holds
// in any spelling moves on to the next variant), and names in the quarantine folder are looked
// up exactly as stored, never without regard to case.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "foundation/list_model.h"
#include "foundation/program_context.h"
#include "foundation/text_list.h"
#include "platform/files.h"

namespace scourwell::quarantine {

inline constexpr std::string_view kQuarantineListFile = "quarantine.list";
inline constexpr std::string_view kDeletedListFile = "d.list";
inline constexpr std::string_view kQuarantineFolderName = "Quarantine";

// Sub-item columns of cList1 after the caption ("Time").
enum QuarantineColumn : size_t { kQColStatus = 0, kQColDetected = 1, kQColObject = 2 };
// Sub-item column of dList1 after the caption ("Time").
enum DeletedColumn : size_t { kDColObject = 0 };

// Status words of cList1.
inline constexpr std::string_view kStatusQuarantined = "Quarantined";
inline constexpr std::string_view kStatusRestoring = "Restoring...";
inline constexpr std::string_view kStatusRestored = "Restored";
inline constexpr std::string_view kStatusFailed = "Failed";

// The restore's closing message when entries stay in the quarantine: the head, then one line
// per entry (at most kRestoreFailuresShown, then "and N more"): the object and why it stays.
inline constexpr std::string_view kRestoreFailedHead =
    "These objects could not be restored and stay in the quarantine:\r";
inline constexpr size_t kRestoreFailuresShown = 10;
inline constexpr std::string_view kRestoreInTheWay = " - another object stands in its place";
inline constexpr std::string_view kRestoreFolderRefused =
    " - its folder now belongs to another user";
inline constexpr std::string_view kRestoreCopyFailed = " - the copy could not be put back";
inline constexpr std::string_view kRestoreValueFailed = " - the value could not be written back";

// The data folder's "Quarantine" folder, without a trailing backslash. Throws
// foundation::IoError when the data folder cannot be created.
std::string QuarantineFolderPath();
// The source path without "\" and ":".
std::string FlattenedName(std::string_view path);
// A stored name names something directly in the quarantine folder: not empty, no "\", "/"
// or ":", and not "." or "..". Index lines with any other stored name are never acted on.
bool IsPlainStoredName(std::string_view name);
// A path or name that fits into one field of one index line: no ";" and no line break.
bool FitsInRecordField(std::string_view text);
// The Time field of index and deleted-threats lines for a moment.
std::string EntryTimeText(std::chrono::system_clock::time_point when);

// What a folder walk copied, as full source paths.
struct FolderCopyReport {
    std::vector<std::string> copied;
    std::vector<std::string> failed;
    // True when this very object (device and inode) was copied by this walk.
    bool WasCopied(const platform::FileIdentity& file) const;
    // Filled along with `copied`: "device:inode" of each copied object.
    std::unordered_set<std::string> copiedObjects;
};

class QuarantineStore {
  public:
    explicit QuarantineStore(foundation::ProgramContext& context);
    QuarantineStore(const QuarantineStore&) = delete;
    QuarantineStore& operator=(const QuarantineStore&) = delete;

    foundation::ProgramContext& context;
    foundation::TextList index{true, true};    // the quarantine index (add through AddEntryLine)
    foundation::TextList deleted{true, true};  // the deleted-threats list
    foundation::ListModel cList1;  // "Time", "Status", "Detected", "Object"; check boxes
    foundation::ListModel dList1;  // "Time", "Object"

    // Loads the index and the deleted-threats list from the data folder, when the files exist.
    // The view is not built here (the start-up refresh does that). A file that exists but
    // cannot be read is never overwritten afterwards; foundation::IoError names it.
    void LoadAtStartup();

    // Copies a file into the quarantine and adds its entry; true when both happened. Creates
    // the quarantine folder when it is missing. Refreshes the view on success.
    // The path is resolved once, as typed; the entry records it with every name as stored.
    bool QuarantineFile(std::string_view path);
    // A listed file: `path` is what the index records, `file` what is copied.
    bool QuarantineFile(std::string_view path, const platform::FileIdentity& file);
    // Copies every file of the tree (mask usually "*.*") and adds one entry per copied file;
    // the view is refreshed at the end. Stops at the abort flag. Entries record the paths with
    // every name as stored. When `report` is given, every file taken in hand is recorded as
    // copied or failed, and so is every folder that could not be walked (its path with a
    // trailing backslash): nothing below it was copied. Any depth is walked with a bounded
    // number of descriptors.
    void QuarantineFolder(std::string_view folder, std::string_view detected, std::string_view mask,
                          FolderCopyReport* report = nullptr);
    // A listed folder; the tree is walked through the opened folders.
    void QuarantineFolder(std::string_view folder, const platform::FileIdentity& identity,
                          std::string_view detected, std::string_view mask,
                          FolderCopyReport* report = nullptr);
    // Drops entries whose stored copy is gone (and blank lines), rebuilds cList1 and saves the
    // index to "quarantine.list".
    void RefreshQuarantineView();
    // Deletes every stored copy and backup file, records the files in the deleted-threats list
    // and empties the index. True when at least one file entry was removed.
    bool ClearQuarantine();
    // Restores the marked rows of cList1 (checked or selected). True when at least one was
    // restored. A file goes back to exactly the place its entry names: missing folders are made
    // under their stored names, no case variant and no folder another user planted in a shared
    // folder is written into, nothing standing in the way is replaced, and no process is ended.
    // Its stored copy is deleted only after the restored file was checked to be identical to
    // it. Entries that fail stay, and one message (kRestoreFailedHead) names them and why.
    bool RestoreQuarantined();
    // Rebuilds dList1 from the deleted-threats list.
    void ReloadDeletedView();
    // Empties the deleted-threats list and dList1 and deletes "d.list".
    void ClearDeletedList();

    // The stored name that a copy of `path` gets now (see the header comment).
    std::string StoredNameFor(std::string_view path) const;
    // A stored name that nothing holds: `base` or its next free "~n" variant, owned by no
    // entry and naming no file in the quarantine folder (registry backups use it).
    std::string FreeStoredName(std::string_view base) const;
    // Sorts the index and adds an entry line (used by the adds of other pages as well).
    void AddEntryLine(std::string line);
    // Creates the quarantine folder when it is missing; false when it cannot be created.
    bool EnsureQuarantineFolder();
    // Where the index line that row `row` of cList1 shows stands now, or -1 when it is gone.
    // Rows remember their line's text, not its position: an add sorts the index again.
    long LineOfRow(size_t row) const;

  private:
    // Copies a file into the quarantine and takes its digest, both abortable. False when
    // either failed or was stopped; a new copy is then removed again.
    bool CopyIntoQuarantine(std::string_view source, const platform::FileIdentity& file,
                            std::string& storedName, std::string& digest);
    bool CopyOnly(std::string_view source, const platform::FileIdentity& file,
                  std::string& storedName);
    void CopyTree(platform::DirectoryListing listing,
                  const std::optional<platform::FileIdentity>& quarantine,
                  std::string_view detected, std::string_view mask, FolderCopyReport* report);
    std::string NowText() const;
    void SaveIndex();

    // Source path that each stored name belongs to (both byte for byte); rebuilt from the
    // index when it has been changed other than by AddEntryLine.
    const std::unordered_map<std::string, std::string>& StoredNameOwners() const;
    void ForgetStoredNames() { storedOwnersValid_ = false; }

    std::vector<std::string> rowLineTexts_;  // the index line each cList1 row shows
    mutable std::unordered_map<std::string, std::string> storedOwners_;
    mutable bool storedOwnersValid_ = false;
    bool indexUnreadable_ = false;    // "quarantine.list" exists but could not be read
    bool deletedUnreadable_ = false;  // likewise "d.list"
};

}  // namespace scourwell::quarantine
