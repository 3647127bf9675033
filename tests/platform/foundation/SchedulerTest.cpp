#include "platform/foundation/Scheduler.h"
#include "platform/foundation/ScopedTimer.h"
#include "platform/foundation/TimerGroup.h"
#include "tests/support/TestEnvironment.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QElapsedTimer>
#include <QtCore/QProcess>

#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <new>
#include <string>
#include <thread>
#include <vector>

using platform::Scheduler;
using platform::ScopedTimer;
using platform::TimerGroup;
using platform::TimerHandle;

namespace {

Scheduler& scheduler() {
    return Scheduler::main();
}

double elapsed() {
    return scheduler().now() - Scheduler::defaultVirtualStart().toMSecsSinceEpoch() / 1000.0;
}

}  // namespace

TEST(Scheduler, EqualDeadlinesRunInTheOrderScheduled) {
    std::vector<int> order;
    for (int i = 0; i < 5; ++i) {
        scheduler().after(1.0, [&order, i] { order.push_back(i); });
    }
    scheduler().after(0.5, [&order] { order.push_back(-1); });
    scheduler().advance(0.99);
    EXPECT_EQ(order, std::vector<int>({-1}));
    scheduler().advance(0.01);
    EXPECT_EQ(order, std::vector<int>({-1, 0, 1, 2, 3, 4}));
}

TEST(Scheduler, EachWorkRunsAtItsOwnDeadline) {
    std::vector<double> times;
    scheduler().after(3, [&] { times.push_back(elapsed()); });
    scheduler().after(1, [&] {
        times.push_back(elapsed());
        // Work scheduled by work runs within the same advance when it falls due.
        scheduler().after(0.5, [&] { times.push_back(elapsed()); });
    });
    scheduler().advance(10);
    EXPECT_EQ(times, std::vector<double>({1.0, 1.5, 3.0}));
    EXPECT_DOUBLE_EQ(elapsed(), 10.0);
}

TEST(Scheduler, CancelledWorkNeverRuns) {
    bool ran = false;
    TimerHandle handle = scheduler().after(1, [&] { ran = true; });
    EXPECT_TRUE(handle.isValid());
    EXPECT_EQ(handle.fireDate(), Scheduler::defaultVirtualStart().addSecs(1));
    handle.cancel();
    EXPECT_FALSE(handle.isValid());
    EXPECT_FALSE(handle.fireDate().isValid());
    scheduler().advance(5);
    EXPECT_FALSE(ran);
    handle.cancel();  // a second cancel is harmless
    EXPECT_FALSE(TimerHandle().isValid());
}

TEST(Scheduler, WorkCanCancelLaterWorkDueAtTheSameTime) {
    bool secondRan = false;
    TimerHandle second;
    scheduler().after(1, [&] { second.cancel(); });
    second = scheduler().after(1, [&] { secondRan = true; });
    scheduler().advance(1);
    EXPECT_FALSE(secondRan);
}

TEST(Scheduler, HandleOfFinishedOneShotIsInvalid) {
    int runs = 0;
    TimerHandle handle = scheduler().after(0, [&] { ++runs; });
    scheduler().runPending();
    EXPECT_EQ(runs, 1);
    EXPECT_FALSE(handle.isValid());
}

TEST(Scheduler, CancellingAGroupDropsOnlyItsOwnWork) {
    int mine = 0;
    int theirs = 0;
    TimerGroup owner;
    TimerGroup other;
    owner.after(1, [&] { ++mine; });
    owner.every(1, [&] { ++mine; });
    other.after(1, [&] { ++theirs; });
    scheduler().after(1, [&] { ++theirs; });
    EXPECT_EQ(owner.pendingCount(), 2u);
    owner.cancelAll();
    EXPECT_EQ(owner.pendingCount(), 0u);
    scheduler().advance(3);
    EXPECT_EQ(mine, 0);
    EXPECT_EQ(theirs, 2);
    EXPECT_EQ(other.pendingCount(), 0u);  // run work leaves the group
}

TEST(Scheduler, OwnedWorkEndsWithItsOwner) {
    int runs = 0;
    {
        TimerGroup group;
        ScopedTimer timer = scheduler().every(1, [&] { ++runs; });
        group.after(1, [&] { ++runs; });
        group.every(1, [&] { ++runs; });
        scheduler().advance(1);
        EXPECT_EQ(runs, 3);
    }
    EXPECT_EQ(scheduler().pendingCount(), 0u);

    // Giving a timer new work cancels the old; moving it hands the work over.
    std::vector<int> ran;
    ScopedTimer timer = scheduler().after(1, [&] { ran.push_back(1); });
    timer = scheduler().after(2, [&] { ran.push_back(2); });
    ScopedTimer moved = std::move(timer);
    EXPECT_FALSE(timer.isValid());
    EXPECT_EQ(moved.fireDate(), scheduler().currentDate().addSecs(2));
    scheduler().advance(5);
    EXPECT_EQ(ran, std::vector<int>({2}));
    EXPECT_EQ(runs, 3);
}

namespace {

// Schedules work that captures itself, through both kinds of owned timer.
struct Worker {
    explicit Worker(int id, std::vector<int>& log) : id(id), log(log) {}
    void start() {
        group.after(1, [this] { log.push_back(id); });
        timer = scheduler().after(1, [this] { log.push_back(-id); });
    }
    int id;
    std::vector<int>& log;
    TimerGroup group;
    ScopedTimer timer;
};

}  // namespace

// The allocator hands a freed object's memory to the next object: work is owned by objects, not by
// addresses, so the new object neither receives the old one's work nor cancels work that outlived
// it.
TEST(Scheduler, AnObjectAtAFreedObjectsAddressGetsNoneOfItsWork) {
    alignas(Worker) std::byte storage[sizeof(Worker)];
    std::vector<int> log;

    Worker* first = new (storage) Worker(1, log);
    first->start();
    // Work that the first object left to run on its own after it is gone.
    scheduler().after(2, [&log] { log.push_back(100); });
    first->~Worker();

    Worker* second = new (storage) Worker(2, log);
    ASSERT_EQ(static_cast<void*>(second), static_cast<void*>(first));
    second->start();
    second->group.cancelAll();
    second->timer.cancel();
    second->start();
    scheduler().advance(3);
    EXPECT_EQ(log, std::vector<int>({2, -2, 100}));
    second->~Worker();
}

TEST(Scheduler, RepeatingTimerFiresAtEachInterval) {
    std::vector<double> fires;
    TimerHandle timer = scheduler().every(10, [&] { fires.push_back(elapsed()); });
    scheduler().advance(35);
    EXPECT_EQ(fires, std::vector<double>({10, 20, 30}));
    EXPECT_EQ(timer.fireDate(), Scheduler::defaultVirtualStart().addSecs(40));
    timer.cancel();
    scheduler().advance(100);
    EXPECT_EQ(fires.size(), 3u);
}

TEST(Scheduler, RepeatingTimerCanStopItself) {
    int fires = 0;
    TimerHandle timer;
    timer = scheduler().every(1, [&] {
        if (++fires == 2) {
            timer.cancel();
        }
    });
    scheduler().advance(10);
    EXPECT_EQ(fires, 2);
    EXPECT_FALSE(timer.isValid());
}

TEST(Scheduler, PostFromAnotherThreadRunsOnTheMainThread) {
    std::thread::id ranOn;
    bool ran = false;
    std::thread worker([&] {
        scheduler().post([&] {
            ranOn = std::this_thread::get_id();
            ran = true;
        });
    });
    worker.join();
    EXPECT_FALSE(ran);  // nothing runs until the main thread delivers events
    scheduler().runPending();
    EXPECT_TRUE(ran);
    EXPECT_EQ(ranOn, std::this_thread::get_id());
}

TEST(Scheduler, PostedWorkRunsInOrder) {
    std::vector<int> order;
    for (int i = 0; i < 100; ++i) {
        scheduler().post([&order, i] { order.push_back(i); });
    }
    scheduler().runPending();
    ASSERT_EQ(order.size(), 100u);
    for (int i = 0; i < 100; ++i) {
        EXPECT_EQ(order[i], i);
    }
}

TEST(Scheduler, RunUntilWaitsForWorkOfAnotherThread) {
    bool done = false;
    std::thread worker([&] { scheduler().post([&] { done = true; }); });
    EXPECT_TRUE(scheduler().runUntil([&] { return done; }, 5000));
    worker.join();
    EXPECT_DOUBLE_EQ(elapsed(), 0.0);  // the virtual clock stood still
}

// A retry back-off of 1 s, then 2 s, then 20 s between attempts, run on the virtual clock: minutes
// of timers take no real time.
TEST(Scheduler, BackOffShapeRunsOnVirtualTime) {
    QElapsedTimer real;
    real.start();
    std::vector<double> attempts;
    int failures = 0;
    std::function<void()> attempt = [&] {
        attempts.push_back(elapsed());
        ++failures;
        if (failures < 12) {
            const double delay = failures < 5 ? 1.0 : failures <= 10 ? 2.0 : 20.0;
            scheduler().after(delay, attempt);
        }
    };
    attempt();
    scheduler().advance(3600);
    EXPECT_EQ(attempts, std::vector<double>({0, 1, 2, 3, 4, 6, 8, 10, 12, 14, 16, 36}));
    EXPECT_LT(real.elapsed(), 1000);
}

TEST(Scheduler, RealClockRunsDelayedWorkFromTheEventLoop) {
    scheduler().useRealClock();
    bool ran = false;
    int repeats = 0;
    scheduler().after(0.01, [&] { ran = true; });
    TimerHandle timer = scheduler().every(0.005, [&] { ++repeats; });
    EXPECT_TRUE(scheduler().runUntil([&] { return ran && repeats >= 2; }, 5000));
    timer.cancel();
}

namespace {

// Runs `onDestroy` when the work holding it is dropped, as the destructor of an object that
// cancels its own timers does when a dropped timer held the last reference to it.
struct DestroyHook {
    std::function<void()> onDestroy;
    ~DestroyHook() { onDestroy(); }
};

std::function<void()> holding(std::function<void()> onDestroy) {
    auto hook = std::make_shared<DestroyHook>();
    hook->onDestroy = std::move(onDestroy);
    return [hook] {};
}

}  // namespace

TEST(Scheduler, DroppedWorkMayCallTheSchedulerWhenItGoes) {
    TimerGroup owner;
    TimerGroup neighbour;
    int ranLater = 0;
    const auto dropNeighbourAndScheduleMore = [&] {
        neighbour.cancelAll();
        scheduler().after(1, [&] { ++ranLater; });
        scheduler().post([&] { ++ranLater; });
        owner.after(1, [&] { ++ranLater; });
    };

    // cancelAll(): the neighbour's work sits between the owner's two pieces of work.
    owner.after(1, holding(dropNeighbourAndScheduleMore));
    neighbour.after(1, [] {});
    owner.after(1, holding(dropNeighbourAndScheduleMore));
    owner.cancelAll();
    EXPECT_EQ(scheduler().pendingCount(), 6u);  // three of each, scheduled by the destructors
    EXPECT_EQ(owner.pendingCount(), 2u);
    scheduler().advance(1);
    EXPECT_EQ(ranLater, 6);

    // reset(): scheduled and posted work alike; whatever their destructors add goes too.
    owner.after(1, holding(dropNeighbourAndScheduleMore));
    neighbour.after(1, [] {});
    scheduler().post(holding(dropNeighbourAndScheduleMore));
    scheduler().reset();
    EXPECT_EQ(scheduler().pendingCount(), 0u);
    scheduler().advance(1);
    EXPECT_EQ(ranLater, 6);
}

namespace {

// Constructed before the scheduler, so destroyed after it: posts as a worker thread that finishes
// while the process's statics go away does. Armed only in the child below.
struct PostWhenStaticsGo {
    bool armed = false;
    ~PostWhenStaticsGo() {
        if (armed) {
            scheduler().post([] {});
        }
    }
} postWhenStaticsGo;

}  // namespace

// Run only as the child of PostingWhileTheProcessExitsIsSafe, with work still scheduled.
TEST(SchedulerExit, DISABLED_PostsDuringExit) {
    scheduler().useRealClock();
    scheduler().after(3600, [] {});
    postWhenStaticsGo.armed = true;
}

TEST(SchedulerExit, PostingWhileTheProcessExitsIsSafe) {
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    child.start(zvtest::executablePath(),
                {QStringLiteral("--gtest_also_run_disabled_tests"),
                 QStringLiteral("--gtest_filter=SchedulerExit.DISABLED_PostsDuringExit")});
    ASSERT_TRUE(child.waitForFinished(60000));
    EXPECT_EQ(child.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(child.exitCode(), 0);
}

TEST(Scheduler, AdvanceFromWithinWorkNeverMovesTimeBack) {
    std::vector<double> times;
    scheduler().after(1, [&] {
        scheduler().advance(5);
        times.push_back(elapsed());
    });
    scheduler().after(4, [&] { times.push_back(elapsed()); });
    scheduler().advance(2);
    EXPECT_EQ(times, std::vector<double>({4, 6}));
    EXPECT_DOUBLE_EQ(elapsed(), 6.0);
}

TEST(Scheduler, DelayThatIsNotANumberCountsAsNone) {
    std::vector<int> order;
    std::vector<TimerHandle> handles;
    for (int i = 0; i < 9; ++i) {
        const double delay = i % 3 == 0 ? std::nan("") : 9 - i;
        handles.push_back(scheduler().after(delay, [&order, i] { order.push_back(i); }));
    }
    handles[3].cancel();
    handles[4].cancel();
    TimerHandle repeating;
    repeating = scheduler().every(std::nan(""), [&] {
        order.push_back(-1);
        repeating.cancel();
    });
    scheduler().advance(10);
    EXPECT_EQ(order, std::vector<int>({0, 6, -1, 8, 7, 5, 2, 1}));
}

TEST(Scheduler, DefaultModeWorkWaitsWhileTheLoopTracks) {
    using platform::RunLoopMode;
    std::vector<std::pair<std::string, double>> runs;
    auto note = [&](std::string name) {
        return [&runs, name] { runs.emplace_back(name, elapsed()); };
    };
    scheduler().after(1, note("default at 1"), RunLoopMode::Default);
    scheduler().after(2, note("common at 2"), RunLoopMode::Common);
    scheduler().after(1.5, note("default at 1.5"), RunLoopMode::Default);
    TimerHandle cancelled = scheduler().after(1.2, note("cancelled"), RunLoopMode::Default);
    TimerHandle ticks = scheduler().every(0.5, note("tick"), RunLoopMode::Default);

    scheduler().advance(0.5);  // the first tick, before any tracking
    scheduler().beginTracking();
    scheduler().beginTracking();  // a second scroll view dragged at the same time
    scheduler().advance(2.5);     // to 3: only the common-mode work runs
    cancelled.cancel();
    EXPECT_TRUE(ticks.isValid()) << "held work is still scheduled";
    scheduler().endTracking();
    scheduler().advance(0.1);
    EXPECT_EQ(runs.size(), 2u) << "the loop still tracks for the other scroll view";
    scheduler().endTracking();
    scheduler().advance(0);  // released work runs in the order it fell due, at once
    scheduler().advance(0.5);
    ticks.cancel();

    const std::vector<std::pair<std::string, double>> expected{
        {"tick", 0.5},           {"common at 2", 2},
        {"default at 1", 3.1},   {"tick", 3.1},  // was due at 1, before the work due at 1.5
        {"default at 1.5", 3.1}, {"tick", 3.5},
    };
    ASSERT_EQ(runs.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(runs[i].first, expected[i].first) << i;
        EXPECT_NEAR(runs[i].second, expected[i].second, 1e-6) << i;
    }
    EXPECT_EQ(scheduler().pendingCount(), 0u);
}
