#include "tests/platform/store/StoreTestModel.h"

#include "platform/store/ManagedObjectContext.h"
#include "tests/support/TestEnvironment.h"

#include <QtCore/QProcess>

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cstdio>

using namespace platform;
using namespace storetest;

// A process killed at any moment of a save leaves the file as it was before the save or as the
// save left it. The test runs this executable again as a child that stops at a chosen moment of a
// save and waits there to be killed.

namespace {

constexpr char kModeVariable[] = "ZV_STORE_CRASH_MODE";
constexpr char kPathVariable[] = "ZV_STORE_CRASH_PATH";
constexpr char kReady[] = "store-crash-child-ready";
constexpr int kOldPosts = 200;
// Rows big enough that one save spans many pages, which a small cache spills before the commit.
const QString kFiller(2000, QLatin1Char('.'));

enum class FileState { Old, New, Torn };

const char* name(FileState state) {
    return state == FileState::Old ? "old" : state == FileState::New ? "new" : "torn";
}

void writeOldState(const QString& path) {
    auto context = openStore(path);
    for (int nr = 1; nr <= kOldPosts; ++nr) {
        insertPost(*context, "t", nr, "old" + kFiller)->setInteger(Post::kTags, 1);
    }
    ASSERT_EQ(context->save(), nullptr);
}

// One save that changes every old post, deletes half of them and adds as many.
void makeNewState(ManagedObjectContext& context) {
    for (const auto& post : *context.fetch<Post>(request("Post"))) {
        if (post->nr() % 2 == 0) {
            context.deleteObject(post);
        } else {
            post->setString(Post::kBody, "new" + kFiller);
            post->setInteger(Post::kTags, 2);
        }
    }
    for (int nr = kOldPosts + 1; nr <= kOldPosts + kOldPosts / 2; ++nr) {
        insertPost(context, "t", nr, "new" + kFiller)->setInteger(Post::kTags, 2);
    }
}

FileState stateOf(const QString& path) {
    sqlite3* db = nullptr;
    if (sqlite3_open(path.toUtf8().constData(), &db) != SQLITE_OK) {
        sqlite3_close(db);
        return FileState::Torn;
    }
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db, "SELECT nr, body, tags FROM Post ORDER BY nr", -1, &stmt, nullptr);
    std::vector<int> numbers;
    int oldRows = 0;
    int newRows = 0;
    while (stmt && sqlite3_step(stmt) == SQLITE_ROW) {
        numbers.push_back(sqlite3_column_int(stmt, 0));
        const QString body =
            QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 1)));
        const int tags = sqlite3_column_int(stmt, 2);
        oldRows += body == "old" + kFiller && tags == 1;
        newRows += body == "new" + kFiller && tags == 2;
    }
    sqlite3_finalize(stmt);
    sqlite3_close(db);

    std::vector<int> oldNumbers;
    std::vector<int> newNumbers;
    for (int nr = 1; nr <= kOldPosts; ++nr) {
        oldNumbers.push_back(nr);
        if (nr % 2) {
            newNumbers.push_back(nr);
        }
    }
    for (int nr = kOldPosts + 1; nr <= kOldPosts + kOldPosts / 2; ++nr) {
        newNumbers.push_back(nr);
    }
    if (numbers == oldNumbers && oldRows == kOldPosts) {
        return FileState::Old;
    }
    if (numbers == newNumbers && newRows == static_cast<int>(newNumbers.size())) {
        return FileState::New;
    }
    return FileState::Torn;
}

// Tells the parent where the child stands, then blocks until the parent kills it.
void announceAndWait() {
    std::fputs(kReady, stdout);
    std::fputs("\n", stdout);
    std::fflush(stdout);
    char byte = 0;
    while (::read(STDIN_FILENO, &byte, 1) > 0) {
    }
}

struct ChildHooks {
    int rowsToWrite = 0;
    bool stopAtCommit = false;
};

}  // namespace

TEST(StoreCrashChild, SavesUntilKilled) {
    const QByteArray mode = qgetenv(kModeVariable);
    if (mode.isEmpty()) {
        GTEST_SKIP() << "the child process of StoreCrash.KillDuringASaveLeavesTheOldOrTheNewState";
    }
    auto context = openStore(QString::fromUtf8(qgetenv(kPathVariable)));
    ASSERT_TRUE(context);
    sqlite3* db = context->database();
    sqlite3_exec(db, "PRAGMA cache_size=8", nullptr, nullptr, nullptr);
    makeNewState(*context);

    ChildHooks hooks;
    if (mode == "first-row") {
        hooks.rowsToWrite = 1;
    } else if (mode == "middle-row") {
        hooks.rowsToWrite = kOldPosts;
    } else if (mode == "commit") {
        hooks.stopAtCommit = true;
    }
    sqlite3_update_hook(
        db,
        [](void* data, int, const char*, const char*, sqlite3_int64) {
            auto* hooks = static_cast<ChildHooks*>(data);
            if (hooks->rowsToWrite > 0 && --hooks->rowsToWrite == 0) {
                announceAndWait();
            }
        },
        &hooks);
    sqlite3_commit_hook(
        db,
        [](void* data) {
            if (static_cast<ChildHooks*>(data)->stopAtCommit) {
                announceAndWait();
            }
            return 0;
        },
        &hooks);
    ASSERT_EQ(context->save(), nullptr);
    announceAndWait();
}

TEST(StoreCrash, KillDuringASaveLeavesTheOldOrTheNewState) {
    struct Case {
        const char* mode;
        FileState expected;
    };
    const Case cases[] = {
        {"first-row", FileState::Old},
        {"middle-row", FileState::Old},
        {"commit", FileState::Old},
        {"after-save", FileState::New},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        const QString path = zvtest::makeTempDir(QString::fromLatin1(c.mode)) + "/Zelvo.sqlite";
        writeOldState(path);
        ASSERT_EQ(stateOf(path), FileState::Old);

        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(kModeVariable, c.mode);
        environment.insert(kPathVariable, path);
        // The child's own temporary folders land inside this test's, which is removed afterwards.
        environment.insert("TMPDIR", zvtest::testRoot());
        child.setProcessEnvironment(environment);
        child.start(zvtest::executablePath(),
                    {QStringLiteral("--gtest_filter=StoreCrashChild.SavesUntilKilled")});
        ASSERT_TRUE(child.waitForStarted());
        QByteArray output;
        while (!output.contains(kReady) && child.waitForReadyRead(60000)) {
            output += child.readAllStandardOutput();
        }
        ASSERT_TRUE(output.contains(kReady))
            << output.toStdString() << child.readAllStandardError().toStdString();
        child.kill();
        ASSERT_TRUE(child.waitForFinished());
        EXPECT_EQ(child.exitStatus(), QProcess::CrashExit);

        EXPECT_STREQ(name(stateOf(path)), name(c.expected));
        auto reopened = openStore(path);
        ASSERT_TRUE(reopened);
        sqlite3_stmt* stmt = nullptr;
        sqlite3_prepare_v2(reopened->database(), "PRAGMA integrity_check", -1, &stmt, nullptr);
        ASSERT_EQ(sqlite3_step(stmt), SQLITE_ROW);
        EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)), "ok");
        sqlite3_finalize(stmt);
    }
}
