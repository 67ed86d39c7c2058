// The pages act on the records of the rows they show. The Startup Manager's rows keep their
// start-up values when another page rebuilds the shared list, and a registry row acts only
// while its value is still as listed: the same name as stored, type and data.

#include <algorithm>
#include <functional>

#include "foundation/text.h"
#include "inspect/fileguard_report.h"
#include "inspect/quick_report.h"
#include "inspect/startup_manager.h"
#include "platform/registry.h"
#include "tests/inspect/inspect_fixture.h"

namespace scourwell::inspect::test {
namespace {

using platform::RegistryKey;
using platform::RootKey;

// Programs in the Windows temporary folder, so that the FileGuard report lists their values.
constexpr const char* kBackup = "C:\\Windows\\Temp\\backup.exe";
constexpr const char* kCloud = "C:\\Windows\\Temp\\cloud.exe";
constexpr const char* kEarly = "C:\\Windows\\Temp\\aaa.exe";

class ListedValuesTest : public InspectTest {
  protected:
    ListedValuesTest() {
        for (const char* program : {kBackup, kCloud, kEarly}) WriteOldFile(program);
        Run()->WriteString("Backup", kBackup);
        Run()->WriteString("Cloud", kCloud);
        ui.secondsPerPump = 0.05;
    }

    static std::optional<RegistryKey> Run() {
        return RegistryKey::Open(RootKey::CurrentUser, kRunKey, true);
    }
    static std::vector<std::string> RunValues() { return Run()->ValueNames(); }

    StartupManager& sm = inspection.startupManager;
    FileGuardReport& fg = inspection.fileGuard;
};

// After the Startup Manager listed backup.exe and cloud.exe, a value that sorts first appears
// and another page rebuilds the start-up value list. The marked first row is still backup.exe.
TEST_F(ListedValuesTest, StartupRowsKeepTheirValuesWhenAnotherPageRebuildsTheList) {
    struct Rebuild {
        const char* what;
        std::function<void()> run;
    };
    const Rebuild rebuilds[] = {
        {"FileGuard Refresh", [this] { fg.Button9Click(); }},
        {"Build Report", [this] { inspection.quickReport.Button12Click(); }},
    };
    struct Action {
        const char* what;
        std::function<void()> run;
        bool programGoes;
    };
    const Action actions[] = {
        {"Delete value(s)", [this] { sm.Button6Click(); }, false},
        {"Add to quarantine",
         [this] {
             ui.QueueAnswers({true});
             sm.Button18Click();
         },
         true},
    };
    for (const Rebuild& rebuild : rebuilds) {
        for (const Action& action : actions) {
            SCOPED_TRACE(std::string(rebuild.what) + ", then " + action.what);
            sm.Button4Click();
            // The rows show the expanded paths, which lower-case the drive's folders.
            ASSERT_EQ(sm.listView2.Count(), 2u);
            ASSERT_TRUE(foundation::EqualsIgnoreCase(sm.listView2.Item(0).caption, kBackup));
            Run()->WriteString("Antivirus", kEarly);
            rebuild.run();
            ASSERT_TRUE(
                foundation::EqualsIgnoreCase(sm.startupValues.front().ProgramPath(), kEarly));
            sm.listView2.SetChecked(0, true);
            action.run();
            EXPECT_EQ(RunValues(), (std::vector<std::string>{"Cloud", "Antivirus"}));
            EXPECT_EQ(machine.Exists(kBackup), !action.programGoes);
            EXPECT_TRUE(machine.Exists(kEarly));
            EXPECT_TRUE(machine.Exists(kCloud));
            // The next case starts as this one did.
            store.ClearQuarantine();
            Run()->DeleteValue("Antivirus");
            Run()->DeleteValue("Cloud");
            WriteOldFile(kBackup);
            Run()->WriteString("Backup", kBackup);
            Run()->WriteString("Cloud", kCloud);
        }
    }
}

// A value rewritten since the listing, on each page that acts on registry rows: nothing is
// backed up or deleted, and the program stays.
TEST_F(ListedValuesTest, ARegistryRowActsOnlyWhileItsValueIsAsListed) {
    struct Change {
        const char* what;
        std::function<void()> make;
        const char* nameAfter;
    };
    const Change changes[] = {
        {"other data", [] { Run()->WriteString("Backup", kCloud); }, "Backup"},
        {"another type", [] { Run()->WriteString("Backup", kBackup, true); }, "Backup"},
        {"the name respelled",
         [] {
             Run()->DeleteValue("Backup");
             Run()->WriteString("BACKUP", kBackup);
         },
         "BACKUP"},
    };
    struct Page {
        const char* what;
        std::function<void()> list;
        std::function<void()> act;
    };
    const std::string backupRow = "HKEY_CURRENT_USER\\" + std::string(kRunKey) + "\\Backup";
    const auto fileGuardRow = [this, backupRow] {
        for (size_t i = 0; i < fg.listfg.Count(); ++i)
            if (fg.listfg.Item(i).SubItem(0) == backupRow) return i;
        ADD_FAILURE() << "no row " << backupRow;
        return size_t{0};
    };
    const Page pages[] = {
        {"Startup Manager, Delete value(s)",
         [this] {
             sm.Button4Click();
             sm.listView2.SetChecked(0, true);
         },
         [this] { sm.Button6Click(); }},
        {"Startup Manager, Add to quarantine",
         [this] {
             sm.Button4Click();
             sm.listView2.SetChecked(0, true);
         },
         [this] {
             ui.QueueAnswers({true});
             sm.Button18Click();
         }},
        {"FileGuard, Add to quarantine",
         [this, fileGuardRow] {
             fg.Button9Click();
             fg.listfg.SetSelected(fileGuardRow(), true);
         },
         [this, fileGuardRow] {
             const size_t row = fileGuardRow();
             ui.QueueAnswers({true, false});
             fg.Button10Click();
             EXPECT_EQ(fg.listfg.Item(row).caption,
                       "Changed since the report was built, left as it is");
         }},
    };
    for (const Page& page : pages) {
        for (const Change& change : changes) {
            SCOPED_TRACE(std::string(page.what) + ", " + change.what);
            page.list();
            change.make();
            const auto before = Run()->ReadValue(change.nameAfter);
            ASSERT_TRUE(before.has_value());
            page.act();
            const auto after = Run()->ReadValue(change.nameAfter);
            ASSERT_TRUE(after.has_value()) << "the changed value was deleted";
            EXPECT_EQ(after->type, before->type);
            EXPECT_EQ(after->data, before->data);
            std::vector<std::string> names = RunValues();
            std::sort(names.begin(), names.end());
            EXPECT_EQ(names, (std::vector<std::string>{change.nameAfter, "Cloud"}));
            EXPECT_TRUE(machine.Exists(kBackup));
            EXPECT_TRUE(store.index.Empty());
            // The next case starts as this one did.
            Run()->DeleteValue(change.nameAfter);
            Run()->DeleteValue("Cloud");
            Run()->WriteString("Backup", kBackup);
            Run()->WriteString("Cloud", kCloud);
        }
    }
}

}  // namespace
}  // namespace scourwell::inspect::test
