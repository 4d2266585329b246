// Threads of the URL probers: one per request, its answer handed over once, abandoning never waits.
#include "platform/probe_workers.h"

#include <chrono>
#include <condition_variable>
#include <exception>
#include <utility>

namespace corvane {

// Shared by a worker and its probe, so that either may end first.
struct ProbeWorkerState {
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    ProbeOutcome outcome;
    std::atomic<bool> abandoned{false};
};

namespace {

class ThreadProbe : public UrlProbe {
public:
    explicit ThreadProbe(std::shared_ptr<ProbeWorkerState> state) : state_(std::move(state)) {}
    ~ThreadProbe() override { Abandon(); }

    bool Wait(int milliseconds) override {
        std::unique_lock<std::mutex> lock(state_->mutex);
        return state_->finished.wait_for(lock, std::chrono::milliseconds(milliseconds), [this] { return state_->done; });
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

}  // namespace

ProbeWorkers::~ProbeWorkers() {
    std::lock_guard<std::mutex> lock(mutex_);
    for (Worker& w : workers_) {
        w.state->abandoned.store(true);
        if (joinAtEnd_) {
            w.thread.join();
        } else {
            w.thread.detach();
        }
    }
}

void ProbeWorkers::ReapFinished() {
    for (auto it = workers_.begin(); it != workers_.end();) {
        bool done;
        {
            std::lock_guard<std::mutex> lock(it->state->mutex);
            done = it->state->done;
        }
        if (done) {
            it->thread.join();  // it has handed its answer over and is ending
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
        workers_.reserve(workers_.size() + 1);  // so that keeping the started thread cannot fail
        std::thread thread([state, work = std::move(work)] {
            ProbeOutcome outcome = work(state->abandoned);
            std::lock_guard<std::mutex> done(state->mutex);
            state->outcome = std::move(outcome);
            state->done = true;
            state->finished.notify_all();
        });
        workers_.push_back(Worker{std::move(thread), state});
    } catch (const std::exception&) {
        return nullptr;
    }
    return std::make_unique<ThreadProbe>(state);
}

}  // namespace corvane
