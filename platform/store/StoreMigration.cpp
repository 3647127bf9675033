#include "platform/store/StoreMigration.h"

#include "platform/store/sqlite/StoreSql.h"

#include <sqlite3.h>

namespace platform {

std::shared_ptr<StoreError> StoreMigration::exec(const QString& sql) {
    char* message = nullptr;
    const int rc = sqlite3_exec(db_, sql.toUtf8().constData(), nullptr, nullptr, &message);
    sqlite3_free(message);
    if (rc != SQLITE_OK) {
        return StoreError::fromSqlite(db_, rc,
                                      QStringLiteral("migration to version %1").arg(toVersion_));
    }
    return nullptr;
}

bool StoreMigration::hasTable(const QString& table) const {
    sqlite3_stmt* stmt = nullptr;
    const char* sql = "SELECT 1 FROM sqlite_master WHERE type='table' AND name=?1";
    if (sqlite3_prepare_v2(db_, sql, -1, &stmt, nullptr) != SQLITE_OK) {
        return false;
    }
    const QByteArray name = table.toUtf8();
    sqlite3_bind_text(stmt, 1, name.constData(), static_cast<int>(name.size()), SQLITE_STATIC);
    const bool found = sqlite3_step(stmt) == SQLITE_ROW;
    sqlite3_finalize(stmt);
    return found;
}

bool StoreMigration::hasColumn(const QString& table, const QString& column) const {
    sqlite3_stmt* stmt = nullptr;
    const QByteArray sql =
        QStringLiteral("PRAGMA table_info(%1)").arg(detail::quoted(table)).toUtf8();
    if (sqlite3_prepare_v2(db_, sql.constData(), -1, &stmt, nullptr) != SQLITE_OK) {
        return false;
    }
    bool found = false;
    while (!found && sqlite3_step(stmt) == SQLITE_ROW) {
        const auto* name = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 1));
        found = name && QString::fromUtf8(name) == column;
    }
    sqlite3_finalize(stmt);
    return found;
}

}  // namespace platform
