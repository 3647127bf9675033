#pragma once

#include "platform/store/StoreError.h"

#include <QtCore/QString>

#include <memory>

struct sqlite3;

namespace platform {

// What a step of the migration ladder works with: the file, inside the step's transaction.
class StoreMigration {
public:
    StoreMigration(sqlite3* db, int toVersion) : db_(db), toVersion_(toVersion) {}

    // The version this step brings the file to.
    int toVersion() const { return toVersion_; }
    // Runs SQL (several statements allowed).
    std::shared_ptr<StoreError> exec(const QString& sql);
    bool hasTable(const QString& table) const;
    bool hasColumn(const QString& table, const QString& column) const;
    sqlite3* database() const { return db_; }

private:
    sqlite3* db_;
    int toVersion_;
};

}  // namespace platform
