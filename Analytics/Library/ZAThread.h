#pragma once

#include <QtCore/QThread>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

namespace za {
struct ThreadTimerState;
}

// A delayed call or a repeating timer of the SDK thread.
class ZAThreadTimer {
public:
    ZAThreadTimer() = default;
    // Once this returns on the SDK thread, the work does not run (again). Safe from any thread.
    void cancel();
    bool isValid() const;

private:
    friend class ZAThread;
    explicit ZAThreadTimer(std::shared_ptr<za::ThreadTimerState> state)
        : state_(std::move(state)) {}
    std::shared_ptr<za::ThreadTimerState> state_;
};

// "ZAThread": the SDK's own thread, where the hit store, the dispatch timer and each dispatch run.
// Work comes in by hops: post() does not wait, performAndWait() does (and runs in place when called
// on the thread itself). Its delayed calls keep time on the main scheduler's clock, so tests drive
// them with the virtual clock: when one falls due there, it is posted here.
class ZAThread : public QThread {
public:
    // The SDK runs on shared(); a thread of its own is for tests that end one.
    ZAThread();

    // The one thread, created and started at the first call.
    static ZAThread& shared();
    // The shared thread when it was started; null otherwise.
    static ZAThread* existing();
    // Whether the shared thread exists and the caller runs on it.
    static bool isCurrent();

    // False when the thread is ending and drops the work.
    bool post(std::function<void()> work);
    void performAndWait(const std::function<void()>& work);
    // Returns once everything posted before has run.
    void waitUntilIdle() {
        performAndWait([] {});
    }

    ZAThreadTimer after(double delay, std::function<void()> work);
    ZAThreadTimer every(double interval, std::function<void()> work);

    // Runs what is queued, then ends the thread and joins it. Later posts are dropped.
    void shutdown();

protected:
    void run() override;

private:
    ZAThreadTimer schedule(double delay, double interval, std::function<void()> work);

    std::mutex lock_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> queue_;
    bool quitting_ = false;
};
