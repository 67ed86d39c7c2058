#include "scan/name_patterns.h"

#include "foundation/file_helpers.h"
#include "foundation/record_lines.h"
#include "foundation/text.h"

namespace scourwell::scan {
namespace {

using foundation::FileNamePart;
using foundation::FolderPart;
using foundation::ToLower;

// "contains" in the sense of the pattern rules: an empty part is never found.
bool Holds(std::string_view text, std::string_view part) {
    return !part.empty() && text.find(part) != std::string_view::npos;
}

bool InFolder(const std::string& lowerPath, const std::string& lowerFolder) {
    return FolderPart(lowerPath) == lowerFolder;
}

std::string EraseFirst(std::string text, std::string_view part) {
    if (part.empty()) return text;
    const size_t at = text.find(part);
    if (at != std::string::npos) text.erase(at, part.size());
    return text;
}

void MatchPrefix(SystemSnapshot& snapshot, const std::string& name, const std::string& lowerFolder,
                 std::vector<std::string>& out) {
    const std::string prefix = name.substr(0, name.find("<>"));
    const std::string lowerPrefix = ToLower(prefix);
    for (const SnapshotPath& entry : snapshot.Source()) {
        if (!Holds(entry.line, prefix)) continue;
        if (Holds(entry.path, lowerPrefix) && InFolder(entry.path, lowerFolder)) out.push_back(entry.path);
    }
}

void MatchSet(foundation::ProgramContext& context, SystemSnapshot& snapshot,
              const std::string& name, const std::string& folder, std::vector<std::string>& out) {
    const size_t amp = name.find('&');
    const std::string prefix = name.substr(0, amp);
    const std::string rest = name.substr(amp + 1);
    const std::string lowerPrefix = ToLower(prefix);
    const std::string plain = foundation::ReplaceAll(name, "!", "");
    const size_t dot = plain.rfind('.');
    const std::string extension = dot == std::string::npos ? std::string() : plain.substr(dot);

    bool fromSnapshot = prefix.empty();
    std::vector<std::string> listing;
    if (!prefix.empty()) {
        const std::string pattern = folder + prefix + "<>" + extension;
        listing = foundation::ListMatchingFilePaths(context, pattern);
        if (foundation::FilePresent(pattern)) {
            std::string lowerListing;
            for (const std::string& path : listing) lowerListing += ToLower(path) + ";";
            fromSnapshot = !Holds(lowerListing, ToLower(folder + prefix));
        }
    }

    if (!fromSnapshot) {
        for (const std::string& path : listing) {
            const std::string remainder = EraseFirst(ToLower(FileNamePart(path)), lowerPrefix);
            if (PassesSet(remainder, rest)) out.push_back(folder + prefix + remainder);
        }
        return;
    }
    const std::string lowerHead = ToLower(folder + prefix);
    for (const SnapshotPath& entry : snapshot.Source()) {
        if (!prefix.empty() && (!Holds(entry.lowerLine, lowerHead) || !Holds(entry.path, lowerHead)))
            continue;
        const std::string remainder =
            lowerPrefix.empty() ? FileNamePart(entry.path)
                                : foundation::ReplaceAll(FileNamePart(entry.path), lowerPrefix, "");
        if (PassesSet(remainder, rest)) out.push_back(folder + prefix + remainder);
    }
}

void MatchFragments(SystemSnapshot& snapshot, const std::string& name, const std::string& lowerFolder,
                    std::vector<std::string>& out) {
    std::vector<std::string> fragments;
    const int count = foundation::CountFields(name, '?');
    for (int i = 0; i < count; ++i) fragments.push_back(ToLower(foundation::ExtractField(name, i, '?')));
    for (const SnapshotPath& entry : snapshot.Source()) {
        const std::string fileName = FileNamePart(entry.path);
        bool passes = true;
        size_t previous = 0;
        for (const std::string& fragment : fragments) {
            const size_t at = fragment.empty() ? std::string::npos : fileName.find(fragment);
            if (at == std::string::npos || at < previous) {
                passes = false;
                break;
            }
            previous = at;
        }
        if (passes && InFolder(entry.path, lowerFolder)) out.push_back(entry.path);
    }
}

void MatchTwins(SystemSnapshot& snapshot, const std::string& lowerFolder, std::vector<std::string>& out) {
    for (const SnapshotPath& entry : snapshot.Source()) {
        const std::string fileName = FileNamePart(entry.path);
        const size_t dot = fileName.rfind('.');
        const std::string extension = dot == std::string::npos ? std::string() : fileName.substr(dot);
        const std::string marked = "a" + extension;
        // Past the third character: the name has a stem of its own before the added "a".
        const size_t at = fileName.find(marked);
        if (at == std::string::npos || at + 1 <= 3) continue;
        const std::string twin = foundation::ReplaceAll(entry.path, marked, extension);
        if (!foundation::FilePresent(twin)) continue;
        if (InFolder(entry.path, lowerFolder)) out.push_back(entry.path);
        out.push_back(entry.path);
        out.push_back(twin);
    }
}

}  // namespace

PatternKind PatternKindOf(std::string_view candidate) {
    const std::string name = FileNamePart(candidate);
    if (name.find("<>") != std::string::npos) return PatternKind::Prefix;
    if (name.find('&') != std::string::npos) return PatternKind::Set;
    if (name.find('?') != std::string::npos) return PatternKind::Fragment;
    if (name.find("randomA") != std::string::npos) return PatternKind::Twin;
    return PatternKind::None;
}

bool PassesSet(std::string_view remainder, std::string_view rest) {
    // The tokens: the "!"-terminated fields after the first one, each to be found after the
    // first occurrence of the one before.
    const int count = foundation::CountFields(rest, '!');
    std::string work(remainder);
    std::string set(rest);
    size_t previousFirst = std::string::npos;
    for (int i = 1; i < count; ++i) {
        const std::string token = foundation::ExtractField(rest, i, '!');
        const size_t from = previousFirst == std::string::npos ? 0 : previousFirst + 1;
        if (remainder.find(token, from) == std::string_view::npos) return false;
        previousFirst = remainder.find(token);
        work = EraseFirst(std::move(work), token);
        set = EraseFirst(std::move(set), token);
    }
    set = foundation::ReplaceAll(set, "!", "");
    for (char c : work)
        if (set.find(c) == std::string::npos) return false;
    return true;
}

std::vector<std::string> MatchNamePattern(foundation::ProgramContext& context,
                                          SystemSnapshot& snapshot, std::string_view candidate) {
    std::vector<std::string> out;
    try {
        const std::string name = FileNamePart(candidate);
        const std::string folder = FolderPart(candidate);
        const std::string lowerFolder = ToLower(folder);
        switch (PatternKindOf(candidate)) {
            case PatternKind::Prefix:
                MatchPrefix(snapshot, name, lowerFolder, out);
                break;
            case PatternKind::Set:
                MatchSet(context, snapshot, name, folder, out);
                break;
            case PatternKind::Fragment:
                MatchFragments(snapshot, name, lowerFolder, out);
                break;
            case PatternKind::Twin:
                MatchTwins(snapshot, lowerFolder, out);
                break;
            case PatternKind::None:
                break;
        }
    } catch (...) {
        out.clear();
    }
    return out;
}

}  // namespace scourwell::scan
