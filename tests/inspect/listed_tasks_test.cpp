// The task rows of the Process Manager and the FileGuard report carry the file their processes
// run and those processes. Another user runs his program from the shared temporary folder,
// next to root's file whose name differs only in case, and keeps renaming it: no refresh may
// then give his row root's file. A row whose processes ended since the listing is left alone.

#include <signal.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "inspect/fileguard_report.h"
#include "inspect/process_manager.h"
#include "tests/inspect/inspect_fixture.h"
#include "tests/support/test_processes.h"
#include "tests/support/unprivileged.h"

namespace scourwell::inspect::test {
namespace {

namespace fs = std::filesystem;

constexpr const char* kVictim = "C:\\Windows\\Temp\\Report.pdf";
constexpr const char* kTheirs = "C:\\Windows\\Temp\\report.pdf";
constexpr const char* kVictimBytes = "root's report";

class ListedTasksTest : public InspectTest {
  protected:
    ListedTasksTest() {
        machine.MakeDirectory("C:\\Windows\\Temp");
        machine.WriteFile(kVictim, kVictimBytes);
        testing::OpenLikeTmp(machine.Root(), machine.Host("C:\\Windows\\Temp"));
        const std::string theirs = machine.Host(kTheirs);
        EXPECT_TRUE(testing::RunUnprivileged([&] {
            fs::copy_file("/bin/sleep", theirs);
            return chmod(theirs.c_str(), 0755) == 0;
        }));
        struct stat info {};
        EXPECT_EQ(stat(machine.Host(kVictim).c_str(), &info), 0);
        victimInode = info.st_ino;
        ui.secondsPerPump = 0.05;
    }

    void ExpectVictimUntouched() {
        EXPECT_EQ(machine.ReadFile(kVictim), kVictimBytes);
        for (const std::string& line : store.index.Lines())
            EXPECT_EQ(line.find(";0;"), std::string::npos) << "a file was quarantined: " << line;
    }

    ino_t victimInode = 0;
    ProcessManager& pm = inspection.processManager;
    FileGuardReport& fg = inspection.fileGuard;
    testing::TestProcesses procs{machine};
};

TEST_F(ListedTasksTest, ARenamedImageNeverBringsAnotherFileIntoItsRow) {
    ASSERT_GT(procs.Start(kTheirs), 0);
    const std::string theirs = machine.Host(kTheirs);
    const std::string aside = theirs + ".part";
    {
        // While the name is away, a lookup without regard to case finds root's file.
        testing::UnprivilegedLoop renamer([&] {
            rename(theirs.c_str(), aside.c_str());
            rename(aside.c_str(), theirs.c_str());
        });
        ASSERT_TRUE(renamer.Started());
        for (int refresh = 0; refresh < 150; ++refresh) {
            pm.Button7Click();
            for (const RunningTask& task : pm.ListedTasks())
                ASSERT_NE(task.file.inode, victimInode) << "refresh " << refresh << ": " << task.path;
            fg.Button9Click();
            for (const FileGuardEntry& entry : fg.entries)
                ASSERT_FALSE(entry.file && entry.file->inode == victimInode) << "refresh " << refresh;
        }
    }
    if (!fs::exists(theirs)) fs::rename(aside, theirs);

    // Once the name holds still, his row is his file, and acting on it leaves root's alone.
    pm.Button7Click();
    ASSERT_EQ(pm.ListedTasks().size(), 1u);
    EXPECT_EQ(pm.ListedTasks()[0].path, kTheirs);
    pm.listView1.SetChecked(0, true);
    ui.QueueAnswers({true});
    pm.Button20Click();
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Task(s) quarantined successfully!\r\rReport:\r"
                                   "report.pdf - Task quarantined and deleted successfully\r");
    EXPECT_FALSE(fs::exists(theirs));
    EXPECT_EQ(machine.ReadFile(kVictim), kVictimBytes);
}

// The processes a row listed ended: the row is not the task the user marked any more, on
// either page, even though the file is still there.
TEST_F(ListedTasksTest, ARowWhoseProcessesEndedIsLeftAlone) {
    struct Page {
        const char* what;
        std::function<void()> list;
        std::function<std::string()> act;  // the row's outcome
    };
    const Page pages[] = {
        {"Process Manager",
         [this] {
             pm.Button7Click();
             pm.listView1.SetChecked(0, true);
         },
         [this] {
             ui.QueueAnswers({true});
             pm.Button20Click();
             return ui.messages.empty() ? std::string() : ui.messages.back().text;
         }},
        {"FileGuard",
         [this] {
             fg.Button9Click();
             ASSERT_EQ(fg.listfg.Item(0).caption, kStatusActiveProcess);
             fg.listfg.SetSelected(0, true);
         },
         [this] {
             ui.QueueAnswers({true, false});
             fg.Button10Click();
             return fg.listfg.Item(0).caption;
         }},
    };
    const std::string expected[] = {
        "Task(s) quarantined successfully!\r\rReport:\r"
        "report.pdf - Changed since the list was built, left as it is.\r",
        "Changed since the report was built, left as it is",
    };
    for (size_t i = 0; i < std::size(pages); ++i) {
        SCOPED_TRACE(pages[i].what);
        const pid_t pid = procs.Start(kTheirs);
        ASSERT_GT(pid, 0);
        pages[i].list();
        kill(pid, SIGKILL);
        ASSERT_TRUE(procs.WaitEnded(pid));
        EXPECT_EQ(pages[i].act(), expected[i]);
        EXPECT_TRUE(machine.Exists(kTheirs));
        ExpectVictimUntouched();
        EXPECT_TRUE(store.index.Empty());
    }
}

}  // namespace
}  // namespace scourwell::inspect::test
