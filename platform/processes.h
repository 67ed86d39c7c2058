#pragma once

// Running processes as the view sees them: only processes whose executable lies on one of the
// view's drives (the native view sees all). The program's own process and PID 1 are never
// terminated. A process is only ever signalled through a pidfd taken before its details were
// read and after its start time was checked, so a number reused meanwhile reaches nobody; a
// host without pidfd_open ends no process at all.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/files.h"

namespace scourwell::platform {

// A pidfd held for a listed process (platform-owned; see PinProcess).
struct ProcessPin;

struct ProcessEntry {
    uint32_t pid = 0;
    std::string exeName;    // executable file name, as the snapshot gives it
    std::string imagePath;  // full Windows path of the image; empty when it cannot be read
    uint64_t startTime = 0;   // when it started (clock ticks after boot); 0 when unknown
    uint64_t imageDevice = 0; // the image file the process runs (0 when unknown)
    uint64_t imageInode = 0;
    // Set by PinProcess: the process itself, held since it was checked to be this entry.
    std::shared_ptr<const ProcessPin> pin;
};

// A snapshot in pid order. Like Windows, it starts with pid 0 ("[System Process]", no image).
// Empty optional when no snapshot can be taken.
std::optional<std::vector<ProcessEntry>> ProcessSnapshot();

// Takes a pidfd for a listed process, so that a later action reaches that very process and no
// other that took its number. False, leaving the entry without a pin, when the process is no
// longer the one listed (another start time, another image file) or no pidfd can be had; the
// actions then check the start time and the image afresh. Each pin holds a descriptor.
bool PinProcess(ProcessEntry& process);
// Whether the process a snapshot showed still runs as listed: the same process (its pin, or
// its pid and start time) and still the same image file (device and inode).
bool ProcessUnchanged(const ProcessEntry& process);

// Ends a process of the view. False when it is not in the view, protected, or refused.
bool TerminateProcess(uint32_t pid, uint32_t exitCode);
// Ends the process a snapshot showed, only while it is that process (its pin, or the same start
// time) and still runs the image it showed (device and inode, when the snapshot knew them).
bool TerminateProcess(const ProcessEntry& process, uint32_t exitCode);
// Ends every process of the view that runs this very file: its image has the file's device and
// inode (a process of a replaced or removed file runs another one) and lies on a drive of the
// view (a process outside the view that runs a hard link of the file is not the view's). The number ended, or -1
// when none was ended although one ran it, or when the file is not there.
int TerminateProcessesRunning(const FileIdentity& file);

}  // namespace scourwell::platform
