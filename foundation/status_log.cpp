#include "foundation/status_log.h"

#include "foundation/ui_port.h"
#include "platform/system_info.h"

namespace scourwell::foundation {

void StatusLog::Clear() {
    lines_.clear();
    if (onCleared) onCleared();
}

void StatusLog::AddLine(std::string line) {
    lines_.push_back(std::move(line));
    if (onLineAdded) onLineAdded(lines_.back());
}

void StatusLog::AddTimed(std::string_view message) {
    std::string line = platform::FormatLongTime(ui_.Now());
    line.append(message);
    AddLine(std::move(line));
}

std::string StatusLog::Text() const {
    std::string text;
    for (const auto& line : lines_) {
        text += line;
        text += "\r\n";
    }
    return text;
}

}  // namespace scourwell::foundation
