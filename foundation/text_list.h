#pragma once

// An ordered list of text lines with the behaviour of the program-wide lists: optionally kept
// sorted (case-insensitive), optionally ignoring duplicates, saved as CR LF text. Saving
// replaces the file atomically.

#include <string>
#include <string_view>
#include <vector>

namespace scourwell::foundation {

class TextList {
public:
    TextList(bool sorted = false, bool ignoreDuplicates = false)
        : sorted_(sorted), ignoreDuplicates_(ignoreDuplicates) {}

    bool Sorted() const { return sorted_; }
    // Switching to sorted sorts the lines at once (stable; duplicates already held stay).
    void SetSorted(bool sorted);
    void SetIgnoreDuplicates(bool ignore) { ignoreDuplicates_ = ignore; }

    size_t Count() const { return lines_.size(); }
    bool Empty() const { return lines_.empty(); }
    const std::string& operator[](size_t i) const { return lines_[i]; }
    const std::vector<std::string>& Lines() const { return lines_; }

    // Adds a line (at its sorted place when sorted). A duplicate (case-insensitive) is
    // ignored when duplicates are ignored and the list is sorted. Returns the index.
    size_t Add(std::string line);
    void Set(size_t i, std::string line) { lines_[i] = std::move(line); }
    void Remove(size_t i);
    void Clear() { lines_.clear(); }
    // Index of a line equal to `line` without regard to case, or -1.
    long IndexOf(std::string_view line) const;
    // Index of the first line whose text before the first "=" equals `name` (case ignored).
    long IndexOfName(std::string_view name) const;

    // Replaces the content with the lines of a file (CR LF, LF or CR ends a line). False when
    // the file cannot be read; the list is then unchanged.
    bool LoadFromFile(std::string_view windowsPath);
    // Writes every line followed by CR LF, atomically. False on failure.
    bool SaveToFile(std::string_view windowsPath) const;
    std::string Text() const;

private:
    bool sorted_;
    bool ignoreDuplicates_;
    std::vector<std::string> lines_;
};

}  // namespace scourwell::foundation
