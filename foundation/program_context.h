#pragma once

// What every long operation of the core shares: the window port, the status log and status
// line, the abort and scan-running flags, and the forced-delete watchdog.

#include <chrono>

#include "foundation/status_log.h"
#include "foundation/ui_port.h"

namespace scourwell::foundation {

// The watchdog of the forced delete: counts seconds while enabled, from the port's clock.
class Watchdog {
public:
    explicit Watchdog(UiPort& ui) : ui_(ui) {}
    void Start();  // resets the counter to 0 and enables it
    void Stop();   // disables it
    bool Enabled() const { return enabled_; }
    double ElapsedSeconds() const;

private:
    UiPort& ui_;
    bool enabled_ = false;
    std::chrono::system_clock::time_point started_{};
};

struct ProgramContext {
    explicit ProgramContext(UiPort& port) : ui(port), log(port), watchdog(port) {}
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
