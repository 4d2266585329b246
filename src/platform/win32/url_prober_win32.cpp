// The URL prober of Windows: WinInet HEAD, FTP and gopher requests, each on a worker thread of its own.
#include "platform/url_prober.h"

#include <windows.h>
#include <wininet.h>

#include <atomic>
#include <memory>
#include <string>
#include <utility>

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
    WinInetConnection(std::shared_ptr<const WinInetSession> session, InternetHandle handle, UrlKind kind)
        : session_(std::move(session)), handle_(std::move(handle)), kind_(kind) {}

    HINTERNET handle() const { return handle_.get(); }
    UrlKind kind() const { return kind_; }

private:
    std::shared_ptr<const WinInetSession> session_;  // declared first: closed after the connection
    InternetHandle handle_;
    UrlKind kind_;
};

bool HeadAnswers(HINTERNET connection, bool secure, const std::string& object) {
    InternetHandle request(HttpOpenRequestA(connection, "HEAD", object.c_str(), nullptr, nullptr, nullptr,
                                            secure ? kSecureHeadFlags : kHeadFlags, 0));
    if (!request) return false;
    if (!HttpSendRequestA(request.get(), nullptr, 0, nullptr, 0)) return false;
    DWORD status = 0;
    DWORD size = sizeof status;
    if (!HttpQueryInfoA(request.get(), kStatusAsNumber, &status, &size, nullptr)) return false;
    return status == 200 || status == 401;
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

int Probe(const WinInetConnection& connection, const std::string& object) {
    bool valid = false;
    switch (connection.kind()) {
        case kUrlHttp:
            valid = HeadAnswers(connection.handle(), false, object);
            break;
        case kUrlHttps:
            valid = HeadAnswers(connection.handle(), true, object);
            break;
        case kUrlFtp:
            valid = FtpOpensOrEnters(connection.handle(), object);
            break;
        case kUrlGopher:
            valid = GopherOpens(connection.handle(), object);
            break;
    }
    return valid ? kProbeValid : kProbeBroken;
}

class WinInetUrlProber : public UrlProber {
public:
    bool OpenSession(const std::string& userAgent) override {
        session_.reset();
        InternetHandle root(InternetOpenA(userAgent.c_str(), INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
        if (!root) return false;
        auto session = std::make_shared<WinInetSession>();
        session->root = std::move(root);
        session_ = std::move(session);
        return true;
    }
    void CloseSession() override { session_.reset(); }
    bool HasSession() const override { return session_ != nullptr; }

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
        return std::make_shared<WinInetConnection>(session_, std::move(handle), kind);
    }

    std::unique_ptr<UrlProbe> StartProbe(UrlKind kind, const std::shared_ptr<UrlConnection>& connection,
                                         const std::string& object) override {
        auto winConnection = std::dynamic_pointer_cast<WinInetConnection>(connection);
        if (!winConnection || winConnection->kind() != kind) return nullptr;
        // The worker owns its connection: an abandoned request closes it (if it was the last
        // owner) when WinInet gives up, never while it is in use.
        return workers_.Start([winConnection, object](const std::atomic<bool>&) { return Probe(*winConnection, object); });
    }

private:
    std::shared_ptr<const WinInetSession> session_;
    // A WinInet call can block for as long as the server keeps silent, so nobody waits for workers.
    ProbeWorkers workers_{false};
};

}  // namespace

std::unique_ptr<UrlProber> CreateSystemUrlProber() { return std::make_unique<WinInetUrlProber>(); }

}  // namespace corvane
