#include "scan/system_snapshot.h"

#include <set>

#include "database/signature_database.h"
#include "foundation/file_helpers.h"
#include "foundation/path_expansion.h"
#include "foundation/text.h"

namespace scourwell::scan {

void SystemSnapshot::Clear() {
    lines_.Clear();
    source_.clear();
    sourceReady_ = false;
}

void SystemSnapshot::AddLine(const char* kind, const std::string& path) {
    const std::string line = kind + path + "[" + database::FileDigest(path) + "][" +
                             std::to_string(foundation::GetFileSizeBytes(path)) + "]";
    lines_.Add(line);
    sourceReady_ = false;
}

void SystemSnapshot::AddRunningImage(const std::string& path) { AddLine("Proc ", path); }

void SystemSnapshot::AddStartupFile(const std::string& path) { AddLine("Clsid ", path); }

const std::vector<SnapshotPath>& SystemSnapshot::Source() {
    if (sourceReady_) return source_;
    source_.clear();
    for (const std::string& line : lines_.Lines()) {
        std::string path = foundation::ExpandPathVariables(line);
        if (path.empty()) continue;
        source_.push_back({line, foundation::ToLower(line), std::move(path)});
    }
    sourceReady_ = true;
    return source_;
}

void BuildSystemSnapshot(foundation::ProgramContext& context, SystemSnapshot& snapshot,
                         const std::vector<std::string>& runningImages,
                         const std::vector<std::string>& startupFiles) {
    snapshot.Clear();
    // Several processes of one program give one line; each file is digested once.
    std::set<std::string> seen;
    for (const std::string& path : runningImages) {
        if (seen.count(path) != 0 || !foundation::FilePresent(path)) continue;
        seen.insert(path);
        context.status.Set(path);
        snapshot.AddRunningImage(path);
    }
    for (const std::string& path : startupFiles)
        if (!path.empty()) snapshot.AddStartupFile(path);
}

std::string FindSnapshotPath(const SystemSnapshot& snapshot, std::string_view digest) {
    if (digest.empty()) return {};
    for (const std::string& line : snapshot.Lines().Lines())
        if (line.find(digest) != std::string::npos) return foundation::ExpandPathVariables(line);
    return {};
}

}  // namespace scourwell::scan
