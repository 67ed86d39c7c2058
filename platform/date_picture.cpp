// Formatting a local date and time with a dd/MM/yyyy/HH/mm/ss picture.

#include <time.h>

#include <cstdio>
#include <string>
#include <string_view>

#include "platform/system_info.h"

namespace scourwell::platform {
namespace {

std::string Number(int value, int width) {
    char buffer[16];
    std::snprintf(buffer, sizeof(buffer), "%0*d", width, value);
    return buffer;
}

}  // namespace

// Fields: yyyy yy MM M dd d HH H hh h mm m ss s AP ap. hh and h count 1 to 12 when the
// picture has AP or ap, else 0 to 23 like HH and H. Text in single quotes is copied as it
// stands ('' gives one quote); any other character is a literal.
std::string FormatDateTime(std::chrono::system_clock::time_point when, const std::string& picture) {
    const time_t seconds = std::chrono::system_clock::to_time_t(when);
    tm local{};
    if (localtime_r(&seconds, &local) == nullptr) return "";
    const bool twelveHour = picture.find("AP") != std::string::npos ||
                            picture.find("ap") != std::string::npos;
    const int hour12 = local.tm_hour % 12 == 0 ? 12 : local.tm_hour % 12;
    const int hour = twelveHour ? hour12 : local.tm_hour;

    struct Field {
        std::string_view token;
        std::string text;
    };
    const Field fields[] = {
        {"yyyy", Number(local.tm_year + 1900, 4)},
        {"yy", Number((local.tm_year + 1900) % 100, 2)},
        {"MM", Number(local.tm_mon + 1, 2)},
        {"M", Number(local.tm_mon + 1, 1)},
        {"dd", Number(local.tm_mday, 2)},
        {"d", Number(local.tm_mday, 1)},
        {"HH", Number(local.tm_hour, 2)},
        {"H", Number(local.tm_hour, 1)},
        {"hh", Number(hour, 2)},
        {"h", Number(hour, 1)},
        {"mm", Number(local.tm_min, 2)},
        {"m", Number(local.tm_min, 1)},
        {"ss", Number(local.tm_sec, 2)},
        {"s", Number(local.tm_sec, 1)},
        {"AP", local.tm_hour < 12 ? "AM" : "PM"},
        {"ap", local.tm_hour < 12 ? "am" : "pm"},
    };

    std::string out;
    const std::string_view text = picture;
    size_t i = 0;
    while (i < text.size()) {
        if (text[i] == '\'') {
            const size_t close = text.find('\'', i + 1);
            if (close == i + 1) {
                out += '\'';
            } else {
                out += text.substr(i + 1, (close == std::string_view::npos ? text.size() : close) - i - 1);
            }
            i = close == std::string_view::npos ? text.size() : close + 1;
            continue;
        }
        bool matched = false;
        for (const Field& field : fields) {
            if (text.substr(i).starts_with(field.token)) {
                out += field.text;
                i += field.token.size();
                matched = true;
                break;
            }
        }
        if (!matched) out += text[i++];
    }
    return out;
}

}  // namespace scourwell::platform
