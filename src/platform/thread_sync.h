// A lock and a condition for threads that hand work to each other many times a second. Under some
// systems the standard ones wait on kernel objects, each wait and wake a round trip to another process;
// these use the system's own slim locks where it has them.
#pragma once

#include <memory>
#include <mutex>

namespace corvane {

class SyncCondition;

class SyncLock {
public:
    SyncLock();
    ~SyncLock();
    SyncLock(const SyncLock&) = delete;
    SyncLock& operator=(const SyncLock&) = delete;
    void lock();
    void unlock();

private:
    friend class SyncCondition;
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

class SyncCondition {
public:
    SyncCondition();
    ~SyncCondition();
    SyncCondition(const SyncCondition&) = delete;
    SyncCondition& operator=(const SyncCondition&) = delete;
    // Waits with `lock` held (released while waiting) until woken; wakes may come without a notify.
    void wait(std::unique_lock<SyncLock>& lock);
    template <typename Predicate>
    void wait(std::unique_lock<SyncLock>& lock, Predicate done) {
        while (!done()) wait(lock);
    }
    void notify_one();
    void notify_all();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace corvane
