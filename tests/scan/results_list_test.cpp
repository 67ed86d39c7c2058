#include "scan/results_list.h"

#include <gtest/gtest.h>

#include "scan/folder_scan.h"
#include "tests/scan/scan_fixture.h"

namespace scourwell::scan {
namespace {

using foundation::ScanResultRow;
using testing_support::ScanFixture;

ScanResultRow MakeRow(std::string name, std::string kind, std::string location, std::string size,
                      std::string status) {
    ScanResultRow row;
    row.name = std::move(name);
    row.kind = std::move(kind);
    row.location = std::move(location);
    row.size = std::move(size);
    row.status = std::move(status);
    return row;
}

long ItemIndex(const ScanPage& page, const std::string& caption) {
    for (size_t i = 0; i < page.list1.Count(); ++i)
        if (page.list1.Item(i).caption == caption) return static_cast<long>(i);
    return -1;
}

TEST(ResultsListTest, TotalCountsDecimalSizesOfEveryRowCheckedOrNot) {
    ScanFixture f;
    AddFoundObject(f.page, MakeRow("dir", "Folder", "C:\\A\\", "1024", "High"));
    AddFoundObject(f.page, MakeRow("file.bin", "File", "C:\\A\\", "512", "Ok"));
    AddFoundObject(f.page, MakeRow("bad.exe", "File", "C:\\A\\", "  1.00KB", "Infected"));
    updateList(f.page);
    EXPECT_EQ(f.page.freedSpace.Get(), "    1.50KB");

    f.page.list1.UserToggleCheck(static_cast<size_t>(ItemIndex(f.page, "file.bin")));
    EXPECT_EQ(f.page.freedSpace.Get(), "    1.50KB");
}

TEST(ResultsListTest, TotalIsEmptyWithOnlyMalwareRows) {
    ScanFixture f;
    AddFoundObject(f.page, MakeRow("bad.exe", "File", "C:\\A\\", "  1.00KB", "Infected"));
    AddFoundObject(f.page, MakeRow("Tool", "Folder", "C:\\Data\\", "n/a", "Infected"));
    updateList(f.page);
    EXPECT_EQ(f.page.freedSpace.Get(), "");
    // The malware size text is shown unchanged.
    EXPECT_EQ(f.page.list1.Item(1).SubItem(kColSize), "n/a");
}

TEST(ResultsListTest, ColourRuleGivesYellowToCriticalAndJunkAndBlueToCheckedItems) {
    struct Case {
        const char* status;
        bool checked;
        std::optional<uint32_t> colour;
    } cases[] = {
        {"Critical", true, foundation::kColourYellow},
        {"Critical", false, foundation::kColourYellow},
        {"Junk", true, foundation::kColourYellow},
        {"Junk", false, foundation::kColourYellow},
        {"High", true, foundation::kColourCheckedBlue},
        {"Infected", true, foundation::kColourCheckedBlue},
        {"High", false, std::nullopt},
        {"Ok", false, std::nullopt},
    };
    for (const Case& c : cases) {
        foundation::ListItem item{"x", {"File", "C:\\", "1", c.status}, c.checked, false};
        EXPECT_EQ(list1ItemColour(item), c.colour) << c.status << c.checked;
    }
    ScanFixture f;
    AddFoundObject(f.page, MakeRow("x", "File", "C:\\", "1", "Junk"));
    EXPECT_EQ(f.page.list1.Colour(0), foundation::kColourYellow);
}

TEST(ResultsListTest, SelectAndDoubleClickShowLocationsInTheStatusLine) {
    ScanFixture f;
    AddFoundObject(f.page, MakeRow("Temp", "Folder", "C:\\Windows\\", "5", "High"));
    AddFoundObject(f.page, MakeRow("a.log", "File", "C:\\Logs\\", "5", "High"));
    f.page.list1.UserSelect(0);
    EXPECT_EQ(f.context.status.Text(), "C:\\Windows\\");
    f.page.list1.UserDoubleClick(0);
    EXPECT_EQ(f.context.status.Text(), "C:\\Windows\\Temp\\");
    f.page.list1.UserDoubleClick(1);
    EXPECT_EQ(f.context.status.Text(), "C:\\Logs\\");
}

TEST(ResultsListTest, UncheckingRecordsTheExclusionAndRecheckingRemovesIt) {
    ScanFixture f;
    AddFoundObject(f.page, MakeRow("old", "Folder", "C:\\Temp\\", "100", "High"));
    AddFoundObject(f.page, MakeRow("new", "File", "C:\\Temp\\", "50", "High"));
    EXPECT_FALSE(f.page.results.IsSorted());

    f.page.list1.UserToggleCheck(0);
    EXPECT_TRUE(f.page.excluded.Contains("C:\\Temp\\old=;Folder;"));
    EXPECT_TRUE(f.page.results.IsSorted());
    const long row = f.page.results.Find("old", "C:\\Temp\\", "Folder");
    ASSERT_GE(row, 0);
    EXPECT_FALSE(f.page.results.Rows()[row].selected);
    EXPECT_EQ(f.page.results.Rows()[row].ToLine(), "old;Folder;C:\\Temp\\;100;High;0;");

    f.page.list1.UserToggleCheck(0);
    EXPECT_FALSE(f.page.excluded.Contains("C:\\Temp\\old=;Folder;"));
    EXPECT_TRUE(f.page.results.Rows()[f.page.results.Find("old", "C:\\Temp\\", "Folder")].selected);
}

TEST(ResultsListTest, AnUncheckedObjectStaysUncheckedAcrossAFilterChange) {
    ScanFixture f;
    AddFoundObject(f.page, MakeRow("old", "Folder", "C:\\Temp\\", "100", "High"));
    AddFoundObject(f.page, MakeRow("huge", "File", "C:\\Temp\\", "900", "Critical"));
    f.page.list1.UserToggleCheck(0);

    f.page.severityFilter.Set(1);  // "Critical"
    EXPECT_EQ(f.page.list1.Count(), 1u);
    EXPECT_EQ(f.page.list1.Item(0).caption, "huge");
    f.page.severityFilter.Set(0);  // "All"
    const long old = ItemIndex(f.page, "old");
    ASSERT_GE(old, 0);
    EXPECT_FALSE(f.page.list1.Item(old).checked);
    EXPECT_TRUE(f.page.excluded.Contains("C:\\Temp\\old=;Folder;"));
}

TEST(ResultsListTest, FiltersAcceptRowsByKindAndSeverity) {
    ScanFixture f;
    AddFoundObject(f.page, MakeRow("f-crit", "File", "C:\\", "1", "Critical"));
    AddFoundObject(f.page, MakeRow("d-high", "Folder", "C:\\", "1", "High"));
    AddFoundObject(f.page, MakeRow("f-ok", "File", "C:\\", "1", "Ok"));
    AddFoundObject(f.page, MakeRow("d-junk", "Folder", "C:\\", "1", "Junk"));
    AddFoundObject(f.page, MakeRow("d-inf", "Folder", "C:\\", "n/a", "Infected"));
    AddFoundObject(f.page, MakeRow("f-med", "File", "C:\\", "1", "Medium"));
    AddFoundObject(f.page, MakeRow("f-low", "File", "C:\\", "1", "Low"));

    struct Case {
        int kind;
        int severity;
        std::vector<std::string> captions;
    } cases[] = {
        {0, 0, {"f-crit", "d-high", "f-ok", "d-junk", "d-inf", "f-med", "f-low"}},
        {1, 0, {"f-crit", "f-ok", "f-med", "f-low"}},
        {2, 0, {"d-high", "d-junk", "d-inf"}},
        {0, 1, {"f-crit"}},
        {0, 2, {"d-high"}},
        {0, 3, {"f-med"}},  // "Middle" takes the status "Medium"
        {0, 4, {"f-low"}},
        {0, 5, {"d-junk"}},
        {2, 1, {}},
        {1, 5, {}},
    };
    for (const Case& c : cases) {
        f.page.kindFilter.Set(c.kind);
        f.page.severityFilter.Set(c.severity);
        cb1Change(f.page);
        EXPECT_EQ(f.ItemCaptions(), c.captions) << c.kind << "/" << c.severity;
    }
    f.page.kindFilter.Set(2);
    f.page.severityFilter.Set(0);
    cb1Change(f.page);
    EXPECT_EQ(f.page.list1.Item(2).SubItem(kColSize), "n/a");
}

TEST(ResultsListTest, SelectAllAndDeselectAllLeaveTheExclusionSetAlone) {
    ScanFixture f;
    AddFoundObject(f.page, MakeRow("a", "File", "C:\\T\\", "1", "Junk"));
    AddFoundObject(f.page, MakeRow("b", "File", "C:\\T\\", "2", "Junk"));
    f.page.list1.UserToggleCheck(0);
    ASSERT_TRUE(f.page.excluded.Contains("C:\\T\\a=;File;"));

    Button25Click(f.page);
    for (const auto& item : f.page.list1.Items()) EXPECT_TRUE(item.checked);
    for (const auto& row : f.page.results.Rows()) EXPECT_TRUE(row.selected);
    EXPECT_TRUE(f.page.excluded.Contains("C:\\T\\a=;File;"));

    Button26Click(f.page);
    for (const auto& item : f.page.list1.Items()) EXPECT_FALSE(item.checked);
    for (const auto& row : f.page.results.Rows()) EXPECT_FALSE(row.selected);
    EXPECT_EQ(f.page.excluded.Lines().Count(), 1u);
    EXPECT_TRUE(f.page.results.IsSorted());
}

TEST(ResultsListTest, NamesWithSeparatorsAlwaysLeadToTheirOwnObjects) {
    ScanFixture f;
    const std::string temp = scourwell::testing::TestMachine::kTemp;
    f.machine.WriteFile(temp + "\\a;b.tmp", "1");
    f.machine.WriteFile(temp + "\\a", "22");
    f.machine.WriteFile(temp + "\\x=y.log", "333");
    f.machine.WriteFile(temp + "\\x", "4444");
    ScanFolder(f.page, temp, true, false, true, false);
    ASSERT_EQ(f.page.results.Count(), 4u);

    const std::string location = temp + "\\";
    const long item = ItemIndex(f.page, "x=y.log");
    ASSERT_GE(item, 0);
    f.page.list1.UserToggleCheck(static_cast<size_t>(item));
    EXPECT_TRUE(f.page.excluded.Contains(location + "x=y.log=;File;"));

    // A filter change and back: every item still leads to the row of the same object.
    f.page.kindFilter.Set(2);
    EXPECT_TRUE(f.page.list1.Empty());
    f.page.kindFilter.Set(0);
    ASSERT_EQ(f.page.list1.Count(), 4u);
    for (size_t i = 0; i < f.page.list1.Count(); ++i) {
        const long row = RowOfItem(f.page, i);
        ASSERT_GE(row, 0);
        const ScanResultRow& r = f.page.results.Rows()[row];
        EXPECT_EQ(r.name, f.page.list1.Item(i).caption);
        EXPECT_EQ(r.location, location);
        EXPECT_EQ(f.page.list1.Item(i).checked, r.name != "x=y.log") << r.name;
    }
    const long semi = f.page.results.Find("a;b.tmp", location, "File");
    ASSERT_GE(semi, 0);
    EXPECT_EQ(f.page.results.Rows()[semi].size, "1");

    // A later scan skips the unchecked object, and only it.
    f.page.results.Clear();
    f.page.list1.Clear();
    ScanFolder(f.page, temp, true, false, true, false);
    EXPECT_EQ(f.page.results.Find("x=y.log", location, "File"), -1);
    EXPECT_GE(f.page.results.Find("x", location, "File"), 0);
    EXPECT_GE(f.page.results.Find("a;b.tmp", location, "File"), 0);
    EXPECT_GE(f.page.results.Find("a", location, "File"), 0);
}

TEST(ResultsListTest, ClicksOnThePlaceholderChangeNothing) {
    ScanFixture f;
    f.page.list1.Add(foundation::ListItem{kScanningPlaceholder, {}, true, false});
    f.page.list1.UserToggleCheck(0);
    EXPECT_TRUE(f.page.excluded.Lines().Empty());
}

TEST(ResultsListTest, AClickHandledWhileEventsRunKeepsTheFinalBoxState) {
    ScanFixture f;
    AddFoundObject(f.page, MakeRow("a", "File", "C:\\T\\", "1", "High"));
    // The user unchecks, and while the total is computed checks the box again.
    f.ui.AtPump(1, [&] { f.page.list1.UserToggleCheck(0); });
    f.page.list1.UserToggleCheck(0);
    EXPECT_TRUE(f.page.list1.Item(0).checked);
    EXPECT_FALSE(f.page.excluded.Contains("C:\\T\\a=;File;"));
    EXPECT_TRUE(f.page.results.Rows()[0].selected);
}

}  // namespace
}  // namespace scourwell::scan
