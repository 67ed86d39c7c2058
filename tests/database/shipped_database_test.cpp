#include "database/shipped_database.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "database/signature_database.h"
#include "tests/support/test_machine.h"

namespace scourwell::database {
namespace {

using testing::TestMachine;

std::string ShippedBytes() {
    std::ifstream in(std::string(SCOURWELL_BIN_DIR) + "/files.dat", std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(ShippedDatabase, InstalledOnceAndNeverReplaced) {
    TestMachine machine;
    const std::string shipped = ShippedBytes();
    ASSERT_FALSE(shipped.empty());
    machine.WriteFile(std::string(TestMachine::kProgram) + "\\files.dat", shipped);
    const std::string installed = std::string(TestMachine::kDataFolder) + "files.dat";

    EXPECT_TRUE(InstallShippedDatabase());
    EXPECT_EQ(machine.ReadFile(installed), shipped);

    machine.WriteFile(installed, "a newer download");
    EXPECT_FALSE(InstallShippedDatabase());
    EXPECT_EQ(machine.ReadFile(installed), "a newer download");
}

TEST(ShippedDatabase, NothingToInstallWithoutTheShippedFile) {
    TestMachine machine;
    EXPECT_FALSE(InstallShippedDatabase());
    EXPECT_FALSE(machine.Exists(std::string(TestMachine::kDataFolder) + "files.dat"));
}

TEST(ShippedDatabase, LoadsAndReadsToTheEnd) {
    TestMachine machine;
    machine.WriteFile(std::string(TestMachine::kDataFolder) + "files.dat", ShippedBytes());
    SignatureDatabase db;
    db.Load(std::string(TestMachine::kDataFolder) + "files.dat");
    EXPECT_EQ(db.VersionLine().rfind("Scourwell signature database ", 0), 0u);
    std::string folder;
    int entries = 0;
    bool eicar = false;
    for (std::string line; (line = ReadEntryLine(db, folder)) != "_end" && entries < 1000; ++entries) {
        StripNoProcessMark(line);
        const TsVirName entry = ParseEntry(line, folder);
        eicar = eicar || entry.digest == "44d88612fea8a8f36de82e1278abb02f";
        // Every entry names something: a file, a folder or a digest.
        EXPECT_FALSE(entry.fileName.empty() && entry.folder.empty() && entry.digest.empty()) << line;
    }
    EXPECT_GT(entries, 5);
    EXPECT_TRUE(eicar);
}

}  // namespace
}  // namespace scourwell::database
