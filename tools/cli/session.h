#pragma once

// The companion's program-wide objects: the same core models that the window owns, driven
// through the companion's port instead of a window. They live for the one command that runs.

#include <stdexcept>
#include <string>

#include "database/signature_database.h"
#include "foundation/program_context.h"
#include "quarantine/add_dialog.h"
#include "quarantine/quarantine_page.h"
#include "quarantine/quarantine_store.h"
#include "scan/custom_scan.h"
#include "scan/drive_status.h"
#include "scan/scan_driver.h"
#include "scan/scan_page.h"
#include "tools/cli/cli_port.h"

namespace scourwell::cli {

// A failure that ends the command with exit status 2; the text is for standard error.
class CommandError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

struct Session {
    explicit Session(CliPort& port);
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    CliPort& ui;
    foundation::ProgramContext context{ui};
    database::SignatureDatabase database;

    scan::ScanPage scanPage{context};
    scan::WelcomeDriveStatus welcome;
    scan::CustomScanDialog customScan{context};
    scan::ScanDriver driver{scanPage, welcome, customScan};

    quarantine::QuarantineStore quarantine{context};
    quarantine::AddDialog addDialog{context, quarantine, scanPage.excluded};
    quarantine::QuarantinePage quarantinePage{quarantine, addDialog};

    // As the window starts: the shipped database is installed on first start, then the data
    // folder's "files.dat" is checked and loaded. A missing or damaged database throws
    // CommandError: a scan without its database would report a clean machine.
    void LoadDatabase();
    // The data folder's "files.dat" (Windows path of the view).
    std::string DatabasePath() const;
    // The quarantine index and deleted-threats list, and the Quarantine page's view of them.
    void LoadQuarantine();
};

}  // namespace scourwell::cli
