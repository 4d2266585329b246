// Runs the requests of a URL prober on a pool of threads, so that the caller can wait in steps or walk away.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/http_answer.h"
#include "platform/url_prober.h"

namespace corvane {

struct ProbeWorkerState;

class ProbeWorkers {
public:
    // The request; it may give up early once `abandoned` is set, since nobody uses its answer then.
    using Work = std::function<ProbeOutcome(const std::atomic<bool>& abandoned)>;

    // joinAtEnd: the destructor waits for every worker (they must notice `abandoned` soon);
    // otherwise workers still running are left to end on their own.
    explicit ProbeWorkers(bool joinAtEnd);
    ~ProbeWorkers();
    ProbeWorkers(const ProbeWorkers&) = delete;
    ProbeWorkers& operator=(const ProbeWorkers&) = delete;

    // Null when no thread could be started. Everything `work` uses must be owned by it.
    std::unique_ptr<UrlProbe> Start(Work work);
    // Threads started and not yet joined.
    std::size_t threadCount();

    struct Pool;

private:
    struct Worker {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> ended;
    };
    void ReapFinished();

    bool joinAtEnd_;
    std::shared_ptr<Pool> pool_;
    std::mutex mutex_;
    std::vector<Worker> workers_;
};

}  // namespace corvane
