#pragma once

// A first-seen record ("proc.dat", "regk.dat"): sorted lines, no duplicates, each a name, "="
// and ";"-terminated fields, the last of which is the date on which the name was first seen
// (empty for names recorded on the first run). Lines are only ever added.

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "foundation/text_list.h"

namespace scourwell::inspect {

class FirstSeenList {
  public:
    const foundation::TextList& Lines() const { return lines_; }
    bool Empty() const { return lines_.Empty(); }
    void Clear();

    // Replaces the lines with those of a data-folder file when it exists. False when it exists
    // but cannot be read (the list is then unchanged).
    bool LoadIfPresent(const std::string& path);
    bool Save(const std::string& path) const;

    // The date of the first line (in sorted order) whose name equals `name`, case ignored;
    // empty when there is none. A name may itself hold "=".
    std::optional<std::string> DateOf(std::string_view name) const;
    bool Has(std::string_view name) const { return DateOf(name).has_value(); }
    // Adds a line: a name, "=" and its fields.
    void Add(std::string line);

  private:
    void Index(const std::string& line);
    foundation::TextList lines_{true, true};
    struct Entry {
        std::string line;  // the line that answers for the name
        std::string date;
    };
    std::unordered_map<std::string, Entry> dates_;  // lower-cased name -> its first line
};

// The last ";"-terminated field of a line (the date of a first-seen line); empty when none.
std::string LastField(std::string_view line);

}  // namespace scourwell::inspect
