#pragma once

// Running processes as the view sees them: only processes whose executable lies on one of the
// view's drives (the native view sees all). The program's own process and PID 1 are never
// terminated.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace scourwell::platform {

struct ProcessEntry {
    uint32_t pid = 0;
    std::string exeName;    // executable file name, as the snapshot gives it
    std::string imagePath;  // full Windows path of the image; empty when it cannot be read
};

// A snapshot in pid order. Like Windows, it starts with pid 0 ("[System Process]", no image).
// Empty optional when no snapshot can be taken.
std::optional<std::vector<ProcessEntry>> ProcessSnapshot();

// Ends a process of the view. False when it is not in the view, protected, or refused.
bool TerminateProcess(uint32_t pid, uint32_t exitCode);

}  // namespace scourwell::platform
