#pragma once

// The Quick Report page: a plain-text report of the machine in the memo Memo2 (program, time,
// Windows version, drives, running tasks and start-up values with digests and sizes, and the
// full report list of every running task, start-up value program and further start-up file),
// saved on demand as "quickreport.txt" in the data folder.

#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "foundation/observable.h"
#include "foundation/program_context.h"
#include "inspect/process_manager.h"
#include "inspect/startup_files.h"
#include "inspect/startup_manager.h"

namespace scourwell::inspect {

inline constexpr std::string_view kQuickReportFile = "quickreport.txt";
inline constexpr std::string_view kQuickReportTitle = "Scourwell (Build: 7.12.2013)";

class QuickReport {
  public:
    QuickReport(foundation::ProgramContext& context, ProcessManager& processes,
                StartupManager& startup, StartupFileList& startupFiles);
    QuickReport(const QuickReport&) = delete;
    QuickReport& operator=(const QuickReport&) = delete;

    foundation::ProgramContext& context;
    ProcessManager& processes;
    StartupManager& startup;
    StartupFileList& startupFiles;

    // Full report lines: "Clsid ", "Proc " or "RegRun ", a path, " [", digest, "][", size, "]".
    std::vector<std::string> fullReport;
    // Memo2, line by line; the window follows through the two callbacks.
    const std::vector<std::string>& Memo2() const { return memo2_; }
    std::function<void()> onMemoCleared;
    std::function<void(const std::string&)> onMemoLineAdded;
    foundation::Observable<bool> saveEnabled{false};  // "Save Report"

    // Refreshes the task, start-up and start-up file lists and rebuilds the full report list.
    // Within one "Build Report" each file's digest is read once.
    void BuildFullReportList();
    // "Build Report".
    void Button12Click();
    // "Save Report": the memo's lines to "quickreport.txt", then opens it.
    void Button11Click();

  private:
    // "path [digest][size]", each file read at most once per build.
    const std::string& Described(const std::string& path);
    void AddMemoLine(std::string line);

    std::vector<std::string> memo2_;
    std::unordered_map<std::string, std::string> described_;  // by lower-cased path
    // The lists as the last BuildFullReportList took them: the report reads these, since the
    // events served while it reads files may refresh the pages' own lists.
    std::vector<std::string> tasks_;
    std::vector<StartupValueRow> rows_;
    bool building_ = false;
};

}  // namespace scourwell::inspect
