// Parsing and writing .reg text.

#include "platform/reg_text.h"

#include <iconv.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <string>

#include "platform/view_internal.h"

namespace scourwell::platform::detail {
namespace {

constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";
constexpr std::string_view kHeader4 = "REGEDIT4";

// Converts between encodings with iconv; empty optional when the input is not valid.
std::optional<std::string> Convert(std::string_view input, const char* from, const char* to) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    std::string out(input.size() * 2 + 16, '\0');
    char* in = const_cast<char*>(input.data());
    size_t inLeft = input.size();
    size_t used = 0;
    bool ok = true;
    while (inLeft > 0) {
        char* outPtr = out.data() + used;
        size_t outLeft = out.size() - used;
        const size_t r = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        used = out.size() - outLeft;
        if (r == static_cast<size_t>(-1)) {
            if (errno == E2BIG) {
                out.resize(out.size() * 2);
                continue;
            }
            ok = false;
            break;
        }
    }
    iconv_close(cd);
    if (!ok) return std::nullopt;
    out.resize(used);
    return out;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
    return s;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Reads a quoted string starting at text[pos] == '"'; \\ and \" are escapes, any other
// backslash stands for itself. Advances pos past the closing quote.
std::optional<std::string> ReadQuoted(std::string_view text, size_t& pos) {
    std::string out;
    for (size_t i = pos + 1; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\\' && i + 1 < text.size() && (text[i + 1] == '\\' || text[i + 1] == '"')) {
            out += text[++i];
        } else if (c == '"') {
            pos = i + 1;
            return out;
        } else {
            out += c;
        }
    }
    return std::nullopt;
}

std::string Escape(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c == '\\' || c == '"') out += '\\';
        out += c;
    }
    return out;
}

// UTF-16LE bytes of a string value (with its terminating NUL) to UTF-8 text. Only the one
// terminating NUL goes: a string that itself ends in NUL keeps it.
std::optional<std::string> Utf16Value(const std::string& bytes) {
    std::string data = bytes;
    if (data.size() % 2 != 0) return std::nullopt;
    if (data.size() >= 2 && data[data.size() - 1] == '\0' && data[data.size() - 2] == '\0')
        data.resize(data.size() - 2);
    return Convert(data, "UTF-16LE", "UTF-8");
}

class LineParser {
public:
    LineParser(const std::string& source, std::vector<RegOperation>& operations, std::string& error)
        : source_(source), operations_(operations), error_(error) {}

    bool Fail(int line, const std::string& message) {
        error_ = source_ + ":" + std::to_string(line) + ": " + message;
        return false;
    }

    bool Section(int line, std::string_view text) {
        if (text.back() != ']') return Fail(line, "a key line must end with ']'");
        std::string_view name = text.substr(1, text.size() - 2);
        RegOperation op;
        op.kind = RegOperation::Kind::CreateKey;
        if (name.starts_with('-')) {
            op.kind = RegOperation::Kind::DeleteKey;
            name.remove_prefix(1);
        }
        const auto key = ParseKeyName(Trim(name));
        if (!key) return Fail(line, "unknown root key in [" + std::string(name) + "]");
        if (op.kind == RegOperation::Kind::DeleteKey && key->second.empty())
            return Fail(line, "a root key cannot be deleted");
        op.root = key->first;
        op.path = key->second;
        operations_.push_back(op);
        haveKey_ = op.kind == RegOperation::Kind::CreateKey;
        root_ = op.root;
        path_ = op.path;
        return true;
    }

    bool Value(int line, std::string_view text) {
        if (!haveKey_) return Fail(line, "a value line outside a key section");
        RegOperation op;
        op.root = root_;
        op.path = path_;
        size_t pos = 0;
        if (text.front() == '@') {
            pos = 1;
        } else if (text.front() == '"') {
            auto name = ReadQuoted(text, pos);
            if (!name) return Fail(line, "the value name has no closing quote");
            op.value.name = *name;
        } else {
            return Fail(line, "expected a key in [brackets], a quoted value name or @");
        }
        std::string_view rest = Trim(text.substr(pos));
        if (!rest.starts_with('=')) return Fail(line, "expected '=' after the value name");
        rest = Trim(rest.substr(1));
        if (rest == "-") {
            op.kind = RegOperation::Kind::DeleteValue;
            operations_.push_back(op);
            return true;
        }
        op.kind = RegOperation::Kind::SetValue;
        if (rest.starts_with('"')) {
            size_t end = 0;
            auto data = ReadQuoted(rest, end);
            if (!data) return Fail(line, "the string value has no closing quote");
            if (!Trim(rest.substr(end)).empty()) return Fail(line, "text after the closing quote");
            op.value.type = ValueType::String;
            op.value.data = *data;
        } else if (rest.starts_with("dword:")) {
            const std::string_view digits = Trim(rest.substr(6));
            if (digits.empty() || digits.size() > 8) return Fail(line, "a dword has 1 to 8 hex digits");
            uint32_t value = 0;
            for (char c : digits) {
                const int d = HexDigit(c);
                if (d < 0) return Fail(line, "'" + std::string(digits) + "' is not a hex dword");
                value = value * 16 + static_cast<uint32_t>(d);
            }
            op.value.type = ValueType::Dword;
            op.value.dword = value;
        } else if (rest.starts_with("hex")) {
            uint32_t type = static_cast<uint32_t>(ValueType::Binary);
            std::string_view bytesText;
            if (rest.starts_with("hex:")) {
                bytesText = rest.substr(4);
            } else if (rest.starts_with("hex(")) {
                const size_t close = rest.find("):");
                if (close == std::string_view::npos) return Fail(line, "expected hex(type):");
                const std::string_view typeText = rest.substr(4, close - 4);
                if (typeText.empty() || typeText.size() > 8) return Fail(line, "bad hex value type");
                type = 0;
                for (char c : typeText) {
                    const int d = HexDigit(c);
                    if (d < 0) return Fail(line, "bad hex value type '" + std::string(typeText) + "'");
                    type = type * 16 + static_cast<uint32_t>(d);
                }
                bytesText = rest.substr(close + 2);
            } else {
                return Fail(line, "unknown value data '" + std::string(rest.substr(0, 20)) + "'");
            }
            std::string bytes;
            if (!ParseHexBytes(bytesText, bytes)) return Fail(line, "malformed hex bytes");
            op.value.type = static_cast<ValueType>(type);
            op.value.data = bytes;
            if (type == static_cast<uint32_t>(ValueType::String) ||
                type == static_cast<uint32_t>(ValueType::ExpandString)) {
                auto text16 = Utf16Value(bytes);
                if (!text16) return Fail(line, "string bytes are not UTF-16LE");
                op.value.data = *text16;
            } else if (type == static_cast<uint32_t>(ValueType::Dword)) {
                if (bytes.size() != 4) return Fail(line, "a dword has 4 bytes");
                op.value.dword = static_cast<uint32_t>(static_cast<unsigned char>(bytes[0])) |
                                 static_cast<uint32_t>(static_cast<unsigned char>(bytes[1])) << 8 |
                                 static_cast<uint32_t>(static_cast<unsigned char>(bytes[2])) << 16 |
                                 static_cast<uint32_t>(static_cast<unsigned char>(bytes[3])) << 24;
                op.value.data.clear();
            }
        } else {
            return Fail(line, "unknown value data '" + std::string(rest.substr(0, 20)) + "'");
        }
        operations_.push_back(op);
        return true;
    }

private:
    static bool ParseHexBytes(std::string_view text, std::string& bytes) {
        text = Trim(text);
        if (text.empty()) return true;
        size_t start = 0;
        while (start <= text.size()) {
            size_t comma = text.find(',', start);
            if (comma == std::string_view::npos) comma = text.size();
            const std::string_view item = Trim(text.substr(start, comma - start));
            if (item.size() != 2 || HexDigit(item[0]) < 0 || HexDigit(item[1]) < 0) return false;
            bytes += static_cast<char>(HexDigit(item[0]) * 16 + HexDigit(item[1]));
            start = comma + 1;
        }
        return true;
    }

    const std::string& source_;
    std::vector<RegOperation>& operations_;
    std::string& error_;
    bool haveKey_ = false;
    RootKey root_ = RootKey::LocalMachine;
    std::string path_;
};

void AppendHex(std::string& out, std::string_view prefix, std::string_view bytes) {
    // Wrapped like the registry editor does, near 80 columns, with "\" continuations.
    out += prefix;
    size_t column = out.size();  // `out` is the line so far
    char buffer[4];
    for (size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(buffer, sizeof(buffer), "%02x", static_cast<unsigned char>(bytes[i]));
        out += buffer;
        column += 2;
        if (i + 1 < bytes.size()) {
            out += ',';
            ++column;
            if (column > 76) {
                out += "\\\r\n  ";
                column = 2;
            }
        }
    }
}

}  // namespace

std::string NormalizeKeyPath(std::string_view path) {
    std::string out;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('\\', start);
        if (end == std::string_view::npos) end = path.size();
        const std::string_view part = path.substr(start, end - start);
        if (!part.empty()) {
            if (!out.empty()) out += '\\';
            out += part;
        }
        start = end + 1;
    }
    return out;
}

std::optional<std::pair<RootKey, std::string>> ParseKeyName(std::string_view fullName) {
    const size_t slash = fullName.find('\\');
    const std::string root = FoldCase(fullName.substr(0, slash));
    const std::string rest = slash == std::string_view::npos ? "" : NormalizeKeyPath(fullName.substr(slash + 1));
    struct Name {
        const char* full;
        const char* shortName;
        RootKey root;
    };
    static const Name names[] = {
        {"HKEY_CLASSES_ROOT", "HKCR", RootKey::ClassesRoot},
        {"HKEY_CURRENT_USER", "HKCU", RootKey::CurrentUser},
        {"HKEY_LOCAL_MACHINE", "HKLM", RootKey::LocalMachine},
        {"HKEY_USERS", "HKU", RootKey::Users},
        {"HKEY_CURRENT_CONFIG", "HKCC", RootKey::CurrentConfig},
    };
    for (const Name& name : names)
        if (root == name.full || root == name.shortName) return std::make_pair(name.root, rest);
    return std::nullopt;
}

bool ParseRegText(std::string_view bytes, const std::string& source,
                  std::vector<RegOperation>& operations, std::string& error) {
    std::string text;
    if (bytes.starts_with("\xFF\xFE")) {
        auto converted = Convert(bytes.substr(2), "UTF-16LE", "UTF-8");
        if (!converted) {
            error = source + ": the file is not valid UTF-16LE text";
            return false;
        }
        text = std::move(*converted);
    } else if (bytes.starts_with("\xFE\xFF")) {
        error = source + ": UTF-16 big-endian files are not supported";
        return false;
    } else {
        text = std::string(bytes.starts_with("\xEF\xBB\xBF") ? bytes.substr(3) : bytes);
    }

    // Lines, with CR LF or LF ends; a value line ending in "\" continues on the next line.
    std::vector<std::pair<int, std::string>> lines;
    int number = 0;
    size_t start = 0;
    bool continuing = false;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string_view line = text;
        line = line.substr(start, end - start);
        if (line.ends_with('\r')) line.remove_suffix(1);
        start = end + 1;
        ++number;
        std::string_view trimmed = Trim(line);
        if (continuing) {
            lines.back().second += std::string(trimmed);
        } else {
            lines.emplace_back(number, std::string(trimmed));
        }
        std::string& current = lines.back().second;
        continuing = !current.empty() && current.back() == '\\' && current.front() != '[' &&
                     current.front() != ';';
        if (continuing) current.pop_back();
    }

    if (lines.empty() || (lines[0].second != kHeader && lines[0].second != kHeader4)) {
        error = source + ":1: not a registry file (expected \"" + std::string(kHeader) + "\")";
        return false;
    }
    LineParser parser(source, operations, error);
    for (size_t i = 1; i < lines.size(); ++i) {
        const auto& [line, content] = lines[i];
        if (content.empty() || content.front() == ';') continue;
        const bool ok = content.front() == '[' ? parser.Section(line, content) : parser.Value(line, content);
        if (!ok) return false;
    }
    return true;
}

namespace {

std::string FormatText(const std::vector<RegKeyText>& keys) {
    std::string out = std::string(kHeader) + "\r\n\r\n";
    for (const RegKeyText& key : keys) {
        out += "[" + key.fullName + "]\r\n";
        for (const RegistryValue& value : key.values) {
            std::string line = value.name.empty() ? "@=" : "\"" + Escape(value.name) + "\"=";
            switch (value.type) {
                case ValueType::Dword: {
                    char buffer[16];
                    std::snprintf(buffer, sizeof(buffer), "dword:%08x", value.dword);
                    line += buffer;
                    break;
                }
                case ValueType::Binary:
                    AppendHex(line, "hex:", value.data);
                    break;
                case ValueType::String:
                    // A line break or NUL inside would break the line structure: such
                    // strings are written as hex(1), which reads back as the same string.
                    if (value.data.find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos) {
                        line += "\"" + Escape(value.data) + "\"";
                        break;
                    }
                    [[fallthrough]];
                default: {
                    std::string bytes = value.data;
                    if (value.type == ValueType::ExpandString || value.type == ValueType::String) {
                        // Text that is not UTF-8 has no UTF-16 form: it comes out empty here,
                        // and the read-back check refuses it.
                        bytes = Convert(value.data, "UTF-8", "UTF-16LE").value_or("");
                        bytes.append(2, '\0');
                    }
                    char prefix[32];
                    std::snprintf(prefix, sizeof(prefix), "hex(%x):", static_cast<unsigned>(value.type));
                    AppendHex(line, prefix, bytes);
                    break;
                }
            }
            out += line + "\r\n";
        }
        out += "\r\n";
    }
    return out;
}

bool SameValue(const RegistryValue& a, const RegistryValue& b) {
    return a.name == b.name && a.type == b.type &&
           (a.type == ValueType::Dword ? a.dword == b.dword : a.data == b.data);
}

}  // namespace

bool FormatRegText(const std::vector<RegKeyText>& keys, std::string& text, std::string& error) {
    text = FormatText(keys);
    // What import would make of the text must be exactly what is exported: a key or value that
    // does not survive the trip (a name with a blank at its end, a string that is not UTF-8 and
    // holds a line break) is refused, never written changed.
    std::vector<RegOperation> operations;
    std::string parseError;
    if (!ParseRegText(text, "export", operations, parseError)) {
        error = "the exported text does not read back: " + parseError;
        return false;
    }
    size_t next = 0;
    for (const RegKeyText& key : keys) {
        const RegOperation* op = next < operations.size() ? &operations[next++] : nullptr;
        const std::string readName =
            op == nullptr ? std::string()
                          : std::string(RootKeyName(op->root)) + (op->path.empty() ? "" : "\\" + op->path);
        if (op == nullptr || op->kind != RegOperation::Kind::CreateKey || readName != key.fullName) {
            error = "the key [" + key.fullName + "] cannot be written so that it reads back the same";
            return false;
        }
        for (const RegistryValue& value : key.values) {
            op = next < operations.size() ? &operations[next++] : nullptr;
            if (op == nullptr || op->kind != RegOperation::Kind::SetValue || !SameValue(op->value, value)) {
                error = "the value \"" + value.name + "\" of [" + key.fullName +
                        "] cannot be written so that it reads back the same";
                return false;
            }
        }
    }
    return true;
}

}  // namespace scourwell::platform::detail
