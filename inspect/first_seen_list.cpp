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
    // A name may itself hold "=": the line answers for every text before one of its "=". Of
    // two lines that answer for one name, the one first in sorted order counts.
    for (size_t equals = line.find('='); equals != std::string::npos;
         equals = line.find('=', equals + 1)) {
        auto [it, added] = dates_.try_emplace(
            foundation::ToLower(std::string_view(line).substr(0, equals)), Entry{line, {}});
        if (!added && foundation::CompareIgnoreCase(line, it->second.line) >= 0) continue;
        it->second = Entry{line, LastField(line)};
    }
}

bool FirstSeenList::LoadIfPresent(const std::string& path) {
    if (!platform::FileExists(path)) return true;
    foundation::TextList loaded(true, true);
    if (!loaded.LoadFromFile(path)) return false;
    lines_ = std::move(loaded);
    dates_.clear();
    for (const std::string& line : lines_.Lines()) Index(line);
    return true;
}

bool FirstSeenList::Save(const std::string& path) const { return lines_.SaveToFile(path); }

std::optional<std::string> FirstSeenList::DateOf(std::string_view name) const {
    const auto found = dates_.find(foundation::ToLower(name));
    if (found == dates_.end()) return std::nullopt;
    return found->second.date;
}

void FirstSeenList::Add(std::string line) {
    Index(line);
    lines_.Add(std::move(line));
}

}  // namespace scourwell::inspect
