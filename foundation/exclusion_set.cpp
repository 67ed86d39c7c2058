#include "foundation/exclusion_set.h"

#include "foundation/text.h"
#include "platform/files.h"

namespace scourwell::foundation {
namespace {

// An entry is path + "=;" + kind + ";". The kind never holds "=", so the path is everything
// before the last "=;" (a path may itself contain "=").
bool SplitEntry(std::string_view entry, std::string_view& path, std::string_view& kind) {
    const size_t mark = entry.rfind("=;");
    if (mark == std::string_view::npos) return false;
    path = entry.substr(0, mark);
    kind = entry.substr(mark + 2);
    if (!kind.empty() && kind.back() == ';') kind.remove_suffix(1);
    return true;
}

}  // namespace

std::string ExclusionSet::Key(std::string_view location, std::string_view name, std::string_view kind) {
    std::string key(location);
    key += name;
    key += "=;";
    key += kind;
    key += ";";
    return key;
}

void ExclusionSet::Add(const std::string& key) { lines_.Add(key); }

void ExclusionSet::Remove(std::string_view key) {
    const long index = lines_.IndexOf(key);
    if (index >= 0) lines_.Remove(static_cast<size_t>(index));
}

bool ExclusionSet::Contains(std::string_view key) const { return lines_.IndexOf(key) >= 0; }

bool ExclusionSet::IsExcluded(std::string_view fullPath, std::string_view kind) const {
    for (const std::string& entry : lines_.Lines()) {
        std::string_view path;
        std::string_view entryKind;
        if (!SplitEntry(entry, path, entryKind)) continue;
        // The same case rule as path resolution: a name that resolves to an excluded object
        // is excluded itself.
        if (!platform::SameNameIgnoringCase(path, fullPath)) continue;
        // The kind is compared with the entry's own kind field, not searched for anywhere in
        // the line: "C:\Profiles\old" as a folder must not exclude a file of that path.
        if (EqualsIgnoreCase(entryKind, kind)) return true;
    }
    return false;
}

}  // namespace scourwell::foundation
