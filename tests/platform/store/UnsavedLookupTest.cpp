// Look-ups by key inside one unit of work, where the answer comes from unsaved objects that the
// context files by the values fetches ask for.

#include "tests/platform/store/StoreTestModel.h"

#include "platform/store/ManagedObjectContext.h"

#include <gtest/gtest.h>

using namespace platform;
using namespace storetest;

namespace {

std::vector<std::shared_ptr<ManagedObject>> byKey(ManagedObjectContext& context,
                                                  const QVariant& threadId, const QVariant& nr) {
    auto found = context.fetch(
        request("Post", "(thread_id = $id) and (nr = $nr)", {{"id", threadId}, {"nr", nr}}));
    EXPECT_TRUE(found.ok());
    return found.ok() ? *found : std::vector<std::shared_ptr<ManagedObject>>{};
}

std::size_t fileFetches(const ManagedObjectContext& context) {
    return context.statistics().fileFetches;
}

}  // namespace

TEST(UnsavedLookup, UniqueKeyFindsTheUnsavedObjectOnceWithoutReadingTheFile) {
    auto context = openStore(storePath());
    auto saved = insertPost(*context, "t", 1);
    ASSERT_EQ(context->save(), nullptr);

    auto fresh = insertPost(*context, "t", 2);
    // Numbers come as whatever the caller has: a real with no fraction is the same key.
    for (const QVariant& nr : {QVariant(2), QVariant(qint64(2)), QVariant(2.0)}) {
        SCOPED_TRACE(nr.typeName());
        const std::size_t before = fileFetches(*context);
        const auto found = byKey(*context, "t", nr);
        ASSERT_EQ(found.size(), 1u);
        EXPECT_EQ(found.front(), fresh);
        EXPECT_EQ(fileFetches(*context), before) << "a unique key found unsaved needs no file";
    }

    // A saved object moved onto a free key is found there, and no longer under its old one,
    // although its row in the file still holds the old values.
    saved->setNr(7);
    EXPECT_TRUE(byKey(*context, "t", 1).empty());
    ASSERT_EQ(byKey(*context, "t", 7).size(), 1u);
    EXPECT_EQ(byKey(*context, "t", 7).front(), saved);

    // A key that no unsaved object holds is looked for in the file.
    const std::size_t before = fileFetches(*context);
    EXPECT_TRUE(byKey(*context, "t", 3).empty());
    EXPECT_EQ(fileFetches(*context), before + 1);
}

TEST(UnsavedLookup, FollowsKeyChangesDeletionsSavesAndRollbacks) {
    auto context = openStore(storePath());
    auto post = insertPost(*context, "t", 5);
    ASSERT_EQ(byKey(*context, "t", 5).size(), 1u);

    // Changed after it was first found: filed again under the new values.
    post->setNr(6);
    post->setString(Post::kThreadId, "u");
    EXPECT_TRUE(byKey(*context, "t", 5).empty());
    EXPECT_TRUE(byKey(*context, "t", 6).empty());
    ASSERT_EQ(byKey(*context, "u", 6).size(), 1u);

    auto gone = insertPost(*context, "u", 9);
    ASSERT_EQ(byKey(*context, "u", 9).size(), 1u);
    context->deleteObject(gone);
    EXPECT_TRUE(byKey(*context, "u", 9).empty());

    ASSERT_EQ(context->save(), nullptr);
    const auto afterSave = byKey(*context, "u", 6);
    ASSERT_EQ(afterSave.size(), 1u);
    EXPECT_EQ(afterSave.front(), post);

    // Changes after a save are filed afresh; a rollback forgets them.
    post->setNr(8);
    insertPost(*context, "u", 6);
    ASSERT_EQ(byKey(*context, "u", 8).size(), 1u);
    ASSERT_EQ(byKey(*context, "u", 6).size(), 1u);
    EXPECT_NE(byKey(*context, "u", 6).front(), post);
    context->rollback();
    EXPECT_TRUE(byKey(*context, "u", 8).empty());
    ASSERT_EQ(byKey(*context, "u", 6).size(), 1u);
    EXPECT_EQ(byKey(*context, "u", 6).front(), post);
}

TEST(UnsavedLookup, PartialKeyListsSavedRowsThenUnsavedObjectsInTheOrderTheyChanged) {
    auto context = openStore(storePath());
    auto first = insertPost(*context, "t", 1);
    insertPost(*context, "t", 2);
    insertPost(*context, "u", 1);
    ASSERT_EQ(context->save(), nullptr);

    // Made in one order, moved onto the thread in another: the listing follows the order in
    // which they became unsaved, as a look at every unsaved object would.
    auto a = insertPost(*context, "u", 10);
    auto b = insertPost(*context, "t", 11);
    first->setNr(12);
    a->setString(Post::kThreadId, "t");

    auto listed = context->fetch(request("Post", "thread_id = $id", {{"id", "t"}}));
    ASSERT_TRUE(listed.ok());
    std::vector<std::int64_t> numbers;
    for (const auto& object : *listed) {
        numbers.push_back(object->integerValue(Post::kNr));
    }
    EXPECT_EQ(numbers, (std::vector<std::int64_t>{2, 10, 11, 12}));
}
