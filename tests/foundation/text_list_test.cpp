#include "foundation/text_list.h"

#include <gtest/gtest.h>

#include "tests/support/test_machine.h"

namespace scourwell::foundation {
namespace {

using testing::TestMachine;

TEST(TextList, UnsortedKeepsOrderAndDuplicates) {
    TextList list;
    list.Add("b");
    list.Add("a");
    list.Add("b");
    EXPECT_EQ(list.Lines(), (std::vector<std::string>{"b", "a", "b"}));
    list.SetSorted(true);  // sorts at once, keeps the duplicates already held
    EXPECT_EQ(list.Lines(), (std::vector<std::string>{"a", "b", "b"}));
}

TEST(TextList, SortedCaseInsensitiveIgnoringDuplicates) {
    TextList list(true, true);
    EXPECT_EQ(list.Add("C:\\b=;;"), 0u);
    EXPECT_EQ(list.Add("C:\\A=;01.02.2026;"), 0u);
    EXPECT_EQ(list.Add("c:\\B=;;"), 1u);  // duplicate without regard to case: the held index
    list.Add("C:\\c=;;");
    EXPECT_EQ(list.Lines(), (std::vector<std::string>{"C:\\A=;01.02.2026;", "C:\\b=;;", "C:\\c=;;"}));
    EXPECT_EQ(list.IndexOf("C:\\C=;;"), 2);
    EXPECT_EQ(list.IndexOf("C:\\d=;;"), -1);
    EXPECT_EQ(list.IndexOfName("c:\\a"), 0);
    EXPECT_EQ(list.IndexOfName("C:\\"), -1);
    list.Remove(0);
    list.Remove(7);  // out of range: nothing
    EXPECT_EQ(list.Count(), 2u);
}

TEST(TextList, SortedKeepsDuplicatesWhenAllowed) {
    TextList list(true, false);
    list.Add("x");
    list.Add("X");
    EXPECT_EQ(list.Lines(), (std::vector<std::string>{"x", "X"}));  // in order of arrival
}

TEST(TextList, SavesCrLfAndLoadsAnyLineBreak) {
    TestMachine machine;
    machine.MakeDirectory("C:\\Data");
    TextList list;
    list.Add("first");
    list.Add("");
    list.Add("third;x;");
    ASSERT_TRUE(list.SaveToFile("C:\\Data\\list.txt"));
    EXPECT_EQ(machine.ReadFile("C:\\Data\\list.txt"), "first\r\n\r\nthird;x;\r\n");

    machine.WriteFile("C:\\Data\\mixed.txt", "a\r\nb\nc\rd");
    TextList loaded;
    ASSERT_TRUE(loaded.LoadFromFile("C:\\Data\\mixed.txt"));
    EXPECT_EQ(loaded.Lines(), (std::vector<std::string>{"a", "b", "c", "d"}));

    TextList sorted(true, true);
    machine.WriteFile("C:\\Data\\dups.txt", "b\r\nA\r\nB\r\n");
    ASSERT_TRUE(sorted.LoadFromFile("C:\\Data\\dups.txt"));
    EXPECT_EQ(sorted.Lines(), (std::vector<std::string>{"A", "b"}));
}

TEST(TextList, FailedLoadLeavesTheListAlone) {
    TestMachine machine;
    TextList list;
    list.Add("kept");
    EXPECT_FALSE(list.LoadFromFile("C:\\Data\\missing.txt"));
    EXPECT_EQ(list.Lines(), (std::vector<std::string>{"kept"}));
    EXPECT_FALSE(list.SaveToFile("Q:\\no drive\\list.txt"));
}

}  // namespace
}  // namespace scourwell::foundation
