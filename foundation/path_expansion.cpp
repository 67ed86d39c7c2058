#include "foundation/path_expansion.h"

#include <cctype>
#include <cstdint>
#include <functional>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "foundation/file_helpers.h"
#include "foundation/system_folders.h"
#include "foundation/text.h"
#include "platform/files.h"
#include "platform/shell.h"

namespace scourwell::foundation {
namespace {

constexpr size_t kNone = std::string::npos;

enum class Kind : uint8_t { kNothing, kFile, kFolder };

}  // namespace

struct PathExpansionMemory::Data {
    std::unordered_map<std::string, Kind> kinds;
    // Folder pattern ("c:\dir\*") -> the folded names of its entries.
    std::unordered_map<std::string, std::unordered_set<std::string>> names;
};

namespace {

// The memory of the expansion running on this thread, set for the length of one call only
// (an expansion never lets events run, so nothing else can see it).
thread_local PathExpansionMemory::Data* memory = nullptr;

// False only when the folder that `pattern` lists (folder + "\\*") holds no entry that the
// name could resolve to (the same name, or one that folds to the same letters): the name is
// then certainly absent. The folder is listed once per memory.
bool MayHoldName(const std::string& pattern, std::string_view name) {
    auto found = memory->names.find(pattern);
    if (found == memory->names.end()) {
        platform::DirectoryListing listing(pattern);
        if (!listing.IsOpen()) return true;
        std::unordered_set<std::string> folded;
        for (platform::FindEntry entry; listing.Next(entry);)
            folded.insert(platform::FoldName(entry.name));
        found = memory->names.emplace(pattern, std::move(folded)).first;
    }
    return found->second.count(platform::FoldName(name)) != 0;
}

Kind KindOf(std::string_view path);

// What the memory already tells of a path without looking it up: nothing is below a missing
// folder or a file, and nothing is under a name that its folder's listing rules out. Empty
// when only a lookup can tell.
std::optional<Kind> Derived(const std::string& path) {
    const bool anchored = path.size() > 3 && std::isalpha(static_cast<unsigned char>(path[0])) &&
                          path[1] == ':' && path[2] == '\\';
    if (!anchored) return std::nullopt;
    const size_t last = path.rfind('\\');
    const std::string_view name = std::string_view(path).substr(last + 1);
    if (name.empty() || name == "." || name == "..") return std::nullopt;
    const std::string parent = path.substr(0, last == 2 ? 3 : last);
    if (KindOf(parent) != Kind::kFolder) return Kind::kNothing;
    if (parent.find_first_of("*?") != std::string::npos) return std::nullopt;
    const std::string pattern = (last == 2 ? parent : parent + "\\") + "*";
    if (!MayHoldName(pattern, name)) return Kind::kNothing;
    return std::nullopt;
}

// One lookup tells a file from a folder (FilePresent and DirectoryExists ask the same). With a
// memory, each path is looked up at most once, and most absent ones not at all.
Kind KindOf(std::string_view path) {
    if (path.empty()) return Kind::kNothing;
    const auto lookUp = [](std::string_view text) {
        const auto info = platform::GetFileInfo(text);
        return !info ? Kind::kNothing : info->IsDirectory() ? Kind::kFolder : Kind::kFile;
    };
    if (!memory) return lookUp(path);
    // The view reads "/" as "\\": one spelling per path in the memory.
    std::string key(path);
    for (char& c : key)
        if (c == '/') c = '\\';
    if (const auto known = memory->kinds.find(key); known != memory->kinds.end())
        return known->second;
    const auto derived = Derived(key);
    const Kind result = derived ? *derived : lookUp(key);
    memory->kinds.emplace(std::move(key), result);
    return result;
}

bool IsPresentFile(std::string_view path) { return KindOf(path) == Kind::kFile; }

// A stored name holds at most 255 bytes, and case folding maps one character to one, so a
// longer name matches nothing once it holds more than 255 characters of up to 4 bytes.
constexpr size_t kLongestName = 4 * 255;

bool IsSeparator(char c) { return c == '\\' || c == '/'; }


size_t TryEveryCut(const std::string& path, size_t shortest, size_t longest) {
    for (size_t length = longest; length >= shortest && length > 0 && length != kNone; --length)
        if (IsPresentFile(std::string_view(path).substr(0, length))) return length;
    return kNone;
}

// The longest leading part of `path` with a length in [shortest, longest] that names a
// present file, or kNone: what FilePresent on every cut from the longest down would find, but
// with each folder of the path looked at once. A cut names a file only when the folders
// before its last name are present folders, and a cut ending in a separator, "." or ".."
// names what a shorter cut already named, so only names inside present folders are asked.
size_t LongestPresentPrefix(const std::string& path, size_t shortest, size_t longest) {
    longest = std::min({longest, path.size(), path.find('\0')});  // a NUL ends every path
    if (shortest > longest) return kNone;
    const bool anchored = path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) &&
                          path[1] == ':' && IsSeparator(path[2]);
    // Other forms (a relative folder setting) are rare and short: ask every cut.
    if (!anchored) return TryEveryCut(path, shortest, longest);

    enum class Level : uint8_t { kFolder, kFile, kNothing };
    enum class Cut : uint8_t { kAbsent, kPresent, kAsk };
    std::vector<Cut> cuts(longest + 1, Cut::kAbsent);
    std::vector<Level> levels;  // the parsed folders of the cut, ".." already applied
    const Level root = KindOf(path.substr(0, 3)) == Kind::kFolder ? Level::kFolder : Level::kNothing;
    const auto top = [&] { return levels.empty() ? root : levels.back(); };
    size_t nameStart = 3;
    for (size_t length = 3; length <= longest; ++length) {
        const std::string_view name(path.data() + nameStart, length - nameStart);
        if (name.empty() || name == ".") {
            cuts[length] = !levels.empty() && levels.back() == Level::kFile ? Cut::kPresent : Cut::kAbsent;
        } else if (name == "..") {
            const bool file = levels.size() >= 2 && levels[levels.size() - 2] == Level::kFile;
            cuts[length] = file ? Cut::kPresent : Cut::kAbsent;
        } else {
            cuts[length] = top() == Level::kFolder && name.size() <= kLongestName ? Cut::kAsk : Cut::kAbsent;
        }
        if (length == longest || !IsSeparator(path[length])) continue;
        // The name ends: it becomes a folder level of every longer cut.
        if (name == "..") {
            if (!levels.empty()) levels.pop_back();
        } else if (!name.empty() && name != ".") {
            Level level = Level::kNothing;
            if (cuts[length] == Cut::kAsk) {
                const Kind kind = KindOf(std::string_view(path).substr(0, length));
                level = kind == Kind::kFolder ? Level::kFolder
                        : kind == Kind::kFile ? Level::kFile
                                              : Level::kNothing;
                cuts[length] = level == Level::kFile ? Cut::kPresent : Cut::kAbsent;
            }
            levels.push_back(level);
        }
        nameStart = length + 1;
    }
    for (size_t length = longest; length >= 3 && length >= shortest; --length) {
        if (cuts[length] == Cut::kPresent) return length;
        if (cuts[length] == Cut::kAsk && IsPresentFile(std::string_view(path).substr(0, length))) return length;
    }
    // "c:" and shorter: ParseWindowsPath gives them the current folder.
    return shortest < 3 ? TryEveryCut(path, shortest, std::min<size_t>(2, longest)) : kNone;
}

}  // namespace

PathExpansionMemory::PathExpansionMemory() : data_(std::make_unique<Data>()) {}
PathExpansionMemory::~PathExpansionMemory() = default;

std::string ExpandPathVariables(std::string_view input, PathExpansionMemory* remembered) {
    struct Use {
        PathExpansionMemory::Data* outer = memory;
        explicit Use(PathExpansionMemory::Data* data) { memory = data; }
        ~Use() { memory = outer; }
    } use(remembered ? remembered->data_.get() : nullptr);
    return ExpandPathVariables(input);
}

std::string ExpandPathVariables(std::string_view input) {
    try {
        const std::string systemDir = ToLower(GetSystemDir());
        const std::string windowsDir = ToLower(GetWindowsDir());

        // Variables and quotes are handled once: cutting characters off the end cannot form a
        // new variable, and doing it only once keeps a folder whose name happens to hold
        // "%windir%" from growing the text on every pass.
        std::string text = ToLower(input);
        text = ReplaceAll(text, "%systemroot%", systemDir);
        text = ReplaceAll(text, "%systemdir%", systemDir);
        text = ReplaceAll(text, "%windir%", windowsDir);
        text = ReplaceAll(text, "%winroot%", windowsDir);
        text = ReplaceAll(text, "\"", "");
        if (text.empty()) return {};

        // The whole text: a name in the system folder, then in the Windows folder, then as is.
        const std::string inSystem = systemDir.empty() ? std::string() : systemDir + "\\";
        const std::string inWindows = windowsDir.empty() ? std::string() : windowsDir + "\\";
        if (!inSystem.empty() && IsPresentFile(inSystem + text)) {
            // A system file that is also present below the Windows folder is taken from there.
            if (!inWindows.empty() && IsPresentFile(inWindows + inSystem + text)) return inWindows + inSystem + text;
            return inSystem + text;
        }
        if (!inWindows.empty() && IsPresentFile(inWindows + text)) return inWindows + text;
        if (IsPresentFile(text)) return text;

        // Otherwise the longest leading part from the drive letter before the first ":\" on,
        // with the same three readings; at one length the system folder wins, then the
        // Windows folder. The whole part is taken only as it is.
        const size_t mark = text.find(":\\");
        if (mark == std::string::npos) return {};
        const size_t dropped = mark == 0 ? 0 : mark - 1;
        text.erase(0, dropped);
        if (dropped > 0 && IsPresentFile(text)) return text;  // the whole text was asked above
        const size_t shortest = mark == 0 ? 1 : 2;  // the cut that no longer holds ":\"
        const size_t longest = text.size() - 1;

        struct Reading {
            std::string folder;  // what the cut is appended to
            size_t length = kNone;
        };
        // ":\..." is relative to the current folder, which a reading must then spell out.
        Reading readings[] = {{inSystem}, {inWindows}, {mark == 0 ? platform::CurrentDirectory() : ""}};
        const bool used[] = {!inSystem.empty(), !inWindows.empty(), true};
        for (size_t i = 0; i < 3; ++i) {
            if (!used[i]) continue;
            const size_t base = readings[i].folder.size();
            const size_t found = LongestPresentPrefix(readings[i].folder + text, base + shortest, base + longest);
            if (found != kNone) readings[i].length = found - base;
        }
        size_t best = 3;
        for (size_t i = 0; i < 3; ++i)
            if (readings[i].length != kNone && (best == 3 || readings[i].length > readings[best].length)) best = i;
        if (best == 3) return {};
        const std::string cut = text.substr(0, readings[best].length);
        if (best == 0) {
            if (!inWindows.empty() && IsPresentFile(inWindows + inSystem + cut)) return inWindows + inSystem + cut;
            return inSystem + cut;
        }
        if (best == 1) return inWindows + cut;
        return cut;
    } catch (...) {
        return {};
    }
}

namespace {

struct Macro {
    const char* name;
    std::function<std::string()> folder;
};

std::string DriveOf(const std::string& path) {
    return path.size() >= 2 && path[1] == ':' ? path.substr(0, 2) : std::string();
}

std::string Special(int csidl) { return GetSpecialFolder(csidl); }

// Replaces every occurrence of `name` in the parts not yet produced by a replacement: a folder
// that happens to hold "%%" is never expanded again.
struct Piece {
    std::string text;
    bool expanded;
};

void ReplaceInPieces(std::vector<Piece>& pieces, const Macro& macro) {
    const std::string_view name = macro.name;
    bool used = false;
    for (const Piece& piece : pieces)
        used = used || (!piece.expanded && piece.text.find(name) != std::string::npos);
    if (!used) return;
    // Looked up only when the macro occurs, and before anything changes, so a failing lookup
    // leaves the text as far as it had been expanded.
    const std::string folder = macro.folder();
    std::vector<Piece> out;
    out.reserve(pieces.size() + 2);
    for (Piece& piece : pieces) {
        if (piece.expanded || piece.text.find(name) == std::string::npos) {
            out.push_back(std::move(piece));
            continue;
        }
        size_t start = 0;
        for (size_t hit; (hit = piece.text.find(name, start)) != std::string::npos; start = hit + name.size()) {
            if (hit > start) out.push_back({piece.text.substr(start, hit - start), false});
            out.push_back({folder, true});
        }
        if (start < piece.text.size()) out.push_back({piece.text.substr(start), false});
    }
    pieces = std::move(out);
}

std::string Join(const std::vector<Piece>& pieces) {
    std::string text;
    for (const Piece& piece : pieces) text += piece.text;
    return text;
}

}  // namespace

std::string ExpandFolderMacros(std::string_view input) {
    if (input.empty() || input.find("%%") == std::string_view::npos) return std::string(input);

    using namespace platform;
    auto temp = [] { return GetTempDir(); };
    auto personal = [] { return Special(kCsidlPersonal); };
    auto user = [] { return GetLogonUserName(); };
    auto favorites = [] { return Special(kCsidlFavorites); };
    auto startup = [] { return Special(kCsidlStartup); };
    auto startMenu = [] { return Special(kCsidlStartMenu); };
    auto desktop = [] { return Special(kCsidlDesktopDirectory); };
    auto commonStartMenu = [] { return Special(kCsidlCommonStartMenu); };
    auto commonPrograms = [] { return Special(kCsidlCommonPrograms); };
    auto commonStartup = [] { return Special(kCsidlCommonStartup); };
    auto commonDesktop = [] { return Special(kCsidlCommonDesktopDirectory); };
    auto commonAppData = [] { return Special(kCsidlCommonAppData); };
    auto appData = [] { return Special(kCsidlAppData); };
    auto templates = [] { return Special(kCsidlTemplates); };
    auto internetCache = [] { return Special(kCsidlInternetCache); };
    auto cookies = [] { return Special(kCsidlCookies); };
    auto history = [] { return Special(kCsidlHistory); };
    auto profile = [] { return Special(kCsidlProfile); };
    auto commonFiles = [] { return GetCommonFilesDir(); };
    auto root = [] { return DriveOf(GetWindowsDir()); };

    // Long forms top to bottom, then the short forms; case-sensitive.
    const Macro macros[] = {
        {"%%LocalAppdataFolder%%", [] { return DriveOf(GetLocalAppDataDir()); }},
        {"%%WinTemp%%", temp},
        {"%%PersonalFolder%%", personal},
        {"%%user%%", user},
        {"%%User%%", user},
        {"%%FavoritesFolder%%", favorites},
        {"%%StartupFolder%%", startup},
        {"%%StartmenuFolder%%", startMenu},
        {"%%DesktopFolder%%", desktop},
        {"%%CommonStartmenuFolder%%", commonStartMenu},
        {"%%CommonProgramsFolder%%", commonPrograms},
        {"%%CommonStartupFolder%%", commonStartup},
        {"%%CommonDesktopdirectoryFolder%%", commonDesktop},
        {"%%CommonAppdataFolder%%", commonAppData},
        {"%%AppdataFolder%%", appData},
        {"%%TemplatesFolder%%", templates},
        {"%%InternetCacheFolder%%", internetCache},
        {"%%CookiesFolder%%", cookies},
        {"%%HistoryFolder%%", history},
        {"%%ProfileFolder%%", profile},
        {"%%CommonFilesFolder%%", commonFiles},
        {"%%MyDocuments%%", personal},
        {"%%root%%", root},
        {"%%wt%%", temp},
        {"%%pf%%", personal},
        {"%%ff%%", favorites},
        {"%%sf%%", startup},
        {"%%stf%%", startMenu},
        {"%%df%%", desktop},
        {"%%csf%%", commonStartMenu},
        {"%%cpf%%", commonPrograms},
        {"%%cdf%%", commonDesktop},
        {"%%caf%%", commonAppData},
        {"%%af%%", appData},
        {"%%tf%%", templates},
        {"%%icf%%", internetCache},
        {"%%ckf%%", cookies},
        {"%%hf%%", history},
        {"%%prf%%", profile},
        {"%%cff%%", commonFiles},
        {"%%md%%", personal},
        {"%%rt%%", root},
    };

    std::vector<Piece> pieces{{std::string(input), false}};
    try {
        for (const Macro& macro : macros) ReplaceInPieces(pieces, macro);
    } catch (...) {
        // The text as far as it had been expanded.
    }
    return Join(pieces);
}

}  // namespace scourwell::foundation
