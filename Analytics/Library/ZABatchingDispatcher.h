#pragma once

#include "Analytics/Library/ZADispatchSender.h"
#include "Analytics/Library/ZAHitRecord.h"
#include "Analytics/Library/ZAReachabilityChecker.h"
#include "Analytics/Library/ZARequestBuilder.h"
#include "Analytics/Library/ZAThread.h"
#include "Analytics/Library/ZAURLConnection.h"

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class ZADataStore;

// Stores the trackers' hits and sends them to the collection endpoint: on a repeating timer while
// the host is reachable and hits wait, one request at a time. Answered hits are deleted, hits past
// the age limit deleted unsent. Its state lives on the SDK thread; the public operations hop there.
class ZABatchingDispatcher : public ZADispatchSender,
                             public ZAReachabilityDelegate,
                             public std::enable_shared_from_this<ZABatchingDispatcher> {
public:
    enum DispatchResult : int { NoData = 0, Good = 1, Error = 2 };
    // Called on the main thread.
    using CompletionHandler = std::function<void(int result)>;

    static constexpr double kDefaultDispatchInterval = 120.0;
    static constexpr double kInitialDispatchDelay = 1.0;
    static constexpr unsigned kDefaultMaxHitsPerDispatch = 20;
    static constexpr double kDefaultMaxHitAge = 2592000.0;
    static constexpr unsigned kDefaultMaxBodySize = 8192;
    static constexpr unsigned kDefaultMaxHitSize = 8192;
    // A single hit shorter than this goes by GET.
    static constexpr int kMaxGetPayloadBytes = 2000;

    static QString willDispatchNotification() {
        return QStringLiteral("ZAWillDispatchNotification");
    }

    // The collection endpoint for dispatchers made from now on (tests point it at a loopback
    // collector).
    static void setEndpointUrls(const QString& httpsUrl, const QString& httpUrl);
    static QString defaultHttpsUrl();
    static QString defaultHttpUrl();

    // A dispatcher over a new store; starts watching reachability and sends stored hits 1 s later.
    static std::shared_ptr<ZABatchingDispatcher> dispatcher(bool optOut = false);
    static std::shared_ptr<ZABatchingDispatcher> create(std::shared_ptr<ZADataStore> store,
                                                        bool optOut);
    ~ZABatchingDispatcher() override;

    void queueModel(std::shared_ptr<ZATrackerModel> model) override;
    void queueDispatch(const ZAHitParameters& hit) override;

    void dispatch() { dispatchWithCompletionHandler(nullptr); }
    void dispatchWithCompletionHandler(CompletionHandler handler);
    QString clientId();
    void deleteAllHits();
    // The application's opt-out: YES deletes every stored hit and queues no more.
    void setOptOut(bool optOut);
    bool optOut() const { return optOut_.load(); }

    double dispatchInterval() const { return dispatchInterval_.load(); }
    // 0 or less turns timed dispatch off.
    void setDispatchInterval(double interval);

    void reachabilityStatusChanged(ZAReachabilityChecker& checker, int status) override;

    const std::shared_ptr<ZADataStore>& dataStore() const { return dataStore_; }

    void setBatchingStrategy(unsigned strategy) { batchingStrategy_.store(strategy); }
    void setCompressionStrategy(unsigned strategy) { compressionStrategy_.store(strategy); }
    void setMaxHitsPerDispatch(unsigned count) { maxHitsPerDispatch_.store(count); }
    void setMaxBodySize(unsigned bytes) { maxBodySize_.store(bytes); }
    void setMaxHitSize(unsigned bytes) { maxHitSize_.store(bytes); }

    // The batch the next dispatch would send (SDK thread).
    std::vector<ZAHitRecord> hitsForDispatch();
    QString buildPayload(const std::vector<ZAHitRecord>& hits) const;
    static unsigned batchByTimeGap(const std::vector<ZAHitRecord>& hits, unsigned maxHits);
    static unsigned batchBySessionSplit(const std::vector<ZAHitRecord>& hits, unsigned maxHits);

private:
    explicit ZABatchingDispatcher(std::shared_ptr<ZADataStore> store, bool optOut);

    // SDK thread.
    void initialDispatch();
    void rescheduleDispatch();
    void cancelDispatch();
    void timerFired();
    bool canDispatch() const { return hostReachable_ && hasHits_; }
    bool canScheduleDispatch() const { return dispatchInterval_.load() > 0 && canDispatch(); }
    void setHostReachable(bool reachable);
    void setHasHits(bool hasHits);
    void applyDispatchInterval(double interval);
    void persist(const ZAHitRecord& record);
    void dispatchOnThread(CompletionHandler handler);
    std::vector<ZAHitRecord> nextPendingHits();
    bool deleteHits(const std::vector<ZAHitRecord>& hits);
    void didSendHits(const std::vector<ZAHitRecord>& hits, bool sendMore);
    void didFailToSend();
    void deleteAllHitsOnThread();
    static void complete(const CompletionHandler& handler, int result);
    // Runs `work` with this dispatcher on the SDK thread, unless it has gone by then.
    void hop(std::function<void(ZABatchingDispatcher&)> work);

    std::atomic<bool> optOut_;
    std::atomic<double> dispatchInterval_{kDefaultDispatchInterval};
    std::atomic<unsigned> batchingStrategy_{0};
    std::atomic<unsigned> compressionStrategy_{ZARequestBuilder::CompressionNone};
    std::atomic<unsigned> maxHitsPerDispatch_{kDefaultMaxHitsPerDispatch};
    std::atomic<double> maxHitAge_{kDefaultMaxHitAge};
    std::atomic<unsigned> maxBodySize_{kDefaultMaxBodySize};
    std::atomic<unsigned> maxHitSize_{kDefaultMaxHitSize};
    const std::shared_ptr<ZADataStore> dataStore_;
    const ZARequestBuilder requestBuilder_;
    const QString httpUrl_;
    const QString httpsUrl_;
    // Main thread (made there and stopped at destruction, which the monitor allows anywhere).
    std::unique_ptr<ZAReachabilityChecker> reachability_;

    // SDK thread only.
    bool hasHits_ = true;
    bool hostReachable_ = true;
    std::shared_ptr<ZAURLConnection> connection_;
    ZAThreadTimer initialTimer_;
    ZAThreadTimer timer_;
};
