// scourwell-cli clean, run as a process on a test machine: without --yes nothing changes; with
// it exactly the checked rows that the filters show are deleted, and each outcome is printed.

#include <string>
#include <vector>

#include "tests/cli/cli_fixture.h"

namespace scourwell::cli::testing {
namespace {

class CleanCommandTest : public CliFixture {
  protected:
    std::vector<std::string> AllObjects() const {
        return {kCritical, kHighFile, kSmall, kJunkFile, kJunkLog, kJunkInFolder, kDataDrive};
    }
};

TEST_F(CleanCommandTest, WithoutYesShowsWhatWouldGoAndDeletesNothing) {
    const CliRun text = Cli({"clean"});
    EXPECT_EQ(text.exitCode, 1) << text.err;
    for (const char* name : {"Vendor", "disk.iso", "a.tmp", "cache", "setup.log"})
        EXPECT_NE(text.out.find(name), std::string::npos) << name;
    // 3 GB + 12 GB + the junk's 4 + 9 + 9 bytes.
    EXPECT_NE(text.out.find("Total: 13.97GB in 5 object(s). Nothing was deleted"),
              std::string::npos)
        << text.out;

    const CliRun json = Cli({"clean", "--severity", "junk", "--json"});
    EXPECT_EQ(json.exitCode, 1) << json.err;
    std::vector<std::string> names;
    for (const Row& row : RowsOfJsonLines(json.out)) names.push_back(row.name);
    EXPECT_EQ(names, (std::vector<std::string>{"a.tmp", "cache", "setup.log"}));

    for (const std::string& object : AllObjects()) EXPECT_TRUE(machine.Exists(object)) << object;
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
    const CliRun run = Cli({"clean", "--drives", "D", "--yes"});
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
