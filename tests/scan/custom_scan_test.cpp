#include "scan/custom_scan.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "scan/scan_messages.h"
#include "tests/scan/scan_fixture.h"

namespace scourwell::scan {
namespace {

using scourwell::testing::TestDrive;
using testing_support::DriverFixture;
using testing_support::kTime;
using testing_support::Timed;

std::vector<std::string> RowNames(const DriverFixture& f) {
    std::vector<std::string> names;
    for (const auto& row : f.page.results.Rows()) names.push_back(row.name);
    return names;
}

TEST(CustomScanTest, ShowingRefreshesTheDrivesWithTheirLevels) {
    DriverFixture f({TestDrive{'C', "fixed", 1000, 125}, TestDrive{'D', "fixed", 1000, 251},
                     TestDrive{'E', "removable", 1000, 0}});
    f.dialog.FormShow();
    EXPECT_TRUE(f.dialog.visible.Get());
    ASSERT_EQ(f.dialog.List1.Count(), 2u);
    EXPECT_EQ(f.dialog.List1.Item(0).caption, "C:\\");
    EXPECT_EQ(f.dialog.List1.Item(0).subItems,
              (std::vector<std::string>{"  125.00B", " 1000.00B", "Critical"}));
    EXPECT_TRUE(f.dialog.List1.Item(0).checked);
    EXPECT_EQ(f.dialog.List1.Colour(0), foundation::kColourYellow);
    EXPECT_EQ(f.dialog.List1.Item(1).SubItem(2), "Ok");
    EXPECT_FALSE(f.dialog.List1.Item(1).checked);

    // The user changes the boxes; showing the dialog again restores what the levels give.
    f.dialog.List1.UserToggleCheck(0);
    f.dialog.List1.UserToggleCheck(1);
    f.dialog.Button4Click();
    EXPECT_FALSE(f.dialog.visible.Get());
    f.dialog.FormShow();
    EXPECT_TRUE(f.dialog.List1.Item(0).checked);
    EXPECT_FALSE(f.dialog.List1.Item(1).checked);

    // "Custom Scan" pressed while the dialog is open brings it to the front and keeps the
    // user's boxes.
    int broughtToFront = 0;
    f.dialog.bringToFront = [&] { ++broughtToFront; };
    f.dialog.List1.UserToggleCheck(1);
    f.dialog.FormShow();
    EXPECT_EQ(broughtToFront, 1);
    EXPECT_TRUE(f.dialog.List1.Item(1).checked);
}

TEST(CustomScanTest, DeleteWaitsWhileAScanWalksTheFolders) {
    DriverFixture f;
    f.machine.WriteFile("C:\\One\\a.bin", "a");
    f.machine.WriteFile("C:\\Two\\b.bin", "b");
    f.dialog.AddFolder("C:\\One");
    f.dialog.AddFolder("C:\\Two");
    for (size_t i = 0; i < 2; ++i) f.dialog.List2.SetChecked(i, true);
    f.dialog.List2.SetSelected(0, true);
    f.dialog.c1.Set(false);
    f.dialog.c2.Set(false);
    f.dialog.c3.Set(false);
    f.dialog.rb2.Set(true);
    // The user presses "Delete" on the first folder while the scan is under way.
    f.ui.AtPump(1, [&] { f.dialog.Button2Click(); });

    f.driver.scan(2);

    EXPECT_EQ(f.dialog.List2.Count(), 2u);
    EXPECT_EQ(f.ui.messages.front().text, kScanAlreadyRunning);
    const auto& log = f.context.log.Lines();
    EXPECT_NE(std::find(log.begin(), log.end(), Timed(": Scanning folder C:\\Two")), log.end());
    // Once the scan has ended, "Delete" works.
    f.dialog.Button2Click();
    EXPECT_EQ(f.dialog.List2.Count(), 1u);
}

TEST(CustomScanTest, AddedFoldersAreGradedAgainstTheirDrive) {
    DriverFixture f({TestDrive{'C', "fixed", 1000, 500}, TestDrive{'D', "fixed", 1000, 500}});
    f.machine.WriteFile("C:\\Full\\a.bin", std::string(800, 'a'));
    f.machine.WriteFile("C:\\Tenth\\b.bin", std::string(100, 'b'));
    f.machine.WriteFile("C:\\Crit\\c.bin", std::string(875, 'c'));
    f.machine.WriteFile("D:\\x\\d.bin", std::string(600, 'd'));
    f.machine.WriteFile("D:\\e.bin", std::string(300, 'e'));

    struct Case {
        const char* path;
        const char* size;
        const char* status;
        bool checked;
    } cases[] = {
        {"C:\\Full", "  800.00B", "High", true},
        {"C:\\Tenth", "  100.00B", "Ok", false},
        {"C:\\Crit\\", "  875.00B", "Critical", true},
        {"D:\\", "  900.00B", "Critical", true},  // the drive root: every file on it
        {"C:\\Missing", "    0.00B", "Ok", false},
        {"Q:\\Nowhere", "    0.00B", "Critical", true},  // no drive to measure: levels 0
    };
    for (const Case& c : cases) {
        f.dialog.AddFolder(c.path);
        const auto& item = f.dialog.List2.Item(f.dialog.List2.Count() - 1);
        EXPECT_EQ(item.caption, c.path);
        EXPECT_EQ(item.subItems, (std::vector<std::string>{c.size, c.status})) << c.path;
        EXPECT_EQ(item.checked, c.checked) << c.path;
    }
    EXPECT_EQ(f.dialog.List2.Colour(2), foundation::kColourYellow);
    EXPECT_EQ(f.dialog.List2.Colour(0), foundation::kColourCheckedBlue);
    EXPECT_EQ(f.dialog.List2.Colour(1), std::nullopt);

    f.dialog.AddFolder("");  // the picker was cancelled
    EXPECT_EQ(f.dialog.List2.Count(), std::size(cases));
}

TEST(CustomScanTest, DeleteRemovesTheSelectedFolders) {
    DriverFixture f;
    f.dialog.AddFolder("C:\\A");
    f.dialog.AddFolder("C:\\B");
    f.dialog.AddFolder("C:\\C");
    f.dialog.List2.SetSelected(1, true);
    f.dialog.Button2Click();
    ASSERT_EQ(f.dialog.List2.Count(), 2u);
    EXPECT_EQ(f.dialog.List2.Item(0).caption, "C:\\A");
    EXPECT_EQ(f.dialog.List2.Item(1).caption, "C:\\C");
}

TEST(CustomScanTest, FoldersScanWithoutStepsScansOnlyTheCheckedFolders) {
    DriverFixture f;
    f.machine.WriteSparseFile("C:\\Data\\big.bin", 3'000'000'000);
    f.machine.WriteSparseFile("C:\\Other\\big2.bin", 3'000'000'000);
    f.machine.WriteSparseFile(std::string(scourwell::testing::TestMachine::kAppData) + "\\huge.bin",
                              10'000'000'000);
    f.machine.WriteFile(std::string(scourwell::testing::TestMachine::kTemp) + "\\junk.tmp", "x");
    int malwareSteps = 0;
    f.driver.scanMalware = [&] { ++malwareSteps; };

    f.dialog.FormShow();
    f.dialog.AddFolder("C:\\Data");
    f.dialog.AddFolder("C:\\Other");
    f.dialog.AddFolder("C:\\Data");  // twice: both items are scanned when checked
    for (size_t i = 0; i < f.dialog.List2.Count(); ++i) f.dialog.List2.SetChecked(i, i != 1);
    f.dialog.rb2.Set(true);
    EXPECT_FALSE(f.dialog.rb1.Get());
    f.dialog.c1.Set(false);
    f.dialog.c2.Set(false);
    f.dialog.c3.Set(false);
    f.dialog.Button3Click();

    EXPECT_FALSE(f.dialog.visible.Get());
    EXPECT_EQ(f.ui.questions, std::vector<std::string>{kCustomScanQuestion});
    EXPECT_EQ(RowNames(f), (std::vector<std::string>{"big.bin", "big.bin"}));
    EXPECT_EQ(malwareSteps, 0);
    EXPECT_EQ(std::count(f.context.log.Lines().begin(), f.context.log.Lines().end(),
                         Timed(": Scanning folder C:\\Data")),
              2);
    EXPECT_FALSE(f.LogHas(Timed(": Scanning folder C:\\Other")));
    EXPECT_FALSE(f.LogHas(Timed(": Scanning System folders...")));
    EXPECT_FALSE(f.LogHas(Timed(": Scanning Junk folders...")));
    EXPECT_FALSE(f.LogHas(Timed(": Scanning please wait...")));
    EXPECT_EQ(f.ui.openedDocuments.size(), 1u);
}

TEST(CustomScanTest, DrivesScanRunsTheTickedStepsInOrder) {
    DriverFixture f({TestDrive{'C'}, TestDrive{'D'}});
    f.machine.WriteSparseFile("D:\\Media\\film.mkv", 3'000'000'000);
    f.machine.WriteSparseFile(std::string(scourwell::testing::TestMachine::kAppData) + "\\huge.bin",
                              10'000'000'000);
    f.machine.WriteFile(std::string(scourwell::testing::TestMachine::kTemp) + "\\junk.tmp", "x");
    std::vector<std::string> order;
    f.driver.scanMalware = [&] { order.push_back("malware"); };
    f.context.log.onLineAdded = [&](const std::string& line) {
        if (line.find(": Scanning") != std::string::npos)
            order.push_back(line.substr(std::string(kTime).size()));
    };

    f.dialog.FormShow();
    ASSERT_EQ(f.dialog.List1.Count(), 2u);
    f.dialog.List1.SetChecked(0, false);  // C: stays out
    f.dialog.List1.SetChecked(1, true);
    f.dialog.Button3Click();

    EXPECT_EQ(order,
              (std::vector<std::string>{": Scanning drive D:\\", ": Scanning System folders...",
                                        ": Scanning Junk folders...", "malware"}));
    EXPECT_EQ(RowNames(f), (std::vector<std::string>{"Media", "huge.bin", "junk.tmp"}));
}

TEST(CustomScanTest, OkAnsweredNoOrWhileAScanRunsStartsNothing) {
    DriverFixture f;
    f.dialog.FormShow();
    f.ui.QueueAnswers({false});
    f.dialog.Button3Click();
    EXPECT_FALSE(f.dialog.visible.Get());
    EXPECT_TRUE(f.context.log.Lines().empty());

    f.context.scanRunning = true;
    f.dialog.FormShow();
    f.dialog.Button3Click();
    EXPECT_EQ(f.ui.questions.size(), 1u);
    ASSERT_EQ(f.ui.messages.size(), 1u);
    EXPECT_EQ(f.ui.messages[0].text, kScanAlreadyRunning);
}

}  // namespace
}  // namespace scourwell::scan
