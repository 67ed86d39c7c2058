#include "foundation/text_list.h"

#include <algorithm>

#include "foundation/text.h"
#include "platform/files.h"

namespace scourwell::foundation {

void TextList::SetSorted(bool sorted) {
    if (sorted && !sorted_) {
        std::stable_sort(lines_.begin(), lines_.end(), [](const std::string& a, const std::string& b) {
            return CompareIgnoreCase(a, b) < 0;
        });
    }
    sorted_ = sorted;
}

size_t TextList::Add(std::string line) {
    if (!sorted_) {
        lines_.push_back(std::move(line));
        return lines_.size() - 1;
    }
    const auto first = std::lower_bound(lines_.begin(), lines_.end(), line,
                                        [](const std::string& held, const std::string& added) {
                                            return CompareIgnoreCase(held, added) < 0;
                                        });
    if (ignoreDuplicates_ && first != lines_.end() && CompareIgnoreCase(*first, line) == 0)
        return static_cast<size_t>(first - lines_.begin());
    // After the lines that compare equal, so equal lines keep their order of arrival.
    auto place = first;
    while (place != lines_.end() && CompareIgnoreCase(*place, line) == 0) ++place;
    const auto inserted = lines_.insert(place, std::move(line));
    return static_cast<size_t>(inserted - lines_.begin());
}

void TextList::Remove(size_t i) {
    if (i < lines_.size()) lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(i));
}

long TextList::IndexOf(std::string_view line) const {
    for (size_t i = 0; i < lines_.size(); ++i)
        if (EqualsIgnoreCase(lines_[i], line)) return static_cast<long>(i);
    return -1;
}

long TextList::IndexOfName(std::string_view name) const {
    for (size_t i = 0; i < lines_.size(); ++i) {
        const std::string& line = lines_[i];
        const size_t equals = line.find('=');
        if (equals == std::string::npos) continue;
        if (EqualsIgnoreCase(std::string_view(line).substr(0, equals), name)) return static_cast<long>(i);
    }
    return -1;
}

bool TextList::LoadFromFile(std::string_view windowsPath) {
    const std::optional<std::string> contents = platform::ReadWholeFile(windowsPath);
    if (!contents) return false;
    const std::string& text = *contents;
    lines_.clear();
    size_t start = 0;
    while (start < text.size()) {
        size_t end = start;
        while (end < text.size() && text[end] != '\r' && text[end] != '\n') ++end;
        Add(text.substr(start, end - start));
        // CR LF, a lone LF or a lone CR ends the line.
        if (end < text.size() && text[end] == '\r') {
            ++end;
            if (end < text.size() && text[end] == '\n') ++end;
        } else if (end < text.size()) {
            ++end;
        }
        start = end;
    }
    return true;
}

bool TextList::SaveToFile(std::string_view windowsPath) const {
    return platform::WriteFileAtomic(windowsPath, Text());
}

std::string TextList::Text() const {
    std::string text;
    for (const std::string& line : lines_) {
        text += line;
        text += "\r\n";
    }
    return text;
}

}  // namespace scourwell::foundation
