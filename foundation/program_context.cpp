#include "foundation/program_context.h"

namespace scourwell::foundation {

void Watchdog::Start() {
    started_ = ui_.Now();
    enabled_ = true;
}

void Watchdog::Stop() { enabled_ = false; }

double Watchdog::ElapsedSeconds() const {
    if (!enabled_) return 0.0;
    return std::chrono::duration<double>(ui_.Now() - started_).count();
}

}  // namespace scourwell::foundation
