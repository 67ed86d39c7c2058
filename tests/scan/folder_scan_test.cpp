#include "scan/folder_scan.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "platform/files.h"
#include "scan/results_list.h"
#include "tests/support/file_holder.h"
#include "tests/scan/scan_fixture.h"
#include "tests/support/deep_tree.h"

namespace scourwell::scan {
namespace {

using testing_support::kTime;
using testing_support::ScanFixture;

// The default drive: 100 000 000 000 bytes, so the critical threshold is 10 000 000 000 and
// the high threshold 2 500 000 000.
constexpr int64_t kCritical = 10'000'000'000;
constexpr int64_t kHigh = 2'500'000'000;

TEST(FolderScanTest, ThresholdsDivideTheDriveSizeStepByStep) {
    struct Case {
        int64_t total;
        int64_t critical;
        int64_t high;
    } cases[] = {
        {100'000'000'000, kCritical, kHigh},
        {1000, 100, 25},
        {39, 3, 0},  // 3 div 2 div 2 truncates to 0
        {-1, 0, 0},  // a drive that cannot be measured
    };
    for (const Case& c : cases) {
        const SizeThresholds t = ComputeThresholds(c.total);
        EXPECT_EQ(t.critical, c.critical) << c.total;
        EXPECT_EQ(t.high, c.high) << c.total;
    }
}

TEST(FolderScanTest, GradesEachTopLevelObjectAgainstItsDrive) {
    struct Case {
        bool junkMode;
        bool listAll;
        // Expected statuses of crit.bin, high.bin, below.bin, bigdir ("" = no row).
        std::string crit, high, below, bigdir;
    } cases[] = {
        {false, false, "Critical", "High", "", "High"},
        {false, true, "Critical", "High", "Ok", "High"},
        {true, false, "Junk", "Junk", "", "Junk"},
        {true, true, "Junk", "Junk", "Junk", "Junk"},
    };
    for (const Case& c : cases) {
        ScanFixture f;
        f.machine.WriteSparseFile("C:\\Data\\crit.bin", kCritical);
        f.machine.WriteSparseFile("C:\\Data\\high.bin", kHigh);
        f.machine.WriteSparseFile("C:\\Data\\below.bin", kHigh - 1);
        f.machine.WriteSparseFile("C:\\Data\\bigdir\\a\\part1.bin", kHigh - 1);
        f.machine.WriteFile("C:\\Data\\bigdir\\part2.bin", "x");
        const int64_t total = ScanFolder(f.page, "C:\\Data", c.junkMode, false, c.listAll, false);
        EXPECT_EQ(total, kCritical + kHigh + (kHigh - 1) + (kHigh - 1) + 1);

        const std::pair<const char*, std::string> expected[] = {{"crit.bin", c.crit},
                                                                {"high.bin", c.high},
                                                                {"below.bin", c.below},
                                                                {"bigdir", c.bigdir}};
        for (const auto& [name, status] : expected) {
            const foundation::ScanResultRow* row = f.Row(name);
            if (status.empty()) {
                EXPECT_EQ(row, nullptr) << name;
                continue;
            }
            ASSERT_NE(row, nullptr) << name;
            EXPECT_EQ(row->status, status) << name;
            EXPECT_EQ(row->location, "C:\\Data\\");
            EXPECT_EQ(row->kind, std::string(name) == "bigdir" ? "Folder" : "File");
            EXPECT_TRUE(row->selected);
        }
        // Items mirror the rows one for one.
        ASSERT_EQ(f.page.list1.Count(), f.page.results.Count());
        for (size_t i = 0; i < f.page.list1.Count(); ++i) EXPECT_EQ(RowOfItem(f.page, i), long(i));
    }
}

TEST(FolderScanTest, RowsAndAlertsHaveTheirExactForm) {
    ScanFixture f;
    f.machine.WriteSparseFile("C:\\Data\\crit.bin", kCritical);
    f.machine.WriteSparseFile("C:\\Data\\Big Folder\\inner.bin", kHigh);
    ScanFolder(f.page, "C:\\Data\\", false, false, false, false);

    const foundation::ScanResultRow* file = f.Row("crit.bin");
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->ToLine(), "crit.bin;File;C:\\Data\\;10000000000;Critical;1;");
    const foundation::ScanResultRow* folder = f.Row("Big Folder");
    ASSERT_NE(folder, nullptr);
    EXPECT_EQ(folder->ToLine(), "Big Folder;Folder;C:\\Data\\;2500000000;High;1;");

    const long item = f.page.results.Find("Big Folder", "C:\\Data\\", "Folder");
    ASSERT_GE(item, 0);
    for (const auto& it : f.page.list1.Items()) {
        if (it.caption != "Big Folder") continue;
        EXPECT_EQ(it.subItems,
                  (std::vector<std::string>{"Folder", "C:\\Data\\", "    2.33GB", "High"}));
        EXPECT_TRUE(it.checked);
    }
    EXPECT_TRUE(
        f.LogHas(std::string(kTime) + ": Alert: Critical file size, it is taking to much space"));
    EXPECT_TRUE(f.LogHas("C:\\Data\\crit.bin"));
    EXPECT_TRUE(
        f.LogHas(std::string(kTime) +
                 ": Alert: Folder size is to high, it is not critical but it requires action"));
    EXPECT_TRUE(f.LogHas("C:\\Data\\Big Folder"));
    // Each alert is followed by its path line.
    const auto& lines = f.context.log.Lines();
    for (size_t i = 0; i < lines.size(); ++i)
        if (lines[i].find(": Alert: ") != std::string::npos) {
            ASSERT_LT(i + 1, lines.size());
            EXPECT_EQ(lines[i + 1].rfind("C:\\Data\\", 0), 0u) << lines[i + 1];
        }
}

TEST(FolderScanTest, JunkModeListsEveryTopLevelObjectAndAlertsOnlyTheLargeOnes) {
    ScanFixture f;
    const std::string temp = scourwell::testing::TestMachine::kTemp;
    f.machine.WriteFile(temp + "\\a.tmp", "1");
    f.machine.WriteFile(temp + "\\b.tmp", "22");
    f.machine.WriteFile(temp + "\\c.log", "333");
    f.machine.WriteSparseFile(temp + "\\Large\\cache.bin", kCritical);
    ScanFolder(f.page, temp, true, false, true, false);

    ASSERT_EQ(f.page.results.Count(), 4u);
    for (const auto& row : f.page.results.Rows()) EXPECT_EQ(row.status, "Junk") << row.name;
    EXPECT_EQ(f.Row("Large")->size, "10000000000");
    const auto& lines = f.context.log.Lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], std::string(kTime) + ": Alert: Junk folder");
    EXPECT_EQ(lines[1], temp + "\\Large");
}

// What a running program holds (a file, a folder with one inside, its working folder) and
// what the host's temporary-file rules keep would only fail to go: the junk list leaves it out.
TEST(FolderScanTest, JunkModeLeavesOutWhatIsInUseOrKept) {
    ScanFixture f;
    const std::string temp = scourwell::testing::TestMachine::kTemp;
    const std::string host = f.machine.Host(temp);
    std::filesystem::create_directories(f.machine.Root() + "/tmpfiles");
    std::ofstream(f.machine.Root() + "/tmpfiles/x.conf") << "x " << host << "/.X[0-9]*-lock\n"
                                                         << "x " << host << "/service-*\n";
    f.machine.SetMachineKey("tmpfiles", "tmpfiles");
    f.machine.Install();
    for (const char* file : {"\\old.tmp", "\\editor.swp", "\\app\\cache\\held.db", "\\app\\x.log",
                             "\\.X0-lock", "\\service-a\\state", "\\stale\\x.tmp"})
        f.machine.WriteFile(temp + file, "x");
    f.machine.MakeDirectory(temp + "\\shell");
    scourwell::testing::FileHolder editor(f.machine.Host(temp + "\\editor.swp"),
                                          f.machine.Host(temp + "\\shell"));
    scourwell::testing::FileHolder app(f.machine.Host(temp + "\\app\\cache\\held.db"), host);
    ASSERT_TRUE(editor.Running() && app.Running());

    ScanFolder(f.page, temp, true, false, true, false);

    std::vector<std::string> listed = f.ItemCaptions();
    std::sort(listed.begin(), listed.end());
    EXPECT_EQ(listed, (std::vector<std::string>{"old.tmp", "stale"}));
}

TEST(FolderScanTest, FilesOfTwoGibibytesAndMoreCountInFull) {
    ScanFixture f;
    f.machine.WriteSparseFile("C:\\Data\\a\\b\\c\\huge.bin", 5'000'000'000);
    f.machine.WriteSparseFile("C:\\Data\\edge.bin", 2'147'483'648);
    EXPECT_EQ(ScanFolder(f.page, "C:\\Data", false, false, false, true), 7'147'483'648);
    EXPECT_TRUE(f.page.results.Empty());  // sumOnly: no rows
    EXPECT_TRUE(f.context.log.Lines().empty());
}

TEST(FolderScanTest, X86FoldersAreNeverDescended) {
    ScanFixture f;
    f.machine.WriteSparseFile("C:\\Data\\Program Files (x86)\\app.bin", kCritical);
    f.machine.WriteSparseFile("C:\\Data\\deep\\Tools (X86)\\tool.bin", kCritical);
    f.machine.WriteFile("C:\\Data\\deep\\ok.txt", "12345");

    EXPECT_EQ(ScanFolder(f.page, "C:\\Data", false, false, false, false), 5);
    EXPECT_TRUE(f.page.results.Empty());

    ScanFixture g;
    g.machine.WriteSparseFile("C:\\Data\\Program Files (x86)\\app.bin", kCritical);
    ScanFolder(g.page, "C:\\Data", false, false, true, false);
    ASSERT_NE(g.Row("Program Files (x86)"), nullptr);
    EXPECT_EQ(g.Row("Program Files (x86)")->ToLine(),
              "Program Files (x86);Folder;C:\\Data\\;0;Ok;1;");
}

TEST(FolderScanTest, AWalkStartedInsideAnX86FolderMeasuresOnlyItsOwnFiles) {
    ScanFixture f;
    f.machine.WriteFile("C:\\Program Files (x86)\\own.dll", "1234");
    f.machine.WriteSparseFile("C:\\Program Files (x86)\\Vendor\\big.bin", kCritical);
    EXPECT_EQ(ScanFolder(f.page, "C:\\Program Files (x86)", false, false, true, false), 4);
    ASSERT_NE(f.Row("Vendor"), nullptr);
    EXPECT_EQ(f.Row("Vendor")->size, "0");
}

TEST(FolderScanTest, DotFoldersAreIgnoredAndDotFilesAreMeasured) {
    ScanFixture f;
    f.machine.WriteSparseFile("C:\\Data\\.cache\\blob.bin", kCritical);
    f.machine.WriteFile("C:\\Data\\.profile", "123");
    f.machine.WriteFile("C:\\Data\\sub\\.hidden", "45");
    EXPECT_EQ(ScanFolder(f.page, "C:\\Data", false, false, true, false), 5);
    EXPECT_EQ(f.Row(".cache"), nullptr);
    ASSERT_NE(f.Row(".profile"), nullptr);
    EXPECT_EQ(f.Row(".profile")->status, "Ok");
    EXPECT_EQ(f.Row("sub")->size, "2");
}

TEST(FolderScanTest, SystemSkippingLeavesSystemLocationsOnAnyDriveUnmeasured) {
    ScanFixture f({scourwell::testing::TestDrive{'C'}, scourwell::testing::TestDrive{'D'}});
    f.machine.WriteFile("C:\\Windows\\System32\\kernel.dll", "1");
    f.machine.WriteFile("C:\\Program Files\\Common Files\\shared.dll", "22");
    f.machine.WriteFile("C:\\ProgramData\\cache.db", "333");
    f.machine.WriteFile("C:\\Users\\tester\\Documents\\doc.txt", "4444");
    f.machine.WriteFile("C:\\Users\\Public\\pub.txt", "55");  // another profile
    f.machine.WriteFile("C:\\Users\\y.txt", "555");
    f.machine.WriteFile("C:\\Data\\Windows\\note.txt", "666666");  // not the Windows folder
    f.machine.WriteFile("D:\\Program Files\\app.exe", "7777777");
    f.machine.WriteFile("D:\\Users\\other\\x.txt", "88888888");
    f.machine.WriteFile("D:\\Users\\y.txt", "999999999");

    struct Case {
        const char* root;
        bool skipSystem;
        int64_t total;
    } cases[] = {
        {"C:\\", false, 1 + 2 + 3 + 4 + 2 + 3 + 6},
        // Windows, Program Files, ProgramData and each profile are skipped; Users itself is
        // descended, so its own files count.
        {"C:\\", true, 3 + 6},
        {"D:\\", true, 9},
        {"D:\\", false, 7 + 8 + 9},
    };
    for (const Case& c : cases) {
        f.page.results.Clear();
        EXPECT_EQ(ScanFolder(f.page, c.root, false, c.skipSystem, true, false), c.total)
            << c.root << " skip=" << c.skipSystem;
    }
    // A skipped folder is still listed, with size 0.
    ASSERT_NE(f.Row("Program Files"), nullptr);
    EXPECT_EQ(f.Row("Program Files")->size, "7");
}

TEST(FolderScanTest, ExcludedObjectsGetNoRowAndExcludedFoldersAreNotMeasured) {
    ScanFixture f;
    f.machine.WriteSparseFile("C:\\Data\\keep\\big.bin", kCritical);
    f.machine.WriteSparseFile("C:\\Data\\deep\\inner\\big.bin", kCritical);
    f.machine.WriteFile("C:\\Data\\deep\\small.txt", "12");
    f.machine.WriteSparseFile("C:\\Data\\kept.iso", kCritical);
    f.page.excluded.Add(foundation::ExclusionSet::Key("C:\\Data\\", "keep", "Folder"));
    f.page.excluded.Add(foundation::ExclusionSet::Key("c:\\data\\deep\\", "INNER", "Folder"));
    f.page.excluded.Add(foundation::ExclusionSet::Key("C:\\Data\\", "kept.iso", "File"));
    // An entry of another kind excludes nothing.
    f.page.excluded.Add(foundation::ExclusionSet::Key("C:\\Data\\", "deep", "File"));

    // The excluded file still counts toward the total; the excluded folders do not.
    EXPECT_EQ(ScanFolder(f.page, "C:\\Data", false, false, true, false), kCritical + 2);
    EXPECT_EQ(f.Row("keep"), nullptr);
    EXPECT_EQ(f.Row("kept.iso"), nullptr);
    ASSERT_NE(f.Row("deep"), nullptr);
    EXPECT_EQ(f.Row("deep")->size, "2");
}

TEST(FolderScanTest, AFolderThatCannotBeListedGivesNothing) {
    ScanFixture f;
    EXPECT_EQ(ScanFolder(f.page, "C:\\Missing", false, false, true, false), 0);
    EXPECT_EQ(ScanFolder(f.page, "", false, false, true, false), 0);
    EXPECT_TRUE(f.page.results.Empty());
}

TEST(FolderScanTest, AbortDuringANestedRunEndsEveryEnclosingRun) {
    ScanFixture f;
    for (int i = 0; i < 5; ++i)
        f.machine.WriteFile("C:\\Data\\top" + std::to_string(i) + ".txt", "1");
    for (int i = 0; i < 20; ++i)
        f.machine.WriteFile("C:\\Data\\nest\\deeper\\f" + std::to_string(i) + ".txt", "12");
    f.machine.WriteFile("C:\\Data\\nest\\deeper\\trigger.txt", "123");
    for (int i = 0; i < 5; ++i)
        f.machine.WriteFile("C:\\Data\\zz" + std::to_string(i) + "\\x.txt", "1");

    // "Abort" is pressed while the walk shows the trigger file of the innermost folder.
    f.ui.When([&] { return f.context.status.Text().find("trigger.txt") != std::string::npos; },
              [&] { f.context.abortRequested = true; });
    const int64_t total = ScanFolder(f.page, "C:\\Data", false, false, true, false);

    ASSERT_TRUE(f.context.abortRequested);
    // The last row is the folder whose nested run was cut short; nothing comes after it.
    ASSERT_FALSE(f.page.results.Empty());
    const auto& last = f.page.results.Rows().back();
    EXPECT_EQ(last.name, "nest");
    EXPECT_LT(std::stoll(last.size), 20 * 2 + 3);
    EXPECT_LT(total, 5 + 20 * 2 + 3 + 5);
}

TEST(FolderScanTest, DefaultPacingServesEventsAtTheStartOfEveryWalk) {
    ScanFixture f;
    f.page.pacing = WalkPacing{};
    for (int i = 0; i < 300; ++i) f.machine.WriteFile("C:\\Data\\f" + std::to_string(i), "1");
    f.ui.AtPump(1, [&] { f.context.abortRequested = true; });
    ScanFolder(f.page, "C:\\Data", false, false, true, false);
    EXPECT_EQ(f.ui.pumps, 1);
    EXPECT_EQ(f.page.results.Count(), 1u);  // the walk stopped after its current entry
}

TEST(FolderScanTest, AWalkServesEventsBeforeEveryEntryWhenPacedSo) {
    ScanFixture f;
    f.machine.WriteFile("C:\\Data\\a.txt", "1");
    f.machine.WriteFile("C:\\Data\\b.txt", "1");
    f.machine.WriteFile("C:\\Data\\sub\\c.txt", "1");
    ScanFolder(f.page, "C:\\Data", false, false, false, false);
    EXPECT_EQ(f.ui.pumps, 4);  // a.txt, b.txt, sub, sub\c.txt
    EXPECT_EQ(f.context.status.Text().rfind("Checking C:\\Data\\", 0), 0u);
}

TEST(FolderSizeTest, SumsMatchingFilesAndFollowsSubfoldersOnRequest) {
    ScanFixture f;
    f.machine.WriteFile("C:\\Data\\a.tmp", "1");
    f.machine.WriteFile("C:\\Data\\b.log", "22");
    f.machine.WriteFile("C:\\Data\\.hidden", "333");
    f.machine.WriteFile("C:\\Data\\sub\\c.tmp", "4444");
    f.machine.WriteFile("C:\\Data\\.dotdir\\d.tmp", "55555");
    f.machine.WriteSparseFile("C:\\Data\\sub\\deep\\big.iso", 3'000'000'000);

    struct Case {
        const char* path;
        const char* pattern;
        uint32_t attributes;
        bool recurse;
        int64_t size;
    } cases[] = {
        {"C:\\Data", "*.*", kAllAttributeKinds, true, 1 + 2 + 3 + 4 + 3'000'000'000},
        {"C:\\Data\\", "*.*", kAllAttributeKinds, true, 1 + 2 + 3 + 4 + 3'000'000'000},
        {"C:\\Data", "*.*", kAllAttributeKinds, false, 1 + 2 + 3},
        {"C:\\Data", "*.tmp", kAllAttributeKinds, true, 1 + 4},
        {"C:\\Data", "*.*", kAllAttributeKinds & ~platform::kAttrHidden, true,
         1 + 2 + 4 + 3'000'000'000},
        {"C:\\Missing", "*.*", kAllAttributeKinds, true, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FolderSize(f.context, c.path, c.pattern, c.attributes, c.recurse), c.size)
            << c.path << " " << c.pattern << " " << c.recurse;
}

TEST(FolderScanTest, TreesDeeperThanTheStackAndTheDescriptorLimitAreMeasuredInFull) {
    // Every level holds a one-byte file, the bottom a two-byte one; the walks run on a small
    // stack with few descriptors, as a recursion per level could not.
    constexpr size_t kDepth = 4000;
    ScanFixture f;
    f.machine.MakeDirectory("C:\\Data");
    scourwell::testing::MakeDeepChain(f.machine.Host("C:\\Data"), kDepth, true);
    int64_t scanned = -1;
    int64_t measured = -1;
    rlimit saved{};
    getrlimit(RLIMIT_NOFILE, &saved);
    rlimit lowered = saved;
    lowered.rlim_cur = 200;
    setrlimit(RLIMIT_NOFILE, &lowered);
    scourwell::testing::RunWithStack(256 * 1024, [&] {
        scanned = ScanFolder(f.page, "C:\\Data", false, false, true, false);
        measured = FolderSize(f.context, "C:\\Data", "*.*", kAllAttributeKinds, true);
    });
    setrlimit(RLIMIT_NOFILE, &saved);
    scourwell::testing::RemoveDeepChain(f.machine.Host("C:\\Data"));
    EXPECT_EQ(scanned, static_cast<int64_t>(kDepth) + 2);
    EXPECT_EQ(measured, static_cast<int64_t>(kDepth) + 2);
    ASSERT_NE(f.Row("d"), nullptr);
    EXPECT_EQ(f.Row("d")->size, std::to_string(kDepth + 2));
}

}  // namespace
}  // namespace scourwell::scan
