#pragma once

// Turning the path forms of database entries, start-up commands and process images into
// plain paths.

#include <string>
#include <string_view>

namespace scourwell::foundation {

// "%systemroot%" and kin, quotes, and trailing arguments: the longest leading part that names
// a present file, lower-cased; empty when none.
std::string ExpandPathVariables(std::string_view text);
// The database's folder macros ("%%AppdataFolder%%", "%%wt%%", ...), case-sensitive.
std::string ExpandFolderMacros(std::string_view text);

}  // namespace scourwell::foundation
