// The on-line check of Internet URLs: the two rings, the log and status texts, and waiting for the worker.
#include "engine/internet_check.h"

#include <algorithm>
#include <cstddef>
#include <thread>
#include <utility>

namespace corvane {
namespace {

const char kStatusIdle[] = "Press ESC to stop";
const char kStatusChecking[] = "Press ESC to stop\nIf checking freezes for a long time, press F10 to skip the URL";

struct Scheme {
    const char* prefix;
    UrlKind kind;
    int port;
};
const Scheme kSchemes[] = {
    {"http://", kUrlHttp, 80},
    {"https://", kUrlHttps, 443},
    {"ftp://", kUrlFtp, 21},
    {"gopher://", kUrlGopher, 70},
};

char FoldAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// From the end: the URLs of one site mostly differ only there.
bool SameNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    const char* pa = a.data();
    const char* pb = b.data();
    for (std::size_t i = a.size(); i > 0; --i) {
        if (pa[i - 1] != pb[i - 1] && FoldAscii(pa[i - 1]) != FoldAscii(pb[i - 1])) return false;
    }
    return true;
}

// Scheme and host are names that ignore case; what follows is the server's to read as it likes.
std::string CacheKey(const std::string& url) {
    std::string key = url;
    const std::size_t scheme = key.find("://");
    const std::size_t end = scheme == std::string::npos ? 0 : std::min(key.find_first_of("/?#", scheme + 3), key.size());
    for (std::size_t i = 0; i < end; ++i) key[i] = FoldAscii(key[i]);
    return key;
}

bool HasPrefixNoCase(const std::string& text, const char* prefix) {
    std::size_t i = 0;
    for (; prefix[i] != '\0'; ++i) {
        if (i >= text.size() || FoldAscii(text[i]) != FoldAscii(prefix[i])) return false;
    }
    return true;
}

// "name:port" names its own port; a link such as http://example.com:8080/ must not be
// judged broken because the name with its port cannot be resolved.
void SplitPort(const std::string& host, int defaultPort, std::string* server, int* port) {
    *server = host;
    *port = defaultPort;
    const std::size_t colon = host.rfind(':');
    const std::size_t bracket = host.rfind(']');
    const bool hasPort = colon != std::string::npos && (bracket == std::string::npos || bracket < colon);
    if (hasPort) {
        const std::size_t digits = host.size() - colon - 1;
        int value = 0;
        bool numeric = digits <= 5;
        for (std::size_t i = colon + 1; numeric && i < host.size(); ++i) {
            numeric = host[i] >= '0' && host[i] <= '9';
            if (numeric) value = value * 10 + (host[i] - '0');
        }
        if (numeric && (digits == 0 || (value > 0 && value <= 65535))) {
            if (digits > 0) *port = value;
            server->erase(colon);
        }
    }
    // An IPv6 address is written in brackets in a URL but connected to without them.
    if (server->size() >= 2 && server->front() == '[' && server->back() == ']') {
        *server = server->substr(1, server->size() - 2);
    }
}

}  // namespace

const char kInternetUserAgent[] = "Corvane/2.1.1";

bool SplitInternetUrl(const std::string& url, InternetUrlParts* parts) {
    for (const Scheme& scheme : kSchemes) {
        if (!HasPrefixNoCase(url, scheme.prefix)) continue;
        const std::size_t start = std::char_traits<char>::length(scheme.prefix);
        std::size_t end = url.find_first_of("/?#", start);
        if (end == std::string::npos) end = url.size();
        parts->kind = scheme.kind;
        parts->host = url.substr(start, end - start);
        if (end == url.size()) {
            parts->object.clear();
        } else if (url[end] == '/') {
            parts->object = url.substr(end + 1);
        } else {
            parts->object = url.substr(end);
        }
        SplitPort(parts->host, scheme.port, &parts->server, &parts->port);
        return true;
    }
    return false;
}

InternetCheck::InternetCheck(OperationHost& host, UrlProber& prober)
    : host_(host),
      prober_(prober),
      hostNames_(kRingSlots),
      hostKinds_(kRingSlots, kUrlHttp),
      hostConnections_(kRingSlots),
      checkedUrls_(kRingSlots),
      checkedResults_(kRingSlots, 0),
      checkedMoved_(kRingSlots) {
    prober_.SetTimeLimit(limits_.timeLimitMilliseconds + kWorkerGraceMilliseconds);
}

InternetCheck::~InternetCheck() { Reset(); }

void InternetCheck::OpenSession() { prober_.OpenSession(kInternetUserAgent); }

InternetCheckLimits LimitsOf(const SearchOptions& search) {
    InternetCheckLimits limits;
    limits.maxRequests = search.maxRequests;
    limits.maxRequestsPerHost = search.maxRequestsPerHost;
    limits.timeLimitMilliseconds = search.timeLimitSeconds > 0 && search.timeLimitSeconds <= 86400
                                       ? search.timeLimitSeconds * 1000
                                       : 0;
    return limits;
}

void InternetCheck::SetLimits(const InternetCheckLimits& limits) {
    const InternetCheckLimits defaults;
    limits_.maxRequests = limits.maxRequests > 0 ? limits.maxRequests : defaults.maxRequests;
    limits_.maxRequestsPerHost = limits.maxRequestsPerHost > 0 ? limits.maxRequestsPerHost : defaults.maxRequestsPerHost;
    limits_.timeLimitMilliseconds =
        limits.timeLimitMilliseconds > 0 ? limits.timeLimitMilliseconds : defaults.timeLimitMilliseconds;
    prober_.SetTimeLimit(limits_.timeLimitMilliseconds + kWorkerGraceMilliseconds);
}

void InternetCheck::Reset() {
    AbandonAll();
    mostInFlight_ = 0;
    for (std::int32_t i = 0; i < hostCount_; ++i) {
        hostNames_[static_cast<std::size_t>(i)] = std::string();
        hostConnections_[static_cast<std::size_t>(i)].reset();
    }
    for (std::int32_t i = 0; i < checkedCount_; ++i) {
        checkedUrls_[static_cast<std::size_t>(i)] = std::string();
        checkedMoved_[static_cast<std::size_t>(i)] = std::string();
    }
    hostCount_ = hostNext_ = 0;
    checkedCount_ = checkedNext_ = 0;
    prober_.CloseSession();
}

std::int32_t InternetCheck::FindHost(UrlKind kind, const std::string& host) const {
    for (std::int32_t i = 0; i < hostCount_; ++i) {
        const auto slot = static_cast<std::size_t>(i);
        if (hostKinds_[slot] == kind && SameNoCase(hostNames_[slot], host)) return i;
    }
    return -1;
}

int InternetCheck::FindCheckedUrl(const std::string& url) const {
    const std::string key = CacheKey(url);
    for (std::int32_t i = 0; i < checkedCount_; ++i) {
        const auto slot = static_cast<std::size_t>(i);
        if (checkedUrls_[slot] == key) return checkedResults_[slot];
    }
    return -1;
}

std::string InternetCheck::MovedAddress(const std::string& url) const {
    const std::string key = CacheKey(url);
    for (std::int32_t i = 0; i < checkedCount_; ++i) {
        const auto slot = static_cast<std::size_t>(i);
        if (checkedUrls_[slot] == key) return checkedMoved_[slot];
    }
    return std::string();
}

void InternetCheck::RememberResult(const std::string& url, std::uint8_t result, const std::string& movedTo) {
    const auto slot = static_cast<std::size_t>(checkedNext_);
    if (checkedCount_ < kRingSlots) ++checkedCount_;
    checkedUrls_[slot] = CacheKey(url);
    checkedResults_[slot] = result;
    checkedMoved_[slot] = movedTo;
    checkedNext_ = (checkedNext_ + 1) % kRingSlots;
}

std::int32_t InternetCheck::OpenConnection(const InternetUrlParts& parts) {
    const std::int32_t taken = hostNext_;
    const auto slot = static_cast<std::size_t>(taken);
    // The dropped connection closes once a worker still running on it lets it go.
    hostConnections_[slot].reset();
    if (hostCount_ < kRingSlots) ++hostCount_;
    hostNames_[slot] = parts.host;
    hostKinds_[slot] = parts.kind;
    hostConnections_[slot] = prober_.Connect(parts.kind, parts.server, parts.port);
    hostNext_ = (hostNext_ + 1) % kRingSlots;
    return taken;
}

int InternetCheck::Conclude(const std::string& url, std::uint8_t result, const char* verdict,
                            const std::string& movedTo) {
    RememberResult(url, result, movedTo);
    host_.AddLogLine(verdict, true);
    host_.SetStatusText(kStatusIdle);
    return result == 1 ? 0 : 1;
}

InternetCheck::RequestList::iterator InternetCheck::Enqueue(const std::string& url, const std::string& key) {
    Request request;
    request.url = url;
    InternetUrlParts parts;
    if (SplitInternetUrl(url, &parts)) request.hostKey = std::to_string(parts.kind) + CacheKey("x://" + parts.host);
    const auto it = requests_.insert(requests_.end(), std::move(request));
    byKey_[key] = it;
    queued_.push_back(it);
    return it;
}

bool InternetCheck::TryStart(RequestList::iterator request) {
    if (running_ >= limits_.maxRequests) return false;
    int& onHost = runningPerHost_[request->hostKey];
    if (onHost >= limits_.maxRequestsPerHost) return false;
    queued_.remove(request);
    InternetUrlParts parts;
    if (!SplitInternetUrl(request->url, &parts)) {
        request->state = kSkipped;
        return true;
    }
    std::int32_t slot = FindHost(parts.kind, parts.host);
    if (slot < 0) slot = OpenConnection(parts);
    const std::shared_ptr<UrlConnection> connection = hostConnections_[static_cast<std::size_t>(slot)];
    if (connection) request->probe = prober_.StartProbe(parts.kind, connection, parts.object);
    if (!request->probe) {
        request->state = kSkipped;
        return true;
    }
    request->state = kRunning;
    request->started = Clock::now();
    ++onHost;
    ++running_;
    mostInFlight_ = std::max(mostInFlight_, running_);
    runningList_.push_back(request);
    return true;
}

void InternetCheck::Finish(RequestList::iterator request, RequestState state) {
    request->state = state;
    --runningPerHost_[request->hostKey];
    --running_;
    runningList_.erase(std::find(runningList_.begin(), runningList_.end(), request));
}

void InternetCheck::Pump(RequestList::iterator first) {
    if (first != requests_.end() && first->state == kQueued) TryStart(first);
    const auto limit = std::chrono::milliseconds(limits_.timeLimitMilliseconds);
    const Clock::time_point now = Clock::now();
    for (std::size_t i = runningList_.size(); i > 0; --i) {
        const RequestList::iterator request = runningList_[i - 1];
        if (request->probe->Wait(0)) {
            Finish(request, kAnswered);
        } else if (now - request->started >= limit) {
            request->probe->Abandon();
            Finish(request, kTimedOut);
        }
    }
    for (auto it = queued_.begin(); it != queued_.end() && running_ < limits_.maxRequests;) {
        const RequestList::iterator request = *it++;  // TryStart takes it off the queue
        TryStart(request);
    }
}

void InternetCheck::Forget(RequestList::iterator request) {
    byKey_.erase(CacheKey(request->url));
    requests_.erase(request);
}

void InternetCheck::AbandonAll() {
    for (Request& request : requests_)
        if (request.probe) request.probe->Abandon();
    requests_.clear();
    byKey_.clear();
    queued_.clear();
    runningList_.clear();
    runningPerHost_.clear();
    running_ = 0;
}

void InternetCheck::Prefetch(const std::string& url) {
    if (!prober_.HasSession() || FindCheckedUrl(url) >= 0) return;
    const std::string key = CacheKey(url);
    if (byKey_.count(key) == 0) Enqueue(url, key);
    Pump(requests_.end());
}

int InternetCheck::CheckInternetUrl(const std::string& url) {
    const int cached = FindCheckedUrl(url);
    if (cached == 1) return 0;
    if (cached == 0) return 1;

    host_.SetStatusText(kStatusChecking);
    host_.AddLogLine("Checking \"" + url + "\" in the Internet ... ", false);

    InternetUrlParts parts;
    if (!SplitInternetUrl(url, &parts)) return Conclude(url, 1, "skipped. ");

    const std::string key = CacheKey(url);
    const auto known = byKey_.find(key);
    const RequestList::iterator request = known != byKey_.end() ? known->second : Enqueue(url, key);
    for (;;) {
        Pump(request);
        if (request->state != kQueued && request->state != kRunning) break;
        // Waiting on the answer itself, or (while the limits hold it back) a step of time.
        if (request->state == kRunning) {
            if (request->probe->Wait(kWaitStepMilliseconds)) continue;
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(kWaitStepMilliseconds));
        }
        const int poll = host_.PumpMessages();
        if (poll == kPollStop) {
            AbandonAll();
            return -1;
        }
        if (poll == kPollSkip) {
            if (request->state == kRunning) {
                request->probe->Abandon();
                Finish(request, kSkipped);
            }
            queued_.remove(request);
            Forget(request);
            return Conclude(url, 1, "skipped. ");
        }
    }
    const RequestState state = request->state;
    const bool valid = state == kAnswered && request->probe->Result() == kProbeValid;
    const std::string movedTo = valid ? request->probe->MovedTo() : std::string();
    const bool answered = state == kAnswered;
    Forget(request);
    if (state == kTimedOut) return Conclude(url, 1, "timed out. ");
    if (!answered) return Conclude(url, 1, "skipped. ");
    if (valid) return Conclude(url, 1, "valid. ", movedTo);
    return Conclude(url, 0, "broken. ");
}

}  // namespace corvane
