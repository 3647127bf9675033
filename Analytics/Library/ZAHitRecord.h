#pragma once

#include "Analytics/Library/ZAHitValue.h"

#include <QtCore/QDateTime>

#include <cstdint>
#include <optional>

// A stored hit's identity: its row in the older or the current store file.
struct ZAHitId {
    bool olderStore = false;
    std::int64_t rowid = 0;
    bool operator==(const ZAHitId&) const = default;
};

// A hit as the store hands it over.
struct ZAHitRecord {
    ZAHitParameters parameters;
    // When the hit was queued.
    QDateTime timestamp;
    // Set on fetched hits only.
    std::optional<ZAHitId> objectID;
};
