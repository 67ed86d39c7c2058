// scourwell-cli scan, run as a process on a test machine: its rows are the window's rows, its
// exit status says whether anything was found, and errors end it with a clear message.

#include <string>
#include <vector>

#include "tests/cli/cli_fixture.h"

namespace scourwell::cli::testing {
namespace {

using Start = CliFixture::Start;

class ScanCommandTest : public CliFixture {};

void OnlyDrive(scan::CustomScanDialog& dialog, char letter) {
    dialog.Button5Click();
    for (size_t i = 0; i < dialog.List1.Count(); ++i)
        dialog.List1.SetChecked(i, dialog.List1.Item(i).caption[0] == letter);
}

void Steps(scan::CustomScanDialog& dialog, bool system, bool junk, bool malware) {
    dialog.c3.Set(system);
    dialog.c1.Set(junk);
    dialog.c2.Set(malware);
}

TEST_F(ScanCommandTest, JsonLinesAreTheRowsTheWindowShows) {
    const std::string programData = "C:\\ProgramData";
    const std::string documents = TestMachine::kDocuments;
    struct Case {
        const char* name;
        std::vector<std::string> args;
        Start start;
    };
    const Case cases[] = {
        {"quick scan", {"scan", "--json"},
         [](scan::ScanDriver& driver, scan::CustomScanDialog&, scan::ScanPage&) { driver.scan(0); }},
        {"one drive", {"scan", "--drives", "D", "--json"},
         [](scan::ScanDriver& driver, scan::CustomScanDialog& dialog, scan::ScanPage&) {
             OnlyDrive(dialog, 'D');
             Steps(dialog, false, false, false);
             driver.scan(1);
         }},
        {"a drive and the junk folder", {"scan", "--drives", "d:", "--junk", "--json"},
         [](scan::ScanDriver& driver, scan::CustomScanDialog& dialog, scan::ScanPage&) {
             OnlyDrive(dialog, 'D');
             Steps(dialog, false, true, false);
             driver.scan(1);
         }},
        {"a folder with the system folders",
         {"scan", "--folder", programData, "--system", "--json"},
         [&](scan::ScanDriver& driver, scan::CustomScanDialog& dialog, scan::ScanPage&) {
             dialog.List2.Add(foundation::ListItem{programData, {"", ""}, true, false});
             Steps(dialog, true, false, false);
             driver.scan(2);
         }},
        {"a folder given as a host path",
         {"scan", "--folder", machine.Host(documents), "--json"},
         [&](scan::ScanDriver& driver, scan::CustomScanDialog& dialog, scan::ScanPage&) {
             dialog.List2.Add(foundation::ListItem{documents, {"", ""}, true, false});
             Steps(dialog, false, false, false);
             driver.scan(2);
         }},
        {"the junk filter", {"scan", "--severity", "junk", "--kind", "files", "--json"},
         [](scan::ScanDriver& driver, scan::CustomScanDialog&, scan::ScanPage& page) {
             driver.scan(0);
             page.kindFilter.Set(1);
             page.severityFilter.Set(5);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const CliRun run = Cli(c.args);
        ASSERT_EQ(run.exitCode, 1) << run.err;
        const std::vector<Row> shown = RowsOfJsonLines(run.out);
        EXPECT_FALSE(shown.empty());
        EXPECT_EQ(shown, WindowRows(c.start));
    }
}

TEST_F(ScanCommandTest, QuickScanFindsTheFixturesObjects) {
    const CliRun run = Cli({"scan", "--json"});
    ASSERT_EQ(run.exitCode, 1) << run.err;
    std::vector<std::string> found;
    for (const Row& row : RowsOfJsonLines(run.out)) found.push_back(row.status + " " + row.name);
    EXPECT_EQ(found, (std::vector<std::string>{"High Vendor", "Critical disk.iso", "Junk a.tmp",
                                               "Junk cache", "Junk setup.log"}));
    // The scan log is saved as the window saves it, and its place is told.
    EXPECT_TRUE(machine.Exists(std::string(TestMachine::kDataFolder) + "LastScan.txt"));
    EXPECT_NE(run.err.find("LastScan.txt"), std::string::npos);
}

TEST_F(ScanCommandTest, TextOutputIsAlignedColumns) {
    const CliRun run = Cli({"scan", "--drives", "D"});
    ASSERT_EQ(run.exitCode, 1) << run.err;
    const std::vector<std::string> lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "Object  Kind    Location      Size  Status");
    EXPECT_EQ(lines[1], "Media   Folder  D:\\       195.31KB  Critical");
}

TEST_F(ScanCommandTest, ExitStatusTellsFoundNothingAndErrors) {
    struct Case {
        std::vector<std::string> args;
        int exitCode;
        const char* message;  // expected in standard error
    };
    const Case cases[] = {
        {{"scan", "--folder", "C:\\Users\\tester\\AppData\\Local\\Temp\\cache"}, 0, ""},
        {{"scan", "--drives", "D"}, 1, ""},
        {{"scan", "--folder", "C:\\No\\Such\\Folder"}, 2, "no such folder"},
        {{"scan", "--drives", "Q"}, 2, "drive Q: is not a fixed drive"},
        {{"scan", "--drives", "C", "--folder", "C:\\ProgramData"}, 2, "choose one of"},
        {{"scan", "--junk"}, 2, "go with --drives or --folder"},
        {{"scan", "--severity", "dire"}, 2, "--severity takes"},
        {{"scan", "--yes"}, 2, "unknown option '--yes' for scan"},
        {{"quarantine", "restore", "first"}, 2, "entry ids"},
        {{"lint"}, 2, "unknown command"},
        {{}, 2, "no command"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.empty() ? "(none)" : c.args[0] + " " + (c.args.size() > 1 ? c.args[1] : ""));
        const CliRun run = Cli(c.args);
        EXPECT_EQ(run.exitCode, c.exitCode) << run.err;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        if (c.exitCode == 2) {
            EXPECT_EQ(run.err.rfind("scourwell-cli: ", 0), 0u) << run.err;
        }
    }
}

TEST_F(ScanCommandTest, HelpGoesToStandardOutput) {
    const CliRun run = Cli({"scan", "--help"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out.rfind("usage: scourwell-cli", 0), 0u);
    EXPECT_EQ(run.err, "");
}

TEST_F(ScanCommandTest, DamagedDatabaseIsAnErrorAndStaysAsItIs) {
    const std::string database = std::string(TestMachine::kDataFolder) + "files.dat";
    const std::string shipped = ShippedDatabase();
    const std::string damaged = shipped.substr(0, shipped.size() / 2);
    machine.WriteFile(database, damaged);
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"scan"}, {"clean", "--yes"}, {"db", "info"}}) {
        SCOPED_TRACE(args[0]);
        const CliRun run = Cli(args);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err.find("files.dat is damaged or truncated"), std::string::npos) << run.err;
    }
    EXPECT_EQ(machine.ReadFile(database), damaged);
    EXPECT_TRUE(machine.Exists(kJunkFile));
}

TEST_F(ScanCommandTest, BadMachineFileIsAnError) {
    const std::string bad = machine.Root() + "/bad.ini";
    std::ofstream(bad) << "[machine]\nuser = tester\ncolour = blue\n";
    const CliRun run = RunCli({"scan"}, bad);
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("colour"), std::string::npos) << run.err;
}

TEST_F(ScanCommandTest, CtrlCAbortsTheScanCleanly) {
    const CliRun run = Cli({"scan", "--json"}, true);
    EXPECT_EQ(run.exitCode, 130) << run.err;
    EXPECT_NE(run.err.find("Scan process aborted"), std::string::npos) << run.err;
    // The aborted ending ran: the log says so and was saved.
    const std::string log = machine.ReadFile(std::string(TestMachine::kDataFolder) + "LastScan.txt");
    EXPECT_NE(log.find(": Scan process aborted..."), std::string::npos);
}

}  // namespace
}  // namespace scourwell::cli::testing
