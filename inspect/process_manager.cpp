#include "inspect/process_manager.h"

#include <algorithm>
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

size_t PinProcesses(std::vector<platform::ProcessEntry>& processes, size_t budget) {
    for (platform::ProcessEntry& process : processes) {
        if (budget == 0) break;
        if (!process.pin && platform::PinProcess(process)) --budget;
    }
    return budget;
}

bool RunningTask::Unchanged() const {
    if (!platform::GetFileInfo(file)) return false;
    return std::any_of(processes.begin(), processes.end(), [](const platform::ProcessEntry& p) {
        return platform::ProcessUnchanged(p);
    });
}

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
    std::vector<RunningTask> found;
    const std::string today = platform::FormatShortDate(context.ui.Now());
    for (ProcessListEntry& process : processes) {
        if (!IsFullPath(process.text) || process.process.imageInode == 0) continue;
        // The task's file is the one its process runs: the kernel's path, looked up with the
        // names exactly as given, must still lead to the image's device and inode. A file
        // renamed meanwhile, or another one put under the name or a case variant of it, is
        // not what the process runs, and the task is left out of this refresh.
        platform::FindEntry seenEntry;
        const auto identity =
            platform::IdentifyObject(process.text, platform::NameMatch::kExact, seenEntry);
        if (!identity || seenEntry.IsDirectory() ||
            identity->device != process.process.imageDevice ||
            identity->inode != process.process.imageInode)
            continue;
        const auto same = std::find_if(found.begin(), found.end(), [&](const RunningTask& t) {
            return t.file.device == identity->device && t.file.inode == identity->inode;
        });
        if (same != found.end()) {
            same->processes.push_back(std::move(process.process));
            continue;
        }
        running.Add(process.text);
        found.push_back(RunningTask{identity->path, *identity, {std::move(process.process)}});
        if (!seen.Has(process.text))
            seen.Add(process.text + "=;" + (firstRun ? std::string() : today) + ";");
    }
    std::stable_sort(found.begin(), found.end(), [](const RunningTask& a, const RunningTask& b) {
        return foundation::CompareIgnoreCase(a.path, b.path) < 0;
    });
    if (!seen.Save(file)) throw foundation::IoError("Cannot write " + file);
    runningTasks = std::move(running);
    tasks = std::move(found);
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
    std::vector<RunningTask> listed = tasks;
    size_t pins = kMaxPinnedProcesses;
    for (RunningTask& task : listed) pins = PinProcesses(task.processes, pins);
    std::vector<foundation::ListItem> items;
    items.reserve(listed.size());
    for (const RunningTask& task : listed) {
        if (IsRecentObject(task.path, FirstSeenDate(task.path), kRecentDays, now))
            recent_.insert(foundation::ToLower(task.path));
        foundation::ListItem item;
        item.caption = task.path;
        item.subItems = {FirstSeenDate(task.path)};
        items.push_back(std::move(item));
    }
    // The rows and their tasks are replaced together.
    listView1.Assign(std::move(items));
    listedTasks_ = std::move(listed);
    listedLayout_ = listView1.Layout();
}

std::vector<RunningTask> ProcessManager::MarkedTasks(bool twice) const {
    std::vector<RunningTask> marked;
    if (listView1.Layout() != listedLayout_ || listView1.Count() != listedTasks_.size())
        return marked;
    for (size_t i = 0; i < listView1.Count(); ++i) {
        const foundation::ListItem& item = listView1.Item(i);
        const int times = twice ? int(item.selected) + int(item.checked)
                                : int(item.selected || item.checked);
        for (int k = 0; k < times; ++k) marked.push_back(listedTasks_[i]);
    }
    return marked;
}

void ProcessManager::Button8Click() {
    RefreshTaskLists();
    // What the user marked, read before anything ends: the processes listed for those rows,
    // not every process whose file has the same name.
    for (const RunningTask& task : MarkedTasks(true)) {
        for (const platform::ProcessEntry& process : task.processes)
            platform::TerminateProcess(process, 0);
    }
    Button7Click();
}

void ProcessManager::Button20Click() {
    if (!context.ui.AskYesNo("Do you wish to move selected tasks(s) to quarantine?")) return;
    // The rows and their files as listed now: the deletes below let events run, and a
    // refresh may rebuild the list meanwhile.
    const std::vector<RunningTask> marked = MarkedTasks(false);

    std::string report;
    for (const RunningTask& task : marked) {
        const std::string name = foundation::FileNamePart(task.path);
        // A task whose processes ended, or whose file another object replaced, is not the one
        // the user marked.
        if (!task.Unchanged()) {
            report += name + " - Changed since the list was built, left as it is.\r";
            continue;
        }
        switch (QuarantineListedFile(context, store, task.file, task.path)) {
            case ListedFileOutcome::Deleted:
                report += name + " - Task quarantined and deleted successfully\r";
                break;
            case ListedFileOutcome::NotDeleted:
                report += name + " - On reboot.\r";
                quarantine::RemoveAutorunReferences(store, task.file);
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
