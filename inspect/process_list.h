#pragma once

// The running processes as the inspection tools and the malware scan see them.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/processes.h"

namespace scourwell::inspect {

inline constexpr const char* kSystemIdleProcess = "System Idle Process";

// One process of a snapshot: its text (a full image path or a bare file name) and its id, and
// the snapshot's record of it (start time, image device and inode) for acting on it later.
struct ProcessListEntry {
    std::string text;
    uint32_t pid = 0;
    platform::ProcessEntry process;
};

// Appends one entry per process, in snapshot order (not sorted, not de-duplicated). With
// `fullPaths` the text is the image's Windows path, or the snapshot's bare file name when the
// image path cannot be read; without, the image's file name. Process 0 is always "System Idle
// Process". False, with `list` unchanged, when no snapshot can be taken.
bool ListProcesses(std::vector<ProcessListEntry>& list, bool fullPaths);

}  // namespace scourwell::inspect
