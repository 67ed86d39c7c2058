#include "update/publish.h"

#include "database/signature_database.h"
#include "update/update_signing.h"

namespace scourwell::update {

std::string FormatVersionFile(std::string_view databaseVersion, std::string_view build,
                              std::string_view databaseSha256, std::string_view installerSha256) {
    std::string text = "swupd;";
    for (std::string_view field : {databaseVersion, build, databaseSha256, installerSha256}) {
        text += field;
        text += ';';
    }
    return text + "\r\n";
}

std::optional<Publication> BuildPublication(std::string_view databaseText,
                                            std::optional<std::string> installer,
                                            std::string_view build, std::string_view privateKeyPem,
                                            std::string& error) {
    const std::string_view version = databaseText.substr(0, databaseText.find_first_of("\r\n"));
    if (version.empty()) {
        error = "the database text has no version line";
        return std::nullopt;
    }
    if (version.find(';') != std::string_view::npos || build.find(';') != std::string_view::npos ||
        build.find_first_of("\r\n") != std::string_view::npos) {
        error = "the version line and the build may not hold a \";\"";
        return std::nullopt;
    }
    Publication publication;
    const std::vector<unsigned char> packed = database::PackDatabaseText(databaseText);
    if (packed.empty()) {
        error = "the database text does not pack";
        return std::nullopt;
    }
    publication.database.assign(packed.begin(), packed.end());
    publication.installer = std::move(installer);
    publication.versionFile = FormatVersionFile(
        version, build, Sha256Hex(publication.database),
        publication.installer ? Sha256Hex(*publication.installer) : std::string());
    const std::optional<std::string> signature =
        SignMessage(publication.versionFile, privateKeyPem);
    if (!signature) {
        error = "the key is not an Ed25519 private key in PEM form";
        return std::nullopt;
    }
    publication.signature = *signature;
    return publication;
}

}  // namespace scourwell::update
