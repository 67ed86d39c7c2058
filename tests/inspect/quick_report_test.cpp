#include "inspect/quick_report.h"

#include <algorithm>
#include <filesystem>

#include "foundation/file_helpers.h"
#include "database/signature_database.h"
#include "platform/registry.h"
#include "scan/drive_status.h"
#include "scan/windows_version_name.h"
#include "tests/inspect/inspect_fixture.h"
#include "tests/support/test_processes.h"

namespace scourwell::inspect::test {
namespace {

using platform::RegistryKey;
using platform::RootKey;
using scourwell::testing::TestProcesses;

constexpr const char* kTask = "C:\\Tools\\Sleeper.exe";
constexpr const char* kRunProgram = "C:\\Apps\\app.exe";
constexpr const char* kLoaded = "C:\\Apps\\loaded.exe";

class QuickReportTest : public InspectTest {
  protected:
    QuickReport& report = inspection.quickReport;
    TestProcesses procs{machine};

    std::string Described(const std::string& path) const {
        return path + " [" + database::FileDigest(path) + "][" +
               std::to_string(foundation::GetFileSizeBytes(path)) + "]";
    }
    std::vector<std::string> Head() const {
        std::vector<std::string> lines = {"Scourwell (Build: 7.12.2013)",
                                          "Generated at 06.12.2026 14:30:05",
                                          scan::OperatingSystemName(), ""};
        for (const std::string& line : scan::DriveStatusReport()) lines.push_back(line);
        lines.push_back("");
        return lines;
    }
};

TEST_F(QuickReportTest, SectionsCountsAndLines) {
    ASSERT_GT(procs.Start(kTask), 0);
    machine.WriteFile(kRunProgram, "application bytes");
    machine.WriteFile(kLoaded, "loaded bytes");
    RegistryKey::Open(RootKey::CurrentUser, kRunKey, true)
        ->WriteString("App", "\"C:\\Apps\\app.exe\" /tray  \"x y\"");
    RegistryKey::Open(RootKey::LocalMachine,
                      "Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows", true)
        ->WriteString("load", kLoaded);
    EXPECT_FALSE(report.saveEnabled.Get());
    report.Button12Click();

    std::vector<std::string> expected = Head();
    const std::vector<std::string> rest = {
        "Running tasks: (1)",
        Described(kTask),
        "",
        "Startup files: (1)",
        "HKEY_CURRENT_USER\\" + std::string(kRunKey) + "\\App",
        "[\"C:\\Apps\\app.exe\" /tray  \"x y\"]",
        "",
        "Ful report: (3)",
        "Clsid " + Described("c:\\apps\\loaded.exe"),
        "Proc " + Described(kTask),
        "RegRun " + Described("c:\\apps\\app.exe"),
        "Finished...",
    };
    expected.insert(expected.end(), rest.begin(), rest.end());
    EXPECT_EQ(report.Memo2(), expected);
    EXPECT_TRUE(report.saveEnabled.Get());
    EXPECT_TRUE(ui.messages.empty());
    // The lists and their first-seen records were refreshed on the way.
    EXPECT_NE(DataFile("proc.dat"), "<missing>");
    EXPECT_NE(DataFile("regk.dat"), "<missing>");

    // "Save Report" writes the memo's text, replacing an older report, and opens it.
    machine.WriteFile(kDataFolder + "quickreport.txt", "an older, longer report\r\n\r\n\r\n");
    report.Button11Click();
    std::string text;
    for (const std::string& line : expected) text += line + "\r\n";
    EXPECT_EQ(DataFile("quickreport.txt"), text);
    EXPECT_EQ(ui.openedDocuments, (std::vector<std::string>{kDataFolder + "quickreport.txt"}));
}

TEST_F(QuickReportTest, SecondPressWhileBuildingIsIgnored) {
    RegistryKey::Open(RootKey::CurrentUser, kRunKey, true)->WriteString("App", kRunProgram);
    int nested = 0;
    ui.AtPump(1, [this, &nested] {
        ++nested;
        report.Button12Click();
    });
    report.Button12Click();
    EXPECT_EQ(nested, 1);
    EXPECT_EQ(report.fullReport, (std::vector<std::string>{"RegRun " + Described(kRunProgram)}));
    EXPECT_EQ(std::count(report.Memo2().begin(), report.Memo2().end(), "Finished..."), 1);
}

TEST_F(QuickReportTest, EmptyMachine) {
    report.Button12Click();
    std::vector<std::string> expected = Head();
    for (const char* line : {"Running tasks: (0)", "", "Startup files: (0)", "", "Ful report: (0)",
                             "Finished..."})
        expected.push_back(line);
    EXPECT_EQ(report.Memo2(), expected);
}

TEST_F(QuickReportTest, FailedBuildDisablesSave) {
    report.Button12Click();
    ASSERT_TRUE(report.saveEnabled.Get());
    // "proc.dat" cannot be written: a folder stands in its place.
    std::filesystem::remove(machine.Host(kDataFolder + "proc.dat"));
    machine.MakeDirectory(kDataFolder + "proc.dat");
    report.Button12Click();
    EXPECT_FALSE(report.saveEnabled.Get());
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Cannot create ful report");
    EXPECT_EQ(ui.messages[0].caption, "Error");
    EXPECT_EQ(ui.messages[0].icon, foundation::MessageIcon::Error);
}

}  // namespace
}  // namespace scourwell::inspect::test
