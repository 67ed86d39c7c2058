#pragma once

// Turning the path forms of database entries, start-up commands and process images into
// plain paths.

#include <memory>
#include <string>
#include <string_view>

namespace scourwell::foundation {

// "%systemroot%" and kin, quotes, and trailing arguments: the longest leading part that names
// a present file, lower-cased; empty when none.
std::string ExpandPathVariables(std::string_view text);

// What a pass of many expansions (a start-up refresh over thousands of command lines) has
// found on disk: the kind of each path looked up and the names in each folder whose entries
// were tried. Handed to every expansion of the pass, it lets each folder be looked at once
// instead of once per line and cut. What changes on disk during the pass may go unseen by
// it, so keep one only for a pass that reads, and only for that pass.
class PathExpansionMemory {
  public:
    PathExpansionMemory();
    ~PathExpansionMemory();
    PathExpansionMemory(const PathExpansionMemory&) = delete;
    PathExpansionMemory& operator=(const PathExpansionMemory&) = delete;

    struct Data;

  private:
    friend std::string ExpandPathVariables(std::string_view text, PathExpansionMemory* memory);
    std::unique_ptr<Data> data_;
};

// The same expansion, remembering across the calls that share `memory` (none when null).
std::string ExpandPathVariables(std::string_view text, PathExpansionMemory* memory);

// The database's folder macros ("%%AppdataFolder%%", "%%wt%%", ...), case-sensitive.
std::string ExpandFolderMacros(std::string_view text);

}  // namespace scourwell::foundation
