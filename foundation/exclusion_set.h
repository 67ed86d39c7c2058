#pragma once

// The exclusion set: objects the user unchecked, as lines Location + Name + "=;" + Kind + ";".

#include <string>
#include <string_view>

#include "foundation/text_list.h"

namespace scourwell::foundation {

class ExclusionSet {
public:
    static std::string Key(std::string_view location, std::string_view name, std::string_view kind);

    void Add(const std::string& key);       // a duplicate (case ignored) is ignored
    void Remove(std::string_view key);      // case ignored; no-op when absent
    bool Contains(std::string_view key) const;
    // True when an entry has this full path as its name part (everything before the entry's
    // last "=;", so a path may hold "=") and this kind as its kind field; case ignored by the
    // platform's rule for names (the one path resolution uses).
    bool IsExcluded(std::string_view fullPath, std::string_view kind) const;
    const TextList& Lines() const { return lines_; }

private:
    TextList lines_{true, true};
};

}  // namespace scourwell::foundation
