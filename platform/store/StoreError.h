#pragma once

#include <QtCore/QString>
#include <QtCore/QVariantMap>

#include <memory>
#include <optional>
#include <utility>

struct sqlite3;

namespace platform {

// What went wrong in the object store. Held by std::shared_ptr; a null pointer means success.
class StoreError {
public:
    enum class Code {
        InvalidModel =
            1,           // the model contradicts itself (a duplicate name, an unknown index column)
        CannotOpen = 2,  // the file cannot be opened or created
        Corrupt = 3,     // the file is not a store or is damaged: delete it and start again
        VersionTooNew = 4,     // the file was written by a newer model than this one
        MigrationFailed = 5,   // a step of the migration ladder failed; earlier steps stay done
        Sqlite = 6,            // any other failure that SQLite reports
        Validation = 7,        // an object misses a value that its entity requires
        Constraint = 8,        // the file refused a row (a unique index)
        InvalidPredicate = 9,  // a predicate format that the store does not understand
        InvalidFetch = 10,     // a fetch of an unknown entity or sort key, or a missing variable
        Closed = 11,           // the context has been closed
        Busy = 12,  // another connection or process holds the file: in use, not damaged; keep it
        DiskFull = 13,  // no room left on the disk: the file is intact, a later try may succeed
    };

    StoreError(Code code, QString message) : code_(code), message_(std::move(message)) {}

    // An error for a SQLite result code of `db`, prefixed with what was being done.
    static std::shared_ptr<StoreError> fromSqlite(sqlite3* db, int resultCode,
                                                  const QString& doing);
    static std::shared_ptr<StoreError> make(Code code, const QString& message) {
        return std::make_shared<StoreError>(code, message);
    }

    Code code() const { return code_; }
    const QString& message() const { return message_; }
    // The extended SQLite result code, 0 when the error did not come from SQLite.
    int sqliteCode() const { return sqliteCode_; }
    const QString& entityName() const { return entityName_; }
    const QString& attributeName() const { return attributeName_; }
    StoreError& setSqliteCode(int code) {
        sqliteCode_ = code;
        return *this;
    }
    StoreError& setEntityName(const QString& name) {
        entityName_ = name;
        return *this;
    }
    StoreError& setAttributeName(const QString& name) {
        attributeName_ = name;
        return *this;
    }

    // Only proven damage (SQLite's "malformed" or "not a database", a failed quick check) allows
    // throwing the file away; every other failure may pass and must keep the data.
    bool isCorruption() const { return code_ == Code::Corrupt; }

    QString description() const;
    // "code", "message" and, when known, "sqlite_code", "entity", "attribute".
    QVariantMap userInfo() const;

private:
    Code code_;
    QString message_;
    int sqliteCode_ = 0;
    QString entityName_;
    QString attributeName_;
};

// A value or the error that prevented it.
template <class T>
class StoreResult {
public:
    StoreResult(T value) : value_(std::move(value)) {}
    StoreResult(std::shared_ptr<StoreError> error) : error_(std::move(error)) {}

    bool ok() const { return value_.has_value(); }
    explicit operator bool() const { return ok(); }
    T& value() & { return *value_; }
    const T& value() const& { return *value_; }
    // From a temporary result the value is moved out, so `for (auto& x : *context.fetch(...))`
    // iterates a value that lives as long as the loop.
    T value() && { return std::move(*value_); }
    T& operator*() & { return *value_; }
    const T& operator*() const& { return *value_; }
    T operator*() && { return std::move(*value_); }
    T* operator->() { return &*value_; }
    const T* operator->() const { return &*value_; }
    const std::shared_ptr<StoreError>& error() const { return error_; }

private:
    std::optional<T> value_;
    std::shared_ptr<StoreError> error_;
};

}  // namespace platform
