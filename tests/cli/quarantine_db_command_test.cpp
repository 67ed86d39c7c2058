// scourwell-cli quarantine and db, run as a process on a test machine.

#include <map>
#include <string>
#include <vector>

#include "foundation/program_context.h"
#include "quarantine/quarantine_store.h"
#include "tests/cli/cli_fixture.h"

namespace scourwell::cli::testing {
namespace {

class QuarantineCommandTest : public CliFixture {
  protected:
    // Quarantines the file through the core, then deletes it, as a clean-up of an infected
    // file would.
    void QuarantineAndDelete(const std::string& path) {
        scourwell::testing::ScriptedUi ui;
        foundation::ProgramContext context(ui);
        quarantine::QuarantineStore store(context);
        store.LoadAtStartup();
        ASSERT_TRUE(store.QuarantineFile(path));
        std::remove(machine.Host(path).c_str());
    }
};

// The ids of the entries as `quarantine list --json` shows them, by object.
std::map<std::string, std::string> IdsByObject(const CliRun& list) {
    std::map<std::string, std::string> ids;
    for (const std::string& line : Lines(list.out)) {
        const nlohmann::json row = nlohmann::json::parse(line);
        ids[row.at("object")] = row.at("id");
    }
    return ids;
}

TEST_F(QuarantineCommandTest, ListRestoreAndClear) {
    const std::string second = "C:\\Users\\tester\\Documents\\notes.txt";
    machine.WriteFile(second, "notes");
    QuarantineAndDelete(kSmall);
    QuarantineAndDelete(second);

    const CliRun list = Cli({"quarantine", "list", "--json"});
    ASSERT_EQ(list.exitCode, 0) << list.err;
    const std::vector<std::string> lines = Lines(list.out);
    ASSERT_EQ(lines.size(), 2u);
    std::vector<std::string> objects;
    for (const std::string& line : lines) {
        const nlohmann::json row = nlohmann::json::parse(line);
        EXPECT_EQ(row.at("status"), "Quarantined");
        EXPECT_EQ(row.at("id").get<std::string>().find_first_not_of("0123456789abcdef"),
                  std::string::npos);
        EXPECT_EQ(row.at("id").get<std::string>().size(), 12u);
        objects.push_back(row.at("object"));
    }
    EXPECT_EQ(objects, (std::vector<std::string>{kSmall, second}));
    const std::map<std::string, std::string> ids = IdsByObject(list);
    ASSERT_NE(ids.at(kSmall), ids.at(second));
    // The text list shows the id beside the number.
    const CliRun text = Cli({"quarantine", "list"});
    EXPECT_NE(text.out.find("1  " + ids.at(kSmall) + "  "), std::string::npos) << text.out;

    const CliRun wrong = Cli({"quarantine", "restore", "0123456789ab", "--yes"});
    EXPECT_EQ(wrong.exitCode, 2);
    EXPECT_NE(wrong.err.find("no quarantined object has the id 0123456789ab"), std::string::npos)
        << wrong.err;

    // Without --yes nothing comes back.
    const CliRun dryRestore = Cli({"quarantine", "restore", ids.at(second)});
    EXPECT_EQ(dryRestore.exitCode, 0) << dryRestore.err;
    EXPECT_NE(dryRestore.out.find("1 object(s) would be restored; add --yes"), std::string::npos)
        << dryRestore.out;
    EXPECT_FALSE(machine.Exists(second));

    // Only the named entry comes back, and its id names nothing afterwards: the same command
    // again restores no other file, though the other entry is number 1 now.
    const CliRun restore = Cli({"quarantine", "restore", ids.at(second), "--yes"});
    EXPECT_EQ(restore.exitCode, 0) << restore.err;
    EXPECT_NE(restore.out.find("Restored"), std::string::npos) << restore.out;
    EXPECT_EQ(machine.ReadFile(second), "notes");
    EXPECT_FALSE(machine.Exists(kSmall));
    const CliRun again = Cli({"quarantine", "restore", ids.at(second), "--yes"});
    EXPECT_EQ(again.exitCode, 2);
    EXPECT_FALSE(machine.Exists(kSmall));
    const CliRun after = Cli({"quarantine", "list", "--json"});
    EXPECT_EQ(IdsByObject(after), (std::map<std::string, std::string>{{kSmall, ids.at(kSmall)}}));

    const CliRun dryClear = Cli({"quarantine", "clear"});
    EXPECT_EQ(dryClear.exitCode, 0) << dryClear.err;
    EXPECT_NE(dryClear.out.find("1 object(s) would be deleted"), std::string::npos) << dryClear.out;
    EXPECT_EQ(Lines(Cli({"quarantine", "list", "--json"}).out).size(), 1u);

    const CliRun clear = Cli({"quarantine", "clear", "--yes"});
    EXPECT_EQ(clear.exitCode, 0) << clear.err;
    EXPECT_EQ(Cli({"quarantine", "list", "--json"}).out, "");
    EXPECT_FALSE(machine.Exists(kSmall));
}

class DbCommandTest : public CliFixture {};

TEST_F(DbCommandTest, InfoInstallsTheShippedDatabaseOnFirstUse) {
    const std::string database = std::string(TestMachine::kDataFolder) + "files.dat";
    ASSERT_FALSE(machine.Exists(database));
    const CliRun run = Cli({"db", "info"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(machine.ReadFile(database), ShippedDatabase());
    const std::vector<std::string> lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "Database: " + machine.Host(database));
    EXPECT_EQ(lines[1].rfind("Version: Scourwell signature database", 0), 0u) << lines[1];
    EXPECT_EQ(lines[2].rfind("Entries: ", 0), 0u);
    EXPECT_NE(lines[2], "Entries: 0");
}

TEST_F(DbCommandTest, CheckTellsValidFromDamaged) {
    const std::string shipped = ShippedDatabase();
    const auto write = [&](const std::string& name, const std::string& bytes) {
        std::ofstream(machine.Root() + "/" + name, std::ios::binary) << bytes;
        return machine.Root() + "/" + name;
    };
    struct Case {
        std::string file;
        int exitCode;
        const char* message;  // in standard output, or for 2 in standard error
    };
    const Case cases[] = {
        {write("good.dat", shipped), 0, ": valid"},
        {std::string(TestMachine::kProgram) + "\\files.dat", 0, ": valid"},
        {write("cut.dat", shipped.substr(0, shipped.size() - 10)), 1, "is damaged or truncated"},
        {write("text.dat", "a plain text file\r\n"), 1, "is not a signature database"},
        {write("empty.dat", ""), 1, "is empty"},
        {machine.Root() + "/missing.dat", 2, "no such file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const CliRun run = Cli({"db", "check", c.file});
        EXPECT_EQ(run.exitCode, c.exitCode) << run.err;
        EXPECT_NE((c.exitCode == 2 ? run.err : run.out).find(c.message), std::string::npos)
            << run.out << run.err;
    }
}

}  // namespace
}  // namespace scourwell::cli::testing
