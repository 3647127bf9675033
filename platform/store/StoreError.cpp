#include "platform/store/StoreError.h"

#include <sqlite3.h>

namespace platform {

std::shared_ptr<StoreError> StoreError::fromSqlite(sqlite3* db, int resultCode,
                                                   const QString& doing) {
    const int extended = db ? sqlite3_extended_errcode(db) : resultCode;
    const int primary = resultCode & 0xff;
    Code code = Code::Sqlite;
    switch (primary) {
        case SQLITE_NOTADB:
        case SQLITE_CORRUPT:
            code = Code::Corrupt;
            break;
        case SQLITE_CANTOPEN:
        case SQLITE_PERM:
        case SQLITE_READONLY:
            code = Code::CannotOpen;
            break;
        case SQLITE_CONSTRAINT:
            code = Code::Constraint;
            break;
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            code = Code::Busy;
            break;
        default:
            break;
    }
    const char* text = db ? sqlite3_errmsg(db) : sqlite3_errstr(resultCode);
    auto error = std::make_shared<StoreError>(
        code, QStringLiteral("%1: %2 (%3)").arg(doing, QString::fromUtf8(text)).arg(extended));
    error->setSqliteCode(extended);
    return error;
}

QString StoreError::description() const {
    return message_;
}

QVariantMap StoreError::userInfo() const {
    QVariantMap info{{QStringLiteral("code"), static_cast<int>(code_)},
                     {QStringLiteral("message"), message_}};
    if (sqliteCode_ != 0) {
        info.insert(QStringLiteral("sqlite_code"), sqliteCode_);
    }
    if (!entityName_.isEmpty()) {
        info.insert(QStringLiteral("entity"), entityName_);
    }
    if (!attributeName_.isEmpty()) {
        info.insert(QStringLiteral("attribute"), attributeName_);
    }
    return info;
}

}  // namespace platform
