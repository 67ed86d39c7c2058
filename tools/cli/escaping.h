#pragma once

// What the companion writes never carries a byte that the terminal or a script would read as
// something else. Names come from the machine (file names, another user's process names,
// registry data) and may hold any byte.
//
// Text output: control characters (C0, DEL and the C1 range U+0080-U+009F) and bytes that
// are not part of valid UTF-8 are written as "\xHH", one per byte, so no ESC sequence, bare CR
// or BEL reaches the terminal. Everything else is written as it is.
//
// JSON output: every line is valid JSON whatever the bytes. A text that is valid UTF-8 is a
// JSON string, with the control characters (and DEL and C1) escaped as "\u00XX", so it reads
// back exactly. A text that is not valid UTF-8 (a host file name in another encoding) is
// written as an object {"bytes":"HEX"} holding its bytes in lower-case hexadecimal instead of
// a string: a string would need its bad bytes replaced (U+FFFD) or written as lone surrogates,
// which many JSON tools turn into U+FFFD, and either way "dup\xff.tmp" would read the same as a
// real "dup\ufffd.tmp". A script that takes the value for a string fails on the object rather
// than acting on another file.

#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

namespace scourwell::cli {

// `text` for a terminal, as described above.
std::string EscapeForTerminal(std::string_view text);

// Whether `text` is valid UTF-8 (no overlong forms, no surrogates, nothing above U+10FFFF).
bool IsValidUtf8(std::string_view text);

// `text` as a quoted JSON string; bytes that are not valid UTF-8 become U+FFFD (object keys,
// which are the program's own words, use this).
std::string JsonString(std::string_view text);

// A JSON value on one line, every string value in it written as described above.
std::string JsonText(const nlohmann::json& value);

}  // namespace scourwell::cli
