#include "tools/cli/options.h"

#include <algorithm>
#include <cctype>
#include <string_view>

namespace scourwell::cli {

namespace {

const char kUsage[] =
    "usage: scourwell-cli COMMAND [OPTIONS]\n"
    "\n"
    "Commands:\n"
    "  scan [SCAN OPTIONS] [--json]      scan and print the results list\n"
    "  clean [SCAN OPTIONS] [--yes]      scan, then show (or with --yes delete) the checked rows\n"
    "  quarantine list [--json]          the quarantined objects, numbered\n"
    "  quarantine restore N...           restore the objects with these numbers\n"
    "  quarantine clear [--yes]          delete every quarantined object\n"
    "  db info                           the signature database's version line and entries\n"
    "  db check FILE                     check a signature database file\n"
    "  processes [--json]                the running tasks with their first-seen dates\n"
    "  startup [--json]                  the start-up values of the autorun keys\n"
    "  fileguard [--json]                the suspicious tasks, start-up values and files\n"
    "  report                            the quick report of the machine, as plain text\n"
    "\n"
    "Scan options:\n"
    "  --quick                 the Quick Scan (the default): system folders, junk, malware\n"
    "  --drives C,D            these fixed drives\n"
    "  --folder PATH           this folder (repeatable; a Windows path of the view or a host path)\n"
    "  --system, --junk, --malware\n"
    "                          with --drives or --folder: also the system folders, the junk\n"
    "                          folder, the malware scan\n"
    "  --kind all|files|folders\n"
    "  --severity all|critical|high|middle|low|junk\n"
    "                          show (and clean) only the rows these filters accept\n"
    "\n"
    "  --json                  one JSON object per line instead of aligned text\n"
    "  --yes                   carry out clean or quarantine clear (otherwise only shown)\n"
    "  -h, --help              this text\n"
    "\n"
    "Exit status: 0 nothing found (or done), 1 something found (or damaged, or not every\n"
    "object could be deleted, or fileguard listed something), 2 an error, 130 interrupted.\n"
    "The machine is the host itself, or the one that SCOURWELL_MACHINE names.\n";

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

std::optional<size_t> RowNumber(std::string_view text) {
    if (text.empty() || text.size() > 9) return std::nullopt;
    size_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<size_t>(c - '0');
    }
    if (value == 0) return std::nullopt;
    return value;
}

class Parser {
  public:
    explicit Parser(const std::vector<std::string>& args) : args_(args) {}

    ParsedOptions Parse() {
        if (args_.empty()) return Fail("no command given (try --help)");
        for (const std::string& arg : args_)
            if (arg == "-h" || arg == "--help") return Done();
        const std::string& command = args_[0];
        pos_ = 1;
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
            if (More()) return Fail("report takes no arguments");
            return Done();
        }
        return Fail("unknown command '" + command + "' (try --help)");
    }

  private:
    ParsedOptions Done() { return {options_, ""}; }
    ParsedOptions Fail(std::string error) { return {std::nullopt, std::move(error)}; }

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

    ParsedOptions ParseScan(bool clean) {
        ScanTarget& target = options_.target;
        bool quick = false;
        while (More()) {
            const std::string arg = Next();
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
                const auto index = IndexOf({"all", "files", "folders"}, *kind);
                if (!index) return Fail("--kind takes all, files or folders");
                options_.kindFilter = *index;
            } else if (auto severity = Value(arg, "--severity")) {
                const auto index =
                    IndexOf({"all", "critical", "high", "middle", "low", "junk"}, *severity);
                if (!index) return Fail("--severity takes all, critical, high, middle, low or junk");
                options_.severityFilter = *index;
            } else if (arg == "--json") {
                options_.json = true;
            } else if (arg == "--yes" && clean) {
                options_.yes = true;
            } else {
                return Fail("unknown option '" + arg + "' for " + (clean ? "clean" : "scan"));
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
        if (!More()) return Fail("quarantine needs list, restore or clear");
        const std::string action = Next();
        if (action == "list") {
            options_.command = Command::QuarantineList;
            while (More()) {
                const std::string& arg = Next();
                if (arg != "--json") return Fail("unknown option '" + arg + "' for quarantine list");
                options_.json = true;
            }
            return Done();
        }
        if (action == "restore") {
            options_.command = Command::QuarantineRestore;
            while (More()) {
                const std::string& arg = Next();
                const auto row = RowNumber(arg);
                if (!row) return Fail("quarantine restore takes row numbers, not '" + arg + "'");
                options_.rows.push_back(*row);
            }
            if (options_.rows.empty()) return Fail("quarantine restore needs row numbers");
            return Done();
        }
        if (action == "clear") {
            options_.command = Command::QuarantineClear;
            while (More()) {
                const std::string& arg = Next();
                if (arg != "--yes") return Fail("unknown option '" + arg + "' for quarantine clear");
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
            if (arg != "--json") return Fail("unknown option '" + arg + "' for " + command);
            options_.json = true;
        }
        return Done();
    }

    ParsedOptions ParseDb() {
        if (!More()) return Fail("db needs info or check");
        const std::string action = Next();
        if (action == "info") {
            options_.command = Command::DbInfo;
            if (More()) return Fail("db info takes no arguments");
            return Done();
        }
        if (action == "check") {
            options_.command = Command::DbCheck;
            if (!More()) return Fail("db check needs a file");
            options_.file = Next();
            if (More()) return Fail("db check takes one file");
            return Done();
        }
        return Fail("unknown db action '" + action + "'");
    }

    const std::vector<std::string>& args_;
    size_t pos_ = 0;
    Options options_;
};

}  // namespace

ParsedOptions ParseOptions(const std::vector<std::string>& args) {
    return Parser(args).Parse();
}

const char* UsageText() {
    return kUsage;
}

}  // namespace scourwell::cli
