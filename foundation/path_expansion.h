#pragma once

// Turning the path forms of database entries, start-up commands and process images into
// plain paths.

#include <string>
#include <string_view>

namespace scourwell::foundation {

// "%systemroot%" and kin, quotes, and trailing arguments: the longest leading part that names
// a present file, lower-cased; empty when none.
std::string ExpandPathVariables(std::string_view text);

// While one lives, ExpandPathVariables remembers what it found on disk: the kind of each path
// it looked up and the names in each folder whose entries it tried, so that a pass expanding
// thousands of command lines (a start-up refresh) looks at each folder once instead of once
// per line and cut. Changes made on disk meanwhile may go unseen until the scope ends: open
// one only around a pass that reads, never around one that acts on what it finds. Scopes
// nest; the outermost one holds the memory.
class PathExpansionScope {
  public:
    PathExpansionScope();
    ~PathExpansionScope();
    PathExpansionScope(const PathExpansionScope&) = delete;
    PathExpansionScope& operator=(const PathExpansionScope&) = delete;

  private:
    bool outermost_ = false;
};
// The database's folder macros ("%%AppdataFolder%%", "%%wt%%", ...), case-sensitive.
std::string ExpandFolderMacros(std::string_view text);

}  // namespace scourwell::foundation
