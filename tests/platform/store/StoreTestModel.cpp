#include "tests/platform/store/StoreTestModel.h"

#include "tests/support/TestEnvironment.h"

#include <sqlite3.h>

using namespace platform;

namespace storetest {

std::shared_ptr<ManagedObjectModel> makeModel(int version) {
    auto model = std::make_shared<ManagedObjectModel>(version);

    auto& thread = model->addEntity(QStringLiteral("Thread"));
    thread.setObjectClass<Thread>();
    Thread::kThreadId = thread.addAttribute(QStringLiteral("thread_id"), AttributeType::String,
                                            {.optional = false, .indexed = true});
    Thread::kTopic = thread.addAttribute(QStringLiteral("topic"), AttributeType::String);
    Thread::kLastNr = thread.addAttribute(QStringLiteral("last_nr"), AttributeType::Integer64);
    Thread::kIsMuted = thread.addAttribute(QStringLiteral("is_muted"), AttributeType::Boolean);
    Thread::kInboxTime = thread.addAttribute(QStringLiteral("inbox_time"), AttributeType::Date);
    Thread::kScore = thread.addAttribute(QStringLiteral("score"), AttributeType::Double);
    Thread::kDisplay =
        thread.addAttribute(QStringLiteral("display"), AttributeType::String, {.transient = true});

    auto& post = model->addEntity(QStringLiteral("Post"));
    post.setObjectClass<Post>();
    Post::kThreadId =
        post.addAttribute(QStringLiteral("thread_id"), AttributeType::String, {.optional = false});
    Post::kNr =
        post.addAttribute(QStringLiteral("nr"), AttributeType::Integer64, {.optional = false});
    Post::kTags = post.addAttribute(QStringLiteral("tags"), AttributeType::Integer32);
    Post::kBody = post.addAttribute(QStringLiteral("body"), AttributeType::String);
    Post::kPinWeight = post.addAttribute(QStringLiteral("pin_weight"), AttributeType::Float);
    Post::kIsHidden = post.addAttribute(QStringLiteral("is_hidden"), AttributeType::Boolean);
    Post::kPosted = post.addAttribute(QStringLiteral("posted"), AttributeType::Date);
    Post::kPayload = post.addAttribute(QStringLiteral("payload"), AttributeType::Binary);
    Post::kDirty = post.addAttribute(QStringLiteral("dirty"), AttributeType::Integer64);
    post.addIndex({QStringLiteral("thread_id"), QStringLiteral("nr")}, true);

    auto& participant = model->addEntity(QStringLiteral("Participant"));
    participant.addAttribute(QStringLiteral("account_id"), AttributeType::String,
                             {.optional = false});
    participant.addAttribute(QStringLiteral("read_horizon"), AttributeType::Integer64);
    participant.addAttribute(QStringLiteral("is_admin"), AttributeType::Boolean);
    model->addRelationship({.entity = QStringLiteral("Participant"),
                            .name = QStringLiteral("thread"),
                            .destination = QStringLiteral("Thread"),
                            .inverseName = QStringLiteral("participants"),
                            .optional = false,
                            .deleteRule = DeleteRule::Cascade});

    model->addEntity(QStringLiteral("Shelf"))
        .addAttribute(QStringLiteral("name"), AttributeType::String);
    model->addEntity(QStringLiteral("Book"))
        .addAttribute(QStringLiteral("title"), AttributeType::String);
    model->addRelationship({.entity = QStringLiteral("Book"),
                            .name = QStringLiteral("shelf"),
                            .destination = QStringLiteral("Shelf"),
                            .inverseName = QStringLiteral("books")});
    return model;
}

QString storePath(const QString& name) {
    return zvtest::testRoot() + QLatin1Char('/') + name;
}

std::unique_ptr<ManagedObjectContext> openStore(const QString& path,
                                                std::shared_ptr<const ManagedObjectModel> model) {
    auto context = ManagedObjectContext::open(path, std::move(model));
    EXPECT_TRUE(context.ok())
        << (context.ok() ? QString() : context.error()->message()).toStdString();
    return context.ok() ? std::move(*context) : nullptr;
}

std::shared_ptr<Post> insertPost(ManagedObjectContext& context, const QString& threadId,
                                 std::int64_t nr, const QString& body) {
    auto post = context.insert<Post>(u"Post");
    post->setString(Post::kThreadId, threadId);
    post->setNr(nr);
    if (!body.isNull()) {
        post->setString(Post::kBody, body);
    }
    return post;
}

FetchRequest request(const QString& entity, const QString& predicate,
                     const QVariantMap& variables) {
    FetchRequest fetch;
    fetch.entityName = entity;
    fetch.predicate = predicate;
    fetch.variables = variables;
    return fetch;
}

std::vector<std::int64_t> rowsInFile(const QString& path, const QString& entity) {
    std::vector<std::int64_t> rows;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr) !=
        SQLITE_OK) {
        sqlite3_close(db);
        ADD_FAILURE() << "cannot open " << path.toStdString();
        return rows;
    }
    sqlite3_stmt* stmt = nullptr;
    const QByteArray sql =
        QStringLiteral("SELECT _id FROM \"%1\" ORDER BY _id").arg(entity).toUtf8();
    if (sqlite3_prepare_v2(db, sql.constData(), -1, &stmt, nullptr) == SQLITE_OK) {
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            rows.push_back(sqlite3_column_int64(stmt, 0));
        }
    } else {
        ADD_FAILURE() << sqlite3_errmsg(db);
    }
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return rows;
}

}  // namespace storetest
