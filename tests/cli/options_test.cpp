// scourwell-cli's command line, run as a process on a test machine: each command's help,
// --version of every program, --quiet, db check without a machine, and the mistakes that end
// a run before anything is scanned or changed.

#include <fstream>
#include <string>
#include <vector>

#include "tests/cli/cli_fixture.h"

namespace scourwell::cli::testing {
namespace {

class OptionsTest : public CliFixture {
  protected:
    // Nothing ran: no scan log was written and the junk is still there.
    void ExpectNothingRan() const {
        EXPECT_FALSE(machine.Exists(std::string(TestMachine::kDataFolder) + "LastScan.txt"));
        EXPECT_TRUE(machine.Exists(kJunkFile));
    }
};

TEST_F(OptionsTest, MistakesAreErrorsEvenBesideHelp) {
    struct Case {
        std::vector<std::string> args;
        const char* message;
    };
    const Case cases[] = {
        {{"scan", "--bogus", "--help"}, "unknown option '--bogus' for scan"},
        {{"scan", "--help", "--bogus"}, "unknown option '--bogus' for scan"},
        {{"clean", "--yes", "--typo", "-h"}, "unknown option '--typo' for clean"},
        {{"--help", "--bogus"}, "unknown command '--bogus'"},
        {{"--help", "scan", "--bogus"}, "--help takes at most a command"},
        {{"quarantine", "list", "--yes", "--help"}, "unknown option '--yes' for quarantine list"},
        {{"db", "check", "--force", "-h"}, "unknown option '--force' for db check"},
        {{"report", "extra", "--help"}, "report takes no arguments"},
        {{"--version", "scan"}, "--version takes no arguments"},
        {{"--bogus"}, "unknown option '--bogus'"},
        // A single-valued option given twice would silently drop its first value.
        {{"scan", "--kind", "files", "--kind", "folders"}, "--kind is given more than once"},
        {{"clean", "--kind=files", "--kind", "files", "--yes"}, "--kind is given more than once"},
        {{"clean", "--severity", "junk", "--severity=critical", "--yes"},
         "--severity is given more than once"},
        {{"quarantine", "restore", "1", "--yes"}, "takes entry ids"},
    };
    for (const Case& c : cases) {
        std::string shown;
        for (const std::string& arg : c.args) shown += arg + " ";
        SCOPED_TRACE(shown);
        const CliRun run = Cli(c.args);
        EXPECT_EQ(run.exitCode, 2) << run.out;
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err.rfind("scourwell-cli: ", 0), 0u) << run.err;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    }
    ExpectNothingRan();
}

TEST_F(OptionsTest, CommandHelpIsThatCommandsHelp) {
    struct Case {
        std::vector<std::string> args;
        const char* firstLine;
        const char* mentions;
    };
    const Case cases[] = {
        {{"--help"}, "usage: scourwell-cli COMMAND [OPTIONS]", "quarantine restore ID"},
        {{"-h", "clean"}, "usage: scourwell-cli clean [SCAN OPTIONS] [--json] [--yes] [--quiet]",
         "the junk rows and the infected rows only"},
        {{"scan", "--help"}, "usage: scourwell-cli scan [SCAN OPTIONS] [--json] [--quiet]",
         "--severity all|critical"},
        // Help wins over what the command would do: nothing is deleted.
        {{"clean", "--yes", "-h"},
         "usage: scourwell-cli clean [SCAN OPTIONS] [--json] [--yes] [--quiet]", "Ok or Err"},
        {{"quarantine", "restore", "--help"}, "usage: scourwell-cli quarantine list [--json]",
         "12 hexadecimal"},
        {{"quarantine", "--help"}, "usage: scourwell-cli quarantine list [--json]", "--yes"},
        {{"db", "check", "--help"}, "usage: scourwell-cli db info", "needs no machine"},
        {{"startup", "--json", "--help"}, "usage: scourwell-cli processes [--json]", "autorun"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.firstLine);
        const CliRun run = Cli(c.args);
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.err, "");
        const std::vector<std::string> lines = Lines(run.out);
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines[0], c.firstLine);
        EXPECT_NE(run.out.find(c.mentions), std::string::npos) << run.out;
    }
    ExpectNothingRan();
}

TEST_F(OptionsTest, EveryProgramTellsItsVersionWithoutADisplay) {
    const std::vector<std::string> noDisplay = {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"};
    for (const std::string program : {"scourwell", "scourwell-cli", "scourwell-db"}) {
        SCOPED_TRACE(program);
        const CliRun run = RunProgram(program, {"--version"}, machine.MachineFilePath(), noDisplay);
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.out, program + " " SCOURWELL_VERSION "\n");
        EXPECT_EQ(run.err, "");
    }
    // The packer's usage: asked for, on standard output with status 0; after a mistake, on
    // standard error with status 2.
    const CliRun help = RunProgram("scourwell-db", {"--help"}, machine.MachineFilePath());
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.out.rfind("usage: scourwell-db pack", 0), 0u) << help.out;
    EXPECT_EQ(help.err, "");
    const CliRun wrong = RunProgram("scourwell-db", {"--hepl"}, machine.MachineFilePath());
    EXPECT_EQ(wrong.exitCode, 2);
    EXPECT_EQ(wrong.out, "");
    EXPECT_EQ(wrong.err.rfind("usage: scourwell-db pack", 0), 0u) << wrong.err;
}

TEST_F(OptionsTest, QuietLeavesOnlyWarningsAndErrorsOnStandardError) {
    const CliRun loud = Cli({"scan", "--json"});
    const CliRun quiet = Cli({"scan", "--json", "--quiet"});
    EXPECT_EQ(loud.exitCode, 1);
    EXPECT_EQ(quiet.exitCode, 1);
    EXPECT_EQ(quiet.out, loud.out);
    EXPECT_NE(loud.err.find("LastScan.txt"), std::string::npos) << loud.err;
    EXPECT_NE(loud.err.find("critical issue"), std::string::npos) << loud.err;
    EXPECT_EQ(quiet.err, "");

    const CliRun error = Cli({"scan", "--quiet", "--folder", "C:\\No\\Such\\Folder"});
    EXPECT_EQ(error.exitCode, 2);
    EXPECT_NE(error.err.find("no such folder"), std::string::npos) << error.err;

    const CliRun clean = Cli({"clean", "--severity", "junk", "--yes", "--quiet"});
    EXPECT_EQ(clean.exitCode, 0) << clean.out;
    EXPECT_EQ(clean.err, "");  // not even "All done successfully!"
    EXPECT_FALSE(machine.Exists(kJunkFile));
}

TEST_F(OptionsTest, DbCheckOfAHostFileNeedsNoMachine) {
    const std::string good = machine.Root() + "/good.dat";
    std::ofstream(good, std::ios::binary) << ShippedDatabase();
    const std::string bad = machine.Root() + "/bad.ini";
    std::ofstream(bad) << "[machine]\ncolour = blue\n";
    for (const std::string& machineFile : {machine.Root() + "/missing.ini", bad}) {
        SCOPED_TRACE(machineFile);
        const CliRun run = RunCli({"db", "check", good}, machineFile);
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(Lines(run.out).at(0), good + ": valid");
        // A file of the view needs the machine, and says what is wrong with it.
        const CliRun inView = RunCli({"db", "check", "C:\\files.dat"}, machineFile);
        EXPECT_EQ(inView.exitCode, 2);
        EXPECT_NE(inView.err.find(machineFile), std::string::npos) << inView.err;
    }
}

}  // namespace
}  // namespace scourwell::cli::testing
