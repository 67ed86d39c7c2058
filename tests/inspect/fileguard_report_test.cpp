#include "inspect/fileguard_report.h"

#include "platform/registry.h"
#include "tests/inspect/inspect_fixture.h"
#include "tests/support/test_processes.h"

namespace scourwell::inspect::test {
namespace {

using platform::RegistryKey;
using platform::RootKey;
using scourwell::testing::TestProcesses;

// Running: a program named after the user and a clean one. Run values: one case of each
// name and folder rule next to its near miss, a program under the Windows folder modified
// today and one modified yesterday, and in the local machine's key a second value "A".
class FileGuardTest : public InspectTest {
  protected:
    void SetUp() override {
        ASSERT_GT(procs.Start("C:\\Tools\\TESTER.EXE"), 0);
        ASSERT_GT(procs.Start("C:\\Tools\\Sleeper.exe"), 0);
        SetModified("C:\\Tools\\TESTER.EXE", Noon(2020, 1, 1));
        SetModified("C:\\Tools\\Sleeper.exe", Noon(2020, 1, 1));
        WriteOldFile("C:\\Windows\\Temp\\a.exe");
        WriteOldFile("C:\\Windows\\Temp\\sub\\b.exe");
        WriteOldFile("C:\\Windows\\old.exe");
        WriteOldFile("C:\\Windows\\sys.exe");
        SetModified("C:\\Windows\\sys.exe", Noon(2026, 12, 6));
        SetModified("C:\\Windows\\old.exe", Noon(2026, 12, 5));
        auto run = RegistryKey::Open(RootKey::CurrentUser, kRunKey, true);
        run->WriteString("A", "C:\\Windows\\Temp\\a.exe", true);
        run->WriteString("B", "C:\\Windows\\Temp\\sub\\b.exe");
        run->WriteString("Lives", "C:\\Apps\\9lives.exe");
        run->WriteString("Digits7", "C:\\Apps\\ab1234567.exe");
        run->WriteString("Digits8", "C:\\Apps\\ab12345678.exe");
        run->WriteString("Name25", "C:\\Apps\\abcdefghijklmnopqrstu.exe");
        run->WriteString("Name26", "C:\\Apps\\abcdefghijklmnopqrstuv.exe");
        run->WriteString("Photo", "C:\\Apps\\photo.exe");
        run->WriteString("Sys", "C:\\Windows\\sys.exe");
        run->WriteString("Old", "C:\\Windows\\old.exe");
        RegistryKey::Open(RootKey::LocalMachine, kLocalRunKey, true)
            ->WriteString("A", "C:\\Apps\\photo.jpg.exe");
    }
    TestProcesses procs{machine};
    FileGuardReport& fg = inspection.fileGuard;
};

TEST_F(FileGuardTest, FindsEachRulesCaseAndNothingElse) {
    fg.Button9Click();
    const std::string cu = "HKEY_CURRENT_USER\\" + std::string(kRunKey) + "\\";
    const std::string lm = "HKEY_LOCAL_MACHINE\\" + std::string(kLocalRunKey) + "\\";
    EXPECT_EQ(Captions(fg.listfg),
              (std::vector<std::string>{kStatusActiveProcess, kStatusRegistryValue,
                                        kStatusRegistryValue, kStatusFile, kStatusRegistryValue,
                                        kStatusRegistryValue, kStatusRegistryValue,
                                        kStatusRegistryValue, kStatusFile}));
    EXPECT_EQ(Column(fg.listfg, 0),
              (std::vector<std::string>{"C:\\Tools\\TESTER.EXE", cu + "Lives", cu + "A",
                                        "c:\\windows\\temp\\a.exe", cu + "Digits8", cu + "Name26",
                                        lm + "A", cu + "Sys", "c:\\windows\\sys.exe"}));
    const std::string run = kRunKey;
    EXPECT_EQ(fg.EntryLines().Text(),
              "0;C:\\Tools\\TESTER.EXE;0;ActiveProc;\r\n"
              "1;C:\\Apps\\9lives.exe;1;RegKey;1;" + run + ";Lives;;;\r\n"
              "1;c:\\windows\\temp\\a.exe;2;RegKey;1;" + run + ";A;;;\r\n"
              "0;c:\\windows\\temp\\a.exe;3;StartupF;\r\n"
              "1;C:\\Apps\\ab12345678.exe;4;RegKey;1;" + run + ";Digits8;;;\r\n"
              "1;C:\\Apps\\abcdefghijklmnopqrstuv.exe;5;RegKey;1;" + run + ";Name26;;;\r\n"
              "1;C:\\Apps\\photo.jpg.exe;6;RegKey;2;" + kLocalRunKey + ";A;;;\r\n"
              "1;c:\\windows\\sys.exe;7;RegKey;1;" + run + ";Sys;;;\r\n"
              "0;c:\\windows\\sys.exe;8;StartupF;\r\n");
}

TEST_F(FileGuardTest, NothingSuspiciousLeavesTheListEmpty) {
    platform::DeleteRegistryKeyTree(RootKey::CurrentUser, kRunKey);
    platform::DeleteRegistryKeyTree(RootKey::LocalMachine, kLocalRunKey);
    machine.SetMachineKey("user", "somebody");
    machine.Install();
    fg.Button9Click();
    EXPECT_EQ(fg.listfg.Count(), 0u);
    EXPECT_TRUE(fg.entries.empty());
}

TEST_F(FileGuardTest, AddToQuarantineBacksUpDeletesAndRestores) {
    fg.Button9Click();
    // The value "Lives" is gone by the time the button is pressed.
    RegistryKey::Open(RootKey::CurrentUser, kRunKey, false)->DeleteValue("Lives");
    for (size_t row : {1u, 2u, 3u, 6u}) fg.listfg.SetSelected(row, true);
    ui.QueueAnswers({true, false});
    ui.secondsPerPump = 0.05;
    fg.Button10Click();
    EXPECT_EQ(ui.questions,
              (std::vector<std::string>{"Do you wish to move selected object(s) in quarantine?",
                                        "Done, do you wish to refresh fGuard report list?"}));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text,
              "Cannot backup registry data.\r" + std::string(kRunKey) + "\\Lives");
    EXPECT_EQ(Captions(fg.listfg)[1], "Registry value does not exists");
    EXPECT_EQ(Captions(fg.listfg)[2], "Registry value Quarantined and deleted successfully");
    EXPECT_EQ(Captions(fg.listfg)[3], "File quarantined and deleted successfully");
    EXPECT_EQ(Captions(fg.listfg)[6], "Registry value Quarantined and deleted successfully");
    EXPECT_EQ(Captions(fg.listfg)[4], kStatusRegistryValue);  // not selected
    EXPECT_FALSE(machine.Exists("C:\\Windows\\Temp\\a.exe"));
    EXPECT_FALSE(RegistryKey::Open(RootKey::CurrentUser, kRunKey, false)->ReadValue("A"));
    EXPECT_FALSE(RegistryKey::Open(RootKey::LocalMachine, kLocalRunKey, false)->ReadValue("A"));

    // Both values named "A" come back from the Quarantine page, each with its data and type.
    ASSERT_EQ(store.cList1.Count(), 3u);
    for (size_t i = 0; i < store.cList1.Count(); ++i) store.cList1.SetChecked(i, true);
    EXPECT_TRUE(store.RestoreQuarantined());
    const auto mine = RegistryKey::Open(RootKey::CurrentUser, kRunKey, false)->ReadValue("A");
    ASSERT_TRUE(mine.has_value());
    EXPECT_EQ(mine->data, "C:\\Windows\\Temp\\a.exe");
    EXPECT_EQ(mine->type, platform::ValueType::ExpandString);
    const auto theirs = RegistryKey::Open(RootKey::LocalMachine, kLocalRunKey, false)->ReadValue("A");
    ASSERT_TRUE(theirs.has_value());
    EXPECT_EQ(theirs->data, "C:\\Apps\\photo.jpg.exe");
    EXPECT_EQ(theirs->type, platform::ValueType::String);
    EXPECT_TRUE(machine.Exists("C:\\Windows\\Temp\\a.exe"));
}

TEST_F(FileGuardTest, RefreshAfterwardsWhenAsked) {
    fg.Button9Click();
    fg.listfg.SetSelected(4, true);  // Digits8
    ui.QueueAnswers({true, true});
    fg.Button10Click();
    EXPECT_EQ(fg.listfg.Count(), 8u);
    EXPECT_EQ(Captions(fg.listfg)[4], kStatusRegistryValue);  // now Name26
    EXPECT_EQ(Column(fg.listfg, 0)[4],
              "HKEY_CURRENT_USER\\" + std::string(kRunKey) + "\\Name26");
}

}  // namespace
}  // namespace scourwell::inspect::test
