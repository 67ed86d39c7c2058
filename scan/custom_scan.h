#pragma once

// The Custom Scan dialog (TForm2, caption "Custom Scan") as a model: the choice between
// "Drives Scan" and "Folders Scan", the drive list List1 (rebuilt on every showing), the
// folder list List2 (kept for the whole run), the three optional steps and the buttons. The
// dialog is non-modal; closing only hides it, so its state stays for the next showing.

#include <functional>
#include <string>
#include <string_view>

#include "foundation/list_model.h"
#include "foundation/observable.h"
#include "foundation/program_context.h"
#include "scan/drive_status.h"
#include "scan/walk_pacing.h"

namespace scourwell::scan {

// A folder's level against its drive: size at or above the critical mark "Critical", at or
// above the full mark "High", else "Ok" (compared as floating values).
DriveLevel GradeFolderSize(long double size, const FullnessLevels& levels);

class CustomScanDialog {
  public:
    explicit CustomScanDialog(foundation::ProgramContext& context);
    CustomScanDialog(const CustomScanDialog&) = delete;
    CustomScanDialog& operator=(const CustomScanDialog&) = delete;

    static constexpr const char* kCaption = "Custom Scan";

    foundation::Observable<bool> visible{false};
    // The two radio buttons; setting one sets the other to the opposite.
    foundation::Observable<bool> rb1{true};   // "Drives Scan"
    foundation::Observable<bool> rb2{false};  // "Folders Scan"
    foundation::ListModel List1;              // "Drive", "Free Space", "Total Space", "Status"
    foundation::ListModel List2;              // "Folder", "Size", "Status"
    foundation::Observable<bool> c1{true};    // "Search for junk data"
    foundation::Observable<bool> c2{true};    // "Search for malware files"
    foundation::Observable<bool> c3{true};    // "System Scan"

    // Starts scan(kind) (1 drives, 2 folders); the scan driver sets it.
    std::function<void(int kind)> startScan;
    // Brings the dialog to the front when it is shown already (the window sets it).
    std::function<void()> bringToFront;
    // Pacing of the folder measurement of "Add".
    WalkPacing pacing;

    // Shows the dialog (the main window's "Custom Scan") and runs "Refresh"; a dialog that is
    // showing already only comes to the front, keeping the user's choices.
    void FormShow();
    // "Refresh": rebuilds List1 from the fixed drives with their levels.
    void Button5Click();
    // "Add" after the folder picker returned `path`: a new List2 item with the folder's size
    // and its level against its drive. An empty path (picker cancelled) does nothing.
    void AddFolder(std::string_view path);
    // "Delete": removes the selected items of List2 (not while a scan walks the list).
    void Button2Click();
    // "Ok": hides the dialog, asks the custom scan question, starts scan(1) or scan(2).
    void Button3Click();
    // "Cancel": hides the dialog.
    void Button4Click();

  private:
    foundation::ProgramContext& context_;
};

}  // namespace scourwell::scan
