#include "Analytics/Library/ZABatchingDispatcher.h"

#include "Analytics/Library/ZAClock.h"
#include "Analytics/Library/ZAConstants.h"
#include "Analytics/Library/ZADataStore.h"
#include "Analytics/Library/ZAHitUtil.h"
#include "Analytics/Library/ZALog.h"
#include "Analytics/Library/ZATrackerModel.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/Scheduler.h"

#include <QtCore/QUrl>

#include <mutex>

namespace {

constexpr double kSamplePercentScale = 100.0;
constexpr std::uint32_t kSampleBuckets = 10000;

std::mutex& endpointLock() {
    static std::mutex lock;
    return lock;
}

QString& httpsEndpoint() {
    static QString url = QStringLiteral("https://collect.analytics.zelvo.com/collect");
    return url;
}

QString& httpEndpoint() {
    static QString url = QStringLiteral("http://collect.analytics.zelvo.com/collect");
    return url;
}

bool asksForHttp(const ZAHitRecord& hit) {
    const QVariant secure = hit.parameters.value(za::kZAUseSecure());
    return isZAText(secure) && secure.toString() == QLatin1String("0");
}

}  // namespace

void ZABatchingDispatcher::setEndpointUrls(const QString& httpsUrl, const QString& httpUrl) {
    std::lock_guard guard(endpointLock());
    httpsEndpoint() = httpsUrl;
    httpEndpoint() = httpUrl;
}

QString ZABatchingDispatcher::defaultHttpsUrl() {
    std::lock_guard guard(endpointLock());
    return httpsEndpoint();
}

QString ZABatchingDispatcher::defaultHttpUrl() {
    std::lock_guard guard(endpointLock());
    return httpEndpoint();
}

std::shared_ptr<ZABatchingDispatcher> ZABatchingDispatcher::dispatcher(bool optOut) {
    auto store = ZADataStore::dataStore();
    if (!store) {
        return nullptr;
    }
    return create(std::move(store), optOut);
}

std::shared_ptr<ZABatchingDispatcher> ZABatchingDispatcher::create(
    std::shared_ptr<ZADataStore> store, bool optOut) {
    std::shared_ptr<ZABatchingDispatcher> dispatcher(
        new ZABatchingDispatcher(std::move(store), optOut));
    dispatcher->reachability_ =
        ZAReachabilityChecker::create(dispatcher.get(), QUrl(dispatcher->httpsUrl_).host());
    if (dispatcher->reachability_) {
        dispatcher->reachability_->start();
    }
    dispatcher->hop([](ZABatchingDispatcher& self) { self.initialDispatch(); });
    return dispatcher;
}

ZABatchingDispatcher::ZABatchingDispatcher(std::shared_ptr<ZADataStore> store, bool optOut)
    : optOut_(optOut),
      dataStore_(std::move(store)),
      httpUrl_(defaultHttpUrl()),
      httpsUrl_(defaultHttpsUrl()) {}

ZABatchingDispatcher::~ZABatchingDispatcher() {
    if (reachability_) {
        reachability_->stop();
    }
    initialTimer_.cancel();
    timer_.cancel();
    if (connection_) {
        connection_->cancel();
    }
}

void ZABatchingDispatcher::hop(std::function<void(ZABatchingDispatcher&)> work) {
    ZAThread::shared().post([weak = weak_from_this(), work = std::move(work)] {
        if (auto self = weak.lock()) {
            work(*self);
        }
    });
}

void ZABatchingDispatcher::complete(const CompletionHandler& handler, int result) {
    if (handler) {
        platform::Scheduler::main().post([handler, result] { handler(result); });
    }
}

// --- queueing ---

void ZABatchingDispatcher::queueModel(std::shared_ptr<ZATrackerModel> model) {
    if (optOut_.load()) {
        return;
    }
    hop([model = std::move(model)](ZABatchingDispatcher& self) {
        if (self.optOut_.load()) {
            return;
        }
        self.queueDispatch(model->buildDictionary());
    });
}

void ZABatchingDispatcher::queueDispatch(const ZAHitParameters& hit) {
    if (optOut_.load()) {
        return;
    }
    const QVariant rate = hit.value(za::kZASampleRate());
    if (rate.isValid() && !isZANull(rate)) {
        bool scanned = false;
        const double percent = rate.toString().trimmed().toDouble(&scanned);
        if (scanned) {
            const std::uint32_t bucket =
                ZAHitUtil::clientHash(hit.value(za::kZAClientId()).toString()) % kSampleBuckets;
            if (bucket >= percent * kSamplePercentScale) {
                return;
            }
        }
    }
    ZAHitRecord record;
    record.timestamp = za::currentDate();
    record.parameters = hit;
    if (ZAThread::isCurrent()) {
        persist(record);
    } else {
        hop([record](ZABatchingDispatcher& self) { self.persist(record); });
    }
}

void ZABatchingDispatcher::persist(const ZAHitRecord& record) {
    dataStore_->addHit(record);
    QString error;
    if (dataStore_->save(&error)) {
        ZA_LOG(Verbose, u"Saved hit: %@", QVariant(record.parameters));
    } else {
        ZA_LOG(Error, u"Failed to save hit: %@", error);
    }
    setHasHits(true);
}

QString ZABatchingDispatcher::clientId() {
    return dataStore_->clientId();
}

void ZABatchingDispatcher::setOptOut(bool optOut) {
    optOut_.store(optOut);
    if (optOut) {
        deleteAllHits();
    }
}

void ZABatchingDispatcher::deleteAllHits() {
    hop([](ZABatchingDispatcher& self) { self.deleteAllHitsOnThread(); });
}

void ZABatchingDispatcher::deleteAllHitsOnThread() {
    QString error;
    if (!dataStore_->deleteAllHits(&error)) {
        ZA_LOG(Error, u"Failed to delete all hits for opt-out: %@", error);
    }
    if (!dataStore_->save(&error)) {
        ZA_LOG(Error, u"Failed to save after updating opt-out property %@: %@",
               QStringLiteral("and deleting pending hits"), error);
    }
    setHasHits(false);
}

// --- scheduling ---

void ZABatchingDispatcher::setDispatchInterval(double interval) {
    dispatchInterval_.store(interval);
    hop([interval](ZABatchingDispatcher& self) { self.applyDispatchInterval(interval); });
}

void ZABatchingDispatcher::applyDispatchInterval(double) {
    rescheduleDispatch();
}

void ZABatchingDispatcher::setHostReachable(bool reachable) {
    if (hostReachable_ == reachable) {
        return;
    }
    hostReachable_ = reachable;
    rescheduleDispatch();
}

void ZABatchingDispatcher::setHasHits(bool hasHits) {
    if (hasHits_ == hasHits) {
        return;
    }
    hasHits_ = hasHits;
    rescheduleDispatch();
}

void ZABatchingDispatcher::reachabilityStatusChanged(ZAReachabilityChecker&, int status) {
    const bool reachable = status != ZAReachabilityChecker::NotReachable;
    hop([reachable](ZABatchingDispatcher& self) { self.setHostReachable(reachable); });
}

void ZABatchingDispatcher::initialDispatch() {
    initialTimer_ = ZAThread::shared().after(kInitialDispatchDelay, [weak = weak_from_this()] {
        if (auto self = weak.lock()) {
            self->timerFired();
        }
    });
}

void ZABatchingDispatcher::cancelDispatch() {
    initialTimer_.cancel();
    timer_.cancel();
    timer_ = ZAThreadTimer();
}

void ZABatchingDispatcher::rescheduleDispatch() {
    cancelDispatch();
    if (!canScheduleDispatch()) {
        return;
    }
    timer_ = ZAThread::shared().every(dispatchInterval_.load(), [weak = weak_from_this()] {
        if (auto self = weak.lock()) {
            self->timerFired();
        }
    });
}

void ZABatchingDispatcher::timerFired() {
    if (canScheduleDispatch()) {
        dispatchOnThread(nullptr);
    }
}

// --- choosing hits ---

std::vector<ZAHitRecord> ZABatchingDispatcher::nextPendingHits() {
    const QDateTime cutoff = za::currentDate().addMSecs(-qint64(maxHitAge_.load() * 1000));
    for (;;) {
        QString error;
        const auto fetched = dataStore_->fetchHits(maxHitsPerDispatch_.load(), &error);
        if (!fetched) {
            ZA_LOG(Error, u"Failed to load pending hits: %@", error);
            return {};
        }
        std::vector<ZAHitRecord> stale;
        for (const auto& hit : *fetched) {
            if (hit.timestamp <= cutoff) {
                stale.push_back(hit);
            }
        }
        if (stale.empty()) {
            return *fetched;
        }
        // Fetching again after a failed deletion would find the same hits for ever.
        if (!deleteHits(stale)) {
            return {};
        }
    }
}

std::vector<ZAHitRecord> ZABatchingDispatcher::hitsForDispatch() {
    std::vector<ZAHitRecord> pending = nextPendingHits();
    if (pending.empty()) {
        ZA_LOG(Info, u"No pending hits.");
        return {};
    }
    const unsigned strategy = batchingStrategy_.load();
    if (strategy == 0) {
        return {pending.front()};
    }
    // All hits of a batch go to the same URL.
    const bool firstAsksForHttp = asksForHttp(pending.front());
    std::vector<ZAHitRecord> hits;
    for (auto& hit : pending) {
        if (asksForHttp(hit) == firstAsksForHttp) {
            hits.push_back(std::move(hit));
        }
    }
    const unsigned maxBody = maxBodySize_.load();
    std::vector<qsizetype> runningTotals;
    qsizetype total = 0;
    unsigned fitting = 0;
    for (const auto& hit : hits) {
        total += requestBuilder_.parametersForHit(hit).size();
        runningTotals.push_back(total);
        if (total <= maxBody) {
            ++fitting;
        }
    }
    unsigned n = static_cast<unsigned>(hits.size());
    if (total > maxBody) {
        const auto count = static_cast<unsigned>(hits.size());
        switch (strategy) {
            case 1:
                n = fitting;
                break;
            case 2:
                n = batchByTimeGap(hits, fitting);
                break;
            case 3:
                n = fitting;
                if (total < 2 * static_cast<qsizetype>(maxBody)) {
                    n = 0;
                    for (unsigned i = 1; i + 1 <= count; ++i) {
                        if (runningTotals[i - 1] <= total / 2) {
                            n = i;
                        }
                    }
                }
                break;
            case 4:
                n = std::min(fitting, count / 2);
                break;
            case 5:
                n = batchBySessionSplit(hits, fitting);
                break;
            default:
                ZA_LOG(Error, u"unexpected batch strategy: %lu", strategy);
                n = 1;
                break;
        }
    }
    hits.resize(std::min<std::size_t>(n, hits.size()));
    return hits;
}

unsigned ZABatchingDispatcher::batchByTimeGap(const std::vector<ZAHitRecord>& hits,
                                              unsigned maxHits) {
    const unsigned m = std::min<unsigned>(maxHits, static_cast<unsigned>(hits.size()));
    if (m <= 1) {
        return m;
    }
    qint64 largest = -1;
    unsigned result = m;
    for (unsigned i = 1; i < m; ++i) {
        const QDateTime& earlier = hits[i - 1].timestamp;
        const QDateTime& later = hits[i].timestamp;
        if (!earlier.isValid() || !later.isValid() || later < earlier) {
            continue;
        }
        const qint64 gap = earlier.msecsTo(later);
        if (gap >= largest) {
            largest = gap;
            result = i;
        }
    }
    return result;
}

unsigned ZABatchingDispatcher::batchBySessionSplit(const std::vector<ZAHitRecord>& hits,
                                                   unsigned maxHits) {
    const unsigned m = std::min<unsigned>(maxHits, static_cast<unsigned>(hits.size()));
    for (unsigned i = m > 0 ? m - 1 : 0; i >= 1; --i) {
        const QString control = hits[i].parameters.value(za::kZASessionControl()).toString();
        if (control == za::kZAHitFormatSessionStart()) {
            return i;
        }
        if (control == za::kZAHitFormatSessionStop()) {
            return i + 1;
        }
    }
    return m;
}

QString ZABatchingDispatcher::buildPayload(const std::vector<ZAHitRecord>& hits) const {
    const unsigned maxHit = maxHitSize_.load();
    QStringList texts;
    for (const auto& hit : hits) {
        const QString text = requestBuilder_.parametersForHit(hit);
        if (text.isEmpty()) {
            continue;
        }
        if (maxHit != 0 && text.toUtf8().size() > static_cast<qsizetype>(maxHit)) {
            continue;
        }
        texts.append(text);
    }
    return texts.join(QLatin1Char('\n'));
}

// --- sending ---

void ZABatchingDispatcher::dispatchWithCompletionHandler(CompletionHandler handler) {
    hop([handler = std::move(handler)](ZABatchingDispatcher& self) {
        self.dispatchOnThread(handler);
    });
}

void ZABatchingDispatcher::dispatchOnThread(CompletionHandler handler) {
    if (!canDispatch()) {
        complete(handler, NoData);
        return;
    }
    std::vector<ZAHitRecord> batch = hitsForDispatch();
    if (batch.empty()) {
        setHasHits(false);
        complete(handler, NoData);
        return;
    }
    if (connection_) {
        complete(handler, NoData);
        return;
    }
    platform::Scheduler::main().post([weak = weak_from_this()] {
        if (auto self = weak.lock()) {
            platform::NotificationCenter::defaultCenter().postNotificationName(
                willDispatchNotification(), self.get());
        }
    });
    const QString url = asksForHttp(batch.front()) ? httpUrl_ : httpsUrl_;
    const QString payload = buildPayload(batch);
    const QByteArray payloadBytes = payload.toUtf8();
    const unsigned maxBody = maxBodySize_.load();
    const unsigned compression = compressionStrategy_.load();
    // A batch whose every hit was left out has nothing to send: it is dropped, not sent empty.
    bool failed = payload.isEmpty() || (maxBody != 0 && payloadBytes.size() > maxBody);
    platform::UrlRequest request;
    if (!failed) {
        if (batch.size() == 1 && payloadBytes.size() < kMaxGetPayloadBytes &&
            compression == ZARequestBuilder::CompressionNone) {
            request = requestBuilder_.requestGetUrl(url, payload);
        } else {
            request = requestBuilder_.requestPostUrl(url, payload, compression);
        }
        failed = maxBody != 0 && request.body.size() > static_cast<qsizetype>(maxBody);
    }
    if (failed) {
        ZA_LOG(Error, u"Failed to generate request for hit(s).");
        const bool deleted = deleteHits(batch);
        if (handler) {
            complete(handler, Good);
        } else if (deleted) {
            dispatchOnThread(nullptr);
        }
        return;
    }
    ZA_LOG(Verbose, u"Sending hit(s) %@: %@", QString::fromLatin1(request.httpMethod),
           request.url.toString(QUrl::FullyEncoded));
    connection_ = ZAURLConnection::start(
        request, [weak = weak_from_this(), batch, handler](
                     const std::optional<platform::UrlResponse>& response, const QByteArray&,
                     const std::optional<platform::UrlError>& error) {
            auto self = weak.lock();
            if (!self) {
                return;
            }
            const bool answered = response.has_value();
            // A request that got no answer failed, whether or not an error came with it.
            const int result = answered && !error ? Good : Error;
            if (error) {
                ZA_LOG(Info, u"Dispatch error: %@", error->description());
            } else if (answered) {
                ZA_LOG(Info, u"Hit(s) dispatched: HTTP status %ld", response->statusCode());
            }
            self->hop([answered, batch, handler, result](ZABatchingDispatcher& dispatcher) {
                if (answered) {
                    dispatcher.didSendHits(batch, !handler);
                } else {
                    dispatcher.didFailToSend();
                }
                complete(handler, result);
            });
        });
}

void ZABatchingDispatcher::didSendHits(const std::vector<ZAHitRecord>& hits, bool sendMore) {
    const bool deleted = deleteHits(hits);
    connection_.reset();
    ZA_LOG(Info, u"%lu hit(s) sent", hits.size());
    // Sending on after a failed deletion would send the same hits again at once.
    if (sendMore && deleted && canDispatch()) {
        dispatchOnThread(nullptr);
    }
}

void ZABatchingDispatcher::didFailToSend() {
    connection_.reset();
    // The hits stay; a timer tries again even when this was the first send after start-up.
    if (!timer_.isValid()) {
        rescheduleDispatch();
    }
}

bool ZABatchingDispatcher::deleteHits(const std::vector<ZAHitRecord>& hits) {
    std::vector<ZAHitId> ids;
    for (const auto& hit : hits) {
        if (hit.objectID) {
            ids.push_back(*hit.objectID);
        }
    }
    QString error;
    const bool deleted = dataStore_->deleteHitsWithIds(ids, &error);
    setHasHits(dataStore_->hitCount() != 0);
    ZA_LOG(Info, u"hit(s) Successfully dispatched");
    if (!dataStore_->save(&error)) {
        ZA_LOG(Error, u"Unable to save after deleting hit(s): %@", error);
        return false;
    }
    return deleted;
}
