// The Internet check: URL splitting, the verdict and connection rings, ESC and F10, the reset, and real requests to a local server.
#include "engine/internet_check.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "support/local_http_server.h"

#ifndef _WIN32
#include <dirent.h>
#endif

namespace corvane {
namespace {

using testing_support::LocalHttpServer;

const char kChecking[] = "Press ESC to stop\nIf checking freezes for a long time, press F10 to skip the URL";
const char kIdle[] = "Press ESC to stop";

std::string CheckingLine(const std::string& url) { return "Checking \"" + url + "\" in the Internet ... "; }

// Records what the check shows; `poll` decides what each call of PumpMessages reports.
class InternetCheckHost : public OperationHost {
public:
    void AddLogLine(const std::string& text, bool append) override {
        if (append && !lines.empty()) {
            lines.back() += text;
        } else {
            lines.push_back(text);
        }
    }
    void SetOverallProgress(std::int32_t, std::int32_t) override {}
    void SetFileProgress(std::int32_t, std::int32_t) override {}
    void SetStatusText(const std::string& text) override { statuses.push_back(text); }
    int PumpMessages() override {
        ++pumps;
        return poll ? poll() : kPollNothing;
    }

    std::vector<std::string> lines;
    std::vector<std::string> statuses;
    int pumps = 0;
    std::function<int()> poll;
};

// ---------------------------------------------------------------------------------------------
// An in-memory prober: verdicts by object, connections counted, probes that never finish.

constexpr int kNeverAnswers = -1;

struct FakeLedger {
    int sessionsOpened = 0;
    int liveConnections = 0;
    int abandoned = 0;
    std::string userAgent;
    std::vector<std::string> connects;  // "kind host port"
    std::vector<std::string> probes;    // "kind object"
};

class FakeConnection : public UrlConnection {
public:
    FakeConnection(std::shared_ptr<FakeLedger> ledger, UrlKind kind) : ledger_(std::move(ledger)), kind(kind) {
        ++ledger_->liveConnections;
    }
    ~FakeConnection() override { --ledger_->liveConnections; }

private:
    std::shared_ptr<FakeLedger> ledger_;

public:
    const UrlKind kind;
};

class FakeProbe : public UrlProbe {
public:
    FakeProbe(std::shared_ptr<FakeLedger> ledger, int verdict) : ledger_(std::move(ledger)), verdict_(verdict) {}
    bool Wait(int) override { return verdict_ != kNeverAnswers; }
    int Result() const override { return verdict_; }
    void Abandon() override { ++ledger_->abandoned; }

private:
    std::shared_ptr<FakeLedger> ledger_;
    int verdict_;
};

class FakeUrlProber : public UrlProber {
public:
    bool OpenSession(const std::string& userAgent) override {
        ++ledger->sessionsOpened;
        ledger->userAgent = userAgent;
        session_ = true;
        return true;
    }
    void CloseSession() override { session_ = false; }
    bool HasSession() const override { return session_; }

    std::shared_ptr<UrlConnection> Connect(UrlKind kind, const std::string& host, int port) override {
        ledger->connects.push_back(std::to_string(kind) + " " + host + " " + std::to_string(port));
        if (!session_ || unreachable.count(host) != 0) return nullptr;
        return std::make_shared<FakeConnection>(ledger, kind);
    }

    std::unique_ptr<UrlProbe> StartProbe(UrlKind kind, const std::shared_ptr<UrlConnection>& connection,
                                         const std::string& object) override {
        EXPECT_EQ(static_cast<const FakeConnection&>(*connection).kind, kind);
        ledger->probes.push_back(std::to_string(kind) + " " + object);
        const auto found = verdicts.find(object);
        return std::make_unique<FakeProbe>(ledger, found == verdicts.end() ? kProbeValid : found->second);
    }

    std::shared_ptr<FakeLedger> ledger = std::make_shared<FakeLedger>();
    std::map<std::string, int> verdicts;  // by object; kProbeValid when not listed
    std::set<std::string> unreachable;    // hosts whose connection fails

private:
    bool session_ = false;
};

class InternetCheckFake : public ::testing::Test {
protected:
    InternetCheckFake() { check.OpenSession(); }

    InternetCheckHost host;
    FakeUrlProber prober;
    InternetCheck check{host, prober};
};

// ---------------------------------------------------------------------------------------------
// Splitting

struct SplitCase {
    const char* url;
    UrlKind kind;
    const char* host;
    const char* server;
    int port;
    const char* object;
};

TEST(SplitInternetUrl, TakesSchemeHostPortAndObjectApart) {
    const SplitCase cases[] = {
        {"http://example.com/a/b.htm", kUrlHttp, "example.com", "example.com", 80, "a/b.htm"},
        {"HTTPS://Example.com/x", kUrlHttps, "Example.com", "Example.com", 443, "x"},
        {"ftp://ftp.example.com/pub/", kUrlFtp, "ftp.example.com", "ftp.example.com", 21, "pub/"},
        {"Gopher://gopher.example.com/1/menu", kUrlGopher, "gopher.example.com", "gopher.example.com", 70, "1/menu"},
        {"http://example.com", kUrlHttp, "example.com", "example.com", 80, ""},
        {"http://example.com/", kUrlHttp, "example.com", "example.com", 80, ""},
        {"http://example.com:8080/p", kUrlHttp, "example.com:8080", "example.com", 8080, "p"},
        {"http://example.com:/p", kUrlHttp, "example.com:", "example.com", 80, "p"},
        {"http://example.com:99999/p", kUrlHttp, "example.com:99999", "example.com:99999", 80, "p"},
        {"http://example.com:80a/p", kUrlHttp, "example.com:80a", "example.com:80a", 80, "p"},
        {"http://[::1]:8080/p", kUrlHttp, "[::1]:8080", "::1", 8080, "p"},
        {"http://[::1]/p", kUrlHttp, "[::1]", "::1", 80, "p"},
        {"http://example.com?q=1", kUrlHttp, "example.com", "example.com", 80, "?q=1"},
        {"http:///p", kUrlHttp, "", "", 80, "p"},
    };
    for (const SplitCase& c : cases) {
        SCOPED_TRACE(c.url);
        InternetUrlParts parts;
        ASSERT_TRUE(SplitInternetUrl(c.url, &parts));
        EXPECT_EQ(parts.kind, c.kind);
        EXPECT_EQ(parts.host, c.host);
        EXPECT_EQ(parts.server, c.server);
        EXPECT_EQ(parts.port, c.port);
        EXPECT_EQ(parts.object, c.object);
    }
}

TEST(SplitInternetUrl, RefusesOtherUrls) {
    InternetUrlParts parts;
    for (const char* url : {"mailto:a@b.c", "file:///C|/a.htm", "news://x/y", "http:/x", "httpx://y", ""}) {
        EXPECT_FALSE(SplitInternetUrl(url, &parts)) << url;
    }
}

// ---------------------------------------------------------------------------------------------
// Verdicts, log and status

TEST_F(InternetCheckFake, OpensItsSessionNamingTheProgram) {
    EXPECT_TRUE(check.sessionOpen());
    EXPECT_EQ(prober.ledger->userAgent, "Corvane/2.1.1");
}

TEST_F(InternetCheckFake, ValidUrlIsLoggedOnceAndThenAnsweredFromTheCache) {
    EXPECT_EQ(check.CheckInternetUrl("http://example.com/a.htm"), 0);
    ASSERT_EQ(host.lines.size(), 1u);
    EXPECT_EQ(host.lines[0], CheckingLine("http://example.com/a.htm") + "valid. ");
    EXPECT_EQ(host.statuses, (std::vector<std::string>{kChecking, kIdle}));
    EXPECT_EQ(check.FindCheckedUrl("http://example.com/a.htm"), 1);

    EXPECT_EQ(check.CheckInternetUrl("http://example.com/a.htm"), 0);
    EXPECT_EQ(host.lines.size(), 1u);
    EXPECT_EQ(host.statuses.size(), 2u);
    EXPECT_EQ(prober.ledger->probes.size(), 1u);
}

TEST_F(InternetCheckFake, BrokenUrlIsLoggedOnceAndThenAnsweredFromTheCache) {
    prober.verdicts["gone.htm"] = kProbeBroken;
    EXPECT_EQ(check.CheckInternetUrl("http://example.com/gone.htm"), 1);
    EXPECT_EQ(host.lines, (std::vector<std::string>{CheckingLine("http://example.com/gone.htm") + "broken. "}));
    EXPECT_EQ(host.statuses, (std::vector<std::string>{kChecking, kIdle}));
    EXPECT_EQ(check.FindCheckedUrl("HTTP://EXAMPLE.COM/gone.htm"), 0);
    EXPECT_EQ(check.FindCheckedUrl("http://example.com/GONE.HTM"), -1);

    EXPECT_EQ(check.CheckInternetUrl("http://example.com/gone.htm"), 1);
    EXPECT_EQ(host.lines.size(), 1u);
    EXPECT_EQ(prober.ledger->probes.size(), 1u);
}

TEST_F(InternetCheckFake, CaseOfSchemeAndHostReusesTheVerdictButCaseOfThePathDoesNot) {
    EXPECT_EQ(check.CheckInternetUrl("http://Example.com/Page.htm"), 0);
    EXPECT_EQ(check.CheckInternetUrl("HTTP://EXAMPLE.COM/Page.htm"), 0);
    EXPECT_EQ(prober.ledger->probes.size(), 1u);
    EXPECT_EQ(check.CheckInternetUrl("http://EXAMPLE.com/page.HTM"), 0);
    EXPECT_EQ(prober.ledger->probes.size(), 2u);
    EXPECT_EQ(prober.ledger->connects, (std::vector<std::string>{"0 Example.com 80"}));
    EXPECT_EQ(check.hostCount(), 1);
    EXPECT_EQ(host.lines.size(), 2u);
}

TEST_F(InternetCheckFake, EachServiceOfAHostGetsItsOwnConnection) {
    EXPECT_EQ(check.CheckInternetUrl("http://example.com/a"), 0);
    EXPECT_EQ(check.CheckInternetUrl("https://example.com/a"), 0);
    EXPECT_EQ(check.CheckInternetUrl("ftp://example.com/a"), 0);
    EXPECT_EQ(check.CheckInternetUrl("gopher://example.com/a"), 0);
    EXPECT_EQ(check.CheckInternetUrl("http://example.com:8080/a"), 0);
    EXPECT_EQ(check.CheckInternetUrl("http://example.com/b"), 0);
    EXPECT_EQ(prober.ledger->connects,
              (std::vector<std::string>{"0 example.com 80", "1 example.com 443", "2 example.com 21", "3 example.com 70",
                                        "0 example.com 8080"}));
    EXPECT_EQ(prober.ledger->probes,
              (std::vector<std::string>{"0 a", "1 a", "2 a", "3 a", "0 a", "0 b"}));
    EXPECT_EQ(check.FindHost(kUrlHttp, "EXAMPLE.COM"), 0);
    EXPECT_EQ(check.FindHost(kUrlFtp, "Example.Com"), 2);
    EXPECT_EQ(check.FindHost(kUrlHttp, "example.com:8080"), 4);
    EXPECT_EQ(check.FindHost(kUrlHttp, "example.org"), -1);
}

TEST_F(InternetCheckFake, HostWithoutConnectionIsSkippedWithoutConnectingAgain) {
    prober.unreachable.insert("down.example.com");
    EXPECT_EQ(check.CheckInternetUrl("http://down.example.com/a"), 0);
    EXPECT_EQ(check.CheckInternetUrl("http://down.example.com/b"), 0);
    EXPECT_EQ(host.lines, (std::vector<std::string>{CheckingLine("http://down.example.com/a") + "skipped. ",
                                                    CheckingLine("http://down.example.com/b") + "skipped. "}));
    EXPECT_EQ(host.statuses, (std::vector<std::string>{kChecking, kIdle, kChecking, kIdle}));
    EXPECT_EQ(prober.ledger->connects.size(), 1u);
    EXPECT_TRUE(prober.ledger->probes.empty());
    EXPECT_EQ(check.FindCheckedUrl("http://down.example.com/a"), 1);
    EXPECT_EQ(check.hostCount(), 1);
}

TEST(InternetCheck, WithoutSessionEveryUrlIsSkipped) {
    InternetCheckHost host;
    FakeUrlProber prober;
    InternetCheck check(host, prober);
    EXPECT_FALSE(check.sessionOpen());
    EXPECT_EQ(check.CheckInternetUrl("http://example.com/a"), 0);
    EXPECT_EQ(host.lines, (std::vector<std::string>{CheckingLine("http://example.com/a") + "skipped. "}));
    EXPECT_TRUE(prober.ledger->probes.empty());
}

TEST_F(InternetCheckFake, UrlOfAnotherSchemeIsSkipped) {
    EXPECT_EQ(check.CheckInternetUrl("telnet://example.com/"), 0);
    EXPECT_EQ(host.lines, (std::vector<std::string>{CheckingLine("telnet://example.com/") + "skipped. "}));
    EXPECT_TRUE(prober.ledger->connects.empty());
}

TEST_F(InternetCheckFake, QuickAnswerNeedsNoPumping) {
    EXPECT_EQ(check.CheckInternetUrl("http://example.com/a"), 0);
    EXPECT_EQ(host.pumps, 0);
}

// ---------------------------------------------------------------------------------------------
// ESC and F10

TEST_F(InternetCheckFake, EscStopsWithoutVerdictOrCacheEntry) {
    prober.verdicts["slow"] = kNeverAnswers;
    int calls = 0;
    host.poll = [&] { return ++calls < 3 ? kPollNothing : kPollStop; };
    EXPECT_EQ(check.CheckInternetUrl("http://example.com/slow"), -1);
    EXPECT_EQ(host.pumps, 3);
    EXPECT_EQ(host.lines, (std::vector<std::string>{CheckingLine("http://example.com/slow")}));
    EXPECT_EQ(host.statuses, (std::vector<std::string>{kChecking}));
    EXPECT_EQ(check.FindCheckedUrl("http://example.com/slow"), -1);
    EXPECT_EQ(check.checkedCount(), 0);
    EXPECT_EQ(prober.ledger->abandoned, 1);

    // Not cached, so it is asked again next time.
    host.poll = [] { return kPollStop; };
    EXPECT_EQ(check.CheckInternetUrl("http://example.com/slow"), -1);
    EXPECT_EQ(prober.ledger->probes.size(), 2u);
}

TEST_F(InternetCheckFake, F10SkipsAndTheUrlCountsAsValidFromThenOn) {
    prober.verdicts["slow"] = kNeverAnswers;
    host.poll = [] { return kPollSkip; };
    EXPECT_EQ(check.CheckInternetUrl("http://example.com/slow"), 0);
    EXPECT_EQ(host.lines, (std::vector<std::string>{CheckingLine("http://example.com/slow") + "skipped. "}));
    EXPECT_EQ(host.statuses, (std::vector<std::string>{kChecking, kIdle}));
    EXPECT_EQ(check.FindCheckedUrl("http://example.com/slow"), 1);
    EXPECT_EQ(prober.ledger->abandoned, 1);

    EXPECT_EQ(check.CheckInternetUrl("http://EXAMPLE.com/slow"), 0);
    EXPECT_EQ(prober.ledger->probes.size(), 1u);
    EXPECT_EQ(host.lines.size(), 1u);
}

// ---------------------------------------------------------------------------------------------
// Rings and reset

TEST_F(InternetCheckFake, TheFirstOf4097UrlsIsForgottenAndAskedAgain) {
    const int slots = InternetCheck::kRingSlots;
    for (int i = 0; i <= slots; ++i) {
        ASSERT_EQ(check.CheckInternetUrl("http://example.com/" + std::to_string(i)), 0);
    }
    EXPECT_EQ(check.checkedCount(), slots);
    EXPECT_EQ(check.checkedNext(), 1);
    EXPECT_EQ(check.FindCheckedUrl("http://example.com/0"), -1);
    EXPECT_EQ(check.FindCheckedUrl("http://example.com/1"), 1);
    EXPECT_EQ(check.FindCheckedUrl("http://example.com/" + std::to_string(slots)), 1);

    const std::size_t probes = prober.ledger->probes.size();
    EXPECT_EQ(check.CheckInternetUrl("http://example.com/0"), 0);
    EXPECT_EQ(prober.ledger->probes.size(), probes + 1);
    EXPECT_EQ(check.FindCheckedUrl("http://example.com/1"), -1);  // it took the second slot
    EXPECT_EQ(check.checkedNext(), 2);
    EXPECT_EQ(prober.ledger->connects.size(), 1u);
}

TEST_F(InternetCheckFake, ResultRingWrapsAtItsEnd) {
    for (int i = 0; i < 2 * InternetCheck::kRingSlots; ++i) check.RememberResult("u" + std::to_string(i), 1);
    EXPECT_EQ(check.checkedCount(), InternetCheck::kRingSlots);
    EXPECT_EQ(check.checkedNext(), 0);
    EXPECT_EQ(check.FindCheckedUrl("u4095"), -1);
    EXPECT_EQ(check.FindCheckedUrl("u4096"), 1);
}

TEST_F(InternetCheckFake, TheFirstOf4097HostsIsDisconnectedAndConnectedAgain) {
    const int slots = InternetCheck::kRingSlots;
    for (int i = 0; i <= slots; ++i) {
        ASSERT_EQ(check.CheckInternetUrl("http://h" + std::to_string(i) + ".example/"), 0);
    }
    EXPECT_EQ(check.hostCount(), slots);
    EXPECT_EQ(check.hostNext(), 1);
    EXPECT_EQ(prober.ledger->liveConnections, slots);
    EXPECT_EQ(check.FindHost(kUrlHttp, "h0.example"), -1);
    EXPECT_EQ(check.FindHost(kUrlHttp, "h4096.example"), 0);

    EXPECT_EQ(check.CheckInternetUrl("http://h0.example/again"), 0);
    EXPECT_EQ(prober.ledger->connects.back(), "0 h0.example 80");
    EXPECT_EQ(check.FindHost(kUrlHttp, "h0.example"), 1);
}

TEST_F(InternetCheckFake, ResetForgetsVerdictsClosesConnectionsAndTheSession) {
    prober.verdicts["bad"] = kProbeBroken;
    check.CheckInternetUrl("http://a.example/ok");
    check.CheckInternetUrl("http://b.example/bad");
    check.CheckInternetUrl("ftp://a.example/pub");
    EXPECT_EQ(prober.ledger->liveConnections, 3);

    check.Reset();
    EXPECT_EQ(check.checkedCount(), 0);
    EXPECT_EQ(check.checkedNext(), 0);
    EXPECT_EQ(check.hostCount(), 0);
    EXPECT_EQ(check.hostNext(), 0);
    EXPECT_EQ(prober.ledger->liveConnections, 0);
    EXPECT_FALSE(check.sessionOpen());
    EXPECT_EQ(check.FindCheckedUrl("http://b.example/bad"), -1);
    EXPECT_EQ(check.FindHost(kUrlHttp, "a.example"), -1);

    check.OpenSession();
    EXPECT_EQ(check.CheckInternetUrl("http://b.example/bad"), 1);
    EXPECT_EQ(prober.ledger->probes.size(), 4u);
    EXPECT_EQ(check.hostNext(), 1);
}

TEST_F(InternetCheckFake, ShowingTheSearchAgainKeepsVerdictsAndConnections) {
    check.CheckInternetUrl("http://a.example/x");
    check.OpenSession();
    EXPECT_EQ(prober.ledger->sessionsOpened, 2);
    EXPECT_EQ(check.CheckInternetUrl("http://a.example/x"), 0);
    EXPECT_EQ(check.CheckInternetUrl("http://a.example/y"), 0);
    EXPECT_EQ(prober.ledger->connects.size(), 1u);
    EXPECT_EQ(prober.ledger->probes.size(), 2u);
}

// ---------------------------------------------------------------------------------------------
// Real requests against a server in this process

class InternetCheckLocalServer : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server.running());
        check.OpenSession();
        ASSERT_TRUE(check.sessionOpen());
    }

    // Presses `key` once the server holds the request for `path`; after 20 s regardless, so
    // that a request that never reaches the server fails the test instead of hanging it.
    void PressWhenHeld(const std::string& path, int key) {
        const auto start = std::chrono::steady_clock::now();
        host.poll = [this, path, key, start] {
            const bool held = server.RequestCount(path) > 0;
            const bool late = std::chrono::steady_clock::now() - start > std::chrono::seconds(20);
            return held || late ? key : kPollNothing;
        };
    }

    std::unique_ptr<UrlProber> prober = CreateSystemUrlProber();
    InternetCheckHost host;
    InternetCheck check{host, *prober};
    LocalHttpServer server;  // declared last: it ends first, letting go of any request it holds
};

struct StatusCase {
    const char* path;
    int expected;
    const char* verdict;
};

struct AnswerCase {
    const char* path;
    const char* verdict;
    const char* movedTo;  // a path of the server, or ""
    const char* requests;  // what the server was asked, in order; nullptr: not compared
};

TEST_F(InternetCheckLocalServer, ReadsTheAnswersAsServersMeanThem) {
    const AnswerCase cases[] = {
        {"/ok", "valid. ", "", "HEAD /ok"},
        {"/auth", "valid. ", "", nullptr},  // WinInet answers the challenge with the connection's user
        {"/empty", "valid. ", "", "HEAD /empty"},
        {"/partial", "valid. ", "", "HEAD /partial"},
        {"/forbidden", "broken. ", "", "HEAD /forbidden"},
        {"/missing", "broken. ", "", "HEAD /missing"},
        {"/error", "broken. ", "", "HEAD /error"},
        {"/nohead", "valid. ", "", "HEAD /nohead,GET /nohead"},
        {"/nohead501", "valid. ", "", "HEAD /nohead501,GET /nohead501"},
        {"/busy", "valid. ", "", "HEAD /busy,HEAD /busy"},
        {"/busylong", "broken. ", "", "HEAD /busylong"},
        {"/moved", "valid. ", "/ok", "HEAD /moved,HEAD /ok"},
        {"/perm308", "valid. ", "/ok", "HEAD /perm308,HEAD /moved,HEAD /ok"},
        {"/temp", "valid. ", "", "HEAD /temp,HEAD /ok"},
        {"/tofile", "broken. ", "", "HEAD /tofile"},
        {"/loop", "broken. ", "", "HEAD /loop,HEAD /loop,HEAD /loop,HEAD /loop,HEAD /loop,HEAD /loop"},
        {"/garbage", "broken. ", "", "HEAD /garbage"},
        {"/Case", "valid. ", "", "HEAD /Case"},
        {"/case", "broken. ", "", "HEAD /case"},
    };
    std::size_t seen = 0;
    for (const AnswerCase& c : cases) {
        SCOPED_TRACE(c.path);
        const std::string url = server.Url(c.path);
        EXPECT_EQ(check.CheckInternetUrl(url), std::string(c.verdict) == "broken. " ? 1 : 0);
        ASSERT_FALSE(host.lines.empty());
        EXPECT_EQ(host.lines.back(), CheckingLine(url) + c.verdict);
        EXPECT_EQ(check.MovedAddress(url), *c.movedTo ? server.Url(c.movedTo) : "");
        const std::vector<std::string> requests = server.requests();
        std::string asked;
        for (; seen < requests.size(); ++seen) asked += (asked.empty() ? "" : ",") + requests[seen];
        if (c.requests) { EXPECT_EQ(asked, c.requests); }
    }
    EXPECT_EQ(check.hostCount(), 1);
}

TEST_F(InternetCheckLocalServer, ASilentServerIsTimedOutWithinTheLimit) {
    check.SetLimits(InternetCheckLimits{0, 0, 300});
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(check.CheckInternetUrl(server.Url("/hang")), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(host.lines, (std::vector<std::string>{CheckingLine(server.Url("/hang")) + "timed out. "}));
    EXPECT_EQ(check.FindCheckedUrl(server.Url("/hang")), 1);
    EXPECT_EQ(check.requestsInFlight(), 0);
}

// ---------------------------------------------------------------------------------------------
// Many at once: what the user sees stays as when each URL is checked in turn.

class ConcurrentCheck : public InternetCheckLocalServer {
protected:
    // URLs in the order a search meets them, some met twice, answering after random delays.
    std::vector<std::string> SiteUrls() {
        std::vector<std::string> urls;
        unsigned seed = 12345;
        const char* paths[] = {"/ok", "/missing", "/nohead", "/moved", "/Case", "/case"};
        for (int i = 0; i < 40; ++i) {
            seed = seed * 1103515245u + 12345u;
            const int delay = static_cast<int>(seed >> 16) % 120;
            urls.push_back(server.Url("/d" + std::to_string(delay) + "x" + std::to_string(i) + paths[i % 6]));
            if (i % 7 == 3) urls.push_back(urls[urls.size() / 2]);
        }
        return urls;
    }
    std::vector<std::string> Run(InternetCheck& c, const std::vector<std::string>& urls, bool prefetch) {
        if (prefetch)
            for (const std::string& url : urls) c.Prefetch(url);
        for (const std::string& url : urls) EXPECT_EQ(c.CheckInternetUrl(url) < 0, false);
        return host.lines;
    }
};

TEST_F(ConcurrentCheck, LogEqualsTheSequentialOneUnderRandomDelays) {
    const std::vector<std::string> urls = SiteUrls();
    check.SetLimits(InternetCheckLimits{1, 1, 0});
    const std::vector<std::string> sequential = Run(check, urls, false);
    EXPECT_EQ(server.mostWaiting(), 1);
    host.lines.clear();
    check.Reset();
    check.OpenSession();
    check.SetLimits(InternetCheckLimits{16, 6, 0});
    EXPECT_EQ(Run(check, urls, true), sequential);
    EXPECT_GT(check.mostInFlight(), 4);
    EXPECT_LE(check.mostInFlight(), 6);  // one host here
    EXPECT_EQ(check.requestsInFlight(), 0);
}

TEST_F(ConcurrentCheck, EscAbandonsEveryRequestInFlightAndKeepsNothing) {
    std::vector<std::string> urls;
    for (int i = 0; i < 6; ++i) urls.push_back(server.Url("/hang"));
    urls.push_back(server.Url("/d10/ok"));
    for (std::size_t i = 0; i < 6; ++i) urls[i] += "?" + std::to_string(i);
    for (const std::string& url : urls) check.Prefetch(url);
    ASSERT_TRUE(server.WaitForRequest("/d10/ok", 5000));
    PressWhenHeld("/hang?0", kPollStop);
    EXPECT_EQ(check.CheckInternetUrl(urls[0]), -1);
    EXPECT_EQ(check.requestsInFlight(), 0);
    EXPECT_EQ(check.checkedCount(), 0);
    EXPECT_EQ(host.lines, (std::vector<std::string>{CheckingLine(urls[0])}));
    host.poll = nullptr;
    EXPECT_EQ(check.CheckInternetUrl(urls[6]), 0);  // asked afresh
    EXPECT_EQ(server.RequestCount("/d10/ok"), 2);
}

TEST_F(ConcurrentCheck, F10SkipsOnlyTheUrlWaitedOn) {
    const std::vector<std::string> urls = {server.Url("/hang"), server.Url("/d50/ok"), server.Url("/d50/missing")};
    for (const std::string& url : urls) check.Prefetch(url);
    PressWhenHeld("/hang", kPollSkip);
    EXPECT_EQ(check.CheckInternetUrl(urls[0]), 0);
    host.poll = nullptr;
    EXPECT_EQ(check.CheckInternetUrl(urls[1]), 0);
    EXPECT_EQ(check.CheckInternetUrl(urls[2]), 1);
    EXPECT_EQ(host.lines, (std::vector<std::string>{CheckingLine(urls[0]) + "skipped. ", CheckingLine(urls[1]) + "valid. ",
                                                    CheckingLine(urls[2]) + "broken. "}));
}

#ifndef _WIN32
// WinInet cannot be made to give up a request at once, so its workers end with their time limit.
int ThreadCount() {
    int count = 0;
    if (DIR* dir = opendir("/proc/self/task")) {
        while (const dirent* entry = readdir(dir)) count += entry->d_name[0] != '.' ? 1 : 0;
        closedir(dir);
    }
    return count;
}

TEST(ConcurrentCheckEnd, NoThreadOrConnectionIsLeftBehind) {
    LocalHttpServer server;
    const int threads = ThreadCount();
    {
        std::unique_ptr<UrlProber> prober = CreateSystemUrlProber();
        InternetCheckHost host;
        InternetCheck check(host, *prober);
        check.OpenSession();
        for (int i = 0; i < 8; ++i) check.Prefetch(server.Url("/hang") + "?" + std::to_string(i));
        EXPECT_TRUE(server.WaitForRequest("/hang?7", 5000));
        EXPECT_GT(ThreadCount(), threads);
        host.poll = [] { return kPollStop; };
        EXPECT_EQ(check.CheckInternetUrl(server.Url("/hang?0")), -1);
    }
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (server.openConnections() > 0 && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(server.openConnections(), 0);
    EXPECT_EQ(ThreadCount(), threads);
}
#endif

TEST_F(InternetCheckLocalServer, CachedVerdictsAskTheServerNoMore) {
    const std::string url = server.Url("/missing");
    EXPECT_EQ(check.CheckInternetUrl(url), 1);
    const int asked = server.RequestCount("/missing");
    std::string shouted = url;
    for (std::size_t i = 0; i < shouted.find("/missing"); ++i)
        shouted[i] = static_cast<char>(shouted[i] >= 'a' && shouted[i] <= 'z' ? shouted[i] - 'a' + 'A' : shouted[i]);
    EXPECT_EQ(check.CheckInternetUrl(shouted), 1);
    EXPECT_EQ(check.CheckInternetUrl(url), 1);
    EXPECT_EQ(server.RequestCount("/missing"), asked);
    EXPECT_EQ(host.lines.size(), 1u);
}

TEST_F(InternetCheckLocalServer, F10SkipsASilentServerAndItsLateAnswerIsIgnored) {
    PressWhenHeld("/hang", kPollSkip);
    const std::string url = server.Url("/hang");
    EXPECT_EQ(check.CheckInternetUrl(url), 0);
    EXPECT_EQ(server.RequestCount("/hang"), 1);
    EXPECT_EQ(host.lines, (std::vector<std::string>{CheckingLine(url) + "skipped. "}));
    EXPECT_EQ(host.statuses, (std::vector<std::string>{kChecking, kIdle}));

    server.ReleaseHeld();  // the abandoned request now gets a 404
    host.poll = nullptr;
    EXPECT_EQ(check.CheckInternetUrl(server.Url("/ok")), 0);  // the connection still serves
    EXPECT_EQ(check.FindCheckedUrl(url), 1);
    EXPECT_EQ(check.CheckInternetUrl(url), 0);
    EXPECT_EQ(server.RequestCount("/hang"), 1);
    EXPECT_EQ(host.lines.size(), 2u);
}

TEST(InternetCheckAbandoned, ProberEndsSoonWhileTheServerStaysSilent) {
    LocalHttpServer server;  // outlives the prober: the abandoned request is never answered
    ASSERT_TRUE(server.running());
    std::chrono::steady_clock::time_point dropped;
    {
        std::unique_ptr<UrlProber> prober = CreateSystemUrlProber();
        InternetCheckHost host;
        InternetCheck check(host, *prober);
        check.OpenSession();
        const auto start = std::chrono::steady_clock::now();
        host.poll = [&server, start] {
            const bool late = std::chrono::steady_clock::now() - start > std::chrono::seconds(20);
            return server.RequestCount("/hang") > 0 || late ? kPollSkip : kPollNothing;
        };
        EXPECT_EQ(check.CheckInternetUrl(server.Url("/hang")), 0);
        EXPECT_EQ(server.RequestCount("/hang"), 1);
        dropped = std::chrono::steady_clock::now();
    }
    EXPECT_LT(std::chrono::steady_clock::now() - dropped, std::chrono::seconds(10));
}

TEST_F(InternetCheckLocalServer, EscStopsWhileTheServerIsSilent) {
    PressWhenHeld("/hang", kPollStop);
    const std::string url = server.Url("/hang");
    EXPECT_EQ(check.CheckInternetUrl(url), -1);
    EXPECT_EQ(host.lines, (std::vector<std::string>{CheckingLine(url)}));
    EXPECT_EQ(host.statuses, (std::vector<std::string>{kChecking}));
    EXPECT_EQ(check.FindCheckedUrl(url), -1);
    EXPECT_EQ(check.checkedCount(), 0);
}

TEST_F(InternetCheckLocalServer, RefusedConnectionIsBroken) {
    testing_support::RefusingPort refusing;
    ASSERT_NE(refusing.port(), 0);
    const std::string url = "http://127.0.0.1:" + std::to_string(refusing.port()) + "/ok";
    EXPECT_EQ(check.CheckInternetUrl(url), 1);
    EXPECT_EQ(host.lines, (std::vector<std::string>{CheckingLine(url) + "broken. "}));
}

TEST_F(InternetCheckLocalServer, ResetClosesTheSessionSoNothingIsAsked) {
    check.Reset();
    const std::string url = server.Url("/missing");
    EXPECT_EQ(check.CheckInternetUrl(url), 0);
    EXPECT_EQ(host.lines, (std::vector<std::string>{CheckingLine(url) + "skipped. "}));
    EXPECT_EQ(server.RequestCount("/missing"), 0);

    check.Reset();
    check.OpenSession();
    EXPECT_EQ(check.CheckInternetUrl(url), 1);
    EXPECT_EQ(server.RequestCount("/missing"), 1);
}

}  // namespace
}  // namespace corvane
