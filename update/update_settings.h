#pragma once

// Where updates come from and whose signatures are trusted.
//
// The update server is kDefaultUpdateServer unless the environment variable
// SCOURWELL_UPDATE_SERVER names another ("http://host", "host:port", "https://host:port").
// The public key built into the program is always trusted; SCOURWELL_UPDATE_KEY may name a PEM
// file (host path) with one more Ed25519 public key, for a deployment that publishes with its
// own key. docs/updates.md describes both.

#include <string>
#include <string_view>
#include <vector>

#include "update/update_signing.h"

namespace scourwell::update {

inline constexpr std::string_view kDefaultUpdateServer = "http://update.scourwell.example";
inline constexpr const char* kUpdateServerVariable = "SCOURWELL_UPDATE_SERVER";
inline constexpr const char* kUpdateKeyVariable = "SCOURWELL_UPDATE_KEY";

struct UpdateSettings {
    std::string server;  // scheme (optional), host and port; no path
    std::vector<PublicKey> keys;
};

// The key whose private half signs the published updates.
const PublicKey& BuiltInPublicKey();

// The compiled-in server and key, with what the environment adds. A key file that cannot be
// read or holds no Ed25519 key is reported on standard error and left out.
UpdateSettings UpdateSettingsFromEnvironment();

}  // namespace scourwell::update
