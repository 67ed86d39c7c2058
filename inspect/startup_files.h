#pragma once

// The start-up files that the registry names outside the run keys: shell service objects,
// Winlogon notification packages, shared task schedulers, browser helper objects, shell execute
// hooks, AppInit DLLs and the current user's uninstallers. The quick report and the malware
// scan read the list; nothing here needs a window.

#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "foundation/path_expansion.h"
#include "foundation/program_context.h"
#include "platform/registry.h"

namespace scourwell::inspect {

// Paths in the order found, without duplicates (case ignored) and without empty entries.
class StartupFileList {
  public:
    // False when the path is empty or already listed.
    bool Add(std::string path);
    bool Contains(std::string_view path) const;
    void Clear();
    size_t Count() const { return paths_.size(); }
    const std::vector<std::string>& Paths() const { return paths_; }
    const std::string& operator[](size_t i) const { return paths_[i]; }

  private:
    std::vector<std::string> paths_;
    std::unordered_set<std::string> lower_;
};

// Adds every present file that a string value of root\keyPath names (expanded, lower-cased by
// the path expansion, which shares `seenOnDisk` when given). A key that cannot be opened adds
// nothing.
void CollectKeyValueFiles(StartupFileList& files, platform::RootKey root, std::string_view keyPath,
                          foundation::PathExpansionMemory* seenOnDisk = nullptr);

// Rebuilds `files` from the eight sources, in order. Window messages run once per value of the
// shell service objects and the shared task schedulers, and now and then in the other loops;
// the list is built aside and replaces `files` only at the end, so a call re-entered through
// those events cannot mix two collections.
void CollectStartupFiles(foundation::ProgramContext& context, StartupFileList& files);

}  // namespace scourwell::inspect
