#pragma once

// A Scan page on a Windows-shaped test machine, with a scripted window port. The walks serve
// events before every entry here, so a test can press "Abort" at an exact point.

#include <algorithm>
#include <string>
#include <vector>

#include "foundation/program_context.h"
#include "foundation/scan_results.h"
#include "scan/custom_scan.h"
#include "scan/drive_status.h"
#include "scan/scan_driver.h"
#include "scan/scan_page.h"
#include "tests/support/scripted_ui.h"
#include "tests/support/test_machine.h"

namespace scourwell::scan::testing_support {

struct ScanFixture {
    explicit ScanFixture(
        std::vector<scourwell::testing::TestDrive> drives = {scourwell::testing::TestDrive{}})
        : machine(std::move(drives)), context(ui), page(context) {
        page.pacing = WalkPacing{1, std::chrono::milliseconds(0)};
    }

    std::vector<std::string> RowLines() const {
        std::vector<std::string> lines;
        for (const auto& row : page.results.Rows()) lines.push_back(row.ToLine());
        return lines;
    }
    std::vector<std::string> SortedRowLines() const {
        auto lines = RowLines();
        std::sort(lines.begin(), lines.end());
        return lines;
    }
    std::vector<std::string> ItemCaptions() const {
        std::vector<std::string> captions;
        for (const auto& item : page.list1.Items()) captions.push_back(item.caption);
        return captions;
    }
    const foundation::ScanResultRow* Row(const std::string& name) const {
        for (const auto& row : page.results.Rows())
            if (row.name == name) return &row;
        return nullptr;
    }
    bool LogHas(const std::string& line) const {
        const auto& lines = context.log.Lines();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }

    scourwell::testing::TestMachine machine;
    scourwell::testing::ScriptedUi ui;
    foundation::ProgramContext context;
    ScanPage page;
};

// The Scan page with the Welcome drive status, the Custom Scan dialog and the scan driver.
struct DriverFixture : ScanFixture {
    explicit DriverFixture(
        std::vector<scourwell::testing::TestDrive> drives = {scourwell::testing::TestDrive{}})
        : ScanFixture(std::move(drives)), dialog(context), driver(page, welcome, dialog) {
        dialog.pacing = page.pacing;
    }

    std::string DataFile(const std::string& name) const {
        return std::string(scourwell::testing::TestMachine::kDataFolder) + name;
    }
    // The status log as "LastScan.txt" must hold it.
    std::string LogText() const {
        std::string text;
        for (const auto& line : context.log.Lines()) text += line + "\r\n";
        return text;
    }
    bool StatusStartsWith(const std::string& prefix) const {
        return context.status.Text().rfind(prefix, 0) == 0;
    }

    WelcomeDriveStatus welcome;
    CustomScanDialog dialog;
    ScanDriver driver;
};

// The fixed clock of ScriptedUi in the test machine's long time format.
inline constexpr const char* kTime = "14:30:05";

// A status-log line as the fixed clock stamps it.
inline std::string Timed(const std::string& message) {
    return std::string(kTime) + message;
}

}  // namespace scourwell::scan::testing_support
