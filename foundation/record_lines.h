#pragma once

// Record lines: fields each terminated by a one-character separator (";" throughout).

#include <string>
#include <string_view>

namespace scourwell::foundation {

// Field `index` (from 0). The separator matches without regard to letter case. Empty when the
// line has fewer terminated fields; an unterminated tail is never returned.
std::string ExtractField(std::string_view line, int index, char separator = ';');
// Number of separator characters, i.e. of terminated fields.
int CountFields(std::string_view line, char separator = ';');

}  // namespace scourwell::foundation
