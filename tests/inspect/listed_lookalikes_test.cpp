// The inspection pages' "Add to quarantine" acts on the file their refresh listed. Another
// user's program in a shared temporary folder is listed, and before the button is pressed that
// user swaps it for a look-alike: a new file of the same name, nothing (so that the name now
// finds the victim's case-variant twin), or a link to the victim's file. Nothing is copied or
// deleted then, the victim's file keeps its bytes, and the row or report line says so.

#include <sys/stat.h>
#include <stdio.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "inspect/fileguard_report.h"
#include "inspect/process_manager.h"
#include "inspect/startup_manager.h"
#include "platform/files.h"
#include "quarantine/registry_quarantine.h"
#include "tests/inspect/inspect_fixture.h"
#include "tests/support/test_processes.h"
#include "tests/support/unprivileged.h"

namespace scourwell::inspect::test {
namespace {

namespace fs = std::filesystem;

// The other user's program, and the victim's file whose name differs only in case.
constexpr const char* kListed = "C:\\Windows\\Temp\\tool.exe";
constexpr const char* kVictim = "C:\\Windows\\Temp\\Tool.exe";
constexpr const char* kVictimBytes = "the victim's program";

struct LookAlike {
    const char* what;
    // Run as the other user once the listed file is gone; `host` is its host path.
    std::function<bool(const std::string& host, const std::string& victim)> put;
};

const LookAlike kLookAlikes[] = {
    {"another file of the name",
     [](const std::string& host, const std::string&) {
         std::ofstream(host) << "a second program";
         return fs::exists(host);
     }},
    {"the case-variant twin", [](const std::string&, const std::string&) { return true; }},
    {"a link to the victim's file",
     [](const std::string& host, const std::string& victim) {
         return symlink(victim.c_str(), host.c_str()) == 0;
     }},
};

class LookAlikeTest : public InspectTest {
  protected:
    LookAlikeTest() {
        machine.MakeDirectory("C:\\Windows\\Temp");
        machine.WriteFile(kVictim, kVictimBytes);
        testing::OpenLikeTmp(machine.Root(), machine.Host("C:\\Windows\\Temp"));
        // The other user's program: a copy of a small system program, theirs.
        const std::string listed = machine.Host(kListed);
        EXPECT_TRUE(testing::RunUnprivileged([&] {
            fs::copy_file("/bin/sleep", listed);
            return chmod(listed.c_str(), 0755) == 0;
        }));
        Seed(std::string("[HKEY_CURRENT_USER\\") + kRunKey + "]\r\n"
             "\"Tool\"=\"C:\\\\Windows\\\\Temp\\\\tool.exe /quiet\"\r\n");
        ui.secondsPerPump = 0.05;
    }

    // The other user's swap: the listed file goes, the look-alike comes. The listed file is
    // moved aside rather than removed, so that its inode number is not handed out again.
    void Swap(const LookAlike& lookAlike) {
        const std::string host = machine.Host(kListed);
        const std::string victim = machine.Host(kVictim);
        const std::string aside = host + ".aside" + std::to_string(++swaps_);
        ASSERT_TRUE(testing::RunUnprivileged([&] {
            return rename(host.c_str(), aside.c_str()) == 0 && lookAlike.put(host, victim);
        }));
    }
    int swaps_ = 0;

    void ExpectNothingTaken() {
        EXPECT_EQ(machine.ReadFile(kVictim), kVictimBytes);
        for (const std::string& line : store.index.Lines())
            EXPECT_EQ(line.find(";0;"), std::string::npos) << "a file was quarantined: " << line;
    }

    size_t RowOf(const foundation::ListModel& model, const std::string& caption, size_t sub = 99) {
        for (size_t i = 0; i < model.Count(); ++i) {
            const auto& item = model.Item(i);
            if ((sub == 99 ? item.caption : item.SubItem(sub)) == caption) return i;
        }
        ADD_FAILURE() << "no row " << caption;
        return 0;
    }

    testing::TestProcesses procs{machine};
};

TEST_F(LookAlikeTest, ProcessManagerQuarantinesOnlyTheListedFile) {
    for (const LookAlike& lookAlike : kLookAlikes) {
        SCOPED_TRACE(lookAlike.what);
        const pid_t pid = procs.Start(kListed);
        ASSERT_GT(pid, 0);
        ProcessManager& pm = inspection.processManager;
        pm.Button7Click();
        pm.listView1.SetChecked(RowOf(pm.listView1, kListed), true);
        Swap(lookAlike);
        ui.QueueAnswers({true});
        ui.messages.clear();
        pm.Button20Click();
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0].text,
                  "Task(s) quarantined successfully!\r\rReport:\r"
                  "tool.exe - Changed since the list was built, left as it is.\r");
        ExpectNothingTaken();
        EXPECT_EQ(fs::symlink_status(machine.Host(kListed)).type() != fs::file_type::not_found,
                  std::string(lookAlike.what) != "the case-variant twin");
        // Back to the other user's program for the next case.
        fs::remove(machine.Host(kListed));
        EXPECT_TRUE(testing::RunUnprivileged([&] {
            fs::copy_file("/bin/sleep", machine.Host(kListed));
            return chmod(machine.Host(kListed).c_str(), 0755) == 0;
        }));
    }
}

TEST_F(LookAlikeTest, StartupManagerQuarantinesOnlyTheListedProgram) {
    for (const LookAlike& lookAlike : kLookAlikes) {
        SCOPED_TRACE(lookAlike.what);
        StartupManager& sm = inspection.startupManager;
        sm.Button4Click();
        ASSERT_EQ(sm.listView2.Count(), 1u);
        ASSERT_TRUE(sm.startupValues[0].program.has_value());
        sm.listView2.SetChecked(0, true);
        Swap(lookAlike);
        ui.QueueAnswers({true});
        ui.messages.clear();
        sm.Button18Click();
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0].text,
                  "Task(s) quarantined successfully!\r\rReport:\r"
                  "tool.exe - Changed since the list was built, left as it is.\r");
        ExpectNothingTaken();
        // The value itself is the one listed: backed up and deleted.
        ASSERT_EQ(store.index.Count(), 1u);
        EXPECT_NE(store.index[0].find(";1;;;1;"), std::string::npos);
        EXPECT_FALSE(platform::RegistryKey::Open(platform::RootKey::CurrentUser, kRunKey, false)
                         ->ReadValue("Tool"));
        // The next case starts as this one did.
        store.ClearQuarantine();
        ASSERT_TRUE(store.index.Empty());
        fs::remove(machine.Host(kListed));
        EXPECT_TRUE(testing::RunUnprivileged([&] {
            std::ofstream(machine.Host(kListed)) << "the other user's program";
            return true;
        }));
        Seed(std::string("[HKEY_CURRENT_USER\\") + kRunKey + "]\r\n"
             "\"Tool\"=\"C:\\\\Windows\\\\Temp\\\\tool.exe /quiet\"\r\n");
    }
}

TEST_F(LookAlikeTest, FileGuardQuarantinesOnlyTheListedFiles) {
    for (const LookAlike& lookAlike : kLookAlikes) {
        SCOPED_TRACE(lookAlike.what);
        const pid_t pid = procs.Start(kListed);
        ASSERT_GT(pid, 0);
        FileGuardReport& fg = inspection.fileGuard;
        fg.Button9Click();
        // The running program and the start-up program: one file, listed twice.
        const size_t process = RowOf(fg.listfg, kListed, 0);
        const size_t file = RowOf(fg.listfg, "c:\\windows\\temp\\tool.exe", 0);
        ASSERT_EQ(fg.listfg.Item(process).caption, kStatusActiveProcess);
        ASSERT_EQ(fg.listfg.Item(file).caption, kStatusFile);
        fg.listfg.SetSelected(process, true);
        fg.listfg.SetSelected(file, true);
        Swap(lookAlike);
        ui.QueueAnswers({true, false});
        fg.Button10Click();
        EXPECT_EQ(fg.listfg.Item(process).caption,
                  "Changed since the report was built, left as it is");
        EXPECT_EQ(fg.listfg.Item(file).caption,
                  "Changed since the report was built, left as it is");
        ExpectNothingTaken();
        fs::remove(machine.Host(kListed));
        EXPECT_TRUE(testing::RunUnprivileged([&] {
            fs::copy_file("/bin/sleep", machine.Host(kListed));
            return chmod(machine.Host(kListed).c_str(), 0755) == 0;
        }));
    }
}

// A file object handed to the quarantine with its listed identity is copied only while it is
// that object.
TEST_F(LookAlikeTest, QuarantineObjectCopiesOnlyTheListedFile) {
    for (const LookAlike& lookAlike : kLookAlikes) {
        SCOPED_TRACE(lookAlike.what);
        quarantine::TsVir record;
        record.object = kListed;
        record.file = platform::IdentifyObject(kListed);
        ASSERT_TRUE(record.file.has_value());
        Swap(lookAlike);
        EXPECT_EQ(quarantine::QuarantineObject(store, quarantine::kObjectFile, record),
                  quarantine::QuarantineOutcome::Failed);
        ExpectNothingTaken();
        fs::remove(machine.Host(kListed));
        EXPECT_TRUE(testing::RunUnprivileged([&] {
            std::ofstream(machine.Host(kListed)) << "the other user's program";
            return true;
        }));
    }
    // The listed object itself is copied, under its name as stored.
    quarantine::TsVir record;
    record.object = "c:\\WINDOWS\\temp\\tool.exe";
    record.file = platform::IdentifyObject(record.object);
    ASSERT_TRUE(record.file.has_value());
    EXPECT_EQ(quarantine::QuarantineObject(store, quarantine::kObjectFile, record),
              quarantine::QuarantineOutcome::Quarantined);
    ASSERT_EQ(store.index.Count(), 1u);
    EXPECT_NE(store.index[0].find(";0;C:\\Windows\\Temp\\tool.exe;"), std::string::npos);
}

}  // namespace
}  // namespace scourwell::inspect::test
