// Case folding of names and Windows mask matching.

#include <locale.h>
#include <wctype.h>

#include <string>
#include <string_view>

#include "platform/files.h"
#include "platform/view_internal.h"

namespace scourwell::platform {
namespace detail {
namespace {

// Unicode case tables come from the C.UTF-8 locale; without it only ASCII is folded.
locale_t FoldLocale() {
    static const locale_t locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
    return locale;
}

char32_t FoldCodePoint(char32_t c) {
    if (c < 0x80) return (c >= 'a' && c <= 'z') ? c - 'a' + 'A' : c;
    if (c >= 0xDC80 && c <= 0xDCFF) return c;  // an undecodable byte
    const locale_t locale = FoldLocale();
    if (locale == static_cast<locale_t>(0)) return c;
    return static_cast<char32_t>(towupper_l(static_cast<wint_t>(c), locale));
}

// Decodes one UTF-8 sequence at `i`; an invalid byte decodes to U+DC80 + byte.
char32_t DecodeAt(std::string_view s, size_t& i) {
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char b0 = byte(i);
    if (b0 < 0x80) {
        ++i;
        return b0;
    }
    int extra = 0;
    char32_t c = 0;
    char32_t minimum = 0;
    if ((b0 & 0xE0) == 0xC0) {
        extra = 1, c = b0 & 0x1F, minimum = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        extra = 2, c = b0 & 0x0F, minimum = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        extra = 3, c = b0 & 0x07, minimum = 0x10000;
    } else {
        ++i;
        return 0xDC00 + b0;
    }
    for (int k = 1; k <= extra; ++k) {
        if (i + k >= s.size() || (byte(i + k) & 0xC0) != 0x80) {
            ++i;
            return 0xDC00 + b0;
        }
        c = (c << 6) | (byte(i + k) & 0x3F);
    }
    if (c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
        ++i;
        return 0xDC00 + b0;
    }
    i += extra + 1;
    return c;
}

void Encode(char32_t c, std::string& out) {
    if (c >= 0xDC80 && c <= 0xDCFF) {
        out += static_cast<char>(c - 0xDC00);
    } else if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

bool GlobMatch(const std::u32string& name, const std::u32string& mask) {
    size_t n = 0, m = 0;
    size_t starMask = std::u32string::npos, starName = 0;
    while (n < name.size()) {
        if (m < mask.size() && (mask[m] == U'?' || mask[m] == name[n])) {
            ++n, ++m;
        } else if (m < mask.size() && mask[m] == U'*') {
            starMask = m++;
            starName = n;
        } else if (starMask != std::u32string::npos) {
            m = starMask + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == U'*') ++m;
    return m == mask.size();
}

}  // namespace

std::u32string FoldToCodePoints(std::string_view text) {
    std::u32string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) out += FoldCodePoint(DecodeAt(text, i));
    return out;
}

std::string FoldCase(std::string_view text) {
    bool ascii = true;
    for (char c : text) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    std::string out;
    out.reserve(text.size());
    if (ascii) {
        for (char c : text) out += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
        return out;
    }
    for (size_t i = 0; i < text.size();) Encode(FoldCodePoint(DecodeAt(text, i)), out);
    return out;
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
    return a == b || FoldCase(a) == FoldCase(b);
}

}  // namespace detail

std::string FoldName(std::string_view text) { return detail::FoldCase(text); }

bool SameNameIgnoringCase(std::string_view a, std::string_view b) {
    return detail::EqualsIgnoreCase(a, b);
}

bool MatchesMask(std::string_view name, std::string_view mask) {
    if (mask.empty()) return false;
    if (mask == "*" || mask == "*.*") return true;
    const std::u32string foldedName = detail::FoldToCodePoints(name);
    const std::u32string foldedMask = detail::FoldToCodePoints(mask);
    if (detail::GlobMatch(foldedName, foldedMask)) return true;
    // "name.*" also matches a name without any extension, as on Windows.
    if (foldedMask.size() >= 2 && foldedMask.ends_with(U".*") &&
        foldedName.find(U'.') == std::u32string::npos) {
        return detail::GlobMatch(foldedName, foldedMask.substr(0, foldedMask.size() - 2));
    }
    return false;
}

}  // namespace scourwell::platform
