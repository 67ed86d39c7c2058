#include "inspect/recent_object.h"

#include <ctime>

#include "platform/files.h"
#include "platform/system_info.h"

namespace scourwell::inspect {
namespace {

std::optional<CalendarDate> LocalDateOfUnix(int64_t seconds) {
    const std::time_t t = static_cast<std::time_t>(seconds);
    std::tm local{};
    if (!localtime_r(&t, &local)) return std::nullopt;
    return CalendarDate{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

int DaysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

// Reads between `minDigits` and `maxDigits` digits at `at`.
bool ReadNumber(std::string_view text, size_t& at, size_t minDigits, size_t maxDigits, int& value) {
    size_t n = 0;
    value = 0;
    while (at + n < text.size() && n < maxDigits && text[at + n] >= '0' && text[at + n] <= '9') {
        value = value * 10 + (text[at + n] - '0');
        ++n;
    }
    at += n;
    return n >= minDigits;
}

bool WithinDays(const CalendarDate& date, const CalendarDate& today, int days) {
    const long long difference = DayNumber(today) - DayNumber(date);
    return difference >= 0 && difference <= days;
}

}  // namespace

long long DayNumber(const CalendarDate& date) {
    // Days from civil, after Howard Hinnant's algorithm.
    const long long y = date.year - (date.month <= 2 ? 1 : 0);
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const long long yoe = y - era * 400;
    const long long mp = (date.month + 9) % 12;
    const long long doy = (153 * mp + 2) / 5 + date.day - 1;
    const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

std::optional<CalendarDate> LocalDate(std::chrono::system_clock::time_point when) {
    return LocalDateOfUnix(std::chrono::system_clock::to_time_t(when));
}

std::optional<CalendarDate> ParseDate(std::string_view text, std::string_view picture) {
    int year = -1, month = -1, day = -1;
    size_t at = 0;
    size_t i = 0;
    while (i < picture.size()) {
        const std::string_view rest = picture.substr(i);
        int value = 0;
        if (rest.starts_with("yyyy")) {
            if (!ReadNumber(text, at, 4, 4, value)) return std::nullopt;
            year = value;
            i += 4;
        } else if (rest.starts_with("yy")) {
            if (!ReadNumber(text, at, 2, 2, value)) return std::nullopt;
            year = value < 50 ? 2000 + value : 1900 + value;
            i += 2;
        } else if (rest.starts_with("MM") || rest.starts_with("dd")) {
            if (!ReadNumber(text, at, 2, 2, value)) return std::nullopt;
            (rest[0] == 'M' ? month : day) = value;
            i += 2;
        } else if (rest[0] == 'M' || rest[0] == 'd') {
            if (!ReadNumber(text, at, 1, 2, value)) return std::nullopt;
            (rest[0] == 'M' ? month : day) = value;
            i += 1;
        } else if (rest[0] == '\'') {
            const size_t close = picture.find('\'', i + 1);
            const std::string_view literal =
                close == i + 1 ? std::string_view("'")
                               : picture.substr(i + 1, (close == std::string_view::npos
                                                            ? picture.size()
                                                            : close) - i - 1);
            if (text.substr(at, literal.size()) != literal) return std::nullopt;
            at += literal.size();
            i = close == std::string_view::npos ? picture.size() : close + 1;
        } else {
            if (at >= text.size() || text[at] != picture[i]) return std::nullopt;
            ++at;
            ++i;
        }
    }
    if (at != text.size() || year < 0 || month < 1 || month > 12 || day < 1) return std::nullopt;
    if (day > DaysInMonth(year, month)) return std::nullopt;
    return CalendarDate{year, month, day};
}

bool IsRecentObject(std::string_view path, std::string_view recordedDate, int days,
                    std::chrono::system_clock::time_point now) {
    const auto info = platform::GetFileInfo(path);
    return IsRecentObject(info ? std::optional<int64_t>(info->lastWriteUnix) : std::nullopt,
                          recordedDate, days, now);
}

bool IsRecentObject(std::optional<int64_t> modifiedUnix, std::string_view recordedDate, int days,
                    std::chrono::system_clock::time_point now) {
    const auto today = LocalDate(now);
    if (!today || !modifiedUnix) return false;
    const auto modified = LocalDateOfUnix(*modifiedUnix);
    if (modified && WithinDays(*modified, *today, days)) return true;
    if (recordedDate.empty()) return false;
    const auto recorded = ParseDate(recordedDate, platform::ShortDatePicture());
    return recorded && WithinDays(*recorded, *today, days);
}

}  // namespace scourwell::inspect
