#pragma once

// Questions and messages of the scan start actions, shared by the main window and the Custom
// Scan dialog.

namespace scourwell::foundation {
struct ProgramContext;
}

namespace scourwell::scan {

// Tells the user why no scan can start now and returns true while a scan or a clean-up runs.
bool RefuseScanWhileBusy(foundation::ProgramContext& context);

inline constexpr const char* kQuickScanQuestion =
    "Do you wish to scan files/folders and drives for errors?\r\rProgram will search for "
    "infected files/folders,critical drives issues and unrequired junk data, Scan process "
    "requires some time from 5 up to 10min.";
inline constexpr const char* kCustomScanQuestion =
    "Do you wish to scan selected drives/folders for errors?\r\rProgram will search for "
    "infected files/folders,critical drives issues and unrequired junk data, Scan process "
    "requires some time from 5 up to 10min.";
inline constexpr const char* kAbortQuestion = "Do you wish to abort current scan process?";
// Shown instead of starting a second walk while a scan runs.
inline constexpr const char* kScanAlreadyRunning =
    "A scan is already running. Please wait until it ends or press \"Abort\".";
// Shown instead of starting a scan while a clean-up works through the results list.
inline constexpr const char* kCleanUpRunning =
    "A clean-up is running. Please wait until it ends or press \"Abort\".";

}  // namespace scourwell::scan
