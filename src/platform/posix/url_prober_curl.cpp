// The URL prober of the native build: libcurl requests, each on a worker thread that the prober joins.
#include "platform/url_prober.h"

#include <curl/curl.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

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
    Request(CURL* easy, const CurlConnection& connection, const std::atomic<bool>& abandoned)
        : easy_(easy), connection_(connection), abandoned_(abandoned) {}

    // HEAD, redirections followed; 200 and 401 mean the page is there.
    bool HeadAnswers(const std::string& url) {
        Prepare(url);
        curl_easy_setopt(easy_, CURLOPT_NOBODY, 1L);
        curl_easy_setopt(easy_, CURLOPT_FOLLOWLOCATION, 1L);
        curl_easy_setopt(easy_, CURLOPT_MAXREDIRS, 10L);
        if (curl_easy_perform(easy_) != CURLE_OK) return false;
        long status = 0;
        curl_easy_getinfo(easy_, CURLINFO_RESPONSE_CODE, &status);
        return status == 200 || status == 401;
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

    bool abandoned() const { return abandoned_.load(); }

private:
    void Prepare(const std::string& url) {
        curl_easy_reset(easy_);  // keeps the handle's open connections
        curl_easy_setopt(easy_, CURLOPT_URL, url.c_str());
        curl_easy_setopt(easy_, CURLOPT_USERAGENT, connection_.session().userAgent.c_str());
        curl_easy_setopt(easy_, CURLOPT_PROXY, "");  // direct, whatever the environment says
        curl_easy_setopt(easy_, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(easy_, CURLOPT_NOPROGRESS, 0L);
        curl_easy_setopt(easy_, CURLOPT_XFERINFOFUNCTION, AbortWhenAbandoned);
        curl_easy_setopt(easy_, CURLOPT_XFERINFODATA, const_cast<std::atomic<bool>*>(&abandoned_));
    }

    CURL* easy_;
    const CurlConnection& connection_;
    const std::atomic<bool>& abandoned_;
};

int Probe(CurlConnection& connection, const std::string& object, const std::atomic<bool>& abandoned) {
    if (connection.kind() == kUrlFtp && object.empty()) return kProbeValid;
    EasyHandle easy = connection.Take();
    if (!easy) return kProbeBroken;
    Request request(easy.get(), connection, abandoned);
    const std::string url = connection.baseUrl() + EscapeObject(object);
    bool valid = false;
    switch (connection.kind()) {
        case kUrlHttp:
        case kUrlHttps:
            valid = request.HeadAnswers(url);
            break;
        case kUrlFtp:
            valid = request.Opens(url) || (!request.abandoned() && request.Enters(url + "/"));
            break;
        case kUrlGopher:
            valid = request.Opens(url);
            break;
    }
    connection.Give(std::move(easy));
    return valid ? kProbeValid : kProbeBroken;
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
        return workers_.Start([curlConnection, object](const std::atomic<bool>& abandoned) {
            return Probe(*curlConnection, object, abandoned);
        });
    }

private:
    std::shared_ptr<const CurlSession> session_;
    // Abandoned requests notice within about a second that nobody waits for them.
    ProbeWorkers workers_{true};
};

}  // namespace

std::unique_ptr<UrlProber> CreateSystemUrlProber() { return std::make_unique<CurlUrlProber>(); }

}  // namespace corvane
