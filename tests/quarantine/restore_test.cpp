// Restoring from the quarantine puts a file back exactly where its entry says, and nowhere
// else: no process is ended for it, missing folders come back under their stored names, and
// whatever stands in the way (a look-alike folder, a file, a folder another user planted in
// the shared temporary folder) makes the entry fail, with a message, and stay.

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "quarantine/quarantine_store.h"
#include "tests/quarantine/quarantine_fixture.h"
#include "tests/support/test_processes.h"
#include "tests/support/unprivileged.h"

namespace scourwell::quarantine::test {
namespace {

namespace fs = std::filesystem;

class RestoreTest : public QuarantineTest {
  protected:
    // Quarantines a file of `contents` at `path`, then removes it and the folders it leaves
    // empty up to (not including) C:\Temp, as the clean-up would.
    void QuarantineAndRemove(const std::string& path, const std::string& contents) {
        machine.WriteFile(path, contents);
        ASSERT_TRUE(store.QuarantineFile(path));
        fs::path host = machine.Host(path);
        fs::remove(host);
        for (host = host.parent_path(); host != fs::path(machine.Host("C:\\Temp"));
             host = host.parent_path())
            fs::remove(host);
    }
    bool RestoreRow0() {
        store.cList1.SetChecked(0, true);
        return store.RestoreQuarantined();
    }
    std::string LastMessage() const { return ui.messages.empty() ? "" : ui.messages.back().text; }
    // Empties the quarantine and the messages for the next case.
    void ClearStore() {
        store.RefreshQuarantineView();
        store.ClearQuarantine();
        ui.messages.clear();
    }
};

// A process running a file at the source path, or at a name that differs from it only in
// case, is never ended by a restore; the file goes back only where its exact name is free.
TEST_F(RestoreTest, ARestoreEndsNoProcess) {
    struct Case {
        const char* running;  // the program that runs while the restore happens
        bool restored;
    };
    const Case cases[] = {
        {"C:\\Temp\\Agent", true},   // a case variant: the restore makes "agent" beside it
        {"C:\\Temp\\agent", false},  // the very name: in the way, and left running
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.running);
        testing::TestProcesses processes(machine);
        QuarantineAndRemove("C:\\Temp\\agent", "quarantined agent");
        const pid_t pid = processes.Start(c.running);
        ASSERT_GT(pid, 0);

        EXPECT_EQ(RestoreRow0(), c.restored);

        EXPECT_TRUE(processes.Running(pid));
        EXPECT_EQ(store.cList1.Item(0).SubItem(kQColStatus), c.restored ? "Restored" : "Failed");
        if (c.restored) {
            EXPECT_EQ(machine.ReadFile("C:\\Temp\\agent"), "quarantined agent");
        } else {
            EXPECT_EQ(LastMessage(), std::string(kRestoreFailedHead) + "C:\\Temp\\agent" +
                                         std::string(kRestoreInTheWay));
            EXPECT_TRUE(machine.Exists(Stored("CTempagent")));
        }
        store.RefreshQuarantineView();
        fs::remove(machine.Host("C:\\Temp\\agent"));
        fs::remove(machine.Host("C:\\Temp\\Agent"));
        ClearStore();
    }
}

// Root's C:\Temp\Build\report.txt was quarantined and its folder removed; another user then
// prepares the shared temporary folder. The restore writes only into the folder the entry
// names, made again under its stored name, or fails and keeps the entry.
TEST_F(RestoreTest, ARestoreWritesOnlyIntoTheStoredFolder) {
    const std::string temp = machine.Host("C:\\Temp");
    const bool twoUsers = geteuid() == 0;
    struct Case {
        const char* name;
        std::function<void()> attacker;  // runs as the unprivileged user
        bool restored;
        std::string_view why;  // the message line's reason when not restored
    };
    const Case cases[] = {
        {"a case variant of the folder",
         [&] { fs::create_directory(temp + "/BUILD"); }, true, {}},
        {"a file under the folder's name",
         [&] { std::ofstream(temp + "/Build") << "in the way"; }, false, kRestoreInTheWay},
        {"a link under the folder's name",
         [&] {
             fs::create_directory(temp + "/elsewhere");
             fs::create_directory_symlink(temp + "/elsewhere", temp + "/Build");
         },
         false, kRestoreInTheWay},
        {"the folder itself, made by the other user",
         [&] { fs::create_directory(temp + "/Build"); }, !twoUsers, kRestoreFolderRefused},
    };
    machine.MakeDirectory("C:\\Temp");
    testing::OpenLikeTmp(machine.Root(), temp);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QuarantineAndRemove("C:\\Temp\\Build\\report.txt", "root's report");
        const std::string line = store.index[0];
        ASSERT_TRUE(testing::RunUnprivileged([&] {
            c.attacker();
            return true;
        }));

        EXPECT_EQ(RestoreRow0(), c.restored);

        if (c.restored) {
            EXPECT_EQ(machine.ReadFile("C:\\Temp\\Build\\report.txt"), "root's report");
            struct stat info {};
            ASSERT_EQ(lstat((temp + "/Build").c_str(), &info), 0);
            EXPECT_TRUE(S_ISDIR(info.st_mode));
            if (twoUsers) {
                EXPECT_EQ(info.st_uid, 0u);
            }
        } else {
            EXPECT_EQ(store.cList1.Item(0).SubItem(kQColStatus), "Failed");
            EXPECT_EQ(store.index[0], line);
            EXPECT_EQ(machine.ReadFile(Stored("CTempBuildreport.txt")), "root's report");
            EXPECT_EQ(LastMessage(), std::string(kRestoreFailedHead) +
                                         "C:\\Temp\\Build\\report.txt" + std::string(c.why));
        }
        // Nothing was written into anything of the other user's.
        for (const char* other : {"/BUILD/report.txt", "/elsewhere/report.txt"})
            EXPECT_FALSE(fs::exists(temp + other)) << other;
        for (const char* name : {"/Build", "/BUILD", "/elsewhere"}) fs::remove_all(temp + name);
        ClearStore();
    }
}

// A missing folder chain comes back with the stored spellings, also where the drive holds
// case variants of its levels.
TEST_F(RestoreTest, MissingFoldersAreMadeUnderTheirStoredNames) {
    QuarantineAndRemove("C:\\Temp\\Outer\\Inner\\tool.exe", "tool");
    machine.MakeDirectory("C:\\Temp\\OUTER\\INNER");

    ASSERT_TRUE(RestoreRow0());

    EXPECT_EQ(machine.ReadFile("C:\\Temp\\Outer\\Inner\\tool.exe"), "tool");
    EXPECT_TRUE(fs::is_directory(machine.Host("C:\\Temp\\Outer\\Inner")));
    EXPECT_TRUE(fs::is_empty(machine.Host("C:\\Temp\\OUTER\\INNER")));
}

}  // namespace
}  // namespace scourwell::quarantine::test
