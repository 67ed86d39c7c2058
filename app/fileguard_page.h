#pragma once

// The "FileGuard Report" page: listfg, "Refresh" and "Add to quarantine".

class QWidget;

namespace scourwell::inspect {
class FileGuardReport;
}

namespace scourwell::app {

QWidget* BuildFileGuardPage(inspect::FileGuardReport& report);

}  // namespace scourwell::app
