// The on-line check of Internet URLs: cached verdicts per URL, cached connections per host, a worker waited on with ESC and F10.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/engine_context.h"
#include "platform/operation_host.h"
#include "platform/url_prober.h"

namespace corvane {

// An Internet URL taken apart for the check.
struct InternetUrlParts {
    UrlKind kind = kUrlHttp;
    std::string host;    // as written (port included); the connection cache's key with kind
    std::string server;  // the name or address to connect to
    int port = 80;       // the scheme's port unless the host names one
    std::string object;  // after the host's '/', without it; empty when there is none
};

// Splits an URL that begins (ignoring case) with "http://", "https://", "ftp://" or "gopher://".
// The host ends at the first '/', '?' or '#'. False for any other URL.
bool SplitInternetUrl(const std::string& url, InternetUrlParts* parts);

class InternetCheck : public InternetUrlChecker {
public:
    static constexpr std::int32_t kRingSlots = 4096;
    static constexpr int kWaitStepMilliseconds = 10;

    // Both must outlive the check.
    InternetCheck(OperationHost& host, UrlProber& prober);
    ~InternetCheck() override;
    InternetCheck(const InternetCheck&) = delete;
    InternetCheck& operator=(const InternetCheck&) = delete;

    // 0 valid (or skipped), 1 broken, -1 the user pressed ESC.
    int CheckInternetUrl(const std::string& url) override;

    // A search is about to run: opens a fresh root session; cached connections stay usable.
    void OpenSession();
    // A new search generation: forgets every verdict, closes every connection and the session.
    void Reset();
    bool sessionOpen() const { return prober_.HasSession(); }

    // Slot of the first cached connection for this service and host (ignoring case), or -1.
    std::int32_t FindHost(UrlKind kind, const std::string& host) const;
    // The cached verdict of url (ignoring case): 1 valid or skipped, 0 broken; -1 not checked.
    int FindCheckedUrl(const std::string& url) const;
    // Stores a copy of url with its verdict, dropping the oldest entry once all slots are used.
    void RememberResult(const std::string& url, std::uint8_t result);

    std::int32_t hostCount() const { return hostCount_; }
    std::int32_t hostNext() const { return hostNext_; }
    std::int32_t checkedCount() const { return checkedCount_; }
    std::int32_t checkedNext() const { return checkedNext_; }

private:
    std::int32_t OpenConnection(const InternetUrlParts& parts);
    int Conclude(const std::string& url, std::uint8_t result, const char* verdict);

    OperationHost& host_;
    UrlProber& prober_;

    std::vector<std::string> hostNames_;
    std::vector<UrlKind> hostKinds_;
    std::vector<std::shared_ptr<UrlConnection>> hostConnections_;  // null: the connection failed
    std::int32_t hostCount_ = 0;
    std::int32_t hostNext_ = 0;

    std::vector<std::string> checkedUrls_;
    std::vector<std::uint8_t> checkedResults_;
    std::int32_t checkedCount_ = 0;
    std::int32_t checkedNext_ = 0;
};

}  // namespace corvane
