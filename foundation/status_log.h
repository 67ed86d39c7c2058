#pragma once

// The status log (the memo below the pages) and the status line, as core models.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace scourwell::foundation {

class UiPort;

class StatusLog {
public:
    explicit StatusLog(UiPort& ui) : ui_(ui) {}

    const std::vector<std::string>& Lines() const { return lines_; }
    void Clear();
    void AddLine(std::string line);
    // A time-stamped line: the current time in the long time format followed by `message`,
    // which itself starts with ": " (or " : ").
    void AddTimed(std::string_view message);
    // All lines joined with CR LF, the form in which the log is saved.
    std::string Text() const;

    std::function<void()> onCleared;
    std::function<void(const std::string&)> onLineAdded;

private:
    UiPort& ui_;
    std::vector<std::string> lines_;
};

// The status line. Setting it is cheap (no repaint): the window picks the text up when events
// run, so a walk may set it for every file.
class StatusLine {
public:
    const std::string& Text() const { return text_; }
    void Set(std::string_view text) {
        text_.assign(text);
        ++revision_;
    }
    uint64_t Revision() const { return revision_; }

private:
    std::string text_ = "Scourwell";
    uint64_t revision_ = 0;
};

}  // namespace scourwell::foundation
