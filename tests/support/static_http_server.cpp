#include "tests/support/static_http_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

namespace scourwell::testing {
namespace {

bool SendAll(int socket, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t sent = send(socket, data, size, MSG_NOSIGNAL);
        if (sent <= 0) return false;
        data += sent;
        size -= static_cast<size_t>(sent);
    }
    return true;
}

}  // namespace

StaticHttpServer::StaticHttpServer(std::string rootFolder) : root_(std::move(rootFolder)) {
    listener_ = socket(AF_INET, SOCK_STREAM, 0);
    const int on = 1;
    setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t size = sizeof address;
    getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size);
    port_ = ntohs(address.sin_port);
    listen(listener_, 16);
    acceptor_ = std::thread([this] { AcceptLoop(); });
}

StaticHttpServer::~StaticHttpServer() {
    stopping_ = true;
    Release();
    acceptor_.join();
    std::vector<std::thread> connections;
    {
        std::lock_guard lock(mutex_);
        connections.swap(connections_);
    }
    for (auto& connection : connections) connection.join();
    close(listener_);
}

std::string StaticHttpServer::HostAndPort() const {
    return "127.0.0.1:" + std::to_string(port_);
}

void StaticHttpServer::Release() {
    std::lock_guard lock(mutex_);
    release_ = true;
    released_.notify_all();
}

std::vector<std::string> StaticHttpServer::Requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

int StaticHttpServer::UnusedPort() {
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t size = sizeof address;
    getsockname(s, reinterpret_cast<sockaddr*>(&address), &size);
    close(s);
    return ntohs(address.sin_port);
}

void StaticHttpServer::AcceptLoop() {
    while (!stopping_) {
        pollfd waiting{listener_, POLLIN, 0};
        if (poll(&waiting, 1, 50) <= 0) continue;
        const int client = accept(listener_, nullptr, nullptr);
        if (client < 0) continue;
        std::lock_guard lock(mutex_);
        connections_.emplace_back([this, client] { Serve(client); });
    }
}

void StaticHttpServer::Serve(int client) {
    std::string request;
    char buffer[4096];
    while (request.find("\r\n\r\n") == std::string::npos) {
        pollfd waiting{client, POLLIN, 0};
        if (stopping_ || poll(&waiting, 1, 50) < 0) break;
        if (!(waiting.revents & POLLIN)) continue;
        const ssize_t n = recv(client, buffer, sizeof buffer, 0);
        if (n <= 0) break;
        request.append(buffer, static_cast<size_t>(n));
    }
    const std::string line = request.substr(0, request.find("\r\n"));
    {
        std::lock_guard lock(mutex_);
        requests_.push_back(line);
    }
    // "GET /path HTTP/1.0": the path, without a query, below the root folder.
    std::string path;
    const size_t first = line.find(' ');
    const size_t second = line.find(' ', first + 1);
    if (first != std::string::npos && second != std::string::npos)
        path = line.substr(first + 1, second - first - 1);
    path = path.substr(0, path.find('?'));
    std::string body;
    bool found = false;
    if (!path.empty() && path.front() == '/' && path.find("..") == std::string::npos) {
        std::ifstream in(root_ + path, std::ios::binary);
        if (in) {
            std::ostringstream s;
            s << in.rdbuf();
            body = s.str();
            found = true;
        }
    }
    if (!found) {
        const std::string reply = "HTTP/1.0 404 Not Found\r\nContent-Length: 9\r\n\r\nnot found";
        SendAll(client, reply.data(), reply.size());
        close(client);
        return;
    }
    std::string head = "HTTP/1.0 200 OK\r\nContent-Type: application/octet-stream\r\n";
    if (!omitLength) head += "Content-Length: " + std::to_string(body.size()) + "\r\n";
    head += "\r\n";
    const int64_t cut = cutAfter;
    if (cut >= 0 && static_cast<size_t>(cut) < body.size()) body.resize(static_cast<size_t>(cut));
    bool ok = SendAll(client, head.data(), head.size());
    size_t sent = 0;
    const int64_t stall = stallAfter;
    if (ok && stall >= 0 && static_cast<size_t>(stall) < body.size()) {
        ok = SendAll(client, body.data(), static_cast<size_t>(stall));
        sent = static_cast<size_t>(stall);
        std::unique_lock lock(mutex_);
        released_.wait(lock, [this] { return release_ || stopping_; });
        if (stopping_) ok = false;
    }
    if (ok) SendAll(client, body.data() + sent, body.size() - sent);
    shutdown(client, SHUT_WR);
    close(client);
}

}  // namespace scourwell::testing
