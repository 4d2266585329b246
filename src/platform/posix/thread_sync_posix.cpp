// The standard lock and condition: they wait on futexes, without a round trip.
#include "platform/thread_sync.h"

#include <condition_variable>

namespace corvane {

struct SyncLock::Impl {
    std::mutex mutex;
};
struct SyncCondition::Impl {
    std::condition_variable condition;
};

SyncLock::SyncLock() : impl_(new Impl) {}
SyncLock::~SyncLock() = default;
void SyncLock::lock() { impl_->mutex.lock(); }
void SyncLock::unlock() { impl_->mutex.unlock(); }

SyncCondition::SyncCondition() : impl_(new Impl) {}
SyncCondition::~SyncCondition() = default;
void SyncCondition::wait(std::unique_lock<SyncLock>& lock) {
    // The standard condition waits on the standard lock only: the one inside is lent to it.
    std::unique_lock<std::mutex> inner(lock.mutex()->impl_->mutex, std::adopt_lock);
    impl_->condition.wait(inner);
    inner.release();
}
void SyncCondition::notify_one() { impl_->condition.notify_one(); }
void SyncCondition::notify_all() { impl_->condition.notify_all(); }

}  // namespace corvane
