#include "ZelvoKit/model/ZVMessageArray.h"

#include "ZelvoKit/model/ZVDataModel.h"
#include "ZelvoKit/model/ZVMarkupServices.h"

#include <gtest/gtest.h>

#include <initializer_list>

namespace {

using namespace Qt::Literals::StringLiterals;
using MessagePtr = std::shared_ptr<Message>;

const QString kFox = u"fox"_s;
const QString kOwl = u"owl"_s;
// Noon, so that an hour either way stays on the same day in any time zone the tests run in.
const QDateTime kNoon = QDateTime::fromSecsSinceEpoch(1700049600);

struct Fields {
    std::int64_t nr = 1;
    int type = Message::TypeText;
    QString poster = kFox;
    qint64 postedOffset = 0;
    std::optional<std::int64_t> prev{};
    std::uint32_t tags = 0;
    QString sender{};
    QString subject{};
    QString hook{};
    std::optional<double> pinWeight{};
    std::int64_t searchWeight = 0;
    QString body = u"<msg><p>hi</p></msg>"_s;
};

MessagePtr makeMessage(const Fields& f) {
    const auto model = ZVDataModel::shared().model();
    auto message = std::dynamic_pointer_cast<Message>(model->entity(u"Message")->makeObject());
    message->setConversationId(u"c"_s);
    message->setMessageNr(f.nr);
    message->setMessageType(f.type);
    message->setAccountId(f.poster);
    message->setPostedTime(kNoon.addSecs(f.postedOffset));
    message->setPrevMessageNr(f.prev.value_or(f.nr - 1));
    message->setTags(f.tags);
    message->setMessage(f.body);
    message->setPinWeightValue(f.pinWeight);
    message->setSearchWeight(f.searchWeight);
    if (!f.sender.isNull()) {
        message->setValue(u"sender_name", f.sender);
    }
    if (!f.subject.isNull()) {
        message->setSubject(f.subject);
    }
    if (!f.hook.isNull()) {
        message->setValue(u"hook_key", f.hook);
    }
    return message;
}

ZVMessageArray numbered(std::initializer_list<std::int64_t> numbers, int order = 1) {
    ZVMessageArray array(order);
    for (std::int64_t nr : numbers) {
        array.addMessage(makeMessage({.nr = nr}));
    }
    return array;
}

std::vector<std::int64_t> numbersOf(const ZVMessageArray& array) {
    std::vector<std::int64_t> numbers;
    for (const MessagePtr& message : array) {
        numbers.push_back(message->messageNr());
    }
    return numbers;
}

TEST(ZVMessageArray, RelationsBetweenTwoMessages) {
    constexpr std::uint32_t newSheet = 1u << Message::TagNewSheet;
    constexpr std::uint32_t pin = 1u << Message::TagPin;
    constexpr std::uint32_t todo = 1u << Message::TagTodo;
    struct Case {
        const char* name;
        Fields a;
        Fields b;
        bool grouped;
        bool gapped;
    };
    const Case cases[] = {
        {"same poster 900 s apart", {.nr = 1}, {.nr = 2, .postedOffset = 900}, true, false},
        {"same poster 901 s apart", {.nr = 1}, {.nr = 2, .postedOffset = 901}, false, false},
        {"the later one starts a new sheet", {.nr = 1}, {.nr = 2, .tags = newSheet}, false, false},
        {"the earlier one started a new sheet",
         {.nr = 1, .tags = newSheet},
         {.nr = 2},
         true,
         false},
        {"another poster", {.nr = 1}, {.nr = 2, .poster = kOwl}, false, false},
        {"sender names equal but for case",
         {.nr = 1, .sender = u"Bot"_s},
         {.nr = 2, .sender = u"bOT"_s},
         true,
         false},
        {"a sender name on one side only", {.nr = 1, .sender = u"Bot"_s}, {.nr = 2}, false, false},
        {"subjects equal but for case",
         {.nr = 1, .subject = u"Plan"_s},
         {.nr = 2, .subject = u"PLAN"_s},
         true,
         false},
        {"a subject on one side only", {.nr = 1, .subject = u"Plan"_s}, {.nr = 2}, false, false},
        {"different hooks", {.nr = 1, .hook = u"h1"_s}, {.nr = 2, .hook = u"h2"_s}, false, false},
        {"a pinned message", {.nr = 1, .tags = pin}, {.nr = 2}, false, false},
        {"a task", {.nr = 1}, {.nr = 2, .tags = todo}, false, false},
        {"two e-mails", {.nr = 1, .type = 9}, {.nr = 2, .type = 9}, false, false},
        {"two file messages of different posters",
         {.nr = 1, .type = 11},
         {.nr = 2, .type = 11, .poster = kOwl},
         true,
         false},
        {"a text and a file message", {.nr = 1}, {.nr = 2, .type = 11}, false, false},
        {"a message between them is missing", {.nr = 1}, {.nr = 3, .prev = 2}, true, true},
        {"either order of the pair", {.nr = 3, .prev = 2}, {.nr = 1}, true, true},
        {"a local message is never beside a gap",
         {.nr = 5},
         {.nr = 1000000000, .prev = 0},
         true,
         false},
        {"nor is a leave", {.nr = 1, .type = 4}, {.nr = 5, .prev = 4}, false, false},
        {"nor a kick", {.nr = 1}, {.nr = 5, .type = 10, .prev = 4}, false, false},
        {"nor an add", {.nr = 1, .type = 3}, {.nr = 5, .prev = 4}, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const MessagePtr a = makeMessage(c.a);
        const MessagePtr b = makeMessage(c.b);
        EXPECT_EQ(ZVMessageArray::isMessageGroupedWith(*a, *b), c.grouped);
        EXPECT_EQ(ZVMessageArray::isMessageGappedWith(*a, *b), c.gapped);
    }
}

TEST(ZVMessageArray, RelationsOfNeighboursAlongTheArray) {
    constexpr qint64 kDay = 24 * 3600;
    ZVMessageArray array;
    // 1, 2 grouped; 3 the next day; 5 after a gap, also on a later day; 6 by another poster.
    array.addMessage(makeMessage({.nr = 1}));
    array.addMessage(makeMessage({.nr = 2, .postedOffset = 60}));
    array.addMessage(makeMessage({.nr = 3, .postedOffset = kDay}));
    array.addMessage(makeMessage({.nr = 5, .postedOffset = 2 * kDay, .prev = 4}));
    array.addMessage(makeMessage({.nr = 6, .poster = kOwl, .postedOffset = 2 * kDay}));
    using R = ZVMessageArray::Relation;
    const std::vector<R> backward{R::RelationNone, R::RelationGrouped, R::RelationNewDay,
                                  R::RelationGap, R::RelationNone};
    // Forward has no day test of its own; 2 and 3 are simply too far apart to be grouped.
    const std::vector<R> forward{R::RelationGrouped, R::RelationNone, R::RelationGap,
                                 R::RelationNone, R::RelationNone};
    for (qsizetype i = 0; i < array.count(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(array.backwardRelationshipOfMessageAtIndex(i), backward[std::size_t(i)]);
        EXPECT_EQ(array.forwardRelationshipOfMessageAtIndex(i), forward[std::size_t(i)]);
    }
    // Across midnight but within the interval: a new day backward, grouped forward.
    ZVMessageArray midnight;
    const qint64 toMidnight = kNoon.secsTo(QDateTime(kNoon.date().addDays(1), QTime(0, 0)));
    midnight.addMessage(makeMessage({.nr = 1, .postedOffset = toMidnight - 60}));
    midnight.addMessage(makeMessage({.nr = 2, .postedOffset = toMidnight + 60}));
    EXPECT_EQ(midnight.backwardRelationshipOfMessageAtIndex(1), R::RelationNewDay);
    EXPECT_EQ(midnight.forwardRelationshipOfMessageAtIndex(0), R::RelationGrouped);
}

TEST(ZVMessageArray, AddingKeepsOneMessagePerNumber) {
    ZVMessageArray array = numbered({3, 1, 5, 2, 4});
    EXPECT_EQ(numbersOf(array), (std::vector<std::int64_t>{1, 2, 3, 4, 5}));
    const MessagePtr four = array.messageByNr(4);
    EXPECT_FALSE(array.addMessage(makeMessage({.nr = 4})));
    EXPECT_EQ(array.messageByNr(4), four);

    ZVMessageArray tail = array;
    tail.addMessages(numbered({10, 11, 12}));
    EXPECT_EQ(numbersOf(tail), (std::vector<std::int64_t>{1, 2, 3, 4, 5, 10, 11, 12}));

    ZVMessageArray overlapping = array;
    overlapping.addMessages(numbered({4, 5, 6}));
    EXPECT_EQ(numbersOf(overlapping), (std::vector<std::int64_t>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(overlapping.messageByNr(4), four) << "the message held stays";

    ZVMessageArray front = numbered({10, 11});
    front.addMessages(numbered({1, 2}));
    front.addMessages(numbered({3}, ZVMessageArray::DescendingNumber));
    front.addMessages(ZVMessageArray());
    EXPECT_EQ(numbersOf(front), (std::vector<std::int64_t>{1, 2, 3, 10, 11}));
    ZVMessageArray empty;
    empty.addMessages(numbered({7, 8}));
    EXPECT_EQ(numbersOf(empty), (std::vector<std::int64_t>{7, 8}));

    front.removeMessageNr(3);
    front.removeMessageNr(99);
    front.removeMessageAtIndex(0);
    EXPECT_EQ(numbersOf(front), (std::vector<std::int64_t>{2, 10, 11}));
    EXPECT_EQ(front.lastMessage()->messageNr(), 11);
}

TEST(ZVMessageArray, OrdersAndSearchByNumber) {
    ZVMessageArray down = numbered({1, 3, 2}, ZVMessageArray::DescendingNumber);
    EXPECT_EQ(numbersOf(down), (std::vector<std::int64_t>{3, 2, 1}));
    EXPECT_EQ(down.indexOfMessageNr(1), 2);
    EXPECT_EQ(down.indexOfMessageNr(4), ZVMessageArray::kNotFound);

    constexpr std::uint32_t archived = 1u << Message::TagArchived;
    ZVMessageArray pins(ZVMessageArray::Pinboard);
    pins.addMessage(makeMessage({.nr = 1, .tags = archived, .pinWeight = 9}));
    pins.addMessage(makeMessage({.nr = 2, .pinWeight = 1}));
    pins.addMessage(makeMessage({.nr = 3, .pinWeight = 5}));
    EXPECT_EQ(numbersOf(pins), (std::vector<std::int64_t>{3, 2, 1}));
    EXPECT_EQ(pins.indexOfMessageNr(2), 1);

    ZVMessageArray hits({makeMessage({.nr = 1, .postedOffset = 10, .searchWeight = 2}),
                         makeMessage({.nr = 2, .postedOffset = 20, .searchWeight = 2}),
                         makeMessage({.nr = 3, .postedOffset = 0, .searchWeight = 7})},
                        ZVMessageArray::SearchRank);
    EXPECT_EQ(numbersOf(hits), (std::vector<std::int64_t>{3, 2, 1}));

    // An unknown order keeps the rule the array had.
    hits.setOrder(7);
    EXPECT_EQ(hits.order(), 7);
    EXPECT_EQ(hits.insertionIndexForMessage(*makeMessage({.nr = 4, .searchWeight = 5})), 1);
}

TEST(ZVMessageArray, DescriptionMarksWhereAPredecessorIsMissing) {
    ZVMessageArray array = numbered({1, 2, 3});
    array.addMessage(makeMessage({.nr = 6, .prev = 5}));
    EXPECT_EQ(array.description(), u"[1 2 3 < (5)6] (4)"_s);
    EXPECT_EQ(ZVMessageArray().description(), u"[] (0)"_s);
}

TEST(ZVMessageArray, MessagesMatchingAWordBeginning) {
    ASSERT_TRUE(ZVMarkupServices::isInstalled());
    ZVMessageArray array;
    array.addMessage(
        makeMessage({.nr = 3, .body = ZVMarkupServices::xmlWithMessage(u"Hello World"_s)}));
    array.addMessage(
        makeMessage({.nr = 1, .body = ZVMarkupServices::xmlWithMessage(u"a sword"_s)}));
    array.addMessage(
        makeMessage({.nr = 2, .body = ZVMarkupServices::xmlWithMessage(u"world peace"_s)}));
    EXPECT_EQ(numbersOf(array.messagesMatchingText(u"wor"_s)), (std::vector<std::int64_t>{2, 3}));
}

}  // namespace
