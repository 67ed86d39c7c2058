#pragma once

// Registry values in the quarantine: the root key index (0 HKEY_CLASSES_ROOT, 1
// HKEY_CURRENT_USER, 2 HKEY_LOCAL_MACHINE, 3 HKEY_USERS, 4 HKEY_CURRENT_CONFIG) and the backup
// file of one value, five lines ended by CR LF:
//   root index / key path / value name / type word / the data (text, or decimal integer)
// The type word is "str" for a string, "expstr" for an expandable string and "int" for a 32-bit
// integer. Older backups hold "str" for expandable strings too; they come back as strings.

#include <string>
#include <string_view>

#include "platform/registry.h"

namespace scourwell::quarantine {

// "HKEY_CLASSES_ROOT" ... "HKEY_CURRENT_CONFIG" for 0..4; the empty text otherwise.
std::string RootKeyIndexName(long long index);
// The root for 0..4; `fallback` for any other index.
platform::RootKey IndexToRootKey(long long index, platform::RootKey fallback);
// The index 0..4 of a root.
int RootKeyToIndex(platform::RootKey root);

// Writes the backup file of a value (replacing it). True for string, expandable string and
// 32-bit integer values; false when the key or value is missing (nothing written) or the type
// is another one (the file then holds the first three lines only).
bool BackupRegistryValue(platform::RootKey root, std::string_view key, std::string_view valueName,
                         std::string_view file);
inline constexpr std::string_view kTypeWordString = "str";
inline constexpr std::string_view kTypeWordExpandString = "expstr";
inline constexpr std::string_view kTypeWordInteger = "int";

// Writes a backed-up value back with its type, creating its key (and parents) when missing.
// The file is read strictly: exactly five lines, each ended by CR LF (no lone CR or LF, nothing
// after the fifth), the root index one digit 0-4. False, with nothing written, on any other
// file, a missing one, an unknown type word, a number that does not parse; false on a refused
// write.
bool RestoreRegistryValue(std::string_view file);

}  // namespace scourwell::quarantine
