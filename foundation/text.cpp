#include "foundation/text.h"

#include <algorithm>
#include <charconv>

namespace scourwell::foundation {
namespace {

char LowerChar(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
char UpperChar(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

std::string ToLower(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = LowerChar(c);
    return out;
}

std::string ToUpper(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = UpperChar(c);
    return out;
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (LowerChar(a[i]) != LowerChar(b[i])) return false;
    return true;
}

int CompareIgnoreCase(std::string_view a, std::string_view b) {
    const size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
        const auto ca = static_cast<unsigned char>(LowerChar(a[i]));
        const auto cb = static_cast<unsigned char>(LowerChar(b[i]));
        if (ca != cb) return ca < cb ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

bool ContainsIgnoreCase(std::string_view text, std::string_view part) {
    if (part.empty()) return true;
    if (part.size() > text.size()) return false;
    for (size_t i = 0; i + part.size() <= text.size(); ++i)
        if (EqualsIgnoreCase(text.substr(i, part.size()), part)) return true;
    return false;
}

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

bool EndsWith(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
    if (from.empty()) return std::string(text);
    std::string out;
    out.reserve(text.size());
    size_t start = 0;
    for (size_t hit; (hit = text.find(from, start)) != std::string_view::npos;
         start = hit + from.size()) {
        out.append(text.substr(start, hit - start));
        out.append(to);
    }
    out.append(text.substr(start));
    return out;
}

size_t Pos(std::string_view part, std::string_view text) {
    if (part.empty()) return 0;
    const size_t hit = text.find(part);
    return hit == std::string_view::npos ? 0 : hit + 1;
}

std::string FileNamePart(std::string_view path) {
    const size_t slash = path.rfind('\\');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string FolderPart(std::string_view path) {
    const size_t slash = path.rfind('\\');
    return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash + 1));
}

std::string WithTrailingBackslash(std::string_view path) {
    std::string out(path);
    if (out.empty() || out.back() != '\\') out += '\\';
    return out;
}

std::string WithoutTrailingBackslash(std::string_view path) {
    std::string out(path);
    if (!out.empty() && out.back() == '\\') out.pop_back();
    return out;
}

bool ParseInt64(std::string_view text, long long& value) {
    if (text.empty()) return false;
    size_t start = 0;
    bool negative = false;
    if (text[0] == '+' || text[0] == '-') {
        negative = text[0] == '-';
        start = 1;
    }
    const std::string_view digits = text.substr(start);
    if (digits.empty()) return false;
    for (char c : digits)
        if (c < '0' || c > '9') return false;
    // Parse with the sign attached so that the most negative value still fits.
    const std::string signedDigits = (negative ? "-" : "") + std::string(digits);
    long long parsed = 0;
    const auto [end, error] =
        std::from_chars(signedDigits.data(), signedDigits.data() + signedDigits.size(), parsed);
    if (error != std::errc() || end != signedDigits.data() + signedDigits.size()) return false;
    value = parsed;
    return true;
}

std::string HeadAndShortList(std::string_view head, const std::vector<std::string>& items,
                             size_t shown) {
    std::string text(head);
    shown = std::min(items.size(), shown);
    for (size_t i = 0; i < shown; ++i) {
        if (i > 0) text += "\r";
        text += items[i];
    }
    if (items.size() > shown) text += "\rand " + std::to_string(items.size() - shown) + " more";
    return text;
}

}  // namespace scourwell::foundation
