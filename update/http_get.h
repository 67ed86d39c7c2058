#pragma once

// THTTPGet: fetches one HTTP resource on a worker thread (THTTPGetThread), into a file or into
// a text, and reports progress and completion through events that run on the interface thread
// (posted through the window port).
//
// - A component is idle or busy. GetFile/GetString start a worker with a copy of the current
//   properties; while one runs, a further start is ignored.
// - OnProgress fires after every block (at most 4097 bytes) received. Exactly one of
//   OnDoneFile, OnDoneString and OnError fires when the worker ends; the component is idle
//   again before it fires, so a handler may start a new download at once.
// - Abort (also called by the destructor) ends a running download: OnError follows (not after
//   destruction, when no event fires at all).
// - A file target is written only when the download succeeded, beside its final name and then
//   renamed into place: a failed or aborted download leaves no file behind and an existing
//   file as it was.
//
// URL: an optional "http://" (or "https://"), then the host up to the first "/", then the
// path. The host may carry a port ("127.0.0.1:8080"). A URL without a "/" after the host has
// no host and fails.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

#include "foundation/ui_port.h"
#include "platform/http.h"

namespace scourwell::update {

class THTTPGet;
class THTTPGetThread;

using TOnProgressEvent =
    std::function<void(THTTPGetThread& sender, int64_t totalSize, int64_t readed)>;
using TOnDoneFileEvent =
    std::function<void(THTTPGet& sender, const std::string& fileName, int64_t fileSize)>;
using TOnDoneStringEvent = std::function<void(THTTPGet& sender, const std::string& result)>;
using TNotifyEvent = std::function<void(THTTPGet& sender)>;

inline constexpr size_t kHttpBlockSize = 4097;

// Host, port and path of a URL by the rules above; empty when there is no host or the port is
// not a number from 1 to 65535.
std::optional<platform::HttpRequest> SplitUrl(std::string_view url);

// Request parameters copied from the component when a download starts.
struct HttpGetParameters {
    std::string acceptTypes;
    std::string agent;
    bool binaryData = false;
    std::string url;
    bool useCache = false;
    std::string fileName;
    std::string userName;
    std::string password;
    std::string postQuery;
    std::string referer;
    int posIndex = 0;
    bool toFile = false;
};

// Shared between the component, its worker and the calls the worker posts: the posted calls
// may outlive both.
struct HttpGetLink {
    THTTPGet* owner =
        nullptr;  // cleared when the component goes; touched on the interface thread only
    std::atomic<bool> terminate{false};
    std::atomic<int> pendingProgress{0};
};

class THTTPGetThread {
  public:
    THTTPGetThread(HttpGetParameters parameters, foundation::UiPort& ui,
                   std::shared_ptr<HttpGetLink> link, bool progressWanted);
    ~THTTPGetThread();
    THTTPGetThread(const THTTPGetThread&) = delete;
    THTTPGetThread& operator=(const THTTPGetThread&) = delete;

    void Terminate();
    void WaitFor();

    // Read on the interface thread once the worker has ended.
    bool Succeeded() const { return result_; }
    int64_t TotalSize() const { return totalSize_; }
    int64_t Readed() const { return readed_; }
    std::string& Data() { return data_; }
    const HttpGetParameters& Parameters() const { return parameters_; }
    void MarkFailed() { failedByAbort_ = true; }
    bool FailedByAbort() const { return failedByAbort_; }

  private:
    void Execute();
    bool Run();
    bool Block(const char* bytes, size_t size);

    HttpGetParameters parameters_;
    foundation::UiPort& ui_;
    std::shared_ptr<HttpGetLink> link_;
    bool progressWanted_;
    int64_t totalSize_ = 0;
    int64_t readed_ = 0;
    int64_t partStart_ = 0;  // with a part: its offset in the reply and its byte count
    int64_t partBytes_ = -1;
    int64_t position_ = 0;  // bytes of the reply seen so far
    bool partComplete_ = false;
    bool result_ = false;
    bool failedByAbort_ = false;
    std::string data_;
    std::thread thread_;
};

class THTTPGet {
  public:
    explicit THTTPGet(foundation::UiPort& ui);
    ~THTTPGet();
    THTTPGet(const THTTPGet&) = delete;
    THTTPGet& operator=(const THTTPGet&) = delete;

    std::string AcceptTypes = "*/*";
    std::string Agent = "Vantoric HTTPGet";  // empty: no user-agent
    bool BinaryData = false;                 // a reply without a content length fails
    std::string URL;
    bool UseCache = false;
    std::string FileName;  // Windows path of the view
    std::string UserName;
    std::string Password;
    std::string PostQuery;  // non-empty: a POST with this body
    std::string Referer;
    int PosIndex = 0;  // 0 the whole resource; 1, 2, 3 its first, second, third part
    bool WaitThread = false;
    TOnProgressEvent OnProgress;
    TOnDoneFileEvent OnDoneFile;
    TOnDoneStringEvent OnDoneString;
    TNotifyEvent OnError;

    void GetFile();
    void GetString();
    void Abort();

    bool Busy() const { return worker_ != nullptr; }
    bool LastResult() const { return lastResult_; }

  private:
    friend class THTTPGetThread;
    void Start(bool toFile);
    void WorkerEnded();

    foundation::UiPort& ui_;
    std::shared_ptr<HttpGetLink> link_;
    std::unique_ptr<THTTPGetThread> worker_;
    bool lastResult_ = false;
};

}  // namespace scourwell::update
