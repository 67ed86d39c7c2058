#include "quarantine/registry_quarantine.h"

#include <cstdlib>

#include "database/autorun_keys.h"
#include "foundation/data_folder.h"
#include "foundation/file_helpers.h"
#include "foundation/path_expansion.h"
#include "foundation/system_folders.h"
#include "foundation/record_lines.h"
#include "foundation/text.h"
#include "platform/files.h"
#include "quarantine/registry_backup.h"

namespace scourwell::quarantine {
namespace {

using foundation::ExtractField;

int32_t ToInt32(const std::string& text) {
    long long value = 0;
    if (!foundation::ParseInt64(text, value) || value < INT32_MIN || value > INT32_MAX) return -1;
    return static_cast<int32_t>(value);
}

std::optional<platform::RootKey> RootOfIndex(const std::string& text) {
    long long index = -1;
    if (!foundation::ParseInt64(text, index) || RootKeyIndexName(index).empty())
        return std::nullopt;
    return IndexToRootKey(index, platform::RootKey::CurrentUser);
}

// The base of a backup's stored name: the value name with every character that could leave
// the quarantine folder or break an index line replaced.
std::string BackupBaseName(std::string_view valueName) {
    std::string base;
    for (char c : valueName.substr(0, 64)) {
        const bool unsafe = static_cast<unsigned char>(c) < 0x20 ||
                            std::string_view("\\/:*?\"<>|;").find(c) != std::string_view::npos;
        base += unsafe ? '_' : c;
    }
    if (base.empty()) return "(Default)";
    if (base.find_first_not_of('.') == std::string::npos) return std::string(base.size(), '_');
    return base;
}

QuarantineOutcome BackUpValue(QuarantineStore& store, const TsVir& record) {
    const std::string shown = record.key + "\\" + record.valueName;
    bool ok = false;
    // The key and the name go into one field of one index line each.
    if (record.root && FitsInRecordField(record.key) && FitsInRecordField(record.valueName) &&
        FitsInRecordField(record.detected)) {
        const std::string stored = store.FreeStoredName(BackupBaseName(record.valueName));
        const std::string file = QuarantineFolderPath() + "\\" + stored;
        ok = BackupRegistryValue(*record.root, record.key, record.valueName, file);
        if (ok) {
            store.AddEntryLine(EntryTimeText(store.context.ui.Now()) + ";1;;" + record.detected +
                               ";" + std::to_string(RootKeyToIndex(*record.root)) + ";" +
                               record.key + ";" + record.valueName + ";" + stored + ";");
        } else {
            // A value of another type leaves a partial file that no entry names.
            platform::DeleteDataFile(file);
        }
    }
    if (!ok) {
        store.context.ui.Tell("Cannot backup registry data.\r" + shown, "Error",
                              foundation::MessageIcon::Error);
    }
    return ok ? QuarantineOutcome::Quarantined : QuarantineOutcome::Failed;
}

bool IsCommandLine(const platform::RegistryValue& value) {
    return value.type == platform::ValueType::String ||
           value.type == platform::ValueType::ExpandString;
}

// `text` with every `from` replaced by `to`, `from` found without regard to (ASCII) case.
std::string ReplaceIgnoringCase(const std::string& text, std::string_view from,
                                std::string_view to) {
    const std::string lower = foundation::ToLower(text);
    const std::string lowerFrom = foundation::ToLower(from);
    std::string out;
    size_t start = 0;
    for (size_t hit; (hit = lower.find(lowerFrom, start)) != std::string::npos;
         start = hit + lowerFrom.size()) {
        out.append(text, start, hit - start);
        out.append(to);
    }
    out.append(text, start, std::string::npos);
    return out;
}

// The program part of a command line with its letters as written. The path expansion gives it
// lower-cased; looked up so, a name in a folder that also holds a case variant of it could
// lead to the twin instead of the file the command line names. The expansion's folder prefix
// and the cut of the (variable-replaced, unquoted) text are found again in the text as
// written; when that fails, the expansion itself is used.
std::string ProgramAsWritten(const std::string& data, const std::string& expanded) {
    const std::string system = foundation::GetSystemDir();
    const std::string windows = foundation::GetWindowsDir();
    std::string text = data;
    text = ReplaceIgnoringCase(text, "%systemroot%", system);
    text = ReplaceIgnoringCase(text, "%systemdir%", system);
    text = ReplaceIgnoringCase(text, "%windir%", windows);
    text = ReplaceIgnoringCase(text, "%winroot%", windows);
    text = foundation::ReplaceAll(text, "\"", "");
    const std::string lowerText = foundation::ToLower(text);
    const std::string prefixes[] = {"", system + "\\", windows + "\\",
                                    windows + "\\" + system + "\\"};
    for (const std::string& prefix : prefixes) {
        if (!foundation::StartsWith(expanded, foundation::ToLower(prefix))) continue;
        const std::string rest = expanded.substr(prefix.size());
        if (rest.empty()) continue;
        const size_t at = lowerText.find(rest);
        if (at != std::string::npos) return prefix + text.substr(at, rest.size());
    }
    return expanded;
}

// A command line names the file when its program part, expanded as the Startup Manager
// expands it, leads to that very object (device and inode).
bool NamesFile(const std::string& data, const platform::FileIdentity& file) {
    const std::string expanded =
        foundation::TrimTrailingBlanks(foundation::ExpandPathVariables(data));
    if (expanded.empty()) return false;
    const auto named = platform::IdentifyObject(ProgramAsWritten(data, expanded));
    return named && named->device == file.device && named->inode == file.inode;
}

}  // namespace

long long ObjectLineKind(std::string_view line) {
    long long kind = -1;
    if (!foundation::ParseInt64(ExtractField(line, 1), kind)) return -1;
    return kind;
}

void ParseObjectLine(std::string_view line, TsVir& record) {
    record.isKey = false;
    const long long kind = ObjectLineKind(line);
    if (kind != kObjectFile && kind != kObjectRegistryValue && kind != kObjectRegistryKey) return;
    record.object = ExtractField(line, 2);
    record.detected = ExtractField(line, 3);
    if (kind == kObjectFile) {
        record.digest = ExtractField(line, 4);
        record.size = ToInt32(ExtractField(line, 5));
    } else if (kind == kObjectRegistryValue) {
        record.root = RootOfIndex(ExtractField(line, 4));
        record.key = ExtractField(line, 5);
        record.valueName = ExtractField(line, 6);
        record.valueType = ExtractField(line, 7);
        const std::string data = ExtractField(line, 8);
        if (record.valueType == "int") {
            record.intData = ToInt32(data);
        } else if (record.valueType == "str") {
            record.textData = data;
        } else if (record.valueType == "bool") {
            if (data == "0") record.boolData = false;
            if (data == "1") record.boolData = true;
        } else if (record.valueType == "ext") {
            char* end = nullptr;
            const long double value = data.empty() ? 0 : std::strtold(data.c_str(), &end);
            record.floatData = (data.empty() || *end != '\0') ? -1.0L : value;
        }
    } else {
        record.isKey = true;
    }
}

QuarantineOutcome QuarantineObject(QuarantineStore& store, long long kind, const TsVir& record) {
    store.index.SetSorted(true);
    if (!store.EnsureQuarantineFolder())
        throw foundation::IoError("Cannot create the folder " + QuarantineFolderPath());
    QuarantineOutcome outcome = QuarantineOutcome::NotTaken;
    if (kind == kObjectFile && !record.object.empty()) {
        // The file's copy, digest and size go into the index as for every quarantined file.
        const bool copied = record.file ? store.QuarantineFile(record.file->path, *record.file)
                                        : store.QuarantineFile(record.object);
        outcome = copied ? QuarantineOutcome::Quarantined : QuarantineOutcome::Failed;
    } else if (kind == kObjectRegistryValue && !record.key.empty() && !record.isKey) {
        outcome = BackUpValue(store, record);
    }
    store.RefreshQuarantineView();
    return outcome;
}

QuarantineOutcome QuarantineObject(QuarantineStore& store, std::string_view line) {
    TsVir record;
    ParseObjectLine(line, record);
    return QuarantineObject(store, ObjectLineKind(line), record);
}

int DeleteRegistryObject(const TsVir& record) {
    try {
        if (!record.root || record.key.empty()) return kDeleteError;
        if (record.isKey) {
            if (!platform::RegistryKeyExists(*record.root, record.key)) return kKeyMissing;
            return platform::DeleteRegistryKeyTree(*record.root, record.key) ? kKeyDeleted
                                                                             : kKeyNotDeleted;
        }
        auto key = platform::RegistryKey::Open(*record.root, record.key, false);
        if (!key) return kKeyMissing;
        if (!key->ReadValue(record.valueName)) return kValueMissing;
        return key->DeleteValue(record.valueName) ? kValueDeleted : kValueNotDeleted;
    } catch (...) {
        return kDeleteError;
    }
}

bool RemoveAutorunReferences(QuarantineStore& store, const platform::FileIdentity& file) {
    if (!file.IsKnown() || !store.EnsureQuarantineFolder()) return false;
    bool deleted = false;
    try {
        const auto keys = database::ReadAutorunKeys(database::AutorunKeyFilePath());
        if (!keys) return false;
        for (const database::AutorunKey& entry : keys->keys) {
            if (RootKeyIndexName(entry.rootIndex).empty()) continue;
            const platform::RootKey root =
                IndexToRootKey(entry.rootIndex, platform::RootKey::CurrentUser);
            auto key = platform::RegistryKey::Open(root, entry.keyPath, false);
            if (!key) continue;
            for (const std::string& name : key->ValueNames()) {
                const auto value = key->ReadValue(name);
                if (!value || !IsCommandLine(*value) || !NamesFile(value->data, file)) continue;
                // Backed up first, and deleted only while it still reads as backed up: a value
                // without a backup, or one changed meanwhile, stays.
                TsVir record;
                record.root = root;
                record.key = entry.keyPath;
                record.valueName = name;
                if (BackUpValue(store, record) != QuarantineOutcome::Quarantined) continue;
                const auto now = key->ReadValue(name);
                if (now && now->type == value->type && now->data == value->data &&
                    key->DeleteValue(name))
                    deleted = true;
            }
        }
    } catch (...) {
        // Ends quietly; what was deleted so far stays deleted, with its backup.
    }
    store.RefreshQuarantineView();
    return deleted;
}

}  // namespace scourwell::quarantine
