#pragma once

// How often a long loop lets pending window messages run. Serving events costs a repaint, so
// the loops do it on a time budget rather than for every entry: the clock is read once every
// `entriesPerClockCheck` entries, and events run when `pumpInterval` has passed since the last
// time. Sixteen entries keep the clock's cost out of sight on fast disks and still answer an
// "Abort" within a tenth of a second where an entry takes a few milliseconds (a slow network
// folder). Tests set {1, 0ms} to serve events before every single entry.

#include <chrono>
#include <cstdint>
#include <string_view>

#include "foundation/program_context.h"

namespace scourwell::scan {

struct WalkPacing {
    uint32_t entriesPerClockCheck = 16;
    std::chrono::milliseconds pumpInterval{30};
};

// One pacer per loop (a top-level walk shares it with its nested walks). The first Due() of a
// pacer is always true, so every loop serves events at least once.
class WalkPacer {
  public:
    WalkPacer(foundation::ProgramContext& context, const WalkPacing& pacing)
        : context_(context),
          every_(pacing.entriesPerClockCheck == 0 ? 1 : pacing.entriesPerClockCheck),
          interval_(pacing.pumpInterval),
          countdown_(1) {}

    // Cheap: a counter most of the time, the clock once every few calls.
    bool Due() {
        if (--countdown_ != 0) return false;
        countdown_ = every_;
        const auto now = std::chrono::steady_clock::now();
        if (pumped_ && now - last_ < interval_) return false;
        return true;
    }
    // Serves pending window messages and restarts the interval.
    void Pump() {
        pumped_ = true;
        context_.ui.PumpEvents();
        last_ = std::chrono::steady_clock::now();
    }
    foundation::ProgramContext& Context() { return context_; }

  private:
    foundation::ProgramContext& context_;
    uint32_t every_;
    std::chrono::steady_clock::duration interval_;
    uint32_t countdown_;
    bool pumped_ = false;
    std::chrono::steady_clock::time_point last_{};
};

}  // namespace scourwell::scan
