// The on-line check of Internet URLs: cached verdicts per URL, cached connections per host, a worker waited on with ESC and F10.
#pragma once

#include <chrono>
#include <cstdint>
#include <list>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
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

// How many requests may run at once, and for how long each.
struct InternetCheckLimits {
    int maxRequests = 64;
    int maxRequestsPerHost = 8;
    int timeLimitMilliseconds = 30000;
};

// The limits the search options ask for.
InternetCheckLimits LimitsOf(const SearchOptions& search);

// The User-Agent of every request: the program and its version.
extern const char kInternetUserAgent[];

// Checks run many at once: URLs handed to Prefetch start as soon as the limits allow, and
// CheckInternetUrl waits for the answer of its URL. What the log shows stays in the order the
// URLs are asked, as when each were checked in turn.
class InternetCheck : public InternetUrlChecker {
public:
    static constexpr std::int32_t kRingSlots = 4096;
    static constexpr int kWaitStepMilliseconds = 10;
    // The prober's own limit is longer, so that the check, not the worker, decides "timed out".
    static constexpr int kWorkerGraceMilliseconds = 2000;

    // Both must outlive the check.
    InternetCheck(OperationHost& host, UrlProber& prober);
    ~InternetCheck() override;
    InternetCheck(const InternetCheck&) = delete;
    InternetCheck& operator=(const InternetCheck&) = delete;

    // 0 valid (or skipped, or timed out), 1 broken, -1 the user pressed ESC (every request
    // in flight is then abandoned, and nothing learnt from them is kept).
    int CheckInternetUrl(const std::string& url) override;
    bool Prefetches() const override { return prober_.HasSession(); }
    void Prefetch(const std::string& url) override;
    void AbandonPrefetched() override { AbandonAll(); }
    std::string MovedAddress(const std::string& url) const override;

    // Values below 1 keep the default.
    void SetLimits(const InternetCheckLimits& limits);
    const InternetCheckLimits& limits() const { return limits_; }
    // Requests started and not yet answered, given up or abandoned.
    int requestsInFlight() const { return running_; }
    // The most that were in flight at once since the last Reset.
    int mostInFlight() const { return mostInFlight_; }

    // A search is about to run: opens a fresh root session; cached connections stay usable.
    void OpenSession();
    // A new search generation: forgets every verdict, closes every connection and the session.
    void Reset();
    bool sessionOpen() const { return prober_.HasSession(); }

    // Slot of the first cached connection for this service and host (ignoring case), or -1.
    std::int32_t FindHost(UrlKind kind, const std::string& host) const;
    // The cached verdict of url (its scheme and host ignoring case, the rest as written):
    // 1 valid or skipped, 0 broken; -1 not checked.
    int FindCheckedUrl(const std::string& url) const;
    // Stores a copy of url with its verdict, dropping the oldest entry once all slots are used.
    void RememberResult(const std::string& url, std::uint8_t result, const std::string& movedTo = std::string());

    std::int32_t hostCount() const { return hostCount_; }
    std::int32_t hostNext() const { return hostNext_; }
    std::int32_t checkedCount() const { return checkedCount_; }
    std::int32_t checkedNext() const { return checkedNext_; }

private:
    using Clock = std::chrono::steady_clock;
    enum RequestState { kQueued, kRunning, kAnswered, kSkipped, kTimedOut };
    struct Request {
        std::string url;
        std::string hostKey;  // the service and host whose share of the limit it takes
        RequestState state = kQueued;
        std::unique_ptr<UrlProbe> probe;
        Clock::time_point started;
    };
    using RequestList = std::list<Request>;

    std::int32_t OpenConnection(const InternetUrlParts& parts);
    int Conclude(const std::string& url, std::uint8_t result, const char* verdict, const std::string& movedTo = {});
    RequestList::iterator Enqueue(const std::string& url, const std::string& key);
    // Starts the request when the limits allow; false when they do not.
    bool TryStart(RequestList::iterator request);
    void Finish(RequestList::iterator request, RequestState state);
    // Notes answers and expired time limits, then starts queued requests (`first` first).
    void Pump(RequestList::iterator first);
    void Forget(RequestList::iterator request);
    void AbandonAll();

    OperationHost& host_;
    UrlProber& prober_;
    InternetCheckLimits limits_;

    RequestList requests_;                                         // in the order first met
    std::unordered_map<std::string, RequestList::iterator> byKey_;  // by cache key
    std::list<RequestList::iterator> queued_;
    std::vector<RequestList::iterator> runningList_;
    std::map<std::string, int> runningPerHost_;
    int running_ = 0;
    int mostInFlight_ = 0;

    std::vector<std::string> hostNames_;
    std::vector<UrlKind> hostKinds_;
    std::vector<std::shared_ptr<UrlConnection>> hostConnections_;  // null: the connection failed
    std::int32_t hostCount_ = 0;
    std::int32_t hostNext_ = 0;

    std::vector<std::string> checkedUrls_;
    std::vector<std::uint8_t> checkedResults_;
    std::vector<std::string> checkedMoved_;
    std::int32_t checkedCount_ = 0;
    std::int32_t checkedNext_ = 0;
};

}  // namespace corvane
