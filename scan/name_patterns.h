#pragma once

// The name pattern language of database entries. The file name part of a candidate is the
// pattern, its folder part the pattern folder; the kind is chosen in this order:
//
//   prefix  "<>" in the name: snapshot files in the pattern folder whose path holds the text
//           before "<>";
//   set     "&": files whose name is the text before "&" followed only by characters of the
//           set after it, with the "!"-terminated tokens after the first one in order (the
//           folder's listing, or the snapshot when there is no usable listing);
//   fragment "?": snapshot files in the pattern folder whose name holds the "?"-terminated
//           fragments in order;
//   twin    "randomA": every snapshot file name...a.ext whose twin name....ext exists: the
//           file (once more when it lies in the pattern folder) and its twin.
//
// Other names are no pattern. Paths may repeat in a result.

#include <string>
#include <string_view>
#include <vector>

#include "foundation/program_context.h"
#include "scan/system_snapshot.h"

namespace scourwell::scan {

enum class PatternKind { None, Prefix, Set, Fragment, Twin };

PatternKind PatternKindOf(std::string_view candidate);

// The files a pattern candidate stands for; empty for a name that is no pattern and when the
// matching fails. Only the set kind lists a folder (serving events meanwhile).
std::vector<std::string> MatchNamePattern(foundation::ProgramContext& context,
                                          SystemSnapshot& snapshot, std::string_view candidate);

// The set kind's test of a name remainder (lower-cased file name without the prefix) against
// the text after "&".
bool PassesSet(std::string_view remainder, std::string_view rest);

}  // namespace scourwell::scan
