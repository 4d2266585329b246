// Slim reader/writer locks and condition variables: they wait on addresses, not on kernel objects.
#include "platform/thread_sync.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace corvane {

struct SyncLock::Impl {
    SRWLOCK lock = SRWLOCK_INIT;
};
struct SyncCondition::Impl {
    CONDITION_VARIABLE condition = CONDITION_VARIABLE_INIT;
};

SyncLock::SyncLock() : impl_(new Impl) {}
SyncLock::~SyncLock() = default;
void SyncLock::lock() { ::AcquireSRWLockExclusive(&impl_->lock); }
void SyncLock::unlock() { ::ReleaseSRWLockExclusive(&impl_->lock); }

SyncCondition::SyncCondition() : impl_(new Impl) {}
SyncCondition::~SyncCondition() = default;
void SyncCondition::wait(std::unique_lock<SyncLock>& lock) {
    ::SleepConditionVariableSRW(&impl_->condition, &lock.mutex()->impl_->lock, INFINITE, 0);
}
void SyncCondition::notify_one() { ::WakeConditionVariable(&impl_->condition); }
void SyncCondition::notify_all() { ::WakeAllConditionVariable(&impl_->condition); }

}  // namespace corvane
