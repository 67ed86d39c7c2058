#include "tools/cli/options.h"

#include <algorithm>
#include <cctype>
#include <set>
#include <string>
#include <string_view>

namespace scourwell::cli {

namespace {

const char kUsageHead[] =
    "usage: scourwell-cli COMMAND [OPTIONS]\n"
    "       scourwell-cli COMMAND --help    that command's help\n"
    "       scourwell-cli --version\n"
    "\n"
    "Commands:\n"
    "  scan [SCAN OPTIONS] [--json]      scan and print the results list\n"
    "  clean [SCAN OPTIONS] [--yes]      scan, then show (or with --yes delete) the junk and\n"
    "                                    infected rows, or the rows --kind/--severity choose\n"
    "  quarantine list [--json]          the quarantined objects, numbered, with their ids\n"
    "  quarantine restore ID... [--yes]  show (or with --yes restore) the objects with these ids\n"
    "  quarantine clear [--yes]          show (or with --yes delete) every quarantined object\n"
    "  db info                           the signature database's version line and entries\n"
    "  db check FILE                     check a signature database file\n"
    "  processes [--json]                the running tasks with their first-seen dates\n"
    "  startup [--json]                  the start-up values of the autorun keys\n"
    "  fileguard [--json]                the suspicious tasks, start-up values and files\n"
    "  report                            the quick report of the machine, as plain text\n"
    "\n";

const char kScanOptions[] =
    "Scan options:\n"
    "  --quick                 the Quick Scan (the default): system folders, junk, malware\n"
    "  --drives C,D            these fixed drives (repeatable)\n"
    "  --folder PATH           this folder (repeatable; a Windows path of the view or a host path)\n"
    "  --system, --junk, --malware\n"
    "                          with --drives or --folder: also the system folders, the junk\n"
    "                          folder, the malware scan\n"
    "  --kind all|files|folders\n"
    "  --severity all|critical|high|middle|low|junk\n"
    "                          show (and clean) only the rows these filters accept; each at\n"
    "                          most once\n"
    "\n";

const char kCommonOptions[] =
    "  --json                  one JSON object per line instead of aligned text\n"
    "  --yes                   carry out clean, quarantine restore or quarantine clear\n"
    "                          (otherwise only shown)\n"
    "  --quiet                 no summary messages on standard error (warnings and errors stay)\n"
    "  -h, --help              help\n"
    "\n";

const char kUsageTail[] =
    "Exit status: 0 nothing found (or done), 1 something found (or damaged, or not every\n"
    "object could be deleted, or fileguard listed something), 2 an error, 130 interrupted.\n"
    "The machine is the host itself, or the one that SCOURWELL_MACHINE names.\n";

const char kScanHelp[] =
    "usage: scourwell-cli scan [SCAN OPTIONS] [--json] [--quiet]\n"
    "\n"
    "Runs a scan as the window's buttons run it and prints the results list: object, kind,\n"
    "location, size and status. The scan log is saved as LastScan.txt in the data folder.\n"
    "Exit status: 0 nothing found, 1 something found, 2 an error, 130 interrupted.\n"
    "\n";

const char kCleanHelp[] =
    "usage: scourwell-cli clean [SCAN OPTIONS] [--json] [--yes] [--quiet]\n"
    "\n"
    "Runs the same scan, then shows the checked rows a clean-up would delete and their total.\n"
    "Without --kind and --severity these are the junk rows and the infected rows only; the\n"
    "oversized folders and files are cleaned only when a filter chooses them (for example\n"
    "--severity critical, or --severity all). With --yes the rows are cleaned up (infected\n"
    "files are copied into the quarantine first) and each one's outcome, Ok or Err, is printed.\n"
    "Exit status: 0 nothing to delete (or all deleted), 1 something to delete (or not every\n"
    "object deleted), 2 an error, 130 interrupted.\n"
    "\n";

const char kQuarantineHelp[] =
    "usage: scourwell-cli quarantine list [--json]\n"
    "       scourwell-cli quarantine restore ID... [--yes]\n"
    "       scourwell-cli quarantine clear [--yes]\n"
    "\n"
    "list shows the quarantined objects, numbered from 1, each with its id: 12 hexadecimal\n"
    "digits that belong to the entry for as long as it is in the quarantine (the numbers move\n"
    "when an entry goes; the ids do not). restore takes ids and, without --yes, only shows what\n"
    "it would restore; with --yes it restores them. A file is never restored over an existing\n"
    "file. clear without --yes shows what it would delete; with --yes it deletes every stored\n"
    "copy.\n"
    "\n";

const char kDbHelp[] =
    "usage: scourwell-cli db info\n"
    "       scourwell-cli db check FILE\n"
    "\n"
    "info shows the signature database in use: its file, version line and number of entries.\n"
    "check checks a signature database file (a host path, or a Windows path of the machine):\n"
    "exit status 0 when it can be used, 1 when it is damaged. A host file needs no machine.\n"
    "\n";

const char kListingHelp[] =
    "usage: scourwell-cli processes [--json]\n"
    "       scourwell-cli startup [--json]\n"
    "       scourwell-cli fileguard [--json]\n"
    "       scourwell-cli report\n"
    "\n"
    "processes lists the running tasks with the date each was first seen; startup the start-up\n"
    "values of the autorun keys; fileguard the suspicious tasks, start-up values and files\n"
    "(exit status 1 when it lists something); report the quick report as plain text.\n"
    "\n";

std::string Lower(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

std::optional<int> IndexOf(const std::vector<std::string_view>& names, std::string_view value) {
    const std::string lower = Lower(value);
    for (size_t i = 0; i < names.size(); ++i)
        if (names[i] == lower) return static_cast<int>(i);
    return std::nullopt;
}

// "C,D" or "c:,D:\" -> {'C', 'D'}.
std::optional<std::vector<char>> DriveLetters(std::string_view list) {
    std::vector<char> letters;
    size_t start = 0;
    while (start <= list.size()) {
        const size_t comma = std::min(list.find(',', start), list.size());
        std::string_view item = list.substr(start, comma - start);
        if (item.size() > 1 && item[1] == ':') {
            if (item.size() > 3 || (item.size() == 3 && item[2] != '\\')) return std::nullopt;
            item = item.substr(0, 1);
        }
        if (item.size() != 1 || !std::isalpha(static_cast<unsigned char>(item[0])))
            return std::nullopt;
        const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(item[0])));
        if (std::find(letters.begin(), letters.end(), letter) == letters.end())
            letters.push_back(letter);
        start = comma + 1;
    }
    return letters;
}

// A quarantine entry id: 12 hexadecimal digits, in lower case.
std::optional<std::string> EntryId(std::string_view text) {
    if (text.size() != 12) return std::nullopt;
    std::string id = Lower(text);
    for (char c : id)
        if (!std::isxdigit(static_cast<unsigned char>(c))) return std::nullopt;
    return id;
}

bool IsOption(std::string_view arg) {
    return arg.size() > 1 && arg[0] == '-';
}

std::optional<Command> CommandNamed(std::string_view name) {
    if (name == "scan") return Command::Scan;
    if (name == "clean") return Command::Clean;
    if (name == "quarantine") return Command::QuarantineList;
    if (name == "db") return Command::DbInfo;
    if (name == "processes") return Command::Processes;
    if (name == "startup") return Command::Startup;
    if (name == "fileguard") return Command::FileGuard;
    if (name == "report") return Command::Report;
    return std::nullopt;
}

class Parser {
  public:
    explicit Parser(const std::vector<std::string>& args) : args_(args) {}

    ParsedOptions Parse() {
        if (args_.empty()) return Fail("no command given (try --help)");
        const std::string& command = args_[0];
        pos_ = 1;
        if (command == "-h" || command == "--help") {
            // "--help" alone, or "--help COMMAND" for that command's help.
            options_.help = true;
            if (!More()) return Done();
            const std::string topic = Next();
            const auto named = CommandNamed(topic);
            if (!named) return Fail("unknown command '" + topic + "' (try --help)");
            if (More()) return Fail("--help takes at most a command");
            options_.command = *named;
            return Done();
        }
        if (command == "--version") {
            options_.command = Command::Version;
            if (More()) return Fail("--version takes no arguments");
            return Done();
        }
        if (command == "scan" || command == "clean") {
            options_.command = command == "scan" ? Command::Scan : Command::Clean;
            return ParseScan(command == "clean");
        }
        if (command == "quarantine") return ParseQuarantine();
        if (command == "db") return ParseDb();
        if (command == "processes" || command == "startup" || command == "fileguard")
            return ParseListing(command);
        if (command == "report") {
            options_.command = Command::Report;
            while (More()) {
                const std::string& arg = Next();
                if (!Common(arg)) return Fail("report takes no arguments");
            }
            return Done();
        }
        if (IsOption(command)) return Fail("unknown option '" + command + "' (try --help)");
        return Fail("unknown command '" + command + "' (try --help)");
    }

  private:
    ParsedOptions Done() { return {options_, ""}; }
    ParsedOptions Fail(std::string error) { return {std::nullopt, std::move(error)}; }
    ParsedOptions Unknown(const std::string& arg, const std::string& command) {
        if (!IsOption(arg)) return Fail("unexpected argument '" + arg + "' for " + command);
        return Fail("unknown option '" + arg + "' for " + command);
    }

    bool More() const { return pos_ < args_.size(); }
    const std::string& Next() { return args_[pos_++]; }
    // The value of an option: "--x=v" or "--x v".
    std::optional<std::string> Value(const std::string& arg, std::string_view name) {
        if (arg.size() > name.size() && arg.compare(0, name.size(), name) == 0 &&
            arg[name.size()] == '=')
            return arg.substr(name.size() + 1);
        if (arg != name) return std::nullopt;
        if (!More()) return std::string();
        return Next();
    }
    // What every command takes: --help and --quiet. True when `arg` was one of them.
    bool Common(const std::string& arg) {
        if (arg == "-h" || arg == "--help") {
            options_.help = true;
            return true;
        }
        if (arg == "--quiet") {
            options_.quiet = true;
            return true;
        }
        return false;
    }
    // A single-valued option given a second time is a mistake, not a change of mind: the
    // first value would be dropped without a word.
    bool Repeated(const char* name) { return !given_.insert(name).second; }

    ParsedOptions ParseScan(bool clean) {
        ScanTarget& target = options_.target;
        const std::string command = clean ? "clean" : "scan";
        bool quick = false;
        while (More()) {
            const std::string arg = Next();
            if (Common(arg)) continue;
            if (arg == "--quick") {
                quick = true;
            } else if (auto drives = Value(arg, "--drives")) {
                const auto letters = DriveLetters(*drives);
                if (!letters) return Fail("--drives takes drive letters such as C,D");
                target.drives.insert(target.drives.end(), letters->begin(), letters->end());
            } else if (auto folder = Value(arg, "--folder")) {
                if (folder->empty()) return Fail("--folder takes a folder");
                target.folders.push_back(*folder);
            } else if (arg == "--system") {
                target.systemFolders = true;
            } else if (arg == "--junk") {
                target.junk = true;
            } else if (arg == "--malware") {
                target.malware = true;
            } else if (auto kind = Value(arg, "--kind")) {
                if (Repeated("--kind")) return Fail("--kind is given more than once");
                const auto index = IndexOf({"all", "files", "folders"}, *kind);
                if (!index) return Fail("--kind takes all, files or folders");
                options_.kindFilter = *index;
                options_.filterGiven = true;
            } else if (auto severity = Value(arg, "--severity")) {
                if (Repeated("--severity")) return Fail("--severity is given more than once");
                const auto index =
                    IndexOf({"all", "critical", "high", "middle", "low", "junk"}, *severity);
                if (!index) return Fail("--severity takes all, critical, high, middle, low or junk");
                options_.severityFilter = *index;
                options_.filterGiven = true;
            } else if (arg == "--json") {
                options_.json = true;
            } else if (arg == "--yes" && clean) {
                options_.yes = true;
            } else {
                return Unknown(arg, command);
            }
        }
        const int chosen = (quick ? 1 : 0) + (target.drives.empty() ? 0 : 1) +
                           (target.folders.empty() ? 0 : 1);
        if (chosen > 1) return Fail("choose one of --quick, --drives and --folder");
        if (!target.drives.empty())
            target.kind = ScanTarget::Kind::Drives;
        else if (!target.folders.empty())
            target.kind = ScanTarget::Kind::Folders;
        if (target.kind == ScanTarget::Kind::Quick &&
            (target.systemFolders || target.junk || target.malware))
            return Fail("--system, --junk and --malware go with --drives or --folder");
        return Done();
    }

    ParsedOptions ParseQuarantine() {
        options_.command = Command::QuarantineList;
        if (!More()) return Fail("quarantine needs list, restore or clear");
        const std::string action = Next();
        if (Common(action)) {
            if (!options_.help) return Fail("quarantine needs list, restore or clear");
            if (More()) return Unknown(Next(), "quarantine");
            return Done();
        }
        if (action == "list") {
            while (More()) {
                const std::string& arg = Next();
                if (Common(arg)) continue;
                if (arg != "--json") return Unknown(arg, "quarantine list");
                options_.json = true;
            }
            return Done();
        }
        if (action == "restore") {
            options_.command = Command::QuarantineRestore;
            while (More()) {
                const std::string& arg = Next();
                if (Common(arg)) continue;
                if (arg == "--yes") {
                    options_.yes = true;
                    continue;
                }
                if (IsOption(arg)) return Unknown(arg, "quarantine restore");
                const auto id = EntryId(arg);
                if (!id)
                    return Fail("quarantine restore takes entry ids (12 hexadecimal digits, as "
                                "quarantine list shows them), not '" + arg + "'");
                options_.ids.push_back(*id);
            }
            if (options_.ids.empty() && !options_.help)
                return Fail("quarantine restore needs entry ids");
            return Done();
        }
        if (action == "clear") {
            options_.command = Command::QuarantineClear;
            while (More()) {
                const std::string& arg = Next();
                if (Common(arg)) continue;
                if (arg != "--yes") return Unknown(arg, "quarantine clear");
                options_.yes = true;
            }
            return Done();
        }
        return Fail("unknown quarantine action '" + action + "'");
    }

    ParsedOptions ParseListing(const std::string& command) {
        options_.command = command == "processes" ? Command::Processes
                           : command == "startup" ? Command::Startup
                                                  : Command::FileGuard;
        while (More()) {
            const std::string& arg = Next();
            if (Common(arg)) continue;
            if (arg != "--json") return Unknown(arg, command);
            options_.json = true;
        }
        return Done();
    }

    ParsedOptions ParseDb() {
        options_.command = Command::DbInfo;
        if (!More()) return Fail("db needs info or check");
        const std::string action = Next();
        if (Common(action)) {
            if (!options_.help) return Fail("db needs info or check");
            if (More()) return Unknown(Next(), "db");
            return Done();
        }
        if (action == "info") {
            while (More()) {
                const std::string& arg = Next();
                if (!Common(arg)) return Unknown(arg, "db info");
            }
            return Done();
        }
        if (action == "check") {
            options_.command = Command::DbCheck;
            bool haveFile = false;
            while (More()) {
                const std::string& arg = Next();
                if (Common(arg)) continue;
                if (IsOption(arg)) return Unknown(arg, "db check");
                if (haveFile) return Fail("db check takes one file");
                options_.file = arg;
                haveFile = true;
            }
            if (!haveFile && !options_.help) return Fail("db check needs a file");
            return Done();
        }
        return Fail("unknown db action '" + action + "'");
    }

    const std::vector<std::string>& args_;
    size_t pos_ = 0;
    Options options_;
    std::set<std::string> given_;
};

}  // namespace

ParsedOptions ParseOptions(const std::vector<std::string>& args) {
    return Parser(args).Parse();
}

std::string UsageText(Command command) {
    std::string text;
    switch (command) {
        case Command::Scan: text = std::string(kScanHelp) + kScanOptions; break;
        case Command::Clean: text = std::string(kCleanHelp) + kScanOptions; break;
        case Command::QuarantineList:
        case Command::QuarantineRestore:
        case Command::QuarantineClear: text = kQuarantineHelp; break;
        case Command::DbInfo:
        case Command::DbCheck: text = kDbHelp; break;
        case Command::Processes:
        case Command::Startup:
        case Command::FileGuard:
        case Command::Report: text = kListingHelp; break;
        case Command::Help:
        case Command::Version: return std::string(kUsageHead) + kScanOptions + "Options:\n" +
                                      kCommonOptions + kUsageTail;
    }
    return text + "Options:\n" + kCommonOptions;
}

std::string VersionLine(std::string_view program) {
    return std::string(program) + " " SCOURWELL_VERSION;
}

bool IsViewPath(std::string_view path) {
    return path.size() >= 2 && path[1] == ':' && std::isalpha(static_cast<unsigned char>(path[0]));
}

}  // namespace scourwell::cli
