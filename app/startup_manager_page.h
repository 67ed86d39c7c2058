#pragma once

// The "Startup Manager" page: the registry startup list ListView2 with its legend, "Refresh",
// "Delete value(s)" and "Add to quarantine".

class QWidget;

namespace scourwell::inspect {
class StartupManager;
}

namespace scourwell::app {

QWidget* BuildStartupManagerPage(inspect::StartupManager& manager);

}  // namespace scourwell::app
