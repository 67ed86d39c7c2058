#include "inspect/fileguard_report.h"

#include "foundation/file_helpers.h"
#include "foundation/text.h"
#include "inspect/listed_file_quarantine.h"
#include "inspect/suspicion_rules.h"
#include "platform/files.h"
#include "quarantine/registry_backup.h"
#include "quarantine/registry_quarantine.h"

namespace scourwell::inspect {
namespace {

std::string DeleteResultText(int code) {
    switch (code) {
        case quarantine::kValueDeleted:
            return "Registry value Quarantined and deleted successfully";
        case quarantine::kKeyDeleted:
            return "Registry key Quarantined and deleted successfully";
        case quarantine::kValueNotDeleted:
            return "Cannot delete registry value";
        case quarantine::kValueMissing:
            return "Registry value does not exists";
        case quarantine::kKeyMissing:
            return "Registry key does not exists";
        case quarantine::kKeyNotDeleted:
            return "Cannot delete registry key";
        default:
            return "Error raised";
    }
}

// Why a value could not be backed up: it or its key is gone, or it exists and stays.
std::string BackupFailureText(const quarantine::TsVir& record) {
    if (!record.root) return DeleteResultText(quarantine::kDeleteError);
    const auto key = platform::RegistryKey::Open(*record.root, record.key, false);
    if (!key) return DeleteResultText(quarantine::kKeyMissing);
    if (!key->ReadValue(record.valueName)) return DeleteResultText(quarantine::kValueMissing);
    return "Cannot backup registry data, value not deleted";
}

// Whether a value answers to the entry's name at all (names compared without regard to case).
bool ValuePresent(const FileGuardEntry& entry) {
    if (quarantine::RootKeyIndexName(entry.rootIndex).empty()) return false;
    const auto key = platform::RegistryKey::Open(
        quarantine::IndexToRootKey(entry.rootIndex, platform::RootKey::CurrentUser),
        entry.keyPath, false);
    return key && key->ReadValue(entry.valueName).has_value();
}

}  // namespace

std::string FileGuardEntry::Line() const {
    std::string line = std::to_string(kind) + ";" + path + ";" + std::to_string(row) + ";" + tag + ";";
    if (kind == 1)
        line += std::to_string(rootIndex) + ";" + keyPath + ";" + valueName + ";;;";
    return line;
}

FileGuardReport::FileGuardReport(foundation::ProgramContext& ctx, quarantine::QuarantineStore& st,
                                 ProcessManager& pm, StartupManager& sm)
    : context(ctx), store(st), processes(pm), startup(sm) {}

foundation::TextList FileGuardReport::EntryLines() const {
    foundation::TextList lines;
    for (const FileGuardEntry& entry : entries) lines.Add(entry.Line());
    return lines;
}

void FileGuardReport::Button9Click() {
    startup.RefreshStartupLists();
    context.ui.PumpEvents();
    processes.RefreshTaskLists();
    context.ui.PumpEvents();
    BuildFileGuardReport();
}

void FileGuardReport::BuildFileGuardReport() {
    listfg.Clear();
    entries.clear();
    const SuspicionContext rules = SuspicionContext::Current(context.ui.Now());
    const auto addRow = [this](const char* status, std::string object) {
        foundation::ListItem item;
        item.caption = status;
        item.subItems = {std::move(object)};
        return listfg.Add(std::move(item));
    };

    size_t pins = kMaxPinnedProcesses;
    for (const RunningTask& task : processes.tasks) {
        const std::string& path = task.path;
        if (!IsSuspicious(foundation::FileNamePart(path), foundation::FolderPart(path), path, rules))
            continue;
        FileGuardEntry entry;
        entry.path = path;
        entry.file = task.file;
        entry.processes = task.processes;
        pins = PinProcesses(entry.processes, pins);
        entry.row = addRow(kStatusActiveProcess, path);
        entry.tag = "ActiveProc";
        entries.push_back(std::move(entry));
    }

    for (const StartupValueRow& row : startup.startupValues) {
        const std::string path = row.ProgramPath();
        if (!IsSuspicious(row.fileName, row.folder, path, rules)) continue;
        FileGuardEntry value;
        value.kind = 1;
        value.path = path;
        value.row = addRow(kStatusRegistryValue, quarantine::RootKeyIndexName(row.rootIndex) +
                                                     "\\" + row.keyPath + "\\" + row.valueName);
        value.tag = "RegKey";
        value.rootIndex = row.rootIndex;
        value.keyPath = row.keyPath;
        value.valueName = row.valueName;
        value.valueType = row.type;
        value.data = row.data;
        entries.push_back(std::move(value));
        if (row.program) {
            FileGuardEntry file;
            file.path = path;
            file.file = row.program;
            file.row = addRow(kStatusFile, path);
            file.tag = "StartupF";
            entries.push_back(std::move(file));
        }
    }
}

void FileGuardReport::Button10Click() {
    if (!context.ui.AskYesNo("Do you wish to move selected object(s) in quarantine?")) return;
    // The selected rows and their entries as they are now: the deletes below let events run,
    // and a refresh meanwhile would give the rows other objects.
    struct Work {
        size_t row;
        FileGuardEntry entry;
    };
    std::vector<Work> work;
    for (size_t i = 0; i < listfg.Count(); ++i) {
        if (!listfg.Item(i).selected) continue;
        for (const FileGuardEntry& entry : entries) {
            if (entry.row == i) {
                work.push_back({i, entry});
                break;
            }
        }
    }
    const uint64_t layout = listfg.Layout();
    const size_t count = listfg.Count();

    for (const Work& item : work) {
        const FileGuardEntry& entry = item.entry;
        std::string text;
        const auto valueAsListed = [&entry] {
            return RegistryValueAsListed(entry.rootIndex, entry.keyPath, entry.valueName,
                                         entry.valueType, entry.data);
        };
        if (entry.kind == 0 && !entry.processes.empty() && entry.file &&
            !RunningTask{entry.path, *entry.file, entry.processes}.Unchanged()) {
            text = "Changed since the report was built, left as it is";
        } else if (entry.kind == 1 && !valueAsListed() && ValuePresent(entry)) {
            // Another value under the name (or the name respelled): not the one listed. A
            // missing value goes on to the backup, whose failure says so.
            text = "Changed since the report was built, left as it is";
        } else if (entry.kind == 0) {
            switch (QuarantineListedFile(context, store, entry.file, entry.path)) {
                case ListedFileOutcome::Deleted:
                    text = "File quarantined and deleted successfully";
                    break;
                case ListedFileOutcome::NotDeleted:
                    text = "On reboot.";
                    quarantine::RemoveAutorunReferences(store, *entry.file);
                    break;
                case ListedFileOutcome::NotCopied:
                    text = "Cannot quarantine file, not deleted";
                    break;
                case ListedFileOutcome::Replaced:
                case ListedFileOutcome::Gone:
                    text = "Changed since the report was built, left as it is";
                    break;
            }
        } else {
            quarantine::TsVir value;
            value.object = entry.path;
            if (!quarantine::RootKeyIndexName(entry.rootIndex).empty())
                value.root = quarantine::IndexToRootKey(entry.rootIndex, platform::RootKey::CurrentUser);
            value.key = entry.keyPath;
            value.valueName = entry.valueName;
            const auto backup =
                quarantine::QuarantineObject(store, quarantine::kObjectRegistryValue, value);
            if (backup != quarantine::QuarantineOutcome::Quarantined) {
                text = BackupFailureText(value);
            } else if (!valueAsListed()) {  // changed while the backup was made
                text = "Changed since the report was built, left as it is";
            } else {
                text = DeleteResultText(quarantine::DeleteRegistryObject(value));
            }
        }
        // Rows rebuilt while events ran show other objects now: their texts are left alone.
        if (listfg.Layout() == layout && listfg.Count() == count) listfg.SetCaption(item.row, text);
    }

    if (context.ui.AskYesNo("Done, do you wish to refresh fGuard report list?")) Button9Click();
}

}  // namespace scourwell::inspect
