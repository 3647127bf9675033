#include "platform/foundation/SharedState.h"

#include <mutex>
#include <vector>

namespace platform {

namespace {
std::mutex& registryMutex() {
    static std::mutex mutex;
    return mutex;
}
std::vector<std::function<void()>>& resetRegistry() {
    static std::vector<std::function<void()>> resets;
    return resets;
}
}  // namespace

void onResetSharedState(std::function<void()> reset) {
    std::lock_guard lock(registryMutex());
    resetRegistry().push_back(std::move(reset));
}

void resetSharedState() {
    std::vector<std::function<void()>> resets;
    {
        std::lock_guard lock(registryMutex());
        resets = resetRegistry();
    }
    for (auto it = resets.rbegin(); it != resets.rend(); ++it) {
        (*it)();
    }
}

}  // namespace platform
