#include "database/shipped_database.h"

#include <string>

#include "foundation/data_folder.h"
#include "platform/files.h"
#include "platform/system_info.h"

namespace scourwell::database {

bool InstallShippedDatabase() {
    std::string target;
    try {
        target = foundation::GetDataFolder() + "files.dat";
    } catch (const foundation::IoError&) {
        return false;
    }
    if (platform::FileExists(target)) return false;
    const std::string programDir = platform::ProgramDirectory();
    if (programDir.empty()) return false;
    // failIfExists: a database that appeared meanwhile stays as it is.
    return platform::CopyDataFile(programDir + "\\files.dat", target, true);
}

}  // namespace scourwell::database
