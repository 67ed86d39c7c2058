#pragma once

// HTTP transport: one GET or POST of one resource, delivered in blocks.

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace scourwell::platform {

struct HttpRequest {
    bool secure = false;  // https (certificate checked) instead of plain http
    std::string host;
    std::string path;  // begins with "/"
    int port = 80;
    std::string agent;
    std::string accept = "*/*";
    std::string referer;
    std::string userName;
    std::string password;
    std::string postBody;  // non-empty: POST as application/x-www-form-urlencoded
    bool useCache = false;
    int64_t rangeStart = -1;  // with rangeLength: read only that part
    int64_t rangeLength = -1;
    // When set, the transfer ends as failed soon after the flag turns true (also while it
    // waits for a connection or for a stalled server), within about a second.
    const std::atomic<bool>* cancel = nullptr;
};

class HttpTransport {
public:
    virtual ~HttpTransport() = default;
    // Sends the request; `onLength` gets the content length (empty when the reply has none);
    // `onBlock` gets the body in blocks and returns false to stop. False on any failure.
    virtual bool Fetch(const HttpRequest& request,
                       const std::function<void(std::optional<int64_t>)>& onLength,
                       const std::function<bool(const char*, size_t)>& onBlock) = 0;
};

}  // namespace scourwell::platform
