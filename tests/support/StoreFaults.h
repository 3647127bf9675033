#pragma once

// Real faults of real SQLite files, for the tests of the store and of what is built on it.
// Header-only: only test programs that link SQLite include it.

#include <QtCore/QFile>
#include <QtCore/QString>

#include <sqlite3.h>

namespace zvtest {

// Overwrites whole pages in the middle of the file with bytes that are no page of any kind, as a
// failing disk or a stray writer would. False when the file is too small to have a middle.
inline bool overwriteMiddlePages(const QString& path, int pages = 2) {
    constexpr qint64 kPageSize = 4096;
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite) || file.size() < kPageSize * (pages + 4)) {
        return false;
    }
    const qint64 middle = file.size() / 2 / kPageSize * kPageSize;
    return file.seek(middle) &&
           file.write(QByteArray(kPageSize * pages, '\x5a')) == kPageSize * pages && file.flush();
}

// While it lives, every new SQLite connection of this process finds its file full: the file
// cannot grow by one page (SQLite's own limit on the page count, so the result is the genuine
// SQLITE_FULL that a full disk gives).
class DiskFullForNewConnections {
public:
    DiskFullForNewConnections() { sqlite3_auto_extension(entryPoint()); }
    ~DiskFullForNewConnections() { sqlite3_cancel_auto_extension(entryPoint()); }
    DiskFullForNewConnections(const DiskFullForNewConnections&) = delete;
    DiskFullForNewConnections& operator=(const DiskFullForNewConnections&) = delete;

private:
    using EntryPoint = void (*)();
    static int limit(sqlite3* db, const char**, const sqlite3_api_routines*) {
        // The limit cannot fall below the file's size: 1 means "as it is now".
        sqlite3_exec(db, "PRAGMA max_page_count = 1", nullptr, nullptr, nullptr);
        return SQLITE_OK;
    }
    static EntryPoint entryPoint() { return reinterpret_cast<EntryPoint>(&limit); }
};

}  // namespace zvtest
