#pragma once

// The "Process Manager" page: ListView1 with its legend, "Refresh", "End Task" and
// "Add to quarantine".

class QWidget;

namespace scourwell::inspect {
class ProcessManager;
}

namespace scourwell::app {

QWidget* BuildProcessManagerPage(inspect::ProcessManager& manager);

}  // namespace scourwell::app
