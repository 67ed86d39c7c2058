#pragma once

// What the update server serves, built from a database text: the packed database, the version
// file naming its version, the program build and the SHA-256 of the database and of the
// installer, and the version file's detached signature.

#include <optional>
#include <string>
#include <string_view>

namespace scourwell::update {

struct Publication {
    std::string versionFile;               // "/updr2/swupd.txt"
    std::string signature;                 // "/updr2/swupd.txt.sig"
    std::string database;                  // "/updr2/files2.htm", the stored form
    std::optional<std::string> installer;  // "/downloads/scourwell_setup.exe"
};

// The version file's text: swupd;VERSION;BUILD;DATABASE-SHA256;INSTALLER-SHA256; and CR LF.
std::string FormatVersionFile(std::string_view databaseVersion, std::string_view build,
                              std::string_view databaseSha256, std::string_view installerSha256);

// The version published is the database text's first line. Empty, with `error` set, when that
// line is empty or holds a ";", when the text does not pack, or when the key cannot sign.
std::optional<Publication> BuildPublication(std::string_view databaseText,
                                            std::optional<std::string> installer,
                                            std::string_view build, std::string_view privateKeyPem,
                                            std::string& error);

}  // namespace scourwell::update
