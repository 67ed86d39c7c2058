#include "foundation/format_size.h"

#include <cstdio>

namespace scourwell::foundation {
namespace {

std::string Format(long double value, const char* unit, bool withUnit) {
    // Sized by a first call: a huge value can need thousands of digits.
    const char* suffix = withUnit ? unit : "";
    const int length = std::snprintf(nullptr, 0, "%8.2Lf%s", value, suffix);
    if (length < 0) return {};
    std::string text(static_cast<size_t>(length) + 1, '\0');
    std::snprintf(text.data(), text.size(), "%8.2Lf%s", value, suffix);
    text.resize(static_cast<size_t>(length));
    return text;
}

}  // namespace

std::string FormatSize(long double value, bool withUnit) {
    static const char* const kLargerUnits[] = {"KB", "MB", "GB", "TB"};
    std::string text = Format(value, "B", withUnit);
    for (const char* unit : kLargerUnits) {
        value /= 1024.0L;
        if (!(value >= 1.0L)) break;
        text = Format(value, unit, withUnit);
    }
    return text;
}

}  // namespace scourwell::foundation
