#include "foundation/exclusion_set.h"

#include <gtest/gtest.h>

namespace scourwell::foundation {
namespace {

TEST(ExclusionSet, KeyForm) {
    EXPECT_EQ(ExclusionSet::Key("C:\\Windows\\Temp\\", "old", "Folder"), "C:\\Windows\\Temp\\old=;Folder;");
}

TEST(ExclusionSet, SortedWithoutDuplicates) {
    ExclusionSet set;
    set.Add("C:\\b=;File;");
    set.Add("C:\\a=;Folder;");
    set.Add("c:\\B=;FILE;");  // the same line in other letter case
    ASSERT_EQ(set.Lines().Count(), 2u);
    EXPECT_EQ(set.Lines()[0], "C:\\a=;Folder;");
    EXPECT_TRUE(set.Contains("C:\\A=;folder;"));
    set.Remove("c:\\a=;FOLDER;");
    EXPECT_FALSE(set.Contains("C:\\a=;Folder;"));
    set.Remove("C:\\missing=;File;");
    EXPECT_EQ(set.Lines().Count(), 1u);
}

TEST(ExclusionSet, IsExcluded) {
    ExclusionSet set;
    set.Add(ExclusionSet::Key("C:\\Temp\\", "old", "Folder"));
    set.Add(ExclusionSet::Key("C:\\Profiles\\", "old", "Folder"));
    set.Add(ExclusionSet::Key("C:\\Data\\", "a=b.txt", "File"));

    struct Case {
        const char* path;
        const char* kind;
        bool expected;
    };
    const Case cases[] = {
        {"C:\\Temp\\old", "Folder", true},
        {"c:\\TEMP\\OLD", "folder", true},   // case ignored
        {"C:\\Temp\\old", "File", false},
        {"C:\\Temp\\older", "Folder", false},
        {"C:\\Temp", "Folder", false},
        // The path holds the letters "file", yet the entry is a folder: a file of that path
        // is not excluded.
        {"C:\\Profiles\\old", "File", false},
        {"C:\\Profiles\\old", "Folder", true},
        // A name holding "=" is still matched as a whole path.
        {"C:\\Data\\a=b.txt", "File", true},
        {"C:\\Data\\a", "File", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(set.IsExcluded(c.path, c.kind), c.expected) << c.path << " as " << c.kind;
    }
}

}  // namespace
}  // namespace scourwell::foundation
