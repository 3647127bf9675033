#pragma once

#include "platform/store/StoreError.h"
#include "platform/store/StoreValue.h"
#include "platform/store/sqlite/LogCheckpointer.h"

#include <QtCore/QHash>
#include <QtCore/QString>

#include <cstdint>
#include <memory>

struct sqlite3;
struct sqlite3_stmt;

namespace platform::detail {

// One SQLite connection with its cache of prepared statements.
class SqliteConnection {
public:
    // A prepared statement in use. Handing it back resets it and clears its bindings; a statement
    // prepared for a nested use of the same SQL (a fetch inside a fetch) is finalized instead.
    class Lease {
    public:
        Lease() = default;
        Lease(Lease&& other) noexcept;
        Lease& operator=(Lease&& other) noexcept;
        Lease(const Lease&) = delete;
        Lease& operator=(const Lease&) = delete;
        ~Lease();

        sqlite3_stmt* get() const { return stmt_; }
        explicit operator bool() const { return stmt_ != nullptr; }
        void release();

    private:
        friend class SqliteConnection;
        sqlite3_stmt* stmt_ = nullptr;
        bool* busy_ = nullptr;  // the cached statement's flag; null for a one-off statement
    };

    // ":memory:" opens a store in memory.
    static StoreResult<std::unique_ptr<SqliteConnection>> open(const QString& path);
    // The marker left beside a store file once any statement found it damaged. It carries the
    // store's name as prefix, so it goes with the store's side files.
    static QString damageMarkerPath(const QString& storePath);
    // How long connections opened from now on wait for another connection's lock before they
    // report Busy; a negative value restores the default. Returns the previous value.
    static int setBusyTimeout(int milliseconds);
    ~SqliteConnection();
    SqliteConnection(const SqliteConnection&) = delete;
    SqliteConnection& operator=(const SqliteConnection&) = delete;

    sqlite3* handle() const { return db_; }

    // Runs SQL without parameters (several statements allowed).
    std::shared_ptr<StoreError> exec(const QString& sql, const QString& doing);
    // The single integer that `sql` answers (PRAGMA user_version, COUNT(*)).
    StoreResult<std::int64_t> queryInteger(const QString& sql);
    Lease prepare(const QString& sql, std::shared_ptr<StoreError>* error);
    // The error for a failed call of this connection. "Malformed" or "not a database" from any
    // statement is damage: the connection remembers it, and marks the file so that the next
    // open refuses it as damaged even when a quick check would miss the broken page.
    std::shared_ptr<StoreError> failure(int resultCode, const QString& doing);
    bool isDamaged() const { return damaged_; }
    void noteDamage(const StoreError& error);

    // Hands the checkpoints of a store in WAL mode to a thread of their own.
    void checkpointInBackground();
    LogCheckpointer* checkpointer() const { return checkpointer_.get(); }

    std::size_t preparedCount() const { return prepared_; }
    std::size_t cachedCount() const { return static_cast<std::size_t>(cache_.size()); }

private:
    SqliteConnection(sqlite3* db, QString path) : db_(db), path_(std::move(path)) {}

    struct Cached {
        sqlite3_stmt* stmt = nullptr;
        bool busy = false;
    };

    sqlite3* db_;
    QString path_;  // empty in memory
    bool damaged_ = false;
    QHash<QString, std::shared_ptr<Cached>> cache_;
    std::size_t prepared_ = 0;
    std::unique_ptr<LogCheckpointer> checkpointer_;
};

void bindValue(sqlite3_stmt* stmt, int index, const StoreValue& value);
// The column as the store keeps it: INTEGER, REAL, TEXT (UTF-8) and BLOB, NULL for none.
StoreValue columnValue(sqlite3_stmt* stmt, int column);

}  // namespace platform::detail
