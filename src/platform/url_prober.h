// Asking Internet servers whether a URL answers: a root session, connections per host and service, one request on a worker.
#pragma once

#include <memory>
#include <string>

namespace corvane {

enum UrlKind : int { kUrlHttp = 0, kUrlHttps = 1, kUrlFtp = 2, kUrlGopher = 3 };

enum ProbeVerdict : int { kProbeValid = 0, kProbeBroken = 1 };

// An open connection to one host for one service. Dropping the last owner closes it; a request
// still running on it keeps it (and the session it came from) open until that request ends.
class UrlConnection {
public:
    virtual ~UrlConnection() = default;
};

// One request running on a worker of its own.
class UrlProbe {
public:
    // Destroying a probe that has not finished abandons it.
    virtual ~UrlProbe() = default;
    // Waits up to `milliseconds` for the request; true once it has finished.
    virtual bool Wait(int milliseconds) = 0;
    // kProbeValid or kProbeBroken; meaningful only after Wait returned true.
    virtual int Result() const = 0;
    // A valid URL that answered through permanent redirections (301, 308): its new address;
    // empty otherwise. Meaningful only after Wait returned true.
    virtual std::string MovedTo() const { return std::string(); }
    // Gives the request up at once, without waiting for its worker. Whatever the worker
    // finds later is thrown away; it releases its own handles when it ends.
    virtual void Abandon() = 0;
};

class UrlProber {
public:
    virtual ~UrlProber() = default;

    // Opens a fresh root session (direct, no proxy) with this user agent. An earlier session is
    // released; connections made from it stay usable. False (and no session) on failure.
    virtual bool OpenSession(const std::string& userAgent) = 0;
    // Releases the root session; connections made from it stay usable until they are dropped.
    virtual void CloseSession() = 0;
    virtual bool HasSession() const = 0;
    // How long one request may take before it gives up (redirections and retries included);
    // applies to requests started from then on.
    virtual void SetTimeLimit(int milliseconds) { (void)milliseconds; }

    // A connection to `host` (a name or address, nothing else) on `port` for the service of
    // `kind`. Null when there is no session or the connection cannot be opened.
    virtual std::shared_ptr<UrlConnection> Connect(UrlKind kind, const std::string& host, int port) = 0;

    // Starts one request for `object` (the path after the host's '/', without that '/') on a
    // worker: for http and https as CheckHttpUrl reads the answers, open or enter for ftp (an empty
    // object is valid), open for gopher. `connection` must come from this prober with the same
    // kind. Null when no worker could be started.
    virtual std::unique_ptr<UrlProbe> StartProbe(UrlKind kind, const std::shared_ptr<UrlConnection>& connection,
                                                 const std::string& object) = 0;
};

// The prober of the platform the program runs on.
std::unique_ptr<UrlProber> CreateSystemUrlProber();

}  // namespace corvane
