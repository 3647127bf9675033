#pragma once

#include "platform/foundation/ObserverList.h"

#include <QtCore/QString>
#include <QtCore/QStringList>

#include <functional>

namespace platform {

enum class ChangePhase { WillChange, DidChange };

// String-keyed key-value observation for plain model classes: derive from Observable (or hold one)
// and announce changes with willChangeValueForKey / didChangeValueForKey, or changeValueForKey
// around the change. Observers register per key or per list of keys and stay registered while
// their token lives. Delivery follows ObserverList's rules: observers may add or remove observers,
// and even destroy the object, while they are being called.
//
// A copy of an object starts without observers. Main thread only.
class Observable {
public:
    // Called after a change of `key`.
    using ChangeHandler = std::function<void(const QString& key)>;
    // Called before (WillChange) and after (DidChange) a change of `key`.
    using PhaseHandler = std::function<void(const QString& key, ChangePhase phase)>;

    Observable() = default;
    Observable(const Observable&) = default;
    Observable& operator=(const Observable&) = default;
    ~Observable() = default;

    Observation observe(const QString& key, ChangeHandler onDidChange) const;
    Observation observe(const QStringList& keys, ChangeHandler onDidChange) const;
    Observation observe(const QString& key, PhaseHandler onChange) const;
    Observation observe(const QStringList& keys, PhaseHandler onChange) const;

    // True when anyone observes any key (announcing can be skipped otherwise).
    bool hasObservers() const;

    void willChangeValueForKey(const QString& key) const;
    void didChangeValueForKey(const QString& key) const;
    // Will-change, then `change` (when given), then did-change.
    void changeValueForKey(const QString& key, const std::function<void()>& change = {}) const;

private:
    struct Entry {
        QStringList keys;
        PhaseHandler handler;
    };
    void deliver(const QString& key, ChangePhase phase) const;

    mutable ObserverList<Entry> observers_;
};

}  // namespace platform
