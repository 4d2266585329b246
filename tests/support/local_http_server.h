// A tiny HTTP server inside the test process, on 127.0.0.1 and a free port: fixed answers by path, one path held unanswered.
#pragma once

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace corvane {
namespace testing_support {

// Paths: /ok 200, /auth 401, /forbidden 403, /missing 404, /error 500, /moved 301 to /ok,
// /hang (with any query) no answer until ReleaseHeld() (then 404) or the server ends; anything else 404.
// Servers as met on line: /Case 200 (but /case 404), /empty 204, /partial 206, /nohead and
// /nohead501 refuse HEAD (405, 501) and send 10 MB to GET, /busy 503 "Retry-After: 1" the first
// time then 200, /busylong 429 "Retry-After: 31", /perm308 308 to /moved, /temp 302 to /ok,
// /loop 301 to itself, /tofile 301 to file:, /garbage no HTTP at all; /d<ms>/<path> answers as
// <path> after <ms> milliseconds.
class LocalHttpServer {
public:
    LocalHttpServer() {
#ifdef _WIN32
        WSADATA data;
        started_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
        if (!started_) return;
#endif
        listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        if (listener_ == kNoSocket) return;
        sockaddr_in address;
        std::memset(&address, 0, sizeof address);
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = 0;
        socklen_t length = sizeof address;
        if (bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(listener_, 128) != 0 ||
            getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
            Close(listener_);
            listener_ = kNoSocket;
            return;
        }
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { Serve(); });
    }

    ~LocalHttpServer() {
        stop_.store(true);
        if (thread_.joinable()) thread_.join();
        if (listener_ != kNoSocket) Close(listener_);
#ifdef _WIN32
        if (started_) WSACleanup();
#endif
    }

    LocalHttpServer(const LocalHttpServer&) = delete;
    LocalHttpServer& operator=(const LocalHttpServer&) = delete;

    bool running() const { return port_ != 0; }
    int port() const { return port_; }
    // "http://127.0.0.1:<port>" followed by path.
    std::string Url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(port_) + path; }

    // "METHOD /path" of every request received so far.
    std::vector<std::string> requests() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return requests_;
    }
    int RequestCount(const std::string& path) const {
        std::lock_guard<std::mutex> lock(mutex_);
        int count = 0;
        for (const std::string& r : requests_) {
            const std::size_t blank = r.find(' ');
            if (blank != std::string::npos && r.compare(blank + 1, std::string::npos, path) == 0) ++count;
        }
        return count;
    }
    // True once path has been requested, false when that did not happen within the time.
    bool WaitForRequest(const std::string& path, int milliseconds) const {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
        while (RequestCount(path) == 0) {
            if (std::chrono::steady_clock::now() >= end) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return true;
    }
    // Answers the held requests (404) and every later one on that path at once.
    void ReleaseHeld() { release_.store(true); }
    // The most requests that were waiting for their answer at once.
    int mostWaiting() const { return mostWaiting_.load(); }
    // Connections open now (an answered one is closed by the server).
    int openConnections() const { return open_.load(); }

private:
#ifdef _WIN32
    using Socket = SOCKET;
    static constexpr Socket kNoSocket = INVALID_SOCKET;
    static void Close(Socket s) { closesocket(s); }
#else
    using Socket = int;
    static constexpr Socket kNoSocket = -1;
    static void Close(Socket s) { close(s); }
#endif

    using Clock = std::chrono::steady_clock;
    struct Client {
        Socket socket;
        std::string received;
        bool held = false;
        std::string method;
        std::string path;  // a delayed answer's
        Clock::time_point due{};
    };

    const char* Answer(const std::string& method, const std::string& path) const {
        const bool head = method == "HEAD";
        if (path == "/ok" || path == "/Case") return "200 OK\r\n";
        if (path == "/empty") return "204 No Content\r\n";
        if (path == "/partial") return "206 Partial Content\r\n";
        if (path == "/nohead") return head ? "405 Method Not Allowed\r\n" : "200 OK\r\n";
        if (path == "/nohead501") return head ? "501 Not Implemented\r\n" : "200 OK\r\n";
        if (path == "/busy") return RequestCount(path) <= 1 ? "503 Busy\r\nRetry-After: 1\r\n" : "200 OK\r\n";
        if (path == "/busylong") return "429 Too Many\r\nRetry-After: 31\r\n";
        if (path == "/perm308") return "308 Permanent Redirect\r\nLocation: /moved\r\n";
        if (path == "/temp") return "302 Found\r\nLocation: /ok\r\n";
        if (path == "/loop") return "301 Moved Permanently\r\nLocation: /loop\r\n";
        if (path == "/tofile") return "301 Moved Permanently\r\nLocation: file:///etc/passwd\r\n";
        if (path == "/auth") return "401 Unauthorized\r\nWWW-Authenticate: Basic realm=\"test\"\r\n";
        if (path == "/forbidden") return "403 Forbidden\r\n";
        if (path == "/error") return "500 Internal Server Error\r\n";
        if (path == "/moved") return "301 Moved Permanently\r\nLocation: /ok\r\n";
        return "404 Not Found\r\n";
    }

    void Respond(Socket s, const std::string& method, const std::string& path) const {
        std::string response = "HTTP/1.1 ";
        response += Answer(method, path);
        // A big body is announced and begun; a reader that wants only the headers stops early.
        const bool big = method == "GET" && (path == "/nohead" || path == "/nohead501");
        response += big ? "Content-Length: 10485760\r\n" : "Content-Length: 0\r\n";
        response += "Connection: close\r\n\r\n";
        if (big) response.append(65536, 'x');
        if (path == "/garbage") response = "garbage\r\n\r\n";
        send(s, response.data(), static_cast<int>(response.size()), 0);
    }

    // True when the client is done with (answered, or gone).
    bool Read(Client& client) {
        char buffer[2048];
        const int got = static_cast<int>(recv(client.socket, buffer, sizeof buffer, 0));
        if (got <= 0) return true;
        if (client.held) return false;
        client.received.append(buffer, static_cast<std::size_t>(got));
        const std::size_t end = client.received.find("\r\n\r\n");
        if (end == std::string::npos) return client.received.size() > 65536;
        const std::string line = client.received.substr(0, client.received.find("\r\n"));
        const std::size_t first = line.find(' ');
        const std::size_t second = line.find(' ', first + 1);
        const std::string method = line.substr(0, first);
        const std::string path =
            first == std::string::npos ? std::string() : line.substr(first + 1, second - first - 1);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            requests_.push_back(method + " " + path);
        }
        client.method = method;
        if (path.compare(0, 5, "/hang") == 0 && !release_.load()) {
            client.held = true;
            return false;
        }
        if (path.compare(0, 2, "/d") == 0 && path.find('/', 2) != std::string::npos) {
            client.path = path.substr(path.find('/', 2));
            client.due = Clock::now() + std::chrono::milliseconds(std::atoi(path.c_str() + 2));
            client.held = true;
            return false;
        }
        Respond(client.socket, method, path);
        return true;
    }

    void Serve() {
        std::vector<Client> clients;
        while (!stop_.load()) {
            int waiting = 0;
            for (const Client& c : clients) waiting += c.held ? 1 : 0;
            if (waiting > mostWaiting_.load()) mostWaiting_.store(waiting);
            const bool released = release_.load();
            const Clock::time_point now = Clock::now();
            clients.erase(std::remove_if(clients.begin(), clients.end(),
                                         [&](const Client& c) {
                                             const bool delayed = !c.path.empty();
                                             const bool answer = c.held && (delayed ? now >= c.due : released);
                                             if (answer) {
                                                 Respond(c.socket, c.method, delayed ? c.path : "/hang");
                                                 Close(c.socket);
                                             }
                                             return answer;
                                         }),
                          clients.end());
            open_.store(static_cast<int>(clients.size()));
            fd_set readable;
            FD_ZERO(&readable);
            FD_SET(listener_, &readable);
            Socket highest = listener_;
            for (const Client& c : clients) {
                FD_SET(c.socket, &readable);
                highest = std::max(highest, c.socket);
            }
            timeval wait{0, 2000};
            if (select(static_cast<int>(highest + 1), &readable, nullptr, nullptr, &wait) <= 0) continue;
            if (FD_ISSET(listener_, &readable)) {
                const Socket accepted = accept(listener_, nullptr, nullptr);
                if (accepted != kNoSocket) clients.push_back(Client{accepted, std::string(), false, {}, {}, {}});
            }
            for (auto it = clients.begin(); it != clients.end();) {
                if (FD_ISSET(it->socket, &readable) && Read(*it)) {
                    Close(it->socket);
                    it = clients.erase(it);
                } else {
                    ++it;
                }
            }
        }
        for (const Client& c : clients) Close(c.socket);
    }

#ifdef _WIN32
    bool started_ = false;
#endif
    Socket listener_ = kNoSocket;
    int port_ = 0;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> release_{false};
    std::atomic<int> mostWaiting_{0};
    std::atomic<int> open_{0};
    mutable std::mutex mutex_;
    std::vector<std::string> requests_;
};

// A port on 127.0.0.1 that is bound but never listened on, so connecting to it is refused.
class RefusingPort {
public:
    RefusingPort() {
#ifdef _WIN32
        WSADATA data;
        started_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
#endif
        socket_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address;
        std::memset(&address, 0, sizeof address);
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (bind(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
            getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
            port_ = ntohs(address.sin_port);
        }
    }
    ~RefusingPort() {
#ifdef _WIN32
        closesocket(socket_);
        if (started_) WSACleanup();
#else
        close(socket_);
#endif
    }
    RefusingPort(const RefusingPort&) = delete;
    RefusingPort& operator=(const RefusingPort&) = delete;

    int port() const { return port_; }  // 0 when none could be had

private:
#ifdef _WIN32
    bool started_ = false;
    SOCKET socket_ = INVALID_SOCKET;
#else
    int socket_ = -1;
#endif
    int port_ = 0;
};

}  // namespace testing_support
}  // namespace corvane
