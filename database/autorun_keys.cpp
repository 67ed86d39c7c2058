#include "database/autorun_keys.h"

#include "foundation/text.h"
#include "foundation/text_list.h"
#include "platform/system_info.h"

namespace scourwell::database {

std::string AutorunKeyFilePath() {
    return platform::ProgramDirectory() + "\\" + std::string(kAutorunKeyFile);
}

std::optional<AutorunKeyList> ReadAutorunKeys(std::string_view path) {
    foundation::TextList lines;
    if (!lines.LoadFromFile(path)) return std::nullopt;
    AutorunKeyList list;
    long long count = 0;
    if (lines.Empty() || !foundation::ParseInt64(lines[0], count)) return list;
    size_t at = 1;
    for (long long record = 0; record < count; ++record, at += 3) {
        AutorunKey key;
        // A record cut short by the end of the file ends the list like a bad number does.
        if (at + 1 >= lines.Count() || !foundation::ParseInt64(lines[at], key.rootIndex))
            return list;
        key.keyPath = lines[at + 1];
        list.keys.push_back(std::move(key));
    }
    list.complete = true;
    return list;
}

}  // namespace scourwell::database
