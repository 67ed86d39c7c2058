#include "inspect/recent_object.h"

#include <gtest/gtest.h>
#include <sys/time.h>

#include <ctime>

#include "tests/inspect/inspect_fixture.h"
#include "tests/support/test_machine.h"

namespace scourwell::inspect {
namespace {

using testing::TestMachine;
using test::Noon;

void SetModified(const std::string& hostPath, std::chrono::system_clock::time_point when) {
    const timeval times[2] = {{std::chrono::system_clock::to_time_t(when), 0},
                              {std::chrono::system_clock::to_time_t(when), 0}};
    ASSERT_EQ(utimes(hostPath.c_str(), times), 0);
}

TEST(ParseDateTest, FollowsThePicture) {
    struct Case {
        const char* text;
        const char* picture;
        std::optional<CalendarDate> date;
    };
    const Case cases[] = {
        {"06.12.2026", "dd.MM.yyyy", CalendarDate{2026, 12, 6}},
        {"6.1.2027", "d.M.yyyy", CalendarDate{2027, 1, 6}},
        {"12/06/2026", "MM/dd/yyyy", CalendarDate{2026, 12, 6}},
        {"2026-12-06", "yyyy-MM-dd", CalendarDate{2026, 12, 6}},
        {"06.12.26", "dd.MM.yy", CalendarDate{2026, 12, 6}},
        {"06.12.99", "dd.MM.yy", CalendarDate{1999, 12, 6}},
        {"le 06 12 2026", "'le' dd MM yyyy", CalendarDate{2026, 12, 6}},
        {"29.02.2024", "dd.MM.yyyy", CalendarDate{2024, 2, 29}},
        {"29.02.2026", "dd.MM.yyyy", std::nullopt},  // no such day
        {"06.13.2026", "dd.MM.yyyy", std::nullopt},
        {"06/12/2026", "dd.MM.yyyy", std::nullopt},  // another picture's text
        {"06.12.2026 x", "dd.MM.yyyy", std::nullopt},
        {"", "dd.MM.yyyy", std::nullopt},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(std::string(test.text) + " / " + test.picture);
        EXPECT_EQ(ParseDate(test.text, test.picture), test.date);
    }
}

TEST(DayNumberTest, CountsCalendarDays) {
    EXPECT_EQ(DayNumber({1970, 1, 1}), 0);
    EXPECT_EQ(DayNumber({2027, 1, 3}) - DayNumber({2026, 12, 28}), 6);
    EXPECT_EQ(DayNumber({2024, 3, 1}) - DayNumber({2024, 2, 28}), 2);
}

// Newness by the file's time and by the recorded date, across month and year ends.
TEST(IsRecentObjectTest, CalendarDaysFromFileTimeOrRecordedDate) {
    TestMachine machine;
    machine.WriteFile("C:\\Tools\\a.exe", "program");
    struct Case {
        CalendarDate today;
        CalendarDate modified;
        const char* recorded;
        bool recent;
    };
    const Case cases[] = {
        {{2027, 1, 3}, {2020, 1, 1}, "28.12.2026", true},   // across the year's end
        {{2026, 12, 3}, {2020, 1, 1}, "28.11.2026", true},  // across a month's end
        {{2026, 12, 8}, {2020, 1, 1}, "28.11.2026", true},  // exactly ten days
        {{2026, 12, 9}, {2020, 1, 1}, "28.11.2026", false},
        {{2026, 12, 6}, {2020, 1, 1}, "07.12.2026", false},  // recorded after today
        {{2026, 12, 6}, {2020, 1, 1}, "", false},
        {{2026, 12, 6}, {2020, 1, 1}, "12/06/2026", false},  // not the user's picture
        {{2027, 1, 2}, {2026, 12, 30}, "", true},            // by the file's time
        {{2027, 1, 2}, {2026, 12, 20}, "", false},
        {{2026, 12, 6}, {2026, 12, 6}, "", true},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(std::string(test.recorded) + " on " + std::to_string(test.today.day) + "." +
                     std::to_string(test.today.month));
        SetModified(machine.Host("C:\\Tools\\a.exe"),
                    Noon(test.modified.year, test.modified.month, test.modified.day));
        const auto now = Noon(test.today.year, test.today.month, test.today.day);
        EXPECT_EQ(IsRecentObject("C:\\Tools\\a.exe", test.recorded, kRecentDays, now), test.recent);
    }
}

TEST(IsRecentObjectTest, OtherDatePicturesAndMissingFiles) {
    TestMachine machine;
    machine.SetMachineKey("shortdate", "M/d/yyyy");
    machine.Install();
    machine.WriteFile("C:\\Tools\\a.exe", "program");
    SetModified(machine.Host("C:\\Tools\\a.exe"), Noon(2020, 1, 1));
    const auto now = Noon(2026, 12, 6);
    EXPECT_TRUE(IsRecentObject("C:\\Tools\\a.exe", "12/1/2026", kRecentDays, now));
    EXPECT_FALSE(IsRecentObject("C:\\Tools\\a.exe", "01.12.2026", kRecentDays, now));
    // A missing file is never new, whatever its recorded date.
    EXPECT_FALSE(IsRecentObject("C:\\Tools\\gone.exe", "12/6/2026", kRecentDays, now));
}

}  // namespace
}  // namespace scourwell::inspect
