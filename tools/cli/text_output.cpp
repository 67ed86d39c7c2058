#include "tools/cli/text_output.h"

#include <algorithm>
#include <ostream>

#include "tools/cli/escaping.h"

namespace scourwell::cli {

namespace {

bool IsContinuation(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

size_t Width(std::string_view text) {
    return static_cast<size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return !IsContinuation(static_cast<unsigned char>(c));
    }));
}

// Byte offset of the `chars`-th character.
size_t OffsetOf(const std::string& text, size_t chars) {
    size_t seen = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (IsContinuation(static_cast<unsigned char>(text[i]))) continue;
        if (seen++ == chars) return i;
    }
    return text.size();
}

}  // namespace

std::string Trimmed(std::string_view text) {
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return "";
    const size_t last = text.find_last_not_of(' ');
    return std::string(text.substr(first, last - first + 1));
}

std::string FitToWidth(const std::string& text, size_t width) {
    const size_t length = Width(text);
    if (length <= width) return text;
    if (width < 5) return text.substr(0, OffsetOf(text, width));
    const size_t head = (width - 3) / 2;
    const size_t tail = width - 3 - head;
    return text.substr(0, OffsetOf(text, head)) + "..." + text.substr(OffsetOf(text, length - tail));
}

void WriteTable(std::ostream& out, const std::vector<Column>& columns,
                const std::vector<std::vector<std::string>>& rows) {
    std::vector<std::vector<std::string>> shown;
    for (const auto& row : rows) {
        std::vector<std::string> cells;
        for (const std::string& cell : row) cells.push_back(EscapeForTerminal(cell));
        shown.push_back(std::move(cells));
    }
    std::vector<size_t> widths;
    for (const Column& column : columns) widths.push_back(Width(column.title));
    for (const auto& row : shown)
        for (size_t i = 0; i < row.size() && i < widths.size(); ++i)
            widths[i] = std::max(widths[i], Width(row[i]));
    const auto writeLine = [&](const std::vector<std::string>& cells) {
        std::string line;
        for (size_t i = 0; i < columns.size(); ++i) {
            const std::string& cell = i < cells.size() ? cells[i] : std::string();
            const std::string pad(widths[i] - Width(cell), ' ');
            const bool last = i + 1 == columns.size();
            if (i > 0) line += "  ";
            if (columns[i].alignRight)
                line += pad + cell;
            else
                line += last ? cell : cell + pad;
        }
        out << line << '\n';
    };
    std::vector<std::string> titles;
    for (const Column& column : columns) titles.push_back(column.title);
    writeLine(titles);
    for (const auto& row : shown) writeLine(row);
}

void WriteJsonLine(std::ostream& out, const nlohmann::json& object) {
    out << JsonText(object) << '\n';
}

}  // namespace scourwell::cli
