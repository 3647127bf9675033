#pragma once

#include <QtCore/QDateTime>

#include <cstdint>
#include <functional>
#include <memory>

class QTimer;

namespace platform {

// Seconds, as the platform counts time intervals.
using TimeInterval = double;

class Scheduler;

// Which turns of the run loop may run a timer. The loop runs in the default mode, or in the
// tracking mode while the user drags a scroll view; default-mode timers are held while it tracks,
// common-mode timers run in both. Work of the view layer itself (redraw, animations, gestures) is
// common; screens whose timers must not disturb a drag ask for the default mode.
enum class RunLoopMode { Default, Common };

namespace detail {
struct ScheduledWork;
}

// Refers to one piece of scheduled work. Copies refer to the same work; a default-constructed
// handle refers to none. A handle does not keep the work alive: the scheduler owns it until it has
// run for the last time or is cancelled. Work that must end with an object is owned through a
// ScopedTimer or a TimerGroup held by that object.
class TimerHandle {
public:
    TimerHandle() = default;

    // Stops the work from running (again). Safe to call on a handle whose work has already run.
    void cancel();
    // True while the work is still to run: a one-shot before it fires, a repeating one until
    // cancelled.
    bool isValid() const;
    // When the work runs next, by the scheduler's clock; an invalid date when it will not run.
    QDateTime fireDate() const;

private:
    friend class Scheduler;
    TimerHandle(std::weak_ptr<detail::ScheduledWork> work, Scheduler* scheduler)
        : work_(std::move(work)), scheduler_(scheduler) {}

    std::weak_ptr<detail::ScheduledWork> work_;
    Scheduler* scheduler_ = nullptr;
};

// The main thread's run loop: delayed work, repeating timers and work posted from other threads.
//
// All delayed work of the system goes through here so that tests can replace the real clock by a
// virtual one and run minutes of timers in microseconds. Work with equal deadlines runs in the
// order it was scheduled.
//
// Everything but post() and now() is for the main thread only.
class Scheduler {
public:
    Scheduler();
    ~Scheduler();
    Scheduler(const Scheduler&) = delete;
    Scheduler& operator=(const Scheduler&) = delete;

    // The scheduler of the main thread. Created on first use, which must be on the main thread.
    static Scheduler& main();

    // Runs `work` once, `delay` seconds from now (a negative delay counts as 0).
    TimerHandle after(TimeInterval delay, std::function<void()> work,
                      RunLoopMode mode = RunLoopMode::Common);
    // Runs `work` every `interval` seconds, the first time one interval from now, until cancelled.
    // A repeating timer held by tracking fires once when released and keeps its rhythm from there.
    TimerHandle every(TimeInterval interval, std::function<void()> work,
                      RunLoopMode mode = RunLoopMode::Common);

    // The tracking mode, entered while a scroll view is dragged or decelerates. Nested calls
    // count: the loop leaves the mode with the last endTracking().
    void beginTracking();
    void endTracking();
    bool isTracking() const;

    // Runs `work` on the main thread soon, after the work already posted. Safe from any thread.
    void post(std::function<void()> work);

    // Seconds since the Unix epoch by this scheduler's clock. Safe from any thread.
    TimeInterval now() const;
    QDateTime currentDate() const;

    // --- the virtual clock, for tests ---

    // From now on time moves only through advance(); the clock starts at `start`.
    void useVirtualClock(const QDateTime& start = defaultVirtualStart());
    void useRealClock();
    bool isVirtual() const;
    // Moves virtual time forward by `seconds`, running every piece of work that falls due, in
    // order, each at its own deadline, and delivering pending Qt events (posted work, network
    // replies) between them.
    void advance(TimeInterval seconds);
    // Delivers pending events and runs the work that is due now, without moving the clock.
    void runPending();
    // Delivers real events (network replies, other threads' posts) until `done` returns true or
    // `realTimeoutMs` of real time have passed; virtual time does not move. Returns done().
    bool runUntil(const std::function<bool()>& done, int realTimeoutMs = 10000);

    // Number of pieces of work still to run.
    std::size_t pendingCount() const;
    // Drops every piece of scheduled and posted work (tests, between cases).
    void reset();

    static QDateTime defaultVirtualStart();

private:
    friend class TimerHandle;
    struct Impl;
    TimerHandle schedule(TimeInterval delay, TimeInterval interval, std::function<void()> work,
                         RunLoopMode mode);
    void cancel(const std::shared_ptr<detail::ScheduledWork>& work);
    void runDue(TimeInterval until);
    void runOne(const std::shared_ptr<detail::ScheduledWork>& work);
    void armRealTimer();
    void drainPosted();

    std::unique_ptr<Impl> d_;
};

}  // namespace platform
