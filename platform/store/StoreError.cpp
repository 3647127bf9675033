#include "platform/store/StoreError.h"

#include <sqlite3.h>

#include <cerrno>
#include <cstring>

namespace platform {

std::shared_ptr<StoreError> StoreError::fromSqlite(sqlite3* db, int resultCode,
                                                   const QString& doing) {
    const int extended = db ? sqlite3_extended_errcode(db) : resultCode;
    const int primary = resultCode & 0xff;
    // The operating system's reason behind an I/O or open failure (ENOSPC, EMFILE, EACCES).
    const int systemError = db ? sqlite3_system_errno(db) : 0;
    Code code = Code::Sqlite;
    switch (primary) {
        case SQLITE_FULL:
            code = Code::DiskFull;
            break;
        case SQLITE_IOERR:
            // A write that failed because the disk filled up is reported as an I/O error.
            code = systemError == ENOSPC ? Code::DiskFull : Code::Sqlite;
            break;
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
    QString message =
        QStringLiteral("%1: %2 (%3)").arg(doing, QString::fromUtf8(text)).arg(extended);
    if (systemError != 0 && (primary == SQLITE_CANTOPEN || primary == SQLITE_IOERR ||
                             primary == SQLITE_FULL || primary == SQLITE_PERM)) {
        message += QStringLiteral(": %1").arg(QString::fromLocal8Bit(std::strerror(systemError)));
    }
    auto error = std::make_shared<StoreError>(code, message);
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
