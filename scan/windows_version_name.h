#pragma once

// The operating-system name of the log header and the quick report.

#include <optional>
#include <string>

#include "platform/machine.h"

namespace scourwell::scan {

// The name of a Windows version record ("Microsoft Windows 7 x64 Edition"); empty for an
// unknown platform or version, and when the record cannot be read.
std::string WindowsVersionName(const std::optional<platform::WindowsVersion>& version);

// The name for the current view: on the native Linux view the host system's own description,
// otherwise WindowsVersionName of the view's version record.
std::string OperatingSystemName();

}  // namespace scourwell::scan
