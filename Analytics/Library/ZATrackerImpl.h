#pragma once

#include "Analytics/Library/ZATracker.h"
#include "Analytics/Library/ZAUsageTracker.h"

#include <memory>
#include <mutex>

class ZADispatchSender;
class ZADataStore;
class ZATrackerModel;

// The SDK's tracker: keeps the persistent fields, throttles sending with a credit budget (60 at
// once, then one every 2 s) and hands each accepted hit to the dispatcher.
class ZATrackerImpl : public ZATracker {
public:
    static constexpr double kMaxTrackingCredits = 60.0;
    static constexpr double kCreditsPerSecond = 0.5;

    // None without a dispatcher.
    static std::shared_ptr<ZATrackerImpl> trackerWithDispatcher(
        std::shared_ptr<ZADispatchSender> dispatcher, std::shared_ptr<ZADataStore> store,
        const QString& name);
    ~ZATrackerImpl() override;

    QString name() const override { return name_; }
    void set(const QString& field, const QVariant& value) override;
    std::optional<QString> get(const QString& field) override;
    void send(const ZAHitParameters& hit) override;

    // Without a usage record or a rate limit.
    void za_set(const QString& field, const QVariant& value);
    std::optional<QString> za_get(const QString& field);
    void za_send(const ZAHitParameters& hit);
    void za_set(const ZAHitParameters& fields);

    ZAUsageTracker& usageTracker() { return usageTracker_; }
    // Answers true to throttle (under the tracker's lock).
    bool shouldRateLimit();

private:
    ZATrackerImpl(std::shared_ptr<ZADispatchSender> dispatcher, std::shared_ptr<ZADataStore> store,
                  QString name);

    std::recursive_mutex lock_;
    const std::shared_ptr<ZADispatchSender> dispatcher_;
    const QString name_;
    std::unique_ptr<ZATrackerModel> model_;
    ZAUsageTracker usageTracker_;
    double trackingCredits_ = kMaxTrackingCredits;
    double lastTrackTime_ = 0;
};
