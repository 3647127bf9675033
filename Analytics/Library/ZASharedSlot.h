#pragma once

#include <functional>
#include <memory>
#include <mutex>

// A process-wide object that the application or a test may replace; while none is set, the first
// reader gets a default one. Safe from any thread.
template <class T>
class ZASharedSlot {
public:
    explicit ZASharedSlot(std::function<std::shared_ptr<T>()> makeDefault)
        : makeDefault_(std::move(makeDefault)) {}

    std::shared_ptr<T> get() {
        std::lock_guard guard(lock_);
        if (!value_) {
            value_ = makeDefault_();
        }
        return value_;
    }
    // Null brings the default back at the next read.
    void set(std::shared_ptr<T> value) {
        std::lock_guard guard(lock_);
        value_ = std::move(value);
    }

private:
    std::mutex lock_;
    std::shared_ptr<T> value_;
    const std::function<std::shared_ptr<T>()> makeDefault_;
};
