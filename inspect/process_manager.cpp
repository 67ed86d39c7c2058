#include "inspect/process_manager.h"

#include <vector>

#include "foundation/data_folder.h"
#include "foundation/file_helpers.h"
#include "foundation/text.h"
#include "inspect/listed_file_quarantine.h"
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
    FileMap files;
    const std::string today = platform::FormatShortDate(context.ui.Now());
    for (const ProcessListEntry& process : processes) {
        if (!IsFullPath(process.text)) continue;
        // One lookup tells whether the file is present and which object it is: the actions
        // on the task act on that object.
        platform::FindEntry seenEntry;
        const auto identity =
            platform::IdentifyObject(process.text, platform::NameMatch::kAsTyped, seenEntry);
        if (!identity || seenEntry.IsDirectory()) continue;
        running.Add(process.text);
        files.try_emplace(foundation::ToLower(process.text), *identity);
        if (!seen.Has(process.text))
            seen.Add(process.text + "=;" + (firstRun ? std::string() : today) + ";");
    }
    if (!seen.Save(file)) throw foundation::IoError("Cannot write " + file);
    runningTasks = std::move(running);
    taskFiles_ = std::move(files);
    firstSeen = std::move(seen);
}

const platform::FileIdentity* ProcessManager::TaskFile(std::string_view path) const {
    const auto found = taskFiles_.find(foundation::ToLower(path));
    return found == taskFiles_.end() ? nullptr : &found->second;
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
    listedFiles_ = taskFiles_;
    std::vector<foundation::ListItem> items;
    items.reserve(runningTasks.Count());
    for (const std::string& path : runningTasks.Lines()) {
        foundation::ListItem item;
        item.caption = path;
        item.subItems = {FirstSeenDate(path)};
        items.push_back(std::move(item));
    }
    listView1.Assign(std::move(items));
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
    // The rows and their files as listed now: the deletes below let events run, and a
    // refresh may rebuild the list meanwhile.
    struct Task {
        std::string path;
        std::optional<platform::FileIdentity> file;
    };
    std::vector<Task> tasks;
    for (size_t i = 0; i < listView1.Count(); ++i) {
        if (!listView1.IsMarked(i)) continue;
        Task task{listView1.Item(i).caption, std::nullopt};
        const auto listed = listedFiles_.find(foundation::ToLower(task.path));
        if (listed != listedFiles_.end()) task.file = listed->second;
        tasks.push_back(std::move(task));
    }

    std::string report;
    for (const Task& task : tasks) {
        const std::string name = foundation::FileNamePart(task.path);
        switch (QuarantineListedFile(context, store, task.file, task.path)) {
            case ListedFileOutcome::Deleted:
                report += name + " - Task quarantined and deleted successfully\r";
                break;
            case ListedFileOutcome::NotDeleted:
                report += name + " - On reboot.\r";
                quarantine::RemoveAutorunReferences(store, *task.file);
                break;
            case ListedFileOutcome::NotCopied:
                // Without a copy in the quarantine the file is the user's only one: it stays.
                report += name + " - Cannot quarantine, not deleted.\r";
                break;
            case ListedFileOutcome::Replaced:
            case ListedFileOutcome::Gone:
                report += name + " - Changed since the list was built, left as it is.\r";
                break;
        }
    }
    context.ui.Tell("Task(s) quarantined successfully!\r\rReport:\r" + report);
}

}  // namespace scourwell::inspect
