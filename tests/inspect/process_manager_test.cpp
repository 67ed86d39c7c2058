#include "inspect/process_manager.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <filesystem>

#include "foundation/data_folder.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "tests/inspect/inspect_fixture.h"
#include "tests/support/test_processes.h"

extern char** environ;

namespace scourwell::inspect::test {
namespace {

using scourwell::testing::TestProcesses;

constexpr const char* kSleeper = "C:\\Tools\\Sleeper.exe";
constexpr const char* kOther = "C:\\Apps\\other.exe";
constexpr const char* kNamesake = "C:\\Elsewhere\\Sleeper.exe";

class ProcessManagerTest : public InspectTest {
  protected:
    ProcessManager& pm = inspection.processManager;
    TestProcesses procs{machine};

    // Starts a process from an executable that was last modified long ago.
    pid_t StartOld(const char* path) {
        const pid_t pid = procs.Start(path);
        SetModified(path, Noon(2020, 1, 1));
        return pid;
    }
    std::optional<uint32_t> ColourOf(const std::string& caption) const {
        for (size_t i = 0; i < pm.listView1.Count(); ++i)
            if (pm.listView1.Item(i).caption == caption) return pm.listView1.Colour(i);
        ADD_FAILURE() << "no row " << caption;
        return std::nullopt;
    }
};

TEST_F(ProcessManagerTest, FirstRunRecordsEveryTaskWithoutADate) {
    ASSERT_GT(StartOld(kSleeper), 0);
    ASSERT_GT(StartOld(kSleeper), 0);
    ASSERT_GT(StartOld(kOther), 0);
    pm.Button7Click();
    // Two processes of one executable give one row; the test program itself is outside the view.
    EXPECT_EQ(Captions(pm.listView1), (std::vector<std::string>{kOther, kSleeper}));
    EXPECT_EQ(Column(pm.listView1, 0), (std::vector<std::string>{"", ""}));
    EXPECT_EQ(DataFile("proc.dat"), "C:\\Apps\\other.exe=;;\r\nC:\\Tools\\Sleeper.exe=;;\r\n");
    EXPECT_EQ(ColourOf(kOther), std::nullopt);
    EXPECT_EQ(ColourOf(kSleeper), std::nullopt);
}

TEST_F(ProcessManagerTest, LaterTasksGetTodaysDateAndAreHighlighted) {
    ASSERT_GT(StartOld(kSleeper), 0);
    pm.Button7Click();
    ASSERT_GT(StartOld(kOther), 0);
    pm.Button7Click();
    EXPECT_EQ(Column(pm.listView1, 0), (std::vector<std::string>{kToday, ""}));
    EXPECT_EQ(DataFile("proc.dat"),
              "C:\\Apps\\other.exe=;06.12.2026;\r\nC:\\Tools\\Sleeper.exe=;;\r\n");
    EXPECT_EQ(ColourOf(kOther), foundation::kColourInfoBackground);
    EXPECT_EQ(ColourOf(kSleeper), std::nullopt);

    // Still new nine days later, across the month's end; no longer after eleven.
    ui.SetNow(Noon(2026, 12, 15));
    pm.Button7Click();
    EXPECT_EQ(ColourOf(kOther), foundation::kColourInfoBackground);
    ui.SetNow(Noon(2026, 12, 17));
    pm.Button7Click();
    EXPECT_EQ(ColourOf(kOther), std::nullopt);

    // An old task whose file was modified lately is new by its file's time.
    SetModified(kSleeper, Noon(2026, 12, 16));
    pm.Button7Click();
    EXPECT_EQ(ColourOf(kSleeper), foundation::kColourInfoBackground);
    // A checked row that is not new shows the checked colour.
    pm.listView1.SetChecked(0, true);
    EXPECT_EQ(pm.listView1.Colour(0), foundation::kColourCheckedBlue);
    // Lines are only ever added.
    EXPECT_EQ(DataFile("proc.dat"),
              "C:\\Apps\\other.exe=;06.12.2026;\r\nC:\\Tools\\Sleeper.exe=;;\r\n");
}

TEST_F(ProcessManagerTest, EndTaskEndsOnlyTheProcessesOfTheMarkedFile) {
    const pid_t a = StartOld(kSleeper);
    const pid_t b = StartOld(kSleeper);
    const pid_t namesake = StartOld(kNamesake);
    const pid_t other = StartOld(kOther);
    // A process of the same file name outside the view is not the view's to end.
    const std::string outside = machine.Root() + "/outside/Sleeper.exe";
    std::filesystem::create_directories(machine.Root() + "/outside");
    std::filesystem::copy_file("/bin/sleep", outside);
    const char* argv[] = {"Sleeper.exe", "60", nullptr};
    pid_t stranger = -1;
    ASSERT_EQ(posix_spawn(&stranger, outside.c_str(), nullptr, nullptr,
                          const_cast<char* const*>(argv), environ),
              0);
    struct Reap {
        pid_t pid;
        ~Reap() {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
    } reap{stranger};
    ASSERT_GT(a, 0);
    ASSERT_GT(b, 0);
    ASSERT_GT(namesake, 0);
    ASSERT_GT(other, 0);
    pm.Button7Click();
    ASSERT_EQ(Captions(pm.listView1), (std::vector<std::string>{kOther, kNamesake, kSleeper}));
    // Checked and selected: ended twice without harm.
    pm.listView1.SetChecked(2, true);
    pm.listView1.SetSelected(2, true);
    pm.Button8Click();
    EXPECT_TRUE(procs.WaitEnded(a));
    EXPECT_TRUE(procs.WaitEnded(b));
    // A process of the same file name that runs another file is not the marked task.
    EXPECT_TRUE(procs.Running(namesake));
    EXPECT_TRUE(procs.Running(other));
    EXPECT_EQ(waitpid(stranger, nullptr, WNOHANG), 0) << "the process outside the view ended";
    // Ending is not waited for; the next refresh no longer lists them.
    pm.Button7Click();
    EXPECT_EQ(Captions(pm.listView1), (std::vector<std::string>{kOther, kNamesake}));
    EXPECT_TRUE(ui.messages.empty());

    // The row's own processes end, not those of a file put under its name since the listing,
    // nor later processes of another row's file.
    const pid_t later = StartOld(kSleeper);
    ASSERT_GT(later, 0);
    pm.listView1.SetChecked(1, true);  // the namesake's row
    std::filesystem::rename(machine.Host(kNamesake), machine.Host(kNamesake) + ".old");
    const pid_t replacement = StartOld(kNamesake);
    ASSERT_GT(replacement, 0);
    pm.Button8Click();
    EXPECT_TRUE(procs.WaitEnded(namesake));
    EXPECT_TRUE(procs.Running(replacement));
    EXPECT_TRUE(procs.Running(later));
}

TEST_F(ProcessManagerTest, FailedSaveLeavesTheListsAsTheyWere) {
    ASSERT_GT(StartOld(kSleeper), 0);
    pm.Button7Click();
    ASSERT_GT(StartOld(kOther), 0);
    // A folder where "proc.dat" should be cannot be replaced by the file.
    std::filesystem::remove(machine.Host(kDataFolder + "proc.dat"));
    machine.MakeDirectory(kDataFolder + "proc.dat");
    EXPECT_THROW(pm.Button7Click(), foundation::IoError);
    EXPECT_EQ(Captions(pm.listView1), (std::vector<std::string>{kSleeper}));
    EXPECT_EQ(pm.runningTasks.Count(), 1u);
}

TEST_F(ProcessManagerTest, AddToQuarantineEndsOnlyTheProcessesOfThatFile) {
    const pid_t mine = StartOld(kSleeper);
    const pid_t namesake = StartOld(kNamesake);
    ASSERT_GT(mine, 0);
    ASSERT_GT(namesake, 0);
    pm.Button7Click();
    ASSERT_EQ(Captions(pm.listView1), (std::vector<std::string>{kNamesake, kSleeper}));
    pm.listView1.SetChecked(1, true);
    ui.QueueAnswers({true});
    ui.secondsPerPump = 0.05;
    pm.Button20Click();
    EXPECT_EQ(ui.questions, (std::vector<std::string>{
                                "Do you wish to move selected tasks(s) to quarantine?"}));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Task(s) quarantined successfully!\r\rReport:\r"
                                   "Sleeper.exe - Task quarantined and deleted successfully\r");
    EXPECT_TRUE(procs.WaitEnded(mine));
    EXPECT_TRUE(procs.Running(namesake));
    EXPECT_FALSE(machine.Exists(kSleeper));
    EXPECT_TRUE(machine.Exists(kNamesake));
    ASSERT_EQ(store.index.Count(), 1u);
    EXPECT_NE(store.index[0].find(";0;C:\\Tools\\Sleeper.exe;;"), std::string::npos);
    // The list is not refreshed.
    EXPECT_EQ(pm.listView1.Count(), 2u);
}

TEST_F(ProcessManagerTest, UndeletableTaskLosesItsAutorunValuesOnly) {
    ASSERT_GT(StartOld(kSleeper), 0);
    Seed(std::string("[HKEY_CURRENT_USER\\") + kRunKey + "]\r\n"
         "\"Sleeper\"=\"\\\"C:\\\\TOOLS\\\\SLEEPER.EXE\\\" /min\"\r\n"
         "\"Bare\"=\"sleeper.exe\"\r\n"
         "\"Namesake\"=\"C:\\\\Elsewhere\\\\Sleeper.exe\"\r\n"
         "\"Count\"=dword:00000001\r\n"
         "[HKEY_LOCAL_MACHINE\\" + kLocalRunKey + "]\r\n"
         "\"Also\"=\"c:\\\\tools\\\\sleeper.exe\"\r\n"
         "[HKEY_CURRENT_USER\\Software\\NotAutorun]\r\n"
         "\"Mention\"=\"C:\\\\Tools\\\\Sleeper.exe\"\r\n");
    pm.Button7Click();
    pm.listView1.SetSelected(0, true);
    platform::FileLock lock(kSleeper);
    ASSERT_TRUE(lock.IsHeld());
    ui.secondsPerPump = 0.2;
    pm.Button20Click();
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text,
              "Task(s) quarantined successfully!\r\rReport:\rSleeper.exe - On reboot.\r");
    EXPECT_TRUE(machine.Exists(kSleeper));
    auto run = platform::RegistryKey::Open(platform::RootKey::CurrentUser, kRunKey, false);
    // Only values whose program is that very file go; a bare name that leads to no file of
    // that identity stays, as does a file of the same name elsewhere.
    EXPECT_EQ(run->ValueNames(), (std::vector<std::string>{"Bare", "Namesake", "Count"}));
    auto local = platform::RegistryKey::Open(platform::RootKey::LocalMachine, kLocalRunKey, false);
    EXPECT_TRUE(local->ValueNames().empty());
    auto other =
        platform::RegistryKey::Open(platform::RootKey::CurrentUser, "Software\\NotAutorun", false);
    EXPECT_EQ(other->ValueNames(), (std::vector<std::string>{"Mention"}));
}

}  // namespace
}  // namespace scourwell::inspect::test
