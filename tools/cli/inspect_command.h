#pragma once

// scourwell-cli processes, startup, fileguard and report: the inspection pages' lists and the
// quick report, read-only. Like the window's refreshes they record first-seen dates in
// "proc.dat" and "regk.dat".

#include <iosfwd>

#include "tools/cli/options.h"
#include "tools/cli/session.h"

namespace scourwell::cli {

int RunInspect(Session& session, const Options& options, std::ostream& out);

}  // namespace scourwell::cli
