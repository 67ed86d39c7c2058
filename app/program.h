#pragma once

// The program-wide objects: the window port, the shared context (status log, status line,
// flags), the signature database, and the core models of the pages and dialogs. They are
// created before the main window and live until the message loop has ended.

#include "app/qt_ui_port.h"
#include "database/signature_database.h"
#include "foundation/list_model.h"
#include "foundation/program_context.h"
#include "inspect/inspection.h"
#include "quarantine/add_dialog.h"
#include "quarantine/quarantine_page.h"
#include "quarantine/quarantine_store.h"
#include "scan/custom_scan.h"
#include "scan/drive_status.h"
#include "scan/malware_scan.h"
#include "scan/scan_driver.h"
#include "scan/scan_page.h"
#include "update/update_check.h"
#include "update/update_settings.h"

namespace scourwell::app {

struct Program {
    Program() { driver.scanMalware = [this] { malware.scanMalware(); }; }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    QtUiPort ui;
    foundation::ProgramContext context{ui};
    database::SignatureDatabase database;

    scan::ScanPage scanPage{context};
    scan::WelcomeDriveStatus welcome;
    scan::CustomScanDialog customScan{context};
    scan::ScanDriver driver{scanPage, welcome, customScan};
    scan::MalwareScan malware{scanPage, database};

    quarantine::QuarantineStore quarantine{context};
    quarantine::AddDialog addDialog{context, quarantine, scanPage.excluded};
    quarantine::QuarantinePage quarantinePage{quarantine, addDialog};

    // The Process Manager, Startup Manager, FileGuard Report and Quick Report pages.
    inspect::Inspection inspection{context, quarantine};

    // "Check for updates" and its downloads; it reloads `database` after an update.
    update::UpdateCheck update{ui, database, update::UpdateSettingsFromEnvironment()};
};

}  // namespace scourwell::app
