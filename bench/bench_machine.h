#pragma once

// The machine view that the folder benchmarks run on: drive C: at a host folder (1 TB, half of
// it free), the temporary folder C:\Temp, the user "bench".

#include <string>

#include "platform/machine.h"

inline scourwell::platform::MachineConfig BenchMachine(const std::string& root) {
    scourwell::platform::MachineConfig config;
    config.user = "bench";
    config.windowsDir = "C:\\Windows";
    config.systemDir = "C:\\Windows\\System32";
    config.tempDir = "C:\\Temp";
    scourwell::platform::DriveMapping drive;
    drive.letter = 'C';
    drive.hostRoot = root;
    drive.totalBytes = 1'000'000'000'000;
    drive.freeBytes = 500'000'000'000;
    config.drives.push_back(drive);
    return config;
}
