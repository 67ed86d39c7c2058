#include "inspect/startup_manager.h"

#include <algorithm>
#include <exception>
#include <stdexcept>

#include "database/autorun_keys.h"
#include "foundation/data_folder.h"
#include "foundation/file_helpers.h"
#include "foundation/path_expansion.h"
#include "foundation/text.h"
#include "inspect/listed_file_quarantine.h"
#include "inspect/recent_object.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "platform/system_info.h"
#include "quarantine/registry_backup.h"
#include "quarantine/registry_quarantine.h"
#include "scan/walk_pacing.h"

namespace scourwell::inspect {
namespace {

bool IsText(const platform::RegistryValue& value) {
    return value.type == platform::ValueType::String ||
           value.type == platform::ValueType::ExpandString;
}

quarantine::TsVir RecordOf(const StartupValueRow& row) {
    quarantine::TsVir record;
    record.object = row.ProgramPath();
    if (!quarantine::RootKeyIndexName(row.rootIndex).empty())
        record.root = quarantine::IndexToRootKey(row.rootIndex, platform::RootKey::CurrentUser);
    record.key = row.keyPath;
    record.valueName = row.valueName;
    return record;
}

}  // namespace

bool RegistryValueAsListed(long long rootIndex, std::string_view keyPath,
                           std::string_view valueName, platform::ValueType type,
                           std::string_view data) {
    if (quarantine::RootKeyIndexName(rootIndex).empty()) return false;
    const auto key = platform::RegistryKey::Open(
        quarantine::IndexToRootKey(rootIndex, platform::RootKey::CurrentUser), keyPath, false);
    if (!key) return false;
    const std::vector<std::string> names = key->ValueNames();
    if (std::find(names.begin(), names.end(), valueName) == names.end()) return false;
    const auto value = key->ReadValue(valueName);
    return value && value->type == type && value->data == data;
}

bool RegistryValueAsListed(const StartupValueRow& row) {
    return RegistryValueAsListed(row.rootIndex, row.keyPath, row.valueName, row.type, row.data);
}

std::string StartupValueRow::Text() const {
    return fileName + "=;" + folder + ";" + std::to_string(rootIndex) + ";" + keyPath + ";" +
           valueName + ";str;" + data + ";";
}

StartupManager::StartupManager(foundation::ProgramContext& ctx, quarantine::QuarantineStore& st)
    : context(ctx), store(st) {
    listView2.SetColourRule([this](const foundation::ListItem& item) -> std::optional<uint32_t> {
        if (recent_.count(foundation::ToLower(item.caption)))
            return foundation::kColourInfoBackground;
        if (item.checked) return foundation::kColourCheckedBlue;
        return std::nullopt;
    });
}

void StartupManager::RefreshStartupLists() {
    // A refresh started by a button while this one lets events run finds the lists as they are.
    if (refreshing_) return;
    refreshing_ = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{refreshing_};

    const std::string file = foundation::GetDataFolder() + std::string(kStartupFirstSeenFile);
    FirstSeenList seen;
    if (!seen.LoadIfPresent(file)) throw foundation::IoError("Cannot read " + file);
    const bool firstRun = seen.Empty();
    std::vector<StartupValueRow> rows;
    // Events run between the steps as well as now and then between values: each step over
    // thousands of values takes a while.
    scan::WalkPacer pacer(context, scan::WalkPacing{});
    pacer.Pump();

    // Thousands of command lines name programs in a few folders: each folder is looked at once.
    foundation::PathExpansionMemory seenOnDisk;
    const auto keys = database::ReadAutorunKeys(database::AutorunKeyFilePath());
    const std::string today = platform::FormatShortDate(context.ui.Now());
    for (const database::AutorunKey& entry : keys ? keys->keys : std::vector<database::AutorunKey>{}) {
        // An index outside the five roots names no key.
        if (quarantine::RootKeyIndexName(entry.rootIndex).empty()) continue;
        const auto key = platform::RegistryKey::Open(
            quarantine::IndexToRootKey(entry.rootIndex, platform::RootKey::CurrentUser),
            entry.keyPath, false);
        if (!key) continue;
        const std::vector<std::string> names = key->ValueNames();
        pacer.Pump();
        for (const std::string& name : names) {
            if (pacer.Due()) pacer.Pump();
            const auto value = key->ReadValue(name);
            if (!value || !IsText(*value)) continue;
            std::string program = foundation::ExpandPathVariables(value->data, &seenOnDisk);
            if (program.empty()) program = value->data;
            program = foundation::TrimTrailingBlanks(program);
            if (program.empty()) continue;
            StartupValueRow row;
            row.fileName = foundation::FileNamePart(program);
            row.folder = foundation::FolderPart(program);
            row.rootIndex = entry.rootIndex;
            row.keyPath = entry.keyPath;
            row.valueName = name;
            row.data = value->data;
            row.type = value->type;
            platform::FindEntry seenEntry;
            row.program =
                platform::IdentifyObject(program, platform::NameMatch::kAsTyped, seenEntry);
            if (row.program) {
                row.programWritten = seenEntry.lastWriteUnix;
                if (seenEntry.IsDirectory()) row.program.reset();
            }
            if (!seen.Has(row.fileName))
                seen.Add(row.Text() + (firstRun ? std::string() : today) + ";");
            rows.push_back(std::move(row));
        }
    }

    pacer.Pump();
    std::vector<std::string> texts;
    std::vector<size_t> order(rows.size());
    texts.reserve(rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        texts.push_back(rows[i].Text());
        order[i] = i;
    }
    std::stable_sort(order.begin(), order.end(), [&texts](size_t a, size_t b) {
        return foundation::CompareIgnoreCase(texts[a], texts[b]) < 0;
    });
    std::vector<StartupValueRow> sorted;
    sorted.reserve(rows.size());
    for (size_t k = 0; k < order.size(); ++k) {
        if (k > 0 && foundation::EqualsIgnoreCase(texts[order[k]], texts[order[k - 1]])) continue;
        sorted.push_back(std::move(rows[order[k]]));
    }
    pacer.Pump();
    startupValues = std::move(sorted);
    // A "regk.dat" that cannot be written is left as it was.
    if (keys && keys->complete) seen.Save(file);
    firstSeen = std::move(seen);
    pacer.Pump();
}

std::string StartupManager::FirstSeenDate(std::string_view fileName) const {
    return firstSeen.DateOf(fileName).value_or("");
}

void StartupManager::Button4Click() {
    RefreshStartupLists();
    // The list is built in one go from the rows as they stand once events have run.
    context.ui.PumpEvents();
    const auto now = context.ui.Now();
    std::unordered_set<std::string> recent;
    std::vector<foundation::ListItem> items;
    items.reserve(startupValues.size());
    for (const StartupValueRow& row : startupValues) {
        foundation::ListItem item;
        item.caption = row.ProgramPath();
        std::string date = FirstSeenDate(row.fileName);
        if (IsRecentObject(row.programWritten, date, kRecentDays, now))
            recent.insert(foundation::ToLower(item.caption));
        item.subItems = {std::move(date)};
        items.push_back(std::move(item));
    }
    recent_ = std::move(recent);
    // The items and their rows are replaced together: other pages rebuild startupValues
    // without touching these items.
    listView2.Assign(std::move(items));
    listedRows_ = startupValues;
    listedLayout_ = listView2.Layout();
}

std::vector<StartupValueRow> StartupManager::MarkedRows() const {
    std::vector<StartupValueRow> rows;
    // Item i shows listed row i; items put there or removed by another hand have no rows.
    if (listView2.Layout() != listedLayout_ || listView2.Count() != listedRows_.size())
        throw std::out_of_range("the start-up items are not the listed rows");
    for (size_t i = 0; i < listView2.Count(); ++i) {
        if (listView2.IsMarked(i)) rows.push_back(listedRows_[i]);
    }
    return rows;
}

void StartupManager::Button6Click() {
    try {
        for (const StartupValueRow& row : MarkedRows()) {
            if (RegistryValueAsListed(row)) quarantine::DeleteRegistryObject(RecordOf(row));
        }
    } catch (const std::exception&) {
        context.ui.Tell("Registry value error!", "Error", foundation::MessageIcon::Error);
        return;
    }
    Button4Click();
}

void StartupManager::Button18Click() {
    if (!context.ui.AskYesNo("Do you wish to move selected object(s) in quarantine?")) return;
    std::string report;
    try {
        // The rows as listed now: the deletes below let events run.
        for (const StartupValueRow& row : MarkedRows()) {
            if (!RegistryValueAsListed(row)) {
                report += row.fileName + " - Changed since the list was built, left as it is.\r";
                continue;
            }
            const quarantine::TsVir value = RecordOf(row);
            // The value is backed up before the program is deleted: when the program cannot
            // be deleted, the autorun values naming it go, and this one must not go unsaved.
            const auto backup =
                quarantine::QuarantineObject(store, quarantine::kObjectRegistryValue, value);

            const std::string program = row.ProgramPath();
            bool removeReferences = false;
            switch (QuarantineListedFile(context, store, row.program, program)) {
                case ListedFileOutcome::Deleted:
                    report += row.fileName + " - Object quarantined and deleted successfully\r";
                    break;
                case ListedFileOutcome::NotDeleted:
                    report += row.fileName + " - On reboot.\r";
                    removeReferences = backup == quarantine::QuarantineOutcome::Quarantined;
                    break;
                case ListedFileOutcome::NotCopied:
                    report += row.fileName + " - Cannot quarantine, not deleted.\r";
                    break;
                case ListedFileOutcome::Replaced:
                    report += row.fileName + " - Changed since the list was built, left as it is.\r";
                    break;
                case ListedFileOutcome::Gone:
                    break;  // a missing program: only its value goes
            }

            // The program's quarantine let events run: the value is checked again.
            if (backup != quarantine::QuarantineOutcome::Quarantined) {
                report += row.valueName + " - Cannot backup registry data, value not deleted.\r";
            } else if (RegistryValueAsListed(row)) {
                quarantine::DeleteRegistryObject(value);
                // The other values that start the program go too, each with a backup of its
                // own; this row's value, backed up above, is gone by now.
                if (removeReferences) quarantine::RemoveAutorunReferences(store, *row.program);
            } else {
                report += row.valueName + " - Changed since the list was built, left as it is.\r";
            }
        }
        Button4Click();
    } catch (const std::exception&) {
        context.ui.Tell("Registry value error!", "Error", foundation::MessageIcon::Error);
        return;
    }
    context.ui.Tell("Task(s) quarantined successfully!\r\rReport:\r" + report);
}

}  // namespace scourwell::inspect
