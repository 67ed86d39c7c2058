#pragma once

// What every long operation of the core shares: the window port, the status log and status
// line, the abort and scan-running flags, and the forced-delete watchdog.

#include <cstdint>
#include <string>

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

// What the running walk has seen so far, for front ends that show progress as counts rather
// than a repainted window. Only walks that sum sizes count; nothing reads it back.
struct WalkProgress {
    uint64_t objects = 0;
    uint64_t bytes = 0;
    std::string folder;  // the folder being walked when events last ran
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
    WalkProgress progress;
};

}  // namespace scourwell::foundation
