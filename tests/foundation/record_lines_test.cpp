#include "foundation/record_lines.h"

#include <gtest/gtest.h>

namespace scourwell::foundation {
namespace {

TEST(ExtractField, Cases) {
    struct Case {
        const char* line;
        int index;
        char separator;
        const char* expected;
    };
    const Case cases[] = {
        {"a;b;c", 2, ';', ""},     // unterminated tail is never a field
        {"a;b;c;", 2, ';', "c"},
        {"a;;c;", 1, ';', ""},
        {"a;;c;", 0, ';', "a"},
        {"", 0, ';', ""},
        {"a;b;", 5, ';', ""},      // fewer fields
        {"a;b;", -1, ';', ""},
        {"aXbxc;", 1, 'x', "b"},   // a letter separator matches both cases
        {"aXbxc;", 0, 'x', "a"},
        {"Temp;Folder;C:\\Windows\\;52428800;Critical;1;", 3, ';', "52428800"},
        {"AbC;", 0, ';', "AbC"},   // field text is kept unchanged
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ExtractField(c.line, c.index, c.separator), c.expected)
            << "line '" << c.line << "' index " << c.index;
    }
}

TEST(CountFields, Cases) {
    EXPECT_EQ(CountFields("a;b;c"), 2);
    EXPECT_EQ(CountFields("a;b;c;"), 3);
    EXPECT_EQ(CountFields(""), 0);
    EXPECT_EQ(CountFields("no separator"), 0);
    EXPECT_EQ(CountFields("aXbxc;", 'x'), 2);
    EXPECT_EQ(CountFields("Tool;Folder;C:\\Data\\;n/a;Infected;1;"), 6);
}

TEST(ExtractField, WalkingAllFieldsGivesEachTerminatedField) {
    const std::string line = "Tool;Folder;C:\\Data\\;n/a;Infected;1;tail";
    std::vector<std::string> fields;
    for (int i = 0; i < CountFields(line); ++i) fields.push_back(ExtractField(line, i));
    EXPECT_EQ(fields, (std::vector<std::string>{"Tool", "Folder", "C:\\Data\\", "n/a", "Infected", "1"}));
}

}  // namespace
}  // namespace scourwell::foundation
