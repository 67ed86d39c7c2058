#pragma once

// The heuristic candidates of the malware step: start-up files with random-looking names, or
// lying below the users' folder, taken from the system snapshot's "Clsid " lines.

#include <string>
#include <string_view>
#include <vector>

#include "scan/system_snapshot.h"

namespace scourwell::scan {

// Lower-cased, true when some character occurs three times in a row, or when at least two
// different characters occur doubled.
bool HasRepeatedLetters(std::string_view text);

// Whether the file of `path` looks machine-named: never inside the Program Files folder (also
// without its " (x86)"), never with one of the usual product words in its name, never with a
// second dot; then true for repeated letters, an all-digit name, a name that starts with a
// digit, or one with more than two digits.
bool IsRandomLookingName(std::string_view path);
// The same with the Program Files folder given (the registry is read once per collection).
bool IsRandomLookingName(std::string_view path, std::string_view programFilesDir);

// The start-up files of the snapshot that are random-looking, or that lie below the users'
// folder (the parent of the profile folder) and name none of the exclusion words. Lower-cased
// paths, in snapshot order.
std::vector<std::string> CollectHeuristicCandidates(const SystemSnapshot& snapshot);

}  // namespace scourwell::scan
