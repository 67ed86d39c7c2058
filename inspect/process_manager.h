#pragma once

// The Process Manager page: the running task list (full paths of the executables of running
// processes, sorted, one entry per file), the first-seen record "proc.dat" in the data folder,
// and the list view ListView1 ("Tasks", "First startup") whose new tasks are highlighted.
//
// "proc.dat" lines are "path=;date;" or, for tasks recorded on the first run, "path=;;". Lines
// are only ever added.

#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "foundation/list_model.h"
#include "foundation/program_context.h"
#include "foundation/text_list.h"
#include "inspect/first_seen_list.h"
#include "platform/files.h"
#include "platform/processes.h"
#include "quarantine/quarantine_store.h"

namespace scourwell::inspect {

inline constexpr std::string_view kProcessFirstSeenFile = "proc.dat";

// One running task: the executable file, as the processes running it showed it (/proc/PID/exe:
// its device and inode, found under the kernel's path with the names as stored), and those
// processes (pid, start time, image). The actions on a task act on exactly these.
struct RunningTask {
    std::string path;  // the file's Windows path, names as stored
    platform::FileIdentity file;
    std::vector<platform::ProcessEntry> processes;

    // Whether the task is still as listed: its file is that very object, and at least one of
    // its processes still runs it.
    bool Unchanged() const;
};

// Listed processes held by a pidfd each, at most this many per list: beyond it, the actions
// check the start time and the image afresh.
inline constexpr size_t kMaxPinnedProcesses = 256;
// Pins the processes (platform::PinProcess), taking at most `budget` pins; the budget left.
size_t PinProcesses(std::vector<platform::ProcessEntry>& processes, size_t budget);

class ProcessManager {
  public:
    ProcessManager(foundation::ProgramContext& context, quarantine::QuarantineStore& store);
    ProcessManager(const ProcessManager&) = delete;
    ProcessManager& operator=(const ProcessManager&) = delete;

    foundation::ProgramContext& context;
    quarantine::QuarantineStore& store;
    foundation::TextList runningTasks{true, true};
    // The tasks of the last RefreshTaskLists, one per executable file, sorted by path (case
    // ignored); replaced together with runningTasks.
    std::vector<RunningTask> tasks;
    FirstSeenList firstSeen;
    foundation::ListModel listView1{{"Tasks", "First startup"}, true};

    // Rebuilds the running task list and the first-seen record and saves "proc.dat". Throws
    // foundation::IoError when "proc.dat" exists but cannot be read, or cannot be written; the
    // running task list is then left as it was.
    void RefreshTaskLists();
    // The first-seen date of a task, empty when it has none.
    std::string FirstSeenDate(std::string_view path) const;

    // "Refresh": the running tasks with their first-seen dates.
    void Button7Click();
    // "End Task": ends the processes listed for the marked rows, each only while it is that
    // process and still runs the row's file (a row both selected and checked is ended twice);
    // a process of the same name that runs another file is left alone. Then refreshes.
    void Button8Click();
    // "Add to quarantine": quarantines and deletes the marked tasks' files, ending only the
    // processes that run those very files. Each file is the object the list's refresh saw;
    // a task whose file was replaced or whose processes no longer run it is left alone and its
    // report line says so.
    void Button20Click();

    // The tasks the rows of listView1 show, row i showing task i; replaced together with the
    // rows by Button7Click.
    const std::vector<RunningTask>& ListedTasks() const { return listedTasks_; }

  private:
    // The listed tasks of the marked rows, in row order; a row both selected and checked
    // counts twice when `twice`. None when the rows are no longer the ones Button7Click put
    // there (removed or added since), since no row could then be matched to its task.
    std::vector<RunningTask> MarkedTasks(bool twice) const;

    std::unordered_set<std::string> recent_;  // lower-cased captions drawn highlighted
    std::vector<RunningTask> listedTasks_;
    uint64_t listedLayout_ = 0;  // listView1's layout when listedTasks_ was taken
};

}  // namespace scourwell::inspect
