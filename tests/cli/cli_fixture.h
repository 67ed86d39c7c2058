#pragma once

// A test machine for the companion: the shipped database in the program's folder, and a small
// set of objects that a scan finds: a critical file among the documents, a high folder in the
// all-users application data, junk in the temporary folder, and files too small to be listed.
// The same machine is scanned in this process through the window's own models (the Scan page,
// the Custom Scan dialog and the scan driver), so a test can compare what both front ends show.

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "foundation/format_size.h"
#include "foundation/program_context.h"
#include "scan/custom_scan.h"
#include "scan/drive_status.h"
#include "scan/results_list.h"
#include "scan/scan_driver.h"
#include "scan/scan_page.h"
#include "tests/cli/cli_process.h"
#include "tests/support/scripted_ui.h"
#include "tests/support/test_machine.h"

namespace scourwell::cli::testing {

using scourwell::testing::TestMachine;

// The shipped database as the build packs it.
inline std::string ShippedDatabase() {
    std::ifstream in(std::string(SCOURWELL_BIN_DIR) + "/files.dat", std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// One row as the companion's JSON line or the window's list shows it.
struct Row {
    std::string name, kind, location, size, status;
    bool checked = false;
    bool operator==(const Row&) const = default;
};

inline void PrintTo(const Row& row, std::ostream* out) {
    *out << row.name << "|" << row.kind << "|" << row.location << "|" << row.size << "|"
         << row.status << "|" << row.checked;
}

inline std::string Trim(const std::string& text) {
    const size_t first = text.find_first_not_of(' ');
    return first == std::string::npos ? "" : text.substr(first, text.find_last_not_of(' ') - first + 1);
}

inline std::vector<Row> RowsOfJsonLines(const std::string& out) {
    std::vector<Row> rows;
    for (const std::string& line : Lines(out)) {
        const nlohmann::json object = nlohmann::json::parse(line);
        rows.push_back({object.at("name"), object.at("kind"), object.at("location"),
                        object.at("size"), object.at("status"), object.at("checked")});
    }
    return rows;
}

class CliFixture : public ::testing::Test {
  public:
    using Start = std::function<void(scan::ScanDriver&, scan::CustomScanDialog&, scan::ScanPage&)>;

  protected:
    static constexpr const char* kCritical = "C:\\Users\\tester\\Documents\\disk.iso";
    static constexpr const char* kHighFile = "C:\\ProgramData\\Vendor\\cache.bin";
    static constexpr const char* kSmall = "C:\\Users\\tester\\Documents\\letter.txt";
    static constexpr const char* kJunkFile = "C:\\Users\\tester\\AppData\\Local\\Temp\\a.tmp";
    static constexpr const char* kJunkLog = "C:\\Users\\tester\\AppData\\Local\\Temp\\setup.log";
    static constexpr const char* kJunkInFolder =
        "C:\\Users\\tester\\AppData\\Local\\Temp\\cache\\b.tmp";
    static constexpr const char* kDataDrive = "D:\\Media\\film.mkv";

    CliFixture()
        : machine({scourwell::testing::TestDrive{},
                   scourwell::testing::TestDrive{'D', "fixed", 1'000'000, 500'000}}) {
        machine.WriteFile(std::string(TestMachine::kProgram) + "\\files.dat", ShippedDatabase());
        machine.WriteSparseFile(kCritical, 12'000'000'000);  // drive C: 100 GB, critical at 10 GB
        machine.WriteSparseFile(kHighFile, 3'000'000'000);   // high from 2.5 GB
        machine.WriteFile(kSmall, "dear tester");
        machine.WriteFile(kJunkFile, "junk");
        machine.WriteFile(kJunkLog, "log lines");
        machine.WriteFile(kJunkInFolder, "more junk");
        machine.WriteSparseFile(kDataDrive, 200'000);  // drive D: 1 MB, critical at 100 kB
    }

    CliRun Cli(const std::vector<std::string>& args, bool interrupt = false) const {
        return RunCli(args, machine.MachineFilePath(), interrupt);
    }

    // The rows of list1 after the window's scan driver ran `start` (which starts the scan).
    std::vector<Row> WindowRows(const Start& start) {
        scourwell::testing::ScriptedUi ui;
        foundation::ProgramContext context(ui);
        scan::ScanPage page(context);
        scan::WelcomeDriveStatus welcome;
        scan::CustomScanDialog dialog(context);
        scan::ScanDriver driver(page, welcome, dialog);
        start(driver, dialog, page);
        std::vector<Row> rows;
        for (const foundation::ListItem& item : page.list1.Items())
            rows.push_back({item.caption, item.SubItem(scan::kColKind),
                            item.SubItem(scan::kColLocation), Trim(item.SubItem(scan::kColSize)),
                            item.SubItem(scan::kColStatus), item.checked});
        return rows;
    }

    TestMachine machine;
};

}  // namespace scourwell::cli::testing
