// The current machine view: which one is installed, and what changes when it is replaced.

#include <cstdlib>
#include <memory>
#include <mutex>

#include "platform/machine.h"
#include "platform/view_internal.h"

namespace scourwell::platform {
namespace {

std::mutex& ViewMutex() {
    static std::mutex mutex;
    return mutex;
}

std::unique_ptr<MachineConfig>& CurrentView() {
    static std::unique_ptr<MachineConfig> view;
    return view;
}

}  // namespace

void UseMachine(MachineConfig config) {
    {
        std::lock_guard lock(ViewMutex());
        CurrentView() = std::make_unique<MachineConfig>(std::move(config));
    }
    // Outside the view lock: both take their own locks and may read the new view.
    detail::CloseRegistryStore();
    detail::ResetPathState();
}

void UseMachineFromEnvironment() {
    const char* file = std::getenv("SCOURWELL_MACHINE");
    if (file != nullptr && *file != '\0') {
        UseMachine(LoadMachineFile(file));
    } else {
        UseMachine(NativeMachine());
    }
}

const MachineConfig& CurrentMachine() {
    {
        std::lock_guard lock(ViewMutex());
        if (CurrentView()) return *CurrentView();
    }
    MachineConfig native = NativeMachine();
    std::lock_guard lock(ViewMutex());
    if (!CurrentView()) CurrentView() = std::make_unique<MachineConfig>(std::move(native));
    return *CurrentView();
}

}  // namespace scourwell::platform
