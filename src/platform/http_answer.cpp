// How the answers of web servers are read: retries, redirections and what counts as working.
#include "platform/http_answer.h"

#include <algorithm>
#include <cstddef>

#include "platform/url_prober.h"

namespace corvane {
namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool StartsNoCase(const std::string& text, const char* prefix) {
    for (std::size_t i = 0; prefix[i] != '\0'; ++i)
        if (i >= text.size() || Lower(text[i]) != prefix[i]) return false;
    return true;
}

bool IsHttp(const std::string& url) { return StartsNoCase(url, "http://") || StartsNoCase(url, "https://"); }

std::string Trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return std::string();
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

bool IsRedirect(long status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

}  // namespace

std::string ResolveLocation(const std::string& from, const std::string& location) {
    const std::string to = Trimmed(location);
    if (to.empty()) return std::string();
    const std::size_t colon = to.find(':');
    const std::size_t slash = to.find('/');
    if (colon != std::string::npos && (slash == std::string::npos || colon < slash))
        return IsHttp(to) ? to : std::string();  // another scheme: file:, ftp:, ... is not followed
    const std::size_t hostStart = from.find("://");
    if (hostStart == std::string::npos) return std::string();
    const std::size_t pathStart = from.find_first_of("/?#", hostStart + 3);
    const std::string origin = from.substr(0, pathStart);
    if (to.compare(0, 2, "//") == 0) return from.substr(0, hostStart + 1) + to;
    if (to[0] == '/') return origin + to;
    std::string path = pathStart == std::string::npos ? std::string("/") : from.substr(pathStart);
    path.erase(std::min(path.find_first_of("?#"), path.size()));
    if (to[0] == '?') return origin + path + to;
    return origin + path.substr(0, path.rfind('/') + 1) + to;
}

int RetryAfterSeconds(const std::string& value) {
    const std::string text = Trimmed(value);
    if (text.empty() || text.size() > 6) return -1;
    int seconds = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return -1;
        seconds = seconds * 10 + (c - '0');
    }
    return seconds;
}

ProbeOutcome CheckHttpUrl(const std::string& url, const HttpSender& send, const HttpSleeper& sleep) {
    ProbeOutcome outcome;
    std::string current = url;
    bool permanentSoFar = true;  // every redirection met so far was a permanent one
    bool retried = false;
    const auto broken = [&outcome] {
        outcome.movedTo.clear();
        return outcome;
    };
    for (int redirects = 0; redirects <= kMaxRedirects;) {
        HttpExchange answer;
        if (!send(current, true, &answer)) return broken();
        // Some servers refuse HEAD but serve the page.
        if (answer.status == 405 || answer.status == 501) {
            answer = HttpExchange();
            if (!send(current, false, &answer)) return broken();
        }
        if ((answer.status == 429 || answer.status == 503) && !retried) {
            const int wait = RetryAfterSeconds(answer.retryAfter);
            if (wait >= 0 && wait <= kMaxRetryAfterSeconds) {
                retried = true;
                if (!sleep(wait * 1000)) return broken();
                continue;
            }
        }
        if ((answer.status >= 200 && answer.status <= 299) || answer.status == 401) {
            outcome.verdict = kProbeValid;
            return outcome;
        }
        if (!IsRedirect(answer.status)) return broken();
        const std::string next = ResolveLocation(current, answer.location);
        if (next.empty()) return broken();
        if (permanentSoFar && (answer.status == 301 || answer.status == 308)) {
            outcome.movedTo = next;
        } else {
            permanentSoFar = false;
        }
        current = next;
        ++redirects;
    }
    return broken();  // a chain too long, or a loop
}

}  // namespace corvane
