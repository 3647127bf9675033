#include "platform/store/sqlite/SqliteConnection.h"

#include "platform/foundation/OwnerOnly.h"
#include "platform/foundation/SystemLog.h"
#include "platform/store/sqlite/LogCheckpointer.h"

#include <sqlite3.h>

#include <atomic>
#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

namespace platform::detail {

namespace {

// Another connection to the same file (a tool, a second instance) may hold the lock for a moment.
constexpr int kDefaultBusyTimeoutMs = 5000;
std::atomic<int> busyTimeoutMs{kDefaultBusyTimeoutMs};

const QString kMemoryPath = QStringLiteral(":memory:");

}  // namespace

SqliteConnection::Lease::Lease(Lease&& other) noexcept
    : stmt_(std::exchange(other.stmt_, nullptr)), busy_(std::exchange(other.busy_, nullptr)) {}

SqliteConnection::Lease& SqliteConnection::Lease::operator=(Lease&& other) noexcept {
    if (this != &other) {
        release();
        stmt_ = std::exchange(other.stmt_, nullptr);
        busy_ = std::exchange(other.busy_, nullptr);
    }
    return *this;
}

SqliteConnection::Lease::~Lease() {
    release();
}

void SqliteConnection::Lease::release() {
    if (!stmt_) {
        return;
    }
    if (busy_) {
        sqlite3_reset(stmt_);
        sqlite3_clear_bindings(stmt_);
        *busy_ = false;
    } else {
        sqlite3_finalize(stmt_);
    }
    stmt_ = nullptr;
    busy_ = nullptr;
}

StoreResult<std::unique_ptr<SqliteConnection>> SqliteConnection::open(const QString& path) {
    sqlite3* db = nullptr;
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;
    const int rc = sqlite3_open_v2(path.toUtf8().constData(), &db, flags, nullptr);
    if (rc != SQLITE_OK) {
        auto error = StoreError::fromSqlite(db, rc, QStringLiteral("cannot open %1").arg(path));
        sqlite3_close_v2(db);
        return error;
    }
    sqlite3_extended_result_codes(db, 1);
    sqlite3_busy_timeout(db, busyTimeoutMs.load());
    return std::unique_ptr<SqliteConnection>(
        new SqliteConnection(db, path == kMemoryPath ? QString() : path));
}

QString SqliteConnection::damageMarkerPath(const QString& storePath) {
    return storePath + QStringLiteral("-damaged");
}

std::shared_ptr<StoreError> SqliteConnection::failure(int resultCode, const QString& doing) {
    auto error = StoreError::fromSqlite(db_, resultCode, doing);
    if (error->isCorruption()) {
        noteDamage(*error);
    }
    return error;
}

void SqliteConnection::noteDamage(const StoreError& error) {
    if (damaged_) {
        return;
    }
    damaged_ = true;
    systemLogFormat(u"Store: %@ is damaged: %@", path_.isEmpty() ? kMemoryPath : path_,
                    error.message());
    if (path_.isEmpty()) {
        return;
    }
    const int fd = openOwnerOnly(damageMarkerPath(path_), O_WRONLY | O_TRUNC);
    const QByteArray text = error.message().toUtf8();
    if (fd < 0 || ::write(fd, text.constData(), static_cast<std::size_t>(text.size())) < 0) {
        systemLogFormat(u"Store: cannot mark %@ as damaged (errno %d)", path_, errno);
    }
    if (fd >= 0) {
        ::close(fd);
    }
}

void SqliteConnection::checkpointInBackground() {
    if (!checkpointer_ && !path_.isEmpty()) {
        checkpointer_ = std::make_unique<LogCheckpointer>(db_, path_);
    }
}

int SqliteConnection::setBusyTimeout(int milliseconds) {
    return busyTimeoutMs.exchange(milliseconds < 0 ? kDefaultBusyTimeoutMs : milliseconds);
}

SqliteConnection::~SqliteConnection() {
    checkpointer_.reset();
    for (const auto& cached : std::as_const(cache_)) {
        sqlite3_finalize(cached->stmt);
    }
    cache_.clear();
    sqlite3_close_v2(db_);
}

std::shared_ptr<StoreError> SqliteConnection::exec(const QString& sql, const QString& doing) {
    char* message = nullptr;
    const int rc = sqlite3_exec(db_, sql.toUtf8().constData(), nullptr, nullptr, &message);
    sqlite3_free(message);
    if (rc != SQLITE_OK) {
        return failure(rc, doing);
    }
    return nullptr;
}

StoreResult<std::int64_t> SqliteConnection::queryInteger(const QString& sql) {
    std::shared_ptr<StoreError> error;
    Lease lease = prepare(sql, &error);
    if (!lease) {
        return error;
    }
    const int rc = sqlite3_step(lease.get());
    if (rc != SQLITE_ROW) {
        return failure(rc, sql);
    }
    return static_cast<std::int64_t>(sqlite3_column_int64(lease.get(), 0));
}

SqliteConnection::Lease SqliteConnection::prepare(const QString& sql,
                                                  std::shared_ptr<StoreError>* error) {
    Lease lease;
    std::shared_ptr<Cached>& cached = cache_[sql];
    if (cached && !cached->busy) {
        cached->busy = true;
        lease.stmt_ = cached->stmt;
        lease.busy_ = &cached->busy;
        return lease;
    }
    const QByteArray utf8 = sql.toUtf8();
    sqlite3_stmt* stmt = nullptr;
    const int rc = sqlite3_prepare_v3(db_, utf8.constData(), static_cast<int>(utf8.size()),
                                      cached ? 0 : SQLITE_PREPARE_PERSISTENT, &stmt, nullptr);
    if (rc != SQLITE_OK) {
        if (!cached) {
            cache_.remove(sql);
        }
        auto failed = failure(rc, QStringLiteral("cannot prepare %1").arg(sql));
        if (error) {
            *error = std::move(failed);
        }
        return lease;
    }
    ++prepared_;
    lease.stmt_ = stmt;
    if (!cached) {
        cached = std::make_shared<Cached>();
        cached->stmt = stmt;
        cached->busy = true;
        lease.busy_ = &cached->busy;
    }
    return lease;
}

void bindValue(sqlite3_stmt* stmt, int index, const StoreValue& value) {
    switch (value.kind()) {
        case StoreValue::Kind::Null:
            sqlite3_bind_null(stmt, index);
            break;
        case StoreValue::Kind::Integer:
            sqlite3_bind_int64(stmt, index, value.toInteger());
            break;
        case StoreValue::Kind::Real:
            sqlite3_bind_double(stmt, index, value.toReal());
            break;
        case StoreValue::Kind::Text: {
            const QByteArray utf8 = value.toText().toUtf8();
            sqlite3_bind_text64(stmt, index, utf8.constData(),
                                static_cast<sqlite3_uint64>(utf8.size()), SQLITE_TRANSIENT,
                                SQLITE_UTF8);
            break;
        }
        case StoreValue::Kind::Blob: {
            const QByteArray bytes = value.toBlob();
            // A zero-length blob is still a blob, not NULL.
            sqlite3_bind_blob64(stmt, index, bytes.isEmpty() ? "" : bytes.constData(),
                                static_cast<sqlite3_uint64>(bytes.size()), SQLITE_TRANSIENT);
            break;
        }
    }
}

StoreValue columnValue(sqlite3_stmt* stmt, int column) {
    switch (sqlite3_column_type(stmt, column)) {
        case SQLITE_INTEGER:
            return StoreValue::integer(sqlite3_column_int64(stmt, column));
        case SQLITE_FLOAT:
            return StoreValue::real(sqlite3_column_double(stmt, column));
        case SQLITE_TEXT: {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, column));
            const int bytes = sqlite3_column_bytes(stmt, column);
            return StoreValue::text(QString::fromUtf8(text, bytes));
        }
        case SQLITE_BLOB: {
            const auto* data = static_cast<const char*>(sqlite3_column_blob(stmt, column));
            const int bytes = sqlite3_column_bytes(stmt, column);
            return StoreValue::blob(bytes > 0 ? QByteArray(data, bytes) : QByteArray(""));
        }
        default:
            return {};
    }
}

}  // namespace platform::detail
