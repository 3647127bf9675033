#include "tests/platform/store/StoreTestModel.h"

#include "platform/store/ManagedObjectContext.h"
#include "platform/store/StoreFiles.h"
#include "platform/store/StoreMigration.h"
#include "tests/support/TestEnvironment.h"

#include <QtCore/QDir>
#include <QtCore/QFile>

#include <gtest/gtest.h>
#include <sqlite3.h>

using namespace platform;
using namespace storetest;

namespace {

QString queryText(sqlite3* db, const QString& sql) {
    sqlite3_stmt* stmt = nullptr;
    QString text;
    if (sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &stmt, nullptr) != SQLITE_OK) {
        ADD_FAILURE() << sqlite3_errmsg(db);
        return text;
    }
    QStringList rows;
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        QStringList columns;
        for (int i = 0; i < sqlite3_column_count(stmt); ++i) {
            const auto* value = reinterpret_cast<const char*>(sqlite3_column_text(stmt, i));
            columns << (value ? QString::fromUtf8(value) : QStringLiteral("NULL"));
        }
        rows << columns.join(QLatin1Char('|'));
    }
    sqlite3_finalize(stmt);
    return rows.join(QLatin1Char('\n'));
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

}  // namespace

TEST(StoreFile, OpensInWalModeWithTheModelsTablesAndIndexes) {
    const QString path = storePath();
    auto context = openStore(path, makeModel(4));
    sqlite3* db = context->database();
    EXPECT_EQ(queryText(db, "PRAGMA journal_mode"), "wal");
    EXPECT_EQ(queryText(db, "PRAGMA synchronous"), "1") << "NORMAL";
    EXPECT_EQ(queryText(db, "PRAGMA user_version"), "4");
    EXPECT_EQ(queryText(db,
                        "SELECT name FROM sqlite_master WHERE type='index' AND name NOT LIKE "
                        "'sqlite_%' ORDER BY name"),
              "Book_shelf_index\nParticipant_thread_index\nPost_thread_id_nr_unique\n"
              "Thread_thread_id_index");
    EXPECT_EQ(queryText(db, "SELECT name, type FROM pragma_table_info('Post') ORDER BY cid"),
              "_id|INTEGER\nthread_id|TEXT\nnr|INTEGER\ntags|INTEGER\nbody|TEXT\npin_weight|REAL\n"
              "is_hidden|INTEGER\nposted|REAL\npayload|BLOB\ndirty|INTEGER");
    EXPECT_FALSE(
        queryText(db, "SELECT sql FROM sqlite_master WHERE name='Thread'").contains("display"))
        << "transient attributes have no column";

    // The range fetch of a thread's posts is answered from the unique index.
    QStringList statements;
    sqlite3_trace_v2(
        db, SQLITE_TRACE_STMT,
        [](unsigned, void* list, void* stmt, void*) {
            static_cast<QStringList*>(list)->append(
                QString::fromUtf8(sqlite3_sql(static_cast<sqlite3_stmt*>(stmt))));
            return 0;
        },
        &statements);
    ASSERT_TRUE(context
                    ->fetch(request("Post", "(thread_id = $id) and (nr >= $from) and (nr <= $to)",
                                    {{"id", "t"}, {"from", 1}, {"to", 2}}))
                    .ok());
    sqlite3_trace_v2(db, 0, nullptr, nullptr);
    ASSERT_EQ(statements.size(), 1);
    EXPECT_TRUE(queryText(db, "EXPLAIN QUERY PLAN " + statements.front())
                    .contains("SEARCH Post USING INDEX Post_thread_id_nr_unique (thread_id=? AND "
                              "nr>? AND nr<?)"))
        << queryText(db, "EXPLAIN QUERY PLAN " + statements.front()).toStdString();
}

TEST(StoreFile, FileThatIsNotAStoreIsReportedAndCanBeReplaced) {
    struct Case {
        const char* name;
        QByteArray bytes;
    };
    QByteArray header("SQLite format 3", 16);
    header += QByteArray(4080, '\x5a');
    const Case cases[] = {
        {"garbage", QByteArray(4096, '\xa7')},
        {"text", QByteArray("this is not a database\n")},
        {"damaged header", header},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString folder = zvtest::makeTempDir(QString::fromLatin1(c.name).replace(' ', '_'));
        const QString path = folder + "/Zelvo.sqlite";
        writeFile(path, c.bytes);
        writeFile(path + "-wal", QByteArray(100, '\x01'));
        writeFile(path + "-shm", QByteArray(100, '\x02'));
        writeFile(folder + "/Other.sqlite", "keep");

        auto opened = ManagedObjectContext::open(path, makeModel());
        ASSERT_FALSE(opened.ok());
        EXPECT_EQ(opened.error()->code(), StoreError::Code::Corrupt);
        EXPECT_TRUE(opened.error()->message().startsWith(path))
            << opened.error()->message().toStdString();

        EXPECT_TRUE(removeStoreFiles(path).empty());
        EXPECT_EQ(QDir(folder).entryList(QDir::Files), QStringList{"Other.sqlite"});
        auto fresh = openStore(path);
        ASSERT_TRUE(fresh);
        EXPECT_EQ(*fresh->count(request("Post")), 0);
    }
}

TEST(StoreFile, RemovingAStoreGoesOnPastWhatCannotBeRemoved) {
    const QString folder = zvtest::makeTempDir("account");
    const QString path = folder + "/Zelvo.sqlite";
    {
        auto context = openStore(path);
        insertPost(*context, "t", 1);
        ASSERT_EQ(context->save(), nullptr);
    }
    writeFile(path + "-journal", "j");
    ASSERT_TRUE(QDir(folder).mkdir("Zelvo.sqlite-folder"));
    writeFile(folder + "/Zelvo.sqlit", "keep: another name");

    const auto failures = removeStoreFiles(path);
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures.front().fileName, "Zelvo.sqlite-folder");
    EXPECT_EQ(QDir(folder).entryList(QDir::Files), QStringList{"Zelvo.sqlit"});
}

TEST(StoreFile, MigrationLadderRunsEachStepOnceInItsOwnTransaction) {
    const QString path = storePath();
    {
        auto context = openStore(path, makeModel(1));
        insertPost(*context, "t", 1, "body");
        insertPost(*context, "t", 2, "body");
        ASSERT_EQ(context->save(), nullptr);
    }
    std::vector<int> ran;
    const auto ladder = [&ran](bool lastStepFails) {
        auto model = makeModel(3);
        // Version 2 brings a boolean and a number that old rows never had.
        auto* post = model->entity(u"Post");
        post->addAttribute("is_pinned", AttributeType::Boolean);
        post->addAttribute("rank", AttributeType::Integer64);
        model->addMigration(2, [&ran](StoreMigration& migration) {
            ran.push_back(migration.toVersion());
            EXPECT_TRUE(migration.hasColumn("Post", "rank")) << "new columns come before the steps";
            return migration.exec("UPDATE Post SET rank = nr * 10");
        });
        model->addMigration(
            3, [&ran, lastStepFails](StoreMigration& migration) -> std::shared_ptr<StoreError> {
                ran.push_back(migration.toVersion());
                if (auto error = migration.exec("UPDATE Post SET body = 'half done'")) {
                    return error;
                }
                if (lastStepFails) {
                    return migration.exec("UPDATE NoSuchTable SET x = 1");
                }
                return nullptr;
            });
        return model;
    };

    auto failed = ManagedObjectContext::open(path, ladder(true));
    ASSERT_FALSE(failed.ok());
    EXPECT_EQ(failed.error()->code(), StoreError::Code::MigrationFailed);
    EXPECT_TRUE(failed.error()->message().contains("version 3"));
    EXPECT_EQ(ran, (std::vector<int>{2, 3}));
    {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(path.toUtf8().constData(), &db), SQLITE_OK);
        EXPECT_EQ(queryText(db, "PRAGMA user_version"), "2");
        EXPECT_EQ(queryText(db, "SELECT nr, rank, body FROM Post ORDER BY nr"),
                  "1|10|body\n2|20|body")
            << "step 2 stays done, step 3 left no trace";
        sqlite3_close(db);
    }

    ran.clear();
    auto context = openStore(path, ladder(false));
    ASSERT_TRUE(context);
    EXPECT_EQ(ran, std::vector<int>{3});
    EXPECT_EQ(queryText(context->database(), "PRAGMA user_version"), "3");
    EXPECT_EQ(
        *context->count(request("Post", "is_pinned = 0 and rank >= 10 and body = 'half done'")), 2)
        << "old rows read the new boolean as false";
}

TEST(StoreFile, NewerOrInconsistentModelsAreRefused) {
    const QString path = storePath();
    openStore(path, makeModel(3)).reset();
    auto older = ManagedObjectContext::open(path, makeModel(2));
    ASSERT_FALSE(older.ok());
    EXPECT_EQ(older.error()->code(), StoreError::Code::VersionTooNew);

    using Build = std::function<void(ManagedObjectModel&)>;
    const std::pair<const char*, Build> models[] = {
        {"declared twice",
         [](ManagedObjectModel& m) {
             m.entity(u"Post")->addAttribute("nr", AttributeType::String);
         }},
        {"which is not stored",
         [](ManagedObjectModel& m) { m.entity(u"Thread")->addIndex({"display"}); }},
        {"unknown entity",
         [](ManagedObjectModel& m) {
             m.addRelationship(
                 {.entity = "Post", .name = "x", .destination = "Nope", .inverseName = "y"});
         }},
        {"not a plain name", [](ManagedObjectModel& m) { m.addEntity("Bad\"Name"); }},
        {"unknown type",
         [](ManagedObjectModel& m) {
             m.entity(u"Post")->addAttribute("amount", static_cast<AttributeType>(400));
         }},
        {"wrong kind",
         [](ManagedObjectModel& m) {
             m.entity(u"Post")->addAttribute("flag", AttributeType::Boolean,
                                             {.defaultValue = "yes"});
         }},
    };
    for (const auto& [problem, build] : models) {
        SCOPED_TRACE(problem);
        auto model = makeModel();
        build(*model);
        auto opened = ManagedObjectContext::open(storePath("Bad.sqlite"), model);
        ASSERT_FALSE(opened.ok());
        EXPECT_EQ(opened.error()->code(), StoreError::Code::InvalidModel);
        EXPECT_TRUE(opened.error()->message().contains(problem))
            << opened.error()->message().toStdString();
    }
}
