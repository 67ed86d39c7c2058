#include "tools/cli/session.h"

#include "database/shipped_database.h"
#include "foundation/data_folder.h"
#include "platform/files.h"
#include "tools/cli/database_check.h"

namespace scourwell::cli {

Session::Session(CliPort& port) : ui(port) {
    port.Attach(&context);
}

std::string Session::DatabasePath() const {
    return foundation::GetDataFolder() + "files.dat";
}

void Session::LoadDatabase() {
    database::InstallShippedDatabase();
    const std::string path = DatabasePath();
    const auto host = platform::ToHostPath(path);
    const std::string shown = host ? *host : path;
    if (!platform::FileExists(path))
        throw CommandError("the signature database " + shown +
                           " is missing (a fresh installation copies it from the program's folder)");
    const auto bytes = platform::ReadWholeFile(path);
    if (!bytes) throw CommandError("the signature database " + shown + " cannot be read");
    const DatabaseCheck check = CheckDatabaseBytes(*bytes, shown);
    if (check.outcome != DatabaseCheck::Outcome::Valid)
        throw CommandError("the signature database " + check.message +
                           "; replace it with a good copy (scourwell-cli db check FILE tells)");
    database.Load(path);
}

void Session::LoadQuarantine() {
    quarantine.LoadAtStartup();
    quarantinePage.SelectCbx1(0);
    quarantinePage.Button17Click();
}

}  // namespace scourwell::cli
