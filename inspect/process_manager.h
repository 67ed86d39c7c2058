#pragma once

// The Process Manager page: the running task list (full paths of the executables of running
// processes, sorted, one entry per file), the first-seen record "proc.dat" in the data folder,
// and the list view ListView1 ("Tasks", "First startup") whose new tasks are highlighted.
//
// "proc.dat" lines are "path=;date;" or, for tasks recorded on the first run, "path=;;". Lines
// are only ever added.

#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "foundation/list_model.h"
#include "foundation/program_context.h"
#include "foundation/text_list.h"
#include "inspect/first_seen_list.h"
#include "platform/files.h"
#include "quarantine/quarantine_store.h"

namespace scourwell::inspect {

inline constexpr std::string_view kProcessFirstSeenFile = "proc.dat";

class ProcessManager {
  public:
    ProcessManager(foundation::ProgramContext& context, quarantine::QuarantineStore& store);
    ProcessManager(const ProcessManager&) = delete;
    ProcessManager& operator=(const ProcessManager&) = delete;

    foundation::ProgramContext& context;
    quarantine::QuarantineStore& store;
    foundation::TextList runningTasks{true, true};
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
    // "End Task": ends every process of the view named like a marked task's file (a row both
    // selected and checked is ended twice), then refreshes.
    void Button8Click();
    // "Add to quarantine": quarantines and deletes the marked tasks' files, ending only the
    // processes that run those very files. Each file is the object the list's refresh saw;
    // one that has been replaced since is left alone and its report line says so.
    void Button20Click();

    // The file a running task's path named at the last RefreshTaskLists; null when none.
    const platform::FileIdentity* TaskFile(std::string_view path) const;

  private:
    using FileMap = std::unordered_map<std::string, platform::FileIdentity>;
    std::unordered_set<std::string> recent_;  // lower-cased captions drawn highlighted
    FileMap taskFiles_;    // lower-cased path -> file, from the last RefreshTaskLists
    FileMap listedFiles_;  // the same for the rows of listView1, from its refresh
};

}  // namespace scourwell::inspect
