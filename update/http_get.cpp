// The download component. The worker owns its copy of the request and its buffer; everything
// it reports goes through posted calls that hold the shared link, so a call that runs after the
// component has gone does nothing. A file target is held in memory and written on the
// interface thread, through the view, beside its final name and renamed into place.

#include "update/http_get.h"

#include <algorithm>
#include <chrono>

#include "foundation/text.h"
#include "platform/files.h"
#include "platform/http_curl.h"

namespace scourwell::update {
namespace {

// Progress events waiting for the interface thread; beyond this the worker waits, so a busy
// window never collects an unbounded queue of them.
constexpr int kMaxPendingProgress = 256;

bool ParsePort(std::string_view text, int& port) {
    if (text.empty() || text.size() > 5) return false;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    if (value < 1 || value > 65535) return false;
    port = value;
    return true;
}

}  // namespace

std::optional<platform::HttpRequest> SplitUrl(std::string_view url) {
    std::string rest(url);
    const std::string lower = foundation::ToLower(rest);
    platform::HttpRequest request;
    if (foundation::StartsWith(lower, "http://")) {
        rest.erase(0, 7);
    } else if (foundation::StartsWith(lower, "https://")) {
        rest.erase(0, 8);
        request.secure = true;
    }
    const size_t slash = rest.find('/');
    if (slash == std::string::npos) return std::nullopt;
    std::string host = rest.substr(0, slash);
    request.path = rest.substr(slash);
    request.port = request.secure ? 443 : 80;
    const size_t colon = host.rfind(':');
    if (colon != std::string::npos) {
        if (!ParsePort(std::string_view(host).substr(colon + 1), request.port)) return std::nullopt;
        host.erase(colon);
    }
    // The host goes into the URL handed to the transport: nothing in it may start another
    // part of a URL (user info, query, fragment).
    if (host.empty() || host.find_first_of("@?#/\\ \t\r\n") != std::string::npos)
        return std::nullopt;
    if (request.path.find_first_of(" \t\r\n") != std::string::npos) return std::nullopt;
    request.host = std::move(host);
    return request;
}

// --- worker ---------------------------------------------------------------------------------

THTTPGetThread::THTTPGetThread(HttpGetParameters parameters, foundation::UiPort& ui,
                               std::shared_ptr<HttpGetLink> link, bool progressWanted)
    : parameters_(std::move(parameters)),
      ui_(ui),
      link_(std::move(link)),
      progressWanted_(progressWanted) {
    thread_ = std::thread([this] { Execute(); });
}

THTTPGetThread::~THTTPGetThread() {
    Terminate();
    WaitFor();
}

void THTTPGetThread::Terminate() {
    link_->terminate = true;
}

void THTTPGetThread::WaitFor() {
    if (thread_.joinable()) thread_.join();
}

void THTTPGetThread::Execute() {
    bool ok = false;
    try {
        ok = Run();
    } catch (...) {
        ok = false;
    }
    result_ = ok && !link_->terminate;
    // The last thing the worker does: the component joins it when this call runs.
    std::shared_ptr<HttpGetLink> link = link_;
    ui_.Post([link] {
        if (link->owner) link->owner->WorkerEnded();
    });
}

bool THTTPGetThread::Run() {
    if (link_->terminate) return false;
    std::optional<platform::HttpRequest> request = SplitUrl(parameters_.url);
    if (!request) return false;
    request->agent = parameters_.agent;
    request->accept = parameters_.acceptTypes;
    request->referer = parameters_.referer;
    request->userName = parameters_.userName;
    request->password = parameters_.password;
    request->postBody = parameters_.postQuery;
    request->useCache = parameters_.useCache;
    request->cancel = &link_->terminate;

    bool refused = false;  // no content length where one is needed
    const auto onLength = [&](std::optional<int64_t> length) {
        if (!length) {
            // A part cannot be cut from a reply of unknown size.
            if (parameters_.binaryData || parameters_.posIndex != 0) refused = true;
            totalSize_ = 0;
            return;
        }
        totalSize_ = *length;
        if (parameters_.posIndex >= 1 && parameters_.posIndex <= 3) {
            const int64_t third = totalSize_ / 3;
            partStart_ = third * (parameters_.posIndex - 1);
            partBytes_ = parameters_.posIndex == 3 ? totalSize_ - 2 * third : third;
        }
    };
    const auto onBlock = [&](const char* bytes, size_t size) {
        if (refused || link_->terminate) return false;
        return Block(bytes, size);
    };
    const bool fetched = platform::MakeCurlTransport()->Fetch(*request, onLength, onBlock);
    if (refused || link_->terminate) return false;
    if (partBytes_ >= 0) return partComplete_ && readed_ > 0;
    if (!fetched) return false;
    if (parameters_.toFile) return totalSize_ == readed_;
    return readed_ > 0;
}

bool THTTPGetThread::Block(const char* bytes, size_t size) {
    if (partBytes_ >= 0) {
        // Only the part's bytes count; what comes before it is skipped.
        const int64_t begin = position_;
        position_ += static_cast<int64_t>(size);
        const int64_t from = std::max(begin, partStart_);
        const int64_t to = std::min(position_, partStart_ + partBytes_);
        if (to <= from) return position_ < partStart_ + partBytes_;
        bytes += from - begin;
        size = static_cast<size_t>(to - from);
    }
    while (size > 0) {
        if (link_->terminate) return false;
        if (partBytes_ >= 0 && readed_ == partBytes_) break;
        const size_t block = std::min(size, kHttpBlockSize);
        data_.append(bytes, block);
        readed_ += static_cast<int64_t>(block);
        bytes += block;
        size -= block;
        if (progressWanted_) {
            while (link_->pendingProgress.load() >= kMaxPendingProgress && !link_->terminate)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            ++link_->pendingProgress;
            std::shared_ptr<HttpGetLink> link = link_;
            const int64_t total = totalSize_;
            const int64_t readed = readed_;
            ui_.Post([link, this, total, readed] {
                --link->pendingProgress;
                // The owner keeps this worker until the worker's last call has run.
                if (link->owner && link->owner->OnProgress)
                    link->owner->OnProgress(*this, total, readed);
            });
        }
    }
    if (partBytes_ >= 0 && readed_ == partBytes_) {
        totalSize_ = readed_;
        partComplete_ = true;
        if (progressWanted_) {
            ++link_->pendingProgress;
            std::shared_ptr<HttpGetLink> link = link_;
            const int64_t readed = readed_;
            ui_.Post([link, this, readed] {
                --link->pendingProgress;
                if (link->owner && link->owner->OnProgress)
                    link->owner->OnProgress(*this, readed, readed);
            });
        }
        return false;  // the part is whole: the rest of the reply is not needed
    }
    return true;
}

// --- component ------------------------------------------------------------------------------

THTTPGet::THTTPGet(foundation::UiPort& ui) : ui_(ui) {}

THTTPGet::~THTTPGet() {
    if (!worker_) return;
    link_->owner = nullptr;  // no event after destruction
    worker_->Terminate();
    worker_->WaitFor();
}

void THTTPGet::GetFile() {
    if (Busy()) return;
    Start(true);
    if (!WaitThread) return;
    // Serve the window until this download (not one its handler started) has ended.
    const std::shared_ptr<HttpGetLink> link = link_;
    while (worker_ && link_ == link) {
        ui_.PumpEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

void THTTPGet::GetString() {
    if (Busy()) return;
    Start(false);
    if (WaitThread) ui_.PumpEvents();
}

void THTTPGet::Abort() {
    if (!worker_) return;
    worker_->Terminate();
    worker_->MarkFailed();
}

void THTTPGet::Start(bool toFile) {
    HttpGetParameters parameters{AcceptTypes, Agent,    BinaryData, URL,     UseCache, FileName,
                                 UserName,    Password, PostQuery,  Referer, PosIndex, toFile};
    link_ = std::make_shared<HttpGetLink>();
    link_->owner = this;
    worker_ = std::make_unique<THTTPGetThread>(std::move(parameters), ui_, link_, true);
}

void THTTPGet::WorkerEnded() {
    // Idle before the event fires, so its handler may start the next download.
    std::unique_ptr<THTTPGetThread> worker = std::move(worker_);
    worker->WaitFor();
    link_->owner = nullptr;
    const HttpGetParameters& parameters = worker->Parameters();
    bool ok = worker->Succeeded() && !worker->FailedByAbort();
    if (ok && parameters.toFile)
        ok = platform::WriteFileAtomic(parameters.fileName, worker->Data());
    lastResult_ = ok;
    if (!ok) {
        if (OnError) OnError(*this);
    } else if (parameters.toFile) {
        if (OnDoneFile) OnDoneFile(*this, parameters.fileName, worker->Readed());
    } else {
        if (OnDoneString) OnDoneString(*this, worker->Data());
    }
}

}  // namespace scourwell::update
