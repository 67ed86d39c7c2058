#include "tools/cli/database_check.h"

#include <vector>

#include "database/signature_database.h"

namespace scourwell::cli {

DatabaseCheck CheckDatabaseBytes(const std::string& bytes, const std::string& name) {
    DatabaseCheck check;
    check.outcome = DatabaseCheck::Outcome::Damaged;
    if (bytes.empty()) {
        check.message = name + " is empty, not a signature database";
        return check;
    }
    std::vector<unsigned char> stored(bytes.begin(), bytes.end());
    database::Descramble(stored);
    if (stored.size() < 3 || stored[0] != 'B' || stored[1] != 'Z' || stored[2] != 'h') {
        check.message = name + " is not a signature database";
        return check;
    }
    std::string text;
    if (!database::DecompressDatabase(stored, text)) {
        check.message = name + " is damaged or truncated";
        return check;
    }
    database::SignatureDatabase db;
    db.SetText(std::move(text));
    const std::string version = db.VersionLine();
    if (version == "_end" || version == "Error" || version.empty()) {
        check.message = name + " has no version line";
        return check;
    }
    std::string folder;
    size_t entries = 0;
    while (database::ReadEntryLine(db, folder) != "_end") ++entries;
    check.outcome = DatabaseCheck::Outcome::Valid;
    check.versionLine = version;
    check.entries = entries;
    return check;
}

}  // namespace scourwell::cli
