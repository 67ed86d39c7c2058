// HTTP transport over the libcurl easy interface.

#include "platform/http_curl.h"

#include <curl/curl.h>

#include <algorithm>
#include <mutex>
#include <string>

namespace scourwell::platform {
namespace {

void GlobalInit() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct Transfer {
    CURL* curl = nullptr;
    const std::function<void(std::optional<int64_t>)>* onLength = nullptr;
    const std::function<bool(const char*, size_t)>* onBlock = nullptr;
    bool lengthReported = false;
    bool stopped = false;   // the caller's block handler said stop
    bool complete = false;  // a part cut from a whole reply has been delivered
    // A server that ignores Range answers 200 with the whole resource; the part is then cut
    // out here, so the caller never takes the start of the file for the part it asked for.
    int64_t rangeStart = -1;
    int64_t rangeLength = -1;
    bool cutting = false;
    int64_t position = 0;

    // The length is known once the headers are in, which is before the first body block.
    void ReportLength() {
        if (lengthReported) return;
        lengthReported = true;
        long status = 0;
        curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
        curl_off_t length = -1;
        curl_easy_getinfo(curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
        cutting = rangeStart >= 0 && status != 206;
        if (cutting && length >= 0) {
            length = std::max<curl_off_t>(0, length - rangeStart);
            if (rangeLength >= 0) length = std::min<curl_off_t>(length, rangeLength);
        }
        if (length >= 0) {
            (*onLength)(static_cast<int64_t>(length));
        } else {
            (*onLength)(std::nullopt);
        }
    }
};

int OnTransferInfo(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    const auto* cancel = static_cast<const std::atomic<bool>*>(user);
    return cancel->load() ? 1 : 0;  // non-zero aborts the transfer
}

size_t OnData(char* data, size_t size, size_t count, void* user) {
    auto* transfer = static_cast<Transfer*>(user);
    const size_t bytes = size * count;
    transfer->ReportLength();
    const char* block = data;
    size_t length = bytes;
    if (transfer->cutting) {
        const int64_t begin = transfer->position;
        transfer->position += static_cast<int64_t>(bytes);
        const int64_t from = std::max(begin, transfer->rangeStart);
        int64_t to = transfer->position;
        if (transfer->rangeLength >= 0) to = std::min(to, transfer->rangeStart + transfer->rangeLength);
        if (to <= from) {
            length = 0;
        } else {
            block = data + (from - begin);
            length = static_cast<size_t>(to - from);
        }
    }
    if (length > 0 && !(*transfer->onBlock)(block, length)) {
        transfer->stopped = true;
        return 0;  // makes curl end the transfer with CURLE_WRITE_ERROR
    }
    if (transfer->cutting && transfer->rangeLength >= 0 &&
        transfer->position >= transfer->rangeStart + transfer->rangeLength) {
        transfer->complete = true;
        return 0;  // the part is whole; the rest of the reply is not needed
    }
    return bytes;
}

class CurlTransport : public HttpTransport {
public:
    CurlTransport() { GlobalInit(); }

    bool Fetch(const HttpRequest& request, const std::function<void(std::optional<int64_t>)>& onLength,
               const std::function<bool(const char*, size_t)>& onBlock) override {
        CURL* curl = curl_easy_init();
        if (curl == nullptr) return false;
        const std::string url = (request.secure ? "https://" : "http://") + request.host + ":" + std::to_string(request.port) + request.path;
        curl_slist* headers = nullptr;
        headers = curl_slist_append(headers, ("Accept: " + request.accept).c_str());
        if (!request.useCache) {
            headers = curl_slist_append(headers, "Cache-Control: no-cache");
            headers = curl_slist_append(headers, "Pragma: no-cache");
        }
        std::string range;
        if (request.rangeStart >= 0) {
            range = std::to_string(request.rangeStart) + "-";
            if (request.rangeLength > 0) range += std::to_string(request.rangeStart + request.rangeLength - 1);
        }

        Transfer transfer;
        transfer.curl = curl;
        transfer.onLength = &onLength;
        transfer.onBlock = &onBlock;
        transfer.rangeStart = request.rangeStart;
        transfer.rangeLength = request.rangeStart >= 0 ? request.rangeLength : -1;

        curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
        curl_easy_setopt(curl, CURLOPT_HTTP_VERSION, CURL_HTTP_VERSION_1_0);
        curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, request.secure ? "https" : "http");
        curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
        curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
        curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, 30L);
        // A stalled server: less than one byte a second for a minute ends the transfer.
        curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
        curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, 60L);
        curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, OnData);
        curl_easy_setopt(curl, CURLOPT_WRITEDATA, &transfer);
        if (request.cancel != nullptr) {
            curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, OnTransferInfo);
            curl_easy_setopt(curl, CURLOPT_XFERINFODATA, const_cast<std::atomic<bool>*>(request.cancel));
            curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
        }
        if (!request.agent.empty()) curl_easy_setopt(curl, CURLOPT_USERAGENT, request.agent.c_str());
        if (!request.referer.empty()) curl_easy_setopt(curl, CURLOPT_REFERER, request.referer.c_str());
        if (!request.userName.empty()) {
            curl_easy_setopt(curl, CURLOPT_USERNAME, request.userName.c_str());
            curl_easy_setopt(curl, CURLOPT_PASSWORD, request.password.c_str());
        }
        if (!range.empty()) curl_easy_setopt(curl, CURLOPT_RANGE, range.c_str());
        if (!request.postBody.empty()) {
            // libcurl sends application/x-www-form-urlencoded for POSTFIELDS.
            curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request.postBody.size()));
            curl_easy_setopt(curl, CURLOPT_POSTFIELDS, request.postBody.c_str());
        }

        const CURLcode result = curl_easy_perform(curl);
        const bool ok = !transfer.stopped && (result == CURLE_OK || transfer.complete);
        if (ok) transfer.ReportLength();  // an empty body had no block to report it
        curl_slist_free_all(headers);
        curl_easy_cleanup(curl);
        return ok;
    }
};

}  // namespace

std::unique_ptr<HttpTransport> MakeCurlTransport() { return std::make_unique<CurlTransport>(); }

}  // namespace scourwell::platform
