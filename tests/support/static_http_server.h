#pragma once

// A small static HTTP server on the loopback interface for tests: serves the files of a host
// folder on a free port, one thread per connection, and keeps the request lines it received.
// A reply can be made to leave out its content length, to end early, or to stall after some bytes
// until the test releases it (or the server stops), so a download can be caught in the middle.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace scourwell::testing {

class StaticHttpServer {
  public:
    explicit StaticHttpServer(std::string rootFolder);
    ~StaticHttpServer();
    StaticHttpServer(const StaticHttpServer&) = delete;
    StaticHttpServer& operator=(const StaticHttpServer&) = delete;

    int Port() const { return port_; }
    // "127.0.0.1:PORT", the host part of a URL.
    std::string HostAndPort() const;

    // Replies without a Content-Length header (the end of the body is the connection's end).
    std::atomic<bool> omitLength{false};
    // Every reply sends at most this many body bytes, then waits for Release() or the end of
    // the server before sending the rest. Negative: no stall.
    std::atomic<int64_t> stallAfter{-1};
    void Release();
    // Every reply sends at most this many body bytes and then closes (a reply cut short).
    // Negative: the whole body.
    std::atomic<int64_t> cutAfter{-1};

    // Request lines received so far ("GET /updr2/swupd.txt HTTP/1.0").
    std::vector<std::string> Requests() const;
    // A port on which nothing listens (bound once, then closed).
    static int UnusedPort();

  private:
    void AcceptLoop();
    void Serve(int client);

    std::string root_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::thread acceptor_;
    mutable std::mutex mutex_;
    std::condition_variable released_;
    bool release_ = false;
    std::vector<std::string> requests_;
    std::vector<std::thread> connections_;
};

}  // namespace scourwell::testing
