#include "tools/cli/escaping.h"

#include <cstdint>

namespace scourwell::cli {

namespace {

// Length of the valid UTF-8 sequence at `i` (1-4), or 0 when the byte there starts none:
// no overlong forms, no surrogates, nothing above U+10FFFF. `code` gets its code point.
size_t SequenceAt(std::string_view text, size_t i, uint32_t& code) {
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    if (lead < 0x80) {
        code = lead;
        return 1;
    }
    size_t length = 0;
    uint32_t min = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2;
        code = lead & 0x1F;
        min = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        code = lead & 0x0F;
        min = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        code = lead & 0x07;
        min = 0x10000;
    } else {
        return 0;
    }
    if (i + length > text.size()) return 0;
    for (size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
        code = (code << 6) | (byte(i + k) & 0x3F);
    }
    if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
    return length;
}

bool IsControl(uint32_t code) {
    return code < 0x20 || (code >= 0x7F && code <= 0x9F);
}

const char kHex[] = "0123456789ABCDEF";

void AppendHexByte(std::string& out, unsigned char value) {
    out += kHex[value >> 4];
    out += kHex[value & 0x0F];
}

void AppendLowerHexByte(std::string& out, unsigned char value) {
    static const char kLower[] = "0123456789abcdef";
    out += kLower[value >> 4];
    out += kLower[value & 0x0F];
}

}  // namespace

std::string EscapeForTerminal(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        uint32_t code = 0;
        const size_t length = SequenceAt(text, i, code);
        if (length == 0 || IsControl(code)) {
            // Each byte of the character (or the stray byte) on its own.
            const size_t bytes = length == 0 ? 1 : length;
            for (size_t k = 0; k < bytes; ++k) {
                out += "\\x";
                AppendHexByte(out, static_cast<unsigned char>(text[i + k]));
            }
            i += bytes;
            continue;
        }
        out.append(text.substr(i, length));
        i += length;
    }
    return out;
}

bool IsValidUtf8(std::string_view text) {
    uint32_t code = 0;
    for (size_t i = 0; i < text.size();) {
        const size_t length = SequenceAt(text, i, code);
        if (length == 0) return false;
        i += length;
    }
    return true;
}

std::string JsonString(std::string_view text) {
    std::string out = "\"";
    out.reserve(text.size() + 2);
    for (size_t i = 0; i < text.size();) {
        uint32_t code = 0;
        const size_t length = SequenceAt(text, i, code);
        if (length == 0) {
            out += "\\ufffd";
            ++i;
            continue;
        }
        if (code == '"') {
            out += "\\\"";
        } else if (code == '\\') {
            out += "\\\\";
        } else if (IsControl(code)) {
            out += "\\u00";
            AppendHexByte(out, static_cast<unsigned char>(code));
        } else {
            out.append(text.substr(i, length));
        }
        i += length;
    }
    out += '"';
    return out;
}

std::string JsonText(const nlohmann::json& value) {
    if (value.is_string()) {
        const std::string& text = value.get_ref<const std::string&>();
        if (IsValidUtf8(text)) return JsonString(text);
        std::string hex;
        for (char c : text) AppendLowerHexByte(hex, static_cast<unsigned char>(c));
        return "{\"bytes\":\"" + hex + "\"}";
    }
    if (value.is_object()) {
        std::string out = "{";
        for (auto it = value.begin(); it != value.end(); ++it) {
            if (out.size() > 1) out += ',';
            out += JsonString(it.key());
            out += ':';
            out += JsonText(it.value());
        }
        return out + "}";
    }
    if (value.is_array()) {
        std::string out = "[";
        for (const nlohmann::json& item : value) {
            if (out.size() > 1) out += ',';
            out += JsonText(item);
        }
        return out + "]";
    }
    return value.dump();  // numbers, booleans, null
}

}  // namespace scourwell::cli
