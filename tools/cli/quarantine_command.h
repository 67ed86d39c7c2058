#pragma once

// `quarantine list | restore N... | clear`: the Quarantine page's list and its "Restore" and
// "Clear All" buttons.

#include <iosfwd>

#include "tools/cli/options.h"
#include "tools/cli/session.h"

namespace scourwell::cli {

// list: 0. restore: 0 when every named row was restored, else 1. clear: without --yes only
// shows what would go (0); with it 0. Errors (a row number that is not listed) throw
// CommandError.
int RunQuarantine(Session& session, const Options& options, std::ostream& out);

}  // namespace scourwell::cli
