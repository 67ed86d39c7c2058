#pragma once

// Drives of the view: letters in order, their types, space and readiness.

#include <cstdint>
#include <vector>

#include "platform/machine.h"

namespace scourwell::platform {

std::vector<char> LogicalDriveLetters();  // upper-case letters in letter order
DriveType GetDriveType(char letter);       // NoRootDir for an unknown letter

// Bytes available to the caller and total bytes, from the view's declarations or statvfs.
// False (both -1) when the drive is unknown or its folder is missing (not ready).
bool GetDiskSpace(char letter, int64_t& freeBytes, int64_t& totalBytes);
bool IsDriveReady(char letter);

}  // namespace scourwell::platform
