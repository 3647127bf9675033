#include "Analytics/Library/ZATrackerImpl.h"

#include "Analytics/Library/ZAClock.h"
#include "Analytics/Library/ZAConstants.h"
#include "Analytics/Library/ZADispatchSender.h"
#include "Analytics/Library/ZALog.h"
#include "Analytics/Library/ZATrackerModel.h"

#include <algorithm>

using namespace za;

std::shared_ptr<ZATrackerImpl> ZATrackerImpl::trackerWithDispatcher(
    std::shared_ptr<ZADispatchSender> dispatcher, std::shared_ptr<ZADataStore> store,
    const QString& name) {
    if (!dispatcher) {
        ZA_LOG(Error, u"initialization failed: dispatcher is required.");
        return nullptr;
    }
    return std::shared_ptr<ZATrackerImpl>(
        new ZATrackerImpl(std::move(dispatcher), std::move(store), name));
}

ZATrackerImpl::ZATrackerImpl(std::shared_ptr<ZADispatchSender> dispatcher,
                             std::shared_ptr<ZADataStore> store, QString name)
    : dispatcher_(std::move(dispatcher)),
      name_(std::move(name)),
      model_(std::make_unique<ZATrackerModel>(std::move(store))) {}

ZATrackerImpl::~ZATrackerImpl() = default;

void ZATrackerImpl::za_set(const QString& field, const QVariant& value) {
    std::lock_guard guard(lock_);
    model_->setValue(field, value);
}

void ZATrackerImpl::za_set(const ZAHitParameters& fields) {
    for (auto it = fields.cbegin(); it != fields.cend(); ++it) {
        za_set(it.key(), it.value());
    }
}

void ZATrackerImpl::set(const QString& field, const QVariant& value) {
    usageTracker_.trackInstanceAction("set:value:");
    za_set(field, value);
}

std::optional<QString> ZATrackerImpl::za_get(const QString& field) {
    std::shared_ptr<ZATrackerModel> snapshot;
    {
        std::lock_guard guard(lock_);
        snapshot = model_->copy();
    }
    // A computed field may wait for the SDK thread (the client id): never under the lock.
    const QVariant value = snapshot->value(field);
    if (isZAText(value)) {
        return value.toString();
    }
    return std::nullopt;
}

std::optional<QString> ZATrackerImpl::get(const QString& field) {
    usageTracker_.trackInstanceAction("get:");
    return za_get(field);
}

void ZATrackerImpl::send(const ZAHitParameters& hit) {
    usageTracker_.trackInstanceAction("send:");
    za_send(hit);
}

bool ZATrackerImpl::shouldRateLimit() {
    const double now = nowSeconds();
    if (lastTrackTime_ != 0 && trackingCredits_ < kMaxTrackingCredits) {
        const double elapsed = now - lastTrackTime_;
        if (elapsed > 0) {
            trackingCredits_ =
                std::min(kMaxTrackingCredits, trackingCredits_ + elapsed * kCreditsPerSecond);
        }
    }
    lastTrackTime_ = now;
    if (trackingCredits_ >= 1.0) {
        trackingCredits_ -= 1.0;
        return false;
    }
    return true;
}

void ZATrackerImpl::za_send(const ZAHitParameters& hit) {
    QVariant type = hit.value(kZAHitType());
    if (!isZAText(type) || type.toString().isEmpty()) {
        ZA_LOG(Warning, u"Bad or missing hit type.");
    }
    std::lock_guard guard(lock_);
    const QString typeText = isZAText(type) ? type.toString() : QString();
    if (typeText != kZATransaction() && typeText != kZAItem() && shouldRateLimit()) {
        ZA_LOG(Info, u"Excessive tracking detected and throttled.");
        return;
    }
    if (!type.isValid()) {
        type = model_->value(kZAHitType());
    }
    if (!type.isValid() || isZANull(type) ||
        (isZAText(type) &&
         (type.toString() == kZAAppView() || type.toString() == kZAScreenView()))) {
        model_->willSendScreenView();
    }
    model_->setValue(kZAUsageTracking(), ZAUsageTracker::getUsageSequence());
    dispatcher_->queueModel(model_->copyWithOverride(hit));
}
