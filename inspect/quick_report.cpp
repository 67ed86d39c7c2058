#include "inspect/quick_report.h"


#include "database/signature_database.h"
#include "foundation/data_folder.h"
#include "foundation/file_helpers.h"
#include "foundation/text.h"
#include "platform/files.h"
#include "platform/system_info.h"
#include "quarantine/registry_backup.h"
#include "scan/drive_status.h"
#include "scan/walk_pacing.h"
#include "scan/windows_version_name.h"

namespace scourwell::inspect {

QuickReport::QuickReport(foundation::ProgramContext& ctx, ProcessManager& pm, StartupManager& sm,
                         StartupFileList& files)
    : context(ctx), processes(pm), startup(sm), startupFiles(files) {}

const std::string& QuickReport::Described(const std::string& path) {
    auto [it, added] = described_.try_emplace(foundation::ToLower(path));
    if (added) {
        it->second = path + " [" + database::FileDigest(path) + "][" +
                     std::to_string(foundation::GetFileSizeBytes(path)) + "]";
    }
    return it->second;
}

void QuickReport::BuildFullReportList() {
    fullReport.clear();
    processes.RefreshTaskLists();
    context.ui.PumpEvents();
    startup.RefreshStartupLists();
    context.ui.PumpEvents();
    CollectStartupFiles(context, startupFiles);
    // Built aside from copies: reading the files lets events run, a refresh started meanwhile
    // replaces the pages' lists, and a list is only ever whole.
    const std::vector<std::string> files = startupFiles.Paths();
    tasks_ = processes.runningTasks.Lines();
    rows_ = startup.startupValues;
    scan::WalkPacer pacer(context, scan::WalkPacing{});
    std::vector<std::string> lines;
    lines.reserve(files.size() + tasks_.size() + rows_.size());
    const auto add = [&](const char* tag, const std::string& path) {
        if (pacer.Due()) pacer.Pump();
        lines.push_back(tag + Described(path));
    };
    for (const std::string& path : files) add("Clsid ", path);
    for (const std::string& path : tasks_) add("Proc ", path);
    for (const StartupValueRow& row : rows_) add("RegRun ", row.ProgramPath());
    fullReport = std::move(lines);
}

void QuickReport::AddMemoLine(std::string line) {
    memo2_.push_back(std::move(line));
    if (onMemoLineAdded) onMemoLineAdded(memo2_.back());
}

void QuickReport::Button12Click() {
    // A second press while this build lets events run is ignored.
    if (building_) return;
    building_ = true;
    described_.clear();
    // Events run while the report is built: a save meanwhile would write half a report.
    saveEnabled.Set(false);
    try {
        BuildFullReportList();
        memo2_.clear();
        if (onMemoCleared) onMemoCleared();
        scan::WalkPacer pacer(context, scan::WalkPacing{});
        const auto AddMemoLine = [this, &pacer](std::string line) {
            if (pacer.Due()) pacer.Pump();
            this->AddMemoLine(std::move(line));
        };
        const auto now = context.ui.Now();
        AddMemoLine(std::string(kQuickReportTitle));
        AddMemoLine("Generated at " + platform::FormatShortDate(now) + " " +
                    platform::FormatLongTime(now));
        AddMemoLine(scan::OperatingSystemName());
        AddMemoLine("");
        for (std::string& line : scan::DriveStatusReport()) AddMemoLine(std::move(line));
        AddMemoLine("");
        AddMemoLine("Running tasks: (" + std::to_string(tasks_.size()) + ")");
        for (const std::string& path : tasks_) AddMemoLine(Described(path));
        AddMemoLine("");
        AddMemoLine("Startup files: (" + std::to_string(rows_.size()) + ")");
        for (const StartupValueRow& row : rows_) {
            AddMemoLine(quarantine::RootKeyIndexName(row.rootIndex) + "\\" + row.keyPath + "\\" +
                        row.valueName);
            AddMemoLine("[" + row.data + "]");
        }
        AddMemoLine("");
        AddMemoLine("Ful report: (" + std::to_string(fullReport.size()) + ")");
        for (const std::string& line : fullReport) AddMemoLine(line);
        AddMemoLine("Finished...");
        saveEnabled.Set(true);
    } catch (...) {
        saveEnabled.Set(false);
        context.ui.Tell("Cannot create ful report", "Error", foundation::MessageIcon::Error);
    }
    described_.clear();
    building_ = false;
}

void QuickReport::Button11Click() {
    const std::string path = foundation::GetDataFolder() + std::string(kQuickReportFile);
    std::string text;
    for (const std::string& line : memo2_) {
        text += line;
        text += "\r\n";
    }
    // An old report opened as if it were this one would mislead.
    if (!platform::WriteFileAtomic(path, text)) {
        context.ui.Tell("Cannot write " + path, "Error", foundation::MessageIcon::Error);
        return;
    }
    context.ui.OpenDocument(path);
}

}  // namespace scourwell::inspect
