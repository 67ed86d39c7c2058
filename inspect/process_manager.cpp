#include "inspect/process_manager.h"

#include <vector>

#include "foundation/data_folder.h"
#include "foundation/file_helpers.h"
#include "foundation/text.h"
#include "inspect/process_list.h"
#include "inspect/recent_object.h"
#include "platform/system_info.h"
#include "quarantine/registry_quarantine.h"

namespace scourwell::inspect {
namespace {

// A full Windows path ("C:\..."). A bare name would be looked up in the current folder and
// could name an unrelated file there.
bool IsFullPath(std::string_view text) {
    return text.size() > 3 && text[1] == ':' && text[2] == '\\';
}

}  // namespace

ProcessManager::ProcessManager(foundation::ProgramContext& ctx, quarantine::QuarantineStore& st)
    : context(ctx), store(st) {
    listView1.SetColourRule([this](const foundation::ListItem& item) -> std::optional<uint32_t> {
        if (recent_.count(foundation::ToLower(item.caption)))
            return foundation::kColourInfoBackground;
        if (item.checked) return foundation::kColourCheckedBlue;
        return std::nullopt;
    });
}

void ProcessManager::RefreshTaskLists() {
    const std::string file = foundation::GetDataFolder() + std::string(kProcessFirstSeenFile);
    FirstSeenList seen = firstSeen;
    if (!seen.LoadIfPresent(file)) throw foundation::IoError("Cannot read " + file);
    const bool firstRun = seen.Empty();

    std::vector<ProcessListEntry> processes;
    ListProcesses(processes, true);
    foundation::TextList running(true, true);
    const std::string today = platform::FormatShortDate(context.ui.Now());
    for (const ProcessListEntry& process : processes) {
        if (!IsFullPath(process.text) || !foundation::FilePresent(process.text)) continue;
        running.Add(process.text);
        if (!seen.Has(process.text))
            seen.Add(process.text + "=;" + (firstRun ? std::string() : today) + ";");
    }
    if (!seen.Save(file)) throw foundation::IoError("Cannot write " + file);
    runningTasks = std::move(running);
    firstSeen = std::move(seen);
}

std::string ProcessManager::FirstSeenDate(std::string_view path) const {
    return firstSeen.DateOf(path).value_or("");
}

void ProcessManager::Button7Click() {
    RefreshTaskLists();
    // Newness is judged once per refresh, not on every repaint.
    const auto now = context.ui.Now();
    recent_.clear();
    for (const std::string& path : runningTasks.Lines()) {
        if (IsRecentObject(path, FirstSeenDate(path), kRecentDays, now))
            recent_.insert(foundation::ToLower(path));
    }
    listView1.Clear();
    for (const std::string& path : runningTasks.Lines()) {
        foundation::ListItem item;
        item.caption = path;
        item.subItems = {FirstSeenDate(path)};
        listView1.Add(std::move(item));
    }
}

void ProcessManager::Button8Click() {
    RefreshTaskLists();
    // What the user marked, read before anything ends.
    std::vector<std::string> names;
    for (const foundation::ListItem& item : listView1.Items()) {
        const std::string name = foundation::FileNamePart(item.caption);
        if (item.selected) names.push_back(name);
        if (item.checked) names.push_back(name);
    }
    for (const std::string& name : names) foundation::KillProcessesByName(name);
    Button7Click();
}

void ProcessManager::Button20Click() {
    if (!context.ui.AskYesNo("Do you wish to move selected tasks(s) to quarantine?")) return;
    // The paths as listed now: the deletes below let events run, and a refresh may rebuild
    // the list meanwhile.
    std::vector<std::string> paths;
    for (size_t i = 0; i < listView1.Count(); ++i)
        if (listView1.IsMarked(i)) paths.push_back(listView1.Item(i).caption);

    std::string report;
    for (const std::string& path : paths) {
        const std::string name = foundation::FileNamePart(path);
        quarantine::TsVir record;
        record.object = path;
        record.size = static_cast<int32_t>(foundation::GetFileSizeBytes(path));
        const auto outcome = quarantine::QuarantineObject(store, quarantine::kObjectFile, record);
        if (outcome != quarantine::QuarantineOutcome::Quarantined) {
            // Without a copy in the quarantine the file is the user's only one: it stays.
            report += name + " - Cannot quarantine, not deleted.\r";
        } else if (foundation::ForceDeleteFile(context, path)) {
            report += name + " - Task quarantined and deleted successfully\r";
        } else {
            report += name + " - On reboot.\r";
            quarantine::RemoveAutorunReferences(path);
        }
    }
    context.ui.Tell("Task(s) quarantined successfully!\r\rReport:\r" + report);
}

}  // namespace scourwell::inspect
