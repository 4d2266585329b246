// How the answers of web servers are read: the rules shared by the probers of every platform.
#pragma once

#include <atomic>
#include <functional>
#include <string>

namespace corvane {

// What a probe finds out about one URL.
struct ProbeOutcome {
    int verdict = 1;      // kProbeValid or kProbeBroken
    std::string movedTo;  // after permanent redirects to a working page: the new address
};

// One request's answer as the platform's HTTP client saw it.
struct HttpExchange {
    long status = 0;          // 0: no answer (refused, reset, garbage, timed out)
    std::string location;     // the Location header, as sent
    std::string retryAfter;   // the Retry-After header, as sent
};

constexpr int kMaxRedirects = 5;
constexpr int kMaxRetryAfterSeconds = 30;

// Sends one request for an absolute http(s) URL, redirections not followed; `head` false asks
// with GET and reads the headers only. False when no answer came.
using HttpSender = std::function<bool(const std::string& url, bool head, HttpExchange* answer)>;
// Waits up to `milliseconds`; false when the wait was given up (the probe was abandoned).
using HttpSleeper = std::function<bool(int milliseconds)>;

// The whole check of an http(s) URL: HEAD, GET when HEAD is refused (405, 501), one more try
// after a Retry-After of at most kMaxRetryAfterSeconds (429, 503), redirections followed to
// http(s) only, at most kMaxRedirects; any 2xx and 401 are valid.
ProbeOutcome CheckHttpUrl(const std::string& url, const HttpSender& send, const HttpSleeper& sleep);

// Location resolved against the URL that answered with it; empty unless it names http(s).
std::string ResolveLocation(const std::string& from, const std::string& location);
// Seconds of a Retry-After header that gives them as a number; -1 otherwise.
int RetryAfterSeconds(const std::string& value);

}  // namespace corvane
