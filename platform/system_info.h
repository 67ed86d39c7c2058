#pragma once

// System information of the view: Windows version, folders, user, locale pictures.

#include <chrono>
#include <optional>
#include <string>

#include "platform/machine.h"

namespace scourwell::platform {

std::optional<WindowsVersion> GetWindowsVersion();  // empty when it cannot be read
std::string GetWindowsDirectory();  // no trailing backslash
std::string GetSystemDirectory();   // no trailing backslash
std::string GetTempPath();          // with a trailing backslash
std::string GetUserName();          // empty on failure
std::string ProgramDirectory();     // folder of the program file, no trailing backslash; may be empty
std::string HostSystemDescription();  // native view: "Debian GNU/Linux 12 (bookworm), Linux 6.1.0"

// Locale pictures in dd/MM/yyyy/HH/mm/ss notation (also d, M, yy, H, h, m, s, AP).
std::string ShortDatePicture();
std::string LongTimePicture();
std::string FormatDateTime(std::chrono::system_clock::time_point when, const std::string& picture);
std::string FormatShortDate(std::chrono::system_clock::time_point when);
std::string FormatLongTime(std::chrono::system_clock::time_point when);

}  // namespace scourwell::platform
