#include "foundation/record_lines.h"

#include "foundation/text.h"

namespace scourwell::foundation {
namespace {

bool IsSeparator(char c, char separator) {
    return EqualsIgnoreCase(std::string_view(&c, 1), std::string_view(&separator, 1));
}

}  // namespace

std::string ExtractField(std::string_view line, int index, char separator) {
    if (index < 0) return {};
    std::string collected;
    int ended = 0;
    for (char c : line) {
        if (IsSeparator(c, separator)) {
            if (ended == index) return collected;
            collected.clear();
            ++ended;
        } else {
            collected += c;
        }
    }
    // Text after the last separator is an unterminated tail and never a field.
    return {};
}

int CountFields(std::string_view line, char separator) {
    int count = 0;
    for (char c : line)
        if (IsSeparator(c, separator)) ++count;
    return count;
}

}  // namespace scourwell::foundation
