#pragma once

// The FileGuard suspicion rules. A candidate is a file name and its folder (with the trailing
// backslash); every comparison is made on lower-cased text. A candidate is suspicious when at
// least one rule holds.

#include <chrono>
#include <string>
#include <string_view>

namespace scourwell::inspect {

enum class SuspicionRule {
    None,
    UserNameProgram,     // the logon name + ".exe"
    SuspiciousFolder,    // directly in one of a few folders of drive c:
    LongName,            // more than 25 characters
    ManyDigits,          // more than 7 digits
    LeadingDigit,        // starts with a digit
    DoubleExtension,     // ".jpg.exe" and kin
    ChangedSystemFile,   // under the Windows folder and modified today
};

// What the rules compare against, read once per report.
struct SuspicionContext {
    std::string userProgram;    // lower-cased logon name + ".exe"
    std::string windowsFolder;  // lower-cased Windows folder + "\"
    std::string today;          // today's date in the short date format
    std::chrono::system_clock::time_point now;

    static SuspicionContext Current(std::chrono::system_clock::time_point now);
};

// The first rule that holds, or None. `path` is the full path the changed-system-file rule
// looks at (folder + file name).
SuspicionRule FirstSuspicion(std::string_view fileName, std::string_view folder,
                             std::string_view path, const SuspicionContext& context);
inline bool IsSuspicious(std::string_view fileName, std::string_view folder, std::string_view path,
                         const SuspicionContext& context) {
    return FirstSuspicion(fileName, folder, path, context) != SuspicionRule::None;
}

}  // namespace scourwell::inspect
