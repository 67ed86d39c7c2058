#include "tools/cli/db_command.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>

#include "platform/files.h"
#include "tools/cli/database_check.h"
#include "tools/cli/escaping.h"

namespace scourwell::cli {

namespace {

// FILE as given: "X:..." is a path of the view, anything else a host path.
std::string ReadDatabaseFile(const std::string& argument) {
    if (IsViewPath(argument)) {
        const auto bytes = platform::ReadWholeFile(argument);
        if (!bytes) throw CommandError("cannot read " + argument);
        return *bytes;
    }
    std::error_code error;
    if (!std::filesystem::is_regular_file(argument, error))
        throw CommandError("cannot read " + argument + ": " +
                           (std::filesystem::exists(argument, error) ? "not a regular file"
                                                                      : "no such file"));
    std::ifstream in(argument, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in.is_open() || in.bad()) throw CommandError("cannot read " + argument);
    return bytes;
}

}  // namespace

int RunDb(Session& session, const Options& options, std::ostream& out) {
    if (options.command == Command::DbCheck) return RunDbCheck(options, out);
    session.LoadDatabase();
    const std::string path = session.DatabasePath();
    const auto host = platform::ToHostPath(path);
    const DatabaseCheck check = CheckDatabaseBytes(platform::ReadWholeFile(path).value_or(""), path);
    out << "Database: " << EscapeForTerminal(host ? *host : path) << '\n'
        << "Version: " << EscapeForTerminal(check.versionLine) << '\n'
        << "Entries: " << check.entries << '\n';
    return 0;
}

int RunDbCheck(const Options& options, std::ostream& out) {
    const DatabaseCheck check = CheckDatabaseBytes(ReadDatabaseFile(options.file), options.file);
    if (check.outcome != DatabaseCheck::Outcome::Valid) {
        out << EscapeForTerminal(check.message) << '\n';
        return 1;
    }
    out << EscapeForTerminal(options.file) << ": valid\n"
        << "Version: " << EscapeForTerminal(check.versionLine) << '\n'
        << "Entries: " << check.entries << '\n';
    return 0;
}

}  // namespace scourwell::cli
