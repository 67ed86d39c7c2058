#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "platform/http_curl.h"
#include "tests/support/static_http_server.h"
#include "tests/support/test_machine.h"

namespace scourwell::platform {
namespace {

// A one-request HTTP server on the loopback interface that answers with a fixed reply and
// keeps the request it received.
class OneShotServer {
public:
    explicit OneShotServer(std::string reply) : reply_(std::move(reply)) {
        listener_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof(address));
        socklen_t size = sizeof(address);
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size);
        port_ = ntohs(address.sin_port);
        listen(listener_, 1);
        thread_ = std::thread([this] { Serve(); });
    }
    ~OneShotServer() {
        if (thread_.joinable()) thread_.join();
        close(listener_);
    }
    int port() const { return port_; }
    const std::string& request() {
        if (thread_.joinable()) thread_.join();
        return request_;
    }

private:
    void Serve() {
        const int client = accept(listener_, nullptr, nullptr);
        if (client < 0) return;
        char buffer[4096];
        size_t bodyWanted = 0;
        for (;;) {
            const size_t head = request_.find("\r\n\r\n");
            if (head != std::string::npos) {
                const size_t length = request_.find("Content-Length: ");
                if (length != std::string::npos && length < head)
                    bodyWanted = std::stoul(request_.substr(length + 16));
                if (request_.size() >= head + 4 + bodyWanted) break;
            }
            const ssize_t n = recv(client, buffer, sizeof(buffer), 0);
            if (n <= 0) break;
            request_.append(buffer, static_cast<size_t>(n));
        }
        send(client, reply_.data(), reply_.size(), MSG_NOSIGNAL);
        close(client);
    }

    std::string reply_;
    std::string request_;
    int listener_ = -1;
    int port_ = 0;
    std::thread thread_;
};

struct Result {
    bool ok = false;
    std::optional<int64_t> length;
    bool lengthCalled = false;
    std::string body;
};

Result Fetch(const HttpRequest& request, size_t stopAfter = SIZE_MAX) {
    Result result;
    result.ok = MakeCurlTransport()->Fetch(
        request,
        [&](std::optional<int64_t> length) {
            result.lengthCalled = true;
            result.length = length;
        },
        [&](const char* data, size_t size) {
            result.body.append(data, size);
            return result.body.size() < stopAfter;
        });
    return result;
}

TEST(CurlTransportTest, GetSendsTheRequestFieldsAndDeliversTheBody) {
    OneShotServer server("HTTP/1.0 200 OK\r\nContent-Length: 10\r\n\r\n0123456789");
    HttpRequest request;
    request.host = "127.0.0.1";
    request.port = server.port();
    request.path = "/updr2/swupd.txt";
    request.agent = "Scourwell";
    request.referer = "http://example.invalid/";
    const Result result = Fetch(request);
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(result.length, 10);
    EXPECT_EQ(result.body, "0123456789");
    const std::string& sent = server.request();
    EXPECT_TRUE(sent.starts_with("GET /updr2/swupd.txt HTTP/1.0\r\n")) << sent;
    EXPECT_NE(sent.find("User-Agent: Scourwell\r\n"), std::string::npos) << sent;
    EXPECT_NE(sent.find("Referer: http://example.invalid/\r\n"), std::string::npos) << sent;
    EXPECT_NE(sent.find("Accept: */*\r\n"), std::string::npos) << sent;
    EXPECT_NE(sent.find("Pragma: no-cache\r\n"), std::string::npos) << sent;
}

TEST(CurlTransportTest, PartOfAReplyThatIgnoredTheRangeIsCutOut) {
    OneShotServer server("HTTP/1.0 200 OK\r\nContent-Length: 10\r\n\r\n0123456789");
    HttpRequest request;
    request.host = "127.0.0.1";
    request.port = server.port();
    request.path = "/files2.htm";
    request.rangeStart = 3;
    request.rangeLength = 4;
    const Result result = Fetch(request);
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(result.body, "3456");
    EXPECT_EQ(result.length, 4);
    EXPECT_NE(server.request().find("Range: bytes=3-6\r\n"), std::string::npos) << server.request();
}

TEST(CurlTransportTest, PostSendsAFormBody) {
    OneShotServer server("HTTP/1.0 200 OK\r\n\r\nok");
    HttpRequest request;
    request.host = "127.0.0.1";
    request.port = server.port();
    request.path = "/form";
    request.postBody = "a=1&b=2";
    const Result result = Fetch(request);
    EXPECT_TRUE(result.ok);
    EXPECT_TRUE(result.lengthCalled);
    EXPECT_FALSE(result.length.has_value());  // the reply named no length
    EXPECT_EQ(result.body, "ok");
    const std::string& sent = server.request();
    EXPECT_TRUE(sent.starts_with("POST /form HTTP/1.0\r\n")) << sent;
    EXPECT_NE(sent.find("Content-Type: application/x-www-form-urlencoded\r\n"), std::string::npos) << sent;
    EXPECT_TRUE(sent.ends_with("\r\n\r\na=1&b=2")) << sent;
}

TEST(CurlTransportTest, FailuresAreReported) {
    {
        OneShotServer server("HTTP/1.0 404 Not Found\r\nContent-Length: 9\r\n\r\nnot found");
        HttpRequest request;
        request.host = "127.0.0.1";
        request.port = server.port();
        request.path = "/missing";
        EXPECT_FALSE(Fetch(request).ok);
    }
    {
        OneShotServer server("HTTP/1.0 200 OK\r\nContent-Length: 10\r\n\r\n0123456789");
        HttpRequest request;
        request.host = "127.0.0.1";
        request.port = server.port();
        request.path = "/stop";
        EXPECT_FALSE(Fetch(request, 1).ok);  // the block handler asked to stop
    }
}

TEST(CurlTransportTest, CancelEndsATransferThatWaitsForAStalledServer) {
    testing::TestMachine machine;
    std::filesystem::create_directories(machine.Root() + "/www");
    std::ofstream(machine.Root() + "/www/big.bin") << std::string(100'000, 'x');
    testing::StaticHttpServer server(machine.Root() + "/www");
    server.stallAfter = 1000;
    std::atomic<bool> cancel{false};
    HttpRequest request;
    request.host = "127.0.0.1";
    request.port = server.Port();
    request.path = "/big.bin";
    request.cancel = &cancel;
    std::thread canceller([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        cancel = true;
    });
    const auto start = std::chrono::steady_clock::now();
    const Result result = Fetch(request);
    canceller.join();
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.body.size(), 1000u);
    // Not the transport's own stall limit (a minute without data) that ended it.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
}

}  // namespace
}  // namespace scourwell::platform
