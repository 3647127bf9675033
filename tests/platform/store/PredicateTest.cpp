#include "tests/platform/store/StoreTestModel.h"

#include "platform/store/ManagedObjectContext.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace platform;
using namespace storetest;

namespace {

// Three posts: A sets nothing, B sets zeros and empty text, C sets values.
void insertFixture(ManagedObjectContext& context) {
    insertPost(context, "t", 1);  // A
    auto b = insertPost(context, "t", 2, QStringLiteral(""));
    b->setInteger(Post::kTags, 0);
    b->setDouble(Post::kPinWeight, 0);
    b->setBool(Post::kIsHidden, false);
    b->setInteger(Post::kDirty, 0);
    auto c = insertPost(context, "t", 3, "x");
    c->setInteger(Post::kTags, 5);
    c->setDouble(Post::kPinWeight, 2.5);
    c->setBool(Post::kIsHidden, true);
    c->setInteger(Post::kDirty, 5);
}

QString letters(const StoreResult<ManagedObjectContext::Objects>& result) {
    if (!result) {
        return QStringLiteral("error: ") + result.error()->message();
    }
    QString found;
    for (const auto& object : *result) {
        found += QChar(u'A' + static_cast<char16_t>(object->integerValue(Post::kNr) - 1));
    }
    std::sort(found.begin(), found.end());
    return found;
}

}  // namespace

// How missing values compare, pinned. = and != treat "no value" as a value of its own; ordering
// comparisons with no value are unknown, which no `not` turns into a match. Booleans never set are
// false. Saved rows (answered by SQL) and unsaved objects (answered in memory) must agree.
TEST(StorePredicate, MissingValuesAgainstZeroInTheFileAndInMemory) {
    struct Case {
        const char* predicate;
        QVariantMap variables;
        const char* matches;
    };
    const Case cases[] = {
        {"is_hidden = 0", {}, "AB"},
        {"is_hidden = NO", {}, "AB"},
        {"is_hidden == YES", {}, "C"},
        {"is_hidden != 1", {}, "AB"},
        {"tags = 0", {}, "B"},
        {"tags != 0", {}, "AC"},
        {"tags <> 0", {}, "AC"},
        {"tags > 0", {}, "C"},
        {"tags < 5", {}, "B"},
        {"tags =< 0", {}, "B"},
        {"not (tags > 0)", {}, "B"},
        {"!(tags = 0)", {}, "AC"},
        {"tags > 0 or not (tags > 0)", {}, "BC"},
        {"tags = nil", {}, "A"},
        {"tags != NULL", {}, "BC"},
        {"tags = $v", {{"v", QVariant()}}, "A"},
        {"tags = $v", {{"v", 0}}, "B"},
        {"tags >= $v", {{"v", 0.5}}, "C"},
        {"pin_weight > 0", {}, "C"},
        {"pin_weight >= 0", {}, "BC"},
        {"body = ''", {}, "B"},
        {"body = nil", {}, "A"},
        {"body != \"x\"", {}, "AB"},
        {"body > ''", {}, "C"},
        {"dirty > 0 || tags = nil", {}, "AC"},
        {"(dirty > 0) and (nr < $nr)", {{"nr", 3}}, ""},
        {"(dirty > 0) && (nr < $nr)", {{"nr", 4}}, "C"},
        {"(thread_id = $id) and (dirty > 0) and (nr < $mnr)",
         {{"id", "t"}, {"mnr", 1000000000}},
         "C"},
        {"posted = nil and payload = nil", {}, "ABC"},
        {"", {}, "ABC"},
    };
    auto saved = openStore(storePath());
    insertFixture(*saved);
    ASSERT_EQ(saved->save(), nullptr);
    auto unsaved = openStore(storePath(QStringLiteral("Unsaved.sqlite")));
    insertFixture(*unsaved);

    for (const Case& c : cases) {
        SCOPED_TRACE(c.predicate);
        const FetchRequest fetch = request("Post", QString::fromUtf8(c.predicate), c.variables);
        EXPECT_EQ(letters(saved->fetch(fetch)), QString::fromLatin1(c.matches)) << "in the file";
        EXPECT_EQ(letters(unsaved->fetch(fetch)), QString::fromLatin1(c.matches)) << "in memory";
        EXPECT_EQ(*saved->count(fetch), static_cast<std::int64_t>(strlen(c.matches)));
        EXPECT_EQ(*unsaved->count(fetch), static_cast<std::int64_t>(strlen(c.matches)));
    }
}

TEST(StorePredicate, ShapesTheStoreDoesNotUnderstandFailAtFirstUse) {
    struct Case {
        const char* entity;
        const char* predicate;
        QVariantMap variables;
        StoreError::Code code;
        const char* mentions;
    };
    const Case cases[] = {
        {"Post", "nope = 1", {}, StoreError::Code::InvalidPredicate, "nope is not an attribute"},
        {"Post", "body = 5", {}, StoreError::Code::InvalidPredicate, "cannot be compared"},
        {"Post", "tags = 'x'", {}, StoreError::Code::InvalidPredicate, "cannot be compared"},
        {"Post", "tags ==", {}, StoreError::Code::InvalidPredicate, "expected a value"},
        {"Post", "(tags = 1", {}, StoreError::Code::InvalidPredicate, "missing \")\""},
        {"Post", "tags = 1 nr = 2", {}, StoreError::Code::InvalidPredicate, "unexpected \"nr\""},
        {"Post", "tags IN $list", {}, StoreError::Code::InvalidPredicate, "expected a comparison"},
        {"Post", "thread.topic = 1", {}, StoreError::Code::InvalidPredicate, "unexpected \".\""},
        {"Post", "body = 'open", {}, StoreError::Code::InvalidPredicate, "unterminated"},
        {"Post", "tags = $", {}, StoreError::Code::InvalidPredicate, "without a name"},
        {"Post", "1 = tags", {}, StoreError::Code::InvalidPredicate, "expected an attribute"},
        {"Thread", "participants = nil", {}, StoreError::Code::InvalidPredicate, "to-many"},
        {"Thread", "display = 'x'", {}, StoreError::Code::InvalidPredicate, "transient"},
        {"Participant", "thread > nil", {}, StoreError::Code::InvalidPredicate, "= or !="},
        {"Post", "nr = $nr", {}, StoreError::Code::InvalidFetch, "no value for $nr"},
        {"Post", "nr = $nr", {{"nr", "one"}}, StoreError::Code::InvalidFetch, "cannot be compared"},
        {"Participant", "thread = $t", {{"t", 1}}, StoreError::Code::InvalidFetch, "not an object"},
        {"Nothing", "", {}, StoreError::Code::InvalidFetch, "no entity"},
    };
    auto context = openStore(storePath());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.predicate);
        const FetchRequest fetch =
            request(QString::fromLatin1(c.entity), QString::fromUtf8(c.predicate), c.variables);
        for (int attempt = 0; attempt < 2; ++attempt) {
            auto result = context->fetch(fetch);
            ASSERT_FALSE(result.ok());
            EXPECT_EQ(result.error()->code(), c.code);
            EXPECT_TRUE(result.error()->message().contains(QString::fromUtf8(c.mentions)))
                << result.error()->message().toStdString();
            EXPECT_FALSE(context->count(fetch).ok());
        }
    }

    FetchRequest badSort = request("Post");
    badSort.sortDescriptors = {{"display", true}};
    EXPECT_EQ(context->fetch(badSort).error()->code(), StoreError::Code::InvalidFetch);
    badSort.sortDescriptors = {{"nr", true}};
    badSort.fetchLimit = -1;
    EXPECT_EQ(context->fetch(badSort).error()->code(), StoreError::Code::InvalidFetch);
}

TEST(StorePredicate, OneShapeIsPreparedOnceAndServesEveryVariable) {
    auto context = openStore(storePath());
    for (int nr = 1; nr <= 10; ++nr) {
        insertPost(*context, nr % 2 ? "odd" : "even", nr);
    }
    ASSERT_EQ(context->save(), nullptr);
    const QString range = QStringLiteral("(thread_id = $id) and (nr >= $from) and (nr <= $to)");

    const auto before = context->statistics();
    auto first =
        context->fetch<Post>(request("Post", range, {{"id", "odd"}, {"from", 1}, {"to", 5}}));
    const auto afterFirst = context->statistics();
    auto second =
        context->fetch<Post>(request("Post", range, {{"id", "even"}, {"from", 4}, {"to", 10}}));
    const auto afterSecond = context->statistics();

    ASSERT_TRUE(first.ok() && second.ok());
    std::vector<std::int64_t> firstNumbers, secondNumbers;
    for (const auto& post : *first) {
        firstNumbers.push_back(post->nr());
    }
    for (const auto& post : *second) {
        secondNumbers.push_back(post->nr());
    }
    std::sort(firstNumbers.begin(), firstNumbers.end());
    std::sort(secondNumbers.begin(), secondNumbers.end());
    EXPECT_EQ(firstNumbers, (std::vector<std::int64_t>{1, 3, 5}));
    EXPECT_EQ(secondNumbers, (std::vector<std::int64_t>{4, 6, 8, 10}));
    EXPECT_EQ(afterFirst.statementsPrepared - before.statementsPrepared, 1u);
    EXPECT_EQ(afterSecond.statementsPrepared, afterFirst.statementsPrepared);
    EXPECT_EQ(afterSecond.shapesCompiled, afterFirst.shapesCompiled);

    // A fetch inside a fetch of the same shape (an awakeFromFetch that looks its neighbours up)
    // gets a statement of its own rather than resetting the one in use.
    first->clear();
    second->clear();
    struct Nested : Post {
        using Post::Post;
        void awakeFromFetch() override {
            auto neighbours = context()->fetch(
                request("Post", "(thread_id = $id) and (nr >= $from) and (nr <= $to)",
                        {{"id", stringValue(kThreadId)},
                         {"from", qlonglong(nr() - 2)},
                         {"to", qlonglong(nr() + 2)}}));
            neighbourCount = neighbours.ok() ? static_cast<int>(neighbours->size()) : -1;
        }
        int neighbourCount = 0;
    };
    auto model = makeModel();
    model->entity(u"Post")->setObjectClass<Nested>();
    auto nested = openStore(storePath(), model);
    auto posts =
        nested->fetch<Nested>(request("Post", range, {{"id", "odd"}, {"from", 3}, {"to", 7}}));
    ASSERT_TRUE(posts.ok());
    ASSERT_EQ(posts->size(), 3u);
    for (const auto& post : *posts) {
        EXPECT_EQ(post->neighbourCount, post->nr() == 1 || post->nr() == 9 ? 2 : 3);
    }
}

TEST(StorePredicate, SortOrderIsTheSameInTheFileAndInMemory) {
    // Code point order: U+FFFD sorts before a character outside the basic plane, although its
    // UTF-16 code unit is larger than the surrogate's.
    const QString texts[] = {
        QStringLiteral("b"), QStringLiteral("\U0001F600"), QStringLiteral("\uFFFD"), QString(),
        QStringLiteral(""),  QStringLiteral("B"),          QStringLiteral("a")};
    const int tags[] = {0, 1, 1, 1, 0, 1, 0};
    const auto fill = [&](ManagedObjectContext& context) {
        for (std::size_t i = 0; i < std::size(texts); ++i) {
            auto post = insertPost(context, "t", static_cast<std::int64_t>(i) + 1, texts[i]);
            post->setInteger(Post::kTags, tags[i]);
        }
    };
    auto saved = openStore(storePath());
    fill(*saved);
    ASSERT_EQ(saved->save(), nullptr);
    auto unsaved = openStore(storePath(QStringLiteral("Unsaved.sqlite")));
    fill(*unsaved);

    FetchRequest fetch = request("Post");
    fetch.sortDescriptors = {{"tags", false}, {"body", true}};
    const auto order = [&](ManagedObjectContext& context) {
        QStringList bodies;
        for (const auto& post : *context.fetch(fetch)) {
            const QString body = post->stringValue(Post::kBody);
            bodies << (body.isNull() ? QStringLiteral("nil") : body);
        }
        return bodies;
    };
    const QStringList expected = {QStringLiteral("nil"),    QStringLiteral("B"),
                                  QStringLiteral("\uFFFD"), QStringLiteral("\U0001F600"),
                                  QStringLiteral(""),       QStringLiteral("a"),
                                  QStringLiteral("b")};
    EXPECT_EQ(order(*saved), expected);
    EXPECT_EQ(order(*unsaved), expected);
}
