// The on-line check of Internet URLs: the two rings, the log and status texts, and waiting for the worker.
#include "engine/internet_check.h"

#include <cstddef>

namespace corvane {
namespace {

const char kUserAgent[] = "Microsoft Internet Explorer";
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
      checkedResults_(kRingSlots, 0) {}

InternetCheck::~InternetCheck() { Reset(); }

void InternetCheck::OpenSession() { prober_.OpenSession(kUserAgent); }

void InternetCheck::Reset() {
    for (std::int32_t i = 0; i < hostCount_; ++i) {
        hostNames_[static_cast<std::size_t>(i)] = std::string();
        hostConnections_[static_cast<std::size_t>(i)].reset();
    }
    for (std::int32_t i = 0; i < checkedCount_; ++i) checkedUrls_[static_cast<std::size_t>(i)] = std::string();
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
    for (std::int32_t i = 0; i < checkedCount_; ++i) {
        const auto slot = static_cast<std::size_t>(i);
        if (SameNoCase(checkedUrls_[slot], url)) return checkedResults_[slot];
    }
    return -1;
}

void InternetCheck::RememberResult(const std::string& url, std::uint8_t result) {
    const auto slot = static_cast<std::size_t>(checkedNext_);
    if (checkedCount_ < kRingSlots) ++checkedCount_;
    checkedUrls_[slot] = url;
    checkedResults_[slot] = result;
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

int InternetCheck::Conclude(const std::string& url, std::uint8_t result, const char* verdict) {
    RememberResult(url, result);
    host_.AddLogLine(verdict, true);
    host_.SetStatusText(kStatusIdle);
    return result == 1 ? 0 : 1;
}

int InternetCheck::CheckInternetUrl(const std::string& url) {
    const int cached = FindCheckedUrl(url);
    if (cached == 1) return 0;
    if (cached == 0) return 1;

    host_.SetStatusText(kStatusChecking);
    host_.AddLogLine("Checking \"" + url + "\" in the Internet ... ", false);

    InternetUrlParts parts;
    if (!SplitInternetUrl(url, &parts)) return Conclude(url, 1, "skipped. ");

    std::int32_t slot = FindHost(parts.kind, parts.host);
    if (slot < 0) slot = OpenConnection(parts);
    const std::shared_ptr<UrlConnection> connection = hostConnections_[static_cast<std::size_t>(slot)];
    if (!connection) return Conclude(url, 1, "skipped. ");

    std::unique_ptr<UrlProbe> probe = prober_.StartProbe(parts.kind, connection, parts.object);
    if (!probe) return Conclude(url, 1, "skipped. ");

    while (!probe->Wait(kWaitStepMilliseconds)) {
        const int poll = host_.PumpMessages();
        if (poll == kPollStop) {
            probe->Abandon();
            return -1;
        }
        if (poll == kPollSkip) {
            probe->Abandon();
            return Conclude(url, 1, "skipped. ");
        }
    }
    if (probe->Result() == kProbeValid) return Conclude(url, 1, "valid. ");
    return Conclude(url, 0, "broken. ");
}

}  // namespace corvane
