#include "quarantine/clean_up.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "foundation/list_model.h"
#include "foundation/record_lines.h"
#include "platform/files.h"
#include "scan/custom_scan.h"
#include "scan/drive_status.h"
#include "scan/results_list.h"
#include "scan/scan_driver.h"
#include "scan/scan_messages.h"
#include "scan/scan_page.h"
#include "scan/folder_scan.h"
#include "tests/quarantine/quarantine_fixture.h"
#include "tests/support/deep_tree.h"
#include "tests/support/unprivileged.h"

namespace scourwell::quarantine::test {
namespace {

const std::string kLastScan = kDataFolder + "LastScan.txt";

class CleanUpTest : public QuarantineTest {
  protected:
    scan::ScanPage page{context};

    // A list1 row as a scan leaves it: caption Name; Kind, Location, Size, Status.
    size_t AddRow(const std::string& name, const std::string& kind, const std::string& location,
                  const std::string& status, bool checked = true) {
        foundation::ListItem item;
        item.caption = name;
        item.subItems = {kind, location, "    1.00KB", status};
        item.checked = checked;
        return page.list1.Add(std::move(item));
    }
    std::string StatusOf(size_t row) const {
        return page.list1.Item(row).SubItem(scan::kColStatus);
    }
    // The log lines after the clean-up's start line, without their time stamps.
    std::vector<std::string> LogBody() const {
        std::vector<std::string> body;
        const auto& lines = context.log.Lines();
        for (const auto& line : lines) {
            // A timed line starts with the HH:mm:ss time.
            if (line.size() > 8 && line[2] == ':' && line[5] == ':') {
                body.push_back(line.substr(8));
            } else {
                body.push_back(line);
            }
        }
        return body;
    }
    bool LogHas(const std::string& text) const {
        auto body = LogBody();
        return std::find(body.begin(), body.end(), text) != body.end();
    }
    // The lines that follow `text` in the log (its path line).
    std::string LineAfter(const std::string& text) const {
        auto body = LogBody();
        auto it = std::find(body.begin(), body.end(), text);
        if (it == body.end() || it + 1 == body.end()) return "<none>";
        return *(it + 1);
    }
};

TEST_F(CleanUpTest, NothingCheckedLogsStartAndEndAndOpensTheLog) {
    context.log.AddLine("scan header");
    AddRow("a.tmp", "File", "C:\\Temp\\", "Junk", /*checked=*/false);
    machine.WriteFile("C:\\Temp\\a.tmp", "x");

    clean(page, store);

    EXPECT_EQ(LogBody(),
              (std::vector<std::string>{"scan header", "", ": Cleaning...", ": Finish..."}));
    EXPECT_EQ(context.log.Lines()[2], "14:30:05: Cleaning...");
    EXPECT_TRUE(machine.Exists("C:\\Temp\\a.tmp"));
    EXPECT_EQ(StatusOf(0), "Junk");
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "All done successfully!");
    EXPECT_EQ(ui.messages[0].icon, foundation::MessageIcon::Information);
    EXPECT_EQ(machine.ReadFile(kLastScan), context.log.Text());
    EXPECT_EQ(ui.openedDocuments, std::vector<std::string>{kLastScan});
    EXPECT_TRUE(page.quickScanEnabled.Get());
    EXPECT_TRUE(page.customScanEnabled.Get());
    EXPECT_FALSE(page.cleanUpEnabled.Get());
    EXPECT_FALSE(page.abortEnabled.Get());
    EXPECT_EQ(context.status.Text(), "Scourwell");
}

TEST_F(CleanUpTest, ButtonsDuringTheRun) {
    machine.WriteFile("C:\\Temp\\a.tmp", "x");
    AddRow("a.tmp", "File", "C:\\Temp\\", "Junk");
    page.cleanUpEnabled.Set(true);
    bool seen = false;
    ui.AtPump(1, [&] {
        seen = true;
        EXPECT_FALSE(page.quickScanEnabled.Get());
        EXPECT_FALSE(page.customScanEnabled.Get());
        EXPECT_FALSE(page.cleanUpEnabled.Get());
        EXPECT_TRUE(page.abortEnabled.Get());
    });
    clean(page, store);
    EXPECT_TRUE(seen);
}

TEST_F(CleanUpTest, AnsweringNoDoesNothing) {
    machine.WriteFile("C:\\Temp\\a.tmp", "x");
    AddRow("a.tmp", "File", "C:\\Temp\\", "Junk");
    ui.QueueAnswers({false});

    Button3Click(page, store);

    EXPECT_EQ(ui.questions, std::vector<std::string>{"Do you wish to delete selected objects?"});
    EXPECT_TRUE(machine.Exists("C:\\Temp\\a.tmp"));
    EXPECT_TRUE(context.log.Lines().empty());
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_TRUE(ui.openedDocuments.empty());
}

TEST_F(CleanUpTest, SkippedRowsLeaveNoTrace) {
    // Unchecked, and checked but excluded with the same kind: both stay, without a log line.
    machine.WriteFile("C:\\Temp\\keep.tmp", "x");
    machine.WriteFile("C:\\Temp\\excluded.tmp", "x");
    machine.WriteFile("C:\\Temp\\Old\\f.tmp", "x");
    AddRow("keep.tmp", "File", "C:\\Temp\\", "Junk", false);
    AddRow("excluded.tmp", "File", "C:\\Temp\\", "Junk");
    AddRow("Old", "Folder", "C:\\Temp\\", "Critical");
    page.excluded.Add(foundation::ExclusionSet::Key("C:\\Temp\\", "excluded.tmp", "File"));
    page.excluded.Add(foundation::ExclusionSet::Key("C:\\Temp\\", "Old", "Folder"));

    ui.QueueAnswers({true});
    Button3Click(page, store);

    EXPECT_EQ(StatusOf(0), "Junk");
    EXPECT_EQ(StatusOf(1), "Junk");
    EXPECT_EQ(StatusOf(2), "Critical");
    for (const char* path :
         {"C:\\Temp\\keep.tmp", "C:\\Temp\\excluded.tmp", "C:\\Temp\\Old\\f.tmp"}) {
        EXPECT_TRUE(machine.Exists(path)) << path;
    }
    EXPECT_EQ(LogBody(), (std::vector<std::string>{"", ": Cleaning...", ": Finish..."}));
}

TEST_F(CleanUpTest, InfectedFileIsQuarantinedThenDeletedAndJunkIsNot) {
    machine.WriteFile("C:\\Temp\\evil.exe", "hello");
    machine.WriteFile("C:\\Temp\\junk.tmp", "junk");
    AddRow("evil.exe", "File", "C:\\Temp\\", "Infected");
    AddRow("junk.tmp", "File", "C:\\Temp\\", "Junk");

    clean(page, store);

    EXPECT_FALSE(machine.Exists("C:\\Temp\\evil.exe"));
    EXPECT_FALSE(machine.Exists("C:\\Temp\\junk.tmp"));
    EXPECT_EQ(StatusOf(0), "Ok");
    EXPECT_EQ(StatusOf(1), "Ok");
    EXPECT_EQ(machine.ReadFile(Stored("CTempevil.exe")), "hello");
    EXPECT_FALSE(machine.Exists(Stored("CTempjunk.tmp")));
    ASSERT_EQ(store.cList1.Count(), 1u);
    EXPECT_EQ(store.cList1.Item(0).SubItem(kQColObject), "C:\\Temp\\evil.exe");
    EXPECT_EQ(LogBody(), (std::vector<std::string>{"", ": Cleaning...", " : Deleting file...",
                                                   "C:\\Temp\\evil.exe", " : File deleted...",
                                                   "C:\\Temp\\evil.exe", " : Deleting file...",
                                                   "C:\\Temp\\junk.tmp", " : File deleted...",
                                                   "C:\\Temp\\junk.tmp", ": Finish..."}));
    EXPECT_EQ(ui.messages.back().text, "All done successfully!");
}

TEST_F(CleanUpTest, InfectedFileWithoutACopyStays) {
    // "Quarantine" is taken by a file, so no copy can be stored.
    machine.WriteFile(kQuarantine, "not a folder");
    machine.WriteFile("C:\\Temp\\evil.exe", "hello");
    AddRow("evil.exe", "File", "C:\\Temp\\", "Infected");

    clean(page, store);

    EXPECT_EQ(machine.ReadFile("C:\\Temp\\evil.exe"), "hello");
    EXPECT_EQ(StatusOf(0), "Err");
    EXPECT_EQ(LineAfter(" : Cannot delete file..."), "C:\\Temp\\evil.exe");
    EXPECT_FALSE(LogHas(" : File deleted..."));
    EXPECT_EQ(ui.messages.back().text,
              "Clean-up finished, but some objects could not be deleted:\rC:\\Temp\\evil.exe");
}

// Another user puts look-alikes of the victim's objects into the shared temporary folder, lets
// the scan list them and removes them before the clean-up: the clean-up reaches none of the
// victim's objects (which the user unchecked), and the look-alikes' rows say "Err".
TEST_F(CleanUpTest, ListedLookAlikesThatVanishNeverRedirectTheCleanUp) {
    namespace fs = std::filesystem;
    const std::string temp = machine.Host("C:\\Temp");
    machine.WriteFile("C:\\Temp\\build-cache\\obj.o", "victim's build");
    machine.WriteFile("C:\\Temp\\secrets.txt", "victim's secret");
    machine.WriteFile("C:\\Temp\\Report.pdf", "victim's report");
    chmod((temp + "/secrets.txt").c_str(), 0444);
    testing::OpenLikeTmp(machine.Root(), temp);
    const std::vector<std::string> lookAlikes = {"bu\xc4\xb1ld-cache", "\xc5\xbf" "ecrets.txt",
                                                 "REPORT.PDF"};
    ASSERT_TRUE(testing::RunUnprivileged([&] {
        fs::create_directory(temp + "/" + lookAlikes[0]);
        std::ofstream(temp + "/" + lookAlikes[0] + "/obj.o") << "mine";
        std::ofstream(temp + "/" + lookAlikes[1]) << "mine";
        std::ofstream(temp + "/" + lookAlikes[2]) << "mine";
        return true;
    }));
    scan::ScanFolder(page, "C:\\Temp", true, false, true, false);
    ASSERT_EQ(page.list1.Count(), 6u);
    // The user keeps the victim's objects. (Excluding them would exclude the look-alikes too:
    // exclusions compare names by the same rule as path resolution.)
    for (size_t i = 0; i < page.list1.Count(); ++i) {
        const auto& item = page.list1.Item(i);
        if (std::find(lookAlikes.begin(), lookAlikes.end(), item.caption) == lookAlikes.end())
            page.list1.SetChecked(i, false);
    }
    ASSERT_TRUE(testing::RunUnprivileged([&] {
        for (const auto& name : lookAlikes) fs::remove_all(temp + "/" + name);
        return true;
    }));

    clean(page, store);

    EXPECT_EQ(machine.ReadFile("C:\\Temp\\build-cache\\obj.o"), "victim's build");
    EXPECT_EQ(machine.ReadFile("C:\\Temp\\secrets.txt"), "victim's secret");
    EXPECT_EQ(machine.ReadFile("C:\\Temp\\Report.pdf"), "victim's report");
    struct stat info {};
    ASSERT_EQ(stat((temp + "/secrets.txt").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0444u);
    for (size_t i = 0; i < page.list1.Count(); ++i) {
        const auto& item = page.list1.Item(i);
        const bool lookAlike =
            std::find(lookAlikes.begin(), lookAlikes.end(), item.caption) != lookAlikes.end();
        EXPECT_EQ(StatusOf(i), lookAlike ? "Err" : "Junk") << item.caption;
    }
}

// An exclusion holds for every spelling that names the same object under the view's case
// rule, as path resolution would find it.
TEST_F(CleanUpTest, ExclusionsUseTheSameCaseRuleAsPaths) {
    machine.WriteFile("C:\\Temp\\\xc3\x84rger.tmp", "keep");
    page.excluded.Add(foundation::ExclusionSet::Key("C:\\TEMP\\", "\xc3\xa4rger.tmp", "File"));
    AddRow("\xc3\x84rger.tmp", "File", "C:\\Temp\\", "Junk");
    clean(page, store);
    EXPECT_TRUE(machine.Exists("C:\\Temp\\\xc3\x84rger.tmp"));
    EXPECT_EQ(StatusOf(0), "Junk");
}

TEST_F(CleanUpTest, AnObjectAlreadyGoneGivesErr) {
    AddRow("gone.exe", "File", "C:\\Temp\\", "Infected");
    AddRow("gone.tmp", "File", "C:\\Temp\\", "Junk");
    clean(page, store);
    EXPECT_EQ(StatusOf(0), "Err");
    EXPECT_EQ(StatusOf(1), "Err");
}

TEST_F(CleanUpTest, InfectedFolderKeepsTheFilesItCouldNotCopy) {
    machine.WriteFile("C:\\Data\\Tool\\run.exe", "a");
    machine.WriteFile("C:\\Data\\Tool\\sub\\lib.dll", "b");
    machine.WriteFile("C:\\Data\\Tool\\odd;name.dat", "c");  // cannot be recorded, so no copy
    AddRow("Tool", "Folder", "C:\\Data\\", "Infected");

    clean(page, store);

    EXPECT_EQ(StatusOf(0), "Err");
    EXPECT_EQ(LineAfter(" : Cannot delete folder..."), "C:\\Data\\Tool");
    EXPECT_EQ(machine.ReadFile("C:\\Data\\Tool\\odd;name.dat"), "c");
    EXPECT_FALSE(machine.Exists("C:\\Data\\Tool\\run.exe"));
    EXPECT_FALSE(machine.Exists("C:\\Data\\Tool\\sub"));
    EXPECT_EQ(store.cList1.Count(), 2u);
}

TEST_F(CleanUpTest, InfectedFolderFullyCopiedIsRemoved) {
    machine.WriteFile("C:\\Data\\Tool\\run.exe", "a");
    machine.WriteFile("C:\\Data\\Tool\\sub\\lib.dll", "b");
    AddRow("Tool", "Folder", "C:\\Data\\", "Infected");

    clean(page, store);

    EXPECT_EQ(StatusOf(0), "Ok");
    EXPECT_FALSE(machine.Exists("C:\\Data\\Tool"));
    EXPECT_EQ(machine.ReadFile(Stored("CDataToolsublib.dll")), "b");
    EXPECT_EQ(LogBody(), (std::vector<std::string>{"", ": Cleaning...", " : Deleting folder...",
                                                   "C:\\Data\\Tool", " : Folder deleted...",
                                                   "C:\\Data\\Tool", ": Finish..."}));
}

TEST_F(CleanUpTest, FolderWithAnExcludedFileOrSubfolderIsNotRemoved) {
    struct Case {
        const char* name;
        std::string excludedKey;
        std::vector<std::string> kept;
        std::vector<std::string> gone;
    };
    const std::vector<Case> cases = {
        // The subfolder is not excluded: it goes with its file, "keep.dat" holds the parent.
        {"excluded file",
         foundation::ExclusionSet::Key("C:\\Big\\", "keep.dat", "File"),
         {"C:\\Big\\keep.dat"},
         {"C:\\Big\\a.dat", "C:\\Big\\sub"}},
        // The subfolder is neither entered nor deleted.
        {"excluded subfolder",
         foundation::ExclusionSet::Key("C:\\Big\\", "sub", "Folder"),
         {"C:\\Big\\sub\\b.dat"},
         {"C:\\Big\\a.dat", "C:\\Big\\keep.dat"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        machine.WriteFile("C:\\Big\\a.dat", "a");
        machine.WriteFile("C:\\Big\\keep.dat", "k");
        machine.WriteFile("C:\\Big\\sub\\b.dat", "b");
        page.list1.Clear();
        context.log.Clear();
        page.excluded = foundation::ExclusionSet();
        page.excluded.Add(c.excludedKey);
        AddRow("Big", "Folder", "C:\\", "Critical");

        clean(page, store);

        EXPECT_EQ(StatusOf(0), "Err");
        EXPECT_EQ(LineAfter(" : Cannot delete folder..."), "C:\\Big");
        for (const auto& path : c.kept) EXPECT_TRUE(machine.Exists(path)) << path;
        for (const auto& path : c.gone) EXPECT_FALSE(machine.Exists(path)) << path;
    }
}

TEST_F(CleanUpTest, LockedFileGivesErrAfterAboutASecond) {
    machine.WriteFile("C:\\Temp\\locked.tmp", "x");
    machine.WriteFile("C:\\Temp\\free.tmp", "x");
    AddRow("locked.tmp", "File", "C:\\Temp\\", "Junk");
    AddRow("free.tmp", "File", "C:\\Temp\\", "Junk");
    platform::FileLock lock("C:\\Temp\\locked.tmp");
    ASSERT_TRUE(lock.IsHeld());
    ui.secondsPerPump = 0.05;
    const auto start = ui.Now();

    clean(page, store);

    EXPECT_EQ(StatusOf(0), "Err");
    EXPECT_EQ(StatusOf(1), "Ok");
    EXPECT_TRUE(machine.Exists("C:\\Temp\\locked.tmp"));
    EXPECT_EQ(LineAfter(" : Cannot delete file..."), "C:\\Temp\\locked.tmp");
    const double waited = std::chrono::duration<double>(ui.Now() - start).count();
    EXPECT_GE(waited, 1.0);
    EXPECT_LE(waited, 2.0);
    EXPECT_EQ(ui.messages.back().text,
              "Clean-up finished, but some objects could not be deleted:\rC:\\Temp\\locked.tmp");
    EXPECT_EQ(ui.messages.back().icon, foundation::MessageIcon::Warning);
}

TEST_F(CleanUpTest, AbortDuringALongFolderDeletion) {
    for (int i = 0; i < 30; ++i) {
        machine.WriteFile("C:\\Temp\\Huge\\f" + std::to_string(i) + ".tmp", "x");
    }
    machine.WriteFile("C:\\Temp\\after.tmp", "x");
    AddRow("Huge", "Folder", "C:\\Temp\\", "Critical");
    AddRow("after.tmp", "File", "C:\\Temp\\", "Junk");
    // The first pump is the row's; the next ones are the folder's entries.
    ui.AtPump(10, [this] { context.abortRequested = true; });

    clean(page, store);

    EXPECT_TRUE(machine.Exists("C:\\Temp\\Huge"));
    EXPECT_TRUE(machine.Exists("C:\\Temp\\after.tmp")) << "the run stops at the next item";
    EXPECT_EQ(StatusOf(0), "Err");
    EXPECT_EQ(StatusOf(1), "Junk");
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Actual process aborted!");
    EXPECT_EQ(ui.messages[0].icon, foundation::MessageIcon::Information);
    auto body = LogBody();
    ASSERT_GE(body.size(), 2u);
    EXPECT_EQ(body[body.size() - 2], ": Actual process aborted...");
    EXPECT_EQ(body.back(), ": Finish...");
    EXPECT_EQ(machine.ReadFile(kLastScan), context.log.Text());
    EXPECT_EQ(ui.openedDocuments, std::vector<std::string>{kLastScan});
    EXPECT_FALSE(context.abortRequested);
    EXPECT_TRUE(page.quickScanEnabled.Get());
    EXPECT_FALSE(page.cleanUpEnabled.Get());
    EXPECT_FALSE(page.abortEnabled.Get());
}

TEST_F(CleanUpTest, ResultMessageNamesTheFailures) {
    EXPECT_EQ(CleanUpResultMessage({}), "All done successfully!");
    EXPECT_EQ(CleanUpResultMessage({"C:\\a", "C:\\b"}),
              "Clean-up finished, but some objects could not be deleted:\rC:\\a\rC:\\b");
    std::vector<std::string> many;
    std::string expected = "Clean-up finished, but some objects could not be deleted:\r";
    for (int i = 0; i < 13; ++i) {
        many.push_back("C:\\f" + std::to_string(i));
        if (i < 10) expected += (i ? "\r" : "") + many.back();
    }
    expected += "\rand 3 more";
    EXPECT_EQ(CleanUpResultMessage(many), expected);
}

TEST_F(CleanUpTest, DeepFolderTreesAreCopiedAndRemovedOnASmallStack) {
    // Walked on a stack that a recursion per level would overflow. Every folder waiting for
    // its subfolders holds descriptors, so the depth stays within the descriptor limit.
    constexpr size_t kDepth = 400;
    rlimit limit{};
    getrlimit(RLIMIT_NOFILE, &limit);
    limit.rlim_cur = std::max<rlim_t>(limit.rlim_cur, std::min<rlim_t>(limit.rlim_max, 4096));
    setrlimit(RLIMIT_NOFILE, &limit);
    machine.MakeDirectory("C:\\T");
    scourwell::testing::MakeDeepChain(machine.Host("C:\\T"), kDepth, false);
    bool removed = false;
    FolderCopyReport report;
    scourwell::testing::RunWithStack(128 * 1024, [&] {
        store.QuarantineFolder("C:\\T", "", "*.*", &report);
        removed = DeleteFolderTree(context, page.excluded, "C:\\T", "*.*");
    });
    std::string bottom = "C:\\T";
    for (size_t i = 0; i < kDepth; ++i) bottom += "\\d";
    EXPECT_EQ(report.copied, std::vector<std::string>{bottom + "\\bottom.txt"});
    EXPECT_TRUE(removed);
    EXPECT_FALSE(machine.Exists("C:\\T"));
    if (machine.Exists("C:\\T")) scourwell::testing::RemoveDeepChain(machine.Host("C:\\T"));
}

TEST_F(CleanUpTest, TreesTenThousandLevelsDeepAreCopiedAndRemovedWithinTheDescriptorLimit) {
    // Deeper than a host path can name, with 1,024 descriptors and a small stack: the bottom
    // file is copied and every level is removed, and no descriptor stays open.
    constexpr size_t kDepth = 10'000;
    machine.MakeDirectory("C:\\T");
    scourwell::testing::MakeDeepChain(machine.Host("C:\\T"), kDepth, false);
    const int before = scourwell::testing::OpenDescriptorCount();
    bool removed = false;
    FolderCopyReport report;
    {
        scourwell::testing::DescriptorLimit limit(1024);
        scourwell::testing::RunWithStack(256 * 1024, [&] {
            store.QuarantineFolder("C:\\T", "", "*.*", &report);
            removed = DeleteFolderTree(context, page.excluded, "C:\\T", "*.*",
                                       [&report](const platform::FileIdentity& file) {
                                           return report.WasCopied(file);
                                       });
        });
    }
    EXPECT_EQ(scourwell::testing::OpenDescriptorCount(), before);
    std::string bottom = "C:\\T";
    for (size_t i = 0; i < kDepth; ++i) bottom += "\\d";
    bottom += "\\bottom.txt";
    EXPECT_EQ(report.copied, std::vector<std::string>{bottom});
    EXPECT_TRUE(report.failed.empty());
    ASSERT_EQ(store.index.Count(), 1u);
    EXPECT_EQ(foundation::ExtractField(store.index[0], 2), bottom);
    EXPECT_TRUE(removed);
    EXPECT_FALSE(machine.Exists("C:\\T"));
    if (machine.Exists("C:\\T")) scourwell::testing::RemoveDeepChain(machine.Host("C:\\T"));
}

TEST_F(CleanUpTest, DeleteFolderTreeRemovesNestedFolders) {
    machine.WriteFile("C:\\T\\a\\b\\c\\d.txt", "x");
    machine.WriteFile("C:\\T\\e.txt", "x");
    machine.MakeDirectory("C:\\T\\empty");
    EXPECT_TRUE(DeleteFolderTree(context, page.excluded, "C:\\T", "*.*"));
    EXPECT_FALSE(machine.Exists("C:\\T"));
    EXPECT_FALSE(DeleteFolderTree(context, page.excluded, "C:\\T", "*.*"));
}

}  // namespace
}  // namespace scourwell::quarantine::test

// Events run between objects; what the user does meanwhile must not make the clean-up act on
// objects that are not the ones it was started on.
namespace scourwell::quarantine::test {
namespace {

class CleanUpWhileEventsRunTest : public CleanUpTest {
  protected:
    void AddFound(const std::string& name, const std::string& kind) {
        machine.WriteFile("C:\\Temp\\" + name + (kind == "Folder" ? "\\inner.bin" : ""), "junk");
        foundation::ScanResultRow row;
        row.name = name;
        row.kind = kind;
        row.location = "C:\\Temp\\";
        row.size = "4";
        row.status = "Junk";
        scan::AddFoundObject(page, row);
    }
};

TEST_F(CleanUpWhileEventsRunTest, AScanRequestedDuringTheCleanUpIsRefused) {
    scan::WelcomeDriveStatus welcome;
    scan::CustomScanDialog dialog{context};
    scan::ScanDriver driver{page, welcome, dialog};
    AddFound("a.tmp", "File");
    AddFound("b.tmp", "File");
    // "Scan Now" on the Welcome page stays usable while the clean-up runs.
    ui.AtPump(2, [&] { driver.Button23Click(); });

    clean(page, store);

    EXPECT_EQ(ui.messages.front().text, scan::kCleanUpRunning);
    EXPECT_TRUE(ui.questions.empty());
    ASSERT_EQ(page.list1.Count(), 2u);
    EXPECT_EQ(StatusOf(0), "Ok");
    EXPECT_EQ(StatusOf(1), "Ok");
    EXPECT_FALSE(context.cleanUpRunning);
}

TEST_F(CleanUpWhileEventsRunTest, AFilterChangeDuringTheCleanUpKeepsEachObjectItsOwnRow) {
    AddFound("cache", "Folder");
    AddFound("a.tmp", "File");
    AddFound("b.tmp", "File");
    // Before the second object the user shows only files: the list is rebuilt as a.tmp, b.tmp.
    ui.AtPump(2, [&] { page.kindFilter.Set(1); });

    clean(page, store);

    EXPECT_FALSE(machine.Exists("C:\\Temp\\cache"));
    EXPECT_FALSE(machine.Exists("C:\\Temp\\a.tmp"));
    EXPECT_FALSE(machine.Exists("C:\\Temp\\b.tmp"));
    ASSERT_EQ(page.list1.Count(), 2u);
    EXPECT_EQ(page.list1.Item(0).caption, "a.tmp");
    EXPECT_EQ(StatusOf(0), "Ok");
    EXPECT_EQ(StatusOf(1), "Ok");
    EXPECT_EQ(ui.messages.back().text, "All done successfully!");
}

}  // namespace
}  // namespace scourwell::quarantine::test
