#pragma once

#include "Analytics/Library/ZAHitValue.h"

#include <QtCore/QStringList>

#include <memory>

class ZADataStore;

// A tracker's persistent fields, and the fields every hit carries (application, language, screen,
// client id, counters). A copy, with the hit written over it, travels to the SDK thread, where
// buildDictionary() makes the stored hit.
class ZATrackerModel {
public:
    static constexpr std::uint32_t kMaxScreenViewCounter = 2147483647u;
    static constexpr std::int64_t kChangeCountPeriod = 86400;

    explicit ZATrackerModel(std::shared_ptr<ZADataStore> store);

    // Stored value, else the computed field's value; invalid for a key that is neither.
    QVariant value(const QString& key) const;
    // An invalid value is stored as the null marker.
    void setValue(const QString& key, const QVariant& value);
    std::shared_ptr<ZATrackerModel> copy() const;
    std::shared_ptr<ZATrackerModel> copyWithOverride(const ZAHitParameters& hit) const;

    ZAHitParameters buildDictionary() const;
    void willSendScreenView();

    // Computed fields.
    QString language() const;
    QString screenResolution() const;
    QString clientId() const;
    QString screenViewCounterId() const;
    QString crc() const;
    static QString cacheBuster();

    const ZAHitParameters& parameters() const { return parameters_; }
    const std::shared_ptr<ZADataStore>& dataStore() const { return dataStore_; }

    // The class tables, built from the device facts on first use.
    static ZAHitParameters defaultParameters();
    static ZAHitParameters forcedParameters();
    static QStringList requiredParameters();
    // Forgets the tables and counters (tests).
    static void resetTables();

private:
    QVariant computed(const QString& key) const;

    ZAHitParameters parameters_;
    std::shared_ptr<ZADataStore> dataStore_;
};
