#include "foundation/data_folder.h"

#include "foundation/system_folders.h"
#include "platform/files.h"
#include "platform/shell.h"

namespace scourwell::foundation {

std::string GetDataFolder() {
    std::string base = GetSpecialFolder(platform::kCsidlAppData);
    if (!base.empty() && base.back() == '\\') base.pop_back();
    if (base.empty()) {
        // Without an application-data folder the folders lie at the root of the current drive.
        const std::string current = platform::CurrentDirectory();
        if (current.size() >= 2 && current[1] == ':') base = current.substr(0, 2);
    }
    // Each level is tested and created by itself, on every call: a folder removed while the
    // program runs comes back on the next access.
    std::string level = base;
    for (const char* part : {"\\Vantoric", "\\Scourwell", "\\Settings"}) {
        level += part;
        if (platform::DirectoryExists(level)) continue;
        if (!platform::CreateDirectory(level) && !platform::DirectoryExists(level))
            throw IoError("Unable to create directory \"" + level + "\"");
    }
    return level + "\\";
}

}  // namespace scourwell::foundation
