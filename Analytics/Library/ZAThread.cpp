#include "Analytics/Library/ZAThread.h"

#include "platform/foundation/Scheduler.h"

namespace za {

struct ThreadTimerState {
    std::atomic<bool> cancelled{false};
    // Main thread only.
    platform::TimerHandle mainTimer;
};

}  // namespace za

namespace {

std::atomic<ZAThread*> sharedThread{nullptr};

}  // namespace

void ZAThreadTimer::cancel() {
    if (!state_) {
        return;
    }
    state_->cancelled.store(true);
    // The main scheduler's part is dropped on the main thread, after it was set up there.
    platform::Scheduler::main().post([state = state_] { state->mainTimer.cancel(); });
}

bool ZAThreadTimer::isValid() const {
    return state_ && !state_->cancelled.load();
}

ZAThread::ZAThread() {
    setObjectName(QStringLiteral("ZAThread"));
}

ZAThread& ZAThread::shared() {
    static ZAThread* const thread = [] {
        // Lives for the process; shutdown() ends it at exit.
        auto* created = new ZAThread;
        created->start();
        sharedThread.store(created);
        return created;
    }();
    return *thread;
}

ZAThread* ZAThread::existing() {
    return sharedThread.load();
}

bool ZAThread::isCurrent() {
    ZAThread* thread = sharedThread.load();
    return thread != nullptr && QThread::currentThread() == thread;
}

bool ZAThread::post(std::function<void()> work) {
    {
        std::lock_guard guard(lock_);
        if (quitting_) {
            return false;
        }
        queue_.push_back(std::move(work));
    }
    wake_.notify_one();
    return true;
}

void ZAThread::performAndWait(const std::function<void()>& work) {
    if (QThread::currentThread() == this) {
        work();
        return;
    }
    std::mutex doneLock;
    std::condition_variable doneSignal;
    bool done = false;
    const bool accepted = post([&] {
        work();
        std::lock_guard guard(doneLock);
        done = true;
        doneSignal.notify_one();
    });
    if (!accepted) {
        // The thread is ending: what it accepted before runs, nothing new does.
        return;
    }
    std::unique_lock wait(doneLock);
    doneSignal.wait(wait, [&] { return done; });
}

ZAThreadTimer ZAThread::after(double delay, std::function<void()> work) {
    return schedule(delay, 0, std::move(work));
}

ZAThreadTimer ZAThread::every(double interval, std::function<void()> work) {
    return schedule(interval, interval, std::move(work));
}

ZAThreadTimer ZAThread::schedule(double delay, double interval, std::function<void()> work) {
    auto state = std::make_shared<za::ThreadTimerState>();
    auto& main = platform::Scheduler::main();
    // The deadline is taken now, so that the hop to the main thread does not delay it.
    const double deadline = main.now() + std::max(0.0, delay);
    auto shared = std::make_shared<std::function<void()>>(std::move(work));
    auto fire = [this, state, shared] {
        if (state->cancelled.load()) {
            return;
        }
        post([state, shared] {
            if (!state->cancelled.load()) {
                (*shared)();
            }
        });
    };
    main.post([state, deadline, interval, fire] {
        if (state->cancelled.load()) {
            return;
        }
        auto& scheduler = platform::Scheduler::main();
        const double remaining = deadline - scheduler.now();
        if (interval > 0) {
            state->mainTimer = scheduler.after(remaining, [state, interval, fire] {
                fire();
                if (!state->cancelled.load()) {
                    state->mainTimer = platform::Scheduler::main().every(interval, fire);
                }
            });
        } else {
            state->mainTimer = scheduler.after(remaining, fire);
        }
    });
    return ZAThreadTimer(state);
}

void ZAThread::shutdown() {
    {
        std::lock_guard guard(lock_);
        quitting_ = true;
    }
    wake_.notify_one();
    if (QThread::currentThread() != this) {
        wait();
    }
}

void ZAThread::run() {
    for (;;) {
        std::function<void()> work;
        {
            std::unique_lock guard(lock_);
            wake_.wait(guard, [this] { return quitting_ || !queue_.empty(); });
            if (queue_.empty()) {
                return;
            }
            work = std::move(queue_.front());
            queue_.pop_front();
        }
        work();
    }
}
