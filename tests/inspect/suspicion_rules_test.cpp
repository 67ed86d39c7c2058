#include "inspect/suspicion_rules.h"

#include "tests/inspect/inspect_fixture.h"

namespace scourwell::inspect::test {
namespace {

class SuspicionRulesTest : public InspectTest {};

TEST_F(SuspicionRulesTest, EachRuleAndItsBoundary) {
    // Files under the Windows folder: one modified today, one yesterday.
    machine.WriteFile("C:\\Windows\\fresh.exe", "MZ");
    SetModified("C:\\Windows\\fresh.exe", Noon(2026, 12, 6));
    machine.WriteFile("C:\\Windows\\stale.exe", "MZ");
    SetModified("C:\\Windows\\stale.exe", Noon(2026, 12, 5));
    machine.WriteFile("C:\\Apps\\fresh.exe", "MZ");
    SetModified("C:\\Apps\\fresh.exe", Noon(2026, 12, 6));
    const SuspicionContext rules = SuspicionContext::Current(ui.Now());

    struct Case {
        const char* name;
        const char* folder;
        SuspicionRule rule;
    };
    const Case cases[] = {
        {"tester.exe", "C:\\Tools\\", SuspicionRule::UserNameProgram},
        {"TESTER.EXE", "D:\\", SuspicionRule::UserNameProgram},
        {"tester.com", "C:\\Tools\\", SuspicionRule::None},
        {"a.exe", "C:\\Windows\\Temp\\", SuspicionRule::SuspiciousFolder},
        {"a.exe", "c:\\windows\\system32\\drivers\\", SuspicionRule::SuspiciousFolder},
        {"a.exe", "C:\\Users\\", SuspicionRule::SuspiciousFolder},
        {"a.exe", "C:\\Documents and Settings\\", SuspicionRule::SuspiciousFolder},
        {"a.exe", "C:\\Windows\\Temp\\sub\\", SuspicionRule::None},
        {"a.exe", "D:\\Windows\\Temp\\", SuspicionRule::None},
        {"a.exe", "C:\\Users\\tester\\", SuspicionRule::None},
        {"abcdefghijklmnopqrstu.exe", "C:\\Tools\\", SuspicionRule::None},  // 25 characters
        {"abcdefghijklmnopqrstuv.exe", "C:\\Tools\\", SuspicionRule::LongName},
        {"ab1234567.exe", "C:\\Tools\\", SuspicionRule::None},  // 7 digits
        {"ab12345678.exe", "C:\\Tools\\", SuspicionRule::ManyDigits},
        {"9lives.exe", "C:\\Tools\\", SuspicionRule::LeadingDigit},
        {"lives9.exe", "C:\\Tools\\", SuspicionRule::None},
        {"photo.jpg.exe", "C:\\Tools\\", SuspicionRule::DoubleExtension},
        {"PHOTO.MP3.EXE", "C:\\Tools\\", SuspicionRule::DoubleExtension},
        {"photo.exe", "C:\\Tools\\", SuspicionRule::None},
        {"fresh.exe", "C:\\Windows\\", SuspicionRule::ChangedSystemFile},
        {"stale.exe", "C:\\Windows\\", SuspicionRule::None},
        {"fresh.exe", "C:\\Apps\\", SuspicionRule::None},
        {"gone.exe", "C:\\Windows\\", SuspicionRule::None},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(std::string(test.folder) + test.name);
        EXPECT_EQ(FirstSuspicion(test.name, test.folder, std::string(test.folder) + test.name, rules),
                  test.rule);
    }
}

}  // namespace
}  // namespace scourwell::inspect::test
