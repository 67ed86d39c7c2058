#include "inspect/first_seen_list.h"

#include <gtest/gtest.h>

namespace scourwell::inspect {
namespace {

// A name is looked up without regard to case, may itself hold "=", and of two lines that
// answer for one name the first in sorted order counts, however they were added.
TEST(FirstSeenListTest, DatesByNameIncludingNamesThatHoldEquals) {
    FirstSeenList list;
    list.Add("tool.exe=;c:\\b\\;1;Run;B;str;x;02.12.2026;");
    list.Add("id=12=;c:\\a\\;1;Run;A;str;prog.exe /id=12;05.12.2026;");
    list.Add("TOOL.EXE=;c:\\a\\;1;Run;A;str;x;01.12.2026;");  // sorts first: it counts
    list.Add("old.exe=;c:\\a\\;1;Run;O;str;x=y;;");
    struct Case {
        const char* name;
        std::optional<std::string> date;
    };
    const Case cases[] = {
        {"tool.exe", "01.12.2026"}, {"Tool.Exe", "01.12.2026"}, {"id=12", "05.12.2026"},
        {"ID", "05.12.2026"},  // the text before a line's first "=" names it too
        {"old.exe", ""},       {"id=1", std::nullopt},
        {"missing.exe", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(list.DateOf(c.name), c.date) << c.name;
    EXPECT_EQ(list.Lines().Count(), 4u);
}

}  // namespace
}  // namespace scourwell::inspect
