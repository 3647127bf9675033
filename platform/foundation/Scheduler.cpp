#include "platform/foundation/Scheduler.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QDeadlineTimer>
#include <QtCore/QEventLoop>
#include <QtCore/QThread>
#include <QtCore/QTimer>

#include <atomic>
#include <chrono>
#include <cmath>
#include <deque>
#include <map>
#include <mutex>

namespace platform {

namespace detail {
struct ScheduledWork {
    TimeInterval deadline = 0;
    std::uint64_t sequence = 0;
    TimeInterval interval = 0;  // 0 for one-shot work
    std::function<void()> work;
    bool scheduled = true;
    RunLoopMode mode = RunLoopMode::Common;
};
}  // namespace detail

namespace {

// A repeating timer never fires more often than this, so that a zero interval cannot hang the loop.
constexpr TimeInterval kMinimumInterval = 0.0001;

TimeInterval realNow() {
    using namespace std::chrono;
    return duration<double>(system_clock::now().time_since_epoch()).count();
}

using Key = std::pair<TimeInterval, std::uint64_t>;

}  // namespace

struct Scheduler::Impl {
    std::map<Key, std::shared_ptr<detail::ScheduledWork>> queue;
    // Default-mode work that fell due while the loop tracked; back in the queue when it stops.
    std::map<Key, std::shared_ptr<detail::ScheduledWork>> held;
    int tracking = 0;
    std::uint64_t nextSequence = 0;

    std::atomic<bool> virtualClock{false};
    std::atomic<double> virtualNow{0};

    std::mutex postedMutex;
    std::deque<std::function<void()>> posted;
    std::atomic<bool> drainQueued{false};

    // Owned by the scheduler, created lazily on the main thread; the one QTimer of the system.
    QTimer* realTimer = nullptr;
    // Context object for queued invocations; lives on the main thread.
    std::unique_ptr<QObject> context = std::make_unique<QObject>();
};

// ---------------------------------------------------------------------------------------------

void TimerHandle::cancel() {
    if (auto work = work_.lock(); work && scheduler_) {
        scheduler_->cancel(work);
    }
}

bool TimerHandle::isValid() const {
    auto work = work_.lock();
    return work && work->scheduled;
}

QDateTime TimerHandle::fireDate() const {
    auto work = work_.lock();
    if (!work || !work->scheduled) {
        return {};
    }
    return QDateTime::fromMSecsSinceEpoch(std::llround(work->deadline * 1000.0), Qt::UTC);
}

// ---------------------------------------------------------------------------------------------

Scheduler::Scheduler() : d_(std::make_unique<Impl>()) {}

Scheduler::~Scheduler() {
    delete d_->realTimer;
}

Scheduler& Scheduler::main() {
    // Never destroyed: worker threads may still post while the process's statics go away, and
    // work still scheduled at exit must not run its destructors against a half-destroyed queue.
    static Scheduler* const instance = new Scheduler();
    return *instance;
}

TimerHandle Scheduler::after(TimeInterval delay, std::function<void()> work, RunLoopMode mode) {
    // Not-a-number would break the queue's order: it runs at once, as a negative delay does.
    return schedule(delay > 0 ? delay : 0.0, 0, std::move(work), mode);
}

TimerHandle Scheduler::every(TimeInterval interval, std::function<void()> work, RunLoopMode mode) {
    interval = interval > kMinimumInterval ? interval : kMinimumInterval;
    return schedule(interval, interval, std::move(work), mode);
}

TimerHandle Scheduler::schedule(TimeInterval delay, TimeInterval interval,
                                std::function<void()> work, RunLoopMode mode) {
    auto item = std::make_shared<detail::ScheduledWork>();
    item->deadline = now() + delay;
    item->sequence = d_->nextSequence++;
    item->interval = interval;
    item->work = std::move(work);
    item->mode = mode;
    d_->queue.emplace(Key{item->deadline, item->sequence}, item);
    armRealTimer();
    return TimerHandle(item, this);
}

void Scheduler::cancel(const std::shared_ptr<detail::ScheduledWork>& work) {
    if (!work->scheduled) {
        return;
    }
    work->scheduled = false;
    d_->queue.erase(Key{work->deadline, work->sequence});
    d_->held.erase(Key{work->deadline, work->sequence});
    armRealTimer();
}

void Scheduler::beginTracking() {
    ++d_->tracking;
}

void Scheduler::endTracking() {
    if (d_->tracking == 0 || --d_->tracking > 0) {
        return;
    }
    // Held work keeps its deadline, so it runs first and in the order it fell due.
    d_->queue.merge(d_->held);
    armRealTimer();
}

bool Scheduler::isTracking() const {
    return d_->tracking > 0;
}

void Scheduler::post(std::function<void()> work) {
    {
        std::lock_guard lock(d_->postedMutex);
        d_->posted.push_back(std::move(work));
    }
    // One queued invocation drains everything posted before it runs.
    if (!d_->drainQueued.exchange(true)) {
        QMetaObject::invokeMethod(
            d_->context.get(), [this] { drainPosted(); }, Qt::QueuedConnection);
    }
}

void Scheduler::drainPosted() {
    std::deque<std::function<void()>> batch;
    {
        std::lock_guard lock(d_->postedMutex);
        d_->drainQueued = false;
        batch.swap(d_->posted);
    }
    for (auto& work : batch) {
        work();
    }
}

TimeInterval Scheduler::now() const {
    return d_->virtualClock ? d_->virtualNow.load() : realNow();
}

QDateTime Scheduler::currentDate() const {
    return QDateTime::fromMSecsSinceEpoch(std::llround(now() * 1000.0), Qt::UTC);
}

void Scheduler::runOne(const std::shared_ptr<detail::ScheduledWork>& item) {
    d_->queue.erase(Key{item->deadline, item->sequence});
    if (item->interval > 0) {
        // Rescheduled before it runs, so that the work may cancel its own timer.
        TimeInterval next = item->deadline + item->interval;
        {
            // A timer that fell behind (a busy real loop, or held while tracking) skips the fires
            // it missed instead of bursting.
            const TimeInterval current = now();
            if (next <= current) {
                next += std::ceil((current - next) / item->interval) * item->interval;
            }
        }
        item->deadline = next;
        item->sequence = d_->nextSequence++;
        d_->queue.emplace(Key{item->deadline, item->sequence}, item);
    } else {
        item->scheduled = false;
    }
    // Keep a copy: the work may cancel or reschedule itself and drop the stored function.
    auto work = item->work;
    work();
}

void Scheduler::runDue(TimeInterval until) {
    while (!d_->queue.empty()) {
        auto it = d_->queue.begin();
        if (it->first.first > until) {
            break;
        }
        auto item = it->second;
        if (d_->tracking > 0 && item->mode == RunLoopMode::Default) {
            d_->queue.erase(it);
            d_->held.emplace(Key{item->deadline, item->sequence}, item);
            continue;
        }
        if (d_->virtualClock && item->deadline > d_->virtualNow) {
            d_->virtualNow = item->deadline;
        }
        runOne(item);
        if (d_->virtualClock) {
            // Let replies and posted work that the step produced arrive before the next deadline.
            QCoreApplication::sendPostedEvents();
            QCoreApplication::processEvents(QEventLoop::AllEvents);
        }
    }
}

void Scheduler::armRealTimer() {
    if (d_->virtualClock) {
        if (d_->realTimer) {
            d_->realTimer->stop();
        }
        return;
    }
    if (!d_->realTimer) {
        d_->realTimer = new QTimer();
        d_->realTimer->setSingleShot(true);
        d_->realTimer->setTimerType(Qt::PreciseTimer);
        QObject::connect(d_->realTimer, &QTimer::timeout, d_->context.get(), [this] {
            runDue(realNow());
            armRealTimer();
        });
    }
    if (d_->queue.empty()) {
        d_->realTimer->stop();
        return;
    }
    const TimeInterval wait = d_->queue.begin()->first.first - realNow();
    const int ms = wait <= 0 ? 0 : static_cast<int>(std::min(std::ceil(wait * 1000.0), 2.0e9));
    d_->realTimer->start(ms);
}

void Scheduler::useVirtualClock(const QDateTime& start) {
    d_->virtualNow = start.toMSecsSinceEpoch() / 1000.0;
    d_->virtualClock = true;
    armRealTimer();
}

void Scheduler::useRealClock() {
    d_->virtualClock = false;
    armRealTimer();
}

bool Scheduler::isVirtual() const {
    return d_->virtualClock;
}

void Scheduler::advance(TimeInterval seconds) {
    Q_ASSERT(d_->virtualClock);
    const TimeInterval target = d_->virtualNow + std::max(seconds, 0.0);
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    runDue(target);
    // Work may have advanced the clock further itself; time never goes back.
    d_->virtualNow = std::max(d_->virtualNow.load(), target);
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    // Work posted by the last events may have scheduled zero-delay work.
    runDue(target);
}

void Scheduler::runPending() {
    if (d_->virtualClock) {
        advance(0);
        return;
    }
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    runDue(realNow());
}

bool Scheduler::runUntil(const std::function<bool()>& done, int realTimeoutMs) {
    // Wake at least every few milliseconds so that `done` is checked even when nothing arrives.
    constexpr int kWakeIntervalMs = 20;
    QDeadlineTimer deadline(realTimeoutMs);
    QEventLoop loop;
    QTimer wake;
    wake.setSingleShot(true);
    while (!done()) {
        if (deadline.hasExpired()) {
            return done();
        }
        wake.start(static_cast<int>(std::min<qint64>(deadline.remainingTime(), kWakeIntervalMs)));
        loop.processEvents(QEventLoop::WaitForMoreEvents);
        runDue(now());
    }
    return true;
}

std::size_t Scheduler::pendingCount() const {
    std::lock_guard lock(d_->postedMutex);
    return d_->queue.size() + d_->held.size() + d_->posted.size();
}

void Scheduler::reset() {
    // The dropped work is destroyed outside the queues and the lock, since destructors may cancel,
    // schedule or post; what they add is dropped in the next round.
    for (;;) {
        std::map<Key, std::shared_ptr<detail::ScheduledWork>> queue;
        std::deque<std::function<void()>> posted;
        queue.swap(d_->queue);
        queue.merge(d_->held);
        d_->held.clear();
        {
            std::lock_guard lock(d_->postedMutex);
            posted.swap(d_->posted);
        }
        if (queue.empty() && posted.empty()) {
            break;
        }
        for (auto& [key, item] : queue) {
            item->scheduled = false;
        }
    }
    d_->tracking = 0;
    armRealTimer();
}

QDateTime Scheduler::defaultVirtualStart() {
    return QDateTime(QDate(2026, 1, 5), QTime(9, 0), Qt::UTC);
}

}  // namespace platform
