// Checkpoints of a store's write-ahead log run on their own thread: the saves only append to the
// log, and the file still receives every committed page.

#include "tests/platform/store/StoreTestModel.h"

#include "platform/store/sqlite/LogCheckpointer.h"
#include "platform/store/sqlite/SqliteConnection.h"
#include "platform/store/sqlite/StoreSchema.h"

#include <QtCore/QFileInfo>

#include <gtest/gtest.h>

using namespace platform;
using namespace platform::detail;
using namespace storetest;

namespace {

constexpr int kCommits = 20;
constexpr int kRowsPerCommit = 50;
const QString kCheckpointFiller(1000, QLatin1Char('.'));

struct PagesPerCheckpoint {
    explicit PagesPerCheckpoint(int pages)
        : previous(LogCheckpointer::setPagesPerCheckpoint(pages)) {}
    ~PagesPerCheckpoint() { LogCheckpointer::setPagesPerCheckpoint(previous); }
    int previous;
};

}  // namespace

TEST(LogCheckpoint, SavedPagesReachTheStoreFileThroughTheCheckpointThread) {
    const PagesPerCheckpoint everyCommit(1);
    const QString path = storePath();
    auto db = SqliteConnection::open(path);
    ASSERT_TRUE(db.ok());
    bool created = false;
    ASSERT_EQ(prepareStore(**db, *makeModel(), false, &created), nullptr);
    ASSERT_NE((*db)->checkpointer(), nullptr);
    (*db)->checkpointer()->waitUntilIdle();
    const qint64 emptySize = QFileInfo(path).size();

    for (int commit = 0; commit < kCommits; ++commit) {
        QString sql = QStringLiteral("BEGIN;");
        for (int row = 0; row < kRowsPerCommit; ++row) {
            sql += QStringLiteral(
                       "INSERT INTO Post (thread_id, nr, body, tags) VALUES "
                       "('t', %1, '%2', 0);")
                       .arg(commit * kRowsPerCommit + row)
                       .arg(kCheckpointFiller);
        }
        sql += QStringLiteral("COMMIT;");
        ASSERT_EQ((*db)->exec(sql, QStringLiteral("inserting")), nullptr);
    }
    (*db)->checkpointer()->waitUntilIdle();

    // The rows' pages are in the file itself, not only in the log beside it.
    EXPECT_GT(QFileInfo(path).size(),
              emptySize + kCommits * kRowsPerCommit * kCheckpointFiller.size() / 2);
    auto rows = (*db)->queryInteger(QStringLiteral("SELECT COUNT(*) FROM Post"));
    ASSERT_TRUE(rows.ok());
    EXPECT_EQ(*rows, kCommits * kRowsPerCommit);
}

TEST(LogCheckpoint, StoreInMemoryHasNoCheckpointThread) {
    auto db = SqliteConnection::open(QStringLiteral(":memory:"));
    ASSERT_TRUE(db.ok());
    bool created = false;
    ASSERT_EQ(prepareStore(**db, *makeModel(), true, &created), nullptr);
    EXPECT_EQ((*db)->checkpointer(), nullptr);
}
