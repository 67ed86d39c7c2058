#include "foundation/path_expansion.h"

#include <functional>
#include <vector>

#include "foundation/file_helpers.h"
#include "foundation/system_folders.h"
#include "foundation/text.h"
#include "platform/shell.h"

namespace scourwell::foundation {

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

        // Every pass either returns or makes the text one character shorter.
        while (!text.empty()) {
            if (!systemDir.empty() && FilePresent(systemDir + "\\" + text)) text = systemDir + "\\" + text;
            if (!windowsDir.empty() && FilePresent(windowsDir + "\\" + text)) text = windowsDir + "\\" + text;
            if (FilePresent(text)) return text;

            const size_t mark = text.find(":\\");
            if (mark == std::string::npos) return {};
            // From the drive letter before ":\" on.
            text.erase(0, mark == 0 ? 0 : mark - 1);
            if (FilePresent(text)) return text;
            text.pop_back();
        }
        return {};
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
