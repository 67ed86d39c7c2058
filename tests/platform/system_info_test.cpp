#include <gtest/gtest.h>
#include <time.h>

#include "platform/shell.h"
#include "platform/system_info.h"
#include "tests/support/test_machine.h"

namespace scourwell::platform {
namespace {

using testing::TestMachine;

std::chrono::system_clock::time_point Local(int year, int month, int day, int hour, int minute, int second) {
    tm local{};
    local.tm_year = year - 1900;
    local.tm_mon = month - 1;
    local.tm_mday = day;
    local.tm_hour = hour;
    local.tm_min = minute;
    local.tm_sec = second;
    local.tm_isdst = -1;
    return std::chrono::system_clock::from_time_t(mktime(&local));
}

TEST(FormatDateTimeTest, Pictures) {
    const auto morning = Local(2009, 3, 7, 8, 5, 9);
    const auto evening = Local(2013, 11, 24, 0, 45, 30);
    struct Case {
        std::chrono::system_clock::time_point when;
        const char* picture;
        const char* expected;
    };
    const Case cases[] = {
        {morning, "dd.MM.yyyy", "07.03.2009"},
        {morning, "d/M/yy", "7/3/09"},
        {morning, "HH:mm:ss", "08:05:09"},
        {morning, "H:m:s", "8:5:9"},
        {morning, "hh:mm AP", "08:05 AM"},
        {evening, "h:mm ap", "12:45 am"},
        {evening, "HH:mm", "00:45"},
        {Local(2013, 11, 24, 13, 0, 0), "h AP", "1 PM"},
        {Local(2013, 11, 24, 13, 0, 0), "hh", "13"},  // without AP, hh is the 24-hour clock
        {evening, "yyyy-MM-dd", "2013-11-24"},
        {evening, "dd MM yyyy 'at' HH", "24 11 2013 at 00"},
        {evening, "''d''", "'24'"},
        {evening, "", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(FormatDateTime(c.when, c.picture), c.expected) << c.picture;
}

TEST(SystemInfoTest, ComesFromTheView) {
    TestMachine machine;
    EXPECT_EQ(GetWindowsDirectory(), "C:\\Windows");
    EXPECT_EQ(GetSystemDirectory(), "C:\\Windows\\System32");
    EXPECT_EQ(GetTempPath(), "C:\\Users\\tester\\AppData\\Local\\Temp\\");
    EXPECT_EQ(GetUserName(), "tester");
    EXPECT_EQ(ProgramDirectory(), "C:\\Program Files\\Scourwell");
    EXPECT_EQ(SpecialFolderPath(kCsidlAppData), TestMachine::kAppData);
    EXPECT_EQ(SpecialFolderPath(kCsidlProfile), TestMachine::kProfile);
    EXPECT_EQ(SpecialFolderPath(kCsidlCookies), "");
    const auto version = GetWindowsVersion();
    ASSERT_TRUE(version.has_value());
    EXPECT_EQ(version->platform, WindowsVersion::Platform::NT);
    EXPECT_EQ(version->major, 6u);
    EXPECT_EQ(version->minor, 1u);
    EXPECT_EQ(version->csd, "Service Pack 1");
    EXPECT_TRUE(version->workstation);
    EXPECT_TRUE(version->amd64);

    machine.SetMachineKey("winver", "none");
    machine.SetMachineKey("shortdate", "yyyy-MM-dd");
    machine.Install();
    EXPECT_FALSE(GetWindowsVersion().has_value());
    EXPECT_EQ(ShortDatePicture(), "yyyy-MM-dd");
    EXPECT_EQ(LongTimePicture(), "HH:mm:ss");
    EXPECT_EQ(FormatShortDate(Local(2010, 1, 2, 3, 4, 5)), "2010-01-02");
    EXPECT_EQ(FormatLongTime(Local(2010, 1, 2, 3, 4, 5)), "03:04:05");
}

}  // namespace
}  // namespace scourwell::platform
