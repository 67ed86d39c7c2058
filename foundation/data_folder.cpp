#include "foundation/data_folder.h"

#include "foundation/system_folders.h"
#include "platform/files.h"
#include "platform/shell.h"

namespace scourwell::foundation {
namespace {

// The message names the host folder beside the Windows one: on a machine view the Windows path
// alone does not tell the user which folder to look at.
[[noreturn]] void CannotCreate(const std::string& folder) {
    std::string message = "Unable to create directory \"" + folder + "\"";
    const std::string host = platform::HostPathForMessage(folder);
    if (!host.empty()) message += " (" + host + ")";
    throw IoError(message);
}

}  // namespace

std::string GetDataFolder() {
    std::string base = GetSpecialFolder(platform::kCsidlAppData);
    if (!base.empty() && base.back() == '\\') base.pop_back();
    if (base.empty()) {
        // Without an application-data folder the folders lie at the root of the current drive.
        const std::string current = platform::CurrentDirectory();
        if (current.size() >= 2 && current[1] == ':') base = current.substr(0, 2);
    }
    // A fresh account has no application-data folder yet (no ~/.config on Linux): the whole
    // chain is made, private to the user, before the program's own levels.
    if (base.size() > 2 && !platform::DirectoryExists(base) &&
        !platform::CreateDirectoryChain(base, true))
        CannotCreate(base);
    // Each level is tested and created by itself, on every call: a folder removed while the
    // program runs comes back on the next access.
    std::string level = base;
    for (const char* part : {"\\Vantoric", "\\Scourwell", "\\Settings"}) {
        level += part;
        if (platform::DirectoryExists(level)) continue;
        if (!platform::CreateDirectoryChain(level, true) && !platform::DirectoryExists(level))
            CannotCreate(level);
    }
    return level + "\\";
}

}  // namespace scourwell::foundation
