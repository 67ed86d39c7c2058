#pragma once

// Running processes as the view sees them: only processes whose executable lies on one of the
// view's drives (the native view sees all). The program's own process and PID 1 are never
// terminated. A process is only ever signalled through a pidfd taken before its details were
// read and after its start time was checked, so a number reused meanwhile reaches nobody; a
// host without pidfd_open ends no process at all.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/files.h"

namespace scourwell::platform {

struct ProcessEntry {
    uint32_t pid = 0;
    std::string exeName;    // executable file name, as the snapshot gives it
    std::string imagePath;  // full Windows path of the image; empty when it cannot be read
    uint64_t startTime = 0;   // when it started (clock ticks after boot); 0 when unknown
    uint64_t imageDevice = 0; // the image file the process runs (0 when unknown)
    uint64_t imageInode = 0;
};

// A snapshot in pid order. Like Windows, it starts with pid 0 ("[System Process]", no image).
// Empty optional when no snapshot can be taken.
std::optional<std::vector<ProcessEntry>> ProcessSnapshot();

// Ends a process of the view. False when it is not in the view, protected, or refused.
bool TerminateProcess(uint32_t pid, uint32_t exitCode);
// Ends the process a snapshot showed, only while it is that process (same start time).
bool TerminateProcess(const ProcessEntry& process, uint32_t exitCode);
// Ends every process of the view that runs this very file: its image has the file's device and
// inode (a process of a replaced or removed file runs another one). The number ended, or -1
// when none was ended although one ran it, or when the file is not there.
int TerminateProcessesRunning(const FileIdentity& file);

}  // namespace scourwell::platform
