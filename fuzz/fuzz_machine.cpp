#include "fuzz/fuzz_machine.h"

namespace scourwell::fuzz {

scourwell::testing::TestMachine& Machine() {
    // Removed with its folder when the fuzzer exits normally.
    static scourwell::testing::TestMachine machine;
    static const bool filled = [] {
        machine.WriteFile("C:\\Windows\\System32\\regedit.exe", "MZ system32 regedit");
        machine.WriteFile("C:\\Windows\\notepad.exe", "MZ windows notepad");
        machine.WriteFile("C:\\Program Files\\Tool\\tool.exe", "MZ tool program");
        machine.WriteFile("C:\\Data\\a", "MZ one letter");
        machine.Install();
        return true;
    }();
    (void)filled;
    return machine;
}

}  // namespace scourwell::fuzz
