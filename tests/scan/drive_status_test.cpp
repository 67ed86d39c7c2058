#include "scan/drive_status.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/test_machine.h"

namespace scourwell::scan {
namespace {

using scourwell::testing::TestDrive;
using scourwell::testing::TestMachine;

TEST(DriveStatusTest, LevelsUseTruncatingMarks) {
    const FullnessLevels levels = ComputeLevels(1000);
    EXPECT_EQ(levels.half, 500);
    EXPECT_EQ(levels.quarter, 250);
    EXPECT_EQ(levels.eighth, 125);
    EXPECT_EQ(levels.fullMark, 750);
    EXPECT_EQ(levels.criticalMark, 875);

    struct Case {
        int64_t total;
        int64_t used;
        DriveLevel level;
    } cases[] = {
        {1000, 875, DriveLevel::Critical}, {1000, 874, DriveLevel::High},
        {1000, 750, DriveLevel::High},     {1000, 749, DriveLevel::Ok},
        {1001, 750, DriveLevel::High},  // marks of 1001: 500 + 250 = 750
        {-1, 0, DriveLevel::Critical},  // not ready: every mark is 0
    };
    for (const Case& c : cases)
        EXPECT_EQ(GradeUsedSpace(c.used, ComputeLevels(c.total)), c.level)
            << c.total << " " << c.used;
}

TEST(DriveStatusTest, ListDrivesFiltersByTypeAndPosition) {
    TestMachine m({TestDrive{'C'}, TestDrive{'D'}, TestDrive{'E', "removable", 1000, 500},
                   TestDrive{'F', "network", 1000, 500}});
    struct Case {
        int index;
        int type;
        const char* result;
    } cases[] = {
        {-1, kFixedDrive, "C:\\;D:\\;"},
        {-1, kAnyDrive, "C:\\;D:\\;E:\\;F:\\;"},
        {-1, kRemovableDrive, "E:\\;"},
        {-1, kNetworkDrive, "F:\\;"},
        {-1, kCdRomDrive, ""},
        {2, kRemovableDrive, "E:\\;"},
        {2, kFixedDrive, ""},
        {1, kAnyDrive, "D:\\;"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ListDrives(c.index, c.type), c.result) << c.index << "/" << c.type;
    EXPECT_EQ(SplitDriveList("C:\\;D:\\;"), (std::vector<std::string>{"C:\\", "D:\\"}));
}

TEST(DriveStatusTest, DriveSpaceOfAMissingDriveIsMinusOne) {
    TestMachine m({TestDrive{'C', "fixed", 1000, 125}});
    int64_t freeBytes = 0;
    int64_t totalBytes = 0;
    EXPECT_TRUE(GetDriveSpace('c', freeBytes, totalBytes));
    EXPECT_EQ(freeBytes, 125);
    EXPECT_EQ(totalBytes, 1000);
    EXPECT_FALSE(GetDriveSpace('Q', freeBytes, totalBytes));
    EXPECT_EQ(freeBytes, -1);
    EXPECT_EQ(totalBytes, -1);
}

TEST(DriveStatusTest, ReportListsEveryFixedDriveWithItsStatus) {
    TestMachine m({TestDrive{'C', "fixed", 1000, 125},
                   TestDrive{'D', "fixed", 4'294'967'296, 1'073'741'824},
                   TestDrive{'E', "removable", 1000, 0}, TestDrive{'F', "fixed", 1000, 251}});
    EXPECT_EQ(DriveStatusReport(),
              (std::vector<std::string>{
                  "Hard drives status!", "C:\\", "Freespace 0mb", "Drivesize 0mb",
                  "Status: This drive is Critically full, please delete unused and junk data!",
                  "D:\\", "Freespace 1024mb", "Drivesize 4096mb",
                  "Status: This drive is full, it is not critical but it requires action, delete "
                  "unused and junk data",
                  "F:\\", "Freespace 0mb", "Drivesize 0mb", "Status: Ok"}));
}

TEST(DriveStatusTest, WelcomeListChecksFullDrivesAndInvitesAScan) {
    TestMachine m({TestDrive{'C', "fixed", 1000, 125}, TestDrive{'D', "fixed", 1000, 250},
                   TestDrive{'E', "fixed", 1000, 251}});
    WelcomeDriveStatus welcome;
    int scans = 0;
    welcome.scanNow = [&] { ++scans; };
    EXPECT_EQ(welcome.infoptext.Get(), "Status updating...");
    welcome.Button21Click();

    ASSERT_EQ(welcome.pList.Count(), 3u);
    const auto& c = welcome.pList.Item(0);
    EXPECT_EQ(c.caption, "C:\\");
    EXPECT_EQ(c.subItems, (std::vector<std::string>{"  125.00B", " 1000.00B", "Critical"}));
    EXPECT_TRUE(c.checked);
    EXPECT_EQ(welcome.pList.Item(1).SubItem(2), "High");
    EXPECT_TRUE(welcome.pList.Item(1).checked);
    EXPECT_EQ(welcome.pList.Item(2).SubItem(2), "Ok");
    EXPECT_FALSE(welcome.pList.Item(2).checked);

    EXPECT_EQ(welcome.pList.Colour(0), foundation::kColourYellow);
    EXPECT_EQ(welcome.pList.Colour(1), foundation::kColourCheckedBlue);
    EXPECT_EQ(welcome.pList.Colour(2), std::nullopt);

    // The last full or critical drive names the level.
    EXPECT_EQ(welcome.infoptext.Get(), "Some drives are full, please scan!");
    EXPECT_EQ(welcome.infpultImg.Get(), StatusPicture::Warning);
    EXPECT_TRUE(welcome.scanPrompt.Get());
    welcome.infoptextClick();
    EXPECT_EQ(scans, 1);
}

TEST(DriveStatusTest, CriticalDriveLastGivesTheCriticalMessage) {
    TestMachine m({TestDrive{'C', "fixed", 1000, 250}, TestDrive{'D', "fixed", 1000, 0}});
    WelcomeDriveStatus welcome;
    welcome.Button21Click();
    EXPECT_EQ(welcome.infoptext.Get(), "Some drives are critically full, please scan!");
}

TEST(DriveStatusTest, AllDrivesBelowThreeQuartersLeaveTheComputerOk) {
    TestMachine m({TestDrive{'C', "fixed", 1000, 251}});
    WelcomeDriveStatus welcome;
    int scans = 0;
    welcome.scanNow = [&] { ++scans; };
    welcome.Button21Click();
    EXPECT_FALSE(welcome.pList.Item(0).checked);
    EXPECT_EQ(welcome.infoptext.Get(), "Your computer is ok!");
    EXPECT_EQ(welcome.infpultImg.Get(), StatusPicture::Ok);
    EXPECT_FALSE(welcome.scanPrompt.Get());
    welcome.infoptextClick();
    EXPECT_EQ(scans, 0);
}

TEST(DriveStatusTest, ADriveThatIsNotReadyCountsAsCritical) {
    TestMachine m({TestDrive{'C', "fixed", 1000, 500}, TestDrive{'D', "fixed", 1000, 500}});
    std::filesystem::remove_all(m.DriveFolder('D'));
    WelcomeDriveStatus welcome;
    welcome.Button21Click();
    ASSERT_EQ(welcome.pList.Count(), 2u);
    EXPECT_EQ(welcome.pList.Item(1).subItems,
              (std::vector<std::string>{"   -1.00B", "   -1.00B", "Critical"}));
    EXPECT_TRUE(welcome.pList.Item(1).checked);
    const auto report = DriveStatusReport();
    ASSERT_EQ(report.size(), 9u);
    EXPECT_EQ(report[6], "Freespace 0mb");
    EXPECT_EQ(report[8],
              "Status: This drive is Critically full, please delete unused and junk data!");
}

TEST(DriveStatusTest, BarHeightCountsStepsOfTheInnerHeight) {
    struct Case {
        int64_t free;
        int64_t total;
        int inner;
        int height;
    } cases[] = {
        {125, 1000, 104, 13}, {121, 1000, 104, 13}, {120, 1000, 104, 12}, {1000, 1000, 104, 100},
        {0, 1000, 104, 0},    {-1, -1, 104, 0},     {5, 1000, 4, 0},      {5, 50, 104, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DriveBarHeight(c.free, c.total, c.inner), c.height) << c.free << "/" << c.total;
}

TEST(DriveStatusTest, BarsAreMadeOnceAndFollowLaterRefreshes) {
    TestMachine m({TestDrive{'C', "fixed", 1000, 100}, TestDrive{'D', "fixed", 1000, 300},
                   TestDrive{'E', "fixed", 1000, 500}});
    WelcomeDriveStatus welcome;
    welcome.Button21Click();
    auto bars = welcome.driveBars.Get();
    ASSERT_EQ(bars.size(), 3u);
    EXPECT_EQ(bars[0].caption, "Drive C:\\");
    EXPECT_EQ(bars[0].totalText, " 1000.00B");
    EXPECT_EQ(bars[0].freeText, "  100.00B");
    EXPECT_EQ(bars[0].Height(104), 10);
    EXPECT_EQ(bars[0].colour, kBarColourRed);    // 90 % used
    EXPECT_EQ(bars[1].colour, kBarColourRose);   // 70 % used
    EXPECT_EQ(bars[2].colour, kBarColourGreen);  // 50 % used

    // E: fills to 60 % (rose on an update), C: frees space (red stays: never lowered).
    m.SetDrive(TestDrive{'C', "fixed", 1000, 900});
    m.SetDrive(TestDrive{'E', "fixed", 1000, 400});
    m.Install();
    welcome.Button21Click();
    bars = welcome.driveBars.Get();
    ASSERT_EQ(bars.size(), 3u);
    EXPECT_EQ(bars[0].freeText, "  900.00B");
    EXPECT_EQ(bars[0].Height(104), 90);
    EXPECT_EQ(bars[0].colour, kBarColourRed);
    EXPECT_EQ(bars[2].colour, kBarColourRose);
}

TEST(DriveStatusTest, AtMostElevenBarsAreMade) {
    std::vector<TestDrive> drives;
    for (char letter = 'C'; letter <= 'N'; ++letter)
        drives.push_back(TestDrive{letter, "fixed", 1000, 500});
    TestMachine m(drives);
    WelcomeDriveStatus welcome;
    welcome.Button21Click();
    EXPECT_EQ(welcome.pList.Count(), 12u);
    ASSERT_EQ(welcome.driveBars.Get().size(), kMaxDriveBars);
    EXPECT_EQ(welcome.driveBars.Get().back().caption, "Drive M:\\");
}

}  // namespace
}  // namespace scourwell::scan
