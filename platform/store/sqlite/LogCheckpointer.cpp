#include "platform/store/sqlite/LogCheckpointer.h"

#include "platform/foundation/SystemLog.h"

#include <sqlite3.h>

#include <atomic>

namespace platform::detail {

namespace {

constexpr int kDefaultPagesPerCheckpoint = 1000;
std::atomic<int> pagesPerCheckpoint{kDefaultPagesPerCheckpoint};
// The writer holds its lock only for a commit's moment; a checkpoint that meets it tries later.
constexpr int kBusyTimeoutMs = 100;

}  // namespace

LogCheckpointer::LogCheckpointer(sqlite3* writer, QString path)
    : writer_(writer), path_(std::move(path)), pagesPerCheckpoint_(pagesPerCheckpoint.load()) {
    thread_ = std::thread([this] { run(); });
    sqlite3_wal_hook(writer, &LogCheckpointer::onCommit, this);
}

LogCheckpointer::~LogCheckpointer() {
    sqlite3_wal_hook(writer_, nullptr, nullptr);
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

int LogCheckpointer::setPagesPerCheckpoint(int pages) {
    return pagesPerCheckpoint.exchange(pages < 1 ? kDefaultPagesPerCheckpoint : pages);
}

int LogCheckpointer::onCommit(void* self, sqlite3*, const char*, int pages) {
    auto* checkpointer = static_cast<LogCheckpointer*>(self);
    if (pages >= checkpointer->pagesPerCheckpoint_) {
        {
            std::lock_guard lock(checkpointer->mutex_);
            checkpointer->requested_ = true;
        }
        checkpointer->wake_.notify_one();
    }
    return SQLITE_OK;
}

void LogCheckpointer::waitUntilIdle() {
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return (!requested_ && !running_) || stopping_; });
}

void LogCheckpointer::run() {
    sqlite3* db = nullptr;
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return requested_ || stopping_; });
        if (stopping_) {
            break;
        }
        requested_ = false;
        running_ = true;
        lock.unlock();
        if (!db) {
            const int rc = sqlite3_open_v2(path_.toUtf8().constData(), &db,
                                           SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
            if (rc != SQLITE_OK) {
                systemLogFormat(u"Store: cannot open %@ to checkpoint it: %@", path_,
                                QString::fromUtf8(sqlite3_errstr(rc)));
                sqlite3_close_v2(db);
                db = nullptr;
            } else {
                sqlite3_busy_timeout(db, kBusyTimeoutMs);
                // A connection learns that the file is in WAL mode when it first reads it; until
                // then its checkpoints do nothing.
                sqlite3_exec(db, "PRAGMA schema_version", nullptr, nullptr, nullptr);
            }
        }
        if (db) {
            const int rc =
                sqlite3_wal_checkpoint_v2(db, nullptr, SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
            // Busy only means the writer was committing: the next commit asks again.
            if (rc != SQLITE_OK && rc != SQLITE_BUSY) {
                systemLogFormat(u"Store: checkpointing %@: %@", path_,
                                QString::fromUtf8(sqlite3_errmsg(db)));
            }
        }
        lock.lock();
        running_ = false;
        idle_.notify_all();
    }
    running_ = false;
    idle_.notify_all();
    lock.unlock();
    sqlite3_close_v2(db);
}

}  // namespace platform::detail
