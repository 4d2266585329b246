// Threads of the URL probers: a pool that grows to the requests in flight; each answer handed over
// once, and abandoning never waits.
#include "platform/probe_workers.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <utility>

namespace corvane {

// Shared by a worker and its probe, so that either may end first.
struct ProbeWorkerState {
    std::mutex mutex;
    std::condition_variable finished;
    // Read without the lock: looking in on many requests must not cost a sleep on each.
    std::atomic<bool> done{false};
    ProbeOutcome outcome;
    std::atomic<bool> abandoned{false};
};

// Shared with the threads, which may outlive the owner when they are not joined.
struct ProbeWorkers::Pool {
    struct Job {
        Work work;
        std::shared_ptr<ProbeWorkerState> state;
    };
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<Job> jobs;
    std::vector<std::shared_ptr<ProbeWorkerState>> running;  // told to give up when the owner ends
    std::size_t idle = 0;
    bool closing = false;
};

namespace {

// Starting a thread costs milliseconds under some systems, so an idle one waits a while for more work.
constexpr auto kIdleLife = std::chrono::seconds(5);

class ThreadProbe : public UrlProbe {
public:
    explicit ThreadProbe(std::shared_ptr<ProbeWorkerState> state) : state_(std::move(state)) {}
    ~ThreadProbe() override { Abandon(); }

    bool Wait(int milliseconds) override {
        if (state_->done.load() || milliseconds <= 0) return state_->done.load();
        std::unique_lock<std::mutex> lock(state_->mutex);
        return state_->finished.wait_for(lock, std::chrono::milliseconds(milliseconds),
                                         [this] { return state_->done.load(); });
    }
    int Result() const override {
        std::lock_guard<std::mutex> lock(state_->mutex);
        return state_->outcome.verdict;
    }
    std::string MovedTo() const override {
        std::lock_guard<std::mutex> lock(state_->mutex);
        return state_->outcome.movedTo;
    }
    void Abandon() override { state_->abandoned.store(true); }

private:
    std::shared_ptr<ProbeWorkerState> state_;
};

void RunJobs(const std::shared_ptr<ProbeWorkers::Pool>& pool) {
    std::unique_lock<std::mutex> lock(pool->mutex);
    for (;;) {
        ++pool->idle;
        const bool woken = pool->wake.wait_for(lock, kIdleLife, [&pool] { return pool->closing || !pool->jobs.empty(); });
        --pool->idle;
        if (!woken || pool->closing) return;
        ProbeWorkers::Pool::Job job = std::move(pool->jobs.front());
        pool->jobs.pop_front();
        pool->running.push_back(job.state);
        lock.unlock();
        ProbeOutcome outcome;
        if (!job.state->abandoned.load()) outcome = job.work(job.state->abandoned);
        {
            std::lock_guard<std::mutex> done(job.state->mutex);
            job.state->outcome = std::move(outcome);
            job.state->done = true;
            job.state->finished.notify_all();
        }
        const std::shared_ptr<ProbeWorkerState> finished = job.state;
        job = ProbeWorkers::Pool::Job();  // what the work holds (a connection) is let go outside the lock
        lock.lock();
        pool->running.erase(std::find(pool->running.begin(), pool->running.end(), finished));
    }
}

}  // namespace

ProbeWorkers::ProbeWorkers(bool joinAtEnd) : joinAtEnd_(joinAtEnd), pool_(std::make_shared<Pool>()) {}

ProbeWorkers::~ProbeWorkers() {
    std::deque<Pool::Job> dropped;
    {
        std::lock_guard<std::mutex> lock(pool_->mutex);
        pool_->closing = true;
        dropped.swap(pool_->jobs);
        for (const auto& state : pool_->running) state->abandoned.store(true);
        pool_->wake.notify_all();
    }
    for (Pool::Job& job : dropped) job.state->abandoned.store(true);
    std::lock_guard<std::mutex> lock(mutex_);
    for (Worker& w : workers_) {
        if (joinAtEnd_) {
            w.thread.join();
        } else {
            w.thread.detach();
        }
    }
}

void ProbeWorkers::ReapFinished() {
    for (auto it = workers_.begin(); it != workers_.end();) {
        if (it->ended->load()) {
            it->thread.join();  // it has left the pool and is ending
            it = workers_.erase(it);
        } else {
            ++it;
        }
    }
}

std::size_t ProbeWorkers::threadCount() {
    std::lock_guard<std::mutex> lock(mutex_);
    ReapFinished();
    return workers_.size();
}

std::unique_ptr<UrlProbe> ProbeWorkers::Start(Work work) {
    std::lock_guard<std::mutex> lock(mutex_);
    ReapFinished();
    auto state = std::make_shared<ProbeWorkerState>();
    try {
        workers_.reserve(workers_.size() + 1);  // so that keeping a started thread cannot fail
        std::unique_lock<std::mutex> poolLock(pool_->mutex);
        pool_->jobs.push_back(Pool::Job{std::move(work), state});
        if (pool_->idle >= pool_->jobs.size()) {
            pool_->wake.notify_one();
        } else {
            poolLock.unlock();
            auto ended = std::make_shared<std::atomic<bool>>(false);
            std::shared_ptr<Pool> pool = pool_;
            std::thread thread([pool, ended] {
                RunJobs(pool);
                ended->store(true);
            });
            workers_.push_back(Worker{std::move(thread), std::move(ended)});
        }
    } catch (const std::exception&) {
        // No thread for it: the job stays queued only if an idle thread may still take it.
        std::lock_guard<std::mutex> poolLock(pool_->mutex);
        if (!pool_->jobs.empty() && pool_->jobs.back().state == state) pool_->jobs.pop_back();
        return nullptr;
    }
    return std::make_unique<ThreadProbe>(state);
}

}  // namespace corvane
