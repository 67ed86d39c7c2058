#pragma once

// The file half of the inspection pages' "Add to quarantine": the file a refresh listed is
// copied into the quarantine and deleted, ending the processes that run it. Only that very
// object is acted on; a file that took its place since (another inode under the name, a
// case-variant twin, a link) is left alone, as the clean-up does with its rows.

#include <optional>

#include "foundation/program_context.h"
#include "platform/files.h"
#include "quarantine/quarantine_store.h"

namespace scourwell::inspect {

enum class ListedFileOutcome {
    Deleted,     // copied into the quarantine, then deleted
    NotDeleted,  // copied, but it could not be deleted (the pages say "On reboot.")
    NotCopied,   // no copy could be made: the file stays, as the user's only one
    Replaced,    // the listed file is gone and another object stands under its name: untouched
    Gone,        // the listed file is gone and nothing stands there (or nothing was listed)
};

// Quarantines and deletes the listed file. Without an identity (the refresh found no file)
// the outcome is Replaced when a file stands at `shownPath` now, Gone otherwise.
ListedFileOutcome QuarantineListedFile(foundation::ProgramContext& context,
                                       quarantine::QuarantineStore& store,
                                       const std::optional<platform::FileIdentity>& file,
                                       std::string_view shownPath);

}  // namespace scourwell::inspect
