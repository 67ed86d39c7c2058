#include "inspect/process_list.h"

#include "foundation/text.h"
#include "platform/processes.h"

namespace scourwell::inspect {

bool ListProcesses(std::vector<ProcessListEntry>& list, bool fullPaths) {
    const auto snapshot = platform::ProcessSnapshot();
    if (!snapshot) return false;
    list.reserve(list.size() + snapshot->size());
    for (const platform::ProcessEntry& process : *snapshot) {
        ProcessListEntry entry;
        entry.pid = process.pid;
        entry.process = process;
        if (process.pid == 0) {
            entry.text = kSystemIdleProcess;
        } else if (!fullPaths) {
            entry.text = foundation::FileNamePart(process.exeName);
        } else {
            // A process whose image cannot be read keeps the snapshot's name, which the callers
            // drop as a file that is not present.
            entry.text = process.imagePath.empty() ? process.exeName : process.imagePath;
        }
        list.push_back(std::move(entry));
    }
    return true;
}

}  // namespace scourwell::inspect
