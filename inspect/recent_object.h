#pragma once

// The newness test of the Process Manager and the Startup Manager: an object is new when its
// file was modified, or it was first recorded, within the last few calendar days.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace scourwell::inspect {

inline constexpr int kRecentDays = 10;

struct CalendarDate {
    int year = 0;
    int month = 0;  // 1..12
    int day = 0;    // 1..31
    bool operator==(const CalendarDate&) const = default;
};

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar.
long long DayNumber(const CalendarDate& date);
// The local calendar date of a moment.
std::optional<CalendarDate> LocalDate(std::chrono::system_clock::time_point when);
// Reads a date written with a date picture (dd, d, MM, M, yyyy, yy; quoted text and other
// characters must stand as written). Two-digit years are 1950 to 2049. Empty when the text does
// not follow the picture or names no real day.
std::optional<CalendarDate> ParseDate(std::string_view text, std::string_view picture);

// True when the file at `path` was last modified, or `recordedDate` (the user's short date
// format; may be empty) lies, between `days` calendar days before `now` and `now`. A file
// whose time cannot be read is never recent.
bool IsRecentObject(std::string_view path, std::string_view recordedDate, int days,
                    std::chrono::system_clock::time_point now);
// The same test for a file whose last-write time (seconds since 1970) a listing has already
// read; empty when it has none.
bool IsRecentObject(std::optional<int64_t> modifiedUnix, std::string_view recordedDate, int days,
                    std::chrono::system_clock::time_point now);

}  // namespace scourwell::inspect
