#include "inspect/startup_manager.h"

#include <filesystem>

#include "platform/registry.h"
#include "tests/inspect/inspect_fixture.h"

namespace scourwell::inspect::test {
namespace {

using platform::RegistryKey;
using platform::RootKey;

constexpr const char* kTool = "C:\\Program Files\\Tool\\tool.exe";

// A quoted path with switches, a missing program with trailing blanks, a number, an empty
// value, and in the local machine's key a missing program that shares the first one's name.
// Then an expandable string written directly.
class StartupManagerTest : public InspectTest {
  protected:
    void SetUp() override {
        WriteOldFile(kTool);
        Seed(std::string("[HKEY_CURRENT_USER\\") + kRunKey + "]\r\n"
             "\"Tool\"=\"\\\"C:\\\\Program Files\\\\Tool\\\\tool.exe\\\" /silent\"\r\n"
             "\"Missing\"=\"C:\\\\Gone\\\\gone.exe  \"\r\n"
             "\"Number\"=dword:00000001\r\n"
             "\"Empty\"=\"\"\r\n"
             "[HKEY_LOCAL_MACHINE\\" + kLocalRunKey + "]\r\n"
             "\"Shared\"=\"C:\\\\Other\\\\tool.exe\"\r\n");
        auto run = RegistryKey::Open(RootKey::CurrentUser, kRunKey, false);
        ASSERT_TRUE(run->WriteString("Expand", "%ProgramFiles%\\Helper\\helper.exe", true));
    }
    StartupManager& sm = inspection.startupManager;

    std::vector<std::string> RunValues(RootKey root, const char* key) const {
        auto opened = RegistryKey::Open(root, key, false);
        return opened ? opened->ValueNames() : std::vector<std::string>{};
    }
};

const std::vector<std::string> kCaptions = {"C:\\Gone\\gone.exe",
                                            "%ProgramFiles%\\Helper\\helper.exe",
                                            "C:\\Other\\tool.exe", "c:\\program files\\tool\\tool.exe"};

TEST_F(StartupManagerTest, ListsStringValuesWithFirstSeenDates) {
    sm.Button4Click();
    EXPECT_EQ(Captions(sm.listView2), kCaptions);
    ASSERT_EQ(sm.startupValues.size(), 4u);
    EXPECT_EQ(sm.startupValues[3].Text(),
              "tool.exe=;c:\\program files\\tool\\;1;" + std::string(kRunKey) +
                  ";Tool;str;\"C:\\Program Files\\Tool\\tool.exe\" /silent;");
    EXPECT_EQ(sm.startupValues[0].Text(), "gone.exe=;C:\\Gone\\;1;" + std::string(kRunKey) +
                                              ";Missing;str;C:\\Gone\\gone.exe  ;");
    // The first run records every file name once, without a date.
    const std::string run = kRunKey;
    EXPECT_EQ(DataFile("regk.dat"),
              "gone.exe=;C:\\Gone\\;1;" + run + ";Missing;str;C:\\Gone\\gone.exe  ;;\r\n"
              "helper.exe=;%ProgramFiles%\\Helper\\;1;" + run +
                  ";Expand;str;%ProgramFiles%\\Helper\\helper.exe;;\r\n"
              "tool.exe=;c:\\program files\\tool\\;1;" + run +
                  ";Tool;str;\"C:\\Program Files\\Tool\\tool.exe\" /silent;;\r\n");
    EXPECT_EQ(Column(sm.listView2, 0), (std::vector<std::string>(4, "")));
    for (size_t i = 0; i < 4; ++i) EXPECT_EQ(sm.listView2.Colour(i), std::nullopt);

    // A program added later gets the date of the refresh that first sees it.
    WriteOldFile("C:\\Tools\\late.exe");
    RegistryKey::Open(RootKey::CurrentUser, kRunKey, false)->WriteString("Late", "C:\\Tools\\late.exe");
    sm.Button4Click();
    ASSERT_EQ(sm.listView2.Count(), 5u);
    EXPECT_EQ(sm.listView2.Item(2).caption, "c:\\tools\\late.exe");
    EXPECT_EQ(sm.listView2.Item(2).SubItem(0), kToday);
    EXPECT_EQ(sm.listView2.Colour(2), foundation::kColourInfoBackground);
    EXPECT_EQ(sm.listView2.Colour(4), std::nullopt);
    EXPECT_NE(DataFile("regk.dat").find("late.exe=;c:\\tools\\;1;" + run +
                                        ";Late;str;C:\\Tools\\late.exe;06.12.2026;\r\n"),
              std::string::npos);
    ui.SetNow(Noon(2026, 12, 17));
    sm.Button4Click();
    EXPECT_EQ(sm.listView2.Colour(2), std::nullopt);
}

TEST_F(StartupManagerTest, AutorunKeyListFaults) {
    struct Case {
        const char* name;
        std::optional<std::string> regBase;  // empty: no file
        size_t rows;
        bool saved;
    };
    const std::string run = kRunKey;
    const Case cases[] = {
        {"missing", std::nullopt, 0, false},
        {"bad count", "x\r\n1\r\n" + run + "\r\nRun\r\n", 0, false},
        {"cut short", "2\r\n1\r\n" + run + "\r\nRun\r\n", 3, false},
        {"bad root line", "2\r\n1\r\n" + run + "\r\nRun\r\nHKLM\r\n" + run + "\r\nx\r\n", 3, false},
        {"unknown root skipped", "2\r\n7\r\n" + run + "\r\nx\r\n1\r\n" + run + "\r\nRun\r\n", 3, true},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        std::filesystem::remove(machine.Host(kDataFolder + "regk.dat"));
        std::filesystem::remove(machine.Host(kRegBase));
        if (test.regBase) machine.WriteFile(kRegBase, *test.regBase);
        sm.Button4Click();
        EXPECT_EQ(sm.listView2.Count(), test.rows);
        EXPECT_EQ(machine.Exists(kDataFolder + "regk.dat"), test.saved);
    }
}

TEST_F(StartupManagerTest, DeleteValuesActsOnTheMarkedRowsOnly) {
    sm.Button4Click();
    sm.listView2.SetChecked(0, true);   // Missing
    sm.listView2.SetSelected(2, true);  // Shared
    sm.Button6Click();
    EXPECT_EQ(RunValues(RootKey::CurrentUser, kRunKey),
              (std::vector<std::string>{"Tool", "Number", "Empty", "Expand"}));
    EXPECT_TRUE(RunValues(RootKey::LocalMachine, kLocalRunKey).empty());
    EXPECT_EQ(Captions(sm.listView2),
              (std::vector<std::string>{kCaptions[1], kCaptions[3]}));
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_TRUE(ui.questions.empty());

    // Nothing marked: only a refresh.
    sm.Button6Click();
    EXPECT_EQ(sm.listView2.Count(), 2u);

    // A value that starts another program since the list was built is not the one marked.
    sm.listView2.SetChecked(0, true);
    RegistryKey::Open(RootKey::CurrentUser, kRunKey, false)->WriteString("Expand", "C:\\x.exe");
    sm.Button6Click();
    EXPECT_EQ(RunValues(RootKey::CurrentUser, kRunKey),
              (std::vector<std::string>{"Tool", "Number", "Empty", "Expand"}));
}

TEST_F(StartupManagerTest, TheDefaultValueIsAValueNotItsKey) {
    Seed(std::string("[HKEY_CURRENT_USER\\") + kRunKey + "]\r\n@=\"C:\\\\Tools\\\\dflt.exe\"\r\n");
    sm.Button4Click();
    ASSERT_EQ(sm.listView2.Item(0).caption, "C:\\Tools\\dflt.exe");
    sm.listView2.SetChecked(0, true);
    sm.Button6Click();
    EXPECT_EQ(RunValues(RootKey::CurrentUser, kRunKey),
              (std::vector<std::string>{"Tool", "Missing", "Number", "Empty", "Expand"}));
}

TEST_F(StartupManagerTest, AddToQuarantineBacksUpAndDeletesTheMarkedRows) {
    sm.Button4Click();
    sm.listView2.SetChecked(3, true);   // Tool, whose program exists
    sm.listView2.SetSelected(0, true);  // Missing, whose program does not
    ui.QueueAnswers({true});
    ui.secondsPerPump = 0.05;
    sm.Button18Click();
    EXPECT_EQ(ui.questions,
              (std::vector<std::string>{"Do you wish to move selected object(s) in quarantine?"}));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Task(s) quarantined successfully!\r\rReport:\r"
                                   "tool.exe - Object quarantined and deleted successfully\r");
    EXPECT_FALSE(machine.Exists(kTool));
    EXPECT_EQ(RunValues(RootKey::CurrentUser, kRunKey),
              (std::vector<std::string>{"Number", "Empty", "Expand"}));
    EXPECT_EQ(Captions(sm.listView2), (std::vector<std::string>{kCaptions[1], kCaptions[2]}));
    // One file entry and two value entries, each value with a backup of its own.
    ASSERT_EQ(store.cList1.Count(), 3u);

    // Restoring every row brings the values back as they were.
    for (size_t i = 0; i < store.cList1.Count(); ++i) store.cList1.SetChecked(i, true);
    EXPECT_TRUE(store.RestoreQuarantined());
    auto run = RegistryKey::Open(RootKey::CurrentUser, kRunKey, false);
    EXPECT_EQ(run->ReadValue("Tool")->data, "\"C:\\Program Files\\Tool\\tool.exe\" /silent");
    EXPECT_EQ(run->ReadValue("Missing")->data, "C:\\Gone\\gone.exe  ");
    EXPECT_TRUE(machine.Exists(kTool));
}

TEST_F(StartupManagerTest, AnswerNoChangesNothing) {
    sm.Button4Click();
    sm.listView2.SetChecked(3, true);
    ui.QueueAnswers({false});
    sm.Button18Click();
    EXPECT_TRUE(machine.Exists(kTool));
    EXPECT_EQ(RunValues(RootKey::CurrentUser, kRunKey).size(), 5u);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(store.index.Count(), 0u);
}

}  // namespace
}  // namespace scourwell::inspect::test
