#pragma once

#include "platform/foundation/ObserverList.h"

#include <QtCore/QString>
#include <QtCore/QVariantMap>

#include <any>
#include <functional>

namespace platform {

struct Notification {
    QString name;
    // Who posted it; observers may ask for one sender only. Never dereferenced.
    const void* sender = nullptr;
    // A payload of any type (the error of a fatal-error notification, say).
    std::any object;
    QVariantMap userInfo;
};

// Named notifications, delivered at once to the observers registered for the name, in the order
// they registered. Delivery follows ObserverList's rules: observers may add or remove observers
// while they are being called. Main thread only: post from elsewhere through the scheduler.
class NotificationCenter {
public:
    using Handler = std::function<void(const Notification&)>;

    NotificationCenter() = default;
    NotificationCenter(const NotificationCenter&) = delete;
    NotificationCenter& operator=(const NotificationCenter&) = delete;

    // The process's centre; a reset of shared state removes all its observers.
    static NotificationCenter& defaultCenter();

    // Observes notifications called `name` (a null name: every notification) posted by `sender`
    // (nullptr: by anyone).
    Observation addObserverForName(const QString& name, const void* sender, Handler handler);
    Observation addObserverForName(const QString& name, Handler handler) {
        return addObserverForName(name, nullptr, std::move(handler));
    }

    void post(const Notification& notification);
    void postNotificationName(const QString& name, const void* sender = nullptr,
                              std::any object = {}, const QVariantMap& userInfo = {});

    void removeAllObservers();

private:
    struct Entry {
        QString name;
        const void* sender;
        Handler handler;
    };
    ObserverList<Entry> observers_;
};

}  // namespace platform
