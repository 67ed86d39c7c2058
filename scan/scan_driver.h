#pragma once

// The scan driver: the start actions ("Quick Scan", "Scan Now", the Custom Scan dialog's
// "Ok"), "Abort", and `scan(kind)`, which writes the log header, runs the walks in a fixed
// order, keeps the results list and its total up to date, ends with a summary message and
// saves the status log as "LastScan.txt" in the data folder and opens it.
//
// Kinds: 0 quick scan (system folders, junk folder, malware), 1 the dialog's checked drives,
// 2 the dialog's checked folders (both then the dialog's ticked steps), 3 the checked drives
// of the Welcome list. Only one scan runs at a time.

#include <functional>
#include <string>
#include <vector>

#include "foundation/observable.h"
#include "foundation/program_context.h"
#include "scan/custom_scan.h"
#include "scan/drive_status.h"
#include "scan/scan_page.h"

namespace scourwell::scan {

inline constexpr const char* kBuildText = "Scourwell (Build: 7.12.2013)";
inline constexpr const char* kScanLogName = "LastScan.txt";
inline constexpr int kWelcomePage = 0;
inline constexpr int kScanPage = 1;

// The four system folders in scan order: roaming application data, all-users application
// data, Common Files, documents. A folder the view lacks is an empty text.
std::vector<std::string> SystemFolders();

// Saves every line of the status log (CR LF) as "LastScan.txt" in the data folder, replacing
// it atomically, and opens it through the port. When it cannot be saved the user is told and
// nothing is opened (an older log would otherwise pass for this one). True when saved.
bool SaveAndOpenScanLog(foundation::ProgramContext& context);

class ScanDriver {
  public:
    // Wires welcome.scanNow to Button23Click and dialog.startScan to scan.
    ScanDriver(ScanPage& page, WelcomeDriveStatus& welcome, CustomScanDialog& dialog);
    ScanDriver(const ScanDriver&) = delete;
    ScanDriver& operator=(const ScanDriver&) = delete;

    // The page shown by `pc1` (0 Welcome, 1 Scan, ...); "Scan Now" switches to the Scan page.
    // The window sets it too when the user changes pages.
    foundation::Observable<int> pc1PageIndex{kWelcomePage};

    // The malware step (the program wires it to its MalwareScan; empty, the step does nothing).
    std::function<void()> scanMalware;

    // "Quick Scan": asks, then scan(0).
    void Button1Click();
    // "Scan Now" on the Welcome page: asks, switches to the Scan page, then scan(3).
    void Button23Click();
    // "Abort": asks, then sets the abort flag.
    void Button5Click();

    // Runs one scan of `kind`. While a scan runs, tells the user so and returns.
    void scan(int kind);

  private:
    bool RefuseWhileRunning();
    void LogHeader(int kind);
    void BeginRun();
    // Each returns false when an abort test found the flag set.
    bool ScanSystemFolders();
    void ScanJunkFolder();
    bool ScanListedObjects(foundation::ListModel& list, const char* logText);
    void RunMalwareStep();
    void RemovePlaceholder();
    void NormalEnding();
    void AbortedEnding();
    // Leaves the running state after a step failed with an error.
    void ResetAfterFailure();

    ScanPage& page_;
    foundation::ProgramContext& context_;
    WelcomeDriveStatus& welcome_;
    CustomScanDialog& dialog_;
};

}  // namespace scourwell::scan
