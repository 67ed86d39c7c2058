#pragma once

// Folder lookups, read fresh on every call (nothing is cached). Windows paths of the view,
// without a trailing backslash; empty when the lookup fails.

#include <string>

namespace scourwell::foundation {

std::string GetWindowsDir();
std::string GetSystemDir();
std::string GetProgramFilesDir();   // HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion "ProgramFilesDir"
std::string GetCommonFilesDir();    // same key, "CommonFilesDir"
std::string GetLocalAppDataDir();   // HKCU\...\Explorer\Shell Folders "Local AppData"
std::string GetTempDir();           // the temporary folder, one trailing backslash removed
std::string GetLogonUserName();
std::string GetSpecialFolder(int csidl);

}  // namespace scourwell::foundation
