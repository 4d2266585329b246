// The URL prober of Windows: WinInet HEAD, FTP and gopher requests, each on a worker thread of its own.
#include "platform/url_prober.h"

#include <windows.h>
#include <wininet.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <utility>

#include "platform/http_answer.h"
#include "platform/probe_workers.h"

namespace corvane {
namespace {

struct InternetHandleCloser {
    void operator()(void* handle) const { InternetCloseHandle(static_cast<HINTERNET>(handle)); }
};
using InternetHandle = std::unique_ptr<void, InternetHandleCloser>;

const DWORD kResynchronize = INTERNET_FLAG_RESYNCHRONIZE;                              // 0x00000800
const DWORD kHeadFlags = INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_RESYNCHRONIZE;        // 0x00080800
const DWORD kSecureHeadFlags = kHeadFlags | INTERNET_FLAG_SECURE;                      // 0x00880800
const DWORD kStatusAsNumber = HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER;         // 0x20000013
// A user name with no password means a blank password; it is given as an empty text because
// some WinInet versions crash answering a Basic challenge when the password is missing.
const char kHttpUserName[] = "Microsoft Internet Explorer";

// The root handle; closing it would close every connection made from it, so connections keep it.
struct WinInetSession {
    InternetHandle root;
};

class WinInetConnection : public UrlConnection {
public:
    WinInetConnection(std::shared_ptr<const WinInetSession> session, InternetHandle handle, UrlKind kind,
                      std::string host, int port)
        : session_(std::move(session)), handle_(std::move(handle)), kind_(kind), host_(std::move(host)), port_(port) {}

    HINTERNET handle() const { return handle_.get(); }
    HINTERNET root() const { return session_->root.get(); }
    UrlKind kind() const { return kind_; }
    const std::string& host() const { return host_; }
    int port() const { return port_; }

private:
    std::shared_ptr<const WinInetSession> session_;  // declared first: closed after the connection
    InternetHandle handle_;
    UrlKind kind_;
    std::string host_;
    int port_;
};

std::string QueryText(HINTERNET request, DWORD what) {
    std::string text(2048, '\0');
    DWORD size = static_cast<DWORD>(text.size());
    if (!HttpQueryInfoA(request, what, &text[0], &size, nullptr)) {
        // Too small: size is now the bytes needed (headers of any length are read whole).
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || size > (1u << 20)) return std::string();
        text.assign(size + 1, '\0');
        if (!HttpQueryInfoA(request, what, &text[0], &size, nullptr)) return std::string();
    }
    text.resize(size < text.size() ? size : text.size());
    return text;
}

// One request, redirections not followed; the body of a GET is never read. A URL of another
// host (after a redirection) gets a connection of its own from the session.
bool SendRequest(const WinInetConnection& connection, const std::string& url, bool head, HttpExchange* answer) {
    URL_COMPONENTSA parts;
    ZeroMemory(&parts, sizeof parts);
    parts.dwStructSize = sizeof parts;
    char host[256];
    char path[2048];
    char extra[2048];
    parts.lpszHostName = host;
    parts.dwHostNameLength = sizeof host;
    parts.lpszUrlPath = path;
    parts.dwUrlPathLength = sizeof path;
    parts.lpszExtraInfo = extra;
    parts.dwExtraInfoLength = sizeof extra;
    if (!InternetCrackUrlA(url.c_str(), static_cast<DWORD>(url.size()), 0, &parts)) return false;
    const bool secure = parts.nScheme == INTERNET_SCHEME_HTTPS;
    if (!secure && parts.nScheme != INTERNET_SCHEME_HTTP) return false;
    HINTERNET through = connection.handle();
    InternetHandle other;
    const UrlKind kind = secure ? kUrlHttps : kUrlHttp;
    if (kind != connection.kind() || lstrcmpiA(host, connection.host().c_str()) != 0 || parts.nPort != connection.port()) {
        other.reset(InternetConnectA(connection.root(), host, parts.nPort, kHttpUserName, "", INTERNET_SERVICE_HTTP, 0, 0));
        if (!other) return false;
        through = other.get();
    }
    const std::string object = std::string(path) + extra;
    const DWORD flags = (secure ? kSecureHeadFlags : kHeadFlags) | INTERNET_FLAG_NO_AUTO_REDIRECT;
    InternetHandle request(
        HttpOpenRequestA(through, head ? "HEAD" : "GET", object.c_str(), nullptr, nullptr, nullptr, flags, 0));
    if (!request) return false;
    if (!HttpSendRequestA(request.get(), nullptr, 0, nullptr, 0)) return false;
    DWORD status = 0;
    DWORD size = sizeof status;
    if (!HttpQueryInfoA(request.get(), kStatusAsNumber, &status, &size, nullptr)) return false;
    // WinInet takes an answer without a status line for HTTP/0.9 and makes up the status line
    // alone; no server of today answers without a single header.
    const std::string raw = QueryText(request.get(), HTTP_QUERY_RAW_HEADERS_CRLF);
    const std::size_t firstLineEnd = raw.find("\r\n");
    if (firstLineEnd == std::string::npos || raw.find_first_not_of("\r\n", firstLineEnd) == std::string::npos) return false;
    answer->status = static_cast<long>(status);
    answer->location = QueryText(request.get(), HTTP_QUERY_LOCATION);
    answer->retryAfter = QueryText(request.get(), HTTP_QUERY_RETRY_AFTER);
    return status > 0;
}

bool SleepUnlessAbandoned(int milliseconds, const std::atomic<bool>& abandoned) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (std::chrono::steady_clock::now() < end) {
        if (abandoned.load()) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return !abandoned.load();
}

ProbeOutcome HttpProbe(const WinInetConnection& connection, const std::string& object,
                       const std::atomic<bool>& abandoned) {
    std::string url = connection.kind() == kUrlHttps ? "https://" : "http://";
    url += connection.host().find(':') != std::string::npos ? "[" + connection.host() + "]" : connection.host();
    url += ":" + std::to_string(connection.port()) + "/" + object;
    return CheckHttpUrl(
        url,
        [&connection](const std::string& u, bool head, HttpExchange* a) { return SendRequest(connection, u, head, a); },
        [&abandoned](int milliseconds) { return SleepUnlessAbandoned(milliseconds, abandoned); });
}

bool FtpOpensOrEnters(HINTERNET connection, const std::string& object) {
    if (object.empty()) return true;
    InternetHandle file(
        FtpOpenFileA(connection, object.c_str(), GENERIC_READ, FTP_TRANSFER_TYPE_UNKNOWN | kResynchronize, 0));
    if (file) return true;
    return FtpSetCurrentDirectoryA(connection, object.c_str()) != FALSE;
}

bool GopherOpens(HINTERNET connection, const std::string& object) {
    InternetHandle file(GopherOpenFileA(connection, object.c_str(), nullptr, kResynchronize, 0));
    return file != nullptr;
}

ProbeOutcome Probe(const WinInetConnection& connection, const std::string& object, const std::atomic<bool>& abandoned) {
    ProbeOutcome outcome;
    switch (connection.kind()) {
        case kUrlHttp:
        case kUrlHttps:
            return HttpProbe(connection, object, abandoned);
        case kUrlFtp:
            outcome.verdict = FtpOpensOrEnters(connection.handle(), object) ? kProbeValid : kProbeBroken;
            break;
        case kUrlGopher:
            outcome.verdict = GopherOpens(connection.handle(), object) ? kProbeValid : kProbeBroken;
            break;
    }
    return outcome;
}

class WinInetUrlProber : public UrlProber {
public:
    bool OpenSession(const std::string& userAgent) override {
        session_.reset();
        InternetHandle root(InternetOpenA(userAgent.c_str(), INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
        if (!root) return false;
        ApplyTimeLimit(root.get());
        // WinInet's own limit of connections per server would hold back what the check allows.
        DWORD connections = 64;
        InternetSetOptionA(nullptr, INTERNET_OPTION_MAX_CONNS_PER_SERVER, &connections, sizeof connections);
        InternetSetOptionA(nullptr, INTERNET_OPTION_MAX_CONNS_PER_1_0_SERVER, &connections, sizeof connections);
        auto session = std::make_shared<WinInetSession>();
        session->root = std::move(root);
        session_ = std::move(session);
        return true;
    }
    void CloseSession() override { session_.reset(); }
    bool HasSession() const override { return session_ != nullptr; }
    void SetTimeLimit(int milliseconds) override {
        timeLimit_ = milliseconds > 0 ? static_cast<DWORD>(milliseconds) : 0;
        if (session_) ApplyTimeLimit(session_->root.get());
    }

    std::shared_ptr<UrlConnection> Connect(UrlKind kind, const std::string& host, int port) override {
        if (!session_ || port <= 0 || port > 65535) return nullptr;
        const char* user = nullptr;
        const char* password = nullptr;
        DWORD service = INTERNET_SERVICE_HTTP;
        switch (kind) {
            case kUrlHttp:
                InternetAttemptConnect(0);  // its answer changes nothing; it may bring a dial-up line up
                user = kHttpUserName;
                password = "";
                break;
            case kUrlHttps:
                user = kHttpUserName;
                password = "";
                break;
            case kUrlFtp:
                service = INTERNET_SERVICE_FTP;
                break;
            case kUrlGopher:
                service = INTERNET_SERVICE_GOPHER;
                break;
            default:
                return nullptr;
        }
        InternetHandle handle(InternetConnectA(session_->root.get(), host.c_str(), static_cast<INTERNET_PORT>(port),
                                               user, password, service, 0, 0));
        if (!handle) return nullptr;
        return std::make_shared<WinInetConnection>(session_, std::move(handle), kind, host, port);
    }

    std::unique_ptr<UrlProbe> StartProbe(UrlKind kind, const std::shared_ptr<UrlConnection>& connection,
                                         const std::string& object) override {
        auto winConnection = std::dynamic_pointer_cast<WinInetConnection>(connection);
        if (!winConnection || winConnection->kind() != kind) return nullptr;
        // The worker owns its connection: an abandoned request closes it (if it was the last
        // owner) when WinInet gives up, never while it is in use.
        return workers_.Start([winConnection, object](const std::atomic<bool>& abandoned) {
            return Probe(*winConnection, object, abandoned);
        });
    }

private:
    // Connections made from the root afterwards take its time limits; WinInet has no overall one.
    void ApplyTimeLimit(HINTERNET root) const {
        if (timeLimit_ == 0) return;
        DWORD value = timeLimit_;
        for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT})
            InternetSetOptionA(root, option, &value, sizeof value);
    }

    std::shared_ptr<const WinInetSession> session_;
    DWORD timeLimit_ = 0;
    // A WinInet call can block for as long as the server keeps silent, so nobody waits for workers.
    ProbeWorkers workers_{false};
};

}  // namespace

std::unique_ptr<UrlProber> CreateSystemUrlProber() { return std::make_unique<WinInetUrlProber>(); }

}  // namespace corvane
