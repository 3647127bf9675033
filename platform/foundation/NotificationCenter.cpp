#include "platform/foundation/NotificationCenter.h"

#include "platform/foundation/SharedState.h"

namespace platform {

NotificationCenter& NotificationCenter::defaultCenter() {
    static NotificationCenter* center = [] {
        // Never destroyed: observers' tokens may be released during static destruction.
        auto* created = new NotificationCenter;
        onResetSharedState([created] { created->removeAllObservers(); });
        return created;
    }();
    return *center;
}

Observation NotificationCenter::addObserverForName(const QString& name, const void* sender,
                                                   Handler handler) {
    return observers_.add(Entry{name, sender, std::move(handler)});
}

void NotificationCenter::post(const Notification& notification) {
    // Copied: the notification may belong to an object that an observer destroys.
    const Notification own = notification;
    observers_.deliver(
        [&](const Entry& entry) {
            return (entry.name.isNull() || entry.name == own.name) &&
                   (!entry.sender || entry.sender == own.sender);
        },
        [&](const Entry& entry) { entry.handler(own); });
}

void NotificationCenter::postNotificationName(const QString& name, const void* sender,
                                              std::any object, const QVariantMap& userInfo) {
    post(Notification{name, sender, std::move(object), userInfo});
}

void NotificationCenter::removeAllObservers() {
    observers_.clear();
}

}  // namespace platform
