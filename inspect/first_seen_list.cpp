#include "inspect/first_seen_list.h"

#include "foundation/text.h"
#include "platform/files.h"

namespace scourwell::inspect {

std::string LastField(std::string_view line) {
    if (line.empty() || line.back() != ';') return {};
    line.remove_suffix(1);
    const size_t start = line.rfind(';');
    return std::string(start == std::string_view::npos ? line : line.substr(start + 1));
}

void FirstSeenList::Clear() {
    lines_.Clear();
    dates_.clear();
}

void FirstSeenList::Index(const std::string& line) {
    const size_t equals = line.find('=');
    if (equals == std::string::npos) return;
    dates_.emplace(foundation::ToLower(std::string_view(line).substr(0, equals)), LastField(line));
}

bool FirstSeenList::LoadIfPresent(const std::string& path) {
    if (!platform::FileExists(path)) return true;
    foundation::TextList loaded(true, true);
    if (!loaded.LoadFromFile(path)) return false;
    lines_ = std::move(loaded);
    dates_.clear();
    // Sorted order: the first line of a name wins.
    for (const std::string& line : lines_.Lines()) Index(line);
    return true;
}

bool FirstSeenList::Save(const std::string& path) const { return lines_.SaveToFile(path); }

std::optional<std::string> FirstSeenList::DateOf(std::string_view name) const {
    if (name.find('=') == std::string_view::npos) {
        const auto found = dates_.find(foundation::ToLower(name));
        if (found == dates_.end()) return std::nullopt;
        return found->second;
    }
    // The index knows names up to their first "=" only.
    const std::string prefix = std::string(name) + "=";
    for (const std::string& line : lines_.Lines()) {
        if (line.size() >= prefix.size() &&
            foundation::EqualsIgnoreCase(std::string_view(line).substr(0, prefix.size()), prefix))
            return LastField(line);
    }
    return std::nullopt;
}

void FirstSeenList::Add(std::string line) {
    Index(line);
    lines_.Add(std::move(line));
}

}  // namespace scourwell::inspect
