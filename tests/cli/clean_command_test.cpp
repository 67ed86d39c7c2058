// scourwell-cli clean, run as a process on a test machine: without --yes nothing changes; with
// it exactly the checked rows that the filters show are deleted (without a filter, the junk
// and infected ones), and each outcome is printed.

#include <string>
#include <vector>

#include "tests/cli/cli_fixture.h"

namespace scourwell::cli::testing {
namespace {

// The figure of the scan summary's "free up to ... of space", without its padding.
std::string FreeUpTo(const std::string& err) {
    const std::string before = "free up to ";
    const size_t start = err.find(before);
    if (start == std::string::npos) return "(no figure)";
    const size_t end = err.find(" of space", start);
    return Trim(err.substr(start + before.size(), end - start - before.size()));
}

class CleanCommandTest : public CliFixture {
  protected:
    std::vector<std::string> AllObjects() const {
        return {kCritical, kHighFile, kSmall, kJunkFile, kJunkLog, kJunkInFolder, kDataDrive};
    }
};

// Without a filter only junk and infected rows are cleaned: the oversized folders and files
// go only when --kind or --severity asks for them. The scan's "free up to" figure and the
// total are both what this command would clean.
TEST_F(CleanCommandTest, WithoutYesShowsWhatWouldGoAndDeletesNothing) {
    struct Case {
        const char* what;
        std::vector<std::string> args;
        std::vector<std::string> names;
        const char* total;
    };
    const Case cases[] = {
        {"no filter", {"clean", "--json"}, {"a.tmp", "cache", "setup.log"}, "22.00B"},
        {"every row", {"clean", "--severity", "all", "--json"},
         {"Vendor", "disk.iso", "a.tmp", "cache", "setup.log"}, "13.97GB"},
        {"every file", {"clean", "--kind", "files", "--json"}, {"disk.iso", "a.tmp", "setup.log"},
         "11.18GB"},
        {"critical", {"clean", "--severity", "critical", "--json"}, {"disk.iso"}, "11.18GB"},
        {"junk", {"clean", "--severity", "junk", "--json"}, {"a.tmp", "cache", "setup.log"}, "22.00B"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const CliRun run = Cli(c.args);
        EXPECT_EQ(run.exitCode, 1) << run.err;
        std::vector<std::string> names;
        for (const Row& row : RowsOfJsonLines(run.out)) names.push_back(row.name);
        EXPECT_EQ(names, c.names);
        const std::string total = c.total;
        EXPECT_NE(run.err.find("Total: " + total + " in " + std::to_string(c.names.size()) +
                               " object(s). Nothing was deleted"),
                  std::string::npos)
            << run.err;
        EXPECT_EQ(FreeUpTo(run.err), total) << run.err;
    }
    // The text form says the same on standard output.
    const CliRun text = Cli({"clean"});
    EXPECT_EQ(text.exitCode, 1) << text.err;
    EXPECT_EQ(text.out.find("disk.iso"), std::string::npos) << text.out;
    EXPECT_EQ(text.out.find("Vendor"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("Total: 22.00B in 3 object(s). Nothing was deleted"), std::string::npos)
        << text.out;
    // The scan alone still speaks of the whole list.
    EXPECT_EQ(FreeUpTo(Cli({"scan"}).err), "13.97GB");

    for (const std::string& object : AllObjects()) EXPECT_TRUE(machine.Exists(object)) << object;
}

TEST_F(CleanCommandTest, WithYesAndNoFilterKeepsTheOversizedObjects) {
    const CliRun run = Cli({"clean", "--yes", "--json"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    std::vector<std::string> outcomes;
    for (const Row& row : RowsOfJsonLines(run.out)) outcomes.push_back(row.name + " " + row.status);
    EXPECT_EQ(outcomes, (std::vector<std::string>{"a.tmp Ok", "cache Ok", "setup.log Ok"}));
    for (const char* gone : {kJunkFile, kJunkLog, kJunkInFolder}) EXPECT_FALSE(machine.Exists(gone));
    for (const char* kept : {kCritical, kHighFile, kSmall, kDataDrive})
        EXPECT_TRUE(machine.Exists(kept)) << kept;
}

TEST_F(CleanCommandTest, WithYesDeletesExactlyTheCheckedRowsShown) {
    const CliRun run = Cli({"clean", "--severity", "junk", "--yes", "--json"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    std::vector<std::string> outcomes;
    for (const Row& row : RowsOfJsonLines(run.out)) outcomes.push_back(row.name + " " + row.status);
    EXPECT_EQ(outcomes, (std::vector<std::string>{"a.tmp Ok", "cache Ok", "setup.log Ok"}));
    EXPECT_NE(run.err.find("All done successfully!"), std::string::npos) << run.err;

    EXPECT_FALSE(machine.Exists(kJunkFile));
    EXPECT_FALSE(machine.Exists(kJunkLog));
    EXPECT_FALSE(machine.Exists("C:\\Users\\tester\\AppData\\Local\\Temp\\cache"));
    EXPECT_TRUE(machine.Exists(TestMachine::kTemp));
    for (const char* kept : {kCritical, kHighFile, kSmall, kDataDrive})
        EXPECT_TRUE(machine.Exists(kept)) << kept;
    // The clean-up's lines follow the scan's in the saved log.
    const std::string log = machine.ReadFile(std::string(TestMachine::kDataFolder) + "LastScan.txt");
    EXPECT_NE(log.find(": Cleaning..."), std::string::npos);
}

TEST_F(CleanCommandTest, WithYesOnADriveDeletesItsRowAndNothingElse) {
    // The drive's only row is an oversized folder: kept without a filter that chooses it.
    const CliRun unfiltered = Cli({"clean", "--drives", "D", "--yes"});
    EXPECT_EQ(unfiltered.exitCode, 0) << unfiltered.err;
    EXPECT_EQ(Lines(unfiltered.out).size(), 1u) << unfiltered.out;  // the header alone
    EXPECT_TRUE(machine.Exists(kDataDrive));

    const CliRun run = Cli({"clean", "--drives", "D", "--severity", "critical", "--yes"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("Media   Folder  D:\\       195.31KB  Ok"), std::string::npos) << run.out;
    EXPECT_FALSE(machine.Exists("D:\\Media"));
    for (const std::string& object : AllObjects()) {
        if (object == kDataDrive) continue;
        EXPECT_TRUE(machine.Exists(object)) << object;
    }
}

TEST_F(CleanCommandTest, CtrlCBeforeTheCleanUpDeletesNothing) {
    const CliRun run = Cli({"clean", "--yes"}, true);
    EXPECT_EQ(run.exitCode, 130) << run.err;
    for (const std::string& object : AllObjects()) EXPECT_TRUE(machine.Exists(object)) << object;
}

}  // namespace
}  // namespace scourwell::cli::testing
