// Files read by the Unicode pass, kept within a budget for the passes after it.
#include "engine/early_reads.h"

#include <utility>

namespace corvane {

void EarlyReads::Keep(std::int32_t row, File&& file) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (held_ + file.bytes.size() > budget_ || kept_.count(row) != 0) return;
    held_ += file.bytes.size();
    kept_[row] = std::move(file);
}

bool EarlyReads::Take(std::int32_t row, File& out) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = kept_.find(row);
    if (it == kept_.end()) return false;
    held_ -= it->second.bytes.size();
    out = std::move(it->second);
    kept_.erase(it);
    return true;
}

const EarlyReads::SavedFrom* EarlyReads::SavedFromOf(std::int32_t row) const {
    auto it = savedFrom_.find(row);
    return it == savedFrom_.end() ? nullptr : &it->second;
}

}  // namespace corvane
