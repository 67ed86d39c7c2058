#pragma once

// The companion's command line: one command with its options, parsed without side effects so
// that a mistake is reported before anything is scanned, changed or deleted.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace scourwell::cli {

enum class Command {
    Help,
    Version,
    Scan,
    Clean,
    QuarantineList,
    QuarantineRestore,
    QuarantineClear,
    DbInfo,
    DbCheck,
    Processes,
    Startup,
    FileGuard,
    Report,
};

// What a scan walks: the Quick Scan, the Custom Scan dialog's drives, or its folders. The
// dialog's optional steps are off unless asked for.
struct ScanTarget {
    enum class Kind { Quick, Drives, Folders };
    Kind kind = Kind::Quick;
    std::vector<char> drives;          // upper-case letters
    std::vector<std::string> folders;  // as given: Windows paths of the view or host paths
    bool systemFolders = false;        // "System Scan"
    bool junk = false;                 // "Search for junk data"
    bool malware = false;              // "Search for malware files"
};

struct Options {
    Command command = Command::Help;
    // --help after a command: that command's help is printed and nothing else is done.
    // Command::Help with help set is the general usage.
    bool help = false;
    ScanTarget target;
    bool json = false;
    bool yes = false;
    bool quiet = false;      // no window-style summaries on standard error
    int kindFilter = 0;      // cb1: 0 all, 1 files, 2 folders
    int severityFilter = 0;  // cb2: 0 all, 1 critical, 2 high, 3 middle, 4 low, 5 junk
    // --kind or --severity was given: the filters alone choose what clean acts on (without
    // them it acts only on junk and infected rows).
    bool filterGiven = false;
    std::vector<std::string> ids;  // quarantine restore: entry ids as `quarantine list` shows them
    std::string file;              // db check
};

struct ParsedOptions {
    std::optional<Options> options;  // empty on a mistake
    std::string error;               // what was wrong, for standard error
};

ParsedOptions ParseOptions(const std::vector<std::string>& args);

// The text of --help: the general usage, or one command's (quarantine and db actions share
// their command's text).
std::string UsageText(Command command = Command::Help);

// The --version line of a program: "NAME VERSION".
std::string VersionLine(std::string_view program);

// FILE of db check names a file of the machine view ("X:..."), not a host file.
bool IsViewPath(std::string_view path);

}  // namespace scourwell::cli
