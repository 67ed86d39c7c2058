#pragma once

// `quarantine list | restore ID... | clear`: the Quarantine page's list and its "Restore" and
// "Clear All" buttons.
//
// Each entry has an id that stays its own while it is in the quarantine: the first 12 hex
// digits of the MD5 digest of its index line (the line holds the entry's time, source or
// registry value and stored name, and no two lines of the index are the same). Row numbers
// move when an entry goes; an id never names another entry, so restoring the same id twice
// cannot restore two different objects.

#include <iosfwd>
#include <string>

#include "quarantine/quarantine_store.h"
#include "tools/cli/options.h"
#include "tools/cli/session.h"

namespace scourwell::cli {

// The id of the entry that row `row` of the store's cList1 shows; empty when its line is gone.
std::string EntryIdOfRow(const quarantine::QuarantineStore& store, size_t row);

// list: 0. restore: without --yes only shows what would come back (0); with it 0 when every
// named entry was restored, else 1. clear: without --yes only shows what would go (0); with
// it 0. Errors (an id that is not listed) throw CommandError.
int RunQuarantine(Session& session, const Options& options, std::ostream& out);

}  // namespace scourwell::cli
