#pragma once

#include <QtCore/QString>

#include <condition_variable>
#include <mutex>
#include <thread>

struct sqlite3;

namespace platform::detail {

// Copies a store's write-ahead log back into the store file on a thread of its own. Left to
// SQLite, the commit that fills the log does it on the committing thread: it reads and writes
// every page in the log and syncs both files, which on a busy disk holds the main thread for
// hundreds of milliseconds in the middle of an initial sync.
//
// Its connection only checkpoints (passively: it never waits for, nor blocks, the writer), so the
// store keeps its single writer, and readers see nothing of it, since a checkpoint changes where
// pages live, not what they hold. A kill at any moment loses nothing: committed pages stay in the
// log until they are in the file.
class LogCheckpointer {
public:
    // Takes over `writer`'s automatic checkpoints.
    LogCheckpointer(sqlite3* writer, QString path);
    // Waits for a checkpoint in progress and closes the connection; the writer's own close, the
    // last one, then checkpoints what is left.
    ~LogCheckpointer();
    LogCheckpointer(const LogCheckpointer&) = delete;
    LogCheckpointer& operator=(const LogCheckpointer&) = delete;

    // Log pages that wake the thread after a commit (SQLite's own default); a value below 1
    // restores it. Returns the previous value. Applies to checkpointers made from now on.
    static int setPagesPerCheckpoint(int pages);
    // Blocks until no checkpoint is asked for or running; for tests.
    void waitUntilIdle();

private:
    static int onCommit(void* self, sqlite3* db, const char* schema, int pages);
    void run();

    sqlite3* writer_;
    QString path_;
    const int pagesPerCheckpoint_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    bool requested_ = false;
    bool running_ = false;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace platform::detail
