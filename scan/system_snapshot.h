#pragma once

// The system snapshot of the malware step: one line per file that can run on this machine,
// with its digest and size, as a sorted list that ignores duplicate lines:
//
//   "Proc " + image path + "[" + digest + "]" + "[" + size + "]"   a running process's image
//   "Clsid " + path + "[" + digest + "]" + "[" + size + "]"        a start-up file
//
// The name patterns read the lines as paths (the snapshot source); those are resolved once per
// snapshot, not once per database entry.

#include <string>
#include <string_view>
#include <vector>

#include "foundation/program_context.h"
#include "foundation/text_list.h"

namespace scourwell::scan {

// One line of the snapshot made a path.
struct SnapshotPath {
    std::string line;       // the snapshot line as stored
    std::string lowerLine;  // the same, lower-cased
    std::string path;       // ExpandPathVariables of the line (lower case, never empty)
};

class SystemSnapshot {
  public:
    void Clear();
    // Adds the "Proc " line of a running image (the caller has checked that it is present).
    void AddRunningImage(const std::string& path);
    // Adds the "Clsid " line of a start-up file; the file need not exist.
    void AddStartupFile(const std::string& path);

    const foundation::TextList& Lines() const { return lines_; }
    // Every line made a path with ExpandPathVariables, in line order, lines that give no path
    // left out. Resolved on first use after a change.
    const std::vector<SnapshotPath>& Source();

  private:
    void AddLine(const char* kind, const std::string& path);

    foundation::TextList lines_{true, true};
    std::vector<SnapshotPath> source_;
    bool sourceReady_ = false;
};

// Fills the snapshot from the running images (full paths; those not present are left out,
// each one digested is shown in the status line) and the start-up file list (empty paths left
// out).
void BuildSystemSnapshot(foundation::ProgramContext& context, SystemSnapshot& snapshot,
                         const std::vector<std::string>& runningImages,
                         const std::vector<std::string>& startupFiles);

// The first snapshot line holding `digest`, made a path with ExpandPathVariables; empty when
// none.
std::string FindSnapshotPath(const SystemSnapshot& snapshot, std::string_view digest);

}  // namespace scourwell::scan
