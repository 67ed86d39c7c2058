// scourwell-cli processes, startup, fileguard and report, run as a process on a test machine
// with a running task and Run values.

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/registry.h"
#include "tests/cli/cli_fixture.h"
#include "tests/support/test_processes.h"

namespace scourwell::cli::testing {
namespace {

using platform::RegistryKey;
using platform::RootKey;

std::string SourceFile(const std::string& relative) {
    std::ifstream in(std::string(SCOURWELL_SOURCE_DIR) + "/" + relative, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class InspectCommandTest : public CliFixture {
  protected:
    InspectCommandTest() {
        machine.WriteFile(std::string(TestMachine::kProgram) + "\\RegBase.rgk",
                          SourceFile("data/RegBase.rgk"));
        machine.WriteFile("C:\\Apps\\tool.exe", "tool program");
        machine.WriteFile("C:\\Apps\\7zip.exe", "suspicious program");
        auto run = RegistryKey::Open(RootKey::CurrentUser,
                                     "Software\\Microsoft\\Windows\\CurrentVersion\\Run", true);
        run->WriteString("Tool", "\"C:\\Apps\\tool.exe\" /tray");
        run->WriteString("Seven", "C:\\Apps\\7zip.exe");
    }
    scourwell::testing::TestProcesses procs{machine};
};

std::vector<nlohmann::json> JsonLines(const std::string& out) {
    std::vector<nlohmann::json> objects;
    for (const std::string& line : Lines(out)) objects.push_back(nlohmann::json::parse(line));
    return objects;
}

TEST_F(InspectCommandTest, ListingsShowWhatThePagesShow) {
    ASSERT_GT(procs.Start("C:\\Apps\\worker.exe"), 0);

    const CliRun processes = Cli({"processes", "--json"});
    ASSERT_EQ(processes.exitCode, 0) << processes.err;
    const auto tasks = JsonLines(processes.out);
    ASSERT_EQ(tasks.size(), 1u) << processes.out;
    EXPECT_EQ(tasks[0].at("task"), "C:\\Apps\\worker.exe");
    EXPECT_EQ(tasks[0].at("first_seen"), "");  // first run: recorded without a date
    EXPECT_TRUE(machine.Exists(std::string(TestMachine::kDataFolder) + "proc.dat"));

    const CliRun startup = Cli({"startup", "--json"});
    ASSERT_EQ(startup.exitCode, 0) << startup.err;
    const auto values = JsonLines(startup.out);
    ASSERT_EQ(values.size(), 2u) << startup.out;
    EXPECT_EQ(values[0].at("object"), "c:\\apps\\7zip.exe");
    EXPECT_EQ(values[0].at("value"), "Seven");
    EXPECT_EQ(values[1].at("data"), "\"C:\\Apps\\tool.exe\" /tray");
    EXPECT_EQ(values[1].at("key"), "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run");

    // Only the value with a leading digit is suspicious; something listed exits with 1.
    const CliRun fileguard = Cli({"fileguard", "--json"});
    EXPECT_EQ(fileguard.exitCode, 1) << fileguard.err;
    const auto suspicious = JsonLines(fileguard.out);
    ASSERT_EQ(suspicious.size(), 2u) << fileguard.out;
    EXPECT_EQ(suspicious[0].at("status"), "Suspicious registry value");
    EXPECT_EQ(suspicious[0].at("object"),
              "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\\Seven");
    EXPECT_EQ(suspicious[1].at("object"), "c:\\apps\\7zip.exe");
}

TEST_F(InspectCommandTest, ReportIsTheQuickReportText) {
    ASSERT_GT(procs.Start("C:\\Apps\\worker.exe"), 0);
    const CliRun report = Cli({"report"});
    ASSERT_EQ(report.exitCode, 0) << report.err;
    const std::vector<std::string> lines = Lines(report.out);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front(), "Scourwell (Build: 7.12.2013)");
    EXPECT_EQ(lines.back(), "Finished...");
    const auto has = [&lines](const std::string& line) {
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    };
    EXPECT_TRUE(has("Running tasks: (1)")) << report.out;
    EXPECT_TRUE(has("Startup files: (2)")) << report.out;
    EXPECT_TRUE(has("[\"C:\\Apps\\tool.exe\" /tray]")) << report.out;
    EXPECT_TRUE(has("Ful report: (3)")) << report.out;  // one task and two values

    const CliRun extra = Cli({"report", "--save"});
    EXPECT_EQ(extra.exitCode, 2);
    EXPECT_NE(extra.err.find("report takes no arguments"), std::string::npos) << extra.err;
}

}  // namespace
}  // namespace scourwell::cli::testing
