#include "scan/scan_driver.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "foundation/format_size.h"
#include "platform/machine.h"
#include "scan/results_list.h"
#include "scan/scan_messages.h"
#include "tests/scan/scan_fixture.h"

namespace scourwell::scan {
namespace {

using scourwell::testing::TestMachine;
using testing_support::DriverFixture;
using testing_support::Timed;

const std::string kAppData = TestMachine::kAppData;
const std::string kDocuments = TestMachine::kDocuments;
const std::string kTemp = TestMachine::kTemp;

// Something to find in each system folder and in the temporary folder.
void FillQuickScanFixture(TestMachine& m) {
    m.WriteSparseFile(kAppData + "\\big.bin", 10'000'000'000);          // Critical
    m.WriteSparseFile("C:\\ProgramData\\cache\\x.dat", 3'000'000'000);  // High folder
    m.WriteFile("C:\\Program Files\\Common Files\\small.dll", "1");     // no row
    m.WriteSparseFile(kDocuments + "\\movie.mkv", 2'600'000'000);       // High
    m.WriteFile(kTemp + "\\t1.tmp", "abc");
    m.WriteFile(kTemp + "\\t2.log", "abcde");
    m.WriteFile(kTemp + "\\tdir\\inner.txt", "abcdefg");
}

const std::vector<std::string> kHeader = {
    "Scourwell (Build: 7.12.2013) log.",
    "Generated at: 06.12.2026 on 14:30:05",
    "Microsoft Windows 7 x64 Edition",
    "",
    "Hard drives status!",
    "C:\\",
    "Freespace 71525mb",
    "Drivesize 95367mb",
    "Status: Ok",
    "",
};

TEST(ScanDriverTest, QuickScanFindsSystemFolderObjectsAndJunkAndSavesTheLog) {
    DriverFixture f;
    FillQuickScanFixture(f.machine);
    int malwareSteps = 0;
    f.driver.scanMalware = [&] { ++malwareSteps; };
    f.driver.Button1Click();

    EXPECT_EQ(f.ui.questions, std::vector<std::string>{kQuickScanQuestion});
    EXPECT_EQ(malwareSteps, 1);

    // The system folders in order, then every temporary object as junk.
    const auto& rows = f.page.results.Rows();
    ASSERT_EQ(rows.size(), 6u);
    EXPECT_EQ(rows[0].ToLine(), "big.bin;File;" + kAppData + "\\;10000000000;Critical;1;");
    EXPECT_EQ(rows[1].ToLine(), "cache;Folder;C:\\ProgramData\\;3000000000;High;1;");
    EXPECT_EQ(rows[2].ToLine(), "movie.mkv;File;" + kDocuments + "\\;2600000000;High;1;");
    std::vector<std::string> junk;
    for (size_t i = 3; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].status, "Junk");
        EXPECT_EQ(rows[i].location, kTemp + "\\");
        junk.push_back(rows[i].name);
    }
    std::sort(junk.begin(), junk.end());
    EXPECT_EQ(junk, (std::vector<std::string>{"t1.tmp", "t2.log", "tdir"}));
    ASSERT_EQ(f.page.list1.Count(), 6u);  // the placeholder is gone
    for (size_t i = 0; i < 6; ++i) EXPECT_EQ(f.page.list1.Item(i).caption, rows[i].name);

    const std::string freed = foundation::FormatSize(15'600'000'015.0L, true);
    EXPECT_EQ(f.page.freedSpace.Get(), freed);
    std::vector<std::string> expected = kHeader;
    for (const std::string& line :
         {Timed(": Scanning please wait..."),
          Timed(": Alert: Critical file size, it is taking to much space"), kAppData + "\\big.bin",
          Timed(": Alert: Folder size is to high, it is not critical but it requires action"),
          std::string("C:\\ProgramData\\cache"),
          Timed(": Alert: file size is to high, it is not critical but it requires action"),
          kDocuments + "\\movie.mkv", Timed(": Finish..."),
          Timed(": You have some critical issue-s that requires action!"), Timed(": Finish...")})
        expected.push_back(line);
    EXPECT_EQ(f.context.log.Lines(), expected);

    ASSERT_EQ(f.ui.messages.size(), 1u);
    EXPECT_EQ(
        f.ui.messages[0].text,
        "You have some critical issue-s that requires action!\r\r1: Some drives are Critically low "
        "on space, you can free up to " +
            freed +
            " of space!\r2: Simply check over-spaced folders that are free for clean-up\r3: "
            "Clean-up un-used, Junk and temp folders\r4: Malware scan, Clean-up infected files & "
            "folders");
    EXPECT_EQ(f.ui.messages[0].caption, "Scourwell");
    EXPECT_EQ(f.ui.messages[0].icon, foundation::MessageIcon::Information);

    EXPECT_EQ(f.machine.ReadFile(f.DataFile("LastScan.txt")), f.LogText());
    EXPECT_EQ(f.ui.openedDocuments, std::vector<std::string>{f.DataFile("LastScan.txt")});

    EXPECT_FALSE(f.context.scanRunning);
    EXPECT_EQ(f.context.status.Text(), "Done");
    EXPECT_TRUE(f.page.quickScanEnabled.Get());
    EXPECT_TRUE(f.page.customScanEnabled.Get());
    EXPECT_TRUE(f.page.cleanUpEnabled.Get());
    EXPECT_FALSE(f.page.abortEnabled.Get());
}

TEST(ScanDriverTest, ButtonsSwapWhileTheScanRuns) {
    DriverFixture f;
    FillQuickScanFixture(f.machine);
    bool checked = false;
    f.ui.When([&] { return f.StatusStartsWith("Checking "); },
              [&] {
                  checked = true;
                  EXPECT_TRUE(f.context.scanRunning);
                  EXPECT_FALSE(f.page.quickScanEnabled.Get());
                  EXPECT_FALSE(f.page.customScanEnabled.Get());
                  EXPECT_FALSE(f.page.cleanUpEnabled.Get());
                  EXPECT_TRUE(f.page.abortEnabled.Get());
                  ASSERT_FALSE(f.page.list1.Empty());
                  EXPECT_EQ(f.page.list1.Item(0).caption, "Scanning...");
                  EXPECT_TRUE(f.page.list1.Item(0).checked);
              });
    f.driver.scan(0);
    EXPECT_TRUE(checked);
}

TEST(ScanDriverTest, AQuickScanThatFindsNothingSaysSo) {
    DriverFixture f;
    f.driver.Button1Click();
    ASSERT_EQ(f.ui.messages.size(), 1u);
    EXPECT_EQ(f.ui.messages[0].text, "You dont have any critical issue-s on your computer!");
    EXPECT_FALSE(f.page.cleanUpEnabled.Get());
    EXPECT_EQ(f.page.freedSpace.Get(), "");
    EXPECT_TRUE(f.page.list1.Empty());
    const auto& lines = f.context.log.Lines();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(std::vector<std::string>(lines.end() - 3, lines.end()),
              (std::vector<std::string>{Timed(": Finish..."),
                                        Timed(": You dont have any critical issue-s"),
                                        Timed(": Finish...")}));
    EXPECT_EQ(f.machine.ReadFile(f.DataFile("LastScan.txt")), f.LogText());
    EXPECT_EQ(f.ui.openedDocuments.size(), 1u);
}

TEST(ScanDriverTest, AnsweringNoStartsNothing) {
    DriverFixture f;
    f.ui.QueueAnswers({false, false});
    f.driver.Button1Click();
    f.driver.Button23Click();
    EXPECT_EQ(f.ui.questions.size(), 2u);
    EXPECT_TRUE(f.context.log.Lines().empty());
    EXPECT_TRUE(f.ui.openedDocuments.empty());
    EXPECT_EQ(f.driver.pc1PageIndex.Get(), kWelcomePage);
}

TEST(ScanDriverTest, AbortDuringTheSecondSystemFolderTakesTheAbortedEnding) {
    DriverFixture f;
    FillQuickScanFixture(f.machine);
    int malwareSteps = 0;
    f.driver.scanMalware = [&] { ++malwareSteps; };
    f.ui.When([&] { return f.StatusStartsWith("Checking C:\\ProgramData\\"); },
              [&] { f.driver.Button5Click(); });
    f.driver.Button1Click();

    EXPECT_EQ(f.ui.questions, (std::vector<std::string>{kQuickScanQuestion, kAbortQuestion}));
    // The walk stopped after its current entry: the folder being measured still has its row,
    // nothing of the later folders, the junk folder or the malware step.
    std::vector<std::string> names;
    for (const auto& row : f.page.results.Rows()) names.push_back(row.name);
    EXPECT_EQ(names, (std::vector<std::string>{"big.bin", "cache"}));
    EXPECT_EQ(malwareSteps, 0);

    ASSERT_EQ(f.ui.messages.size(), 1u);
    EXPECT_EQ(f.ui.messages[0].text, "Scan process aborted, you have some critical issues to fix.");
    EXPECT_EQ(f.context.log.Lines().back(), Timed(": Scan process aborted..."));
    EXPECT_FALSE(f.LogHas(Timed(": Finish...")));
    EXPECT_FALSE(f.context.abortRequested);
    EXPECT_FALSE(f.context.scanRunning);
    EXPECT_EQ(f.context.status.Text(), "Scourwell");
    EXPECT_TRUE(f.page.cleanUpEnabled.Get());
    EXPECT_FALSE(f.page.abortEnabled.Get());
    EXPECT_EQ(f.page.list1.Count(), 2u);
    EXPECT_EQ(f.machine.ReadFile(f.DataFile("LastScan.txt")), f.LogText());
    EXPECT_EQ(f.ui.openedDocuments.size(), 1u);
}

TEST(ScanDriverTest, AbortWithNothingFoundSaysOnlyThatTheScanWasAborted) {
    DriverFixture f;
    f.machine.WriteFile(kAppData + "\\small.txt", "1");
    f.ui.When([&] { return f.StatusStartsWith("Checking " + kAppData); },
              [&] { f.driver.Button5Click(); });
    f.driver.scan(0);
    ASSERT_EQ(f.ui.messages.size(), 1u);
    EXPECT_EQ(f.ui.messages[0].text, "Scan process aborted!");
    EXPECT_FALSE(f.page.cleanUpEnabled.Get());
}

TEST(ScanDriverTest, AbortDuringTheJunkStepStillTakesTheNormalEnding) {
    DriverFixture f;
    FillQuickScanFixture(f.machine);
    std::vector<bool> abortAtMalwareStep;
    f.driver.scanMalware = [&] { abortAtMalwareStep.push_back(f.context.abortRequested); };
    f.ui.When([&] { return f.StatusStartsWith("Checking " + kTemp); },
              [&] { f.driver.Button5Click(); });
    f.driver.scan(0);

    EXPECT_EQ(abortAtMalwareStep, std::vector<bool>{false});
    EXPECT_LT(f.page.results.Count(), 6u);  // the junk walk ended early
    ASSERT_EQ(f.ui.messages.size(), 1u);
    EXPECT_EQ(f.ui.messages[0].text.rfind("You have some critical issue-s", 0), 0u);
    EXPECT_FALSE(f.LogHas(Timed(": Scan process aborted...")));
    EXPECT_EQ(f.context.status.Text(), "Done");
}

TEST(ScanDriverTest, AScanRequestWhileAScanRunsStartsNoSecondWalk) {
    DriverFixture f;
    FillQuickScanFixture(f.machine);
    f.ui.When([&] { return f.StatusStartsWith("Checking C:\\ProgramData\\"); },
              [&] {
                  f.driver.Button23Click();  // "Scan Now" on the Welcome page
                  f.dialog.Button3Click();   // an open Custom Scan dialog's "Ok"
                  f.driver.scan(3);
              });
    f.driver.Button1Click();

    EXPECT_EQ(f.ui.questions, std::vector<std::string>{kQuickScanQuestion});
    ASSERT_EQ(f.ui.messages.size(), 4u);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(f.ui.messages[i].text, kScanAlreadyRunning);
    EXPECT_EQ(f.ui.messages[3].text.rfind("You have some critical issue-s", 0), 0u);
    EXPECT_EQ(f.page.results.Count(), 6u);
    EXPECT_EQ(f.context.log.Lines()[0], kHeader[0]);
    EXPECT_EQ(std::count(f.context.log.Lines().begin(), f.context.log.Lines().end(), kHeader[0]),
              1);
    EXPECT_EQ(f.ui.openedDocuments.size(), 1u);
    EXPECT_EQ(f.driver.pc1PageIndex.Get(), kWelcomePage);
}

TEST(ScanDriverTest, ScanNowScansTheCheckedDrivesOfTheWelcomeList) {
    DriverFixture f({scourwell::testing::TestDrive{'C'}, scourwell::testing::TestDrive{'D'}});
    f.machine.WriteSparseFile("C:\\Data\\big.bin", 3'000'000'000);
    f.machine.WriteSparseFile("C:\\Windows\\huge.bin", 10'000'000'000);
    f.machine.WriteSparseFile(kDocuments + "\\huge.bin", 10'000'000'000);
    f.machine.WriteSparseFile("D:\\Other\\big.bin", 3'000'000'000);
    f.welcome.Button21Click();
    ASSERT_EQ(f.welcome.pList.Count(), 2u);

    // Both drives are below 75 %: nothing is checked, nothing is scanned.
    f.driver.Button23Click();
    EXPECT_EQ(f.driver.pc1PageIndex.Get(), kScanPage);
    EXPECT_TRUE(f.page.results.Empty());
    EXPECT_EQ(f.ui.messages.back().text, "You dont have any critical issue-s on your computer!");
    for (const auto& line : f.context.log.Lines())
        EXPECT_EQ(line.find("Scanning drive"), std::string::npos);

    // Checking C: scans it with the system locations skipped; D: stays unscanned.
    f.welcome.pList.UserToggleCheck(0);
    f.driver.Button23Click();
    EXPECT_TRUE(f.LogHas(Timed(": Scanning drive C:\\")));
    EXPECT_FALSE(f.LogHas(Timed(": Scanning drive D:\\")));
    std::vector<std::string> lines;
    for (const auto& row : f.page.results.Rows()) lines.push_back(row.ToLine());
    EXPECT_EQ(lines, std::vector<std::string>{"Data;Folder;C:\\;3000000000;High;1;"});
}

TEST(ScanDriverTest, AScanRunsAgainAfterAnEarlierOneAndKeepsExclusions) {
    DriverFixture f;
    FillQuickScanFixture(f.machine);
    f.driver.scan(0);
    ASSERT_EQ(f.page.results.Count(), 6u);
    // The user unchecks the documents' film; the next scan leaves it out.
    for (size_t i = 0; i < f.page.list1.Count(); ++i)
        if (f.page.list1.Item(i).caption == "movie.mkv") f.page.list1.UserToggleCheck(i);
    f.driver.scan(0);
    EXPECT_EQ(f.page.results.Count(), 5u);
    EXPECT_EQ(f.page.results.Find("movie.mkv", kDocuments + "\\", "File"), -1);
    EXPECT_EQ(f.page.list1.Count(), 5u);
}

TEST(ScanDriverTest, TheLogThatCannotBeSavedIsNotOpened) {
    DriverFixture f;
    // A folder where the log file belongs: the file cannot replace it.
    f.machine.MakeDirectory(f.DataFile("LastScan.txt"));
    f.driver.scan(0);
    ASSERT_EQ(f.ui.messages.size(), 2u);
    EXPECT_EQ(f.ui.messages[1].caption, "Error");
    EXPECT_EQ(f.ui.messages[1].icon, foundation::MessageIcon::Error);
    EXPECT_TRUE(f.ui.openedDocuments.empty());
}

TEST(ScanDriverTest, ThePlaceholderIsRemovedEvenAfterAFilterChangeDuringTheScan) {
    DriverFixture f;
    FillQuickScanFixture(f.machine);
    // While the junk folder is walked the user picks "Files" and back to "All": the list is
    // rebuilt without the placeholder.
    f.ui.When([&] { return f.StatusStartsWith("Checking " + kTemp); },
              [&] {
                  f.page.kindFilter.Set(1);
                  f.page.kindFilter.Set(0);
              });
    f.driver.scan(0);
    std::vector<std::string> captions = f.ItemCaptions();
    std::vector<std::string> names;
    for (const auto& row : f.page.results.Rows()) names.push_back(row.name);
    std::sort(captions.begin(), captions.end());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(captions, names);
}

}  // namespace
}  // namespace scourwell::scan

namespace scourwell::scan {
namespace {

TEST(ScanDriverFailureTest, AStepThatFailsLeavesTheProgramReadyForTheNextScan) {
    testing_support::DriverFixture f;
    f.driver.scanMalware = [] { throw std::runtime_error("step failed"); };

    EXPECT_THROW(f.driver.scan(0), std::runtime_error);

    EXPECT_FALSE(f.context.scanRunning);
    EXPECT_TRUE(f.page.quickScanEnabled.Get());
    EXPECT_TRUE(f.page.customScanEnabled.Get());
    EXPECT_FALSE(f.page.abortEnabled.Get());
    ASSERT_EQ(f.page.list1.Count(), 0u);  // no "Scanning..." left behind

    f.driver.scanMalware = nullptr;
    f.driver.scan(0);
    EXPECT_EQ(f.ui.messages.back().text, "You dont have any critical issue-s on your computer!");
}

}  // namespace
}  // namespace scourwell::scan

namespace scourwell::scan {
namespace {

TEST(ScanDriverJunkTest, ATemporaryFolderThatIsAWholeDriveOffersNoJunk) {
    testing_support::DriverFixture f;
    // The machine file refuses such a folder; a view made otherwise may still have one.
    platform::MachineConfig config = platform::LoadMachineFile(f.machine.MachineFilePath());
    config.tempDir = "C:";
    platform::UseMachine(config);
    f.machine.WriteFile("C:\\precious.doc", "the user's own file");

    f.driver.scan(0);

    for (const auto& row : f.page.results.Rows()) EXPECT_NE(row.status, "Junk") << row.name;
    EXPECT_EQ(f.ui.messages.back().text, "You dont have any critical issue-s on your computer!");
}

}  // namespace
}  // namespace scourwell::scan

namespace scourwell::scan {
namespace {

TEST(ScanDriverJunkTest, ARamDiskOfItsOwnMayBeTheTemporaryFolder) {
    testing_support::DriverFixture f;
    f.machine.SetDrive({'T', "ramdisk", 1'000'000, 900'000});
    f.machine.SetMachineKey("temp", "T:\\");
    f.machine.Install();
    f.machine.WriteFile("T:\\session.tmp", "junk");

    f.driver.scan(0);

    ASSERT_EQ(f.page.results.Count(), 1u);
    EXPECT_EQ(f.page.results.Rows()[0].FullPath(), "T:\\session.tmp");
    EXPECT_EQ(f.page.results.Rows()[0].status, "Junk");
}

}  // namespace
}  // namespace scourwell::scan
