#include "tests/platform/store/StoreTestModel.h"

#include "platform/store/ManagedObjectContext.h"
#include "tests/support/TestEnvironment.h"

#include <QtCore/QDir>

#include <gtest/gtest.h>

#include <functional>
#include <limits>

using namespace platform;
using namespace storetest;

namespace {

std::vector<std::int64_t> numbers(const std::vector<std::shared_ptr<ManagedObject>>& objects) {
    std::vector<std::int64_t> result;
    for (const auto& object : objects) {
        result.push_back(object->integerValue(Post::kNr));
    }
    return result;
}

std::vector<std::shared_ptr<ManagedObject>> fetchAll(ManagedObjectContext& context,
                                                     const QString& entity) {
    auto result = context.fetch(request(entity));
    EXPECT_TRUE(result.ok());
    return result.ok() ? *result : std::vector<std::shared_ptr<ManagedObject>>{};
}

}  // namespace

TEST(ManagedObjectContext, OneObjectPerRowWhileUsedAndReleasedAfterwards) {
    auto context = openStore(storePath());
    auto inserted = insertPost(*context, "t", 2);
    insertPost(*context, "t", 1);
    insertPost(*context, "u", 1);
    ASSERT_EQ(context->save(), nullptr);

    auto byKey = context->fetch<Post>(
        request("Post", "thread_id = $id and nr = $nr", {{"id", "t"}, {"nr", 2}}));
    auto all = context->fetch<Post>(request("Post"));
    ASSERT_TRUE(byKey.ok());
    ASSERT_TRUE(all.ok());
    ASSERT_EQ(byKey->size(), 1u);
    EXPECT_EQ(byKey->front(), inserted) << "a saved new object stands for its row";
    EXPECT_EQ(std::count(all->begin(), all->end(), inserted), 1);
    EXPECT_EQ(inserted->fetchAwakenings, 0);
    EXPECT_EQ(inserted->insertAwakenings, 1);

    inserted.reset();
    byKey->clear();
    all->clear();
    EXPECT_EQ(context->registeredObjectCount(), 0u);

    auto first = context->fetch<Post>(request("Post", "nr = 2"));
    auto second = context->fetch<Post>(request("Post", "thread_id = 't'"));
    ASSERT_TRUE(first.ok() && second.ok());
    ASSERT_EQ(first->size(), 1u);
    const auto again = std::find(second->begin(), second->end(), first->front());
    ASSERT_NE(again, second->end());
    EXPECT_EQ(first->front()->fetchAwakenings, 1) << "awakened once, not once per fetch";
    EXPECT_EQ(context->registeredObjectCount(), 2u);
}

TEST(ManagedObjectContext, SaveCloseReopenKeepsEveryKindOfValue) {
    const QString path = storePath();
    const QDateTime when = QDateTime::fromMSecsSinceEpoch(1700000000123, Qt::UTC);
    const QString text = QStringLiteral("ä 😀 \u0000 end");
    const QByteArray bytes("\x00\x01\xff", 3);
    struct Row {
        std::int64_t nr;
        StoreValue tags, body, pinWeight, isHidden, posted, payload, dirty;
    };
    const std::vector<Row> rows = {
        {1, StoreValue::integer(std::numeric_limits<std::int64_t>::max()), StoreValue::text(text),
         StoreValue::real(0.1), StoreValue::boolean(true), StoreValue::date(when),
         StoreValue::blob(bytes), StoreValue::integer(std::numeric_limits<std::int64_t>::min())},
        {2, StoreValue::integer((std::int64_t(1) << 53) + 1), StoreValue::text(QStringLiteral("")),
         StoreValue::real(-2.5e300), StoreValue::boolean(false), StoreValue::real(-1.5),
         StoreValue::blob(QByteArray("")), StoreValue::integer(0)},
        {3, StoreValue(), StoreValue(), StoreValue(), StoreValue(), StoreValue(), StoreValue(),
         StoreValue()},
    };
    {
        auto context = openStore(path);
        for (const Row& row : rows) {
            auto post = insertPost(*context, "t", row.nr);
            const std::pair<int, StoreValue> values[] = {
                {Post::kTags, row.tags},           {Post::kBody, row.body},
                {Post::kPinWeight, row.pinWeight}, {Post::kIsHidden, row.isHidden},
                {Post::kPosted, row.posted},       {Post::kPayload, row.payload},
                {Post::kDirty, row.dirty}};
            for (const auto& [attribute, value] : values) {
                if (!value.isNull()) {
                    ASSERT_TRUE(post->setStoreValue(attribute, value));
                }
            }
        }
        auto thread = context->insert<Thread>(u"Thread");
        thread->setString(Thread::kThreadId, "t");
        auto participant = context->insert(u"Participant");
        participant->setValue(u"account_id", "a");
        ASSERT_TRUE(participant->setRelatedObject(u"thread", thread));
        ASSERT_EQ(context->save(), nullptr);
    }
    auto context = openStore(path);
    FetchRequest all = request("Post");
    all.sortDescriptors = {{"nr", true}};
    auto posts = context->fetch<Post>(all);
    ASSERT_TRUE(posts.ok());
    ASSERT_EQ(posts->size(), rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const Row& row = rows[i];
        const Post& post = *(*posts)[i];
        SCOPED_TRACE(row.nr);
        const std::pair<int, StoreValue> expected[] = {
            {Post::kTags, row.tags},           {Post::kBody, row.body},
            {Post::kPinWeight, row.pinWeight}, {Post::kIsHidden, row.isHidden},
            {Post::kPosted, row.posted},       {Post::kPayload, row.payload},
            {Post::kDirty, row.dirty}};
        for (const auto& [attribute, value] : expected) {
            // A boolean never set reads false, everything else as it was given.
            const StoreValue wanted =
                attribute == Post::kIsHidden && value.isNull() ? StoreValue::boolean(false) : value;
            const auto name = post.entity().attributes()[attribute].name.toStdString();
            EXPECT_EQ(post.storeValue(attribute).kind(), wanted.kind()) << name;
            EXPECT_EQ(post.storeValue(attribute), wanted) << name;
        }
    }
    EXPECT_EQ((*posts)[0]->dateValue(Post::kPosted), when);
    EXPECT_EQ((*posts)[0]->stringValue(Post::kBody), text);
    EXPECT_TRUE((*posts)[1]->stringValue(Post::kBody).isEmpty());
    EXPECT_FALSE((*posts)[1]->stringValue(Post::kBody).isNull()) << "empty text is not nil";
    EXPECT_TRUE((*posts)[2]->stringValue(Post::kBody).isNull());

    auto participants = context->fetch(request("Participant"));
    ASSERT_TRUE(participants.ok());
    ASSERT_EQ(participants->size(), 1u);
    auto thread = participants->front()->relatedObject(u"thread");
    ASSERT_TRUE(thread);
    EXPECT_EQ(thread->stringValue(Thread::kThreadId), "t");
    EXPECT_EQ(thread->stringValue(Thread::kDisplay), "#") << "awakeFromFetch ran on the link";
}

TEST(ManagedObjectContext, DeletedObjectStaysInertUntilReleased) {
    const QString path = storePath();
    auto context = openStore(path);
    insertPost(*context, "t", 1, "one");
    insertPost(*context, "t", 2, "two");
    ASSERT_EQ(context->save(), nullptr);

    auto post = std::static_pointer_cast<Post>(context->fetch(request("Post", "nr = 1"))->front());
    context->deleteObject(post);
    EXPECT_TRUE(post->isDeleted());
    EXPECT_TRUE(context->hasChanges());
    EXPECT_FALSE(post->setString(Post::kBody, "changed"));
    EXPECT_EQ(post->stringValue(Post::kBody), "one");
    EXPECT_EQ(numbers(fetchAll(*context, "Post")), std::vector<std::int64_t>{2});
    EXPECT_EQ(*context->count(request("Post")), 1);

    ASSERT_EQ(context->save(), nullptr);
    EXPECT_TRUE(post->isDeleted());
    EXPECT_EQ(post->context(), nullptr);
    EXPECT_EQ(post->stringValue(Post::kBody), "one");
    EXPECT_FALSE(post->setInteger(Post::kNr, 5));
    EXPECT_EQ(post->nr(), 1);
    EXPECT_EQ(rowsInFile(path, "Post").size(), 1u);

    // Deleting an object that was never saved leaves nothing to save.
    auto draft = insertPost(*context, "t", 3);
    context->deleteObject(draft);
    EXPECT_TRUE(draft->isDeleted());
    EXPECT_FALSE(context->hasChanges());
    ASSERT_EQ(context->save(), nullptr);
    EXPECT_EQ(rowsInFile(path, "Post").size(), 1u);

    // Closing the context leaves its objects readable, by name too, although nothing else holds
    // the model they were described by.
    auto kept = context->fetch<Post>(request("Post"))->front();
    context.reset();
    EXPECT_EQ(kept->context(), nullptr);
    EXPECT_FALSE(kept->isDeleted());
    EXPECT_EQ(kept->stringValue(Post::kBody), "two");
    EXPECT_EQ(kept->value(u"body").toString(), "two");
    EXPECT_EQ(kept->description(), QStringLiteral("Post/%1").arg(kept->objectID().rowid));
    EXPECT_FALSE(kept->setString(Post::kBody, "lost"));
    EXPECT_FALSE(kept->setValue(u"body", "lost"));
    EXPECT_EQ(post->nr(), 1);
    EXPECT_EQ(post->value(u"nr").toLongLong(), 1);
    EXPECT_EQ(draft->value(u"nr").toLongLong(), 3);
}

TEST(ManagedObjectContext, FailedValidationWritesNothingAndKeepsTheChanges) {
    const QString path = storePath();
    auto context = openStore(path);
    insertPost(*context, "t", 1, "old");
    insertPost(*context, "t", 3, "doomed");
    ASSERT_EQ(context->save(), nullptr);
    const auto rowsBefore = rowsInFile(path, "Post");

    auto existing = context->fetch<Post>(request("Post", "nr = 1"))->front();
    auto doomed = context->fetch<Post>(request("Post", "nr = 3"))->front();
    existing->setString(Post::kBody, "new");
    context->deleteObject(doomed);
    auto incomplete = context->insert<Post>(u"Post");
    incomplete->setString(Post::kThreadId, "t");

    auto error = context->save();
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(error->code(), StoreError::Code::Validation);
    EXPECT_EQ(error->entityName(), "Post");
    EXPECT_EQ(error->attributeName(), "nr");
    EXPECT_EQ(error->userInfo().value("attribute").toString(), "nr");
    EXPECT_EQ(rowsInFile(path, "Post"), rowsBefore);
    EXPECT_TRUE(existing->isUpdated());
    EXPECT_TRUE(doomed->isDeleted());
    EXPECT_TRUE(incomplete->isInserted());
    EXPECT_TRUE(incomplete->objectID().isTemporary());
    EXPECT_TRUE(context->hasChanges());
    EXPECT_EQ(existing->stringValue(Post::kBody), "new");

    incomplete->setNr(2);
    ASSERT_EQ(context->save(), nullptr);
    EXPECT_FALSE(context->hasChanges());
    EXPECT_EQ(rowsInFile(path, "Post").size(), 2u);
    context.reset();
    auto reopened = openStore(path);
    FetchRequest sorted = request("Post");
    sorted.sortDescriptors = {{"nr", true}};
    auto posts = reopened->fetch<Post>(sorted);
    ASSERT_EQ(posts->size(), 2u);
    EXPECT_EQ((*posts)[0]->stringValue(Post::kBody), "new");
    EXPECT_EQ((*posts)[1]->nr(), 2);
}

TEST(ManagedObjectContext, RowRefusedByTheFileRollsBackTheWholeSave) {
    const QString path = storePath();
    auto context = openStore(path);
    insertPost(*context, "t", 1, "old");
    ASSERT_EQ(context->save(), nullptr);

    auto existing = context->fetch<Post>(request("Post"))->front();
    existing->setString(Post::kBody, "new");
    auto fine = insertPost(*context, "t", 2);
    auto clash = insertPost(*context, "t", 1);

    auto error = context->save();
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(error->code(), StoreError::Code::Constraint);
    EXPECT_EQ(error->entityName(), "Post");
    EXPECT_EQ(rowsInFile(path, "Post").size(), 1u) << "the row inserted before the clash is gone";
    EXPECT_TRUE(fine->objectID().isTemporary());
    EXPECT_TRUE(fine->isInserted());
    EXPECT_TRUE(existing->isUpdated());
    {
        auto other = openStore(path);
        EXPECT_EQ(other->fetch<Post>(request("Post"))->front()->stringValue(Post::kBody), "old");
    }

    clash->setNr(3);
    ASSERT_EQ(context->save(), nullptr);
    EXPECT_FALSE(fine->objectID().isTemporary());
    EXPECT_NE(fine->objectID(), clash->objectID());
    EXPECT_EQ(rowsInFile(path, "Post").size(), 3u);
    EXPECT_EQ(context->existingObject(fine->objectID()), fine);
}

// A key that a save frees (a post deleted, or renumbered) can be taken by another post of the same
// save, and the row that a deletion frees may be given to a new post at once.
TEST(ManagedObjectContext, KeyFreedByASaveCanBeTakenWithinIt) {
    struct Case {
        const char* name;
        std::function<std::shared_ptr<Post>(ManagedObjectContext&,
                                            std::vector<std::shared_ptr<Post>>&)>
            change;
        std::vector<std::int64_t> numbers;
    };
    const Case cases[] = {
        {"deleted and posted again",
         [](ManagedObjectContext& context, std::vector<std::shared_ptr<Post>>& saved) {
             context.deleteObject(saved[1]);
             return insertPost(context, "t", 2, "again");
         },
         {1, 2}},
        {"renumbered and replaced",
         [](ManagedObjectContext& context, std::vector<std::shared_ptr<Post>>& saved) {
             saved[0]->setNr(3);
             return insertPost(context, "t", 1, "again");
         },
         {1, 2, 3}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = zvtest::makeTempDir(QString::fromLatin1(c.name).replace(' ', '_')) +
                             QStringLiteral("/Test.sqlite");
        auto context = openStore(path);
        std::vector<std::shared_ptr<Post>> saved{insertPost(*context, "t", 1, "old"),
                                                 insertPost(*context, "t", 2, "old")};
        ASSERT_EQ(context->save(), nullptr);

        const auto fresh = c.change(*context, saved);
        const auto error = context->save();
        ASSERT_EQ(error, nullptr) << error->message().toStdString();
        EXPECT_FALSE(context->hasChanges());
        EXPECT_EQ(rowsInFile(path, "Post").size(), c.numbers.size());

        FetchRequest sorted = request("Post");
        sorted.sortDescriptors = {{"nr", true}};
        auto posts = context->fetch<Post>(sorted);
        ASSERT_TRUE(posts.ok());
        EXPECT_EQ(numbers({posts->begin(), posts->end()}), c.numbers);
        EXPECT_EQ(std::count(posts->begin(), posts->end(), fresh), 1)
            << "the new post stands for its row";
        EXPECT_EQ(context->existingObject(fresh->objectID()), fresh);
        context.reset();
        EXPECT_EQ(fresh->context(), nullptr);
        EXPECT_EQ(fresh->stringValue(Post::kBody), "again");
    }
}

TEST(ManagedObjectContext, RollbackReturnsToTheSavedState) {
    auto context = openStore(storePath());
    insertPost(*context, "t", 1, "one");
    insertPost(*context, "t", 2, "two");
    ASSERT_EQ(context->save(), nullptr);

    auto one = context->fetch<Post>(request("Post", "nr = 1"))->front();
    auto two = context->fetch<Post>(request("Post", "nr = 2"))->front();
    one->setString(Post::kBody, "changed");
    context->deleteObject(two);
    auto draft = insertPost(*context, "t", 3);
    EXPECT_EQ(one->changedValues(), (QVariantMap{{"body", "changed"}}));

    context->rollback();
    EXPECT_FALSE(context->hasChanges());
    EXPECT_EQ(one->stringValue(Post::kBody), "one");
    EXPECT_FALSE(one->isUpdated());
    EXPECT_TRUE(one->changedValues().isEmpty());
    EXPECT_FALSE(two->isDeleted());
    EXPECT_EQ(two->context(), context.get());
    EXPECT_TRUE(draft->isDeleted());
    EXPECT_EQ(draft->context(), nullptr);
    EXPECT_EQ(numbers(fetchAll(*context, "Post")).size(), 2u);
    EXPECT_TRUE(two->setString(Post::kBody, "editable again"));
}

TEST(ManagedObjectContext, UnsavedChangesShowInFetchesAndCounts) {
    auto context = openStore(storePath());
    for (int nr = 1; nr <= 5; ++nr) {
        insertPost(*context, "t", nr);
    }
    insertPost(*context, "u", 3);
    ASSERT_EQ(context->save(), nullptr);

    const auto check = [&](const char* phase) {
        SCOPED_TRACE(phase);
        FetchRequest upTo =
            request("Post", "(thread_id = $id) and (nr <= $to)", {{"id", "t"}, {"to", 5}});
        upTo.sortDescriptors = {{"nr", false}};
        EXPECT_EQ(numbers(*context->fetch(upTo)), (std::vector<std::int64_t>{5, 4, 1}));
        EXPECT_EQ(*context->count(upTo), 3);
        upTo.fetchLimit = 2;
        upTo.fetchOffset = 1;
        EXPECT_EQ(numbers(*context->fetch(upTo)), (std::vector<std::int64_t>{4, 1}));
        EXPECT_EQ(*context->count(upTo), 2);

        FetchRequest from =
            request("Post", "(thread_id = $id) and (nr >= $from)", {{"id", "t"}, {"from", 5}});
        from.sortDescriptors = {{"nr", true}};
        EXPECT_EQ(numbers(*context->fetch(from)), (std::vector<std::int64_t>{5, 6, 20}));
        EXPECT_EQ(*context->count(request("Post")), 7);
    };

    context->fetch<Post>(request("Post", "nr = 2"))->front()->setNr(20);
    context->deleteObject(context->fetch(request("Post", "thread_id = 't' and nr = 3"))->front());
    insertPost(*context, "t", 6);
    insertPost(*context, "u", 9);
    check("unsaved");
    ASSERT_EQ(context->save(), nullptr);
    check("saved");
}

TEST(ManagedObjectContext, RelationshipsFollowTheirDeleteRules) {
    const QString path = storePath();
    {
        auto context = openStore(path);
        auto thread = context->insert(u"Thread");
        thread->setValue(u"thread_id", "t");
        std::vector<std::shared_ptr<ManagedObject>> people;
        for (const char* id : {"a", "b"}) {
            auto participant = context->insert(u"Participant");
            participant->setValue(u"account_id", id);
            people.push_back(participant);
        }
        ASSERT_EQ(thread->setRelatedObjects(u"participants", people), nullptr);
        EXPECT_EQ(thread->relatedObjects(u"participants")->size(), 2u);
        EXPECT_EQ(people[0]->relatedObject(u"thread"), thread);

        auto orphan = context->insert(u"Participant");
        orphan->setValue(u"account_id", "c");
        auto error = context->save();
        ASSERT_NE(error, nullptr) << "a participant needs its thread";
        EXPECT_EQ(error->attributeName(), "thread");
        context->deleteObject(orphan);
        ASSERT_EQ(context->save(), nullptr);
    }
    auto context = openStore(path);
    auto thread = context->fetch(request("Thread"))->front();
    auto participants = *thread->relatedObjects(u"participants");
    ASSERT_EQ(participants.size(), 2u);
    for (const auto& participant : participants) {
        EXPECT_EQ(participant->relatedObject(u"thread"), thread);
    }

    // Replacing the set deletes whoever left it, since participants belong to their thread.
    auto kept = participants[0]->value(u"account_id") == "a" ? participants[0] : participants[1];
    auto newcomer = context->insert(u"Participant");
    newcomer->setValue(u"account_id", "c");
    ASSERT_EQ(thread->setRelatedObjects(u"participants", {kept, newcomer}), nullptr);
    ASSERT_EQ(context->save(), nullptr);
    EXPECT_EQ(*context->count(request("Participant")), 2);

    auto other = context->insert(u"Thread");
    other->setValue(u"thread_id", "u");
    ASSERT_TRUE(kept->setRelatedObject(u"thread", other));
    EXPECT_EQ(thread->relatedObjects(u"participants")->size(), 1u);
    EXPECT_EQ(other->relatedObjects(u"participants")->front(), kept);
    ASSERT_EQ(context->save(), nullptr);

    context->deleteObject(thread);
    EXPECT_TRUE(newcomer->isDeleted()) << "cascade";
    EXPECT_FALSE(kept->isDeleted());
    ASSERT_EQ(context->save(), nullptr);
    EXPECT_EQ(rowsInFile(path, "Participant").size(), 1u);

    // Books outlive their shelf.
    auto shelf = context->insert(u"Shelf");
    auto book = context->insert(u"Book");
    ASSERT_TRUE(book->setRelatedObject(u"shelf", shelf));
    ASSERT_EQ(context->save(), nullptr);
    context->deleteObject(shelf);
    EXPECT_FALSE(book->isDeleted());
    EXPECT_EQ(book->relatedObject(u"shelf"), nullptr);
    ASSERT_EQ(context->save(), nullptr);
    EXPECT_EQ(rowsInFile(path, "Book").size(), 1u);
    EXPECT_FALSE(book->setRelatedObject(u"shelf", shelf)) << "a deleted shelf cannot be linked";

    // A relationship can also be fetched by.
    auto byThread =
        context->fetch(request("Participant", "thread = $t", {{"t", storeObjectVariant(other)}}));
    ASSERT_TRUE(byThread.ok());
    EXPECT_EQ(*byThread, std::vector<std::shared_ptr<ManagedObject>>{kept});
    EXPECT_TRUE(context->fetch(request("Book", "shelf = nil"))->size() == 1u);
}

TEST(ManagedObjectContext, MemoryContextKeepsItsObjectsOutOfEveryFile) {
    const QString path = storePath();
    auto file = openStore(path);
    auto memory = ManagedObjectContext::openInMemory(makeModel());
    ASSERT_TRUE(memory.ok());
    auto& temporary = **memory;

    auto contact = temporary.insert<Thread>(u"Thread");
    contact->setString(Thread::kThreadId, "search_contact");
    EXPECT_EQ(*temporary.count(request("Thread", "thread_id = 'search_contact'")), 1);
    ASSERT_EQ(temporary.save(), nullptr);
    EXPECT_EQ(temporary.fetch(request("Thread"))->front(), contact);
    EXPECT_TRUE(temporary.path().isEmpty());

    auto participant = file->insert(u"Participant");
    EXPECT_FALSE(participant->setRelatedObject(u"thread", contact))
        << "objects of two contexts cannot be linked";
    EXPECT_EQ(*file->count(request("Thread")), 0);
    const QStringList files = QDir(zvtest::testRoot()).entryList(QDir::Files);
    for (const auto& name : files) {
        EXPECT_TRUE(name.startsWith("Test.sqlite")) << name.toStdString();
    }
}

TEST(ManagedObjectContext, ValuesByNameFollowTheAttributeTypes) {
    auto context = openStore(storePath());
    auto post = insertPost(*context, "t", 1);
    struct Case {
        const char* key;
        QVariant value;
        bool accepted;
        QVariant readBack;
    };
    const QDateTime when = QDateTime::fromSecsSinceEpoch(1700000000, Qt::UTC);
    const Case cases[] = {
        {"nr", QVariant(5.0), true, QVariant(qlonglong(5))},  // JSON numbers arrive as doubles
        {"nr", QVariant(5.5), false, QVariant(qlonglong(5))},
        {"nr", QVariant("5"), false, QVariant(qlonglong(5))},
        {"is_hidden", QVariant(2), true, QVariant(true)},
        {"is_hidden", QVariant(false), true, QVariant(false)},
        {"pin_weight", QVariant(3), true, QVariant(3.0)},
        {"posted", QVariant(when), true, QVariant(when)},
        {"posted", QVariant(1700000000), true, QVariant(when)},
        {"posted", QVariant("yesterday"), false, QVariant(when)},
        {"body", QVariant(7), false, QVariant()},
        {"body", QVariant(QString("")), true, QVariant(QString(""))},
        {"body", QVariant(QString()), true, QVariant()},
        {"payload", QVariant(QByteArray("x")), true, QVariant(QByteArray("x"))},
        {"tags", QVariant(qulonglong(1) << 63), false, QVariant()},
        {"no_such_key", QVariant(1), false, QVariant()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        EXPECT_EQ(post->setValue(QString::fromLatin1(c.key), c.value), c.accepted);
        EXPECT_EQ(post->value(QString::fromLatin1(c.key)), c.readBack);
    }
}

TEST(ManagedObjectContext, ChangesAreTrackedPerAttribute) {
    auto context = openStore(storePath());
    auto thread = context->insert<Thread>(u"Thread");
    thread->setString(Thread::kThreadId, "t");
    thread->setString(Thread::kTopic, "topic");
    EXPECT_EQ(thread->changedValues(),
              (QVariantMap{{"thread_id", "t"}, {"topic", "topic"}, {"is_muted", false}}));
    ASSERT_EQ(context->save(), nullptr);

    EXPECT_TRUE(thread->setString(Thread::kTopic, "topic"));
    EXPECT_TRUE(thread->setString(Thread::kDisplay, "derived"));
    EXPECT_FALSE(thread->isUpdated()) << "an equal value or a transient one changes nothing stored";
    EXPECT_FALSE(context->hasChanges());

    thread->setInteger(Thread::kLastNr, 7);
    thread->setString(Thread::kTopic, "other");
    thread->setString(Thread::kTopic, "topic");
    EXPECT_TRUE(thread->isUpdated());
    EXPECT_EQ(thread->changedAttributes(), std::vector<int>{Thread::kLastNr});
    EXPECT_EQ(thread->committedStoreValue(Thread::kLastNr), StoreValue());
    ASSERT_EQ(context->save(), nullptr);
    EXPECT_EQ(thread->committedStoreValue(Thread::kLastNr), StoreValue::integer(7));
}

TEST(ManagedObjectContext, AHeldReadSeesOneStateOfTheFileUntilItEndsOrASave) {
    const QString path = storePath();
    auto context = openStore(path);
    auto writer = openStore(path);
    const auto posts = [](ManagedObjectContext& of) {
        const auto counted = of.count(request("Post"));
        return counted.ok() ? *counted : -1;
    };
    insertPost(*writer, "t", 1);
    ASSERT_EQ(writer->save(), nullptr);

    context->beginReading();
    EXPECT_EQ(posts(*context), 1);
    insertPost(*writer, "t", 2);
    ASSERT_EQ(writer->save(), nullptr) << "a held read does not keep others from writing";
    EXPECT_EQ(posts(*context), 1) << "one state of the file while the read is held";
    context->endReading();
    EXPECT_FALSE(context->isReading());
    EXPECT_EQ(posts(*context), 2);

    // A save finding a read held ends it and writes in a transaction of its own.
    context->beginReading();
    EXPECT_EQ(posts(*context), 2);
    insertPost(*writer, "t", 3);
    ASSERT_EQ(writer->save(), nullptr);
    insertPost(*context, "t", 4);
    ASSERT_EQ(context->save(), nullptr);
    EXPECT_FALSE(context->isReading());
    EXPECT_EQ(posts(*context), 4);
    EXPECT_EQ(rowsInFile(path, QStringLiteral("Post")).size(), 4u);
}
