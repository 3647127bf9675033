#include "platform/store/sqlite/StoreSchema.h"

#include "platform/foundation/SystemLog.h"
#include "platform/store/StoreMigration.h"
#include "platform/store/sqlite/StoreSql.h"

#include <sqlite3.h>

namespace platform::detail {

namespace {

// The most pages a store keeps in memory, in KiB; SQLite allocates them only as they are used.
constexpr int kCacheKibibytes = 65536;
// What the write-ahead log keeps of its file once it starts again from its beginning.
constexpr int kLogBytesKept = 16 * 1024 * 1024;

std::shared_ptr<StoreError> inTransaction(
    SqliteConnection& db, const QString& doing,
    const std::function<std::shared_ptr<StoreError>()>& work) {
    if (auto error = db.exec(QStringLiteral("BEGIN IMMEDIATE"), doing)) {
        return error;
    }
    auto error = work();
    if (!error) {
        error = db.exec(QStringLiteral("COMMIT"), doing);
    }
    if (error) {
        db.exec(QStringLiteral("ROLLBACK"), doing);
    }
    return error;
}

QStringList existingColumns(SqliteConnection& db, const QString& table) {
    QStringList columns;
    std::shared_ptr<StoreError> error;
    auto lease = db.prepare(QStringLiteral("PRAGMA table_info(%1)").arg(quoted(table)), &error);
    if (!lease) {
        return columns;
    }
    while (sqlite3_step(lease.get()) == SQLITE_ROW) {
        columns << QString::fromUtf8(
            reinterpret_cast<const char*>(sqlite3_column_text(lease.get(), 1)));
    }
    return columns;
}

// Adds the tables and columns that the model has and the file lacks. Never removes anything.
std::shared_ptr<StoreError> addMissingColumns(SqliteConnection& db,
                                              const ManagedObjectModel& model) {
    for (const auto& entity : model.entities()) {
        const QStringList columns = existingColumns(db, entity->name());
        if (columns.isEmpty()) {
            if (auto error = db.exec(createTableSql(*entity),
                                     QStringLiteral("creating table %1").arg(entity->name()))) {
                return error;
            }
        } else {
            QStringList additions;
            for (int index : entity->storedAttributes()) {
                const auto& attribute = entity->attributes()[static_cast<std::size_t>(index)];
                if (!columns.contains(attribute.name)) {
                    additions << columnDefinition(attribute);
                }
            }
            for (const auto* toOne : entity->toOneRelationships()) {
                if (!columns.contains(toOne->name)) {
                    additions << toOneColumnDefinition(*toOne);
                }
            }
            for (const auto& definition : std::as_const(additions)) {
                const QString sql = QStringLiteral("ALTER TABLE %1 ADD COLUMN %2")
                                        .arg(quoted(entity->name()), definition);
                if (auto error =
                        db.exec(sql, QStringLiteral("adding a column to %1").arg(entity->name()))) {
                    return error;
                }
            }
        }
    }
    return nullptr;
}

// Indexes come after the migration steps, which may have to mend rows that a new unique index
// would refuse.
std::shared_ptr<StoreError> addMissingIndexes(SqliteConnection& db,
                                              const ManagedObjectModel& model) {
    for (const auto& entity : model.entities()) {
        for (const auto& sql : createIndexSql(*entity)) {
            if (auto error =
                    db.exec(sql, QStringLiteral("creating an index of %1").arg(entity->name()))) {
                return error;
            }
        }
    }
    return nullptr;
}

// Pages overwritten inside the file open without complaint and fail only the statements that
// touch them; the quick check reads every page once, so damage is found before anything is
// written over it.
std::shared_ptr<StoreError> quickCheck(SqliteConnection& db) {
    const QString doing = QStringLiteral("checking the store");
    std::shared_ptr<StoreError> error;
    // The first problem is enough to know.
    auto check = db.prepare(QStringLiteral("PRAGMA quick_check(1)"), &error);
    if (!check) {
        return error;
    }
    const int rc = sqlite3_step(check.get());
    if (rc != SQLITE_ROW) {
        return db.failure(rc, doing);
    }
    const auto* verdict = reinterpret_cast<const char*>(sqlite3_column_text(check.get(), 0));
    if (verdict && qstrcmp(verdict, "ok") == 0) {
        return nullptr;
    }
    const QString found = QString::fromUtf8(verdict ? verdict : "no answer");
    auto damage =
        StoreError::make(StoreError::Code::Corrupt, QStringLiteral("%1: %2").arg(doing, found));
    damage->setSqliteCode(SQLITE_CORRUPT);
    db.noteDamage(*damage);
    return damage;
}

std::shared_ptr<StoreError> setVersion(SqliteConnection& db, int version) {
    return db.exec(QStringLiteral("PRAGMA user_version = %1").arg(version),
                   QStringLiteral("setting the store's version"));
}

}  // namespace

std::shared_ptr<StoreError> prepareStore(SqliteConnection& db, const ManagedObjectModel& model,
                                         bool inMemory, bool* created) {
    *created = false;
    if (!inMemory) {
        // The first statement that reads the file: a file that is not a store fails here.
        std::shared_ptr<StoreError> error;
        auto mode = db.prepare(QStringLiteral("PRAGMA journal_mode=WAL"), &error);
        if (!mode) {
            return error;
        }
        const int rc = sqlite3_step(mode.get());
        if (rc != SQLITE_ROW) {
            return db.failure(rc, QStringLiteral("cannot read the store"));
        }
        const auto* journal = reinterpret_cast<const char*>(sqlite3_column_text(mode.get(), 0));
        if (!journal || qstrcmp(journal, "wal") != 0) {
            // Still a working store, only without readers running beside a writer.
            systemLogFormat(u"Store: %@ stays in journal mode %@",
                            sqlite3_db_filename(db.handle(), "main"), journal);
        } else {
            db.checkpointInBackground();
        }
        mode.release();
        if (auto error = db.exec(QStringLiteral("PRAGMA synchronous=NORMAL"),
                                 QStringLiteral("setting synchronous mode"))) {
            return error;
        }
        // An account's indexes are keyed by long ids, so an answer touches pages all over them;
        // with SQLite's small default cache every look-up and insert reads them again.
        if (auto error = db.exec(QStringLiteral("PRAGMA cache_size=-%1").arg(kCacheKibibytes),
                                 QStringLiteral("setting the cache size"))) {
            return error;
        }
        // A log that grew while checkpoints ran behind the saves shrinks back once it is reset.
        if (auto error = db.exec(QStringLiteral("PRAGMA journal_size_limit=%1").arg(kLogBytesKept),
                                 QStringLiteral("setting the log's size limit"))) {
            return error;
        }
        if (auto error = quickCheck(db)) {
            return error;
        }
    }
    auto version = db.queryInteger(QStringLiteral("PRAGMA user_version"));
    if (!version) {
        return version.error();
    }
    auto tables = db.queryInteger(QStringLiteral(
        "SELECT COUNT(*) FROM sqlite_master WHERE type='table' AND name NOT LIKE 'sqlite_%'"));
    if (!tables) {
        return tables.error();
    }
    const int target = model.version();
    if (*version > target) {
        return StoreError::make(StoreError::Code::VersionTooNew,
                                QStringLiteral("the store is at version %1, newer than the "
                                               "model's version %2")
                                    .arg(*version)
                                    .arg(target));
    }
    if (*version == 0 && *tables == 0) {
        *created = true;
        return inTransaction(db, QStringLiteral("creating the store"), [&] {
            auto error = addMissingColumns(db, model);
            if (!error) {
                error = addMissingIndexes(db, model);
            }
            return error ? error : setVersion(db, target);
        });
    }
    if (auto error = inTransaction(db, QStringLiteral("adding the store's new columns"),
                                   [&] { return addMissingColumns(db, model); })) {
        return error;
    }
    for (int step = static_cast<int>(*version) + 1; step <= target; ++step) {
        auto error = inTransaction(db, QStringLiteral("migrating the store"), [&] {
            if (const MigrationStep* migration = model.migration(step)) {
                StoreMigration context(db.handle(), step);
                if (auto stepError = (*migration)(context)) {
                    return stepError;
                }
            }
            return setVersion(db, step);
        });
        if (error && !error->isCorruption()) {
            auto failure = StoreError::make(StoreError::Code::MigrationFailed,
                                            QStringLiteral("migration to version %1 failed: %2")
                                                .arg(step)
                                                .arg(error->message()));
            failure->setSqliteCode(error->sqliteCode());
            return failure;
        }
        if (error) {
            return error;
        }
    }
    return inTransaction(db, QStringLiteral("adding the store's new indexes"),
                         [&] { return addMissingIndexes(db, model); });
}

}  // namespace platform::detail
