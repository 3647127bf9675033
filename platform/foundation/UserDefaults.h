#pragma once

#include "platform/foundation/Scheduler.h"

#include <QtCore/QByteArray>
#include <QtCore/QDateTime>
#include <QtCore/QString>
#include <QtCore/QStringList>
#include <QtCore/QVariant>

#include <cstdint>
#include <memory>
#include <optional>

namespace platform {

// The preferences of one domain: the application's own (standard()) or a named suite (the
// application group's). One shared object per domain in the process.
//
// Values are property-list values: integers (64-bit), booleans, doubles, strings, arrays
// (QVariantList), dictionaries (QVariantMap), data (QByteArray) and dates (QDateTime), nested
// freely. The typed getters convert as the platform does and read absent or unconvertible values
// as 0, false, a null string or nothing. A whole-number double reads back from disk as an integer,
// which the typed getters do not tell apart.
//
// Each domain is one JSON file under Paths::preferencesDirectory(), replaced atomically. Changes
// are saved together on the next turn of the run loop; synchronize() saves at once. A file that
// cannot be read counts as an empty domain. Main thread only.
class UserDefaults : public std::enable_shared_from_this<UserDefaults> {
public:
    // The application's domain.
    static std::shared_ptr<UserDefaults> standard();
    // The domain called `name`; a null or empty name gives the standard one.
    static std::shared_ptr<UserDefaults> suite(const QString& name);

    // The standard domain's name: the one set by the application shell (its bundle identifier),
    // else the application's name.
    static QString standardDomainName();
    static void setStandardDomainName(const QString& name);

    ~UserDefaults();
    UserDefaults(const UserDefaults&) = delete;
    UserDefaults& operator=(const UserDefaults&) = delete;

    QString domainName() const { return domain_; }

    // The stored value as it is; an invalid QVariant when absent.
    QVariant objectForKey(const QString& key) const;
    // Integers from numbers (doubles truncated), booleans and strings with a leading number.
    std::int64_t integerForKey(const QString& key) const;
    // True for non-zero numbers and for "YES" and "true" (any case) or a non-zero leading number.
    bool boolForKey(const QString& key) const;
    double doubleForKey(const QString& key) const;
    // Strings as they are, numbers in their shortest form ("12", "0.5", booleans "1" or "0").
    QString stringForKey(const QString& key) const;
    std::optional<QVariantList> arrayForKey(const QString& key) const;
    // The array when every element is a string.
    std::optional<QStringList> stringArrayForKey(const QString& key) const;
    std::optional<QVariantMap> dictionaryForKey(const QString& key) const;
    // A null array when absent or not data.
    QByteArray dataForKey(const QString& key) const;
    // An invalid date when absent or not a date.
    QDateTime dateForKey(const QString& key) const;

    // Stores a property-list value (QStringList and other integer widths are converted); an invalid
    // QVariant removes the key; any other type is refused with a log line.
    void setObject(const QVariant& value, const QString& key);
    void setInteger(std::int64_t value, const QString& key);
    void setBool(bool value, const QString& key);
    void setDouble(double value, const QString& key);
    // A null string removes the key.
    void setString(const QString& value, const QString& key);
    void removeObjectForKey(const QString& key);

    QVariantMap dictionaryRepresentation() const { return values_; }

    // Saves pending changes now. False when the file could not be written (they stay pending).
    bool synchronize();

    // The stored values of domain `name`, from its shared object when there is one, else its file.
    QVariantMap persistentDomainForName(const QString& name) const;
    // Forgets domain `name` entirely: its shared object empties and its file is deleted.
    void removePersistentDomainForName(const QString& name);

private:
    struct Private {};

public:
    UserDefaults(Private, const QString& domain, const QString& path);

private:
    void changed();
    void scheduleSave();
    void cancelSave();
    static QString filePathForDomain(const QString& domain);
    static QVariantMap readFile(const QString& path);

    QString domain_;
    QString path_;
    QVariantMap values_;
    bool dirty_ = false;
    TimerHandle save_;
};

}  // namespace platform
