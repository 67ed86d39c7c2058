#pragma once

// The HTTP transport over libcurl: HTTP/1.0 (or HTTPS), one request per Fetch, the body delivered in
// blocks as it arrives. Safe to use from a worker thread (each Fetch has its own handle).

#include <memory>

#include "platform/http.h"

namespace scourwell::platform {

std::unique_ptr<HttpTransport> MakeCurlTransport();

}  // namespace scourwell::platform
