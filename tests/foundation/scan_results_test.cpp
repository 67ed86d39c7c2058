#include "foundation/scan_results.h"

#include <gtest/gtest.h>

namespace scourwell::foundation {
namespace {

ScanResultRow Row(const char* name, const char* kind, const char* location, const char* size,
                  const char* status) {
    ScanResultRow row;
    row.name = name;
    row.kind = kind;
    row.location = location;
    row.size = size;
    row.status = status;
    return row;
}

TEST(ScanResultRow, LineAndSize) {
    ScanResultRow folder = Row("Temp", "Folder", "C:\\Windows\\", "52428800", "Critical");
    EXPECT_EQ(folder.ToLine(), "Temp;Folder;C:\\Windows\\;52428800;Critical;1;");
    EXPECT_EQ(folder.FullPath(), "C:\\Windows\\Temp");
    EXPECT_EQ(folder.DecimalSize(), 52428800);
    folder.selected = false;
    EXPECT_EQ(folder.ToLine(), "Temp;Folder;C:\\Windows\\;52428800;Critical;0;");

    const ScanResultRow tool = Row("Tool", "Folder", "C:\\Data\\", "n/a", "Infected");
    EXPECT_EQ(tool.ToLine(), "Tool;Folder;C:\\Data\\;n/a;Infected;1;");
    EXPECT_FALSE(tool.DecimalSize().has_value());
    EXPECT_FALSE(Row("x", "File", "C:\\", "  1.50KB", "Infected").DecimalSize().has_value());
}

TEST(ScanResults, UnsortedUntilASelectionChanges) {
    ScanResults results;
    results.Add(Row("b", "File", "C:\\", "1", "Junk"));
    results.Add(Row("a", "File", "C:\\", "1", "Junk"));
    results.Add(Row("b", "File", "C:\\", "1", "Junk"));  // appended again while unsorted
    ASSERT_EQ(results.Count(), 3u);
    EXPECT_EQ(results.Rows()[0].name, "b");
    EXPECT_FALSE(results.IsSorted());
    EXPECT_EQ(results.Find("a", "C:\\", "File"), 1);
    EXPECT_EQ(results.Find("a", "C:\\", "Folder"), -1);

    results.SetSelected(1, false);  // "a" deselected, then the list sorts
    EXPECT_TRUE(results.IsSorted());
    ASSERT_EQ(results.Count(), 3u);  // switching keeps the duplicates already held
    EXPECT_EQ(results.Rows()[0].name, "a");
    EXPECT_FALSE(results.Rows()[0].selected);
    EXPECT_EQ(results.Rows()[1].name, "b");
}

TEST(ScanResults, SortedModeOrdersByLineAndDropsIdenticalRows) {
    ScanResults results;
    results.SwitchToSorted();
    results.Add(Row("zeta", "File", "C:\\", "1", "Junk"));
    results.Add(Row("Alpha", "File", "C:\\", "1", "Junk"));
    results.Add(Row("beta", "File", "C:\\", "1", "Junk"));
    results.Add(Row("Alpha", "File", "C:\\", "1", "Junk"));  // identical: not added
    results.Add(Row("alpha", "File", "C:\\", "1", "Junk"));  // another object on a case-aware drive
    std::vector<std::string> names;
    for (const auto& row : results.Rows()) names.push_back(row.name);
    EXPECT_EQ(names, (std::vector<std::string>{"Alpha", "alpha", "beta", "zeta"}));
    results.Clear();
    EXPECT_TRUE(results.Empty());
    EXPECT_TRUE(results.IsSorted());  // for the rest of the run
}

}  // namespace
}  // namespace scourwell::foundation
