#include "scan/scan_driver.h"

#include "foundation/data_folder.h"
#include "foundation/system_folders.h"
#include "foundation/text.h"
#include "platform/files.h"
#include "platform/shell.h"
#include "platform/system_info.h"
#include "scan/folder_scan.h"
#include "scan/results_list.h"
#include "scan/scan_messages.h"
#include "scan/windows_version_name.h"

namespace scourwell::scan {

std::vector<std::string> SystemFolders() {
    return {foundation::GetSpecialFolder(platform::kCsidlAppData),
            foundation::GetSpecialFolder(platform::kCsidlCommonAppData),
            foundation::GetCommonFilesDir(),
            foundation::GetSpecialFolder(platform::kCsidlPersonal)};
}

bool SaveAndOpenScanLog(foundation::ProgramContext& context) {
    std::string path;
    try {
        path = foundation::GetDataFolder() + kScanLogName;
    } catch (const foundation::IoError& error) {
        context.ui.Tell(std::string("The scan log could not be saved: ") + error.what(), "Error",
                        foundation::MessageIcon::Error);
        return false;
    }
    if (!platform::WriteFileAtomic(path, context.log.Text())) {
        context.ui.Tell("The scan log could not be saved as " + path + ".", "Error",
                        foundation::MessageIcon::Error);
        return false;
    }
    context.ui.OpenDocument(path);
    return true;
}

ScanDriver::ScanDriver(ScanPage& page, WelcomeDriveStatus& welcome, CustomScanDialog& dialog)
    : page_(page), context_(page.context), welcome_(welcome), dialog_(dialog) {
    welcome_.scanNow = [this] { Button23Click(); };
    dialog_.startScan = [this](int kind) { scan(kind); };
}

bool RefuseScanWhileBusy(foundation::ProgramContext& context) {
    if (!context.scanRunning && !context.cleanUpRunning) return false;
    context.ui.Tell(context.scanRunning ? kScanAlreadyRunning : kCleanUpRunning,
                    foundation::kAppTitle, foundation::MessageIcon::Information);
    return true;
}

bool ScanDriver::RefuseWhileRunning() { return RefuseScanWhileBusy(context_); }

void ScanDriver::Button1Click() {
    if (RefuseWhileRunning()) return;
    if (!context_.ui.AskYesNo(kQuickScanQuestion)) return;
    scan(0);
}

void ScanDriver::Button23Click() {
    if (RefuseWhileRunning()) return;
    if (!context_.ui.AskYesNo(kQuickScanQuestion)) return;
    pc1PageIndex.Set(kScanPage);
    scan(3);
}

void ScanDriver::Button5Click() {
    if (context_.ui.AskYesNo(kAbortQuestion)) context_.abortRequested = true;
}

void ScanDriver::LogHeader(int kind) {
    foundation::StatusLog& log = context_.log;
    log.Clear();
    log.AddLine(std::string(kBuildText) + " log.");
    const auto now = context_.ui.Now();
    log.AddLine("Generated at: " + platform::FormatShortDate(now) + " on " +
                platform::FormatLongTime(now));
    log.AddLine(OperatingSystemName());
    log.AddLine("");
    for (std::string& line : DriveStatusReport()) log.AddLine(std::move(line));
    log.AddLine("");
    if (kind == 0) log.AddTimed(": Scanning please wait...");
}

void ScanDriver::BeginRun() {
    context_.abortRequested = false;
    page_.results.Clear();
    page_.list1.Clear();
    page_.list1.Add(foundation::ListItem{kScanningPlaceholder, {}, true, false});
    page_.freedSpace.Set("");
    context_.scanRunning = true;
    page_.quickScanEnabled.Set(false);
    page_.customScanEnabled.Set(false);
    page_.cleanUpEnabled.Set(false);
    page_.abortEnabled.Set(true);
}

bool ScanDriver::ScanSystemFolders() {
    for (const std::string& folder : SystemFolders()) {
        // A folder the machine lacks is skipped: an empty path must never become the root of
        // the current drive.
        if (!folder.empty()) ScanFolder(page_, folder, false, false, false, false);
        if (context_.abortRequested) return false;
    }
    return true;
}

void ScanDriver::ScanJunkFolder() {
    const std::string junk = foundation::WithoutTrailingBackslash(foundation::GetTempDir());
    if (junk.empty()) return;
    // Everything in the temporary folder is listed as junk, checked for clean-up. A drive of
    // its own (a RAM disk) may serve as the temporary folder, but never the drive that holds
    // the Windows folder or the user's profile.
    if (junk.size() <= 2) {
        const auto sameDrive = [&junk](const std::string& folder) {
            return !folder.empty() && foundation::EqualsIgnoreCase(folder.substr(0, 1), junk.substr(0, 1));
        };
        if (sameDrive(foundation::GetWindowsDir()) ||
            sameDrive(foundation::GetSpecialFolder(platform::kCsidlProfile)))
            return;
    }
    ScanFolder(page_, junk, true, false, true, false);
}

bool ScanDriver::ScanListedObjects(foundation::ListModel& list, const char* logText) {
    const bool drives = &list != &dialog_.List2;
    for (size_t i = 0; i < list.Count(); ++i) {
        context_.ui.PumpEvents();
        if (i >= list.Count()) break;
        const foundation::ListItem item = list.Item(i);
        if (item.checked && !item.caption.empty()) {
            context_.log.AddTimed(logText +
                                  (drives ? foundation::ToUpper(item.caption) : item.caption));
            ScanFolder(page_, item.caption, false, true, false, false);
            updateList(page_);
        }
        if (context_.abortRequested) return false;
    }
    return true;
}

void ScanDriver::RunMalwareStep() {
    // The malware step starts by clearing the abort flag: an abort of the junk walk ends only
    // that walk.
    context_.abortRequested = false;
    if (scanMalware) scanMalware();
}

void ScanDriver::scan(int kind) {
    if (RefuseWhileRunning()) return;
    LogHeader(kind);
    BeginRun();

    // Whatever goes wrong inside a step, the program must not stay in the running state.
    struct RunGuard {
        ScanDriver& driver;
        bool ended = false;
        ~RunGuard() {
            if (!ended) driver.ResetAfterFailure();
        }
    } guard{*this};

    bool completed = true;
    switch (kind) {
        case 0:
            completed = ScanSystemFolders();
            if (completed) {
                ScanJunkFolder();
                updateList(page_);
                RunMalwareStep();
            }
            break;
        case 1:
        case 2:
            completed = kind == 1 ? ScanListedObjects(dialog_.List1, ": Scanning drive ")
                                  : ScanListedObjects(dialog_.List2, ": Scanning folder ");
            if (completed && dialog_.c3.Get()) {
                context_.log.AddTimed(": Scanning System folders...");
                completed = ScanSystemFolders();
                if (completed) updateList(page_);
            }
            if (completed && dialog_.c1.Get()) {
                context_.log.AddTimed(": Scanning Junk folders...");
                ScanJunkFolder();
                updateList(page_);
            }
            if (completed && dialog_.c2.Get()) RunMalwareStep();
            break;
        case 3:
            completed = ScanListedObjects(welcome_.pList, ": Scanning drive ");
            break;
        default:
            break;
    }

    guard.ended = true;
    if (completed)
        NormalEnding();
    else
        AbortedEnding();
    SaveAndOpenScanLog(context_);
}

void ScanDriver::ResetAfterFailure() {
    context_.scanRunning = false;
    context_.abortRequested = false;
    context_.status.Set(foundation::kAppTitle);
    RemovePlaceholder();
    page_.quickScanEnabled.Set(true);
    page_.customScanEnabled.Set(true);
    page_.cleanUpEnabled.Set(!page_.results.Empty());
    page_.abortEnabled.Set(false);
}

void ScanDriver::RemovePlaceholder() {
    // Found by what it is, not by position: a filter change during the scan rebuilds the list
    // without it, and the first item is then a found object.
    for (size_t i = 0; i < page_.list1.Count(); ++i) {
        const foundation::ListItem& item = page_.list1.Item(i);
        if (item.caption == kScanningPlaceholder && item.subItems.empty()) {
            page_.list1.Remove(i);
            return;
        }
    }
}

void ScanDriver::NormalEnding() {
    RemovePlaceholder();
    page_.quickScanEnabled.Set(true);
    page_.customScanEnabled.Set(true);
    page_.cleanUpEnabled.Set(false);
    page_.abortEnabled.Set(false);
    updateList(page_);
    if (!page_.results.Empty()) page_.cleanUpEnabled.Set(true);
    context_.scanRunning = false;
    context_.status.Set("Done");
    context_.log.AddTimed(": Finish...");
    if (!page_.results.Empty()) {
        context_.ui.Tell(
            "You have some critical issue-s that requires action!\r\r1: Some drives are Critically "
            "low on space, you can free up to " +
                page_.freedSpace.Get() +
                " of space!\r2: Simply check over-spaced folders that are free for clean-up\r3: "
                "Clean-up un-used, Junk and temp folders\r4: Malware scan, Clean-up infected files "
                "& folders",
            foundation::kAppTitle, foundation::MessageIcon::Information);
        context_.log.AddTimed(": You have some critical issue-s that requires action!");
        context_.log.AddTimed(": Finish...");
    } else {
        context_.ui.Tell("You dont have any critical issue-s on your computer!",
                         foundation::kAppTitle, foundation::MessageIcon::Information);
        context_.log.AddTimed(": You dont have any critical issue-s");
        context_.log.AddTimed(": Finish...");
    }
}

void ScanDriver::AbortedEnding() {
    updateList(page_);
    context_.abortRequested = false;
    context_.scanRunning = false;
    context_.status.Set(foundation::kAppTitle);
    page_.quickScanEnabled.Set(true);
    page_.customScanEnabled.Set(true);
    page_.cleanUpEnabled.Set(false);
    page_.abortEnabled.Set(false);
    RemovePlaceholder();
    if (!page_.results.Empty()) {
        page_.cleanUpEnabled.Set(true);
        context_.ui.Tell("Scan process aborted, you have some critical issues to fix.",
                         foundation::kAppTitle, foundation::MessageIcon::Information);
    } else {
        context_.ui.Tell("Scan process aborted!", foundation::kAppTitle,
                         foundation::MessageIcon::Information);
    }
    context_.log.AddTimed(": Scan process aborted...");
}

}  // namespace scourwell::scan
