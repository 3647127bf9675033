#pragma once

#include <QtCore/QString>

// Records which public SDK operations were used, one letter per operation. Every accepted hit
// carries the letters recorded since the previous hit ("&_u"). Class-wide and guarded, since the
// main thread and the SDK thread both record.
class ZAUsageTracker {
public:
    ZAUsageTracker() = default;
    ~ZAUsageTracker();
    ZAUsageTracker(const ZAUsageTracker&) = delete;
    ZAUsageTracker& operator=(const ZAUsageTracker&) = delete;

    // Records for the SDK-wide operations (the root and the hit builders).
    static void trackAction(const char* selector);
    // Records for this instance (a tracker's own operations).
    void trackInstanceAction(const char* selector);
    // "." and the letters recorded since the last call; empty when none.
    static QString getUsageSequence();
    // The sorted letters recorded for this instance and for the SDK-wide target; both forgotten.
    QString getUsage();
    // The letter of an operation; null for one that is not recorded.
    static QString letterFor(const char* selector);
    // Forgets everything (tests).
    static void reset();

private:
    static void trackTarget(const void* target, const char* selector);
};
