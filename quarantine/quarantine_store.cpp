#include "quarantine/quarantine_store.h"

#include "database/signature_database.h"
#include "foundation/data_folder.h"
#include "foundation/file_helpers.h"
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

std::string StoredPath(const std::string& storedName) {
    return QuarantineFolderPath() + "\\" + storedName;
}

// "~n" before the extension of the source file's name; at the end when it has none.
std::string NameVariant(const std::string& flattened, std::string_view sourcePath, int n) {
    if (n <= 1) return flattened;
    std::string suffix = "~" + std::to_string(n);
    std::string fileName = foundation::FileNamePart(sourcePath);
    size_t dot = fileName.rfind('.');
    if (dot != std::string::npos && dot > 0) {
        std::string extension = fileName.substr(dot);
        if (foundation::EndsWith(flattened, extension)) {
            std::string variant = flattened;
            variant.insert(flattened.size() - extension.size(), suffix);
            return variant;
        }
    }
    return flattened + suffix;
}

// Two files hold the same bytes: same size and same digest, both readable.
bool SameContent(std::string_view a, std::string_view b) {
    auto infoA = platform::GetFileInfo(a);
    auto infoB = platform::GetFileInfo(b);
    if (!infoA || !infoB || infoA->size != infoB->size) return false;
    if (!platform::CanOpenForRead(a) || !platform::CanOpenForRead(b)) return false;
    return database::FileDigest(a) == database::FileDigest(b);
}

// Adds every line of a data-folder file to `list` (sorted, duplicates ignored).
void LoadInto(foundation::TextList& list, const std::string& path) {
    list.SetIgnoreDuplicates(true);
    list.SetSorted(true);
    if (!platform::FileExists(path)) return;
    foundation::TextList loaded;
    if (!loaded.LoadFromFile(path)) return;
    list.Clear();
    for (const auto& line : loaded.Lines()) list.Add(line);
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

bool FolderCopyReport::WasCopied(std::string_view path) const {
    return copiedLower.count(foundation::ToLower(path)) != 0;
}

QuarantineStore::QuarantineStore(foundation::ProgramContext& ctx)
    : context(ctx),
      cList1({"Time", "Status", "Detected", "Object"}, true),
      dList1({"Time", "Object"}, false) {}

std::string QuarantineStore::NowText() const {
    return EntryTimeText(context.ui.Now());
}

void QuarantineStore::SaveIndex() {
    index.SaveToFile(foundation::GetDataFolder() + std::string(kQuarantineListFile));
}

void QuarantineStore::LoadAtStartup() {
    std::string dataFolder = foundation::GetDataFolder();
    LoadInto(index, dataFolder + std::string(kQuarantineListFile));
    LoadInto(deleted, dataFolder + std::string(kDeletedListFile));
}

bool QuarantineStore::EnsureQuarantineFolder() {
    std::string folder = QuarantineFolderPath();
    if (platform::DirectoryExists(folder)) return true;
    return platform::CreateDirectory(folder) || platform::DirectoryExists(folder);
}

std::string QuarantineStore::StoredNameFor(std::string_view path) const {
    const std::string flattened = FlattenedName(path);
    for (int n = 1;; ++n) {
        std::string candidate = NameVariant(flattened, path, n);
        bool takenByOther = false;
        for (const auto& line : index.Lines()) {
            long long kind = LineKind(line);
            if (kind == 0) {
                if (EqualsIgnoreCase(ExtractField(line, 6), candidate) &&
                    !EqualsIgnoreCase(ExtractField(line, 2), path)) {
                    takenByOther = true;
                    break;
                }
            } else if (kind == 1) {
                if (EqualsIgnoreCase(ExtractField(line, 7), candidate)) {
                    takenByOther = true;
                    break;
                }
            }
        }
        if (!takenByOther) return candidate;
    }
}

void QuarantineStore::AddEntryLine(std::string line) {
    index.SetSorted(true);
    index.Add(std::move(line));
}

bool QuarantineStore::CopyIntoQuarantine(std::string_view source, std::string& storedName) {
    // A path with ";" cannot be written into a record line without shifting its fields, and a
    // shifted line could later restore to another place: such a file is not taken.
    if (source.find(';') != std::string_view::npos) return false;
    if (!EnsureQuarantineFolder()) return false;
    storedName = StoredNameFor(source);
    return platform::CopyFile(source, StoredPath(storedName), false);
}

bool QuarantineStore::QuarantineFile(std::string_view path) {
    index.SetSorted(true);
    if (!platform::FileExists(path)) return false;
    std::string storedName;
    if (!CopyIntoQuarantine(path, storedName)) return false;
    std::string line = NowText();
    line += ";0;";
    line += path;
    line += ";;";
    line += database::FileDigest(path);
    line += ";";
    line += std::to_string(foundation::GetFileSizeBytes(path));
    line += ";";
    line += storedName;
    line += ";";
    AddEntryLine(std::move(line));
    RefreshQuarantineView();
    return true;
}

void QuarantineStore::QuarantineFolder(std::string_view folderPath, std::string_view detected,
                                       std::string_view mask, FolderCopyReport* report) {
    index.SetSorted(true);
    const std::string folder = foundation::WithTrailingBackslash(folderPath);
    const std::string quarantineFolder = QuarantineFolderPath();
    platform::DirectoryListing listing(folder + std::string(mask));
    platform::FindEntry entry;
    while (listing.Next(entry)) {
        context.ui.PumpEvents();
        if (context.abortRequested) break;
        const std::string fullPath = folder + entry.name;
        if (entry.IsDirectory()) {
            // Never copy the quarantine into itself.
            if (EqualsIgnoreCase(fullPath, quarantineFolder)) continue;
            QuarantineFolder(fullPath, detected, mask, report);
            continue;
        }
        context.status.Set(fullPath);
        std::string storedName;
        if (!CopyIntoQuarantine(fullPath, storedName)) {
            if (report) report->failed.push_back(fullPath);
            continue;
        }
        std::string line = NowText();
        line += ";0;";
        line += fullPath;
        line += ";";
        line += detected;
        line += ";";
        line += database::FileDigest(fullPath);
        line += ";";
        line += std::to_string(entry.size);
        line += ";";
        line += storedName;
        line += ";";
        AddEntryLine(std::move(line));
        if (report) {
            report->copied.push_back(fullPath);
            report->copiedLower.insert(foundation::ToLower(fullPath));
        }
    }
    RefreshQuarantineView();
}

void QuarantineStore::RefreshQuarantineView() {
    cList1.Clear();
    const std::string folder = QuarantineFolderPath();
    for (size_t i = index.Count(); i-- > 0;) {
        const std::string& line = index[i];
        bool drop = line.empty();
        long long kind = LineKind(line);
        if (kind == 0) drop = !platform::FileExists(folder + "\\" + ExtractField(line, 6));
        if (kind == 1) drop = !platform::FileExists(folder + "\\" + ExtractField(line, 7));
        if (drop) index.Remove(i);
    }
    rowLines_.clear();
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
        rowLines_.push_back(i);
    }
    SaveIndex();
}

bool QuarantineStore::ClearQuarantine() {
    const std::string folder = QuarantineFolderPath();
    const std::string now = NowText();
    int removedFiles = 0;
    for (size_t i = 0; i < index.Count(); ++i) {
        const std::string& line = index[i];
        // Blank lines are entries restored since the last refresh.
        if (line.empty()) continue;
        long long kind = 0;
        if (!foundation::ParseInt64(ExtractField(line, 1), kind)) return false;
        if (kind == 0) {
            platform::DeleteFile(folder + "\\" + ExtractField(line, 6));
            deleted.Add(ExtractField(line, 2) + ";" + now + ";");
            ++removedFiles;
        } else if (kind == 1) {
            platform::DeleteFile(folder + "\\" + ExtractField(line, 7));
        }
    }
    const std::string dataFolder = foundation::GetDataFolder();
    index.Clear();
    platform::DeleteFile(dataFolder + std::string(kQuarantineListFile));
    deleted.SaveToFile(dataFolder + std::string(kDeletedListFile));
    RefreshQuarantineView();
    return removedFiles > 0;
}

bool QuarantineStore::RestoreQuarantined() {
    const std::string folder = QuarantineFolderPath();
    int restored = 0;
    for (size_t row = 0; row < cList1.Count(); ++row) {
        context.ui.PumpEvents();
        // The view may have been rebuilt while events ran.
        if (row >= cList1.Count() || row >= rowLines_.size()) break;
        const size_t lineIndex = rowLines_[row];
        if (lineIndex >= index.Count()) continue;
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
            const std::string stored = folder + "\\" + ExtractField(line, 6);
            // Only a program running from this very path is ended, not namesakes elsewhere.
            foundation::KillProcessesByName(source);
            const std::string target = foundation::FolderPart(source);
            bool folderReady = target.empty() || platform::DirectoryExists(target) ||
                               platform::CreateDirectoryChain(target);
            // Never replace a file: the copy fails when the place is taken. The stored copy
            // goes only once the restored file is known to hold the same bytes.
            if (folderReady && !source.empty() && platform::FileExists(stored) &&
                platform::CopyFile(stored, source, true)) {
                if (SameContent(stored, source)) {
                    ok = true;
                    platform::DeleteFile(stored);
                } else {
                    platform::DeleteFile(source);  // our own incomplete copy
                }
            }
        } else if (kind == 1) {
            const std::string backup = folder + "\\" + ExtractField(line, 7);
            if (RestoreRegistryValue(backup)) {
                ok = true;
                platform::DeleteFile(backup);
            }
        }
        if (ok) {
            cList1.SetSubItem(row, kQColStatus, std::string(kStatusRestored));
            ++restored;
            index.SetSorted(false);
            index.Set(lineIndex, "");
        } else {
            cList1.SetSubItem(row, kQColStatus, std::string(kStatusFailed));
        }
    }
    SaveIndex();
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
    platform::DeleteFile(foundation::GetDataFolder() + std::string(kDeletedListFile));
}

}  // namespace scourwell::quarantine
