#include "update/update_settings.h"

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>

namespace scourwell::update {

const PublicKey& BuiltInPublicKey() {
    static const PublicKey key = {0x3c, 0x74, 0x6d, 0xc2, 0x86, 0x9c, 0xcc, 0x2a, 0x5a, 0x60, 0x3d,
                                  0xc4, 0x56, 0xad, 0x0f, 0x83, 0x1e, 0x51, 0x0d, 0x9d, 0x8f, 0x95,
                                  0x28, 0x4f, 0xfb, 0xec, 0xc8, 0xbc, 0xa4, 0x13, 0x0c, 0xe0};
    return key;
}

UpdateSettings UpdateSettingsFromEnvironment() {
    UpdateSettings settings;
    settings.server = std::string(kDefaultUpdateServer);
    if (const char* server = std::getenv(kUpdateServerVariable); server && *server) {
        settings.server = server;
        while (!settings.server.empty() && settings.server.back() == '/')
            settings.server.pop_back();
    }
    settings.keys.push_back(BuiltInPublicKey());
    if (const char* keyFile = std::getenv(kUpdateKeyVariable); keyFile && *keyFile) {
        std::ifstream in(keyFile, std::ios::binary);
        std::ostringstream pem;
        pem << in.rdbuf();
        if (const auto key = in ? PublicKeyFromPem(pem.str()) : std::nullopt) {
            settings.keys.push_back(*key);
        } else {
            std::cerr << "Scourwell: " << kUpdateKeyVariable << ": no Ed25519 public key in "
                      << keyFile << "\n";
        }
    }
    return settings;
}

}  // namespace scourwell::update
