#include "tests/platform/store/StoreTestModel.h"

#include "platform/store/ManagedObjectContext.h"
#include "platform/store/StoreFiles.h"
#include "platform/store/StoreLock.h"
#include "tests/support/FileModes.h"
#include "tests/support/StoreFaults.h"
#include "tests/support/TestEnvironment.h"

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <sys/stat.h>

using namespace platform;
using namespace storetest;

// Only proven damage may cost the user a store; everything else that stops an open or a save
// passes, and must leave the file as it was.

namespace {

constexpr int kPosts = 400;
// Rows of about half a page, so that the store spans many pages.
const QString kFailureFiller(2000, QLatin1Char('.'));

void writePosts(const QString& path, int count = kPosts) {
    auto context = openStore(path);
    ASSERT_TRUE(context);
    for (int nr = 1; nr <= count; ++nr) {
        insertPost(*context, "t", nr, kFailureFiller);
    }
    ASSERT_EQ(context->save(), nullptr);
}

std::int64_t postsInFile(const QString& path) {
    return static_cast<std::int64_t>(rowsInFile(path, "Post").size());
}

}  // namespace

TEST(StoreFailure, OnlyDamageIsReportedAsCorrupt) {
    struct Case {
        const char* name;
        // Leaves the store at `path` in the state to open.
        void (*arrange)(const QString& path);
        StoreError::Code expected;
    };
    const Case cases[] = {
        {"pages overwritten mid-file",
         [](const QString& path) {
             writePosts(path);
             ASSERT_TRUE(zvtest::overwriteMiddlePages(path));
         },
         StoreError::Code::Corrupt},
        {"a folder in its place",
         [](const QString& path) { ASSERT_TRUE(QDir().mkpath(path + "/inside")); },
         StoreError::Code::CannotOpen},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path =
            zvtest::makeTempDir(QString::fromLatin1(c.name).replace(' ', '_')) + "/Zelvo.sqlite";
        c.arrange(path);
        auto opened = ManagedObjectContext::open(path, makeModel());
        ASSERT_FALSE(opened.ok());
        EXPECT_EQ(opened.error()->code(), c.expected) << opened.error()->message().toStdString();
        EXPECT_EQ(opened.error()->isCorruption(), c.expected == StoreError::Code::Corrupt);
        EXPECT_TRUE(QFileInfo::exists(path));
    }
}

TEST(StoreFailure, ZeroByteOrMissingFileOpensAsANewStore) {
    const QString path = storePath("Zelvo.sqlite");
    {
        QFile empty(path);
        ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    }
    auto created = openStore(path);
    ASSERT_TRUE(created);
    EXPECT_TRUE(created->wasCreated());
    EXPECT_EQ(*created->count(request("Post")), 0);
    insertPost(*created, "t", 1);
    ASSERT_EQ(created->save(), nullptr);
    created.reset();

    auto reopened = openStore(path);
    ASSERT_TRUE(reopened);
    EXPECT_FALSE(reopened->wasCreated());
}

TEST(StoreFailure, FullDiskKeepsTheStoreAndIsNotDamage) {
    const QString path = storePath("Zelvo.sqlite");
    writePosts(path);
    {
        zvtest::DiskFullForNewConnections full;
        // Opening needs no new page; the save does.
        auto context = openStore(path);
        ASSERT_TRUE(context);
        for (int nr = kPosts + 1; nr <= kPosts + 50; ++nr) {
            insertPost(*context, "t", nr, kFailureFiller);
        }
        const auto error = context->save();
        ASSERT_TRUE(error);
        EXPECT_EQ(error->code(), StoreError::Code::DiskFull) << error->message().toStdString();
        EXPECT_FALSE(context->isDamaged());

        // A new file cannot even get its tables: reported as full, never as damage.
        auto fresh = ManagedObjectContext::open(storePath("New.sqlite"), makeModel());
        ASSERT_FALSE(fresh.ok());
        EXPECT_EQ(fresh.error()->code(), StoreError::Code::DiskFull);
    }
    EXPECT_EQ(postsInFile(path), kPosts);
    auto reopened = openStore(path);
    ASSERT_TRUE(reopened);
    EXPECT_EQ(*reopened->count(request("Post")), kPosts);
}

// Damage that shows only when a statement touches it: the save that follows reports failure, and
// the file is refused as damaged at the next open even if a check there would miss it.
TEST(StoreFailure, MalformedWhileOpenFailsTheSaveAndTheNextOpen) {
    const QString path = storePath("Zelvo.sqlite");
    writePosts(path);
    auto context = openStore(path);
    ASSERT_TRUE(context);
    // Drops the pages the open's check read, so the next fetch reads the file again.
    sqlite3_db_release_memory(context->database());
    ASSERT_TRUE(zvtest::overwriteMiddlePages(path));

    const auto fetched = context->fetch(request("Post"));
    ASSERT_FALSE(fetched.ok());
    EXPECT_EQ(fetched.error()->code(), StoreError::Code::Corrupt);
    EXPECT_TRUE(context->isDamaged());

    insertPost(*context, "t", kPosts + 1);
    const auto saved = context->save();
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->code(), StoreError::Code::Corrupt);
    context.reset();

    auto again = ManagedObjectContext::open(path, makeModel());
    ASSERT_FALSE(again.ok());
    EXPECT_EQ(again.error()->code(), StoreError::Code::Corrupt);

    // Removing the store's files takes the mark with them.
    EXPECT_TRUE(removeStoreFiles(path).empty());
    auto fresh = openStore(path);
    ASSERT_TRUE(fresh);
    EXPECT_TRUE(fresh->wasCreated());
}

TEST(StoreFailure, StoreFilesAreOwnerOnlyWhateverTheUmask) {
    for (const mode_t mask : {mode_t{022}, mode_t{002}, mode_t{000}}) {
        SCOPED_TRACE(mask);
        const zvtest::ScopedUmask scopedUmask(mask);
        const QString folder = zvtest::makeTempDir(QStringLiteral("umask%1").arg(mask));
        const QString path = folder + "/Zelvo.sqlite";
        {
            auto context = openStore(path);
            ASSERT_TRUE(context);
            insertPost(*context, "t", 1);
            ASSERT_EQ(context->save(), nullptr);
            for (const QString& file : {path, path + "-wal", path + "-shm"}) {
                EXPECT_EQ(zvtest::fileMode(file), 0600u) << file.toStdString();
            }
        }
        auto lock = StoreLock::acquire(path);
        ASSERT_TRUE(lock.ok());
        EXPECT_EQ(zvtest::fileMode(StoreLock::lockFilePath(path)), 0600u);
    }

    // A store that an earlier version left readable by others is closed to them at the next open.
    const QString path = storePath("Old.sqlite");
    writePosts(path, 1);
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0644), 0);
    ASSERT_TRUE(openStore(path));
    EXPECT_EQ(zvtest::fileMode(path), 0600u);
}

TEST(StoreFailure, ASecondHolderOfTheLockIsRefusedUntilTheFirstLetsGo) {
    const QString path = storePath("Zelvo.sqlite");
    auto first = StoreLock::acquire(path);
    ASSERT_TRUE(first.ok()) << first.error()->message().toStdString();

    auto second = StoreLock::acquire(path);
    ASSERT_FALSE(second.ok());
    EXPECT_EQ(second.error()->code(), StoreError::Code::Busy);
    EXPECT_FALSE(second.error()->isCorruption());

    // Making the store again does not take the lock's file with it.
    writePosts(path, 1);
    EXPECT_TRUE(removeStoreFiles(path).empty());
    EXPECT_TRUE(QFileInfo::exists(StoreLock::lockFilePath(path)));
    EXPECT_FALSE(StoreLock::acquire(path).ok());

    first->reset();
    EXPECT_TRUE(StoreLock::acquire(path).ok());
}
