#pragma once

// A throw-away Ed25519 key pair made for one test: the private key as PEM (what the publish
// tool reads) and the raw public key (what the update check trusts). Never a real signing key.

#include <string>

#include "update/update_signing.h"

namespace scourwell::testing {

struct TestSigningKey {
    std::string privatePem;
    update::PublicKey publicKey{};
};

TestSigningKey MakeTestSigningKey();

}  // namespace scourwell::testing
