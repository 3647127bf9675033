#include "ZelvoKit/support/tracking/ZVEventTracker.h"

#include "Analytics/Library/ZA.h"
#include "Analytics/Library/ZAConstants.h"
#include "Analytics/Library/ZADictionaryBuilder.h"

#include <QtCore/QHash>

namespace {

std::unique_ptr<ZVEventTracker>& trackerSlot() {
    static std::unique_ptr<ZVEventTracker> tracker;
    return tracker;
}

}  // namespace

ZVEventTracker& ZVEventTracker::tracker() {
    auto& slot = trackerSlot();
    if (!slot) {
        slot.reset(new ZVEventTracker);
    }
    return *slot;
}

void ZVEventTracker::reset() {
    trackerSlot().reset();
}

ZVEventTracker::ZVEventTracker()
    : tracker_(ZA::sharedInstance().trackerWithTrackingId(QString::fromLatin1(kTrackingId))) {}

QString ZVEventTracker::valueForCategory(int category) {
    static const QHash<int, QString> names = {
        {1, QStringLiteral("Create conversation screen")},
        {2, QStringLiteral("Sign in screen")},
        {3, QStringLiteral("Create account screen")},
        {4, QStringLiteral("Conversation list screen")},
        {5, QStringLiteral("Conversation screen")},
        {6, QStringLiteral("Conversation settings screen")},
        {7, QStringLiteral("Pinboard screen")},
        {8, QStringLiteral("File drawer screen")},
        {9, QStringLiteral("Account profile screen")},
        {10, QStringLiteral("Add members screen")},
        {11, QStringLiteral("Edit message popup")},
        {12, QStringLiteral("Snooze popup")},
        {13, QStringLiteral("Members list screen")},
        {14, QStringLiteral("subscriptions")},
    };
    return names.value(category);
}

void ZVEventTracker::reportEventWithCategory(int category, const QString& action,
                                             const QString& label) {
    const QString name = valueForCategory(category);
    if (name.isNull() || !tracker_) {
        return;
    }
    tracker_->send(ZADictionaryBuilder::createEventWithCategory(name, action, label).build());
}

void ZVEventTracker::reportPage(int category) {
    if (!tracker_) {
        return;
    }
    const QString name = valueForCategory(category);
    tracker_->set(za::kZAScreenName(), name.isNull() ? QVariant() : QVariant(name));
    tracker_->send(ZADictionaryBuilder::createScreenView().build());
}
