// The scourwell-db command-line tool, run as a separate program on temporary host files.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "database/signature_database.h"
#include "tests/support/test_machine.h"

namespace scourwell::database {
namespace {

namespace fs = std::filesystem;
using testing::TestMachine;

struct ToolRun {
    int exitCode;
    std::string out;
    std::string err;
};

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

class ToolTest : public ::testing::Test {
protected:
    std::string Path(const std::string& name) const { return machine.Root() + "/" + name; }
    void Write(const std::string& name, const std::string& data) const {
        std::ofstream(Path(name), std::ios::binary) << data;
    }
    ToolRun Tool(const std::string& args, const std::string& environment = "") const {
        const std::string out = Path("tool.out");
        const std::string err = Path("tool.err");
        const std::string command = environment + " '" + std::string(SCOURWELL_BIN_DIR) + "/scourwell-db' " +
                                    args + " >'" + out + "' 2>'" + err + "'";
        const int status = std::system(command.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, Slurp(out), Slurp(err)};
    }

    TestMachine machine;
};

TEST_F(ToolTest, PackThenUnpackGivesTheTextBack) {
    const std::string text = "Test database 1\r\n[Start]\r\n[A]:a.exe\r\n\xE4\xF6\r\n_end\r\n";
    Write("in.txt", text);
    ASSERT_EQ(Tool("pack '" + Path("in.txt") + "' '" + Path("db.dat") + "'").exitCode, 0);
    std::string decoded;
    const std::string stored = Slurp(Path("db.dat"));
    ASSERT_TRUE(UnpackDatabase(std::vector<unsigned char>(stored.begin(), stored.end()), decoded));
    EXPECT_EQ(decoded, text);

    const ToolRun unpack = Tool("unpack '" + Path("db.dat") + "' '" + Path("back.txt") + "'");
    ASSERT_EQ(unpack.exitCode, 0) << unpack.err;
    EXPECT_EQ(Slurp(Path("back.txt")), text);
}

TEST_F(ToolTest, BadInputFailsAndWritesNothing) {
    Write("in.txt", "v\r\n_end\r\n");
    ASSERT_EQ(Tool("pack '" + Path("in.txt") + "' '" + Path("db.dat") + "'").exitCode, 0);
    const std::string stored = Slurp(Path("db.dat"));
    Write("cut.dat", stored.substr(0, stored.size() - 8));
    Write("foreign.dat", "just some text, not a database\r\n");
    Write("empty.dat", "");
    Write("long.txt", "v\r\n" + std::string(255, 'x') + "\r\n_end\r\n");
    Write("lf.txt", "v\n[Start]\n[X]:x.exe\n_end\n");

    struct Case {
        std::string args;
        std::string message;
    };
    const Case cases[] = {
        {"unpack '" + Path("cut.dat") + "' '" + Path("out") + "'", "damaged or truncated"},
        {"unpack '" + Path("foreign.dat") + "' '" + Path("out") + "'", "not a signature database"},
        {"unpack '" + Path("empty.dat") + "' '" + Path("out") + "'", "empty"},
        {"unpack '" + Path("missing.dat") + "' '" + Path("out") + "'", "no such file"},
        {"list '" + Path("cut.dat") + "'", "damaged or truncated"},
        {"pack '" + Path("missing.txt") + "' '" + Path("out") + "'", "no such file"},
        {"pack '" + Path("long.txt") + "' '" + Path("out") + "'", "longer than 254"},
        {"pack '" + Path("lf.txt") + "' '" + Path("out") + "'", "lines must end with CR LF"},
        {"frobnicate", "usage"},
    };
    for (const Case& c : cases) {
        const ToolRun run = Tool(c.args);
        EXPECT_NE(run.exitCode, 0) << c.args;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << c.args << ": " << run.err;
        EXPECT_FALSE(fs::exists(Path("out"))) << c.args;
    }
    // Nothing left beside the target either.
    for (const auto& entry : fs::directory_iterator(machine.Root()))
        EXPECT_EQ(entry.path().filename().string().find(".tmp-"), std::string::npos) << entry.path();
}

TEST_F(ToolTest, FailedUnpackLeavesAnExistingOutputAlone) {
    Write("foreign.dat", "not a database");
    Write("out.txt", "precious");
    EXPECT_NE(Tool("unpack '" + Path("foreign.dat") + "' '" + Path("out.txt") + "'").exitCode, 0);
    EXPECT_EQ(Slurp(Path("out.txt")), "precious");
}

TEST_F(ToolTest, ListsTheShippedDatabase) {
    const ToolRun run = Tool("list '" + std::string(SCOURWELL_BIN_DIR) + "/files.dat'",
                         "SCOURWELL_MACHINE='" + machine.MachineFilePath() + "'");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    std::istringstream lines(run.out);
    std::vector<std::string> rows;
    for (std::string line; std::getline(lines, line);) rows.push_back(line);
    ASSERT_GE(rows.size(), 3u);
    EXPECT_EQ(rows[0].rfind("Scourwell signature database ", 0), 0u) << rows[0];
    // The version line states the number of entries, and every one of them is listed.
    const size_t at = rows[0].find("(entries: ");
    ASSERT_NE(at, std::string::npos);
    const size_t count = std::stoul(rows[0].substr(at + 10));
    EXPECT_EQ(rows.size(), count + 2);  // version, column heads, entries
    const std::string temp = TestMachine::kTemp;
    EXPECT_NE(run.out.find("-\tTrojan.CoinMiner.XMRig\t-\t" + temp + "\\xmrig.exe\t-"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("44d88612fea8a8f36de82e1278abb02f\tEICAR-Test-File\t-\t-\t-"), std::string::npos);
    EXPECT_NE(run.out.find("\t/0/"), std::string::npos);
    EXPECT_NE(run.out.find("\tC:\\Windows\\Temp\\BrowserAssistX\t-\t"), std::string::npos);
    EXPECT_EQ(run.out.find("_end"), std::string::npos);
}

}  // namespace
}  // namespace scourwell::database
