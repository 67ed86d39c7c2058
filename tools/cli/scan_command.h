#pragma once

// `scan` and `clean`: a scan of the kind the options choose, run by the scan driver exactly as
// the window's buttons run it, then the results list printed, or cleaned up.

#include <iosfwd>

#include "tools/cli/options.h"
#include "tools/cli/session.h"

namespace scourwell::cli {

// Exit status: 0 nothing found, 1 something found, 130 interrupted. Errors throw CommandError.
int RunScan(Session& session, const Options& options, std::ostream& out);
// Without --yes: what would be deleted and its total (0 nothing, 1 something). With --yes:
// the clean-up of the checked rows and each one's outcome (0 every object deleted, 1 not
// every one, 130 interrupted).
int RunClean(Session& session, const Options& options, std::ostream& out);

}  // namespace scourwell::cli
