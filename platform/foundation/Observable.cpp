#include "platform/foundation/Observable.h"

namespace platform {

Observation Observable::observe(const QString& key, ChangeHandler onDidChange) const {
    return observe(QStringList{key}, std::move(onDidChange));
}

Observation Observable::observe(const QStringList& keys, ChangeHandler onDidChange) const {
    return observe(keys,
                   [onDidChange = std::move(onDidChange)](const QString& key, ChangePhase phase) {
                       if (phase == ChangePhase::DidChange) {
                           onDidChange(key);
                       }
                   });
}

Observation Observable::observe(const QString& key, PhaseHandler onChange) const {
    return observe(QStringList{key}, std::move(onChange));
}

Observation Observable::observe(const QStringList& keys, PhaseHandler onChange) const {
    return observers_.add(Entry{keys, std::move(onChange)});
}

bool Observable::hasObservers() const {
    return !observers_.isEmpty();
}

void Observable::willChangeValueForKey(const QString& key) const {
    deliver(key, ChangePhase::WillChange);
}

void Observable::didChangeValueForKey(const QString& key) const {
    deliver(key, ChangePhase::DidChange);
}

void Observable::changeValueForKey(const QString& key, const std::function<void()>& change) const {
    // An observer of the will-change may destroy the object, and the key with it.
    const QString ownKey = key;
    const auto lifetime = observers_.lifetime();
    willChangeValueForKey(ownKey);
    if (!lifetime.ownerAlive()) {
        return;
    }
    if (change) {
        change();
    }
    if (lifetime.ownerAlive()) {
        didChangeValueForKey(ownKey);
    }
}

void Observable::deliver(const QString& key, ChangePhase phase) const {
    const QString ownKey = key;
    observers_.deliver([&](const Entry& entry) { return entry.keys.contains(ownKey); },
                       [&](const Entry& entry) { entry.handler(ownKey, phase); });
}

}  // namespace platform
