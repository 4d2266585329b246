// The URL prober of the native build: libcurl requests, each on a worker thread that the prober joins.
#include "platform/url_prober.h"

#include <curl/curl.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/http_answer.h"
#include "platform/probe_workers.h"

namespace corvane {
namespace {

struct EasyDeleter {
    void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
using EasyHandle = std::unique_ptr<CURL, EasyDeleter>;

void InitCurlOnce() {
    // Never cleaned up: an abandoned worker may still be inside libcurl when the program ends.
    static const CURLcode initialised = curl_global_init(CURL_GLOBAL_DEFAULT);
    (void)initialised;
}

struct CurlSession {
    std::string userAgent;
};

// A host and service; its idle easy handles keep their connections open for the next request.
class CurlConnection : public UrlConnection {
public:
    CurlConnection(std::shared_ptr<const CurlSession> session, UrlKind kind, std::string baseUrl)
        : session_(std::move(session)), kind_(kind), baseUrl_(std::move(baseUrl)) {}

    const CurlSession& session() const { return *session_; }
    UrlKind kind() const { return kind_; }
    const std::string& baseUrl() const { return baseUrl_; }

    // An easy handle for one request on one worker; several workers never share one.
    EasyHandle Take() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (!idle_.empty()) {
                EasyHandle easy = std::move(idle_.back());
                idle_.pop_back();
                return easy;
            }
        }
        return EasyHandle(curl_easy_init());
    }
    void Give(EasyHandle easy) {
        std::lock_guard<std::mutex> lock(mutex_);
        idle_.push_back(std::move(easy));
    }

private:
    std::shared_ptr<const CurlSession> session_;
    UrlKind kind_;
    std::string baseUrl_;  // scheme://server:port/
    std::mutex mutex_;
    std::vector<EasyHandle> idle_;
};

// Object texts may hold characters that a URL cannot carry as they are.
std::string EscapeObject(const std::string& object) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : object) {
        if (c <= 0x20 || c >= 0x7F || c == '"' || c == '<' || c == '>' || c == '\\' || c == '^' || c == '`' ||
            c == '{' || c == '|' || c == '}') {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

int AbortWhenAbandoned(void* abandoned, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return static_cast<const std::atomic<bool>*>(abandoned)->load() ? 1 : 0;
}

// Stops a download at its first bytes: being able to open the object is all that is asked.
struct OpenCheck {
    bool gotData = false;
};
size_t StopAtFirstBytes(char*, size_t size, size_t count, void* check) {
    if (size * count > 0) static_cast<OpenCheck*>(check)->gotData = true;
    return 0;
}

class Request {
public:
    Request(CURL* easy, const CurlConnection& connection, const std::atomic<bool>& abandoned, long timeLimit)
        : easy_(easy), connection_(connection), abandoned_(abandoned), timeLimit_(timeLimit) {}

    // One request, redirections not followed; a GET stops at the first bytes of the body.
    bool Send(const std::string& url, bool head, HttpExchange* answer) {
        Prepare(url);
        curl_easy_setopt(easy_, CURLOPT_PROTOCOLS_STR, "http,https");
        OpenCheck check;
        if (head) {
            curl_easy_setopt(easy_, CURLOPT_NOBODY, 1L);
        } else {
            curl_easy_setopt(easy_, CURLOPT_HTTPGET, 1L);
            curl_easy_setopt(easy_, CURLOPT_WRITEFUNCTION, StopAtFirstBytes);
            curl_easy_setopt(easy_, CURLOPT_WRITEDATA, &check);
        }
        const CURLcode code = curl_easy_perform(easy_);
        if (code != CURLE_OK && !(code == CURLE_WRITE_ERROR && check.gotData)) return false;
        curl_easy_getinfo(easy_, CURLINFO_RESPONSE_CODE, &answer->status);
        answer->location = Header("Location");
        answer->retryAfter = Header("Retry-After");
        return answer->status > 0;
    }

    bool Opens(const std::string& url) {
        Prepare(url);
        OpenCheck check;
        curl_easy_setopt(easy_, CURLOPT_WRITEFUNCTION, StopAtFirstBytes);
        curl_easy_setopt(easy_, CURLOPT_WRITEDATA, &check);
        const CURLcode code = curl_easy_perform(easy_);
        return code == CURLE_OK || (code == CURLE_WRITE_ERROR && check.gotData);
    }

    // A folder: entering it is enough, nothing is listed.
    bool Enters(const std::string& url) {
        Prepare(url);
        curl_easy_setopt(easy_, CURLOPT_NOBODY, 1L);
        return curl_easy_perform(easy_) == CURLE_OK;
    }

    // Waits in short steps, so that an abandoned request ends soon.
    bool Sleep(int milliseconds) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
        while (std::chrono::steady_clock::now() < end) {
            if (abandoned()) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return !abandoned();
    }

    bool abandoned() const { return abandoned_.load(); }

private:
    std::string Header(const char* name) {
        struct curl_header* header = nullptr;
        if (curl_easy_header(easy_, name, 0, CURLH_HEADER, -1, &header) != CURLHE_OK || header == nullptr)
            return std::string();
        return header->value;
    }

    void Prepare(const std::string& url) {
        curl_easy_reset(easy_);  // keeps the handle's open connections
        curl_easy_setopt(easy_, CURLOPT_URL, url.c_str());
        curl_easy_setopt(easy_, CURLOPT_USERAGENT, connection_.session().userAgent.c_str());
        curl_easy_setopt(easy_, CURLOPT_PROXY, "");  // direct, whatever the environment says
        curl_easy_setopt(easy_, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(easy_, CURLOPT_TIMEOUT_MS, timeLimit_);
        curl_easy_setopt(easy_, CURLOPT_NOPROGRESS, 0L);
        curl_easy_setopt(easy_, CURLOPT_XFERINFOFUNCTION, AbortWhenAbandoned);
        curl_easy_setopt(easy_, CURLOPT_XFERINFODATA, const_cast<std::atomic<bool>*>(&abandoned_));
    }

    CURL* easy_;
    const CurlConnection& connection_;
    const std::atomic<bool>& abandoned_;
    long timeLimit_;
};

ProbeOutcome Probe(CurlConnection& connection, const std::string& object, const std::atomic<bool>& abandoned,
                   long timeLimit) {
    ProbeOutcome outcome;
    if (connection.kind() == kUrlFtp && object.empty()) {
        outcome.verdict = kProbeValid;
        return outcome;
    }
    EasyHandle easy = connection.Take();
    if (!easy) return outcome;
    Request request(easy.get(), connection, abandoned, timeLimit);
    const std::string url = connection.baseUrl() + EscapeObject(object);
    bool valid = false;
    switch (connection.kind()) {
        case kUrlHttp:
        case kUrlHttps:
            outcome = CheckHttpUrl(
                url, [&request](const std::string& u, bool head, HttpExchange* a) { return request.Send(u, head, a); },
                [&request](int milliseconds) { return request.Sleep(milliseconds); });
            valid = outcome.verdict == kProbeValid;
            break;
        case kUrlFtp:
            valid = request.Opens(url) || (!request.abandoned() && request.Enters(url + "/"));
            break;
        case kUrlGopher:
            valid = request.Opens(url);
            break;
    }
    connection.Give(std::move(easy));
    outcome.verdict = valid ? kProbeValid : kProbeBroken;
    return outcome;
}

class CurlUrlProber : public UrlProber {
public:
    CurlUrlProber() { InitCurlOnce(); }

    bool OpenSession(const std::string& userAgent) override {
        auto session = std::make_shared<CurlSession>();
        session->userAgent = userAgent;
        session_ = std::move(session);
        return true;
    }
    void CloseSession() override { session_.reset(); }
    bool HasSession() const override { return session_ != nullptr; }
    void SetTimeLimit(int milliseconds) override { timeLimit_ = milliseconds > 0 ? milliseconds : 0; }

    std::shared_ptr<UrlConnection> Connect(UrlKind kind, const std::string& host, int port) override {
        static const char* const kSchemes[] = {"http://", "https://", "ftp://", "gopher://"};
        if (!session_ || host.empty() || kind < kUrlHttp || kind > kUrlGopher) return nullptr;
        std::string base = kSchemes[kind];
        base += host.find(':') != std::string::npos ? "[" + host + "]" : host;  // IPv6 addresses go in brackets
        base += ":" + std::to_string(port) + "/";
        return std::make_shared<CurlConnection>(session_, kind, std::move(base));
    }

    std::unique_ptr<UrlProbe> StartProbe(UrlKind kind, const std::shared_ptr<UrlConnection>& connection,
                                         const std::string& object) override {
        auto curlConnection = std::dynamic_pointer_cast<CurlConnection>(connection);
        if (!curlConnection || curlConnection->kind() != kind) return nullptr;
        const long timeLimit = timeLimit_;
        return workers_.Start([curlConnection, object, timeLimit](const std::atomic<bool>& abandoned) {
            return Probe(*curlConnection, object, abandoned, timeLimit);
        });
    }

private:
    std::shared_ptr<const CurlSession> session_;
    long timeLimit_ = 0;  // none
    // Abandoned requests notice within about a second that nobody waits for them.
    ProbeWorkers workers_{true};
};

}  // namespace

std::unique_ptr<UrlProber> CreateSystemUrlProber() { return std::make_unique<CurlUrlProber>(); }

}  // namespace corvane
