#pragma once

// The FileGuard Report page: the running tasks and start-up values whose names or places match
// the suspicion rules, as rows of `listfg` ("Status", "Object") and lines of the FileGuard
// entry list, one per row. Entry lines (";"-terminated; field 2 is the row's index):
//   active process:  0;Path;Row;ActiveProc;
//   registry value:  1;Folder+FileName;Row;RegKey;RootIndex;KeyPath;ValueName;;;
//   start-up file:   0;Folder+FileName;Row;StartupF;
// The entries are also kept as records, which is what the actions read, so that a ";" in a
// key or value name cannot make them reach another object.

#include <optional>
#include <string>
#include <vector>

#include "foundation/list_model.h"
#include "foundation/program_context.h"
#include "foundation/text_list.h"
#include "inspect/process_manager.h"
#include "inspect/startup_manager.h"
#include "platform/files.h"
#include "quarantine/quarantine_store.h"

namespace scourwell::inspect {

inline constexpr const char* kStatusActiveProcess = "Suspicious active process";
inline constexpr const char* kStatusRegistryValue = "Suspicious registry value";
inline constexpr const char* kStatusFile = "Suspicious file";

struct FileGuardEntry {
    int kind = 0;  // 0 a file, 1 a registry value
    std::string path;
    size_t row = 0;
    std::string tag;  // "ActiveProc", "RegKey", "StartupF"
    long long rootIndex = 0;
    std::string keyPath;
    std::string valueName;
    // Kind 0: the file the refresh listed, which "Add to quarantine" acts on.
    std::optional<platform::FileIdentity> file;
    // "ActiveProc": the processes that ran the file when the report was built.
    std::vector<platform::ProcessEntry> processes;
    // Kind 1: the value as listed; it is acted on only while it is still so.
    platform::ValueType valueType = platform::ValueType::String;
    std::string data;

    std::string Line() const;
};

class FileGuardReport {
  public:
    FileGuardReport(foundation::ProgramContext& context, quarantine::QuarantineStore& store,
                    ProcessManager& processes, StartupManager& startup);
    FileGuardReport(const FileGuardReport&) = delete;
    FileGuardReport& operator=(const FileGuardReport&) = delete;

    foundation::ProgramContext& context;
    quarantine::QuarantineStore& store;
    ProcessManager& processes;
    StartupManager& startup;
    foundation::ListModel listfg{{"Status", "Object"}, false};
    std::vector<FileGuardEntry> entries;

    // The entry list as text lines, in row order.
    foundation::TextList EntryLines() const;

    // "Refresh": the start-up and task lists, then the report.
    void Button9Click();
    // Fills listfg and the entries from the current running task and start-up value lists.
    void BuildFileGuardReport();
    // "Add to quarantine" for the selected rows; the outcome replaces each row's "Status". A
    // file is the object the report listed; one replaced since, a process row whose processes
    // no longer run it, and a value changed since (name, type, data) are left alone.
    void Button10Click();
};

}  // namespace scourwell::inspect
