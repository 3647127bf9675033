#pragma once

#include <atomic>
#include <cstdint>

namespace platform {

// A number never handed out twice in the process. An object that takes a fresh one at its birth
// and at every change it makes is named in one state by its address and its stamp together, even
// after another object is born at the same address: caches key on the pair.
inline std::uint64_t nextChangeStamp() {
    static std::atomic<std::uint64_t> last{0};
    return last.fetch_add(1, std::memory_order_relaxed) + 1;
}

}  // namespace platform
