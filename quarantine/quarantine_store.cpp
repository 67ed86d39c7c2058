#include "quarantine/quarantine_store.h"

#include "database/signature_database.h"
#include "foundation/data_folder.h"
#include "foundation/file_helpers.h"
#include "foundation/file_progress.h"
#include "foundation/record_lines.h"
#include "foundation/text.h"
#include "platform/files.h"
#include "platform/system_info.h"
#include "quarantine/registry_backup.h"

namespace scourwell::quarantine {

namespace {

using foundation::EqualsIgnoreCase;
using foundation::ExtractField;

// Kind of an index line (field 1); -1 when it is not a number.
long long LineKind(const std::string& line) {
    long long kind = -1;
    if (!foundation::ParseInt64(ExtractField(line, 1), kind)) return -1;
    return kind;
}

// The quarantine folder with every name as stored (looked up once, as written); the folder
// path itself while it does not exist.
std::string ExactQuarantineFolder() {
    const std::string folder = QuarantineFolderPath();
    const auto identity = platform::IdentifyObject(folder);
    return identity ? identity->path : folder;
}

// A stored copy or backup file in the quarantine folder, looked up by its exact name only.
std::optional<platform::FileIdentity> StoredObject(const std::string& exactFolder,
                                                   const std::string& storedName) {
    if (!IsPlainStoredName(storedName)) return std::nullopt;
    auto identity =
        platform::IdentifyObject(exactFolder + "\\" + storedName, platform::NameMatch::kExact);
    if (!identity) return std::nullopt;
    const auto info = platform::GetFileInfo(*identity);
    if (!info || info->IsDirectory()) return std::nullopt;
    return identity;
}

std::string ObjectKey(const platform::FileIdentity& file) {
    return std::to_string(file.device) + ":" + std::to_string(file.inode);
}

// The longest file name the host takes, in bytes.
constexpr size_t kLongestStoredName = 255;

// A stored name the host can create. A longer one keeps its leading part and a short
// extension and gains "~" and the digest of the whole name, so different names stay
// different; the index holds it like any other stored name.
std::string FitStoredName(std::string name) {
    if (name.size() <= kLongestStoredName) return name;
    const std::string digest = "~" + database::TextDigest(name);
    const size_t dot = name.rfind('.');
    const std::string extension = dot != std::string::npos && name.size() - dot <= 16 ? name.substr(dot) : "";
    size_t keep = kLongestStoredName - digest.size() - extension.size();
    // Never half a UTF-8 character.
    while (keep > 0 && (static_cast<unsigned char>(name[keep]) & 0xC0) == 0x80) --keep;
    name.resize(keep);
    return name + digest + extension;
}

// "~n" before the extension of the source file's name; at the end when it has none. Fitted
// to the host's name length.
std::string NameVariant(const std::string& flattened, std::string_view sourcePath, int n) {
    if (n <= 1) return FitStoredName(flattened);
    std::string suffix = "~" + std::to_string(n);
    std::string fileName = foundation::FileNamePart(sourcePath);
    size_t dot = fileName.rfind('.');
    if (dot != std::string::npos && dot > 0) {
        std::string extension = fileName.substr(dot);
        if (foundation::EndsWith(flattened, extension)) {
            std::string variant = flattened;
            variant.insert(flattened.size() - extension.size(), suffix);
            return FitStoredName(std::move(variant));
        }
    }
    return FitStoredName(flattened + suffix);
}

// Two files hold the same bytes: same size and same digest, both readable. False when
// "Abort" stopped the comparison.
bool SameContent(foundation::ProgramContext& context, const std::string& shown,
                 const platform::FileIdentity& a, const platform::FileIdentity& b) {
    auto infoA = platform::GetFileInfo(a);
    auto infoB = platform::GetFileInfo(b);
    if (!infoA || !infoB || infoA->size != infoB->size) return false;
    foundation::FileProgress readingA(context, "Checking", shown);
    const std::string digest = database::FileDigest(a, readingA.Sink());
    if (readingA.Stopped()) return false;
    foundation::FileProgress readingB(context, "Checking", shown);
    return digest == database::FileDigest(b, readingB.Sink()) && !readingB.Stopped() &&
           (digest != database::kEmptyDigest || infoA->size == 0);
}

// Why a file entry stays in the quarantine, as its line in the restore's closing message.
std::string_view RestoreProblem(platform::PlaceOutcome outcome) {
    switch (outcome) {
        case platform::PlaceOutcome::kInTheWay:
            return kRestoreInTheWay;
        case platform::PlaceOutcome::kFolderRefused:
            return kRestoreFolderRefused;
        default:
            return kRestoreCopyFailed;
    }
}

// Adds every line of a data-folder file to `list` (sorted, duplicates ignored). False when the
// file exists but cannot be read.
bool LoadInto(foundation::TextList& list, const std::string& path) {
    list.SetIgnoreDuplicates(true);
    list.SetSorted(true);
    if (!platform::FileExists(path)) return true;
    foundation::TextList loaded;
    if (!loaded.LoadFromFile(path)) return false;
    list.Clear();
    for (const auto& line : loaded.Lines()) list.Add(line);
    return true;
}

// Records who owns a stored name. A name held by several sources (or by a registry backup,
// owner "") belongs to nobody in particular: it is taken for every path.
void NoteStoredName(std::unordered_map<std::string, std::string>& owners, std::string stored,
                    const std::string& owner) {
    auto [it, inserted] = owners.emplace(std::move(stored), owner);
    if (!inserted && it->second != owner) it->second.clear();
}

// The stored name field of an index line (field 6 of a file, 7 of a registry value); empty for
// other kinds.
std::string StoredNameOf(const std::string& line, long long kind) {
    if (kind == 0) return ExtractField(line, 6);
    if (kind == 1) return ExtractField(line, 7);
    return {};
}

}  // namespace

std::string QuarantineFolderPath() {
    return foundation::GetDataFolder() + std::string(kQuarantineFolderName);
}

std::string FlattenedName(std::string_view path) {
    std::string name;
    name.reserve(path.size());
    for (char c : path) {
        if (c != '\\' && c != ':') name.push_back(c);
    }
    return name;
}

std::string EntryTimeText(std::chrono::system_clock::time_point when) {
    std::string text = platform::FormatShortDate(when);
    if (platform::FormatDateTime(when, "HH:mm:ss") != "00:00:00") {
        text += " ";
        text += platform::FormatLongTime(when);
    }
    return text;
}

bool IsPlainStoredName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of("\\/:") == std::string_view::npos;
}

bool FitsInRecordField(std::string_view text) {
    return text.find_first_of(";\r\n") == std::string_view::npos;
}

bool FolderCopyReport::WasCopied(const platform::FileIdentity& file) const {
    return file.IsKnown() && copiedObjects.count(ObjectKey(file)) != 0;
}

QuarantineStore::QuarantineStore(foundation::ProgramContext& ctx)
    : context(ctx),
      cList1({"Time", "Status", "Detected", "Object"}, true),
      dList1({"Time", "Object"}, false) {}

std::string QuarantineStore::NowText() const {
    return EntryTimeText(context.ui.Now());
}

void QuarantineStore::SaveIndex() {
    // An index file that could not be read holds entries this run does not know: keep it.
    if (indexUnreadable_) return;
    index.SaveToFile(foundation::GetDataFolder() + std::string(kQuarantineListFile));
}

void QuarantineStore::LoadAtStartup() {
    const std::string dataFolder = foundation::GetDataFolder();
    // What writes killed by an earlier crash left behind is no file of ours any more.
    platform::RemoveAbandonedTempFiles(foundation::WithoutTrailingBackslash(dataFolder));
    platform::RemoveAbandonedTempFiles(QuarantineFolderPath());
    const std::string indexFile = dataFolder + std::string(kQuarantineListFile);
    const std::string deletedFile = dataFolder + std::string(kDeletedListFile);
    indexUnreadable_ = !LoadInto(index, indexFile);
    deletedUnreadable_ = !LoadInto(deleted, deletedFile);
    ForgetStoredNames();
    std::string unreadable;
    if (indexUnreadable_) unreadable += indexFile;
    if (deletedUnreadable_) unreadable += (unreadable.empty() ? "" : ", ") + deletedFile;
    if (!unreadable.empty()) {
        throw foundation::IoError("Cannot read " + unreadable +
                                  "; it is left as it is until the program is started again.");
    }
}

long QuarantineStore::LineOfRow(size_t row) const {
    if (row >= rowLineTexts_.size()) return -1;
    return index.IndexOf(rowLineTexts_[row]);
}

const std::unordered_map<std::string, std::string>& QuarantineStore::StoredNameOwners() const {
    if (!storedOwnersValid_) {
        storedOwners_.clear();
        for (const auto& line : index.Lines()) {
            const long long kind = LineKind(line);
            const std::string stored = StoredNameOf(line, kind);
            if (stored.empty()) continue;
            // A registry backup belongs to no source file: its name is taken by every path.
            const std::string owner = kind == 0 ? ExtractField(line, 2) : "";
            NoteStoredName(storedOwners_, stored, owner);
        }
        storedOwnersValid_ = true;
    }
    return storedOwners_;
}

bool QuarantineStore::EnsureQuarantineFolder() {
    std::string folder = QuarantineFolderPath();
    if (platform::DirectoryExists(folder)) return true;
    return platform::CreateDirectory(folder) || platform::DirectoryExists(folder);
}

std::string QuarantineStore::StoredNameFor(std::string_view path) const {
    const std::string flattened = FlattenedName(path);
    const auto& owners = StoredNameOwners();
    for (int n = 1;; ++n) {
        std::string candidate = NameVariant(flattened, path, n);
        const auto owner = owners.find(candidate);
        // Free, or already the copy of this very path (which is then replaced, as before).
        if (owner == owners.end() || (!owner->second.empty() && owner->second == path))
            return candidate;
    }
}

std::string QuarantineStore::FreeStoredName(std::string_view base) const {
    const std::string folder = QuarantineFolderPath();
    const auto& owners = StoredNameOwners();
    for (int n = 1;; ++n) {
        std::string candidate = NameVariant(std::string(base), base, n);
        if (owners.count(candidate) == 0 &&
            !platform::GetFileInfo(folder + "\\" + candidate))
            return candidate;
    }
}

void QuarantineStore::AddEntryLine(std::string line) {
    index.SetSorted(true);
    if (storedOwnersValid_) {
        const long long kind = LineKind(line);
        const std::string stored = StoredNameOf(line, kind);
        if (!stored.empty()) NoteStoredName(storedOwners_, stored, kind == 0 ? ExtractField(line, 2) : "");
    }
    index.Add(std::move(line));
}

bool QuarantineStore::CopyIntoQuarantine(std::string_view source, const platform::FileIdentity& file,
                                         std::string& storedName, std::string& digest) {
    if (!CopyOnly(source, file, storedName)) return false;
    // The digest of a large file takes as long as its copy: both serve events and stop at
    // "Abort", and a copy that no line names yet goes again then.
    const bool fresh = StoredNameOwners().count(storedName) == 0;
    foundation::FileProgress reading(context, "Checking", source);
    digest = database::FileDigest(file, reading.Sink());
    if (!reading.Stopped()) return true;
    if (fresh) {
        const auto copy = platform::IdentifyObject(ExactQuarantineFolder() + "\\" + storedName,
                                                   platform::NameMatch::kExact);
        if (copy) platform::DeleteFile(*copy, true);
    }
    return false;
}

bool QuarantineStore::CopyOnly(std::string_view source, const platform::FileIdentity& file,
                               std::string& storedName) {
    foundation::FileProgress copying(context, "Copying", source);
    // A path with ";" or a line break cannot be written into one record line without shifting
    // its fields or splitting the line, and a broken line could later restore to another
    // place or block the whole index: such a file is not taken.
    if (!FitsInRecordField(source)) return false;
    if (!EnsureQuarantineFolder()) return false;
    const std::string folder = ExactQuarantineFolder();
    const std::string flattened = FlattenedName(source);
    const auto& owners = StoredNameOwners();
    constexpr int kMaxVariants = 10000;
    for (int n = 1; n <= kMaxVariants; ++n) {
        storedName = NameVariant(flattened, source, n);
        if (!IsPlainStoredName(storedName)) return false;
        const std::string target = folder + "\\" + storedName;
        const auto owner = owners.find(storedName);
        if (owner != owners.end()) {
            // This very path's earlier copy is replaced (written beside it, then renamed over);
            // any other owner's copy is never touched.
            if (owner->second.empty() || owner->second != source) continue;
            return platform::CopyFile(file, target, false, platform::NameMatch::kExact,
                                      copying.Sink());
        }
        // A name nobody owns: created exclusively, so a file already there (in any spelling
        // the file system takes as the same) sends the copy to the next variant.
        if (platform::CopyFile(file, target, true, platform::NameMatch::kExact, copying.Sink()))
            return true;
        if (copying.Stopped() || !platform::IdentifyObject(target, platform::NameMatch::kExact))
            return false;  // the copy itself failed
    }
    return false;
}

bool QuarantineStore::QuarantineFile(std::string_view path) {
    index.SetSorted(true);
    const auto file = platform::IdentifyObject(path);
    if (!file || !platform::FileExists(path)) return false;
    // The entry records the names as stored, so that a restore finds the very folders again.
    return QuarantineFile(file->path, *file);
}

bool QuarantineStore::QuarantineFile(std::string_view path, const platform::FileIdentity& file) {
    index.SetSorted(true);
    const auto info = platform::GetFileInfo(file);
    if (!info || info->IsDirectory()) return false;
    std::string storedName;
    std::string digest;
    if (!CopyIntoQuarantine(path, file, storedName, digest)) return false;
    std::string line = NowText();
    line += ";0;";
    line += path;
    line += ";;";
    line += digest;
    line += ";";
    line += std::to_string(info->size);
    line += ";";
    line += storedName;
    line += ";";
    AddEntryLine(std::move(line));
    RefreshQuarantineView();
    return true;
}

void QuarantineStore::QuarantineFolder(std::string_view folderPath, std::string_view detected,
                                       std::string_view mask, FolderCopyReport* report) {
    const auto identity =
        platform::IdentifyObject(foundation::WithoutTrailingBackslash(folderPath));
    if (!identity) {
        index.SetSorted(true);
        RefreshQuarantineView();
        return;
    }
    QuarantineFolder(folderPath, *identity, detected, mask, report);
}

void QuarantineStore::QuarantineFolder(std::string_view folderPath,
                                       const platform::FileIdentity& identity,
                                       std::string_view detected, std::string_view mask,
                                       FolderCopyReport* report) {
    index.SetSorted(true);
    CopyTree(platform::DirectoryListing::OfFolder(identity, mask),
             platform::IdentifyObject(QuarantineFolderPath()), detected, mask, report);
}

void QuarantineStore::CopyTree(platform::DirectoryListing listing,
                               const std::optional<platform::FileIdentity>& quarantine,
                               std::string_view detected, std::string_view mask,
                               FolderCopyReport* report) {
    // platform::FolderWalk keeps the descriptors bounded and the memory linear in the depth;
    // the only path kept here is the current folder's, names as stored, as the index records
    // them. A subfolder that cannot be entered, and the rest of a folder that cannot be taken
    // up again, count as failed: nothing below them was copied.
    const auto failed = [report](std::string path) {
        if (report) report->failed.push_back(std::move(path));
    };
    if (!listing.IsOpen()) {
        RefreshQuarantineView();
        return;
    }
    std::string folder = listing.ExactFolder();
    platform::FolderWalk walk(std::move(listing));
    std::vector<size_t> lengths;  // the length of `folder` in each folder waiting above
    platform::FindEntry entry;
    for (;;) {
        if (!walk.Next(entry)) {
            if (lengths.empty()) break;
            folder.resize(lengths.back());
            lengths.pop_back();
            if (!walk.Leave()) break;
            if (walk.LostPlace()) failed(folder);
            continue;
        }
        context.ui.PumpEvents();
        if (context.abortRequested) break;
        const std::string fullPath = folder + entry.name;
        if (entry.IsDirectory()) {
            // Never copy the quarantine into itself.
            if (quarantine && quarantine->device == entry.device &&
                quarantine->inode == entry.inode)
                continue;
            if (!walk.Enter(entry, mask)) {
                failed(fullPath + "\\");
                continue;
            }
            lengths.push_back(folder.size());
            folder = fullPath + "\\";
            continue;
        }
        context.status.Set(fullPath);
        const platform::FileIdentity file = walk.IdentityOf(entry);
        std::string storedName;
        std::string digest;
        if (!CopyIntoQuarantine(fullPath, file, storedName, digest)) {
            failed(fullPath);
            continue;
        }
        std::string line = NowText();
        line += ";0;";
        line += fullPath;
        line += ";";
        line += detected;
        line += ";";
        line += digest;
        line += ";";
        line += std::to_string(entry.size);
        line += ";";
        line += storedName;
        line += ";";
        AddEntryLine(std::move(line));
        if (report) {
            report->copied.push_back(fullPath);
            report->copiedObjects.insert(ObjectKey(file));
        }
    }
    RefreshQuarantineView();
}

void QuarantineStore::RefreshQuarantineView() {
    cList1.Clear();
    const std::string folder = ExactQuarantineFolder();
    for (size_t i = index.Count(); i-- > 0;) {
        const std::string& line = index[i];
        bool drop = line.empty();
        const long long kind = LineKind(line);
        if (kind == 0 || kind == 1) {
            // A stored name that leaves the quarantine folder names no copy of ours.
            drop = !StoredObject(folder, StoredNameOf(line, kind));
        }
        if (drop) index.Remove(i);
    }
    ForgetStoredNames();
    rowLineTexts_.clear();
    for (size_t i = 0; i < index.Count(); ++i) {
        const std::string& line = index[i];
        long long kind = LineKind(line);
        foundation::ListItem item;
        item.caption = ExtractField(line, 0);
        if (kind == 0) {
            item.subItems = {std::string(kStatusQuarantined), ExtractField(line, 3),
                             ExtractField(line, 2)};
        } else if (kind == 1) {
            long long root = -1;
            foundation::ParseInt64(ExtractField(line, 4), root);
            item.subItems = {std::string(kStatusQuarantined), ExtractField(line, 3),
                             RootKeyIndexName(root) + "\\" + ExtractField(line, 5) + "\\" +
                                 ExtractField(line, 6)};
        } else {
            // Lines of another kind keep their place in the index but get no row.
            continue;
        }
        cList1.Add(std::move(item));
        rowLineTexts_.push_back(line);
    }
    SaveIndex();
}

bool QuarantineStore::ClearQuarantine() {
    const std::string folder = ExactQuarantineFolder();
    platform::FilesInUseScope inUse;
    const std::string now = NowText();
    int removedFiles = 0;
    // Every entry that can be cleared is; a line that cannot be read, or whose stored copy
    // would not go, stays in the index, so no copy is ever lost without its line or kept
    // without one.
    std::vector<std::string> kept;
    for (size_t i = 0; i < index.Count(); ++i) {
        const std::string& line = index[i];
        // Blank lines are entries restored since the last refresh.
        if (line.empty()) continue;
        const long long kind = LineKind(line);
        if (kind != 0 && kind != 1) {
            kept.push_back(line);
            continue;
        }
        if (const auto stored = StoredObject(folder, StoredNameOf(line, kind))) {
            // A copy of a read-only file is read-only too; it is ours to remove.
            if (!platform::DeleteFile(*stored, true) && platform::GetFileInfo(*stored)) {
                kept.push_back(line);
                continue;
            }
        }
        if (kind == 0) {
            deleted.Add(ExtractField(line, 2) + ";" + now + ";");
            ++removedFiles;
        }
    }
    const std::string dataFolder = foundation::GetDataFolder();
    index.Clear();
    for (std::string& line : kept) index.Add(std::move(line));
    ForgetStoredNames();
    if (!deletedUnreadable_) deleted.SaveToFile(dataFolder + std::string(kDeletedListFile));
    // Saves the index with what was kept.
    RefreshQuarantineView();
    return removedFiles > 0;
}

bool QuarantineStore::RestoreQuarantined() {
    const std::string folder = ExactQuarantineFolder();
    platform::FilesInUseScope inUse;
    int restored = 0;
    std::vector<std::string> problems;  // "object - why", one per entry that stays
    for (size_t row = 0; row < cList1.Count(); ++row) {
        context.ui.PumpEvents();
        // The view may have been rebuilt while events ran.
        if (row >= cList1.Count() || row >= rowLineTexts_.size()) break;
        // The index may have been sorted again since the view was built (an add does that):
        // the row's line is found by its text.
        const long found = LineOfRow(row);
        if (found < 0) continue;
        const size_t lineIndex = static_cast<size_t>(found);
        const std::string line = index[lineIndex];
        const std::string status = cList1.Item(row).SubItem(kQColStatus);
        if (!cList1.IsMarked(row) || line.empty() || status == "Clear" ||
            status == kStatusRestored) {
            continue;
        }
        const long long kind = LineKind(line);
        cList1.SetSubItem(row, kQColStatus, std::string(kStatusRestoring));
        bool ok = false;
        if (kind == 0) {
            const std::string source = ExtractField(line, 2);
            const auto stored = StoredObject(folder, ExtractField(line, 6));
            // The file goes back exactly where it was: its folders by their stored names (made
            // again when missing), never over what stands there now, and no process is ended
            // for it. The stored copy goes only once the restored file holds the same bytes.
            foundation::FileProgress restoring(context, "Restoring", source);
            const platform::PlaceOutcome placed =
                stored && !source.empty()
                    ? platform::CopyFileToExactPlace(*stored, source, restoring.Sink())
                    : platform::PlaceOutcome::kFailed;
            if (placed == platform::PlaceOutcome::kPlaced) {
                const auto restoredFile = platform::IdentifyObject(source, platform::NameMatch::kExact);
                // Both are the program's own copies; a copy of a read-only file is read-only.
                if (restoredFile && SameContent(context, source, *stored, *restoredFile)) {
                    ok = true;
                    platform::DeleteFile(*stored, true);
                } else if (restoredFile) {
                    platform::DeleteFile(*restoredFile, true);  // our own incomplete copy
                }
            }
            if (!ok) problems.push_back(source + std::string(RestoreProblem(placed)));
        } else if (kind == 1) {
            const auto backup = StoredObject(folder, ExtractField(line, 7));
            if (backup && RestoreRegistryValue(backup->path)) {
                ok = true;
                platform::DeleteFile(*backup);
            } else {
                problems.push_back(cList1.Item(row).SubItem(kQColObject) +
                                   std::string(kRestoreValueFailed));
            }
        }
        if (ok) {
            cList1.SetSubItem(row, kQColStatus, std::string(kStatusRestored));
            ++restored;
            index.SetSorted(false);
            index.Set(lineIndex, "");
            ForgetStoredNames();
        } else {
            cList1.SetSubItem(row, kQColStatus, std::string(kStatusFailed));
        }
    }
    SaveIndex();
    if (!problems.empty()) {
        context.ui.Tell(foundation::HeadAndShortList(kRestoreFailedHead, problems, kRestoreFailuresShown),
                        foundation::kAppTitle, foundation::MessageIcon::Warning);
    }
    return restored > 0;
}

void QuarantineStore::ReloadDeletedView() {
    dList1.Clear();
    for (const auto& line : deleted.Lines()) {
        foundation::ListItem item;
        item.caption = ExtractField(line, 1);
        item.subItems = {ExtractField(line, 0)};
        dList1.Add(std::move(item));
    }
}

void QuarantineStore::ClearDeletedList() {
    deleted.Clear();
    dList1.Clear();
    platform::DeleteDataFile(foundation::GetDataFolder() + std::string(kDeletedListFile));
}

}  // namespace scourwell::quarantine
