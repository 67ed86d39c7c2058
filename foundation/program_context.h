#pragma once

// What every long operation of the core shares: the window port, the status log and status
// line, the abort and scan-running flags, and the forced-delete watchdog.

#include "foundation/status_log.h"
#include "foundation/ui_port.h"

namespace scourwell::foundation {

// The watchdog of the forced delete: enabled while a forced delete runs. Each call measures
// its own second on the port's clock, so calls nested through served events never share one.
class Watchdog {
public:
    void Start() { enabled_ = true; }
    void Stop() { enabled_ = false; }
    bool Enabled() const { return enabled_; }

private:
    bool enabled_ = false;
};

struct ProgramContext {
    explicit ProgramContext(UiPort& port) : ui(port), log(port) {}
    ProgramContext(const ProgramContext&) = delete;
    ProgramContext& operator=(const ProgramContext&) = delete;

    UiPort& ui;
    StatusLog log;       // Memo1
    StatusLine status;   // Panel4
    bool abortRequested = false;
    bool scanRunning = false;
    // A clean-up deletes what the list shows; no scan may rebuild the list under it.
    bool cleanUpRunning = false;
    Watchdog watchdog;   // Timer1 and its elapsed-time counter
};

}  // namespace scourwell::foundation
