#pragma once

// Small text helpers shared by the core. Case folding is ASCII-only: names are 8-bit text and
// bytes above 127 compare as they are.

#include <string>
#include <string_view>
#include <vector>

namespace scourwell::foundation {

std::string ToLower(std::string_view text);
std::string ToUpper(std::string_view text);
bool EqualsIgnoreCase(std::string_view a, std::string_view b);
int CompareIgnoreCase(std::string_view a, std::string_view b);  // <0, 0, >0
bool ContainsIgnoreCase(std::string_view text, std::string_view part);
bool StartsWith(std::string_view text, std::string_view prefix);
bool EndsWith(std::string_view text, std::string_view suffix);
std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to);
// 1-based position of the first occurrence, 0 when absent (the usual Pos).
size_t Pos(std::string_view part, std::string_view text);

// Windows path pieces: the file name after the last "\", and the folder up to and including
// the last "\" (empty when there is none).
std::string FileNamePart(std::string_view path);
std::string FolderPart(std::string_view path);
std::string WithTrailingBackslash(std::string_view path);
std::string WithoutTrailingBackslash(std::string_view path);

// Parses a whole decimal integer (optional sign); false on anything else.
bool ParseInt64(std::string_view text, long long& value);

// `head` followed by the first `shown` items, separated by "\r", and "\rand N more" for the
// rest: the body of a message that lists what failed.
std::string HeadAndShortList(std::string_view head, const std::vector<std::string>& items,
                             size_t shown);

}  // namespace scourwell::foundation
