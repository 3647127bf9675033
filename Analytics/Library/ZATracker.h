#pragma once

#include "Analytics/Library/ZAHitValue.h"

#include <QtCore/QString>

#include <optional>

// What the application sends hits to.
class ZATracker {
public:
    virtual ~ZATracker() = default;
    virtual QString name() const = 0;
    // An invalid value is stored as the null marker.
    virtual void set(const QString& field, const QVariant& value) = 0;
    // The field's text; none when it holds anything else.
    virtual std::optional<QString> get(const QString& field) = 0;
    // Queues the hit, merged over the tracker's fields, for dispatch.
    virtual void send(const ZAHitParameters& hit) = 0;
};
