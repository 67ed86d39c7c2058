#pragma once

// How the companion prints lists: aligned text columns for people, or one JSON object per
// line for scripts.

#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

namespace scourwell::cli {

// Without leading and trailing blanks.
std::string Trimmed(std::string_view text);
// At most `width` characters (UTF-8 sequences count as one): the start is kept and the middle
// is replaced by "...", so both the head and the end of a path stay readable.
std::string FitToWidth(const std::string& text, size_t width);

struct Column {
    std::string title;
    bool alignRight = false;
};

// A header line and one line per row, each column as wide as its widest cell; the last column
// is not padded. Cells are escaped for the terminal (EscapeForTerminal) before they are measured.
void WriteTable(std::ostream& out, const std::vector<Column>& columns,
                const std::vector<std::vector<std::string>>& rows);

// One object on one line. Text that is not valid UTF-8 (a host file name in another encoding)
// keeps its bytes distinguishable (JsonText) rather than failing the whole output.
void WriteJsonLine(std::ostream& out, const nlohmann::json& object);

}  // namespace scourwell::cli
