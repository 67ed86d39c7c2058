#include "scan/heuristic_candidates.h"

#include <set>

#include "foundation/system_folders.h"
#include "foundation/text.h"
#include "platform/shell.h"

namespace scourwell::scan {
namespace {

// File name fragments of well-known products and tools (exact case).
constexpr std::string_view kKnownFragments[] = {
    "iun",     "unin",   "713xrmt.exe", "ssscheduler.exe", "fsssvc.exe",       "boottime.exe",
    "facebook", "traymin", "access",    "speed",           "boot",             "google",
    "yahoo",   "dll",    "b2cnotiagent.exe", "torrent",    "buffalo",          "tools",
    "kill",    "free",   "tooth",       "scanner",         "apple",            " ",
    "_",       "-"};

constexpr std::string_view kExclusionWords[] = {"facebook", "google", "torrent", "desktop.ini"};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// "contains" of a text that may be empty: an empty part is never found.
bool Holds(std::string_view text, std::string_view part) {
    return !part.empty() && text.find(part) != std::string_view::npos;
}

}  // namespace

bool HasRepeatedLetters(std::string_view text) {
    const std::string lower = foundation::ToLower(text);
    std::set<char> doubled;
    for (size_t i = 1; i < lower.size(); ++i) {
        if (lower[i] != lower[i - 1]) continue;
        if (i >= 2 && lower[i - 2] == lower[i]) return true;
        doubled.insert(lower[i]);
    }
    return doubled.size() >= 2;
}

bool IsRandomLookingName(std::string_view path) {
    return IsRandomLookingName(path, foundation::GetProgramFilesDir());
}

bool IsRandomLookingName(std::string_view path, std::string_view programFilesDir) {
    const std::string lowerPath = foundation::ToLower(path);
    const std::string programFiles = foundation::ToLower(programFilesDir);
    std::string withoutX86 = programFiles;
    if (const size_t at = withoutX86.find(" (x86)"); at != std::string::npos) withoutX86.erase(at, 6);
    if (Holds(lowerPath, programFiles) || Holds(lowerPath, withoutX86)) return false;

    const std::string name = foundation::FileNamePart(path);
    for (std::string_view fragment : kKnownFragments)
        if (Holds(name, fragment)) return false;
    const size_t dot = name.rfind('.');
    const std::string rest = dot == std::string::npos ? name : name.substr(0, dot);
    if (rest.find('.') != std::string::npos) return false;

    if (HasRepeatedLetters(rest)) return true;
    size_t digits = 0;
    for (char c : rest) digits += IsDigit(c) ? 1 : 0;
    if (!rest.empty() && digits == rest.size()) return true;
    if (!rest.empty() && IsDigit(rest.front())) return true;
    return digits > 2;
}

std::vector<std::string> CollectHeuristicCandidates(const SystemSnapshot& snapshot) {
    std::string usersFolder =
        foundation::WithoutTrailingBackslash(foundation::GetSpecialFolder(platform::kCsidlProfile));
    usersFolder = foundation::ToLower(foundation::FolderPart(usersFolder));
    const std::string programFiles = foundation::GetProgramFilesDir();

    std::vector<std::string> candidates;
    for (const std::string& line : snapshot.Lines().Lines()) {
        std::string text = foundation::ToLower(line);
        // Start-up files only; the kind is written "Clsid ", so it is looked for lower-cased.
        const size_t clsid = text.find("clsid ");
        if (clsid == std::string::npos) continue;
        text.erase(clsid, 6);
        if (const size_t proc = text.find("proc "); proc != std::string::npos) text.erase(proc, 5);
        const size_t bracket = text.find('[');
        const std::string path = bracket == std::string::npos ? std::string() : text.substr(0, bracket);
        if (path.empty()) continue;
        if (IsRandomLookingName(path, programFiles)) {
            candidates.push_back(path);
            continue;
        }
        bool excluded = false;
        for (std::string_view word : kExclusionWords) excluded = excluded || Holds(path, word);
        if (Holds(path, usersFolder) && !excluded) candidates.push_back(path);
    }
    return candidates;
}

}  // namespace scourwell::scan
