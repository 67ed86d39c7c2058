#pragma once

// The system inspection tools together: the Process Manager, the Startup Manager, the start-up
// file list, the FileGuard report and the quick report, over one program context and one
// quarantine. The window and the command-line companion both drive them through this.

#include "foundation/program_context.h"
#include "inspect/fileguard_report.h"
#include "inspect/process_manager.h"
#include "inspect/quick_report.h"
#include "inspect/startup_files.h"
#include "inspect/startup_manager.h"
#include "quarantine/quarantine_store.h"

namespace scourwell::inspect {

struct Inspection {
    Inspection(foundation::ProgramContext& context, quarantine::QuarantineStore& store)
        : processManager(context, store),
          startupManager(context, store),
          fileGuard(context, store, processManager, startupManager),
          quickReport(context, processManager, startupManager, startupFiles) {}
    Inspection(const Inspection&) = delete;
    Inspection& operator=(const Inspection&) = delete;

    ProcessManager processManager;
    StartupManager startupManager;
    StartupFileList startupFiles;
    FileGuardReport fileGuard;
    QuickReport quickReport;
};

}  // namespace scourwell::inspect
