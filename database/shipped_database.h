#pragma once

// The database that ships next to the program file, installed on first start.

namespace scourwell::database {

// Copies the program folder's "files.dat" into the data folder when the data folder has no
// "files.dat" yet; an existing database is never replaced. True when a copy was made.
bool InstallShippedDatabase();

}  // namespace scourwell::database
