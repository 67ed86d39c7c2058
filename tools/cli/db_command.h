#pragma once

// `db info` and `db check FILE`: the signature database the program uses, and a check of any
// database file before it is put in place.

#include <iosfwd>

#include "tools/cli/options.h"
#include "tools/cli/session.h"

namespace scourwell::cli {

// info: 0 (a missing or damaged database throws CommandError).
int RunDb(Session& session, const Options& options, std::ostream& out);
// check: 0 valid, 1 damaged; a file that cannot be read throws CommandError. Needs no
// session; a file of the view ("X:...") needs the machine installed.
int RunDbCheck(const Options& options, std::ostream& out);

}  // namespace scourwell::cli
