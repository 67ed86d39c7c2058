#include "quarantine/quarantine_store.h"

#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <set>
#include <string>
#include <vector>

#include "foundation/record_lines.h"
#include "foundation/text.h"
#include "platform/registry.h"
#include "quarantine/registry_backup.h"
#include "tests/quarantine/quarantine_fixture.h"

namespace scourwell::quarantine::test {
namespace {

using foundation::ExtractField;

constexpr const char* kHelloDigest = "5d41402abc4b2a76b9719d911017c592";  // MD5 of "hello"

TEST(QuarantineNames, FlattenedNameDropsBackslashesAndColons) {
    EXPECT_EQ(FlattenedName("C:\\Temp\\a.exe"), "CTempa.exe");
    EXPECT_EQ(FlattenedName("C:\\ab\\c"), FlattenedName("C:\\a\\bc"));
    EXPECT_EQ(FlattenedName(""), "");
}

TEST_F(QuarantineTest, EntryTimeLeavesOutMidnight) {
    EXPECT_EQ(EntryTimeText(ui.Now()), kNowText);
    std::tm midnight{};
    midnight.tm_year = 2026 - 1900;
    midnight.tm_mon = 0;
    midnight.tm_mday = 2;
    midnight.tm_isdst = -1;
    EXPECT_EQ(EntryTimeText(std::chrono::system_clock::from_time_t(std::mktime(&midnight))),
              "02.01.2026");
}

TEST_F(QuarantineTest, QuarantineFileStoresCopyAndEntry) {
    machine.WriteFile("C:\\Temp\\a.exe", "hello");

    ASSERT_TRUE(store.QuarantineFile("C:\\Temp\\a.exe"));

    const std::string line =
        std::string(kNowText) + ";0;C:\\Temp\\a.exe;;" + kHelloDigest + ";5;CTempa.exe;";
    ASSERT_EQ(store.index.Count(), 1u);
    EXPECT_EQ(store.index[0], line);
    EXPECT_EQ(machine.ReadFile(Stored("CTempa.exe")), "hello");
    EXPECT_TRUE(machine.Exists("C:\\Temp\\a.exe")) << "quarantining alone never deletes";
    EXPECT_EQ(IndexFileText(), line + "\r\n");

    ASSERT_EQ(store.cList1.Count(), 1u);
    const auto& row = store.cList1.Item(0);
    EXPECT_EQ(row.caption, kNowText);
    EXPECT_EQ(row.SubItem(kQColStatus), "Quarantined");
    EXPECT_EQ(row.SubItem(kQColDetected), "");
    EXPECT_EQ(row.SubItem(kQColObject), "C:\\Temp\\a.exe");
    EXPECT_EQ(store.cList1.Columns(),
              (std::vector<std::string>{"Time", "Status", "Detected", "Object"}));
    EXPECT_TRUE(store.cList1.HasCheckBoxes());
}

TEST_F(QuarantineTest, QuarantineFileOfMissingOrUnsafePathAddsNothing) {
    machine.WriteFile("C:\\Temp\\x;y.exe", "abc");
    EXPECT_FALSE(store.QuarantineFile("C:\\Temp\\missing.exe"));
    // A ";" would shift the fields of its index line.
    EXPECT_FALSE(store.QuarantineFile("C:\\Temp\\x;y.exe"));
    EXPECT_TRUE(store.index.Empty());
    EXPECT_FALSE(machine.Exists(Stored("CTempx;y.exe")));
}

TEST_F(QuarantineTest, PathsWithALineBreakAreRefused) {
    // Host names may hold line breaks; written into the index they would split its line.
    machine.WriteFile("C:\\Temp\\bad\nname.exe", "abc");
    machine.WriteFile("C:\\Temp\\bad\rname.exe", "abc");
    EXPECT_FALSE(store.QuarantineFile("C:\\Temp\\bad\nname.exe"));
    EXPECT_FALSE(store.QuarantineFile("C:\\Temp\\bad\rname.exe"));
    FolderCopyReport report;
    store.QuarantineFolder("C:\\Temp", "", "*.*", &report);
    EXPECT_TRUE(report.copied.empty());
    EXPECT_EQ(report.failed.size(), 2u);
    EXPECT_TRUE(store.index.Empty());
}

TEST_F(QuarantineTest, QuarantiningTwiceOverwritesTheCopyAndAddsASecondLine) {
    machine.WriteFile("C:\\Temp\\a.exe", "first");
    ASSERT_TRUE(store.QuarantineFile("C:\\Temp\\a.exe"));
    ui.Advance(std::chrono::seconds(1));
    machine.WriteFile("C:\\Temp\\a.exe", "second");
    ASSERT_TRUE(store.QuarantineFile("C:\\Temp\\a.exe"));

    ASSERT_EQ(store.index.Count(), 2u);
    EXPECT_EQ(ExtractField(store.index[0], 6), "CTempa.exe");
    EXPECT_EQ(ExtractField(store.index[1], 6), "CTempa.exe");
    EXPECT_NE(ExtractField(store.index[0], 0), ExtractField(store.index[1], 0));
    EXPECT_EQ(machine.ReadFile(Stored("CTempa.exe")), "second");

    // Restoring one line deletes the shared copy; the other line goes at the next refresh.
    platform::DeleteDataFile("C:\\Temp\\a.exe");
    store.cList1.SetChecked(1, true);
    ASSERT_TRUE(store.RestoreQuarantined());
    EXPECT_EQ(machine.ReadFile("C:\\Temp\\a.exe"), "second");
    store.RefreshQuarantineView();
    EXPECT_TRUE(store.index.Empty());
    EXPECT_EQ(store.cList1.Count(), 0u);
}

TEST_F(QuarantineTest, PathsThatFlattenAlikeKeepSeparateCopies) {
    struct Case {
        std::string path;
        std::string contents;
        std::string storedName;
    };
    const std::vector<Case> cases = {
        {"C:\\ab\\c", "one", "Cabc"},           {"C:\\a\\bc", "two", "Cabc~2"},
        {"C:\\ab\\c.exe", "three", "Cabc.exe"}, {"C:\\a\\bc.exe", "four", "Cabc~2.exe"},
        {"C:\\abc.exe", "five", "Cabc~3.exe"},
    };
    for (const auto& c : cases) machine.WriteFile(c.path, c.contents);
    for (const auto& c : cases) ASSERT_TRUE(store.QuarantineFile(c.path)) << c.path;
    // The same path again keeps its own name (and overwrites its own copy).
    machine.WriteFile("C:\\a\\bc", "two again");
    ASSERT_TRUE(store.QuarantineFile("C:\\a\\bc"));

    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        for (const auto& line : store.index.Lines()) {
            if (ExtractField(line, 2) == c.path) {
                EXPECT_EQ(ExtractField(line, 6), c.storedName);
            }
        }
        EXPECT_EQ(machine.ReadFile(Stored(c.storedName)),
                  c.path == "C:\\a\\bc" ? "two again" : c.contents);
    }

    // Each restores its own bytes.
    for (const auto& c : cases) platform::DeleteDataFile(c.path);
    for (size_t i = 0; i < store.cList1.Count(); ++i) store.cList1.SetChecked(i, true);
    ASSERT_TRUE(store.RestoreQuarantined());
    EXPECT_EQ(machine.ReadFile("C:\\ab\\c"), "one");
    EXPECT_EQ(machine.ReadFile("C:\\a\\bc"), "two again");
    EXPECT_EQ(machine.ReadFile("C:\\abc.exe"), "five");
    EXPECT_EQ(machine.ReadFile("C:\\a\\bc.exe"), "four");
}

// Sources that differ only in case, in ASCII or beyond, keep a copy each, and restoring one
// entry writes that entry's own bytes: names in the quarantine folder are compared and looked
// up exactly as stored.
TEST_F(QuarantineTest, SourcesThatDifferOnlyInCaseKeepACopyEach) {
    struct Case {
        std::string path;
        std::string contents;
        std::string storedName;
        bool restored;
    };
    const std::vector<Case> cases = {
        {"C:\\Temp\\x.exe", "victim's x", "CTempx.exe", true},
        {"C:\\Temp\\X.exe", "attacker's X", "CTempX.exe", false},
        {"C:\\Temp\\\xc3\xa4.exe", "victim's a-umlaut", "CTemp\xc3\xa4.exe", true},
        {"C:\\Temp\\\xc3\x84.exe", "attacker's A-umlaut", "CTemp\xc3\x84.exe", false},
    };
    for (const auto& c : cases) machine.WriteFile(c.path, c.contents);
    for (const auto& c : cases) ASSERT_TRUE(store.QuarantineFile(c.path)) << c.path;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(machine.ReadFile(Stored(c.storedName)), c.contents);
        std::filesystem::remove(machine.Host(c.path));
    }
    for (size_t row = 0; row < store.cList1.Count(); ++row) {
        const std::string object = store.cList1.Item(row).SubItem(kQColObject);
        for (const auto& c : cases)
            if (c.path == object && c.restored) store.cList1.SetChecked(row, true);
    }
    ASSERT_TRUE(store.RestoreQuarantined());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        if (c.restored) {
            EXPECT_EQ(machine.ReadFile(c.path), c.contents);
        } else {
            EXPECT_FALSE(std::filesystem::exists(machine.Host(c.path)));
            EXPECT_EQ(machine.ReadFile(Stored(c.storedName)), c.contents);
        }
    }
}

// A folder holding Data.bin and data.bin: both are copied, so both may go.
TEST_F(QuarantineTest, AFolderWithNamesThatDifferInCaseKeepsBothCopies) {
    machine.WriteFile("C:\\Tool\\Data.bin", "upper");
    machine.WriteFile("C:\\Tool\\data.bin", "lower");
    FolderCopyReport report;
    store.QuarantineFolder("C:\\Tool", "", "*.*", &report);
    EXPECT_EQ(report.copied.size(), 2u);
    EXPECT_EQ(machine.ReadFile(Stored("CToolData.bin")), "upper");
    EXPECT_EQ(machine.ReadFile(Stored("CTooldata.bin")), "lower");
    EXPECT_TRUE(report.WasCopied(*platform::IdentifyObject("C:\\Tool\\Data.bin")));
    EXPECT_TRUE(report.WasCopied(*platform::IdentifyObject("C:\\Tool\\data.bin")));
    EXPECT_EQ(store.index.Count(), 2u);
}

TEST_F(QuarantineTest, EmptyFolderAddsNothingAndStillRefreshes) {
    machine.MakeDirectory("C:\\Empty");
    store.QuarantineFolder("C:\\Empty", "", "*.*");
    EXPECT_TRUE(store.index.Empty());
    EXPECT_EQ(IndexFileText(), "");
}

TEST_F(QuarantineTest, QuarantineFolderCopiesTheWholeTree) {
    machine.WriteFile("C:\\Tool\\run.exe", "hello");
    machine.WriteFile("C:\\Tool\\lib\\x.dll", "0123456789");
    machine.WriteFile("C:\\Tool\\bad;name.dat", "x");

    FolderCopyReport report;
    store.QuarantineFolder("C:\\Tool\\", "", "*.*", &report);

    ASSERT_EQ(store.index.Count(), 2u);
    for (const auto& line : store.index.Lines()) {
        const std::string path = ExtractField(line, 2);
        EXPECT_EQ(ExtractField(line, 1), "0");
        EXPECT_EQ(ExtractField(line, 6), FlattenedName(path));
        EXPECT_EQ(ExtractField(line, 5), path == "C:\\Tool\\run.exe" ? "5" : "10");
        EXPECT_TRUE(machine.Exists(Stored(FlattenedName(path))));
    }
    EXPECT_EQ(ExtractField(store.index[1], 4).size(), 32u);
    EXPECT_TRUE(report.WasCopied(*platform::IdentifyObject("c:\\tool\\LIB\\x.dll")));
    EXPECT_FALSE(report.WasCopied(*platform::IdentifyObject("C:\\Tool\\bad;name.dat")));
    EXPECT_EQ(report.failed, std::vector<std::string>{"C:\\Tool\\bad;name.dat"});
    EXPECT_EQ(store.cList1.Count(), 2u);
}

TEST_F(QuarantineTest, QuarantineFolderStopsAtAbort) {
    for (int i = 0; i < 5; ++i) machine.WriteFile("C:\\Big\\f" + std::to_string(i), "x");
    // "Abort" pressed once two files are in; copies serve events too, so count files, not pumps.
    ui.When([this] { return store.index.Count() == 2; }, [this] { context.abortRequested = true; });
    store.QuarantineFolder("C:\\Big", "", "*.*");
    EXPECT_EQ(store.index.Count(), 2u);
}

TEST_F(QuarantineTest, HandDeletedCopyIsPurgedOnRefresh) {
    machine.WriteFile("C:\\Temp\\a.exe", "a");
    machine.WriteFile("C:\\Temp\\b.exe", "b");
    ASSERT_TRUE(store.QuarantineFile("C:\\Temp\\a.exe"));
    ASSERT_TRUE(store.QuarantineFile("C:\\Temp\\b.exe"));
    ASSERT_EQ(store.cList1.Count(), 2u);

    ASSERT_TRUE(platform::DeleteDataFile(Stored("CTempa.exe")));
    store.RefreshQuarantineView();

    ASSERT_EQ(store.cList1.Count(), 1u);
    EXPECT_EQ(store.cList1.Item(0).SubItem(kQColObject), "C:\\Temp\\b.exe");
    EXPECT_EQ(IndexFileText().find("a.exe"), std::string::npos);
    EXPECT_NE(IndexFileText().find("C:\\Temp\\b.exe"), std::string::npos);
}

TEST_F(QuarantineTest, RestoreRecreatesTheFolderChainByteForByte) {
    const std::string bytes("MZ\0\x01\r\n\xff tail\r", 12);
    machine.WriteFile("C:\\Data\\deep\\er\\tool.exe", bytes);
    ASSERT_TRUE(store.QuarantineFile("C:\\Data\\deep\\er\\tool.exe"));
    ASSERT_TRUE(platform::DeleteDataFile("C:\\Data\\deep\\er\\tool.exe"));
    ASSERT_TRUE(platform::RemoveDataFolder("C:\\Data\\deep\\er"));
    ASSERT_TRUE(platform::RemoveDataFolder("C:\\Data\\deep"));

    store.cList1.SetSelected(0, true);
    ASSERT_TRUE(store.RestoreQuarantined());

    EXPECT_EQ(machine.ReadFile("C:\\Data\\deep\\er\\tool.exe"), bytes);
    EXPECT_EQ(store.cList1.Item(0).SubItem(kQColStatus), "Restored");
    EXPECT_FALSE(machine.Exists(Stored("CDatadeepertool.exe")));
    // The line is blanked until the next refresh, and saved so.
    EXPECT_EQ(store.index.Count(), 1u);
    EXPECT_EQ(store.index[0], "");
    EXPECT_EQ(IndexFileText(), "\r\n");
    // A restored row does not take part again.
    EXPECT_FALSE(store.RestoreQuarantined());
    store.RefreshQuarantineView();
    EXPECT_TRUE(store.index.Empty());
    EXPECT_EQ(IndexFileText(), "");
}

TEST_F(QuarantineTest, OverLongStoredNamesAreShortenedAndStayApart) {
    // Paths of about 300 characters that differ only near their end, one in a name of
    // several-byte characters: each gets a copy of its own under a name the host takes.
    const std::string folder = "C:\\" + std::string(120, 'a') + "\\" + std::string(120, 'b') + "\\";
    const std::string paths[] = {
        folder + std::string(60, 'c') + "1.exe",
        folder + std::string(60, 'c') + "2.exe",
        folder + "\xc3\xa4\xc3\xa4\xc3\xa4" + std::string(57, 'c') + "1.exe",
    };
    std::set<std::string> storedNames;
    for (const std::string& path : paths) {
        machine.WriteFile(path, "bytes of " + path);
        ASSERT_TRUE(store.QuarantineFile(path)) << path;
    }
    ASSERT_EQ(store.index.Count(), 3u);
    for (const auto& line : store.index.Lines()) {
        const std::string stored = ExtractField(line, 6);
        EXPECT_LE(stored.size(), 255u);
        EXPECT_TRUE(IsPlainStoredName(stored)) << stored;
        EXPECT_TRUE(foundation::EndsWith(stored, ".exe")) << stored;
        EXPECT_EQ(machine.ReadFile(Stored(stored)), "bytes of " + ExtractField(line, 2));
        storedNames.insert(stored);
    }
    EXPECT_EQ(storedNames.size(), 3u);

    // Read back from the index file and restored from there.
    ASSERT_TRUE(platform::DeleteDataFile(paths[1]));
    QuarantineStore again{context};
    again.LoadAtStartup();
    again.RefreshQuarantineView();
    ASSERT_EQ(again.cList1.Count(), 3u);
    for (size_t row = 0; row < again.cList1.Count(); ++row)
        again.cList1.SetSelected(row, again.cList1.Item(row).SubItem(kQColObject) == paths[1]);
    ASSERT_TRUE(again.RestoreQuarantined());
    EXPECT_EQ(machine.ReadFile(paths[1]), "bytes of " + paths[1]);
}

TEST_F(QuarantineTest, RestoreNeverOverwritesAnExistingFile) {
    machine.WriteFile("C:\\Temp\\a.exe", "quarantined");
    ASSERT_TRUE(store.QuarantineFile("C:\\Temp\\a.exe"));
    machine.WriteFile("C:\\Temp\\a.exe", "newer file");
    const std::string line = store.index[0];

    store.cList1.SetChecked(0, true);
    EXPECT_FALSE(store.RestoreQuarantined());

    EXPECT_EQ(store.cList1.Item(0).SubItem(kQColStatus), "Failed");
    EXPECT_EQ(machine.ReadFile("C:\\Temp\\a.exe"), "newer file");
    EXPECT_EQ(machine.ReadFile(Stored("CTempa.exe")), "quarantined");
    EXPECT_EQ(store.index[0], line);
}

TEST_F(QuarantineTest, RestoreTakesOnlyMarkedRows) {
    machine.WriteFile("C:\\Temp\\a.exe", "a");
    machine.WriteFile("C:\\Temp\\b.exe", "b");
    ASSERT_TRUE(store.QuarantineFile("C:\\Temp\\a.exe"));
    ASSERT_TRUE(store.QuarantineFile("C:\\Temp\\b.exe"));
    platform::DeleteDataFile("C:\\Temp\\a.exe");
    platform::DeleteDataFile("C:\\Temp\\b.exe");

    EXPECT_FALSE(store.RestoreQuarantined());
    EXPECT_FALSE(machine.Exists("C:\\Temp\\a.exe"));

    store.cList1.SetChecked(1, true);
    ASSERT_TRUE(store.RestoreQuarantined());
    EXPECT_FALSE(machine.Exists("C:\\Temp\\a.exe"));
    EXPECT_EQ(machine.ReadFile("C:\\Temp\\b.exe"), "b");
    EXPECT_EQ(store.cList1.Item(0).SubItem(kQColStatus), "Quarantined");
}

TEST_F(QuarantineTest, RestoreFindsTheMarkedRowsLineAfterTheIndexWasSortedAgain) {
    for (const char* name : {"a", "b", "c"})
        machine.WriteFile(std::string("C:\\Temp\\") + name + ".exe", name);
    for (const char* name : {"a", "b", "c"})
        ASSERT_TRUE(store.QuarantineFile(std::string("C:\\Temp\\") + name + ".exe"));
    for (const char* name : {"a", "b", "c"})
        platform::DeleteDataFile(std::string("C:\\Temp\\") + name + ".exe");
    // Restoring c leaves a blank line in the index until the next refresh...
    store.cList1.SetChecked(2, true);
    ASSERT_TRUE(store.RestoreQuarantined());
    store.cList1.SetChecked(2, false);
    // ...and an add that fails sorts the index again, the blank line first, without a refresh.
    EXPECT_FALSE(store.QuarantineFile("C:\\Temp\\vanished.exe"));

    store.cList1.SetChecked(1, true);  // the row that shows b
    ASSERT_TRUE(store.RestoreQuarantined());
    EXPECT_EQ(machine.ReadFile("C:\\Temp\\b.exe"), "b");
    EXPECT_FALSE(machine.Exists("C:\\Temp\\a.exe"));
    EXPECT_EQ(store.cList1.Item(0).SubItem(kQColStatus), "Quarantined");
    EXPECT_EQ(store.cList1.Item(1).SubItem(kQColStatus), "Restored");
}

TEST_F(QuarantineTest, StoredNamesThatLeaveTheQuarantineFolderAreNeverUsed) {
    machine.WriteFile(kDataFolder + "precious.txt", "keep me");
    machine.WriteFile(Stored("Tool"), "2\r\nSoftware\\Run\r\nTool\r\nstr\r\nx\r\n");
    // Index lines as a damaged or hostile "quarantine.list" could hold them.
    store.AddEntryLine(std::string(kNowText) + ";1;;;2;Software\\Run;Tool;..\\precious.txt;");
    store.AddEntryLine(std::string(kNowText) + ";0;C:\\Temp\\a.exe;;;3;..\\precious.txt;");

    EXPECT_TRUE(store.ClearQuarantine());
    EXPECT_EQ(machine.ReadFile(kDataFolder + "precious.txt"), "keep me");

    store.AddEntryLine(std::string(kNowText) + ";0;C:\\Temp\\a.exe;;;3;..\\precious.txt;");
    store.RefreshQuarantineView();
    EXPECT_TRUE(store.index.Empty()) << "a stored name outside the folder names no copy";
    EXPECT_TRUE(machine.Exists(kDataFolder + "precious.txt"));
}

TEST_F(QuarantineTest, RestoreWritesARegistryValueBack) {
    ASSERT_TRUE(platform::RegistryKey::Open(platform::RootKey::CurrentUser, "Software\\Run", true)
                    ->WriteString("Tool", "C:\\Tools\\x.exe /min"));
    ASSERT_TRUE(store.EnsureQuarantineFolder());
    ASSERT_TRUE(BackupRegistryValue(platform::RootKey::CurrentUser, "Software\\Run", "Tool",
                                    Stored("Tool")));
    EXPECT_EQ(machine.ReadFile(Stored("Tool")),
              "1\r\nSoftware\\Run\r\nTool\r\nstr\r\nC:\\Tools\\x.exe /min\r\n");
    store.AddEntryLine(std::string(kNowText) + ";1;;;1;Software\\Run;Tool;Tool;");
    store.RefreshQuarantineView();
    ASSERT_EQ(store.cList1.Count(), 1u);
    EXPECT_EQ(store.cList1.Item(0).SubItem(kQColObject), "HKEY_CURRENT_USER\\Software\\Run\\Tool");
    ASSERT_TRUE(platform::DeleteRegistryKeyTree(platform::RootKey::CurrentUser, "Software\\Run"));

    store.cList1.SetChecked(0, true);
    ASSERT_TRUE(store.RestoreQuarantined());

    auto key = platform::RegistryKey::Open(platform::RootKey::CurrentUser, "Software\\Run", false);
    ASSERT_TRUE(key.has_value());
    auto value = key->ReadValue("Tool");
    ASSERT_TRUE(value.has_value());
    EXPECT_EQ(value->data, "C:\\Tools\\x.exe /min");
    EXPECT_EQ(store.cList1.Item(0).SubItem(kQColStatus), "Restored");
    EXPECT_FALSE(machine.Exists(Stored("Tool")));
}

TEST_F(QuarantineTest, ClearWithThreeFilesRecordsThemAsDeleted) {
    for (const char* path : {"C:\\Temp\\a.exe", "C:\\Temp\\b.exe", "C:\\Temp\\c.exe"}) {
        machine.WriteFile(path, "x");
        ASSERT_TRUE(store.QuarantineFile(path));
    }
    AddRegistryEntry("2", "Software\\Run", "Tool", "2\r\nSoftware\\Run\r\nTool\r\nint\r\n1\r\n");
    ui.Advance(std::chrono::minutes(5));

    EXPECT_TRUE(store.ClearQuarantine());

    EXPECT_EQ(machine.ReadFile(kDeletedFile),
              "C:\\Temp\\a.exe;06.12.2026 14:35:05;\r\n"
              "C:\\Temp\\b.exe;06.12.2026 14:35:05;\r\n"
              "C:\\Temp\\c.exe;06.12.2026 14:35:05;\r\n");
    for (const char* name : {"CTempa.exe", "CTempb.exe", "CTempc.exe", "Tool"}) {
        EXPECT_FALSE(machine.Exists(Stored(name))) << name;
    }
    EXPECT_TRUE(store.index.Empty());
    EXPECT_EQ(store.cList1.Count(), 0u);
    EXPECT_EQ(IndexFileText(), "");
}

TEST_F(QuarantineTest, ClearWithOnlyRegistryEntriesReturnsFalse) {
    AddRegistryEntry("2", "Software\\Run", "Tool", "2\r\nSoftware\\Run\r\nTool\r\nint\r\n1\r\n");
    ASSERT_EQ(store.cList1.Count(), 1u);

    EXPECT_FALSE(store.ClearQuarantine());

    EXPECT_FALSE(machine.Exists(Stored("Tool")));
    EXPECT_TRUE(store.index.Empty());
    EXPECT_TRUE(store.deleted.Empty());
    EXPECT_EQ(machine.ReadFile(kDeletedFile), "");
}

TEST_F(QuarantineTest, ClearRightAfterARestoreSkipsTheBlankLines) {
    machine.WriteFile("C:\\Temp\\a.exe", "a");
    machine.WriteFile("C:\\Temp\\b.exe", "b");
    ASSERT_TRUE(store.QuarantineFile("C:\\Temp\\a.exe"));
    ASSERT_TRUE(store.QuarantineFile("C:\\Temp\\b.exe"));
    platform::DeleteDataFile("C:\\Temp\\a.exe");
    store.cList1.SetChecked(0, true);
    ASSERT_TRUE(store.RestoreQuarantined());

    EXPECT_TRUE(store.ClearQuarantine());
    EXPECT_EQ(store.deleted.Count(), 1u);
    EXPECT_FALSE(machine.Exists(Stored("CTempb.exe")));
}

// "Clear All" clears every entry it can: a line it cannot read stays (wherever it sorts), as
// does an entry whose copy will not go; every cleared entry is in "d.list" and out of the
// saved index.
TEST_F(QuarantineTest, ClearAllGoesPastLinesItCannotClear) {
    const struct {
        const char* garbage;
        bool lockB;
    } cases[] = {
        {"zz not an entry;x;", false},  // sorted after the entries
        {"!! not an entry;", false},    // sorted before them
        {"", true},                     // no garbage; b's copy is held open
    };
    for (const auto& c : cases) {
        machine.WriteFile("C:\\Temp\\a.exe", "a");
        machine.WriteFile("C:\\Temp\\b.exe", "b");
        ASSERT_TRUE(store.QuarantineFile("C:\\Temp\\a.exe"));
        ASSERT_TRUE(store.QuarantineFile("C:\\Temp\\b.exe"));
        const std::string bLine = store.index[1];
        platform::SetDataFileAttributes(Stored("CTempa.exe"), platform::kAttrReadOnly);
        if (*c.garbage) store.AddEntryLine(c.garbage);
        std::optional<platform::FileLock> lock;
        if (c.lockB) lock.emplace(Stored("CTempb.exe"));

        EXPECT_TRUE(store.ClearQuarantine()) << c.garbage;

        std::string expectedIndex = *c.garbage ? std::string(c.garbage) + "\r\n" : "";
        if (c.lockB) expectedIndex = bLine + "\r\n";
        EXPECT_EQ(IndexFileText(), expectedIndex) << c.garbage;
        EXPECT_FALSE(machine.Exists(Stored("CTempa.exe")));
        EXPECT_EQ(machine.Exists(Stored("CTempb.exe")), c.lockB);
        const std::string deleted = machine.ReadFile(kDeletedFile);
        EXPECT_NE(deleted.find("C:\\Temp\\a.exe;"), std::string::npos) << deleted;
        EXPECT_EQ(deleted.find("C:\\Temp\\b.exe;") != std::string::npos, !c.lockB) << deleted;
        EXPECT_EQ(store.cList1.Count(), c.lockB ? 1u : 0u);

        lock.reset();
        store.index.Clear();
        store.RefreshQuarantineView();
        store.ClearDeletedList();
        platform::DeleteDataFile(Stored("CTempb.exe"));
    }
}

// A long copy and digest serve events and show the file and how far it is; "Abort" stops them
// at once and leaves neither a copy nor an entry.
TEST_F(QuarantineTest, LongCopiesShowProgressAndStopAtAbort) {
    machine.WriteFile("C:\\Temp\\big.bin", std::string(24 << 20, 'b'));
    std::vector<std::string> shown;
    ui.When(
        [&] {
            shown.push_back(context.status.Text());
            return false;
        },
        [] {});
    ui.AtPump(1, [&] { context.abortRequested = true; });

    EXPECT_FALSE(store.QuarantineFile("C:\\Temp\\big.bin"));
    EXPECT_FALSE(machine.Exists(Stored("CTempbig.bin")));
    EXPECT_TRUE(store.index.Empty());
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown[0].rfind("Copying C:\\Temp\\big.bin: ", 0), 0u) << shown[0];
    EXPECT_NE(shown[0].find(" of 24.00MB"), std::string::npos) << shown[0];

    context.abortRequested = false;
    shown.clear();
    EXPECT_TRUE(store.QuarantineFile("C:\\Temp\\big.bin"));
    EXPECT_EQ(machine.ReadFile(Stored("CTempbig.bin")).size(), size_t{24} << 20);
    const auto checking = std::find_if(shown.begin(), shown.end(), [](const std::string& text) {
        return text.rfind("Checking C:\\Temp\\big.bin: ", 0) == 0;
    });
    EXPECT_NE(checking, shown.end());
}

TEST_F(QuarantineTest, LoadAtStartupReadsBothFilesSortedWithoutDuplicates) {
    machine.WriteFile(kIndexFile,
                      "07.12.2026;0;C:\\b.exe;;d;1;Cb.exe;\r\n"
                      "06.12.2026 10:00:00;0;C:\\a.exe;;d;1;Ca.exe;\r\n"
                      "06.12.2026 10:00:00;0;C:\\A.EXE;;D;1;CA.EXE;\r\n");
    machine.WriteFile(kDeletedFile, "C:\\z.exe;01.01.2026;\r\nC:\\y.exe;02.01.2026;\r\n");

    store.LoadAtStartup();

    ASSERT_EQ(store.index.Count(), 2u);
    EXPECT_EQ(ExtractField(store.index[0], 2), "C:\\a.exe");
    EXPECT_EQ(ExtractField(store.index[1], 2), "C:\\b.exe");
    ASSERT_EQ(store.deleted.Count(), 2u);
    EXPECT_EQ(store.deleted[0], "C:\\y.exe;02.01.2026;");
    EXPECT_EQ(store.cList1.Count(), 0u) << "the start-up refresh builds the view";
}

// Temporary files that killed writes left beside the lists and in the quarantine go at start.
TEST_F(QuarantineTest, LoadAtStartupRemovesWhatKilledWritesLeft) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) _exit(0);
    ASSERT_EQ(waitpid(child, nullptr, 0), child);
    const std::string dead = std::to_string(child);
    machine.WriteFile(kDataFolder + ".quarantine.list.scourwell-" + dead + "-4", "torn");
    machine.WriteFile(kQuarantine + "\\.CTempa.exe.scourwell-" + dead + "-0", "partial");
    machine.WriteFile(kQuarantine + "\\CTempb.exe", "a whole copy");

    store.LoadAtStartup();

    EXPECT_FALSE(machine.Exists(kDataFolder + ".quarantine.list.scourwell-" + dead + "-4"));
    EXPECT_FALSE(machine.Exists(kQuarantine + "\\.CTempa.exe.scourwell-" + dead + "-0"));
    EXPECT_TRUE(machine.Exists(kQuarantine + "\\CTempb.exe"));
}

TEST_F(QuarantineTest, LoadAtStartupWithoutFilesKeepsListsEmpty) {
    store.LoadAtStartup();
    EXPECT_TRUE(store.index.Empty());
    EXPECT_TRUE(store.deleted.Empty());
}

TEST_F(QuarantineTest, ListFilesAreReplacedNotRewrittenInPlace) {
    // A second name for the old file keeps the old bytes only when the save puts a new file
    // in place (a reader never sees a half-written list).
    auto hostText = [](const std::string& hostPath) {
        std::ifstream in(hostPath, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    };
    machine.WriteFile("C:\\Temp\\a.exe", "a");
    machine.WriteFile("C:\\Temp\\b.exe", "b");
    ASSERT_TRUE(store.QuarantineFile("C:\\Temp\\a.exe"));
    store.ClearQuarantine();
    ASSERT_TRUE(store.QuarantineFile("C:\\Temp\\a.exe"));
    const std::string oldIndex = IndexFileText();
    const std::string oldDeleted = machine.ReadFile(kDeletedFile);
    std::filesystem::create_hard_link(machine.Host(kIndexFile), machine.Root() + "/index.link");
    std::filesystem::create_hard_link(machine.Host(kDeletedFile), machine.Root() + "/d.link");

    ui.Advance(std::chrono::seconds(1));
    ASSERT_TRUE(store.QuarantineFile("C:\\Temp\\b.exe"));
    store.ClearQuarantine();

    EXPECT_EQ(hostText(machine.Root() + "/index.link"), oldIndex);
    EXPECT_EQ(hostText(machine.Root() + "/d.link"), oldDeleted);
    EXPECT_NE(machine.ReadFile(kDeletedFile), oldDeleted);
}

// --- registry backup files -------------------------------------------------------------------

TEST(RootKeyIndex, NamesAndRoots) {
    EXPECT_EQ(RootKeyIndexName(0), "HKEY_CLASSES_ROOT");
    EXPECT_EQ(RootKeyIndexName(2), "HKEY_LOCAL_MACHINE");
    EXPECT_EQ(RootKeyIndexName(4), "HKEY_CURRENT_CONFIG");
    EXPECT_EQ(RootKeyIndexName(5), "");
    EXPECT_EQ(RootKeyIndexName(-1), "");
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(RootKeyToIndex(IndexToRootKey(i, platform::RootKey::Users)), i);
    }
    EXPECT_EQ(IndexToRootKey(7, platform::RootKey::Users), platform::RootKey::Users);
}

class RegistryBackupTest : public QuarantineTest {};

TEST_F(RegistryBackupTest, RestoreRegistryValueCases) {
    struct Case {
        const char* name;
        std::string file;
        bool ok;
        platform::ValueType type;
        std::string data;
        uint32_t dword;
    };
    using platform::ValueType;
    const std::vector<Case> cases = {
        {"string", "1\r\nSoftware\\A\r\nv\r\nstr\r\nC:\\x.exe\r\n", true, ValueType::String,
         "C:\\x.exe", 0},
        {"empty string", "1\r\nSoftware\\A\r\nv\r\nstr\r\n\r\n", true, ValueType::String, "", 0},
        {"expandable string", "1\r\nSoftware\\A\r\nv\r\nexpstr\r\n%ProgramFiles%\\t.exe\r\n",
         true, ValueType::ExpandString, "%ProgramFiles%\\t.exe", 0},
        {"integer", "2\r\nSoftware\\A\r\nv\r\nint\r\n1\r\n", true, ValueType::Dword, "", 1},
        {"negative integer", "2\r\nSoftware\\A\r\nv\r\nint\r\n-1\r\n", true, ValueType::Dword, "",
         0xFFFFFFFFu},
        {"unknown type", "1\r\nSoftware\\A\r\nv\r\nbin\r\n00\r\n", false, ValueType::None, "", 0},
        {"bad number", "1\r\nSoftware\\A\r\nv\r\nint\r\nten\r\n", false, ValueType::None, "", 0},
        {"bad root", "9\r\nSoftware\\A\r\nv\r\nstr\r\nx\r\n", false, ValueType::None, "", 0},
        {"three lines", "1\r\nSoftware\\A\r\nv\r\n", false, ValueType::None, "", 0},
        // Read strictly: five lines, each ended by CR LF, and a root index of one digit 0-4.
        {"lone CR inside the data",
         "1\r\nSoftware\\A\r\nv\r\nstr\r\nC:\\Tools\\tool.exe\r-payload\r\n", false,
         ValueType::None, "", 0},
        {"lone LF inside the data", "1\r\nSoftware\\A\r\nv\r\nstr\r\nC:\\x.exe\n-payload\r\n",
         false, ValueType::None, "", 0},
        {"lines ended by LF", "1\nSoftware\\A\nv\nstr\nC:\\x.exe\n", false, ValueType::None, "",
         0},
        {"a sixth line", "1\r\nSoftware\\A\r\nv\r\nstr\r\nC:\\x.exe\r\nmore\r\n", false,
         ValueType::None, "", 0},
        {"bytes after the fifth line", "1\r\nSoftware\\A\r\nv\r\nstr\r\nC:\\x.exe\r\nx", false,
         ValueType::None, "", 0},
        {"last line not ended", "1\r\nSoftware\\A\r\nv\r\nstr\r\nC:\\x.exe", false,
         ValueType::None, "", 0},
        {"root -0", "-0\r\nSoftware\\A\r\nv\r\nstr\r\nx\r\n", false, ValueType::None, "", 0},
        {"root +1", "+1\r\nSoftware\\A\r\nv\r\nstr\r\nx\r\n", false, ValueType::None, "", 0},
        {"root 01", "01\r\nSoftware\\A\r\nv\r\nstr\r\nx\r\n", false, ValueType::None, "", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        platform::DeleteRegistryKeyTree(platform::RootKey::CurrentUser, "Software\\A");
        platform::DeleteRegistryKeyTree(platform::RootKey::LocalMachine, "Software\\A");
        machine.WriteFile("C:\\backup", c.file);
        EXPECT_EQ(RestoreRegistryValue("C:\\backup"), c.ok);
        long long root = c.file[0] - '0';
        // A refused file writes under no root (a root "-0" must not pass for 0).
        if (!c.ok) {
            for (platform::RootKey any :
                 {platform::RootKey::ClassesRoot, platform::RootKey::CurrentUser,
                  platform::RootKey::LocalMachine})
                EXPECT_FALSE(platform::RegistryKey::Open(any, "Software\\A", false).has_value());
        }
        auto key = platform::RegistryKey::Open(IndexToRootKey(root, platform::RootKey::CurrentUser),
                                               "Software\\A", false);
        if (!c.ok) {
            EXPECT_FALSE(key.has_value()) << "a bad backup file leaves no key behind";
            continue;
        }
        ASSERT_TRUE(key.has_value());
        auto value = key->ReadValue("v");
        ASSERT_TRUE(value.has_value());
        EXPECT_EQ(value->type, c.type);
        if (c.type != ValueType::Dword) {
            EXPECT_EQ(value->data, c.data);
        } else {
            EXPECT_EQ(value->dword, c.dword);
        }
    }
    EXPECT_FALSE(RestoreRegistryValue("C:\\no such backup"));
}

TEST_F(RegistryBackupTest, ExpandableStringKeepsItsType) {
    auto key = platform::RegistryKey::Open(platform::RootKey::LocalMachine, "Software\\E", true);
    ASSERT_TRUE(key->WriteString("path", "%windir%\\x.exe", true));
    ASSERT_TRUE(key->WriteDword("count", 1));
    ASSERT_TRUE(BackupRegistryValue(platform::RootKey::LocalMachine, "Software\\E", "path",
                                    "C:\\path.bak"));
    ASSERT_TRUE(BackupRegistryValue(platform::RootKey::LocalMachine, "Software\\E", "count",
                                    "C:\\count.bak"));
    EXPECT_EQ(machine.ReadFile("C:\\count.bak"), "2\r\nSoftware\\E\r\ncount\r\nint\r\n1\r\n");
    EXPECT_EQ(machine.ReadFile("C:\\path.bak"),
              "2\r\nSoftware\\E\r\npath\r\nexpstr\r\n%windir%\\x.exe\r\n");
    EXPECT_FALSE(BackupRegistryValue(platform::RootKey::LocalMachine, "Software\\E", "missing",
                                     "C:\\missing.bak"));
    EXPECT_FALSE(machine.Exists("C:\\missing.bak"));

    ASSERT_TRUE(platform::DeleteRegistryKeyTree(platform::RootKey::LocalMachine, "Software\\E"));
    ASSERT_TRUE(RestoreRegistryValue("C:\\path.bak"));
    auto value = platform::RegistryKey::Open(platform::RootKey::LocalMachine, "Software\\E", false)
                     ->ReadValue("path");
    ASSERT_TRUE(value.has_value());
    EXPECT_EQ(value->type, platform::ValueType::ExpandString);
    EXPECT_EQ(value->data, "%windir%\\x.exe");
}

}  // namespace
}  // namespace scourwell::quarantine::test
